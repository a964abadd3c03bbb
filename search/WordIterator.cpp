// WordIterator: positions the dictionary cursor at the low key and reads keys in order.
#include "search/WordIterator.h"

#include <vector>

#include "index/IndexFormat.h"
#include "trie/KeyFile.h"

namespace {
constexpr int kKeyBufferBytes = 1024;  // above the longest key the key file stores
}

int WordIterator::first(const std::string& written, WordHit* hit, const SearchMarkers& markers,
                        const Stemmer* stemmer) {
  matcher_.setup(written, markers, stemmer);
  done_ = false;
  inWords_ = false;
  const std::string& low = matcher_.lowKey();
  if (low.empty()) {
    if (keys_.first(indexformat::kWordKind) < 0) {
      done_ = true;
      return 0;
    }
    positioned_ = true;
  } else {
    // find() leaves the cursor on the key itself or on the nearest one below it.
    positioned_ = keys_.find(indexformat::kWordKind, low.c_str(), nullptr) == 0;
  }
  return scan(hit);
}

int WordIterator::next(WordHit* hit) {
  if (done_) return 0;
  positioned_ = false;
  return scan(hit);
}

int WordIterator::scan(WordHit* hit) {
  char buffer[kKeyBufferBytes];
  for (;;) {
    if (!positioned_ && keys_.next() < 0) break;
    positioned_ = false;
    int kind = keys_.getKind();
    // The words are the last kind in the file: keys of other kinds (and the low sentinel)
    // only come before them, the high sentinel after them.
    if (kind != indexformat::kWordKind) {
      if (inWords_) break;
      continue;
    }
    inWords_ = true;
    int length = keys_.getKey(buffer, sizeof buffer);
    if (length < 0) {
      done_ = true;
      return -1;
    }
    std::string word(buffer, static_cast<size_t>(length));
    if (word.compare(matcher_.lowKey()) < 0) continue;
    if (matcher_.pastEnd(word)) break;
    if (!matcher_.match(word)) continue;
    TrieValue value;
    if (keys_.getValue(&value) < 0) {
      done_ = true;
      return -1;
    }
    hit->word = std::move(word);
    hit->id = value.v[0];
    hit->occurrences = value.v[1];
    hit->documents = value.v[2];
    return 1;
  }
  done_ = true;
  return 0;
}
