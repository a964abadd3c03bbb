// lxr text: the words a person sees in text files of each character set and in Rich Text
// and HTML documents (accented letters included, nothing of the markup), the recognised
// format, and a file that cannot be read.
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

TEST(LxrTextTest, PrintsTheTextOfEachCharacterSetAsUtf8) {
  testsupport::TempDir dir;
  std::string priv = dir.file("p");
  TextRun utf8 = lxrText(priv, data("utf8.txt"));
  EXPECT_EQ(0, utf8.status) << utf8.out;
  EXPECT_EQ("Grüße aus Köln\nThe naïve café serves crème brûlée.\nEuro sign: € and a dash – here.\n",
            utf8.out);
  TextRun ansi = lxrText(priv, data("win1252.txt"));
  EXPECT_EQ(0, ansi.status) << ansi.out;
  EXPECT_EQ("Façade and résumé\nSmørrebrød “quoted”\n", ansi.out);
  TextRun utf16 = lxrText(priv, data("utf16.txt"));
  EXPECT_EQ(0, utf16.status) << utf16.out;
  EXPECT_EQ("Übersicht über Straßen\nZweite Zeile\n", utf16.out);
}

TEST(LxrTextTest, ReportsTheFormatAndFailsOnAMissingFile) {
  testsupport::TempDir dir;
  std::string priv = dir.file("p");
  TextRun type = lxrText(priv, "--type " + data("utf8.txt"));
  EXPECT_EQ(0, type.status);
  EXPECT_EQ("Ansi\t202\n", type.out);
  TextRun missing = lxrText(priv, "'" + dir.file("absent.txt") + "'");
  EXPECT_EQ(2, missing.status);
  EXPECT_NE(std::string::npos, missing.out.find("absent.txt: No such file or directory")) << missing.out;
  EXPECT_EQ(2, lxrText(priv, "").status);
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
