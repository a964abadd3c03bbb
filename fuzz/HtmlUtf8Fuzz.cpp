// Fuzz target: the Html importer delivering UTF-8 on arbitrary bytes, read in blocks whose size
// the first byte picks (see fuzz/ViewerFuzzCheck.h for what is checked); the whole text and
// the title must be well-formed UTF-8 once the blocks are joined.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/ViewerFuzzCheck.h"
#include "import/HtmlImporter.h"
#include "import/UnicodeText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  int32_t blockBytes = 16 + data[0] % 200;
  MemorySource source("doc", std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  HtmlImporter importer(source, blockBytes);
  if (!importer.deliverUtf8()) std::abort();
  if (!unicodetext::isValid(importer.text())) std::abort();
  fuzzcheck::checkViewer(importer, 40 + data[0] % 80);
  return 0;
}
