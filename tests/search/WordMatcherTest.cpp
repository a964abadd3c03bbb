// Key ranges and matches of request words, including phonic keys and number ranges.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "search/PhonicKey.h"
#include "search/Stemmer.h"
#include "search/WordMatcher.h"

namespace {

std::string numberWord(unsigned n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "!i%08x", n);
  return buf;
}

}  // namespace

TEST(WordMatcherTest, PrefixWildcardScansUpToTheNextPrefix) {
  WordMatcher m;
  m.setup("appl*");
  EXPECT_EQ("appl", m.lowKey());
  EXPECT_EQ("appm", m.highKey());
  EXPECT_FALSE(m.unbounded());
  EXPECT_TRUE(m.match("appl"));
  EXPECT_TRUE(m.match("applesauce"));
  EXPECT_FALSE(m.match("app"));
  EXPECT_FALSE(m.pastEnd("applz"));
  EXPECT_TRUE(m.pastEnd("appm"));

  m.setup("*ing");
  EXPECT_EQ("", m.lowKey());
  EXPECT_TRUE(m.unbounded());
  EXPECT_TRUE(m.match("sing"));
  EXPECT_FALSE(m.pastEnd("\xff\xff"));

  m.setup("word");  // plain words: exactly the word
  EXPECT_EQ("word", m.lowKey());
  EXPECT_EQ("wore", m.highKey());
  EXPECT_TRUE(m.match("word"));
  EXPECT_FALSE(m.match("words"));
}

TEST(WordMatcherTest, HighKeyCarriesOverBytesOf255) {
  WordMatcher m;
  m.setup("a\xff*");
  EXPECT_EQ("b", m.highKey());
  EXPECT_TRUE(m.match("a\xff\xff"));
  EXPECT_FALSE(m.pastEnd("a\xff\xff\xff"));
  m.setup("\xff\xff");
  EXPECT_TRUE(m.unbounded());
  EXPECT_TRUE(m.match("\xff\xff"));
  EXPECT_FALSE(m.match("\xff\xff\xff"));
}

TEST(WordMatcherTest, FuzzyWordsKeepTheirExactPrefix) {
  WordMatcher m;
  m.setup("ap%%ple");
  EXPECT_EQ("ap", m.lowKey());
  EXPECT_EQ("aq", m.highKey());
  for (const char* w : {"apple", "aple", "appel", "apples"}) EXPECT_TRUE(m.match(w)) << w;
  EXPECT_FALSE(m.match("xpple"));
  EXPECT_FALSE(m.match("apricot"));
  EXPECT_FALSE(m.match("ap"));  // three letters short

  // Fuzziness 1 on a 4-letter word: itself, and itself with one letter added at the end.
  m.setup("bank%");
  EXPECT_TRUE(m.match("bank"));
  EXPECT_TRUE(m.match("banks"));
  EXPECT_FALSE(m.match("bunk"));
  EXPECT_FALSE(m.match("ban"));
  EXPECT_FALSE(m.match("bankers"));

  m.setup("%%%%%abcdefgh");  // differences from the first character: the whole list
  EXPECT_TRUE(m.unbounded());
  EXPECT_TRUE(m.match("xbcdefgh"));
}

TEST(WordMatcherTest, PhonicWordsMatchBySoundWithinTheirFirstLetter) {
  EXPECT_EQ("r163", phonicKey("robert"));
  EXPECT_EQ("r163", phonicKey("rupert"));
  EXPECT_EQ("t522", phonicKey("tymczak"));
  EXPECT_EQ("a", phonicKey("a"));
  EXPECT_EQ("", phonicKey(""));
  EXPECT_EQ("b1", phonicKey("bob"));  // the second b follows a vowel, so it counts again
  EXPECT_EQ("x", phonicKey("x\xe9\xe9"));

  WordMatcher m;
  m.setup("#robert");
  EXPECT_EQ("r", m.lowKey());
  EXPECT_EQ("s", m.highKey());
  EXPECT_TRUE(m.match("rupert"));
  EXPECT_FALSE(m.match("robin"));  // r15
  EXPECT_FALSE(m.match("bobert"));  // b163, outside the scan
}

TEST(WordMatcherTest, NumberRangesMatchTheirBoundsAndEverythingBetween) {
  WordMatcher m;
  m.setup(numberWord(12) + "~~" + numberWord(20));
  for (unsigned n = 0; n < 40; ++n)
    EXPECT_EQ(n >= 12 && n <= 20, m.match(numberWord(n)) && !m.pastEnd(numberWord(n))) << n;
}

TEST(WordMatcherTest, StemmedWordsMatchEveryFormWithTheSameStem) {
  Stemmer s;
  std::string rules = "3+ ies -> y\n3+ ing -> \n3+ ed -> \n3+ s -> \n";
  ASSERT_EQ(0, s.parse(rules.data(), rules.size()));
  WordMatcher m;
  m.setup("walking~", {}, &s);
  EXPECT_EQ("walk", m.lowKey());
  EXPECT_EQ("wall", m.highKey());
  for (const char* w : {"walk", "walks", "walked", "walking"}) EXPECT_TRUE(m.match(w)) << w;
  EXPECT_FALSE(m.match("walkman"));

  m.setup("ponies~", {}, &s);
  EXPECT_TRUE(m.match("pony"));
  EXPECT_TRUE(m.match("ponies"));
  EXPECT_FALSE(m.match("pond"));

  // Without a stemmer a stemmed word matches itself only.
  m.setup("walking~");
  EXPECT_TRUE(m.match("walking"));
  EXPECT_FALSE(m.match("walks"));
}
