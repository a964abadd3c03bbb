// The layout: breaking blocks into lines, word numbering, cut words, the 80-word limit,
// attributes, indentation, hidden text and hit marks.
#include "import/LineLayout.h"

#include <gtest/gtest.h>

#include <random>

#include "import/Alphabet.h"
#include "import/TextBlock.h"
#include "tests/support/TestAlphabets.h"

namespace {

// Feeds `blocks` one by one, then the end (or a failure when `fail` is set).
struct Blocks {
  std::vector<std::string> blocks;
  size_t next = 0;
  bool fail = false;
  int operator()(std::string* out) {
    if (next >= blocks.size()) return fail ? -1 : 0;
    *out += blocks[next];
    return static_cast<int>(blocks[next++].size());
  }
};

using testsupport::hyphensAsSpaces;

std::vector<ScreenLine> layOut(std::vector<std::string> blocks, int width, int* last = nullptr,
                               bool fail = false, std::vector<int32_t> hits = {}) {
  auto source = std::make_shared<Blocks>();
  source->blocks = std::move(blocks);
  source->fail = fail;
  LineLayout layout([source](std::string* out) { return (*source)(out); }, width, hyphensAsSpaces());
  layout.setHits(std::move(hits));
  std::vector<ScreenLine> lines;
  ScreenLine line;
  int rc;
  while ((rc = layout.nextLine(&line)) == 1) lines.push_back(line);
  if (last) *last = rc;
  return lines;
}

class LineLayoutTest : public ::testing::Test {};

TEST_F(LineLayoutTest, BreaksAtBlanksAndNumbersWords) {
  auto lines = layOut({"one two three four five\nsix"}, 10);
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ("one two ", lines[0].text);
  EXPECT_EQ("three four ", lines[1].text) << "ten columns fit a width of ten";
  EXPECT_EQ("five", lines[2].text);
  EXPECT_EQ("six", lines[3].text);
  EXPECT_EQ((std::vector<int>{1, 3, 5, 6}),
            (std::vector<int>{lines[0].firstWord, lines[1].firstWord, lines[2].firstWord, lines[3].firstWord}));
  EXPECT_EQ(2, lines[0].wordCount);
  EXPECT_EQ(1, lines[0].continuation);
  EXPECT_EQ(0, lines[2].continuation) << "a paragraph end";
}

TEST_F(LineLayoutTest, LineWithoutBreakPointIsCutAndThePieceIsNoWord) {
  auto lines = layOut({"abcdefghijkl mn"}, 8);
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ("abcdefgh", lines[0].text);
  EXPECT_TRUE(lines[0].cutInWord);
  EXPECT_EQ(1, lines[0].wordCount);
  EXPECT_EQ("ijkl mn", lines[1].text);
  EXPECT_EQ(2, lines[1].firstWord);
  EXPECT_EQ(1, lines[1].wordCount) << "only mn counts";
}

TEST_F(LineLayoutTest, NoLineHoldsMoreThanEightyWordsAndNoWordIsLost) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "w ";
  auto lines = layOut({text}, 100000);
  int total = 0;
  for (const ScreenLine& l : lines) {
    EXPECT_LE(l.wordCount, 80);
    EXPECT_EQ(total + 1, l.firstWord);
    total += l.wordCount;
  }
  EXPECT_EQ(200, total);
  EXPECT_EQ(3u, lines.size());
}

TEST_F(LineLayoutTest, HardBreaksSetContinuationAndPageFlags) {
  std::string block = "a\x0b" "b\x0c" "c\r\nd";
  auto lines = layOut({block}, 80);
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ(1, lines[0].continuation) << "a line break inside the paragraph";
  EXPECT_EQ(ScreenLine::kPageEnd, lines[1].lineFlags & ScreenLine::kPageEnd);
  EXPECT_EQ("c", lines[2].text) << "carriage returns are dropped";
  EXPECT_EQ("d", lines[3].text);
}

TEST_F(LineLayoutTest, AttributesAndIndentCarryOverToTheNextLine) {
  std::string block = "\x06" "aa \x01" "bb cc dd\x01 ee\n" "ff";
  auto lines = layOut({block}, 14);
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ("        aa \x01" "bb ", lines[0].text);
  EXPECT_EQ(8, lines[0].indent);
  EXPECT_EQ("\x01        cc dd\x01 ", lines[1].text) << "bold still on, paragraph still indented";
  EXPECT_EQ(8, lines[1].indent);
  EXPECT_EQ("        ee", lines[2].text) << "bold is off again";
  EXPECT_EQ("ff", lines.back().text) << "the indent ends with the paragraph";
  EXPECT_EQ(0, lines.back().indent);
  EXPECT_EQ(6, lines.back().firstWord);
}

TEST_F(LineLayoutTest, HiddenTextHoldsNoWordsAndTakesNoRoom) {
  auto lines = layOut({"seen \x03" "a very long hidden text that is wider than the line\x03 too"}, 12);
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(2, lines[0].wordCount);
}

TEST_F(LineLayoutTest, EscapedBlankIsOneBlankAndABreakPoint) {
  auto lines = layOut({"ab\x04 cd ef"}, 80);
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ("ab cd ef", lines[0].text) << "the blank was laid out twice";
  EXPECT_EQ(3, lines[0].wordCount);
  lines = layOut({"abcdef\x04 ghij"}, 8);
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ("abcdef ", lines[0].text);
  EXPECT_EQ("ghij", lines[1].text);
}

TEST_F(LineLayoutTest, HitWordsAreMarked) {
  auto lines = layOut({"alpha beta gamma\ndelta"}, 80, nullptr, false, {2, 4});
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ("alpha \x07" "beta\x07 gamma", lines[0].text);
  EXPECT_EQ(ScreenLine::kHasHit, lines[0].lineFlags);
  EXPECT_EQ("\x07" "delta\x07", lines[1].text);
}

TEST_F(LineLayoutTest, EndAndFailureOfTheSource) {
  int last = 0;
  auto lines = layOut({"one\ntwo"}, 80, &last, true);
  EXPECT_EQ(2u, lines.size()) << "what was read before the failure is handed out";
  EXPECT_EQ(-1, last);
  lines = layOut({"one\x1a" "never seen"}, 80, &last);
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(0, last);
  lines = layOut({}, 80, &last);
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(0, last);
}

TEST_F(LineLayoutTest, BlockBoundariesDoNotChangeTheLines) {
  std::mt19937 random(7);
  const char* pieces[] = {"word", " ", "longerword", "\n", "\x01", "\t", "x", "\x04\x03", "\x03h i\x03", "-", "\x0b", "  "};
  for (int round = 0; round < 200; ++round) {
    std::string text;
    int parts = 1 + static_cast<int>(random() % 60);
    for (int i = 0; i < parts; ++i) text += pieces[random() % (sizeof pieces / sizeof *pieces)];
    std::vector<std::string> blocks;
    for (size_t at = 0; at < text.size();) {
      size_t n = 1 + random() % 7;
      blocks.push_back(text.substr(at, n));
      at += n;
    }
    int width = 8 + static_cast<int>(random() % 20);
    auto whole = layOut({text}, width);
    auto split = layOut(blocks, width);
    ASSERT_EQ(whole.size(), split.size()) << "round " << round;
    for (size_t i = 0; i < whole.size(); ++i) {
      ASSERT_EQ(whole[i].text, split[i].text) << "round " << round << " line " << i;
      ASSERT_EQ(whole[i].firstWord, split[i].firstWord);
      ASSERT_EQ(whole[i].wordCount, split[i].wordCount);
    }
  }
}

TEST_F(LineLayoutTest, RunLoopLaysOutAsTheCharacterStepsDo) {
  std::mt19937 random(11);
  auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  Alphabet hyphensKept;
  hyphensKept.setHyphenMode(1);
  // A quarter of the rounds in UTF-8, where the run stops before every longer character.
  const Alphabet unicode = Alphabet::builtIn().unicodeFor(true, true);
  const char* const wide[] = {"\xC3\xA9", "\xD1\x89", "\xE5\x85\x89\xE6\xA0\x87", "\xE2\x80\x94", "\xF0\x9F\x94\x8E"};
  for (int round = 0; round < 1500; ++round) {
    const bool utf8 = round % 4 == 3;
    const Alphabet& alphabet = utf8 ? unicode : round % 2 ? hyphensKept : hyphensAsSpaces();
    // Every kind of byte the layout tells apart, in blocks that cut anywhere; a third of the
    // rounds without codes, so that lines reach the 80-word and the 512-byte limits.
    const bool codes = round % 3 != 1;
    std::vector<std::string> blocks;
    for (int b = 1 + pick(4); b > 0; --b) {
      std::string block;
      for (int n = pick(round % 3 == 2 ? 300 : 3000); n > 0; --n) {
        int r = pick(codes ? 100 : 80);
        if (r < 55) block += static_cast<char>('a' + pick(26));
        else if (r < 70) block += ' ';
        else if (r < 75) block += "-.,'!?0123456789"[pick(16)];
        else if (r < 80 && utf8) block += wide[pick(5)];
        else if (r < 80) block += static_cast<char>(0xC0 + pick(64));
        else if (r < 86) block += static_cast<char>(pick(14));
        else if (r < 88) block += static_cast<char>(textblock::kEscape);
        else if (r < 90) block += static_cast<char>(textblock::kHidden);
        else if (r < 91 && round % 4 == 0)
          block += static_cast<char>(pick(2) ? textblock::kDamaged : textblock::kEnd);
        else block += static_cast<char>('A' + pick(26));
      }
      blocks.push_back(block);
    }
    int width = 8 + pick(round % 2 ? 80 : 600);
    std::vector<int32_t> hits;
    if (round % 3 == 0)
      for (int32_t h = 1; h < 400; h += 1 + pick(20)) hits.push_back(h);
    bool fail = round % 5 == 0;
    std::vector<ScreenLine> lines[2];
    int64_t bytesRead[2];
    int32_t nextWord[2];
    int last[2];
    for (int way = 0; way < 2; ++way) {
      auto source = std::make_shared<Blocks>();
      source->blocks = blocks;
      source->fail = fail;
      LineLayout layout([source](std::string* out) { return (*source)(out); }, width, alphabet);
      layout.setRunLoop(way == 0);
      layout.setHits(hits);
      ScreenLine line;
      while ((last[way] = layout.nextLine(&line)) == 1) lines[way].push_back(line);
      bytesRead[way] = layout.bytesRead();
      nextWord[way] = layout.nextWord();
    }
    ASSERT_EQ(lines[0].size(), lines[1].size()) << "round " << round;
    for (size_t i = 0; i < lines[0].size(); ++i) {
      const ScreenLine& a = lines[0][i];
      const ScreenLine& b = lines[1][i];
      ASSERT_EQ(a.text, b.text) << "round " << round << " line " << i;
      ASSERT_EQ(a.firstWord, b.firstWord);
      ASSERT_EQ(a.wordCount, b.wordCount);
      ASSERT_EQ(a.indent, b.indent);
      ASSERT_EQ(a.lineFlags, b.lineFlags);
      ASSERT_EQ(a.continuation, b.continuation);
      ASSERT_EQ(a.cutInWord, b.cutInWord);
    }
    ASSERT_EQ(last[0], last[1]);
    ASSERT_EQ(bytesRead[0], bytesRead[1]);
    ASSERT_EQ(nextWord[0], nextWord[1]);
  }
}

// Found by fuzzing: every indent code added a tab stop at the start of each following line,
// so a paragraph with many of them made lines of hundreds of blanks, far past the line limit,
// each holding one character.
TEST_F(LineLayoutTest, DeepIndentStopsAtTheLastTabStop) {
  std::vector<ScreenLine> lines = layOut({std::string(200, '\x06') + "alpha beta gamma delta"}, 40);
  ASSERT_FALSE(lines.empty());
  for (const ScreenLine& l : lines) {
    EXPECT_LE(l.text.size(), 40u);
    EXPECT_GT(l.wordCount, 0);
  }
  EXPECT_EQ(4, lines.back().firstWord + lines.back().wordCount - 1);
}

}  // namespace

// A run of blanks (what NULs and control characters become), of codes or of hidden text,
// megabytes long, neither makes a line that long nor piles up in the layout's buffer, and
// numbers the words around it as a short run would.
TEST_F(LineLayoutTest, DegenerateRunsCostConstantMemory) {
  const size_t kRunBytes = 4u << 20, kBlockBytes = 64u << 10;
  const std::string runs[] = {std::string(kRunBytes, ' '),
                              std::string(kRunBytes, static_cast<char>(textblock::kBold)),
                              std::string(1, static_cast<char>(textblock::kHidden)) +
                                  std::string(kRunBytes, 'x') + static_cast<char>(textblock::kHidden)};
  for (const std::string& run : runs) {
    for (bool runLoop : {true, false}) {
      std::string text = "alpha " + run + " beta gamma";
      size_t at = 0, mostPending = 0;
      LineLayout layout(
          [&](std::string* out) {
            if (at >= text.size()) return 0;
            size_t n = std::min(kBlockBytes, text.size() - at);
            out->append(text, at, n);
            at += n;
            mostPending = std::max(mostPending, out->size());
            return static_cast<int>(n);
          },
          76, hyphensAsSpaces());
      layout.setRunLoop(runLoop);
      ScreenLine line;
      size_t longest = 0;
      std::vector<int32_t> wordsAt;
      while (layout.nextLine(&line) == 1) {
        longest = std::max(longest, line.text.size());
        for (int k = 0; k < line.wordCount; ++k) wordsAt.push_back(line.firstWord + k);
      }
      EXPECT_LE(longest, 4u * LineLayout::kMaxLineBytes) << "run of " << int(run[0]);
      EXPECT_LT(mostPending, 4 * kBlockBytes) << "run of " << int(run[0]);
      EXPECT_EQ((std::vector<int32_t>{1, 2, 3}), wordsAt) << "run of " << int(run[0]);
      EXPECT_EQ(static_cast<int64_t>(text.size()), layout.bytesRead());
    }
  }
}
