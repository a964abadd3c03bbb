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
// The formats read through extractors, containers of mail and compression, and files that
// hold no text (docs/importers.md lists them).
constexpr int16_t kPdf = 230;
constexpr int16_t kWordXml = 231;        // Office Open XML word processing (.docx)
constexpr int16_t kExcelXml = 232;       // Office Open XML spreadsheet (.xlsx)
constexpr int16_t kPowerPointXml = 233;  // Office Open XML presentation (.pptx)
constexpr int16_t kOdfText = 234;
constexpr int16_t kOdfSpreadsheet = 235;
constexpr int16_t kOdfPresentation = 236;
constexpr int16_t kEpub = 237;
constexpr int16_t kWord97 = 238;         // Word 97-2003 (and Word 6/95) in a compound file
constexpr int16_t kMailMessage = 239;    // one RFC 5322 message (.eml)
constexpr int16_t kMailbox = 240;        // mbox: a container of messages
constexpr int16_t kGzip = 241;
constexpr int16_t kBzip2 = 242;
constexpr int16_t kXz = 243;
constexpr int16_t kNotText = 244;        // images, audio, video, programs, fonts

// The code of a format name (compared case-blind); 0 for a name not in the table.
int16_t codeOf(const std::string& name);
// The name of a code; "" for a code not in the table (100, 101, 208, 224 among them).
const char* nameOf(int16_t code);

}  // namespace formattype
