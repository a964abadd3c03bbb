// Fuzz target: the checksum file INDEX_C.IX as the verifier reads it. The input is the
// file's bytes; a decoded file must encode back to exactly the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "index/IndexChecksums.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  IndexChecksums sums;
  std::string reason;
  if (sums.decode(bytes, bytes + size, &reason) == 0) {
    if (sums.encode() != std::string(bytes, size)) abort();
  } else if (reason.empty()) {
    abort();
  }
  return 0;
}
