// NoiseList: the words an index never indexes (INDEX_N.IX, a text file of one word or
// pattern a line), kept as a pattern tree so that the indexer and the search side can ask
// about every word cheaply. The file is drawn in docs/formats/noise-list.md. Depends on
// the standard library and objects/ only; index/TextDB hands it the file's text.
#pragma once

#include <cstdint>
#include <string>
#include <functional>
#include <string_view>
#include <unordered_set>
#include <vector>

// Threads: one user at a time; isNoise() is const and may be shared by readers once built.
// Words are compared byte for byte: entries must be written as the alphabet gives indexed
// words (folded), since the words asked about are folded already.
class NoiseList {
 public:
  static constexpr int kMaxEntries = 1024;
  static constexpr int kMaxAddCount = 1023;  // add() stops below this count
  static constexpr int kMaxLines = 1000;     // load() reads at most this many words
  // A line longer than this is no word the indexer can produce; it is skipped.
  static constexpr size_t kMaxEntryBytes = 512;

  NoiseList() { clear(); }
  NoiseList(const NoiseList&) = delete;
  NoiseList& operator=(const NoiseList&) = delete;

  // Empties the list and reads the entries of the text file `fileName` (not built; call
  // build()). 0, or -1 when the file cannot be read (the list is then empty).
  int load(const std::string& fileName);
  // As load() from text already in memory (the noise file's bytes). Returns the count of
  // entries read.
  int loadText(const std::string& text);
  // Appends one entry while the count is below 1023; beyond that the word is ignored.
  // Empty words, words with a zero byte and words over 512 bytes are ignored too.
  void add(const std::string& word);
  // Sorts the entries by byte value and builds the pattern tree from them.
  void build();
  // Loads an index's list from the text of its INDEX_N.IX, adds the four field names
  // XFIRSTWORD, XLASTWORD, XNAME and XDATE (so document text never produces them) and
  // builds the tree. Returns the count of entries.
  int loadForIndex(const std::string& noiseText);
  // Empties entries and tree.
  void clear();

  // True when the built tree matches `word` of `length` bytes: the first byte exactly,
  // then "?" one byte and "*" any run of bytes. False at once for an empty list.
  bool isNoise(const char* word, size_t length) const;
  bool isNoise(const std::string& word) const { return isNoise(word.data(), word.size()); }

  int count() const { return static_cast<int>(entries_.size()); }
  const std::vector<std::string>& entries() const { return entries_; }

 private:
  struct Node {
    char ch = 0;          // 0 ends a word; '*' holds the rest of its pattern in `rest`
    int32_t next = -1;    // node for the following character
    int32_t alt = -1;     // another node at the same place
    std::string rest;
  };

  void insert(const std::string& pattern);
  int32_t newChain(const std::string& pattern, size_t from);
  bool matchFrom(int32_t node, const char* word, size_t length, size_t pos) const;

  std::vector<std::string> entries_;
  std::vector<Node> nodes_;
  int32_t heads_[256] = {};
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  std::unordered_set<std::string, Hash, std::equal_to<>> exact_;  // entries without patterns
  bool patternFirst_[256] = {};                 // some pattern begins with this byte
  bool exactFirst_[256] = {};                   // some entry of exact_ begins with this byte
  bool built_ = false;
};
