// The OpenDocument extractor: text (.odt, .ott), spreadsheet (.ods, .ots) and presentation
// (.odp, .otp) documents, and the flat single-file XML forms of each. The kind comes from the
// `mimetype` member (else the body's element) and the result's `type` says so. content.xml
// gives the body in document order: paragraphs and headings, tabs, line breaks, runs of
// blanks, notes where they are cited, annotations; table cells separated by tabs and rows
// ended as paragraphs (empty cells and rows, however often repeated, give nothing); each
// sheet's name before its rows and a page end after it; each drawing page (slide) with its
// notes and a page end. Then the headers and footers of styles.xml. Title and author from
// meta.xml. Deleted text of tracked changes is left out. Depends on import/PackageParts,
// import/XmlReader, import/TextCollector.
#pragma once

#include <string_view>

#include "import/ExtractedText.h"
#include "import/TextCollector.h"

namespace odf {

// The extractor (import/Extractors.h).
int extract(std::string_view bytes, const ExtractLimits& limits, ExtractedText* out);

// The text of a content.xml (or styles.xml, with `stylesOnly` reading only the master
// pages' headers and footers). 0, or -1 when malformed (the text before the fault is kept).
// Exposed for the fuzzers.
int contentPart(std::string_view xml, TextCollector* out, bool stylesOnly = false);

}  // namespace odf
