// Settings of the import layer that come from the engine's options: the process-wide
// alphabet file and the hyphen mode.
#pragma once

#include <string>

namespace importsetup {

// Loads the alphabet file at `path` into the process-wide alphabet. On success the new
// alphabet replaces the process-wide one, accent and upper folding are turned on, message
// 109 names the file (unless quiet), the word-finder tables are rebuilt and 0 is returned.
// On failure: unless quiet, message 95 names the file and the process-wide alphabet stays
// as it was; when quiet, the defaults are installed as for a success. Returns -1.
int setAlphabet(const std::string& path, bool quiet);

}  // namespace importsetup
