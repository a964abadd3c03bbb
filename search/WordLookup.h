// WordLookup: expands the words of a request's simple nodes against one index's word list for
// the evaluation: request folding, the noise list, words the search has already resolved,
// and the limit on expanded words per index (message 34). Depends on search/WordIterator,
// import/Alphabet and objects/MessageTable.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "search/WordIterator.h"

class Alphabet;
class KeyFile;
class Stemmer;

// What one node's lookup found.
struct NodeWords {
  bool noise = false;          // a noise word, or only words listed without references
  int wordCount = 0;           // matching words with references
  int64_t documentSum = 0;     // their document counts added up
};

// Settings of the lookups of one search of one index.
class Reporter;

struct WordLookupSettings {
  std::string indexName;                  // named in message 34
  Reporter* reporter = nullptr;           // where message 34 goes (null: nowhere)
  const Alphabet* alphabet = nullptr;     // null: the built-in alphabet
  const Stemmer* stemmer = nullptr;       // null: stemmed words match only by their pattern
  SearchMarkers markers;
  // The index's noise list; empty: there are no noise words.
  std::function<bool(const std::string& word)> isNoise;
  // Words the search already resolved to this index: 1 with *hit filled (an id of -1 means
  // the word is known to fail), 0 when the word is not there. Empty: nothing is resolved.
  std::function<int(const std::string& word, WordHit* hit)> resolved;
};

// Threads: one user at a time; moves the key file's cursor.
class WordLookup {
 public:
  static constexpr int kMaxExpandedWords = 500;
  static constexpr int kTooManyWordsMessage = 34;

  // `keys` (the index's dictionary) must stay open while the lookup is used.
  WordLookup(KeyFile& keys, WordLookupSettings settings);

  // Looks up one simple node's text. Every matching word with references is handed to
  // `addWord` (which returns 0, or -1 to fail the lookup); *out is reset and filled.
  // 0; -1 when `addWord` fails, the key file cannot be read, a resolved word has id -1, or
  // the words expanded in this index go past kMaxExpandedWords (message 34 is then shown
  // with the index name, and every later lookup fails too).
  int lookup(const std::string& nodeText, const std::function<int(const WordHit&)>& addWord,
             NodeWords* out);

  // The node text as the word list holds it: folded by the request map, quotes removed.
  std::string foldedText(const std::string& nodeText) const;

  // Matching words with references expanded so far in this index.
  int expandedCount() const { return expanded_; }

 private:
  KeyFile& keys_;
  WordLookupSettings settings_;
  int expanded_ = 0;
  bool overLimit_ = false;
};
