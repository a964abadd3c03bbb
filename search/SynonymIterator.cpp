// SynonymIterator: walks the thesaurus's sorted words over the request word's key range.
#include "search/SynonymIterator.h"

#include <unordered_set>

#include "search/Thesaurus.h"
#include "search/WordMatcher.h"

int SynonymIterator::start(const Thesaurus& thesaurus, const std::string& written,
                           const SearchMarkers& markers, const Stemmer* stemmer) {
  words_.clear();
  at_ = 0;
  WordMatcher matcher;
  matcher.setup(written, markers, stemmer);
  std::unordered_set<std::string> seen;
  std::vector<bool> setDone(static_cast<size_t>(thesaurus.setCount()), false);
  for (int i = thesaurus.findFirstAtOrAbove(matcher.lowKey()); i < thesaurus.entryCount(); ++i) {
    const std::string& word = *thesaurus.entryWord(i);
    if (matcher.pastEnd(word)) break;
    if (!matcher.match(word)) continue;
    size_t s = static_cast<size_t>(thesaurus.entry(i)->setIndex);
    if (setDone[s]) continue;
    setDone[s] = true;
    for (const std::string& synonym : *thesaurus.entrySet(i))
      if (seen.insert(synonym).second) words_.push_back(synonym);
  }
  return static_cast<int>(words_.size());
}

bool SynonymIterator::next(std::string* word) {
  if (at_ >= words_.size()) return false;
  *word = words_[at_++];
  return true;
}
