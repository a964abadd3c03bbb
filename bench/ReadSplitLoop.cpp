// The practical limit of indexing: a bare loop that reads each file of a corpus whole and splits
// it into words with the word finder's tables, and the same loop feeding a plain in-memory
// positional inverter (each word mapped through the alphabet and cut at 32 bytes, then its
// document and position appended to the word's list in an open-addressing hash table). Nothing
// is written to disk. Prints MB/s and documents/s of both; best of RUNS passes over page-cached
// files. From the inverted lists it also works out how many bytes the index's reference lists
// (docs/formats/ref-lists.md) would take with one chunk per word, as after compression: a floor
// for INDEX_R.IX that noise words and number words move a little either way.
//
// Usage: ReadSplitLoop CORPUS_FOLDER [RUNS]
// Output (last line, for scripts): docs=N bytes=N words=N split_seconds=S invert_seconds=S
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
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

// Word lists in memory: an open-addressing table of words (their text in one arena) whose
// entries point at growing vectors of postings.
class FlatInverter {
 public:
  FlatInverter() : slots_(1 << 16) {}

  void add(const char* word, size_t length, uint64_t hash, Posting posting) {
    size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
      Slot& s = slots_[i];
      if (s.list == 0) {
        s = {hash, static_cast<uint32_t>(arena_.size()), static_cast<uint32_t>(length),
             static_cast<uint32_t>(lists_.size() + 1)};
        arena_.append(word, length);
        lists_.push_back({posting});
        if (lists_.size() * 2 > slots_.size()) grow();
        return;
      }
      if (s.hash == hash && s.length == length && arena_.compare(s.textPos, length, word, length) == 0) {
        lists_[s.list - 1].push_back(posting);
        return;
      }
    }
  }

  size_t distinct() const { return lists_.size(); }
  const std::vector<std::vector<Posting>>& lists() const { return lists_; }

 private:
  struct Slot {
    uint64_t hash = 0;
    uint32_t textPos = 0;
    uint32_t length = 0;
    uint32_t list = 0;  // index into lists_ plus one; 0 marks an empty slot
  };

  void grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
      if (s.list == 0) continue;
      size_t i = s.hash & mask;
      while (slots_[i].list != 0) i = (i + 1) & mask;
      slots_[i] = s;
    }
  }

  std::vector<Slot> slots_;
  std::string arena_;
  std::vector<std::vector<Posting>> lists_;
};

int bitsOf(uint32_t v) {
  int n = 0;
  for (; v; v >>= 1) ++n;
  return n;
}

// Bytes of the reference lists with one chunk per word, newest document first, in one group:
// group width, per document its id, cite width, count and positions, the group end, the
// chunk's end mark and flag (each part aligned as the format aligns it) and the byte the merge
// writes after each chunk.
long long oneChunkReferenceBytes(const FlatInverter& inverter) {
  constexpr int kWidthBits = 5;
  long long totalBits = 0;
  for (const std::vector<Posting>& list : inverter.lists()) {
    int w = bitsOf(list.back().doc);
    long long bits = kWidthBits;
    for (size_t i = 0; i < list.size();) {
      size_t end = i;
      uint32_t largest = 0;
      while (end < list.size() && list[end].doc == list[i].doc) largest = std::max(largest, list[end++].pos);
      uint32_t count = static_cast<uint32_t>(end - i);
      int c = std::max(1, bitsOf(std::max(largest, count)));
      bits += w + kWidthBits + static_cast<long long>(c) * (count + 1);
      i = end;
    }
    bits += w;
    bits = (bits + 7) / 8 * 8;            // the group ends aligned
    bits += kWidthBits + 1;               // end mark and continuation flag
    totalBits += (bits + 7) / 8 * 8 + 8;  // aligned, then the byte after the chunk
  }
  return totalBits / 8;
}

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

Pass readSplitAndInvert(const std::vector<std::string>& files, size_t* distinctWords, long long* refBytes) {
  Pass p;
  auto start = Clock::now();
  const Alphabet& alphabet = Alphabet::builtIn();
  FlatInverter lists;
  std::string text;
  char word[kMaxWordBytes];
  for (const std::string& f : files) {
    long long got = corpusfiles::readWhole(f, &text);
    if (got < 0) continue;
    uint32_t doc = static_cast<uint32_t>(++p.docs);
    p.bytes += got;
    uint32_t pos = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    p.words += baresplit::forEachWord(bytes, text.size(), [&](size_t at, size_t length) {
      size_t n = 0;
      uint64_t hash = 14695981039346656037ull;  // FNV-1a
      for (size_t i = 0; i < length && n < kMaxWordBytes; ++i) {
        unsigned char m = alphabet.map(bytes[at + i]);
        if (m == 0) continue;
        word[n++] = static_cast<char>(m);
        hash = (hash ^ m) * 1099511628211ull;
      }
      ++pos;
      if (n > 0) lists.add(word, n, hash, {doc, pos});
    });
  }
  p.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  *distinctWords = lists.distinct();
  if (refBytes) *refBytes = oneChunkReferenceBytes(lists);
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
  long long refBytes = 0;
  for (int r = 0; r < runs; ++r) {
    Pass s = readAndSplit(files);
    Pass i = readSplitAndInvert(files, &distinct, r == 0 ? &refBytes : nullptr);
    if (r == 0 || s.seconds < split.seconds) split = s;
    if (r == 0 || i.seconds < invert.seconds) invert = i;
  }
  std::printf("%-36s %8.1f MB/s %9.0f docs/s %11lld words\n", "read + split", mbPerSecond(split),
              docsPerSecond(split), split.words);
  std::printf("%-36s %8.1f MB/s %9.0f docs/s %11zu distinct words\n", "read + split + invert in memory",
              mbPerSecond(invert), docsPerSecond(invert), distinct);
  std::printf("reference lists in one chunk per word: %.2f MB (%.0f%% of the text)\n", refBytes / 1e6,
              split.bytes > 0 ? 100.0 * refBytes / split.bytes : 0.0);
  std::printf("docs=%lld bytes=%lld words=%lld split_seconds=%.4f invert_seconds=%.4f one_chunk_ref_bytes=%lld\n",
              split.docs, split.bytes, split.words, split.seconds, invert.seconds, refBytes);
  return 0;
}
