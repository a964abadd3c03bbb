// Tests of document records: the name and folder keys, relative paths, the display name,
// cancelling by write count, lookups that must not cross letter case, the "Map" object, the
// word total, and damaged tables.
#include "IndexDbFixture.h"

using namespace indextest;
using namespace indexformat;

class DocInfoTest : public IndexDbFixture {};

TEST_F(DocInfoTest, NameKeyIsTheHexFolderIdAndTheUpperCasedName) {
  DocInfo d;
  d.pathId = 26;
  d.shortName = "report.txt";
  EXPECT_EQ("001AREPORT.TXT", d.nameKey());
  d.pathId = 0x12345;
  d.shortName = std::string(400, 'a');
  std::string key = d.nameKey();
  EXPECT_EQ(259u, key.size());
  EXPECT_EQ("12345AAA", key.substr(0, 8));
}

TEST_F(DocInfoTest, RelativePathsRoundTripAndDisplayNameIsStoredEmptyWhenEqual) {
  make(true);
  IndexHeader h = readHeader(folder_);
  h.docRoot = "/docs";
  writeHeader(folder_, h);
  TextDB db;
  db.setDirectory(folder_);
  ASSERT_EQ(0, db.open(kWriteShared, kMainTypes)) << db.errorText();
  ASSERT_EQ(1, addDoc(db, "/docs/a/b.txt", 12));
  ASSERT_EQ(2, addDoc(db, "/elsewhere/c.txt", 3));
  DocInfo named;
  named.fileName = "/docs/d.txt";
  named.shortName = "d.txt";
  named.displayName = "Shown name";
  named.pathId = DocInfo::folderId(db, "/docs");
  ASSERT_EQ(0, named.write(db, 3));
  db.header().documentCount = 3;

  vlrFile& t = db.docTable();
  char buf[64];
  ASSERT_EQ(0, t.gotoRecord(1));
  t.getString(DocInfo::kFileName, buf, sizeof buf);
  EXPECT_STREQ("a/b.txt", buf);
  EXPECT_EQ(0, t.getString(DocInfo::kDisplayName, buf, sizeof buf));
  ASSERT_EQ(0, t.gotoRecord(2));
  t.getString(DocInfo::kFileName, buf, sizeof buf);
  EXPECT_STREQ("/elsewhere/c.txt", buf);  // outside the root: kept whole

  DocInfo d;
  ASSERT_EQ(0, d.read(db, 1));
  EXPECT_EQ("/docs/a/b.txt", d.fileName);
  EXPECT_EQ("/docs/a/b.txt", d.displayName);
  EXPECT_EQ("b.txt", d.shortName);
  EXPECT_EQ(12, d.wordCount);
  EXPECT_EQ(1, d.docId);
  EXPECT_EQ(dosdate::make(0x5A21, 0x6000), d.modDate);
  ASSERT_EQ(0, d.read(db, 2));
  EXPECT_EQ("/elsewhere/c.txt", d.fileName);
  ASSERT_EQ(0, d.read(db, 3));
  EXPECT_EQ("Shown name", d.displayName);
  // Folder keys are relative to the root, the root itself being ".".
  TrieValue v;
  EXPECT_EQ(0, db.keys().find(kFolderKind, "A", &v));
  EXPECT_EQ(0, db.keys().find(kFolderKind, ".", &v));
  EXPECT_EQ(0, db.keys().find(kFolderKind, "/ELSEWHERE", &v));
  EXPECT_EQ(3, db.header().pathCount);
  EXPECT_EQ(-1, d.read(db, 4));
  EXPECT_EQ("", d.fileName);
  EXPECT_EQ(0, d.docId);
}

TEST_F(DocInfoTest, ACancelledDocumentCountsFromItsWriteCountOn) {
  make();
  TextDB db;
  db.setDirectory(folder_);
  ASSERT_EQ(0, db.open(kWriteShared, kMainTypes));
  ASSERT_EQ(1, addDoc(db, "/d/one.txt", 10));
  ASSERT_EQ(2, addDoc(db, "/d/two.txt", 20));
  ASSERT_EQ(3, addDoc(db, "/d/three.txt", 30));
  EXPECT_EQ(60, db.countWords());
  DocInfo d;
  ASSERT_EQ(0, d.read(db, 2));
  d.cancelVer = 5;
  ASSERT_EQ(0, d.write(db, 2));  // rewritten in place
  EXPECT_EQ(4, db.docTable().getRecordCount());
  for (int32_t count : {4, 5, 6}) {
    db.header().writeCount = count;
    ASSERT_EQ(0, d.read(db, 2));
    EXPECT_EQ(count >= 5, d.cancelled) << count;
    EXPECT_EQ(count >= 5 ? 40 : 60, db.countWords());
  }
}

TEST_F(DocInfoTest, FolderLookupsAddOnlyForAWriter) {
  make();
  TextDB db;
  db.setDirectory(folder_);
  ASSERT_EQ(0, db.open(kWriteShared, kMainTypes));
  ASSERT_EQ(1, addDoc(db, "/d/one.txt", 1));
  ASSERT_EQ(0, db.close());
  db.unlock();

  TextDB r;
  r.setDirectory(folder_);
  ASSERT_EQ(0, r.open(kReadMode, kMainTypes));
  EXPECT_EQ(1, DocInfo::folderId(r, "/d"));
  EXPECT_EQ(-1, DocInfo::folderId(r, "/never/seen"));
  DocInfo d;
  EXPECT_EQ(-1, d.findByName(r, "/never/seen/x.txt"));
  EXPECT_EQ(1, r.header().pathCount);
  EXPECT_EQ(-1, r.keys().find(kFolderKind, "/NEVER/SEEN", nullptr));
  EXPECT_EQ(0, d.findByName(r, "/d/one.txt"));
  EXPECT_EQ(1, d.docId);
}

TEST_F(DocInfoTest, LookupsNeverReturnAFileThatDiffersInLetterCase) {
  make();
  TextDB db;
  db.setDirectory(folder_);
  ASSERT_EQ(0, db.open(kWriteShared, kMainTypes));
  ASSERT_EQ(1, addDoc(db, "/d/Report.txt", 5));
  DocInfo d;
  EXPECT_EQ(-1, d.findByName(db, "/d/REPORT.TXT"));
  EXPECT_EQ(0, d.docId);
  EXPECT_EQ(-1, d.findByName(db, "/D/Report.txt"));  // same folder key, other folder
  ASSERT_EQ(0, d.findByName(db, "/d/Report.txt"));
  EXPECT_EQ(1, d.docId);
}

TEST_F(DocInfoTest, ImportMapIsKeptInAMapObjectAndNotCopiedWhenUnchanged) {
  make();
  TextDB db;
  db.setDirectory(folder_);
  ASSERT_EQ(0, db.open(kWriteShared, kMainTypes));
  std::string map("\x01\x02\x00\x03map", 7);
  ASSERT_EQ(1, addDoc(db, "/d/m.txt", 5, map));
  DocInfo d;
  ASSERT_EQ(0, d.read(db, 1));
  EXPECT_EQ(map, d.importMap);
  EXPECT_GT(d.mapPtr, 0);
  int32_t firstPos = d.mapPtr;
  std::string name;
  ASSERT_NE(nullptr, db.docTable().openObject(d.mapPtr, &name));
  EXPECT_EQ("Map", name);
  d.cancelVer = 9;
  ASSERT_EQ(0, d.write(db, 1));
  ASSERT_EQ(0, d.read(db, 1));
  EXPECT_EQ(firstPos, d.mapPtr);
  EXPECT_EQ(map, d.importMap);
}

TEST_F(DocInfoTest, ARecordThatNoLongerFitsItsSlotIsRefused) {
  make();
  TextDB db;
  db.setDirectory(folder_);
  ASSERT_EQ(0, db.open(kWriteShared, kMainTypes));
  ASSERT_EQ(1, addDoc(db, "/d/a.txt", 5));
  DocInfo d;
  ASSERT_EQ(0, d.read(db, 1));
  d.title = std::string(500, 't');
  int checksBefore = check::failureCount();
  EXPECT_EQ(-1, d.write(db, 1));
  EXPECT_EQ(checksBefore, check::failureCount());
  ASSERT_EQ(0, d.read(db, 1));
  EXPECT_EQ("Title of a.txt", d.title);
}

TEST_F(DocInfoTest, SetFromFileTakesTheMemberNameOfAContainerPath) {
  FoundFile f;
  f.name = "/arch/box.zip/inner/doc.txt";
  f.isMember = true;
  f.memberName = "inner/doc.txt";
  f.size = 77;
  f.foundDate = 123;
  DocInfo d;
  d.setFromFile(f);
  EXPECT_EQ("inner/doc.txt", d.shortName);
  EXPECT_TRUE(d.isMemberPath);
  EXPECT_EQ(123u, d.foundDate);
  f.isMember = false;
  f.displayName = "Box";
  d.setFromFile(f);
  EXPECT_EQ("doc.txt", d.shortName);
  EXPECT_EQ("Box", d.displayName);
}

TEST_F(DocInfoTest, DamagedDocumentTablesGiveErrorsNotCrashes) {
  make();
  {
    TextDB db;
    db.setDirectory(folder_);
    ASSERT_EQ(0, db.open(kWriteShared, kMainTypes));
    for (int i = 0; i < 4; ++i) ASSERT_GT(addDoc(db, "/d/f" + std::to_string(i), i, "mm"), 0);
    ASSERT_EQ(0, db.close());
  }
  const std::string good = testsupport::readFile(folder_ + "/INDEX_D.IX");
  const std::string goodIndex = testsupport::readFile(folder_ + "/INDEX_DI.IX");
  for (size_t i = 0; i < good.size(); i += good.size() / 97 + 1) {
    std::string bad = good;
    bad[i] = static_cast<char>(bad[i] ^ 0x5A);
    testsupport::writeFile(folder_ + "/INDEX_D.IX", i % 2 ? bad : good.substr(0, i));
    TextDB db;
    db.setDirectory(folder_);
    if (db.open(kReadMode, kMainTypes) < 0) continue;
    DocInfo d;
    for (int32_t id = 0; id <= 5; ++id) d.read(db, id);
    db.countWords();
  }
  testsupport::writeFile(folder_ + "/INDEX_D.IX", good);
  testsupport::writeFile(folder_ + "/INDEX_DI.IX", goodIndex);
}
