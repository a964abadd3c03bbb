// Random requests (tests/search/SearchModel.h) against an index built in several updates
// (re-indexed and deleted files), and through the unindexed scan of the same kind of files,
// compared with a brute-force evaluation of the same requests over the documents as they now
// are: the documents found and their hits must agree.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "import/Alphabet.h"
#include "import/BuiltinViewers.h"
#include "import/ViewerTable.h"
#include "index/IndexJob.h"
#include "index/TextDB.h"
#include "io/FileMode.h"
#include "objects/TextFields.h"
#include "objects/Trace.h"
#include "search/IndexSearch.h"
#include "search/ResultsFile.h"
#include "search/SearchTree.h"
#include "search/Searcher.h"
#include "tests/index/IndexJobHelpers.h"
#include "tests/search/IndexKinds.h"
#include "tests/search/ModelSearch.h"
#include "tests/search/SearchModel.h"
#include "tests/support/TempDir.h"

using namespace searchmodel;

namespace {

// Each test runs over every kind of index: the model folds the documents' words as that kind
// folds them.
class SearchModelTest : public ::testing::TestWithParam<searchtest::IndexKind> {
 protected:
  void SetUp() override {
    builtinviewers::registerAll(viewers_);
    trace::setSink([](void*, const char*) {}, nullptr);
    fold_.ignoreCase = !GetParam().caseSensitive;
    fold_.ignoreAccents = !GetParam().accentSensitive;
  }
  void TearDown() override { trace::setSink(nullptr, nullptr); }

  // Writes file `f<file>.txt` of random text, dated `stamp` hours from now.
  void write(const std::string& docs, int file, int stamp) {
    ModelDoc d;
    d.name = "f" + std::to_string(file) + ".txt";
    std::string text = rng_() % 40 == 0 ? "" : randomText(rng_, &d.words, fold_);
    if (text.empty()) d.words.clear();
    d.size = static_cast<int64_t>(text.size());
    testsupport::writeFile(docs + "/" + d.name, text);
    std::filesystem::last_write_time(docs + "/" + d.name,
                                     std::filesystem::file_time_type::clock::now() + std::chrono::hours(stamp));
    texts_[d.name] = d;
  }

  void remove(const std::string& docs, int file) {
    std::string name = "f" + std::to_string(file) + ".txt";
    std::filesystem::remove(docs + "/" + name);
    texts_.erase(name);
  }

  // Counts what the comparisons covered, so that a model that finds nothing cannot pass.
  void tally(const Found& expected) {
    if (!expected.empty()) ++withDocuments_;
    for (const auto& [name, hits] : expected) withHits_ += hits.empty() ? 0 : 1;
  }

  Folding fold_;
  ViewerTable viewers_;
  // LXR_MODEL_SEED=N draws other documents and requests.
  std::mt19937 rng_{std::getenv("LXR_MODEL_SEED") ? static_cast<unsigned>(std::atoi(std::getenv("LXR_MODEL_SEED")))
                                                  : 2026u};
  std::map<std::string, ModelDoc> texts_;  // file name -> words
  int withDocuments_ = 0, withHits_ = 0;
};

}  // namespace

TEST_P(SearchModelTest, RandomRequestsAgreeWithBruteForce) {
  testsupport::TempDir dir;
  std::string docs = dir.file("docs"), index = dir.file("ix");
  std::filesystem::create_directories(docs);
  for (int round = 0; round < 3; ++round) {
    for (int k = 0; k < 40; ++k) write(docs, static_cast<int>(rng_() % 60), round * 10 + 1);
    if (round > 0)
      for (int k = 0; k < 4; ++k) remove(docs, static_cast<int>(rng_() % 60));
    IndexJobSettings settings;
    settings.viewers = &viewers_;
    settings.indexNumbers = true;  // numbers are words and number words
    settings.sorterReserve = 1048576 - 3000;  // several merges per update
    settings.alphabet = &searchtest::latinAlphabet();
    IndexJobRequest job = indextest::addJob(index, docs, round == 0, true);
    job.caseSensitive = GetParam().caseSensitive;
    job.accentSensitive = GetParam().accentSensitive;
    IndexJob j(job, IndexJobControl(), settings);
    ASSERT_EQ(0, j.run());
  }

  TextDB db;
  db.setDirectory(index);
  db.setBaseAlphabet(searchtest::latinAlphabet());
  ASSERT_EQ(0, db.open(filemode::kRead, indexformat::kHeaderFile | indexformat::kKeyFile |
                                           indexformat::kRefFile | indexformat::kDocFile));
  RequestSettings rs;
  rs.showMessages = false;
  rs.alphabet = &db.alphabet();
  const int kRequests = 2000;
  searchtest::compareRandomRequests(db, texts_, rng_, kRequests, rs, [this](const Found& f) { tally(f); });
  if (HasFatalFailure()) return;
  // The comparison means something only if most requests find documents.
  EXPECT_GT(withDocuments_, kRequests / 2);
  EXPECT_GT(withHits_, 5 * kRequests);
}

// The unindexed scan sees the files as they are now; the documents of the folder change
// between batches of requests (written, rewritten, deleted).
TEST_P(SearchModelTest, UnindexedScanAgreesWithBruteForce) {
  testsupport::TempDir dir;
  std::string docs = dir.file("docs"), work = dir.file("work");
  // Each scan makes and deletes an index in the work folder; on a memory file system, when
  // there is one, its syncs cost nothing.
  std::string shm;
  if (std::filesystem::is_directory("/dev/shm")) {
    std::string pattern = "/dev/shm/lxrmodel-XXXXXX";
    if (mkdtemp(pattern.data())) work = shm = pattern;
  }
  struct RemoveShm {
    const std::string& path;
    ~RemoveShm() {
      std::error_code ec;
      if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
  } removeShm{shm};
  std::filesystem::create_directories(docs);
  std::filesystem::create_directories(work);
  SearcherSettings settings;
  settings.request.showMessages = false;
  settings.request.alphabet = &searchtest::latinAlphabet();
  settings.caseSensitive = GetParam().caseSensitive;
  settings.accentSensitive = GetParam().accentSensitive;
  settings.workFolder = work;
  settings.indexing.viewers = &viewers_;
  settings.indexing.indexNumbers = true;
  Searcher searcher(settings);
  // The scan of the other kinds differs only in its folding: fewer batches for them.
  const int kBatches = GetParam().caseSensitive || GetParam().accentSensitive ? 3 : 10, kPerBatch = 200;
  const size_t kRequestChars = 256;  // what a job record holds
  for (int batch = 0; batch < kBatches; ++batch) {
    for (int k = 0; k < 8; ++k) write(docs, static_cast<int>(rng_() % 16), batch);
    if (batch > 0) remove(docs, static_cast<int>(rng_() % 16));
    for (int i = 0; i < kPerBatch; ++i) {
      Request r = randomRequest(rng_, 2);
      if (r.text.size() >= kRequestChars) {
        --i;
        continue;
      }
      SearchJobRequest job;
      job.request = r.text;
      job.filesToSearch.directory = docs;
      job.resultsName = work + "/RESULTS.DAT";
      job.searchFiles = true;
      job.sortType = 1;
      SearchOutcome outcome;
      searcher.doSearch(job, SearchJobControl(), &outcome);
      Found engine;
      ResultsFile results;
      ASSERT_EQ(0, results.open(work + "/RESULTS.DAT")) << r.text;
      ResultsItem item;
      for (int32_t n = 0; n < results.count(); ++n) {
        ASSERT_EQ(0, results.read(n, &item));
        engine[textfields::baseName(item.doc.fileName)] = item.hits;
      }
      results.close();
      Found expected = evaluate(r, texts_);
      ASSERT_EQ(expected, engine) << r.text;
      tally(expected);
    }
  }
  EXPECT_GT(withDocuments_, kBatches * kPerBatch / 2);
  EXPECT_GT(withHits_, kBatches * kPerBatch);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SearchModelTest, ::testing::ValuesIn(searchtest::kIndexKinds),
                         searchtest::kindName);
