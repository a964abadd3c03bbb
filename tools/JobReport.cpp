// The index log read back: one pass over the last job's lines, keeping the names of the files
// selected for indexing so that failures and skips are counted against them.
#include "tools/JobReport.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace jobreport {

namespace {

constexpr const char* kJobStart = "Begin Indexing: index = ";
constexpr const char* kDocIndent = "     ";

bool startsWith(const std::string& s, const std::string& head) { return s.compare(0, head.size(), head) == 0; }
bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

enum class Kind { kNew, kChanged };

// Splits "NAME (REASON)" where NAME is one of `known` when that can be told; else at the
// last " (".
void splitNameReason(const std::string& text, const std::map<std::string, Kind>& known, std::string* name,
                     std::string* reason) {
  size_t at = text.find(" (");
  while (at != std::string::npos && !known.count(text.substr(0, at))) at = text.find(" (", at + 1);
  if (at == std::string::npos) at = text.rfind(" (");
  if (at == std::string::npos || !endsWith(text, ")")) {
    *name = text;
    reason->clear();
    return;
  }
  *name = text.substr(0, at);
  *reason = text.substr(at + 2, text.size() - at - 3);
}

class Reader {
 public:
  void line(const std::string& raw) {
    if (!startsWith(raw, kDocIndent)) {
      top(raw);
      return;
    }
    std::string text = raw.substr(std::string(kDocIndent).size());
    if (endsWith(text, " added to index (new file)")) {
      selected_[text.substr(0, text.size() - 26)] = Kind::kNew;
    } else if (size_t at = text.find(" reindexed because "); at != std::string::npos) {
      selected_[text.substr(0, at)] = Kind::kChanged;
    } else if (endsWith(text, " removed from index (file deleted)") || endsWith(text, " removed from index (listed)") ||
               endsWith(text, " removed from index (no longer in its container)")) {
      ++r_.removed;
    } else if (endsWith(text, " is not in the index")) {
      ++r_.notInIndex;
      r_.problems.push_back({text.substr(0, text.size() - 20), "not in the index"});
    } else if (startsWith(text, "Location: ")) {
      location_ = text.substr(10);
    } else if (startsWith(text, "File open failed: ")) {
      std::string name, reason;
      splitNameReason(text.substr(18), selected_, &name, &reason);
      unselect(name);
      ++r_.failed;
      r_.problems.push_back({name, reason.empty() ? "could not be opened" : "could not be opened: " + reason});
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

  Report finish() {
    for (const auto& [name, kind] : selected_) (kind == Kind::kNew ? r_.added : r_.reindexed) += 1;
    return r_;
  }

 private:
  void top(const std::string& text) {
    if (startsWith(text, "Indexing File: ")) current_ = text.substr(15);
    // A line with the cause wins over the closing line that only says the job ended.
    else if (startsWith(text, "The update could not be completed") || startsWith(text, "The index could not be"))
      r_.endNote = text;
    else if ((startsWith(text, "Index job aborted") || startsWith(text, "Index job failed")) && r_.endNote.empty())
      r_.endNote = text;
  }
  void unselect(const std::string& name) { selected_.erase(name); }

  Report r_;
  std::map<std::string, Kind> selected_;
  std::string current_, location_;
};

}  // namespace

Report fromLogText(const std::string& log) {
  size_t start = log.rfind(std::string("\n") + kJobStart);
  if (start != std::string::npos) ++start;
  else if (startsWith(log, kJobStart)) start = 0;
  else return Report();
  Reader reader;
  std::istringstream in(log.substr(start));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    reader.line(line);
  }
  Report r = reader.finish();
  r.found = true;
  return r;
}

Report fromIndex(const std::string& folder) {
  std::ifstream in(folder + "/INDEXLOG.DAT", std::ios::binary);
  if (!in) return Report();
  std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return fromLogText(log);
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
