// FoldedSynonyms: a folded, sorted copy of the thesaurus's words and the walk over it.
#include "search/FoldedSynonyms.h"

#include <algorithm>
#include <unordered_set>

#include "import/Alphabet.h"
#include "search/Thesaurus.h"
#include "search/WordMatcher.h"

FoldedSynonyms::FoldedSynonyms(const Thesaurus& thesaurus, const Alphabet& alphabet)
    : thesaurus_(thesaurus), alphabet_(alphabet) {
  words_.reserve(static_cast<size_t>(thesaurus.entryCount()));
  for (int i = 0; i < thesaurus.entryCount(); ++i)
    words_.push_back({fold(*thesaurus.entryWord(i)), i});
  std::sort(words_.begin(), words_.end());
}

std::string FoldedSynonyms::fold(const std::string& word) const {
  return alphabet_.translateRequest(word);
}

std::vector<std::string> FoldedSynonyms::find(const std::string& written,
                                              const SearchMarkers& markers,
                                              const Stemmer* stemmer) const {
  WordMatcher matcher;
  matcher.setup(written, markers, stemmer);
  std::vector<std::string> out;
  std::unordered_set<std::string> seen;
  std::vector<bool> setDone(static_cast<size_t>(thesaurus_.setCount()), false);
  auto it = std::lower_bound(words_.begin(), words_.end(),
                             std::pair<std::string, int>{matcher.lowKey(), -1});
  for (; it != words_.end(); ++it) {
    if (matcher.pastEnd(it->first)) break;
    if (!matcher.match(it->first)) continue;
    size_t s = static_cast<size_t>(thesaurus_.entry(it->second)->setIndex);
    if (setDone[s]) continue;
    setDone[s] = true;
    for (const std::string& synonym : *thesaurus_.entrySet(it->second)) {
      std::string folded = fold(synonym);
      if (seen.insert(folded).second) out.push_back(folded);
    }
  }
  return out;
}
