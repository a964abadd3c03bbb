// Fuzz target: index library file reading. A library that was read must write out in a form
// that reads back to the same library, and the selected-paths join must stay in its buffer.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "api/IndexLibrary.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // No file is ever written: the library has no file, so changes stay in memory.
  IndexLibrary lib("/nonexistent/lexaurum-fuzz");
  if (lib.parse(reinterpret_cast<const char*>(data), size) < 0) return 0;
  std::string once = lib.serialize();
  IndexLibrary again("/nonexistent/lexaurum-fuzz");
  if (again.parse(once.data(), once.size()) < 0 || again.serialize() != once) std::abort();
  for (size_t i = 0; i < lib.count(); ++i) lib.setSelected(lib.entry(i)->name, 1);
  char buf[40];
  lib.selectedPaths(buf, sizeof buf);
  if (lib.count() > 0) {
    std::string first = lib.entry(0)->name;
    lib.rename(first, first + "x");
    lib.remove(first + "x");
  }
  return 0;
}
