// The PDF extractor: the text of each page in reading order through poppler, a page end after
// each page, the title and author of the document information. A file that opens with the
// empty user password is read; one that needs a password is counted as encrypted. A damaged
// file gives what poppler can recover, or a clean failure. Depends on import/ExtractedText.
#pragma once

#include <string_view>

#include "import/ExtractedText.h"

namespace pdfextractor {

// The ExtractFunction of "pdf".
int extract(std::string_view bytes, const ExtractLimits& limits, ExtractedText* out);

}  // namespace pdfextractor
