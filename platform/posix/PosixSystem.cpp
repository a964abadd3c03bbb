// Environment, process identity, local time and run-time libraries on POSIX.
#include <dlfcn.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <mutex>

#include "platform/Platform.h"

namespace platform {

const char* getEnv(const char* name) { return name ? std::getenv(name) : nullptr; }

int setEnv(const char* name, const char* value) {
  if (!name || !*name) return -1;
  int rc = value ? ::setenv(name, value, 1) : ::unsetenv(name);
  if (rc != 0) setLastError(errorFromErrno(errno));
  return rc == 0 ? 0 : -1;
}

std::vector<std::string> environment() {
  std::vector<std::string> out;
  for (char** e = environ; e && *e; ++e) out.emplace_back(*e);
  return out;
}

int memoryUse(MemoryUse* out) {
  *out = MemoryUse{};
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  while (std::fgets(line, sizeof line, f)) {
    long long kb = 0;
    if (std::sscanf(line, "VmRSS: %lld", &kb) == 1) out->residentBytes = kb * 1024;
    else if (std::sscanf(line, "VmHWM: %lld", &kb) == 1) out->peakResidentBytes = kb * 1024;
    else if (std::sscanf(line, "VmSize: %lld", &kb) == 1) out->virtualBytes = kb * 1024;
  }
  std::fclose(f);
  return 0;
}

int processId() { return static_cast<int>(::getpid()); }

std::string userName() {
  // Asked at each lock taken; the user database (files, or a name service over a socket) is
  // read once per effective user.
  static std::mutex guard;
  static uid_t known = static_cast<uid_t>(-1);
  static std::string name;
  const uid_t uid = ::geteuid();
  std::lock_guard<std::mutex> hold(guard);
  if (uid == known) return name;
  struct passwd pw;
  struct passwd* found = nullptr;
  char buffer[4096];
  if (::getpwuid_r(uid, &pw, buffer, sizeof buffer, &found) == 0 && found && found->pw_name) {
    name = found->pw_name;
    known = uid;
    return name;
  }
  const char* env = std::getenv("USER");
  return env ? env : "";
}

std::time_t now() { return std::time(nullptr); }

bool localTime(std::time_t t, std::tm* out) { return ::localtime_r(&t, out) != nullptr; }

std::time_t makeLocalTime(std::tm* tm) { return std::mktime(tm); }

namespace {
thread_local std::string gLibraryError;
}

void* loadLibrary(const char* path) {
  void* lib = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    const char* e = ::dlerror();
    gLibraryError = e ? e : "unknown error";
    setLastError(kErrFileNotFound);
  }
  return lib;
}

void* librarySymbol(void* library, const char* name) {
  if (!library || !name) return nullptr;
  ::dlerror();
  void* sym = ::dlsym(library, name);
  if (!sym) {
    const char* e = ::dlerror();
    gLibraryError = e ? e : "symbol not found";
  }
  return sym;
}

void freeLibrary(void* library) {
  if (library) ::dlclose(library);
}

std::string libraryError() { return gLibraryError; }

}  // namespace platform
