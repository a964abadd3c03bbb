// The word finder and its tables. From an alphabet's character types and hyphen mode come
// its word classes: the class of each character (word, ignored, space, special hyphen) and
// whether it continues a word. The word finder cuts one line of the text reader's line buffer (characters and
// formatting codes) into words with the classes of the alphabet it is given. Depends on
// import/Alphabet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class Alphabet;

namespace textformat {

// Character classes.
constexpr uint8_t kWordChar = 1;
constexpr uint8_t kIgnoredChar = 2;
constexpr uint8_t kSpaceChar = 3;
constexpr uint8_t kHyphenChar = 4;  // a hyphen that gets special processing (mode 1)

// Formatting codes of the line buffer that matter to the word finder.
constexpr unsigned char kHiddenCode = 3;  // hidden text runs between two of these
constexpr unsigned char kEscapeCode = 4;  // the next code is a character, not a code

constexpr int kMaxWordsPerLine = 80;

// The classes of the characters of one alphabet, held by the alphabet.
struct WordClasses {
  uint8_t cls[256];
  bool continues[256];
};

// Fills `out` from the alphabet's character types and hyphen mode.
void buildClasses(const Alphabet& alphabet, WordClasses* out);

uint8_t charClass(const Alphabet& alphabet, unsigned char c);
bool continuesWord(const Alphabet& alphabet, unsigned char c);

struct WordSpan {
  int start;
  int length;
};

// Finds the words of one line: at most kMaxWordsPerLine (the layout keeps lines within that
// count). Returns the number of words stored in `words`.
int findWords(const Alphabet& alphabet, const unsigned char* line, int length, WordSpan* words,
              int maxWords = kMaxWordsPerLine);

// The indexed form of a word: its characters through the alphabet's map (those mapping to 0
// dropped), trailing blanks removed, cut to `maxLength`.
std::string wordText(const Alphabet& alphabet, const unsigned char* line, const WordSpan& span,
                     int maxLength);

}  // namespace textformat
