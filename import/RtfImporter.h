// The Rich Text importer: the text a reader of the document sees, without control words,
// font, colour and style tables, pictures, field instructions or other hidden destinations.
// Escaped characters (\'xx in the document's code page, \u in Unicode) are decoded into
// Windows-1252, paragraphs end lines, bold, italic and underline become attribute codes, and
// the \title of the document information becomes the title. Unbalanced groups and damaged
// input give the text read so far. Depends on import/Viewer and import/CodePage.
#pragma once

#include <cstdint>

#include "import/WholeTextViewer.h"
#include "lexaurum/lxrviewer.h"

class RtfImporter : public WholeTextViewer {
 public:
  // Groups nested deeper than this keep no formatting of their own; the destinations and
  // hidden text they open are still skipped.
  static constexpr int kMaxTrackedDepth = 256;
  static constexpr size_t kMaxTitleBytes = 255;

  // Converts the whole of `source` (read now; it need not outlive the importer) and hands
  // the text out in blocks of `blockBytes`.
  RtfImporter(ByteSource& source, int32_t blockBytes);
  // Converts the document again, to UTF-8: \uN characters, and bytes in the code page of
  // their font's character set or of \ansicpg, as themselves.
  bool deliverUtf8() override;

 private:
  ByteSource* source_;  // valid while the caller's source is open (see Viewer::deliverUtf8)
};

// The makeImport function of the registry: `source` is a ByteSource; the result a Viewer made
// with new, or null.
void* makeRtfImport(void* source, const lxrViewerInfo* info);
