// The index commands of lxr as a user runs them, and an update killed at random moments:
// each time the index must open with the documents of the last completed update, and a
// rerun must complete the update.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>
#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "index/TextDB.h"
#include "io/FileMode.h"
#include "tests/support/TempDir.h"
#include "tests/support/ToolRun.h"

namespace {

using testsupport::ToolRun;
namespace fs = std::filesystem;

ToolRun lxr(const std::string& privateDir, const std::string& args, int limitSeconds = 0) {
  return testsupport::runLxr(privateDir, args, limitSeconds);
}

bool has(const ToolRun& r, const std::string& text) { return r.output.find(text) != std::string::npos; }

// A small corpus: `count` files of a few hundred words each from a fixed vocabulary.
void writeCorpus(const std::string& folder, int count, int seed, const std::string& prefix) {
  fs::create_directories(folder);
  std::mt19937 rng(static_cast<unsigned>(seed));
  static const char* kWords[] = {"harbour", "tide", "quay", "pilot", "vessel", "cargo", "anchor",
                                 "beacon", "channel", "dredge", "survey", "buoy", "crane", "dock"};
  for (int i = 0; i < count; ++i) {
    std::string text;
    int n = 200 + static_cast<int>(rng() % 400);
    for (int w = 0; w < n; ++w) {
      text += kWords[rng() % 14];
      text += std::to_string(rng() % 50);
      text += w % 12 == 11 ? "\n" : " ";
    }
    std::string name = folder + "/" + prefix + std::to_string(i) + ".txt";
    testsupport::writeFile(name, text);
    struct utimbuf t{1700000000 + i, 1700000000 + i};
    utime(name.c_str(), &t);
  }
}

// Gives the files a0.txt .. a<count-1>.txt of `folder` dates later than the corpus's.
void newDates(const std::string& folder, int count) {
  for (int i = 0; i < count; ++i) {
    struct utimbuf t{1800000000 + i, 1800000000 + i};
    utime((folder + "/a" + std::to_string(i) + ".txt").c_str(), &t);
  }
}

// What a user sees of an index: its documents, its words with their counts, and what a
// search finds (by name, with hits); and the index must verify.
std::string contents(const std::string& priv, const std::string& index) {
  ToolRun files = lxr(priv, "files " + index);
  ToolRun words = lxr(priv, "words " + index);
  ToolRun search = lxr(priv, "search " + index + " 'harbour2 or (pilot7 w/3 quay1)' --hits --sort name");
  ToolRun verify = lxr(priv, "verify " + index);
  if (files.status != 0 || words.status != 0 || verify.status != 0)
    return "unreadable: " + files.output + words.output + verify.output;
  // The time of the search differs from run to run.
  std::string found = search.output;
  size_t at = found.find("* Search Performed:");
  if (at != std::string::npos) found.erase(at, found.find('\n', at) - at);
  return files.output + words.output + found;
}

// Runs `lxr COMMAND INDEX` 20 times on a fresh copy of `pristine`, killing it at a random
// moment within 1.1 times `seconds`; each time the index must show `before` or `after`, and
// a rerun of the command must leave it showing `after`. Returns how often `before` was seen.
int killAtRandomMoments(const std::string& priv, const std::string& pristine, const std::string& index,
                        const std::string& command, double seconds, const std::string& before,
                        const std::string& after) {
  std::mt19937 rng(20261208);
  const std::string tool = testsupport::binaryPath("tools/lxr");
  int sawBefore = 0;
  for (int round = 0; round < 20; ++round) {
    fs::remove_all(index);
    fs::copy(pristine, index, fs::copy_options::recursive);
    pid_t child = fork();
    if (child == 0) {
      int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      execl(tool.c_str(), tool.c_str(), "--dir", priv.c_str(), command.c_str(), index.c_str(), (char*)nullptr);
      _exit(127);
    }
    std::uniform_real_distribution<double> moment(0.0, seconds * 1.1);
    std::this_thread::sleep_for(std::chrono::duration<double>(moment(rng)));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    std::string seen = contents(priv, index);
    if (seen == before) ++sawBefore;
    else if (seen != after) ADD_FAILURE() << command << " round " << round << ": neither before nor after\n" << seen;
    EXPECT_EQ(0, lxr(priv, command + " " + index).status) << command << " round " << round;
    EXPECT_EQ(after, contents(priv, index)) << command << " round " << round;
  }
  return sawBefore;
}

double timed(const std::function<void()>& run) {
  auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(LxrIndexTest, CreatesAddsUpdatesRemovesAndLists) {
  testsupport::TempDir dir;
  std::string priv = dir.file("p"), index = dir.file("ix"), docs = dir.file("docs");
  writeCorpus(docs, 3, 1, "d");
  testsupport::writeFile(docs + "/skip.log", "harbour\n");
  EXPECT_EQ(2, lxr(priv, "add " + index).status) << "no folder named";
  ToolRun add = lxr(priv, "add " + index + " " + docs + " --exclude '*.log'");
  ASSERT_EQ(0, add.status) << add.output;
  EXPECT_EQ(0u, add.output.find("lxr: add done: 3 added, 0 re-indexed, 0 removed,")) << add.output;
  EXPECT_EQ(1, std::count(add.output.begin(), add.output.end(), '\n')) << "no bar when not on a terminal: " << add.output;
  ToolRun info = lxr(priv, "info " + index);
  EXPECT_TRUE(has(info, "Documents:    3")) << info.output;
  ToolRun files = lxr(priv, "files " + index);
  EXPECT_TRUE(has(files, docs + "/d0.txt"));
  EXPECT_FALSE(has(files, "skip.log"));
  ToolRun words = lxr(priv, "words " + index + " --match 'harb*'");
  EXPECT_TRUE(has(words, "harbour"));
  EXPECT_FALSE(has(words, "tide"));

  // An update repeats the folder and its filter; a removal takes a listed file out.
  writeCorpus(docs, 1, 2, "e");
  ASSERT_EQ(0, lxr(priv, "update " + index).status);
  testsupport::writeFile(dir.file("gone.lst"), docs + "/d1.txt\n");
  ASSERT_EQ(0, lxr(priv, "remove " + index + " --list " + dir.file("gone.lst")).status);
  info = lxr(priv, "info " + index);
  EXPECT_TRUE(has(info, "Documents:    3")) << info.output;
  EXPECT_TRUE(has(info, "Removed:      1")) << info.output;
  EXPECT_FALSE(has(lxr(priv, "files " + index), "d1.txt"));
  EXPECT_TRUE(has(lxr(priv, "files " + index + " --all"), "d1.txt (removed)"));
  EXPECT_EQ(2, lxr(priv, "update " + dir.file("nowhere")).status);
}

TEST(LxrIndexTest, UpdateKilledAtRandomMomentsLeavesBeforeOrAfter) {
  testsupport::TempDir dir;
  std::string priv = dir.file("p"), docs = dir.file("docs");
  std::string pristine = dir.file("pristine"), index = dir.file("ix");
  writeCorpus(docs, 40, 3, "a");
  ASSERT_EQ(0, lxr(priv, "add " + pristine + " " + docs).status);
  const std::string before = contents(priv, pristine);
  // The update: new files and rewritten ones.
  writeCorpus(docs, 60, 4, "b");
  writeCorpus(docs, 10, 5, "a");
  newDates(docs, 10);
  fs::copy(pristine, index, fs::copy_options::recursive);
  double seconds = timed([&] { ASSERT_EQ(0, lxr(priv, "update " + index).status); });
  const std::string after = contents(priv, index);
  ASSERT_NE(before, after);
  int sawBefore = killAtRandomMoments(priv, pristine, index, "update", seconds, before, after);
  // The moments must fall inside the update, not all before or after it.
  EXPECT_GT(sawBefore, 0);
}

TEST(LxrIndexTest, CompressionKilledAtRandomMomentsLeavesBeforeOrAfter) {
  testsupport::TempDir dir;
  std::string priv = dir.file("p"), docs = dir.file("docs");
  std::string pristine = dir.file("pristine"), index = dir.file("ix");
  writeCorpus(docs, 60, 6, "a");
  ASSERT_EQ(0, lxr(priv, "add " + pristine + " " + docs).status);
  // Re-indexed and vanished files leave cancelled documents to drop.
  writeCorpus(docs, 15, 7, "a");
  newDates(docs, 15);
  for (int i = 40; i < 50; ++i) fs::remove(docs + "/a" + std::to_string(i) + ".txt");
  ASSERT_EQ(0, lxr(priv, "update " + pristine + " --remove-deleted").status);
  const std::string before = contents(priv, pristine);
  fs::copy(pristine, index, fs::copy_options::recursive);
  double seconds = timed([&] { ASSERT_EQ(0, lxr(priv, "compress " + index).status); });
  const std::string after = contents(priv, index);
  ASSERT_TRUE(has(lxr(priv, "info " + index), "Documents:    50"));
  EXPECT_GT(killAtRandomMoments(priv, pristine, index, "compress", seconds, before, after), 0);
}

TEST(LxrIndexTest, AnIndexInUseByAWriterIsBusyForWritersOnly) {
  testsupport::TempDir dir;
  std::string priv = dir.file("p"), index = dir.file("ix"), docs = dir.file("docs");
  writeCorpus(docs, 2, 8, "d");
  ASSERT_EQ(0, lxr(priv, "add " + index + " " + docs).status);
  TextDB writer;  // another writer, as an update in another process holds the index
  ASSERT_EQ(0, writer.setDirectory(index));
  ASSERT_EQ(0, writer.lockIndex(filemode::kRead | filemode::kWrite | filemode::kDenyNone));
  ToolRun update = lxr(priv, "update " + index);
  EXPECT_EQ(3, update.status) << update.output;
  EXPECT_TRUE(has(update, index + " is in use by another writer")) << update.output;
  EXPECT_EQ(0, lxr(priv, "search 'harbour*' " + index).status) << "readers go on";
  ASSERT_EQ(0, writer.unlock());
  EXPECT_EQ(0, lxr(priv, "update " + index).status);
}

TEST(LxrIndexTest, ADamagedIndexIsRefusedThenRepairedFromItsDocuments) {
  testsupport::TempDir dir;
  std::string priv = dir.file("p"), index = dir.file("ix"), docs = dir.file("docs");
  writeCorpus(docs, 300, 9, "d");
  ASSERT_EQ(0, lxr(priv, "add " + index + " " + docs + " --include 'd1*'").status);
  const std::string sound = contents(priv, index);
  // 4 KB of the document index zeroed, as a failing disk leaves it.
  const std::string di = index + "/INDEX_DI.IX";
  std::string bytes = testsupport::readFile(di);
  ASSERT_GT(bytes.size(), 256u);
  std::fill(bytes.begin() + 64, bytes.begin() + static_cast<long>(std::min<size_t>(bytes.size(), 64 + 4096)), '\0');
  testsupport::writeFile(di, bytes);

  ToolRun update = lxr(priv, "update " + index);
  EXPECT_EQ(5, update.status) << update.output;
  EXPECT_TRUE(has(update, "damaged")) << update.output;
  EXPECT_EQ(bytes, testsupport::readFile(di)) << "the update changed the damaged index";
  ToolRun search = lxr(priv, "search 'harbour* or tide*' " + index);
  EXPECT_EQ(5, search.status) << search.output;
  EXPECT_EQ(5, lxr(priv, "verify " + index).status);

  // The repair keeps the folders and the pattern, and gives back what the index held.
  ToolRun repair = lxr(priv, "repair " + index);
  ASSERT_EQ(0, repair.status) << repair.output;
  EXPECT_TRUE(has(repair, index + ".damaged")) << repair.output;
  EXPECT_EQ(sound, contents(priv, index));
  EXPECT_EQ(2, lxr(priv, "repair " + index).status) << "an earlier repair's copy is in the way";
}

// Damage of every kind to every file of an index, at random: no run crashes or hangs; a search
// either fails or gives the sound index's answer; an update either fails or leaves an index that
// verifies and answers as the sound one does.
TEST(LxrIndexTest, RandomDamageIsRefusedOrHarmless) {
  testsupport::TempDir dir;
  std::string priv = dir.file("p"), pristine = dir.file("sound"), index = dir.file("ix"), docs = dir.file("docs");
  writeCorpus(docs, 40, 11, "a");
  ASSERT_EQ(0, lxr(priv, "add " + pristine + " " + docs).status);
  const std::string request = "search 'harbour2 or (pilot7 w/3 quay1)' --hits --sort name ";
  auto answer = [&](const ToolRun& r) {
    std::string found = r.output;
    size_t at = found.find("* Search Performed:");
    if (at != std::string::npos) found.erase(at, found.find('\n', at) - at);
    return found;
  };
  auto sound = [&](const ToolRun& r) {
    return r.status >= 0 && r.status <= 5 && r.output.find("Sanitizer") == std::string::npos &&
           r.output.find("runtime error") == std::string::npos;
  };
  const std::string expected = answer(lxr(priv, request + pristine));
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(pristine))
    if (e.is_regular_file() && e.path().filename() != "INDEXLOG.DAT") files.push_back(e.path().filename());
  std::sort(files.begin(), files.end());
  ASSERT_GE(files.size(), 9u);

  std::mt19937 rng(20261209);
  int refusedSearches = 0, refusedUpdates = 0;
  const char* kinds[] = {"flip", "zero", "truncate", "append"};
  for (int trial = 0; trial < 120; ++trial) {
    fs::remove_all(index);
    fs::copy(pristine, index, fs::copy_options::recursive);
    const std::string name = files[rng() % files.size()];
    const int kind = static_cast<int>(rng() % 4);
    std::string bytes = testsupport::readFile(index + "/" + name);
    const size_t at = bytes.empty() ? 0 : rng() % bytes.size();
    if (kind == 0 && !bytes.empty()) bytes[at] = static_cast<char>(bytes[at] ^ (1 << (rng() % 8)));
    if (kind == 1) std::fill(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(std::min(bytes.size(), at + 4096)), '\0');
    if (kind == 2) bytes.resize(at);
    if (kind == 3) bytes += std::string(1 + rng() % 300, static_cast<char>(rng()));
    testsupport::writeFile(index + "/" + name, bytes);
    const std::string what = std::string(kinds[kind]) + " " + name + " at " + std::to_string(at) + " (trial " + std::to_string(trial) + ")";

    ToolRun search = lxr(priv, request + index, 60);
    ASSERT_TRUE(sound(search)) << what << ": " << search.status << "\n" << search.output;
    if (search.status == 0) EXPECT_EQ(expected, answer(search)) << what << ": a damaged index answered otherwise";
    else ++refusedSearches;

    newDates(docs, 2);
    ToolRun update = lxr(priv, "update " + index, 60);
    ASSERT_TRUE(sound(update)) << what << ": " << update.status << "\n" << update.output;
    if (update.status != 0) {
      ++refusedUpdates;
      continue;
    }
    ToolRun verify = lxr(priv, "verify " + index, 60);
    EXPECT_EQ(0, verify.status) << what << ": an update succeeded on a damaged index\n" << verify.output;
    EXPECT_EQ(expected, answer(lxr(priv, request + index, 60))) << what << ": the updated index answers otherwise";
  }
  // Most damage is seen (some falls where nothing reads it, as in an unused byte).
  EXPECT_GT(refusedUpdates, 60) << refusedSearches << " searches refused";
}

TEST(LxrIndexTest, NamesThatDifferOnlyInLetterCaseAreTwoDocumentsForGood) {
  testsupport::TempDir dir;
  std::string priv = dir.file("p"), index = dir.file("ix"), docs = dir.file("docs");
  fs::create_directories(docs);
  testsupport::writeFile(docs + "/Makefile", "gannet\n");
  testsupport::writeFile(docs + "/makefile", "gannet shag\n");
  ASSERT_EQ(0, lxr(priv, "add " + index + " " + docs).status);
  for (int round = 0; round < 3; ++round) {
    // Updates that take both in again replace them; they never add them once more.
    newDates(docs, 0);
    for (const char* n : {"/Makefile", "/makefile"}) {
      struct utimbuf t{1900000000 + round, 1900000000 + round};
      utime((docs + n).c_str(), &t);
    }
    ASSERT_EQ(0, lxr(priv, "update " + index).status);
  }
  ToolRun files = lxr(priv, "files " + index);
  EXPECT_TRUE(has(files, docs + "/Makefile") && has(files, docs + "/makefile")) << files.output;
  EXPECT_TRUE(has(lxr(priv, "search gannet " + index), "Retrieved 2 documents")) << files.output;
  EXPECT_TRUE(has(lxr(priv, "search shag " + index), "Retrieved 1 document")) << files.output;
  EXPECT_EQ(0, lxr(priv, "verify " + index).status);
  ToolRun info = lxr(priv, "info " + index);
  EXPECT_TRUE(has(info, "Documents:    2\n")) << info.output;
}
