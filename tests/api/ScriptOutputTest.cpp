// Where a job script may write and delete: every way a script could replace or remove an
// indexed document, a program, a word-processor document, an index file or a file outside
// its folder tree (redirections, SET LISTING and RESULTS, LIST, SYSTEM echo, copy and del;
// "../", absolute names and links) is refused with a log line and a failed command, and the
// writes a script should make still work.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "api/DllInterface.h"
#include "api/LexaurumInstance.h"
#include "lexaurum/lexaurum.h"
#include "tests/support/EngineTest.h"

namespace {

namespace fs = std::filesystem;

class ScriptOutputTest : public testsupport::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    fs::create_directories(dir_.file("docs"));
    fs::create_directories(dir_.file("tools"));
    fs::create_directories(dir_.file("out"));
    testsupport::writeFile(dir_.file("docs/a.txt"), "the quick brown fox\n");
    testsupport::writeFile(dir_.file("docs/b.txt"), "a brown cow\n");
    testsupport::writeFile(dir_.file("tools/prog"), std::string("\x7f" "ELF\x02\x01\x01\0\0\0\0\0", 12));
    testsupport::writeFile(dir_.file("tools/run.sh"), "#!/bin/sh\necho hi\n");
    fs::permissions(dir_.file("tools/run.sh"), fs::perms::owner_exec, fs::perm_options::add);
    testsupport::writeFile(dir_.file("letter.rtf"), "{\\rtf1\\ansi Dear sir}");
    testsupport::writeFile(outside_.file("victim.txt"), "outside the script's folder\n");
    fs::create_symlink(dir_.file("docs/a.txt"), dir_.file("link-doc"));
    fs::create_symlink(outside_.file("victim.txt"), dir_.file("link-out"));
    fs::create_symlink(dir_.file("ix/INDEX_R.IX"), dir_.file("link-ix"));
    ASSERT_EQ(0, run("Lexaurum Script\nSet IndexPath ix\nCreate\nSet DocPath docs\nAdd\n", "make.job"));
  }
  LexaurumInstance& engine() { return *DllInterface::current()->instance(); }

  int run(const std::string& text, const std::string& name = "t.job") { return runScript(text, name); }
  std::string log() { return testsupport::readFile(dir_.file("t.log")); }

  testsupport::TempDir outside_;
};

TEST_F(ScriptOutputTest, NoCommandReplacesOrDeletesWhatItMustNot) {
  const std::string outsideRel = fs::relative(outside_.file("victim.txt"), dir_.file("")).string();
  struct Case {
    std::string command;
    std::string victim;  // relative to the script's folder, or absolute
  };
  const std::vector<Case> cases = {
      {"Search > docs/a.txt", "docs/a.txt"},
      {"Search >> docs/b.txt", "docs/b.txt"},
      {"Set Listing = docs/a.txt\nSearch", "docs/a.txt"},
      {"Set Results = docs/b.txt\nSearch", "docs/b.txt"},
      {"Search > ix/INDEX_R.IX", "ix/INDEX_R.IX"},
      {"List Words > ix/INDEX_K.IX", "ix/INDEX_K.IX"},
      {"List Files > ix/INDEX_D.IX", "ix/INDEX_D.IX"},
      {"List Info > ix/new.lst", "ix/new.lst"},
      {"Search > " + outsideRel, outside_.file("victim.txt")},
      {"Search > " + outside_.file("victim.txt"), outside_.file("victim.txt")},
      {"Search > " + outside_.file("new.lst"), outside_.file("new.lst")},
      {"Search > link-out", outside_.file("victim.txt")},
      {"Search > link-doc", "docs/a.txt"},
      {"Search > link-ix", "ix/INDEX_R.IX"},
      {"Search > tools/prog", "tools/prog"},
      {"Search > tools/run.sh", "tools/run.sh"},
      {"List Info > letter.rtf", "letter.rtf"},
      {"System echo x > docs/a.txt", "docs/a.txt"},
      {"System echo x >> tools/run.sh", "tools/run.sh"},
      {"System echo x > link-out", outside_.file("victim.txt")},
      {"System copy docs/b.txt docs/a.txt", "docs/a.txt"},
      {"System copy docs/b.txt " + outside_.file("victim.txt"), outside_.file("victim.txt")},
      {"System copy docs/b.txt ix/INDEX_I.IX", "ix/INDEX_I.IX"},
      {"System del docs/a.txt", "docs/a.txt"},
      {"System del ix/INDEX_I.IX", "ix/INDEX_I.IX"},
      {"System del tools/prog", "tools/prog"},
      {"System del " + outsideRel, outside_.file("victim.txt")},
  };
  for (const Case& c : cases) {
    const std::string victim = c.victim[0] == '/' ? c.victim : dir_.file(c.victim);
    const bool existed = testsupport::exists(victim);
    const std::string before = existed ? testsupport::readFile(victim) : "";
    EXPECT_EQ(-1, run("Lexaurum Script\nSet IndexPath ix\nSet Request brown\n" + c.command + "\n"))
        << c.command;
    EXPECT_EQ(existed, testsupport::exists(victim)) << c.command;
    if (existed) {
      EXPECT_EQ(before, testsupport::readFile(victim)) << c.command;
    }
    EXPECT_NE(std::string::npos, log().find("*** Refused to ")) << c.command << "\n" << log();
    std::fprintf(stderr, "%s\n", log().substr(log().find("*** Refused")).c_str());
  }
  // The index answers as before.
  EXPECT_EQ(0, run("Lexaurum Script\nSet IndexPath ix\nTest Verify ix\nSet Request brown\n"
                   "Search Hits > out/brown.lst\nTest Results out/brown.lst a.txt 3\nTest Results out/brown.lst b.txt 2\n"))
      << log();
}

TEST_F(ScriptOutputTest, WritesInsideTheTreeAndWhereTheOptionsAllowStillWork) {
  testsupport::writeFile(dir_.file("out/target.lst"), "an old listing\n");
  fs::create_symlink(dir_.file("out/target.lst"), dir_.file("link-ok"));
  EXPECT_EQ(0, run("Lexaurum Script\nSet IndexPath ix\nSet Request brown\nSearch > out/one.lst\n"
                   "Search > p/two.lst\nSearch > link-ok\nSystem echo x > out/three.txt\n"
                   "System copy out/three.txt out/four.txt\nSystem del out/four.txt\n"))
      << log();
  EXPECT_NE(std::string::npos, testsupport::readFile(dir_.file("out/one.lst")).find("a.txt"));
  EXPECT_TRUE(testsupport::exists(dir_.file("p/two.lst")));
  EXPECT_NE(std::string::npos, testsupport::readFile(dir_.file("out/target.lst")).find("a.txt"))
      << "a link to a file the script may write is followed";
  EXPECT_FALSE(testsupport::exists(dir_.file("out/four.txt")));

  // A script cannot widen its own limits; the options file can.
  EXPECT_EQ(-1, run("Lexaurum Script\nOption scriptOutputFolders *\nSystem echo x > " +
                    outside_.file("new.txt") + "\n"));
  EXPECT_FALSE(testsupport::exists(outside_.file("new.txt")));
  engine().setup().scriptOutputFolders = "/nowhere ; " + outside_.file("");
  engine().setup().scriptChangesDocuments = true;
  EXPECT_EQ(0, run("Lexaurum Script\nSet IndexPath ix\nSystem echo x > " + outside_.file("new.txt") +
                   "\nSystem copy docs/b.txt docs/a.txt\n"))
      << log();
  EXPECT_EQ("x\n", testsupport::readFile(outside_.file("new.txt")));
  EXPECT_EQ("a brown cow\n", testsupport::readFile(dir_.file("docs/a.txt")));
  EXPECT_EQ(-1, run("Lexaurum Script\nSet IndexPath ix\nSystem del tools/prog\nSystem del ix/INDEX_I.IX\n"))
      << "programs and index files stay protected";
  EXPECT_TRUE(testsupport::exists(dir_.file("tools/prog")));
  EXPECT_TRUE(testsupport::exists(dir_.file("ix/INDEX_I.IX")));
}

}  // namespace
