// The index file names by type, and the names of the dictionary's pending copies.
#include "index/IndexFileNames.h"

#include <cstdio>

#include "objects/Trace.h"

namespace indexfiles {

namespace {

constexpr const char* kKeyCopyPrefix = "IXK";
constexpr const char* kKeyCopySuffix = ".IX";
constexpr size_t kKeyCopyAffixBytes = 6;
// A copy number past this takes no further digit.
constexpr long kMaxKeyCopyNumber = 100000000;

}  // namespace

std::string bareName(uint32_t type) {
  for (const FileName& f : kFileNames)
    if (f.type == type) return f.name ? std::string(f.name) : wellknown::name(f.wellKnownKind);
  trace::line("ERROR Illegal index file type: %d", static_cast<int>(type));
  return "";
}

std::string path(const std::string& folder, uint32_t type) {
  std::string bare = bareName(type);
  return bare.empty() ? bare : folder + "/" + bare;
}

std::string keyCopyName(long n) {
  char name[32];
  std::snprintf(name, sizeof name, "%s%ld%s", kKeyCopyPrefix, n, kKeyCopySuffix);
  return name;
}

long keyCopyNumber(const std::string& name) {
  if (name.size() <= kKeyCopyAffixBytes || name.compare(0, 3, kKeyCopyPrefix) != 0 ||
      name.compare(name.size() - 3, 3, kKeyCopySuffix) != 0)
    return -1;
  long n = 0;
  for (size_t i = 3; i + 3 < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9' || n > kMaxKeyCopyNumber) return -1;
    n = n * 10 + (name[i] - '0');
  }
  return n;
}

}  // namespace indexfiles
