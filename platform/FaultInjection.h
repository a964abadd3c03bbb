// A test hook in the file layer: a plan of faults (fail the Nth read, write or open, cut the
// Nth read short) and counters of the calls made, so tests can simulate a full disk, a
// damaged read or a lock held elsewhere, and check how many system calls an operation made.
// Only tests install a plan; with none installed the hook costs one branch per call. The
// counts take in the calls of every thread.
#pragma once

#include <cstdint>

namespace platform {

// Each "...At" field counts calls from the moment the plan is installed: 1 is the next
// call, 2 the one after it; 0 never. A failed call reports `errorCode` through lastError().
struct FaultPlan {
  int failOpenAt = 0;
  int failReadAt = 0;
  int failWriteAt = 0;
  int failSyncAt = 0;
  int shortReadAt = 0;        // this read returns at most `shortReadBytes` bytes
  int64_t shortReadBytes = 0;
  int errorCode = 29;         // kErrWriteFault unless the test says otherwise
  // Syncs succeed without waiting for the disk (fuzzing, where durability is not tested).
  bool skipSyncs = false;
};

// The number of calls into the file layer since the counters were last reset.
struct IoCounters {
  int64_t opens = 0;
  int64_t closes = 0;
  int64_t reads = 0;
  int64_t writes = 0;
  int64_t syncs = 0;
};

// Installs `plan` (replacing any earlier one) and restarts its call counts.
void setFaultPlan(const FaultPlan& plan);
// Removes the plan; calls behave normally again.
void clearFaultPlan();

IoCounters ioCounters();
void resetIoCounters();

}  // namespace platform
