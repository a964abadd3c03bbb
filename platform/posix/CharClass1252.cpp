// Character classes and case mapping of the Windows-1252 code page, the code page of the
// engine's 8-bit text.
#include "platform/Platform.h"

namespace platform {

namespace {

enum : unsigned char { kLower = 1, kUpper = 2, kDigit = 4, kOtherLetter = 8 };

struct Table1252 {
  unsigned char cls[256] = {};
  unsigned char lower[256];
  unsigned char upper[256];

  Table1252() {
    for (int c = 0; c < 256; ++c) lower[c] = upper[c] = static_cast<unsigned char>(c);
    for (int c = '0'; c <= '9'; ++c) cls[c] = kDigit;
    for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
    pair(0x8A, 0x9A);  // S caron
    pair(0x8C, 0x9C);  // OE
    pair(0x8E, 0x9E);  // Z caron
    pair(0x9F, 0xFF);  // Y diaeresis
    for (int c = 0xC0; c <= 0xDE; ++c)
      if (c != 0xD7) pair(c, c + 32);  // Latin-1 letters; 0xD7 and 0xF7 are signs
    // Lower-case letters without an upper-case partner in this code page.
    for (int c : {0x83, 0xAA, 0xB5, 0xBA, 0xDF}) cls[c] = kLower;
  }

  void pair(int up, int low) {
    cls[up] = kUpper;
    cls[low] = kLower;
    lower[up] = static_cast<unsigned char>(low);
    upper[low] = static_cast<unsigned char>(up);
  }
};

const Table1252& table() {
  static const Table1252 t;
  return t;
}

}  // namespace

bool isCharAlphaNumeric(unsigned char c) { return table().cls[c] != 0; }
bool isCharAlpha(unsigned char c) { return (table().cls[c] & (kLower | kUpper)) != 0; }
bool isCharLower(unsigned char c) { return table().cls[c] == kLower; }
bool isCharUpper(unsigned char c) { return table().cls[c] == kUpper; }
unsigned char charLower(unsigned char c) { return table().lower[c]; }
unsigned char charUpper(unsigned char c) { return table().upper[c]; }

}  // namespace platform
