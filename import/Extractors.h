// The table of extractors by name: what the extraction helper process runs for a request, and
// what the viewers of the extracted formats run in-process when isolation is off. Each format's
// registration in import/BuiltinViewers names its extractor here.
//
// The extractors and the libraries they need (poppler, GMime, libxml2) are the library
// lxr_extractors, not part of lxr_import: loading those libraries costs a program several
// milliseconds at start, which every search would pay. The engine reaches them in one of three
// ways (import/ExtractedViewer): through the helper process; through `linked()` in a program
// that links lxr_extractors (the helper itself, tests, benchmarks); or through the loadable
// module of import/ExtractorModule.h. Depends on import/ExtractedText and, for `find`, the
// extractors.
#pragma once

#include <cstddef>
#include <string_view>

#include "import/ExtractedText.h"

namespace extractors {

struct Entry {
  const char* name;  // short, lower case, no blanks ("pdf", "docx")
  ExtractFunction extract;
};

// The extractor of that name, or null. Defined in lxr_extractors only.
const Entry* find(std::string_view name);

// `find` when this program links lxr_extractors, else null. Defined in lxr_import.
const Entry* (*linked())(std::string_view name);

}  // namespace extractors

// The C entry point of the table, defined in lxr_extractors; the loadable module exports it
// and programs linking lxr_extractors reach it through extractors::linked().
extern "C" __attribute__((visibility("default"))) const extractors::Entry* lxr_find_extractor(const char* name,
                                                                                              size_t length);
