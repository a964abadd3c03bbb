// Building the WordPerfect importers' text.
#include "import/WordPerfectText.h"

#include "import/TextBlock.h"
#include "platform/Platform.h"

namespace {

constexpr int kMaxMarginIndents = 8;

bool isWordByte(unsigned char c) { return !textblock::isCode(c) && platform::isCharAlphaNumeric(c); }

}  // namespace

void WordPerfectText::startLine() {
  if (lineStarted_) return;
  lineStarted_ = true;
  for (int i = 0; i < marginIndents_; ++i) text_->push_back(static_cast<char>(textblock::kIndent));
}

void WordPerfectText::syncAttributes(unsigned char next) {
  if (wanted_ == shown_) return;
  if (!text_->empty() && isWordByte(static_cast<unsigned char>(text_->back())) && isWordByte(next))
    return;
  unsigned char changed = wanted_ ^ shown_;
  if (changed & textblock::kAttrBold) text_->push_back(static_cast<char>(textblock::kBold));
  if (changed & textblock::kAttrItalic) text_->push_back(static_cast<char>(textblock::kItalic));
  if (changed & textblock::kAttrUnderline) text_->push_back(static_cast<char>(textblock::kUnderline));
  shown_ = wanted_;
}

void WordPerfectText::character(unsigned char c) {
  if (c == textblock::kTab) {
    tab();
    return;
  }
  if (c < 32 || c == 127) c = ' ';
  startLine();
  syncAttributes(c);
  text_->push_back(static_cast<char>(c));
  ++column_;
}

void WordPerfectText::tab() {
  startLine();
  syncAttributes(' ');
  text_->push_back(static_cast<char>(textblock::kTab));
  column_ = (column_ / textblock::kTabWidth + 1) * textblock::kTabWidth;
}

void WordPerfectText::toColumn(int column) {
  bool needBlank = column_ > 0 && !text_->empty() && text_->back() != ' ' &&
                   static_cast<unsigned char>(text_->back()) != textblock::kTab;
  if (column <= column_ && !needBlank) return;
  character(' ');
  while (column_ < column) character(' ');
}

void WordPerfectText::softBreak() {
  if (column_ == 0 || text_->empty() || text_->back() == ' ' ||
      static_cast<unsigned char>(text_->back()) == textblock::kTab)
    return;
  character(' ');
}

void WordPerfectText::paragraphEnd() {
  syncAttributes(' ');
  text_->push_back(static_cast<char>(textblock::kParagraphEnd));
  column_ = 0;
  lineStarted_ = false;
}

void WordPerfectText::pageEnd() {
  syncAttributes(' ');
  text_->push_back(static_cast<char>(textblock::kPageEnd));
  column_ = 0;
  lineStarted_ = false;
}

void WordPerfectText::insert(const char* text) {
  for (; *text; ++text) {
    if (*text == '\n') paragraphEnd();
    else character(static_cast<unsigned char>(*text));
  }
}

void WordPerfectText::attribute(unsigned char bit, bool on) {
  wanted_ = static_cast<unsigned char>(on ? wanted_ | bit : wanted_ & ~bit);
}

void WordPerfectText::setMargin(int columns) {
  if (columns < 0) columns = 0;
  marginIndents_ = columns / textblock::kTabWidth;
  if (marginIndents_ > kMaxMarginIndents) marginIndents_ = kMaxMarginIndents;
}

void WordPerfectText::finish(unsigned char code) {
  wanted_ = 0;
  syncAttributes(' ');
  if (code != 0) text_->push_back(static_cast<char>(code));
}
