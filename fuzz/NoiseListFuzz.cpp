// Fuzz target: the noise list reader and its pattern tree. The input is read as a noise
// file; every line of it, and a few cut or altered forms, are then matched, and the tree's
// answer is compared with a plain check of each entry (first byte exact, then the rest as
// a "*"/"?" pattern). A difference aborts.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "index/NoiseList.h"

namespace {

bool glob(const char* t, size_t tn, const char* p, size_t pn) {
  // Straightforward dynamic programming: row[j] = pattern prefix j matches text prefix i.
  std::vector<char> row(pn + 1, 0), next(pn + 1, 0);
  row[0] = 1;
  for (size_t j = 1; j <= pn; ++j) row[j] = row[j - 1] && p[j - 1] == '*';
  for (size_t i = 1; i <= tn; ++i) {
    next[0] = 0;
    for (size_t j = 1; j <= pn; ++j) {
      char c = p[j - 1];
      if (c == '*') next[j] = next[j - 1] || row[j];
      else next[j] = row[j - 1] && (c == '?' || c == t[i - 1]);
    }
    row.swap(next);
  }
  return row[pn] != 0;
}

bool oracle(const NoiseList& list, const std::string& w) {
  if (w.empty()) return false;
  for (const std::string& e : list.entries())
    if (e[0] == w[0] && glob(w.data() + 1, w.size() - 1, e.data() + 1, e.size() - 1)) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  NoiseList list;
  list.loadForIndex(text);
  std::vector<std::string> words;
  size_t pos = 0;
  while (pos < text.size() && words.size() < 64) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, std::min<size_t>(end - pos, 200));
    words.push_back(line);
    if (line.size() > 1) {
      words.push_back(line.substr(0, line.size() - 1));
      std::string swapped = line;
      swapped[line.size() / 2] = 'e';
      words.push_back(swapped);
      words.push_back(line + "s");
    }
    pos = end + 1;
  }
  for (const std::string& w : words)
    if (list.isNoise(w) != oracle(list, w)) std::abort();
  return 0;
}
