// XFILTER clauses: their words become file conditions; dates, sizes, exclusions.
#include <gtest/gtest.h>

#include <string>

#include "search/ConstraintSet.h"
#include "search/ConstraintValue.h"
#include "search/SearchTree.h"
#include "search/TreeChecks.h"

namespace {

dosdate::DosDateTime day(int y, int m, int d, int hour = 12) {
  return dosdate::make(static_cast<uint16_t>(((y - 1980) << 9) | (m << 5) | d),
                       static_cast<uint16_t>(hour << 11));
}

FileFacts file(const std::string& name, dosdate::DosDateTime mod, int64_t size) {
  FileFacts f;
  f.fileName = name;
  f.modDate = mod;
  f.size = size;
  return f;
}

}  // namespace

TEST(ConstraintSetTest, DateAndSizeValues) {
  dosdate::DosDateTime lo = 0, hi = 0;
  ASSERT_EQ(0, constraintvalue::parseDateRange("2020-02-03", &lo, &hi));
  EXPECT_LE(lo, day(2020, 2, 3, 0));
  EXPECT_GE(hi, day(2020, 2, 3, 23));
  EXPECT_GT(lo, day(2020, 2, 2, 23));
  ASSERT_EQ(0, constraintvalue::parseDateRange("2020~~2021-06", &lo, &hi));
  EXPECT_EQ(lo, day(2020, 1, 1, 0));
  EXPECT_GE(hi, day(2021, 6, 30, 23));
  EXPECT_LT(hi, day(2021, 7, 1, 0));
  ASSERT_EQ(0, constraintvalue::parseDateRange("~~20200101", &lo, &hi));
  EXPECT_EQ(0u, lo);
  for (const char* bad : {"", "~~", "2020-13-01", "2020-01-32", "20-01-01", "yesterday", "2020~~x"})
    EXPECT_EQ(-1, constraintvalue::parseDateRange(bad, &lo, &hi)) << bad;
  int64_t a = 0, b = 0;
  ASSERT_EQ(0, constraintvalue::parseSizeRange("10k~~2M", &a, &b));
  EXPECT_EQ(10240, a);
  EXPECT_EQ(2097152, b);
  ASSERT_EQ(0, constraintvalue::parseSizeRange("99999999999999999999999G~~", &a, &b));
  EXPECT_GT(a, 0);
  EXPECT_EQ(-1, constraintvalue::parseSizeRange("10q", &a, &b));
  std::string rest;
  EXPECT_TRUE(constraintvalue::splitExclusion("~2020", &rest));
  EXPECT_EQ("2020", rest);
  EXPECT_FALSE(constraintvalue::splitExclusion("~~2020", &rest));
  EXPECT_TRUE(constraintvalue::splitExclusion("~~~2020", &rest));
  EXPECT_EQ("~~2020", rest);
}

TEST(ConstraintSetTest, ClauseWordsBecomeConditions) {
  RequestSettings s;
  s.showMessages = false;
  SearchTree tree;
  ASSERT_EQ(0, tree.parse("xfilter (path \"/home/ann/*\" name \"*.txt *.doc\" excl \"old*\" "
                          "date \"2020-01-01~~2020-12-31\" size ~~1k size \"~500\") and apple",
                          "", s));
  ASSERT_EQ(1u, tree.filterNodes().size());
  const ConstraintSet& set = *tree.filterNodes()[0]->constraints;
  EXPECT_EQ(4u, set.inclusions().size());
  EXPECT_EQ(2u, set.exclusions().size());
  EXPECT_TRUE(set.matches(file("/home/ann/notes.txt", day(2020, 5, 1), 100)));
  EXPECT_TRUE(set.matches(file("/home/ann/sub/notes.DOC", day(2020, 5, 1), 100)));
  EXPECT_FALSE(set.matches(file("/home/bob/notes.txt", day(2020, 5, 1), 100)));
  EXPECT_FALSE(set.matches(file("/home/ann/old.txt", day(2020, 5, 1), 100)));
  EXPECT_FALSE(set.matches(file("/home/ann/notes.txt", day(2021, 1, 1), 100)));
  EXPECT_FALSE(set.matches(file("/home/ann/notes.txt", day(2020, 5, 1), 500)));
  EXPECT_FALSE(set.matches(file("/home/ann/notes.txt", day(2020, 5, 1), 2000)));
  // The clause's words are not searched in the index, and need no positions.
  ASSERT_EQ(1u, tree.simpleNodes().size());
  EXPECT_EQ("apple", tree.simpleNodes()[0]->text);
  EXPECT_FALSE(tree.needsPositions());
  // Unquoted ranges are read as written, before they became number words.
  ASSERT_EQ(0, tree.parse("xfilter (size 10~~20)", "", s));
  EXPECT_TRUE(tree.filterNodes()[0]->constraints->matches(file("/a", 0, 15)));
  EXPECT_FALSE(tree.filterNodes()[0]->constraints->matches(file("/a", 0, 21)));
  // A value that is not understood is reported, not dropped in silence.
  EXPECT_EQ(-1, tree.parse("xfilter (date \"next week\")", "", s));
  EXPECT_TRUE(tree.errorBits() & treechecks::kBadFileCondition);
  // So is a word that names no condition, and a name without its value: either would let
  // every file pass.
  for (const char* clause : {"xfilter (nmae \"*.txt\")", "xfilter (name \"*.txt\" size)"}) {
    SearchTree t;
    EXPECT_EQ(-1, t.parse(clause, "", s)) << clause;
    EXPECT_TRUE(t.errorBits() & treechecks::kBadFileCondition) << clause;
  }
  SearchTree misspelt;
  misspelt.parse("xfilter (nmae \"*.txt\")", "", s);
  EXPECT_NE(std::string::npos, misspelt.message().find("Not understood in XFILTER: nmae \"*.txt\""))
      << misspelt.message();
}
