// Hyphen processing for the indexer's word source. When hyphens get all three forms, a word
// that ends in a hyphen is delivered with its partner word as "first", "first-class",
// "firstclass" (all under the first word's number) and "class" (under the next number).
// Depends on import/TextFormat.
#pragma once

#include <deque>
#include <functional>
#include <string>

class Alphabet;

class HyphenWords {
 public:
  // Hands out the next word of the document and its number; false at the document's end.
  using Fetch = std::function<bool(std::string* word, long* number)>;

  // Joins with the hyphen mode and word classes of `alphabet`, which must outlive this.
  HyphenWords(Fetch fetch, const Alphabet& alphabet) : fetch_(std::move(fetch)), alphabet_(alphabet) {}

  // The next word to index, with its number; false when the document has no more.
  bool next(std::string* word, long* number);

  static constexpr size_t kMaxJoinInput = 123;  // longer words are not joined
  static constexpr size_t kMaxJoined = 128;

 private:
  struct Held {
    std::string word;
    long number;
  };
  bool endsInSpecialHyphen(const std::string& w) const;

  Fetch fetch_;
  const Alphabet& alphabet_;
  std::deque<Held> held_;
};
