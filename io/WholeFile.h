// Whole small files in one call: the settings files (table files, the index library, the
// message file) are read into memory and written back in one piece. A write goes to a
// temporary file beside the target (made fresh: nothing planted at its name is written
// through), reaches the disk, and then replaces the target, so a crash leaves either the old
// file or the new one.
#pragma once

#include <string>

namespace wholefile {

// Reads the whole file into `out`. -1 (with platform::lastError()) when it cannot be opened
// or read, or is longer than `maxBytes`; `out` is then untouched.
int read(const std::string& path, std::string* out, size_t maxBytes = 64u << 20);

// Replaces the file with `data` as described above. 0, or -1 with platform::lastError();
// on -1 the old file is left as it was. With `sync` false the new file is not waited onto
// the disk before the rename: for files not worth a sync (the search history) a crash may
// then lose the last change, but the rename of the fully written file still leaves the old
// file or the new one in place, never a part of one.
int write(const std::string& path, const std::string& data, bool sync = true);

}  // namespace wholefile
