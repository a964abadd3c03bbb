// Fuzz target: the WordPerfect importers on arbitrary bytes. The first byte picks the block
// size and the layout width, the second the importer (5.x, 6.x, 4.2) and its options; the
// rest is the document (see fuzz/ViewerFuzzCheck.h for what is checked).
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz/ViewerFuzzCheck.h"
#include "import/WP42Importer.h"
#include "import/WPCharMap.h"
#include "import/WordPerfect6Importer.h"
#include "import/WordPerfectImporter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  int32_t blockBytes = 16 + data[0] % 200;
  uint8_t choice = data[1];
  wordperfect::Options options;
  options.checkTrailingCopies = (choice & 4) == 0;
  options.textOption = (choice & 8) != 0;
  // A map that maps every character somewhere, so mapped characters reach the text.
  static const WPCharMap map = [] {
    WPCharMap m;
    for (int set = 0; set < WPCharMap::kSetCount; ++set)
      for (int c = 0; c < WPCharMap::kCharCount; ++c) m.set(set, c, static_cast<unsigned char>(c));
    return m;
  }();
  MemorySource source("doc", std::string(reinterpret_cast<const char*>(data + 2), size - 2));
  std::unique_ptr<Viewer> importer;
  switch (choice % 3) {
    case 0: importer = std::make_unique<ImportWordPerfect>(source, blockBytes, map, options); break;
    case 1: importer = std::make_unique<ImportWordPerfect6>(source, blockBytes, map, options); break;
    default: importer = std::make_unique<ImportWP42>(source, blockBytes); break;
  }
  fuzzcheck::checkViewer(*importer, 40 + data[0] % 80);
  return 0;
}
