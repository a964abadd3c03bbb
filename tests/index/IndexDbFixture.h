// Shared set-up for the index database tests: a temporary folder holding an index made by
// IndexMaker, the engine's message texts, trace lines collected, checks answered "no", a
// descriptor-leak check, and helpers that snapshot a folder byte for byte and fork children.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "index/ChecksumFormat.h"
#include "index/DocInfo.h"
#include "index/IndexChecksums.h"
#include "index/IndexMaker.h"
#include "index/TextDB.h"
#include "io/FileMode.h"
#include "objects/Check.h"
#include "objects/MessageTable.h"
#include "objects/Trace.h"
#include "platform/FaultInjection.h"
#include "platform/Platform.h"
#include "tests/support/TempDir.h"

namespace indextest {

constexpr int kReadMode = filemode::kRead;
constexpr int kWriteShared = filemode::kRead | filemode::kWrite | filemode::kDenyNone;
constexpr int kWriteExclusive = filemode::kRead | filemode::kWrite;
constexpr uint32_t kMainTypes = indexformat::kHeaderFile | indexformat::kDocFile |
                                indexformat::kKeyFile | indexformat::kRefFile;

using Snapshot = std::map<std::string, std::string>;

// Every plain file of `folder` except the lock file and the recovery record.
inline Snapshot snapshot(const std::string& folder) {
  Snapshot s;
  std::vector<platform::DirEntry> entries;
  platform::listDirectory(folder.c_str(), &entries);
  for (const auto& e : entries) {
    if (e.isDirectory || e.name == "INDEX_U.IX" || e.name == "INDEX_X.IX") continue;
    s[e.name] = testsupport::readFile(folder + "/" + e.name);
  }
  return s;
}

// Puts `s` back: files not in it are removed (the lock file excepted; the recovery record
// only comes back when `s` holds it).
inline void putBack(const std::string& folder, const Snapshot& s) {
  Snapshot now = snapshot(folder);
  for (const auto& [name, bytes] : now)
    if (!s.count(name)) platform::removeFile((folder + "/" + name).c_str());
  platform::removeFile((folder + "/INDEX_X.IX").c_str());
  for (const auto& [name, bytes] : s) testsupport::writeFile(folder + "/" + name, bytes);
}

// Names of the files whose bytes differ between two snapshots.
inline std::string differences(const Snapshot& a, const Snapshot& b) {
  std::string out;
  for (const auto& [name, bytes] : a) {
    auto it = b.find(name);
    if (it == b.end()) out += name + " (missing) ";
    else if (it->second != bytes) out += name + " ";
  }
  for (const auto& [name, bytes] : b)
    if (!a.count(name)) out += name + " (extra) ";
  return out;
}

// Runs `body` in a child process (no destructors run there) and returns the child's pid.
template <typename Body>
pid_t spawn(Body body) {
  pid_t pid = fork();
  if (pid == 0) {
    trace::setSink(nullptr, nullptr);
    _exit(body());
  }
  return pid;
}

inline int exitStatus(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 100 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

inline IndexHeader readHeader(const std::string& folder) {
  std::string bytes = testsupport::readFile(folder + "/INDEX_I.IX");
  IndexHeader h;
  h.decode(bytes.data(), bytes.data() + bytes.size());
  return h;
}

// Sums the files of `folder` anew after a test changed them by hand, so that the folder is a
// committed index an update will take (a writer refuses files that differ from their sums).
inline void resum(const std::string& folder) {
  if (!platform::fileExists((folder + "/INDEX_C.IX").c_str())) return;
  std::vector<std::string> paths;
  for (uint32_t type : checksumformat::kCoveredTypes) paths.push_back(indexfiles::path(folder, type));
  IndexChecksums sums;
  ASSERT_EQ(0, sums.compute(paths));
  ASSERT_EQ(0, sums.write(folder + "/INDEX_C.IX"));
}

inline void writeHeader(const std::string& folder, const IndexHeader& h) {
  std::string bytes(indexformat::kHeaderBytes, '\0');
  h.encode(bytes.data());
  testsupport::writeFile(folder + "/INDEX_I.IX", bytes);
  resum(folder);
}

}  // namespace indextest

class IndexDbFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    fdsBefore_ = testsupport::openDescriptorCount();
    std::string error;
    ASSERT_EQ(0, table_.load(testsupport::sourcePath("data/LEXAURUM.MSG"), &error)) << error;
    messages::setTable(&table_);
    trace::setSink(&IndexDbFixture::collect, this);
    check::setTerminateHook([] {});
    folder_ = dir_.file("ix");
  }
  void TearDown() override {
    trace::setSink(nullptr, nullptr);
    platform::clearFaultPlan();
    messages::setTable(nullptr);
    EXPECT_EQ(fdsBefore_, testsupport::openDescriptorCount()) << "descriptor leaked";
  }

  // Makes an index in folder_ (or `folder`).
  void make(bool relative = false, bool caseSensitive = false, bool accentSensitive = false,
            const std::string& folder = "") {
    IndexRequest r;
    r.folder = folder.empty() ? folder_ : folder;
    r.name = "Test index";
    r.relativePaths = relative;
    r.caseSensitive = caseSensitive;
    r.accentSensitive = accentSensitive;
    IndexMaker maker;
    ASSERT_EQ(0, maker.make(r)) << maker.errorText();
  }

  // Adds a document through a writer that is already open on the main files.
  static int32_t addDoc(TextDB& db, const std::string& name, int32_t words,
                        const std::string& map = "") {
    DocInfo d;
    FoundFile f;
    f.name = name;
    f.size = 1000 + words;
    f.modDate = dosdate::make(0x5A21, 0x6000);
    d.setFromFile(f);
    d.title = "Title of " + d.shortName;
    d.wordCount = words;
    d.importMap = map;
    size_t slash = name.rfind('/');
    d.pathId = DocInfo::folderId(db, name.substr(0, slash));
    if (d.pathId < 0) return -1;
    int32_t id = db.header().documentCount + 1;
    if (d.write(db, id) < 0 || d.addName(db) < 0) return -1;
    db.header().documentCount = id;
    return id;
  }

  bool traced(const std::string& prefix) const {
    for (const std::string& l : lines_)
      if (l.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
  }

  testsupport::TempDir dir_;
  std::string folder_;
  MessageTable table_;
  std::vector<std::string> lines_;

 private:
  static void collect(void* self, const char* line) {
    static_cast<IndexDbFixture*>(self)->lines_.push_back(line);
  }
  int fdsBefore_ = 0;
};
