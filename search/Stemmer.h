// Stemmer: suffix rules read from the stemming rules file (STEMMING.DAT by default, the
// option stemmerName) that reduce a word to its stem, and the root of a word (the prefix that
// every word with the same stem shares), which bounds the word-list scan of a stemmed search
// word. Depends on io/WholeFile only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One rule: a word that ends with `suffix` and keeps at least `minLength` characters without
// it has the suffix replaced by `replacement`.
struct StemRule {
  static constexpr size_t kMaxPart = 10;
  uint16_t minLength = 0;
  std::string suffix;
  std::string replacement;
};

// Threads: loading is one user at a time; a loaded stemmer may be read by many.
class Stemmer {
 public:
  static constexpr size_t kMaxLineBytes = 80;
  static constexpr int kMaxApplications = 512;
  static constexpr size_t kMaxFileBytes = 1u << 20;
  // Stemming stops before a rule would make the word longer than this (rules that keep
  // adding to a word would otherwise grow it by up to 512 replacements).
  static constexpr size_t kMaxStemBytes = 256;

  // Reads the rules file. 0; -1 when it cannot be read (no rules are left) or a rule line is
  // malformed (the rules before it are kept).
  int load(const std::string& path);
  // The same from memory (used by load and the fuzz target).
  int parse(const char* data, size_t size);
  // Adds one rule (suffix of 1 to 10 characters, replacement of 0 to 10). 0 or -1.
  int addRule(const StemRule& rule);
  void clear();

  // Reduces `word` in place; without rules it is left alone.
  void stem(std::string* word) const;
  // The longest prefix of `word` shared by every word that the rules bring to its stem.
  std::string root(const std::string& word) const;

  const std::vector<StemRule>& rules() const { return rules_; }
  // "%d+" (when the minimum length is not 0), the suffix, " -> ", the replacement.
  static std::string format(const StemRule& rule);

 private:
  void rebuildTable();

  std::vector<StemRule> rules_;
  // For each last character: the smallest minLength + suffix length among the rules whose
  // suffix ends in it (a word shorter than that has nothing to stem); SIZE_MAX when none.
  size_t shortest_[256];
  bool tableBuilt_ = false;
};
