#include "tools/Watcher.h"

#include <algorithm>
#include <chrono>
#include <set>

namespace watch {

namespace {

// A file written within this time is still being written; besides, file dates are kept to
// two seconds in the index, so a file taken in sooner after a write could change again
// within the same stored date and not be seen as changed.
constexpr int64_t kSettleMillis = 2000;
// A file that keeps changing is taken in anyway after this long (and again once it settles).
constexpr int64_t kMaxSettleMillis = 60000;
// A wait after a failed update doubles up to this.
constexpr int64_t kMaxRetryMillis = 60000;
// Events were read this long after they happened at most, and file times are this coarse.
constexpr int64_t kClockSlackMillis = 1000;

std::string childOf(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

int64_t millisOf(const platform::FileTime& t) { return t.seconds * 1000 + t.nanoseconds / 1000000; }

// True when the document `name` still has its file: the name itself, or for a member of an
// archive the archive (the first part of the name that exists is a file).
bool present(const std::string& name) {
  std::string file = name;
  while (!platform::fileExists(file.c_str()) && !platform::directoryExists(file.c_str()) &&
         file.rfind('/') != std::string::npos)
    file.resize(file.rfind('/'));
  return platform::fileExists(file.c_str());
}

}  // namespace

const char* stateName(WatchState state) {
  switch (state) {
    case WatchState::kStarting: return "starting";
    case WatchState::kWatching: return "watching";
    case WatchState::kUpdating: return "updating";
    case WatchState::kRescanning: return "rescanning";
    case WatchState::kPaused: return "paused";
    case WatchState::kStopped: return "stopped";
  }
  return "?";
}

// One update in the making.
struct Watcher::Batch {
  std::vector<std::string> files;      // to take in
  std::vector<std::string> gone;       // documents to remove
  std::set<std::string> goneFiles;     // files gone: their documents, and their members'
  std::set<std::string> forgotten;     // folders gone: the documents under them
  std::set<std::string> polled;        // folders polled: the documents directly in them
  std::vector<Change> taken;           // from the queue, to put back when the update fails
};

Watcher::Watcher(std::string indexFolder, WatchSettings settings, IndexUpdates& index,
                 std::function<void(const std::string&)> say, std::function<void()> changed)
    : folder_(std::move(indexFolder)),
      settings_(std::move(settings)),
      index_(index),
      say_(std::move(say)),
      changed_(std::move(changed)),
      set_(platform::openWatchSet()),
      tree_(set_, settings_.maxWatches),
      queue_(settings_.maxPending, settings_.quietMillis, settings_.quietMillis) {}

Watcher::~Watcher() { platform::closeWatchSet(set_); }

int64_t Watcher::wallNow() const {
  if (settings_.wallMillis) return settings_.wallMillis();
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

void Watcher::setState(WatchState state) {
  state_ = state;
  if (changed_) changed_();
}

std::string Watcher::rulesStampNow() const {
  std::string stamp;
  for (const char* name : {"/INDEX_L.IX", "/INDEX_S.IX"}) {
    platform::DirEntry e;
    if (platform::describePath((folder_ + name).c_str(), &e) == 0)
      stamp += std::to_string(e.size) + ":" + std::to_string(millisOf(e.lastWrite)) + ";";
    else
      stamp += "-;";
  }
  return stamp;
}

int Watcher::loadRules() {
  rulesStamp_ = rulesStampNow();
  IndexRules rules;
  if (index_.rules(&rules) < 0) {
    say_("its folders and file patterns cannot be read");
    return -1;
  }
  rules_ = rules;
  FileSet files;
  files.includes = rules_.includes;
  files.excludes = rules_.excludes;
  selection_ = std::make_unique<FileSelection>(files);
  TreeRules tree;
  tree.roots = rules_.folders;
  tree.excludes = rules_.excludes;
  tree.skipFolders = settings_.skipFolders;
  tree.skipFolders.push_back(folder_);
  tree.skipFolders.push_back(folder_ + "/TMP");
  tree_.setRules(tree);
  return 0;
}

bool Watcher::rulesChanged() { return rulesStampNow() != rulesStamp_; }

int Watcher::start(int64_t nowMillis) {
  if (set_ == platform::kNoWatchSet) {
    say_("folders cannot be watched: " + platform::errorText(platform::lastError()));
    return -1;
  }
  if (loadRules() < 0) return -1;
  if (rules_.folders.empty()) {
    say_("the index keeps no folders (it was made from a list of files), so there is nothing to watch");
    return -1;
  }
  for (const std::string& root : rules_.folders) {
    if (!platform::directoryExists(root.c_str()))
      say_("the folder " + root + " does not exist; it is looked for again at every poll");
    tree_.add(root);
  }
  sayLimitOnce();
  lastReadWallMillis_ = wallNow();
  nextPollMillis_ = nowMillis + settings_.pollMillis;
  nextRescanMillis_ = nowMillis + settings_.rescanMillis;
  rescanDue_ = true;
  setState(WatchState::kWatching);
  return 0;
}

void Watcher::sayLimitOnce() {
  if (saidLimit_ || !tree_.limitMet()) return;
  saidLimit_ = true;
  std::string minutes = std::to_string(settings_.pollMillis / 60000);
  if (settings_.maxWatches > 0 && tree_.watchedCount() >= settings_.maxWatches) {
    say_("the limit of " + std::to_string(settings_.maxWatches) + " watched folders (--max-watches) is reached; the "
         "folders beyond it are looked at every " + minutes + " min");
    return;
  }
  int64_t limit = platform::userWatchLimit();
  say_("the system's limit of folder watches is reached (fs.inotify.max_user_watches = " +
       (limit < 0 ? std::string("?") : std::to_string(limit)) + ", " + std::to_string(tree_.watchedCount()) +
       " used here); the folders beyond it are looked at every " + minutes +
       " min. To raise it: sudo sysctl fs.inotify.max_user_watches=524288, and to keep it, put the line "
       "fs.inotify.max_user_watches=524288 in /etc/sysctl.d/90-inotify.conf");
}

bool Watcher::takes(const std::string& name) const { return selection_ && selection_->takes(name); }

// ---- Events ----

void Watcher::takeEvents(int64_t nowMillis) {
  std::vector<platform::WatchEvent> events;
  int64_t readAt = wallNow();
  while (platform::readWatchEvents(set_, &events) > 0) {
    for (const platform::WatchEvent& e : events) noteEvent(e, nowMillis);
    events.clear();
  }
  lastReadWallMillis_ = readAt;
  sayLimitOnce();
}

bool Watcher::attributesOnly(const platform::WatchEvent& event, const std::string& path) const {
  // The index job puts back each file's access time after reading it, which the system
  // reports as a change of attributes; so does a chmod. Only a change of the modification
  // time (touch) matters, and that sets it to about the time of the event.
  if ((event.what & ~platform::kWatchAttributes) != 0) return false;
  platform::DirEntry e;
  if (platform::describePath(path.c_str(), &e) < 0) return false;
  return millisOf(e.lastWrite) < lastReadWallMillis_ - kClockSlackMillis;
}

void Watcher::noteEvent(const platform::WatchEvent& event, int64_t now) {
  if (event.what & platform::kWatchOverflow) {
    queue_.lose(now);
    return;
  }
  const std::string* folder = tree_.folderOf(event.watch);
  if (!folder) return;  // a watch already forgotten
  if (event.name.empty()) {
    if (event.what & platform::kWatchGone) {
      // A folder within the tree is also reported by its parent (and its watched files one
      // by one as it is emptied); a root has no parent, and polled folders no events.
      std::string gone = *folder;
      bool forget = tree_.isRoot(gone) || pollsUnder(gone);
      tree_.ended(event.watch);
      if (forget) queue_.note(gone, kForget, now);
    }
    return;
  }
  std::string path = childOf(*folder, event.name);
  if (event.what & platform::kWatchFolder) {
    noteFolderEvent(path, event.what, now);
    return;
  }
  if (!takes(event.name) || attributesOnly(event, path)) return;
  queue_.note(path, kLook, now);
}

void Watcher::noteFolderEvent(const std::string& path, uint32_t what, int64_t now) {
  if (what & (platform::kWatchMade | platform::kWatchMovedIn)) {
    if (tree_.add(path) > 0) queue_.note(path, kWalk, now);
  } else if (what & platform::kWatchMovedOut) {
    tree_.forget(path);
    queue_.note(path, kForget, now);
  } else if (what & platform::kWatchDeleted) {
    // The files of a watched folder are reported one by one as it is emptied; only folders
    // that were polled leave documents no event names.
    bool polled = pollsUnder(path);
    tree_.forget(path);
    if (polled) queue_.note(path, kForget, now);
  }
}

bool Watcher::pollsUnder(const std::string& folder) const {
  const std::set<std::string>& polled = tree_.unwatched();
  std::string prefix = folder + "/";
  auto below = polled.lower_bound(prefix);
  return polled.count(folder) > 0 || (below != polled.end() && below->compare(0, prefix.size(), prefix) == 0);
}

// ---- Work ----

int64_t Watcher::dueMillis() const {
  if (!alive_ || paused_) return ChangeQueue::kNever;
  int64_t due = std::min(nextPollMillis_, nextRescanMillis_);
  if (queue_.overflowed()) due = std::min(due, queue_.lastEventMillis() + settings_.quietMillis);
  else if (rescanDue_) due = 0;
  due = std::min(due, queue_.dueMillis());
  return std::max(due, retryMillis_);
}

void Watcher::pause(bool paused) {
  if (paused == paused_) return;
  paused_ = paused;
  setState(paused ? WatchState::kPaused : WatchState::kWatching);
}

bool Watcher::work(int64_t now) {
  if (!alive_ || paused_ || now < retryMillis_ || now < dueMillis()) return false;
  if (rulesChanged()) {
    say_("its folders or file patterns changed; rescanning");
    if (loadRules() < 0) return false;
    rescanDue_ = true;
  }
  if (queue_.overflowed() && now < queue_.lastEventMillis() + settings_.quietMillis) return false;
  if (rescanDue_ || queue_.overflowed() || now >= nextRescanMillis_) {
    runRescan(now);
    return true;
  }
  Batch batch;
  if (now >= nextPollMillis_) {
    nextPollMillis_ = now + settings_.pollMillis;
    pollUnwatched(now, &batch);
  }
  for (Change& c : queue_.takeDue(now)) sortChange(c, now, &batch);
  findGoneDocuments(&batch);
  if (batch.files.empty() && batch.gone.empty()) return false;
  applyBatch(batch, now);
  return true;
}

bool Watcher::settled(const platform::DirEntry& e) const {
  int64_t written = millisOf(e.lastWrite);
  int64_t wall = wallNow();
  // A time ahead of the clock (another machine's, a date set by hand) does not settle by
  // waiting.
  return written <= wall - kSettleMillis || written > wall + kSettleMillis;
}

void Watcher::sortChange(const Change& c, int64_t now, Batch* batch) {
  batch->taken.push_back(c);
  if (c.bits & kForget) batch->forgotten.insert(c.path);
  if (c.bits & kWalk) walkFolder(c.path, now, batch);
  if (!(c.bits & kLook)) return;
  platform::DirEntry e;
  if (platform::describePath(c.path.c_str(), &e) < 0) {
    batch->goneFiles.insert(c.path);
    return;
  }
  if (e.isDirectory) {
    // A file replaced by a folder: the folder's files come in, the file's document goes.
    batch->goneFiles.insert(c.path);
    if (tree_.add(c.path) > 0) walkFolder(c.path, now, batch);
    return;
  }
  if (!e.isRegularFile) return;
  if (settled(e) || now - c.firstMillis >= kMaxSettleMillis) {
    batch->files.push_back(c.path);
  } else {
    batch->taken.pop_back();
    queue_.requeue(c, now);
  }
}

void Watcher::walkFolder(const std::string& folder, int64_t now, Batch* batch) {
  FileSet files;
  files.folders = {folder};
  files.includes = rules_.includes;
  files.excludes = rules_.excludes;
  FileSelection walk(files);
  for (const std::string& skip : tree_.rules().skipFolders) walk.skipFolder(skip);
  walk.walk(
      [&](const FoundFile& f) {
        platform::DirEntry e;
        if (platform::describePath(f.name.c_str(), &e) == 0 && !settled(e)) queue_.note(f.name, kLook, now);
        else batch->files.push_back(f.name);
        return 0;
      },
      [] { return false; });
}

void Watcher::pollUnwatched(int64_t now, Batch* batch) {
  for (const std::string& root : rules_.folders)
    if (!tree_.holds(root) && tree_.add(root) > 0) walkFolder(root, now, batch);
  std::set<std::string> polled = tree_.unwatched();
  for (const std::string& folder : polled) {
    std::vector<platform::DirEntry> entries;
    if (platform::listDirectory(folder.c_str(), &entries) < 0) {
      if (!platform::directoryExists(folder.c_str())) {
        tree_.forget(folder);
        batch->forgotten.insert(folder);
      }
      continue;
    }
    batch->polled.insert(folder);
    for (const platform::DirEntry& e : entries) {
      std::string path = childOf(folder, e.name);
      if (e.isDirectory) {
        if (!tree_.holds(path) && tree_.add(path) > 0) walkFolder(path, now, batch);
      } else if (e.isRegularFile && takes(e.name)) {
        if (settled(e)) batch->files.push_back(path);
        else queue_.note(path, kLook, now);
      }
    }
  }
  tree_.retryUnwatched();
}

void Watcher::findGoneDocuments(Batch* batch) {
  if (batch->goneFiles.empty() && batch->forgotten.empty() && batch->polled.empty()) return;
  // One pass over the index's documents finds those of the files and folders that went: a
  // document is theirs when its name is one of them or lies under one (a member of an
  // archive lies under the archive's name), or when it lies directly in a polled folder.
  index_.listDocuments([&](const std::string& name) {
    bool candidate = batch->goneFiles.count(name) > 0;
    bool parent = true;
    for (size_t slash = name.rfind('/'); !candidate && slash != std::string::npos && slash > 0;
         slash = name.rfind('/', slash - 1), parent = false) {
      std::string up = name.substr(0, slash);
      candidate = batch->goneFiles.count(up) > 0 || batch->forgotten.count(up) > 0 ||
                  (parent && batch->polled.count(up) > 0);
    }
    if (candidate && !present(name)) batch->gone.push_back(name);
  });
}

void Watcher::applyBatch(Batch& batch, int64_t now) {
  std::sort(batch.files.begin(), batch.files.end());
  batch.files.erase(std::unique(batch.files.begin(), batch.files.end()), batch.files.end());
  std::sort(batch.gone.begin(), batch.gone.end());
  batch.gone.erase(std::unique(batch.gone.begin(), batch.gone.end()), batch.gone.end());
  setState(WatchState::kUpdating);
  IndexUpdates::Outcome outcome = index_.update(batch.files, batch.gone);
  if (outcome != IndexUpdates::kApplied && outcome != IndexUpdates::kIndexGone) {
    for (const Change& c : batch.taken) queue_.requeue(c, now);
    if (!batch.polled.empty()) nextPollMillis_ = now;
  }
  finish(outcome, false, batch.files.size(), batch.gone.size(), now);
}

void Watcher::runRescan(int64_t now) {
  setState(WatchState::kRescanning);
  tree_.resync();
  sayLimitOnce();
  queue_.clear();  // the rescan sees all that was queued
  IndexUpdates::Outcome outcome = index_.rescan();
  if (outcome == IndexUpdates::kApplied) {
    rescanDue_ = false;
    nextRescanMillis_ = now + settings_.rescanMillis;
    nextPollMillis_ = now + settings_.pollMillis;
  } else {
    rescanDue_ = true;
  }
  finish(outcome, true, 0, 0, now);
}

void Watcher::finish(IndexUpdates::Outcome outcome, bool rescan, size_t files, size_t gone, int64_t now) {
  last_ = LastRun{wallNow(), rescan, outcome, files, gone};
  switch (outcome) {
    case IndexUpdates::kApplied:
    case IndexUpdates::kStopped:
      failures_ = 0;
      retryMillis_ = 0;
      break;
    case IndexUpdates::kBusy:
    case IndexUpdates::kFailed:
      ++failures_;
      retryMillis_ = now + std::min<int64_t>(kMaxRetryMillis, int64_t{1000} << std::min(failures_, 6));
      break;
    case IndexUpdates::kIndexGone:
      say_("the index is gone; it is no longer watched");
      alive_ = false;
      break;
  }
  setState(!alive_ ? WatchState::kStopped : paused_ ? WatchState::kPaused : WatchState::kWatching);
}

}  // namespace watch
