// The random search model over a Unicode index whose documents mix scripts: Latin, Cyrillic,
// Greek, Hebrew, Thai, Chinese and Japanese words, some written in capitals, with accents or
// with points, found by requests in their plain forms (wildcards counting characters).
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "import/BuiltinViewers.h"
#include "import/ViewerTable.h"
#include "index/IndexJob.h"
#include "index/TextDB.h"
#include "io/FileMode.h"
#include "objects/TextFields.h"
#include "objects/Trace.h"
#include "search/IndexSearch.h"
#include "search/SearchTree.h"
#include "tests/index/IndexJobHelpers.h"
#include "tests/search/IndexKinds.h"
#include "tests/search/ModelSearch.h"
#include "tests/search/SearchModel.h"
#include "tests/support/TempDir.h"

using namespace searchmodel;

namespace {

Vocabulary mixedScripts() {
  Vocabulary v;
  v.utf8 = true;
  v.letters = {"qa", "qc", "ключ", "ключи", "λογος", "東京", "日本", "ファイル", "ภาษา", "שלום", "dizin"};
  v.patterns = {"q?", "ключ*", "ключ?", "λογο?", "東*", "*ル", "?本", "שלו?", "?????", "*"};
  v.written = {{"qc", "QÇ"},          {"ключ", "КЛЮЧ"}, {"ключи", "Ключи"}, {"λογος", "ΛΌΓΟΣ"},
               {"שלום", "שָׁלוֹם"}, {"dizin", "DİZİN"}, {"ファイル", "ﾌｧｲﾙ"}};
  return v;
}

TEST(UnicodeSearchModelTest, RandomRequestsOverMixedScriptsAgreeWithBruteForce) {
  Vocabulary saved = vocabulary();
  vocabulary() = mixedScripts();
  ViewerTable viewers;
  builtinviewers::registerAll(viewers);
  trace::setSink([](void*, const char*) {}, nullptr);
  std::mt19937 rng(2026);
  std::map<std::string, ModelDoc> texts;
  testsupport::TempDir dir;
  std::string docs = dir.file("docs"), index = dir.file("ix");
  std::filesystem::create_directories(docs);
  for (int round = 0; round < 2; ++round) {
    for (int k = 0; k < 40; ++k) {
      ModelDoc d;
      d.name = "f" + std::to_string(rng() % 50) + ".txt";
      std::string text = randomText(rng, &d.words);
      d.size = static_cast<int64_t>(text.size());
      testsupport::writeFile(docs + "/" + d.name, text);
      std::filesystem::last_write_time(docs + "/" + d.name, std::filesystem::file_time_type::clock::now() +
                                                                std::chrono::hours(round * 10 + 1));
      texts[d.name] = d;
    }
    IndexJobSettings settings;
    settings.viewers = &viewers;
    settings.indexNumbers = true;
    settings.alphabet = &searchtest::latinAlphabet();
    IndexJobRequest job = indextest::addJob(index, docs, round == 0, true);
    job.unicode = true;
    IndexJob j(job, IndexJobControl(), settings);
    ASSERT_EQ(0, j.run());
  }
  TextDB db;
  db.setDirectory(index);
  db.setBaseAlphabet(searchtest::latinAlphabet());
  ASSERT_EQ(0, db.open(filemode::kRead, indexformat::kHeaderFile | indexformat::kKeyFile |
                                           indexformat::kRefFile | indexformat::kDocFile));
  ASSERT_TRUE(db.alphabet().isUnicode());
  RequestSettings rs;
  rs.showMessages = false;
  rs.alphabet = &db.alphabet();
  rs.markers.utf8 = true;
  int withDocuments = 0;
  const int kRequests = 1000;
  searchtest::compareRandomRequests(db, texts, rng, kRequests, rs,
                                    [&](const Found& f) { withDocuments += f.empty() ? 0 : 1; });
  vocabulary() = saved;
  trace::setSink(nullptr, nullptr);
  if (HasFatalFailure()) return;
  EXPECT_GT(withDocuments, kRequests / 2);
}

}  // namespace
