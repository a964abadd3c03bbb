// What the document text reader reads from: the laid-out lines of one open document, a way
// to restart at a position of the document's word map, and the document's hits. ImportFile
// provides one for a real document; tests provide their own.
#pragma once

#include <cstdint>
#include <vector>

#include "import/ScreenLine.h"

// The word map of a document: positions the importer can seek to, each with the number of
// the first word read from there, in ascending order. The entry for a word is the nearest
// one at or before it.
struct ImportMap {
  struct Entry {
    int32_t firstWord;
    int32_t position;
  };
  std::vector<Entry> entries;

  // The entry for word `n` (null when the map is empty or n lies before the first entry).
  const Entry* find(int32_t n) const;
  // The index of that entry, -1 when there is none.
  int indexOf(int32_t n) const;
};

class LineSource {
 public:
  virtual ~LineSource() = default;
  // The next line: 1, 0 at the end of the document, -1 on failure.
  virtual int nextLine(ScreenLine* line) = 0;
  // Starts again at a position of the word map (0: the start of the document); the next
  // line's first word is numbered `firstWord`. 0 or -1.
  virtual int gotoPosition(int32_t position, int32_t firstWord) = 0;
  // How far into the document the last line read lies, in thousandths.
  virtual int32_t thousandths() const = 0;
  // The document's hits (word numbers, ascending), at most 511; empty when none.
  virtual const std::vector<int32_t>& hits() const = 0;
  // The word map, or null when the document has none.
  virtual const ImportMap* wordMap() const = 0;
};
