// lxr run: a job script.
#include "tools/RunCommand.h"

#include <signal.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "lexaurum/lexaurum.h"
#include "tools/ExitCodes.h"
#include "tools/FailureKind.h"
#include "tools/ToolSupport.h"

namespace runcommand {

namespace {

constexpr int kInterrupted = 130;  // as a shell reports a command stopped by Ctrl-C

volatile int32_t gCancel = 0;

void onInterrupt(int) { gCancel = gCancel == 0 ? LXR_CANCEL_SAVE : LXR_CANCEL_IMMEDIATE; }

// The log lines of a run: echoed with --verbose, and the few before the first failed
// command kept, since they hold the engine's message that says what kind of failure it was.
struct Echo {
  bool verbose = false;
  std::deque<std::string> recent;
  std::vector<std::string> firstFailure;
};

void echoLine(uintptr_t data, int32_t, const char* line) {
  Echo& echo = *reinterpret_cast<Echo*>(data);
  if (echo.verbose) std::printf("%s\n", line);
  if (!echo.firstFailure.empty()) return;
  if (std::strcmp(line, "*** Error executing command ***") == 0) {
    echo.firstFailure.assign(echo.recent.begin(), echo.recent.end());
    echo.firstFailure.push_back(line);
    return;
  }
  echo.recent.push_back(line);
  if (echo.recent.size() > 16) echo.recent.pop_front();
}

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
  Echo echo;
  echo.verbose = verbose;
  lxrsRunScriptEcho(script.c_str(), echoLine, reinterpret_cast<uintptr_t>(&echo), &gCancel, &result);
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
    // The exit status of the first failed command's engine message, as for the command run
    // by itself; a command that failed without one failed a check of the script's own (a
    // Test command), or the script could not be read.
    if (gCancel != 0) return kInterrupted;
    std::vector<std::string>& lines = echo.firstFailure;
    bool missing = false, engineSaid = false;
    for (const std::string& l : lines) {
      missing = missing || l.find("No such file or directory") != std::string::npos ||
                l.find("is not a Lexaurum job script") != std::string::npos;
      engineSaid = engineSaid || l.rfind("The index ", 0) == 0 || l.rfind("The update ", 0) == 0 ||
                   l.rfind("The compression ", 0) == 0 || l.find("damaged") != std::string::npos;
    }
    if (missing) return exitcodes::kUsage;
    return engineSaid ? failurekind::exitFor(lines, "") : exitcodes::kNothing;
  }
  return 0;
}

}  // namespace runcommand
