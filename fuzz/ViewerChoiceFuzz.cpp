// Fuzz target: choosing a viewer for arbitrary bytes and reading the document to its end.
// The first byte picks the binary-files option, the file name and a block size; the rest is
// the file. Every block is read and laid out into lines, then the document is rewound and
// its first block read again; the plain-text and binary importers also run with small blocks.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "import/BinaryImporter.h"
#include "import/BuiltinViewers.h"
#include "import/ImportFile.h"
#include "import/Recognizers.h"
#include "import/TextImporter.h"
#include "import/ViewerTable.h"

namespace {

constexpr int kMaxBlocks = 100000;

void readThrough(Viewer& v) {
  std::string out;
  for (int i = 0; i < kMaxBlocks; ++i) {
    out.clear();
    int rc = v.readTextBlock(&out);
    if (rc <= 0) return;
    if (static_cast<size_t>(rc) != out.size()) std::abort();
  }
  std::abort();  // a viewer that never ends
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ViewerTable* table = [] {
    auto* t = new ViewerTable;
    builtinviewers::registerAll(*t);
    return t;
  }();
  if (size == 0) return 0;
  static const char* const kNames[] = {"doc.txt", "SALES.DBF", "help.hlp", "x"};
  uint8_t control = data[0];
  ImportSettings settings;
  settings.binaryFiles = control & 3;
  table->setSettings(settings);
  std::string name = kNames[(control >> 2) & 3];
  int32_t smallBlock = 16 + (control >> 4);
  std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  ImportFile doc(*table);
  if (doc.open(std::make_unique<MemorySource>(name, bytes)) == 0) {
    ScreenLine line;
    int lines = 0;
    while (doc.nextLine(&line, 40 + (control & 63)) == 1) {
      ImportFile::lineText(line);
      if (++lines > 4 * kMaxBlocks) std::abort();
    }
    if (doc.rewind() < 0) std::abort();
    doc.nextBlock();
  }

  MemorySource source(name, bytes);
  TextImporter ansi(source, smallBlock, charset::Encoding::kWindows1252);
  readThrough(ansi);
  TextImporter dos(source, smallBlock, charset::Encoding::kCp437);
  readThrough(dos);
  FilteredImporter runs(source, smallBlock);
  readThrough(runs);
  return 0;
}
