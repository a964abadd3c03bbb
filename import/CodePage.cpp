// Code page and Unicode conversion into Windows-1252.
#include "import/CodePage.h"

#include <iconv.h>

#include <cerrno>

namespace codepage {

namespace {

// Unicode code points of the Windows-1252 bytes 0x80..0x9F (0 where the byte is unassigned).
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

const iconv_t kNoIconv = reinterpret_cast<iconv_t>(-1);

}  // namespace

unsigned char fromUnicode(uint32_t codePoint) {
  if (codePoint < 0x100) return static_cast<unsigned char>(codePoint);
  if (codePoint == 0x2010 || codePoint == 0x2011) return '-';  // hyphens
  if (codePoint >= 0x2000 && codePoint <= 0x200A) return ' ';  // the typographic spaces
  for (int i = 0; i < 32; ++i)
    if (kHighControls[i] == codePoint) return static_cast<unsigned char>(0x80 + i);
  return ' ';
}

int singleByteTable(const char* iconvName, unsigned char table[256]) {
  iconv_t cd = iconv_open("WINDOWS-1252", iconvName);
  if (cd == kNoIconv) return -1;
  for (int b = 0; b < 256; ++b) {
    char in = static_cast<char>(b);
    char out[8];
    char* inPtr = &in;
    size_t inLeft = 1;
    char* outPtr = out;
    size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    table[b] = rc != static_cast<size_t>(-1) && outPtr - out == 1
                   ? static_cast<unsigned char>(out[0])
                   : static_cast<unsigned char>(' ');
  }
  iconv_close(cd);
  return 0;
}

int convert(const char* iconvName, const uint8_t* data, size_t length, std::string* out) {
  iconv_t cd = iconv_open("WINDOWS-1252", iconvName);
  if (cd == kNoIconv) return -1;
  char buffer[1024];
  char* in = const_cast<char*>(reinterpret_cast<const char*>(data));
  size_t inLeft = length;
  while (inLeft > 0) {
    char* o = buffer;
    size_t oLeft = sizeof buffer;
    size_t rc = iconv(cd, &in, &inLeft, &o, &oLeft);
    out->append(buffer, static_cast<size_t>(o - buffer));
    if (rc != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // Malformed, cut short, or without a place in Windows-1252: a blank, and on by one byte
    // (a multi-byte character then yields a blank or two, never a wrong letter).
    *out += ' ';
    if (errno == EINVAL) break;
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return 0;
}

}  // namespace codepage
