// Format type codes: the 16-bit code of a document's format that the index stores with each
// document, and the table that maps format names to codes and back. Depends on import/Wildcard.
#pragma once

#include <cstdint>
#include <string>

namespace formattype {

constexpr int16_t kAny = 1;
constexpr int16_t kSearchResults = 100;
constexpr int16_t kSearchReport = 101;
constexpr int16_t kAmiPro = 201;
constexpr int16_t kAnsi = 202;
constexpr int16_t kAscii = 203;
constexpr int16_t kBinary = 204;
constexpr int16_t kCompoundDocument = 205;
constexpr int16_t kDBase = 206;
constexpr int16_t kBinaryFiltered = 207;
constexpr int16_t kHypertext = 208;
constexpr int16_t kWord = 209;
constexpr int16_t kWorks = 210;
constexpr int16_t kMultimate = 211;
constexpr int16_t kRtf = 212;
constexpr int16_t kWordStar2000 = 213;
constexpr int16_t kWordStar5 = 214;
constexpr int16_t kWrite = 215;
constexpr int16_t kWinWord2 = 216;
constexpr int16_t kWinWord6 = 217;
constexpr int16_t kWordPerfect42 = 218;
constexpr int16_t kWordPerfect5 = 219;
constexpr int16_t kWordPerfect6 = 220;
constexpr int16_t kWordStarOld = 221;
constexpr int16_t kXyWrite = 222;
constexpr int16_t kPropertySet = 224;

// The code of a format name (compared case-blind); 0 for a name not in the table.
int16_t codeOf(const std::string& name);
// The name of a code; "" for a code not in the table (100, 101, 208, 224 among them).
const char* nameOf(int16_t code);

}  // namespace formattype
