// lxr run: a job script.
#include "tools/RunCommand.h"

#include <signal.h>

#include <cstdio>

#include "lexaurum/lexaurum.h"
#include "tools/ToolSupport.h"

namespace runcommand {

namespace {

volatile int32_t gCancel = 0;

void onInterrupt(int) { gCancel = gCancel == 0 ? LXR_CANCEL_SAVE : LXR_CANCEL_IMMEDIATE; }

void echoLine(uintptr_t, int32_t, const char* line) { std::printf("%s\n", line); }

}  // namespace

int run(const std::vector<std::string>& args) {
  std::string script;
  bool verbose = false;
  for (const std::string& a : args) {
    if (a == "--verbose" || a == "-v")
      verbose = true;
    else if (script.empty() && !a.empty() && a[0] != '-')
      script = a;
    else
      return kBadArguments;
  }
  if (script.empty()) return kBadArguments;
  script = toolsupport::absolute(script);
  if (int rc = toolsupport::checkExists(script, false); rc != 0) return rc;

  struct sigaction action {}, previous {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  gCancel = 0;
  sigaction(SIGINT, &action, &previous);
  int16_t result = 0;
  lxrsRunScriptEcho(script.c_str(), verbose ? echoLine : nullptr, 0, &gCancel, &result);
  sigaction(SIGINT, &previous, nullptr);
  std::fflush(stdout);
  if (result < 0) {
    std::string log = script;
    size_t slash = log.rfind('/'), dot = log.rfind('.');
    log = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
              ? log.substr(0, dot) + ".log"
              : log + ".log";
    std::fprintf(stderr, "lxr: the script %s failed; see its log %s\n", script.c_str(),
                 log.c_str());
    return 1;
  }
  return 0;
}

}  // namespace runcommand
