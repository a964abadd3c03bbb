// LiveWordCounts: a word's occurrence and document counts over the documents an index still
// holds. The dictionary's counts include removed and replaced documents until the index is
// compressed; these are what a search can find. Reads the word's reference list; depends on
// index/TextDB, index/DocInfo and index/RefReader.
#pragma once

#include <cstdint>
#include <vector>

class TextDB;

// Threads: one user at a time.
class LiveWordCounts {
 public:
  // Notes which documents of `db` (open for reading with the document table) are removed.
  // 0, or -1 when a record cannot be read.
  int load(TextDB& db);
  // True when the index holds removed documents, so that stored counts differ from these.
  bool needed() const { return removedCount_ > 0; }

  // The counts of the word whose reference list starts at `filePos` (a dictionary value
  // above 0), over the documents not removed. `db` must be open with the reference file.
  // 0, or -1 when the list cannot be read (the outputs are then untouched).
  int count(TextDB& db, int32_t filePos, int32_t* occurrences, int32_t* documents) const;

 private:
  std::vector<bool> removed_;  // by document id
  int32_t removedCount_ = 0;
};
