// Fuzz target: the stemming rules reader, then stems and roots of words taken from the input
// and set-up and matching of request words with those rules.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "search/Stemmer.h"
#include "search/WordMatcher.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  Stemmer s;
  s.parse(text, size);
  for (const StemRule& r : s.rules()) {
    if (r.suffix.empty() || r.suffix.size() > StemRule::kMaxPart ||
        r.replacement.size() > StemRule::kMaxPart)
      std::abort();
    (void)Stemmer::format(r);
  }
  // Words: the input's last line and a few slices of it.
  size_t cut = size > 40 ? size - 40 : 0;
  std::string tail(text + cut, size - cut);
  for (size_t i = 0; i + 1 < tail.size(); i += 7) {
    std::string word = tail.substr(i);
    std::string stem = word;
    s.stem(&stem);
    std::string root = s.root(word);
    if (word.compare(0, root.size(), root) != 0) std::abort();  // the root is a prefix
    WordMatcher m;
    m.setup(word + "~", {}, &s);
    (void)m.match(stem);
    (void)m.match(word);
    m.setup(word, {}, &s);
    if (!m.pastEnd(word) && m.word().fuzzyCount == 0 &&
        word.find_first_of("?*~#&%") == std::string::npos && !word.empty() &&
        word.find_first_of(" \t\r\n") == std::string::npos && !m.match(word))
      std::abort();  // a plain word matches itself
  }
  return 0;
}
