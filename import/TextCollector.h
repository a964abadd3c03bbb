// TextCollector: builds an extractor's UTF-8 text blocks (import/TextBlock.h) piece by piece,
// up to the extraction's text limit. Text goes in as it stands in the document, with its
// control characters and white space turned into blanks (or, for formats that say so, runs
// of white space collapsed to one blank); the block codes come only from the calls for them.
// Once the limit is reached the text is cut at a character boundary and full() says so.
// Depends on nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TextCollector {
 public:
  explicit TextCollector(int64_t limitBytes) : limit_(limitBytes < 0 ? 0 : limitBytes) {}

  // Text from the document. With `collapse`, white space after white space (or at the start
  // of a paragraph) is left out, as OpenDocument and HTML lay text out.
  void text(std::string_view utf8, bool collapse = false);
  // Text that is already in text blocks: its block codes are kept, other control
  // characters become blanks.
  void blocks(std::string_view utf8);
  // `count` blanks (capped at a screen line).
  void spaces(int64_t count);
  void paragraph() { code('\n'); }
  void lineBreak() { code('\v'); }
  void pageEnd() { code('\f'); }
  void tab() { code('\t'); }
  // A paragraph end, unless the text is empty or already ends with a block code.
  void endBlock();

  bool full() const { return full_; }
  bool empty() const { return text_.empty(); }
  const std::string& value() const { return text_; }
  std::string take() { return std::move(text_); }

 private:
  void code(char c);
  bool room(size_t bytes);
  std::string text_;
  int64_t limit_;
  bool full_ = false;
};
