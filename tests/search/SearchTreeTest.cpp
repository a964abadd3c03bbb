// The request parser: binding order, phrases, NOTWITHIN, quoting, numeric ranges, the
// search-wide word options, synonyms, natural language, macros, the checks and the echo.
#include <gtest/gtest.h>

#include <string>

#include "import/Alphabet.h"
#include "search/MacroTable.h"
#include "search/SearchTree.h"
#include "search/Thesaurus.h"
#include "search/TreeChecks.h"

namespace {

RequestSettings quiet() {
  RequestSettings s;
  s.showMessages = false;
  return s;
}

// The printed tree of a good request, or "FAIL:" and the echo.
std::string parsed(const std::string& request, const RequestSettings& s = quiet()) {
  SearchTree tree;
  if (tree.parse(request, "", s) < 0) return "FAIL:" + tree.echo();
  return tree.print();
}

bool reports(const std::string& request, const char* line) {
  SearchTree tree;
  return tree.parse(request, "", quiet()) < 0 && tree.echo().find(line) != std::string::npos;
}

}  // namespace

TEST(SearchTreeTest, BindingOrderAndPhrases) {
  EXPECT_EQ("(a and (b or c))", parsed("a and b or c"));
  EXPECT_EQ("((a or b) w/5 c)", parsed("a or b w/5 c"));
  EXPECT_EQ("((a to b) contains c)", parsed("a to b contains c"));
  EXPECT_EQ("((a or b) and c)", parsed("(a or b) and c"));
  EXPECT_EQ("(a or (b and c))", parsed("a or(b and c)"));  // a connector touching "("
  EXPECT_EQ("((a OR b) Or c)", parsed("a OR b Or c"));  // connectors as typed
  SearchTree tree;
  ASSERT_EQ(0, tree.parse("apple pie w/3 tart", "", quiet()));
  SearchNode* root = tree.root();
  EXPECT_EQ(nodekind::kWithin, root->kind);
  EXPECT_EQ(3, root->n);
  EXPECT_EQ(nodekind::kPhrase, root->left->kind);
  EXPECT_EQ(2, root->left->wordCount);
  EXPECT_EQ("pie", root->left->text);
  EXPECT_EQ("apple", root->left->left->text);
  EXPECT_EQ(root->left, root->anchor);
  EXPECT_TRUE(tree.needsPositions());
  // Simple nodes come children first: apple, pie (the phrase top), tart.
  ASSERT_EQ(3u, tree.simpleNodes().size());
  EXPECT_EQ("apple", tree.simpleNodes()[0]->text);
  EXPECT_EQ("tart", tree.simpleNodes()[2]->text);
}

TEST(SearchTreeTest, NotWithinForms) {
  EXPECT_EQ("(a notw/5 b)", parsed("a not w/5 b"));
  EXPECT_EQ("(a notw/5 b)", parsed("a notwithin5 b"));
  EXPECT_EQ("(a notw/5 b)", parsed("a w/5 not b"));
  EXPECT_EQ("(a notw/5 b)", parsed("a wi5 not b"));
  // A NOT on the left: the other word is the one that must be there.
  EXPECT_EQ("(b notw/5 a)", parsed("not a w/5 b"));
  // A connector taken as an operand before its turn still takes its own operand.
  EXPECT_EQ("(not (not a))", parsed("not not a"));
  EXPECT_TRUE(reports("a to not b", "(a to (not b))"));
  SearchTree tree;
  ASSERT_EQ(0, tree.parse("a not w/5 b", "", quiet()));
  EXPECT_EQ(nodekind::kNotWithin, tree.root()->kind);
  EXPECT_EQ(5, tree.root()->n);
}

TEST(SearchTreeTest, QuotesAndRanges) {
  SearchTree tree;
  // A quoted text is one token, searched as the phrase of the words it holds.
  ASSERT_EQ(0, tree.parse("\"to be\" or \"and\"", "", quiet()));
  EXPECT_EQ(nodekind::kOr, tree.root()->kind);
  const SearchNode* phrase = tree.root()->left;
  EXPECT_EQ(nodekind::kPhrase, phrase->kind);
  EXPECT_EQ(2, phrase->wordCount);
  EXPECT_EQ("\"be", phrase->text);
  EXPECT_EQ("\"be\"", phrase->lookupText());
  EXPECT_TRUE(phrase->quoted && phrase->left->quoted);
  EXPECT_EQ("(\"to\" \"be\" or \"and\")", tree.print());
  EXPECT_EQ("(a \"AT\" \"T\" b w/2 c)", parsed("a \"AT&T\" b w/2 c"));
  ASSERT_EQ(0, tree.parse("a \"b c\" d", "", quiet()));
  EXPECT_EQ(4, tree.root()->wordCount);
  ASSERT_EQ(0, tree.parse("12~~20", "", quiet()));
  EXPECT_EQ("\"!i0000000c~~!i00000014\"", tree.root()->text);
  EXPECT_FALSE(tree.root()->quoted);
  EXPECT_EQ("\"!i0000000c\"", parsed("12~~"));
  EXPECT_EQ("\"!i00000005~~!i7fffffff\"", parsed("5~~0"));
  EXPECT_EQ("\"!i7fffffff~~!i7fffffff\"", parsed("99999999999~~99999999999"));
}

TEST(SearchTreeTest, ChecksAndEcho) {
  SearchTree tree;
  EXPECT_EQ(-1, tree.parse("a w/5", "", quiet()));
  EXPECT_EQ(treechecks::kMissingWord, tree.errorBits());
  EXPECT_EQ(
      "  *  One or more words are missing\n\n\nThis is how Lexaurum interpreted your request:\n"
      "(a w/5 ??\?)\n(\"???\" means Lexaurum thinks a word is missing.)\n\n",
      tree.echo());
  EXPECT_TRUE(reports("((a)", "Parentheses do not balance"));
  EXPECT_TRUE(reports("(a and b) w/5 (c and d)", "Illegal use of the W/N connector"));
  EXPECT_EQ("((a or b) w/5 (c and d))", parsed("(a or b) w/5 (c and d)"));
  EXPECT_TRUE(reports("a contains b", "CONTAINS without a TO"));
  EXPECT_TRUE(reports("(a and b) to c", "Illegal use of the TO connector"));
  EXPECT_TRUE(reports("not", "One or more words are missing"));
  EXPECT_EQ(-1, tree.parse("  ( ) ", "", quiet()));  // no words: no tree, no echo
  EXPECT_TRUE(tree.echo().empty());
  // "a not b": the NOT part has no connector to the request and is not searched.
  ASSERT_EQ(0, tree.parse("a not b", "", quiet()));
  EXPECT_EQ("a", tree.print());
  ASSERT_EQ(1u, tree.leftovers().size());
  EXPECT_EQ(nodekind::kNot, tree.leftovers()[0]->kind);
}

TEST(SearchTreeTest, WordOptionsSkipQuotedAndFieldWords) {
  RequestSettings s = quiet();
  s.options.phonicSearching = true;
  s.options.autoStemming = true;
  s.options.fuzzySearching = true;
  s.options.fuzziness = 1;
  EXPECT_EQ("((#pies%~ and \"pies\") and XFIRSTWORD)",
            parsed("pies and \"pies\" and XFIRSTWORD", s));
  EXPECT_EQ("#ap%%ple~", parsed("ap%%ple", s));  // its own fuzzy marks stay
  EXPECT_EQ("\"!i0000000c~~!i00000014\"", parsed("12~~20", s));
}

TEST(SearchTreeTest, SynonymsAndNaturalLanguage) {
  Thesaurus thesaurus;
  ASSERT_EQ(0, thesaurus.addSet({"car", "automobile", "auto"}));
  ASSERT_EQ(0, thesaurus.addSet({"new york", "big apple"}));
  RequestSettings s = quiet();
  s.thesaurus = &thesaurus;
  SearchTree tree;
  ASSERT_EQ(0, tree.parse("car& and \"car&\"", "", s));
  // car itself is not added again; the ORs grow balanced.
  EXPECT_EQ("(((auto or automobile) or car) and \"car\")", tree.print());
  EXPECT_FALSE(tree.root()->left->anyWords);
  EXPECT_TRUE(tree.root()->left->simple);
  // Thesaurus words are folded as request words are.
  Alphabet upper;
  upper.foldUpper(true);
  Thesaurus mixed;
  ASSERT_EQ(0, mixed.addSet({"Car", "Automobile"}));
  RequestSettings folding = s;
  folding.alphabet = &upper;
  folding.thesaurus = &mixed;
  EXPECT_EQ("(AUTOMOBILE or CAR)", parsed("car&", folding));
  // A synonym of several words is a phrase.
  EXPECT_EQ("(new york or (big apple or new*))", parsed("new*&", s));
  s.options.natLangSearching = true;
  ASSERT_EQ(0, tree.parse("apples and (pears)", "", s));
  EXPECT_EQ("((pears or and) or apples)", tree.print());
  EXPECT_TRUE(tree.root()->anyWords);
  EXPECT_FALSE(tree.needsPositions());
}

TEST(SearchTreeTest, AdditionalRequestAndMacros) {
  SearchTree tree;
  ASSERT_EQ(0, tree.parse("a or b", "c", quiet()));
  EXPECT_EQ("((a or b) and c)", tree.print());
  ASSERT_EQ(0, tree.parse("", "c", quiet()));
  EXPECT_EQ("c", tree.print());
  MacroTable macros;
  std::string file = "Lexaurum Macros\r\nfruit = apple or pear\r\nfruitcake = cake\r\n";
  ASSERT_EQ(0, macros.parse(file.data(), file.size()));
  RequestSettings s = quiet();
  s.macroChar = '@';
  s.macros = &macros;
  ASSERT_EQ(0, tree.parse("@fruit and @FRUITCAKE", "", s));
  EXPECT_EQ("((apple or pear) and cake)", tree.print());
  EXPECT_EQ(-1, tree.parse("@fru and x", "", s));
  EXPECT_NE(std::string::npos, tree.message().find("fru"));
  macros.set("big", std::string(3000, 'x'));
  EXPECT_EQ(-1, tree.parse("@big @big @big", "", s));
  EXPECT_NE(std::string::npos, tree.message().find("32"));  // no table loaded: "Message 32"
}

TEST(SearchTreeTest, HostileRequestsFinishAndAreBounded) {
  // Deep nesting, thousands of connectors, unbalanced and random bytes.
  std::string deep = std::string(30000, '(') + "a" + std::string(30000, ')');
  EXPECT_EQ("a", parsed(deep));
  std::string chain = "a";
  for (int i = 0; i < 5000; ++i) chain += " or a";
  SearchTree tree;
  EXPECT_EQ(-1, tree.parse(chain, "", quiet()));
  EXPECT_TRUE(tree.errorBits() & treechecks::kTooComplex);
  EXPECT_LE(tree.echo().size(), treechecks::kMaxEchoBytes);
  std::string nots;
  for (int i = 0; i < 500; ++i) nots += "not ";
  EXPECT_EQ(0, tree.parse(nots + "a", "", quiet()));
  std::string mixed;
  for (int i = 0; i < 5000; ++i) mixed += "w/3 ) to ( not \" and";
  tree.parse(mixed, "", quiet());
  std::string bytes;
  for (int i = 0; i < 30000; ++i) bytes += static_cast<char>((i * 7919) & 0xFF);
  tree.parse(bytes, bytes, quiet());
  // Past the size limit a request fails before it is cut into tokens.
  EXPECT_EQ(-1, tree.parse(std::string(SearchTree::kMaxRequestBytes + 1, 'a'), "", quiet()));
  EXPECT_EQ(treechecks::kTooComplex, tree.errorBits());
  EXPECT_LE(tree.echo().size(), treechecks::kMaxEchoBytes);
}
