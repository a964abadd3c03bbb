// Tests of the noise list: pattern matching with "*" and "?", the limits of the file
// reader, the field names an index adds, and the shipped English list.
#include <gtest/gtest.h>

#include <string>

#include "IndexDbFixture.h"
#include "index/NoiseList.h"
#include "tests/support/TempDir.h"

namespace {

void build(NoiseList& list, std::initializer_list<const char*> entries) {
  list.clear();
  for (const char* e : entries) list.add(e);
  list.build();
}

}  // namespace

TEST(NoiseListTest, WholeWordEntryMatchesOnlyThatWord) {
  NoiseList list;
  build(list, {"the", "then", "a"});
  EXPECT_TRUE(list.isNoise("the"));
  EXPECT_TRUE(list.isNoise("then"));
  EXPECT_TRUE(list.isNoise("a"));
  EXPECT_FALSE(list.isNoise("there"));
  EXPECT_FALSE(list.isNoise("th"));
  EXPECT_FALSE(list.isNoise("an"));
  EXPECT_FALSE(list.isNoise("The"));  // bytes compare exactly; folding is the caller's
  EXPECT_FALSE(list.isNoise(""));
}

TEST(NoiseListTest, StarAndQuestionMarkPatterns) {
  NoiseList list;
  build(list, {"th*", "w?s", "x*z", "?q"});
  for (const char* w : {"the", "this", "th", "thoroughly"}) EXPECT_TRUE(list.isNoise(w)) << w;
  EXPECT_FALSE(list.isNoise("t"));
  EXPECT_TRUE(list.isNoise("was"));
  EXPECT_TRUE(list.isNoise("wis"));
  EXPECT_FALSE(list.isNoise("ws"));
  EXPECT_FALSE(list.isNoise("wast"));
  EXPECT_TRUE(list.isNoise("xz"));
  EXPECT_TRUE(list.isNoise("xabcz"));
  EXPECT_FALSE(list.isNoise("xabc"));
  // The first byte matches exactly, even a question mark.
  EXPECT_TRUE(list.isNoise("?q"));
  EXPECT_FALSE(list.isNoise("aq"));
}

TEST(NoiseListTest, LiteralEntryBesideWildcardSiblingStillMatches) {
  // "a?c" sorts before "abd", so the "?" node comes first at its place; a word that
  // follows it and fails must still find the literal branch.
  NoiseList list;
  build(list, {"abd", "a?c", "ab", "a*"});
  EXPECT_TRUE(list.isNoise("abd"));
  EXPECT_TRUE(list.isNoise("axc"));
  EXPECT_TRUE(list.isNoise("ab"));
  EXPECT_TRUE(list.isNoise("anything"));
  build(list, {"abd", "a?c"});
  EXPECT_TRUE(list.isNoise("abd"));
  EXPECT_TRUE(list.isNoise("abc"));
  EXPECT_FALSE(list.isNoise("abx"));
  EXPECT_FALSE(list.isNoise("ab"));
}

TEST(NoiseListTest, ReaderTrimsSkipsBlankLinesAndStopsAtLimits) {
  NoiseList list;
  EXPECT_EQ(3, list.loadText("and \t\r\n\n   \r\nor\r\n  but\n"));
  list.build();
  EXPECT_TRUE(list.isNoise("and"));
  EXPECT_TRUE(list.isNoise("or"));
  EXPECT_TRUE(list.isNoise("  but"));  // only trailing white space goes
  EXPECT_FALSE(list.isNoise("but"));

  std::string many;
  for (int i = 0; i < 1200; ++i) many += "w" + std::to_string(i) + "\n";
  EXPECT_EQ(NoiseList::kMaxLines, list.loadText(many));
  for (int i = 0; i < 100; ++i) list.add("extra" + std::to_string(i));
  EXPECT_EQ(NoiseList::kMaxAddCount, list.count());
  list.build();
  EXPECT_TRUE(list.isNoise("w999"));
  EXPECT_FALSE(list.isNoise("w1000"));

  // Hostile lines: a zero byte, an overlong line; neither becomes an entry.
  std::string bad = std::string("a\0b\n", 4) + std::string(5000, 'x') + "\nok\n";
  EXPECT_EQ(1, list.loadText(bad));
}

TEST(NoiseListTest, IndexListAddsFieldNamesAndMissingFileGivesEmptyList) {
  NoiseList list;
  EXPECT_EQ(5, list.loadForIndex("the\n"));
  for (const char* w : {"XFIRSTWORD", "XLASTWORD", "XNAME", "XDATE", "the"})
    EXPECT_TRUE(list.isNoise(w)) << w;
  EXPECT_FALSE(list.isNoise("XNAMES"));

  testsupport::TempDir dir;
  EXPECT_EQ(-1, list.load(dir.file("missing.noi")));
  EXPECT_EQ(0, list.count());
  EXPECT_FALSE(list.isNoise("the"));
}

TEST(NoiseListTest, ShippedEnglishListLoads) {
  NoiseList list;
  ASSERT_EQ(0, list.load(testsupport::sourcePath("data/LEXAURUM.NOI")));
  EXPECT_GT(list.count(), 50);
  list.build();
  EXPECT_TRUE(list.isNoise("the"));
  EXPECT_TRUE(list.isNoise("of"));
  EXPECT_FALSE(list.isNoise("there's"));
  EXPECT_FALSE(list.isNoise("retrieval"));
}

class IndexNoiseTest : public IndexDbFixture {};

TEST_F(IndexNoiseTest, NewIndexCopiesNoiseFileAndOpenLoadsIt) {
  IndexRequest r;
  r.folder = folder_;
  r.name = "Noise";
  r.noiseFile = testsupport::sourcePath("data/LEXAURUM.NOI");
  IndexMaker maker;
  ASSERT_EQ(0, maker.make(r)) << maker.errorText();
  EXPECT_EQ(testsupport::readFile(r.noiseFile), testsupport::readFile(folder_ + "/INDEX_N.IX"));
  {
    TextDB db;
    db.setDirectory(folder_);
    ASSERT_EQ(0, db.open(indextest::kReadMode, indexformat::kHeaderFile | indexformat::kNoiseFile));
    NoiseList list;
    list.loadForIndex(db.noiseText());
    EXPECT_TRUE(list.isNoise("the"));
    EXPECT_TRUE(list.isNoise("XDATE"));
    EXPECT_FALSE(list.isNoise("index"));
  }
  // A noise file that cannot be read gives an index without noise words, not a failure.
  r.noiseFile = dir_.file("missing.noi");
  ASSERT_EQ(0, maker.make(r)) << maker.errorText();
  EXPECT_FALSE(testsupport::exists(folder_ + "/INDEX_N.IX"));
}

// Found by fuzzing: "ab*" read as a word matches "a*??", yet "ab*" also matches "ab",
// which "a*??" does not; the wider entry must not be dropped as already present.
TEST(NoiseListTest, RegressionEntryMatchedByAnotherIsStillAdded) {
  NoiseList list;
  build(list, {"a*??", "ab*"});
  EXPECT_TRUE(list.isNoise("ab"));
  EXPECT_TRUE(list.isNoise("axy"));
  EXPECT_FALSE(list.isNoise("ax"));
}
