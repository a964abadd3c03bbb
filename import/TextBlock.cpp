// Building text blocks and reading them back as plain text.
#include "import/TextBlock.h"

namespace textblock {

void appendChar(std::string* block, unsigned char c) {
  // Tab, line feed, vertical tab, form feed and carriage return keep their meaning as codes;
  // every other control character has no place in text and becomes a blank.
  if ((c < 32 && (c < kTab || c > kCarriageReturn)) || c == 127)
    *block += ' ';
  else
    *block += static_cast<char>(c);
}

void appendText(std::string* block, const char* text, size_t length) {
  for (size_t i = 0; i < length; ++i) appendChar(block, static_cast<unsigned char>(text[i]));
}

std::string plainText(const std::string& block) {
  std::string out;
  bool hidden = false;
  for (size_t i = 0; i < block.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(block[i]);
    if (c == kEscape && i + 1 < block.size()) {
      if (!hidden) out += block[++i];
      else ++i;
      continue;
    }
    if (c == kHidden) {
      hidden = !hidden;
      continue;
    }
    if (hidden) continue;
    if (c == kDamaged || c == kEnd) break;
    if (c == kTab) out += ' ';
    else if (c == kParagraphEnd || c == kLineBreak || c == kPageEnd) out += '\n';
    else if (!isCode(c)) out += static_cast<char>(c);
  }
  return out;
}

}  // namespace textblock
