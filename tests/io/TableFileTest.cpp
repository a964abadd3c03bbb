// Table files: round trips, the exact file form, the lookup rules, and damaged input.
#include "io/TableFile.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/TempDir.h"

namespace {

const char kTitle[] = "Lexaurum Options";

TableFile parsed(const std::string& data, const char* title = kTitle) {
  TableFile t(title);
  EXPECT_EQ(0, t.parse(data.data(), data.size()));
  return t;
}

// Runs every getter over every record number that could be present; used on damaged input.
void queryEverything(TableFile& t) {
  char buf[64];
  std::string s;
  int32_t i32;
  int16_t i16;
  char c;
  bool b;
  unsigned char bytes[64];
  for (int rec = -1; rec < 4; ++rec) {
    if (rec >= 0) t.selectRecord(rec);
    for (const char* name : {"Count", "Name", "Block", "Flag", "N", "x"}) {
      t.getString(name, buf, sizeof buf);
      t.getString(name, &s);
      t.getInt32(name, &i32);
      t.getInt16(name, &i16);
      t.getChar(name, &c);
      t.getYesNo(name, &b);
      t.getNoYes(name, &b);
      t.getBytes(name, bytes, sizeof bytes);
    }
  }
}

std::string sampleTable() {
  TableFile t(kTitle);
  t.putInt("Count", 2);
  t.selectRecordForWriting(1);
  t.putString("Name", "first record");
  unsigned char block[25];
  for (size_t i = 0; i < sizeof block; ++i) block[i] = static_cast<unsigned char>(i * 11);
  t.putBytes("Block", block, sizeof block);
  t.selectRecordForWriting(2);
  t.putYesNo("Flag", true);
  t.putInt("N", -77);
  return t.toFileText();
}

}  // namespace

TEST(TableFileTest, WrittenTableReadsBackEqual) {
  testsupport::TempDir dir;
  unsigned char block[45];
  for (size_t i = 0; i < sizeof block; ++i) block[i] = static_cast<unsigned char>(255 - i);
  TableFile out(kTitle);
  out.putInt("Count", 2);
  out.selectRecordForWriting(1);
  out.putString("Path", "/home/ann/docs");
  out.putString("Empty", "");
  out.putYesNo("Case", false);
  out.putNoYes("Quiet", false);
  out.putBytes("Colours", block, sizeof block);
  out.selectRecordForWriting(2);
  out.putInt("Width", -123456789);
  out.putInt("Big", 2147483647);  // more than nine characters: must not lose digits
  ASSERT_EQ(0, out.write(dir.file("OPTIONS.DAT")));

  TableFile in(kTitle);
  ASSERT_EQ(0, in.read(dir.file("OPTIONS.DAT")));
  int32_t n = 0;
  EXPECT_EQ(0, in.getInt32("Count", &n));
  EXPECT_EQ(2, n);
  ASSERT_EQ(0, in.selectRecord(1));
  std::string s = "unchanged";
  EXPECT_EQ(0, in.getString("Path", &s));
  EXPECT_EQ("/home/ann/docs", s);
  EXPECT_EQ(0, in.getString("Empty", &s));
  EXPECT_EQ("", s);
  bool flag = true;
  EXPECT_EQ(0, in.getYesNo("Case", &flag));
  EXPECT_FALSE(flag);
  EXPECT_EQ(0, in.getNoYes("Quiet", &flag));
  EXPECT_FALSE(flag);
  unsigned char back[45] = {};
  size_t got = 0;
  EXPECT_EQ(0, in.getBytes("Colours", back, sizeof back, &got));
  EXPECT_EQ(sizeof back, got);
  EXPECT_EQ(0, std::memcmp(block, back, sizeof block));
  EXPECT_EQ(-1, in.getInt32("Width", &n)) << "record 2's value seen from record 1";
  ASSERT_EQ(0, in.selectRecord(2));
  EXPECT_EQ(0, in.getInt32("Width", &n));
  EXPECT_EQ(-123456789, n);
  EXPECT_EQ(0, in.getInt32("Big", &n));
  EXPECT_EQ(2147483647, n);
}

TEST(TableFileTest, FileFormIsExact) {
  TableFile t("Lexaurum Macros");
  t.putInt("Count", 1);
  t.selectRecordForWriting(7);
  t.putString("Text", "");
  t.putYesNo("On", true);
  t.putNoYes("Off", true);
  unsigned char block[45];
  for (size_t i = 0; i < sizeof block; ++i) block[i] = static_cast<unsigned char>(i);
  t.putBytes("B", block, sizeof block);
  EXPECT_EQ(
      "Lexaurum Macros\r\nCount = 1\r\n[7]\r\nText =   \r\nOn = Yes\r\nOff = No\r\n"
      "B = (000102030405060708090a0b0c0d0e0f10111213\r\n"
      "1415161718191a1b1c1d1e1f2021222324252627\r\n"
      "28292a2b2c )\r\n",
      t.toFileText());
}

TEST(TableFileTest, TitleComparedOverItsLengthOnly) {
  TableFile t(kTitle);
  std::string longer = "Lexaurum Options 4.12 (saved)\r\nA = 1\r\n";
  EXPECT_EQ(0, t.parse(longer.data(), longer.size()));
  for (std::string bad : {"Lexaurum Option\r\nA = 1\r\n", "Lexaurum options\nA = 1\n", ""}) {
    EXPECT_EQ(-1, t.parse(bad.data(), bad.size())) << bad;
    int32_t a = 5;
    EXPECT_EQ(-1, t.getInt32("A", &a));
    EXPECT_EQ(5, a);
  }
}

TEST(TableFileTest, LookupRules) {
  TableFile t = parsed(
      "Lexaurum Options\n"
      "Tight=42\n"
      "Tabs \t=\t  x y  \t\n"
      "Empty =\n"
      "Next = 9\n"
      "PathList = long\n"
      "Path = short\n"
      "Word\n"
      "Later = Yes\n");
  int32_t n = 0;
  EXPECT_EQ(0, t.getInt32("Tight", &n));
  EXPECT_EQ(42, n);
  std::string s;
  EXPECT_EQ(0, t.getString("Tabs", &s));
  EXPECT_EQ("x y", s);
  EXPECT_EQ(0, t.getString("Empty", &s));
  EXPECT_EQ("", s) << "the value must not run into the next line";
  EXPECT_EQ(0, t.getString("Path", &s));
  EXPECT_EQ("long", s) << "a shorter name matches the first line that begins with it";
  char c = 'q';
  EXPECT_EQ(-1, t.getChar("Empty", &c));
  EXPECT_EQ('q', c);
  bool b = true;
  EXPECT_EQ(-1, t.getYesNo("Word", &b)) << "a line without \"=\" borrowed a later value";
  EXPECT_TRUE(b);
  char buf[4];
  EXPECT_EQ(0, t.getString("Tabs", buf, sizeof buf));
  EXPECT_STREQ("x y", buf);
  EXPECT_EQ(0, t.getString("PathList", buf, 3));
  EXPECT_STREQ("lo", buf);
}

TEST(TableFileTest, NameCutTo39Characters) {
  std::string stored(39, 'k');
  TableFile t = parsed(std::string(kTitle) + "\n" + stored + "XYZ = 5\n");
  int32_t n = 0;
  EXPECT_EQ(0, t.getInt32((stored + "different tail").c_str(), &n));
  EXPECT_EQ(5, n);
}

TEST(TableFileTest, RecordHeadersMatchExactly) {
  TableFile t = parsed("Lexaurum Options\nA = 0\n[10]\nA = 10\n[1]\nA = 1\n");
  int32_t n = -1;
  ASSERT_EQ(0, t.selectRecord(1));
  EXPECT_EQ(0, t.getInt32("A", &n));
  EXPECT_EQ(1, n);
  EXPECT_EQ(-1, t.selectRecord(2));
  EXPECT_EQ(0, t.getInt32("A", &n)) << "a failed selection leaves the whole table in scope";
  EXPECT_EQ(0, n);
}

TEST(TableFileTest, IntegerConversion) {
  TableFile t = parsed(
      "Lexaurum Options\nA = -00012345x\nB = 99999999999\nC = abc\nD = 40000\nE = +7\nF = -\n");
  int32_t n = 3;
  int16_t h = 3;
  EXPECT_EQ(0, t.getInt32("A", &n));
  EXPECT_EQ(-12345, n);
  EXPECT_EQ(0, t.getInt32("E", &n));
  EXPECT_EQ(7, n);
  n = 3;
  for (const char* name : {"B", "C", "F"}) EXPECT_EQ(-1, t.getInt32(name, &n)) << name;
  EXPECT_EQ(3, n);
  EXPECT_EQ(-1, t.getInt16("D", &h)) << "a 16-bit value out of range must not wrap";
  EXPECT_EQ(3, h);
}

TEST(TableFileTest, ByteBlockDecoding) {
  TableFile t = parsed(
      "Lexaurum Options\n[1]\nab = (AB cd\n ef )\n[2]\nab = (0102\n[3]\nab = (01zz )\nab = 7\n");
  unsigned char buf[8];
  std::memset(buf, 0xee, sizeof buf);
  size_t got = 99;
  ASSERT_EQ(0, t.selectRecord(1));
  EXPECT_EQ(0, t.getBytes("ab", buf, sizeof buf, &got));
  EXPECT_EQ(3u, got);
  EXPECT_EQ(0xab, buf[0]);
  EXPECT_EQ(0xef, buf[2]);
  EXPECT_EQ(0xee, buf[3]) << "bytes past the block must stay untouched";
  ASSERT_EQ(0, t.selectRecord(2));
  EXPECT_EQ(0, t.getBytes("ab", buf, sizeof buf, &got)) << "a block ends at the record's end";
  EXPECT_EQ(2u, got);
  ASSERT_EQ(0, t.selectRecord(3));
  std::memset(buf, 0xee, sizeof buf);
  EXPECT_EQ(-1, t.getBytes("ab", buf, sizeof buf));
  EXPECT_EQ(0xee, buf[0]);
}

TEST(TableFileTest, HexLinesOfABlockAreNotValueLines) {
  TableFile out(kTitle);
  unsigned char block[40];
  std::memset(block, 0xab, sizeof block);
  out.putBytes("Pattern", block, sizeof block);
  out.putInt("abab", 12);
  std::string text = out.toFileText();
  TableFile in = parsed(text);
  int32_t n = 0;
  EXPECT_EQ(0, in.getInt32("abab", &n));
  EXPECT_EQ(12, n);
}

TEST(TableFileTest, StringValueCannotInjectLines) {
  TableFile out(kTitle);
  out.putString("Name", "evil\r\n[1]\nCount = 99");
  out.putString("Long", std::string(1100, 'a') + "Injected = 1");
  TableFile in = parsed(out.toFileText());
  std::string s;
  EXPECT_EQ(-1, in.selectRecord(1));
  EXPECT_EQ(-1, in.getString("Count", &s));
  EXPECT_EQ(-1, in.getString("Injected", &s)) << "the rest of a long line became a line";
  EXPECT_EQ(0, in.getString("Long", &s));
  EXPECT_EQ(TableFile::kMaxLineBytes - std::strlen("Long = "), s.size());
}

TEST(TableFileTest, ForeignBytesAreSafe) {
  std::string nasty = std::string(kTitle) + "\nA?B = 1\nBlock = (0" + std::string(5000, '1');
  nasty[std::strlen(kTitle) + 2] = '\0';
  TableFile t = parsed(nasty);
  int32_t n = 0;
  EXPECT_EQ(0, t.getInt32("A B", &n)) << "a NUL byte reads as a blank";
  queryEverything(t);
  std::string noLineEnd = std::string(kTitle) + std::string(100000, '=');
  t = parsed(noLineEnd);
  queryEverything(t);
}

TEST(TableFileTest, DamagedFilesNeverCrash) {
  const std::string good = sampleTable();
  TableFile t(kTitle);
  for (size_t cut = 0; cut <= good.size(); ++cut) {
    int rc = t.parse(good.data(), cut);
    EXPECT_EQ(cut < std::strlen(kTitle) ? -1 : 0, rc) << "cut at " << cut;
    queryEverything(t);
  }
  for (size_t i = 0; i < good.size(); ++i) {
    for (char flip : {'\0', '\n', '[', '=', '(', ')', 'z', '\xff'}) {
      std::string bad = good;
      bad[i] = flip;
      t.parse(bad.data(), bad.size());
      queryEverything(t);
    }
  }
}

TEST(TableFileTest, WriteFailureLeavesNoFile) {
  testsupport::TempDir dir;
  TableFile t(kTitle);
  t.putInt("A", 1);
  EXPECT_EQ(-1, t.write(dir.file("missing/OPTIONS.DAT")));
  EXPECT_FALSE(testsupport::exists(dir.file("missing/OPTIONS.DAT")));
  EXPECT_EQ(-1, t.read(dir.file("missing/OPTIONS.DAT")));
}
