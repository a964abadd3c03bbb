// Fuzz target: the mbox splitter and its recognisers on arbitrary bytes. Messages are
// numbered in order and never hold more bytes in all than the input and the bound allow.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "import/Mailbox.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  mailbox::looksLikeMbox(bytes);
  mailbox::looksLikeMessage(bytes);
  bool cut = false;
  const int64_t bound = 1 << 16;
  size_t total = 0;
  for (const ExtractedMember& m : mailbox::split(bytes, bound, &cut)) total += m.bytes.size();
  if (total > size || static_cast<int64_t>(total) > bound) std::abort();
  return 0;
}
