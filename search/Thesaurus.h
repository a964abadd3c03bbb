// Thesaurus: the user's synonym sets (THESAUR.DAT) and the list of all their words kept in
// word-list byte order, so that a request word's key range can be walked in it. Reads and
// writes its text file; depends on io/WholeFile only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One word occurrence in a set.
struct ThesaurusEntry {
  int32_t setIndex = 0;
  int32_t position = 0;
};

// Threads: one user at a time (reading the contents may read the file named to be read later).
class Thesaurus {
 public:
  static constexpr const char* kTitle = "Lexaurum User Thesaurus";
  static constexpr const char* kFileName = "THESAUR.DAT";
  static constexpr size_t kMaxFileBytes = 16u << 20;

  // Replaces the contents with the file's. 0; -1 when it cannot be read or its first line is
  // not the title (the thesaurus is then empty).
  int load(const std::string& path);
  // Names a file that is read at the first use of the contents instead, so that a run that
  // never asks for synonyms never reads it. One that cannot then be read is traced and
  // leaves the thesaurus empty.
  void loadOnFirstUse(const std::string& path);
  // The same from memory (used by load and the fuzz target). Entry lines that do not name
  // every word of every set exactly once, in word order, are ignored and the entries rebuilt
  // from the sets.
  int parse(const char* data, size_t size);
  // Writes the file (the old one is replaced whole or left as it was). 0 or -1.
  int save(const std::string& path) const;
  // The file's text.
  std::string fileText() const;

  // Appends a set and one entry per word. -1 (nothing added) for an empty set, an empty word,
  // or a word holding a double quote, carriage return or line feed, which the file cannot
  // hold.
  int addSet(const std::vector<std::string>& words);
  void clear();

  int entryCount() const;
  int setCount() const;
  // Entry i; null outside 0..entryCount()-1. Valid until the thesaurus changes.
  const ThesaurusEntry* entry(int i) const;
  // The word of entry i; null for a bad index.
  const std::string* entryWord(int i) const;
  // The set of entry i; null for a bad index.
  const std::vector<std::string>* entrySet(int i) const;
  // Word j of the set of entry i; null for a bad index.
  const std::string* setWord(int i, int j) const;
  // Set s; null for a bad index.
  const std::vector<std::string>* set(int s) const;

  // The first entry whose word is at or above `key` in byte order; entryCount() when none.
  int findFirstAtOrAbove(const std::string& key) const;

  // Diagnostic listing of the sets and of the sorted entries.
  std::string dump() const;

 private:
  void rebuildEntries();
  bool entriesValid() const;
  const std::string& wordOf(const ThesaurusEntry& e) const;
  // Reads the file loadOnFirstUse named, once.
  void settle() const;

  std::vector<std::vector<std::string>> sets_;
  std::vector<ThesaurusEntry> entries_;
  mutable std::string pendingPath_;
};
