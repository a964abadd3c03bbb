#include "win/IndexList.h"

#include <cstring>

#include "lexaurum/lexaurum.h"
#include "win/EngineText.h"

namespace indexlist {

std::vector<IndexEntry> read() {
  std::vector<IndexEntry> out;
  int16_t count = 0;
  int32_t needed = 0;
  if (lxrsGetIndexList(&count, nullptr, 0, &needed) < 0 || needed <= 0) return out;
  std::vector<char> buffer(static_cast<size_t>(needed) + 1, '\0');
  if (lxrsGetIndexList(&count, buffer.data(), needed, &needed) < 0) return out;
  const char* p = buffer.data();
  const char* end = buffer.data() + buffer.size() - 1;
  for (int i = 0; i < count && p < end; ++i) {
    const char* name = p;
    const char* path = name + std::strlen(name) + 1;
    if (path >= end) break;
    out.push_back({enginetext::fromEngine(name), enginetext::fromFileName(path)});
    p = path + std::strlen(path) + 1;
  }
  return out;
}

}  // namespace indexlist
