// Lists and reads the files of a benchmark corpus (see CorpusFiles.h).
#include "bench/CorpusFiles.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace corpusfiles {

namespace fs = std::filesystem;

std::vector<std::string> list(const std::string& root) {
  std::vector<std::string> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    std::error_code typeEc;
    if (it->is_regular_file(typeEc) && !it->is_symlink(typeEc)) files.push_back(it->path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

long long readWhole(const std::string& path, std::string* out) {
  FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) return -1;
  out->clear();
  char chunk[1 << 16];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0) out->append(chunk, got);
  bool failed = std::ferror(in) != 0;
  std::fclose(in);
  return failed ? -1 : static_cast<long long>(out->size());
}

long long folderBytes(const std::string& root) {
  long long total = 0;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    std::error_code sizeEc;
    if (it->is_regular_file(sizeEc) && !it->is_symlink(sizeEc)) {
      auto size = it->file_size(sizeEc);
      if (!sizeEc) total += static_cast<long long>(size);
    }
  }
  return total;
}

}  // namespace corpusfiles
