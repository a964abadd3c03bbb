// The kinds of request tokens and search-tree nodes, and the keyword table that gives a
// token its kind. A kind's code also sets how tightly a connector binds: higher codes bind
// first. Pure string work.
#pragma once

#include <cstdint>
#include <string>

namespace nodekind {

enum Kind : int {
  kWord = 0,
  kPhrase = 1,
  kContains = 2,
  kAnd = 3,
  kWithin = 5,     // "WI", written w/N or wiN
  kNotWithin = 6,  // "NOTWITHIN", written notwithinN or not w/N
  kOr = 7,
  kNot = 8,
  kTo = 9,
  kNlq = 10,
  kXFilter = 11,
};

constexpr int kHighestCode = kXFilter;
constexpr int kLowestConnector = kContains;
// The largest distance a w/N connector keeps; larger numbers are cut to it, so that
// position arithmetic on 32-bit word numbers cannot overflow.
constexpr int32_t kMaxDistance = 1 << 30;

// The kind's name in the keyword table ("WORD", "AND", ...); "Unknown" for a code that is
// not in it.
const char* name(int kind);

// XFILTER, NLQ and NOT take the node after them.
bool isPrefix(int kind);
// CONTAINS, AND, WI, NOTWITHIN, OR and TO take the nodes before and after them.
bool isInfix(int kind);

// The kind of an unquoted token: the first keyword of the table that it spells (letter case
// ignored), else kWord. WI and NOTWITHIN need a decimal number right after the name; *n is
// then set to it (cut to kMaxDistance), else to 0.
int classify(const std::string& token, int32_t* n);

}  // namespace nodekind
