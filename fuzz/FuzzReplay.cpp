// Replays saved fuzz inputs through one target, so every compiler and every test run checks
// the corpus, not only libFuzzer builds. Usage: <replay> FILE-OR-FOLDER...; a folder's files
// run in name order. Exits 1 when a path cannot be read or a folder is empty; a crash in the
// target ends the run as it would under the fuzzer.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int replayFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return -1;
  }
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // A heap copy of exactly the input's size, so the sanitizers catch a read past its end.
  std::vector<uint8_t> copy(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(copy.empty() ? nullptr : copy.data(), copy.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  size_t fileCount = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path arg(argv[i]);
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    if (std::filesystem::is_directory(arg, ec)) {
      for (const auto& e : std::filesystem::directory_iterator(arg, ec))
        if (e.is_regular_file()) files.push_back(e.path());
      if (files.empty()) {
        std::fprintf(stderr, "%s: no inputs\n", argv[i]);
        return 1;
      }
      std::sort(files.begin(), files.end());
    } else {
      files.push_back(arg);
    }
    for (const auto& f : files) {
      if (replayFile(f) < 0) return 1;
      ++fileCount;
    }
  }
  std::printf("replayed %zu inputs\n", fileCount);
  return 0;
}
