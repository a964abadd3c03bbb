// SearchWord: one word of a search request split into its text and its markers (phonic,
// synonym, stemming, fuzzy characters), and the search-wide fuzziness that turns an exact
// word into a fuzzy one. Pure string work: depends on nothing but the standard library.
#pragma once

#include <string>

// The marker characters of a request; the engine options can change them.
struct SearchMarkers {
  char stemming = '~';
  char phonic = '#';
  char fuzzy = '%';
  char synonym = '&';
  // The words are UTF-8 (a Unicode index): "?", fuzzy differences, fuzzy prefixes and the
  // phonic first letter count characters, not bytes.
  bool utf8 = false;
};

// The word options a whole search can turn on (the engine options and the job's flags).
struct SearchOptions {
  bool fuzzySearching = false;
  int fuzziness = 0;  // 0..9
  bool phonicSearching = false;
  bool autoStemming = false;
  bool synonymSearching = false;
  bool natLangSearching = false;
};

// Threads: a plain value.
class SearchWord {
 public:
  static constexpr int kMaxFuzziness = 9;
  static constexpr int kMaxDifferences = 8;

  // Takes the word as written: trims it, then removes a leading phonic character, the first
  // synonym character, a trailing stemming character and every fuzzy character, setting the
  // flags, the fuzzy start (index of the first fuzzy character, -1 when none) and the fuzzy
  // count. The fuzziness is left as it was.
  void parse(const std::string& written, const SearchMarkers& markers = {});

  // The word written back with its markers. A word holding "~~" (a range) comes back as its
  // text. Without fuzzy characters of its own, the word's fuzziness decides them.
  std::string format(const SearchMarkers& markers = {}) const;
  // The same with `fuzziness` (clamped to 0..9) in place of the word's own.
  std::string format(int fuzziness, const SearchMarkers& markers = {}) const;

  // The fuzzy start and count that a search-wide fuzziness (clamped to 0..9) gives a word of
  // `length` characters: *count 0 (and *start -1) when the word stays exact.
  static void resolveFuzziness(int fuzziness, int length, int* start, int* count);

  std::string text;
  int fuzziness = 0;
  int fuzzyStart = -1;
  int fuzzyCount = 0;
  bool phonic = false;
  bool stemming = false;
  bool synonym = false;
};
