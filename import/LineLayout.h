// The layout: breaks the text blocks an importer delivers into lines of at most a given
// width, at break points (blanks), and numbers the words of each line as the indexer does.
// A line never holds more than 80 words, so that no word is lost to the word finder; a line
// with no break point is cut inside a word, and the piece on the next line is not counted as
// a word. Blanks past a line's bytes hang at its end in no room, so a run of blanks, codes or
// hidden text of any length costs constant memory. Depends on import/TextBlock and
// import/TextFormat.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "import/ScreenLine.h"

class Alphabet;

class LineLayout {
 public:
  // Appends the next block of the document to `out`; returns the bytes appended, 0 at the
  // end of the document, -1 on failure.
  using BlockSource = std::function<int(std::string* out)>;

  static constexpr int kMaxLineBytes = 512;

  // `width` is the line width in columns (at least 8); words are numbered from `firstWord`
  // and found with the classes of `alphabet`, which must outlive the layout.
  LineLayout(BlockSource source, int width, const Alphabet& alphabet, int32_t firstWord = 1);

  // The next line of the document. 1 when a line was produced, 0 at the end, -1 when the
  // source failed (what was read before the failure has been handed out).
  int nextLine(ScreenLine* line);

  // Word numbers that are hits, in ascending order: their lines get kHasHit and the words
  // are wrapped in hit-mark codes.
  void setHits(std::vector<int32_t> hits);

  // Whether runs of ordinary characters go through the run loop (the default) or, like
  // every other byte, through the one-character steps. Both give the same lines; the
  // choice exists so that tests can hold the two against each other.
  void setRunLoop(bool on) { fastRuns_ = on; }

  // The number the next word will get.
  int32_t nextWord() const { return nextWord_; }
  // Bytes of block text consumed so far.
  int64_t bytesRead() const { return bytesRead_; }
  bool damaged() const { return damaged_; }

 private:
  struct Building;  // the line being laid out: its text, columns, words and last break point

  bool fill();
  // Steps of nextLine. Each take* step lays out bytes of pending_ from b.pos on; takeCode
  // and takeCharacter return true when they finished the line, with *result set to what
  // nextLine returns.
  Building startLine(ScreenLine* line);
  bool takeRun(Building& b);
  bool takeCode(Building& b, unsigned char c, int* result);
  bool takeCharacter(Building& b, unsigned char c, int* result);
  int endOfSource(Building& b);
  void breakLine(Building& b);
  void compactWithin(Building& b);
  void markBreak(Building& b) const;
  void finishLine(Building& b, size_t textEnd, size_t resume, uint8_t continuation, bool cut, int wordsBefore);
  void swallowBlanks();
  void numberWords(Building& b, int wordsBefore);
  void markHits(ScreenLine* line, const std::vector<std::pair<int, int>>& spans);

  BlockSource source_;
  int width_;
  const Alphabet& alphabet_;
  int32_t nextWord_;
  std::string pending_;   // block text not yet laid out
  size_t pos_ = 0;        // start of the unconsumed text in pending_
  bool sourceDone_ = false;
  bool sourceFailed_ = false;
  bool ended_ = false;
  bool damaged_ = false;
  bool fastRuns_ = true;  // takeRun lays out runs of ordinary characters
  bool unicode_ = false;  // the text is UTF-8 (the alphabet of a Unicode index)
  bool runContinues_[256];  // takeRun: the byte goes on with a word
  bool runStops_[256];      // takeRun: the run ends before the byte
  bool previousCut_ = false;
  int paragraphIndent_ = 0;  // indent codes seen in the current paragraph
  bool hiddenOpen_ = false;  // a hidden run goes on from the previous line
  unsigned char attributes_ = 0;
  std::vector<int32_t> hits_;
  size_t nextHit_ = 0;
  int64_t bytesRead_ = 0;
};
