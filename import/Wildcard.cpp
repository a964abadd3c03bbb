// Wildcard matching of names and signatures.
#include "import/Wildcard.h"

#include <unicode/uchar.h>

#include <vector>

#include "import/UnicodeText.h"
#include "platform/Platform.h"

namespace wildcard {

namespace {

// Whether pattern character p takes text character c, with the letters and the case folding
// of one character set.
template <typename IsLetter, typename Fold>
bool takes(uint32_t p, uint32_t c, IsLetter isLetter, Fold fold) {
  switch (p) {
    case '?':
      return true;
    case '#':
      return (c >= '0' && c <= '9') || c == '?';
    case '@':
      return isLetter(c);
    default:
      return p == c || fold(p) == fold(c);
  }
}

bool matchOne(uint32_t p, uint32_t c) {
  return takes(
      p, c, [](uint32_t x) { return platform::isCharAlpha(static_cast<unsigned char>(x)); },
      [](uint32_t x) { return static_cast<uint32_t>(platform::charUpper(static_cast<unsigned char>(x))); });
}

bool matchOneCodePoint(uint32_t p, uint32_t c) {
  return takes(
      p, c, [](uint32_t x) { return u_isalpha(static_cast<UChar32>(x)) != 0; },
      [](uint32_t x) { return static_cast<uint32_t>(u_foldCase(static_cast<UChar32>(x), U_FOLD_CASE_DEFAULT)); });
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

// Greedy walk with one back-up point, the last "*" seen: every other pattern character
// matches exactly one text character, so retrying from the latest star is enough. `at(s, i)`
// gives character i of a side, `one(p, c)` says whether pattern character p takes c.
template <typename Side, typename At, typename One>
bool walk(const Side& pattern, size_t patternLength, const Side& text, size_t textLength, At at, One one) {
  size_t p = 0, t = 0;
  size_t starP = std::string::npos, starT = 0;
  while (t < textLength) {
    if (p < patternLength && at(pattern, p) == '*') {
      starP = p++;
      starT = t;
    } else if (p < patternLength && one(at(pattern, p), at(text, t))) {
      ++p;
      ++t;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < patternLength && at(pattern, p) == '*') ++p;
  return p == patternLength;
}

}  // namespace

bool match(const char* pattern, size_t patternLength, const char* text, size_t textLength) {
  // Names on Linux are UTF-8: where both sides are UTF-8 and either holds more than ASCII, "?"
  // is one character and letters match by Unicode case folding. Other bytes (a Windows-1252
  // pattern, a signature) are matched byte by byte.
  std::string_view p8(pattern, patternLength), t8(text, textLength);
  if ((hasHighBytes(pattern, patternLength) || hasHighBytes(text, textLength)) && unicodetext::isValid(p8) &&
      unicodetext::isValid(t8))
  {
    const std::vector<uint32_t> p32 = codePoints(p8), t32 = codePoints(t8);
    return walk(p32, p32.size(), t32, t32.size(), [](const std::vector<uint32_t>& v, size_t i) { return v[i]; },
                matchOneCodePoint);
  }
  return matchBytes(pattern, patternLength, text, textLength);
}

bool matchBytes(const char* pattern, size_t patternLength, const char* text, size_t textLength) {
  return walk(pattern, patternLength, text, textLength,
              [](const char* s, size_t i) { return static_cast<unsigned char>(s[i]); }, matchOne);
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
