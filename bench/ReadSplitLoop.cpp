// The practical limit of indexing: a bare loop that reads each file of a corpus whole and splits
// it into words with the word finder's tables, and the same loop feeding a plain in-memory
// positional inverter (each word mapped through the alphabet and cut at 32 bytes, then its
// document and position appended to the word's list in a hash table). Nothing is written to
// disk. Prints MB/s and documents/s of both; best of RUNS passes over page-cached files.
//
// Usage: ReadSplitLoop CORPUS_FOLDER [RUNS]
// Output (last line, for scripts): docs=N bytes=N words=N split_seconds=S invert_seconds=S
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/BareSplit.h"
#include "bench/CorpusFiles.h"
#include "import/Alphabet.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kMaxWordBytes = 32;  // the indexer's default word length cut

struct Pass {
  double seconds = 0;
  long long docs = 0;
  long long bytes = 0;
  long long words = 0;
};

// One reference of a word: the document and the word's position in it.
struct Posting {
  uint32_t doc;
  uint32_t pos;
};

Pass readAndSplit(const std::vector<std::string>& files) {
  Pass p;
  auto start = Clock::now();
  std::string text;
  for (const std::string& f : files) {
    long long got = corpusfiles::readWhole(f, &text);
    if (got < 0) continue;
    ++p.docs;
    p.bytes += got;
    p.words += baresplit::forEachWord(reinterpret_cast<const unsigned char*>(text.data()), text.size(),
                                      [](size_t, size_t) {});
  }
  p.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return p;
}

Pass readSplitAndInvert(const std::vector<std::string>& files, size_t* distinctWords) {
  Pass p;
  auto start = Clock::now();
  const Alphabet& alphabet = processAlphabet();
  std::unordered_map<std::string, std::vector<Posting>> lists;
  std::string text;
  std::string word;
  for (const std::string& f : files) {
    long long got = corpusfiles::readWhole(f, &text);
    if (got < 0) continue;
    uint32_t doc = static_cast<uint32_t>(++p.docs);
    p.bytes += got;
    uint32_t pos = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    p.words += baresplit::forEachWord(bytes, text.size(), [&](size_t at, size_t length) {
      word.clear();
      for (size_t i = 0; i < length && word.size() < kMaxWordBytes; ++i) {
        unsigned char m = alphabet.map(bytes[at + i]);
        if (m) word += static_cast<char>(m);
      }
      ++pos;
      if (!word.empty()) lists[word].push_back({doc, pos});
    });
  }
  p.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  *distinctWords = lists.size();
  return p;
}

double mbPerSecond(const Pass& p) { return p.seconds > 0 ? p.bytes / 1e6 / p.seconds : 0; }
double docsPerSecond(const Pass& p) { return p.seconds > 0 ? p.docs / p.seconds : 0; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: ReadSplitLoop CORPUS_FOLDER [RUNS]\n");
    return 2;
  }
  int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  std::vector<std::string> files = corpusfiles::list(argv[1]);
  if (files.empty()) {
    std::fprintf(stderr, "ReadSplitLoop: no files under %s\n", argv[1]);
    return 1;
  }
  readAndSplit(files);  // bring the files into the page cache
  Pass split, invert;
  size_t distinct = 0;
  for (int r = 0; r < runs; ++r) {
    Pass s = readAndSplit(files);
    Pass i = readSplitAndInvert(files, &distinct);
    if (r == 0 || s.seconds < split.seconds) split = s;
    if (r == 0 || i.seconds < invert.seconds) invert = i;
  }
  std::printf("%-36s %8.1f MB/s %9.0f docs/s %11lld words\n", "read + split", mbPerSecond(split),
              docsPerSecond(split), split.words);
  std::printf("%-36s %8.1f MB/s %9.0f docs/s %11zu distinct words\n", "read + split + invert in memory",
              mbPerSecond(invert), docsPerSecond(invert), distinct);
  std::printf("docs=%lld bytes=%lld words=%lld split_seconds=%.4f invert_seconds=%.4f\n", split.docs, split.bytes,
              split.words, split.seconds, invert.seconds);
  return 0;
}
