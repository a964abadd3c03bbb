// The watcher's logic against real folders and the system's watches, with its clock driven by
// the test and the index replaced by a model that records each update: what becomes one
// update, what waits, and when it rescans or polls instead.
#include <sys/stat.h>
#include <utime.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/TempDir.h"
#include "tools/ChangeQueue.h"
#include "tools/Watcher.h"

namespace {

namespace fs = std::filesystem;
using watch::ChangeQueue;
using watch::IndexUpdates;
using watch::Watcher;

// An index as a set of document names: an update takes the files in and the gone ones out;
// a rescan takes every file under the folders.
class ModelIndex : public IndexUpdates {
 public:
  explicit ModelIndex(std::vector<std::string> folders) { rules_.folders = std::move(folders); }

  Outcome update(const std::vector<std::string>& files, const std::vector<std::string>& gone) override {
    updates.push_back({files, gone});
    for (const std::string& g : gone) docs.erase(g);
    docs.insert(files.begin(), files.end());
    return kApplied;
  }
  Outcome rescan() override {
    ++rescans;
    docs.clear();
    for (const std::string& f : rules_.folders)
      for (const auto& e : fs::recursive_directory_iterator(f))
        if (e.is_regular_file()) docs.insert(e.path().string());
    return kApplied;
  }
  int listDocuments(const std::function<void(const std::string&)>& each) override {
    for (const std::string& d : docs) each(d);
    return 0;
  }
  int rules(watch::IndexRules* out) override {
    *out = rules_;
    return 0;
  }

  struct Update {
    std::vector<std::string> files, gone;
  };
  std::vector<Update> updates;
  std::set<std::string> docs;
  int rescans = 0;
  watch::IndexRules rules_;
};

int64_t realWallMillis() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// Writes a file whose time lies `ageSeconds` in the past (0: now, as when just written).
void writeAged(const std::string& name, const std::string& text, int ageSeconds = 60) {
  testsupport::writeFile(name, text);
  if (ageSeconds == 0) return;
  struct utimbuf t{std::time(nullptr) - ageSeconds, std::time(nullptr) - ageSeconds};
  utime(name.c_str(), &t);
}

class WatcherTest : public ::testing::Test {
 protected:
  static constexpr int64_t kQuiet = 100;

  void SetUp() override {
    root = dir.file("docs");
    outside = dir.file("outside");
    fs::create_directories(root + "/a");
    fs::create_directories(outside);
    writeAged(root + "/a/one.txt", "one");
    index = std::make_unique<ModelIndex>(std::vector<std::string>{root});
  }

  void startWatcher(watch::WatchSettings settings = {}) {
    settings.quietMillis = kQuiet;
    settings.wallMillis = [this] { return realWallMillis() + wallOffset; };
    watcher = std::make_unique<Watcher>(dir.file("idx"), settings, *index,
                                        [this](const std::string& line) { said.push_back(line); });
    ASSERT_EQ(0, watcher->start(now));
    ASSERT_TRUE(watcher->work(now));  // the start's rescan
    ASSERT_EQ(1, index->rescans);
  }

  // Reads the events, lets `millis` pass, and works; true when an update or rescan ran.
  bool step(int64_t millis) {
    watcher->takeEvents(now);
    now += millis;
    return watcher->work(now);
  }

  testsupport::TempDir dir;
  std::string root, outside;
  std::unique_ptr<ModelIndex> index;
  std::unique_ptr<Watcher> watcher;
  std::vector<std::string> said;
  int64_t now = 1000000;
  int64_t wallOffset = 0;
};

TEST(ChangeQueueTest, QuietPeriodMaxDelayAndOverflow) {
  ChangeQueue q(100, 200, 300);
  for (int i = 0; i < 50; ++i) q.note("/d/f" + std::to_string(i), watch::kLook, i * 5);
  EXPECT_EQ(245 + 200, q.dueMillis()) << "a burst is due a quiet period after its last event";
  EXPECT_TRUE(q.takeDue(440).empty());
  EXPECT_EQ(50u, q.takeDue(445).size());
  EXPECT_TRUE(q.empty());

  // One file written on and on holds back a quiet one by the longest delay at most.
  q.note("/d/quiet", watch::kLook, 1000);
  for (int t = 1000; t <= 2000; t += 100) q.note("/d/busy", watch::kLook, t);
  EXPECT_EQ(1000 + 200 + 300, q.dueMillis());
  std::vector<watch::Change> due = q.takeDue(2000);
  ASSERT_EQ(1u, due.size());
  EXPECT_EQ("/d/quiet", due[0].path);
  EXPECT_EQ(1u, q.size());

  // The limit: the queue empties, stays empty and says so until cleared.
  ChangeQueue small(3, 200, 1000);
  for (int i = 0; i < 4; ++i) small.note("/f" + std::to_string(i), watch::kLook, 0);
  EXPECT_TRUE(small.overflowed());
  small.note("/g", watch::kLook, 5);
  EXPECT_TRUE(small.empty());
  EXPECT_EQ(5, small.lastEventMillis());
  small.clear();
  small.note("/g", watch::kLook, 5);
  EXPECT_EQ(1u, small.size());
}

TEST_F(WatcherTest, ChangesBecomeOneUpdateOfJustThoseFiles) {
  fs::create_directories(outside + "/moved/deep");
  writeAged(outside + "/moved/deep/in.txt", "in");
  fs::create_directories(root + "/b");
  writeAged(root + "/b/two.txt", "two");
  startWatcher();
  ASSERT_EQ(2u, index->docs.size());

  writeAged(root + "/a/new.txt", "new");
  fs::rename(root + "/a/one.txt", root + "/a/renamed.txt");
  fs::rename(outside + "/moved", root + "/a/moved");  // a folder moved in
  fs::rename(root + "/b", outside + "/b");            // a folder moved out
  writeAged(root + "/a/brief.txt", "made and deleted before the update");
  fs::remove(root + "/a/brief.txt");
  EXPECT_FALSE(step(kQuiet / 2)) << "nothing before the quiet period";
  EXPECT_TRUE(step(kQuiet));
  ASSERT_EQ(1u, index->updates.size());
  const ModelIndex::Update& u = index->updates[0];
  EXPECT_EQ((std::vector<std::string>{root + "/a/moved/deep/in.txt", root + "/a/new.txt", root + "/a/renamed.txt"}), u.files);
  EXPECT_EQ((std::vector<std::string>{root + "/a/one.txt", root + "/b/two.txt"}), u.gone)
      << "only documents the index holds are removed";

  // The folder moved in is watched with its subfolders; the one moved out no longer.
  writeAged(root + "/a/moved/deep/later.txt", "later");
  writeAged(outside + "/b/unseen.txt", "unseen");
  EXPECT_TRUE(step(kQuiet));
  ASSERT_EQ(2u, index->updates.size());
  EXPECT_EQ(std::vector<std::string>{root + "/a/moved/deep/later.txt"}, index->updates[1].files);
  EXPECT_FALSE(step(kQuiet));
  EXPECT_GT(watcher->dueMillis(), now) << "idle: nothing due";
}

TEST_F(WatcherTest, FileStillBeingWrittenWaitsUntilItSettles) {
  startWatcher();
  writeAged(root + "/a/growing.txt", "part", 0);
  EXPECT_FALSE(step(kQuiet)) << "written just now";
  EXPECT_TRUE(index->updates.empty());
  EXPECT_EQ(1u, watcher->pending());
  wallOffset = 3000;  // three seconds on, unwritten since
  EXPECT_TRUE(step(kQuiet));
  ASSERT_EQ(1u, index->updates.size());
  EXPECT_EQ(std::vector<std::string>{root + "/a/growing.txt"}, index->updates[0].files);
}

TEST_F(WatcherTest, LostEventsEndInARescan) {
  watch::WatchSettings settings;
  settings.maxPending = 5;
  startWatcher(settings);
  for (int i = 0; i < 20; ++i) writeAged(root + "/a/f" + std::to_string(i) + ".txt", "x");
  EXPECT_FALSE(step(kQuiet / 2)) << "the rescan waits for the burst to end";
  EXPECT_TRUE(step(kQuiet));
  EXPECT_EQ(2, index->rescans);
  EXPECT_TRUE(index->updates.empty());
  EXPECT_EQ(21u, index->docs.size());
}

TEST_F(WatcherTest, FoldersBeyondTheWatchLimitArePolled) {
  for (const char* f : {"/c", "/c/d", "/e"}) fs::create_directories(root + f);
  watch::WatchSettings settings;
  settings.maxWatches = 2;
  settings.pollMillis = 10000;
  startWatcher(settings);
  EXPECT_EQ(2u, watcher->watched());
  EXPECT_EQ(3u, watcher->unwatched());
  ASSERT_EQ(1u, said.size()) << "the limit is told once";
  EXPECT_NE(std::string::npos, said[0].find("--max-watches"));

  writeAged(root + "/e/polled.txt", "p");
  EXPECT_FALSE(step(kQuiet)) << "no event from a folder that is not watched";
  now += settings.pollMillis;
  EXPECT_TRUE(step(0));
  ASSERT_EQ(1u, index->updates.size());
  EXPECT_EQ(std::vector<std::string>{root + "/e/polled.txt"}, index->updates[0].files);

  fs::remove(root + "/e/polled.txt");
  now += settings.pollMillis;
  EXPECT_TRUE(step(0));
  EXPECT_EQ(std::vector<std::string>{root + "/e/polled.txt"}, index->updates.back().gone);
  EXPECT_EQ(1u, said.size());
}

}  // namespace
