// The Word .doc extractor on the real samples and on compound files built here: a Word 97
// document with 8-bit and Unicode pieces and a field, a Word 6 one, a workbook, cyclic and
// out-of-range sector chains.
#include "import/WordDocExtractor.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "import/FormatTypes.h"
#include "tests/import/ReferenceWords.h"
#include "tests/support/TempDir.h"

namespace {

const std::filesystem::path kReal = "/work/shared/testdata/real/doc";

ExtractedText extract(const std::string& bytes, int64_t textBytes = int64_t{64} << 20) {
  return testsupport::runExtractor(worddocextractor::extract, bytes, textBytes);
}

void put16(std::string* b, size_t at, uint32_t v) {
  if (b->size() < at + 2) b->resize(at + 2, '\0');
  (*b)[at] = static_cast<char>(v & 0xFF);
  (*b)[at + 1] = static_cast<char>(v >> 8 & 0xFF);
}
void put32(std::string* b, size_t at, uint32_t v) {
  put16(b, at, v & 0xFFFF);
  put16(b, at + 2, v >> 16);
}

// A version 3 compound file whose root holds `streams` (each padded to at least 4096 bytes,
// so all live in regular sectors): sector 0 the FAT, sector 1 the directory, then the streams.
struct Stream {
  std::string name, bytes;
};
std::string compoundFile(std::vector<Stream> streams) {
  std::string file(512, '\0');
  const char sig[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
  file.replace(0, 8, sig, 8);
  put16(&file, 24, 0x3E);
  put16(&file, 26, 3);
  put16(&file, 28, 0xFFFE);
  put16(&file, 30, 9);
  put16(&file, 32, 6);
  put32(&file, 44, 1);  // FAT sectors
  put32(&file, 48, 1);  // first directory sector
  put32(&file, 56, 4096);
  put32(&file, 60, 0xFFFFFFFE);
  put32(&file, 68, 0xFFFFFFFE);
  for (int i = 0; i < 109; ++i) put32(&file, 76 + 4 * i, i == 0 ? 0 : 0xFFFFFFFF);
  std::string fat(512, '\xFF'), dir(512, '\0'), data;
  put32(&fat, 0, 0xFFFFFFFD);
  put32(&fat, 4, 0xFFFFFFFE);
  auto entry = [&](size_t i, const std::string& name, uint8_t type, uint32_t child, uint32_t right, uint32_t start,
                   uint32_t size) {
    std::string e(128, '\0');
    for (size_t k = 0; k < name.size(); ++k) put16(&e, 2 * k, static_cast<unsigned char>(name[k]));
    put16(&e, 64, static_cast<uint32_t>(2 * name.size() + 2));
    e[66] = static_cast<char>(type);
    put32(&e, 68, 0xFFFFFFFF);
    put32(&e, 72, right);
    put32(&e, 76, child);
    put32(&e, 116, start);
    put32(&e, 120, size);
    dir.replace(128 * i, 128, e);
  };
  entry(0, "Root Entry", 5, 1, 0xFFFFFFFF, 0xFFFFFFFE, 0);
  uint32_t next = 2;
  for (size_t i = 0; i < streams.size() && i < 3; ++i) {
    std::string& s = streams[i].bytes;
    if (s.size() < 4096) s.resize(4096, '\0');
    s.resize((s.size() + 511) / 512 * 512, '\0');
    uint32_t sectors = static_cast<uint32_t>(s.size() / 512);
    for (uint32_t k = 0; k < sectors; ++k) put32(&fat, 4 * (next + k), k + 1 < sectors ? next + k + 1 : 0xFFFFFFFE);
    entry(i + 1, streams[i].name, 2, 0xFFFFFFFF, i + 1 < streams.size() ? static_cast<uint32_t>(i + 2) : 0xFFFFFFFF,
          next, static_cast<uint32_t>(s.size()));
    next += sectors;
    data += s;
  }
  return file + fat + dir + data;
}

// A Word 97 WordDocument stream and its 1Table: the FIB, then the text at 0x800 as the pieces
// given (8-bit text is stored at fc/2 with bit 30 set, Unicode at fc).
struct WordPiece {
  std::u16string text;
  bool compressed;
};
std::vector<Stream> word97(const std::vector<WordPiece>& pieces, uint16_t flags = 0x0200) {
  std::string doc(0x800, '\0'), table;
  put16(&doc, 0, 0xA5EC);
  put16(&doc, 2, 193);
  put16(&doc, 0x0A, flags);
  put16(&doc, 0x20, 14);    // csw
  put16(&doc, 0x3E, 22);    // cslw
  put16(&doc, 0x98, 0x5D);  // cbRgFcLcb
  std::vector<uint32_t> cps{0}, fcs;
  for (const WordPiece& p : pieces) {
    if (p.compressed) {
      fcs.push_back(0x40000000 | static_cast<uint32_t>(doc.size() * 2));
      for (char16_t c : p.text) doc += static_cast<char>(c);
    } else {
      fcs.push_back(static_cast<uint32_t>(doc.size()));
      for (char16_t c : p.text) put16(&doc, doc.size(), c);
    }
    cps.push_back(cps.back() + static_cast<uint32_t>(p.text.size()));
  }
  put32(&doc, 0x4C, cps.back());  // ccpText
  std::string plc;
  for (uint32_t cp : cps) put32(&plc, plc.size(), cp);
  for (uint32_t fc : fcs) {
    size_t at = plc.size();
    plc.resize(at + 8, '\0');
    put32(&plc, at + 2, fc);
  }
  table = std::string("\x02", 1);
  put32(&table, 1, static_cast<uint32_t>(plc.size()));
  table += plc;
  put32(&doc, 0x1A2, 0);
  put32(&doc, 0x1A6, static_cast<uint32_t>(table.size()));
  return {{"WordDocument", doc}, {"1Table", table}};
}

TEST(WordDocExtractorTest, RealSamplesGiveTheWordsOfTheReferenceTexts) {
  if (!std::filesystem::is_directory(kReal)) GTEST_SKIP() << "no real samples here";
  int compared = testsupport::expectReferenceWords({"doc"}, [](const std::string& path) {
    ExtractedText out = extract(testsupport::readFile(path));
    EXPECT_EQ(ExtractedText::Outcome::kText, out.outcome) << path << ": " << out.error;
    return out.text;
  });
  EXPECT_GE(compared, 9);
  ExtractedText locked = extract(testsupport::readFile((kReal / "testWORD_protected_passtika.doc").string()));
  EXPECT_EQ(ExtractedText::Outcome::kEncrypted, locked.outcome);
  EXPECT_TRUE(locked.text.empty());
}

TEST(WordDocExtractorTest, PiecesFieldsAndControlsBecomeTextBlocks) {
  // An 8-bit piece with a field (instruction left out, result kept), a table cell and row, then
  // a Unicode piece with a line break and a character beyond the BMP.
  ExtractedText out = extract(compoundFile(word97({
      {u"Caf\x82 \x13 HYPERLINK \"x\" \x14link\x15 here\r", true},
      {u"a\x07" u"b\x07\x07\x0B\x03B1\x03B2\xD835\xDC00\x0C", false},
  })));
  ASSERT_EQ(ExtractedText::Outcome::kText, out.outcome) << out.error;
  EXPECT_EQ("Caf\xE2\x80\x9A link here\na\tb\t\n\v\xCE\xB1\xCE\xB2\xF0\x9D\x90\x80\f", out.text);

  ExtractedText cut = extract(compoundFile(word97({{std::u16string(3000, u'x'), true}})), 100);
  EXPECT_EQ(100u, cut.text.size());
  EXPECT_TRUE(cut.partial);

  ExtractedText locked = extract(compoundFile(word97({{u"secret", true}}, 0x0200 | 0x0100)));
  EXPECT_EQ(ExtractedText::Outcome::kEncrypted, locked.outcome);
  EXPECT_TRUE(locked.text.empty());
}

TEST(WordDocExtractorTest, Word6TextIsReadFromFcMin) {
  std::string doc(0x300, '\0');
  put16(&doc, 0, 0xA5DC);
  put16(&doc, 2, 101);
  put32(&doc, 0x18, 0x300);
  std::string text = "Word six text\r";
  put32(&doc, 0x1C, static_cast<uint32_t>(0x300 + text.size()));
  put32(&doc, 0x34, static_cast<uint32_t>(text.size()));
  ExtractedText out = extract(compoundFile({{"WordDocument", doc + text}}));
  ASSERT_EQ(ExtractedText::Outcome::kText, out.outcome) << out.error;
  EXPECT_EQ("Word six text\n", out.text);
}

TEST(WordDocExtractorTest, OtherAndBrokenCompoundFilesEndCleanly) {
  ExtractedText workbook = extract(compoundFile({{"Workbook", std::string(5000, 'x')}}));
  EXPECT_EQ(ExtractedText::Outcome::kNotText, workbook.outcome);
  EXPECT_EQ(formattype::kCompoundDocument, workbook.type);

  std::string good = compoundFile(word97({{u"fine text\r", true}}));
  ASSERT_EQ("fine text\n", extract(good).text);
  auto withFat = [&](uint32_t sector, uint32_t next) {
    std::string f = good;
    put32(&f, 512 + 4 * sector, next);
    return f;
  };
  // The WordDocument stream's chain loops back on itself; the directory's points at itself;
  // a chain points past the end of the file.
  for (const std::string& broken : {withFat(3, 2), withFat(1, 1), withFat(2, 0x7FFFFFF0)}) {
    ExtractedText out = extract(broken);
    EXPECT_TRUE(out.outcome == ExtractedText::Outcome::kFailed || out.partial);
    EXPECT_FALSE(out.error.empty());
  }
  EXPECT_EQ(ExtractedText::Outcome::kFailed, extract(withFat(1, 1)).outcome);
  EXPECT_NE(std::string::npos, extract(withFat(3, 2)).error.find("cyclic"));
  // Cut short anywhere: a clean failure or partial text.
  for (size_t cut : {size_t{0}, size_t{8}, size_t{600}, good.size() / 2, good.size() - 1}) {
    ExtractedText out = extract(good.substr(0, cut));
    EXPECT_TRUE(out.outcome == ExtractedText::Outcome::kFailed || out.partial) << cut;
  }
}

}  // namespace
