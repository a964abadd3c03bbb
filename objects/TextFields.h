// Small helpers for fixed-size text fields of records and for the parts of a path name.
// Header only; depends on the standard library.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>

namespace textfields {

// Copies `from` into a field of `capacity` bytes, cut to leave room for the terminator.
inline void copy(char* to, size_t capacity, const std::string& from) {
  if (capacity == 0) return;
  size_t n = std::min(capacity - 1, from.size());
  from.copy(to, n);
  to[n] = '\0';
}

// The folder of a "/" path ("." for a bare name, "/" for a name in the root).
inline std::string folderOf(const std::string& name) {
  size_t slash = name.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : name.substr(0, slash);
}

// The last part of a "/" path.
inline std::string baseName(const std::string& name) {
  size_t slash = name.rfind('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

}  // namespace textfields
