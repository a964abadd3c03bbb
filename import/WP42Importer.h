// The WordPerfect 4.2 importer: the text of a WordPerfect 4.2 document (a file without a
// prefix: characters, single-byte codes 80..BF, and functions C0..FE that end with their own
// code) as text blocks, with bold and underline, and the text of notes inline between
// brackets. A function whose closing code never comes ends the text as damaged. Chosen only
// through the file type table. Depends on import/Viewer and import/WordPerfectText.
#pragma once

#include <cstdint>

#include "import/WholeTextViewer.h"
#include "lexaurum/lxrviewer.h"

class ImportWP42 : public WholeTextViewer {
 public:
  // A function longer than this is taken as damage.
  static constexpr int kMaxFunctionBytes = 1024;
  static constexpr int32_t kMaxTextBytes = 64 << 20;

  // Converts the whole of `source` now (it need not outlive the importer) and hands the text
  // out in blocks of `blockBytes`.
  ImportWP42(ByteSource& source, int32_t blockBytes);

  // 623 when a function runs past the end of the file or past kMaxFunctionBytes, else 0.
  int damageCode() const { return damageCode_; }

 private:
  int damageCode_ = 0;
};

// The makeImport function of the registry: `source` is a ByteSource; the result a Viewer made
// with new, or null.
void* makeWP42Import(void* source, const lxrViewerInfo* info);
