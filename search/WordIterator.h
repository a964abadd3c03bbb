// WordIterator: walks an index's word list (the dictionary keys of kind 0) from a request
// word's low key to its high key and yields the words that match it, each with its dictionary
// value. Depends on trie/KeyFile and search/WordMatcher.
#pragma once

#include <cstdint>
#include <string>

#include "search/WordMatcher.h"
#include "trie/TrieValue.h"

class KeyFile;

// One word found: its id (the position of its reference chunk; 0 for a word listed without
// references), its occurrence and document counts.
struct WordHit {
  std::string word;
  int32_t id = 0;
  int32_t occurrences = 0;
  int32_t documents = 0;
};

// Threads: one user at a time; the key file's cursor is moved.
class WordIterator {
 public:
  // `keys` must stay open for as long as the iterator is used.
  explicit WordIterator(KeyFile& keys) : keys_(keys) {}

  // Sets the matcher up for `written` and finds the first matching word. 1 with *hit set,
  // 0 when no word matches, -1 when the key file cannot be read.
  int first(const std::string& written, WordHit* hit, const SearchMarkers& markers = {},
            const Stemmer* stemmer = nullptr);
  // The next matching word: 1, 0 at the end, -1 on a read failure.
  int next(WordHit* hit);

  const WordMatcher& matcher() const { return matcher_; }

 private:
  int scan(WordHit* hit);

  KeyFile& keys_;
  WordMatcher matcher_;
  bool positioned_ = false;  // the cursor stands on a key not yet tried
  bool done_ = true;
  bool inWords_ = false;     // a key of the word kind has been read
};
