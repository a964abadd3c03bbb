// The PDF extractor on the real samples and on hostile files made here: a compression bomb, a
// page tree that claims a billion pages, bytes that are no PDF.
#include "import/PdfExtractor.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/import/ReferenceWords.h"
#include "tests/support/TempDir.h"

namespace {

const std::filesystem::path kReal = "/work/shared/testdata/real/pdf";

ExtractedText extract(const std::string& bytes, int64_t textBytes = int64_t{64} << 20) {
  return testsupport::runExtractor(pdfextractor::extract, bytes, textBytes);
}

std::string deflated(const std::string& plain) {
  uLongf size = compressBound(plain.size());
  std::string out(size, '\0');
  EXPECT_EQ(Z_OK, compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(plain.data()),
                            plain.size(), 9));
  out.resize(size);
  return out;
}

// A PDF of one page whose content stream is `content`, deflated, with a cross-reference
// table; `count` is what the page tree claims.
std::string onePagePdf(const std::string& content, const std::string& count = "1") {
  std::string stream = deflated(content);
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count " + count + " >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
      "/Resources << /Font << /F1 5 0 R >> >> >>",
      "<< /Length " + std::to_string(stream.size()) + " /Filter /FlateDecode >>\nstream\n" + stream + "\nendstream",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
  };
  std::string pdf = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t o : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", o);
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

TEST(PdfExtractorTest, RealSamplesGiveTheWordsOfTheReferenceTexts) {
  if (!std::filesystem::is_directory(kReal)) GTEST_SKIP() << "no real samples here";
  int compared = testsupport::expectReferenceWords({"pdf"}, [](const std::string& path) {
    ExtractedText out = extract(testsupport::readFile(path));
    EXPECT_EQ(ExtractedText::Outcome::kText, out.outcome) << path << ": " << out.error;
    EXPECT_EQ(std::string::npos, out.text.find("endobj")) << path;
    return out.text;
  });
  EXPECT_GE(compared, 8);
  // One page end per page, the document information's title.
  ExtractedText bookmarks = extract(testsupport::readFile((kReal / "testPDF_bookmarks.pdf").string()));
  EXPECT_EQ(2, std::count(bookmarks.text.begin(), bookmarks.text.end(), '\f'));
  ExtractedText tika = extract(testsupport::readFile((kReal / "testPDF.pdf").string()));
  EXPECT_EQ("Apache Tika - Apache Tika", tika.title);
}

TEST(PdfExtractorTest, HostileFilesEndCleanlyWithinTheTextLimit) {
  // 48 MB of blanks and 800 lines of small print behind 100 KB of deflated stream: the text
  // is cut at the limit and says so.
  std::string content = "BT /F1 1 Tf 1 TL 10 790 Td\n" + std::string(48 << 20, ' ');
  std::string line = "(";
  for (int i = 0; i < 100; ++i) line += "bomb ";
  for (int i = 0; i < 780; ++i) content += line + ") '\n";
  content += "ET\n";
  ExtractedText bomb = extract(onePagePdf(content), 4096);
  ASSERT_EQ(ExtractedText::Outcome::kText, bomb.outcome) << bomb.error;
  EXPECT_LE(bomb.text.size(), 4096u);
  EXPECT_TRUE(bomb.partial);
  EXPECT_NE(std::string::npos, bomb.text.find("bomb"));

  // A page tree that claims more pages than it has: the page there is read; one that claims
  // a billion ends at once.
  ExtractedText claims = extract(onePagePdf("BT /F1 12 Tf 72 700 Td (alone) Tj ET", "5"));
  EXPECT_NE(std::string::npos, claims.text.find("alone")) << claims.error;
  ExtractedText billion = extract(onePagePdf("BT /F1 12 Tf 72 700 Td (alone) Tj ET", "1000000000"));
  EXPECT_NE(ExtractedText::Outcome::kEncrypted, billion.outcome);

  for (const std::string& junk : {std::string(), std::string("%PDF-1.4\n"), std::string(5000, '\xFF')}) {
    ExtractedText out = extract(junk);
    EXPECT_EQ(ExtractedText::Outcome::kFailed, out.outcome);
    EXPECT_FALSE(out.error.empty());
  }
}

TEST(PdfExtractorTest, AFileThatNeedsAPasswordIsCountedEncrypted) {
  std::string locked = testsupport::readFile(testsupport::sourcePath("tests/data/pdf/locked.pdf"));
  ASSERT_FALSE(locked.empty());
  ExtractedText out = extract(locked);
  EXPECT_EQ(ExtractedText::Outcome::kEncrypted, out.outcome);
  EXPECT_TRUE(out.text.empty());
}

}  // namespace
