// WordMatcher: decides whether an index word matches one request word (wildcards, fuzzy
// characters, phonic and stemming marks, "low~~high" ranges) and gives the key range
// [low key, high key) outside which no word can match, so that a scan of the sorted word list
// can start late and stop early. Depends on search/ string helpers and the Stemmer.
#pragma once

#include <string>

#include "search/SearchWord.h"

class Stemmer;

// Threads: a set-up matcher may be used by one caller at a time (it keeps scratch space).
class WordMatcher {
 public:
  // Sets the matcher up for a request word as written (markers included). `stemmer` is used
  // for a word with the stemming mark; null (or a stemmer without rules) leaves stems as they
  // are. The stemmer must outlive the matcher.
  void setup(const std::string& written, const SearchMarkers& markers = {},
             const Stemmer* stemmer = nullptr);

  // True when `word` (folded, as in the word list) matches.
  bool match(const std::string& word) const;
  // True when `word` and every word after it in byte order lie at or above the high key.
  bool pastEnd(const std::string& word) const;

  // The scan starts at the first word at or above this key ("" for the whole list).
  const std::string& lowKey() const { return low_; }
  // Exclusive end of the scan; unbounded() when there is none.
  const std::string& highKey() const { return high_; }
  bool unbounded() const { return unbounded_; }

  const SearchWord& word() const { return word_; }
  const std::string& pattern() const { return pattern_; }

 private:
  bool matchForm(const std::string& word, const std::string& pattern) const;
  bool wildcard(const std::string& word, const std::string& pattern) const;
  bool fuzzy(const std::string& word, const std::string& pattern) const;
  void makeHighExclusive();

  SearchWord word_;
  const Stemmer* stemmer_ = nullptr;
  std::string pattern_;     // wildcards kept; "*" for a range
  std::string stemmed_;     // the pattern stemmed (stemming only)
  std::string unstemmed_;   // the pattern as written (stemming only)
  std::string phonicKey_;
  std::string low_;
  std::string high_;
  bool unbounded_ = false;
  bool utf8_ = false;  // characters are UTF-8 sequences (SearchMarkers::utf8)
};
