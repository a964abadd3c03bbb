// Index jobs end to end on small folders: which files are (re)indexed, how words are
// numbered, how the two kinds of abort leave the index, and a run of many jobs with many
// merges checked word by word against a model of the documents.
#include <sys/stat.h>
#include <utime.h>

#include <map>
#include <random>
#include <sstream>
#include <set>

#include "IndexDbFixture.h"
#include "IndexJobHelpers.h"
#include "import/BuiltinViewers.h"
#include "import/ViewerTable.h"
#include "index/IdConversion.h"
#include "index/IndexJob.h"
#include "index/Indexer.h"
#include "index/RefReader.h"
#include "index/Verifier.h"

using namespace indextest;
using namespace indexformat;

namespace {

using Refs = std::map<int32_t, std::set<int32_t>>;  // document -> word numbers

void setModTime(const std::string& name, std::time_t t) {
  struct utimbuf times{t, t};
  ASSERT_EQ(0, utime(name.c_str(), &times));
}

struct Cancel {
  int afterDocs = -1;   // set the flag when this many documents are done
  int32_t flag = 0;
  int32_t jobFlag = 0;  // the job's cancel flag
};

IndexJobControl cancelling(Cancel* c) {
  IndexJobControl control;
  control.cancelFlag = &c->jobFlag;
  control.report = [c](IndexProgress& p) {
    if (c->afterDocs >= 0 && p.statusCode == 3009 && p.filesIndexed >= c->afterDocs) c->jobFlag = c->flag;
  };
  return control;
}

class IndexJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    builtinviewers::registerAll(viewers_);
    settings_.viewers = &viewers_;
    settings_.noiseFile = testsupport::sourcePath("data/LEXAURUM.NOI");
    docs_ = dir_.file("docs");
    index_ = dir_.file("ix");
    platform::makeDirectories(docs_.c_str());
  }

  // Every index a test leaves behind must verify.
  void TearDown() override {
    if (!testsupport::exists(index_ + "/INDEX_I.IX")) return;
    Verifier v;
    EXPECT_EQ(0, v.verify(index_)) << v.failure();
  }

  std::string doc(const std::string& name, const std::string& text) {
    std::string path = docs_ + "/" + name;
    testsupport::writeFile(path, text);
    return path;
  }

  int run(bool create, Cancel* cancel = nullptr, bool removeDeleted = false) {
    IndexJob j(addJob(index_, docs_, create, removeDeleted), cancel ? cancelling(cancel) : IndexJobControl(),
               settings_);
    return j.run();
  }

  // Every reference of `word`, all blocks of its chain.
  Refs refs(const std::string& word) {
    bool damaged = false;
    Refs out = wordRefs(index_, word, &damaged);
    EXPECT_FALSE(damaged) << word;
    return out;
  }

  // Retires the dictionary copy the last update left pending, as the next update would do
  // first, so that snapshots taken now compare with the state after an undone update.
  void settleDictionary() {
    TextDB db;
    db.setDirectory(index_);
    ASSERT_EQ(0, db.cleanUpDictionaries());
  }

  IndexHeader header() {
    TextDB db;
    db.setDirectory(index_);
    EXPECT_EQ(0, db.open(kReadMode, kHeaderFile));
    return db.header();
  }

  bool cancelled(int32_t id) {
    TextDB db;
    db.setDirectory(index_);
    EXPECT_EQ(0, db.open(kReadMode, kMainTypes));
    DocInfo d;
    EXPECT_EQ(0, d.read(db, id, false));
    return d.cancelled;
  }

  testsupport::TempDir dir_;
  ViewerTable viewers_;
  IndexJobSettings settings_;
  std::string docs_, index_;
};

}  // namespace

TEST_F(IndexJobTest, ModificationDateNotSizeDecidesReindexing) {
  std::string a = doc("a.txt", "alpha one\n");
  std::string b = doc("b.txt", "beta one\n");
  setModTime(a, 1700000000);
  setModTime(b, 1700000000);
  ASSERT_EQ(0, run(true));
  ASSERT_EQ(2, header().documentCount);

  testsupport::writeFile(a, "gamma one\n");   // same size, new date
  setModTime(a, 1700000100);
  testsupport::writeFile(b, "beta one two\n");  // new size, old date
  setModTime(b, 1700000000);
  ASSERT_EQ(0, run(false));

  IndexHeader h = header();
  EXPECT_EQ(3, h.documentCount);
  EXPECT_EQ(1, h.obsoleteCount);
  EXPECT_TRUE(cancelled(1));
  EXPECT_FALSE(cancelled(2));
  EXPECT_EQ((Refs{{3, {1}}}), refs("gamma"));
  EXPECT_TRUE(refs("two").empty());
  // A further run finds nothing to do.
  ASSERT_EQ(0, run(false));
  EXPECT_EQ(3, header().documentCount);
}

TEST_F(IndexJobTest, NumberingFieldWordsNoiseGapsAndNumberWords) {
  doc("a.txt", "Harbour and quay 1996 3rd\n");
  doc("b.txt", "!!! ... ???\n");
  ASSERT_EQ(0, run(true));
  // "and" is a noise word: "quay" keeps number 3.
  EXPECT_EQ((Refs{{1, {1}}}), refs("harbour"));
  EXPECT_TRUE(refs("and").empty());
  EXPECT_EQ((Refs{{1, {3}}}), refs("quay"));
  EXPECT_EQ((Refs{{1, {4}}}), refs("1996"));
  EXPECT_EQ((Refs{{1, {4}}}), refs("!i000007cc"));
  EXPECT_EQ((Refs{{1, {5}}}), refs("!i00000003"));
  EXPECT_EQ((Refs{{1, {5}}}), refs("3rd"));
  EXPECT_EQ((Refs{{1, {1}}, {2, {1}}}), refs("xfirstword"));
  EXPECT_EQ((Refs{{1, {5}}, {2, {1}}}), refs("xlastword"));
  EXPECT_EQ((Refs{{1, {1}}}), refs("xname=a"));

  settings_.indexNumbers = false;
  doc("c.txt", "Pier 1996 3rd\n");
  ASSERT_EQ(0, run(false));
  EXPECT_EQ((Refs{{1, {4}}}), refs("1996"));
  EXPECT_EQ((Refs{{1, {5}}}), refs("3rd"));
  EXPECT_EQ((Refs{{3, {1}}}), refs("pier"));
  EXPECT_EQ((Refs{{1, {4}}}), refs("!i000007cc"));
  EXPECT_EQ((Refs{{1, {5}}, {2, {1}}, {3, {3}}}), refs("xlastword"));
}

TEST_F(IndexJobTest, ImmediateAbortKeepsNothingSaveAbortKeepsFinishedDocuments) {
  doc("a.txt", "first words\n");
  ASSERT_EQ(0, run(true));
  settleDictionary();
  const Snapshot before = snapshot(index_);
  for (const char* n : {"b.txt", "c.txt", "d.txt"}) doc(n, std::string("anchor ") + n + "\n");

  Cancel immediate{1, Indexer::kImmediate};
  EXPECT_EQ(-1, run(false, &immediate));
  Snapshot after = snapshot(index_);
  after.erase(kLogName);  // the log tells of the aborted run
  Snapshot expected = before;
  expected.erase(kLogName);
  EXPECT_EQ("", differences(expected, after));
  EXPECT_TRUE(refs("anchor").empty());

  Cancel save{1, -1};
  EXPECT_EQ(0, run(false, &save));
  EXPECT_EQ(2, header().documentCount);
  EXPECT_EQ((Refs{{2, {1}}}), refs("anchor"));
  // The rest comes with the next run.
  ASSERT_EQ(0, run(false));
  EXPECT_EQ((Refs{{2, {1}}, {3, {1}}, {4, {1}}}), refs("anchor"));
}

TEST_F(IndexJobTest, VanishedFilesAreCancelledWhenAsked) {
  std::string a = doc("a.txt", "keep\n");
  std::string b = doc("b.txt", "gone\n");
  ASSERT_EQ(0, run(true));
  platform::removeFile(b.c_str());
  ASSERT_EQ(0, run(false));
  EXPECT_FALSE(cancelled(2));
  ASSERT_EQ(0, run(false, nullptr, true));
  EXPECT_TRUE(cancelled(2));
  EXPECT_FALSE(cancelled(1));
  EXPECT_EQ(1, header().obsoleteCount);
}

TEST_F(IndexJobTest, ManyMergesOverManyJobsMatchAModel) {
  // A 4000-byte sorter buffer and the smallest merge file: many tracks and merges per job.
  settings_.sorterReserve = XWordSorter::kBufferCeiling - 4000;
  settings_.maxMergeBytes = 1;
  std::mt19937 rng(8);
  std::map<std::string, std::string> textOf;
  std::map<std::string, Refs> model;
  int32_t known = 0;
  for (int jobNo = 0; jobNo < 4; ++jobNo) {
    for (int k = 0; k < 12; ++k) {
      std::string name = "f" + std::to_string(rng() % 30) + ".txt";
      std::string text;
      int words = 5 + static_cast<int>(rng() % 150);
      for (int w = 0; w < words; ++w) {
        text += "q";  // no noise word begins with q
        text += static_cast<char>('a' + rng() % 26);
        text += static_cast<char>('a' + rng() % (rng() % 2 ? 3 : 26));
        text += w % 9 == 8 ? "\n" : " ";
      }
      setModTime(doc(name, text), 1700000000 + jobNo * 100 + k);
      textOf[docs_ + "/" + name] = text;
    }
    ASSERT_EQ(0, run(jobNo == 0));
    // The documents this job added, with the text their files had.
    TextDB db;
    db.setDirectory(index_);
    ASSERT_EQ(0, db.open(kReadMode, kMainTypes));
    for (int32_t id = known + 1; id <= db.header().documentCount; ++id) {
      DocInfo d;
      ASSERT_EQ(0, d.read(db, id, false));
      std::istringstream words(textOf[d.fileName]);
      int32_t n = 0;
      for (std::string w; words >> w;) model[w][id].insert(++n);
    }
    known = db.header().documentCount;
  }
  ASSERT_GT(known, 30);
  for (const auto& [word, expected] : model) EXPECT_EQ(expected, refs(word)) << word;
}

TEST_F(IndexJobTest, ReaderKeepsReadingWhileUpdatesRun) {
  for (int k = 0; k < 20; ++k) doc("a" + std::to_string(k) + ".txt", "common first batch " + std::to_string(k) + "\n");
  ASSERT_EQ(0, run(true));
  int pipeFd[2];
  ASSERT_EQ(0, pipe(pipeFd));
  // The reader walks the whole index again and again: every document record, every word
  // and every reference; it ends when it sees all 60 documents or after 60 s.
  pid_t reader = spawn([&] {
    close(pipeFd[0]);
    int errors = 0;
    bool told = false;
    for (int round = 0; round < 100000; ++round) {
      TextDB db;
      db.setDirectory(index_);
      if (db.open(kReadMode, kMainTypes) < 0) {
        ++errors;
        continue;
      }
      const int32_t count = db.header().documentCount;
      for (int32_t id = 1; id <= count; ++id) {
        DocInfo d;
        if (d.read(db, id, false) < 0) ++errors;
      }
      KeyFile& keys = db.keys();
      if (keys.first(kWordKind) == 0) {
        do {
          if (keys.getKind() != kWordKind) break;
          TrieValue v;
          if (keys.getValue(&v) < 0) ++errors;
          if (v.v[0] == 0) continue;
          RefReader r(db.refFile());
          if (r.position(v.v[0]) < 0) ++errors;
          for (int32_t id; (id = r.nextId()) > 0;) {
            CiteTable t;
            r.readAll(t);
            if (id > count) ++errors;
          }
          if (r.damaged()) ++errors;
        } while (keys.next() == 0);
      }
      if (!told) {
        told = true;
        (void)!write(pipeFd[1], "r", 1);  // the first round is done: let the writer start
      }
      if (count == 60) return errors == 0 ? 0 : 1;
    }
    return 2;
  });
  close(pipeFd[1]);
  char c;
  ASSERT_EQ(1, read(pipeFd[0], &c, 1));
  close(pipeFd[0]);
  for (int batch = 1; batch <= 2; ++batch) {
    for (int k = 0; k < 20; ++k)
      doc("b" + std::to_string(batch) + "_" + std::to_string(k) + ".txt",
          "common later batch " + std::to_string(batch * 100 + k) + "\n");
    ASSERT_EQ(0, run(false));
  }
  int status = 0;
  ASSERT_EQ(reader, waitpid(reader, &status, 0));
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status)) << "1: read errors, 2: the new documents never appeared";
}

TEST_F(IndexJobTest, FailedWriteAnywhereLeavesTheIndexAsBefore) {
  doc("a.txt", "first words\n");
  ASSERT_EQ(0, run(true));
  for (int k = 0; k < 6; ++k) doc("n" + std::to_string(k) + ".txt", "later words " + std::to_string(k) + "\n");
  settleDictionary();
  Snapshot before = snapshot(index_);
  before.erase(kLogName);
  int failures = 0, passes = 0;
  // Every write of the job in turn, until the job makes no more writes to fail.
  for (int at = 1; at < 200 && passes < 2; ++at) {
    putBack(index_, before);
    platform::FaultPlan plan;
    plan.failWriteAt = at;
    platform::setFaultPlan(plan);
    int rc = run(false);
    platform::clearFaultPlan();
    if (rc < 0) {
      ++failures;
      Snapshot now = snapshot(index_);
      now.erase(kLogName);
      EXPECT_EQ("", differences(before, now)) << "write " << at;
    } else {
      ++passes;
      EXPECT_EQ(7, header().documentCount) << "write " << at;
    }
    ASSERT_EQ(0, run(false)) << "write " << at;
    settleDictionary();
    EXPECT_EQ(7, header().documentCount) << "write " << at;
    EXPECT_EQ(6, static_cast<int>(refs("later").size())) << "write " << at;
  }
  EXPECT_GT(failures, 5);
}

TEST(IdConversionTest, RenumbersSurvivorsWithAnyIncrement) {
  IdConversion small({false, false, true, false, true, false});  // 2 and 4 cancelled
  EXPECT_EQ(1, small.convert(1));
  EXPECT_EQ(0, small.convert(2));
  EXPECT_EQ(2, small.convert(3));
  EXPECT_EQ(0, small.convert(4));
  EXPECT_EQ(3, small.convert(5));
  EXPECT_EQ(3, small.survivors());
  // A table far smaller than the ids: the increment grows, the answers stay a plain count.
  std::mt19937 rng(5);
  std::vector<bool> cancelled(70001);
  for (size_t i = 1; i < cancelled.size(); ++i) cancelled[i] = rng() % 3 == 0;
  IdConversion big(cancelled);
  EXPECT_GT(big.increment(), 1);
  std::string text, mismatch;
  EXPECT_TRUE(big.verify(&text, &mismatch)) << mismatch;
  IdConversion tiny(cancelled, 4000);
  EXPECT_TRUE(tiny.verify(&text, &mismatch)) << mismatch;
}

TEST_F(IndexJobTest, CompressionKeepsLiveReferencesUnderNewIds) {
  settings_.sorterReserve = XWordSorter::kBufferCeiling - 4000;  // many merges
  std::string a = doc("a.txt", "shared alpha only\n");
  doc("b.txt", "shared beta\n");
  doc("c.txt", "shared gamma gamma\n");
  ASSERT_EQ(0, run(true));
  testsupport::writeFile(a, "shared delta\n");  // a re-indexed: id 1 cancelled, new id 4
  setModTime(a, 1800000000);
  platform::removeFile((docs_ + "/b.txt").c_str());  // b vanished: id 2 cancelled
  ASSERT_EQ(0, run(false, nullptr, true));
  EXPECT_EQ((Refs{{1, {1}}, {2, {1}}, {3, {1}}, {4, {1}}}), refs("shared"));

  IndexJob compressing(compressJob(index_), IndexJobControl(), settings_);
  ASSERT_EQ(0, compressing.run());
  IndexHeader h = header();
  EXPECT_EQ(2, h.documentCount);
  EXPECT_EQ(0, h.obsoleteCount);
  EXPECT_NE(0, h.compressed);
  // c (3) becomes 1, the new a (4) becomes 2; words of cancelled documents only are gone.
  EXPECT_EQ((Refs{{1, {1}}, {2, {1}}}), refs("shared"));
  EXPECT_EQ((Refs{{1, {2, 3}}}), refs("gamma"));
  EXPECT_EQ((Refs{{2, {2}}}), refs("delta"));
  EXPECT_TRUE(refs("alpha").empty());
  EXPECT_TRUE(refs("beta").empty());
  EXPECT_FALSE(cancelled(1));
  TextDB db;
  db.setDirectory(index_);
  ASSERT_EQ(0, db.open(kReadMode, kMainTypes));
  DocInfo d;
  ASSERT_EQ(0, d.findByName(db, a));
  EXPECT_EQ(2, d.docId);
  EXPECT_NE(0, d.findByName(db, docs_ + "/b.txt"));
  TrieValue v;
  ASSERT_EQ(0, db.keys().find(kWordKind, "shared", &v));
  EXPECT_EQ(2, v.v[1]);
  EXPECT_EQ(2, v.v[2]);
  db.close();
  // The index goes on being updated after compression.
  doc("e.txt", "shared epsilon\n");
  ASSERT_EQ(0, run(false));
  EXPECT_EQ((Refs{{1, {1}}, {2, {1}}, {3, {1}}}), refs("shared"));
}

TEST_F(IndexJobTest, VerificationFindsFaultsAndSurvivesDamage) {
  settings_.sorterReserve = XWordSorter::kBufferCeiling - 4000;
  for (int k = 0; k < 12; ++k)
    doc("d" + std::to_string(k) + ".txt", "pier " + std::to_string(k) + " harbour quay tide pilot crane " +
                                              std::string(static_cast<size_t>(k), 'x') + "\n");
  ASSERT_EQ(0, run(true));
  // A second update: its checksums continue those of the reference file's old bytes.
  doc("d12.txt", "pier ferry\n");
  ASSERT_EQ(0, run(false));
  Verifier v;
  ASSERT_EQ(0, v.verify(index_)) << v.failure();
  EXPECT_EQ("", v.note());
  const Snapshot good = snapshot(index_);

  // A document count below the ids the references hold, committed (with its checksums) by a
  // writer: the structure checks still find it.
  {
    TextDB db;
    db.setDirectory(index_);
    ASSERT_EQ(0, db.lockIndex(kWriteShared));
    db.header().documentCount = 5;
    ASSERT_EQ(0, db.unlock());
  }
  EXPECT_EQ(-1, v.verify(index_));
  EXPECT_NE(std::string::npos, v.failure().find("id > docCount")) << v.failure();
  putBack(index_, good);

  // One flipped byte at a time in every file the checksums cover and in the checksum file
  // itself: always a fault or a refused open, never a crash, a hang or a clean pass.
  std::vector<std::string> covered = {"INDEX_C.IX"};
  {
    TextDB db;
    db.setDirectory(index_);
    ASSERT_EQ(0, db.open(kReadMode, kHeaderFile));
    for (const std::string& path : db.checksumPaths())
      if (testsupport::exists(path)) covered.push_back(path.substr(index_.size() + 1));
  }
  ASSERT_EQ(10u, covered.size());  // C, I, O, N, S (empty), L, D, DI, the dictionary, R
  std::mt19937 rng(59);
  int flips = 0;
  for (const std::string& name : covered) {
    const std::string path = index_ + "/" + name;
    const std::string& bytes = good.at(name);
    for (int k = 0; k < 16 && !bytes.empty(); ++k) {
      std::string damaged = bytes;
      size_t at = k == 0 ? 0 : k == 1 ? bytes.size() - 1 : rng() % bytes.size();
      damaged[at] ^= static_cast<char>(1 + rng() % 255);
      testsupport::writeFile(path, damaged);
      ++flips;
      EXPECT_EQ(-1, v.verify(index_)) << name << " byte " << at << " flipped passed";
      EXPECT_FALSE(v.failure().empty());
      testsupport::writeFile(path, bytes);
    }
  }
  EXPECT_EQ(9 * 16, flips);
  // A byte more or less is a fault too, and one names the file.
  testsupport::writeFile(index_ + "/INDEX_R.IX", good.at("INDEX_R.IX") + "*");
  EXPECT_EQ(-1, v.verify(index_));
  EXPECT_NE(std::string::npos, v.failure().find("INDEX_R.IX")) << v.failure();
  testsupport::writeFile(index_ + "/INDEX_C.IX", good.at("INDEX_C.IX").substr(1));
  EXPECT_EQ(-1, v.verify(index_));
  EXPECT_NE(std::string::npos, v.failure().find("INDEX_C.IX is damaged")) << v.failure();
  putBack(index_, good);

  // An index made before there were checksum files verifies by its structure, says so, and
  // gets a checksum file from its next update.
  platform::removeFile((index_ + "/INDEX_C.IX").c_str());
  ASSERT_EQ(0, v.verify(index_)) << v.failure();
  EXPECT_NE(std::string::npos, v.note().find("no checksum file")) << v.note();
  doc("d13.txt", "pier sloop\n");
  ASSERT_EQ(0, run(false));
  EXPECT_TRUE(testsupport::exists(index_ + "/INDEX_C.IX"));
  ASSERT_EQ(0, v.verify(index_)) << v.failure();
  EXPECT_EQ("", v.note());

  // While a writer is at work the files run ahead of their checksums: that is no fault.
  {
    TextDB db;
    db.setDirectory(index_);
    ASSERT_EQ(0, db.open(kWriteShared, kMainTypes));
    ASSERT_EQ(0, db.keys().insert(kWordKind, "zzzunfinished", TrieValue{}));
    EXPECT_EQ(0, v.verify(index_)) << v.failure();
    EXPECT_NE(std::string::npos, v.note().find("being updated")) << v.note();
    db.failUpdate();
  }
}

TEST_F(IndexJobTest, CompressionKeepsEveryLiveDocumentsWordsAndPositions) {
  settings_.sorterReserve = XWordSorter::kBufferCeiling - 4000;
  std::mt19937 rng(17);
  auto write = [&](int file, int stamp) {
    std::string text;
    for (int w = 0, n = 10 + static_cast<int>(rng() % 80); w < n; ++w)
      text += "k" + std::to_string(rng() % 40) + (w % 7 == 6 ? "\n" : " ");
    setModTime(doc("g" + std::to_string(file) + ".txt", text), 1700000000 + stamp);
  };
  for (int f = 0; f < 25; ++f) write(f, f);
  ASSERT_EQ(0, run(true));
  for (int round = 1; round <= 4; ++round) {
    for (int k = 0; k < 6; ++k) write(static_cast<int>(rng() % 30), 1000 * round + k);
    platform::removeFile((docs_ + "/g" + std::to_string(rng() % 30) + ".txt").c_str());
    ASSERT_EQ(0, run(false, nullptr, true));
  }
  // What a search can see: for every word, the live documents (by name) and their positions.
  auto visible = [&] {
    std::map<std::string, std::map<std::string, std::set<int32_t>>> out;
    TextDB db;
    db.setDirectory(index_);
    EXPECT_EQ(0, db.open(kReadMode, kMainTypes));
    std::map<int32_t, std::string> live;
    for (int32_t id = 1; id <= db.header().documentCount; ++id) {
      DocInfo d;
      EXPECT_EQ(0, d.read(db, id, false));
      if (!d.cancelled) live[id] = d.fileName;
    }
    db.close();
    for (int w = 0; w < 40; ++w) {
      std::string word = "k" + std::to_string(w);
      for (const auto& [id, cites] : refs(word))
        if (live.count(id)) out[word][live[id]] = cites;
    }
    return out;
  };
  const auto before = visible();
  ASSERT_GT(header().obsoleteCount, 5);
  IndexJob compressing(compressJob(index_), IndexJobControl(), settings_);
  ASSERT_EQ(0, compressing.run());
  EXPECT_EQ(0, header().obsoleteCount);
  EXPECT_EQ(before, visible());
}
