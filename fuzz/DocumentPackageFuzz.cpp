// Fuzz target: whole document packages (ZIP files) through the Office Open XML, OpenDocument
// and EPUB extractors and the package recognition. The first byte chooses the extractor; the
// text must stay within its limit, and a failure must say why.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "import/EpubExtractor.h"
#include "import/OdfExtractor.h"
#include "import/OoxmlExtractor.h"
#include "import/PackageViewers.h"
#include "import/Viewer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  ExtractLimits limits;
  limits.textBytes = 1 << 16;
  ExtractedText out;
  int rc = 0;
  switch (data[0] % 4) {
    case 0: rc = ooxml::extract(bytes, limits, &out); break;
    case 1: rc = odf::extract(bytes, limits, &out); break;
    case 2: rc = epub::extract(bytes, limits, &out); break;
    default: {
      MemorySource source("fuzz", std::string(bytes));
      packageviewers::kindOf(source);
      const auto* head = reinterpret_cast<const uint8_t*>(bytes.data());
      int32_t n = static_cast<int32_t>(std::min<size_t>(bytes.size(), 1024));
      packageviewers::recognizeOoxml("f", head, n);
      packageviewers::recognizeOdfText("f", head, n);
      packageviewers::recognizeEpub("f", head, n);
      return 0;
    }
  }
  if (static_cast<int64_t>(out.text.size()) > limits.textBytes) std::abort();
  if (rc < 0 && (out.outcome != ExtractedText::Outcome::kFailed || out.error.empty())) std::abort();
  return 0;
}
