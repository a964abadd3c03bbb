// lxr search as a user runs it: documents best first with their hits, the request echo for
// a faulty request, the history, and several indexes in one search.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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
  EXPECT_TRUE(has(both, "* Retrieved 2 documents containing 4 hits")) << both.output;
  EXPECT_TRUE(has(both, "one.txt\n     {2 7 }")) << both.output;
  EXPECT_TRUE(has(both, "three.txt\n     {1 5 }")) << both.output;

  ToolRun ranked = testsupport::runLxr(priv, "search " + a + " pilot");
  EXPECT_LT(ranked.output.find("two.txt"), ranked.output.find("one.txt")) << "more hits first";

  ToolRun near = testsupport::runLxr(priv, "search " + a + " 'pilot w/2 buoy'");
  EXPECT_EQ(1, near.status) << "pilot at 2 and buoy at 7 are too far apart";
  EXPECT_TRUE(has(near, "No documents were retrieved."));

  ToolRun faulty = testsupport::runLxr(priv, "search " + a + " '(pilot and'");
  EXPECT_EQ(1, faulty.status);
  EXPECT_TRUE(has(faulty, "There is a problem with your search request")) << faulty.output;

  std::string history = testsupport::readFile(priv + "/SHISTORY.DAT");
  EXPECT_TRUE(has(ToolRun{0, history}, "Lexaurum Search History"));
  EXPECT_TRUE(has(ToolRun{0, history}, "pilot w/2 buoy"));
  EXPECT_EQ(2, testsupport::runLxr(priv, "search " + a).status);
}
