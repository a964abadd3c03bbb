// Word-breaking benchmark: how fast documents become words through the engine's own path
// (ImportFile choosing the importer, the text importer, the line layout and the word finder)
// against, in the same run, a bare loop that reads the same files and splits them into words
// with the same 256-entry class table: the practical limit of the machine. Prints MB/s of
// each, the words found and the ratio. Usage: WordBreakBench [corpus folder] [runs].
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "import/BuiltinViewers.h"
#include "import/Alphabet.h"
#include "import/ImportFile.h"
#include "import/LineLayout.h"
#include "import/TextFormat.h"
#include "import/ViewerTable.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

struct Pass {
  double seconds = 0;
  int64_t bytes = 0;
  int64_t words = 0;
};

std::vector<std::string> listFiles(const fs::path& root) {
  std::vector<std::string> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->path().filename().string().starts_with(".")) {
      if (it->is_directory()) it.disable_recursion_pending();
      continue;
    }
    if (it->is_regular_file()) files.push_back(it->path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The engine's path: each file opened through the registry, laid out in lines as wide as the
// layout allows (as the indexer lays them out) and every line given to the word finder.
Pass throughEngine(const std::vector<std::string>& files, const ViewerTable& table) {
  Pass p;
  auto start = Clock::now();
  ImportFile doc(table);
  ScreenLine line;
  textformat::WordSpan spans[textformat::kMaxWordsPerLine];
  for (const std::string& f : files) {
    if (doc.open(f) < 0) continue;
    p.bytes += doc.fileInfo().sizeBytes;
    while (doc.nextLine(&line, LineLayout::kMaxLineBytes) == 1)
      p.words += textformat::findWords(Alphabet::builtIn(), reinterpret_cast<const unsigned char*>(line.text.data()),
                                       static_cast<int>(line.text.size()), spans);
    doc.close();
  }
  p.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return p;
}

// The bare loop: read each file whole and split it into words with the class table.
Pass bareLoop(const std::vector<std::string>& files) {
  uint8_t cls[256];
  bool continues[256];
  for (int c = 0; c < 256; ++c) {
    cls[c] = textformat::charClass(Alphabet::builtIn(), static_cast<unsigned char>(c));
    continues[c] = textformat::continuesWord(Alphabet::builtIn(), static_cast<unsigned char>(c));
  }
  Pass p;
  auto start = Clock::now();
  std::vector<unsigned char> buffer;
  textformat::WordSpan spans[textformat::kMaxWordsPerLine];
  for (const std::string& f : files) {
    FILE* in = std::fopen(f.c_str(), "rb");
    if (!in) continue;
    std::fseek(in, 0, SEEK_END);
    long size = std::ftell(in);
    std::fseek(in, 0, SEEK_SET);
    buffer.resize(static_cast<size_t>(std::max(size, 0L)));
    size_t got = std::fread(buffer.data(), 1, buffer.size(), in);
    std::fclose(in);
    p.bytes += static_cast<int64_t>(got);
    // Split into words: each word's start and length, handed on in groups of a line's worth.
    const unsigned char* text = buffer.data();
    size_t i = 0;
    int n = 0;
    while (i < got) {
      while (i < got && cls[text[i]] != textformat::kWordChar) ++i;
      if (i >= got) break;
      size_t start = i++;
      while (i < got && continues[text[i]]) ++i;
      spans[n++] = {static_cast<int>(start), static_cast<int>(i - start)};
      if (n == textformat::kMaxWordsPerLine) {
        p.words += n;
        n = 0;
      }
    }
    p.words += n;
  }
  p.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return p;
}

double megabytesPerSecond(const Pass& p) { return p.seconds > 0 ? p.bytes / 1e6 / p.seconds : 0; }

}  // namespace

int main(int argc, char** argv) {
  std::string root = argc > 1 ? argv[1] : "/tmp/lxr-corpus/brown";
  int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  std::vector<std::string> files = listFiles(root);
  if (files.empty()) {
    std::fprintf(stderr, "WordBreakBench: no files under %s (lay out a corpus with make-corpus.sh)\n",
                 root.c_str());
    return 1;
  }
  ViewerTable table;
  builtinviewers::registerAll(table);

  bareLoop(files);  // bring the files into the page cache
  Pass engine, bare;
  for (int r = 0; r < runs; ++r) {
    Pass e = throughEngine(files, table);
    Pass b = bareLoop(files);
    if (r == 0 || e.seconds < engine.seconds) engine = e;
    if (r == 0 || b.seconds < bare.seconds) bare = b;
  }
  std::printf("corpus %s: %zu files, %.1f MB (best of %d runs)\n", root.c_str(), files.size(),
              bare.bytes / 1e6, runs);
  std::printf("%-40s %9.1f MB/s %12lld words\n", "ImportFile + layout + word finder",
              megabytesPerSecond(engine), static_cast<long long>(engine.words));
  std::printf("%-40s %9.1f MB/s %12lld words\n", "bare loop (read + class table)",
              megabytesPerSecond(bare), static_cast<long long>(bare.words));
  double ratio = megabytesPerSecond(bare) > 0 ? megabytesPerSecond(engine) / megabytesPerSecond(bare) : 0;
  std::printf("ratio engine / bare: %.2f (goal: at least 0.50)\n", ratio);
  return 0;
}
