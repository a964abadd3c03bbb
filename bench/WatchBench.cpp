// WatchBench: how current lxr watch keeps a large index. On an index of CORPUS it measures
//   - the cost of an update against the size of the change: the engine's index job given a
//     list of 1, 10, 100 and 1000 changed files (in this process, no watcher);
//   - change-to-searchable latency with the watcher running: a line appended to one file, and
//     a burst of 1000 new files (and their deletion), from the last write until the update
//     that takes them in is committed (the watcher publishes it in WATCHER.DAT; a search then
//     confirms it);
//   - the watcher's CPU time and memory while idle.
// Medians and 95th percentiles; the load average is printed beside them, as the machine may
// be shared. Usage: WatchBench LXR INDEX CORPUS [--trials N] [--idle SECONDS] [--normal-priority]
// (INDEX must be an index of CORPUS made with `lxr add INDEX CORPUS`; files of CORPUS get a
// line appended and cut off again, and a folder lxr-watch-bench/ is made in it and removed).
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "lexaurum/lexaurum.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double millisSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

std::string readAll(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string lineOf(const std::string& text, const std::string& key) {
  size_t at = text.find("\n" + key + ": ");
  if (at == std::string::npos) return "";
  at += key.size() + 3;
  return text.substr(at, text.find('\n', at) - at);
}

// "VmRSS:\t  11792 kB" of /proc/PID/status as "11792 kB".
std::string statusValue(const std::string& text, const std::string& key) {
  size_t at = text.find(key + ":");
  if (at == std::string::npos) return "?";
  at = text.find_first_not_of(" \t", at + key.size() + 1);
  return text.substr(at, text.find('\n', at) - at);
}

std::string loadAverage() {
  std::string l = readAll("/proc/loadavg");
  return l.substr(0, l.find(' ', l.find(' ', l.find(' ') + 1) + 1));
}

void summary(const char* what, std::vector<double> v, const char* unit) {
  if (v.empty()) return;
  std::sort(v.begin(), v.end());
  double median = v[v.size() / 2];
  double p95 = v[std::min(v.size() - 1, static_cast<size_t>(0.95 * static_cast<double>(v.size())))];
  std::printf("%-44s %9.1f %9.1f %9.1f %s  (n=%zu, load %s)\n", what, median, p95, v.back(), unit, v.size(),
              loadAverage().c_str());
}

int run(const std::vector<std::string>& args) {
  pid_t child = fork();
  if (child == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// ---- The cost of an update against the size of the change (no watcher) ----

void updateCost(const std::string& home, const std::string& index, const std::vector<std::string>& files,
                const std::string& work) {
  lxrInitInfo info;
  LXR_INIT_RECORD(info);
  std::snprintf(info.privateDir, sizeof info.privateDir, "%s/engine", work.c_str());
  std::snprintf(info.homeDir, sizeof info.homeDir, "%s", home.c_str());
  int16_t result = 0;
  if (lxrsDoInit(&info, &result) < 0) {
    std::printf("the engine did not start\n");
    return;
  }
  std::printf("%-44s %9s %9s %9s\n", "update of N changed files (one job)", "median", "p95", "max");
  long stamp = std::time(nullptr) - 100000;
  // The first job after the start also loads what the engine keeps: it is run and not
  // counted. (An empty list is no job of nothing: a job that names no files repeats the
  // folders kept with the index, as `lxr update` does.)
  bool warm = false;
  for (size_t n : {1, 1, 10, 100, 1000}) {
    std::vector<double> times;
    for (int round = 0; round < 5; ++round) {
      std::string list = work + "/changed.txt";
      std::ofstream out(list);
      for (size_t i = 0; i < n; ++i) {
        const std::string& f = files[(i * 7919 + static_cast<size_t>(round) * 104729) % files.size()];
        struct utimbuf t{stamp, stamp};
        utime(f.c_str(), &t);  // a new date: the job takes the file in again
        out << f << "\n";
      }
      stamp += 2;
      out.close();
      lxrIndexJob job;
      LXR_INIT_RECORD(job);
      std::snprintf(job.indexPath, sizeof job.indexPath, "%s", index.c_str());
      job.add = 1;
      std::snprintf(job.toAdd.filesListName, sizeof job.toAdd.filesListName, "%s", list.c_str());
      auto start = Clock::now();
      lxrsDoIndexJob(&job, &result);
      times.push_back(millisSince(start));
    }
    std::string what = "  N = " + std::to_string(n);
    if (warm) summary(what.c_str(), times, "ms");
    warm = true;
  }
  lxrsDoShutDown(&result);
}

// ---- With the watcher ----

class Watcher {
 public:
  Watcher(const std::string& lxr, const std::string& priv, const std::string& index, bool normal) : index_(index) {
    std::vector<std::string> args{lxr, "--dir", priv, "watch", index};
    if (normal) args.push_back("--normal-priority");
    pid_ = fork();
    if (pid_ == 0) {
      std::string log = priv + "/watch.log";
      std::FILE* f = std::freopen(log.c_str(), "a", stderr);
      (void)f;
      std::vector<char*> argv;
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
  }
  ~Watcher() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  std::string state() const { return readAll(index_ + "/WATCHER.DAT"); }
  // Waits until an update or rescan published after `before` is in and nothing is pending.
  bool caughtUp(const std::string& before, double seconds) const {
    auto start = Clock::now();
    while (millisSince(start) < seconds * 1000) {
      std::string s = state();
      if (lineOf(s, "State") == "watching" && lineOf(s, "Pending changes") == "0" && lineOf(s, "Last update") != before)
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }
  std::string lastUpdate() const { return lineOf(state(), "Last update"); }
  pid_t pid() const { return pid_; }

 private:
  std::string index_;
  pid_t pid_;
};

double cpuSeconds(pid_t pid) {
  std::string stat = readAll("/proc/" + std::to_string(pid) + "/stat");
  std::istringstream in(stat.substr(stat.rfind(')') + 2));
  std::string field;
  long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && in >> field; ++i) {
    if (i == 14) utime = std::atoll(field.c_str());
    if (i == 15) stime = std::atoll(field.c_str());
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: WatchBench LXR INDEX CORPUS [--trials N] [--idle SECONDS] [--normal-priority]\n");
    return 2;
  }
  std::string lxr = fs::absolute(argv[1]).string(), index = fs::absolute(argv[2]).string(),
              corpus = fs::absolute(argv[3]).string();
  int trials = 20, idle = 60;
  bool normal = false;
  for (int i = 4; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--trials" && i + 1 < argc) trials = std::atoi(argv[++i]);
    else if (a == "--idle" && i + 1 < argc) idle = std::atoi(argv[++i]);
    else if (a == "--normal-priority") normal = true;
  }
  std::string work = fs::temp_directory_path().string() + "/lxr-watch-bench-" + std::to_string(getpid());
  fs::create_directories(work + "/engine");
  std::vector<std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(corpus))
    if (e.is_regular_file()) files.push_back(e.path().string());
  std::sort(files.begin(), files.end());
  std::printf("corpus %s: %zu files; watcher at %s priority\n\n", corpus.c_str(), files.size(), normal ? "normal" : "idle");

  updateCost(fs::path(lxr).parent_path().string(), index, files, work);

  std::string priv = work + "/priv";
  fs::create_directories(priv);
  Watcher watcher(lxr, priv, index, normal);
  if (!watcher.caughtUp("", 600)) {
    std::printf("the watcher did not start (see %s/watch.log)\n", priv.c_str());
    return 1;
  }
  std::printf("\n%-44s %9s %9s %9s\n", "change to searchable (quiet period 2 s)", "median", "p95", "max");
  std::vector<double> single;
  std::vector<std::pair<std::string, uintmax_t>> touched;
  for (int t = 0; t < trials; ++t) {
    const std::string& f = files[(static_cast<size_t>(t) * 2654435761u) % files.size()];
    touched.push_back({f, fs::file_size(f)});
    std::string word = "wbzq" + std::to_string(t) + "x";
    std::string before = watcher.lastUpdate();
    { std::ofstream out(f, std::ios::app); out << "\n" << word << "\n"; }
    auto written = Clock::now();
    if (!watcher.caughtUp(before, 60)) break;
    single.push_back(millisSince(written));
    if (run({lxr, "--dir", priv, "search", word, index}) != 0) std::printf("  %s: not found\n", word.c_str());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  summary("  one file, a line appended", single, "ms");

  std::vector<double> burst, removal;
  for (int t = 0; t < 3; ++t) {
    std::string folder = corpus + "/lxr-watch-bench/burst" + std::to_string(t);
    std::string before = watcher.lastUpdate();
    fs::create_directories(folder);
    for (int i = 0; i < 1000; ++i) {
      std::ofstream out(folder + "/f" + std::to_string(i) + ".txt");
      out << "wbburst" << t << " file " << i << " of a burst of new files\n";
    }
    auto written = Clock::now();
    if (!watcher.caughtUp(before, 120)) break;
    burst.push_back(millisSince(written));
    before = watcher.lastUpdate();
    fs::remove_all(folder);
    written = Clock::now();
    if (!watcher.caughtUp(before, 120)) break;
    removal.push_back(millisSince(written));
  }
  summary("  1000 new files, from the last write", burst, "ms");
  summary("  1000 files deleted (rm -r of their folder)", removal, "ms");
  fs::remove_all(corpus + "/lxr-watch-bench");

  std::string before = watcher.lastUpdate();
  watcher.caughtUp(before, 10);
  double cpu0 = cpuSeconds(watcher.pid());
  std::this_thread::sleep_for(std::chrono::seconds(idle));
  double cpu = cpuSeconds(watcher.pid()) - cpu0;
  std::string status = readAll("/proc/" + std::to_string(watcher.pid()) + "/status");
  std::string state = watcher.state();
  std::printf("\nidle for %d s: %.3f s of CPU (%.4f %%); resident %s, peak %s; %s folders watched\n", idle, cpu,
              100.0 * cpu / idle, statusValue(status, "VmRSS").c_str(), statusValue(status, "VmHWM").c_str(),
              lineOf(state, "Watched folders").c_str());

  // The appended lines come off again (the next watcher's start rescan takes that in).
  for (auto it = touched.rbegin(); it != touched.rend(); ++it) fs::resize_file(it->first, it->second);
  fs::remove_all(work);
  return 0;
}
