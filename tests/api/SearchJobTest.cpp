// Search jobs through the engine interface: several indexes with one failing, the caller's
// answer to the stop query, and a kept searcher.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "api/DllInterface.h"
#include "lexaurum/lexaurum.h"
#include "objects/Trace.h"
#include "tests/support/EngineTest.h"

namespace {

struct Progress {
  std::vector<int> codes;
  int stopAtFound = 0;  // answer -1 to the stop query after this many found documents
  int found = 0;
};

void onProgress(uintptr_t data, void* record) {
  auto* p = reinterpret_cast<Progress*>(data);
  auto* r = static_cast<lxrSearchProgressInfo*>(record);
  if (r->structSize == 0) return;  // the call that proves the call-back works
  p->codes.push_back(r->statusCode);
  if (r->statusCode == LXR_PROGRESS_DOC_FOUND) ++p->found;
  if (r->statusCode == LXR_PROGRESS_STOP_QUERY && p->stopAtFound > 0 && p->found >= p->stopAtFound) r->answer = -1;
}

int gQuestions = 0;
// The retrieval limit question: no the first time, yes the second.
int answerNoThenYes(const char*) { return ++gQuestions >= 2 ? 1 : 0; }

class SearchJobTest : public testsupport::EngineTest {
 protected:

  // An index of `count` documents, each holding "anchor" and its own word.
  std::string index(const std::string& name, int count, const std::string& prefix) {
    std::string docs = dir_.file(name + "-docs"), ix = dir_.file(name);
    std::filesystem::create_directories(docs);
    for (int i = 0; i < count; ++i)
      testsupport::writeFile(docs + "/" + prefix + std::to_string(i) + ".txt", "anchor " + prefix + std::to_string(i) + "\n");
    makeIndex(ix, docs);
    return ix;
  }

  // An index of one document, "Apple pie and apple tart", case-sensitive or not.
  std::string appleIndex(const std::string& name, bool caseSensitive) {
    std::string docs = dir_.file(name + "-docs"), ix = dir_.file(name);
    std::filesystem::create_directories(docs);
    testsupport::writeFile(docs + "/" + name + ".txt", "Apple pie and apple tart\n");
    lxrIndexJob job;
    LXR_INIT_RECORD(job);
    std::snprintf(job.indexPath, sizeof job.indexPath, "%s", ix.c_str());
    std::snprintf(job.toAdd.directory, sizeof job.toAdd.directory, "%s", docs.c_str());
    job.create = job.add = 1;
    job.caseSensitive = caseSensitive;
    int16_t result = 0;
    EXPECT_EQ(0, lxrsDoIndexJob(&job, &result));
    return ix;
  }

  // The documents of a results file (their names without the folder) with their hits.
  static std::map<std::string, std::vector<int32_t>> results(const char* resultsName) {
    std::map<std::string, std::vector<int32_t>> out;
    int16_t result = 0;
    lxrsListResults(
        resultsName,
        [](uintptr_t data, const lxrDocumentInfo* doc, int32_t count, int32_t, const int32_t* hits) {
          std::string name = doc->fileName;
          (*reinterpret_cast<std::map<std::string, std::vector<int32_t>>*>(data))[name.substr(name.rfind('/') + 1)] =
              std::vector<int32_t>(hits, hits + count);
          return 0;
        },
        reinterpret_cast<uintptr_t>(&out), &result);
    return out;
  }

  int search(lxrSearchJob& job, const std::vector<std::string>& indexes, const std::string& request, Progress* p) {
    std::snprintf(job.request, sizeof job.request, "%s", request.c_str());
    job.searchIndexes = 1;
    job.sortType = 1;
    StringSet* set = lxrsNewStringSet();
    for (const std::string& i : indexes) lxrsStringSetAdd(set, i.c_str());
    job.indexesToSearch = set;
    job.base.pReportCallBack = onProgress;
    job.base.pReportData = reinterpret_cast<uintptr_t>(p);
    int16_t result = 0;
    lxrsDoSearchJob(&job, &result);
    lxrsFreeStringSet(set);
    return result;
  }

};

}  // namespace

TEST_F(SearchJobTest, FailingIndexStopsTheRestAndKeepsWhatWasFound) {
  std::string first = index("one", 3, "a"), second = index("two", 520, "w"), third = index("three", 2, "a");
  lxrSearchJob job;
  LXR_INIT_RECORD(job);
  Progress p;
  // "w*" and "a*" expand to more than 500 words in the second index only.
  EXPECT_EQ(0, search(job, {first, second, third}, "anchor and (a* or w*)", &p));
  EXPECT_EQ(3, job.totalFiles) << "the first index's documents, the third not searched";
  EXPECT_EQ(6, job.totalHits);
  EXPECT_EQ(LXR_PROGRESS_SEARCH_START, p.codes.front());
  EXPECT_EQ(LXR_PROGRESS_SEARCH_DONE, p.codes.back());
  EXPECT_TRUE(std::filesystem::exists(job.resultsName)) << job.resultsName;
}

TEST_F(SearchJobTest, AnswerToTheStopQuerySetsTheCancelFlagOnAKeptSearcher) {
  std::string ix = index("one", 10, "a");
  lxrSearcher* searcher = lxrsCreateSearcher();
  ASSERT_NE(nullptr, searcher);
  lxrSearchJob job;
  LXR_INIT_RECORD(job);
  job.searchHandle = searcher;
  Progress p;
  p.stopAtFound = 2;
  EXPECT_EQ(0, search(job, {ix}, "anchor", &p));
  EXPECT_NE(0, job.base.cancelFlag);
  EXPECT_EQ(2, job.totalFiles) << "the search stops at the next retrieved document";
  // The kept searcher serves the next job.
  lxrSearchJob again;
  LXR_INIT_RECORD(again);
  again.searchHandle = searcher;
  Progress q;
  EXPECT_EQ(0, search(again, {ix}, "anchor", &q));
  EXPECT_EQ(10, again.totalFiles);
  lxrsDeleteSearcher(searcher);
  int not_ours[32] = {};
  lxrsDeleteSearcher(reinterpret_cast<lxrSearcher*>(not_ours));  // refused, not freed
}

TEST_F(SearchJobTest, UnindexedScanFindsWhatTheIndexFinds) {
  std::string ix = index("one", 6, "a");
  auto run = [&](bool files) {
    lxrSearchJob job;
    LXR_INIT_RECORD(job);
    Progress p;
    if (files) {
      std::snprintf(job.filesToSearch.directory, sizeof job.filesToSearch.directory, "%s",
                    dir_.file("one-docs").c_str());
      job.searchFiles = 1;
      std::snprintf(job.request, sizeof job.request, "anchor w/1 (a2 or a4)");
      job.sortType = 4 + 2;
      job.base.pReportCallBack = onProgress;
      job.base.pReportData = reinterpret_cast<uintptr_t>(&p);
      int16_t result = 0;
      lxrsDoSearchJob(&job, &result);
      EXPECT_EQ(6, std::count(p.codes.begin(), p.codes.end(), LXR_PROGRESS_SEARCHING)) << "one report per file";
    } else {
      job.sortType = 4 + 2;
      search(job, {ix}, "anchor w/1 (a2 or a4)", &p);
    }
    return std::to_string(job.totalFiles) + "/" + std::to_string(job.totalHits);
  };
  EXPECT_EQ("2/4", run(false));
  EXPECT_EQ("2/4", run(true));
}

TEST_F(SearchJobTest, RetrievalLimitAsksAtTheLimitAndAgainAtTwiceIt) {
  std::string ix = index("many", 250, "a");
  int16_t result = 0;
  lxrsDoShutDown(&result);
  testsupport::writeFile(dir_.file("p/OPTIONS.DAT"), "Lexaurum Options\r\nretrievalLimit = 100\r\n");
  gQuestions = 0;
  startEngine(answerNoThenYes);
  lxrSearchJob job;
  LXR_INIT_RECORD(job);
  Progress p;
  EXPECT_EQ(0, search(job, {ix}, "anchor", &p));
  EXPECT_EQ(2, gQuestions);
  EXPECT_EQ(200, job.totalFiles) << "no at 100 goes on, yes at 200 stops";
}

// Each index folds the request by its own flags, whatever was opened before it.
TEST_F(SearchJobTest, IndexesWithOtherFlagsGiveTheirOwnAnswersInEitherOrder) {
  std::string blind = appleIndex("blind", false), exact = appleIndex("exact", true);
  using Found = std::map<std::string, std::vector<int32_t>>;
  for (const auto& order : {std::vector<std::string>{blind, exact}, std::vector<std::string>{exact, blind}}) {
    lxrSearchJob job;
    LXR_INIT_RECORD(job);
    Progress p;
    EXPECT_EQ(0, search(job, order, "Apple", &p));
    EXPECT_EQ((Found{{"blind.txt", {1, 4}}, {"exact.txt", {1}}}), results(job.resultsName));
    lxrSearchJob pie;
    LXR_INIT_RECORD(pie);
    EXPECT_EQ(0, search(pie, order, "pie", &p));
    EXPECT_EQ((Found{{"blind.txt", {2}}, {"exact.txt", {2}}}), results(pie.resultsName));
  }
}
