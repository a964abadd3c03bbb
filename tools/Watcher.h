// Watcher: keeps one index current. It watches the index's folders (WatchTree), turns what
// the system reports into queued changes (ChangeQueue), and when they are due applies them
// as one update of just those files through IndexUpdates: files that are there are taken in
// (the index job compares their dates), documents of files that are gone are removed, a
// folder moved in is walked, a folder moved out loses its documents. Files still being
// written wait. A full rescan runs at the start, after lost events (the system's queue or
// its own overflowed), and periodically; folders it could not watch are polled. The caller
// owns the loop: it waits on watchSet(), then calls takeEvents() and work(). Depends on
// platform/, index/FileSelection and the tools' ChangeQueue and WatchTree.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "index/FileSelection.h"
#include "tools/ChangeQueue.h"
#include "tools/WatchTree.h"

namespace watch {

// The folders and file name patterns an index keeps for its updates.
struct IndexRules {
  std::vector<std::string> folders;
  std::vector<std::string> includes;
  std::vector<std::string> excludes;
};

// What a watcher asks of its index. Implemented over the engine interface by the watch
// command; by recorders in tests.
class IndexUpdates {
 public:
  enum Outcome {
    kApplied,    // done
    kStopped,    // stopped on request, keeping what was done: the rest is to be done again
    kBusy,       // another writer holds the index: try again later
    kFailed,     // failed (an I/O error, a full disk): try again later
    kIndexGone,  // the index no longer exists: stop watching it
  };
  virtual ~IndexUpdates() = default;
  // One update: the files `files` taken in when new or changed, the documents named in
  // `gone` removed.
  virtual Outcome update(const std::vector<std::string>& files, const std::vector<std::string>& gone) = 0;
  // A full rescan: the index's folders walked again, new and changed files taken in, the
  // documents of vanished files removed.
  virtual Outcome rescan() = 0;
  // Calls `each` with the name of every document of the index (removed ones left out). 0 or
  // -1.
  virtual int listDocuments(const std::function<void(const std::string& name)>& each) = 0;
  // The index's folders and patterns. 0 or -1.
  virtual int rules(IndexRules* out) = 0;
};

struct WatchSettings {
  int64_t quietMillis = 2000;               // a change waits this long without events
  int64_t pollMillis = 15 * 60 * 1000;      // folders that could not be watched are polled
  int64_t rescanMillis = 24 * 3600 * 1000;  // a full rescan catches what events missed
  size_t maxPending = 10000;                // more changes than this: a rescan instead
  size_t maxWatches = 0;                    // 0: as many as the system allows
  std::vector<std::string> skipFolders;     // never watched, besides the index's own
  // The time of day (ms since 1970) that file times are compared with; null: the clock.
  std::function<int64_t()> wallMillis;
};

enum class WatchState { kStarting, kWatching, kUpdating, kRescanning, kPaused, kStopped };
const char* stateName(WatchState state);

// What the last update or rescan did, for the status.
struct LastRun {
  int64_t wallMillis = 0;  // when it ended (0: none yet)
  bool rescan = false;
  IndexUpdates::Outcome outcome = IndexUpdates::kApplied;
  size_t files = 0;  // given to look at
  size_t gone = 0;   // documents given to remove
};

// Threads: one user at a time. Owns its watch set.
class Watcher {
 public:
  // `say` receives the messages for the user (one line each); `changed` is called when the
  // state changes and after every update (either may be null).
  Watcher(std::string indexFolder, WatchSettings settings, IndexUpdates& index,
          std::function<void(const std::string&)> say, std::function<void()> changed = nullptr);
  ~Watcher();
  Watcher(const Watcher&) = delete;
  Watcher& operator=(const Watcher&) = delete;

  // Reads the index's rules and watches its folders; the first work() rescans. 0, or -1
  // after saying why.
  int start(int64_t nowMillis);
  platform::WatchSet watchSet() const { return set_; }

  // Reads the events waiting and queues what they say.
  void takeEvents(int64_t nowMillis);
  // Does what is due at `nowMillis`: a rescan, a poll, or an update of the quiet changes.
  // True when it ran one (so the caller reads events again before waiting).
  bool work(int64_t nowMillis);
  // When work() next has something to do (ChangeQueue::kNever: only on an event).
  int64_t dueMillis() const;

  void pause(bool paused);
  bool paused() const { return paused_; }
  // False once the index is gone.
  bool alive() const { return alive_; }

  const std::string& indexFolder() const { return folder_; }
  WatchState state() const { return state_; }
  size_t pending() const { return queue_.size(); }
  size_t watched() const { return tree_.watchedCount(); }
  size_t unwatched() const { return tree_.unwatched().size(); }
  bool rescanPending() const { return rescanDue_; }
  const LastRun& lastRun() const { return last_; }

 private:
  struct Batch;
  int loadRules();
  std::string rulesStampNow() const;
  bool rulesChanged();
  void noteEvent(const platform::WatchEvent& event, int64_t now);
  void noteFolderEvent(const std::string& path, uint32_t what, int64_t now);
  bool takes(const std::string& name) const;
  // True when `folder` or a folder under it is polled rather than watched.
  bool pollsUnder(const std::string& folder) const;
  bool settled(const platform::DirEntry& e) const;
  void sortChange(const Change& c, int64_t now, Batch* batch);
  void walkFolder(const std::string& folder, int64_t now, Batch* batch);
  void pollUnwatched(int64_t now, Batch* batch);
  void findGoneDocuments(Batch* batch);
  void applyBatch(Batch& batch, int64_t now);
  void runRescan(int64_t now);
  bool attributesOnly(const platform::WatchEvent& event, const std::string& path) const;
  void setState(WatchState state);
  void finish(IndexUpdates::Outcome outcome, bool rescan, size_t files, size_t gone, int64_t now);
  void sayLimitOnce();
  int64_t wallNow() const;

  std::string folder_;
  WatchSettings settings_;
  IndexUpdates& index_;
  std::function<void(const std::string&)> say_;
  std::function<void()> changed_;
  platform::WatchSet set_ = platform::kNoWatchSet;
  WatchTree tree_;
  ChangeQueue queue_;
  IndexRules rules_;
  std::unique_ptr<FileSelection> selection_;  // the index's file name patterns
  std::string rulesStamp_;
  WatchState state_ = WatchState::kStarting;
  LastRun last_;
  bool paused_ = false;
  bool alive_ = true;
  bool rescanDue_ = true;
  bool saidLimit_ = false;
  int64_t nextRescanMillis_ = 0;
  int64_t nextPollMillis_ = 0;
  int64_t retryMillis_ = 0;  // after a failed run, nothing runs before this
  int64_t lastReadWallMillis_ = 0;  // when events were read the time before
  int failures_ = 0;
};

}  // namespace watch
