// SavedResultsList: the search results files (SRCH*.DAT) or search reports (RPT*.DAT) kept
// in the work folder, one line each with the request, the number of documents and the date
// and time of the search, for the user to reopen an earlier search. Depends on
// search/ResultsFile and platform/.
#pragma once

#include <string>
#include <vector>

// Threads: a plain value.
class SavedResultsList {
 public:
  static constexpr int kResultsKind = 100;

  // Reads the headers of the files of `kind` in `folder` (kResultsKind: "SRCH*.DAT", any
  // other: "RPT*.DAT"); files whose header cannot be read are left out. Ordered by name.
  SavedResultsList(const std::string& folder, int kind);

  int count() const { return static_cast<int>(entries_.size()); }
  // Line `i` as shown under the column heading: "%-39.39s %6ld %8s %11s" (the request in
  // double quotes, at most 37 characters of it); with `tabs`, "%s\t%ld\t%8s\t%11s".
  std::string line(int i, bool tabs = false) const;
  const std::string& fileName(int i) const { return entries_[static_cast<size_t>(i)].file; }
  static std::string heading();

 private:
  struct Entry {
    std::string file;
    std::string request;
    long documents;
    long time;
  };
  std::vector<Entry> entries_;
};
