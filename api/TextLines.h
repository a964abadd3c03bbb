// Reads a text file a script works with (listings, reports, files to compare) as lines.
// Depends on nothing but the C library.
#pragma once

#include <string>
#include <vector>

namespace script {

// The file's lines without their line ends (LF, or CR LF); a last line without an end
// counts. False when the file cannot be opened.
bool readTextLines(const std::string& name, std::vector<std::string>* lines);

}  // namespace script
