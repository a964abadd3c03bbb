// Building text blocks and reading them back as plain or shown text.
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

void appendChar(std::string* block, unsigned char c, BlankRun* blanks) {
  if (c == ' ' || (c < 32 && (c < kTab || c > kCarriageReturn)) || c == 127)
    blanks->append(block);
  else
    *block += static_cast<char>(c);
}

void appendText(std::string* block, const char* text, size_t length) {
  for (size_t i = 0; i < length; ++i) appendChar(block, static_cast<unsigned char>(text[i]));
}

std::string plainText(const std::string& block) {
  std::string out;
  walkShown(
      block, [&out](unsigned char c) { out += static_cast<char>(c); },
      [&out](unsigned char c) {
        if (c == kTab) out += ' ';
        else if (c == kParagraphEnd || c == kLineBreak || c == kPageEnd) out += '\n';
      });
  return out;
}

std::string shownText(const std::string& line) {
  std::string out;
  walkShown(
      line, [&out](unsigned char c) { out += static_cast<char>(c); },
      [&out](unsigned char c) {
        if (c == kTab) out.append(kTabWidth - out.size() % kTabWidth, ' ');
      });
  return out;
}

}  // namespace textblock
