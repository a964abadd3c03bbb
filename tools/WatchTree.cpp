#include "tools/WatchTree.h"

#include <algorithm>

#include "import/Wildcard.h"

namespace watch {

namespace {

std::string baseName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string childOf(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

bool under(const std::string& path, const std::string& folder) {
  if (folder == "/") return !path.empty() && path[0] == '/';
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

}  // namespace

WatchTree::WatchTree(platform::WatchSet set, size_t maxWatches) : set_(set), maxWatches_(maxWatches) {}

void WatchTree::setRules(TreeRules rules) {
  rules_ = std::move(rules);
  skipIds_.clear();
  for (const std::string& f : rules_.skipFolders) {
    platform::DirEntry e;
    if (platform::describePath(f.c_str(), &e) == 0) skipIds_.insert({e.device, e.inode});
  }
}

bool WatchTree::isRoot(const std::string& folder) const {
  return std::find(rules_.roots.begin(), rules_.roots.end(), folder) != rules_.roots.end();
}

bool WatchTree::excludedName(const std::string& name) const {
  for (const std::string& p : rules_.excludes)
    if (wildcard::match(p, name)) return true;
  return false;
}

bool WatchTree::skipped(const platform::DirEntry& e) const { return skipIds_.count({e.device, e.inode}) > 0; }

bool WatchTree::covers(const std::string& path) const {
  for (const std::string& root : rules_.roots) {
    if (!under(path, root)) continue;
    // Every folder between the root and the entry must be one the walk enters.
    size_t at = root == "/" ? 1 : root.size() + 1;
    for (size_t slash; (slash = path.find('/', at)) != std::string::npos; at = slash + 1)
      if (excludedName(path.substr(at, slash - at))) return false;
    return true;
  }
  return false;
}

const std::string* WatchTree::folderOf(int watch) const {
  auto it = byWatch_.find(watch);
  return it == byWatch_.end() ? nullptr : &it->second;
}

int WatchTree::watchFolder(const std::string& folder) {
  if (maxWatches_ > 0 && byWatch_.size() >= maxWatches_) {
    limitMet_ = true;
    return kNoWatchLeft;
  }
  int watch = platform::addWatch(set_, folder.c_str());
  if (watch < 0 && platform::lastError() == platform::kErrWatchLimit) {
    limitMet_ = true;
    return kNoWatchLeft;
  }
  return watch;
}

int WatchTree::add(const std::string& folder, std::vector<std::string>* entered) {
  if (!isRoot(folder) && excludedName(baseName(folder))) return 0;
  return walk(folder, false, entered);
}

int WatchTree::walk(const std::string& top, bool marking, std::vector<std::string>* entered) {
  // Depth first in name order, as the index job walks, so that a folder reachable by two
  // paths is entered by the same path the job takes.
  int count = 0;
  std::vector<std::string> pending{top};
  while (!pending.empty()) {
    std::string folder = std::move(pending.back());
    pending.pop_back();
    platform::DirEntry e;
    if (platform::describePath(folder.c_str(), &e) < 0 || !e.isDirectory || skipped(e)) continue;
    std::pair<uint64_t, uint64_t> id{e.device, e.inode};
    auto known = nodes_.find(folder);
    if (known != nodes_.end() && known->second.id != id) {
      drop(known);  // another folder now stands at this path
      known = nodes_.end();
    }
    if (known == nodes_.end()) {
      auto other = byId_.find(id);
      if (other != byId_.end() && other->second != folder) {
        if (!marking || nodes_.at(other->second).seen) continue;  // entered by another path
        forget(other->second);  // the walk reaches it by this path first now
      }
      Node node;
      node.id = id;
      node.watch = watchFolder(folder);
      if (node.watch == -1) continue;  // gone meanwhile, or not readable: the job skips it too
      if (node.watch == kNoWatchLeft) node.watch = -1;
      known = nodes_.emplace(folder, node).first;
      byId_[id] = folder;
      if (node.watch >= 0) byWatch_[node.watch] = folder;
      else unwatched_.insert(folder);
      ++count;
      if (entered) entered->push_back(folder);
    } else if (!marking || known->second.seen) {
      continue;  // held already, with what lies under it
    }
    known->second.seen = true;
    std::vector<platform::DirEntry> entries;
    if (platform::listDirectory(folder.c_str(), &entries) < 0) continue;
    std::sort(entries.begin(), entries.end(),
              [](const platform::DirEntry& a, const platform::DirEntry& b) { return a.name > b.name; });
    for (const platform::DirEntry& sub : entries)
      if (sub.isDirectory && !excludedName(sub.name) && !skipped(sub)) pending.push_back(childOf(folder, sub.name));
  }
  return count;
}

void WatchTree::drop(std::map<std::string, Node>::iterator it) {
  if (it->second.watch >= 0) {
    platform::removeWatch(set_, it->second.watch);
    byWatch_.erase(it->second.watch);
  }
  auto id = byId_.find(it->second.id);
  if (id != byId_.end() && id->second == it->first) byId_.erase(id);
  unwatched_.erase(it->first);
  nodes_.erase(it);
}

void WatchTree::forget(const std::string& folder) {
  auto it = nodes_.find(folder);
  if (it != nodes_.end()) drop(it);
  std::string prefix = folder == "/" ? "/" : folder + "/";
  for (it = nodes_.lower_bound(prefix); it != nodes_.end() && it->first.compare(0, prefix.size(), prefix) == 0;)
    drop(it++);
}

std::string WatchTree::ended(int watch) {
  auto it = byWatch_.find(watch);
  if (it == byWatch_.end()) return "";
  std::string folder = it->second;
  // The system has ended the watch already; only the tree's entries go.
  nodes_.at(folder).watch = -1;
  byWatch_.erase(it);
  forget(folder);
  return folder;
}

void WatchTree::resync(std::vector<std::string>* entered) {
  for (auto& [path, node] : nodes_) node.seen = false;
  for (const std::string& root : rules_.roots) walk(root, true, entered);
  for (auto it = nodes_.begin(); it != nodes_.end();) {
    if (it->second.seen) ++it;
    else drop(it++);
  }
}

int WatchTree::retryUnwatched() {
  int count = 0;
  for (auto it = unwatched_.begin(); it != unwatched_.end();) {
    Node& node = nodes_.at(*it);
    int watch = watchFolder(*it);
    if (watch == kNoWatchLeft) break;  // still none to spare
    if (watch < 0) {
      ++it;  // unreadable now; a resync drops it when it is gone
      continue;
    }
    node.watch = watch;
    byWatch_[watch] = *it;
    ++count;
    it = unwatched_.erase(it);
  }
  return count;
}

}  // namespace watch
