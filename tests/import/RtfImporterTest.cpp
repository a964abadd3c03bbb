// The Rich Text importer: the visible text of a document written for these tests, the
// destinations that hold no text, characters in code pages and Unicode, fallback characters,
// attributes, damaged group structure, and cutting the document at every offset.
#include "import/RtfImporter.h"

#include <string>

#include <gtest/gtest.h>

#include "import/TextBlock.h"
#include "tests/support/TempDir.h"
#include "tests/support/ViewerText.h"

namespace {

// The whole text of a document as the importer delivers it, codes included.
std::string blocks(const std::string& rtf, int32_t blockBytes = 2048, std::string* title = nullptr) {
  MemorySource source("t.rtf", rtf);
  RtfImporter importer(source, blockBytes);
  return testsupport::allBlocks(importer, title);
}

std::string text(const std::string& rtf) { return textblock::plainText(blocks(rtf)); }

TEST(RtfImporterTest, SampleDocumentGivesTheVisibleTextAndTitle) {
  std::string rtf = testsupport::readFile(testsupport::sourcePath("tests/data/import/sample.rtf"));
  ASSERT_FALSE(rtf.empty());
  std::string title;
  std::string plain = textblock::plainText(blocks(rtf, 2048, &title));
  EXPECT_EQ("Caf\xE9 notes", title);
  // No font names, colours, styles, author, generator, picture data, field instruction or
  // hidden text; \'e9, \u239? and \u8364? decoded; \line and \tab kept.
  EXPECT_EQ(
      "Caf\xE9 menu\n"
      "The na\xEFve cr\xE8me br\xFBl\xE9" "e costs \x80" "5 \x96 today.\n"
      "Fonts and links\nsecond line tabbed\n"
      "visible italic underline\n"
      "Nested deep group text\n",
      plain);
  // Any block size gives the same text.
  std::string whole = blocks(rtf);
  for (int32_t size : {16, 17, 100, 1000}) EXPECT_EQ(whole, blocks(rtf, size)) << size;
}

TEST(RtfImporterTest, UnicodeFallbackCharactersAreSkippedAsTheGroupSays) {
  // \uc1 is the default: one fallback character after each \u.
  EXPECT_EQ("caf\xE9 ok", text("{\\rtf1 caf\\u233? ok}"));
  EXPECT_EQ("\x80x", text("{\\rtf1\\uc2\\u8364\\'80\\'80x}"));
  // A control word in the place of a fallback character counts as one.
  EXPECT_EQ("\x80y", text("{\\rtf1\\uc2\\u8364\\'80\\emdash y}"));
  // Negative values stand for code points above 32767; without a place, a blank.
  EXPECT_EQ(" z", text("{\\rtf1\\u-4064?z}"));
  // The end of a group ends the fallback, and \uc holds only inside its group.
  EXPECT_EQ("\xE9" "b", text("{\\rtf1{\\uc3\\u233 a}b}"));
  EXPECT_EQ("\xE9\xE9", text("{\\rtf1{\\uc0\\u233}\\u233?}"));
}

TEST(RtfImporterTest, CodePagesOfTheDocumentAndOfItsFonts) {
  // Code page 1250: e-acute is at the same place, a-ogonek has no place in Windows-1252.
  EXPECT_EQ("\xE9 ", text("{\\rtf1\\ansi\\ansicpg1250 \\'e9\\'b9}"));
  // A font of the Central European character set in a Windows-1252 document.
  EXPECT_EQ("\xB9|\xE9 ",
            text("{\\rtf1\\ansicpg1252{\\fonttbl{\\f0 Times;}{\\f1\\fcharset238 Arial CE;}}"
                 "\\f0\\'b9|{\\f1\\'e9\\'b9}}"));
  // Two-byte characters of a Japanese font are one blank each, trail bytes are never text.
  EXPECT_EQ("a b", text("{\\rtf1{\\fonttbl{\\f2\\fcharset128 MS Mincho;}}\\f2 a\\'94\\'4fb}"));
}

TEST(RtfImporterTest, BinaryRunsAndSkippedDestinationsHoldNoText) {
  // \bin bytes may contain braces and backslashes; they are skipped by count.
  EXPECT_EQ("before after", text("{\\rtf1 before{\\pict\\bin6 }{\\'41\\ } after}"));
  EXPECT_EQ("kept", text("{\\rtf1{\\*\\unknowndest secret}{\\*\\bkmkstart b}kept}"));
  EXPECT_EQ("see here", text("{\\rtf1 see {\\field{\\*\\fldinst PAGE}{\\fldrslt here}}}"));
  EXPECT_EQ("", text("{\\rtf1\\bin999999999 text}"));
}

TEST(RtfImporterTest, AttributesFollowGroupsAndNeverCutAWord) {
  const std::string b(1, static_cast<char>(textblock::kBold));
  const std::string i(1, static_cast<char>(textblock::kItalic));
  EXPECT_EQ("a " + b + "bold" + b + " c", blocks("{\\rtf1 a {\\b bold} c}"));
  // Bold starting inside a word waits for the word's end.
  std::string mid = blocks("{\\rtf1 ab{\\b cd} e}");
  EXPECT_EQ(std::string::npos, mid.find("ab" + b));
  EXPECT_EQ("abcd e", textblock::plainText(mid));
  // Attributes still on at the end are turned off there.
  EXPECT_EQ(i + "open" + i, blocks("{\\rtf1\\i open"));
}

TEST(RtfImporterTest, UnbalancedAndDeepGroupsGiveTheReadableText) {
  EXPECT_EQ("one two", text("{\\rtf1 one}} two}"));
  EXPECT_EQ("never closed\n", text("{\\rtf1 never {\\b closed\\par"));
  std::string deep = "{\\rtf1 " + std::string(100000, '{') + "deep" + std::string(100000, '}') + " end}";
  EXPECT_EQ("deep end", text(deep));
  // A skipped destination opened past the tracked depth still ends with its group.
  std::string past = "{\\rtf1 " + std::string(RtfImporter::kMaxTrackedDepth + 10, '{') +
                     "{\\*\\x hidden}{\\v gone}{\\fonttbl{\\f1 Arial;}}shown" + std::string(RtfImporter::kMaxTrackedDepth + 10, '}') + "}";
  EXPECT_EQ("shown", text(past));
}

TEST(RtfImporterTest, EveryCutOfTheSampleEndsCleanly) {
  std::string rtf = testsupport::readFile(testsupport::sourcePath("tests/data/import/sample.rtf"));
  std::string whole = blocks(rtf);
  for (size_t cut = 0; cut <= rtf.size(); ++cut) {
    std::string part = blocks(rtf.substr(0, cut), 64);
    // A cut document's text never grows past the whole one's.
    ASSERT_LE(part.size(), whole.size() + 3) << cut;
  }
}

TEST(RtfImporterTest, BookmarksReturnToTheirBlock) {
  std::string rtf = testsupport::readFile(testsupport::sourcePath("tests/data/import/sample.rtf"));
  MemorySource source("t.rtf", rtf);
  RtfImporter importer(source, 20);
  std::string first;
  ASSERT_GT(importer.readTextBlock(&first), 0);
  int32_t mark = importer.bookMark();
  std::string second, again;
  ASSERT_GT(importer.readTextBlock(&second), 0);
  ASSERT_EQ(0, importer.gotoBookMark(mark));
  ASSERT_GT(importer.readTextBlock(&again), 0);
  EXPECT_EQ(second, again);
  EXPECT_EQ(-1, importer.gotoBookMark(1 << 30));
  ASSERT_EQ(0, importer.rewind());
  again.clear();
  importer.readTextBlock(&again);
  EXPECT_EQ(first, again);
}

}  // namespace
