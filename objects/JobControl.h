// JobControl: what the caller of a long job has over it while it runs: a call-back that
// receives each progress report, and a cancel flag the job reads as it goes. The engine
// interface makes one from the job record it is given; the layers below never see that
// record. Depends on nothing.
#pragma once

#include <cstdint>
#include <functional>

// The values of the cancel flag: 0 goes on, kCancelImmediate stops at once and undoes the
// job's changes, any other value stops and keeps what was done.
constexpr int32_t kCancelImmediate = -2;

// Threads: the flag may be set from another thread or a signal handler while the job runs;
// the job reads and writes it with relaxed atomic accesses. Everything else: the job's thread.
template <typename Progress>
struct JobControl {
  // Receives each report; the record is the job's and is valid during the call only. The
  // call-back may write the fields the progress type says it may (a search's answer).
  std::function<void(Progress&)> report;
  // The caller's flag (may be null: the job is never cancelled from outside).
  int32_t* cancelFlag = nullptr;

  int32_t cancel() const { return cancelFlag ? __atomic_load_n(cancelFlag, __ATOMIC_RELAXED) : 0; }
  void setCancel(int32_t value) const {
    if (cancelFlag) __atomic_store_n(cancelFlag, value, __ATOMIC_RELAXED);
  }
  void send(Progress& progress) const {
    if (report) report(progress);
  }
};
