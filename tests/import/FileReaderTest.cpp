// The document text reader over a laid-out document: word and hit navigation across the line
// file, the ring and word-map blocks, and copy out.
#include "import/FileReader.h"

#include <gtest/gtest.h>

#include <memory>

#include "import/Alphabet.h"
#include "import/LineLayout.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestAlphabets.h"

namespace {

// A document held in memory, laid out 30 columns wide, with a word map entry at the start of
// every tenth paragraph.
using testsupport::hyphensAsSpaces;

class MemoryDocument : public LineSource {
 public:
  explicit MemoryDocument(int paragraphs, std::vector<int32_t> hits = {}) : hits_(std::move(hits)) {
    int32_t word = 1;
    for (int p = 0; p < paragraphs; ++p) {
      if (p % 10 == 0) map_.entries.push_back({word, static_cast<int32_t>(text_.size())});
      int words = 3 + p % 7;
      for (int w = 0; w < words; ++w) text_ += "w" + std::to_string(word++) + " ";
      text_ += p % 25 == 24 ? "\x0c" : "\n";
    }
    wordCount_ = word - 1;
    gotoPosition(0, 1);
  }
  int nextLine(ScreenLine* line) override { return layout_->nextLine(line); }
  int gotoPosition(int32_t position, int32_t firstWord) override {
    if (position < 0 || static_cast<size_t>(position) > text_.size()) return -1;
    auto remaining = std::make_shared<std::string>(text_.substr(static_cast<size_t>(position)));
    auto done = std::make_shared<bool>(false);
    layout_ = std::make_unique<LineLayout>(
        [remaining, done](std::string* out) {
          if (*done) return 0;
          *done = true;
          *out += *remaining;
          return static_cast<int>(remaining->size());
        },
        30, hyphensAsSpaces(), firstWord);
    layout_->setHits(hits_);
    start_ = position;
    return 0;
  }
  int32_t thousandths() const override {
    return static_cast<int32_t>((start_ + layout_->bytesRead()) * 1000 / static_cast<int64_t>(text_.size()));
  }
  const std::vector<int32_t>& hits() const override { return hits_; }
  const ImportMap* wordMap() const override { return useMap ? &map_ : nullptr; }

  bool useMap = true;
  int32_t wordCount() const { return wordCount_; }

 private:
  std::string text_;
  ImportMap map_;
  std::vector<int32_t> hits_;
  std::unique_ptr<LineLayout> layout_;
  int32_t start_ = 0;
  int32_t wordCount_ = 0;
};

bool holds(const ScreenLine* l, int32_t word) {
  return l && l->firstWord <= word && word < l->firstWord + l->wordCount;
}

class FileReaderTest : public ::testing::TestWithParam<bool> {
 protected:
  std::string lineFile() { return GetParam() ? dir_.file("VIEWER1.TMP") : ""; }
  testsupport::TempDir dir_;
};

TEST_P(FileReaderTest, GotoWordLandsOnTheLineThatHoldsIt) {
  for (bool useMap : {true, false}) {
    MemoryDocument doc(300);
    doc.useMap = useMap;
    FileReader reader(&doc, lineFile(), 8);
    ASSERT_EQ(0, reader.start());
    for (int32_t n : {1, 2, 57, 1000, 1500, 3, 999, doc.wordCount(), 700, 1}) {
      ASSERT_EQ(0, reader.gotoWord(n)) << n;
      EXPECT_TRUE(holds(reader.cursorLine(), n)) << "word " << n << " map " << useMap;
      EXPECT_LT(reader.cursorLineNo() - reader.topLineNo(), reader.ringSize());
    }
    ASSERT_EQ(0, reader.gotoWord(doc.wordCount() + 500));
    EXPECT_TRUE(holds(reader.cursorLine(), doc.wordCount())) << "beyond the end: the last line";
  }
}

TEST_P(FileReaderTest, StartOfTheDocumentByWordOrPointer) {
  MemoryDocument doc(100);
  FileReader reader(&doc, lineFile(), 6);
  ASSERT_EQ(0, reader.start());
  ASSERT_EQ(0, reader.gotoWord(800));
  ASSERT_EQ(0, reader.gotoWord(0));
  EXPECT_EQ(0, reader.cursorLineNo());
  EXPECT_EQ(1, reader.cursorLine()->firstWord);
  ASSERT_EQ(0, reader.gotoWord(800));
  ASSERT_EQ(0, reader.gotoPointer(0));
  EXPECT_EQ(1, reader.cursorLine()->firstWord);
  EXPECT_EQ(-1, reader.cursorUp()) << "nothing above the start";
}

TEST_P(FileReaderTest, WalkingDownAndUpAcrossBlocksSeesEveryWordOnce) {
  MemoryDocument doc(120);
  FileReader reader(&doc, lineFile(), 5);
  ASSERT_EQ(0, reader.start());
  int32_t expected = 1;
  do {
    const ScreenLine* l = reader.cursorLine();
    ASSERT_EQ(expected, l->firstWord);
    expected += l->wordCount;
  } while (reader.cursorDown() == 0);
  EXPECT_EQ(doc.wordCount() + 1, expected);
  // Jump into a late block, then walk up to the very start through the earlier blocks.
  ASSERT_EQ(0, reader.gotoWord(doc.wordCount() - 5));
  int32_t previous = reader.cursorLine()->firstWord;
  int steps = 0;
  while (reader.cursorUp() == 0) {
    const ScreenLine* l = reader.cursorLine();
    ASSERT_EQ(previous, l->firstWord + l->wordCount) << "after " << steps << " steps up";
    previous = l->firstWord;
    ++steps;
  }
  EXPECT_EQ(1, previous);
}

TEST_P(FileReaderTest, HitsForwardAndBackward) {
  std::vector<int32_t> hits = {5, 6, 90, 400, 401, 1150};  // the document has 1194 words
  MemoryDocument doc(200, hits);
  FileReader reader(&doc, lineFile(), 9);
  ASSERT_EQ(0, reader.start());
  std::vector<int32_t> seen;
  while (reader.nextHit() == 0) {
    const ScreenLine* l = reader.cursorLine();
    ASSERT_TRUE(l->lineFlags & ScreenLine::kHasHit);
    seen.push_back(l->firstWord);
    EXPECT_LT(reader.cursorLineNo() - reader.topLineNo(), reader.ringSize());
  }
  ASSERT_EQ(4u, seen.size()) << "5 and 6 share a line, as do 400 and 401; seen " << ::testing::PrintToString(seen);
  EXPECT_TRUE(holds(reader.cursorLine(), 1150));
  int32_t cursor = reader.cursorLineNo();
  EXPECT_EQ(-1, reader.nextHit());
  EXPECT_EQ(cursor, reader.cursorLineNo()) << "a failed next hit leaves the cursor";

  int back = 0;
  while (reader.previousHit() == 0) ++back;
  EXPECT_EQ(3, back);
  EXPECT_TRUE(holds(reader.cursorLine(), 5));
  reader.setDisplayMode(2);
  EXPECT_EQ(-1, reader.nextHit()) << "no hit navigation in this display mode";
}

TEST_P(FileReaderTest, SavedPositionComesBack) {
  MemoryDocument doc(150);
  FileReader reader(&doc, lineFile(), 10);
  ASSERT_EQ(0, reader.start());
  ASSERT_EQ(0, reader.gotoWord(640));
  reader.pageDown(3);
  FileReader::Position p = reader.savePosition();
  int32_t word = reader.cursorLine()->firstWord;
  ASSERT_EQ(0, reader.gotoWord(10));
  ASSERT_EQ(0, reader.restorePosition(p));
  EXPECT_EQ(word, reader.cursorLine()->firstWord);
  EXPECT_EQ(p.linesFromTop, reader.cursorLineNo() - reader.topLineNo());
}

INSTANTIATE_TEST_SUITE_P(LineFileOrMemory, FileReaderTest, ::testing::Bool());

// A source of fixed lines for the copy tests.
class FixedLines : public LineSource {
 public:
  explicit FixedLines(std::vector<ScreenLine> lines) : lines_(std::move(lines)) {}
  int nextLine(ScreenLine* l) override {
    if (next_ >= lines_.size()) return 0;
    *l = lines_[next_++];
    return 1;
  }
  int gotoPosition(int32_t, int32_t) override {
    next_ = 0;
    return 0;
  }
  int32_t thousandths() const override { return 0; }
  const std::vector<int32_t>& hits() const override { return none_; }
  const ImportMap* wordMap() const override { return nullptr; }

 private:
  std::vector<ScreenLine> lines_;
  std::vector<int32_t> none_;
  size_t next_ = 0;
};

ScreenLine fixed(const std::string& text, uint8_t continuation = 0) {
  ScreenLine l;
  l.text = text;
  l.continuation = continuation;
  return l;
}

TEST(FileReaderCopyTest, CommonIndentGoesDeeperIndentStays) {
  testsupport::TempDir dir;
  FixedLines source({fixed("    first"), fixed("        deeper"), fixed(""), fixed("    \x01last\x01   ")});
  FileReader reader(&source, "", 10, "notes.txt");
  ASSERT_EQ(0, reader.start());
  EXPECT_EQ(-1, reader.copyOut(dir.file("none.txt"), 0)) << "no selection";
  reader.setSelectionAnchor(0);
  reader.pageDown(3);
  ASSERT_EQ(0, reader.copyOut(dir.file("out.txt"), 0));
  EXPECT_EQ("first\r\n    deeper\r\n\r\nlast\r\n", testsupport::readFile(dir.file("out.txt")));

  ASSERT_EQ(0, reader.copyOut(dir.file("out.rtf"), FileReader::kCopyRtf | FileReader::kCopyName |
                                                      FileReader::kCopyPageLine));
  EXPECT_EQ("{\\rtf1\\ansi \nnotes.txt Page 1 Line 4\r\n\\par \nfirst\\par     deeper\\par \\par "
            "{\\b last}\\par \n}",
            testsupport::readFile(dir.file("out.rtf")));
  reader.clearStatus(FileReader::kCopyAllowed);
  EXPECT_EQ(-1, reader.copyOut(dir.file("out2.txt"), 0));
}

TEST(FileReaderCopyTest, JoinedParagraphsAndRtfEscapes) {
  testsupport::TempDir dir;
  FixedLines source({fixed("one {two} ", 1), fixed("  caf\xe9 \\ three", 0), fixed("four")});
  FileReader reader(&source, "", 10);
  ASSERT_EQ(0, reader.start());
  reader.pageDown(2);
  reader.setSelectionAnchor(0);
  ASSERT_EQ(0, reader.copyOut(dir.file("j.txt"), FileReader::kCopyJoinParagraphs));
  EXPECT_EQ("one {two} caf\xe9 \\ three\r\nfour\r\n", testsupport::readFile(dir.file("j.txt")));
  ASSERT_EQ(0, reader.copyOut(dir.file("j.rtf"), FileReader::kCopyRtf));
  EXPECT_EQ("{\\rtf1\\ansi \n\\par \none \\{two\\}\\par   caf\\'e9 \\\\ three\\par four\\par \n}",
            testsupport::readFile(dir.file("j.rtf")));
}

}  // namespace
