// The trace function every component writes its short progress lines through, and the debug
// log file it appends them to while tracing is on. Lines that begin with "ERROR" also go to
// the error log. Depends only on platform/.
#pragma once

#include <string>
#include <vector>

namespace trace {

// A registered listener sees every trace line, whether or not the debug log is on.
using Sink = void (*)(void* data, const char* line);
void setSink(Sink sink, void* data);

// Starts tracing into `fileName` (appending); replaces a log already running. 0 or -1.
int startLog(const std::string& fileName);
// Stops tracing into the debug log (the sink, if any, still sees lines).
void stopLog();
bool isLogging();
const std::string& logName();
// Turns tracing on when the environment variable DBGLXR exists, into `defaultName`.
void startFromEnvironment(const std::string& defaultName);

// Writes one line (printf-style). The text is cut at 4000 bytes.
void line(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Writes `text` as it stands (no formatting).
void text(const std::string& text);

// The most recent trace lines, oldest first (the state shown when a check fails).
std::vector<std::string> recentLines();

}  // namespace trace
