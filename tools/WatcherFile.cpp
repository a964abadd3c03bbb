#include "tools/WatcherFile.h"

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "index/IndexFormat.h"
#include "io/File.h"
#include "io/FileMode.h"

namespace watch {

namespace {

constexpr const char* kTitle = "Lexaurum Watcher";
constexpr const char* kEnd = "End";
constexpr int kReadAttempts = 5;  // a reader may meet the file half rewritten

std::string nameIn(const std::string& folder) { return folder + "/" + indexformat::kWatcherName; }

// The line's value when it starts with `key` and ": ".
bool valueOf(const std::string& line, const char* key, std::string* value) {
  std::string head = std::string(key) + ": ";
  if (line.compare(0, head.size(), head) != 0) return false;
  *value = line.substr(head.size());
  return true;
}

int64_t number(const std::string& s) { return std::strtoll(s.c_str(), nullptr, 10); }

// Tabs and line ends in names would break the lines.
std::string oneLine(std::string s) {
  for (char& c : s)
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  return s;
}

}  // namespace

std::string formatState(const WatcherState& s) {
  std::ostringstream out;
  out << kTitle << "\n";
  out << "Process: " << s.processId << "\n";
  out << "State: " << s.state << "\n";
  out << "Started: " << s.started << "\n";
  out << "Watched folders: " << s.watched << "\n";
  out << "Polled folders: " << s.polled << "\n";
  out << "Pending changes: " << s.pending << "\n";
  out << "Rescan due: " << (s.rescanDue ? "yes" : "no") << "\n";
  out << "Last update: " << oneLine(s.lastUpdate) << "\n";
  out << "Indexing: " << oneLine(s.indexing) << "\n";
  for (const WatcherState::Failure& f : s.failed) out << "Failed: " << oneLine(f.name) << "\t" << oneLine(f.reason) << "\n";
  out << "More failed: " << s.moreFailed << "\n";
  out << kEnd << "\n";
  return out.str();
}

bool parseState(const std::string& text, WatcherState* out) {
  *out = WatcherState();
  std::istringstream in(text);
  std::string line, v;
  if (!std::getline(in, line) || line != kTitle) return false;
  while (std::getline(in, line)) {
    if (line == kEnd) return true;
    if (valueOf(line, "Process", &v)) out->processId = static_cast<int>(number(v));
    else if (valueOf(line, "State", &v)) out->state = v;
    else if (valueOf(line, "Started", &v)) out->started = v;
    else if (valueOf(line, "Watched folders", &v)) out->watched = number(v);
    else if (valueOf(line, "Polled folders", &v)) out->polled = number(v);
    else if (valueOf(line, "Pending changes", &v)) out->pending = number(v);
    else if (valueOf(line, "Rescan due", &v)) out->rescanDue = v == "yes";
    else if (valueOf(line, "Last update", &v)) out->lastUpdate = v;
    else if (valueOf(line, "Indexing", &v)) out->indexing = v;
    else if (valueOf(line, "More failed", &v)) out->moreFailed = number(v);
    else if (valueOf(line, "Failed", &v)) {
      size_t tab = v.find('\t');
      out->failed.push_back({v.substr(0, tab), tab == std::string::npos ? "" : v.substr(tab + 1)});
    }
  }
  return false;  // cut short: being rewritten
}

WatcherFile::WatcherFile() = default;
WatcherFile::~WatcherFile() { close(); }

int WatcherFile::open(const std::string& folder, bool* held) {
  *held = false;
  close();
  // A reader's probe holds the file for a moment (see read()); a refusal that lasts is a
  // watcher.
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    auto file = std::make_unique<File>();
    if (file->open(nameIn(folder).c_str(), filemode::kRead | filemode::kWrite | filemode::kCreate | filemode::kShareRead) == 0) {
      file_ = std::move(file);
      return 0;
    }
    *held = platform::lastError() == platform::kErrAccessDenied && platform::fileExists(nameIn(folder).c_str());
    if (!*held) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return -1;
}

int WatcherFile::write(const WatcherState& state) {
  if (!file_) return -1;
  std::string text = formatState(state);
  if (file_->seek(0) < 0 || file_->write(text.data(), static_cast<int32_t>(text.size())) < 0 ||
      file_->setLength(static_cast<int32_t>(text.size())) < 0)
    return -1;
  return 0;
}

void WatcherFile::close() {
  if (file_) file_->release();
  file_.reset();
}

int WatcherFile::read(const std::string& folder, WatcherState* out) {
  std::string name = nameIn(folder);
  if (!platform::fileExists(name.c_str())) return -1;
  // A watcher holds the file for writing without sharing writes: an open for writing is
  // refused exactly while one runs.
  bool running = false;
  {
    File probe;
    if (probe.open(name.c_str(), filemode::kRead | filemode::kWrite | filemode::kShareRead | filemode::kShareWrite) < 0)
      running = platform::lastError() == platform::kErrAccessDenied;
    else
      probe.release();
  }
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    File file;
    if (file.open(name.c_str(), filemode::kRead | filemode::kShareWrite) < 0) return -1;
    std::string text(static_cast<size_t>(file.getLength()), '\0');
    int32_t n = text.empty() ? 0 : file.read(text.data(), static_cast<int32_t>(text.size()));
    file.release();
    if (n >= 0 && parseState(text, out)) return running ? 1 : 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return -1;
}

}  // namespace watch
