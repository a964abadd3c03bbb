// The layout: breaking blocks into lines, word numbering, cut words, the 80-word limit,
// attributes, indentation, hidden text and hit marks.
#include "import/LineLayout.h"

#include <gtest/gtest.h>

#include <random>

#include "import/Alphabet.h"
#include "import/TextBlock.h"

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

// The built-in alphabet with hyphens as spaces, as these tests lay text out.
const Alphabet& hyphensAsSpaces() {
  static const Alphabet alphabet = [] {
    Alphabet a;
    a.setHyphenMode(2);
    return a;
  }();
  return alphabet;
}

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

}  // namespace
