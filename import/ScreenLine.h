// One laid-out line of a document: its text (characters and formatting codes of the
// text-block layer, without the code that ended it) and the link between the line and the
// numbered words it holds.
#pragma once

#include <cstdint>
#include <string>

struct ScreenLine {
  static constexpr uint8_t kHasHit = 1;   // a word on the line is a hit
  static constexpr uint8_t kPageEnd = 2;  // the line ends a page

  std::string text;
  int32_t firstWord = 0;  // number of the first word on the line; with no words, the number
                          // the next word will get
  int16_t wordCount = 0;
  int16_t indent = 0;     // leading blank columns
  uint8_t lineFlags = 0;
  uint8_t continuation = 0;  // 1: the paragraph goes on on the next line
  bool cutInWord = false;    // the line was cut inside a word (no break point on it)
};
