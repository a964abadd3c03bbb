// ChangeQueue: the changes seen in one index's folders and not yet taken into the index, one
// entry per path, each with when it was first and last seen. It decides when changes are
// due: once the queue has been quiet for the quiet period, or, while other changes keep
// coming, once a quiet change has waited a while longer. It holds at most a fixed number of
// paths; past that it overflows and empties, and the caller rescans instead. Plain data: no
// file system, no clock of its own.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace watch {

// What is to be done with a path (bits).
enum ChangeBits : uint8_t {
  kLook = 1,    // a file: take it in if it is there, remove its document if it is gone
  kWalk = 2,    // a folder appeared: take in every file under it
  kForget = 4,  // a folder went away: remove the documents under it whose files are gone
};

struct Change {
  std::string path;
  uint8_t bits = 0;
  int64_t firstMillis = 0;  // when it was first seen
  int64_t lastMillis = 0;   // when it was last seen
};

// Threads: one user at a time.
class ChangeQueue {
 public:
  static constexpr int64_t kNever = INT64_MAX;

  // `limit` paths at most (at least 1); `quietMillis` without an event make a change quiet;
  // a quiet change is taken at the latest `maxDelayMillis` after it became quiet, even while
  // others keep coming.
  ChangeQueue(size_t limit, int64_t quietMillis, int64_t maxDelayMillis);

  // Notes a change of `path` at `nowMillis` (its bits join those already queued). When this
  // would exceed the limit, the queue empties instead, and until clear() it stays empty and
  // overflowed() is true.
  void note(const std::string& path, uint8_t bits, int64_t nowMillis);
  // Puts a change taken earlier back (a file still being written, an update that could not
  // run), as last seen at `nowMillis`; it keeps its first time. Overflows as note() does.
  void requeue(const Change& change, int64_t nowMillis);

  // Every queued path under `folder` (and `folder` itself) goes; used when the folder is to
  // be walked or rescanned as a whole.
  void dropUnder(const std::string& folder);
  void clear();
  // Events were lost: the queue empties and stays empty as if it had overflowed.
  void lose(int64_t nowMillis);

  bool overflowed() const { return overflowed_; }
  // When the last change was noted (also while overflowed).
  int64_t lastEventMillis() const { return lastEventMillis_; }
  bool empty() const { return changes_.empty(); }
  size_t size() const { return changes_.size(); }
  size_t limit() const { return limit_; }

  // When changes are next due (kNever when the queue is empty): when the last event is a
  // quiet period old, or when a change has been quiet for maxDelay, whichever is first.
  int64_t dueMillis() const;
  // The quiet changes, taken out of the queue, when changes are due at `nowMillis`; none
  // otherwise. In path order.
  std::vector<Change> takeDue(int64_t nowMillis);

 private:
  std::map<std::string, Change> changes_;
  size_t limit_;
  int64_t quietMillis_;
  int64_t maxDelayMillis_;
  int64_t lastEventMillis_ = 0;
  bool overflowed_ = false;
};

}  // namespace watch
