// The TEST RESULTS and TEST REPORT checks and the SYSTEM built-ins, over hand-written files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/BuiltinCommands.h"
#include "import/ImportFile.h"
#include "api/ScriptChecks.h"
#include "tests/support/TempDir.h"

namespace {

using Failures = std::vector<std::string>;

TEST(ScriptChecksTest, ResultsFindTheItemOnceAndCompareItsPositions) {
  testsupport::TempDir dir;
  const std::string lst = dir.file("l.lst");
  testsupport::writeFile(lst, "* header naming a.txt\n    2 /d/a.txt\n\n     {3 9 }\n/d/b.txt\n     {4 }\n"
                              "/d/b.txt.bak\n     {4 }\n");
  EXPECT_EQ(Failures{}, script::checkResults(lst, "a.txt", {3, 9}));
  EXPECT_EQ(Failures{"Hits mismatch: 9 != 8 in      {3 9 }"}, script::checkResults(lst, "a.txt", {3, 8}));
  EXPECT_EQ(Failures{"Hit not found: 12 in      {3 9 }"}, script::checkResults(lst, "a.txt", {3, 9, 12}));
  EXPECT_EQ(Failures{"Hits mismatch: 9 != (no more hits) in      {3 9 }"}, script::checkResults(lst, "a.txt", {3}));
  EXPECT_EQ(Failures{"Duplicate item: b.txt in /d/b.txt.bak"}, script::checkResults(lst, "b.txt", {4}));
  EXPECT_EQ(Failures{"Not retrieved: c.txt"}, script::checkResults(lst, "c.txt", {}));
  EXPECT_EQ(Failures{}, script::checkResults(lst, "~c.txt", {}));
  EXPECT_EQ(Failures{"Item should not be retrieved: a.txt"}, script::checkResults(lst, "~a.txt", {}));
  EXPECT_EQ(Failures{"Unable to open file " + dir.file("none")}, script::checkResults(dir.file("none"), "a", {}));
}

TEST(ScriptChecksTest, ReportTextIsLookedForInTheDocumentsOwnSection) {
  testsupport::TempDir dir;
  const std::string rpt = dir.file("r.rpt");
  testsupport::writeFile(rpt, "Lexaurum Search Report\nRequest:   \"fox\"\n=================\n/d/a.txt\n"
                              "   Hits: 1   Score: 3\n*     2  the brown fox\n=================\n/d/b.txt\n"
                              "   Title: fox notes\n=================\n");
  EXPECT_EQ(Failures{}, script::checkReport(rpt, "a.txt", "*brown fox"));
  EXPECT_EQ(Failures{}, script::checkReport(rpt, "b.txt", "fox notes"));
  EXPECT_EQ(Failures{"Text not found in report for b.txt: \"*fox\""}, script::checkReport(rpt, "b.txt", "*fox"));
  EXPECT_EQ(Failures{"Document not retrieved: c.txt"}, script::checkReport(rpt, "c.txt", "fox"));
  EXPECT_EQ(Failures{"Item should not be retrieved: a.txt"}, script::checkReport(rpt, "~a.txt", "fox"));
  EXPECT_EQ(Failures{}, script::checkReport(rpt, "a.txt", "~notes"));
  testsupport::writeFile(dir.file("x.txt"), "Lexaurum Search Listing\n");
  EXPECT_EQ(Failures{"File " + dir.file("x.txt") + " is not a Search Report"},
            script::checkReport(dir.file("x.txt"), "a", "b"));
}

TEST(ScriptChecksTest, BuiltinsCopyCompareAndRefuseEverythingElse) {
  testsupport::TempDir dir;
  std::vector<std::string> log;
  ViewerTable viewers;
  script::BuiltinCommands sys([&dir](const std::string& n) { return dir.file(n); },
                              [&log](const std::string& l) { log.push_back(l); },
                              [&viewers](const std::string& n, bool) { return outputfile::mayWrite(n, nullptr, viewers); });
  testsupport::writeFile(dir.file("a.txt"), "one  \r\ntwo\n");
  testsupport::writeFile(dir.file("b.txt"), "one\ntwo\n");
  EXPECT_EQ(0, sys.run("COMP a.txt b.txt"));
  EXPECT_EQ(0, sys.run("copy b.txt c.txt"));
  EXPECT_EQ(0, sys.run("echo three >> c.txt"));
  EXPECT_EQ("one\ntwo\nthree\n", testsupport::readFile(dir.file("c.txt")));
  EXPECT_EQ(0, sys.run("comp a.txt c.txt > v.txt"));
  EXPECT_EQ("Files differ\n", testsupport::readFile(dir.file("v.txt")));
  EXPECT_EQ(0, sys.run("del c.txt"));
  EXPECT_FALSE(testsupport::exists(dir.file("c.txt")));
  EXPECT_EQ(-1, sys.run("copy missing.txt d.txt"));
  EXPECT_EQ("Unable to access file", sys.errorText());
  for (const char* refused : {"deltree a.txt", "sh -c true", "exitwindows", "", "touch"})
    EXPECT_EQ(-1, sys.run(refused)) << refused;
  EXPECT_TRUE(testsupport::exists(dir.file("a.txt")));
  EXPECT_EQ((std::vector<std::string>{"Files are identical"}), log);
}

}  // namespace
