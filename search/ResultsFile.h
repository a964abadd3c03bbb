// ResultsFile: a search results file: a record file titled "SearchResults" whose records are
// document records with three more fields (the position of the document's "Hits" object, its
// hit count and its score), and whose 798-byte header holds the request, the totals and the
// time of the search. The layout is drawn in docs/formats/results-file.md. Depends on
// index/DocInfo and io/Vlrfile.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "index/DocInfo.h"
#include "io/Vlrfile.h"

// One found document: its record and its hits (word numbers, ascending, at most 511).
struct ResultsItem {
  DocInfo doc;
  std::vector<int32_t> hits;
};

// What the header holds.
struct ResultsHeader {
  static constexpr int32_t kBytes = 798;
  static constexpr int32_t kRequestBytes = 782;
  std::string request;      // at most 781 bytes
  int32_t totalHits = 0;
  int32_t documents = 0;
  int32_t highScore = 0;
  int32_t searchTime = 0;   // C time of the search

  void encode(char out[kBytes]) const;
  // False for a header that cannot be one (a count below zero).
  bool decode(const char in[kBytes]);
};

// Threads: one user at a time.
class ResultsFile {
 public:
  static constexpr const char* kTitle = "SearchResults";
  static constexpr const char* kHitsObject = "Hits";
  static constexpr size_t kMaxHits = 511;
  // The block buffer: records and hits are appended and read back in runs, so large blocks
  // save most of the reads and writes.
  static constexpr int32_t kBlockBytes = 64 * 1024;

  // Creates (emptying) the file. 0 or -1.
  int create(const std::string& name);
  // Opens an existing results file (a file with another title is refused). 0 or -1.
  int open(const std::string& name, bool write = false);
  int close();
  bool isOpen() const { return table_.isOpen(); }

  // Appends an item (record and "Hits" object). Its record number, or -1.
  int32_t add(ResultsItem& item);
  // Reads item `n` (0-based). 0 or -1.
  int read(int32_t n, ResultsItem* item);
  int32_t count() const { return table_.getRecordCount(); }
  // Opened for reading and at most `maxBytes` long, the file is read whole at the next
  // read, so reading its items in any order costs one read (vlrFile::holdWhole). 0 or -1.
  int holdWhole(int32_t maxBytes) { return table_.holdWhole(maxBytes); }
  // Opened for reading, the items are read from a map of the file (vlrFile::mapWhole), so
  // that a listing of every item makes no read call per block. Results files are always made
  // afresh under their name, never cut in place, so the map stays whole. 0, or -1 when the
  // file could not be mapped (it is then read as before).
  int mapWhole() { return table_.mapWhole(); }
  // Opened for reading: puts the items in a new order without moving them (item k becomes the
  // one that was number order[k]); closes the file. 0 or -1 (io/Vlrfile.h, reorder).
  int reorder(const std::vector<int32_t>& order) { return table_.reorder(order); }

  int writeHeader(const ResultsHeader& header);
  int readHeader(ResultsHeader* header) const;

 private:
  vlrFile table_;
};
