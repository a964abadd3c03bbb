// FileSelection: which files an index job takes. Folders are walked with all their
// subfolders; files named one by one are taken as they are; include patterns (any one must
// match the file name, none given: every file) and exclude patterns (none may match the file
// name; a folder whose name matches one is not entered) filter both. Symbolic links are
// followed, but a folder already walked is never entered again, so a link loop ends; only
// plain files are taken (no pipes or devices, which could block a read forever).
// Depends on platform/ and import/Wildcard.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "index/DocInfo.h"
#include "index/IndexJobRequest.h"

struct FileSet {
  std::vector<std::string> folders;   // absolute, walked with their subfolders
  std::vector<std::string> files;     // absolute
  std::vector<std::string> includes;  // file name patterns
  std::vector<std::string> excludes;

  bool empty() const { return folders.empty() && files.empty(); }
};

// Builds the file set of a job's file specification: its folder, the folders of its folder list
// file, the files of its files list file (blank lines skipped, relative names taken from
// the current folder) and its patterns (each string of the sets may hold several, separated
// by blanks, commas or semicolons). 0, or -1 with *error set when a list file cannot be read.
int fileSetOf(const FileSpec& record, FileSet* out, std::string* error);

// `name` made absolute from the current folder, trailing slashes removed.
std::string absolutePath(const std::string& name);

// Threads: one user at a time.
class FileSelection {
 public:
  // Called for each file taken; returns 0 to go on, -1 to stop the walk.
  using Visit = std::function<int(const FoundFile&)>;

  explicit FileSelection(FileSet fileSet) : fileSet_(std::move(fileSet)) {}

  // A folder (by device and inode) that is never entered, such as the index's own.
  void skipFolder(const std::string& folder);

  // Walks the file set in name order. `stop` is asked before each folder and file.
  // 0 when the walk ended, -1 when `visit` or `stop` ended it.
  int walk(const Visit& visit, const std::function<bool()>& stop);

  // True when `name` (without its folder) passes the include and exclude patterns.
  bool takes(const std::string& name) const;

  // Folders and files that could not be read, and the names of the first few.
  int unreadable() const { return unreadable_; }
  const std::vector<std::string>& unreadableNames() const { return unreadableNames_; }

 private:
  int walkFolder(const std::string& folder, const Visit& visit, const std::function<bool()>& stop);
  bool excludedFolder(const std::string& name) const;
  void noteUnreadable(const std::string& name);

  FileSet fileSet_;
  std::set<std::pair<uint64_t, uint64_t>> seen_;  // folders entered or skipped
  int unreadable_ = 0;
  std::vector<std::string> unreadableNames_;
};
