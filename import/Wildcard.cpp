// Wildcard matching of names and signatures.
#include "import/Wildcard.h"

#include <unicode/uchar.h>

#include <vector>

#include "import/UnicodeText.h"
#include "platform/Platform.h"

namespace wildcard {

namespace {

bool matchOne(unsigned char p, unsigned char c) {
  switch (p) {
    case '?':
      return true;
    case '#':
      return (c >= '0' && c <= '9') || c == '?';
    case '@':
      return platform::isCharAlpha(c);
    default:
      return platform::charUpper(p) == platform::charUpper(c);
  }
}

bool matchOneCodePoint(uint32_t p, uint32_t c) {
  switch (p) {
    case '?':
      return true;
    case '#':
      return (c >= '0' && c <= '9') || c == '?';
    case '@':
      return u_isalpha(static_cast<UChar32>(c));
    default:
      return p == c || u_foldCase(static_cast<UChar32>(p), U_FOLD_CASE_DEFAULT) ==
                           u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT);
  }
}

bool hasHighBytes(const char* s, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (static_cast<unsigned char>(s[i]) >= 0x80) return true;
  return false;
}

std::vector<uint32_t> codePoints(std::string_view s) {
  std::vector<uint32_t> out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    int length = 1;
    out.push_back(unicodetext::decode(s, i, &length));
    i += static_cast<size_t>(length);
  }
  return out;
}

// The same walk as match() below, over code points.
bool matchCodePoints(const std::vector<uint32_t>& pattern, const std::vector<uint32_t>& text) {
  size_t p = 0, t = 0;
  size_t starP = std::string::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starT = t;
    } else if (p < pattern.size() && matchOneCodePoint(pattern[p], text[t])) {
      ++p;
      ++t;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

bool match(const char* pattern, size_t patternLength, const char* text, size_t textLength) {
  // Names on Linux are UTF-8: where both sides are UTF-8 and either holds more than ASCII, "?"
  // is one character and letters match by Unicode case folding. Other bytes (a Windows-1252
  // pattern, a signature) are matched byte by byte.
  std::string_view p8(pattern, patternLength), t8(text, textLength);
  if ((hasHighBytes(pattern, patternLength) || hasHighBytes(text, textLength)) && unicodetext::isValid(p8) &&
      unicodetext::isValid(t8))
    return matchCodePoints(codePoints(p8), codePoints(t8));
  return matchBytes(pattern, patternLength, text, textLength);
}

bool matchBytes(const char* pattern, size_t patternLength, const char* text, size_t textLength) {
  // Greedy walk with one back-up point, the last "*" seen: every other pattern character
  // matches exactly one text character, so retrying from the latest star is enough.
  size_t p = 0, t = 0;
  size_t starP = std::string::npos, starT = 0;
  while (t < textLength) {
    if (p < patternLength && pattern[p] == '*') {
      starP = p++;
      starT = t;
    } else if (p < patternLength && matchOne(static_cast<unsigned char>(pattern[p]),
                                             static_cast<unsigned char>(text[t]))) {
      ++p;
      ++t;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < patternLength && pattern[p] == '*') ++p;
  return p == patternLength;
}

bool equalsNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (platform::charUpper(static_cast<unsigned char>(a[i])) !=
        platform::charUpper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::vector<std::string> splitPatterns(const std::string& list, size_t maxCount) {
  std::vector<std::string> out;
  std::string piece;
  auto flush = [&] {
    if (!piece.empty() && out.size() < maxCount) out.push_back(piece);
    piece.clear();
  };
  for (char c : list) {
    // Control characters end a pattern too: no file name holds one, and a table file could
    // not carry it back.
    if (static_cast<unsigned char>(c) <= ' ' || c == ',' || c == ';' || c == 127)
      flush();
    else
      piece += c;
  }
  flush();
  return out;
}

}  // namespace wildcard
