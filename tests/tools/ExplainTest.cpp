// lxr explain as a user runs it: the printed tree of a UTF-8 request, the echo of a faulty
// one, the word options, synonyms from the thesaurus and macros from the private folder.
// The shipped alphabet folds letters to upper case without accents, so the words come back
// folded.
#include <string>

#include <gtest/gtest.h>

#include "tests/support/TempDir.h"
#include "tests/support/ToolRun.h"

namespace {

using testsupport::ToolRun;

ToolRun explain(const std::string& privateDir, const std::string& args) {
  return testsupport::runLxr(privateDir, "explain " + args);
}

}  // namespace

TEST(ExplainTest, PrintsTheTreeOrTheEcho) {
  testsupport::TempDir dir;
  std::string priv = dir.file("p");
  ToolRun good = explain(priv, "'a and b or c'");
  EXPECT_EQ(0, good.status);
  EXPECT_EQ("(A AND (B OR C))\n", good.output);
  ToolRun utf8 = explain(priv, "'caf\xC3\xA9 w/3 na\xC3\xAFve'");
  EXPECT_EQ("(CAFE w/3 NAIVE)\n", utf8.output);
  ToolRun faulty = explain(priv, "'(a and b) w/5'");
  EXPECT_EQ(2, faulty.status);
  EXPECT_NE(std::string::npos, faulty.output.find("One or more words are missing"));
  EXPECT_NE(std::string::npos, faulty.output.find("((A AND B) w/5 ??\?"));
  EXPECT_EQ(2, explain(priv, "--fuzzy 12 apple").status);
  ToolRun options = explain(priv, "--phonic --stemming -- robert");
  EXPECT_EQ("#ROBERT~\n", options.output);
}

TEST(ExplainTest, UsesTheThesaurusAndMacros) {
  testsupport::TempDir dir;
  std::string priv = dir.file("p");
  explain(priv, "car");  // makes the folder
  // The private folder's thesaurus replaces the shipped one; one that cannot be read leaves
  // none.
  testsupport::writeFile(priv + "/THESAUR.DAT", "not a thesaurus\n");
  EXPECT_EQ("CAR\n", explain(priv, "'car&'").output) << "no thesaurus loaded";
  testsupport::writeFile(priv + "/THESAUR.DAT", "Lexaurum User Thesaurus\ncar automobile auto\n\n");
  testsupport::writeFile(priv + "/OPTIONS.DAT", "Lexaurum Options\r\nmacroChar = @\r\n");
  testsupport::writeFile(priv + "/MACROS.DAT", "Lexaurum Macros\r\nfruit = (apple or pear)\r\n");
  ToolRun synonyms = explain(priv, "'car&'");
  EXPECT_EQ("((AUTO or AUTOMOBILE) or CAR)\n", synonyms.output);
  ToolRun macro = explain(priv, "'@fruit w/2 tart'");
  EXPECT_EQ("((APPLE OR PEAR) w/2 TART)\n", macro.output);
  ToolRun unknown = explain(priv, "@vegetable");
  EXPECT_EQ(2, unknown.status);
  EXPECT_NE(std::string::npos, unknown.output.find("vegetable"));
}
