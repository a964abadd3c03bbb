// The index log read back, streamed from the start of the last job: a first pass counts the
// files selected for indexing and notes the ones that failed or were skipped, a second pass
// finds which of those were new and which changed. Memory grows with the failures, not with
// the job: a first add of a million files logs some 240 MB.
#include "tools/JobReport.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string_view>
#include <vector>

namespace jobreport {

namespace {

constexpr const char* kJobStart = "Begin Indexing: index = ";
constexpr const char* kDocIndent = "     ";

bool startsWith(const std::string& s, const std::string& head) { return s.compare(0, head.size(), head) == 0; }
bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

constexpr const char* kAddedTail = " added to index (new file)";
constexpr const char* kReindexed = " reindexed because ";

// The file a selection line names and whether it is new; false for any other line.
bool selection(const std::string& raw, std::string* name, bool* isNew) {
  if (!startsWith(raw, kDocIndent)) return false;
  const std::string_view text = std::string_view(raw).substr(std::string_view(kDocIndent).size());
  const std::string_view added = kAddedTail;
  if (text.size() >= added.size() && text.substr(text.size() - added.size()) == added) {
    *name = text.substr(0, text.size() - added.size());
    *isNew = true;
    return true;
  }
  if (size_t at = text.find(kReindexed); at != std::string_view::npos) {
    *name = text.substr(0, at);
    *isNew = false;
    return true;
  }
  return false;
}

// Splits "NAME (REASON)" at the " (" that ends `nameBytes` bytes in, or when that is npos at
// the last " ("; the whole text is the name when it has no reason in brackets.
void splitNameReason(const std::string& text, size_t nameBytes, std::string* name, std::string* reason) {
  size_t at = nameBytes != std::string::npos ? nameBytes : text.rfind(" (");
  if (at == std::string::npos || !endsWith(text, ")")) {
    *name = text;
    reason->clear();
    return;
  }
  *name = text.substr(0, at);
  *reason = text.substr(at + 2, text.size() - at - 3);
}

// The lines of the last job, read from its first line each time they are asked for.
using JobLines = std::function<void(const std::function<void(const std::string&)>&)>;

class Reader {
 public:
  explicit Reader(JobLines lines) : lines_(std::move(lines)) {}

  Report read() {
    lines_([this](const std::string& raw) { line(raw); });
    if (unselected_.empty() && openFailures_.empty()) return r_;
    // Which of the files taken out were new and which changed, and where the name of a file
    // that could not be opened ends: the first " (" after which its reason starts that ends
    // a selected file's name. Only these files' names are kept.
    std::set<std::string> out = unselected_;
    std::map<std::string, std::vector<size_t>> prefixes;  // a name each failure may start with
    for (size_t i = 0; i < openFailures_.size(); ++i)
      for (size_t at = openFailures_[i].text.find(" ("); at != std::string::npos;
           at = openFailures_[i].text.find(" (", at + 1))
        prefixes[openFailures_[i].text.substr(0, at)].push_back(i);
    lines_([&](const std::string& raw) {
      std::string name;
      bool isNew = false;
      if (!selection(raw, &name, &isNew)) return;
      if (out.erase(name)) (isNew ? r_.added : r_.reindexed) -= 1;
      if (auto p = prefixes.find(name); p != prefixes.end())
        for (size_t i : p->second) {
          OpenFailure& f = openFailures_[i];
          if (f.nameBytes == std::string::npos || name.size() < f.nameBytes) {
            f.nameBytes = name.size();
            f.isNew = isNew;
          }
        }
    });
    for (const OpenFailure& f : openFailures_) {
      std::string name, reason;
      splitNameReason(f.text, f.nameBytes, &name, &reason);
      // A file taken out twice counts once.
      if (f.nameBytes != std::string::npos && !unselected_.count(name) && counted_.insert(name).second)
        (f.isNew ? r_.added : r_.reindexed) -= 1;
      r_.problems[f.problem] = {name, reason.empty() ? "could not be opened" : "could not be opened: " + reason};
    }
    return r_;
  }

 private:
  void line(const std::string& raw) {
    std::string selected;
    bool isNew = false;
    if (selection(raw, &selected, &isNew)) {
      (isNew ? r_.added : r_.reindexed) += 1;
      return;
    }
    if (!startsWith(raw, kDocIndent)) {
      top(raw);
      return;
    }
    std::string text = raw.substr(std::string(kDocIndent).size());
    if (endsWith(text, " removed from index (file deleted)") || endsWith(text, " removed from index (listed)") ||
               endsWith(text, " removed from index (no longer in its container)")) {
      ++r_.removed;
    } else if (endsWith(text, " is not in the index")) {
      ++r_.notInIndex;
      r_.problems.push_back({text.substr(0, text.size() - 20), "not in the index"});
    } else if (startsWith(text, "Location: ")) {
      location_ = text.substr(10);
    } else if (startsWith(text, "File open failed: ")) {
      // Where the name ends is told by the selected names, in the second pass.
      ++r_.failed;
      openFailures_.push_back({text.substr(18), r_.problems.size()});
      r_.problems.push_back({});
    } else if (text == "File is binary") {
      std::string name = location_ + "/" + current_;
      unselect(name);
      ++r_.binary;
      r_.problems.push_back({name, "skipped: binary"});
    } else if (text == "File holds no text") {
      unselect(location_ + "/" + current_);
      ++r_.noText;
    } else if (text == "File is encrypted") {
      std::string name = location_ + "/" + current_;
      unselect(name);
      ++r_.encrypted;
      r_.problems.push_back({name, "skipped: encrypted"});
    } else if (startsWith(text, "File could not be read: ")) {
      std::string name = location_ + "/" + current_;
      unselect(name);
      ++r_.unreadable;
      r_.problems.push_back({name, "could not be read: " + text.substr(24)});
    } else if (endsWith(text, " not indexed: it could not be read before and has not changed")) {
      ++r_.failedBefore;
    } else if (size_t at = text.find(" skipped: "); at != std::string::npos) {
      std::string name = text.substr(0, at), why = text.substr(at + 10);
      if (why == "encrypted") ++r_.encrypted;
      else ++r_.skipped;
      r_.problems.push_back({name, "skipped: " + why});
    } else if (endsWith(text, " could not be read")) {
      ++r_.failed;
      r_.problems.push_back({text.substr(0, text.size() - 18), "could not be read"});
    } else if (startsWith(text, "The file could not be read to its end: ")) {
      r_.problems.push_back({location_ + "/" + current_, "read only in part: " + text.substr(39)});
    }
  }

  void top(const std::string& text) {
    if (startsWith(text, "Indexing File: ")) current_ = text.substr(15);
    // A line with the cause wins over the closing line that only says the job ended.
    else if (startsWith(text, "The update could not be completed") || startsWith(text, "The index could not be"))
      r_.endNote = text;
    else if ((startsWith(text, "Index job aborted") || startsWith(text, "Index job failed")) && r_.endNote.empty())
      r_.endNote = text;
  }
  void unselect(const std::string& name) { unselected_.insert(name); }

  // "File open failed: NAME (REASON)": the text, its place among the problems, and what the
  // second pass learns of the name.
  struct OpenFailure {
    std::string text;
    size_t problem = 0;
    size_t nameBytes = std::string::npos;
    bool isNew = false;
  };

  JobLines lines_;
  Report r_;
  std::set<std::string> unselected_;  // files selected, then found unreadable or skipped
  std::vector<OpenFailure> openFailures_;
  std::set<std::string> counted_;  // files that could not be opened, taken out of the counts
  std::string current_, location_;
};

// Every line of `in`, without a closing carriage return.
void eachLine(std::istream& in, const std::function<void(const std::string&)>& each) {
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    each(line);
  }
}

// Where the last job's first line starts in the log file, or -1 when it holds no job. The
// file is searched backwards a block at a time.
int64_t lastJobStart(std::ifstream& in) {
  const std::string mark = std::string("\n") + kJobStart;
  in.seekg(0, std::ios::end);
  const int64_t size = in.tellg();
  if (size <= 0) return -1;
  constexpr int64_t kBlock = 1 << 16;
  std::string block;
  for (int64_t end = size; end > 0;) {
    const int64_t start = std::max<int64_t>(0, end - kBlock);
    // Overlap the block after it by the mark's length, so a mark across two blocks is seen.
    const int64_t stop = std::min<int64_t>(size, end + static_cast<int64_t>(mark.size()));
    block.resize(static_cast<size_t>(stop - start));
    in.clear();
    in.seekg(start);
    if (!in.read(block.data(), static_cast<std::streamsize>(block.size()))) return -1;
    if (size_t at = block.rfind(mark); at != std::string::npos) return start + static_cast<int64_t>(at) + 1;
    if (start == 0) return startsWith(block, kJobStart) ? 0 : -1;
    end = start;
  }
  return -1;
}

}  // namespace

Report fromLogText(const std::string& log) {
  size_t start = log.rfind(std::string("\n") + kJobStart);
  if (start != std::string::npos) ++start;
  else if (startsWith(log, kJobStart)) start = 0;
  else return Report();
  Reader reader([&](const std::function<void(const std::string&)>& each) {
    std::istringstream in(log.substr(start));
    eachLine(in, each);
  });
  Report r = reader.read();
  r.found = true;
  return r;
}

Report fromIndex(const std::string& folder) {
  const std::string name = folder + "/INDEXLOG.DAT";
  std::ifstream in(name, std::ios::binary);
  if (!in) return Report();
  const int64_t start = lastJobStart(in);
  if (start < 0) return Report();
  Reader reader([&](const std::function<void(const std::string&)>& each) {
    std::ifstream job(name, std::ios::binary);
    job.seekg(start);
    eachLine(job, each);
  });
  Report r = reader.read();
  r.found = true;
  return r;
}

std::string countsText(const Report& r, int64_t words, double seconds) {
  char time[32];
  std::snprintf(time, sizeof time, ", %.1f s", seconds);
  return std::to_string(r.added) + " added, " + std::to_string(r.reindexed) + " re-indexed, " +
         std::to_string(r.removed) + " removed, " + std::to_string(r.binary) + " binary skipped, " +
         std::to_string(r.encrypted) + " encrypted skipped, " + std::to_string(r.failed) + " failed to open, " +
         (r.unreadable > 0 ? std::to_string(r.unreadable) + " could not be read, " : std::string()) +
         (r.noText > 0 ? std::to_string(r.noText) + " without text skipped, " : std::string()) +
         (r.failedBefore > 0 ? std::to_string(r.failedBefore) + " failed before and unchanged, " : std::string()) +
         std::to_string(words) + " words" + time;
}

}  // namespace jobreport
