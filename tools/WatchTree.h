// WatchTree: the folders of one index that are watched, each with its watch, and those that
// could not be watched because the user's watches ran out (or the watcher's own limit was
// reached), which are polled instead. Folders are entered as an index job walks them:
// symbolic links followed, a folder reachable twice entered once, folders whose name matches
// an exclude pattern and the index's own folders left out. It holds one entry per folder and
// nothing per file. Depends on platform/ and import/Wildcard.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"

namespace watch {

struct TreeRules {
  std::vector<std::string> roots;        // absolute; walked with their subfolders
  std::vector<std::string> excludes;     // name patterns: matching folders are not entered
  std::vector<std::string> skipFolders;  // never entered (the index folder, its work folder)
};

// Threads: one user at a time. Does not own the watch set.
class WatchTree {
 public:
  // `maxWatches` 0: as many as the system allows.
  WatchTree(platform::WatchSet set, size_t maxWatches);
  WatchTree(const WatchTree&) = delete;
  WatchTree& operator=(const WatchTree&) = delete;

  void setRules(TreeRules rules);
  const TreeRules& rules() const { return rules_; }

  // Enters `folder` and every folder under it that the rules let in and the tree does not
  // hold yet, watching each (the watch is made before the folder is listed, so nothing made
  // meanwhile goes unseen). Appends each folder entered to `entered` when given. The number
  // of folders entered.
  int add(const std::string& folder, std::vector<std::string>* entered = nullptr);
  // Forgets `folder` and every folder under it, ending their watches.
  void forget(const std::string& folder);
  // The system ended `watch` (its folder was deleted or moved away): the folder is forgotten.
  // The folder's path, or "" when the watch was not the tree's.
  std::string ended(int watch);
  // Walks the roots again: folders that appeared are entered (appended to `entered`),
  // folders that are gone forgotten.
  void resync(std::vector<std::string>* entered = nullptr);
  // Tries again to watch the folders that could not be watched. The number now watched.
  int retryUnwatched();

  // The folder of `watch`; null when the tree has no such watch.
  const std::string* folderOf(int watch) const;
  bool holds(const std::string& folder) const { return nodes_.count(folder) > 0; }
  bool isRoot(const std::string& folder) const;
  // True when `path` lies in a root and in no folder the rules leave out (by its names).
  bool covers(const std::string& path) const;
  size_t watchedCount() const { return byWatch_.size(); }
  const std::set<std::string>& unwatched() const { return unwatched_; }
  // Set once a folder could not be watched for want of watches (to say so only once).
  bool limitMet() const { return limitMet_; }

 private:
  struct Node {
    int watch = -1;  // -1: not watched (polled)
    std::pair<uint64_t, uint64_t> id;  // device and inode
    bool seen = false;                 // visited by the current resync
  };
  static constexpr int kNoWatchLeft = -2;

  bool skipped(const platform::DirEntry& e) const;
  bool excludedName(const std::string& name) const;
  // The folder's watch; -1 when it cannot be watched (gone, unreadable), kNoWatchLeft when
  // the watches ran out.
  int watchFolder(const std::string& folder);
  int walk(const std::string& top, bool marking, std::vector<std::string>* entered);
  void drop(std::map<std::string, Node>::iterator it);

  platform::WatchSet set_;
  size_t maxWatches_;
  TreeRules rules_;
  std::set<std::pair<uint64_t, uint64_t>> skipIds_;
  std::map<std::string, Node> nodes_;
  std::map<int, std::string> byWatch_;
  std::map<std::pair<uint64_t, uint64_t>, std::string> byId_;
  std::set<std::string> unwatched_;
  bool limitMet_ = false;
};

}  // namespace watch
