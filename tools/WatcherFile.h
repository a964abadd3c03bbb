// WatcherFile: WATCHER.DAT in an index folder, the state a watcher (lxr watch) publishes for
// lxr status: its process, state, folders, pending changes, last update, the file being
// indexed and the documents that could not be taken in. The watcher holds the file open for
// writing without sharing writes for as long as it runs, so a second watcher is refused and
// a reader can tell a running watcher from the file a stopped or killed one left behind.
// Text lines "Key: value", ending with "End". Depends on io/File.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class File;

namespace watch {

struct WatcherState {
  int processId = 0;
  std::string state;           // "starting", "watching", "updating", "rescanning", "paused", "stopped"
  std::string started;         // local date and time
  int64_t watched = 0;         // folders watched
  int64_t polled = 0;          // folders polled instead
  int64_t pending = 0;         // changes waiting
  bool rescanDue = false;
  std::string lastUpdate;      // "2026-12-09 05:41:02 update: 3 files, 1 removed: done"
  std::string indexing;        // the file being indexed, while updating
  struct Failure {
    std::string name;
    std::string reason;
  };
  std::vector<Failure> failed;  // documents not taken in, at most kMaxFailures
  int64_t moreFailed = 0;       // beyond those
};

// Threads: one user at a time.
class WatcherFile {
 public:
  static constexpr size_t kMaxFailures = 500;

  WatcherFile();
  ~WatcherFile();
  WatcherFile(const WatcherFile&) = delete;
  WatcherFile& operator=(const WatcherFile&) = delete;

  // Opens (making) WATCHER.DAT of the index in `folder` for this watcher. 0; -1 when another
  // watcher holds it (*held set) or it cannot be made (platform::lastError()).
  int open(const std::string& folder, bool* held);
  // Replaces the file's contents with `state`. 0 or -1.
  int write(const WatcherState& state);
  void close();

  // Reads the file of the index in `folder`. 1 when a watcher holds it now, 0 when the file
  // was left by one that ended, -1 when there is none (or it cannot be read).
  static int read(const std::string& folder, WatcherState* out);

 private:
  std::unique_ptr<File> file_;
};

// The state as the file holds it, and back (exposed for the tests of the format).
std::string formatState(const WatcherState& state);
bool parseState(const std::string& text, WatcherState* out);

}  // namespace watch
