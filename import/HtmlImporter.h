// The HTML importer: the text a browser shows, without tags, comments, scripts and styles.
// Character references (named, decimal and hexadecimal) are decoded, the <title> becomes the
// document title, block elements end lines, <br> breaks a line, table cells are separated by
// tabs and runs of white space collapse to one blank (except inside <pre>). The character set
// comes from a byte-order mark, else a <meta> charset declaration, else detection (UTF-8 or
// Windows-1252). An unterminated tag or comment ends the text. Depends on import/Viewer,
// import/Charset, import/CodePage and import/HtmlEntities.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "import/WholeTextViewer.h"
#include "lexaurum/lxrviewer.h"

class HtmlImporter : public WholeTextViewer {
 public:
  static constexpr size_t kMaxTitleBytes = 255;
  // A <meta> charset declaration is looked for in this many bytes at the start.
  static constexpr size_t kCharsetScanBytes = 4096;

  // Converts the whole of `source` (read now; it need not outlive the importer) and hands
  // the text out in blocks of `blockBytes`.
  HtmlImporter(ByteSource& source, int32_t blockBytes);
  // Converts the document again, to UTF-8 (read from the source once more).
  bool deliverUtf8() override;

  // The character set named by the first <meta> tag of `head` that declares one
  // ("charset=..." or charset="..."), lower-cased; empty when there is none.
  static std::string declaredCharset(const std::string& head);

 private:
  ByteSource* source_;  // valid while the caller's source is open (see Viewer::deliverUtf8)
};

// The makeImport function of the registry: `source` is a ByteSource; the result a Viewer made
// with new, or null.
void* makeHtmlImport(void* source, const lxrViewerInfo* info);

namespace htmltext {

// The text of one HTML or XHTML document by the importer's rules, in UTF-8 text blocks
// (the character set found as the importer finds it); its <title> into `title` (UTF-8,
// replaced). For documents inside other formats (the chapters of an EPUB book).
std::string toUtf8Text(std::string_view document, std::string* title);

}  // namespace htmltext
