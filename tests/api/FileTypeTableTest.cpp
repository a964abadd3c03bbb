// The file type table: its limit of nine entries, its file form, and what applying and
// resetting it does to the choice of a format.
#include <string>

#include <gtest/gtest.h>

#include "api/FileTypeTable.h"
#include "import/BuiltinViewers.h"
#include "import/Recognizers.h"
#include "import/ViewerTable.h"
#include "tests/support/TempDir.h"

namespace {

std::string chosen(const ViewerTable& table, const std::string& name, const std::string& bytes) {
  MemorySource source(name, bytes);
  const ViewerEntry* entry = nullptr;
  return table.makeViewer(source, &entry) ? entry->info.name : "";
}

TEST(FileTypeTableTest, TenthEntryIsRefused) {
  FileTypeTable t;
  for (int i = 0; i < 9; ++i) EXPECT_EQ(i + 1, t.add("Ascii", "*.T" + std::to_string(i)));
  EXPECT_EQ(-1, t.add("Ascii", "*.T9"));
  EXPECT_EQ(9, t.count());
  EXPECT_EQ(-1, t.set(9, "Ansi", "*.X"));
  EXPECT_EQ(0, t.remove(0));
  EXPECT_EQ(9, t.add("Ansi", "*.X"));
}

TEST(FileTypeTableTest, WritesAndReadsBack) {
  testsupport::TempDir dir;
  FileTypeTable t;
  t.add("Ascii", "*.DOS, *.OEM;README");
  std::string many;
  for (int i = 0; i < 20; ++i) many += "*.LONGEXT" + std::to_string(i) + " ";
  t.add("WordStar (older)", many);
  std::string path = dir.file("FILETYPE.DAT");
  ASSERT_EQ(0, t.write(path));
  std::string text = testsupport::readFile(path);
  EXPECT_EQ(0u, text.find("Lexaurum File Type Table"));
  EXPECT_NE(std::string::npos, text.find("Pattern = *.DOS *.OEM README"));

  FileTypeTable back;
  ASSERT_EQ(0, back.read(path));
  ASSERT_EQ(2, back.count());
  EXPECT_EQ("Ascii", back.entry(0).name);
  EXPECT_EQ((std::vector<std::string>{"*.DOS", "*.OEM", "README"}), back.entry(0).patterns);
  // The joined patterns are cut at 80 characters, at a whole pattern.
  for (const std::string& p : back.entry(1).patterns) EXPECT_EQ(0u, p.find("*.LONGEXT"));
  EXPECT_LT(back.entry(1).patterns.size(), 20u);

  EXPECT_EQ(-1, back.parse("Something else\r\nCount = 1\r\n", 27));
  EXPECT_EQ(0, back.count());
}

// Found by fuzzing: a carriage return or a NUL inside a value was kept in a pattern or name,
// but a table file cannot carry it, so the table read back differed from the one written.
TEST(FileTypeTableTest, ControlCharactersInValuesReadBackTheSame) {
  const char text[] =
      "Lexaurum File Type Table\r\nCount = 2\r\n[0]\r\nType = As\x01" "cii \r\n"
      "Pattern = \ratte-n *.D!S\r\r\v[g\x00x\r\n[1]\r\nType = \x02\r\n";
  FileTypeTable t;
  ASSERT_EQ(0, t.parse(text, sizeof text - 1));
  ASSERT_EQ(1, t.count()) << "a name of control characters only is no name";
  EXPECT_EQ("As cii", t.entry(0).name);
  EXPECT_EQ((std::vector<std::string>{"atte-n", "*.D!S", "[g", "x"}), t.entry(0).patterns);
  std::string once = t.toFileText();
  FileTypeTable back;
  ASSERT_EQ(0, back.parse(once.data(), once.size()));
  EXPECT_EQ(once, back.toFileText());
}

TEST(FileTypeTableTest, ApplyAndResetChangeTheChoice) {
  ViewerTable table;  // binary files: no detection
  builtinviewers::registerAll(table);
  EXPECT_EQ("Ansi", chosen(table, "old.dos", "text"));
  FileTypeTable t;
  t.add("Ascii", "*.DOS");
  t.add("No Such Format", "*.ZZZ");
  EXPECT_EQ(1, t.apply(table));
  EXPECT_EQ("Ascii", chosen(table, "old.dos", "text")) << "50 beats the fallback's 10";
  EXPECT_EQ(50, table.findByName("Ascii")->info.filenameConfidence);
  t.reset(table);
  EXPECT_EQ(0, t.count());
  EXPECT_EQ("Ansi", chosen(table, "old.dos", "text"));
  EXPECT_TRUE(table.findByName("Ascii")->patterns.empty());
}

// Giving Ansi patterns, and taking them away, must not take the fallback's "*" with them:
// every file no other format claims would become unreadable.
TEST(FileTypeTableTest, AnsiEntryLeavesTheFallbackAlone) {
  ViewerTable table;  // binary files: no detection
  builtinviewers::registerAll(table);
  FileTypeTable t;
  t.add("Ansi", "*.LOG");
  t.apply(table);
  EXPECT_EQ("Ansi", chosen(table, "notes.txt", "plain text"));
  t.reset(table);
  EXPECT_EQ("Ansi", chosen(table, "notes.txt", "plain text"));
}

}  // namespace
