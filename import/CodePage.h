// Characters of other code pages and of Unicode brought into the engine's Windows-1252, for
// importers whose documents name their own character set (Rich Text code pages, HTML charset
// declarations). Characters that have no place in Windows-1252 become a blank. Uses iconv;
// depends on nothing else in the engine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace codepage {

// The Windows-1252 byte of a Unicode code point, or a blank when it has none. Code points 128
// to 159 are taken as the Windows-1252 bytes of the same value (what documents that say
// Latin-1 mean by them).
unsigned char fromUnicode(uint32_t codePoint);

// Fills `table` with the Windows-1252 byte of each byte of the single-byte character set
// `iconvName` (for example "CP1250"); bytes with no place in Windows-1252, or that begin a
// multi-byte character, map to a blank. 0, or -1 when iconv does not know the set (`table`
// is then untouched).
int singleByteTable(const char* iconvName, unsigned char table[256]);

// Appends `length` bytes in the character set `iconvName` to `out` in Windows-1252, one
// blank for each character that is malformed or has no place. 0, or -1 when iconv does not
// know the set (nothing is appended).
int convert(const char* iconvName, const uint8_t* data, size_t length, std::string* out);

}  // namespace codepage
