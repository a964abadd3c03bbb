// Fuzz target: the Word .doc extractor (compound file, FIB, piece table) on arbitrary bytes
// (fuzz/ExtractorFuzzCheck.h says what must hold).
#include "fuzz/ExtractorFuzzCheck.h"
#include "import/WordDocExtractor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzzcheck::checkExtractor(worddocextractor::extract, data, size);
}
