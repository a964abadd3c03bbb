// FoldedSynonyms: the synonyms of request words, with the thesaurus's words folded through
// the alphabet's request map the way request words are, so that "car&" finds a set written
// "Car Automobile" under an alphabet that folds letter case. The folded words are sorted
// once; each word then walks its key range as SynonymIterator does. Depends on
// search/Thesaurus, search/WordMatcher and import/Alphabet.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "search/SearchWord.h"

class Alphabet;
class Stemmer;
class Thesaurus;

// Threads: a plain value once made; the thesaurus must not change while it is used.
class FoldedSynonyms {
 public:
  FoldedSynonyms(const Thesaurus& thesaurus, const Alphabet& alphabet);

  // Every word (folded) of every set holding a thesaurus word that matches `written`
  // (markers included), each once, in the order found.
  std::vector<std::string> find(const std::string& written, const SearchMarkers& markers,
                                const Stemmer* stemmer) const;

  // `word` folded as request words are.
  std::string fold(const std::string& word) const;

 private:
  const Thesaurus& thesaurus_;
  const Alphabet& alphabet_;
  std::vector<std::pair<std::string, int>> words_;  // folded word, entry index; sorted
};
