// Private to the POSIX back-end: turns the errno of a failed call on a path into the error
// number the engine tests. ENOENT means "file not found" (2) when the folder exists and
// "path not found" (3) when it does not, as the Windows calls report it.
#pragma once

#include <cerrno>
#include <string>
#include <sys/stat.h>

#include "platform/Platform.h"

namespace platform::posix {

inline bool parentFolderExists(const char* name) {
  std::string path(name);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return true;  // relative name in the current folder
  std::string folder = slash == 0 ? std::string("/") : path.substr(0, slash);
  struct stat st;
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

inline int errorForPath(const char* name, int errnoValue) {
  if (errnoValue == ENOTDIR) return kErrPathNotFound;
  if (errnoValue == ENOENT) return parentFolderExists(name) ? kErrFileNotFound : kErrPathNotFound;
  return errorFromErrno(errnoValue);
}

// Records the error of a failed call on `name` and returns -1.
inline int failPath(const char* name, int errnoValue) {
  setLastError(errorForPath(name, errnoValue));
  return -1;
}

// Records the error of a failed call on a handle and returns -1.
inline int failErrno(int errnoValue) {
  setLastError(errorFromErrno(errnoValue));
  return -1;
}

}  // namespace platform::posix
