// The EPUB extractor: META-INF/container.xml names the package document (else the first
// .opf part is taken); its spine gives the reading order of the content documents, each read
// by the HTML importer's rules (import/HtmlImporter.h, htmltext), with a page end after each.
// The title and author come from the package's metadata (dc:title, dc:creator). Documents of
// the spine that are missing or not HTML are passed over. Depends on import/PackageParts,
// import/XmlReader, import/HtmlImporter, import/TextCollector.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "import/ExtractedText.h"

namespace epub {

// The extractor (import/Extractors.h).
int extract(std::string_view bytes, const ExtractLimits& limits, ExtractedText* out);

// The package document's spine: the parts it names in reading order (resolved from
// `opfPart`), HTML documents only. 0, or -1 when malformed (the spine read so far is kept).
// Exposed for the fuzzers.
int spineOf(std::string_view opfXml, const std::string& opfPart, std::vector<std::string>* parts);

}  // namespace epub
