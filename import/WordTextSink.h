// Word's characters as text blocks: the special characters of Word 97 and Word 6 text
// (paragraph, line, page and cell ends, fields, hyphens) become the text-block codes or go, and
// the rest is appended as UTF-8 up to a byte limit. Depends on import/UnicodeText.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class WordTextSink {
 public:
  // Text goes to `out`, which is cut (at a character boundary) before it would pass `limit`.
  WordTextSink(std::string* out, size_t limit) : out_(out), limit_(limit) {}

  // Takes one character of the document's text. A field's instruction (between its begin mark
  // 0x13 and its separator 0x14) is left out; its result, up to the end mark 0x15, is kept.
  void put(uint32_t c);
  // Takes a note's number as Word shows it in place of its reference mark: kept like text
  // unless inside a field's instruction.
  void putMark(const std::string& mark);
  // True once the limit was reached; what follows is dropped.
  bool full() const { return full_; }

 private:
  void emit(uint32_t c);

  std::string* out_;
  size_t limit_;
  bool full_ = false;
  uint32_t last_ = 0;
  // Per open field, true once past its separator; fields nested deeper than the cap are
  // counted in `deepFields_` and treated as instructions.
  std::vector<bool> fields_;
  size_t deepFields_ = 0;
  size_t hiddenFields_ = 0;  // open fields still in their instruction
};
