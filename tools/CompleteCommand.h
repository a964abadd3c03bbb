// lxr complete: the words a shell's completion offers, asked of the tool itself so that the
// completion scripts in data/completion never fall behind the commands. Not in the usage:
// it is for the scripts, not for people. Reads the index library without starting the
// engine, so a completion never takes the private folder's lock nor makes the folder.
#pragma once

#include <string>
#include <vector>

namespace completecommand {

constexpr int kBadArguments = -2;

// `args` follow "complete":
//   commands          every command, one a line
//   options COMMAND   the global options, then COMMAND's, one a line: the flag and, when it
//                     takes one, its value's placeholder ("--index INDEX")
//   indexes           the names in the index library of `privateDir`, one a line
// The exit code, or kBadArguments.
int run(const std::vector<std::string>& args, const std::string& privateDir);

}  // namespace completecommand
