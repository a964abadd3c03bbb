// Request words: markers in and out, and the search-wide fuzziness table.
#include <gtest/gtest.h>

#include "search/SearchWord.h"

TEST(SearchWordTest, ParseTakesMarkersOffInOrder) {
  SearchWord w;
  w.parse("  #ro%b%ert&~ ");
  EXPECT_EQ("robert", w.text);
  EXPECT_TRUE(w.phonic);
  EXPECT_TRUE(w.synonym);
  EXPECT_TRUE(w.stemming);
  EXPECT_EQ(2, w.fuzzyStart);
  EXPECT_EQ(2, w.fuzzyCount);
  EXPECT_EQ("#ro%%bert~&", w.format());

  // Only the first synonym character is a marker; reparsing resets the flags.
  w.parse("a&b&");
  EXPECT_EQ("ab&", w.text);
  EXPECT_FALSE(w.phonic);
  EXPECT_EQ(-1, w.fuzzyStart);

  SearchMarkers m;
  m.fuzzy = '!';
  w.parse("ap!!ple", m);
  EXPECT_EQ("apple", w.text);
  EXPECT_EQ(2, w.fuzzyCount);
  EXPECT_EQ("ap!!ple", w.format(m));
}

TEST(SearchWordTest, RangesAndOwnFuzzyCharactersIgnoreTheFuzziness) {
  SearchWord w;
  w.parse("!i0000000c~~!i00000014");
  EXPECT_EQ("!i0000000c~~!i00000014", w.format(9));
  w.parse("ap%ple");
  EXPECT_EQ("ap%ple", w.format(9));
}

TEST(SearchWordTest, FuzzinessGivesPrefixAndDifferencesByLength) {
  int start, count;
  // A 4-letter word at fuzziness 1: one difference after the whole word.
  SearchWord::resolveFuzziness(1, 4, &start, &count);
  EXPECT_EQ(4, start);
  EXPECT_EQ(1, count);
  // Fuzziness 9 on 8 letters: 8 * 5 / 7 = 5 differences from the start.
  SearchWord::resolveFuzziness(9, 8, &start, &count);
  EXPECT_EQ(0, start);
  EXPECT_EQ(5, count);
  // Short words stay exact; fuzziness is capped by length (5 letters: at most 6).
  SearchWord::resolveFuzziness(9, 2, &start, &count);
  EXPECT_EQ(0, count);
  SearchWord::resolveFuzziness(9, 5, &start, &count);
  EXPECT_EQ(1, start);
  EXPECT_EQ(3, count);
  // The prefix longer than the word keeps it exact.
  SearchWord::resolveFuzziness(1, 3, &start, &count);
  EXPECT_EQ(0, count);
  EXPECT_EQ(-1, start);
  // Long words: differences capped at 8; levels outside 0..9 clamped.
  SearchWord::resolveFuzziness(12, 40, &start, &count);
  EXPECT_EQ(8, count);
  SearchWord::resolveFuzziness(-3, 40, &start, &count);
  EXPECT_EQ(0, count);

  SearchWord w;
  w.parse("apple~");
  EXPECT_EQ("a%%%pple~", w.format(9));
  w.parse("bank");
  EXPECT_EQ("bank%", w.format(1));
  EXPECT_EQ("bank", w.format(0));
}
