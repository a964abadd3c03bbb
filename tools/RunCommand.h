// lxr run SCRIPT [--verbose]: runs a job script through the engine interface. The script's
// log is written beside it; with --verbose each log line is also printed. Ctrl-C asks the
// running job to stop and keep its work (the script then ends); a second Ctrl-C stops it at
// once.
#pragma once

#include <string>
#include <vector>

namespace runcommand {

// Returned for arguments that fit no form: the caller prints the usage.
constexpr int kBadArguments = -1;

// `args` follow the command word. 0 when every command of the script succeeded, 1 when
// one failed or the script could not be run, 2 when the script does not exist; or
// kBadArguments.
int run(const std::vector<std::string>& args);

}  // namespace runcommand
