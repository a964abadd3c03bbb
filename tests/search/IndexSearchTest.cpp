// Searching an index built from small documents: the boolean connectors, phrases with and
// without noise words, w/N, NOTWITHIN, CONTAINS, NOT with its documents without references,
// hits and scores.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "import/Alphabet.h"
#include "import/BuiltinViewers.h"
#include "import/TextFormat.h"
#include "import/ViewerTable.h"
#include "index/IndexJob.h"
#include "index/NoiseList.h"
#include "index/TextDB.h"
#include "io/FileMode.h"
#include "search/IndexSearch.h"
#include "platform/Platform.h"
#include "search/SearchTree.h"
#include "tests/index/IndexJobHelpers.h"
#include "tests/support/TempDir.h"

namespace {

using Found = std::map<std::string, std::vector<int32_t>>;  // file name -> hits

class IndexSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    builtinviewers::registerAll(viewers_);
    docs_ = dir_.file("docs");
    index_ = dir_.file("ix");
    platform::makeDirectories(docs_.c_str());
  }
  // Opening an index sets the process-wide folding; other tests expect it as it was.
  void TearDown() override {
    processAlphabet() = savedAlphabet_;
    textformat::setupAlphabet();
  }

  // Indexes the documents (name -> text) with the shipped noise words.
  void build(const std::map<std::string, std::string>& texts) {
    for (const auto& [name, text] : texts) testsupport::writeFile(docs_ + "/" + name, text);
    IndexJobSettings settings;
    settings.viewers = &viewers_;
    settings.noiseFile = testsupport::sourcePath("data/LEXAURUM.NOI");
    IndexJob j(indextest::addJob(index_, docs_, true), IndexJobControl(), settings);
    ASSERT_EQ(0, j.run());
  }

  // The documents a request finds (by short name) with their hits.
  Found find(const std::string& request, bool relevance = false, std::map<std::string, int32_t>* scores = nullptr) {
    RequestSettings rs;
    rs.showMessages = false;
    SearchTree tree;
    EXPECT_EQ(0, tree.parse(request, "", rs)) << request << ": " << tree.echo();
    TextDB db;
    db.setDirectory(index_);
    EXPECT_EQ(0, db.open(filemode::kRead, indexformat::kHeaderFile | indexformat::kKeyFile |
                                             indexformat::kRefFile | indexformat::kDocFile |
                                             indexformat::kNoiseFile));
    NoiseList noise;
    noise.loadForIndex(db.noiseText());
    IndexSearchSettings s;
    s.lookup.indexName = "test";
    s.lookup.isNoise = [&](const std::string& w) { return noise.isNoise(w); };
    s.relevance = relevance;
    Found found;
    s.found = [&](FoundDocument& d) {
      found[d.doc.shortName] = d.hits;
      if (scores) (*scores)[d.doc.shortName] = d.score;
      return 0;
    };
    IndexSearch search(tree, db, s);
    EXPECT_EQ(0, search.search()) << request;
    return found;
  }

  Alphabet savedAlphabet_ = processAlphabet();
  testsupport::TempDir dir_;
  ViewerTable viewers_;
  std::string docs_, index_;
};

}  // namespace

TEST_F(IndexSearchTest, ConnectorsPhrasesAndNot) {
  build({{"a.txt", "apple pie with cream tart\n"},            // apple 1 pie 2 with 3 cream 4 tart 5
         {"b.txt", "pear tart and apple crumble\n"},          // pear 1 tart 2 and 3 apple 4 crumble 5
         {"c.txt", "plum cake\n"}});
  EXPECT_EQ((Found{{"a.txt", {1}}, {"b.txt", {4}}}), find("apple"));
  EXPECT_EQ((Found{{"a.txt", {1}}, {"b.txt", {4}}}), find("apple or apple")) << "a hit once";
  EXPECT_EQ((Found{{"a.txt", {1, 5}}, {"b.txt", {2, 4}}}), find("apple and tart"));
  EXPECT_EQ((Found{{"a.txt", {2}}, {"c.txt", {2}}}), find("pie or cake"));
  EXPECT_EQ((Found{{"a.txt", {1, 2}}}), find("apple pie"));           // a phrase
  EXPECT_EQ(Found{}, find("pie apple"));
  EXPECT_EQ((Found{{"a.txt", {2, 3, 4}}}), find("pie with cream")) << "a noise word in a phrase";
  // NOT: the documents without the word come with no hits.
  EXPECT_EQ((Found{{"c.txt", {}}}), find("not apple"));
  EXPECT_EQ((Found{{"c.txt", {2}}}), find("cake and not apple"));
  // Words that are all noise find nothing; a noise word beside a word is left out.
  EXPECT_EQ(Found{}, find("with"));
  EXPECT_EQ((Found{{"c.txt", {1}}}), find("plum or with"));
  EXPECT_EQ(Found{}, find("zzzz and plum")) << "a word not in the index fails an AND";
}

TEST_F(IndexSearchTest, DistancesAndStretches) {
  std::string text;
  for (int i = 1; i <= 30; ++i) {
    // a at 10 and 20, b at 13 and 24, c at 7 and 12, start at 5, stop at 9.
    const char* w = i == 10 || i == 20 ? "alpha" : i == 13 || i == 24 ? "beta" : i == 7 || i == 12 ? "gamma"
                    : i == 5 ? "start" : i == 9 ? "stop" : "filler";
    text += std::string(w) + " ";
  }
  build({{"d.txt", text + "\n"}});
  EXPECT_EQ((Found{{"d.txt", {10, 13, 20, 24}}}), find("alpha w/4 beta"));
  EXPECT_EQ((Found{{"d.txt", {10, 13}}}), find("alpha w/3 beta"));  // 20 and 24 are 4 apart
  EXPECT_EQ((Found{{"d.txt", {20}}}), find("alpha not w/3 beta")) << "10 has beta at 13";
  EXPECT_EQ((Found{{"d.txt", {7}}}), find("(start to stop) contains gamma"));
}

TEST_F(IndexSearchTest, RelevanceFavoursRareWordsAndShortDocuments) {
  build({{"short.txt", "harbour pilot\n"},
         {"long.txt", "harbour pilot quay quay quay quay quay quay quay quay\n"},
         {"other.txt", "harbour wall\n"},
         {"third.txt", "harbour crane\n"}});
  std::map<std::string, int32_t> scores;
  find("harbour or pilot", true, &scores);
  ASSERT_EQ(4u, scores.size());
  EXPECT_GT(scores["short.txt"], scores["other.txt"]) << "pilot is rarer than harbour";
  EXPECT_GT(scores["short.txt"], scores["long.txt"]) << "a longer document scores lower";
}
