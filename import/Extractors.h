// The table of extractors by name: what the extraction helper process runs for a request, and
// what the viewers of the extracted formats run in-process when isolation is off. Each format's
// registration in import/BuiltinViewers names its extractor here. Depends on
// import/ExtractedText and the extractors.
#pragma once

#include <string_view>

#include "import/ExtractedText.h"

namespace extractors {

struct Entry {
  const char* name;  // short, lower case, no blanks ("pdf", "docx")
  ExtractFunction extract;
};

// The extractor of that name, or null.
const Entry* find(std::string_view name);

}  // namespace extractors
