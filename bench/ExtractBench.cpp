// The in-process throughput of one extractor (import/Extractors.h): ExtractBench NAME PASSES
// FILE... reads the files into memory, runs the extractor over all of them PASSES times and
// prints one line per pass: "seconds bytes-in text-bytes-out". scripts/bench-extract.sh takes
// the median beside the reference tool's.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "import/Extractors.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: ExtractBench NAME PASSES FILE...\n");
    return 2;
  }
  const extractors::Entry* entry = extractors::find(argv[1]);
  if (!entry) {
    std::fprintf(stderr, "no extractor %s\n", argv[1]);
    return 2;
  }
  int passes = std::atoi(argv[2]);
  std::vector<std::string> files;
  size_t in = 0;
  for (int i = 3; i < argc; ++i) {
    std::ifstream f(argv[i], std::ios::binary);
    files.emplace_back(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    in += files.back().size();
  }
  for (int p = 0; p < passes; ++p) {
    size_t out = 0;
    auto start = std::chrono::steady_clock::now();
    for (const std::string& bytes : files) {
      ExtractedText text;
      entry->extract(bytes, ExtractLimits{}, &text);
      out += text.text.size();
    }
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.6f %zu %zu\n", s, in, out);
  }
  return 0;
}
