// The text-block layer: how an importer hands a document's text to the rest of the engine.
// A block is a run of bytes in the document code page (Windows-1252) in which the codes
// below 14, and 25 and 26, are formatting codes rather than characters. The codes carry no
// parameter bytes, so the word finder can walk a block without knowing them. The layout
// (import/LineLayout.h) breaks blocks into lines. docs/text-blocks.md describes the layer.
#pragma once

#include <cstddef>
#include <string>

namespace textblock {

constexpr unsigned char kBold = 1;        // bold on / off
constexpr unsigned char kItalic = 2;      // italic on / off
constexpr unsigned char kHidden = 3;      // hidden text on / off: holds no words, not shown
constexpr unsigned char kEscape = 4;      // the next byte is a character, even below 14
constexpr unsigned char kUnderline = 5;   // underline on / off
constexpr unsigned char kIndent = 6;      // the rest of the paragraph one tab stop further in
constexpr unsigned char kHitMark = 7;     // hit highlighting on / off (set by the reader)
constexpr unsigned char kWordBreak = 8;   // a word boundary without a blank: the layout of Unicode
                                          // text puts it between words of scripts written without
                                          // blanks; importers never deliver it. Takes no room.
constexpr unsigned char kTab = 9;         // to the next tab stop
constexpr unsigned char kParagraphEnd = 10;
constexpr unsigned char kLineBreak = 11;  // a line break inside a paragraph
constexpr unsigned char kPageEnd = 12;    // a page ends here (also ends the paragraph)
constexpr unsigned char kCarriageReturn = 13;  // ignored
constexpr unsigned char kDamaged = 25;    // the document is damaged here; nothing follows
constexpr unsigned char kEnd = 26;        // the document ends here; nothing follows

constexpr int kTabWidth = 8;

inline bool isCode(unsigned char c) { return c < 14 || c == kDamaged || c == kEnd; }

// Attribute bits of a character, as the layout records them.
constexpr unsigned char kAttrBold = 1;
constexpr unsigned char kAttrItalic = 2;
constexpr unsigned char kAttrUnderline = 4;
constexpr unsigned char kAttrHit = 8;

// The blanks in a row an importer that converts a whole document keeps; more are dropped, so
// that a run of blanks (or of NULs and control characters, which become blanks) costs
// constant memory. Far wider than any line, so no layout changes.
constexpr size_t kMaxBlankRun = 1024;

// Appends blanks to one block, dropping those past kMaxBlankRun in a row. It notices any
// other byte appended to the block meanwhile, which ends the run.
class BlankRun {
 public:
  void append(std::string* block) {
    if (block->size() != end_) start_ = block->size();
    else if (end_ - start_ >= kMaxBlankRun) return;
    block->push_back(' ');
    end_ = block->size();
  }

 private:
  size_t start_ = 0;
  size_t end_ = static_cast<size_t>(-1);
};

// Appends one character to a block. Tab, line feed, vertical tab, form feed and carriage
// return go in as the codes of the same value; other control characters become a blank.
void appendChar(std::string* block, unsigned char c);
// As appendChar, with the blanks going through `blanks`.
void appendChar(std::string* block, unsigned char c, BlankRun* blanks);
// Appends text, character by character as appendChar does.
void appendText(std::string* block, const char* text, size_t length);
inline void appendText(std::string* block, const std::string& text) {
  appendText(block, text.data(), text.size());
}

// The characters of a block without its codes (escaped characters kept, hidden text
// dropped, tabs as blanks, paragraph ends, line breaks and page ends as line feeds).
std::string plainText(const std::string& block);

// The characters of a laid-out line as shown: escaped characters kept, hidden text and
// codes dropped, each tab as blanks to the next stop of kTabWidth columns.
std::string shownText(const std::string& line);

// Walks the shown part of a block or line: calls character(c) for each character (an
// escaped one included) and code(c) for each formatting code, leaving out hidden text and
// the codes that hide it. A damage or end code ends the walk. The one reading of escapes
// and hidden text that every rendering of text shares.
template <typename OnCharacter, typename OnCode>
void walkShown(const std::string& text, OnCharacter character, OnCode code);

// ---- Inline bodies; readers of the contracts can stop here ----

template <typename OnCharacter, typename OnCode>
void walkShown(const std::string& text, OnCharacter character, OnCode code) {
  bool hidden = false;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == kEscape && i + 1 < text.size()) {
      if (!hidden) character(static_cast<unsigned char>(text[i + 1]));
      ++i;
    } else if (c == kHidden) {
      hidden = !hidden;
    } else if (hidden) {
      continue;
    } else if (c == kDamaged || c == kEnd) {
      return;
    } else if (isCode(c)) {
      code(c);
    } else {
      character(c);
    }
  }
}

}  // namespace textblock
