// Writing a job script's log.
#include "api/ScriptLog.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "platform/Platform.h"

namespace script {

std::string ScriptLog::nameFor(const std::string& scriptName) {
  size_t slash = scriptName.rfind('/');
  size_t dot = scriptName.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return scriptName + ".log";
  return scriptName.substr(0, dot) + ".log";
}

void ScriptLog::start(const std::string& logName) {
  name_ = logName;
  platform::removeFile(name_.c_str());
}

bool ScriptLog::line(const std::string& text) {
  const char* shown = text.c_str();
  if (!text.empty() && text[0] == '$') shown = text.size() > 8 ? text.c_str() + 8 : "";
  if (echo_) echo_(echoData_, 1, shown);
  if (name_.empty()) return false;
  std::FILE* f = platform::openStream(name_.c_str(), "ab");
  if (!f) return false;
  bool ok = std::fputs(shown, f) >= 0 && std::fputc('\n', f) != EOF;
  return std::fclose(f) == 0 && ok;
}

bool ScriptLog::linef(const char* format, ...) {
  char buffer[4096];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return line(buffer);
}

bool ScriptLog::timed(const std::string& text) {
  std::string stamp = now();
  return linef("::::  %s:  %s", stamp.substr(11).c_str(), text.c_str());
}

std::string ScriptLog::now() {
  std::tm tm{};
  platform::localTime(platform::now(), &tm);
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

}  // namespace script
