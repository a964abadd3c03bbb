// Test helpers for the WordPerfect importers: the real sample documents and their
// reference texts, words compared without regard to white space, and WordPerfect 5 files
// built by hand from the format's layout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace wptest {

namespace detail {

inline bool isWordCodePoint(uint32_t c) {
  if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  if (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7) return true;
  return c == 0x152 || c == 0x153 || c == 0x160 || c == 0x161 || c == 0x17D || c == 0x17E || c == 0x178;
}

inline void appendUtf8(std::string* out, uint32_t c) {
  if (c < 0x80) {
    *out += static_cast<char>(c);
  } else if (c < 0x800) {
    *out += static_cast<char>(0xC0 | c >> 6);
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out += static_cast<char>(0xE0 | c >> 12);
    *out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

inline std::vector<std::string> wordsOfCodePoints(const std::vector<uint32_t>& points) {
  std::vector<std::string> words;
  std::string word;
  for (uint32_t c : points) {
    if (isWordCodePoint(c)) {
      appendUtf8(&word, c);
    } else if (!word.empty()) {
      words.push_back(word);
      word.clear();
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

}  // namespace detail

// tests/data/wp/<name> in the source tree.
inline std::string samplePath(const std::string& name) { return testsupport::sourcePath("tests/data/wp/" + name); }

// The words of UTF-8 text: runs of letters and digits (ASCII, Latin-1 letters and the
// letters Windows-1252 adds), everything else splitting them.
inline std::vector<std::string> wordsOfUtf8(const std::string& text) {
  std::vector<uint32_t> points;
  for (size_t i = 0; i < text.size();) {
    auto b = static_cast<unsigned char>(text[i]);
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    uint32_t c = extra == 0 ? b : b & (0x3F >> extra);
    size_t j = 1;
    for (; j <= static_cast<size_t>(extra) && i + j < text.size(); ++j)
      c = c << 6 | (static_cast<unsigned char>(text[i + j]) & 0x3F);
    points.push_back(c);
    i += j;
  }
  return detail::wordsOfCodePoints(points);
}

// The same for Windows-1252 text, words returned in UTF-8.
inline std::vector<std::string> wordsOf1252(const std::string& text) {
  std::vector<uint32_t> points;
  for (char ch : text) {
    auto b = static_cast<unsigned char>(ch);
    uint32_t c = b;
    switch (b) {
      case 0x8A: c = 0x160; break;
      case 0x8C: c = 0x152; break;
      case 0x8E: c = 0x17D; break;
      case 0x9A: c = 0x161; break;
      case 0x9C: c = 0x153; break;
      case 0x9E: c = 0x17E; break;
      case 0x9F: c = 0x178; break;
      default: break;
    }
    points.push_back(c);
  }
  return detail::wordsOfCodePoints(points);
}

// A WordPerfect 5 file: the 16-byte prefix, `gap` bytes before the text, then `text`.
inline std::string wp5File(const std::string& text, int gap = 0) {
  uint32_t textPos = 16 + static_cast<uint32_t>(gap);
  std::string f = "\xFFWPC";
  for (int i = 0; i < 4; ++i) f += static_cast<char>(textPos >> (8 * i) & 0xFF);
  f += std::string("\x01\x0A\x00\x01\x00\x00\x00\x00", 8);
  f += std::string(static_cast<size_t>(gap), '\0');
  return f + text;
}

// A variable-length function: code, subfunction, length, body, trailing copy.
inline std::string wp5Function(uint8_t code, uint8_t sub, const std::string& body) {
  size_t length = body.size() + 4;
  std::string lengthBytes{static_cast<char>(length & 0xFF), static_cast<char>(length >> 8)};
  std::string f{static_cast<char>(code), static_cast<char>(sub)};
  return f + lengthBytes + body + lengthBytes + static_cast<char>(sub) + static_cast<char>(code);
}

}  // namespace wptest
