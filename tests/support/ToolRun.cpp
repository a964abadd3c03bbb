// Running the lxr tool from tests.
#include "tests/support/ToolRun.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>

#include "tests/support/TempDir.h"

namespace testsupport {

ToolRun runLxr(const std::string& privateDir, const std::string& args, int limitSeconds) {
  std::string limit = limitSeconds > 0 ? "timeout -s KILL " + std::to_string(limitSeconds) + " " : "";
  std::string cmd = limit + binaryPath("tools/lxr") + " --dir '" + privateDir + "' " + args + " 2>&1";
  ToolRun r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  std::array<char, 512> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.output.append(buf.data(), n);
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

}  // namespace testsupport
