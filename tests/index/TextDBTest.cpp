// Tests of the index database: the files a new index holds, the header's byte layout, the
// lock's refusals (damaged, foreign and other-version headers, options), the information
// record, the filters files, the dictionary copies, deleting, and the sharing rules between
// processes.
#include <cstring>

#include "IndexDbFixture.h"
#include "import/Alphabet.h"
#include "objects/StringSet.h"

using namespace indextest;
using namespace indexformat;

class TextDBTest : public IndexDbFixture {};

TEST_F(TextDBTest, MakeWritesEveryFileOfANewIndex) {
  make(true, true, false);
  EXPECT_TRUE(traced("IndexMaker::make() Done -- OK"));
  for (const char* name : {"INDEX_I.IX", "INDEX_O.IX", "INDEX_D.IX", "INDEX_DI.IX", "INDEX_K.IX",
                           "INDEX_R.IX", "INDEX_U.IX"})
    EXPECT_TRUE(testsupport::exists(folder_ + "/" + name)) << name;
  EXPECT_EQ(863u, testsupport::readFile(folder_ + "/INDEX_I.IX").size());
  EXPECT_EQ("Lexaurum Index File (R)\r\n", testsupport::readFile(folder_ + "/INDEX_R.IX"));
  IndexHeader h = readHeader(folder_);
  EXPECT_EQ(412, h.version);
  EXPECT_EQ(411, h.formatMark);
  EXPECT_EQ(1, h.writeCount);
  EXPECT_EQ(0, h.inUse);
  EXPECT_EQ(0, h.documentCount);
  EXPECT_EQ(0, h.updated);
  EXPECT_NE(0, h.created);
  EXPECT_EQ("Lexaurum_4", h.versionTag);
  EXPECT_EQ("Test index", h.indexName);
  EXPECT_FALSE(h.ignoreCase());
  EXPECT_TRUE(h.ignoreAccents());
  EXPECT_TRUE(h.relativePaths());
  EXPECT_EQ(std::string("Lexaurum Index Options\r\nName = Test index\r\nRelativePaths = 1\r\n"
                        "CaseSensitive = 1\r\nAccentSensitive = 0\r\n"),
            testsupport::readFile(folder_ + "/INDEX_O.IX"));
  EXPECT_EQ("", testsupport::readFile(folder_ + "/INDEX_X.IX"));

  TextDB db;
  db.setDirectory(folder_);
  ASSERT_EQ(0, db.open(kReadMode, kMainTypes)) << db.errorText();
  EXPECT_EQ(13, db.docTable().getFieldCount());
  EXPECT_EQ(1, db.docTable().getRecordCount());  // the empty record 0
  EXPECT_STREQ("CancelVer", db.docTable().getField(11)->name);
  EXPECT_EQ('L', db.docTable().getField(11)->type);
}

TEST_F(TextDBTest, HeaderFieldsSitAtTheirOffsets) {
  IndexHeader h;
  h.initNew();
  h.documentCount = 0x01020304;
  h.wordCount = 0x0A0B0C0D;
  h.docRoot = "/docs";
  h.indexName = std::string(60, 'n');  // cut to 39
  h.writer = "someone";
  h.pendingDictionary = 7;
  h.setFlags(true, false, true);
  char bytes[kHeaderBytes];
  h.encode(bytes);
  EXPECT_EQ(0, std::memcmp(bytes, "\x9C\x01\x9B\x01\x00\x00\x04\x03\x02\x01", 10));
  EXPECT_EQ(0, std::memcmp(bytes + 46, "\x0D\x0C\x0B\x0A/docs\0", 10));
  EXPECT_EQ(std::string(39, 'n'), std::string(bytes + 562, strnlen(bytes + 562, 40)));
  EXPECT_STREQ("someone", bytes + 615);
  EXPECT_STREQ("Lexaurum_4", bytes + 646);
  EXPECT_EQ(0, std::memcmp(bytes + 678, "\0\1\0\1\1", 5));
  EXPECT_EQ(1, bytes[693]);
  EXPECT_EQ(7, bytes[697]);
  IndexHeader back;
  ASSERT_EQ(0, back.decode(bytes, bytes + kHeaderBytes));
  EXPECT_EQ(std::string(39, 'n'), back.indexName);
  EXPECT_EQ(7, back.pendingDictionary);
  EXPECT_EQ(-1, back.decode(bytes, bytes + kHeaderBytes - 1));
}

TEST_F(TextDBTest, FlagsNotMarkedValidReadAsInsensitiveWithRelativePaths) {
  make(false, true, true);
  IndexHeader h = readHeader(folder_);
  std::memset(h.flags, 0, sizeof h.flags);
  writeHeader(folder_, h);
  platform::removeFile((folder_ + "/INDEX_O.IX").c_str());
  TextDB db;
  db.setDirectory(folder_);
  ASSERT_EQ(0, db.lockIndex(kReadMode));
  EXPECT_TRUE(db.header().ignoreCase());
  EXPECT_TRUE(db.header().ignoreAccents());
  EXPECT_TRUE(db.header().relativePaths());
}

TEST_F(TextDBTest, OptionsFileOverridesTheHeaderAndSetsTheAlphabet) {
  make(false, false, false);
  testsupport::writeFile(folder_ + "/INDEX_O.IX",
                         "Lexaurum Index Options\r\nName = Renamed\r\nDocRoot = /srv/docs\r\n"
                         "CaseSensitive = 1\r\nAccentSensitive = 1\r\n");
  TextDB db;
  db.setDirectory(folder_);
  ASSERT_EQ(0, db.lockIndex(kReadMode)) << db.errorText();
  EXPECT_EQ("Renamed", db.header().indexName);
  EXPECT_EQ("/srv/docs", db.documentRoot());
  EXPECT_FALSE(db.header().ignoreCase());
  EXPECT_EQ(0, db.alphabet().options() & (Alphabet::kFoldLower | Alphabet::kFoldAccents));
  db.unlock();

  // A writer leaves DocRoot out of the file it writes back.
  TextDB w;
  w.setDirectory(folder_);
  ASSERT_EQ(0, w.lockIndex(kWriteShared));
  ASSERT_EQ(0, w.unlock());
  EXPECT_EQ(std::string::npos, testsupport::readFile(folder_ + "/INDEX_O.IX").find("DocRoot"));
}

TEST_F(TextDBTest, ALibraryNameNamesTheIndex) {
  make();
  TextDB db;
  db.setDirectory(folder_);
  db.setLibraryName("From library");
  ASSERT_EQ(0, db.lockIndex(kReadMode));
  EXPECT_EQ("From library", db.header().indexName);
  db.unlock();
}

TEST_F(TextDBTest, AReaderNeedsTheLockFile) {
  make();
  platform::removeFile((folder_ + "/INDEX_U.IX").c_str());
  TextDB db;
  db.setDirectory(folder_);
  EXPECT_EQ(-1, db.open(kReadMode, kMainTypes));
  EXPECT_EQ(messages::text(1, {folder_, "(No such file or directory)"}),
            db.errorText());
  EXPECT_FALSE(db.hasLock());
}

TEST_F(TextDBTest, OtherVersionsAndTagsAreRefused) {
  make();
  TextDB db;
  db.setDirectory(folder_);
  IndexHeader good = readHeader(folder_);
  for (int16_t version : {399, 500}) {
    IndexHeader h = good;
    h.version = version;
    writeHeader(folder_, h);
    EXPECT_EQ(-1, db.lockIndex(kReadMode)) << version;
    EXPECT_EQ(messages::text(5, {folder_ + "/INDEX_I.IX"}), db.errorText());
    EXPECT_FALSE(db.hasLock());
  }
  IndexHeader h = good;
  h.versionTag = "Lexaurum_5";
  writeHeader(folder_, h);
  EXPECT_EQ(-1, db.lockIndex(kReadMode));
  EXPECT_EQ("This version of Lexaurum cannot read index Test index ", db.errorText());
  for (const char* tag : {"", "%old"}) {
    h.versionTag = tag;
    writeHeader(folder_, h);
    EXPECT_EQ(0, db.lockIndex(kReadMode)) << tag;
    db.unlock();
  }
  h = good;
  h.formatMark = 410;
  writeHeader(folder_, h);
  EXPECT_EQ(-1, db.lockIndex(kReadMode));
  EXPECT_EQ(messages::text(1, {folder_, "(not an index header)"}), db.errorText());
}

TEST_F(TextDBTest, DamagedHeadersAndOptionsAreRefusedWithoutHarm) {
  make();
  const std::string good = testsupport::readFile(folder_ + "/INDEX_I.IX");
  const std::string prefix1 = messages::text(1, {folder_, ""});
  auto expectRefusedOrOpened = [&](const std::string& what) {
    TextDB db;
    db.setDirectory(folder_);
    if (db.open(kReadMode, kMainTypes) < 0) {
      bool known = db.errorText().compare(0, prefix1.size(), prefix1) == 0 ||
                   db.errorText().find("another version") != std::string::npos ||
                   db.errorText().find("cannot read index") != std::string::npos;
      EXPECT_TRUE(known) << what << ": " << db.errorText();
      EXPECT_EQ(Status::Kind::kDamaged, db.status().kind()) << what << ": a header that reads wrong is damaged";
    }
  };
  for (size_t n = 0; n < good.size(); n += 37) {
    testsupport::writeFile(folder_ + "/INDEX_I.IX", good.substr(0, n));
    expectRefusedOrOpened("cut at " + std::to_string(n));
  }
  for (size_t i = 0; i < kWriteCountPos + 8; ++i) {
    std::string bad = good;
    bad[i] = static_cast<char>(bad[i] ^ 0xA5);
    testsupport::writeFile(folder_ + "/INDEX_I.IX", bad);
    expectRefusedOrOpened("byte " + std::to_string(i));
  }
  testsupport::writeFile(folder_ + "/INDEX_I.IX", good);
  testsupport::writeFile(folder_ + "/INDEX_O.IX", "Not the options\r\nName = x\r\n");
  TextDB db;
  db.setDirectory(folder_);
  EXPECT_EQ(-1, db.lockIndex(kReadMode));
  EXPECT_EQ(messages::text(1, {folder_, "(the index options file is damaged)"}), db.errorText());
  EXPECT_EQ(Status::Kind::kDamaged, db.status().kind());
}

TEST_F(TextDBTest, AFailedOpenSaysWhetherTheIndexIsMissingHeldOrDamaged) {
  TextDB none;
  none.setDirectory(dir_.file("nothing-here"));
  EXPECT_EQ(-1, none.lockIndex(kReadMode));
  EXPECT_EQ(Status::Kind::kNotFound, none.status().kind()) << none.errorText();
  make();
  TextDB writer;
  writer.setDirectory(folder_);
  ASSERT_EQ(0, writer.lockIndex(kWriteShared));
  TextDB second;
  second.setDirectory(folder_);
  EXPECT_EQ(-1, second.lockIndex(kWriteShared));
  EXPECT_EQ(Status::Kind::kBusy, second.status().kind()) << second.errorText();
  ASSERT_EQ(0, writer.unlock());
  ASSERT_EQ(0, second.lockIndex(kReadMode));
  EXPECT_TRUE(second.status().isOk());
}

TEST_F(TextDBTest, IndexBytesSumTheIndexFiles) {
  make();
  TextDB db;
  db.setDirectory(folder_);
  ASSERT_EQ(0, db.lockIndex(kReadMode));
  int64_t expected = 0;
  for (const char* f : {"INDEX_I.IX", "INDEX_K.IX", "INDEX_R.IX", "INDEX_D.IX", "INDEX_DI.IX"})
    expected += platform::fileSizeByName((folder_ + "/" + f).c_str());
  EXPECT_EQ(expected, db.indexBytes());
}

TEST_F(TextDBTest, FiltersAndFoldersRoundTripAndParseLoosely) {
  make();
  TextDB db;
  db.setDirectory(folder_);
  StringSet inc, exc, dirs;
  ASSERT_EQ(0, db.readFilters(&inc, &exc, &dirs));  // absent files: empty sets
  EXPECT_EQ(0, inc.count() + exc.count() + dirs.count());
  testsupport::writeFile(folder_ + "/INDEX_S.IX", "i *.txt,*.doc; a?.wp\r\nE  skip*\r\nX other\r\n");
  testsupport::writeFile(folder_ + "/INDEX_L.IX", "/docs/a\r\n\r\n  \r\n/docs/b\n");
  resum(folder_);
  ASSERT_EQ(0, db.readFilters(&inc, &exc, &dirs));
  EXPECT_EQ("*.txt|*.doc|a?.wp", inc.join("|"));
  EXPECT_EQ("skip*", exc.join("|"));
  EXPECT_EQ("/docs/a|/docs/b", dirs.join("|"));
  ASSERT_EQ(0, db.lockIndex(kWriteShared));
  ASSERT_EQ(0, db.writeFilters(&inc, &exc, &dirs));
  ASSERT_EQ(0, db.unlock());
  StringSet inc2, exc2, dirs2;
  ASSERT_EQ(0, db.readFilters(&inc2, &exc2, &dirs2));
  EXPECT_EQ(inc.join("|"), inc2.join("|"));
  EXPECT_EQ(exc.join("|"), exc2.join("|"));
  EXPECT_EQ(dirs.join("|"), dirs2.join("|"));
}

TEST_F(TextDBTest, OpenChecksItsArgumentsAndReportsEachFile) {
  make();
  TextDB db;
  db.setDirectory(folder_);
  EXPECT_EQ(-1, db.open(kReadMode, 8));
  EXPECT_TRUE(traced("ERROR TextDB::open(flags < 16)"));
  EXPECT_EQ("", db.fileName(0x10000));
  EXPECT_TRUE(traced("ERROR Illegal index file type: 65536"));
  ASSERT_EQ(0, db.open(kReadMode, kDocFile));
  ASSERT_EQ(0, db.open(kReadMode, kDocFile | kKeyFile | kNoiseFile | kReservedFile));
  EXPECT_TRUE(traced("Already open"));
  EXPECT_TRUE(traced("TextDB::openFile succeeded: " + folder_ + "/INDEX_K.IX"));
  EXPECT_EQ(0, db.close());
}

TEST_F(TextDBTest, SharedUpdatesWorkOnDictionaryCopiesThatCleanUpSwapsIn) {
  make();
  std::string original = testsupport::readFile(folder_ + "/INDEX_K.IX");
  for (int update = 1; update <= 2; ++update) {
    TextDB db;
    db.setDirectory(folder_);
    ASSERT_EQ(0, db.open(kWriteShared, kMainTypes)) << db.errorText();
    EXPECT_EQ(folder_ + "/IXK" + std::to_string(update) + ".IX", db.fileName(kKeyFile));
    ASSERT_EQ(0, db.keys().insert(kWordKind, ("word" + std::to_string(update)).c_str(), 1));
    ASSERT_EQ(0, db.close());
    EXPECT_EQ(update, readHeader(folder_).pendingDictionary);
    EXPECT_EQ(update, readHeader(folder_).wordCount);
  }
  // The main dictionary was never touched while copies took the updates.
  EXPECT_EQ(original, testsupport::readFile(folder_ + "/INDEX_K.IX"));

  TextDB db;
  db.setDirectory(folder_);
  ASSERT_EQ(0, db.cleanUpDictionaries());
  EXPECT_FALSE(testsupport::exists(folder_ + "/IXK1.IX"));
  EXPECT_FALSE(testsupport::exists(folder_ + "/IXK2.IX"));
  EXPECT_EQ(0, readHeader(folder_).pendingDictionary);
  ASSERT_EQ(0, db.open(kReadMode, kKeyFile));
  TrieValue v;
  EXPECT_EQ(0, db.keys().find(kWordKind, "word1", &v));
  EXPECT_EQ(0, db.keys().find(kWordKind, "word2", &v));
}

TEST_F(TextDBTest, CleanUpLeavesDictionariesThatAreInUse) {
  make();
  TextDB reader;
  reader.setDirectory(folder_);
  ASSERT_EQ(0, reader.open(kReadMode, kKeyFile));  // holds INDEX_K.IX
  {
    TextDB w;
    w.setDirectory(folder_);
    ASSERT_EQ(0, w.open(kWriteShared, kMainTypes));
    ASSERT_EQ(0, w.close());
  }
  TextDB db;
  db.setDirectory(folder_);
  ASSERT_EQ(0, db.cleanUpDictionaries());
  EXPECT_TRUE(testsupport::exists(folder_ + "/IXK1.IX"));
  EXPECT_EQ(1, readHeader(folder_).pendingDictionary);
  reader.close();
  reader.unlock();
  ASSERT_EQ(0, db.cleanUpDictionaries());
  EXPECT_FALSE(testsupport::exists(folder_ + "/IXK1.IX"));
  EXPECT_EQ(0, readHeader(folder_).pendingDictionary);
}

TEST_F(TextDBTest, DeleteRefusesALockedIndexAndKeepsSettingsWhenAsked) {
  make();
  testsupport::writeFile(folder_ + "/INDEX_S.IX", "I *.txt\r\n");
  testsupport::writeFile(folder_ + "/INDEX_L.IX", "/docs\r\n");
  resum(folder_);
  testsupport::writeFile(folder_ + "/INDEXLOG.DAT", "log\r\n");
  platform::makeDirectory((folder_ + "/TMP").c_str());
  testsupport::writeFile(folder_ + "/TMP/INDEX_I.IX", "x");
  testsupport::writeFile(folder_ + "/TMP/INDEX_S.IX", "x");
  {
    TextDB w;
    w.setDirectory(folder_);
    ASSERT_EQ(0, w.lockIndex(kWriteShared));
    EXPECT_TRUE(w.isLocked());
    Status refused;
    EXPECT_EQ(-1, TextDB::deleteIndex(folder_, false, &refused));
    EXPECT_EQ(Status::Kind::kBusy, refused.kind());
    EXPECT_EQ(messages::text(74, {folder_}), refused.message());
  }
  TextDB probe;
  probe.setDirectory(folder_);
  EXPECT_FALSE(probe.isLocked());
  ASSERT_EQ(0, TextDB::deleteIndex(folder_, true));
  Snapshot left = snapshot(folder_);
  EXPECT_EQ(2u, left.size());
  EXPECT_TRUE(left.count("INDEX_S.IX") && left.count("INDEX_L.IX"));
  EXPECT_FALSE(testsupport::exists(folder_ + "/INDEX_U.IX"));
  EXPECT_FALSE(platform::directoryExists((folder_ + "/TMP").c_str()));
}

// ---- Several processes ----

TEST_F(TextDBTest, ManyReadersOneWriterAcrossProcesses) {
  make();
  int ready[2], go[2];
  ASSERT_EQ(0, pipe(ready));
  ASSERT_EQ(0, pipe(go));
  // A writer that lets searchers in holds the index until told to stop.
  pid_t writer = spawn([&] {
    TextDB db;
    db.setDirectory(folder_);
    if (db.open(kWriteShared, kMainTypes) < 0) return 1;
    char c = 'w';
    if (write(ready[1], &c, 1) != 1) return 2;
    if (read(go[0], &c, 1) != 1) return 3;
    return db.close() == 0 ? 0 : 4;
  });
  char c = 0;
  ASSERT_EQ(1, read(ready[0], &c, 1));

  std::vector<pid_t> readers;
  for (int i = 0; i < 3; ++i)
    readers.push_back(spawn([&] {
      TextDB db;
      db.setDirectory(folder_);
      if (db.open(kReadMode, kMainTypes) < 0) return 1;
      return db.docTable().getRecordCount() == 1 ? 0 : 2;
    }));
  for (pid_t r : readers) EXPECT_EQ(0, exitStatus(r));

  pid_t second = spawn([&] {
    TextDB db;
    db.setDirectory(folder_);
    if (db.open(kWriteShared, kMainTypes) == 0) return 1;
    return db.errorText() == messages::text(1, {folder_, "(Permission denied)"}) ? 0 : 2;
  });
  EXPECT_EQ(0, exitStatus(second));
  TextDB here;
  here.setDirectory(folder_);
  EXPECT_TRUE(here.isLocked());
  ASSERT_EQ(1, write(go[1], &c, 1));
  EXPECT_EQ(0, exitStatus(writer));
  EXPECT_FALSE(here.isLocked());
  for (int fd : {ready[0], ready[1], go[0], go[1]}) ::close(fd);
}

TEST_F(TextDBTest, AnExclusiveWriterKeepsReadersOut) {
  make();
  TextDB w;
  w.setDirectory(folder_);
  ASSERT_EQ(0, w.lockIndex(kWriteExclusive));
  pid_t reader = spawn([&] {
    TextDB db;
    db.setDirectory(folder_);
    return db.lockIndex(kReadMode) < 0 ? 0 : 1;
  });
  EXPECT_EQ(0, exitStatus(reader));
  ASSERT_EQ(0, w.unlock());
  TextDB r;
  r.setDirectory(folder_);
  EXPECT_EQ(0, r.lockIndex(kReadMode));
}

TEST_F(TextDBTest, ADeadWriterLeavesTheIndexUnlocked) {
  make();
  pid_t writer = spawn([&] {
    TextDB db;
    db.setDirectory(folder_);
    if (db.open(kWriteShared, kMainTypes) < 0) return 1;
    kill(getpid(), SIGKILL);
    return 2;
  });
  EXPECT_EQ(100 + SIGKILL, exitStatus(writer));
  TextDB db;
  db.setDirectory(folder_);
  EXPECT_FALSE(db.isLocked());
  ASSERT_EQ(0, db.open(kWriteShared, kMainTypes)) << db.errorText();
  EXPECT_EQ(1, db.header().inUse);
  EXPECT_EQ(0, db.header().pendingDictionary);  // the dead writer's copy was undone
  EXPECT_EQ(2, db.header().writeCount);
  ASSERT_EQ(0, db.close());
  EXPECT_EQ(0, readHeader(folder_).inUse);
  EXPECT_EQ(1, readHeader(folder_).pendingDictionary);
}
