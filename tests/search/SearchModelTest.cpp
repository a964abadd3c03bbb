// Random requests against an index built in several updates (re-indexed and deleted files),
// compared with a brute-force evaluation of the same requests over the documents as they
// now are: the documents found and their hits must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "import/Alphabet.h"
#include "import/BuiltinViewers.h"
#include "import/TextFormat.h"
#include "import/ViewerTable.h"
#include "index/IndexJob.h"
#include "index/NoiseList.h"
#include "index/TextDB.h"
#include "io/FileMode.h"
#include "objects/TextFields.h"
#include "search/IndexSearch.h"
#include "search/SearchTree.h"
#include "tests/index/IndexJobHelpers.h"
#include "tests/support/TempDir.h"

namespace {

using Positions = std::set<int32_t>;
using Found = std::map<std::string, std::vector<int32_t>>;
const std::vector<std::string> kWords = {"qa", "qb", "qc", "qd", "qe", "qf"};

// A request and the evaluation of the same request over one document's words.
struct Request {
  std::string text;
  // Positions within [low, high] and whether the node holds there.
  std::function<Positions(const std::vector<std::string>&, int32_t, int32_t, bool*)> eval;
};

Positions wordAt(const std::vector<std::string>& doc, const std::string& w, int32_t low, int32_t high) {
  Positions out;
  for (int32_t i = std::max(low, 1); i <= high && i <= static_cast<int32_t>(doc.size()); ++i)
    if (doc[static_cast<size_t>(i - 1)] == w) out.insert(i);
  return out;
}

Request word(const std::string& w) {
  return {w, [w](const std::vector<std::string>& d, int32_t lo, int32_t hi, bool* s) {
            Positions p = wordAt(d, w, lo, hi);
            *s = !p.empty();
            return p;
          }};
}

Request randomRequest(std::mt19937& rng, int depth) {
  auto pick = [&] { return kWords[rng() % kWords.size()]; };
  int kind = depth <= 0 ? 0 : static_cast<int>(rng() % 8);
  if (kind == 0) return word(pick());
  if (kind == 1) {  // a two-word phrase
    std::string a = pick(), b = pick();
    return {a + " " + b, [a, b](const std::vector<std::string>& d, int32_t lo, int32_t hi, bool* s) {
              Positions out;
              for (int32_t p = 2; p <= static_cast<int32_t>(d.size()); ++p)
                if (p >= lo && p - 1 <= hi && d[static_cast<size_t>(p - 2)] == a && d[static_cast<size_t>(p - 1)] == b) {
                  out.insert(p - 1);
                  if (p <= hi) out.insert(p);
                }
              *s = !out.empty();
              return out;
            }};
  }
  if (kind == 5 || kind == 6) {  // w/N and not w/N between two words
    std::string a = pick(), b = pick();
    int32_t n = 1 + static_cast<int32_t>(rng() % 4);
    bool notWithin = kind == 6;
    std::string text = "(" + a + (notWithin ? " not w/" : " w/") + std::to_string(n) + " " + b + ")";
    return {text, [a, b, n, notWithin](const std::vector<std::string>& d, int32_t lo, int32_t hi, bool* s) {
              Positions out;
              for (int32_t p : wordAt(d, a, lo, hi)) {
                Positions near = wordAt(d, b, std::max({p - n, 1, lo}), std::min(p + n, hi));
                if (notWithin) {
                  if (near.empty()) out.insert(p);
                } else if (!near.empty()) {
                  out.insert(p);
                  out.insert(near.begin(), near.end());
                }
              }
              *s = !out.empty();
              return out;
            }};
  }
  if (kind == 7) {  // (a to b) contains c
    std::string a = pick(), b = pick(), c = pick();
    return {"((" + a + " to " + b + ") contains " + c + ")",
            [a, b, c](const std::vector<std::string>& d, int32_t lo, int32_t hi, bool* s) {
              Positions out;
              *s = false;
              int32_t from = lo;
              while (from <= hi) {
                Positions starts = wordAt(d, a, from, hi);
                if (starts.empty()) break;
                int32_t start = *starts.begin();
                Positions ends = wordAt(d, b, start, hi);
                if (ends.empty()) break;
                int32_t end = *ends.begin();
                Positions in = wordAt(d, c, std::max(start, lo), std::min(end, hi));
                if (!in.empty()) *s = true;
                out.insert(in.begin(), in.end());
                if (end >= hi) break;
                from = end + 1;
              }
              return out;
            }};
  }
  Request l = randomRequest(rng, depth - 1), r = randomRequest(rng, depth - 1);
  if (kind == 2 || kind == 3) {  // AND, OR
    bool both = kind == 2;
    return {"(" + l.text + (both ? " and " : " or ") + r.text + ")",
            [l, r, both](const std::vector<std::string>& d, int32_t lo, int32_t hi, bool* s) {
              bool ls = false, rs = false;
              Positions a = l.eval(d, lo, hi, &ls), b = r.eval(d, lo, hi, &rs);
              *s = both ? ls && rs : ls || rs;
              Positions out;
              if (*s && ls) out.insert(a.begin(), a.end());
              if (*s && rs) out.insert(b.begin(), b.end());
              return out;
            }};
  }
  // AND NOT
  return {"(" + l.text + " and not " + r.text + ")",
          [l, r](const std::vector<std::string>& d, int32_t lo, int32_t hi, bool* s) {
            bool ls = false, rs = false;
            Positions a = l.eval(d, lo, hi, &ls);
            Positions b = r.eval(d, lo, hi, &rs);
            *s = ls && !(rs && !b.empty());
            return *s ? a : Positions();
          }};
}

}  // namespace

TEST(SearchModelTest, RandomRequestsAgreeWithBruteForce) {
  // Opening the index sets the process-wide folding; other tests expect it as it was.
  const Alphabet saved = processAlphabet();
  struct Restore {
    const Alphabet& saved;
    ~Restore() {
      processAlphabet() = saved;
      textformat::setupAlphabet();
    }
  } restore{saved};
  testsupport::TempDir dir;
  std::string docs = dir.file("docs"), index = dir.file("ix");
  std::filesystem::create_directories(docs);
  ViewerTable viewers;
  builtinviewers::registerAll(viewers);
  std::mt19937 rng(2026);
  std::map<std::string, std::vector<std::string>> texts;  // file name -> words
  auto write = [&](int file, int stamp) {
    std::vector<std::string> words;
    std::string text;
    for (int n = 3 + static_cast<int>(rng() % 40), i = 0; i < n; ++i) {
      words.push_back(kWords[rng() % kWords.size()]);
      text += words.back() + (i % 9 == 8 ? "\n" : " ");
    }
    std::string name = "f" + std::to_string(file) + ".txt";
    testsupport::writeFile(docs + "/" + name, text);
    std::filesystem::last_write_time(docs + "/" + name,
                                     std::filesystem::file_time_type::clock::now() + std::chrono::hours(stamp));
    texts[name] = words;
  };
  for (int round = 0; round < 3; ++round) {
    for (int k = 0; k < 40; ++k) write(static_cast<int>(rng() % 60), round * 10 + 1);
    if (round > 0)
      for (int k = 0; k < 4; ++k) {
        std::string name = "f" + std::to_string(rng() % 60) + ".txt";
        std::filesystem::remove(docs + "/" + name);
        texts.erase(name);
      }
    lxrIndexJob job = indextest::addJob(index, docs, round == 0, true);
    IndexJobSettings settings;
    settings.viewers = &viewers;
    settings.sorterReserve = 1048576 - 3000;  // several merges per update
    IndexJob j(&job, settings);
    ASSERT_EQ(0, j.run());
  }

  TextDB db;
  db.setDirectory(index);
  ASSERT_EQ(0, db.open(filemode::kRead, indexformat::kHeaderFile | indexformat::kKeyFile |
                                           indexformat::kRefFile | indexformat::kDocFile));
  RequestSettings rs;
  rs.showMessages = false;
  int compared = 0, withDocuments = 0, withHits = 0;
  for (int i = 0; i < 2000; ++i) {
    Request r = randomRequest(rng, 2);
    SearchTree tree;
    ASSERT_EQ(0, tree.parse(r.text, "", rs)) << r.text << "\n" << tree.echo();
    Found engine;
    IndexSearchSettings s;
    s.lookup.indexName = "model";
    s.found = [&](FoundDocument& d) {
      engine[textfields::baseName(d.doc.fileName)] = d.hits;
      return 0;
    };
    IndexSearch search(tree, db, s);
    ASSERT_EQ(0, search.search()) << r.text;
    Found expected;
    for (const auto& [name, words] : texts) {
      bool sat = false;
      Positions p = r.eval(words, 1, 1 << 30, &sat);
      if (!p.empty() || sat) expected[name] = std::vector<int32_t>(p.begin(), p.end());
    }
    ASSERT_EQ(expected, engine) << r.text;
    ++compared;
    if (!expected.empty()) ++withDocuments;
    for (const auto& [name, hits] : expected) withHits += hits.empty() ? 0 : 1;
  }
  EXPECT_EQ(2000, compared);
  // The comparison means something only if most requests find documents.
  EXPECT_GT(withDocuments, 1000);
  EXPECT_GT(withHits, 10000);
}
