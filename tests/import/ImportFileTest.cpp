// The text importers and ImportFile: line ends, character sets across block boundaries,
// readable runs of binary files, the end of a document, rewinding, laying out lines, and the
// protection of documents against output files.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "import/BinaryImporter.h"
#include "import/BuiltinViewers.h"
#include "import/FormatTypes.h"
#include "import/ImportFile.h"
#include "import/Recognizers.h"
#include "import/TextBlock.h"
#include "import/TextImporter.h"
#include "tests/support/TempDir.h"

namespace {

// Every block of a viewer, joined.
std::string readAll(Viewer& v) {
  std::string out;
  int rc;
  while ((rc = v.readTextBlock(&out)) > 0) {
  }
  EXPECT_EQ(0, rc);
  return out;
}

std::string textOf(const std::string& bytes, int32_t blockBytes,
                   charset::Encoding plain = charset::Encoding::kWindows1252) {
  MemorySource source("t.txt", bytes);
  TextImporter importer(source, blockBytes, plain);
  return readAll(importer);
}

const std::string kPar(1, static_cast<char>(textblock::kParagraphEnd));

TEST(TextImporterTest, LineEndsPagesTabsAndControls) {
  std::string want = "a" + kPar + "b" + kPar + "c" + kPar + kPar + "d" +
                     std::string(1, static_cast<char>(textblock::kPageEnd)) + "e\tf g h";
  EXPECT_EQ(want, textOf("a\nb\r\nc\r\rd\fe\tf\x01g\x1Ah", 2048));
  // A CR LF pair cut by every possible block boundary stays one line end.
  std::string text = "line one\r\nline two\r\nthree";
  std::string whole = textOf(text, 2048);
  for (int32_t block = 16; block < 30; ++block) EXPECT_EQ(whole, textOf(text, block)) << block;
}

TEST(TextImporterTest, Utf8AndUtf16AreConvertedAcrossBlockBoundaries) {
  std::string utf8 = "caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD \xF0\x9F\x98\x80 end";
  // The CJK character and the emoji have no place in Windows-1252: a blank each.
  std::string want = "caf\xE9 \x80     end";
  for (int32_t block = 16; block < 24; ++block) EXPECT_EQ(want, textOf(utf8, block)) << block;
  std::string bom = "\xEF\xBB\xBF" "na\xC3\xAFve";
  EXPECT_EQ("na\xEFve", textOf(bom, 2048));

  std::string le, be;
  // "Zoë" + CR LF in UTF-16 LE without a mark, and BE with one.
  const uint16_t units[] = {'Z', 'o', 0xEB, '\r', '\n', 'x'};
  for (uint16_t u : units) {
    le += static_cast<char>(u & 0xFF);
    le += static_cast<char>(u >> 8);
    be += static_cast<char>(u >> 8);
    be += static_cast<char>(u & 0xFF);
  }
  std::string expected = "Zo\xEB" + kPar + "x";
  for (int32_t block = 16; block < 20; ++block) EXPECT_EQ(expected, textOf(le, block));
  EXPECT_EQ(expected, textOf("\xFE\xFF" + be, 2048));
}

TEST(TextImporterTest, PlainWindows1252AndDosText) {
  EXPECT_EQ("r\xE9sum\xE9 \x93q\x94", textOf("r\xE9sum\xE9 \x93q\x94", 2048));
  // Code page 437: 0x82 is e acute, 0x9C the pound sign.
  EXPECT_EQ("caf\xE9 \xA3", textOf("caf\x82 \x9C", 2048, charset::Encoding::kCp437));
  EXPECT_EQ("", textOf("", 2048));
}

TEST(FilteredImporterTest, DeliversRunsOfFourOrMore) {
  const char raw[] = "\x00\x01" "abc\x00" "Hello\x02\x03" "World wide\x00\xFF\xFE\x81" "xyz";
  std::string bin(raw, sizeof raw - 1);
  MemorySource source("b", bin);
  FilteredImporter f(source, 2048);
  EXPECT_EQ("Hello" + kPar + "World wide" + kPar, readAll(f));
  // A run cut by a block boundary is followed to its end, not split.
  std::string runs = std::string(10, '\0') + "a long readable run" + std::string(10, '\0');
  MemorySource s2("b", runs);
  FilteredImporter small(s2, 16);
  EXPECT_EQ("a long readable run" + kPar, readAll(small));
  ASSERT_EQ(0, small.rewind());
  EXPECT_EQ("a long readable run" + kPar, readAll(small));
}

class ImportFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ImportSettings s;
    s.binaryFiles = 2;
    table_.setSettings(s);
    builtinviewers::registerAll(table_);
  }
  std::string write(const std::string& name, const std::string& bytes) {
    std::string path = dir_.file(name);
    testsupport::writeFile(path, bytes);
    return path;
  }
  testsupport::TempDir dir_;
  ViewerTable table_;
};

TEST_F(ImportFileTest, OpenReadToTheEndAndRewind) {
  std::string text;
  for (int i = 0; i < 400; ++i) text += "word" + std::to_string(i) + (i % 10 == 9 ? "\n" : " ");
  std::string path = write("long.txt", text);
  ImportFile doc(table_);
  ASSERT_EQ(0, doc.open(path));
  EXPECT_EQ(formattype::kAnsi, doc.fileInfo().type);
  EXPECT_EQ(static_cast<int32_t>(text.size()), doc.fileInfo().sizeBytes);
  std::string all;
  int blocks = 0;
  while (doc.nextBlock() > 0) {
    all += doc.block();
    ++blocks;
  }
  EXPECT_GT(blocks, 1);
  EXPECT_TRUE(doc.atEnd());
  EXPECT_EQ(-1, doc.nextBlock()) << "stays at the end";
  ASSERT_EQ(0, doc.rewind());
  ASSERT_GT(doc.nextBlock(), 0);
  EXPECT_EQ(all.substr(0, doc.block().size()), doc.block());

  // Lines: 40 paragraphs of 10 words, laid out 80 columns wide, number every word.
  ASSERT_EQ(0, doc.rewind());
  ScreenLine line;
  int words = 0, lines = 0;
  std::string first;
  while (doc.nextLine(&line, 80) == 1) {
    if (lines++ == 0) first = ImportFile::lineText(line);
    words += line.wordCount;
  }
  EXPECT_EQ(400, words);
  EXPECT_EQ("word0 word1 word2 word3 word4 word5 word6 word7 word8 word9", first);
  EXPECT_EQ(0, doc.close());
  EXPECT_FALSE(doc.isOpen());
}

TEST_F(ImportFileTest, MissingFileLeavesItClosedWithAReason) {
  ImportFile doc(table_);
  EXPECT_EQ(-1, doc.open(dir_.file("absent.txt")));
  EXPECT_FALSE(doc.isOpen());
  EXPECT_FALSE(doc.errorText().empty());
  EXPECT_EQ(-1, doc.nextBlock());
  ScreenLine line;
  EXPECT_EQ(-1, doc.nextLine(&line, 80));

  ViewerTable empty;
  ImportFile none(empty);
  EXPECT_EQ(-1, none.open(write("a.txt", "text")));
  EXPECT_EQ("Unable to create viewer", none.errorText());
}

TEST_F(ImportFileTest, LineTextExpandsTabsAndDropsCodes) {
  ScreenLine line;
  line.text = std::string("a\tb") + static_cast<char>(textblock::kBold) + "c" +
              static_cast<char>(textblock::kHidden) + "hid" + static_cast<char>(textblock::kHidden) +
              static_cast<char>(textblock::kEscape) + '\x05';
  EXPECT_EQ(std::string("a       bc\x05"), ImportFile::lineText(line));
}

TEST_F(ImportFileTest, OutputProtectionRefusesDocumentsAndPrograms) {
  std::string wp("\xFFWPC", 4);
  wp.resize(16, '\0');
  wp[8] = 1;
  wp[9] = 10;
  EXPECT_FALSE(outputfile::mayWrite(write("letter.wpd", wp), nullptr, table_));
  EXPECT_FALSE(outputfile::mayWrite(write("tool.exe", "plain text"), nullptr, table_));
  EXPECT_TRUE(outputfile::mayWrite(write("notes.txt", "plain text"), nullptr, table_));
  EXPECT_TRUE(outputfile::mayWrite(dir_.file("new.txt"), nullptr, table_));
}

}  // namespace
