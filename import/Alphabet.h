// The alphabet: for each of the 256 byte values of the document code page, whether it is a
// letter, a space, a hyphen or ignored, and how letters fold for case and accents. From it
// come the folding map that every word passes through before it is indexed or compared, and
// the word finder's character classes. Nothing is process-wide: the engine holds the alphabet
// of its options, and each open index a copy folded by the index's own flags, which its
// words and every request searched in it go through. The alphabet file format is in
// docs/formats/alphabet-file.md. Depends on platform/, objects/ and io/ only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "import/TextFormat.h"

class Alphabet {
 public:
  static constexpr uint16_t kSignature = 0xABC0;
  // Character types; with kLetter, kUpperFlag marks upper case and kAccentFlag accented.
  static constexpr uint16_t kIgnored = 0;
  static constexpr uint16_t kHyphen = 1;
  static constexpr uint16_t kSpace = 2;
  static constexpr uint16_t kLetter = 4;
  static constexpr uint16_t kUpperFlag = 1;
  static constexpr uint16_t kAccentFlag = 2;
  // Folding switches (the options byte).
  static constexpr uint8_t kFoldAccents = 1;
  static constexpr uint8_t kFoldUpper = 2;
  static constexpr uint8_t kFoldLower = 8;
  // The binary image: signature, types, upper, lower, unaccented, map.
  static constexpr size_t kImageBytes = 2 + 512 + 4 * 256;
  static constexpr const char* kFileTitle = "Lexaurum Alphabet File";

  // The built-in defaults (Windows-1252 letters and digits, the punctuation as spaces,
  // "-" and "_" as hyphens), no folding, hyphen mode 1.
  Alphabet();
  // The built-in defaults with their map built, for code that works without an engine or an
  // index (tests, recognising a file's type). Never changes.
  static const Alphabet& builtIn();

  void clear();
  void setDefaults();

  // Character types. Each sets the type and the character's map entry.
  void setLetter(unsigned char c);
  void setSpace(unsigned char c);
  void setHyphen(unsigned char c);
  void setIgnored(unsigned char c);
  void setLetters(const std::string& chars);
  void setSpaces(const std::string& chars);
  void setHyphens(const std::string& chars);
  void setIgnoredChars(const std::string& chars);

  void setUpperCase(unsigned char c);
  void setLowerCase(unsigned char c);
  void setCasePair(unsigned char upperChar, unsigned char lowerChar);
  void setAccent(unsigned char c, bool accented);
  void setAccentPair(unsigned char accentedChar, unsigned char baseChar);

  // Folding switches; each rebuilds the map when the setting changes. Upper and lower
  // folding exclude each other: turning one on turns the other off.
  void foldAccents(bool on);
  void foldUpper(bool on);
  void foldLower(bool on);
  uint8_t options() const { return options_; }

  // The hyphen mode: 0 ignore hyphens, 1 all three forms, 2 hyphens are spaces, 4 hyphens
  // are searchable. Setting it rebuilds the map and the word finder's classes.
  void setHyphenMode(int mode);
  int hyphenMode() const { return hyphenMode_; }

  // A copy folded as an index with these flags folds its words and requests: accents
  // removed when `ignoreAccents`, upper case to lower when `ignoreCase`, nothing else.
  Alphabet foldedFor(bool ignoreCase, bool ignoreAccents) const;

  // The alphabet of an index of the Unicode text model, folded by these flags: text is UTF-8;
  // the ASCII characters keep this alphabet's types and its hyphen mode, the bytes from 0x80
  // on pass the map unchanged (lead and continuation bytes count as letters, the bytes that
  // never occur in UTF-8 as spaces), and words are broken and folded by import/UnicodeWords.
  Alphabet unicodeFor(bool ignoreCase, bool ignoreAccents) const;
  // The same for UTF-8 text with this alphabet's folding switches as they are (the ASCII
  // letters fold by them; other letters fold to lower case only with kFoldLower).
  Alphabet asUnicode() const;
  // True for the alphabet of a Unicode index.
  bool isUnicode() const { return unicode_; }

  // Rebuilds the map and the word finder's classes from the types, the folding switches and
  // the hyphen mode.
  void rebuildMap();

  // The word finder's classes of the characters (import/TextFormat.h).
  const textformat::WordClasses& wordClasses() const { return classes_; }

  // Each input character becomes map[c]; characters that map to 0 are dropped. Reads at most
  // `maxLength` input characters (and stops at a NUL); returns the output length. `out` must
  // hold `maxLength` bytes; it is not NUL-terminated.
  int translateWord(char* out, const char* in, int maxLength) const;
  // Folds a search request: inside double quotes (quotes included) characters pass as they
  // are; outside, characters in `operators` pass as they are and the rest go through the map.
  std::string translateRequest(const std::string& request,
                               const std::string& operators = "@%#&~?*()") const;
  // A letter that folds to itself.
  bool isFoldedLetter(unsigned char c) const;

  uint16_t type(unsigned char c) const { return type_[c]; }
  bool isLetter(unsigned char c) const { return (type_[c] & kLetter) != 0; }
  unsigned char upper(unsigned char c) const { return upper_[c]; }
  unsigned char lower(unsigned char c) const { return lower_[c]; }
  unsigned char unaccented(unsigned char c) const { return unaccented_[c]; }
  unsigned char map(unsigned char c) const { return map_[c]; }
  uint16_t signature() const { return signature_; }

  // The binary image (kImageBytes, then one 0xFF byte).
  std::string toImage() const;
  // Loads an image; a wrong signature or a short image resets to the defaults and gives -1.
  // The map is rebuilt either way. 0 or -1.
  int fromImage(const void* data, size_t size);

  // Reads an alphabet file. 0; -1 when it cannot be opened or its first line is wrong (the
  // alphabet is then the defaults).
  int readFile(const std::string& path);
  // The same from memory (used by readFile and the fuzz target).
  int parse(const char* data, size_t size);
  // The file form of this alphabet.
  std::string fileText() const;
  // Writes the alphabet file (crash-safe replace); 0 or -1.
  int writeFile(const std::string& path) const;
  // The diagnostic listing.
  std::string listing() const;

 private:
  uint16_t signature_;
  uint16_t type_[256];
  unsigned char upper_[256];
  unsigned char lower_[256];
  unsigned char unaccented_[256];
  unsigned char map_[256];
  uint8_t options_;
  int hyphenMode_ = 1;
  bool unicode_ = false;
  textformat::WordClasses classes_;
};

// The mode for a value of the option `hyphens` (1 -> 0, 3 -> 2, 2 -> 4, anything else -> 1).
int hyphenModeFromOption(int optionValue);
// The Windows-1252 accented letters with their base letters, for alphabets that fold accents.
void addLatinAccentPairs(Alphabet* alphabet);
