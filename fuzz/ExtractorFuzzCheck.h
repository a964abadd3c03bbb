// Shared by the extractor fuzz targets: runs one extractor on arbitrary bytes under a small text
// limit. The outcome must agree with the return code, a failure must say why, and the text must
// stay within the limit, be valid UTF-8 and hold no codes but the text-block ones.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "import/ExtractedText.h"
#include "import/UnicodeText.h"

namespace fuzzcheck {

inline int checkExtractor(ExtractFunction extract, const uint8_t* data, size_t size) {
  ExtractLimits limits;
  limits.textBytes = 1 << 16;
  ExtractedText out;
  int rc = extract(std::string_view(reinterpret_cast<const char*>(data), size), limits, &out);
  if ((rc < 0) != (out.outcome == ExtractedText::Outcome::kFailed)) std::abort();
  if (rc < 0 && out.error.empty()) std::abort();
  if (out.text.size() > static_cast<size_t>(limits.textBytes) || !unicodetext::isValid(out.text)) std::abort();
  for (char c : out.text)
    if (static_cast<unsigned char>(c) < 32 && c != '\t' && c != '\n' && c != '\v' && c != '\f') std::abort();
  return 0;
}

}  // namespace fuzzcheck
