// Fuzz target: a request word (the input's first line) against an index word (the rest).
// Besides never crashing, a word that matches must lie inside the matcher's key range
// [low key, high key): a scan of the sorted word list relies on that to start late and stop
// early.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "search/WordMatcher.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  size_t nl = input.find('\n');
  if (nl == std::string::npos || nl > 128 || size - nl - 1 > 128) return 0;
  std::string written = input.substr(0, nl);
  std::string word = input.substr(nl + 1);
  WordMatcher m;
  m.setup(written);
  if (!m.match(word)) return 0;
  if (word < m.lowKey()) std::abort();
  if (!m.unbounded() && word >= m.highKey()) std::abort();
  if (m.pastEnd(word)) std::abort();
  return 0;
}
