// The keyword table: names, codes and how a token is matched against them.
#include "search/NodeKind.h"

#include <cstring>

namespace nodekind {

namespace {

struct Keyword {
  const char* name;
  int kind;
  bool keyword;    // typed by the user
  bool withCount;  // followed by a decimal number
};

// Searched in this order.
constexpr Keyword kTable[] = {
    {"WORD", kWord, false, false},         {"PHRASE", kPhrase, false, false},
    {"CONTAINS", kContains, true, false},  {"AND", kAnd, true, false},
    {"OR", kOr, true, false},              {"NOT", kNot, true, false},
    {"WI", kWithin, true, true},           {"NOTWITHIN", kNotWithin, true, true},
    {"TO", kTo, true, false},              {"XFILTER", kXFilter, true, false},
    {"NLQ", kNlq, true, false},
};

char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// True when `token` begins with `name`, letter case ignored.
bool startsWithName(const std::string& token, const char* name) {
  size_t n = std::strlen(name);
  if (token.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (upperAscii(token[i]) != name[i]) return false;
  return true;
}

int32_t readCount(const std::string& token, size_t at) {
  int64_t value = 0;
  for (size_t i = at; i < token.size() && isDigit(token[i]); ++i) {
    value = value * 10 + (token[i] - '0');
    if (value > kMaxDistance) return kMaxDistance;
  }
  return static_cast<int32_t>(value);
}

}  // namespace

const char* name(int kind) {
  for (const Keyword& k : kTable)
    if (k.kind == kind) return k.name;
  return "Unknown";
}

bool isPrefix(int kind) { return kind == kXFilter || kind == kNlq || kind == kNot; }

bool isInfix(int kind) {
  return kind == kContains || kind == kAnd || kind == kWithin || kind == kNotWithin ||
         kind == kOr || kind == kTo;
}

int classify(const std::string& token, int32_t* n) {
  *n = 0;
  for (const Keyword& k : kTable) {
    if (!k.keyword || !startsWithName(token, k.name)) continue;
    size_t length = std::strlen(k.name);
    if (k.withCount) {
      if (token.size() > length && isDigit(token[length])) {
        *n = readCount(token, length);
        return k.kind;
      }
    } else if (token.size() == length) {
      return k.kind;
    }
  }
  return kWord;
}

}  // namespace nodekind
