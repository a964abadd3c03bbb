// The text the WordPerfect importers build: characters, line and page ends, blanks to a
// column, attribute codes and a left margin, as text-block codes (import/TextBlock.h). Keeps
// the column the text has reached on its line so tabs and indents can continue the text at
// a given column. Shared by the 4.2, 5.x and 6.x importers; depends on import/TextBlock.
#pragma once

#include <cstdint>
#include <string>

class WordPerfectText {
 public:
  // Columns a tab or indent may reach; a target beyond them means the current column.
  static constexpr int kMaxTabColumn = 50;
  static constexpr int kMaxIndentColumn = 70;

  // Appends to `text`, which must outlive this writer.
  explicit WordPerfectText(std::string* text) : text_(text) {}

  // A character in Windows-1252; control characters other than tab become a blank.
  void character(unsigned char c);
  // A tab code (to the layout's next tab stop).
  void tab();
  // Blanks up to `column`, and at least one blank unless the line is empty or already
  // ends in a blank, so the words on either side stay apart.
  void toColumn(int column);
  // Ends the paragraph (textblock::kParagraphEnd) or the page (kPageEnd).
  void paragraphEnd();
  void pageEnd();
  // A blank, unless the text already ends in one (a soft line end: the words on either
  // side stay apart, the layout breaks the line where it likes).
  void softBreak();
  // Text of the importer's own (note openings and closings); "\n" ends the paragraph.
  void insert(const char* text);
  // Turns an attribute on or off (textblock::kAttrBold, kAttrItalic, kAttrUnderline). A
  // change inside a word waits for the word's end.
  void attribute(unsigned char bit, bool on);
  // The left margin, in columns beyond the usual one: each paragraph starts with one
  // indent code for every tab width in it.
  void setMargin(int columns);
  // Closes the attributes still on; then appends `code` (textblock::kEnd or kDamaged; 0
  // for none).
  void finish(unsigned char code);

  int column() const { return column_; }

 private:
  void syncAttributes(unsigned char next);
  void startLine();

  std::string* text_;
  int column_ = 0;
  bool lineStarted_ = false;
  int marginIndents_ = 0;
  unsigned char wanted_ = 0;
  unsigned char shown_ = 0;
};
