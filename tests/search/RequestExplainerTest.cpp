// What `lxr explain` prints: the tree, the parts not searched, file conditions, or the echo;
// requests come in UTF-8 and go out in UTF-8.
#include <gtest/gtest.h>

#include <string>

#include "search/RequestExplainer.h"
#include "search/RequestLexer.h"

TEST(RequestExplainerTest, ExplainsGoodAndFaultyRequests) {
  RequestSettings s;
  std::string out;
  EXPECT_EQ(requestexplainer::kUnderstood, requestexplainer::explain("a and b or c", s, &out));
  EXPECT_EQ("(a and (b or c))\n", out);
  EXPECT_EQ(requestexplainer::kUnderstood, requestexplainer::explain("a not b", s, &out));
  EXPECT_EQ("a\nNot searched (no connector joins it to the request): (not b)\n", out);
  EXPECT_EQ(requestexplainer::kUnderstood,
            requestexplainer::explain("xfilter (name \"*.txt\" size ~5~~9) and a", s, &out));
  EXPECT_NE(std::string::npos, out.find("  include name *.txt\n  exclude size 5~~9\n"));
  EXPECT_EQ(requestexplainer::kFaulty, requestexplainer::explain("a w/5", s, &out));
  EXPECT_NE(std::string::npos, out.find("One or more words are missing"));
  EXPECT_NE(std::string::npos, out.find("(a w/5 ???"));
  EXPECT_EQ(requestexplainer::kFaulty, requestexplainer::explain("  ", s, &out));
}

TEST(RequestExplainerTest, Utf8InAndOut) {
  // "café ≈ naïve": é and ï have Windows-1252 bytes, ≈ has none and becomes a blank.
  std::string engine = requestexplainer::toEngineText("caf\xC3\xA9 \xE2\x89\x88 na\xC3\xAFve");
  EXPECT_EQ("caf\xE9   na\xEFve", engine);
  EXPECT_EQ("caf\xC3\xA9   na\xC3\xAFve", requestexplainer::toUtf8(engine));
  EXPECT_EQ("\xE2\x82\xAC ", requestexplainer::toUtf8("\x80\x81"));  // euro; 0x81 is unused
  std::string out;
  requestexplainer::explain("caf\xC3\xA9 or th\xC3\xA9", RequestSettings{}, &out);
  EXPECT_EQ("(caf\xC3\xA9 or th\xC3\xA9)\n", out);
}

TEST(RequestLexerTest, TokensDepthsAndCursor) {
  RequestLexer lexer;
  ASSERT_EQ(5, lexer.tokenize("(a W/12 \"b (c\") or\tnotwithin3", 10));
  EXPECT_EQ(nodekind::kWithin, lexer.token(1)->kind);
  EXPECT_EQ(12, lexer.token(1)->n);
  EXPECT_EQ("\"b (c", lexer.token(2)->text);  // a quoted "(" is text, not a parenthesis
  EXPECT_EQ(1, lexer.token(2)->depth);
  EXPECT_EQ(0, lexer.token(3)->depth);
  EXPECT_EQ(nodekind::kNotWithin, lexer.token(4)->kind);
  EXPECT_EQ(2, lexer.cursorToken());
  EXPECT_EQ(nullptr, lexer.token(5));
  // w/ without a digit, and slashes inside quotes, stay text.
  ASSERT_EQ(3, lexer.tokenize("w/x \"w/5\""));
  EXPECT_EQ("\"w/5", lexer.token(2)->text);
  EXPECT_EQ(nodekind::kWithin, (lexer.tokenize("wi999999999999"), lexer.token(0)->kind));
  EXPECT_EQ(nodekind::kMaxDistance, lexer.token(0)->n);
}
