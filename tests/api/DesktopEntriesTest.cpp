// The operations front ends with a window use: a script run that reports QUIT and WINDOW,
// the search history, the explanation of a request cut to the caller's buffer, and the
// page ends of a document's lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "lexaurum/lexaurum.h"
#include "tests/support/EngineTest.h"

namespace {

class DesktopEntriesTest : public testsupport::EngineTest {};

void recordShow(uintptr_t data, int32_t show) { reinterpret_cast<std::vector<int>*>(data)->push_back(show); }

TEST_F(DesktopEntriesTest, ScriptHostHearsWindowCommandsAndQuit) {
  std::vector<int> shows;
  lxrScriptHost host;
  LXR_INIT_RECORD(host);
  host.windowFn = recordShow;
  host.windowData = reinterpret_cast<uintptr_t>(&shows);
  testsupport::writeFile(dir_.file("q.job"), "Lexaurum Script\nWINDOW MAX\nWINDOW HIDE\nWINDOW other\nQuit\nWINDOW MIN\n");
  int16_t result = 0;
  EXPECT_EQ(0, lxrsRunScriptHost(dir_.file("q.job").c_str(), &host, &result));
  EXPECT_EQ(1, host.quitRequested);
  EXPECT_EQ((std::vector<int>{LXR_WINDOW_MAX, LXR_WINDOW_HIDE, LXR_WINDOW_NORMAL}), shows);

  testsupport::writeFile(dir_.file("n.job"), "Lexaurum Script\nWINDOW MIN\n");
  host.windowFn = nullptr;
  EXPECT_EQ(0, lxrsRunScriptHost(dir_.file("n.job").c_str(), &host, &result));
  EXPECT_EQ(0, host.quitRequested);
  EXPECT_NE(std::string::npos, testsupport::readFile(dir_.file("n.log")).find("WINDOW MIN ignored"));
  EXPECT_EQ(-1, lxrsRunScriptHost(dir_.file("n.job").c_str(), nullptr, &result));
}

// The window's progress call-back: it counts, and presses Cancel at the first report.
struct Pump {
  int calls = 0;
  volatile int32_t cancel = 0;
};
void pumpEvents(uintptr_t data) {
  auto* pump = reinterpret_cast<Pump*>(data);
  if (++pump->calls == 1) pump->cancel = LXR_CANCEL_IMMEDIATE;
}

TEST_F(DesktopEntriesTest, ScriptHostHearsTheProgressOfJobsAndACancelPressedThereStopsThem) {
  std::filesystem::create_directories(dir_.file("docs"));
  testsupport::writeFile(dir_.file("docs/a.txt"), "pilot harbour tide\n");
  testsupport::writeFile(dir_.file("add.job"), "Lexaurum Script\nSet IndexPath = ix\nCreate\nSet DocPath = docs\nAdd\n");
  Pump pump;
  lxrScriptHost host;
  LXR_INIT_RECORD(host);
  host.progressFn = pumpEvents;
  host.progressData = reinterpret_cast<uintptr_t>(&pump);
  host.cancelFlag = &pump.cancel;
  int16_t result = 0;
  lxrsRunScriptHost(dir_.file("add.job").c_str(), &host, &result);
  EXPECT_GE(pump.calls, 1);
  // The cancel pressed inside the call-back stopped the first job, and the script there.
  const std::string log = testsupport::readFile(dir_.file("add.log"));
  EXPECT_NE(std::string::npos, log.find(">> Create")) << log;
  EXPECT_EQ(std::string::npos, log.find(">> Add")) << log;
}

struct Entry {
  std::string request;
  int32_t documents, hits;
};

int collect(uintptr_t data, const char* request, int32_t documents, int32_t hits, const char* date) {
  EXPECT_EQ(19u, std::string(date).size());
  reinterpret_cast<std::vector<Entry>*>(data)->push_back({request, documents, hits});
  return 0;
}

TEST_F(DesktopEntriesTest, SearchHistoryListsTheNewestSearchFirstWithItsCounts) {
  std::vector<Entry> history;
  int16_t result = -1;
  EXPECT_EQ(0, lxrsGetSearchHistory(collect, reinterpret_cast<uintptr_t>(&history), &result));
  EXPECT_TRUE(history.empty());

  std::string docs = dir_.file("docs");
  std::filesystem::create_directories(docs);
  testsupport::writeFile(docs + "/a.txt", "harbour pilot harbour\n");
  testsupport::writeFile(docs + "/b.txt", "pilot only\n");
  lxrIndexJob index;
  LXR_INIT_RECORD(index);
  std::snprintf(index.indexPath, sizeof index.indexPath, "%s", dir_.file("ix").c_str());
  std::snprintf(index.toAdd.directory, sizeof index.toAdd.directory, "%s", docs.c_str());
  index.create = index.add = 1;
  ASSERT_EQ(0, lxrsDoIndexJob(&index, &result));
  for (const char* request : {"pilot", "harbour"}) {
    lxrSearchJob job;
    LXR_INIT_RECORD(job);
    std::snprintf(job.request, sizeof job.request, "%s", request);
    std::snprintf(job.resultsName, sizeof job.resultsName, "%s", dir_.file("r.dat").c_str());
    job.searchIndexes = 1;
    job.sortType = LXR_SORT_BY_SCORE;
    StringSet* set = lxrsNewStringSet();
    lxrsStringSetAdd(set, dir_.file("ix").c_str());
    job.indexesToSearch = set;
    lxrsDoSearchJob(&job, &result);
    lxrsFreeStringSet(set);
  }
  EXPECT_EQ(0, lxrsGetSearchHistory(collect, reinterpret_cast<uintptr_t>(&history), &result));
  ASSERT_EQ(2u, history.size());
  EXPECT_EQ("harbour", history[0].request);
  EXPECT_EQ(1, history[0].documents);
  EXPECT_EQ(2, history[0].hits);
  EXPECT_EQ("pilot", history[1].request);
  EXPECT_EQ(2, history[1].documents);
}

TEST_F(DesktopEntriesTest, ExplanationIsCutToTheBufferAndFaultyRequestsFail) {
  int32_t needed = 0;
  int16_t result = 0;
  EXPECT_EQ(0, lxrsExplainRequest("apple and pie", 0, 0, nullptr, 0, &needed, &result));
  ASSERT_GT(needed, 10);
  std::vector<char> whole(static_cast<size_t>(needed));
  EXPECT_EQ(0, lxrsExplainRequest("apple and pie", 0, 0, whole.data(), needed, nullptr, &result));
  EXPECT_EQ(static_cast<size_t>(needed - 1), std::string(whole.data()).size());
  char cut[8];
  EXPECT_EQ(0, lxrsExplainRequest("apple and pie", 0, 0, cut, sizeof cut, nullptr, &result));
  EXPECT_EQ(std::string(whole.data(), 7), cut);

  char text[512] = "";
  EXPECT_EQ(-1, lxrsExplainRequest("apple and (pie", 0, 0, text, sizeof text, nullptr, &result));
  EXPECT_GT(std::string(text).size(), 0u);
  EXPECT_EQ(-1, lxrsExplainRequest("apple", LXR_SEARCH_FUZZY, 10, text, sizeof text, nullptr, &result));
}

int pageEnds(uintptr_t data, int32_t lineNo, int32_t, int32_t flags, const char*) {
  if (flags & 2) reinterpret_cast<std::vector<int>*>(data)->push_back(lineNo);
  return 0;
}

TEST_F(DesktopEntriesTest, DocumentLinesMarkTheLinesThatEndAPage) {
  testsupport::writeFile(dir_.file("paged.rtf"), "{\\rtf1 first page\\par\\page second page\\par\\page third}");
  std::vector<int> ends;
  int16_t result = 0;
  ASSERT_EQ(0, lxrsGetDocumentLines(dir_.file("paged.rtf").c_str(), nullptr, 0, 60, 0, pageEnds,
                                    reinterpret_cast<uintptr_t>(&ends), &result));
  EXPECT_EQ(2u, ends.size());
}

}  // namespace
