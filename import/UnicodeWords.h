// Word breaking of UTF-8 text for indexes of the Unicode text model. Letters, marks and digits
// of every script make words, as the Unicode word boundaries have them; ASCII characters keep
// the classes of the alphabet (so hyphen processing, and the words of ASCII text, are those of
// a code-page index) and take a fast path. Runs of the scripts written without blanks
// (Chinese, Japanese, Thai and the like) are cut into words by ICU's dictionary break
// iterator before the layout sees them: a word-break code goes between their words. Depends
// on import/Alphabet, import/TextFormat and import/UnicodeText.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "import/TextFormat.h"

class Alphabet;

namespace unicodewords {

// The class (textformat::kWordChar, kIgnoredChar, kSpaceChar, kHyphenChar) of the character
// at line[pos] for a Unicode alphabet, and its bytes in *length.
uint8_t classAt(const Alphabet& alphabet, const unsigned char* line, int length, int pos, int* charBytes);

// textformat::findWords for a Unicode alphabet.
int findWords(const Alphabet& alphabet, const unsigned char* line, int length, textformat::WordSpan* words,
              int maxWords);

// textformat::wordText for a Unicode alphabet: the word folded, cut to `maxLength` characters.
std::string wordText(const Alphabet& alphabet, const unsigned char* line, const textformat::WordSpan& span,
                     int maxLength);

// The folded form of a text of word characters: the alphabet's map for ASCII, then the
// Unicode folding of the index's flags when there is more than ASCII. Words of documents and
// of requests go through this one function.
std::string foldText(const Alphabet& alphabet, std::string_view text);

// Alphabet::translateRequest for a Unicode alphabet: quoted text and operator characters pass,
// the runs between them are folded by foldText.
std::string foldRequest(const Alphabet& alphabet, const std::string& request, const std::string& operators);

// The byte offsets inside `text` (a run of dictionary-script characters in UTF-8) at which
// ICU's dictionary break iterator puts a word boundary, start and end left out.
std::vector<size_t> dictionaryBreaks(const std::string& text);

// Inserts textblock::kWordBreak at the word boundaries of every dictionary-script run of
// `block` and at the run's edges where a letter of another script touches it.
std::string segmentBlock(const std::string& block);

// A block source that hands on the blocks of `inner` segmented by segmentBlock; a run that
// reaches the end of a block is held back until the next block completes it (up to a limit).
std::function<int(std::string*)> segmentingSource(std::function<int(std::string*)> inner);

// A request with blanks where the word finder would end a word in the text: non-ASCII
// punctuation and symbols become blanks, and dictionary-script runs are cut into their words
// (words next to each other form a phrase). Runs that touch a wildcard or a marker character
// in `operators` stay whole. `origin` (may be null) receives for each output byte the offset
// of the input byte it came from.
std::string spaceRequest(const std::string& request, const std::string& operators, std::vector<int32_t>* origin);

}  // namespace unicodewords
