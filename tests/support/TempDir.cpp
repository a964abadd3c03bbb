// Temporary folders and raw file helpers for tests.
#include "tests/support/TempDir.h"

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

// No test writes more than a few megabytes (one makes a sparse 2 GiB file); a runaway
// writer (a child left behind by an interrupted test, say) must not fill the disk.
// Writes past the limit fail.
struct FileSizeLimit {
  FileSizeLimit() {
    struct rlimit limit;
    limit.rlim_cur = limit.rlim_max = rlim_t{1} << 32;
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, SIG_IGN);
  }
} gFileSizeLimit;

}  // namespace

namespace testsupport {

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "lxrtest-XXXXXX").string();
  char* made = mkdtemp(pattern.data());
  if (!made) throw std::runtime_error("mkdtemp failed");
  path_ = made;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string TempDir::file(const std::string& name) const { return path_ + "/" + name; }

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void writeFile(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << data;
}

bool exists(const std::string& path) { return fs::exists(path); }

int openDescriptorCount() {
  int n = 0;
  for ([[maybe_unused]] auto& e : fs::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

std::string sourcePath(const std::string& relative) {
  return std::string(LXR_SOURCE_DIR) + "/" + relative;
}

std::string binaryPath(const std::string& relative) {
  return std::string(LXR_BINARY_DIR) + "/" + relative;
}

}  // namespace testsupport
