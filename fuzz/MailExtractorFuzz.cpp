// Fuzz target: the mail extractor on arbitrary bytes, under a small text limit. The text must
// be valid UTF-8 within the limit, and every member named safely (not empty, no "/").
#include <cstdint>
#include <cstdlib>
#include <string>

#include "import/MailExtractor.h"
#include "import/UnicodeText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ExtractLimits limits;
  limits.textBytes = 64 << 10;
  ExtractedText out;
  mail::extract(std::string_view(reinterpret_cast<const char*>(data), size), limits, &out);
  if (static_cast<int64_t>(out.text.size()) > limits.textBytes) std::abort();
  if (!unicodetext::isValid(out.text) || !unicodetext::isValid(out.title)) std::abort();
  for (const ExtractedMember& m : out.members)
    if (m.name.empty() || m.name.find('/') != std::string::npos || m.name == "..") std::abort();
  return 0;
}
