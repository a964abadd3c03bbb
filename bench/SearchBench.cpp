// Search benchmark: the evaluation over an already open index, every matching document with
// its hits collected in memory, for one request of each class (a common word, a rare word,
// AND, a phrase, a prefix wildcard, w/5, an OR of three words, a negation, a fuzzy word, a
// numeric range), and in the same run Xapian listing every match of the same question on its
// own index of the same files. After the common word, a "best 20" row: the same word scored by
// relevance with the 20 best kept (the first page of `lxr search --max 20`, with the exact count
// of all documents) against Xapian's best 10 by its default weighting. Prints the median and
// 95th-percentile latency of repeated runs, hot cache (one untimed run first), the documents
// each found, and our time against Xapian's.
//
// Usage: SearchBench INDEX_FOLDER [--runs N] [--corpus NAME] [--xapian DB] [request...]
//   --corpus  brown, mail or kernel-docs: the words of bench/QueryClasses.h for that corpus
//   --xapian  Xapian's database of the same files (bench/XapianIndexAnchor); needs a build
//             with Xapian, else ignored with a note
// Requests given on the line replace the classes (our side only).
// Each class also prints a line "row<TAB>class<TAB>request<TAB>our docs<TAB>median<TAB>p95<TAB>
// processor median<TAB>xapian docs<TAB>median<TAB>p95<TAB>processor median" (milliseconds; "-"
// where Xapian has no such query) for scripts. The processor time (the process's, one thread)
// leaves out the time other programs on a busy machine take.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <queue>
#include <string>
#include <utility>
#include <vector>

#include "bench/QueryClasses.h"
#include "index/NoiseList.h"
#include "index/TextDB.h"
#include "io/FileMode.h"
#include "search/IndexSearch.h"
#include "search/SearchTree.h"
#ifdef LXR_BENCH_XAPIAN
#include "bench/XapianQueries.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;

struct Latency {
  bool ok = false;
  long long docs = 0, hits = 0;
  double median = 0, p95 = 0;        // wall time, ms
  double cpuMedian = 0, cpuP95 = 0;  // the process's processor time, ms
};

double cpuMs() { return 1e3 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// Runs `once` (which returns false on failure) one untimed time and then `runs` timed times.
Latency measure(int runs, const std::function<bool(long long* docs, long long* hits)>& once) {
  Latency l;
  std::vector<double> ms, cpu;
  if (!once(&l.docs, &l.hits)) return l;
  for (int r = 0; r < runs; ++r) {
    double cpuStart = cpuMs();
    auto start = Clock::now();
    if (!once(&l.docs, &l.hits)) return l;
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    cpu.push_back(cpuMs() - cpuStart);
  }
  std::sort(ms.begin(), ms.end());
  std::sort(cpu.begin(), cpu.end());
  l.ok = !ms.empty();
  if (l.ok) {
    const size_t at95 = std::min(ms.size() - 1, ms.size() * 95 / 100);
    l.median = ms[ms.size() / 2];
    l.p95 = ms[at95];
    l.cpuMedian = cpu[cpu.size() / 2];
    l.cpuP95 = cpu[at95];
  }
  return l;
}

// Our evaluation of `text`: parse, word lookup, evaluation, every document with its hits.
// With `best` > 0 the documents are scored by relevance and the `best` highest kept, as
// `lxr search --max N` keeps them; *docs is then the exact count of all documents found.
bool ourSearch(TextDB& db, const NoiseList& noise, const std::string& folder, const std::string& text,
               long long* docs, long long* hits, int best = 0) {
  RequestSettings rs;
  rs.showMessages = false;
  SearchTree tree;
  if (tree.parse(text, "", rs) < 0) return false;
  IndexSearchSettings s;
  s.lookup.indexName = folder;
  s.lookup.isNoise = [&noise](const std::string& w) { return noise.isNoise(w); };
  long long d = 0, h = 0;
  s.relevance = best > 0;
  // The best so far, lowest score on top: (score, document).
  std::priority_queue<std::pair<int32_t, int32_t>, std::vector<std::pair<int32_t, int32_t>>, std::greater<>> kept;
  s.found = [&](FoundDocument& f) {
    ++d;
    h += static_cast<long long>(f.hits.size());
    if (best > 0) {
      kept.emplace(f.score, f.doc.docId);
      if (static_cast<int>(kept.size()) > best) kept.pop();
    }
    return 0;
  };
  if (best > 0) {  // as the search job does for a best-N listing: the rest are only counted
    s.scoreBar = [&] { return static_cast<int>(kept.size()) >= best ? kept.top().first : INT32_MIN; };
    s.counted = [&](int32_t n) {
      ++d;
      h += n;
      return 0;
    };
  }
  IndexSearch search(tree, db, s);
  if (search.search() < 0) return false;
  *docs = d;
  *hits = h;
  return true;
}

#ifdef LXR_BENCH_XAPIAN
// Times a Xapian query that gives the number of documents it found; a Xapian error fails it.
Latency measureXapian(int runs, const std::function<size_t()>& query) {
  return measure(runs, [&](long long* d, long long* h) {
    try {
      *d = static_cast<long long>(query());
      *h = 0;
      return true;
    } catch (const Xapian::Error& e) {
      std::fprintf(stderr, "SearchBench: Xapian: %s\n", e.get_description().c_str());
      return false;
    }
  });
}
#endif

std::string ms(const Latency& l, double value) {
  if (!l.ok) return "-";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3f", value);
  return buf;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: SearchBench INDEX_FOLDER [--runs N] [--corpus NAME] [--xapian DB] [request...]\n");
    return 2;
  }
  const std::string folder = argv[1];
  int runs = 50;
  std::string corpus, xapianPath;
  std::vector<std::string> given;
  for (int i = 2; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
    else if (a == "--corpus" && i + 1 < argc) corpus = argv[++i];
    else if (a == "--xapian" && i + 1 < argc) xapianPath = argv[++i];
    else given.push_back(a);
  }
  std::vector<queryclasses::QueryClass> classes;
  if (given.empty()) classes = queryclasses::forCorpus(corpus);

  TextDB db;
  if (db.setDirectory(folder) < 0 ||
      db.open(filemode::kRead, indexformat::kHeaderFile | indexformat::kKeyFile | indexformat::kRefFile |
                                   indexformat::kDocFile | indexformat::kNoiseFile) < 0) {
    std::fprintf(stderr, "SearchBench: %s cannot be opened: %s\n", folder.c_str(), db.errorText().c_str());
    return 1;
  }
  NoiseList noise;
  noise.loadForIndex(db.noiseText());

#ifdef LXR_BENCH_XAPIAN
  std::unique_ptr<Xapian::Database> xdb;
  if (!xapianPath.empty()) {
    try {
      xdb = std::make_unique<Xapian::Database>(xapianPath);
    } catch (const Xapian::Error& e) {
      std::fprintf(stderr, "SearchBench: Xapian database %s: %s\n", xapianPath.c_str(), e.get_description().c_str());
      return 1;
    }
  }
#else
  if (!xapianPath.empty()) std::fprintf(stderr, "SearchBench: built without Xapian; --xapian ignored\n");
#endif

  std::printf("%-16s %-26s %7s %8s %9s %9s | %7s %9s %9s | %7s\n", "class", "request", "docs", "hits", "median ms",
              "p95 ms", "X docs", "X median", "X p95", "ratio");
  auto row = [&](const std::string& name, const std::string& text, const Latency& ours, const Latency& x,
                 const char* xNote) {
    char ratio[32] = "-";
    if (ours.ok && x.ok && x.median > 0) std::snprintf(ratio, sizeof ratio, "%.2f", ours.median / x.median);
    if (!ours.ok) {
      std::printf("%-16s %-26s %s\n", name.c_str(), text.c_str(), "failed (request or index)");
    } else {
      std::printf("%-16s %-26s %7lld %8lld %9.3f %9.3f | ", name.c_str(), text.c_str(), ours.docs, ours.hits,
                  ours.median, ours.p95);
      if (x.ok) std::printf("%7lld %9.3f %9.3f | %7s\n", x.docs, x.median, x.p95, ratio);
      else std::printf("%s\n", xNote);
    }
    std::printf("row\t%s\t%s\t%lld\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", name.c_str(), text.c_str(),
                ours.ok ? ours.docs : -1, ms(ours, ours.median).c_str(), ms(ours, ours.p95).c_str(),
                ms(ours, ours.cpuMedian).c_str(), x.ok ? std::to_string(x.docs).c_str() : "-", ms(x, x.median).c_str(),
                ms(x, x.p95).c_str(), ms(x, x.cpuMedian).c_str());
  };

  for (const std::string& text : given) {
    Latency ours = measure(runs, [&](long long* d, long long* h) { return ourSearch(db, noise, folder, text, d, h); });
    row("request", text, ours, Latency{}, "");
  }
  for (const queryclasses::QueryClass& q : classes) {
    const std::string text = queryclasses::requestText(q);
    Latency ours = measure(runs, [&](long long* d, long long* h) { return ourSearch(db, noise, folder, text, d, h); });
    Latency x;
    const char* note = "no Xapian database given";
#ifdef LXR_BENCH_XAPIAN
    Xapian::Query query;
    if (xdb && !xapianqueries::build(q, &query)) {
      note = "not supported by Xapian";
    } else if (xdb) {
      x = measureXapian(runs, [&] { return xapianqueries::listAll(*xdb, query).size(); });
    }
#endif
    row(q.name, text, ours, x, note);
    if (q.name != std::string("common word")) continue;
    // The first page of a common word: our best 20 by relevance, with the exact count of all
    // documents found, against Xapian's best 10.
    Latency best = measure(runs, [&](long long* d, long long* h) { return ourSearch(db, noise, folder, text, d, h, 20); });
    Latency top;
#ifdef LXR_BENCH_XAPIAN
    if (xdb) top = measureXapian(runs, [&] { return xapianqueries::topTen(*xdb, query); });
#endif
    row("best 20", text, best, top, note);
  }
  db.close();
  db.unlock();
  return 0;
}
