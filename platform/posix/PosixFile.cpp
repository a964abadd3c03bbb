// Files for the engine on POSIX: open with Windows sharing modes, positioned reads and writes,
// length, sync, file times and the read-only attribute, plus the test fault hook.
//
// Sharing modes are open-file-description locks on four reserved bytes far beyond any real
// data. Every open takes a shared lock on the bytes that describe it ("has read access", "has
// write access", "denies read", "denies write") and, before taking them, asks whether another
// open holds a byte that conflicts with it. Check and take happen under flock(LOCK_EX) on the
// same descriptor: flock works on read-only descriptors and does not interact with fcntl
// locks on Linux. The locks belong to the open file description, so they conflict between
// two opens in one process as well as between processes, and vanish when the last
// descriptor closes or the process dies.
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "platform/FaultInjection.h"
#include "platform/Platform.h"
#include "platform/posix/PathError.h"

namespace platform {

namespace {

using posix::failErrno;
using posix::failPath;

// The reserved byte range: far past the largest file the engine writes, and clear of the end
// of the offset range so that start + length never overflows.
constexpr off_t kShareLockBase = static_cast<off_t>(0x7FFFFFFF00000000LL);
enum ShareByte : off_t { kHasRead = 0, kHasWrite = 1, kDeniesRead = 2, kDeniesWrite = 3 };
// Waiting for the guard: up to about three seconds in one-millisecond steps.
constexpr int kGuardAttempts = 3000;
constexpr long kGuardPauseNanos = 1000000;

// ---- Fault plan ----
// A plan is installed by a test before the calls it aims at; the counts are atomic because
// the calls may come from several threads (an unindexed scan reads files on helper threads).
FaultPlan gPlan;
std::atomic<bool> gPlanActive{false};
struct PlanCounts {
  std::atomic<int> opens{0}, reads{0}, writes{0}, syncs{0};
} gPlanCounts;
struct Counters {
  std::atomic<int64_t> opens{0}, closes{0}, reads{0}, writes{0}, syncs{0};
} gCounters;

void count(std::atomic<int64_t>* counter) { counter->fetch_add(1, std::memory_order_relaxed); }

// Advances the plan's count for one kind of call; true when this call is the planned one.
bool planHits(std::atomic<int>* count, int at) {
  if (!gPlanActive.load(std::memory_order_relaxed)) return false;
  const int made = count->fetch_add(1) + 1;
  return at > 0 && made == at;
}

int plannedFailure() {
  setLastError(gPlan.errorCode);
  return -1;
}

thread_local std::string tFileFailure;

// Remembers the first failed operation on an open file (named from /proc, which costs
// nothing until something fails) and passes `rc` on.
template <typename T>
T noteFailure(const char* doing, FileHandle handle, T rc) {
  if (!tFileFailure.empty()) return rc;
  char path[4096];
  const std::string link = "/proc/self/fd/" + std::to_string(handle);
  ssize_t n = ::readlink(link.c_str(), path, sizeof path - 1);
  std::string name = n > 0 ? std::string(path, static_cast<size_t>(n)) : "file " + std::to_string(handle);
  tFileFailure = std::string(doing) + " " + name + " failed: " + errorText(lastError());
  return rc;
}

// ---- Sharing ----
// True when another open file description holds the given share byte.
int shareByteHeld(int fd, off_t byte, bool* held) {
  struct flock fl;
  std::memset(&fl, 0, sizeof fl);
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = kShareLockBase + byte;
  fl.l_len = 1;
  if (::fcntl(fd, F_OFD_GETLK, &fl) < 0) return -1;
  *held = fl.l_type != F_UNLCK;
  return 0;
}

int takeShareByte(int fd, off_t byte) {
  struct flock fl;
  std::memset(&fl, 0, sizeof fl);
  fl.l_type = F_RDLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = kShareLockBase + byte;
  fl.l_len = 1;
  return ::fcntl(fd, F_OFD_SETLK, &fl);
}

int flockRetrying(int fd, int op) {
  int rc;
  do {
    rc = ::flock(fd, op);
  } while (rc < 0 && errno == EINTR);
  return rc;
}

// Takes the guard. Other opens hold it only for a few system calls, so a guard that stays
// taken for seconds belongs to someone else's flock on the file: the open is refused rather
// than left waiting for ever.
int takeGuard(int fd) {
  for (int attempt = 0;; ++attempt) {
    if (flockRetrying(fd, LOCK_EX | LOCK_NB) == 0) return 0;
    if (errno != EWOULDBLOCK || attempt >= kGuardAttempts) return -1;
    struct timespec pause = {0, kGuardPauseNanos};
    ::nanosleep(&pause, nullptr);
  }
}

// Checks `request` against every other open of the file and, when it is allowed, marks this
// open. 0 allowed, 1 refused, -1 with errno when the locks cannot be used. `canMark` is false
// for a write-only descriptor, which cannot hold the shared marks; it is still checked.
int checkAndTakeSharing(int fd, const OpenRequest& request, bool canMark) {
  if (takeGuard(fd) < 0) return -1;
  struct Rule {
    bool applies;
    off_t conflicting;
  };
  const Rule rules[] = {
      {request.read, kDeniesRead},
      {request.write, kDeniesWrite},
      {!request.shareRead, kHasRead},
      {!request.shareWrite, kHasWrite},
  };
  int result = 0;
  for (const Rule& rule : rules) {
    if (!rule.applies) continue;
    bool held = false;
    if (shareByteHeld(fd, rule.conflicting, &held) < 0) {
      result = -1;
      break;
    }
    if (held) {
      result = 1;
      break;
    }
  }
  if (result == 0 && canMark) {
    const Rule marks[] = {
        {request.read, kHasRead},
        {request.write, kHasWrite},
        {!request.shareRead, kDeniesRead},
        {!request.shareWrite, kDeniesWrite},
    };
    for (const Rule& mark : marks) {
      if (mark.applies && takeShareByte(fd, mark.conflicting) < 0) {
        result = -1;
        break;
      }
    }
  }
  int saved = errno;
  flockRetrying(fd, LOCK_UN);
  errno = saved;
  return result;
}

// Makes room for a fresh file: a plain file at the name goes (a link to it from elsewhere
// keeps its data), a symbolic link stays and refuses the open. 0 or -1.
int removeStale(const char* name) {
  struct stat st;
  if (::lstat(name, &st) < 0) return errno == ENOENT ? 0 : failPath(name, errno);
  if (S_ISLNK(st.st_mode)) {
    setLastError(kErrLinkRefused);
    if (tFileFailure.empty()) tFileFailure = std::string("making ") + name + " failed: " + errorText(kErrLinkRefused);
    return -1;
  }
  if (S_ISDIR(st.st_mode)) {
    setLastError(kErrAccessDenied);
    return -1;
  }
  if (::unlink(name) < 0 && errno != ENOENT) return failPath(name, errno);
  return 0;
}

void closeQuietly(int fd) {
  int saved = errno;
  ::close(fd);
  errno = saved;
}

FileTime fromTimespec(const struct statx_timestamp& ts) {
  return FileTime{ts.tv_sec, static_cast<int32_t>(ts.tv_nsec)};
}

FileTimes timesOf(const struct statx& sx) {
  FileTimes t;
  t.creation = (sx.stx_mask & STATX_BTIME) ? fromTimespec(sx.stx_btime) : fromTimespec(sx.stx_ctime);
  t.lastWrite = fromTimespec(sx.stx_mtime);
  t.lastAccess = fromTimespec(sx.stx_atime);
  t.length = static_cast<int64_t>(sx.stx_size);
  return t;
}

int setTimes(const char* name, const struct timespec times[2]) {
  if (!name) {
    setLastError(kErrInvalidParameter);
    return -1;
  }
  if (::utimensat(AT_FDCWD, name, times, 0) < 0) return failPath(name, errno);
  return 0;
}

}  // namespace

// ---- Fault hook ----

namespace {
void resetPlanCounts() {
  for (std::atomic<int>* c : {&gPlanCounts.opens, &gPlanCounts.reads, &gPlanCounts.writes, &gPlanCounts.syncs})
    c->store(0);
}
}  // namespace

void setFaultPlan(const FaultPlan& plan) {
  gPlan = plan;
  resetPlanCounts();
  gPlanActive = true;
}

void clearFaultPlan() {
  gPlanActive = false;
  gPlan = FaultPlan{};
  resetPlanCounts();
}

IoCounters ioCounters() {
  IoCounters out;
  out.opens = gCounters.opens.load();
  out.closes = gCounters.closes.load();
  out.reads = gCounters.reads.load();
  out.writes = gCounters.writes.load();
  out.syncs = gCounters.syncs.load();
  return out;
}

void resetIoCounters() {
  for (std::atomic<int64_t>* c : {&gCounters.opens, &gCounters.closes, &gCounters.reads, &gCounters.writes, &gCounters.syncs})
    c->store(0);
}

// ---- Files ----

FileHandle openFile(const char* name, const OpenRequest& request, OpenedFile* opened) {
  if (!name || !*name) {
    setLastError(kErrPathNotFound);
    return kInvalidHandle;
  }
  count(&gCounters.opens);
  if (planHits(&gPlanCounts.opens, gPlan.failOpenAt)) return plannedFailure();

  const bool truncate = request.disposition == Disposition::CreateAlways ||
                        request.disposition == Disposition::TruncateExisting;
  // Cutting a file needs write access, as on Windows.
  if (truncate && !request.write) {
    setLastError(kErrInvalidParameter);
    return kInvalidHandle;
  }
  int flags = O_CLOEXEC | O_NOCTTY;
  if (request.disposition == Disposition::OpenAlways ||
      request.disposition == Disposition::CreateAlways)
    flags |= O_CREAT;
  if (request.noFollow) flags |= O_NOFOLLOW;
  if (request.disposition == Disposition::CreateFresh) {
    if (!request.write) {
      setLastError(kErrInvalidParameter);
      return kInvalidHandle;
    }
    if (removeStale(name) < 0) return kInvalidHandle;
    flags |= O_CREAT | O_EXCL | O_NOFOLLOW;
  }
  // A writer opens read-write so that it can hold the shared sharing marks; only when the
  // file cannot be read does it fall back to write-only.
  int access = request.write ? O_RDWR : O_RDONLY;
  // O_NOATIME is refused (EPERM) on files of other users: the open is then made without it.
  bool noAtime = request.keepAccessTime;
  int fd;
  // A fresh file that another open made between the removal and the creation is removed
  // again, a few times.
  for (int attempt = 0;; ++attempt) {
    do {
      fd = ::open(name, flags | access | (noAtime ? O_NOATIME : 0), 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 && errno == EPERM && noAtime) {
      noAtime = false;
      continue;
    }
    if (fd >= 0 || errno != EEXIST || request.disposition != Disposition::CreateFresh || attempt >= 3) break;
    if (removeStale(name) < 0) return kInvalidHandle;
  }
  bool canMark = true;
  if (fd < 0 && errno == EACCES && request.write && !request.read) {
    canMark = false;
    do {
      fd = ::open(name, flags | O_WRONLY, 0666);
    } while (fd < 0 && errno == EINTR);
  }
  if (fd < 0) {
    failPath(name, errno);
    return kInvalidHandle;
  }

  struct statx st;
  if (::statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &st) < 0) {
    failErrno(errno);
    closeQuietly(fd);
    return kInvalidHandle;
  }
  // A folder is never opened as a file, and a file without write permission bits carries the
  // read-only attribute, which refuses writers even when the user could override it (root).
  if (S_ISDIR(st.stx_mode) ||
      (request.write && (st.stx_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)) {
    closeQuietly(fd);
    setLastError(kErrAccessDenied);
    return kInvalidHandle;
  }

  int shared = checkAndTakeSharing(fd, request, canMark);
  if (shared != 0) {
    if (shared < 0)
      failErrno(errno);
    else
      setLastError(kErrAccessDenied);
    closeQuietly(fd);
    return kInvalidHandle;
  }
  // Only cut the file once the open is known to be allowed: a refused open must leave the
  // other opener's data alone.
  if (truncate && st.stx_size != 0 && ::ftruncate(fd, 0) < 0) {
    failErrno(errno);
    closeQuietly(fd);
    return kInvalidHandle;
  }
  if (opened) {
    opened->times = timesOf(st);
    if (truncate) opened->times.length = 0;
    opened->accessTimeKept = noAtime;
  }
  return fd;
}

std::FILE* openStream(const char* name, const char* mode) {
  if (!name || !*name || !mode || (mode[0] != 'a' && mode[0] != 'w')) {
    setLastError(kErrInvalidParameter);
    return nullptr;
  }
  const bool append = mode[0] == 'a';
  const bool readBack = std::strchr(mode, '+') != nullptr;
  int flags = O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | (readBack ? O_RDWR : O_WRONLY);
  if (append) {
    flags |= O_CREAT | O_APPEND;
  } else {
    if (removeStale(name) < 0) return nullptr;
    flags |= O_CREAT | O_EXCL;
  }
  int fd;
  do {
    fd = ::open(name, flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    failPath(name, errno);
    return nullptr;
  }
  std::FILE* f = ::fdopen(fd, append ? (readBack ? "a+" : "a") : (readBack ? "w+" : "w"));
  if (!f) {
    failErrno(errno);
    closeQuietly(fd);
  }
  return f;
}

int closeFile(FileHandle handle) {
  if (handle < 0) {
    setLastError(kErrInvalidHandle);
    return -1;
  }
  count(&gCounters.closes);
  // Linux releases the descriptor even when close reports EINTR, so it is never retried.
  if (::close(handle) < 0 && errno != EINTR) return failErrno(errno);
  return 0;
}

char* mapFile(FileHandle handle, int64_t n) {
  if (handle < 0 || n <= 0 || gPlanActive) return nullptr;
  void* data = ::mmap(nullptr, static_cast<size_t>(n), PROT_READ | PROT_WRITE, MAP_PRIVATE, handle, 0);
  return data == MAP_FAILED ? nullptr : static_cast<char*>(data);
}

void unmapFile(char* data, int64_t n) {
  if (data && n > 0) ::munmap(data, static_cast<size_t>(n));
}

int64_t readAt(FileHandle handle, void* buffer, int64_t n, int64_t pos) {
  if (handle < 0 || n < 0 || pos < 0 || (n > 0 && !buffer)) {
    setLastError(handle < 0 ? kErrInvalidHandle : kErrInvalidParameter);
    return -1;
  }
  count(&gCounters.reads);
  if (planHits(&gPlanCounts.reads, gPlan.failReadAt)) return noteFailure("reading", handle, plannedFailure());
  if (gPlanActive && gPlan.shortReadAt > 0 && gPlanCounts.reads == gPlan.shortReadAt &&
      n > gPlan.shortReadBytes)
    n = gPlan.shortReadBytes < 0 ? 0 : gPlan.shortReadBytes;

  char* out = static_cast<char*>(buffer);
  int64_t done = 0;
  while (done < n) {
    ssize_t got = ::pread(handle, out + done, static_cast<size_t>(n - done),
                          static_cast<off_t>(pos + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      return noteFailure("reading", handle, failErrno(errno));
    }
    if (got == 0) break;  // end of file
    done += got;
  }
  return done;
}

int64_t writeAt(FileHandle handle, const void* buffer, int64_t n, int64_t pos) {
  if (handle < 0 || n < 0 || pos < 0 || (n > 0 && !buffer)) {
    setLastError(handle < 0 ? kErrInvalidHandle : kErrInvalidParameter);
    return -1;
  }
  count(&gCounters.writes);
  if (planHits(&gPlanCounts.writes, gPlan.failWriteAt)) return noteFailure("writing", handle, plannedFailure());

  const char* in = static_cast<const char*>(buffer);
  int64_t done = 0;
  while (done < n) {
    ssize_t put = ::pwrite(handle, in + done, static_cast<size_t>(n - done),
                           static_cast<off_t>(pos + done));
    if (put < 0) {
      if (errno == EINTR) continue;
      return noteFailure("writing", handle, failErrno(errno));
    }
    if (put == 0) {  // no progress: the disk is full
      setLastError(kErrDiskFull);
      return noteFailure("writing", handle, -1);
    }
    done += put;
  }
  return n;
}

int truncateFile(FileHandle handle, int64_t n) {
  if (handle < 0 || n < 0) {
    setLastError(handle < 0 ? kErrInvalidHandle : kErrInvalidParameter);
    return -1;
  }
  int rc;
  do {
    rc = ::ftruncate(handle, static_cast<off_t>(n));
  } while (rc < 0 && errno == EINTR);
  if (rc < 0) return noteFailure("cutting", handle, failErrno(errno));
  return 0;
}

int64_t fileLength(FileHandle handle) {
  struct stat st;
  if (::fstat(handle, &st) < 0) return failErrno(errno);
  return static_cast<int64_t>(st.st_size);
}

namespace {
thread_local int tSyncsSkipped = 0;
}  // namespace

SyncsSkipped::SyncsSkipped() { ++tSyncsSkipped; }
SyncsSkipped::~SyncsSkipped() { --tSyncsSkipped; }

int syncFile(FileHandle handle) {
  if (tSyncsSkipped > 0) return 0;
  count(&gCounters.syncs);
  if (planHits(&gPlanCounts.syncs, gPlan.failSyncAt)) return noteFailure("syncing", handle, plannedFailure());
  if (gPlanActive && gPlan.skipSyncs) return 0;
  if (::fsync(handle) < 0) return noteFailure("syncing", handle, failErrno(errno));
  return 0;
}

void restoreFileFailure(std::string text) {
  if (tFileFailure.empty()) tFileFailure = std::move(text);
}

std::string takeFileFailure() {
  std::string text;
  text.swap(tFileFailure);
  return text;
}

namespace {

int timesFromStatx(int dirFd, const char* path, int flags, FileTimes* out) {
  struct statx sx;
  if (::statx(dirFd, path, flags, STATX_BASIC_STATS | STATX_BTIME, &sx) < 0) return -1;
  *out = timesOf(sx);
  return 0;
}

}  // namespace

int fileIdentity(FileHandle handle, uint64_t* device, uint64_t* inode) {
  struct stat st;
  if (handle < 0 || !device || !inode) {
    setLastError(handle < 0 ? kErrInvalidHandle : kErrInvalidParameter);
    return -1;
  }
  if (::fstat(handle, &st) < 0) return failErrno(errno);
  *device = static_cast<uint64_t>(st.st_dev);
  *inode = static_cast<uint64_t>(st.st_ino);
  return 0;
}

int fileTimes(FileHandle handle, FileTimes* out) {
  if (handle < 0 || !out) {
    setLastError(handle < 0 ? kErrInvalidHandle : kErrInvalidParameter);
    return -1;
  }
  if (timesFromStatx(handle, "", AT_EMPTY_PATH, out) < 0) return failErrno(errno);
  return 0;
}

int fileTimesByName(const char* name, FileTimes* out) {
  if (!name || !out) {
    setLastError(kErrInvalidParameter);
    return -1;
  }
  if (timesFromStatx(AT_FDCWD, name, 0, out) < 0) return failPath(name, errno);
  return 0;
}

int setWriteTime(const char* name, const FileTime& time) {
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(time.seconds);
  times[1].tv_nsec = time.nanoseconds;
  return setTimes(name, times);
}

int setAccessTime(const char* name, const FileTime& time) {
  struct timespec times[2];
  times[0].tv_sec = static_cast<time_t>(time.seconds);
  times[0].tv_nsec = time.nanoseconds;
  times[1].tv_sec = 0;
  times[1].tv_nsec = UTIME_OMIT;
  return setTimes(name, times);
}

int isReadOnly(const char* name) {
  struct stat st;
  if (!name) {
    setLastError(kErrInvalidParameter);
    return -1;
  }
  if (::stat(name, &st) < 0) return failPath(name, errno);
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ? 1 : 0;
}

int setReadOnly(const char* name, bool readOnly) {
  struct stat st;
  if (!name) {
    setLastError(kErrInvalidParameter);
    return -1;
  }
  if (::stat(name, &st) < 0) return failPath(name, errno);
  mode_t mode = st.st_mode & 07777;
  // Clearing the attribute gives the owner write permission back; setting it takes every
  // write permission away.
  mode = readOnly ? (mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
  if (::chmod(name, mode) < 0) return failPath(name, errno);
  return 0;
}

}  // namespace platform
