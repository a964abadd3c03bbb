// Fuzz target: the thesaurus file reader, then the entries' invariants, a save and reload
// that must give the same file, the dump, and synonym expansion of words from the input.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "search/SynonymIterator.h"
#include "search/Thesaurus.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  Thesaurus t;
  if (t.parse(text, size) < 0) return 0;
  for (int i = 0; i < t.entryCount(); ++i) {
    if (!t.entryWord(i) || !t.entrySet(i)) std::abort();
    if (i > 0 && t.entryWord(i - 1)->compare(*t.entryWord(i)) > 0) std::abort();
  }
  std::string saved = t.fileText();
  Thesaurus back;
  if (back.parse(saved.data(), saved.size()) < 0) std::abort();
  if (back.fileText() != saved) std::abort();
  (void)t.dump();
  for (int i = 0; i < t.entryCount() && i < 8; ++i) {
    SynonymIterator it;
    const std::string& word = *t.entryWord(i);
    int count = it.start(t, word);
    if (word.find_first_of("?*~#&%") == std::string::npos && count == 0 &&
        word.find_first_of(" \t\r\n") == std::string::npos)
      std::abort();  // a plain thesaurus word has at least itself as synonym
    std::string w;
    while (it.next(&w)) {
    }
  }
  return 0;
}
