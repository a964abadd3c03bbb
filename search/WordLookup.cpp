// WordLookup: one simple node's words in one index.
#include "search/WordLookup.h"

#include <utility>

#include "import/Alphabet.h"
#include "import/UnicodeWords.h"
#include "objects/MessageTable.h"
#include "objects/Reporter.h"

WordLookup::WordLookup(KeyFile& keys, WordLookupSettings settings)
    : keys_(keys), settings_(std::move(settings)) {}

std::string WordLookup::foldedText(const std::string& nodeText) const {
  const Alphabet& alphabet = settings_.alphabet ? *settings_.alphabet : Alphabet::builtIn();
  const SearchMarkers& m = settings_.markers;
  std::string operators = {m.stemming, m.phonic, m.fuzzy, m.synonym, '@', '?', '*', '(', ')'};
  std::string word = alphabet.translateRequest(nodeText, operators);
  // Quoted text passes the translation as written (its operators are plain characters), but
  // its letters still fold as the index folded its words: otherwise "Apple" could never find
  // the apple of a case-blind index.
  // The engine's own quoted forms, number words ("!i" and hex digits) and field words
  // ("xname=..."), are exact already.
  const bool ownForm = word.size() > 1 && (word[1] == '!' || word.find('=') != std::string::npos);
  if (!ownForm && !word.empty() && word.front() == '"' && alphabet.isUnicode()) {
    const bool closed = word.size() >= 2 && word.back() == '"';
    word = "\"" + unicodewords::foldText(alphabet, std::string_view(word).substr(1, word.size() - (closed ? 2 : 1))) +
           (closed ? "\"" : "");
  } else if (!ownForm && !word.empty() && word.front() == '"')
    for (size_t i = 1; i < word.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(word[i]);
      if (alphabet.isLetter(c) && alphabet.map(c)) word[i] = static_cast<char>(alphabet.map(c));
    }
  if (word.size() >= 2 && word.front() == '"' && word.back() == '"')
    word = word.substr(1, word.size() - 2);
  return word;
}

int WordLookup::lookup(const std::string& nodeText,
                       const std::function<int(const WordHit&)>& addWord, NodeWords* out) {
  *out = NodeWords();
  if (overLimit_) return -1;
  std::string word = foldedText(nodeText);
  if (settings_.isNoise && settings_.isNoise(word)) {
    out->noise = true;
    return 0;
  }
  WordHit hit;
  if (settings_.resolved) {
    int found = settings_.resolved(word, &hit);
    if (found < 0) return -1;
    if (found > 0) {
      if (hit.id == -1) return -1;
      if (addWord(hit) < 0) return -1;
      out->wordCount = 1;
      out->documentSum = hit.documents;
      return 0;
    }
  }
  WordIterator words(keys_);
  bool sawUnreferenced = false;
  // The indexer's own words, number words ("!i" and eight hex digits) and field words
  // ("xname=..."), are found only by a request word written in their form (a number range),
  // never by a wildcard, fuzzy, phonic or stemmed neighbour of a text word.
  const bool numberForm = !word.empty() && word[0] == '!';
  const bool fieldForm = word.find('=') != std::string::npos;
  SearchMarkers markers = settings_.markers;
  markers.utf8 = settings_.alphabet && settings_.alphabet->isUnicode();
  int rc = words.first(word, &hit, markers, settings_.stemmer);
  for (; rc > 0; rc = words.next(&hit)) {
    if ((!numberForm && !hit.word.empty() && hit.word[0] == '!') ||
        (!fieldForm && hit.word.find('=') != std::string::npos))
      continue;
    if (hit.id == 0) {
      sawUnreferenced = true;
      continue;
    }
    if (++expanded_ > kMaxExpandedWords) {
      overLimit_ = true;
      // The word that goes over the limit is named, with the limit, so the user knows what
      // to narrow.
      if (settings_.reporter)
        settings_.reporter->error(messages::text(kTooManyWordsMessage,
                                                 {settings_.indexName, nodeText, std::to_string(kMaxExpandedWords)}));
      return -1;
    }
    if (addWord(hit) < 0) return -1;
    ++out->wordCount;
    out->documentSum += hit.documents;
  }
  if (rc < 0) return -1;
  if (out->wordCount == 0 && sawUnreferenced) out->noise = true;
  return 0;
}
