// Wildcard matching of names and signatures.
#include "import/Wildcard.h"

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

}  // namespace

bool match(const char* pattern, size_t patternLength, const char* text, size_t textLength) {
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
