// A helper program run as a child process: its standard input and output are pipes to this
// process, its standard error goes nowhere, and it can be limited in CPU time, read from and
// written to with deadlines, and killed. The extraction of complex document formats runs in
// one, so that a crash, a hang or a runaway allocation of a parser costs one document, not the
// index job. Depends on nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Threads: one user at a time. Not copyable; the destructor kills a running child.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `program` (a path) with `args` (argv[1..]). 0, or -1 with lastError() set when the
  // pipes or the process could not be made. A program that cannot be executed is found by the
  // first read: the child exits at once with status 127.
  int start(const std::string& program, const std::vector<std::string>& args);
  bool running() const { return pid_ > 0; }

  // Sets the child's CPU-time limit to `seconds` beyond what it has used so far (the soft
  // limit: the child gets SIGXCPU there). 0, or -1 when the limit could not be set.
  int limitCpuFromNow(int32_t seconds);

  // Writes all `n` bytes to the child's input before the steady-clock time `deadlineMillis`
  // (see nowMillis). 0; -1 when the child is gone or stopped reading; -2 at the deadline.
  int writeAll(const void* data, size_t n, int64_t deadlineMillis);
  // Reads exactly `n` bytes of the child's output, as writeAll. 0; -1 when the output ended
  // first (the child exited or crashed); -2 at the deadline. Output is read ahead in blocks of
  // up to 64 KB, so reading an answer field by field costs few system calls.
  int readExact(void* into, size_t n, int64_t deadlineMillis);

  // Closes the pipes, gives the child `graceMillis` to end by itself, then kills it (SIGKILL)
  // and reaps it. Returns how it ended, in words: "exited with status N", "killed by signal N
  // (NAME)", "CPU time limit reached", or "" when nothing was running. After a read returned
  // -1, a stop with some grace gives the reason the child's output ended.
  std::string stop(int graceMillis = 0);

  // The steady clock in milliseconds, for deadlines.
  static int64_t nowMillis();

 private:
  static constexpr size_t kInBufferBytes = 65536;

  int pid_ = -1;
  int toChild_ = -1;
  int fromChild_ = -1;
  // Output read ahead of the caller: an answer's small fields come in one read.
  std::vector<char> inBuffer_;
  size_t inPos_ = 0;
  size_t inEnd_ = 0;
  // The child's hard CPU limit, once asked.
  bool hardCpuKnown_ = false;
  unsigned long long hardCpu_ = 0;
};

// The child's side: its standard input and output as the pipes from and to its parent.
// Each 0, or -1 when the pipe ended or failed (reads: before all `n` bytes came).
// Reads from standard input go through a read-ahead buffer of this process: nothing else may
// read standard input.
int readExactFromParent(void* into, size_t n);
int writeAllToParent(const void* data, size_t n);
// Limits this process's address space to `bytes` (the soft limit). 0 or -1.
int limitOwnAddressSpace(int64_t bytes);

}  // namespace platform
