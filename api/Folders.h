// Where the engine's folders are: the private folder (settings, library, logs, results) and
// the home folder (shipped configuration files). Shared by the entry operations and the lxr
// tool, so both resolve the same folder from the same inputs.
#pragma once

#include <string>

namespace folders {

// The private folder: `given` when not empty, else $LXRDIR, else $XDG_DATA_HOME/lexaurum,
// else ~/.local/share/lexaurum; made absolute, without a trailing "/".
std::string choosePrivateDir(const std::string& given);

// The home folder: `given` when not empty, else the first of these that holds the message
// file: the executable's folder (a build tree), ../share/lexaurum beside it (an installed
// program), and share/lexaurum above the engine library's folder (a program of its own
// linking the installed liblexaurum.so); else the executable's folder.
std::string chooseHomeDir(const std::string& given);

// The extraction helper program: `given` when not empty, else $LXR_EXTRACT_HELPER, else the
// first lxr-extract found beside the executable, in ../libexec/lexaurum (installed) or in
// ../tools (the build tree, for the desktop program); "" when there is none.
std::string findExtractionHelper(const std::string& given);

// The extractor module (import/ExtractorModule.h) for parsing in the engine's own process:
// $LXR_EXTRACTOR_MODULE when set, else the first found beside `helper` (when not empty),
// beside the executable, in ../libexec/lexaurum or in ../tools; "" when there is none.
std::string findExtractorModule(const std::string& helper);

}  // namespace folders
