// Stemming rules: the file reader, stems, roots, and the shipped English rules.
#include <gtest/gtest.h>

#include <string>

#include "search/Stemmer.h"
#include "tests/support/TempDir.h"

namespace {

std::string stemOf(const Stemmer& s, std::string w) {
  s.stem(&w);
  return w;
}

int parseText(Stemmer* s, const std::string& text) { return s->parse(text.data(), text.size()); }

}  // namespace

TEST(StemmerTest, ReadsRulesUntilTheDashesSkippingCommentsAndShortLines) {
  Stemmer s;
  ASSERT_EQ(0, parseText(&s,
                         "* comment -> here\n"
                         "s->\n"                 // shorter than 5: skipped
                         "3+ ies -> y\r\n"
                         "  ing   ->   \n"
                         "12+sses->ss\n"
                         "-----\n"
                         "ed -> x\n"));
  ASSERT_EQ(3u, s.rules().size());
  EXPECT_EQ("3+ies -> y", Stemmer::format(s.rules()[0]));
  EXPECT_EQ("ing -> ", Stemmer::format(s.rules()[1]));
  EXPECT_EQ(12, s.rules()[2].minLength);
  EXPECT_EQ("ss", s.rules()[2].replacement);
}

TEST(StemmerTest, MalformedLinesStopLoadingAndKeepEarlierRules) {
  Stemmer s;
  EXPECT_EQ(-1, parseText(&s, "3+ ies -> y\nno arrow here\ning -> \n"));
  EXPECT_EQ(1u, s.rules().size());
  // A suffix over 10 characters, an empty suffix, an absurd minimum length.
  EXPECT_EQ(-1, parseText(&s, "abcdefghijk -> a\n"));
  EXPECT_EQ(-1, parseText(&s, "3+  -> abc\n"));
  EXPECT_EQ(-1, parseText(&s, "99999+ s -> \n"));
  EXPECT_TRUE(s.rules().empty());
  // Lines over 80 characters are cut, so a rule past column 80 is not seen.
  std::string longLine = std::string(78, ' ') + "s -> x\n";
  EXPECT_EQ(-1, parseText(&s, longLine));

  Stemmer fromFile;
  EXPECT_EQ(-1, fromFile.load("/nonexistent/STEMMING.DAT"));
  EXPECT_EQ("walking", stemOf(fromFile, "walking"));  // no rules: nothing happens
}

TEST(StemmerTest, RulesApplyInOrderAndRepeatWithinTheMinimumLength) {
  Stemmer s;
  ASSERT_EQ(0, parseText(&s, "3+ ies -> y\n3+ ing -> \n3+ s -> \n"));
  EXPECT_EQ("pony", stemOf(s, "ponies"));
  EXPECT_EQ("walk", stemOf(s, "walkings"));  // s, then ing
  EXPECT_EQ("sing", stemOf(s, "sing"));      // "s" left is shorter than 3
  EXPECT_EQ("tie", stemOf(s, "ties"));  // "t" is too short for "ies", "tie" not for "s"
  EXPECT_EQ("", stemOf(s, ""));

  // A rule that keeps matching its own output stops after 512 applications.
  Stemmer same;
  ASSERT_EQ(0, parseText(&same, "x -> x\n"));
  EXPECT_EQ("x", stemOf(same, "x"));
  Stemmer grow;
  ASSERT_EQ(0, parseText(&grow, "x -> xx\n"));
  EXPECT_EQ(std::string(Stemmer::kMaxStemBytes, 'x'), stemOf(grow, "x"));
  // ... and before the word passes kMaxStemBytes.
  Stemmer grow10;
  ASSERT_EQ(0, parseText(&grow10, "x -> xxxxxxxxxx\n"));
  std::string grown = stemOf(grow10, "x");
  EXPECT_LE(grown.size(), Stemmer::kMaxStemBytes);
  EXPECT_GT(grown.size(), Stemmer::kMaxStemBytes - 10);
}

TEST(StemmerTest, RootIsThePrefixSharedWithEveryUndoableRule) {
  Stemmer s;
  ASSERT_EQ(0, parseText(&s, "3+ ies -> y\n3+ ing -> \n3+ s -> \n"));
  // "ponies" stems to "pony"; "pony" may come back from "ponies", so the root is "pon".
  EXPECT_EQ("pon", s.root("ponies"));
  EXPECT_EQ("walk", s.root("walking"));
  EXPECT_EQ("cat", s.root("cat"));
}

TEST(StemmerTest, ShippedEnglishRulesBringWordFormsTogether) {
  Stemmer s;
  ASSERT_EQ(0, s.load(testsupport::sourcePath("data/STEMMING.DAT")));
  ASSERT_GT(s.rules().size(), 10u);
  const char* groups[][4] = {
      {"walk", "walks", "walked", "walking"},
      {"pony", "ponies", "pony", "ponies"},
      {"create", "created", "creates", "creation"},
      {"happy", "happiness", "happily", "happy"},
      {"agree", "agreed", "agrees", "agreeing"},
  };
  for (const auto& g : groups) {
    std::string first = stemOf(s, g[0]);
    for (const char* w : g) EXPECT_EQ(first, stemOf(s, w)) << w << " vs " << g[0];
    // The root is a prefix of every form of the group: a scan from it finds them all.
    std::string root = s.root(g[1]);
    for (const char* w : g) EXPECT_EQ(0, std::string(w).compare(0, root.size(), root)) << w;
  }
  EXPECT_EQ("sing", stemOf(s, "sing"));
  EXPECT_EQ("is", stemOf(s, "is"));
}
