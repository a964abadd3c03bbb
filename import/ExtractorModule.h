// The extractors as a loadable module (lexaurum-extractors.so, built and installed beside
// lxr-extract): the engine loads it only when it has to parse complex formats in its own
// process (the option extractInProcess, or no helper program to be found) and the program
// does not link the extractors itself, so that a program which never parses them never loads
// poppler, GMime or libxml2. Depends on platform/ and import/Extractors.
#pragma once

#include <string>
#include <string_view>

#include "import/Extractors.h"

namespace extractormodule {

// The file name of the module.
constexpr const char* kFileName = "lexaurum-extractors.so";

// The extractor `name` of the module at `path`, which is loaded on the first call for that
// path (once per process; a module is never unloaded, since its libraries keep state of their
// own). Null when the module cannot be loaded (`*error` says why) or has no such extractor.
// Threads: any.
const extractors::Entry* find(const std::string& path, std::string_view name, std::string* error);

}  // namespace extractormodule
