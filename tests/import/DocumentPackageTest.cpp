// The document packages (Office Open XML, OpenDocument, EPUB): recognition before the ZIP
// container and falling through to it, the text and properties of packages built here, the
// hostile cases (entity expansion, deep nesting, a huge text, missing and circular
// relationships), and the real samples when their folder is present.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "import/BuiltinViewers.h"
#include "import/ContainerViewer.h"
#include "import/EpubExtractor.h"
#include "import/ExtractedViewer.h"
#include "import/FormatTypes.h"
#include "import/OdfExtractor.h"
#include "import/OoxmlExtractor.h"
#include "import/PackageViewers.h"
#include "import/ViewerTable.h"
#include "import/XmlReader.h"
#include "tests/import/ReferenceWords.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZipBuilder.h"

namespace {

using testsupport::ZipBuilder;

const char* kTypes =
    "<Types xmlns='http://schemas.openxmlformats.org/package/2006/content-types'>"
    "<Override PartName='/word/document.xml' ContentType='application/vnd.openxmlformats-officedocument."
    "wordprocessingml.document.main+xml'/></Types>";

std::string rels(const std::string& body) {
  return "<Relationships xmlns='http://schemas.openxmlformats.org/package/2006/relationships'>" + body +
         "</Relationships>";
}
std::string rel(const std::string& id, const std::string& type, const std::string& target) {
  return "<Relationship Id='" + id + "' Type='http://schemas.openxmlformats.org/officeDocument/2006/relationships/" +
         type + "' Target='" + target + "'/>";
}
const char* kW = " xmlns:w='http://schemas.openxmlformats.org/wordprocessingml/2006/main'";
std::string wordDoc(const std::string& body) {
  return std::string("<w:document") + kW + "><w:body>" + body + "</w:body></w:document>";
}
std::string para(const std::string& text) { return "<w:p><w:r><w:t>" + text + "</w:t></w:r></w:p>"; }

ExtractedText run(ExtractFunction f, const std::string& bytes, int64_t textBytes = 1 << 20) {
  return testsupport::runExtractor(f, bytes, textBytes);
}

class DocumentPackageTest : public ::testing::Test {
 protected:
  void SetUp() override { builtinviewers::registerAll(table_); }
  std::unique_ptr<Viewer> open(const std::string& name, const std::string& bytes) {
    source_ = std::make_unique<MemorySource>(name, bytes);
    return table_.makeViewer(*source_);
  }
  ViewerTable table_;
  std::unique_ptr<MemorySource> source_;
};

}  // namespace

TEST_F(DocumentPackageTest, PackagesAreRecognisedAndOtherZipFilesStayArchives) {
  std::string docx = ZipBuilder()
                         .add("[Content_Types].xml", kTypes)
                         .add("_rels/.rels", rels(rel("r1", "officeDocument", "word/document.xml")))
                         .add("word/document.xml", wordDoc(para("Hello")), true)
                         .build();
  auto v = open("a.bin", docx);
  ASSERT_TRUE(dynamic_cast<ExtractedViewer*>(v.get()));
  EXPECT_EQ(v->fileInfo().type, formattype::kWordXml);

  // The head does not show the kind (the mimetype member comes late): the catch-all finds it.
  std::string ods = ZipBuilder()
                        .add("Thumbnails/x.png", std::string(2000, 'x'))
                        .add("mimetype", "application/vnd.oasis.opendocument.spreadsheet")
                        .add("content.xml", "<office:document-content xmlns:office='urn:oasis:names:tc:opendocument:xmlns:office:1.0'/>")
                        .build();
  v = open("b", ods);
  ASSERT_TRUE(dynamic_cast<ExtractedViewer*>(v.get()));
  EXPECT_EQ(v->fileInfo().type, formattype::kOdfSpreadsheet);

  // Package-like names without a main part, and a plain archive: the ZIP container.
  for (const std::string& zip : {ZipBuilder().add("[Content_Types].xml", kTypes).add("lib/a.dll", "MZ").build(),
                                 ZipBuilder().add("readme.txt", "plain words").build()}) {
    v = open("c.zip", zip);
    EXPECT_TRUE(dynamic_cast<ContainerViewer*>(v.get()));
  }
  // A package cut short whose head shows what it is fails cleanly instead of giving bytes.
  v = open("d.docx", docx.substr(0, docx.size() / 2));
  ASSERT_TRUE(v);
  EXPECT_FALSE(v->fileInfo().failure.empty());
  std::string text;
  while (v->readTextBlock(&text) > 0) {
  }
  EXPECT_EQ(text, "");
}

TEST(DocumentPackageParts, WordBodyNotesAndPropertiesInOrder) {
  std::string body = "<w:p><w:pPr><w:numPr><w:ilvl w:val='0'/><w:numId w:val='1'/></w:numPr>"
                     "<w:tabs><w:tab w:val='left'/></w:tabs></w:pPr><w:r><w:t>One</w:t><w:tab/><w:t>two</w:t>"
                     "<w:footnoteReference w:id='1'/><w:br w:type='page'/><w:t>three</w:t></w:r></w:p>"
                     "<w:p><w:r><mc:AlternateContent xmlns:mc='m'><mc:Choice><w:txbxContent>" + para("boxed") +
                     "</w:txbxContent></mc:Choice><mc:Fallback><w:txbxContent>" + para("boxed") +
                     "</w:txbxContent></mc:Fallback></mc:AlternateContent><w:instrText>PAGE</w:instrText></w:r></w:p>";
  std::string numbering = std::string("<w:numbering") + kW +
                          "><w:abstractNum w:abstractNumId='3'><w:lvl w:ilvl='0'><w:start w:val='4'/>"
                          "<w:numFmt w:val='lowerRoman'/><w:lvlText w:val='%1)'/></w:lvl></w:abstractNum>"
                          "<w:num w:numId='1'><w:abstractNumId w:val='3'/></w:num></w:numbering>";
  std::string docx =
      ZipBuilder()
          .add("[Content_Types].xml", kTypes)
          .add("_rels/.rels", rels(rel("r1", "officeDocument", "/word/document.xml") +
                                   rel("r2", "metadata/core-properties", "docProps/core.xml")))
          .add("docProps/core.xml", "<cp:coreProperties xmlns:cp='c' xmlns:dc='http://purl.org/dc/elements/1.1/'>"
                                    "<dc:title>The  title</dc:title><dc:creator>Ann</dc:creator></cp:coreProperties>")
          .add("word/_rels/document.xml.rels",
               rels(rel("a", "footnotes", "footnotes.xml") + rel("b", "header", "header1.xml") +
                    rel("c", "numbering", "numbering.xml")))
          .add("word/document.xml", wordDoc(body), true)
          .add("word/numbering.xml", numbering)
          .add("word/header1.xml", std::string("<w:hdr") + kW + ">" + para("Head") + "</w:hdr>")
          .add("word/footnotes.xml", std::string("<w:footnotes") + kW + "><w:footnote><w:p><w:r><w:footnoteRef/>"
                                     "<w:t> note</w:t></w:r></w:p></w:footnote></w:footnotes>")
          .build();
  ExtractedText out = run(ooxml::extract, docx);
  EXPECT_EQ(out.outcome, ExtractedText::Outcome::kText);
  EXPECT_EQ(out.type, formattype::kWordXml);
  EXPECT_EQ(out.text, "iv) One\ttwo[1]\fthree\nboxed\n\nHead\n[1] note\n");
  EXPECT_EQ(out.title, "The title");
  EXPECT_EQ(out.author, "Ann");
  EXPECT_FALSE(out.partial);
}

TEST(DocumentPackageParts, MissingAndCircularRelationshipsEndAndReadEachPartOnce) {
  std::string docx =
      ZipBuilder()
          .add("[Content_Types].xml", kTypes)
          .add("_rels/.rels", rels(rel("r1", "officeDocument", "word/gone.xml")))  // missing: default name
          .add("word/_rels/document.xml.rels",
               rels(rel("a", "header", "document.xml") + rel("b", "footer", "../word/./footer.xml") +
                    rel("c", "comments", "nowhere.xml") + rel("d", "header", "footer.xml")))
          .add("word/_rels/footer.xml.rels", rels(rel("a", "header", "document.xml")))
          .add("word/document.xml", wordDoc(para("Body")))
          .add("word/footer.xml", std::string("<w:ftr") + kW + ">" + para("Foot") + "</w:ftr>")
          .build();
  ExtractedText out = run(ooxml::extract, docx);
  EXPECT_EQ(out.outcome, ExtractedText::Outcome::kText);
  EXPECT_EQ(out.text, "Body\nFoot\n");
  EXPECT_TRUE(out.partial);  // a relationship named a part that is not there
  EXPECT_NE(out.error.find("nowhere.xml"), std::string::npos);

  EXPECT_EQ(run(ooxml::extract, ZipBuilder().add("a.txt", "x").build()).outcome, ExtractedText::Outcome::kFailed);
  EXPECT_EQ(run(ooxml::extract, "not a zip").outcome, ExtractedText::Outcome::kFailed);
}

TEST(DocumentPackageParts, SheetsAndSlidesInTheirOwnOrder) {
  std::string s = "xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main' "
                  "xmlns:r='http://schemas.openxmlformats.org/officeDocument/2006/relationships'";
  std::string xlsx =
      ZipBuilder()
          .add("[Content_Types].xml", "<Types/>")
          .add("_rels/.rels", rels(rel("r1", "officeDocument", "xl/workbook.xml")))
          .add("xl/workbook.xml", "<workbook " + s + "><sheets><sheet name='Second' sheetId='1' r:id='x2'/>"
                                  "<sheet name='First' sheetId='2' r:id='x1'/></sheets></workbook>")
          .add("xl/_rels/workbook.xml.rels", rels(rel("x1", "worksheet", "worksheets/sheet1.xml") +
                                                  rel("x2", "worksheet", "worksheets/sheet2.xml") +
                                                  rel("x3", "sharedStrings", "sharedStrings.xml")))
          .add("xl/sharedStrings.xml", "<sst " + s + "><si><t>zero</t></si><si><r><t>o</t></r><r><t>ne</t></r>"
                                       "<rPh><t>fon</t></rPh></si></sst>")
          .add("xl/worksheets/sheet1.xml", "<worksheet " + s + "><sheetData><row><c t='s'><v>1</v></c>"
                                           "<c><v>2.5</v></c><c t='inlineStr'><is><t>in</t></is></c>"
                                           "<c t='s'><v>99</v></c></row><row/></sheetData></worksheet>")
          .add("xl/worksheets/sheet2.xml", "<worksheet " + s + "><sheetData><row><c t='s'><v>0</v></c>"
                                           "<c t='b'><v>1</v></c></row></sheetData></worksheet>")
          .build();
  ExtractedText out = run(ooxml::extract, xlsx);
  EXPECT_EQ(out.type, formattype::kExcelXml);
  EXPECT_EQ(out.text, "Second\nzero\tTRUE\n\fFirst\none\t2.5\tin\n\f");

  std::string p = "xmlns:p='http://schemas.openxmlformats.org/presentationml/2006/main' "
                  "xmlns:a='http://schemas.openxmlformats.org/drawingml/2006/main' "
                  "xmlns:r='http://schemas.openxmlformats.org/officeDocument/2006/relationships'";
  auto slide = [&](const std::string& t) {
    return "<p:sld " + p + "><a:p><a:r><a:t>" + t + "</a:t></a:r><a:br/><a:fld type='slidenum'><a:t>7</a:t>"
           "</a:fld></a:p></p:sld>";
  };
  std::string pptx =
      ZipBuilder()
          .add("[Content_Types].xml", "<Types/>")
          .add("_rels/.rels", rels(rel("r1", "officeDocument", "ppt/presentation.xml")))
          .add("ppt/presentation.xml", "<p:presentation " + p + "><p:sldIdLst><p:sldId id='256' r:id='s2'/>"
                                       "<p:sldId id='257' r:id='s1'/></p:sldIdLst></p:presentation>")
          .add("ppt/_rels/presentation.xml.rels", rels(rel("s1", "slide", "slides/slide1.xml") +
                                                       rel("s2", "slide", "slides/slide2.xml")))
          .add("ppt/slides/slide1.xml", slide("later"))
          .add("ppt/slides/slide2.xml", slide("sooner"))
          .add("ppt/slides/_rels/slide2.xml.rels", rels(rel("n", "notesSlide", "../notesSlides/n.xml")))
          .add("ppt/notesSlides/n.xml", slide("noted"))
          .build();
  out = run(ooxml::extract, pptx);
  EXPECT_EQ(out.type, formattype::kPowerPointXml);
  EXPECT_EQ(out.text, "sooner\v\nnoted\v\n\flater\v\n\f");
}

TEST(DocumentPackageParts, OpenDocumentAndEpubText) {
  std::string ns = " xmlns:office='urn:oasis:names:tc:opendocument:xmlns:office:1.0'"
                   " xmlns:text='urn:oasis:names:tc:opendocument:xmlns:text:1.0'"
                   " xmlns:table='urn:oasis:names:tc:opendocument:xmlns:table:1.0'"
                   " xmlns:dc='http://purl.org/dc/elements/1.1/'";
  std::string content = "<office:document-content" + ns + "><office:body><office:text><text:h>Title</text:h>"
                        "<text:p>a<text:s text:c='3'/>b<text:tab/>c  <text:line-break/>d"
                        "<office:annotation><dc:creator>X</dc:creator><text:p>note</text:p></office:annotation></text:p>"
                        "<table:table><table:table-row table:number-rows-repeated='2'>"
                        "<table:table-cell table:number-columns-repeated='2'><text:p>1</text:p></table:table-cell>"
                        "<table:table-cell table:number-columns-repeated='1000'/><table:table-cell><text:p>z</text:p>"
                        "</table:table-cell></table:table-row><table:table-row table:number-rows-repeated='1000000'>"
                        "<table:table-cell/></table:table-row></table:table></office:text></office:body></office:document-content>";
  std::string odt = ZipBuilder()
                        .add("mimetype", "application/vnd.oasis.opendocument.text")
                        .add("content.xml", content, true)
                        .add("styles.xml", "<office:document-styles" + ns + "><style:master-page xmlns:style='s'>"
                                           "<style:header><text:p>Top</text:p></style:header></style:master-page>"
                                           "</office:document-styles>")
                        .add("meta.xml", "<office:document-meta" + ns + "><office:meta><dc:title>T</dc:title>"
                                         "<meta:initial-creator xmlns:meta='m'>I</meta:initial-creator>"
                                         "</office:meta></office:document-meta>")
                        .build();
  ExtractedText out = run(odf::extract, odt);
  EXPECT_EQ(out.type, formattype::kOdfText);
  EXPECT_EQ(out.text, "Title\na   b\tc \vd note\n1\t1\t\tz\n1\t1\t\tz\nTop\n");
  EXPECT_EQ(out.title, "T");
  EXPECT_EQ(out.author, "I");

  std::string epub =
      ZipBuilder()
          .add("mimetype", "application/epub+zip")
          .add("META-INF/container.xml", "<container><rootfiles><rootfile full-path='OPS/book.opf' "
                                         "media-type='application/oebps-package+xml'/></rootfiles></container>")
          .add("OPS/book.opf", "<package xmlns:dc='http://purl.org/dc/elements/1.1/'><metadata><dc:title>Book</dc:title>"
                               "<dc:creator>A</dc:creator><dc:creator>B</dc:creator></metadata><manifest>"
                               "<item id='c1' href='text/one%20a.xhtml' media-type='application/xhtml+xml'/>"
                               "<item id='c2' href='two.html' media-type='application/xhtml+xml'/>"
                               "<item id='img' href='x.png' media-type='image/png'/></manifest>"
                               "<spine><itemref idref='c2'/><itemref idref='img'/><itemref idref='c1'/>"
                               "<itemref idref='missing'/></spine></package>")
          .add("OPS/text/one a.xhtml", "<html><head><title>t</title></head><body><p>first &amp; one</p></body></html>")
          .add("OPS/two.html", "<html><body><p>second<br/>line</p></body></html>")
          .build();
  out = run(epub::extract, epub);
  EXPECT_EQ(out.type, formattype::kEpub);
  EXPECT_EQ(out.text, "second\vline\n\ffirst & one\n\f");
  EXPECT_EQ(out.title, "Book");
  EXPECT_EQ(out.author, "A; B");
}

TEST(DocumentPackageParts, HostileXmlIsReadWithinBounds) {
  // Entities are never expanded nor fetched: a billion laughs gives nothing, quickly.
  std::string laughs = "<?xml version='1.0'?><!DOCTYPE d [<!ENTITY a 'ha'>";
  for (char c = 'b'; c <= 'k'; ++c) {
    laughs += std::string("<!ENTITY ") + c + " '";
    for (int i = 0; i < 10; ++i) laughs += std::string("&") + static_cast<char>(c - 1) + ";";
    laughs += "'>";
  }
  laughs += std::string("<!ENTITY x SYSTEM 'file:///etc/passwd'>]><w:document") + kW +
            "><w:p><w:r><w:t>&k;&x;ok</w:t></w:r></w:p></w:document>";
  auto started = std::chrono::steady_clock::now();
  TextCollector out(1 << 20);
  ooxml::wordPart(laughs, &out);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_LE(out.value().size(), 8u);  // "ok" at most; never "haha..." nor the password file
  EXPECT_EQ(out.value().find("ha"), std::string::npos);
  EXPECT_EQ(out.value().find("root"), std::string::npos);

  // Deep nesting stops at the depth bound with an error.
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  XmlReader reader(deep);
  int rc;
  while ((rc = reader.next()) == 1) {
  }
  EXPECT_EQ(rc, -1);
  EXPECT_FALSE(reader.error().empty());

  // 100 MB of text in one element: the text stops at its limit (or the element is refused).
  std::string huge = std::string("<w:document") + kW + "><w:p><w:r><w:t>";
  huge.append(size_t{100} << 20, 'x');
  huge += "</w:t></w:r></w:p></w:document>";
  TextCollector limited(1 << 20);
  ooxml::wordPart(huge, &limited);
  EXPECT_LE(limited.value().size(), size_t{1} << 20);
  // A package's text stops at the extraction's limit and says so.
  std::string docx = ZipBuilder()
                         .add("[Content_Types].xml", kTypes)
                         .add("word/document.xml", wordDoc(para(std::string(5000, 'y'))), true)
                         .build();
  ExtractedText cut = run(ooxml::extract, docx, 100);
  EXPECT_EQ(cut.text.size(), 100u);
  EXPECT_TRUE(cut.partial);
}

// Real documents with texts made by an independent tool: nearly all the reference's words, in
// order. testODFwithOOo3.odt's reference holds its annotations' authors and dates run
// together with the text ("Hanssens2009") and image place-holders: it is held to 65%.
TEST(DocumentPackageParts, RealSamplesGiveTheWordsOfTheReferenceTexts) {
  const std::filesystem::path root = "/work/shared/testdata/real";
  if (!std::filesystem::is_directory(root)) GTEST_SKIP() << "no real samples here";
  auto words = [](const std::string& s) {
    std::vector<std::string> out;
    static const std::regex word("[[:alnum:]]+|[\\x80-\\xff]+");
    for (auto it = std::sregex_iterator(s.begin(), s.end(), word); it != std::sregex_iterator(); ++it) {
      std::string w = it->str();
      for (char& c : w) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      out.push_back(w);
    }
    return out;
  };
  int compared = 0;
  for (const char* folder : {"ooxml", "odf", "epub"}) {
    for (const auto& e : std::filesystem::directory_iterator(root / folder)) {
      std::string path = e.path().string();
      if (path.ends_with(".expected.txt") || !std::filesystem::exists(path + ".expected.txt")) continue;
      std::string bytes = testsupport::readFile(path);
      MemorySource source(path, bytes);
      packageviewers::Kind kind = packageviewers::kindOf(source);
      ExtractFunction f = kind == packageviewers::Kind::kOoxml ? ooxml::extract
                          : kind == packageviewers::Kind::kOdf ? odf::extract
                                                               : epub::extract;
      ASSERT_NE(kind, packageviewers::Kind::kNone) << path;
      ExtractedText out = run(f, bytes, int64_t{64} << 20);
      ASSERT_EQ(out.outcome, ExtractedText::Outcome::kText) << path << ": " << out.error;
      std::vector<std::string> ours = words(out.text), theirs = words(testsupport::readFile(path + ".expected.txt"));
      if (theirs.size() > 3000) theirs.resize(3000);  // the longest book: its first chapters
      if (ours.size() > 6000) ours.resize(6000);
      std::vector<size_t> row(theirs.size() + 1, 0), next(theirs.size() + 1, 0);
      for (const std::string& w : ours) {
        for (size_t j = 0; j < theirs.size(); ++j)
          next[j + 1] = w == theirs[j] ? row[j] + 1 : std::max(row[j + 1], next[j]);
        std::swap(row, next);
      }
      size_t common = row[theirs.size()];
      size_t bar = path.ends_with("testODFwithOOo3.odt") ? 65 : 90;
      EXPECT_GE(common * 100, theirs.size() * bar) << path << ": " << common << " of " << theirs.size();
      ++compared;
    }
  }
  EXPECT_GE(compared, 20);
}
