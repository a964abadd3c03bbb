// Fuzz target: message file reading and the formatting of the texts it yields.
#include <cstdint>
#include <string>

#include "objects/MessageTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MessageTable table;
  std::string error;
  if (table.parse(reinterpret_cast<const char*>(data), size, &error) < 0) return 0;
  for (int number : {0, 1, 49, 50, 99999})
    (void)table.format(number, {"first", "second"});
  return 0;
}
