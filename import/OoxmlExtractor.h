// The Office Open XML extractor: word processing (.docx), spreadsheet (.xlsx) and
// presentation (.pptx) packages, transitional or strict, with their macro-enabled and
// template kinds. The package's relationships lead from the root to the main part and from
// it to the rest; which kind of package it is comes from the main part (its content type,
// else its folder), and the result's `type` says so.
//   word processing: the body (text boxes where they stand), then headers, footers,
//     footnotes, endnotes and comments; page ends where the document breaks pages;
//   spreadsheet: each sheet in workbook order, its name as a paragraph, then one paragraph
//     per row with the cells' values (shared or inline strings, numbers as written)
//     separated by tabs; a page end after each sheet;
//   presentation: each slide in the presentation's order, its text then its notes, a page
//     end after each.
// The title and author come from the core properties. Relationships that point at missing
// parts are passed over; no part is read twice. Depends on import/PackageParts,
// import/XmlReader, import/TextCollector.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "import/ExtractedText.h"
#include "import/TextCollector.h"
#include "import/WordNumbering.h"

namespace ooxml {

// The extractor (import/Extractors.h).
int extract(std::string_view bytes, const ExtractLimits& limits, ExtractedText* out);

// The part readers, each over one part's XML; exposed for the fuzzers. 0, or -1 when the
// XML is malformed (the text before the fault is kept).
// wordPart labels list paragraphs through `numbering` when given, and marks note references
// and the notes themselves with their numbers ("[1]").
int wordPart(std::string_view xml, TextCollector* out, WordNumbering* numbering = nullptr);
int sharedStrings(std::string_view xml, std::vector<std::string>* strings);
int sheetPart(std::string_view xml, const std::vector<std::string>& strings, TextCollector* out);
int drawingPart(std::string_view xml, TextCollector* out);  // a slide or its notes

}  // namespace ooxml
