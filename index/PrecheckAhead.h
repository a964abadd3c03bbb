// PrecheckAhead: an unindexed scan's pre-check run ahead of the indexer on a thread of its
// own. The indexer hands over the names of the files to index in order and asks for each
// one's verdict in the same order; a file that cannot match the scan's request is then passed
// over without the indexer opening it, while the indexer breaks the others into words. The
// verdicts are the ones the indexer would reach itself, so the scan's results do not depend
// on which thread computed them. Depends on import/ViewerTable and import/Viewer.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ByteSource;
class ViewerTable;
struct ViewerEntry;
struct ViewerFileInfo;

// Threads: one caller (the indexer); the work runs on threads of the object's own.
class PrecheckAhead {
 public:
  using MayHold = std::function<bool(const ViewerEntry& format, ByteSource& bytes)>;
  // Whether the indexer would make a document of a file its viewer describes so (not one it
  // passes over as holding no text, encrypted, failed or binary).
  using IsDocument = std::function<bool(const ViewerFileInfo& info)>;
  // Files handed over and not yet asked for, at most.
  static constexpr int kWindow = 64;

  // `mayHold` is the job's pre-check: it must allow calls from several threads at once.
  // `threads` helper threads are started (0: the caller computes every verdict itself; a
  // thread that cannot be started leaves the work to the caller).
  PrecheckAhead(const ViewerTable& table, MayHold mayHold, IsDocument isDocument, int threads);
  // Stops the threads; verdicts not asked for are dropped.
  ~PrecheckAhead();
  PrecheckAhead(const PrecheckAhead&) = delete;
  PrecheckAhead& operator=(const PrecheckAhead&) = delete;

  // True when another file may be handed over (fewer than kWindow wait).
  bool hasRoom() const { return added_ - asked_ < kWindow; }
  // Hands over the next file. Only when hasRoom().
  void add(const std::string& name);
  // The verdict of the oldest file handed over and not yet asked for: false when the file
  // cannot match, true when it may or the check could not tell (it could not be opened, or
  // its format is one the check does not read). Computed here when no thread has started it.
  // For a file that cannot match, `*document` tells whether indexing it would have made one
  // document (a container is passed over only when it would be one message, as the check
  // promises); a search counts those in the weight of its words.
  bool nextMayHold(bool* document);
  // Files handed over and not yet asked for.
  int waiting() const { return static_cast<int>(added_ - asked_); }

  // The number of helper threads worth starting on this machine: one fewer than its cores,
  // at least one and at most three.
  static int helperThreads();

 private:
  enum class State : uint8_t { kQueued, kTaken, kDone };
  struct Slot {
    std::string name;
    State state = State::kQueued;
    bool mayHold = true;
    bool document = false;  // passed over, and would have been a document
  };

  // The verdict of one file, as the indexer would reach it.
  bool check(const std::string& name, bool* document) const;
  // Checks the next file not yet started, the lock released meanwhile; false when there is
  // none.
  bool takeAndCheck(std::unique_lock<std::mutex>& lock);
  void work();
  Slot& slot(int64_t i) { return slots_[static_cast<size_t>(i % kWindow)]; }

  const ViewerTable& table_;
  MayHold mayHold_;
  IsDocument isDocument_;
  std::vector<Slot> slots_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable queued_;  // a slot was queued, or the object is stopping
  std::condition_variable done_;    // a slot's verdict is in
  int64_t added_ = 0;  // slots handed over
  int64_t taken_ = 0;  // slots started, in order
  int64_t asked_ = 0;  // slots whose verdict the caller has had
  int sleeping_ = 0;            // threads waiting for a file
  bool callerWaiting_ = false;  // the caller waits for a verdict
  bool stopping_ = false;
};
