// Fuzz target: the file type table reader, then applying the table to the registry and
// writing it back. A table written from a parsed one must read back to the same entries.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "api/FileTypeTable.h"
#include "import/BuiltinViewers.h"
#include "import/ViewerTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ViewerTable* table = [] {
    auto* t = new ViewerTable;
    builtinviewers::registerAll(*t);
    return t;
  }();
  FileTypeTable types;
  if (types.parse(reinterpret_cast<const char*>(data), size) < 0) return 0;
  if (types.count() > FileTypeTable::kMaxEntries) std::abort();
  types.apply(*table);
  std::string text = types.toFileText();
  FileTypeTable again;
  if (again.parse(text.data(), text.size()) < 0) std::abort();
  if (again.toFileText() != text) std::abort();
  types.reset(*table);
  return 0;
}
