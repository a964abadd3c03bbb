// Fuzz target: the ZIP container on arbitrary bytes. Opens the bytes as an archive, lists every
// member with first/next and by index, looks each up by name, and extracts every member into
// memory under small limits (so a bomb is cut short quickly). Any member information handed
// out must be consistent with the count, and an extraction may fail but never crash.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "import/ZipArchive.h"
#include "import/ZipViewer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemorySource source("fuzz.zip", std::string(reinterpret_cast<const char*>(data), size));
  ZipViewer viewer(source);
  ZipLimits limits;
  limits.maxMemberBytes = 1 << 20;
  limits.maxTotalBytes = 4 << 20;
  limits.ratioFreeBytes = 64 << 10;
  viewer.setLimits(limits);
  if (!viewer.isOpen()) {
    ContainerMember m;
    if (viewer.first(&m) == 0 || viewer.count() != -1) std::abort();
    return 0;
  }
  const int32_t count = viewer.count();
  ContainerMember m;
  int32_t listed = 0;
  for (int rc = viewer.first(&m); rc == 0; rc = viewer.next(&m)) {
    if (m.index != listed || m.index >= count) std::abort();
    ++listed;
    if (listed > count) std::abort();
  }
  for (int32_t i = 0; i < count && i < 256; ++i) {
    if (viewer.infoByIndex(i, &m) < 0) continue;
    ContainerMember byName;
    viewer.infoByName(m.name, &byName);
    std::string bytes;
    if (viewer.extractToMemory(m, &bytes) == 0 && static_cast<int64_t>(bytes.size()) > limits.maxMemberBytes)
      std::abort();
    if ((m.flags & ContainerMember::kEncrypted) && !bytes.empty()) std::abort();
    ZipArchive::isUnsafeName(m.name);
  }
  if (viewer.infoByIndex(count, &m) == 0) std::abort();
  return 0;
}
