// lxr create / add / update / remove / compress / info / words / files: index jobs and index listings
// through the engine interface only. Jobs show a progress bar when standard error is a
// terminal and are quiet otherwise; Ctrl-C asks the job to stop and keep what it has done,
// a second Ctrl-C stops it at once.
#pragma once

#include <string>
#include <vector>

namespace indexcommands {

// True when `command` is one of these commands.
bool handles(const std::string& command);

// `args` begin with the command. Returns the tool's exit code: 0 done, 1 failed or stopped,
// 2 bad arguments. `privateDir` holds the tool's temporary files.
int run(const std::vector<std::string>& args, const std::string& privateDir);

}  // namespace indexcommands
