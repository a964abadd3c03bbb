// Fuzz target: the gzip, bzip2 and xz readers on arbitrary bytes (the first byte picks the
// format when the bytes carry no signature), under small bounds: the output never passes them.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "import/Mailbox.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  compressed::Kind kind;
  if (!compressed::recognize(bytes, &kind)) {
    if (size == 0) return 0;
    kind = static_cast<compressed::Kind>(data[0] % 3);
    bytes.remove_prefix(1);
  }
  ZipLimits limits;
  limits.maxMemberBytes = 1 << 20;
  limits.ratioFreeBytes = 64 << 10;
  std::string out, error;
  int rc = compressed::expand(kind, bytes, limits, &out, &error);
  if (rc == 0 && static_cast<int64_t>(out.size()) > limits.maxMemberBytes) std::abort();
  if (rc < 0 && (error.empty() || !out.empty())) std::abort();
  compressed::memberName(kind, bytes, "x.gz");
  return 0;
}
