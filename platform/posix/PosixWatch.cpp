// Folder watches on Linux: one inotify instance per watch set, its events translated into
// the platform's event bits, and the wait that also ends when a caught signal arrives (the
// signal handlers of PosixSignals.cpp write to a pipe this wait listens to).
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/Platform.h"
#include "platform/posix/PathError.h"

namespace platform {

namespace posix {
int signalPipe();  // PosixSignals.cpp: the read end, or -1 while no signal is caught
void drainSignalPipe();
}  // namespace posix

namespace {

constexpr uint32_t kWatchedEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY |
                                    IN_CLOSE_WRITE | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF |
                                    IN_ONLYDIR | IN_EXCL_UNLINK;
constexpr size_t kReadBytes = 64 * 1024;
constexpr size_t kMaxBytesPerCall = 1024 * 1024;

uint32_t bitsOf(uint32_t mask) {
  uint32_t what = 0;
  if (mask & IN_Q_OVERFLOW) what |= kWatchOverflow;
  if (mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) what |= kWatchGone;
  if (mask & IN_CREATE) what |= kWatchMade;
  if (mask & (IN_MODIFY | IN_CLOSE_WRITE)) what |= kWatchWritten;
  if (mask & IN_DELETE) what |= kWatchDeleted;
  if (mask & IN_MOVED_FROM) what |= kWatchMovedOut;
  if (mask & IN_MOVED_TO) what |= kWatchMovedIn;
  if (mask & IN_ATTRIB) what |= kWatchAttributes;
  if (mask & IN_ISDIR) what |= kWatchFolder;
  return what;
}

}  // namespace

WatchSet openWatchSet() {
  int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) return posix::failErrno(errno);
  return fd;
}

int closeWatchSet(WatchSet set) {
  if (set < 0) return 0;
  return ::close(set) == 0 ? 0 : posix::failErrno(errno);
}

int addWatch(WatchSet set, const char* folder) {
  int watch = ::inotify_add_watch(set, folder, kWatchedEvents);
  if (watch >= 0) return watch;
  if (errno == ENOSPC) {
    setLastError(kErrWatchLimit);
    return -1;
  }
  return posix::failPath(folder, errno);
}

int removeWatch(WatchSet set, int watch) {
  return ::inotify_rm_watch(set, watch) == 0 ? 0 : posix::failErrno(errno);
}

int waitForWatchEvents(const std::vector<WatchSet>& sets, int timeoutMillis) {
  std::vector<pollfd> fds;
  for (WatchSet s : sets) fds.push_back({s, POLLIN, 0});
  int pipe = posix::signalPipe();
  if (pipe >= 0) fds.push_back({pipe, POLLIN, 0});
  int rc = ::poll(fds.data(), fds.size(), timeoutMillis);
  if (rc < 0) return errno == EINTR ? 1 : posix::failErrno(errno);
  if (pipe >= 0 && (fds.back().revents & POLLIN)) posix::drainSignalPipe();
  return rc > 0 ? 1 : 0;
}

int readWatchEvents(WatchSet set, std::vector<WatchEvent>* out) {
  alignas(inotify_event) char buffer[kReadBytes];
  int count = 0;
  for (size_t total = 0; total < kMaxBytesPerCall;) {
    ssize_t n = ::read(set, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) break;
      return posix::failErrno(errno);
    }
    if (n == 0) break;
    total += static_cast<size_t>(n);
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
      WatchEvent event;
      event.watch = e->wd;
      event.what = bitsOf(e->mask);
      event.cookie = e->cookie;
      if (e->len > 0) event.name.assign(e->name, strnlen(e->name, e->len));
      out->push_back(std::move(event));
      ++count;
      at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
    }
  }
  return count;
}

int64_t userWatchLimit() {
  std::FILE* f = std::fopen("/proc/sys/fs/inotify/max_user_watches", "r");
  if (!f) return -1;
  long long limit = -1;
  if (std::fscanf(f, "%lld", &limit) != 1) limit = -1;
  std::fclose(f);
  return limit;
}

}  // namespace platform
