// The extractors the engine knows. Add a row for each new format.
// Part of lxr_extractors (import/Extractors.h says why it is a library of its own).
#include "import/Extractors.h"

#include "import/PdfExtractor.h"
#include "import/WordDocExtractor.h"
#include "import/MailExtractor.h"
#include "import/EpubExtractor.h"
#include "import/OdfExtractor.h"
#include "import/OoxmlExtractor.h"

namespace extractors {

namespace {

const Entry kEntries[] = {
    {"none", nullptr},
    {"pdf", pdfextractor::extract},
    {"doc", worddocextractor::extract},
    {"mail", mail::extract},
    {"ooxml", ooxml::extract},
    {"odf", odf::extract},
    {"epub", epub::extract},
};

}  // namespace

const Entry* find(std::string_view name) {
  for (const Entry& e : kEntries)
    if (e.extract && name == e.name) return &e;
  return nullptr;
}

}  // namespace extractors

extern "C" const extractors::Entry* lxr_find_extractor(const char* name, size_t length) {
  return name ? extractors::find(std::string_view(name, length)) : nullptr;
}
