// lxr watch as a user runs it, on real files in a temporary tree, every change checked by
// searching: edits, renames and folders moved in and out; a burst; a file still being
// written; lost events; the watch limit; a watcher killed in the middle of an update;
// searches beside it. Also the index log's size limit.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/TempDir.h"
#include "tests/support/ToolRun.h"

namespace {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::ToolRun;

// Writes a file dated `ageSeconds` ago, as a copy that keeps its date would be: the watcher
// takes it in at once instead of waiting for it to settle. Distinct ages give distinct dates.
void writeAged(const std::string& name, const std::string& text, int ageSeconds = 100) {
  testsupport::writeFile(name, text);
  struct utimbuf t{std::time(nullptr) - ageSeconds, std::time(nullptr) - ageSeconds};
  utime(name.c_str(), &t);
}

bool waitFor(const std::function<bool()>& ok, double seconds = 30, int everyMillis = 200) {
  auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < until) {
    if (ok()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(everyMillis));
  }
  return ok();
}

size_t count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// A watcher process; ended with SIGTERM when the object goes.
class WatchRun {
 public:
  WatchRun(const std::string& priv, const std::string& logName, std::vector<std::string> args) : log_(logName) {
    const std::string tool = testsupport::binaryPath("tools/lxr");
    std::vector<std::string> argv{tool, "--dir", priv, "watch"};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_ = fork();
    if (pid_ == 0) {
      int out = open(logName.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      dup2(out, 1);
      dup2(out, 2);
      std::vector<char*> raw;
      for (std::string& a : argv) raw.push_back(a.data());
      raw.push_back(nullptr);
      execv(tool.c_str(), raw.data());
      _exit(127);
    }
  }
  ~WatchRun() {
    if (pid_ > 0) stop();
  }
  // Ends it as a service manager does; its exit status.
  int stop(int signal = SIGTERM) {
    kill(pid_, signal);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string log() const { return readFile(log_); }
  // Waits until the watcher's log holds `text` `times` times.
  bool saw(const std::string& text, size_t times = 1, double seconds = 30) const {
    return waitFor([&] { return count(log(), text) >= times; }, seconds);
  }

 private:
  std::string log_;
  pid_t pid_ = -1;
};

class LxrWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    priv = dir.file("priv");
    docs = dir.file("docs");
    idx = dir.file("idx");
    outside = dir.file("outside");
    fs::create_directories(docs);
    fs::create_directories(outside);
  }

  ToolRun lxr(const std::string& args) { return testsupport::runLxr(priv, args); }
  void index() { ASSERT_EQ(0, lxr("add " + idx + " " + docs).status); }

  // The documents a search finds, by name.
  std::set<std::string> found(const std::string& request) {
    ToolRun r = lxr("search '" + request + "' " + idx + " --sort name");
    std::set<std::string> names;
    std::istringstream in(r.output);
    for (std::string line; std::getline(in, line);) {
      size_t slash = line.find(" /");
      if (slash != std::string::npos && line.find_first_not_of(" 0123456789") == slash + 1) names.insert(line.substr(slash + 1));
    }
    return names;
  }
  size_t foundCount(const std::string& request) { return found(request).size(); }

  testsupport::TempDir dir;
  std::string priv, docs, idx, outside;
};

TEST_F(LxrWatchTest, EveryKindOfChangeIsSearchable) {
  fs::create_directories(docs + "/a");
  fs::create_directories(docs + "/b");
  fs::create_directories(docs + "/out");
  fs::create_directories(outside + "/moved/deep");
  writeAged(docs + "/a/keep.txt", "anchor");
  writeAged(docs + "/b/trunc.txt", "pelican gannet");
  writeAged(docs + "/b/del.txt", "osprey");
  writeAged(docs + "/a/r1.txt", "heron");
  writeAged(docs + "/a/x.txt", "egret");
  writeAged(docs + "/out/gone.txt", "lantern");
  writeAged(outside + "/moved/deep/in.txt", "mooring");
  index();
  ASSERT_EQ(0, lxr("options set binaryFiles 3").status);
  WatchRun watcher(priv, dir.file("watch.log"), {idx, "--quiet-period", "0.2s"});
  ASSERT_TRUE(watcher.saw("rescan done")) << watcher.log();

  writeAged(docs + "/a/new.txt", "beacon");
  writeAged(docs + "/a/data.bin", std::string("\x01\x02\x00\x00\xff\xfe binary", 13) + std::string(600, '\0'));
  { std::FILE* f = std::fopen((docs + "/a/keep.txt").c_str(), "ab"); std::fputs(" cormorant", f); std::fclose(f); }
  writeAged(docs + "/a/keep.txt", readFile(docs + "/a/keep.txt"), 50);
  writeAged(docs + "/b/trunc.txt", "gannet", 50);
  fs::remove(docs + "/b/del.txt");
  fs::rename(docs + "/a/r1.txt", docs + "/a/r2.txt");
  fs::rename(docs + "/a/x.txt", docs + "/b/x.txt");
  fs::rename(outside + "/moved", docs + "/moved");
  fs::rename(docs + "/out", outside + "/out");

  std::set<std::string> none;
  ASSERT_TRUE(waitFor([&] { return foundCount("mooring") == 1 && foundCount("lantern") == 0; })) << watcher.log();
  EXPECT_EQ(std::set<std::string>{docs + "/a/new.txt"}, found("beacon"));
  EXPECT_EQ(std::set<std::string>{docs + "/a/keep.txt"}, found("anchor w/1 cormorant")) << "appended";
  EXPECT_EQ(none, found("pelican")) << "truncated";
  EXPECT_EQ(std::set<std::string>{docs + "/b/trunc.txt"}, found("gannet"));
  EXPECT_EQ(none, found("osprey")) << "deleted";
  EXPECT_EQ(std::set<std::string>{docs + "/a/r2.txt"}, found("heron")) << "renamed in its folder";
  EXPECT_EQ(std::set<std::string>{docs + "/b/x.txt"}, found("egret")) << "moved to another folder";
  EXPECT_EQ(std::set<std::string>{docs + "/moved/deep/in.txt"}, found("mooring")) << "a folder moved in";

  // The folder moved in is watched too.
  writeAged(docs + "/moved/deep/later.txt", "skerry");
  ASSERT_TRUE(waitFor([&] { return foundCount("skerry") == 1; })) << watcher.log();
  ToolRun running = lxr("status " + idx);
  EXPECT_NE(std::string::npos, running.output.find("Failed:       1 document")) << running.output;
  EXPECT_NE(std::string::npos, running.output.find(docs + "/a/data.bin\tskipped: binary")) << running.output;
  EXPECT_EQ(0, watcher.stop());
  EXPECT_EQ(0, lxr("verify " + idx).status);
  ToolRun status = lxr("status " + idx);
  EXPECT_NE(std::string::npos, status.output.find("Watcher:      not running")) << status.output;
}

TEST_F(LxrWatchTest, ABurstOfAThousandFilesIsOneOrAFewUpdates) {
  writeAged(docs + "/first.txt", "puffin");
  index();
  // The default quiet period: on a loaded machine writing the burst takes longer than a short
  // one, which would split it.
  WatchRun watcher(priv, dir.file("watch.log"), {idx, "--quiet-period", "2s"});
  ASSERT_TRUE(watcher.saw("rescan done")) << watcher.log();
  for (int i = 0; i < 1000; ++i) writeAged(docs + "/f" + std::to_string(i) + ".txt", "puffin burst" + std::to_string(i));
  ASSERT_TRUE(waitFor([&] { return foundCount("puffin") == 1001; }, 60)) << watcher.log();
  // The update is searchable a moment before the watcher logs it done.
  EXPECT_TRUE(watcher.saw("update done")) << watcher.log();
  size_t updates = count(watcher.log(), "update done");
  EXPECT_LE(updates, 3u) << watcher.log();
}

TEST_F(LxrWatchTest, AFileStillBeingWrittenIsTakenInOnceItSettles) {
  index();
  WatchRun watcher(priv, dir.file("watch.log"), {idx, "--quiet-period", "0.2s"});
  ASSERT_TRUE(watcher.saw("rescan done")) << watcher.log();
  std::string name = docs + "/growing.txt";
  auto started = std::chrono::steady_clock::now();
  std::FILE* f = std::fopen(name.c_str(), "wb");
  ASSERT_NE(nullptr, f);
  bool seenEarly = false;
  for (int i = 0; i < 8; ++i) {
    std::fputs(i == 7 ? "tern skua\n" : "tern\n", f);
    std::fflush(f);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // Within two seconds of the first write the file cannot have settled.
    if (std::chrono::steady_clock::now() - started < std::chrono::milliseconds(1800) && i == 4)
      seenEarly = foundCount("tern") > 0;
  }
  std::fclose(f);
  EXPECT_FALSE(seenEarly) << "taken in while still being written";
  ASSERT_TRUE(waitFor([&] { return foundCount("skua") == 1; })) << watcher.log();
}

TEST_F(LxrWatchTest, LostEventsEndInARescanThatFindsEverything) {
  index();
  WatchRun watcher(priv, dir.file("watch.log"), {idx, "--quiet-period", "0.2s", "--max-pending", "20"});
  ASSERT_TRUE(watcher.saw("rescan done")) << watcher.log();
  for (int i = 0; i < 200; ++i) writeAged(docs + "/f" + std::to_string(i) + ".txt", "guillemot");
  ASSERT_TRUE(waitFor([&] { return foundCount("guillemot") == 200; })) << watcher.log();
  // The start's rescan and at least one after the queue ran over (a slow machine writes the
  // files in more than one quiet period and may run over twice). The rescan's line follows
  // its commit, which the search above may see first.
  EXPECT_TRUE(waitFor([&] { return count(watcher.log(), "rescan done") >= 2u; })) << watcher.log();
}

TEST_F(LxrWatchTest, FoldersBeyondTheWatchLimitArePolled) {
  fs::create_directories(docs + "/a/b");
  fs::create_directories(docs + "/c/d");
  index();
  WatchRun watcher(priv, dir.file("watch.log"),
                   {idx, "--quiet-period", "0.2s", "--max-watches", "2", "--poll-interval", "1s"});
  ASSERT_TRUE(watcher.saw("rescan done")) << watcher.log();
  writeAged(docs + "/c/d/polled.txt", "shearwater");
  ASSERT_TRUE(waitFor([&] { return foundCount("shearwater") == 1; })) << watcher.log();
  fs::remove(docs + "/c/d/polled.txt");
  ASSERT_TRUE(waitFor([&] { return foundCount("shearwater") == 0; })) << watcher.log();
  EXPECT_EQ(1u, count(watcher.log(), "--max-watches")) << "said once\n" << watcher.log();
  ToolRun status = lxr("status " + idx);
  EXPECT_NE(std::string::npos, status.output.find("2 watched, 3 polled")) << status.output;
}

TEST_F(LxrWatchTest, TheStatusCountsAFolderDeletedWithNothingToIndex) {
  fs::create_directories(docs + "/empty");
  index();
  WatchRun watcher(priv, dir.file("watch.log"), {idx, "--quiet-period", "0.2s"});
  ASSERT_TRUE(watcher.saw("rescan done")) << watcher.log();
  auto watchedNow = [&](const char* counts) { return lxr("status " + idx).output.find(counts) != std::string::npos; };
  ASSERT_TRUE(waitFor([&] { return watchedNow("2 watched"); })) << lxr("status " + idx).output;
  fs::remove(docs + "/empty");
  EXPECT_TRUE(waitFor([&] { return watchedNow("1 watched"); })) << lxr("status " + idx).output;
}

TEST_F(LxrWatchTest, KilledInTheMiddleOfAnUpdateItLosesNothing) {
  std::string words;
  for (int w = 0; w < 400; ++w) words += "fulmar kittiwake razorbill " + std::to_string(w) + "\n";
  index();
  {
    WatchRun watcher(priv, dir.file("watch.log"), {idx, "--quiet-period", "0.2s"});
    ASSERT_TRUE(watcher.saw("rescan done")) << watcher.log();
    for (int i = 0; i < 300; ++i) writeAged(docs + "/f" + std::to_string(i) + ".txt", words);
    bool updating = waitFor(
        [&] { return readFile(idx + "/WATCHER.DAT").find("State: updating") != std::string::npos; }, 20, 10);
    watcher.stop(SIGKILL);
    EXPECT_TRUE(updating) << watcher.log();
  }
  EXPECT_EQ(0, lxr("verify " + idx).status);
  EXPECT_NE(std::string::npos, lxr("status " + idx).output.find("ended without stopping"));
  WatchRun again(priv, dir.file("again.log"), {idx, "--quiet-period", "0.2s"});
  ASSERT_TRUE(waitFor([&] { return foundCount("fulmar") == 300; })) << again.log();
  EXPECT_EQ(0, again.stop());
  EXPECT_EQ(0, lxr("verify " + idx).status);
}

TEST_F(LxrWatchTest, SearchesBesideTheWatcherNeverFail) {
  const char* env = std::getenv("LXR_SOAK_SECONDS");
  const int seconds = env ? std::atoi(env) : 15;
  writeAged(docs + "/stable.txt", "albatross");
  index();
  WatchRun watcher(priv, dir.file("watch.log"), {idx, "--quiet-period", "0.1s"});
  ASSERT_TRUE(watcher.saw("rescan done")) << watcher.log();
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; !done; ++i) {
      writeAged(docs + "/w" + std::to_string(i % 40) + ".txt", "petrel " + std::to_string(i), 100 + i % 7);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
  int searches = 0, failures = 0;
  std::string firstFailure;
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < until) {
    ToolRun r = lxr("search 'albatross or petrel' " + idx);
    ++searches;
    if (r.status != 0 || r.output.find(docs + "/stable.txt") == std::string::npos) {
      if (failures++ == 0) firstFailure = r.output;
    }
  }
  done = true;
  writer.join();
  EXPECT_EQ(0, failures) << searches << " searches; the first failure:\n" << firstFailure;
  EXPECT_GE(count(watcher.log(), "update done"), 3u) << "the searches ran beside updates\n" << watcher.log();
  EXPECT_EQ(0, watcher.stop());
  EXPECT_EQ(0, lxr("verify " + idx).status);
}

TEST_F(LxrWatchTest, TheIndexLogIsKeptToItsLimit) {
  for (int i = 0; i < 5; ++i) writeAged(docs + "/f" + std::to_string(i) + ".txt", "gull");
  ASSERT_EQ(0, lxr("options set IndexLogLimit 500").status);
  index();
  for (int i = 0; i < 6; ++i) {
    writeAged(docs + "/f0.txt", "gull tern", 10 + 2 * i);
    ASSERT_EQ(0, lxr("update " + idx).status);
  }
  std::string log = readFile(idx + "/INDEXLOG.DAT"), old = readFile(idx + "/INDEXLOG.OLD");
  EXPECT_EQ(0u, log.find("Begin Indexing")) << "a job's lines are never split";
  EXPECT_EQ(0u, old.find("Begin Indexing"));
  EXPECT_LT(log.size(), 1500u);
  EXPECT_LT(old.size(), 1500u);
  ToolRun failed = lxr("failed " + idx);
  EXPECT_EQ(1, failed.status) << failed.output;
}

}  // namespace
