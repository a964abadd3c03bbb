// The consistency-check reporter.
#include "objects/Check.h"

#include <cstdlib>
#include <cstring>

#include "objects/ErrorLog.h"
#include "objects/Trace.h"

namespace check {

namespace {
TerminateHook gTerminateHook = nullptr;
TerminateQuestion& terminateQuestion() {
  static TerminateQuestion* ask = new TerminateQuestion;
  return *ask;
}
int gFailureCount = 0;
std::string& lastMessage() {
  static std::string* s = new std::string;
  return *s;
}
}  // namespace

std::string sourceName(const char* file) {
  std::string f = file ? file : "?";
  size_t dot = f.rfind('.');
  size_t slash = f.rfind('/');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) f.resize(dot);
  slash = f.rfind('/');
  if (slash == std::string::npos || slash == 0) return f;
  size_t folder = f.rfind('/', slash - 1);
  return folder == std::string::npos ? f : f.substr(folder + 1);
}

void failed(const char* file, int line, const char* condition) {
  ++gFailureCount;
  std::string message = "ERROR -- ASSERTION FAILED in " + sourceName(file) + ", line " +
                        std::to_string(line) + ": " + (condition ? condition : "");
  lastMessage() = message;
  // Snapshot the state before our own line lands in it.
  std::vector<std::string> state = trace::recentLines();
  trace::text(message);  // also appends the message to the error log
  errorlog::append("Debug State Stack: ");
  for (const std::string& s : state) errorlog::append(s);
  errorlog::append("End of Debug State Stack");
  std::string question = message + "\n\nTerminate the program?";
  const TerminateQuestion& ask = terminateQuestion();
  if (ask && ask(question)) {
    trace::text("Terminating after a failed consistency check");
    if (gTerminateHook) {
      gTerminateHook();
      return;
    }
    std::abort();
  }
}

void setTerminateHook(TerminateHook hook) { gTerminateHook = hook; }
void setTerminateQuestion(TerminateQuestion ask) { terminateQuestion() = std::move(ask); }
const std::string& lastFailure() { return lastMessage(); }
int failureCount() { return gFailureCount; }

}  // namespace check
