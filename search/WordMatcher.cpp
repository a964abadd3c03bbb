// WordMatcher: key range set-up and the match of one index word.
#include "search/WordMatcher.h"

#include <algorithm>

#include "import/UnicodeText.h"
#include "search/FuzzyMatch.h"
#include "search/PhonicKey.h"
#include "search/Stemmer.h"

void WordMatcher::setup(const std::string& written, const SearchMarkers& markers,
                        const Stemmer* stemmer) {
  stemmer_ = stemmer;
  utf8_ = markers.utf8;
  word_.parse(written, markers);
  pattern_ = word_.text;
  stemmed_.clear();
  unstemmed_.clear();
  phonicKey_.clear();
  unbounded_ = false;
  if (word_.phonic) phonicKey_ = phonicKey(pattern_, utf8_);

  if (word_.stemming) {
    unstemmed_ = pattern_;
    stemmed_ = pattern_;
    if (stemmer_) {
      stemmer_->stem(&stemmed_);
      low_ = stemmer_->root(pattern_);
    } else {
      low_ = pattern_;
    }
    high_ = low_;
  } else {
    size_t range = pattern_.find("~~");
    if (range != std::string::npos) {
      low_ = pattern_.substr(0, range);
      high_ = pattern_.substr(range + 2);
      pattern_ = "*";
    } else {
      low_ = high_ = pattern_;
    }
  }

  // The literal prefix: up to the first wildcard of the low key or the fuzzy start.
  size_t literal = low_.find_first_of("?*");
  if (word_.fuzzyStart >= 0)
    literal = std::min(literal, static_cast<size_t>(word_.fuzzyStart));
  if (literal != std::string::npos) {
    low_.resize(std::min(literal, low_.size()));
    high_.resize(std::min(literal, high_.size()));
  }
  makeHighExclusive();
  if (literal == 0) {
    low_.clear();
    high_.clear();
    unbounded_ = true;
  }

  if (word_.phonic) {
    unbounded_ = pattern_.empty();
    int first = 1;
    if (utf8_ && !pattern_.empty()) unicodetext::decode(pattern_, 0, &first);
    low_ = high_ = pattern_.substr(0, static_cast<size_t>(first));
    if (!unbounded_) makeHighExclusive();
  }
}

// The smallest key above every key that starts with high_: trailing bytes of value 255 are
// dropped and the last remaining byte is increased; nothing left means no upper bound.
void WordMatcher::makeHighExclusive() {
  while (!high_.empty() && static_cast<unsigned char>(high_.back()) == 255) high_.pop_back();
  if (high_.empty()) {
    unbounded_ = true;
    return;
  }
  high_.back() = static_cast<char>(static_cast<unsigned char>(high_.back()) + 1);
}

bool WordMatcher::pastEnd(const std::string& word) const {
  return !unbounded_ && word.compare(high_) >= 0;
}

bool WordMatcher::wildcard(const std::string& word, const std::string& pattern) const {
  return utf8_ ? fuzzymatch::wildcardMatchUtf8(word, pattern) : fuzzymatch::wildcardMatch(word, pattern);
}

bool WordMatcher::fuzzy(const std::string& word, const std::string& pattern) const {
  return utf8_ ? fuzzymatch::fuzzyMatchUtf8(word, pattern, word_.fuzzyCount)
               : fuzzymatch::fuzzyMatch(word, pattern, word_.fuzzyCount);
}

bool WordMatcher::matchForm(const std::string& word, const std::string& pattern) const {
  if (word_.fuzzyCount > 0) return word.compare(0, low_.size(), low_) == 0 && fuzzy(word, pattern);
  return wildcard(word, pattern);
}

bool WordMatcher::match(const std::string& word) const {
  if (word.compare(low_) < 0 || pastEnd(word)) return false;
  if (word_.phonic) return phonicKey(word, utf8_) == phonicKey_;
  if (word_.stemming) {
    if (word_.fuzzyCount > 0 && fuzzy(word, unstemmed_)) return true;
    if (wildcard(word, unstemmed_) || wildcard(word, stemmed_)) return true;
    std::string stem = word;
    if (stemmer_) stemmer_->stem(&stem);
    return matchForm(stem, stemmed_);
  }
  return matchForm(word, pattern_);
}
