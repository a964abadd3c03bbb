// The accumulated error text of the engine interface.
#include "api/ErrorReporter.h"

#include <cstring>

#include "objects/Trace.h"

namespace apierror {

namespace {
constexpr size_t kTextBytes = 16384;
char gText[kTextBytes];  // always NUL-terminated
size_t gLength = 0;
Listener& listener() {
  static Listener* l = new Listener;
  return *l;
}

void appendLine(const std::string& line) {
  std::string add = line.substr(0, kTextBytes / 2) + "\n";
  while (gLength + add.size() >= kTextBytes) {
    // Drop the oldest line.
    char* nl = static_cast<char*>(std::memchr(gText, '\n', gLength));
    size_t drop = nl ? static_cast<size_t>(nl - gText) + 1 : gLength;
    std::memmove(gText, gText + drop, gLength - drop);
    gLength -= drop;
  }
  std::memcpy(gText + gLength, add.data(), add.size());
  gLength += add.size();
  gText[gLength] = '\0';
}
}  // namespace

int report(const std::string& message, const std::string& detail1, const std::string& detail2) {
  std::string line = message;
  if (!detail1.empty()) line += " " + detail1;
  if (!detail2.empty()) line += " " + detail2;
  appendLine(line);
  trace::text(line);
  if (listener()) listener()(line);
  return -1;
}

static Status::Kind& lastKind() {
  static Status::Kind kind = Status::Kind::kOk;
  return kind;
}

int report(const Status& status) {
  if (!status.isOk()) lastKind() = status.kind();
  return report(status.message());
}

Status::Kind takeKind() {
  Status::Kind kind = lastKind();
  lastKind() = Status::Kind::kOk;
  return kind;
}

Listener setListener(Listener l) {
  Listener old = std::move(listener());
  listener() = std::move(l);
  return old;
}

const char* accumulatedText() { return gText; }

void clear() {
  gLength = 0;
  gText[0] = '\0';
}

}  // namespace apierror
