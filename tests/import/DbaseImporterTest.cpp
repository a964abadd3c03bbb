// The dBASE importer on tables built here: character fields only, deleted records left out,
// trailing blanks dropped, the language driver's code page, tables cut short or with damaged
// headers, block sizes and bookmarks, and the choice of the importer through the registry.
#include "import/DbaseImporter.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "import/BuiltinViewers.h"
#include "import/ImportFile.h"
#include "import/ViewerTable.h"

namespace {

struct FieldSpec {
  const char* name;
  char type;
  int length;
};

// A dBASE III table: the header, the field descriptors, the records (each begins with its
// deletion flag) and the end-of-file mark.
std::string table(const std::vector<FieldSpec>& fields, const std::vector<std::string>& records,
                  uint8_t languageDriver = 0) {
  int recordBytes = 1;
  for (const FieldSpec& f : fields) recordBytes += f.length;
  int headerBytes = 32 + 32 * static_cast<int>(fields.size()) + 1;
  std::string h(32, '\0');
  h[0] = 0x03;
  h[1] = 126;  // 2026
  h[2] = 12;
  h[3] = 8;
  uint32_t count = static_cast<uint32_t>(records.size());
  std::memcpy(&h[4], &count, 4);
  h[8] = static_cast<char>(headerBytes & 0xFF);
  h[9] = static_cast<char>(headerBytes >> 8);
  h[10] = static_cast<char>(recordBytes & 0xFF);
  h[11] = static_cast<char>(recordBytes >> 8);
  h[29] = static_cast<char>(languageDriver);
  for (const FieldSpec& f : fields) {
    std::string d(32, '\0');
    std::memcpy(&d[0], f.name, std::strlen(f.name));
    d[11] = f.type;
    d[16] = static_cast<char>(f.length);
    h += d;
  }
  h += '\x0D';
  for (const std::string& r : records) {
    std::string padded = r;
    padded.resize(static_cast<size_t>(recordBytes), ' ');
    h += padded;
  }
  h += '\x1A';
  return h;
}

const std::vector<FieldSpec> kFields = {
    {"NAME", 'C', 10}, {"PRICE", 'N', 6}, {"CITY", 'C', 8}, {"SINCE", 'D', 8}};

// Records: flag, NAME(10), PRICE(6), CITY(8), SINCE(8).
const std::vector<std::string> kRecords = {
    " Caf\xE9       12.50Paris   19990101",
    "*Deleted     1.00Nowhere 20000101",
    " Bakery      3.20        20010101",
};

std::string readAll(Viewer& v) {
  std::string out;
  int rc;
  while ((rc = v.readTextBlock(&out)) > 0) {
  }
  EXPECT_EQ(0, rc);
  return out;
}

TEST(DbaseImporterTest, CharacterFieldsOfLiveRecordsOneLineEach) {
  MemorySource source("t.dbf", table(kFields, kRecords));
  DbaseImporter importer(source, 2048);
  ASSERT_TRUE(importer.ok());
  EXPECT_EQ(2u, importer.fields().size());
  EXPECT_EQ("Caf\xE9\tParis\nBakery\t\n", readAll(importer));
  // One record a block gives the same text, and a bookmark returns to its record.
  MemorySource again("t.dbf", table(kFields, kRecords));
  DbaseImporter small(again, 1);
  EXPECT_EQ("Caf\xE9\tParis\nBakery\t\n", readAll(small));
  ASSERT_EQ(0, small.gotoBookMark(2));
  std::string last;
  small.readTextBlock(&last);
  EXPECT_EQ("Bakery\t\n", last);
  EXPECT_EQ(-1, small.gotoBookMark(4));
}

TEST(DbaseImporterTest, LanguageDriverChoosesTheCodePage) {
  // Driver 1 is the DOS code page 437, where 0x82 is e-acute.
  MemorySource source("t.dbf", table({{"NAME", 'C', 6}}, {" caf\x82"}, 0x01));
  DbaseImporter importer(source, 2048);
  EXPECT_EQ("caf\xE9\n", readAll(importer));
}

TEST(DbaseImporterTest, TableCutShortGivesItsWholeRecords) {
  std::string t = table(kFields, kRecords);
  // Cut inside the third record: the header still claims three.
  size_t cut = t.size() - 1 - 10;
  MemorySource source("t.dbf", t.substr(0, cut));
  DbaseImporter importer(source, 2048);
  ASSERT_TRUE(importer.ok());
  EXPECT_EQ(2, importer.recordCount());
  EXPECT_EQ("Caf\xE9\tParis\n", readAll(importer));
  // Every cut: a table or not, but never a read past the end.
  for (size_t n = 0; n <= t.size(); ++n) {
    MemorySource part("t.dbf", t.substr(0, n));
    DbaseImporter p(part, 64);
    if (p.ok()) readAll(p);
  }
}

TEST(DbaseImporterTest, DamagedHeadersAreNoTable) {
  std::string good = table(kFields, kRecords);
  auto isTable = [](const std::string& bytes) {
    MemorySource source("t.dbf", bytes);
    return DbaseImporter(source, 2048).ok();
  };
  EXPECT_TRUE(isTable(good));
  std::string badVersion = good;
  badVersion[0] = 0x07;
  EXPECT_FALSE(isTable(badVersion));
  std::string shortHeader = good;
  shortHeader[8] = 10;
  shortHeader[9] = 0;
  EXPECT_FALSE(isTable(shortHeader));
  std::string hugeHeader = good;
  hugeHeader[9] = 0x7F;
  EXPECT_FALSE(isTable(hugeHeader));
  // A field that runs past the record's end is dropped with those after it.
  std::string tinyRecord = good;
  tinyRecord[10] = 5;
  tinyRecord[11] = 0;
  EXPECT_FALSE(isTable(tinyRecord));
  EXPECT_FALSE(isTable(table({{"PRICE", 'N', 6}}, {" 1.00"})));
}

TEST(DbaseImporterTest, ADbfThatIsNoTableShowsItsReadableText) {
  ViewerTable registry;
  builtinviewers::registerAll(registry);
  ImportFile doc(registry);
  ASSERT_EQ(0, doc.open(std::make_unique<MemorySource>("SALES.DBF", table(kFields, kRecords))));
  EXPECT_STREQ("dBASE", doc.format()->info.name);
  ASSERT_EQ(0, doc.open(std::make_unique<MemorySource>("NOTES.DBF", std::string("just some words"))));
  EXPECT_STREQ("dBASE", doc.format()->info.name);
  ScreenLine line;
  ASSERT_EQ(1, doc.nextLine(&line, 80));
  EXPECT_EQ("just some words", ImportFile::lineText(line));
}

}  // namespace
