#include "tools/ToolSupport.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "lexaurum/lexaurum.h"

namespace toolsupport {

void copyField(char* field, size_t capacity, const std::string& value) {
  std::snprintf(field, capacity, "%s", value.c_str());
}

std::string absolute(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

std::string indexFolder(const std::string& index) {
  int16_t count = 0;
  int32_t needed = 0;
  if (lxrsGetIndexList(&count, nullptr, 0, &needed) == 0 && needed > 0) {
    std::vector<char> buffer(static_cast<size_t>(needed));
    if (lxrsGetIndexList(&count, buffer.data(), needed, &needed) == 0) {
      const char* p = buffer.data();
      for (int i = 0; i < count; ++i) {
        const char* name = p;
        const char* path = name + std::strlen(name) + 1;
        if (index == name) return path;
        p = path + std::strlen(path) + 1;
      }
    }
  }
  return absolute(index);
}

}  // namespace toolsupport
