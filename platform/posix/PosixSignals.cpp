// Caught signals and the process's priority on Linux. A caught signal is only counted and
// written as one byte to a pipe, so that a wait for watch events (PosixWatch.cpp) ends
// without a race between testing the counts and starting to wait.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Platform.h"
#include "platform/posix/PathError.h"

namespace platform {

namespace {

constexpr int kSignalKinds = 4;
volatile sig_atomic_t gCounts[kSignalKinds] = {};
int gPipe[2] = {-1, -1};

// The I/O priority class "idle" of ioprio_set, for the calling process.
constexpr int kIoprioWhoProcess = 1;
constexpr int kIoprioClassIdle = 3;
constexpr int kIoprioClassShift = 13;
constexpr int kLowestNice = 19;

int systemNumber(Signal s) {
  switch (s) {
    case Signal::Interrupt: return SIGINT;
    case Signal::Terminate: return SIGTERM;
    case Signal::Pause: return SIGUSR1;
    case Signal::Resume: return SIGUSR2;
  }
  return SIGTERM;
}

int slotOf(int number) {
  switch (number) {
    case SIGINT: return 0;
    case SIGTERM: return 1;
    case SIGUSR1: return 2;
    case SIGUSR2: return 3;
    default: return -1;
  }
}

void onSignal(int number) {
  int saved = errno;
  int slot = slotOf(number);
  if (slot >= 0) gCounts[slot] = gCounts[slot] + 1;
  if (gPipe[1] >= 0) {
    char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(gPipe[1], &byte, 1);  // a full pipe wakes a wait already
  }
  errno = saved;
}

int openPipe() {
  if (gPipe[0] >= 0) return 0;
  if (::pipe2(gPipe, O_NONBLOCK | O_CLOEXEC) < 0) return posix::failErrno(errno);
  return 0;
}

}  // namespace

namespace posix {

int signalPipe() { return gPipe[0]; }

void drainSignalPipe() {
  char bytes[64];
  while (::read(gPipe[0], bytes, sizeof bytes) > 0) {
  }
}

}  // namespace posix

int catchSignal(Signal signal) {
  if (openPipe() < 0) return -1;
  struct sigaction action {};
  action.sa_handler = onSignal;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  return ::sigaction(systemNumber(signal), &action, nullptr) == 0 ? 0 : posix::failErrno(errno);
}

void releaseSignal(Signal signal) {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  ::sigaction(systemNumber(signal), &action, nullptr);
}

int signalCount(Signal signal) { return gCounts[slotOf(systemNumber(signal))]; }

int runAtIdlePriority() {
  int rc = 0;
  if (::setpriority(PRIO_PROCESS, 0, kLowestNice) < 0) rc = posix::failErrno(errno);
  if (::syscall(SYS_ioprio_set, kIoprioWhoProcess, 0, kIoprioClassIdle << kIoprioClassShift) < 0)
    rc = posix::failErrno(errno);
  return rc;
}

}  // namespace platform
