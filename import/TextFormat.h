// The word finder and its tables. From the process-wide alphabet and hyphen mode come three
// tables: the class of each character (word, ignored, space, special hyphen), whether it
// continues a word, and whether it is a blank where a line may be broken. The word finder
// cuts one line of the text reader's line buffer (characters and formatting codes) into
// words. Depends on import/Alphabet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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

// Rebuilds the three tables from the process-wide alphabet and hyphen mode.
void setupAlphabet();

uint8_t charClass(unsigned char c);
bool continuesWord(unsigned char c);
bool isBlank(unsigned char c);
// The 256-entry tables behind charClass and continuesWord, for loops that look up every
// character. Valid for the life of the process; setupAlphabet rewrites them in place.
const uint8_t* classTable();
const bool* continuesTable();

struct WordSpan {
  int start;
  int length;
};

// Finds the words of one line: at most kMaxWordsPerLine (the layout keeps lines within that
// count). Returns the number of words stored in `words`.
int findWords(const unsigned char* line, int length, WordSpan* words, int maxWords = kMaxWordsPerLine);

// The indexed form of a word: its characters through the alphabet's map (those mapping to 0
// dropped), trailing blanks removed, cut to `maxLength`.
std::string wordText(const unsigned char* line, const WordSpan& span, int maxLength);

}  // namespace textformat
