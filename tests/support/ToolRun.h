// Runs the built lxr tool as a user would and collects what it prints.
#pragma once

#include <string>

namespace testsupport {

struct ToolRun {
  int status = -1;     // the exit status; -1 when it did not exit normally
  std::string output;  // standard output and standard error together
};

// Runs `lxr --dir PRIVATE_DIR ARGS` (ARGS as a shell would split them). With `limitSeconds`,
// a run still going after that long is killed (status 137).
ToolRun runLxr(const std::string& privateDir, const std::string& args, int limitSeconds = 0);

}  // namespace testsupport
