// lxr watch and lxr status: keeping indexes current while the watcher runs, and what an
// index's watcher and last update say. The watcher runs at idle priority, pauses on SIGUSR1
// and resumes on SIGUSR2, and ends after the update in progress on SIGTERM or Ctrl-C (a
// second one stops that update too, keeping the documents finished).
#pragma once

#include <string>
#include <vector>

namespace watchcommands {

// Returned for arguments that fit no form of the command: the caller prints its usage.
constexpr int kBadArguments = -1;

// True when `command` is one of these commands.
bool handles(const std::string& command);
// True for a command that runs for long and so must leave the private folder free for other
// Lexaurum processes (it works in a copy of the settings).
bool leavesPrivateFolder(const std::string& command);

// `args` begin with the command. The exit code (tools/ExitCodes.h; 130 after Ctrl-C), or
// kBadArguments. `privateDir` is the folder the engine runs in; the watcher's work files go
// there.
int run(const std::vector<std::string>& args, const std::string& privateDir);

}  // namespace watchcommands
