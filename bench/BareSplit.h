// The bare word split used by the indexing benchmarks: one pass over a whole file with the
// word finder's 256-entry class and continuation tables of the built-in alphabet, calling back with each word's start
// and length. It skips what the indexer's line layout does (lines, hidden text, escapes), so it
// marks the practical limit of reading and splitting. Depends on import/TextFormat.
#pragma once

#include <cstddef>

#include "import/Alphabet.h"
#include "import/TextFormat.h"

namespace baresplit {

// Calls onWord(start, length) for each word of text[0, size) in order; returns the word count.
template <typename OnWord>
long long forEachWord(const unsigned char* text, size_t size, OnWord&& onWord) {
  const textformat::WordClasses& classes = Alphabet::builtIn().wordClasses();
  const uint8_t* cls = classes.cls;
  const bool* continues = classes.continues;
  long long count = 0;
  size_t i = 0;
  while (i < size) {
    while (i < size && cls[text[i]] != textformat::kWordChar) ++i;
    if (i >= size) break;
    size_t start = i++;
    while (i < size && continues[text[i]]) ++i;
    onWord(start, i - start);
    ++count;
  }
  return count;
}

}  // namespace baresplit
