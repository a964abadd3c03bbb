// LiteralPrecheck: lets an unindexed scan pass over a plain-text file without breaking it into
// words when the file's bytes prove that the request cannot match it. It serves requests of
// one plain word only (letters, no markers, no word options) and files of the built-in Ansi
// and Ascii importers whose bytes are all 1..127, where every byte is one character of the
// text; any other request or file is always scanned. Depends on import/ (Alphabet, ViewerTable)
// and search/ (SearchTree, RequestSettings).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "search/RequestSettings.h"

class Alphabet;
class SearchTree;
struct ViewerEntry;

// Threads: a plain value; mayHold may run on many threads at once.
class LiteralPrecheck {
 public:
  // Prepares the check for `tree` (parsed with `settings`). Words longer than `maxWordLength`
  // are cut as the indexer cuts them. `alphabet` null: the built-in alphabet.
  LiteralPrecheck(const SearchTree& tree, const RequestSettings& settings, int maxWordLength,
                  const Alphabet* alphabet = nullptr);

  // True when the request is one the check serves.
  bool active() const { return !word_.empty(); }
  // The word the files are checked for (folded to lower case), empty when inactive.
  const std::string& word() const { return word_; }

  // False only when the document `fileName`, opened with `format`, cannot hold the request's
  // word; true when it may, when the check does not serve the format or the request, and
  // when the file cannot be read (the scan then reports it as it always did).
  bool mayHold(const std::string& fileName, const ViewerEntry& format) const;

  // The test on a plain-text file's bytes: false only when the letters of `bytes`, in order
  // and with every other character left out, do not hold the word (case-blind), and every
  // byte is 1..127. True when the check is inactive.
  bool bytesMayHold(const uint8_t* bytes, size_t byteCount) const;

 private:
  static constexpr uint8_t kSkipped = 0;     // not a letter: left out of the letter stream
  // NUL, a byte above 127 or a letter the alphabet pairs with another: the file is scanned.
  static constexpr uint8_t kUndecided = 0xFF;

  std::string word_;
  std::vector<int> fallback_;  // the word's failure function for the letter stream
  uint8_t letterOf_[256] = {};  // each byte's folded letter, kSkipped or kUndecided
};
