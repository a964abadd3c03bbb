// Searching an index built from small documents: the boolean connectors, phrases with and
// without noise words, w/N, NOTWITHIN, CONTAINS, NOT with its documents without references,
// hits and scores.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "import/Alphabet.h"
#include "import/BuiltinViewers.h"
#include "import/ViewerTable.h"
#include "index/IndexJob.h"
#include "index/NoiseList.h"
#include "index/TextDB.h"
#include "io/FileMode.h"
#include "search/IndexSearch.h"
#include "platform/Platform.h"
#include "search/SearchTree.h"
#include "tests/index/IndexJobHelpers.h"
#include "tests/search/IndexKinds.h"
#include "tests/support/TempDir.h"

namespace {

using Found = std::map<std::string, std::vector<int32_t>>;  // file name -> hits

class IndexSearchTest : public ::testing::TestWithParam<searchtest::IndexKind> {
 protected:
  void SetUp() override {
    builtinviewers::registerAll(viewers_);
    docs_ = dir_.file("docs");
    index_ = dir_.file("ix");
    platform::makeDirectories(docs_.c_str());
  }
  // Indexes the documents (name -> text) with the shipped noise words.
  void build(const std::map<std::string, std::string>& texts) {
    for (const auto& [name, text] : texts) testsupport::writeFile(docs_ + "/" + name, text);
    IndexJobSettings settings;
    settings.viewers = &viewers_;
    settings.noiseFile = testsupport::sourcePath("data/LEXAURUM.NOI");
    settings.alphabet = &searchtest::latinAlphabet();
    IndexJobRequest job = indextest::addJob(index_, docs_, true);
    job.caseSensitive = GetParam().caseSensitive;
    job.accentSensitive = GetParam().accentSensitive;
    IndexJob j(job, IndexJobControl(), settings);
    ASSERT_EQ(0, j.run());
  }

  // The documents a request finds (by short name) with their hits.
  // The request is folded by the index's own alphabet, as the search driver folds it.
  // `adjust` may change the settings last.
  Found find(const std::string& request, bool relevance = false, std::map<std::string, int32_t>* scores = nullptr,
             const std::function<void(IndexSearchSettings&)>& adjust = nullptr) {
    TextDB db;
    db.setDirectory(index_);
    db.setBaseAlphabet(searchtest::latinAlphabet());
    EXPECT_EQ(0, db.open(filemode::kRead, indexformat::kHeaderFile | indexformat::kKeyFile |
                                             indexformat::kRefFile | indexformat::kDocFile |
                                             indexformat::kNoiseFile));
    RequestSettings rs;
    rs.showMessages = false;
    rs.alphabet = &db.alphabet();
    SearchTree tree;
    EXPECT_EQ(0, tree.parse(request, "", rs)) << request << ": " << tree.echo();
    NoiseList noise;
    noise.loadForIndex(db.noiseText());
    IndexSearchSettings s;
    s.lookup.indexName = "test";
    s.lookup.alphabet = &db.alphabet();
    s.lookup.isNoise = [&](const std::string& w) { return noise.isNoise(w); };
    s.relevance = relevance;
    Found found;
    s.found = [&](FoundDocument& d) {
      found[d.doc.shortName] = d.hits;
      if (scores) (*scores)[d.doc.shortName] = d.score;
      return 0;
    };
    if (adjust) adjust(s);
    IndexSearch search(tree, db, s);
    EXPECT_EQ(0, search.search()) << request;
    return found;
  }

  testsupport::TempDir dir_;
  ViewerTable viewers_;
  std::string docs_, index_;
};

}  // namespace

TEST_P(IndexSearchTest, ConnectorsPhrasesAndNot) {
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

TEST_P(IndexSearchTest, DistancesAndStretches) {
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

TEST_P(IndexSearchTest, RelevanceFavoursRareWordsAndShortDocuments) {
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

// Each kind of index answers with its own folding, for words the request gives in any case.
// The best N by score as a best-N listing keeps them: among equal scores the earlier stays.
struct BestKept {
  size_t n;
  std::vector<std::pair<int32_t, std::string>> kept;  // score, name; in arrival order
  int32_t bar() const {
    if (kept.size() < n) return INT32_MIN;
    int32_t low = INT32_MAX;
    for (const auto& k : kept) low = std::min(low, k.first);
    return low;
  }
  void add(int32_t score, const std::string& name) {
    if (kept.size() >= n) {
      if (score <= bar()) return;
      auto lowest = kept.end();  // the latest of the lowest goes
      for (auto it = kept.begin(); it != kept.end(); ++it)
        if (lowest == kept.end() || it->first <= lowest->first) lowest = it;
      kept.erase(lowest);
    }
    kept.emplace_back(score, name);
  }
};

TEST_P(IndexSearchTest, BestOfManyComeWithoutReadingTheRestAndTheSameTotals) {
  std::map<std::string, std::string> texts;
  uint32_t r = 7;
  const char* words[] = {"alpha", "beta", "gamma", "delta", "omega", "sigma", "tau", "rho"};
  for (int d = 0; d < 60; ++d) {
    std::string text;
    for (int w = 0, n = 3 + d % 17; w < n; ++w) {
      r = r * 1103515245u + 12345u;
      text += std::string(words[(r >> 16) % 8]) + ((r >> 8) % 5 == 0 ? "\n" : " ");
    }
    texts["d" + std::to_string(d) + ".txt"] = text;
  }
  build(texts);
  for (const char* request : {"alpha", "alpha or beta", "a*", "alpha and beta", "alpha beta", "gamma w/2 delta",
                              "omega and not sigma", "not tau", "rho or (tau and not beta)"}) {
    BestKept full{3, {}}, barred{3, {}};
    std::map<std::string, int32_t> scores;
    Found all = find(request, true, &scores, [&](IndexSearchSettings& s) {
      auto inner = s.found;
      s.found = [&full, inner](FoundDocument& d) {
        full.add(d.score, d.doc.shortName);
        return inner(d);
      };
    });
    size_t hits = 0;
    for (const auto& [name, h] : all) hits += h.size();
    size_t counted = 0, countedHits = 0;
    Found kept = find(request, true, nullptr, [&](IndexSearchSettings& s) {
      auto inner = s.found;
      s.found = [&barred, inner](FoundDocument& d) {
        barred.add(d.score, d.doc.shortName);
        return inner(d);
      };
      s.scoreBar = [&barred] { return barred.bar(); };
      s.counted = [&](int32_t n) {
        ++counted;
        countedHits += static_cast<size_t>(n);
        return 0;
      };
    });
    size_t keptHits = 0;
    for (const auto& [name, h] : kept) {
      keptHits += h.size();
      EXPECT_EQ(all.at(name), h) << request;
    }
    EXPECT_EQ(full.kept, barred.kept) << request;
    EXPECT_EQ(all.size(), kept.size() + counted) << request;
    EXPECT_EQ(hits, keptHits + countedHits) << request;
    if (all.size() > 10) {
      EXPECT_GT(counted, 0u) << request << ": the bar passed over no document";
    }
  }
}

TEST_P(IndexSearchTest, EachIndexFoldsRequestsByItsOwnFlags) {
  build({{"a.txt", "Apple pie and apple tart\n"},  // Apple 1 pie 2 and 3 apple 4 tart 5
         {"b.txt", "caf\xE9 and cafe\n"}});        // café 1 and 2 cafe 3
  const bool cs = GetParam().caseSensitive, as = GetParam().accentSensitive;
  EXPECT_EQ((Found{{"a.txt", {2}}}), find("pie"));
  EXPECT_EQ(cs ? Found{} : (Found{{"a.txt", {2}}}), find("Pie"));
  EXPECT_EQ((Found{{"a.txt", cs ? std::vector<int32_t>{1} : std::vector<int32_t>{1, 4}}}), find("Apple"));
  EXPECT_EQ((Found{{"a.txt", cs ? std::vector<int32_t>{4} : std::vector<int32_t>{1, 4}}}), find("apple"));
  // A quoted word folds as the index's words do: quotes turn operators into text, they do not
  // make a case-blind index tell case.
  EXPECT_EQ((Found{{"a.txt", cs ? std::vector<int32_t>{1} : std::vector<int32_t>{1, 4}}}), find("\"Apple\""));
  EXPECT_EQ((Found{{"b.txt", as ? std::vector<int32_t>{3} : std::vector<int32_t>{1, 3}}}), find("cafe"));
  EXPECT_EQ((Found{{"b.txt", as ? std::vector<int32_t>{1} : std::vector<int32_t>{1, 3}}}), find("caf\xE9"));
}

INSTANTIATE_TEST_SUITE_P(Kinds, IndexSearchTest, ::testing::ValuesIn(searchtest::kIndexKinds),
                         searchtest::kindName);
