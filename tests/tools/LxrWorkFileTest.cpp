// The files lxr makes under fixed names (the work files and new copies in the index folder,
// the results file and the library's new copy in the private folder) with a link planted
// at the name: nothing is ever written through it, the jobs that need the file fail and
// say why, and the index is whole afterwards.
#include <sys/wait.h>
#include <utime.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/TempDir.h"
#include "tests/support/ToolRun.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ToolRun;

bool has(const ToolRun& r, const std::string& text) { return r.output.find(text) != std::string::npos; }

class LxrWorkFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_.file("docs"));
    for (int i = 0; i < 3; ++i) {
      std::string name = dir_.file("docs/a" + std::to_string(i) + ".txt");
      testsupport::writeFile(name, "harbour tide pilot " + std::to_string(i) + "\n");
      struct utimbuf t{1700000000 + i, 1700000000 + i};
      utime(name.c_str(), &t);
    }
    testsupport::writeFile(victim(), "not the engine's\n");
    ASSERT_EQ(0, lxr("add " + ix() + " " + dir_.file("docs")).status);
  }
  ToolRun lxr(const std::string& args) { return testsupport::runLxr(dir_.file("priv"), args); }
  std::string ix() { return dir_.file("ix"); }
  std::string victim() { return dir_.file("victim.txt"); }
  // Gives a0.txt new words and a new date, so that an update has work to do.
  void change(int round) {
    std::string name = dir_.file("docs/a0.txt");
    testsupport::writeFile(name, "quay" + std::to_string(round) + " harbour\n");
    struct utimbuf t{1710000000 + 10 * round, 1710000000 + 10 * round};
    utime(name.c_str(), &t);
  }

  testsupport::TempDir dir_;
};

TEST_F(LxrWorkFileTest, LinksPlantedInTheIndexFolderAreNeverWrittenThrough) {
  struct Plant {
    const char* name;
    bool mustFail;  // the update needs the file; otherwise it may drop the link and go on
  };
  const Plant plants[] = {
      {"FILELIST.TMP", true},    {"TOINDEX.TMP", true},     {"MERGE.TMP", true},
      {"INDEX_I.IX.new", true},  {"INDEX_O.IX.new", false},  {"INDEX_C.IX.new", false},
      {"INDEXLOG.DAT", false},   {"CNCL.TMP", false},       {"IXK1.IX", false},
      {"IXK2.IX", false},        {"IXK3.IX", false},
  };
  int round = 0;
  for (const Plant& p : plants) {
    const std::string at = ix() + "/" + p.name;
    if (fs::exists(fs::symlink_status(at))) continue;  // a file the index holds now
    change(++round);
    fs::create_symlink(victim(), at);
    ToolRun r = lxr("update " + ix());
    EXPECT_EQ("not the engine's\n", testsupport::readFile(victim())) << p.name << "\n" << r.output;
    if (p.mustFail) {
      EXPECT_NE(0, r.status) << p.name << "\n" << r.output;
    }
    fs::remove(at);
  }
  // What a failed update left is undone by the next one, which takes the change in.
  change(++round);
  EXPECT_EQ(0, lxr("update " + ix()).status);
  EXPECT_EQ(0, lxr("verify " + ix()).status);
  EXPECT_TRUE(has(lxr("search quay" + std::to_string(round) + " " + ix()), "a0.txt"));

  // The failures name the file and the link.
  change(++round);
  fs::create_symlink(victim(), ix() + "/MERGE.TMP");
  ToolRun r = lxr("update " + ix());
  EXPECT_TRUE(has(r, "MERGE.TMP") && has(r, "symbolic link")) << r.output;
  fs::remove(ix() + "/MERGE.TMP");

  // A hard link at a work file's name is replaced, not written through.
  fs::create_hard_link(victim(), ix() + "/MERGE.TMP");
  change(++round);
  EXPECT_EQ(0, lxr("update " + ix()).status);
  EXPECT_EQ("not the engine's\n", testsupport::readFile(victim()));
}

TEST_F(LxrWorkFileTest, LinksPlantedInThePrivateFolderAreNeverWrittenThrough) {
  // The results file is named by the tool's process id: the shell plants it, then becomes lxr.
  const std::string cmd = "sh -c 'ln -s " + victim() + " " + dir_.file("priv") + "/RESULTS$$.TMP && exec " +
                          testsupport::binaryPath("tools/lxr") + " --dir " + dir_.file("priv") +
                          " search harbour " + ix() + "' 2>&1";
  std::string output;
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(nullptr, p);
  std::array<char, 512> buf;
  for (size_t n; (n = fread(buf.data(), 1, buf.size(), p)) > 0;) output.append(buf.data(), n);
  int st = pclose(p);
  EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) != 0) << output;
  EXPECT_NE(std::string::npos, output.find("symbolic link")) << output;
  EXPECT_EQ("not the engine's\n", testsupport::readFile(victim()));

  // The library's new copy: a second index changes the library.
  fs::create_symlink(victim(), dir_.file("priv/IXLIB.ILB.new"));
  lxr("add " + dir_.file("ix2") + " " + dir_.file("docs"));
  EXPECT_EQ("not the engine's\n", testsupport::readFile(victim()));
}

}  // namespace
