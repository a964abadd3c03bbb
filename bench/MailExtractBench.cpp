// Mail and compressed-file extraction throughput, in process: every file named on the command
// line (or listed, one per line, in a file given as "@LIST") is read into memory once, then
// extracted ROUNDS times; prints the median MB/s and files/s of the rounds. A file that is
// gzip, bzip2 or xz is expanded (within the ZIP bounds); any other is read as a message.
//   MailExtractBench ROUNDS FILE... | @LIST
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "import/MailExtractor.h"
#include "import/Mailbox.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: MailExtractBench ROUNDS FILE... | @LIST\n");
    return 2;
  }
  int rounds = std::max(1, std::atoi(argv[1]));
  std::vector<std::string> names;
  for (int i = 2; i < argc; ++i) {
    std::string a = argv[i];
    if (a[0] == '@') {
      std::ifstream list(a.substr(1));
      for (std::string line; std::getline(list, line);)
        if (!line.empty()) names.push_back(line);
    } else {
      names.push_back(a);
    }
  }
  std::vector<std::string> files;
  int64_t bytes = 0;
  for (const std::string& n : names) {
    std::ifstream in(n, std::ios::binary);
    files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    bytes += static_cast<int64_t>(files.back().size());
  }
  std::vector<double> seconds;
  int64_t textBytes = 0;
  for (int r = 0; r < rounds; ++r) {
    auto start = std::chrono::steady_clock::now();
    textBytes = 0;
    for (const std::string& f : files) {
      compressed::Kind kind;
      if (compressed::recognize(f, &kind)) {
        std::string out, error;
        compressed::expand(kind, f, ZipLimits(), &out, &error);
        textBytes += static_cast<int64_t>(out.size());
      } else {
        ExtractedText out;
        mail::extract(f, ExtractLimits(), &out);
        textBytes += static_cast<int64_t>(out.text.size());
      }
    }
    seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(seconds.begin(), seconds.end());
  double median = seconds[seconds.size() / 2];
  std::printf("files %zu  MB %.2f  text MB %.2f  median s %.4f  MB/s %.1f  files/s %.0f\n", files.size(),
              static_cast<double>(bytes) / 1e6, static_cast<double>(textBytes) / 1e6, median,
              static_cast<double>(bytes) / 1e6 / median, static_cast<double>(files.size()) / median);
  return 0;
}
