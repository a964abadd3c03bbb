// The extractors the engine knows. Add a row for each new format.
#include "import/Extractors.h"

#include "import/PdfExtractor.h"
#include "import/WordDocExtractor.h"
#include "import/MailExtractor.h"

namespace extractors {

namespace {

const Entry kEntries[] = {
    {"none", nullptr},
    {"pdf", pdfextractor::extract},
    {"doc", worddocextractor::extract},
    {"mail", mail::extract},
};

}  // namespace

const Entry* find(std::string_view name) {
  for (const Entry& e : kEntries)
    if (e.extract && name == e.name) return &e;
  return nullptr;
}

}  // namespace extractors
