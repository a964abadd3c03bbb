// Unicode text: folding of words (case, NFKC, accents by script), the word finder and the
// layout on UTF-8 lines, dictionary segmentation of Chinese and Japanese, agreement of the
// ASCII fast path with the code-page word finder, and hostile input kept in bounds.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "import/Alphabet.h"
#include "import/LineLayout.h"
#include "import/TextBlock.h"
#include "import/TextFormat.h"
#include "import/TextImporter.h"
#include "import/UnicodeText.h"
#include "import/UnicodeWords.h"

namespace {

const Alphabet& blind() {
  static const Alphabet a = Alphabet::builtIn().unicodeFor(true, true);
  return a;
}

std::vector<std::string> wordsOf(const Alphabet& a, const std::string& line) {
  textformat::WordSpan spans[textformat::kMaxWordsPerLine];
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  int n = textformat::findWords(a, p, static_cast<int>(line.size()), spans);
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i) out.push_back(textformat::wordText(a, p, spans[i], 32));
  return out;
}

std::string fold(const Alphabet& a, const std::string& word) { return unicodewords::foldText(a, word); }

TEST(UnicodeFoldTest, CaseCompatibilityAndAccentsFoldAsTheIndexFlagsSay) {
  EXPECT_EQ("finance", fold(blind(), "ﬁnance"));  // ligature
  EXPECT_EQ("abc123", fold(blind(), "ＡＢＣ１２３"));  // full-width forms
  EXPECT_EQ("strasse", fold(blind(), "Straße"));
  EXPECT_EQ(fold(blind(), "ΟΔΟΣ"), fold(blind(), "οδός"));  // final sigma, tonos
  EXPECT_EQ("imleci", fold(blind(), "İmleci"));
  EXPECT_EQ("мердока", fold(blind(), "Мёрдока"));
  EXPECT_EQ("йод", fold(blind(), "Йод"));  // the breve makes a letter of its own
  EXPECT_EQ("zazołc", fold(blind(), "Zażółć"));  // ł has no decomposition: it stays
  EXPECT_EQ("שלום", fold(blind(), "שָׁלוֹם"));  // Hebrew points
  EXPECT_EQ("كتب", fold(blind(), "كَتَبَ"));      // Arabic vowel signs
  EXPECT_EQ("が", fold(blind(), "が"));          // kana voicing marks stay
  EXPECT_NE(fold(blind(), "が"), fold(blind(), "か"));
  EXPECT_EQ("ecole", fold(blind(), "E\xCC\x81" "cole"));  // a decomposed accent too
  const Alphabet exact = Alphabet::builtIn().unicodeFor(false, false);
  EXPECT_EQ("Crème", fold(exact, "Crème"));
  EXPECT_EQ("Crème", fold(exact, "Cre\xCC\x80me"));  // still normalised
  EXPECT_EQ("crème", fold(Alphabet::builtIn().unicodeFor(true, false), "CRÈME"));
}

// A word whose code points each say the folding leaves them alone is taken as its own folded
// form without ICU: that must be what ICU gives, for each code point alone, for pairs of them,
// and for the words of the real samples.
TEST(UnicodeFoldTest, AWordTakenAsFoldedAlreadyIsWhatTheFoldingGives) {
  const unicodetext::Folding foldings[] = {{true, true}, {true, false}, {false, true}, {false, false}};
  std::vector<std::string> alone;  // code points that stay under every folding
  for (uint32_t cp = 1; cp < 0x10000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::string s;
    unicodetext::append(&s, cp);
    bool all = true;
    for (const auto& f : foldings) {
      const bool stays = unicodetext::foldsToItself(s, f);
      if (stays) {
        ASSERT_EQ(s, unicodetext::foldNonAscii(s, f)) << "U+" << std::hex << cp;
      }
      all = all && stays;
    }
    if (all) alone.push_back(s);
  }
  ASSERT_GT(alone.size(), 20000u);
  EXPECT_FALSE(unicodetext::foldsToItself("Привет", {true, true}));
  EXPECT_TRUE(unicodetext::foldsToItself("привет", {true, true}));
  EXPECT_FALSE(unicodetext::foldsToItself("e\xCC\x81", {false, false}));  // a combining accent
  EXPECT_FALSE(unicodetext::foldsToItself("a\xC2\xAD" "b", {false, false}));  // a soft hyphen
  EXPECT_FALSE(unicodetext::foldsToItself("a\xFF", {false, false}));        // a malformed byte
  std::mt19937 rng(77);
  for (int i = 0; i < 200000; ++i) {
    const std::string pair = alone[rng() % alone.size()] + alone[rng() % alone.size()];
    const auto& f = foldings[i % 4];
    ASSERT_TRUE(unicodetext::foldsToItself(pair, f));
    ASSERT_EQ(pair, unicodetext::foldNonAscii(pair, f));
  }
  int checked = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/work/shared/testdata/real/multilingual")) {
    if (entry.path().string().find(".expected.txt") == std::string::npos) continue;
    std::ifstream in(entry.path());
    for (std::string word; in >> word;)
      for (const auto& f : foldings)
        if (unicodetext::isValid(word) && unicodetext::foldsToItself(word, f)) {
          ASSERT_EQ(word, unicodetext::foldNonAscii(word, f)) << entry.path();
          ++checked;
        }
  }
  if (checked == 0) GTEST_SKIP() << "no real samples here";
}

// A one-character run has no boundary inside; one touching other letters is still marked off.
TEST(UnicodeWordsTest, ARunOfOneCharacterIsMarkedOffButNotCut) {
  const char brk = static_cast<char>(textblock::kWordBreak);
  EXPECT_TRUE(unicodewords::dictionaryBreaks("光").empty());
  EXPECT_EQ(std::string("ab") + brk + "光" + brk + "cd 光 e", unicodewords::segmentBlock("ab光cd 光 e"));
}

TEST(UnicodeFoldTest, ARequestIsFoldedByTheFunctionThatFoldsTheWords) {
  const std::string written = "Κοινότητα and МЁРДОКА* and ﬁnance?";
  std::string folded = blind().translateRequest(written, "?*");
  EXPECT_EQ(fold(blind(), "Κοινότητα") + " and " + fold(blind(), "МЁРДОКА") + "* and " + fold(blind(), "ﬁnance") + "?",
            folded);
  // Words the finder breaks off a line fold to what the request folds to.
  EXPECT_EQ((std::vector<std::string>{"κοινοτητα", "мердока"}), wordsOf(blind(), "«Κοινότητα» — Мёрдока."));
}

TEST(UnicodeWordsTest, LettersAndDigitsOfEveryScriptMakeWordsAndNumbersStayWhole) {
  EXPECT_EQ((std::vector<std::string>{"1996", "год", "αλφα", "שלום", "مرحبا", "x2"}),
            wordsOf(blind(), "1996 год, «αλφα»… שלום؛ مرحبا x2"));
  // Format characters stay inside a word and fold away; variation selectors start none.
  EXPECT_EQ((std::vector<std::string>{"coop", "dizin"}), wordsOf(blind(), "co\xC2\xAD" "op dizin \xF0\x9F\x94\x8E\xEF\xB8\x8E"));
}

// The ASCII fast path must give the words and spans of the code-page finder.
TEST(UnicodeWordsTest, AsciiLinesBreakAsInACodePageIndex) {
  const Alphabet cp = Alphabet::builtIn().foldedFor(true, true);
  std::mt19937 rng(1234);
  const std::string chars = "abcXYZ019 -_-.,;:'%\t\x03\x04\x01";
  for (int round = 0; round < 2000; ++round) {
    std::string line;
    int n = static_cast<int>(rng() % 60);
    for (int i = 0; i < n; ++i) line += chars[rng() % chars.size()];
    textformat::WordSpan a[textformat::kMaxWordsPerLine], b[textformat::kMaxWordsPerLine];
    const auto* p = reinterpret_cast<const unsigned char*>(line.data());
    int na = textformat::findWords(cp, p, n, a), nb = textformat::findWords(blind(), p, n, b);
    ASSERT_EQ(na, nb) << line;
    for (int i = 0; i < na; ++i) {
      ASSERT_EQ(a[i].start, b[i].start) << line;
      ASSERT_EQ(a[i].length, b[i].length) << line;
      ASSERT_EQ(textformat::wordText(cp, p, a[i], 32), textformat::wordText(blind(), p, b[i], 32)) << line;
    }
  }
}

std::vector<ScreenLine> layOut(const std::string& text, int width, const Alphabet& a) {
  auto done = std::make_shared<bool>(false);
  LineLayout layout(
      [text, done](std::string* out) {
        if (*done) return 0;
        *done = true;
        out->append(text);
        return static_cast<int>(text.size());
      },
      width, a);
  std::vector<ScreenLine> lines;
  ScreenLine line;
  while (layout.nextLine(&line) == 1) lines.push_back(line);
  return lines;
}

TEST(UnicodeWordsTest, ChineseAndJapaneseRunsAreCutIntoDictionaryWords) {
  std::vector<size_t> breaks = unicodewords::dictionaryBreaks("我们移动光标到这里");
  EXPECT_GE(breaks.size(), 3u);
  std::string seg = unicodewords::segmentBlock("Linuxカーネルを使う");
  EXPECT_NE(std::string::npos, seg.find(std::string("Linux") + char(textblock::kWordBreak) + "カーネル"));
  // Through the layout: every word numbered, and each found by the word finder.
  std::vector<ScreenLine> lines = layOut("请将光标移动到第一行。然后按下键盘上的删除键。", 80, blind());
  ASSERT_FALSE(lines.empty());
  std::vector<std::string> words;
  for (const ScreenLine& l : lines)
    for (const std::string& w : wordsOf(blind(), l.text)) words.push_back(w);
  // A request word is cut the same way, so its pieces are a phrase of the text's words.
  std::string request = unicodewords::spaceRequest("光标", "*?", nullptr);
  std::vector<std::string> pieces;
  for (size_t at = 0; at <= request.size();) {
    size_t end = std::min(request.find(' ', at), request.size());
    pieces.push_back(request.substr(at, end - at));
    at = end + 1;
  }
  EXPECT_NE(std::search(words.begin(), words.end(), pieces.begin(), pieces.end()), words.end()) << request;
  int32_t counted = 0;
  for (const ScreenLine& l : lines) counted += l.wordCount;
  EXPECT_EQ(static_cast<int32_t>(words.size()), counted);
}

TEST(UnicodeWordsTest, LongLinesOfEveryScriptBreakBetweenCharactersAndLoseNoWord) {
  std::string text;
  for (int i = 0; i < 400; ++i) text += i % 3 == 0 ? "光标移动 " : i % 3 == 1 ? "курсор " : "κέρσορας ";
  std::string cjk;
  for (int i = 0; i < 300; ++i) cjk += "我们的编辑器";
  for (const std::string& t : {text, cjk}) {
    std::vector<ScreenLine> lines = layOut(t, 60, blind());
    std::string shown;
    int32_t counted = 0;
    for (const ScreenLine& l : lines) {
      EXPECT_TRUE(unicodetext::isValid(l.text));
      EXPECT_FALSE(l.cutInWord);
      EXPECT_LE(l.wordCount, textformat::kMaxWordsPerLine);
      counted += l.wordCount;
      shown += textblock::shownText(l.text);
    }
    std::string expected = t;
    std::erase(expected, ' ');
    std::erase(shown, ' ');
    EXPECT_EQ(expected, shown);  // no character lost or cut
    EXPECT_GT(counted, 0);
  }
}

// Found by fuzzing: an escape before a letter of two or more bytes took only its first byte,
// and a full line could be cut before the rest.
TEST(UnicodeWordsTest, AnEscapedCharacterIsNeverCutFromItsLastBytes) {
  std::string text;
  for (int i = 0; i < 400; ++i) text += "\x04\xC3\xA9\x04\xE6\x9D\xB1";
  for (const ScreenLine& l : layOut(text, 25, blind())) EXPECT_TRUE(unicodetext::isValid(l.text));
}

// Found by fuzzing: a UTF-8 sequence cut by a block end went through iconv, which passes the
// old five-byte forms on; blocks were then not well-formed.
TEST(UnicodeWordsTest, PlainTextBlocksAreWellFormedWhateverTheBytes) {
  std::string bytes;  // well-formed UTF-8 where the importer judges the text, then not
  while (bytes.size() < 5000) bytes += "Grüße aus Köln ";
  for (int i = 0; i < 40; ++i) bytes += "\xF8\x99\x99\x99\x99 \xC3";
  MemorySource source("doc", bytes);
  TextImporter importer(source, 16, charset::Encoding::kWindows1252);
  ASSERT_TRUE(importer.deliverUtf8());
  std::string block;
  int blocks = 0;
  for (; importer.readTextBlock(&block) > 0; ++blocks) {
    EXPECT_TRUE(unicodetext::isValid(block));
    block.clear();
  }
  EXPECT_GT(blocks, 300);
}

TEST(UnicodeWordsTest, HostileTextStaysInBoundsAndValid) {
  // Overlong forms, a lone surrogate, bytes that never occur, a cut sequence.
  const std::string bad = "a\xC0\xAF" "b \xED\xA0\x80 c\xF5\xFF d\xE4\xB8";
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d"}), wordsOf(blind(), bad));
  EXPECT_TRUE(unicodetext::isValid(unicodetext::sanitized(bad)));
  for (const ScreenLine& l : layOut(unicodetext::sanitized(bad), 40, blind())) EXPECT_TRUE(unicodetext::isValid(l.text));
  // A letter with 10,000 combining marks: a word of bounded length, in bounded time.
  std::string flood = "e";
  for (int i = 0; i < 10000; ++i) flood += "\xCC\x81";
  std::vector<ScreenLine> lines = layOut(flood + " next", 80, blind());
  std::vector<std::string> words;
  for (const ScreenLine& l : lines)
    for (const std::string& w : wordsOf(blind(), l.text)) words.push_back(w);
  ASSERT_FALSE(words.empty());
  EXPECT_EQ("e", words.front());
  EXPECT_EQ("next", words.back());
  // A 10 MB word without a break, Latin and Han, goes through the layout in pieces.
  std::string big(10 * 1024 * 1024, 'x');
  size_t pieces = layOut(big, 512, blind()).size();
  EXPECT_GT(pieces, 1000u);
  std::string han;
  for (int i = 0; i < 200000; ++i) han += "光";
  EXPECT_GT(layOut(han, 512, blind()).size(), 100u);
}

}  // namespace
