// A document as the viewer shows it: its lines as the engine's document text reader lays
// them out, with the hit words found by their marks and the lines that end a page. Loaded
// once through the engine interface; bounded in lines. Depends on the engine's public header.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>
#include <vector>

struct HitSpan {
  int line = 0;
  int start = 0;   // in the line's characters
  int length = 0;
};

class DocumentText {
 public:
  static constexpr int kWidth = 512;          // the reader's widest line: the view wraps
  static constexpr int kMaxLines = 200000;    // longer documents are cut, and say so

  // Reads the document `engineName` with the word numbers `hits` marked. 0, or -1 when the
  // engine cannot read it (what was read before a read failure is kept).
  // With `utf8Lines` the document is laid out as a Unicode index lays it out (its hits are
  // word numbers of such an index).
  int load(const std::string& engineName, const std::vector<int32_t>& hits, int width = kWidth,
           bool utf8Lines = false);

  const QStringList& lines() const { return lines_; }
  // The marked hit words in document order.
  const std::vector<HitSpan>& hits() const { return hits_; }
  // The lines that begin a page (after a line that ends one), ascending.
  const std::vector<int>& pageStarts() const { return pageStarts_; }
  bool cut() const { return cut_; }

  // Takes one laid-out line: its text with the byte 7 before and after each hit word.
  void addLine(const char* markedText, bool endsPage);

 private:
  QStringList lines_;
  std::vector<HitSpan> hits_;
  std::vector<int> pageStarts_;
  bool cut_ = false;
};
