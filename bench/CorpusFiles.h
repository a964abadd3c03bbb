// The files of a benchmark corpus: every regular file under a folder (symbolic links not
// followed), sorted by path, and a whole-file reader. Shared by the indexing anchor and the
// bare read-and-split loop so both walk exactly the same files. Depends only on the standard
// library.
#pragma once

#include <string>
#include <vector>

namespace corpusfiles {

// Every regular file under `root`, sorted. Returns an empty list when `root` cannot be read.
std::vector<std::string> list(const std::string& root);

// Reads the whole of `path` into `*out`. Returns the byte count, or -1 when the file cannot
// be opened or read (`*out` may then hold part of the file).
long long readWhole(const std::string& path, std::string* out);

// Bytes taken by the regular files under `root` (their sizes, not their blocks).
long long folderBytes(const std::string& root);

}  // namespace corpusfiles
