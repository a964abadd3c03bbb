// The table file: building the text, writing it in file form, reading it back and looking
// values up. Every lookup is bounded by the selected record (or the whole text), so damaged
// input can at worst give "absent".
#include "io/TableFile.h"

#include <cstring>

#include "io/WholeFile.h"
#include "objects/Fail.h"

namespace {

constexpr size_t npos = std::string::npos;
constexpr char kHexDigits[] = "0123456789abcdef";

bool isBlankOrTab(char c) { return c == ' ' || c == '\t'; }
bool isWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Appends one read line to the text: without its carriage return, cut, NUL bytes as blanks.
void appendLine(std::string* text, const char* begin, size_t length) {
  if (length > 0 && begin[length - 1] == '\r') --length;
  if (length > TableFile::kMaxLineBytes) length = TableFile::kMaxLineBytes;
  size_t start = text->size();
  text->append(begin, length);
  for (size_t i = start; i < text->size(); ++i)
    if ((*text)[i] == '\0') (*text)[i] = ' ';
  text->push_back('\n');
}

}  // namespace

TableFile::TableFile(const std::string& title)
    : title_(title.substr(0, kMaxTitleBytes)), text_("\n"), recordPos_(npos), recordEnd_(npos) {
  text_.reserve(kInitialTextBytes);
}

// ---- Writing -------------------------------------------------------------------------------

void TableFile::selectRecordForWriting(int recordNum) {
  text_ += "\n[";
  text_ += std::to_string(recordNum);
  text_ += "]\n";
}

void TableFile::putInt(const char* name, int32_t value) {
  text_ += name;
  text_ += " = ";
  text_ += std::to_string(value);
  text_ += '\n';
}

void TableFile::putString(const char* name, const std::string& text) {
  text_ += name;
  if (text.empty()) {
    text_ += " =   \n";
    return;
  }
  text_ += " = ";
  size_t start = text_.size();
  text_ += text;
  for (size_t i = start; i < text_.size(); ++i) {
    char& c = text_[i];
    if (c == '\n' || c == '\r' || c == '\0') c = ' ';
  }
  text_ += '\n';
}

void TableFile::putYesNo(const char* name, bool flag) {
  text_ += name;
  text_ += flag ? " = Yes\n" : " = No\n";
}

void TableFile::putNoYes(const char* name, bool flag) { putYesNo(name, !flag); }

void TableFile::putBytes(const char* name, const void* bytes, size_t count) {
  const unsigned char* p = static_cast<const unsigned char*>(bytes);
  text_ += name;
  text_ += " = (";
  for (size_t i = 0; i < count; ++i) {
    text_ += kHexDigits[p[i] >> 4];
    text_ += kHexDigits[p[i] & 0x0f];
    if ((i + 1) % kBlockBytesPerLine == 0) text_ += '\n';
  }
  text_ += " )\n";
}

std::string TableFile::toFileText() const {
  std::string out;
  out.reserve(title_.size() + text_.size() + text_.size() / 8 + 2);
  out += title_;
  out += "\r\n";
  size_t pos = 0;
  while (pos < text_.size()) {
    size_t end = text_.find('\n', pos);
    if (end == npos) end = text_.size();
    if (end > pos) {
      out.append(text_, pos, end - pos);
      out += "\r\n";
    }
    pos = end + 1;
  }
  return out;
}

int TableFile::write(const std::string& path) const {
  if (wholefile::write(path, toFileText()) < 0) return LXR_FAIL("TableFile::write -- cannot write");
  return 0;
}

// ---- Reading -------------------------------------------------------------------------------

int TableFile::parse(const char* data, size_t size) {
  text_.assign("\n");
  clearSelection();
  if (size == 0) return LXR_FAIL("TableFile::parse -- empty file");
  const char* end = data + size;
  const char* nl = static_cast<const char*>(std::memchr(data, '\n', size));
  const char* lineEnd = nl ? nl : end;
  size_t length = static_cast<size_t>(lineEnd - data);
  if (length > 0 && data[length - 1] == '\r') --length;
  if (length < title_.size() || std::memcmp(data, title_.data(), title_.size()) != 0)
    return LXR_FAIL("TableFile::parse -- title differs");

  const char* p = nl ? nl + 1 : end;
  while (p < end) {
    nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    lineEnd = nl ? nl : end;
    appendLine(&text_, p, static_cast<size_t>(lineEnd - p));
    p = nl ? nl + 1 : end;
  }
  return 0;
}

int TableFile::read(const std::string& path) {
  std::string data;
  if (wholefile::read(path, &data, kMaxFileBytes) < 0) {
    text_.assign("\n");
    clearSelection();
    return LXR_FAIL("TableFile::read -- cannot read the file");
  }
  return parse(data.data(), data.size());
}

int TableFile::selectRecord(int recordNum) {
  std::string key = "\n[" + std::to_string(recordNum) + "]";
  size_t pos = text_.find(key);
  if (pos == npos) {
    clearSelection();
    return -1;
  }
  recordPos_ = pos;
  recordEnd_ = text_.find("\n[", pos + 1);
  if (recordEnd_ == npos) recordEnd_ = text_.size();
  return 0;
}

void TableFile::clearSelection() {
  recordPos_ = npos;
  recordEnd_ = npos;
}

size_t TableFile::scopeEnd() const { return recordPos_ == npos ? text_.size() : recordEnd_; }

size_t TableFile::findValue(const char* name) const {
  if (name == nullptr || *name == '\0') return npos;
  std::string key = "\n";
  key.append(name, strnlen(name, kMaxNameBytes));
  const size_t end = scopeEnd();
  size_t pos = recordPos_ == npos ? 0 : recordPos_;
  // A matching line without "=" (the hex lines of a byte block, a stray word) is not a
  // value line; the search goes on with the next match rather than borrowing the "=" of a
  // later line.
  for (;;) {
    pos = text_.find(key, pos);
    if (pos == npos || pos + key.size() > end) return npos;
    size_t lineEnd = text_.find('\n', pos + 1);
    if (lineEnd == npos || lineEnd > end) lineEnd = end;
    size_t from = pos + key.size();
    const void* eq = from < lineEnd ? std::memchr(text_.data() + from, '=', lineEnd - from) : nullptr;
    if (eq != nullptr) {
      size_t v = static_cast<size_t>(static_cast<const char*>(eq) - text_.data()) + 1;
      while (v < lineEnd && isBlankOrTab(text_[v])) ++v;
      return v;
    }
    pos = lineEnd;
  }
}

std::string_view TableFile::valueLine(size_t valuePos) const {
  const size_t end = scopeEnd();
  size_t lineEnd = text_.find('\n', valuePos);
  if (lineEnd == npos || lineEnd > end) lineEnd = end;
  return std::string_view(text_).substr(valuePos, lineEnd - valuePos);
}

int TableFile::getString(const char* name, std::string* out, size_t maxBytes) const {
  size_t v = findValue(name);
  if (v == npos) return -1;
  std::string_view line = valueLine(v).substr(0, maxBytes);
  while (!line.empty() && isWhite(line.back())) line.remove_suffix(1);
  out->assign(line);
  return 0;
}

int TableFile::getString(const char* name, char* buffer, size_t size) const {
  if (size == 0) return LXR_FAIL("TableFile::getString -- no room");
  std::string value;
  if (getString(name, &value, size - 1) < 0) return -1;
  std::memcpy(buffer, value.data(), value.size());
  buffer[value.size()] = '\0';
  return 0;
}

int TableFile::getInt32(const char* name, int32_t* out) const {
  size_t v = findValue(name);
  if (v == npos) return -1;
  std::string_view line = valueLine(v);
  size_t i = 0;
  bool negative = false;
  if (i < line.size() && (line[i] == '-' || line[i] == '+')) negative = line[i++] == '-';
  // Up to kMaxIntegerChars characters every value reads as the plain rule gives; longer
  // numbers are read whole, so a 10-digit value written by putInt comes back unchanged
  // instead of losing its last digits.
  int64_t value = 0;
  size_t digitCount = 0;
  while (i < line.size() && line[i] >= '0' && line[i] <= '9') {
    value = value * 10 + (line[i++] - '0');
    if (value > int64_t{INT32_MAX} + 1) return -1;
    ++digitCount;
  }
  if (digitCount == 0) return -1;
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return -1;
  *out = static_cast<int32_t>(value);
  return 0;
}

int TableFile::getInt16(const char* name, int16_t* out) const {
  int32_t value;
  if (getInt32(name, &value) < 0) return -1;
  if (value < INT16_MIN || value > INT16_MAX) return -1;
  *out = static_cast<int16_t>(value);
  return 0;
}

int TableFile::getChar(const char* name, char* out) const {
  size_t v = findValue(name);
  if (v == npos) return -1;
  std::string_view line = valueLine(v);
  if (line.empty()) return -1;
  *out = line[0];
  return 0;
}

int TableFile::getYesNo(const char* name, bool* out) const {
  size_t v = findValue(name);
  if (v == npos) return -1;
  std::string_view line = valueLine(v);
  *out = !line.empty() && (line[0] == 'Y' || line[0] == 'y');
  return 0;
}

int TableFile::getNoYes(const char* name, bool* out) const {
  bool flag;
  if (getYesNo(name, &flag) < 0) return -1;
  *out = !flag;
  return 0;
}

int TableFile::getBytes(const char* name, void* buffer, size_t count, size_t* readCount) const {
  size_t p = findValue(name);
  if (p == npos) return -1;
  const size_t end = scopeEnd();
  while (p < end && (isWhite(text_[p]) || text_[p] == '(')) ++p;
  std::string bytes;
  while (bytes.size() < count) {
    while (p < end && isWhite(text_[p])) ++p;
    if (p >= end || text_[p] == ')') break;
    int high = hexValue(text_[p]);
    int low = p + 1 < end ? hexValue(text_[p + 1]) : -1;
    if (high < 0 || low < 0) return LXR_FAIL("TableFile::getBytes -- damaged byte block");
    bytes.push_back(static_cast<char>(high << 4 | low));
    p += 2;
  }
  if (!bytes.empty()) std::memcpy(buffer, bytes.data(), bytes.size());
  if (readCount) *readCount = bytes.size();
  return 0;
}
