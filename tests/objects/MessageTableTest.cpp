// The message table: parsing, formatting, and the shipped message file.
#include "objects/MessageTable.h"

#include <gtest/gtest.h>

#include "tests/support/TempDir.h"

namespace {

MessageTable parsed(const std::string& text) {
  MessageTable t;
  std::string error;
  EXPECT_EQ(0, t.parse(text.data(), text.size(), &error)) << error;
  return t;
}

TEST(MessageTableTest, ReadsNumberedLinesAndSkipsTheRest) {
  MessageTable t = parsed(
      "Lexaurum Message File\r\n; a comment\n\n"
      "19\tNo documents were retrieved.\r\n"
      "56   Disk full: %s\n"
      "56\tsecond text for 56 is ignored\n"
      "7x not a message\n"
      "999999\tnumber too large\n"
      "8\n"
      "13\tline one\\nline two \\\\ \\q");
  EXPECT_EQ("No documents were retrieved.", t.text(19));
  EXPECT_EQ("Disk full: %s", t.text(56));
  EXPECT_EQ("line one\nline two \\ \\q", t.text(13));
  EXPECT_FALSE(t.has(7));
  EXPECT_FALSE(t.has(8));
  EXPECT_EQ(3u, t.size());
  EXPECT_EQ("Message text not found", t.text(999999));
}

TEST(MessageTableTest, RefusesAFileWithAnotherFirstLine) {
  MessageTable t = parsed("Lexaurum Message File\n1\tkept\n");
  std::string error;
  for (std::string bad : {"", "Lexaurum Message File extra\n1\tx\n", "1\tx\n", "Lexaurum"}) {
    EXPECT_EQ(-1, t.parse(bad.data(), bad.size(), &error)) << bad;
    EXPECT_FALSE(error.empty());
  }
  EXPECT_EQ("kept", t.text(1)) << "a failed parse keeps the texts held";
}

TEST(MessageTableTest, FormatTakesArgumentsInOrderAndNothingElse) {
  MessageTable t = parsed("Lexaurum Message File\n2\t%s needs %d MB, %s free (100%%) %x %n\n");
  EXPECT_EQ("C: needs 12 MB, ??? free (100%) %x %n", t.format(2, {"C:", "12", "???"}));
  EXPECT_EQ(" needs  MB,  free (100%) %x %n", t.format(2, {}));
}

TEST(MessageTableTest, ShippedFileHasATextForEveryMessageTheEngineUses) {
  MessageTable t;
  std::string error;
  ASSERT_EQ(0, t.load(testsupport::sourcePath("data/LEXAURUM.MSG"), &error)) << error;
  for (int n : {1, 2, 3, 5, 9, 13, 14, 18, 19, 32, 34, 40, 43, 49, 50, 51, 54, 56, 58, 59, 62,
                70, 71, 74, 95, 106, 109, 110, 111, 149, 181, 183, 184})
    EXPECT_TRUE(t.has(n)) << "message " << n;
}

TEST(MessageTableTest, MissingFileFailsWithAReason) {
  testsupport::TempDir dir;
  MessageTable t;
  std::string error;
  EXPECT_EQ(-1, t.load(dir.file("LEXAURUM.MSG"), &error));
  EXPECT_NE(std::string::npos, error.find("LEXAURUM.MSG"));
}

}  // namespace
