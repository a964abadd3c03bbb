// Pointer probes. Each one hands the memory to the kernel through a pipe: a write from an
// unreadable address, or a read into an unwritable one, fails with EFAULT instead of
// faulting. Raw system calls keep sanitizer interceptors out of the way.
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/Platform.h"

namespace platform {

namespace {

constexpr size_t kChunkBytes = 4096;
constexpr uintptr_t kPageBytes = 4096;

std::mutex gProbeMutex;
int gProbePipe[2] = {-1, -1};

bool ensurePipe() {
  if (gProbePipe[0] >= 0) return true;
  return ::pipe2(gProbePipe, O_CLOEXEC | O_NONBLOCK) == 0;
}

long sysWrite(int fd, const void* p, size_t n) { return ::syscall(SYS_write, fd, p, n); }
long sysRead(int fd, void* p, size_t n) { return ::syscall(SYS_read, fd, p, n); }

void drain() {
  char scratch[kChunkBytes];
  while (sysRead(gProbePipe[0], scratch, sizeof scratch) > 0) {
  }
}

// Caller holds gProbeMutex.
bool readableLocked(const char* c, size_t n) {
  char scratch[kChunkBytes];
  while (n > 0) {
    size_t k = n < kChunkBytes ? n : kChunkBytes;
    long w = sysWrite(gProbePipe[1], c, k);
    if (w <= 0) {
      drain();
      return false;
    }
    if (sysRead(gProbePipe[0], scratch, static_cast<size_t>(w)) != w) {
      drain();
      return false;
    }
    c += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

}  // namespace

bool isReadable(const void* p, size_t n) {
  if (!p) return false;
  if (n == 0) return true;
  std::lock_guard<std::mutex> lock(gProbeMutex);
  if (!ensurePipe()) return true;  // cannot probe: trust the non-null pointer
  return readableLocked(static_cast<const char*>(p), n);
}

bool isWritable(void* p, size_t n) {
  if (!p) return false;
  if (n == 0) return true;
  std::lock_guard<std::mutex> lock(gProbeMutex);
  if (!ensurePipe()) return true;
  char* c = static_cast<char*>(p);
  while (n > 0) {
    size_t k = n < kChunkBytes ? n : kChunkBytes;
    // The bytes go into the pipe and come back to the same place: unchanged memory,
    // but the kernel must be allowed to write there.
    long w = sysWrite(gProbePipe[1], c, k);
    if (w <= 0) {
      drain();
      return false;
    }
    long r = sysRead(gProbePipe[0], c, static_cast<size_t>(w));
    if (r != w) {
      drain();
      return false;
    }
    c += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

bool isReadableString(const char* s, size_t maxLength) {
  if (!s) return false;
  std::lock_guard<std::mutex> lock(gProbeMutex);
  bool canProbe = ensurePipe();
  size_t limit = maxLength + 1;  // room for the NUL
  const char* c = s;
  while (limit > 0) {
    // Probe up to the end of the page, so that a string at the end of a mapping is fine.
    uintptr_t addr = reinterpret_cast<uintptr_t>(c);
    size_t toPageEnd = static_cast<size_t>(kPageBytes - (addr % kPageBytes));
    size_t k = toPageEnd < limit ? toPageEnd : limit;
    if (canProbe && !readableLocked(c, k)) return false;
    if (std::memchr(c, 0, k)) return true;
    c += k;
    limit -= k;
  }
  return false;
}

bool isCode(const void* fn) {
  if (!fn) return false;
  uintptr_t addr = reinterpret_cast<uintptr_t>(fn);
  // Executable mappings found before are remembered: a program's call-backs lie in a few of
  // them, and the map need not be read again for each (a job checks several call-backs).
  // A mapping of code that went away (a library unloaded) could leave a stale range behind,
  // but the pointers checked here are the caller's own functions, alive while it runs.
  static std::mutex codeMutex;
  static std::vector<std::pair<uintptr_t, uintptr_t>> codeRanges;
  std::lock_guard<std::mutex> lock(codeMutex);
  for (const auto& [start, end] : codeRanges)
    if (addr >= start && addr < end) return true;
  FILE* maps = std::fopen("/proc/self/maps", "re");
  if (!maps) return true;  // cannot tell: trust the non-null pointer
  char line[512];
  bool found = false;
  while (std::fgets(line, sizeof line, maps)) {
    unsigned long long start = 0, end = 0;
    char perms[8] = {0};
    if (std::sscanf(line, "%llx-%llx %7s", &start, &end, perms) != 3) continue;
    if (addr >= start && addr < end) {
      found = perms[2] == 'x';
      if (found) codeRanges.emplace_back(static_cast<uintptr_t>(start), static_cast<uintptr_t>(end));
      break;
    }
  }
  std::fclose(maps);
  return found;
}

}  // namespace platform
