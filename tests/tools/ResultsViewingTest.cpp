// The two operations the search tools read results through: a results file read back
// whole or refused when damaged, and a document's lines whose hit marks fall on the very
// words the index search found (also after a cut over-long word and across many lines).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "api/DllInterface.h"
#include "lexaurum/lexaurum.h"
#include "objects/Trace.h"
#include "tests/support/EngineTest.h"

namespace {

struct Doc {
  std::string name;
  int32_t hitCount, score;
  std::vector<int32_t> hits;
};

int collectDoc(uintptr_t data, const lxrDocumentInfo* d, int32_t hitCount, int32_t score, const int32_t* hits) {
  reinterpret_cast<std::vector<Doc>*>(data)->push_back({d->fileName, hitCount, score, {hits, hits + hitCount}});
  return 0;
}

struct Line {
  int32_t lineNo, firstWord, flags;
  std::string text;
};

int collectLine(uintptr_t data, int32_t lineNo, int32_t firstWord, int32_t flags, const char* text) {
  reinterpret_cast<std::vector<Line>*>(data)->push_back({lineNo, firstWord, flags, text});
  return 0;
}

// The hit words of `lines`: the text between each pair of marks.
std::vector<std::string> markedWords(const std::vector<Line>& lines) {
  std::vector<std::string> words;
  for (const Line& l : lines)
    for (size_t at = l.text.find('\x07'); at != std::string::npos; at = l.text.find('\x07', at + 1)) {
      size_t end = l.text.find('\x07', at + 1);
      words.push_back(l.text.substr(at + 1, end - at - 1));
      at = end;
    }
  return words;
}

class ResultsViewingTest : public testsupport::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    // 400 words in short lines, an over-long word early on, the target words late.
    std::string docs = dir_.file("docs");
    std::filesystem::create_directories(docs);
    std::string text = "start " + std::string(700, 'x') + " quokka\n";
    for (int i = 0; i < 400; ++i) text += "w" + std::to_string(i) + (i % 7 == 6 ? "\n" : " ");
    doc_ = docs + "/long.txt";
    testsupport::writeFile(doc_, text + "\nzeta\n");
    ASSERT_TRUE(makeIndex(dir_.file("ix"), docs));
  }
  // Searches the index; the results file's name.
  std::string search(const std::string& request) {
    lxrSearchJob job;
    LXR_INIT_RECORD(job);
    std::snprintf(job.request, sizeof job.request, "%s", request.c_str());
    std::snprintf(job.resultsName, sizeof job.resultsName, "%s", dir_.file("results.dat").c_str());
    job.searchIndexes = 1;
    job.sortType = LXR_SORT_BY_SCORE;
    StringSet* set = lxrsNewStringSet();
    lxrsStringSetAdd(set, dir_.file("ix").c_str());
    job.indexesToSearch = set;
    int16_t result = 0;
    lxrsDoSearchJob(&job, &result);
    lxrsFreeStringSet(set);
    return job.resultsName;
  }

  std::string doc_;
};

}  // namespace

TEST_F(ResultsViewingTest, MarksFallOnTheWordsTheSearchFound) {
  std::string results = search("w3 or \"w250 w251\" or quokka or zeta");
  std::vector<Doc> docs;
  int16_t result = 0;
  ASSERT_EQ(0, lxrsListResults(results.c_str(), collectDoc, reinterpret_cast<uintptr_t>(&docs), &result));
  ASSERT_EQ(1u, docs.size());
  EXPECT_EQ(doc_, docs[0].name);
  ASSERT_EQ(5, docs[0].hitCount) << ::testing::PrintToString(docs[0].hits);
  EXPECT_GT(docs[0].score, 0);

  for (int width : {20, 100, 512}) {
    std::vector<Line> lines;
    ASSERT_EQ(0, lxrsGetDocumentLines(doc_.c_str(), docs[0].hits.data(), docs[0].hitCount, width, 0,
                                      collectLine, reinterpret_cast<uintptr_t>(&lines), &result));
    EXPECT_EQ((std::vector<std::string>{"quokka", "w3", "w250", "w251", "zeta"}), markedWords(lines)) << width;
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(static_cast<int32_t>(i), lines[i].lineNo);
      EXPECT_EQ(lines[i].text.find('\x07') != std::string::npos, (lines[i].flags & 1) != 0) << lines[i].text;
    }
    // Only the lines with hits, stepped to one by one.
    std::vector<Line> hitLines;
    ASSERT_EQ(0, lxrsGetDocumentLines(doc_.c_str(), docs[0].hits.data(), docs[0].hitCount, width, 1,
                                      collectLine, reinterpret_cast<uintptr_t>(&hitLines), &result));
    EXPECT_EQ(markedWords(lines), markedWords(hitLines)) << width;
    for (const Line& l : hitLines) EXPECT_EQ(1, l.flags & 1);
  }
}

TEST_F(ResultsViewingTest, DamagedResultsAndBadArgumentsAreRefused) {
  std::string results = search("w3 or w4");
  std::string bytes = testsupport::readFile(results);
  ASSERT_GT(bytes.size(), 100u);
  std::vector<Doc> docs;
  int16_t result = 0;
  for (size_t cut = 0; cut < bytes.size(); cut += 37) {
    testsupport::writeFile(results, bytes.substr(0, cut));
    docs.clear();
    lxrsListResults(results.c_str(), collectDoc, reinterpret_cast<uintptr_t>(&docs), &result);
    for (const Doc& d : docs) EXPECT_LE(d.hits.size(), 511u);
  }
  testsupport::writeFile(results, "not a results file at all\n");
  EXPECT_EQ(-1, lxrsListResults(results.c_str(), collectDoc, reinterpret_cast<uintptr_t>(&docs), &result));
  EXPECT_EQ(-1, lxrsListResults(dir_.file("missing").c_str(), collectDoc, 0, &result));
  EXPECT_EQ(-1, lxrsListResults(results.c_str(), nullptr, 0, &result));

  std::vector<Line> lines;
  int32_t hit = 3;
  EXPECT_EQ(-1, lxrsGetDocumentLines(doc_.c_str(), &hit, 1, 19, 0, collectLine, reinterpret_cast<uintptr_t>(&lines), &result));
  EXPECT_EQ(-1, lxrsGetDocumentLines(doc_.c_str(), &hit, -1, 80, 0, collectLine, reinterpret_cast<uintptr_t>(&lines), &result));
  EXPECT_EQ(-1, lxrsGetDocumentLines(dir_.file("missing").c_str(), nullptr, 0, 80, 0, collectLine, 0, &result));
  EXPECT_TRUE(lines.empty());
}
