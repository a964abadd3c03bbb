// Child processes on POSIX: fork and exec with pipes, prlimit for the CPU time, poll for the
// deadlines.
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "platform/ChildProcess.h"
#include "platform/Platform.h"

namespace platform {

namespace {

void closeFd(int* fd) {
  if (*fd >= 0) ::close(*fd);
  *fd = -1;
}

// Waits until `fd` is ready for `events` or the deadline passes: 1 ready, 0 deadline, -1 error.
int waitReady(int fd, short events, int64_t deadlineMillis) {
  for (;;) {
    int64_t left = deadlineMillis - ChildProcess::nowMillis();
    if (left <= 0) return 0;
    pollfd p{fd, events, 0};
    int rc = ::poll(&p, 1, static_cast<int>(std::min<int64_t>(left, 1000)));
    if (rc < 0 && errno == EINTR) continue;
    if (rc < 0) return -1;
    if (rc > 0) return 1;
  }
}

// write() to a pipe whose reader is gone, without the SIGPIPE that would end this process: the
// signal is blocked for the call and a pending one taken away (errno EPIPE remains).
ssize_t writeNoSignal(int fd, const void* p, size_t n) {
  sigset_t pipeOnly, old;
  sigemptyset(&pipeOnly);
  sigaddset(&pipeOnly, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeOnly, &old);
  ssize_t k = ::write(fd, p, n);
  int saved = errno;
  if (k < 0 && errno == EPIPE) {
    timespec zero{0, 0};
    while (sigtimedwait(&pipeOnly, nullptr, &zero) < 0 && errno == EINTR) {
    }
  }
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  errno = saved;
  return k;
}

// The CPU seconds (user and system) a process has used, from /proc; -1 when unknown. Read
// with one read into a stack buffer: it is asked once per document.
int64_t cpuSecondsUsed(int pid) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", pid);
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  char stat[1024];
  ssize_t n = ::read(fd, stat, sizeof stat - 1);
  ::close(fd);
  if (n <= 0) return -1;
  stat[n] = 0;
  const char* close = std::strrchr(stat, ')');
  if (!close) return -1;
  // After the name: state is field 3; utime and stime are fields 14 and 15.
  const char* at = close + 1;
  long long utime = 0, stime = 0;
  for (int i = 3; i <= 15; ++i) {
    while (*at == ' ') ++at;
    if (!*at) return -1;
    if (i == 14) utime = std::atoll(at);
    if (i == 15) stime = std::atoll(at);
    while (*at && *at != ' ') ++at;
  }
  long ticks = ::sysconf(_SC_CLK_TCK);
  if (ticks <= 0) return -1;
  return (utime + stime) / ticks;
}

// Reads exactly n bytes of `fd` into p through a read-ahead buffer of `capacity` bytes, of
// which [*pos, *end) are read but not yet taken: small reads come many to a system call, a
// large one goes straight to its place. `wait` is asked when a read would block: 1 go on, 0
// the deadline passed, -1 failure. 0; -1 when the input ended or failed; -2 at the deadline.
template <typename Wait>
int readThrough(int fd, char* ahead, size_t capacity, size_t* pos, size_t* end, char* p, size_t n, Wait wait) {
  while (n > 0) {
    if (*pos < *end) {
      size_t take = std::min(n, *end - *pos);
      std::memcpy(p, ahead + *pos, take);
      *pos += take;
      p += take;
      n -= take;
      continue;
    }
    const bool direct = n >= capacity;
    ssize_t k = direct ? ::read(fd, p, n) : ::read(fd, ahead, capacity);
    if (k < 0 && errno == EINTR) continue;
    if (k < 0 && errno == EAGAIN) {
      int ready = wait();
      if (ready <= 0) return ready == 0 ? -2 : -1;
      continue;
    }
    if (k <= 0) return -1;
    if (direct) {
      p += k;
      n -= static_cast<size_t>(k);
    } else {
      *pos = 0;
      *end = static_cast<size_t>(k);
    }
  }
  return 0;
}

}  // namespace

ChildProcess::~ChildProcess() { stop(); }

int64_t ChildProcess::nowMillis() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int ChildProcess::start(const std::string& program, const std::vector<std::string>& args) {
  stop();
  int in[2], out[2];
  if (::pipe2(in, O_CLOEXEC) < 0) {
    setLastError(errorFromErrno(errno));
    return -1;
  }
  if (::pipe2(out, O_CLOEXEC) < 0) {
    setLastError(errorFromErrno(errno));
    ::close(in[0]);
    ::close(in[1]);
    return -1;
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = ::fork();
  if (pid < 0) {
    setLastError(errorFromErrno(errno));
    for (int fd : {in[0], in[1], out[0], out[1]}) ::close(fd);
    return -1;
  }
  if (pid == 0) {
    // Only async-signal-safe calls from here to exec.
    ::dup2(in[0], 0);
    ::dup2(out[1], 1);
    int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) ::dup2(null, 2);
    ::signal(SIGPIPE, SIG_DFL);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  pid_ = static_cast<int>(pid);
  toChild_ = in[1];
  fromChild_ = out[0];
  ::fcntl(toChild_, F_SETFL, ::fcntl(toChild_, F_GETFL) | O_NONBLOCK);
  ::fcntl(fromChild_, F_SETFL, ::fcntl(fromChild_, F_GETFL) | O_NONBLOCK);
  return 0;
}

int ChildProcess::limitCpuFromNow(int32_t seconds) {
  if (pid_ <= 0) return -1;
  int64_t used = cpuSecondsUsed(pid_);
  if (used < 0) return -1;
  if (!hardCpuKnown_) {  // the child's hard limit, asked once: nobody but us changes it
    rlimit old{};
    if (::prlimit(pid_, RLIMIT_CPU, nullptr, &old) < 0) return -1;
    hardCpu_ = old.rlim_max;
    hardCpuKnown_ = true;
  }
  rlimit lim{};
  lim.rlim_cur = static_cast<rlim_t>(used + std::max<int32_t>(seconds, 1));
  lim.rlim_max = hardCpu_;  // an unprivileged process may not raise a hard limit again
  if (lim.rlim_max != RLIM_INFINITY && lim.rlim_cur > lim.rlim_max) lim.rlim_cur = lim.rlim_max;
  return ::prlimit(pid_, RLIMIT_CPU, &lim, nullptr) < 0 ? -1 : 0;
}

int ChildProcess::writeAll(const void* data, size_t n, int64_t deadlineMillis) {
  if (toChild_ < 0) return -1;
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    int ready = waitReady(toChild_, POLLOUT, deadlineMillis);
    if (ready == 0) return -2;
    if (ready < 0) return -1;
    ssize_t k = writeNoSignal(toChild_, p, n);
    if (k < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (k <= 0) return -1;
    p += k;
    n -= static_cast<size_t>(k);
  }
  return 0;
}

int ChildProcess::readExact(void* into, size_t n, int64_t deadlineMillis) {
  if (fromChild_ < 0) return -1;
  if (inBuffer_.size() < kInBufferBytes) inBuffer_.resize(kInBufferBytes);
  return readThrough(fromChild_, inBuffer_.data(), kInBufferBytes, &inPos_, &inEnd_, static_cast<char*>(into), n,
                     [&] { return waitReady(fromChild_, POLLIN, deadlineMillis); });
}

std::string ChildProcess::stop(int graceMillis) {
  closeFd(&toChild_);
  closeFd(&fromChild_);
  inPos_ = inEnd_ = 0;
  hardCpuKnown_ = false;
  if (pid_ <= 0) return "";
  int status = 0;
  pid_t r = ::waitpid(pid_, &status, WNOHANG);
  for (int64_t until = nowMillis() + graceMillis; r == 0 && nowMillis() < until;) {
    ::usleep(2000);
    r = ::waitpid(pid_, &status, WNOHANG);
  }
  if (r == 0) {
    ::kill(pid_, SIGKILL);
    do r = ::waitpid(pid_, &status, 0);
    while (r < 0 && errno == EINTR);
  }
  pid_ = -1;
  if (r < 0) return "ended";
  if (WIFEXITED(status)) return "exited with status " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) {
    int sig = WTERMSIG(status);
    if (sig == SIGXCPU) return "CPU time limit reached";
    const char* name = ::strsignal(sig);
    return "killed by signal " + std::to_string(sig) + " (" + (name ? name : "?") + ")";
  }
  return "ended";
}

int readExactFromParent(void* into, size_t n) {
  // Standard input is the process's one pipe from its parent, read blocking.
  constexpr size_t kBlock = 65536;
  static char buffer[kBlock];
  static size_t pos = 0, end = 0;
  return readThrough(0, buffer, kBlock, &pos, &end, static_cast<char*>(into), n, [] { return -1; });
}

int writeAllToParent(const void* data, size_t n) {
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    ssize_t k = ::write(1, p, n);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return -1;
    p += k;
    n -= static_cast<size_t>(k);
  }
  return 0;
}

int limitOwnAddressSpace(int64_t bytes) {
  rlimit lim{};
  if (::getrlimit(RLIMIT_AS, &lim) < 0) return -1;
  lim.rlim_cur = static_cast<rlim_t>(bytes);
  if (lim.rlim_max != RLIM_INFINITY && lim.rlim_cur > lim.rlim_max) lim.rlim_cur = lim.rlim_max;
  return ::setrlimit(RLIMIT_AS, &lim) < 0 ? -1 : 0;
}

}  // namespace platform
