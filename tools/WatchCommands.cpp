#include "tools/WatchCommands.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "lexaurum/lexaurum.h"
#include "platform/Platform.h"
#include "tools/ExitCodes.h"
#include "tools/FailureKind.h"
#include "tools/JobReport.h"
#include "tools/ProgressLine.h"
#include "tools/ToolSupport.h"
#include "tools/WatchJobs.h"
#include "tools/WatcherFile.h"

namespace watchcommands {

namespace {

using platform::Signal;
using watch::Watcher;
using watch::WatcherState;

constexpr int kInterrupted = 130;           // as a shell reports a command stopped by Ctrl-C
constexpr int64_t kStatusEveryMillis = 500;  // the file being indexed is published this often
constexpr int64_t kLongestWaitMillis = 3600 * 1000;

struct Options {
  std::vector<std::string> indexes;
  watch::WatchSettings settings;
  bool normalPriority = false;
};

int64_t steadyMillis() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string localTimeText(int64_t wallMillis) {
  std::tm tm{};
  if (!platform::localTime(static_cast<std::time_t>(wallMillis / 1000), &tm)) return "?";
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
  return text;
}

int64_t wallMillis() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// "2" or "2s" seconds, "500ms", "15m", "1h", "1d". -1 when it is none of these.
int64_t parseDuration(const std::string& text) {
  char* end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || v < 0) return -1;
  std::string unit(end);
  double scale = unit == "" || unit == "s" ? 1000 : unit == "ms" ? 1 : unit == "m" ? 60000
               : unit == "h" ? 3600000.0 : unit == "d" ? 86400000.0 : -1;
  return scale < 0 ? -1 : static_cast<int64_t>(v * scale);
}

bool parse(const std::vector<std::string>& args, Options* o, std::string* error) {
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string* out) { return toolsupport::optionValue(args, &i, out, error); };
    auto duration = [&](int64_t* out, int64_t least) {
      std::string v;
      if (!value(&v)) return false;
      int64_t ms = parseDuration(v);
      if (ms < least) {
        *error = a + " takes a time such as 2s, 500ms, 15m, 1h or 1d, not '" + v + "'";
        return false;
      }
      *out = ms;
      return true;
    };
    auto count = [&](size_t* out, long least) {
      std::string v;
      if (!value(&v)) return false;
      char* end = nullptr;
      long n = std::strtol(v.c_str(), &end, 10);
      if (end == v.c_str() || *end || n < least) {
        *error = a + " takes a number of at least " + std::to_string(least) + ", not '" + v + "'";
        return false;
      }
      *out = static_cast<size_t>(n);
      return true;
    };
    watch::WatchSettings& s = o->settings;
    if (a == "--quiet-period") { if (!duration(&s.quietMillis, 0)) return false; }
    else if (a == "--poll-interval") { if (!duration(&s.pollMillis, 1000)) return false; }
    else if (a == "--rescan-interval") { if (!duration(&s.rescanMillis, 1000)) return false; }
    else if (a == "--max-pending") { if (!count(&s.maxPending, 1)) return false; }
    else if (a == "--max-watches") { if (!count(&s.maxWatches, 1)) return false; }
    else if (a == "--normal-priority") o->normalPriority = true;
    else if (!toolsupport::operand(a, &o->indexes, error)) return false;
  }
  return true;
}

// ---- lxr watch ----

// One index being watched, with what its status file says.
struct Watched {
  std::string name;    // as given
  std::string folder;
  watch::WatcherFile file;
  std::unique_ptr<watch::WatchJobs> jobs;
  std::unique_ptr<Watcher> watcher;
  WatcherState state;
  int64_t lastWriteMillis = 0;
};

void say(const Watched& w, const std::string& text) {
  progressline::clear();
  std::fprintf(stderr, "lxr watch: %s: %s\n", w.name.c_str(), text.c_str());
}

void publish(Watched& w) {
  const Watcher& watcher = *w.watcher;
  WatcherState& s = w.state;
  s.state = watch::stateName(watcher.state());
  s.watched = static_cast<int64_t>(watcher.watched());
  s.polled = static_cast<int64_t>(watcher.unwatched());
  s.pending = static_cast<int64_t>(watcher.pending());
  s.rescanDue = watcher.rescanPending();
  const watch::LastRun& last = watcher.lastRun();
  if (last.wallMillis > 0) s.lastUpdate = localTimeText(last.wallMillis) + " " + w.jobs->lastSummary();
  if (watcher.state() != watch::WatchState::kUpdating && watcher.state() != watch::WatchState::kRescanning)
    s.indexing.clear();
  s.failed.clear();
  for (const auto& [name, reason] : w.jobs->failed()) s.failed.push_back({name, reason});
  s.moreFailed = w.jobs->moreFailed();
  w.file.write(s);
  w.lastWriteMillis = steadyMillis();
}

// True when the status file's counts are no longer the watcher's (a folder made or deleted
// changes them without a change to index).
bool countsMoved(const Watched& w) {
  const Watcher& watcher = *w.watcher;
  return static_cast<int64_t>(watcher.pending()) != w.state.pending ||
         static_cast<int64_t>(watcher.watched()) != w.state.watched ||
         static_cast<int64_t>(watcher.unwatched()) != w.state.polled;
}

int stopSignals() { return platform::signalCount(Signal::Interrupt) + platform::signalCount(Signal::Terminate); }

int watchIndexes(const Options& o, const std::string& privateDir) {
  if (o.indexes.empty()) return kBadArguments;
  std::vector<std::unique_ptr<Watched>> all;
  for (const std::string& name : o.indexes) {
    auto w = std::make_unique<Watched>();
    w->name = name;
    w->folder = toolsupport::indexFolder(name);
    if (int rc = toolsupport::checkIndexFolder(w->folder); rc != exitcodes::kDone) return rc;
    bool twice = false;
    for (const auto& other : all) twice = twice || other->folder == w->folder;
    if (twice) continue;
    bool held = false;
    if (w->file.open(w->folder, &held) < 0) {
      WatcherState other;
      if (held && watch::WatcherFile::read(w->folder, &other) >= 0) {
        std::fprintf(stderr, "lxr watch: %s is watched already (process %d)\n", name.c_str(), other.processId);
        return exitcodes::kBusy;
      }
      std::fprintf(stderr, "lxr watch: %s/WATCHER.DAT cannot be written: %s\n", w->folder.c_str(),
                   platform::errorText(platform::lastError()).c_str());
      return exitcodes::kIoError;
    }
    all.push_back(std::move(w));
  }
  if (!o.normalPriority && platform::runAtIdlePriority() < 0)
    std::fprintf(stderr, "lxr watch: the priority could not be lowered: %s\n",
                 platform::errorText(platform::lastError()).c_str());
  for (Signal s : {Signal::Interrupt, Signal::Terminate, Signal::Pause, Signal::Resume}) platform::catchSignal(s);

  // A running job stops (keeping its documents) on a pause, or on a second request to end.
  int pausesAtJob = 0, stopsAtJob = 0;
  auto cancel = [&]() -> int32_t {
    return platform::signalCount(Signal::Pause) > pausesAtJob || stopSignals() > std::max(stopsAtJob, 1) ? -1 : 0;
  };
  std::string started = localTimeText(wallMillis());
  for (auto& wp : all) {
    Watched& w = *wp;
    w.state.processId = platform::processId();
    w.state.started = started;
    watch::JobHooks hooks;
    hooks.say = [&w](const std::string& line) { say(w, line); };
    hooks.cancel = cancel;
    hooks.indexing = [&w](const std::string& file) {
      w.state.indexing = file;
      if (file.empty() || steadyMillis() - w.lastWriteMillis >= kStatusEveryMillis) publish(w);
    };
    w.jobs = std::make_unique<watch::WatchJobs>(w.folder, privateDir, hooks);
    watch::WatchSettings settings = o.settings;
    settings.skipFolders.push_back(privateDir);
    w.watcher = std::make_unique<Watcher>(
        w.folder, settings, *w.jobs, [&w](const std::string& line) { say(w, line); },
        [&w, &pausesAtJob, &stopsAtJob] {
          if (w.watcher->state() == watch::WatchState::kUpdating || w.watcher->state() == watch::WatchState::kRescanning) {
            pausesAtJob = platform::signalCount(Signal::Pause);
            stopsAtJob = stopSignals();
          }
          publish(w);
        });
    if (w.watcher->start(steadyMillis()) < 0) return exitcodes::kUsage;
    say(w, "watching " + std::to_string(w.watcher->watched()) + " folders" +
               (w.watcher->unwatched() ? ", polling " + std::to_string(w.watcher->unwatched()) : ""));
  }

  int pauses = platform::signalCount(Signal::Pause), resumes = platform::signalCount(Signal::Resume);
  while (stopSignals() == 0) {
    int p = platform::signalCount(Signal::Pause), r = platform::signalCount(Signal::Resume);
    if (p != pauses || r != resumes) {
      bool paused = r == resumes;  // a resume that came with the pause wins
      pauses = p;
      resumes = r;
      for (auto& w : all) {
        w->watcher->pause(paused);
        say(*w, paused ? "paused (SIGUSR2 resumes)" : "resumed");
      }
    }
    int64_t now = steadyMillis();
    bool worked = false, anyAlive = false;
    for (auto& w : all) {
      w->watcher->takeEvents(now);
      if (stopSignals() == 0 && w->watcher->work(now)) worked = true;
      if (countsMoved(*w)) publish(*w);
      anyAlive = anyAlive || w->watcher->alive();
    }
    if (!anyAlive) return exitcodes::kIoError;
    if (worked) continue;
    int64_t due = watch::ChangeQueue::kNever;
    std::vector<platform::WatchSet> sets;
    for (auto& w : all) {
      due = std::min(due, w->watcher->dueMillis());
      sets.push_back(w->watcher->watchSet());
    }
    int64_t wait = due == watch::ChangeQueue::kNever ? kLongestWaitMillis : std::clamp<int64_t>(due - now, 0, kLongestWaitMillis);
    platform::waitForWatchEvents(sets, static_cast<int>(wait));
  }
  for (auto& w : all) {
    w->state.state = "stopped";
    w->state.indexing.clear();
    w->file.write(w->state);
    say(*w, "stopped");
  }
  return platform::signalCount(Signal::Interrupt) > 0 ? kInterrupted : exitcodes::kDone;
}

// ---- lxr status ----

void printFailures(const std::vector<WatcherState::Failure>& failed, int64_t more, const std::string& index) {
  if (failed.empty()) {
    std::printf("Failed:       none\n");
    return;
  }
  std::printf("Failed:       %lld document%s (lxr failed %s lists the last job's)\n",
              static_cast<long long>(failed.size() + static_cast<size_t>(more)), failed.size() + more == 1 ? "" : "s",
              index.c_str());
  for (const WatcherState::Failure& f : failed) std::printf("  %s\t%s\n", f.name.c_str(), f.reason.c_str());
  if (more > 0) std::printf("  and %lld more\n", static_cast<long long>(more));
}

int status(const Options& o) {
  if (o.indexes.size() != 1) return kBadArguments;
  const std::string& index = o.indexes[0];
  std::string folder = toolsupport::indexFolder(index);
  if (int rc = toolsupport::checkIndexFolder(folder); rc != exitcodes::kDone) return rc;
  lxrIndexInfo info;
  LXR_INIT_RECORD(info);
  int16_t result = 0;
  bool known = lxrsGetIndexInfo(folder.c_str(), &info, &result) == 0;
  std::printf("Index:        %s (%s)\n", known ? info.indexName : "?", folder.c_str());
  std::printf("Last update:  %s\n", known ? toolsupport::dateText(info.updated).c_str() : "?");
  jobreport::Report last = jobreport::fromIndex(folder);
  if (last.found)
    std::printf("Last job:     %d added, %d re-indexed, %d removed, %d failed to open\n", last.added, last.reindexed,
                last.removed, last.failed);
  std::string writer;
  if (failurekind::heldByWriter(folder, &writer))
    std::printf("Writer:       an update by %s is in progress\n", writer.empty() ? "another process" : writer.c_str());

  WatcherState w;
  int watcher = watch::WatcherFile::read(folder, &w);
  if (watcher == 1) {
    std::printf("Watcher:      process %d, %s, since %s\n", w.processId, w.state.c_str(), w.started.c_str());
    std::printf("Folders:      %lld watched, %lld polled\n", static_cast<long long>(w.watched),
                static_cast<long long>(w.polled));
    std::printf("Pending:      %lld change%s%s\n", static_cast<long long>(w.pending), w.pending == 1 ? "" : "s",
                w.rescanDue ? ", and a rescan" : "");
    if (!w.lastUpdate.empty()) std::printf("Watcher's last: %s\n", w.lastUpdate.c_str());
    if (!w.indexing.empty()) std::printf("Indexing:     %s\n", w.indexing.c_str());
    printFailures(w.failed, w.moreFailed, index);
    return exitcodes::kDone;
  }
  if (watcher == 0)
    std::printf("Watcher:      not running (process %d %s)\n", w.processId,
                w.state == "stopped" ? "stopped" : "ended without stopping; the next one rescans");
  else
    std::printf("Watcher:      not running\n");
  std::vector<WatcherState::Failure> failed;
  for (const jobreport::Problem& p : last.problems)
    if (p.reason != "not in the index") failed.push_back({p.name, p.reason});
  printFailures(failed, 0, index);
  return exitcodes::kDone;
}

}  // namespace

bool handles(const std::string& command) { return command == "watch" || command == "status"; }

bool leavesPrivateFolder(const std::string& command) { return command == "watch"; }

int run(const std::vector<std::string>& args, const std::string& privateDir) {
  Options o;
  std::string error;
  if (args.empty()) return kBadArguments;
  if (!parse(args, &o, &error)) {
    std::fprintf(stderr, "lxr %s: %s\n", args[0].c_str(), error.c_str());
    return kBadArguments;
  }
  if (args[0] == "watch") return watchIndexes(o, privateDir);
  if (args[0] == "status") return status(o);
  return kBadArguments;
}

}  // namespace watchcommands
