// The title and author of a "\005SummaryInformation" property set stream (the document
// properties of compound files written by Office programs). Hostile bytes: every offset and
// count is checked against the stream. Depends on import/UnicodeText.
#pragma once

#include <string>
#include <string_view>

namespace summaryinfo {

struct Properties {
  std::string title;   // UTF-8, one line; empty when absent
  std::string author;  // UTF-8, one line; empty when absent
};

// The properties of the first section of `stream`; empty ones where it cannot be read.
Properties read(std::string_view stream);

}  // namespace summaryinfo
