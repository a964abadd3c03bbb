// Wildcard and fuzzy matching, and a property test: the dynamic programme agrees with the
// plain recursive definition on random short words.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "search/FuzzyMatch.h"

using fuzzymatch::fuzzyMatch;
using fuzzymatch::wildcardMatch;

namespace {

// The definition, followed literally: equal characters and "?" are skipped; a "*" tries
// every rest of the word; at a difference one of three edits is tried if the budget allows.
bool reference(const std::string& w, size_t i, const std::string& q, size_t j, int e, int m) {
  while (i < w.size() && j < q.size() && (q[j] == '?' || (q[j] != '*' && q[j] == w[i]))) {
    ++i;
    ++j;
  }
  if (i == w.size() && j == q.size()) return true;
  if (j < q.size() && q[j] == '*') {
    for (size_t k = i; k <= w.size(); ++k)
      if (reference(w, k, q, j + 1, e, m)) return true;
    return false;
  }
  if (e >= m) return false;
  return (i < w.size() && reference(w, i + 1, q, j, e + 1, m)) ||
         (j < q.size() && reference(w, i, q, j + 1, e + 1, m)) ||
         (i < w.size() && j < q.size() && reference(w, i + 1, q, j + 1, e + 1, m));
}

}  // namespace

TEST(FuzzyMatchTest, WildcardsMatchOneCharacterOrAnyRun) {
  EXPECT_TRUE(wildcardMatch("apple", "appl*"));
  EXPECT_TRUE(wildcardMatch("appl", "appl*"));
  EXPECT_TRUE(wildcardMatch("running", "*ing"));
  EXPECT_TRUE(wildcardMatch("abcbc", "a*bc"));
  EXPECT_TRUE(wildcardMatch("axyzb", "a?y*b"));
  EXPECT_TRUE(wildcardMatch("ab", "ab**"));
  EXPECT_FALSE(wildcardMatch("ab", "ab?"));
  EXPECT_FALSE(wildcardMatch("abc", "ab"));
  EXPECT_FALSE(wildcardMatch("ing", "?ing"));
  EXPECT_TRUE(wildcardMatch("", "*"));
  EXPECT_FALSE(wildcardMatch("", "?"));
}

TEST(FuzzyMatchTest, DifferencesCountInsertionsDeletionsAndSubstitutions) {
  EXPECT_TRUE(fuzzyMatch("apple", "apple", 2));
  EXPECT_TRUE(fuzzyMatch("aple", "apple", 2));
  EXPECT_TRUE(fuzzyMatch("appel", "apple", 2));
  EXPECT_TRUE(fuzzyMatch("xpple", "apple", 2));  // the prefix check is the matcher's job
  EXPECT_FALSE(fuzzyMatch("banana", "apple", 2));
  EXPECT_EQ(3, fuzzymatch::editDistance("kitten", "sitting", 5));
  EXPECT_EQ(3, fuzzymatch::editDistance("kitten", "sitting", 2));  // limit + 1 when above
  EXPECT_TRUE(fuzzyMatch("colourful", "colo*", 0));
  EXPECT_TRUE(fuzzyMatch("cxlourful", "colo*", 1));
  // Long words with a large budget finish at once (the recursion would not).
  std::string a(400, 'a'), b(400, 'b');
  EXPECT_FALSE(fuzzyMatch(a, b, 8));
  EXPECT_TRUE(fuzzyMatch(a + "bbbbbbbb", a, 8));
  EXPECT_FALSE(fuzzyMatch(a + "bbbbbbbbb", a, 8));
  EXPECT_TRUE(fuzzyMatch("x" + a + "y", "?" + a, 1));
  EXPECT_TRUE(fuzzyMatch(a, a + "?*", 1));
}

TEST(FuzzyMatchTest, AgreesWithTheRecursiveDefinitionOnRandomWords) {
  std::mt19937 rng(20261208);
  const std::string wordChars = "abc";
  const std::string patternChars = "abc?*";
  auto randomText = [&](const std::string& chars, int maxLength) {
    std::string s;
    int n = static_cast<int>(rng() % static_cast<unsigned>(maxLength + 1));
    for (int i = 0; i < n; ++i) s += chars[rng() % chars.size()];
    return s;
  };
  for (int round = 0; round < 4000; ++round) {
    std::string w = randomText(wordChars, 7);
    std::string q = randomText(round % 2 ? patternChars : wordChars, 6);
    int m = static_cast<int>(rng() % 5);
    ASSERT_EQ(reference(w, 0, q, 0, 0, m), fuzzyMatch(w, q, m))
        << "word '" << w << "' pattern '" << q << "' limit " << m;
    if (m == 0) {
      ASSERT_EQ(reference(w, 0, q, 0, 0, 0), wildcardMatch(w, q)) << w << " " << q;
    }
  }
}
