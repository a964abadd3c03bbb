// LiteralPrecheck: lets an unindexed scan pass over a plain-text file without breaking it into
// words when the file's bytes prove that the request cannot match it. It serves requests of
// one plain word only (letters, no markers, no word options) and files of the built-in Ansi
// and Ascii importers: bytes 1..127 in both text models, and for a Unicode scan also text
// the importer reads as UTF-8, Windows-1252 or the DOS code page, each character folded as
// the index folds it. It also serves messages and mailboxes that the mail reader gives as
// their bytes stand (import/PlainMail). Any other request or file is always scanned.
// Depends on import/ (Alphabet, Charset, PlainMail, UnicodeText, ViewerTable) and search/
// (SearchTree, RequestSettings).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "search/RequestSettings.h"

class Alphabet;
class ByteSource;
class SearchTree;
struct ViewerEntry;

// Threads: a plain value; mayHold may run on many threads at once.
class LiteralPrecheck {
 public:
  // Prepares the check for `tree` (parsed with `settings`). Words longer than `maxWordLength`
  // are cut as the indexer cuts them. `alphabet` (null: the built-in one) is the scan index's;
  // a Unicode alphabet makes the check read text as the importers of a Unicode index
  // deliver it.
  LiteralPrecheck(const SearchTree& tree, const RequestSettings& settings, int maxWordLength,
                  const Alphabet* alphabet = nullptr);

  // True when the request is one the check serves.
  bool active() const { return !word_.empty(); }
  // The word the files are checked for (folded to lower case), empty when inactive.
  const std::string& word() const { return word_; }

  // False only when the document opened with `format`, whose bytes `source` reads, cannot
  // hold the request's word; true when it may, when the check does not serve the format or
  // the request, and when the file cannot be read (the scan then reports it as it always did).
  bool mayHold(const ViewerEntry& format, ByteSource& source) const;

  // The test on a plain-text file's bytes: false only when the letters of `bytes`, in order
  // and with every other character left out, do not hold the word (case-blind). For a
  // code-page scan every byte must be 1..127; for a Unicode scan the bytes are decoded as the
  // Ansi importer (the DOS code page with `dosText`, the Ascii importer) would decode them,
  // and each character gives the letters it folds to. True when the check is inactive.
  bool bytesMayHold(const uint8_t* bytes, size_t byteCount, bool dosText = false) const;
  // The same test on one word of the scan's index, as the index folds it (UTF-8 for a
  // Unicode scan): false only when the request's word cannot be it. True when inactive.
  bool indexWordMayBe(std::string_view word) const;

 private:
  static constexpr uint8_t kSkipped = 0;     // not a letter: left out of the letter stream
  // NUL, a byte above 127 or a letter the alphabet pairs with another: the file is scanned.
  static constexpr uint8_t kUndecided = 0xFF;

  // A character's part in the letter stream: its letters, or kUndecided as the first byte.
  using Letters = std::string;
  struct Stream;
  static bool sevenBit(const uint8_t* bytes, size_t byteCount);  // all bytes 1..127
  bool sevenBitMayHold(const uint8_t* bytes, size_t byteCount) const;
  bool asciiMayHold(const uint8_t* bytes, size_t byteCount) const;
  bool utf8MayHold(const uint8_t* bytes, size_t byteCount) const;
  bool singleByteMayHold(const uint8_t* bytes, size_t byteCount, const std::array<Letters, 128>& high) const;
  // The ASCII letters the character `utf8` folds to, in lower case; kUndecided first when a
  // letter is one the alphabet pairs with another.
  Letters lettersOf(std::string_view utf8) const;

  bool unicode_ = false;
  std::array<Letters, 128> windows1252_;  // bytes 0x80..0xFF of each code page (Unicode scans)
  std::array<Letters, 128> dos_;
  std::string word_;
  uint8_t starters_[2] = {};  // the bytes that fold to the word's first letter
  int starterCount_ = 0;      // 0: none found that way
  std::vector<int> fallback_;  // the word's failure function for the letter stream
  uint8_t letterOf_[256] = {};  // each byte's folded letter, kSkipped or kUndecided
};
