// The trace function: one line at a time to the registered sink, the debug log and, for
// lines that begin with "ERROR", the error log.
#include "objects/Trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>

#include "objects/ErrorLog.h"
#include "platform/Platform.h"

namespace trace {

namespace {

constexpr size_t kMaxLineBytes = 4000;
constexpr size_t kRecentLineCount = 32;

struct TraceState {
  std::mutex mutex;
  Sink sink = nullptr;
  void* sinkData = nullptr;
  FILE* log = nullptr;
  std::string logName;
  std::deque<std::string> recent;
};

TraceState& state() {
  static TraceState* s = new TraceState;  // lives to the end of the process
  return *s;
}

}  // namespace

void setSink(Sink sink, void* data) {
  TraceState& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.sink = sink;
  s.sinkData = data;
}

int startLog(const std::string& fileName) {
  TraceState& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  FILE* f = std::fopen(fileName.c_str(), "ae");
  if (!f) {
    platform::setLastError(platform::errorFromErrno(errno));
    return -1;
  }
  if (s.log) std::fclose(s.log);
  s.log = f;
  s.logName = fileName;
  return 0;
}

void stopLog() {
  TraceState& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.log) std::fclose(s.log);
  s.log = nullptr;
  s.logName.clear();
}

bool isLogging() {
  TraceState& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.log != nullptr;
}

const std::string& logName() { return state().logName; }

void startFromEnvironment(const std::string& defaultName) {
  if (platform::getEnv("DBGLXR") && !isLogging()) startLog(defaultName);
}

void text(const std::string& line) {
  std::string cut = line.size() > kMaxLineBytes ? line.substr(0, kMaxLineBytes) : line;
  Sink sink;
  void* sinkData;
  {
    TraceState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.recent.push_back(cut);
    if (s.recent.size() > kRecentLineCount) s.recent.pop_front();
    if (s.log) {
      std::fputs(cut.c_str(), s.log);
      std::fputc('\n', s.log);
      std::fflush(s.log);
    }
    sink = s.sink;
    sinkData = s.sinkData;
  }
  if (sink) sink(sinkData, cut.c_str());
  if (cut.compare(0, 5, "ERROR") == 0) errorlog::append(cut);
}

void line(const char* format, ...) {
  char buffer[kMaxLineBytes + 1];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  text(buffer);
}

std::vector<std::string> recentLines() {
  TraceState& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return {s.recent.begin(), s.recent.end()};
}

}  // namespace trace
