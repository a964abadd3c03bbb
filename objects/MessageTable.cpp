// The numbered message table and its file reader.
#include "objects/MessageTable.h"

#include "objects/Trace.h"
#include "platform/Platform.h"

namespace {

const char kTitle[] = "Lexaurum Message File";
constexpr int kMaxNumber = 99999;
constexpr size_t kMaxTextBytes = 1024;
constexpr size_t kMaxFileBytes = 1u << 20;

const std::string& notFound() {
  static const std::string* s = new std::string("Message text not found");
  return *s;
}

// Turns the escapes \n, \t and \\ into their characters; any other backslash stays.
std::string unescape(const char* p, const char* end) {
  std::string out;
  while (p < end && out.size() < kMaxTextBytes) {
    if (*p == '\\' && p + 1 < end) {
      char c = p[1];
      if (c == 'n' || c == 't' || c == '\\') {
        out += c == 'n' ? '\n' : c == 't' ? '\t' : '\\';
        p += 2;
        continue;
      }
    }
    out += *p++;
  }
  return out;
}

}  // namespace

int MessageTable::parse(const char* data, size_t size, std::string* error) {
  const char* p = data;
  const char* end = data + size;
  std::map<int, std::string> texts;
  bool first = true;
  while (p < end) {
    const char* eol = p;
    while (eol < end && *eol != '\n') ++eol;
    const char* lineEnd = eol;
    if (lineEnd > p && lineEnd[-1] == '\r') --lineEnd;
    if (first) {
      size_t n = static_cast<size_t>(lineEnd - p);
      if (n != sizeof kTitle - 1 || std::string(p, n) != kTitle) {
        if (error) *error = "not a message file (first line is not \"" + std::string(kTitle) + "\")";
        return -1;
      }
      first = false;
    } else if (p < lineEnd && *p >= '0' && *p <= '9') {
      long number = 0;
      const char* q = p;
      while (q < lineEnd && *q >= '0' && *q <= '9' && number <= kMaxNumber)
        number = number * 10 + (*q++ - '0');
      bool separated = q < lineEnd && (*q == ' ' || *q == '\t');
      if (number <= kMaxNumber && separated) {
        while (q < lineEnd && (*q == ' ' || *q == '\t')) ++q;
        texts.emplace(static_cast<int>(number), unescape(q, lineEnd));  // the first one wins
      }
    }
    // Blank lines, comments (";") and lines without a number are passed over.
    p = eol < end ? eol + 1 : end;
  }
  if (first) {
    if (error) *error = "the message file is empty";
    return -1;
  }
  texts_ = std::move(texts);
  return 0;
}

int MessageTable::load(const std::string& path, std::string* error) {
  platform::OpenRequest req;
  req.read = true;
  req.shareRead = true;
  req.shareWrite = true;
  platform::FileHandle h = platform::openFile(path.c_str(), req);
  if (h == platform::kInvalidHandle) {
    if (error) *error = "cannot open " + path + ": " + platform::errorText(platform::lastError());
    return -1;
  }
  int64_t length = platform::fileLength(h);
  if (length < 0 || static_cast<size_t>(length) > kMaxFileBytes) {
    platform::closeFile(h);
    if (error) *error = path + " is not a message file (too large)";
    return -1;
  }
  std::string data(static_cast<size_t>(length), '\0');
  int64_t n = length ? platform::readAt(h, data.data(), length, 0) : 0;
  platform::closeFile(h);
  if (n != length) {
    if (error) *error = "cannot read " + path;
    return -1;
  }
  std::string why;
  if (parse(data.data(), data.size(), &why) < 0) {
    if (error) *error = path + ": " + why;
    return -1;
  }
  return 0;
}

const std::string& MessageTable::text(int number) const {
  auto it = texts_.find(number);
  return it == texts_.end() ? notFound() : it->second;
}

std::string MessageTable::format(int number, std::initializer_list<std::string> args) const {
  const std::string& t = text(number);
  std::string out;
  auto next = args.begin();
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '%' && i + 1 < t.size()) {
      char c = t[i + 1];
      if (c == '%') {
        out += '%';
        ++i;
        continue;
      }
      if (c == 's' || c == 'd') {
        if (next != args.end()) out += *next++;
        ++i;
        continue;
      }
    }
    out += t[i];
  }
  return out;
}

namespace messages {

namespace {
const MessageTable* gTable = nullptr;
}

void setTable(const MessageTable* table) { gTable = table; }
const MessageTable* table() { return gTable; }

std::string text(int number, std::initializer_list<std::string> args) {
  if (gTable) return gTable->format(number, args);
  std::string out = "Message " + std::to_string(number);
  for (const std::string& a : args) out += " " + a;
  return out;
}

const char* displayText(const char* text) {
  if (!text) return "";
  if (text[0] != '$') return text;
  // Skip the 8-character tag, but never past the end of a short text.
  for (int i = 0; i < 8; ++i)
    if (text[i] == '\0') return text + i;
  return text + 8;
}

}  // namespace messages
