// The Word 97-2003 (and Word 6/95) extractor: the text of a .doc file through its compound
// file, its File Information Block and its piece table (fast-saved files included), with
// 8-bit and Unicode pieces; the main text first, then footnotes, headers, comments, endnotes
// and text boxes. Field instructions are left out, their results kept. A password-protected
// file is counted as encrypted; a compound file without a WordDocument stream (a workbook, a
// message) is counted as holding no text. Title and author come from the summary information.
// Depends on import/CompoundFile, import/WordTextSink, import/SummaryInfo.
#pragma once

#include <string_view>

#include "import/ExtractedText.h"

namespace worddocextractor {

// The ExtractFunction of "doc".
int extract(std::string_view bytes, const ExtractLimits& limits, ExtractedText* out);

}  // namespace worddocextractor
