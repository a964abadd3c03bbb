// A property set: a 28-byte header (byte order FFFE, version, system, class id, section
// count), then (format id, offset) per section. A section: its size, its property count, then
// (property id, offset) pairs; each value starts with its 32-bit type. The title is property 2,
// the author 4, the code page of 8-bit strings 1.
#include "import/SummaryInfo.h"

#include <cstdint>

#include "import/UnicodeText.h"

namespace summaryinfo {

namespace {

constexpr uint32_t kCodePage = 1, kTitle = 2, kAuthor = 4;
constexpr uint32_t kTypeI2 = 2, kTypeString8 = 30, kTypeString16 = 31;
constexpr size_t kMaxProperties = 4096;

uint32_t u32(std::string_view b, size_t at) {
  if (at > b.size() || b.size() - at < 4) return 0;
  auto c = [&](size_t i) { return static_cast<uint32_t>(static_cast<uint8_t>(b[at + i])); };
  return c(0) | c(1) << 8 | c(2) << 16 | c(3) << 24;
}

// A string value as one line of UTF-8: up to its first NUL, control characters as blanks,
// trimmed.
std::string oneLine(std::string_view section, size_t at, uint32_t type, uint32_t codePage) {
  uint32_t count = u32(section, at + 4);
  size_t start = at + 8;
  if (start > section.size()) return {};
  std::string text;
  if (type == kTypeString16 || (type == kTypeString8 && codePage == 1200)) {
    size_t units = type == kTypeString16 ? count : count / 2;
    units = std::min<size_t>(units, (section.size() - start) / 2);
    for (size_t i = 0; i < units; ++i) {
      uint32_t c = static_cast<uint8_t>(section[start + 2 * i]) |
                   static_cast<uint32_t>(static_cast<uint8_t>(section[start + 2 * i + 1])) << 8;
      if (c == 0) break;
      if (c >= 0xD800 && c <= 0xDFFF) c = unicodetext::kReplacement;
      unicodetext::append(&text, c < 32 ? ' ' : c);
    }
  } else {
    std::string_view raw = section.substr(start, std::min<size_t>(count, section.size() - start));
    raw = raw.substr(0, raw.find('\0'));
    text = codePage == 65001 ? unicodetext::sanitized(raw) : unicodetext::fromWindows1252(raw, true);
    for (char& c : text)
      if (static_cast<unsigned char>(c) < 32) c = ' ';
  }
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

Properties read(std::string_view stream) {
  Properties p;
  if (stream.size() < 48 || static_cast<uint8_t>(stream[0]) != 0xFE || static_cast<uint8_t>(stream[1]) != 0xFF)
    return p;
  if (u32(stream, 24) == 0) return p;
  size_t offset = u32(stream, 44);
  if (offset >= stream.size()) return p;
  std::string_view section = stream.substr(offset);
  section = section.substr(0, std::min<size_t>(section.size(), u32(section, 0)));
  size_t count = std::min<size_t>(u32(section, 4), kMaxProperties);
  uint32_t codePage = 1252;
  size_t titleAt = 0, authorAt = 0;
  for (size_t i = 0; i < count && 8 + 8 * i + 8 <= section.size(); ++i) {
    uint32_t id = u32(section, 8 + 8 * i);
    size_t at = u32(section, 12 + 8 * i);
    if (at < 8 || at >= section.size()) continue;
    if (id == kCodePage && u32(section, at) == kTypeI2)
      codePage = static_cast<uint16_t>(u32(section, at + 4) & 0xFFFF);
    else if (id == kTitle)
      titleAt = at;
    else if (id == kAuthor)
      authorAt = at;
  }
  auto value = [&](size_t at) -> std::string {
    uint32_t type = u32(section, at);
    if (at == 0 || (type != kTypeString8 && type != kTypeString16)) return {};
    return oneLine(section, at, type, codePage);
  };
  p.title = value(titleAt);
  p.author = value(authorAt);
  return p;
}

}  // namespace summaryinfo
