// The search results file: best N by score, the sort orders with the name tie-break, the
// header, the listing file and the saved results list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/SavedResultsList.h"
#include "search/SearchResultsWriter.h"
#include "tests/support/TempDir.h"

namespace {

ResultsItem item(const std::string& name, int32_t score, std::vector<int32_t> hits = {1}) {
  ResultsItem i;
  i.doc.fileName = "/docs/" + name;
  i.doc.shortName = name;
  i.doc.score = score;
  i.doc.modDate = static_cast<uint32_t>(score);
  i.hits = std::move(hits);
  return i;
}

// Short names and scores of the file, in file order.
std::vector<std::string> contents(const std::string& file) {
  ResultsFile f;
  std::vector<std::string> out;
  if (f.open(file) < 0) return {"unreadable"};
  ResultsItem i;
  for (int32_t n = 0; n < f.count(); ++n) {
    if (f.read(n, &i) < 0) return {"unreadable record"};
    out.push_back(i.doc.shortName + ":" + std::to_string(i.doc.score));
  }
  return out;
}

std::vector<std::string> run(testsupport::TempDir& dir, int sortType, int32_t bestN,
                             const std::vector<std::pair<std::string, int32_t>>& found) {
  ResultsJob job;
  job.workFolder = dir.path();
  job.sortType = sortType;
  job.bestN = bestN;
  SearchResultsWriter w(job);
  for (const auto& [name, score] : found) {
    ResultsItem i = item(name, score);
    EXPECT_EQ(0, w.add(i));
  }
  EXPECT_EQ(0, w.finish());
  return contents(job.resultsName);
}

}  // namespace

TEST(SearchResultsWriterTest, BestNAndSortOrders) {
  testsupport::TempDir dir;
  // Best 3 of 5, 9, 5, 7, 5: 9, 7 and the first 5, in that order.
  EXPECT_EQ((std::vector<std::string>{"a:9", "b:7", "c:5"}),
            run(dir, 1, 3, {{"c", 5}, {"a", 9}, {"d", 5}, {"b", 7}, {"e", 5}}));
  // Ascending score, equal scores by ascending name.
  EXPECT_EQ((std::vector<std::string>{"a:3", "b:3", "z:3", "m:8"}),
            run(dir, 16 + 2, 0, {{"z", 3}, {"m", 8}, {"b", 3}, {"a", 3}}));
  // Descending score keeps the name ascending among equals.
  EXPECT_EQ((std::vector<std::string>{"m:8", "a:3", "z:3"}), run(dir, 16, 0, {{"z", 3}, {"m", 8}, {"a", 3}}));
  // By name alone, descending unless asked otherwise.
  EXPECT_EQ((std::vector<std::string>{"z:1", "m:9", "a:5"}), run(dir, 4, 0, {{"m", 9}, {"a", 5}, {"z", 1}}));
  EXPECT_EQ((std::vector<std::string>{"a:5", "m:9", "z:1"}), run(dir, 4 + 2, 0, {{"m", 9}, {"a", 5}, {"z", 1}}));
  // Unsorted keeps the order of arrival; by date descending.
  EXPECT_EQ((std::vector<std::string>{"m:9", "a:5"}), run(dir, 1, 0, {{"m", 9}, {"a", 5}}));
  EXPECT_EQ((std::vector<std::string>{"m:9", "a:5"}), run(dir, 8, 0, {{"a", 5}, {"m", 9}}));
}

TEST(SearchResultsWriterTest, NamesHeaderHitsListingAndSavedList) {
  testsupport::TempDir dir;
  ResultsJob job;
  job.workFolder = dir.path();
  job.request = "harbour w/5 quay";
  job.searchTime = 1700000000;
  job.listingName = dir.file("list.txt");
  job.listingFlags = 1024 + 1 + 2;
  {
    SearchResultsWriter w(job);
    ResultsItem a = item("a.txt", 4, {3, 17, 40}), b = item("b.txt", 9, {2});
    w.add(a);
    w.add(b);
    ASSERT_EQ(0, w.finish());
    ASSERT_EQ(0, w.writeListing());
    EXPECT_EQ(4, w.totalHits());
  }
  EXPECT_EQ(dir.file("SRCH1.DAT"), job.resultsName);
  ResultsFile f;
  ASSERT_EQ(0, f.open(job.resultsName));
  ResultsHeader h;
  ASSERT_EQ(0, f.readHeader(&h));
  EXPECT_EQ("harbour w/5 quay", h.request);
  EXPECT_EQ(4, h.totalHits);
  EXPECT_EQ(2, h.documents);
  EXPECT_EQ(9, h.highScore);
  ResultsItem first;
  ASSERT_EQ(0, f.read(0, &first));
  EXPECT_EQ("b.txt", first.doc.shortName);
  ASSERT_EQ(0, f.read(1, &first));
  EXPECT_EQ((std::vector<int32_t>{3, 17, 40}), first.hits);
  EXPECT_EQ(3, first.doc.hitCount);
  f.close();
  std::string listing = testsupport::readFile(job.listingName);
  EXPECT_EQ(0u, listing.find("* Lexaurum Search Listing\n* Search Request:   \"harbour w/5 quay\"\n"));
  EXPECT_NE(std::string::npos, listing.find("* Retrieved 2 documents containing 4 hits\n"));
  EXPECT_NE(std::string::npos, listing.find("    1 /docs/b.txt\n     {2 }\n    3 /docs/a.txt\n     {3 17 40 }\n"))
      << listing;

  // A second search takes the next free name; the saved list shows both.
  ResultsJob second = job;
  second.resultsName.clear();
  second.listingName.clear();
  {
    SearchResultsWriter w(second);
    ASSERT_EQ(0, w.finish());
  }
  EXPECT_EQ(dir.file("SRCH2.DAT"), second.resultsName);
  testsupport::writeFile(dir.file("SRCH9.DAT"), "not a results file");
  SavedResultsList saved(dir.path(), SavedResultsList::kResultsKind);
  ASSERT_EQ(2, saved.count());
  std::string line = saved.line(0);
  EXPECT_EQ(0u, line.find("\"harbour w/5 quay\"   "));
  EXPECT_EQ("      2 ", line.substr(39, 8));  // the request column is 39 wide
  EXPECT_EQ(0u, saved.line(0, true).find("\"harbour w/5 quay\"\t2\t"));

  ResultsJob bad = job;
  bad.listingName = dir.file("no/such/folder/list.txt");
  SearchResultsWriter w(bad);
  ASSERT_EQ(0, w.finish());
  EXPECT_EQ(-1, w.writeListing());
}
