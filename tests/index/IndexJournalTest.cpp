// Tests of the recovery record: an update killed at any write or sync, or by SIGKILL at any
// moment, leaves the index so that the next writer sees it exactly as before the update or
// exactly as after it; failed updates roll back in the process; damaged, torn and unarmed
// records are handled.
#include <csignal>
#include <cstring>

#include "IndexDbFixture.h"
#include "index/IndexChecksums.h"
#include "index/IndexJournal.h"
#include "objects/StringSet.h"

using namespace indextest;
using namespace indexformat;

namespace {

// One update touching every kind of change: new records, a record rewritten in place,
// dictionary keys, reference bytes appended, the filters files and the header counts.
// Returns 0 when it committed, -1 at the first failure (the caller dies there).
int runUpdate(const std::string& folder, int mode, bool dieOnFailure) {
  auto step = [dieOnFailure](bool ok) {
    if (!ok && dieOnFailure) _exit(3);
    return ok;
  };
  TextDB db;
  db.setDirectory(folder);
  if (!step(db.open(mode, kMainTypes) == 0)) return -1;
  for (int i = 0; i < 3; ++i) {
    DocInfo d;
    FoundFile f;
    f.name = "/docs/new" + std::to_string(i) + ".txt";
    f.size = 100 + i;
    d.setFromFile(f);
    d.wordCount = 10 * (i + 1);
    d.importMap = std::string(300 + i, static_cast<char>('a' + i));
    d.pathId = DocInfo::folderId(db, "/docs");
    if (!step(d.pathId > 0)) return -1;
    int32_t id = db.header().documentCount + 1;
    if (!step(d.write(db, id) == 0 && d.addName(db) == 0)) return -1;
    db.header().documentCount = id;
  }
  DocInfo old;
  if (!step(old.read(db, 1) == 0)) return -1;
  old.cancelVer = db.header().writeCount;
  if (!step(old.write(db, 1) == 0)) return -1;
  ++db.header().obsoleteCount;
  for (int i = 0; i < 40; ++i)
    if (!step(db.keys().insert(kWordKind, ("update" + std::to_string(i)).c_str(), i) == 0))
      return -1;
  IOFile& refs = db.refFile();
  std::string bytes(5000, 'r');
  if (!step(refs.seek(refs.getLength()) == 0 &&
            refs.write(bytes.data(), 5000) == 5000))
    return -1;
  StringSet inc, dirs;
  inc.add("*.new");
  dirs.add("/docs");
  if (!step(db.writeFilters(&inc, nullptr, &dirs) == 0)) return -1;
  if (!step(db.close() == 0)) return -1;
  return 0;
}

}  // namespace

class IndexJournalTest : public IndexDbFixture {
 protected:
  // An index with two documents, some words and references: the state before the update.
  void makeStartingIndex() {
    make();
    TextDB db;
    db.setDirectory(folder_);
    ASSERT_EQ(0, db.open(kWriteShared, kMainTypes));
    ASSERT_EQ(1, addDoc(db, "/docs/first.txt", 7, "map1"));
    ASSERT_EQ(2, addDoc(db, "/docs/second.txt", 9));
    for (int i = 0; i < 30; ++i)
      ASSERT_EQ(0, db.keys().insert(kWordKind, ("start" + std::to_string(i)).c_str(), i));
    IOFile& refs = db.refFile();
    ASSERT_EQ(0, refs.seek(refs.getLength()));
    ASSERT_EQ(100, refs.write(std::string(100, 's').data(), 100));
    ASSERT_EQ(0, db.close());
    ASSERT_EQ(0, db.cleanUpDictionaries());
  }

  // The bytes of the files after the update ran to its end on a copy of the index.
  Snapshot stateAfterUpdate(int mode) {
    Snapshot before = snapshot(folder_);
    pid_t child = spawn([&] { return runUpdate(folder_, mode, true) == 0 ? 0 : 1; });
    EXPECT_EQ(0, exitStatus(child));
    Snapshot after = snapshot(folder_);
    putBack(folder_, before);
    return after;
  }

  // What the next writer finds: the recovery record applied, nothing else changed.
  Snapshot recovered() {
    snapshotWithRecord_ = snapshot(folder_);
    snapshotWithRecord_["INDEX_X.IX"] = testsupport::readFile(folder_ + "/INDEX_X.IX");
    std::string reason;
    EXPECT_EQ(0, IndexJournal::restore(folder_, "INDEX_X.IX", &reason)) << reason;
    return snapshot(folder_);
  }

  Snapshot snapshotWithRecord_;

  // Why the files of the index disagree with its checksum file; empty when they agree.
  std::string checksumFault() {
    TextDB db;
    db.setDirectory(folder_);
    if (db.open(kReadMode, kHeaderFile) < 0) return db.errorText();
    IndexChecksums sums;
    std::string fault;
    if (sums.read(db.fileName(kChecksumFile), &fault) < 1) return "no checksum file " + fault;
    sums.check(db.checksumPaths(), &fault);
    return fault;
  }

  // The number of writes (or syncs) a whole update makes.
  int64_t callsOfUpdate(int mode, bool syncs) {
    Snapshot before = snapshot(folder_);
    std::string countFile = dir_.file("calls");
    pid_t child = spawn([&] {
      platform::resetIoCounters();
      if (runUpdate(folder_, mode, true) < 0) return 1;
      platform::IoCounters c = platform::ioCounters();
      testsupport::writeFile(countFile, std::to_string(syncs ? c.syncs : c.writes));
      return 0;
    });
    EXPECT_EQ(0, exitStatus(child));
    putBack(folder_, before);
    return std::stoll(testsupport::readFile(countFile));
  }

  // Kills the update at write (or sync) number 1, 2, ... past its last one, and checks the
  // state each time: before the update when it died, after it when it ran to its end.
  void crashAtEveryCall(int mode, bool syncs) {
    makeStartingIndex();
    const Snapshot before = snapshot(folder_);
    const Snapshot after = stateAfterUpdate(mode);
    ASSERT_FALSE(before == after);
    const int64_t total = callsOfUpdate(mode, syncs);
    ASSERT_GT(total, 5);
    int died = 0;
    for (int n = 1; n <= total + 1; ++n) {
      pid_t child = spawn([&] {
        platform::FaultPlan plan;
        (syncs ? plan.failSyncAt : plan.failWriteAt) = n;
        platform::setFaultPlan(plan);
        return runUpdate(folder_, mode, true) == 0 ? 0 : 1;
      });
      int status = exitStatus(child);
      ASSERT_TRUE(status == 0 || status == 3) << "call " << n << " status " << status;
      Snapshot state = recovered();
      // Completed: after. Died: before, or after when it died once the update was final.
      bool ok = state == after || (status == 3 && state == before);
      EXPECT_TRUE(ok) << "call " << n << (status ? " died: " : " completed: ")
                      << differences(status ? before : after, state);
      if (!ok) return;
      // Whichever it is, the checksum file describes it.
      EXPECT_EQ("", checksumFault()) << "call " << n;
      if (state == before) ++died;
      if (status == 3) {
        // The next writer's own open restores the same state and works normally.
        putBack(folder_, snapshotWithRecord_);
        TextDB db;
        db.setDirectory(folder_);
        ASSERT_EQ(0, db.open(kWriteShared, kMainTypes)) << db.errorText();
        EXPECT_EQ(state == before ? 2 : 5, db.header().documentCount);
        db.close();
      }
      putBack(folder_, before);
    }
    EXPECT_GT(died, total / 2);
  }
};

TEST_F(IndexJournalTest, UpdateKilledAtAnyWriteIsUndoneExactly) {
  crashAtEveryCall(kWriteShared, false);
}

TEST_F(IndexJournalTest, UpdateKilledAtAnySyncIsUndoneExactly) {
  crashAtEveryCall(kWriteShared, true);
}

TEST_F(IndexJournalTest, ExclusiveUpdateInPlaceKilledAtAnyWriteIsUndoneExactly) {
  crashAtEveryCall(kWriteExclusive, false);
}

TEST_F(IndexJournalTest, UpdateKilledBySignalAtAnyMomentIsBeforeOrAfter) {
  makeStartingIndex();
  const Snapshot before = snapshot(folder_);
  const Snapshot after = stateAfterUpdate(kWriteShared);
  int sawBefore = 0, sawAfter = 0;
  for (int i = 0; i < 30; ++i) {
    pid_t child = spawn([&] {
      runUpdate(folder_, kWriteShared, true);
      for (;;) pause();  // done: wait to be killed
      return 0;
    });
    usleep(static_cast<useconds_t>(500 * i));
    kill(child, SIGKILL);
    exitStatus(child);
    // The next writer's open restores the record.
    {
      TextDB db;
      db.setDirectory(folder_);
      std::string reason;
      ASSERT_EQ(0, IndexJournal::restore(folder_, "INDEX_X.IX", &reason)) << reason;
    }
    Snapshot state = snapshot(folder_);
    if (state == before) ++sawBefore;
    else if (state == after) ++sawAfter;
    else ADD_FAILURE() << "kill after " << 500 * i << "us: " << differences(before, state);
    putBack(folder_, before);
  }
  EXPECT_GT(sawBefore, 0);
}

TEST_F(IndexJournalTest, AReaderAfterACrashSeesTheIndexAsBeforeTheUpdate) {
  makeStartingIndex();
  const Snapshot before = snapshot(folder_);
  // A writer dies in the middle of its update.
  pid_t child = spawn([&] {
    TextDB db;
    db.setDirectory(folder_);
    if (db.open(kWriteExclusive, kMainTypes) < 0) return 1;
    DocInfo d;
    if (d.read(db, 1) < 0) return 2;
    d.cancelVer = db.header().writeCount;
    if (d.write(db, 1) < 0 || db.docTable().close() < 0) return 3;
    kill(getpid(), SIGKILL);
    return 4;
  });
  ASSERT_EQ(100 + SIGKILL, exitStatus(child));
  ASSERT_FALSE(before == snapshot(folder_));
  TextDB reader;
  reader.setDirectory(folder_);
  ASSERT_EQ(0, reader.open(kReadMode, kMainTypes)) << reader.errorText();
  EXPECT_TRUE(before == snapshot(folder_)) << differences(before, snapshot(folder_));
  EXPECT_EQ(3, reader.docTable().getRecordCount());
  DocInfo d;
  ASSERT_EQ(0, d.read(reader, 1));
  EXPECT_FALSE(d.cancelled);
}

TEST_F(IndexJournalTest, AFailedUpdateIsRolledBackWhenClosed) {
  makeStartingIndex();
  const Snapshot before = snapshot(folder_);
  {
    TextDB db;
    db.setDirectory(folder_);
    ASSERT_EQ(0, db.open(kWriteShared, kMainTypes));
    ASSERT_EQ(3, addDoc(db, "/docs/third.txt", 3));
    db.failUpdate();
    EXPECT_EQ(-1, db.close());
    EXPECT_EQ(2, db.header().documentCount);  // the header as it was
  }
  EXPECT_TRUE(before == snapshot(folder_)) << differences(before, snapshot(folder_));
  EXPECT_EQ("", testsupport::readFile(folder_ + "/INDEX_X.IX"));
}

TEST_F(IndexJournalTest, AnUpdateAbandonedWithoutCloseIsRolledBack) {
  makeStartingIndex();
  const Snapshot before = snapshot(folder_);
  {
    TextDB db;
    db.setDirectory(folder_);
    ASSERT_EQ(0, db.open(kWriteShared, kMainTypes));
    ASSERT_EQ(3, addDoc(db, "/docs/third.txt", 3));
  }
  EXPECT_TRUE(traced("TextDB::~TextDB -- update of " + folder_ + " abandoned"));
  EXPECT_TRUE(before == snapshot(folder_)) << differences(before, snapshot(folder_));
}

TEST_F(IndexJournalTest, DamagedRecordRefusesTheIndexButTornTailsAndUnarmedRecordsDoNot) {
  makeStartingIndex();
  const Snapshot before = snapshot(folder_);
  // Leave an armed record behind: a writer that dies right after its lock.
  pid_t child = spawn([&] {
    TextDB db;
    db.setDirectory(folder_);
    if (db.open(kWriteShared, kMainTypes) < 0) return 1;
    _exit(0);
  });
  ASSERT_EQ(0, exitStatus(child));
  const std::string record = testsupport::readFile(folder_ + "/INDEX_X.IX");
  ASSERT_GT(record.size(), 100u);
  const Snapshot crashed = snapshot(folder_);

  // A torn entry appended at the end is ignored.
  testsupport::writeFile(folder_ + "/INDEX_X.IX", record + std::string("I\x05junk", 7));
  EXPECT_TRUE(before == recovered());

  // A flipped byte inside the saved states is damage: readers and writers are refused.
  putBack(folder_, crashed);
  std::string bad = record;
  bad[60] = static_cast<char>(bad[60] ^ 1);
  testsupport::writeFile(folder_ + "/INDEX_X.IX", bad);
  // The writer died before changing a file, so the files agree with their checksums: a
  // reader may open the index; a writer may not, and neither may a reader once a file differs.
  const std::string refused = messages::text(
      1, {folder_, "(the index is damaged: the recovery record is damaged (saved states); verify it, then rebuild it)"});
  {
    TextDB db;
    db.setDirectory(folder_);
    EXPECT_EQ(0, db.lockIndex(kReadMode)) << db.errorText();
    EXPECT_EQ(0, db.unlock());
    EXPECT_TRUE(traced("WARNING TextDB: the recovery record of " + folder_ + " is damaged"));
  }
  {
    TextDB db;
    db.setDirectory(folder_);
    EXPECT_EQ(-1, db.lockIndex(kWriteShared));
    EXPECT_EQ(refused, db.errorText());
    EXPECT_EQ(Status::Kind::kDamaged, db.status().kind());
  }
  testsupport::writeFile(folder_ + "/INDEX_DI.IX", testsupport::readFile(folder_ + "/INDEX_DI.IX") + "x");
  {
    TextDB db;
    db.setDirectory(folder_);
    EXPECT_EQ(-1, db.lockIndex(kReadMode));
    EXPECT_EQ(refused, db.errorText());
  }
  // Cut anywhere, the record never crashes the reader.
  for (size_t n = 0; n < record.size(); n += 13) {
    testsupport::writeFile(folder_ + "/INDEX_X.IX", record.substr(0, n));
    std::vector<JournalEntry> entries;
    std::string reason;
    IndexJournal::load(folder_, "INDEX_X.IX", &entries, &reason);
  }
  // A record whose magic never reached the disk protects nothing and is dropped (the writer
  // died arming it, before it marked the header).
  putBack(folder_, before);
  std::string unarmed = record;
  std::memset(unarmed.data(), 0, 8);
  testsupport::writeFile(folder_ + "/INDEX_X.IX", unarmed);
  TextDB db;
  db.setDirectory(folder_);
  ASSERT_EQ(0, db.lockIndex(kWriteShared)) << db.errorText();
  ASSERT_EQ(0, db.unlock());
}

TEST_F(IndexJournalTest, EntriesNamingFilesOutsideTheFolderAreDamage) {
  make();
  IndexJournal j;
  JournalEntry e;
  e.kind = JournalEntry::kWhole;
  e.name = "../escape";
  e.length = 1;
  e.bytes = "x";
  EXPECT_EQ(-1, j.begin(folder_, "INDEX_X.IX", {e}));
  EXPECT_FALSE(j.isArmed());
}

TEST_F(IndexJournalTest, ALongerWriteAtASavedPlaceIsSavedAgainAndRestoredWhole) {
  make();
  const std::string name = folder_ + "/F.IX";
  testsupport::writeFile(name, "0123456789");
  IndexJournal j;
  ASSERT_EQ(0, j.begin(folder_, "INDEX_X.IX", {}));
  JournalEntry e;
  ASSERT_FALSE(j.alreadySaved("F.IX", 2, 3));
  ASSERT_EQ(0, IndexJournal::imageOf(folder_, "F.IX", 2, 3, &e));
  ASSERT_EQ(0, j.append(e));
  testsupport::writeFile(name, "01abc56789");
  EXPECT_TRUE(j.alreadySaved("F.IX", 2, 2));
  ASSERT_FALSE(j.alreadySaved("F.IX", 2, 6));
  ASSERT_EQ(0, IndexJournal::imageOf(folder_, "F.IX", 2, 6, &e));
  ASSERT_EQ(0, j.append(e));
  testsupport::writeFile(name, "01ABCDEF89");
  j.abandon();
  std::string reason;
  ASSERT_EQ(0, IndexJournal::restore(folder_, "INDEX_X.IX", &reason)) << reason;
  EXPECT_EQ("0123456789", testsupport::readFile(name));
}

TEST_F(IndexJournalTest, AnOldLengthCoversOnlyWhatIsWrittenPastIt) {
  make();
  testsupport::writeFile(folder_ + "/G.IX", "0123456789");
  JournalEntry length;
  ASSERT_EQ(0, IndexJournal::lengthOf(folder_, "G.IX", &length));
  JournalEntry absent;
  ASSERT_EQ(0, IndexJournal::lengthOf(folder_, "NEW.IX", &absent));
  IndexJournal j;
  ASSERT_EQ(0, j.begin(folder_, "INDEX_X.IX", {length, absent}));
  EXPECT_TRUE(j.alreadySaved("G.IX", 10, 5)) << "appended bytes: the length undoes them";
  EXPECT_FALSE(j.alreadySaved("G.IX", 4, 2)) << "a change in place needs its own image";
  EXPECT_TRUE(j.alreadySaved("NEW.IX", 0, 100)) << "a new file is deleted whole";
  j.abandon();
}
