// Job scripts run through the engine: the settings SET gives, continuation lines, the first
// line, commands that are skipped or fail, redirections, the script writer, and hostile
// scripts that must be logged and never crash or hang.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "api/DllInterface.h"
#include "api/LexaurumInstance.h"
#include "api/ScriptRunner.h"
#include "lexaurum/lexaurum.h"
#include "objects/Trace.h"
#include "tests/support/EngineTest.h"

namespace {

class ScriptRunTest : public testsupport::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    std::filesystem::create_directories(dir_.file("docs"));
    testsupport::writeFile(dir_.file("docs/a.txt"), "the quick brown fox\njumps over the dog\n");
    testsupport::writeFile(dir_.file("docs/b.txt"), "a brown cow and a lazy dog\n");
  }
  LexaurumInstance& engine() { return *DllInterface::current()->instance(); }

  // Writes the script `name` and runs it; the run's result.
  int run(const std::string& text, const std::string& name = "t.job") { return runScript(text, name); }
  std::string log(const std::string& name = "t.log") { return testsupport::readFile(dir_.file(name)); }

};

TEST_F(ScriptRunTest, SetFormsAndContinuationLinesGiveTheSameSettings) {
  testsupport::writeFile(dir_.file("a.job"),
                         "Lexaurum Script\nset indexpath=ix\nSET SORT NAME DESCENDING\n"
                         "Set DocPath = \"a\" \\\n\t\t\"b\"\n");
  testsupport::writeFile(dir_.file("b.job"),
                         "LEXAURUM SCRIPT\nSET INDEXPATH = ix\nSET SORT DATE ASCENDING\n");
  script::ScriptRunner a(engine(), dir_.file("a.job"));
  script::ScriptRunner b(engine(), dir_.file("b.job"));
  EXPECT_EQ(0, a.run());
  EXPECT_EQ(0, b.run());
  EXPECT_EQ(dir_.file("ix/"), a.settings().indexPath);
  EXPECT_EQ(a.settings().indexPath, b.settings().indexPath);
  EXPECT_EQ(4, a.sortType());
  EXPECT_EQ(10, b.sortType());
  EXPECT_EQ((std::vector<std::string>{dir_.file("a"), dir_.file("b")}), a.settings().docPaths);
}

TEST_F(ScriptRunTest, FirstLineMustNameTheScriptBeforeAnythingRuns) {
  EXPECT_EQ(-1, run("Lexaurum Scripts\nSYSTEM echo ran > ran.txt\n"));
  EXPECT_FALSE(testsupport::exists(dir_.file("ran.txt")));
  EXPECT_NE(std::string::npos, log().find("is not a Lexaurum job script"));
  EXPECT_EQ(-1, run("\x01\x02\xff\xfe garbage\x00\x00 more", "bin.job"));
  EXPECT_EQ(-1, run("", "empty.job"));
  int16_t result = 0;
  EXPECT_EQ(-1, lxrsRunScript(dir_.file("missing.job").c_str(), &result));
  EXPECT_NE(std::string::npos, log("missing.log").find("could not be opened"));
}

TEST_F(ScriptRunTest, UnknownWordsAreSkippedAndFailedCommandsDoNotStopTheRun) {
  EXPECT_EQ(0, run("lexaurum script\nfrobnicate this\n* a comment\nSYSTEM echo one > one.txt\n"));
  EXPECT_EQ("one\n", testsupport::readFile(dir_.file("one.txt")));
  EXPECT_EQ(-1, run("Lexaurum Script\nSET NOSUCH = 1\nSYSTEM rm -rf docs\nSET ARCHIVE yes\n"
                    "SYSTEM echo two > two.txt\n"));
  EXPECT_TRUE(testsupport::exists(dir_.file("docs/a.txt")));
  EXPECT_TRUE(testsupport::exists(dir_.file("two.txt")));
  std::string l = log();
  EXPECT_NE(std::string::npos, l.find("*** Unrecognized option: \"SET NOSUCH = 1\""));
  EXPECT_NE(std::string::npos, l.find("Execution error: Unknown command (0)"));
  EXPECT_NE(std::string::npos, l.find("Execution ended at: "));
}

TEST_F(ScriptRunTest, ListWordsReplacesARedirectionAndAppendsToTheLogWithout) {
  testsupport::writeFile(dir_.file("words.txt"), "old contents\n");
  EXPECT_EQ(0, run("Lexaurum Script\nSet IndexPath ix\nCreate\nSet DocPath docs\nAdd\n"
                   "Set Header off\nList Words > words.txt\nList Words Count\n"));
  EXPECT_EQ("brown\ncow\ndog\nfox\njumps\nlazy\nquick\n", testsupport::readFile(dir_.file("words.txt")));
  EXPECT_NE(std::string::npos, log().find("       2 brown\n"));
  // A redirection never overwrites a word-processor document.
  const std::string rtf = "{\\rtf1\\ansi hello}";
  testsupport::writeFile(dir_.file("doc.rtf"), rtf);
  EXPECT_EQ(-1, run("Lexaurum Script\nSet IndexPath ix\nList Words > doc.rtf\n"
                    "System echo x > doc.rtf\n", "doc.job"));
  EXPECT_EQ(rtf, testsupport::readFile(dir_.file("doc.rtf")));
  EXPECT_NE(std::string::npos, log("doc.log").find("Refused to write " + dir_.file("doc.rtf")));
}

TEST_F(ScriptRunTest, AWrongHitPositionIsReportedAndFailsTheRun) {
  const std::string head =
      "Lexaurum Script\nSet IndexPath ix\nCreate\nSet DocPath docs\nAdd\nSet Request brown\n"
      "Search Hits > out.lst\nTest Results out.lst a.txt 3\n";
  EXPECT_EQ(0, run(head + "Test Results out.lst b.txt {2}\nTest Results out.lst ~c.txt\n"));
  EXPECT_EQ(-1, run(head + "Test Results out.lst b.txt 4\n", "bad.job"));
  EXPECT_NE(std::string::npos, log("bad.log").find("]]]Test >>> FAILED <<<: Test Results out.lst b.txt 4\n"
                                                   "]]]     Hits mismatch: 2 != 4 in "));
}

TEST_F(ScriptRunTest, AWrittenScriptForACaseAndAccentIndexMakesSuchAnIndex) {
  std::filesystem::create_directories(dir_.file("d1"));
  testsupport::writeFile(dir_.file("d1/x.txt"), "Alpha beta\n");
  testsupport::writeFile(dir_.file("dirs.lst"), dir_.file("d1") + "\n" + dir_.file("docs") + "\n");
  lxrIndexJob job;
  LXR_INIT_RECORD(job);
  std::snprintf(job.indexName, sizeof job.indexName, "Written");
  std::snprintf(job.indexPath, sizeof job.indexPath, "%s", dir_.file("wix").c_str());
  std::snprintf(job.toAdd.directoryListName, sizeof job.toAdd.directoryListName, "%s",
                dir_.file("dirs.lst").c_str());
  job.create = job.add = job.caseSensitive = job.accentSensitive = 1;
  char written[LXR_PATH_CHARS];
  int16_t result = 0;
  ASSERT_EQ(0, lxrsWriteScript(&job, dir_.file("saved.txt").c_str(), written, sizeof written, &result));
  EXPECT_EQ(dir_.file("saved.job"), written);
  std::string text = testsupport::readFile(written);
  EXPECT_NE(std::string::npos, text.find("\nCreate Case Accent\n"));
  EXPECT_NE(std::string::npos, text.find("Set DocPath = \"" + dir_.file("d1") + "\" \\\n\t\t\"" +
                                         dir_.file("docs") + "\"\nAdd\nQuit\n"));
  ASSERT_EQ(0, lxrsRunScript(written, &result)) << log("saved.log");
  lxrIndexInfo info;
  LXR_INIT_RECORD(info);
  ASSERT_EQ(0, lxrsGetIndexInfo(dir_.file("wix").c_str(), &info, &result));
  EXPECT_EQ(1, info.caseSensitive);
  EXPECT_EQ(1, info.accentSensitive);
  EXPECT_EQ(3, info.documents);
  // The script made the index known to the library: its name alone finds it now.
  EXPECT_EQ(0, run("Lexaurum Script\nSet IndexName = Written\nSet Header off\nList Words Match Alpha > w.txt\n",
                   "byname.job"));
  EXPECT_EQ("Alpha\n", testsupport::readFile(dir_.file("w.txt")));
}

TEST_F(ScriptRunTest, HostileScriptsAreLoggedAndNeverCrash) {
  std::string many = "SET DOCPATH";
  for (int i = 0; i < 1500; ++i) many += " w" + std::to_string(i);
  std::string longLine = "SET REQUEST " + std::string(5000, 'x');
  EXPECT_EQ(-1, run("Lexaurum Script\nSET REQUEST \"unterminated\n" + many + "\n" + longLine +
                    "\nLIST WORDS > /no/such/folder/out.txt\nSET\nTEST\nLIST\nREPORT\n"
                    "SYSTEM copy\nSYSTEM\nTEST RESULTS\nTEST REPORT x\nREMOVELISTED\n"
                    "SYSTEM echo x > /no/such/folder/f\nSET INDEXPATH ix \\"));
  std::string l = log();
  EXPECT_NE(std::string::npos, l.find("more than 1000 words"));
  EXPECT_NE(std::string::npos, l.find("*** Unknown test type ***"));
  EXPECT_NE(std::string::npos, l.find("Unknown LIST command"));
  EXPECT_NE(std::string::npos, l.find(">> SET INDEXPATH ix\n"));
  EXPECT_NE(std::string::npos, l.find("Execution ended at: "));
}

}  // namespace
