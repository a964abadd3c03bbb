// Fuzz target: the PDF extractor on arbitrary bytes (fuzz/ExtractorFuzzCheck.h says what must hold).
#include "fuzz/ExtractorFuzzCheck.h"
#include "import/PdfExtractor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzzcheck::checkExtractor(pdfextractor::extract, data, size);
}
