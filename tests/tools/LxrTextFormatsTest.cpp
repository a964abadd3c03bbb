// lxr text on a Rich Text and an HTML document written for these tests: the words a person
// sees, accented letters included, and nothing of the markup.
#include <string>

#include <gtest/gtest.h>

#include "tests/support/TempDir.h"
#include "tests/support/ToolRun.h"

namespace {

struct TextRun {
  int status;
  std::string out;
};

TextRun lxrText(const std::string& privateDir, const std::string& args) {
  testsupport::ToolRun run = testsupport::runLxr(privateDir, "text " + args);
  return {run.status, run.output};
}

std::string data(const std::string& name) {
  return "'" + testsupport::sourcePath("tests/data/import/" + name) + "'";
}

TEST(LxrTextFormatsTest, RichTextShowsItsWordsWithoutControlWords) {
  testsupport::TempDir dir;
  std::string priv = dir.file("p");
  TextRun rtf = lxrText(priv, data("sample.rtf"));
  EXPECT_EQ(0, rtf.status) << rtf.out;
  EXPECT_EQ(
      "Café menu\n"
      "The naïve crème brûlée costs €5 – today.\n"
      "Fonts and links\n"
      "second line     tabbed\n"
      "visible italic underline\n"
      "Nested deep group text\n",
      rtf.out);
  TextRun type = lxrText(priv, "--type " + data("sample.rtf"));
  EXPECT_EQ("Microsoft RTF\t212\n", type.out);
}

TEST(LxrTextFormatsTest, HtmlShowsItsWordsWithoutTagsScriptsOrStyles) {
  testsupport::TempDir dir;
  std::string priv = dir.file("p");
  TextRun html = lxrText(priv, data("sample.html"));
  EXPECT_EQ(0, html.status) << html.out;
  EXPECT_EQ(
      "Café menu\n"
      "The naïve crème brûlée costs €5 – today.\n"
      "Fish & chips <b> © 2026 &unknown; “quoted”\n"
      "first\n"
      "second\n"
      "cell one        cell two\n"
      "line\n"
      "break\n"
      "  keep   the\n"
      "spaces\n",
      html.out);
  TextRun ansi = lxrText(priv, data("sample-1252.html"));
  EXPECT_EQ("Façade and résumé “quoted”\n", ansi.out);
}

}  // namespace
