// Tests of the word sorter and the index merge: the track layout of MERGE.TMP, one block
// per word and merge chained to older blocks, the dictionary counts, several merges and
// runs checked against an in-memory model, damaged tracks, and a merge killed at any write.
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <set>

#include "IndexDbFixture.h"
#include "index/MergeFile.h"
#include "index/RefReader.h"
#include "index/XWordSorter.h"

using namespace indextest;
using namespace indexformat;

namespace {

// word -> document -> word numbers
using Model = std::map<std::string, std::map<int32_t, std::set<int32_t>>>;

struct Chain {
  TrieValue value;
  std::vector<int32_t> ids;  // in the order read
  std::map<int32_t, std::set<int32_t>> refs;
  bool damaged = false;
};

Chain readChain(TextDB& db, const std::string& word) {
  Chain c;
  if (db.keys().find(kWordKind, word.c_str(), &c.value) < 0) return c;
  RefReader r(db.refFile());
  if (r.position(c.value.v[0]) < 0) return c;
  for (int32_t id; (id = r.nextId()) > 0;) {
    CiteTable t;
    r.readAll(t);
    c.ids.push_back(id);
    for (int32_t p : t) c.refs[id].insert(p);
  }
  c.damaged = r.damaged();
  return c;
}

int32_t citeTotal(const std::map<int32_t, std::set<int32_t>>& refs) {
  int32_t n = 0;
  for (const auto& [id, s] : refs) n += static_cast<int32_t>(s.size());
  return n;
}

std::string hex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

constexpr int32_t kIndexerReserve = 65500;

}  // namespace

class MergeTest : public IndexDbFixture {
 protected:
  void SetUp() override {
    IndexDbFixture::SetUp();
    make();
    temp_ = dir_.path();
  }
  std::string mergeName() const { return temp_ + "/MERGE.TMP"; }
  std::string temp_;
};

TEST_F(MergeTest, TrackLayoutPaddingAndEndMarker) {
  TextDB db;
  db.setDirectory(folder_);
  ASSERT_EQ(0, db.open(kWriteShared, kMainTypes));
  MergeFile mf(db, temp_, nullptr);
  ASSERT_EQ(0, mf.open());
  // A track starting at 0 with no words is aligned: a full 16 bytes of padding.
  ASSERT_EQ(0, mf.beginTrack());
  ASSERT_EQ(0, mf.endTrack());
  // "ab" in document 1 at word 1: 2 + 2 + 12 + 2 reference bytes, then 14 of padding.
  ASSERT_EQ(0, mf.beginTrack());
  ASSERT_EQ(0, mf.add("ab", 2, 1, 1));
  ASSERT_EQ(0, mf.endTrack());
  ASSERT_EQ(0, mf.flush());
  const std::string marker = "00000000" + hex("* EndTrack *") + "00";
  std::string expected = std::string(32, '0') + marker;            // 0..32
  expected += "0200" "6162" "02000000" "01000000" "01000000" "0C38"; // 33..53
  expected += std::string(2 * 13, '0') + marker;                     // pad to 64
  EXPECT_EQ(expected, hex(testsupport::readFile(mergeName())));
  EXPECT_EQ(2, mf.trackCount());
  EXPECT_EQ(mf.maxLen() - 81, mf.roomLeft());
  // The empty track adds nothing to the index; the other adds its word.
  int32_t refBytes = db.refFile().getLength();
  ASSERT_EQ(0, mf.merge(nullptr));
  EXPECT_EQ(1, db.keys().getCount(kWordKind));
  EXPECT_EQ(0, mf.trackCount());
  EXPECT_EQ(0u, testsupport::readFile(mergeName()).size());
  Chain c = readChain(db, "ab");
  EXPECT_EQ(refBytes, c.value.v[0]);
  EXPECT_EQ((std::vector<int32_t>{1}), c.ids);
  // The block: the references, the chunk end without continuation, then '*'.
  IOFile& refs = db.refFile();
  ASSERT_EQ(0, refs.flush());
  std::string all = testsupport::readFile(folder_ + "/INDEX_R.IX");
  EXPECT_EQ("0C38002A", hex(all.substr(static_cast<size_t>(refBytes))));
  ASSERT_EQ(0, db.close());
}

TEST_F(MergeTest, WordInThreeTracksGetsOneBlockNewestFirstAndChainsToOlderBlock) {
  TextDB db;
  db.setDirectory(folder_);
  ASSERT_EQ(0, db.open(kWriteShared, kMainTypes));
  MergeFile mf(db, temp_, nullptr);
  ASSERT_EQ(0, mf.open());
  for (int32_t t = 0; t < 3; ++t) {
    ASSERT_EQ(0, mf.beginTrack());
    ASSERT_EQ(0, mf.add("alpha", 5, 10 * (t + 1), 5 + t));
    ASSERT_EQ(0, mf.add("alpha", 5, 10 * (t + 1), 2));
    if (t == 1) {
      ASSERT_EQ(0, mf.add("beta", 4, 3, 1));
    }
    ASSERT_EQ(0, mf.endTrack());
  }
  ASSERT_EQ(0, mf.merge(nullptr));
  Chain first = readChain(db, "alpha");
  EXPECT_EQ((std::vector<int32_t>{30, 20, 10}), first.ids);
  EXPECT_EQ((std::set<int32_t>{7, 2}), first.refs[30]);
  EXPECT_EQ(6, first.value.v[1]);
  EXPECT_EQ(3, first.value.v[2]);
  EXPECT_EQ(2, db.keys().getCount(kWordKind));

  // A second merge: a new block whose back pointer is the first block, summed counts.
  ASSERT_EQ(0, mf.beginTrack());
  ASSERT_EQ(0, mf.add("alpha", 5, 40, 9));
  ASSERT_EQ(0, mf.endTrack());
  ASSERT_EQ(0, mf.merge(nullptr));
  Chain second = readChain(db, "alpha");
  EXPECT_GT(second.value.v[0], first.value.v[0]);
  EXPECT_EQ((std::vector<int32_t>{40, 30, 20, 10}), second.ids);
  EXPECT_EQ(7, second.value.v[1]);
  EXPECT_EQ(4, second.value.v[2]);
  EXPECT_FALSE(second.damaged);
  ASSERT_EQ(0, db.refFile().flush());
  std::string all = testsupport::readFile(folder_ + "/INDEX_R.IX");
  int32_t back = 0;
  std::memcpy(&back, all.data() + all.size() - 5, 4);
  EXPECT_EQ(first.value.v[0], back);
  EXPECT_EQ('*', all.back());
  ASSERT_EQ(0, db.close());
}

TEST_F(MergeTest, SorterOrdersNewestFirstDropsRepeatsAndStoresOneTrack) {
  TextDB db;
  db.setDirectory(folder_);
  ASSERT_EQ(0, db.open(kWriteShared, kMainTypes));
  IndexProgress progress;
  std::vector<int32_t> codes;
  IndexJobControl job;
  job.report = [&codes](IndexProgress& p) { codes.push_back(p.statusCode); };
  {
    XWordSorter sorter(db, &progress, kIndexerReserve, temp_);
    ASSERT_TRUE(sorter.good());
    EXPECT_EQ(524288, sorter.bufferBytes());
    EXPECT_EQ(524288, progress.sorterBufferBytes);
    ASSERT_EQ(0, sorter.add("word", 4, 5, 1, &job));
    ASSERT_EQ(0, sorter.add("word", 4, 5, 3, &job));
    ASSERT_EQ(0, sorter.add("word", 4, 5, 3, &job));  // same number again: stored once
    ASSERT_EQ(0, sorter.add("other", 5, 5, 2, &job));
    ASSERT_EQ(0, sorter.add("word", 4, 7, 2, &job));
    EXPECT_EQ(2, sorter.wordCount());
    EXPECT_EQ(-1, sorter.add("", 0, 7, 2, &job));
    EXPECT_EQ(-1, sorter.add("word", 4, 0, 2, &job));
    EXPECT_FALSE(sorter.mergeNeeded());
    ASSERT_EQ(0, sorter.flushAndMerge(&job));
  }
  EXPECT_FALSE(testsupport::exists(mergeName()));
  EXPECT_EQ(1, std::count(codes.begin(), codes.end(), progresscode::kSortBegin));
  EXPECT_EQ(1, std::count(codes.begin(), codes.end(), progresscode::kSortEnd));
  EXPECT_EQ(2, std::count(codes.begin(), codes.end(), progresscode::kMerging));
  EXPECT_EQ(100, progress.percentDone);
  Chain c = readChain(db, "word");
  EXPECT_EQ((std::vector<int32_t>{7, 5}), c.ids);
  EXPECT_EQ((std::set<int32_t>{1, 3}), c.refs[5]);
  EXPECT_EQ(3, c.value.v[1]);
  EXPECT_EQ(2, c.value.v[2]);
  ASSERT_EQ(0, db.close());
}

TEST_F(MergeTest, SmallLimitsForceSeveralMergesAndRunsMatchingModel) {
  std::mt19937 rng(20261208);
  std::vector<std::string> vocabulary;
  for (int i = 0; i < 300; ++i) vocabulary.push_back("w" + std::to_string(i * 7919 % 1000));
  Model model;
  int merges = 0;
  int32_t doc = 0;
  for (int run = 0; run < 2; ++run) {
    TextDB db;
    db.setDirectory(folder_);
    ASSERT_EQ(0, db.open(kWriteShared, kMainTypes));
    IndexProgress progress;
    // A 4000-byte buffer and a 60000-byte merge file: many tracks, several merges.
    XWordSorter sorter(db, &progress, XWordSorter::kBufferCeiling - 4000, temp_, 60000);
    ASSERT_TRUE(sorter.good());
    ASSERT_EQ(4000, sorter.bufferBytes());
    for (int d = 0; d < 60; ++d) {
      ++doc;
      int words = 20 + static_cast<int>(rng() % 80);
      for (int32_t n = 1; n <= words; ++n) {
        // Skewed choice, so some words occur in most documents.
        const std::string& w = vocabulary[rng() % (rng() % 2 ? 10 : vocabulary.size())];
        ASSERT_EQ(0, sorter.add(w.data(), static_cast<int>(w.size()), doc, n, nullptr));
        model[w][doc].insert(n);
        if (sorter.mergeNeeded()) {
          ASSERT_EQ(0, sorter.flushAndMerge(nullptr));
          ++merges;
        }
      }
    }
    ASSERT_EQ(0, sorter.flushAndMerge(nullptr));
    ++merges;
    db.header().documentCount = doc;
    ASSERT_EQ(0, db.close());
  }
  EXPECT_GE(merges, 4);

  TextDB db;
  db.setDirectory(folder_);
  ASSERT_EQ(0, db.open(kReadMode, kMainTypes));
  EXPECT_EQ(static_cast<int32_t>(model.size()), db.header().wordCount);
  for (const auto& [word, refs] : model) {
    Chain c = readChain(db, word);
    ASSERT_GT(c.value.v[0], 0) << word;
    EXPECT_FALSE(c.damaged) << word;
    EXPECT_TRUE(std::is_sorted(c.ids.rbegin(), c.ids.rend())) << word;
    EXPECT_EQ(refs, c.refs) << word;
    EXPECT_EQ(citeTotal(refs), c.value.v[1]) << word;
    // Also a document split between two tracks or merges counts once.
    EXPECT_EQ(static_cast<int32_t>(refs.size()), c.value.v[2]) << word;
  }
  db.close();
}

TEST_F(MergeTest, DamagedTrackFailsNamedCheckAndRollsBack) {
  const Snapshot before = snapshot(folder_);
  {
    TextDB db;
    db.setDirectory(folder_);
    ASSERT_EQ(0, db.open(kWriteShared, kMainTypes));
    MergeFile mf(db, temp_, nullptr);
    ASSERT_EQ(0, mf.open());
    ASSERT_EQ(0, mf.beginTrack());
    ASSERT_EQ(0, mf.add("aaa", 3, 2, 1));
    ASSERT_EQ(0, mf.add("bbb", 3, 2, 2));
    ASSERT_EQ(0, mf.endTrack());
    ASSERT_EQ(0, mf.flush());
    {
      // citeCount of "bbb" (offset 19 + 2 + 3 + 4) becomes 0.
      std::fstream f(mergeName(), std::ios::in | std::ios::out | std::ios::binary);
      f.seekp(19 + 2 + 3 + 4);
      f.write("\0\0\0\0", 4);
    }
    int failures = check::failureCount();
    EXPECT_EQ(-1, mf.merge(nullptr));
    EXPECT_EQ(failures + 1, check::failureCount());
    EXPECT_NE(std::string::npos, check::lastFailure().find("index/Ix_merge"));
    EXPECT_NE(std::string::npos, check::lastFailure().find("m.citeCount > 0"));
    EXPECT_TRUE(db.updateFailed());
    db.close();
  }
  EXPECT_EQ("", differences(before, snapshot(folder_)));
}

TEST_F(MergeTest, MergeKilledAtAnyWriteLeavesIndexBeforeOrAfter) {
  auto runMerge = [this](bool dieOnFailure) {
    auto step = [dieOnFailure](bool ok) {
      if (!ok && dieOnFailure) _exit(3);
      return ok;
    };
    TextDB db;
    db.setDirectory(folder_);
    if (!step(db.open(kWriteShared, kMainTypes) == 0)) return -1;
    XWordSorter sorter(db, nullptr, XWordSorter::kBufferCeiling - 600, temp_);
    if (!step(sorter.good())) return -1;
    for (int32_t d = 1; d <= 3; ++d)
      for (int32_t n = 1; n <= 12; ++n) {
        std::string w = "k" + std::to_string((n * d) % 9);
        if (!step(sorter.add(w.data(), static_cast<int>(w.size()), d, n, nullptr) == 0))
          return -1;
        if (sorter.mergeNeeded() && !step(sorter.flushAndMerge(nullptr) == 0)) return -1;
      }
    if (!step(sorter.flushAndMerge(nullptr) == 0)) return -1;
    if (!step(db.close() == 0)) return -1;
    return 0;
  };
  // An index that already holds some of the words, so blocks chain.
  ASSERT_EQ(0, runMerge(false));
  const Snapshot before = snapshot(folder_);
  pid_t child = spawn([&] {
    platform::resetIoCounters();
    if (runMerge(true) < 0) return 1;
    testsupport::writeFile(dir_.file("calls"), std::to_string(platform::ioCounters().writes));
    return 0;
  });
  ASSERT_EQ(0, exitStatus(child));
  const Snapshot after = snapshot(folder_);
  ASSERT_FALSE(before == after);
  putBack(folder_, before);
  const int total = std::stoi(testsupport::readFile(dir_.file("calls")));
  ASSERT_GT(total, 5);
  int died = 0;
  for (int n = 1; n <= total + 1; ++n) {
    pid_t c = spawn([&] {
      platform::FaultPlan plan;
      plan.failWriteAt = n;
      platform::setFaultPlan(plan);
      return runMerge(true) == 0 ? 0 : 1;
    });
    int status = exitStatus(c);
    ASSERT_TRUE(status == 0 || status == 3) << "write " << n << " status " << status;
    {
      // The next writer restores a crashed update when it opens the index.
      TextDB db;
      db.setDirectory(folder_);
      ASSERT_EQ(0, db.open(kWriteShared, kMainTypes)) << db.errorText();
      db.failUpdate();  // change nothing
      db.close();
    }
    Snapshot state = snapshot(folder_);
    bool ok = state == after || state == before;
    EXPECT_TRUE(ok) << "write " << n << ": " << differences(before, state);
    if (!ok) return;
    if (state == before) ++died;
    putBack(folder_, before);
  }
  EXPECT_GT(died, total / 2);
}

TEST_F(MergeTest, DebuggingSwitchesSkipWordsOrReferences) {
  MergeSwitches noWords;
  noWords.noWords = true;
  MergeSwitches noRefs;
  noRefs.noRefs = true;
  TextDB db;
  db.setDirectory(folder_);
  ASSERT_EQ(0, db.open(kWriteShared, kMainTypes));
  for (const MergeSwitches& s : {noWords, noRefs}) {
    MergeFile mf(db, temp_, nullptr, s);
    ASSERT_EQ(0, mf.open());
    ASSERT_EQ(0, mf.beginTrack());
    ASSERT_EQ(0, mf.add(s.noWords ? "unlisted" : "empty", s.noWords ? 8 : 5, 4, 2));
    ASSERT_EQ(0, mf.endTrack());
    ASSERT_EQ(0, mf.merge(nullptr));
  }
  EXPECT_EQ(-1, db.keys().find(kWordKind, "unlisted", nullptr));
  Chain c = readChain(db, "empty");
  EXPECT_TRUE(c.ids.empty());
  EXPECT_EQ(1, c.value.v[1]);
  ASSERT_EQ(0, db.close());
}

TEST_F(MergeTest, ImmediateAbortDiscardsTracksAndKeepsIndexUsable) {
  TextDB db;
  db.setDirectory(folder_);
  ASSERT_EQ(0, db.open(kWriteShared, kMainTypes));
  IndexProgress progress;
  int32_t cancel = 0;
  IndexJobControl job;
  job.cancelFlag = &cancel;
  // The first merge report asks to stop at once.
  job.report = [&cancel](IndexProgress& p) {
    if (p.statusCode == progresscode::kMerging) cancel = -2;
  };
  XWordSorter sorter(db, &progress, kIndexerReserve, temp_);
  ASSERT_TRUE(sorter.good());
  ASSERT_EQ(0, sorter.add("gone", 4, 1, 1, &job));
  EXPECT_EQ(-1, sorter.flushAndMerge(&job));
  EXPECT_EQ(0, sorter.mergeFile().trackCount());
  EXPECT_EQ(-1, db.keys().find(kWordKind, "gone", nullptr));
  EXPECT_FALSE(db.updateFailed());
  // With the flag already set nothing is stored at all.
  ASSERT_EQ(0, sorter.add("gone", 4, 1, 1, &job));
  EXPECT_EQ(-1, sorter.flushAndMerge(&job));
  EXPECT_EQ(0u, testsupport::readFile(mergeName()).size());
  // The sorter goes on once the job does.
  cancel = 0;
  job.report = nullptr;
  ASSERT_EQ(0, sorter.add("kept", 4, 2, 1, &job));
  ASSERT_EQ(0, sorter.flushAndMerge(&job));
  EXPECT_EQ((std::vector<int32_t>{2}), readChain(db, "kept").ids);
  ASSERT_EQ(0, db.close());
}

TEST_F(MergeTest, WordBeyondRecordLimitsIsSplitAndMergedWhole) {
  TextDB db;
  db.setDirectory(folder_);
  ASSERT_EQ(0, db.open(kWriteShared, kMainTypes));
  MergeFile mf(db, temp_, nullptr);
  ASSERT_EQ(0, mf.open());
  ASSERT_EQ(0, mf.beginTrack());
  constexpr int32_t kMany = 120000;  // more than two records' worth
  for (int32_t n = kMany; n >= 1; --n) ASSERT_EQ(0, mf.add("big", 3, 2, n));
  for (int32_t n = 5; n >= 1; --n) ASSERT_EQ(0, mf.add("big", 3, 1, n));
  ASSERT_EQ(0, mf.add("small", 5, 1, 9));
  ASSERT_EQ(0, mf.endTrack());
  ASSERT_EQ(0, mf.merge(nullptr));
  Chain c = readChain(db, "big");
  EXPECT_FALSE(c.damaged);
  ASSERT_EQ(2u, c.refs.size());
  EXPECT_EQ(static_cast<size_t>(kMany), c.refs[2].size());
  EXPECT_EQ(5u, c.refs[1].size());
  EXPECT_EQ(kMany + 5, c.value.v[1]);
  EXPECT_EQ(2, c.value.v[2]);
  EXPECT_EQ((std::set<int32_t>{9}), readChain(db, "small").refs[1]);
  ASSERT_EQ(0, db.close());
}
