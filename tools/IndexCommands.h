// lxr create / add / update / remove / compress / verify / info / words / files / failed:
// index jobs and index listings through the engine interface. A job shows one progress bar
// when standard error is a terminal and ends with a summary line; Ctrl-C asks it to stop and
// keep what it has done, a second Ctrl-C stops it at once.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace indexcommands {

// Returned for arguments that fit no form of the command: the caller prints its usage.
constexpr int kBadArguments = -1;

// Parses `pattern` as a request: 0 with the explanation in *out, else non-zero with the
// parser's message (the request echo) in *out.
using PatternCheck = std::function<int(const std::string& pattern, std::string* out)>;

// True when `command` is one of these commands.
bool handles(const std::string& command);

// `args` begin with the command. The exit code (tools/ExitCodes.h; 130 after Ctrl-C), or
// kBadArguments. `privateDir` holds the tool's temporary files.
int run(const std::vector<std::string>& args, const std::string& privateDir, const PatternCheck& explain);

}  // namespace indexcommands
