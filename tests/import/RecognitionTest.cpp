// Recognition and the choice of a format: wildcard names, the binary, WordPerfect, Word/Write
// and HTML recognizers, signatures, tie-breaking, and viewers behind the C interface.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "import/BuiltinViewers.h"
#include "import/FormatTypes.h"
#include "import/Recognizers.h"
#include "import/ViewerTable.h"
#include "import/Wildcard.h"

namespace {

class RecognitionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setBinaryFilesOption(2);
    builtinviewers::registerAll(table_);
  }
  void setBinaryFilesOption(int value) {
    ImportSettings s = table_.settings();
    s.binaryFiles = value;
    table_.setSettings(s);
  }

  // The name of the format chosen for `bytes`, or "" when none.
  std::string chosen(const std::string& bytes, const std::string& name = "doc.bin") {
    MemorySource source(name, bytes);
    const ViewerEntry* entry = nullptr;
    auto viewer = table_.makeViewer(source, &entry);
    return viewer ? entry->info.name : "";
  }
  int score(const std::string& format, const std::string& bytes, const std::string& name = "x") {
    const ViewerEntry* e = table_.findByName(format);
    EXPECT_NE(nullptr, e) << format;
    FileProbe p{name, bytes.substr(0, LXR_VIEWER_HEAD_BYTES), nullptr};
    return e ? table_.score(*e, p) : -1;
  }
  static std::string wordPerfect(uint8_t majorVersion) {
    std::string h("\xFFWPC", 4);
    h.resize(16, '\0');
    h[8] = 1;
    h[9] = 10;
    h[10] = static_cast<char>(majorVersion);
    return h + "Some words of text follow the header here.";
  }

  ViewerTable table_;
};

TEST(WildcardTest, MatchesNamesCaseBlind) {
  struct Case {
    const char* pattern;
    const char* text;
    bool match;
  } cases[] = {
      {"*.DBF", "sales.dbf", true},    {"*.DBF", "sales.dbf.bak", false},
      {"?.TXT", "a.txt", true},        {"?.TXT", "ab.txt", false},
      {"##/##", "12/34", true},        {"##/##", "1a/34", false},
      {"#", "?", true},                {"@@", "\xE9" "A", true},
      {"@", "1", false},               {"", "", true},
      {"", "a", false},                {"*", "", true},
      {"a*b*c", "aXbYbZc", true},      {"a*b*c", "aXbYbZ", false},
      {"*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.match, wildcard::match(std::string(c.pattern), std::string(c.text)))
        << c.pattern << " vs " << c.text;
  EXPECT_EQ((std::vector<std::string>{"*.a", "*.b", "c"}), wildcard::splitPatterns(" *.a,*.b;;c ", 20));
  EXPECT_EQ(2u, wildcard::splitPatterns("a b c", 2).size());
}

TEST_F(RecognitionTest, BinaryThresholdIsOneThirtySecondOfTheBytesRead) {
  std::string text(320, 'a');
  for (int i = 0; i < 10; ++i) text[static_cast<size_t>(i * 30)] = '\x01';
  EXPECT_FALSE(recognizers::looksBinary(reinterpret_cast<const uint8_t*>(text.data()), 320));
  std::string eleven = text;
  eleven[305] = '\x01';
  EXPECT_TRUE(recognizers::looksBinary(reinterpret_cast<const uint8_t*>(eleven.data()), 320));
  std::string withNul(200, 'b');
  withNul[150] = '\0';
  EXPECT_TRUE(recognizers::looksBinary(reinterpret_cast<const uint8_t*>(withNul.data()), 200));
  std::string whiteSpace = "a\tb\nc\vd\fe\rf";
  EXPECT_FALSE(recognizers::looksBinary(reinterpret_cast<const uint8_t*>(whiteSpace.data()),
                                        static_cast<int32_t>(whiteSpace.size())));

  // The option decides what a binary file becomes.
  setBinaryFilesOption(1);
  EXPECT_EQ("Binary (Filtered)", chosen(eleven));
  EXPECT_EQ("Ansi", chosen(text));
  setBinaryFilesOption(3);
  EXPECT_EQ("Binary (skipped)", chosen(withNul));
  setBinaryFilesOption(2);
  EXPECT_EQ("Ansi", chosen(withNul)) << "no detection: the fallback takes it";
}

TEST_F(RecognitionTest, SkippedBinaryDeliversNothingAndSaysBinary) {
  setBinaryFilesOption(3);
  MemorySource source("a.bin", std::string("\0\1\2\3text", 8));
  auto viewer = table_.makeViewer(source);
  ASSERT_NE(nullptr, viewer);
  EXPECT_TRUE(viewer->fileInfo().binary);
  EXPECT_EQ(formattype::kBinary, viewer->fileInfo().type);
  std::string out;
  EXPECT_EQ(0, viewer->readTextBlock(&out));
}

TEST_F(RecognitionTest, HtmlScores) {
  EXPECT_EQ(99, score("HTML", "  \r\n<!-- a comment --><p>x"));
  EXPECT_EQ(100, score("HTML", "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\">"));
  EXPECT_EQ(100, score("HTML", "\t<html>\n<body>"));
  EXPECT_EQ(100, score("HTML", "<TITLE>x</TITLE>"));
  EXPECT_EQ(100, score("HTML", "<html lang=\"en\">\n<head>"));
  EXPECT_EQ(100, score("HTML", "\xEF\xBB\xBF<!DOCTYPE html>")) << "after a UTF-8 byte-order mark";
  EXPECT_EQ(0, score("HTML", "<header>x</header>"));
  EXPECT_EQ(0, score("HTML", "<!DOCTYPE svg>"));
  EXPECT_EQ(0, score("HTML", "x <html>"));
  EXPECT_EQ(0, score("HTML", ""));
  EXPECT_EQ("HTML", chosen("<!-- only a comment -->"));
}

TEST_F(RecognitionTest, WordPerfectVersionByteDecides) {
  EXPECT_EQ("WordPerfect 5.x", chosen(wordPerfect(0)));
  EXPECT_EQ("WordPerfect 6.x", chosen(wordPerfect(2)));
  // Version 1 is neither: the file falls through to the Ansi fallback at 10.
  EXPECT_EQ(0, score("WordPerfect 5.x", wordPerfect(1)));
  EXPECT_EQ(0, score("WordPerfect 6.x", wordPerfect(1)));
  EXPECT_EQ(10, score("Ansi", wordPerfect(1)));
  EXPECT_EQ("Ansi", chosen(wordPerfect(1)));
  std::string encrypted = wordPerfect(0);
  encrypted[12] = 1;
  EXPECT_EQ("Ansi", chosen(encrypted));
  EXPECT_EQ("Ansi", chosen(std::string("\xFFWPC\0\0", 6))) << "too short for the header";
}

TEST_F(RecognitionTest, WordAndWriteShareASignature) {
  std::string doc("\x31\xBE\x00\x00\x00\xAB", 6);
  doc.resize(128, 'x');
  doc[96] = 0;
  doc[97] = 0;
  EXPECT_EQ("Microsoft Word", chosen(doc));
  doc[97] = 1;
  EXPECT_EQ("Microsoft Write", chosen(doc));
}

TEST_F(RecognitionTest, SignaturesAtOffsetsWithPatternsAndCase) {
  std::string mm(404, ' ');
  mm += "12/31/1996/10/45 and text";
  EXPECT_EQ("Multimate", chosen(mm));
  mm[405] = 'x';
  EXPECT_EQ("Ansi", chosen(mm));
  EXPECT_EQ("Microsoft RTF", chosen("{\\rtf1\\ansi hello}"));
  EXPECT_EQ("dBASE", chosen("anything", "/data/SALES.dbf"));
  EXPECT_EQ("Ansi", chosen("{\\rt")) << "a signature longer than the file never matches";
}

TEST_F(RecognitionTest, LaterRegistrationWinsATie) {
  ViewerTable table;
  builtinviewers::registerAll(table);
  auto add = [&](const char* name, const char* pattern) {
    lxrViewerInfo info;
    std::memset(&info, 0, sizeof info);
    std::strcpy(info.name, name);
    info.filenamePattern = pattern;
    info.filenameConfidence = 60;
    info.flags = LXR_VIEWER_INTERNAL;
    info.makeImport = table.findByName("Ansi")->info.makeImport;
    ASSERT_GT(table.add(info), 0);
  };
  add("First", "*.LOG");
  add("Second", "*.LOG");
  MemorySource source("server.log", "a log line\n");
  const ViewerEntry* entry = nullptr;
  ASSERT_NE(nullptr, table.makeViewer(source, &entry));
  EXPECT_STREQ("Second", entry->info.name);
}

TEST_F(RecognitionTest, ContainerThatCannotBeMadeFallsThrough) {
  // A ZIP signature scores 100, but its viewer cannot be made yet: the next candidate wins.
  EXPECT_EQ(100, score("ZIP Archive", std::string("PK\x03\x04rest", 8)));
  EXPECT_EQ("Ansi", chosen(std::string("PK\x03\x04rest", 8)));
}

TEST_F(RecognitionTest, RegistrationFillsDefaultsAndStubs) {
  ViewerTable table;
  lxrViewerInfo info;
  std::memset(&info, 0, sizeof info);
  EXPECT_EQ(-1, table.add(info)) << "a record needs a name";
  std::strcpy(info.name, "Broken");
  info.filenamePattern = "*.BRK";
  info.filenameConfidence = 100;
  info.signatureLength = 300;  // and no signature bytes
  ASSERT_EQ(1, table.add(info));
  const ViewerEntry* e = table.findByName("broken");
  ASSERT_NE(nullptr, e);
  EXPECT_EQ(2048, e->info.blockSize);
  ASSERT_NE(nullptr, e->info.readTextBlock);
  EXPECT_EQ(-1, e->info.readTextBlock(nullptr, nullptr, 0));
  EXPECT_EQ(-1, e->info.extractToFile("a", "b", "c"));
  MemorySource source("x.brk", "data");
  EXPECT_EQ(nullptr, table.makeViewer(source)) << "no viewer functions: nothing can be made";
}

// A viewer behind the C interface: the property-set format is registered with its own
// functions; blocks, bookmarks and rewinding go through them.
TEST_F(RecognitionTest, PropertySetReadsThroughTheCInterface) {
  std::string bytes("\xFE\xFF\x00\x00", 4);
  for (int i = 0; i < 300; ++i) bytes += std::string("\x01\x02Title", 7) + std::to_string(i);
  MemorySource source("props", bytes);
  const ViewerEntry* entry = nullptr;
  auto viewer = table_.makeViewer(source, &entry);
  ASSERT_NE(nullptr, viewer);
  EXPECT_STREQ("Properties", entry->info.name);
  EXPECT_EQ(formattype::kPropertySet, viewer->fileInfo().type);
  std::string first, all;
  ASSERT_GT(viewer->readTextBlock(&first), 0);
  int32_t mark = viewer->bookMark();
  std::string second;
  ASSERT_GT(viewer->readTextBlock(&second), 0);
  all = first + second;
  while (viewer->readTextBlock(&all) > 0) {
  }
  EXPECT_NE(std::string::npos, all.find("Title299"));
  ASSERT_EQ(0, viewer->gotoBookMark(mark));
  std::string again;
  ASSERT_GT(viewer->readTextBlock(&again), 0);
  EXPECT_EQ(second, again);
}

}  // namespace
