// The log a job script writes beside itself. Every line is written by opening the log to
// append, writing the line and a line feed and closing it again, so the log is complete
// however the run ends. An echo call-back, when set, sees every line first.
// Depends on nothing but the C library and platform/.
#pragma once

#include <cstdint>
#include <string>

namespace script {

// (data, 1, line): the front end shows the running log.
using EchoFn = void (*)(uintptr_t data, int32_t kind, const char* line);

class ScriptLog {
 public:
  // The log of `scriptName`: its extension replaced by "log" (added when it has none).
  static std::string nameFor(const std::string& scriptName);

  // Deletes an old log of that name and starts writing to it.
  void start(const std::string& logName);
  void setEcho(EchoFn fn, uintptr_t data) {
    echo_ = fn;
    echoData_ = data;
  }

  // Writes one line. A text that begins with "$" is written from its ninth character on.
  // False when the log could not be written (the run goes on).
  bool line(const std::string& text);
  // printf-style: the format and its arguments, at most 4096 bytes.
  bool linef(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // "::::  HH:MM:SS:  text": the Begin and Done lines when timing is on.
  bool timed(const std::string& text);

  const std::string& name() const { return name_; }

  // The current local date and time, "YYYY-MM-DD HH:MM:SS".
  static std::string now();

 private:
  std::string name_;
  EchoFn echo_ = nullptr;
  uintptr_t echoData_ = 0;
};

}  // namespace script
