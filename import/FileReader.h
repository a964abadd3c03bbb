// The document text reader: turns an open document's lines into a scrollable view for the
// document window. Lines already read go to a line file (or stay in memory when the viewer
// has no number), so moving back never re-reads the document; a ring of recent lines holds
// the window. It jumps to words, steps from hit to hit, and copies a selection out as plain
// text or RTF. Depends on import/LineSource and io/.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "import/LineSource.h"

class IOFile;

class FileReader {
 public:
  // Status bits.
  static constexpr int kTextChanged = 4;
  static constexpr int kCopyAllowed = 8;
  static constexpr int kMarkSeen = 32;
  // Copy-out options.
  static constexpr int kCopyName = 1;
  static constexpr int kCopyPageLine = 2;
  static constexpr int kCopyJoinParagraphs = 4;
  static constexpr int kCopyRtf = 8;
  // Bytes of one line record in the line file.
  static constexpr int32_t kLineRecordBytes = 800;

  // Reads from `source` (not owned; it must outlive the reader). `lineFile` is the full name
  // of the line file ("" keeps the lines in memory); `ringSize` is the window's lines plus
  // reserve (at least 3). Call start() before anything else.
  FileReader(LineSource* source, std::string lineFile, int ringSize, std::string documentName = "");
  ~FileReader();
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // Reads the first window of the document. 0, or -1 when the line file can't be made.
  int start();

  int gotoPointer(int32_t position);
  int gotoWord(int32_t n);
  int scrollToWord(int32_t n);
  // One line; 0 or -1 (cursor and ring unchanged on -1).
  int cursorDown();
  int cursorUp();
  // n lines, stopping at the first failure; returns the lines moved.
  int pageDown(int n);
  int pageUp(int n);
  // Display modes 1, 3 and 4 allow hit navigation; 0 or -1.
  int nextHit();
  int previousHit();

  struct Position {
    int32_t word;
    int32_t linesFromTop;
  };
  Position savePosition() const;
  int restorePosition(const Position& p);

  // Copies the lines from the selection anchor to the cursor line to `path`. -1 without a
  // selection, without copying allowed, or when the file can't be made (nothing written).
  int copyOut(const std::string& path, int options);
  void setSelectionAnchor(int32_t line) { anchor_ = line; }
  void clearSelection() { anchor_ = -1; }

  // The cursor line and its neighbours. Null when not read.
  const ScreenLine* line(int32_t lineNo);
  const ScreenLine* cursorLine() { return line(cursorLineNo_); }

  int32_t topLineNo() const { return topLineNo_; }
  int32_t cursorLineNo() const { return cursorLineNo_; }
  int32_t lineCount() const { return lineCount_; }
  int32_t nextWord() const { return nextWord_; }
  int status() const { return status_; }
  void setStatus(int bits) { status_ |= bits; }
  void clearStatus(int bits) { status_ &= ~bits; }
  void setDisplayMode(int mode) { displayMode_ = mode; }
  int ringSize() const { return ringSize_; }

  // Thousandths of the document, and with `wordAndLine` " W: <word> L: <line>" after it.
  std::string positionText(bool wordAndLine);
  // Called with the position text while a hit search runs long (after 1000 lines, then every
  // 200): the front end's "Searching" box. May be empty.
  std::function<void(const std::string&)> searchingProgress;

 private:
  int readNewLine();            // appends the next document line; 0 or -1
  int fetch(int32_t lineNo, ScreenLine* out);
  int storeLine(const ScreenLine& l);
  int reset(int32_t position, int32_t firstWord);
  int getPriorBlock();
  int placeHitLine();
  int searchForwardForHit(int32_t boundWord, bool bounded);
  ScreenLine& ringSlot(int32_t lineNo) { return ring_[static_cast<size_t>(lineNo % ringSize_)]; }
  int32_t pageOf(int32_t lineNo);

  LineSource* source_;
  std::string lineFileName_;
  std::string documentName_;
  std::unique_ptr<IOFile> lineFile_;
  std::vector<ScreenLine> memoryLines_;  // used when there is no line file
  std::vector<ScreenLine> ring_;
  std::vector<int32_t> ringLineNo_;      // which line each ring slot holds, -1 none
  int ringSize_;
  int32_t topLineNo_ = 0;
  int32_t cursorLineNo_ = 0;
  int32_t lineCount_ = 0;
  int32_t nextWord_ = 1;
  int32_t blockStartWord_ = 1;   // first word of the map block the line file starts at
  int32_t blockPosition_ = 0;    // its position; 0 = the start of the document
  bool atEnd_ = false;
  int displayMode_ = 1;
  int status_ = kCopyAllowed;
  int32_t anchor_ = -1;
};
