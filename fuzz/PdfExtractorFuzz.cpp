// Fuzz target: the PDF extractor on arbitrary bytes, under a small text limit. The outcome must
// be one of the four, the text within the limit, valid UTF-8 and free of codes other than the
// text-block ones; a failure must say why.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "import/PdfExtractor.h"
#include "import/UnicodeText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ExtractLimits limits;
  limits.textBytes = 1 << 16;
  ExtractedText out;
  int rc = pdfextractor::extract(std::string_view(reinterpret_cast<const char*>(data), size), limits, &out);
  if ((rc < 0) != (out.outcome == ExtractedText::Outcome::kFailed)) std::abort();
  if (rc < 0 && out.error.empty()) std::abort();
  if (out.text.size() > static_cast<size_t>(limits.textBytes) || !unicodetext::isValid(out.text)) std::abort();
  for (char c : out.text)
    if (static_cast<unsigned char>(c) < 32 && c != '\t' && c != '\n' && c != '\v' && c != '\f') std::abort();
  return 0;
}
