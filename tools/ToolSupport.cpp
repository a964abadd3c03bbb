#include "tools/ToolSupport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "index/IndexFileNames.h"
#include "tools/ExitCodes.h"

namespace toolsupport {

namespace fs = std::filesystem;

void copyField(char* field, size_t capacity, const std::string& value) {
  std::snprintf(field, capacity, "%s", value.c_str());
}

std::string absolute(const std::string& path) {
  std::error_code ec;
  fs::path p = fs::absolute(path, ec);
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

int checkExists(const std::string& path, bool folder) {
  std::error_code ec;
  fs::file_status st = fs::status(path, ec);
  if (ec || !fs::exists(st)) {
    int e = ec && ec.value() != 0 ? ec.value() : ENOENT;
    std::fprintf(stderr, "lxr: %s: %s\n", path.c_str(), std::strerror(e));
    return exitcodes::kUsage;
  }
  if (folder && !fs::is_directory(st)) {
    std::fprintf(stderr, "lxr: %s: %s\n", path.c_str(), std::strerror(ENOTDIR));
    return exitcodes::kUsage;
  }
  if (!folder && fs::is_directory(st)) {
    std::fprintf(stderr, "lxr: %s: %s\n", path.c_str(), std::strerror(EISDIR));
    return exitcodes::kUsage;
  }
  return exitcodes::kDone;
}

bool optionValue(const std::vector<std::string>& args, size_t* at, std::string* out, std::string* error) {
  if (*at + 1 >= args.size()) {
    *error = args[*at] + " needs a value";
    return false;
  }
  *out = args[++*at];
  return true;
}

bool operand(const std::string& arg, std::vector<std::string>* operands, std::string* error) {
  if (arg.size() > 1 && arg[0] == '-') {
    *error = "unknown option '" + arg + "'";
    return false;
  }
  operands->push_back(arg);
  return true;
}

std::string dateText(const lxrDate& d) {
  if (d.century == 0 && d.year == 0 && d.month == 0) return "never";
  char text[32];
  std::snprintf(text, sizeof text, "%02u%02u-%02u-%02u %02u:%02u:%02u", d.century, d.year, d.month, d.day, d.hour,
                d.minute, d.second);
  return text;
}

int checkIndexFolder(const std::string& folder) {
  int rc = checkExists(folder, true);
  if (rc != exitcodes::kDone) return rc;
  std::error_code ec;
  const char* header = indexfiles::nameOf(indexformat::kHeaderFile);
  if (!fs::exists(fs::path(folder) / header, ec)) {
    std::fprintf(stderr, "lxr: %s is not an index (it holds no %s)\n", folder.c_str(), header);
    return exitcodes::kUsage;
  }
  return exitcodes::kDone;
}

}  // namespace toolsupport
