// The word finder on lines where a word runs straight into a formatting code.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "import/Alphabet.h"
#include "import/TextFormat.h"

namespace {

std::vector<std::string> wordsOf(const std::string& line) {
  textformat::WordSpan spans[textformat::kMaxWordsPerLine];
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  int n = textformat::findWords(Alphabet::builtIn(), p, static_cast<int>(line.size()), spans);
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i) out.push_back(line.substr(static_cast<size_t>(spans[i].start), static_cast<size_t>(spans[i].length)));
  return out;
}

// Hidden text that began right after a word used to be taken for visible words, since the
// code that opened it was skipped as the word's end.
TEST(WordFinderTest, HiddenTextRightAfterAWordHoldsNoWords) {
  EXPECT_EQ((std::vector<std::string>{"word", "next"}), wordsOf("word\x03hidden\x03 next"));
  EXPECT_EQ((std::vector<std::string>{"a", "b"}), wordsOf("a\x03x y\x03" "b"));
  // An escaped code is a character, not the start of hidden text.
  EXPECT_EQ((std::vector<std::string>{"a", "b"}), wordsOf("a\x04\x03" "b"));
}

}  // namespace
