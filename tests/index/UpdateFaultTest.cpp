// A full disk or an I/O error at any one write or sync of an update or a compression: the job
// fails and the index answers every word exactly as before, or the job succeeds and the
// index answers as a clean run's. The index is large enough that the key file's page cache
// writes pages back in the middle of the merge, where a failed write once went unnoticed and
// a word lost the documents of its earlier updates.
#include <utime.h>

#include <map>
#include <set>
#include <string>

#include "IndexDbFixture.h"
#include "IndexJobHelpers.h"
#include "import/BuiltinViewers.h"
#include "import/ViewerTable.h"
#include "index/IndexJob.h"
#include "index/RefReader.h"
#include "platform/FaultInjection.h"

using namespace indextest;
using namespace indexformat;

namespace {

// Every word of the index with its references (document -> word numbers), and the counts.
struct Answers {
  std::map<std::string, std::map<int32_t, std::set<int32_t>>> words;
  int32_t documents = -1;
  int32_t obsolete = -1;
  bool operator==(const Answers& o) const {
    return words == o.words && documents == o.documents && obsolete == o.obsolete;
  }
};

Answers answersOf(const std::string& index) {
  Answers a;
  TextDB db;
  db.setDirectory(index);
  if (db.open(filemode::kRead, kHeaderFile | kKeyFile | kRefFile) < 0) return a;
  a.documents = db.header().documentCount;
  a.obsolete = db.header().obsoleteCount;
  KeyFile& keys = db.keys();
  std::vector<std::pair<std::string, TrieValue>> entries;
  for (int rc = keys.first(kWordKind); rc == 0 && keys.getKind() == kWordKind; rc = keys.next()) {
    char key[600];
    TrieValue v;
    if (keys.getKey(key, sizeof key) < 0 || keys.getValue(&v) < 0) break;
    entries.emplace_back(key, v);
  }
  for (const auto& [word, v] : entries) {
    auto& refs = a.words[word];
    if (v.v[0] <= 0) continue;
    RefReader r(db.refFile());
    if (r.position(v.v[0]) < 0) continue;
    for (int32_t id; (id = r.nextId()) > 0;) {
      CiteTable t;
      r.readAll(t);
      for (int32_t i = 0; i < t.count(); ++i) refs[id].insert(t.at(i));
    }
  }
  return a;
}

class UpdateFaultTest : public IndexDbFixture {
 protected:
  void SetUp() override {
    IndexDbFixture::SetUp();
    builtinviewers::registerAll(viewers_);
    settings_.viewers = &viewers_;
    docs_ = dir_.file("docs");
    platform::makeDirectories(docs_.c_str());
  }

  // `count` documents of `words` distinct words each, starting at word `from`, so that new
  // words land all over the key space; dated `stamp` seconds after 2030-01-01 (a rewritten
  // file gets a later date, as the update compares dates).
  void write(const std::string& prefix, int count, int words, int from, int stamp = 0) {
    for (int d = 0; d < count; ++d) {
      std::string text;
      for (int w = 0; w < words; ++w) text += "w" + std::to_string((from + d * 7919 + w * 104729) % 90000) + " ";
      std::string name = docs_ + "/" + prefix + std::to_string(d) + ".txt";
      testsupport::writeFile(name, text + "\n");
      struct utimbuf times{1893456000 + stamp, 1893456000 + stamp};
      utime(name.c_str(), &times);
    }
  }

  int run(bool create, bool compress = false) {
    IndexJobRequest job = compress ? compressJob(folder_) : addJob(folder_, docs_, create, true);
    IndexJob j(job, IndexJobControl(), settings_);
    return j.run();
  }

  // Drops the dictionary copies nobody uses, as the next update would do first, so that the
  // folder's files compare with what a rolled-back update leaves.
  void settle() {
    TextDB db;
    db.setDirectory(folder_);
    ASSERT_EQ(0, db.cleanUpDictionaries());
  }

  // Runs the job once for each write and each sync it makes, with that one call failing as
  // `errorCode`; every time the index must answer as `before` (the job failed) or as
  // `after` (it succeeded). A clean rerun must then succeed. Returns how many runs failed.
  int failEachCall(bool compress, int errorCode, const Snapshot& start, const Answers& before,
                   const Answers& after, int writes, int syncs) {
    int failed = 0;
    for (int kind = 0; kind < 2; ++kind) {
      for (int at = 1; at <= (kind == 0 ? writes : syncs); ++at) {
        putBack(folder_, start);
        platform::FaultPlan plan;
        (kind == 0 ? plan.failWriteAt : plan.failSyncAt) = at;
        plan.errorCode = errorCode;
        platform::setFaultPlan(plan);
        int rc = run(false, compress);
        platform::clearFaultPlan();
        Answers now = answersOf(folder_);
        const char* call = kind == 0 ? "write " : "sync ";
        if (rc < 0) {
          ++failed;
          EXPECT_TRUE(now == before) << call << at << ": a failed job changed the answers";
          // The log names the cause, not only that the job ended.
          const std::string log = testsupport::readFile(folder_ + "/INDEXLOG.DAT");
          const std::string tail = log.substr(log.size() > 800 ? log.size() - 800 : 0);
          EXPECT_NE(std::string::npos, tail.find(platform::errorText(errorCode)))
              << call << at << ": the log does not say why\n" << tail;
        } else {
          EXPECT_TRUE(now == after) << call << at << ": a job that succeeded answers otherwise";
        }
        if (::testing::Test::HasFailure()) return failed;
        EXPECT_EQ(0, run(false, compress)) << call << at << ": the rerun";
        EXPECT_TRUE(answersOf(folder_) == after) << call << at << ": the rerun's answers";
      }
    }
    return failed;
  }

  ViewerTable viewers_;
  IndexJobSettings settings_;
  std::string docs_;
};

TEST_F(UpdateFaultTest, EveryFailedWriteOrSyncOfAnUpdateLeavesBeforeOrAfter) {
  write("old", 30, 120, 1);
  ASSERT_EQ(0, run(true));
  settle();
  const Snapshot start = snapshot(folder_);
  const Answers before = answersOf(folder_);
  write("old", 3, 120, 50000, 100);  // three documents re-indexed
  write("new", 6, 120, 20000);
  platform::resetIoCounters();
  ASSERT_EQ(0, run(false));
  const platform::IoCounters calls = platform::ioCounters();
  const Answers after = answersOf(folder_);
  ASSERT_FALSE(before == after);
  ASSERT_GT(before.words.size(), 2000u) << "enough words for the page cache to write back";
  for (int errorCode : {platform::kErrDiskFull, platform::kErrWriteFault}) {
    int failed = failEachCall(false, errorCode, start, before, after, static_cast<int>(calls.writes),
                              static_cast<int>(calls.syncs));
    EXPECT_GT(failed, static_cast<int>(calls.writes) / 2) << "most failed calls fail the job";
  }
}

TEST_F(UpdateFaultTest, EveryFailedWriteOrSyncOfACompressionLeavesBeforeOrAfter) {
  write("old", 20, 120, 1);
  ASSERT_EQ(0, run(true));
  write("old", 8, 120, 70000, 100);  // eight documents replaced: obsolete records to drop
  ASSERT_EQ(0, run(false));
  settle();
  const Snapshot start = snapshot(folder_);
  const Answers before = answersOf(folder_);
  platform::resetIoCounters();
  ASSERT_EQ(0, run(false, true));
  const platform::IoCounters calls = platform::ioCounters();
  const Answers after = answersOf(folder_);
  ASSERT_GT(before.obsolete, 0);
  ASSERT_FALSE(before == after);
  for (int errorCode : {platform::kErrDiskFull, platform::kErrWriteFault})
    EXPECT_GT(failEachCall(true, errorCode, start, before, after, static_cast<int>(calls.writes),
                           static_cast<int>(calls.syncs)),
              0);
}

}  // namespace
