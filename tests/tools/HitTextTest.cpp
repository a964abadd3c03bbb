// The text the search tools print: JSON strings that stay valid whatever bytes a name or
// title holds, and the words around hits.
#include "tools/HitText.h"

#include <gtest/gtest.h>

using hittext::ContextCollector;
using hittext::jsonString;

TEST(HitTextTest, JsonStringsEscapeControlsQuotesAndBadUtf8) {
  EXPECT_EQ("\"a\\\"b\\\\c\"", jsonString("a\"b\\c"));
  EXPECT_EQ("\"\\n\\t\\r\\u0001\\u001f\\u007f\"", jsonString("\n\t\r\x01\x1f\x7f"));
  EXPECT_EQ("\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80\"", jsonString("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"));
  // A lone continuation byte, a cut sequence at the end, an overlong slash, a surrogate.
  EXPECT_EQ("\"\\ufffdx\"", jsonString("\x80x"));
  EXPECT_EQ("\"a\\ufffd\\ufffd\"", jsonString("a\xe2\x82"));
  EXPECT_EQ("\"\\ufffd\\ufffd\"", jsonString("\xc0\xaf"));
  EXPECT_EQ("\"\\ufffd\\ufffd\\ufffd\"", jsonString("\xed\xa0\x80"));
  EXPECT_EQ("\"\"", jsonString(""));
}

TEST(HitTextTest, ContextJoinsNearHitsAndCutsAtTheEdges) {
  ContextCollector c(2);
  c.addLine("one two \x07three\x07 four five six seven");
  c.addLine("eight \x07nine\x07, ten \x07" "eleven\x07 twelve");
  EXPECT_FALSE(c.lastHitComplete());
  c.addLine("thirteen fourteen");
  EXPECT_TRUE(c.lastHitComplete());
  std::vector<std::string> s = c.snippets();
  ASSERT_EQ(2u, s.size());
  EXPECT_EQ("one two \x07three\x07 four five...", s[0]);
  EXPECT_EQ("...seven eight \x07nine\x07, ten \x07" "eleven\x07 twelve thirteen...", s[1]);
  EXPECT_EQ("six [nine], ten", hittext::highlight("six \x07nine\x07, ten", "[", "]"));
}
