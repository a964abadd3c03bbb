// Fuzz target: the plain text importer delivering UTF-8 (legacy code page detection and the
// conversion of every character set it may choose) on arbitrary bytes, read in blocks whose
// size the first byte picks. Every block must be well-formed UTF-8, and a reading from a
// rewind must give the same text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "import/TextImporter.h"
#include "import/UnicodeText.h"

namespace {

std::string readAll(TextImporter& importer) {
  std::string all;
  for (int i = 0; i < 1000000; ++i) {
    std::string block;
    int rc = importer.readTextBlock(&block);
    if (rc < 0) std::abort();  // a memory source never fails
    if (rc == 0) return all;
    if (!unicodetext::isValid(block)) std::abort();
    all += block;
  }
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  MemorySource source("doc", std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  TextImporter importer(source, 16 + data[0] % 200,
                        (data[0] & 1) ? charset::Encoding::kWindows1252 : charset::Encoding::kCp437);
  if (!importer.deliverUtf8()) std::abort();
  std::string first = readAll(importer);
  if (importer.rewind() != 0) std::abort();
  if (readAll(importer) != first) std::abort();
  return 0;
}
