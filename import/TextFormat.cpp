// Word-finder tables and the word finder.
#include "import/TextFormat.h"

#include "import/Alphabet.h"
#include "import/UnicodeWords.h"

namespace textformat {

void buildClasses(const Alphabet& a, WordClasses* t) {
  int mode = a.hyphenMode();
  t->cls[0] = kIgnoredChar;
  for (int c = 1; c < 256; ++c) {
    uint16_t type = a.type(static_cast<unsigned char>(c));
    uint8_t k;
    if (type & Alphabet::kLetter) {
      k = kWordChar;
    } else if (type == Alphabet::kHyphen) {
      k = mode == 1 ? kHyphenChar : mode == 4 ? kWordChar : mode == 0 ? kIgnoredChar : kSpaceChar;
    } else if (type == Alphabet::kSpace) {
      k = kSpaceChar;
    } else {
      k = kIgnoredChar;
    }
    t->cls[c] = k;
  }
  for (int c = 0; c < 256; ++c)
    t->continues[c] = (t->cls[c] == kWordChar || t->cls[c] == kIgnoredChar) && c >= 14 && c != 25 && c != 26;
}

uint8_t charClass(const Alphabet& a, unsigned char c) { return a.wordClasses().cls[c]; }
bool continuesWord(const Alphabet& a, unsigned char c) { return a.wordClasses().continues[c]; }

int findWords(const Alphabet& alphabet, const unsigned char* line, int length, WordSpan* words,
              int maxWords) {
  // UTF-8 lines of ASCII only break by the alphabet's classes, as a code-page line does.
  if (alphabet.isUnicode()) {
    for (int i = 0; i < length; ++i)
      if (line[i] >= 0x80) return unicodewords::findWords(alphabet, line, length, words, maxWords);
  }
  const WordClasses& t = alphabet.wordClasses();
  int count = 0;
  int pos = 0;
  while (pos < length && count < maxWords) {
    unsigned char c = line[pos];
    if (t.cls[c] == kWordChar) {
      int start = pos++;
      while (pos < length && t.continues[line[pos]]) ++pos;
      int wordLength = pos - start;
      // A special hyphen joins the word when the next character is not one as well.
      if (pos < length && t.cls[line[pos]] == kHyphenChar &&
          !(pos + 1 < length && t.cls[line[pos + 1]] == kHyphenChar))
        ++wordLength;
      words[count++] = {start, wordLength};
      // Past the character that stopped the word, unless it opens hidden text, which must
      // be seen as such so that its words are not found.
      if (pos < length && line[pos] != kHiddenCode) ++pos;
    } else if (c == kHiddenCode && !(pos > 0 && line[pos - 1] == kEscapeCode)) {
      ++pos;
      while (pos < length && line[pos] != kHiddenCode) ++pos;
      ++pos;  // past the closing code
    } else {
      ++pos;
    }
  }
  return count;
}

std::string wordText(const Alphabet& a, const unsigned char* line, const WordSpan& span,
                     int maxLength) {
  if (a.isUnicode()) return unicodewords::wordText(a, line, span, maxLength);
  std::string out;
  for (int i = 0; i < span.length; ++i) {
    unsigned char m = a.map(line[span.start + i]);
    if (m) out += static_cast<char>(m);
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  if (maxLength >= 0 && out.size() > static_cast<size_t>(maxLength)) out.resize(static_cast<size_t>(maxLength));
  return out;
}

}  // namespace textformat
