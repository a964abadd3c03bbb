// Search benchmark: the evaluation over an already open index, every matching document with
// its hits collected in memory, for one request of each class (a common word, a rare word,
// AND, a phrase, a prefix wildcard, w/5, an OR of three words, a negation, a fuzzy word, a
// numeric range). Prints the median and 95th-percentile latency of repeated runs, hot cache,
// and the documents found. Usage: SearchBench INDEX_FOLDER [runs] [request...]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "import/Alphabet.h"
#include "index/NoiseList.h"
#include "index/TextDB.h"
#include "io/FileMode.h"
#include "search/IndexSearch.h"
#include "search/SearchTree.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::vector<std::pair<const char*, const char*>> kClasses = {
    {"common word", "system"},          {"rare word", "kobject"},
    {"two-word AND", "memory and page"}, {"two-word phrase", "page table"},
    {"prefix wildcard", "interr*"},      {"w/5", "interrupt w/5 handler"},
    {"OR of three", "driver or device or bus"}, {"negation", "memory and not page"},
    {"fuzzy word", "memori%"},           {"numeric range", "100~~200"}};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: SearchBench INDEX_FOLDER [runs] [request...]\n");
    return 2;
  }
  const std::string folder = argv[1];
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;
  std::vector<std::pair<std::string, std::string>> requests;
  for (int i = 3; i < argc; ++i) requests.emplace_back("request", argv[i]);
  if (requests.empty())
    for (const auto& [name, text] : kClasses) requests.emplace_back(name, text);

  TextDB db;
  if (db.setDirectory(folder) < 0 ||
      db.open(filemode::kRead, indexformat::kHeaderFile | indexformat::kKeyFile | indexformat::kRefFile |
                                   indexformat::kDocFile | indexformat::kNoiseFile) < 0) {
    std::fprintf(stderr, "SearchBench: %s cannot be opened: %s\n", folder.c_str(), db.errorText().c_str());
    return 1;
  }
  NoiseList noise;
  noise.loadForIndex(db.noiseText());
  RequestSettings rs;
  rs.showMessages = false;
  std::printf("%-18s %-28s %9s %9s %10s %10s\n", "class", "request", "docs", "hits", "median ms", "p95 ms");
  for (const auto& [name, text] : requests) {
    std::vector<double> ms;
    int64_t docs = 0, hits = 0;
    bool ok = true;
    for (int r = 0; r < runs && ok; ++r) {
      auto start = Clock::now();
      SearchTree tree;
      if (tree.parse(text, "", rs) < 0) {
        ok = false;
        break;
      }
      IndexSearchSettings s;
      s.lookup.indexName = folder;
      s.lookup.isNoise = [&noise](const std::string& w) { return noise.isNoise(w); };
      int64_t d = 0, h = 0;
      s.found = [&](FoundDocument& f) {
        ++d;
        h += static_cast<int64_t>(f.hits.size());
        return 0;
      };
      IndexSearch search(tree, db, s);
      if (search.search() < 0) ok = false;
      ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      docs = d;
      hits = h;
    }
    if (!ok || ms.empty()) {
      std::printf("%-18s %-28s %s\n", name.c_str(), text.c_str(), "failed (request or index)");
      continue;
    }
    std::sort(ms.begin(), ms.end());
    double median = ms[ms.size() / 2];
    double p95 = ms[std::min(ms.size() - 1, ms.size() * 95 / 100)];
    std::printf("%-18s %-28s %9lld %9lld %10.3f %10.3f\n", name.c_str(), text.c_str(),
                static_cast<long long>(docs), static_cast<long long>(hits), median, p95);
  }
  db.close();
  db.unlock();
  return 0;
}
