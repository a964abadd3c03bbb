// Fuzz target: the alphabet file reader, then the folding map, a request translation and
// the file form of whatever was read.
#include <cstdint>
#include <string>

#include "import/Alphabet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Alphabet a;
  a.parse(reinterpret_cast<const char*>(data), size);
  a.foldAccents(true);
  a.foldLower(true);
  std::string request(reinterpret_cast<const char*>(data), size < 64 ? size : 64);
  (void)a.translateRequest(request);
  char out[64];
  (void)a.translateWord(out, request.c_str(), static_cast<int>(sizeof out));
  Alphabet b;
  std::string text = a.fileText();
  b.parse(text.data(), text.size());
  (void)b.listing();
  std::string image = a.toImage();
  b.fromImage(image.data(), image.size());
  return 0;
}
