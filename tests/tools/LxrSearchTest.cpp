// lxr search and lxr show as a user runs them: documents best first with their hits, the
// request echo for a faulty request, the history, several indexes in one search, the
// options that are easy to get wrong, JSON lines, and a document shown with its hits.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "io/FileMode.h"
#include "io/Vlrfile.h"
#include "tests/support/TempDir.h"
#include "tests/support/ToolRun.h"

namespace {

using testsupport::ToolRun;

bool has(const ToolRun& r, const std::string& text) { return r.output.find(text) != std::string::npos; }

}  // namespace

TEST(LxrSearchTest, FindsRanksAndReports) {
  testsupport::TempDir dir;
  std::string priv = dir.file("p"), a = dir.file("a"), b = dir.file("b");
  std::filesystem::create_directories(dir.file("docs-a"));
  std::filesystem::create_directories(dir.file("docs-b"));
  testsupport::writeFile(dir.file("docs-a/one.txt"), "the pilot boards at the outer buoy\n");
  testsupport::writeFile(dir.file("docs-a/two.txt"), "a pilot pilot pilot and a tug\n");
  testsupport::writeFile(dir.file("docs-b/three.txt"), "buoy lights and the pilot station\n");
  ASSERT_EQ(0, testsupport::runLxr(priv, "add " + a + " " + dir.file("docs-a")).status);
  ASSERT_EQ(0, testsupport::runLxr(priv, "add " + b + " " + dir.file("docs-b")).status);

  ToolRun both = testsupport::runLxr(priv, "search " + a + "," + b + " 'pilot and buoy' --hits");
  EXPECT_EQ(0, both.status) << both.output;
  EXPECT_TRUE(has(both, "Retrieved 2 documents containing 4 hits")) << both.output;
  EXPECT_TRUE(has(both, "one.txt\n     {2 7 }")) << both.output;
  EXPECT_TRUE(has(both, "three.txt\n     {1 5 }")) << both.output;

  ToolRun ranked = testsupport::runLxr(priv, "search " + a + " pilot");
  EXPECT_LT(ranked.output.find("two.txt"), ranked.output.find("one.txt")) << "more hits first";

  ToolRun near = testsupport::runLxr(priv, "search " + a + " 'pilot w/2 buoy'");
  EXPECT_EQ(1, near.status) << "pilot at 2 and buoy at 7 are too far apart";
  EXPECT_TRUE(has(near, "No documents were retrieved."));

  ToolRun faulty = testsupport::runLxr(priv, "search " + a + " '(pilot and'");
  EXPECT_EQ(2, faulty.status);
  EXPECT_TRUE(has(faulty, "There is a problem with your search request")) << faulty.output;

  std::string history = testsupport::readFile(priv + "/SHISTORY.DAT");
  EXPECT_TRUE(has(ToolRun{0, history}, "Lexaurum Search History"));
  EXPECT_TRUE(has(ToolRun{0, history}, "pilot w/2 buoy"));
  EXPECT_EQ(2, testsupport::runLxr(priv, "search " + a).status);
}

namespace {

// Two indexes: "one.txt" and "two.txt" in the first (also in the library as Harbour), and
// "three.txt" in the second.
class LxrSearchOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    priv = dir.file("p");
    a = dir.file("a");
    b = dir.file("b");
    std::filesystem::create_directories(dir.file("docs-a"));
    std::filesystem::create_directories(dir.file("docs-b"));
    testsupport::writeFile(dir.file("docs-a/one.txt"), "the pilot boards at the outer buoy\n");
    testsupport::writeFile(dir.file("docs-a/two.txt"), "a pilot pilot pilot and a tug\n");
    testsupport::writeFile(dir.file("docs-b/three.txt"), "buoy lights and\nthe pilot station\n");
    ASSERT_EQ(0, lxr("add " + a + " " + dir.file("docs-a")).status);
    ASSERT_EQ(0, lxr("add " + b + " " + dir.file("docs-b")).status);
    ASSERT_EQ(0, lxr("library add Harbour " + a).status);
  }
  ToolRun lxr(const std::string& args) { return testsupport::runLxr(priv, args); }

  testsupport::TempDir dir;
  std::string priv, a, b;
};

}  // namespace

TEST_F(LxrSearchOptionsTest, RequestFirstThenIndexesWithMaxAlsoAndErrors) {
  ToolRun best = lxr("search pilot Harbour " + b + " --max 1");
  EXPECT_EQ(0, best.status) << best.output;
  EXPECT_TRUE(has(best, "two.txt")) << best.output;
  EXPECT_FALSE(has(best, "one.txt") || has(best, "three.txt")) << best.output;
  EXPECT_TRUE(has(best, "Retrieved 3 documents containing 5 hits (the best 1 shown)")) << best.output;

  ToolRun also = lxr("search pilot " + a + " --also tug");
  EXPECT_TRUE(has(also, "two.txt") && !has(also, "one.txt")) << also.output;

  std::string listing = dir.file("listing.txt");
  ASSERT_EQ(0, lxr("search pilot " + a + " --listing " + listing + " --listing-flags 1025").status);
  ASSERT_EQ(0, lxr("search tug " + a + " --listing " + listing + " --listing-flags 2050").status);
  std::string listed = testsupport::readFile(listing);
  EXPECT_TRUE(has(ToolRun{0, listed}, "* Retrieved 2 documents containing 4 hits\n    3 " + dir.file("docs-a/two.txt")))
      << listed;
  EXPECT_TRUE(has(ToolRun{0, listed}, "    1 " + dir.file("docs-a/one.txt") + "\n" + dir.file("docs-a/two.txt") +
                                          "\n     {7 }")) << "appended, hits without counts: " << listed;

  ToolRun byName = lxr("search pilot " + a + " --sort name --ascending");
  EXPECT_LT(byName.output.find("one.txt"), byName.output.find("two.txt")) << byName.output;

  ToolRun faulty = lxr("search 'pilot and (buoy' " + a);
  EXPECT_EQ(2, faulty.status) << faulty.output;
  EXPECT_TRUE(has(faulty, "problem with your search request")) << faulty.output;
  EXPECT_FALSE(has(faulty, "usage:")) << faulty.output;

  for (const char* bad : {" --sort sideways", " --max 0", " --fuzzy 12", " --include '*.txt'",
                          " --listing-flags 1", " --context"}) {
    ToolRun r = lxr("search pilot " + a + bad);
    EXPECT_EQ(2, r.status) << bad;
    EXPECT_TRUE(has(r, "usage:")) << bad << r.output;
  }
  EXPECT_EQ(2, lxr("search pilot " + dir.file("docs-a")).status) << "a folder without an index";
}

TEST_F(LxrSearchOptionsTest, FilesScanFollowsIncludeAndExclude) {
  std::string f = dir.file("loose");
  std::filesystem::create_directories(f + "/sub");
  for (const char* name : {"/keep.txt", "/skip.txt", "/other.log", "/sub/deep.txt"})
    testsupport::writeFile(f + name, "the pilot waits\n");
  ToolRun r = lxr("search pilot --files " + f + " --include '*.txt' --exclude 'skip*'");
  EXPECT_EQ(0, r.status) << r.output;
  EXPECT_TRUE(has(r, "keep.txt") && has(r, "deep.txt")) << r.output;
  EXPECT_FALSE(has(r, "skip.txt") || has(r, "other.log")) << r.output;
  // Files and an index in one search.
  ToolRun both = lxr("search 'pilot w/1 waits' " + b + " --folder " + f);
  EXPECT_TRUE(has(both, "Retrieved 4 documents")) << both.output;
}

TEST_F(LxrSearchOptionsTest, JsonLinesAndContext) {
  std::string odd = dir.file("docs-a/say \"hi\"\\now\t\xe9.html");
  testsupport::writeFile(odd, "<html><head><title>Tab\there</title></head><body>pilot</body></html>");
  ASSERT_EQ(0, lxr("update " + a).status);
  ToolRun r = lxr("search 'pilot or buoy' " + a + " --json --context 1");
  EXPECT_EQ(0, r.status) << r.output;
  EXPECT_TRUE(has(r, "say \\\"hi\\\"\\\\now\\t\\ufffd.html\",\"title\":\"Tab here\"")) << r.output;
  EXPECT_TRUE(has(r, "one.txt\",\"title\":\"\",\"date\":\"")) << r.output;
  EXPECT_TRUE(has(r, "\"size\":35,\"hitCount\":2,")) << r.output;
  EXPECT_TRUE(has(r, "\"hits\":[2,7],\"context\":[\"the pilot boards...\",\"...outer buoy\"],\"contextLines\":[1,1]}\n")) << r.output;
  int lines = 0;
  for (char c : r.output) lines += c == '\n';
  EXPECT_EQ(3, lines) << "one object per document, nothing else: " << r.output;

  // (standard output to a file, standard error dropped)
  EXPECT_TRUE(has(lxr("search zzz " + a + " --json > " + dir.file("none.json") + " 2>/dev/null; echo status=$?"), "status=1"));
  EXPECT_EQ("", testsupport::readFile(dir.file("none.json"))) << "engine messages stay off the JSON";

  ToolRun plain = lxr("search buoy " + a + "," + b + " --context 2");
  EXPECT_TRUE(has(plain, "one.txt\n        1: ...the outer [buoy]\n")) << plain.output;
  EXPECT_TRUE(has(plain, "three.txt\n        1: [buoy] lights and...\n")) << plain.output;
}

TEST_F(LxrSearchOptionsTest, ShowMarksTheHitsOfTheRequest) {
  std::string doc = dir.file("docs-b/three.txt");
  ToolRun alone = lxr("show " + doc + " --request 'pilot w/4 buoy'");
  EXPECT_EQ(0, alone.status) << alone.output;
  EXPECT_TRUE(has(alone, "     1* [buoy] lights and\n     2* the [pilot] station\n")) << alone.output;

  ToolRun indexed = lxr("show " + doc + " --request 'station' --index " + b + " --hit-lines");
  EXPECT_EQ(0, indexed.status) << indexed.output;
  EXPECT_TRUE(has(indexed, "1 hit\n     2* the pilot [station]\n")) << indexed.output;
  EXPECT_FALSE(has(indexed, "lights")) << "only the lines with hits";
  ToolRun first = lxr("show " + doc + " --request buoy --index " + b + " --hit-lines");
  EXPECT_TRUE(has(first, "1 hit\n     1* [buoy] lights and\n")) << first.output;
  EXPECT_FALSE(has(first, "station")) << first.output;

  EXPECT_EQ(1, lxr("show " + doc + " --request tug").status);
  EXPECT_EQ(2, lxr("show " + doc + " --request '(tug'").status);
  EXPECT_EQ(2, lxr("show " + doc).status);
}

// A consistency check that fails in a search fails that search and the job script that ran
// it, with the check's message, and never ends the process: nobody is there to be asked.
TEST(LxrSearchTest, AFailedCheckFailsTheScriptWithItsMessageAndNoSignal) {
  testsupport::TempDir dir;
  std::string priv = dir.file("p"), ix = dir.file("ix");
  std::filesystem::create_directories(dir.file("docs"));
  for (int i = 0; i < 5; ++i)
    testsupport::writeFile(dir.file("docs/d" + std::to_string(i) + ".txt"), "county fulton record\n");
  ASSERT_EQ(0, testsupport::runLxr(priv, "add " + ix + " " + dir.file("docs")).status);
  {
    // The field count of document 1's record, far beyond what a record can hold.
    vlrFile docs;
    ASSERT_EQ(0, docs.open((ix + "/INDEX_D.IX").c_str(), filemode::kRead));
    vlrObjectInfo first;
    ASSERT_EQ(0, docs.objectAt(docs.getFirstRecordPos(), &first));
    docs.close();
    std::string bytes = testsupport::readFile(ix + "/INDEX_D.IX");
    const size_t fieldCountPos = static_cast<size_t>(first.nextPos) + 1 + 4;
    ASSERT_LT(fieldCountPos + 1, bytes.size());
    bytes[fieldCountPos] = '\xFF';
    bytes[fieldCountPos + 1] = '\x7F';
    testsupport::writeFile(ix + "/INDEX_D.IX", bytes);
  }
  testsupport::writeFile(dir.file("s.job"), "Lexaurum Script\nSet IndexPath = " + ix +
                                                "\nSet Request = county\nSearch\nQuit\n");
  ToolRun run = testsupport::runLxr(priv, "run " + dir.file("s.job"));
  EXPECT_EQ(5, run.status) << run.output;  // the status of a damaged index, as for lxr search
  std::string log = testsupport::readFile(dir.file("s.log"));
  EXPECT_TRUE(has(ToolRun{0, log}, "ERROR -- ASSERTION FAILED in io/Vlrfile")) << log;
  EXPECT_TRUE(has(ToolRun{0, log}, "*** Error executing command ***")) << log;

  // The search fails too: a damaged index gives no answer, and no question is put.
  ToolRun search = testsupport::runLxr(priv, "search county " + ix);
  EXPECT_EQ(5, search.status) << search.output;
  EXPECT_TRUE(has(search, "the index is damaged")) << search.output;
  EXPECT_FALSE(has(search, "Terminate the program?")) << search.output;
  EXPECT_FALSE(has(search, "Retrieved")) << search.output;
}

TEST(LxrSearchTest, QuotedWordsFoldAsTheIndexFoldsItsWords) {
  testsupport::TempDir dir;
  const std::string priv = dir.file("p"), docs = dir.file("docs"), blind = dir.file("blind"), exact = dir.file("exact");
  std::filesystem::create_directories(docs);
  testsupport::writeFile(docs + "/a.txt", "Apple pie or not\n");
  ASSERT_EQ(0, testsupport::runLxr(priv, "add " + blind + " " + docs).status);
  ASSERT_EQ(0, testsupport::runLxr(priv, "create " + exact + " --case").status);
  ASSERT_EQ(0, testsupport::runLxr(priv, "add " + exact + " " + docs).status);
  for (const char* request : {"'\"Apple pie\"'", "'\"APPLE\"'", "'\"apple pie or\"'"})
    EXPECT_EQ(0, testsupport::runLxr(priv, std::string("search ") + request + " " + blind).status) << request;
  EXPECT_EQ(0, testsupport::runLxr(priv, "search '\"Apple pie\"' " + exact).status);
  EXPECT_EQ(1, testsupport::runLxr(priv, "search '\"apple\"' " + exact).status) << "a case-sensitive index keeps case";
}
