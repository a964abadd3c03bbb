// The HTML importer: the visible text and title of documents written for these tests in
// UTF-8 and Windows-1252, character references, the character set declaration, white space,
// unterminated markup, cutting a document at every offset, and the real-world samples when
// their folder is present.
#include "import/HtmlImporter.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "import/Charset.h"
#include "import/RtfImporter.h"
#include "import/TextBlock.h"
#include "tests/support/TempDir.h"
#include "tests/support/ViewerText.h"

namespace {

std::string blocks(const std::string& html, int32_t blockBytes = 32000, std::string* title = nullptr) {
  MemorySource source("t.html", html);
  HtmlImporter importer(source, blockBytes);
  return testsupport::allBlocks(importer, title);
}

// The plain text, without the line end that a closing block element leaves at the end.
std::string text(const std::string& html) {
  std::string t = textblock::plainText(blocks(html));
  if (!t.empty() && t.back() == '\n') t.pop_back();
  return t;
}

TEST(HtmlImporterTest, Utf8SampleGivesTheVisibleTextAndTitle) {
  std::string html = testsupport::readFile(testsupport::sourcePath("tests/data/import/sample.html"));
  ASSERT_FALSE(html.empty());
  std::string title;
  std::string out = blocks(html, 32000, &title);
  EXPECT_EQ("Caf\xE9 & notes", title);
  EXPECT_EQ(
      "Caf\xE9 menu\n"
      "The na\xEFve cr\xE8me br\xFBl\xE9" "e costs \x80" "5 \x96 today.\n"
      "Fish & chips <b> \xA9 2026 &unknown; \x93quoted\x94\n"
      "first\nsecond\n"
      "cell one cell two\n"
      "line\nbreak\n"
      "  keep   the\nspaces\n",
      textblock::plainText(out));
  // Cells are separated by a tab, <br> is a line break inside the paragraph.
  EXPECT_NE(std::string::npos, out.find("cell one\tcell two"));
  EXPECT_NE(std::string::npos, out.find(std::string("line") + static_cast<char>(textblock::kLineBreak)));
  for (int32_t size : {16, 100}) EXPECT_EQ(out, blocks(html, size)) << size;
}

TEST(HtmlImporterTest, Windows1252SampleIsReadInItsDeclaredSet) {
  std::string html = testsupport::readFile(testsupport::sourcePath("tests/data/import/sample-1252.html"));
  std::string title;
  EXPECT_EQ("Fa\xE7" "ade and r\xE9sum\xE9 \x93quoted\x94\n", textblock::plainText(blocks(html, 32000, &title)));
  EXPECT_EQ("R\xE9sum\xE9", title);
}

TEST(HtmlImporterTest, CharacterReferences) {
  EXPECT_EQ("\xE9\xE9\xE9\xE9", text("<p>&eacute;&#233;&#xE9;&#XE9</p>"));
  // Code points 128..159 mean the Windows-1252 characters; others without a place are blanks.
  EXPECT_EQ("\x80 \x80 x", text("<p>&#128; &euro; &#x3B1;x</p>"));
  // Out of range, zero, too many digits, no digits, unknown names: never a crash.
  EXPECT_EQ("a b c &#; &zork; &", text("<p>a&#1114112;b&#0;c &#; &zork; &</p>"));
  EXPECT_EQ("w x", text("<p>w&#99999999999999999999;x</p>"));
  // Without ';' only the Latin-1 names are known; a reference never opens a tag.
  EXPECT_EQ("\xA9 2026 &hellip <i>", text("<p>&copy 2026 &hellip &lt;i&gt;</p>"));
}

TEST(HtmlImporterTest, CharsetComesFromTheMarkOrTheDeclarationOrDetection) {
  EXPECT_EQ("utf-8", HtmlImporter::declaredCharset("<META CHARSET = 'UTF-8'>"));
  EXPECT_EQ("iso-8859-2", HtmlImporter::declaredCharset(
                              "<meta http-equiv=Content-Type content=\"text/html; charset=iso-8859-2\">"));
  EXPECT_EQ("", HtmlImporter::declaredCharset("<p>charset=utf-8</p><meta name=x>"));
  // Latin-2 declared: 0xE8 is c-caron (no place, a blank), 0xE9 is e-acute.
  EXPECT_EQ("x \xE9", text("<meta charset=iso-8859-2><p>x\xE8\xE9</p>"));
  // No declaration: UTF-8 is detected, else Windows-1252.
  EXPECT_EQ("caf\xE9", text("<p>caf\xC3\xA9</p>"));
  EXPECT_EQ("caf\xE9", text("<p>caf\xE9</p>"));
  // UTF-16 with a mark wins over a declaration.
  std::u16string u = u"\uFEFF<meta charset=\"windows-1252\"><title>T\u00E9</title><p>\u00E9t\u00E9</p>";
  std::string le;
  for (char16_t c : u) {
    le += static_cast<char>(c & 0xFF);
    le += static_cast<char>(c >> 8);
  }
  std::string title;
  EXPECT_EQ("\xE9t\xE9\n", textblock::plainText(blocks(le, 32000, &title)));
  EXPECT_EQ("T\xE9", title);
}

TEST(HtmlImporterTest, UnterminatedMarkupEndsTheText) {
  EXPECT_EQ("before", text("<p>before<b class=\"x>never closed"));
  EXPECT_EQ("before", text("<p>before <!-- never closed <p>hidden"));
  EXPECT_EQ("before", text("<p>before<script>var s = '</p>hidden';"));
  EXPECT_EQ("a < b", text("<p>a < b"));
  EXPECT_EQ("x", text("x<!DOCTYPE"));
  // A '>' inside a quoted attribute does not end the tag.
  EXPECT_EQ("shown", text("<a title=\"a>b\">shown</a>"));
  // An end tag that merely begins like the raw-text element's does not end it.
  EXPECT_EQ("after", text("<script>x</scripts>y</script>after"));
}

TEST(HtmlImporterTest, EveryCutOfTheSampleEndsCleanly) {
  std::string html = testsupport::readFile(testsupport::sourcePath("tests/data/import/sample.html"));
  std::string whole = blocks(html);
  for (size_t cut = 0; cut <= html.size(); ++cut)
    ASSERT_LE(blocks(html.substr(0, cut), 64).size(), whole.size() + 8) << cut;
}

// The words of a text (runs of letters and digits, Windows-1252 accented letters included).
std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> out;
  std::string w;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c >= 0xC0) {
      w += static_cast<char>(c);
    } else if (!w.empty()) {
      out.push_back(w);
      w.clear();
    }
  }
  if (!w.empty()) out.push_back(w);
  return out;
}

// The length of the longest common subsequence of two word lists.
size_t commonWords(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  std::vector<size_t> row(b.size() + 1, 0), next(b.size() + 1, 0);
  for (size_t i = 0; i < a.size(); ++i) {
    for (size_t j = 0; j < b.size(); ++j)
      next[j + 1] = a[i] == b[j] ? row[j] + 1 : std::max(row[j + 1], next[j]);
    std::swap(row, next);
  }
  return row[b.size()];
}

// Real documents from other projects, with texts made by independent tools: our words must
// be those of the reference, in the same order. Only words that Windows-1252 can hold are
// compared. Skipped when the samples are not on this machine.
TEST(HtmlImporterTest, RealSamplesGiveTheWordsOfTheReferenceTexts) {
  const std::filesystem::path root = "/work/shared/testdata/real";
  if (!std::filesystem::is_directory(root)) GTEST_SKIP() << "no real samples here";
  charset::Converter fromUtf8(charset::Encoding::kUtf8);
  int compared = 0;
  for (const char* folder : {"rtf", "html"}) {
    for (const auto& e : std::filesystem::directory_iterator(root / folder)) {
      std::string path = e.path().string();
      std::string expectedPath = path + ".expected.txt";
      if (path.ends_with(".expected.txt") || !std::filesystem::exists(expectedPath)) continue;
      std::string raw = testsupport::readFile(path);
      MemorySource source(path, raw);
      std::string out;
      if (std::string(folder) == "rtf") {
        RtfImporter importer(source, 2048);
        while (importer.readTextBlock(&out) > 0) {
        }
        out = importer.fileInfo().title + "\n" + out;
      } else {
        HtmlImporter importer(source, 2048);
        while (importer.readTextBlock(&out) > 0) {
        }
        out = importer.fileInfo().title + "\n" + out;
      }
      std::string expectedUtf8 = testsupport::readFile(expectedPath), expected;
      fromUtf8.convert(reinterpret_cast<const uint8_t*>(expectedUtf8.data()), expectedUtf8.size(), &expected);
      std::vector<std::string> ours = words(textblock::plainText(out)), theirs = words(expected);
      size_t common = commonWords(ours, theirs);
      // Picture place-holders and words of other scripts aside, nearly all reference words.
      if (theirs.size() >= 4) {
        EXPECT_GE(common * 10, theirs.size() * 9) << path << ": " << common << " of " << theirs.size();
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 5);
}

}  // namespace

namespace {

// The two importers that convert a document whole keep a run of NULs, blanks or control
// characters short, so that its length costs no memory; the words around it stay.
TEST(HtmlImporterTest, WholeDocumentImportersKeepDegenerateRunsShort) {
  const size_t kRun = 2u << 20;
  for (char filler : {'\0', ' ', '\x01'}) {
    std::string run(kRun, filler);
    MemorySource html("t.html", "<html><body>alpha " + run + " beta</body></html>");
    HtmlImporter htmlImporter(html, 32000);
    MemorySource rtf("t.rtf", "{\\rtf1 alpha " + run + " beta}");
    RtfImporter rtfImporter(rtf, 32000);
    for (const WholeTextViewer* v : {static_cast<const WholeTextViewer*>(&htmlImporter),
                                     static_cast<const WholeTextViewer*>(&rtfImporter)}) {
      EXPECT_LT(v->text().size(), 4 * textblock::kMaxBlankRun) << int(filler);
      std::string plain = textblock::plainText(v->text());
      EXPECT_EQ(0u, plain.find("alpha")) << int(filler);
      EXPECT_NE(std::string::npos, plain.find(" beta")) << int(filler);
    }
  }
}

}  // namespace
