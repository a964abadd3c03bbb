// ImportSettings: the engine options the built-in importers follow, held by the importer
// registry (ViewerTable) that makes their viewers: the binary-files option, the WordPerfect
// switches and character map, and the ZIP container's trace switch and limits. The engine
// fills them from its options; nothing here is process-wide. Depends on import/ only.
#pragma once

#include <memory>
#include <string>

#include "import/ExtractedText.h"
#include "import/ExtractionService.h"
#include "import/WPCharMap.h"
#include "import/WordPerfectOptions.h"
#include "import/ZipArchive.h"

struct ImportSettings {
  // The binary-files option: 1 filter binary files, 3 skip them, other values: no detection.
  int binaryFiles = 0;
  wordperfect::Options wordPerfect;
  // The character map of WordPerfect documents; null: the built-in default map.
  std::shared_ptr<const WPCharMap> wpCharMap;
  // Every request of the ZIP container is traced (the option "ziplog=").
  bool zipLog = false;
  ZipLimits zipLimits;
  // The bounds of the extraction of complex formats (PDF, Office, mail).
  ExtractLimits extractLimits;
  // The helper process the extractors run in; null: they run in this process, linked into
  // the program or else from the module named here (import/ExtractorModule.h; "": none).
  std::shared_ptr<ExtractionService> extraction;
  std::string extractorModule;
};
