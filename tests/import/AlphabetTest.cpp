// The alphabet, the word finder and hyphen processing.
#include "import/Alphabet.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "import/HyphenWords.h"
#include "import/ImportSetup.h"
#include "import/TextFormat.h"
#include "tests/support/TempDir.h"

namespace {

using Words = std::vector<std::pair<std::string, long>>;

// Breaks one line into numbered words the way the indexer's word source does.
Words indexWords(const Alphabet& alphabet, const std::string& line) {
  std::vector<textformat::WordSpan> spans(textformat::kMaxWordsPerLine);
  auto text = reinterpret_cast<const unsigned char*>(line.data());
  int n = textformat::findWords(alphabet, text, static_cast<int>(line.size()), spans.data());
  int next = 0;
  HyphenWords source([&](std::string* w, long* number) {
    if (next >= n) return false;
    *w = textformat::wordText(alphabet, text, spans[static_cast<size_t>(next)], 128);
    *number = ++next;
    return true;
  }, alphabet);
  Words out;
  std::string w;
  long number;
  while (source.next(&w, &number)) out.emplace_back(w, number);
  return out;
}

class AlphabetTest : public ::testing::Test {
 protected:
  AlphabetTest() { alphabet_.setHyphenMode(1); }
  void setHyphenMode(int mode) { alphabet_.setHyphenMode(mode); }
  Words indexWords(const std::string& line) { return ::indexWords(alphabet_, line); }

  Alphabet alphabet_;
};

TEST_F(AlphabetTest, FourHyphenModesOnFirstClass) {
  setHyphenMode(hyphenModeFromOption(0));
  EXPECT_EQ((Words{{"first", 1}, {"first-class", 1}, {"firstclass", 1}, {"class", 2}}),
            indexWords("first-class"));
  setHyphenMode(hyphenModeFromOption(2));
  EXPECT_EQ((Words{{"first-class", 1}}), indexWords("first-class"));
  setHyphenMode(hyphenModeFromOption(1));
  EXPECT_EQ((Words{{"firstclass", 1}}), indexWords("first-class"));
  setHyphenMode(hyphenModeFromOption(3));
  EXPECT_EQ((Words{{"first", 1}, {"class", 2}}), indexWords("first-class"));
}

TEST_F(AlphabetTest, DoubleHyphenMakesNoJoinedForms) {
  setHyphenMode(1);
  EXPECT_EQ((Words{{"first", 1}, {"class", 2}}), indexWords("first--class"));
  // A hyphen at the end of the text: the word is delivered without it.
  EXPECT_EQ((Words{{"end", 1}}), indexWords("end-"));
}

TEST_F(AlphabetTest, DigitsAreLettersAndPunctuationSeparates) {
  setHyphenMode(2);
  EXPECT_EQ((Words{{"In", 1}, {"1996", 2}, {"the", 3}, {"3rd", 4}, {"time", 5}}),
            indexWords("In 1996, (the) 3rd \"time\"."));
}

TEST_F(AlphabetTest, HiddenTextHoldsNoWordsUnlessEscaped) {
  setHyphenMode(2);
  EXPECT_EQ((Words{{"seen", 1}, {"too", 2}}), indexWords("seen \x03hidden words\x03 too"));
  // An escaped code 3 is a character, not the start of hidden text.
  EXPECT_EQ((Words{{"a", 1}, {"b", 2}}), indexWords("a \x04\x03 b"));
}

TEST_F(AlphabetTest, LineHoldsAtMostEightyWords) {
  std::string line;
  for (int i = 0; i < 100; ++i) line += "w ";
  std::vector<textformat::WordSpan> spans(100);
  EXPECT_EQ(80, textformat::findWords(alphabet_, reinterpret_cast<const unsigned char*>(line.data()),
                                      static_cast<int>(line.size()), spans.data()));
}

TEST_F(AlphabetTest, UpperCaseAccentedLetterFoldsToLowerUnaccented) {
  Alphabet a;
  a.setAccentPair(0xC9, 'E');  // E acute
  a.setAccentPair(0xE9, 'e');
  a.foldAccents(true);
  a.foldLower(true);
  EXPECT_EQ('e', a.map(0xC9));
  EXPECT_EQ('e', a.map(0xE9));
  EXPECT_EQ('e', a.map('E'));
  a.foldUpper(true);
  EXPECT_FALSE(a.options() & Alphabet::kFoldLower) << "upper folding turns lower folding off";
  EXPECT_EQ('E', a.map(0xE9));
  a.foldAccents(false);
  EXPECT_EQ(0xC9, a.map(0xE9));
}

TEST_F(AlphabetTest, FileRoundTripKeepsEveryTable) {
  testsupport::TempDir dir;
  Alphabet a;
  addLatinAccentPairs(&a);
  a.setIgnored('\'');
  a.setHyphen('/');
  ASSERT_EQ(0, a.writeFile(dir.file("TEST.ABC")));
  Alphabet b;
  ASSERT_EQ(0, b.readFile(dir.file("TEST.ABC")));
  for (int c = 0; c < 256; ++c) {
    unsigned char u = static_cast<unsigned char>(c);
    ASSERT_EQ(a.type(u), b.type(u)) << c;
    if (a.isLetter(u)) {
      ASSERT_EQ(a.upper(u), b.upper(u)) << c;
      ASSERT_EQ(a.lower(u), b.lower(u)) << c;
      ASSERT_EQ(a.unaccented(u), b.unaccented(u)) << c;
    }
  }
  EXPECT_EQ(Alphabet::kSpace, b.type('\f')) << "form feed stays a space";
  EXPECT_EQ(a.fileText(), b.fileText());
}

TEST_F(AlphabetTest, ShippedEnglishAlphabetIsTheDefaultsWithAccentPairs) {
  Alphabet a;
  addLatinAccentPairs(&a);
  EXPECT_EQ(a.fileText(), testsupport::readFile(testsupport::sourcePath("data/ENGLISH.ABC")));
}

TEST_F(AlphabetTest, DamagedFilesKeepTheDefaultsOrReadWhatTheyCan) {
  Alphabet defaults;
  Alphabet a;
  a.setIgnored('x');
  std::string wrongTitle = "Lexaurum Alphabet\n\n[Spaces]\n x\n[End]\n";
  EXPECT_EQ(-1, a.parse(wrongTitle.data(), wrongTitle.size()));
  EXPECT_EQ(defaults.type('x'), a.type('x'));

  // Case-blind headers, stray lines, a section that runs to the end of the file.
  std::string odd = "LEXAURUM ALPHABET FILE\nskipped\nstray line\n[spaces]\n x\\7e\\zz\n[LETTERS]\n ab\n";
  ASSERT_EQ(0, a.parse(odd.data(), odd.size()));
  EXPECT_EQ(Alphabet::kSpace, a.type('x'));
  EXPECT_EQ(Alphabet::kSpace, a.type('~'));
  EXPECT_EQ(defaults.type('a'), a.type('a')) << "a too-short letter line is passed over";

  for (std::string bad : {std::string(), std::string("\0\0\0", 3), std::string(5000, '[')}) {
    Alphabet z;
    z.parse(bad.data(), bad.size());
  }
}

TEST_F(AlphabetTest, BinaryImageRoundTripsAndRefusesABadSignature) {
  Alphabet a;
  addLatinAccentPairs(&a);
  a.setIgnored('#');
  std::string image = a.toImage();
  ASSERT_EQ(Alphabet::kImageBytes + 1, image.size());
  EXPECT_EQ('\xC0', image[0]);
  EXPECT_EQ('\xAB', image[1]);
  EXPECT_EQ('\xFF', image.back());
  Alphabet b;
  ASSERT_EQ(0, b.fromImage(image.data(), image.size()));
  EXPECT_EQ(a.fileText(), b.fileText());
  image[0] = 0;
  EXPECT_EQ(-1, b.fromImage(image.data(), image.size()));
  EXPECT_EQ(Alphabet().fileText(), b.fileText());
  EXPECT_EQ(-1, b.fromImage(image.data(), 100));
}

TEST_F(AlphabetTest, RequestTranslationLeavesQuotesAndOperators) {
  Alphabet a;
  a.foldUpper(true);
  // "/" is a space by default: only the operator characters and quoted text pass as they are.
  EXPECT_EQ("CAF* \"caf?\" (A W 5 B)", a.translateRequest("caf* \"caf?\" (a w/5 b)"));
}

TEST_F(AlphabetTest, ListingLinesFollowTheTable) {
  std::string listing = Alphabet().listing();
  EXPECT_EQ(0u, listing.find("Character    Type"));
  auto line = [](const char* head, std::string type, char up, char unaccented) {
    return std::string("\n") + head + "   " + type + std::string(30 - type.size(), ' ') + "  " + up +
           std::string(15, ' ') + unaccented + "\n";
  };
  EXPECT_NE(std::string::npos, listing.find(line(" 65 41 'A'", "Letter (upper case)", ' ', ' ')));
  EXPECT_NE(std::string::npos, listing.find(line(" 97 61 'a'", "Letter (lower case)", 'A', ' ')));
  EXPECT_NE(std::string::npos, listing.find("\n  9 09 TAB   Space"));
}

TEST_F(AlphabetTest, LoadingAnAlphabetInstallsTheFileOrKeepsTheOld) {
  testsupport::TempDir dir;
  Alphabet custom;
  custom.setSpace('q');
  ASSERT_EQ(0, custom.writeFile(dir.file("Q.ABC")));
  Alphabet engine;
  engine.setHyphenMode(2);
  ASSERT_EQ(0, importsetup::loadAlphabet(dir.file("Q.ABC"), true, &engine));
  EXPECT_EQ(Alphabet::kSpace, engine.type('q'));
  EXPECT_EQ('A', engine.map('a')) << "upper folding is on after loading";
  EXPECT_EQ(textformat::kSpaceChar, textformat::charClass(engine, 'q'));
  EXPECT_EQ(2, engine.hyphenMode()) << "the hyphen mode stays";

  EXPECT_EQ(-1, importsetup::loadAlphabet(dir.file("MISSING.ABC"), false, &engine));
  EXPECT_EQ(Alphabet::kSpace, engine.type('q')) << "a failed load keeps the alphabet";
  EXPECT_EQ(-1, importsetup::loadAlphabet(dir.file("MISSING.ABC"), true, &engine));
  EXPECT_TRUE(engine.isLetter('q')) << "quiet: the defaults are installed";
}

}  // namespace
