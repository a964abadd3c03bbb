// SynonymIterator: the synonyms of a request word: every word of every thesaurus set that
// holds a thesaurus word matching the request word, each once, in the order found.
// Depends on search/Thesaurus and search/WordMatcher.
#pragma once

#include <string>
#include <vector>

#include "search/SearchWord.h"

class Stemmer;
class Thesaurus;

// Threads: a plain value once started.
class SynonymIterator {
 public:
  // Collects the synonyms of `written` (markers included); the count found (0 for none).
  int start(const Thesaurus& thesaurus, const std::string& written,
            const SearchMarkers& markers = {}, const Stemmer* stemmer = nullptr);
  // The next synonym: true with *word set, false after the last.
  bool next(std::string* word);

  const std::vector<std::string>& words() const { return words_; }

 private:
  std::vector<std::string> words_;
  size_t at_ = 0;
};
