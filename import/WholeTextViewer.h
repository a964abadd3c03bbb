// A viewer for formats that are converted as a whole when the viewer is made (Rich Text,
// HTML): the document's text blocks are built once, then handed out in blocks of a fixed
// size, and a bookmark is an offset into them. Needs the converted text to fit in memory,
// which holds for the documents these formats carry. Depends on import/Viewer.
#pragma once

#include <algorithm>
#include <string>

#include "import/Viewer.h"

class WholeTextViewer : public Viewer {
 public:
  // Appends up to the block size of the converted text: the bytes appended, 0 at the end,
  // -1 once the text read before a failed read of the document has been handed out.
  int readTextBlock(std::string* out) override {
    if (position_ >= text_.size()) return failed_ ? -1 : 0;
    size_t n = std::min(text_.size() - position_, blockBytes_);
    out->append(text_, position_, n);
    position_ += n;
    return static_cast<int>(n);
  }
  int32_t bookMark() const override { return static_cast<int32_t>(position_); }
  int gotoBookMark(int32_t mark) override {
    if (mark < 0 || static_cast<size_t>(mark) > text_.size()) return -1;
    position_ = static_cast<size_t>(mark);
    return 0;
  }
  int rewind() override {
    position_ = 0;
    return 0;
  }

  // The whole converted text, codes included.
  const std::string& text() const { return text_; }
  // True when the document could not be read to its end.
  bool failed() const { return failed_; }

 protected:
  explicit WholeTextViewer(int32_t blockBytes)
      : blockBytes_(static_cast<size_t>(std::max<int32_t>(blockBytes, 16))) {}

  std::string text_;
  bool failed_ = false;

 private:
  size_t blockBytes_;
  size_t position_ = 0;
};
