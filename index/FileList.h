// FileList: a temporary list of found files kept on disk while an index job runs (the files
// selected by the walk, then the files to index), so that a job over a very large folder
// needs no memory per file. Records are length-prefixed, so any file name (even one holding
// a line feed) comes back as it went in. Depends on index/DocInfo (FoundFile) and the C library.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "index/DocInfo.h"

// Threads: one user at a time. The file is removed when the list is destroyed.
class FileList {
 public:
  FileList() = default;
  ~FileList();
  FileList(const FileList&) = delete;
  FileList& operator=(const FileList&) = delete;

  // Creates (emptying) the list file `name`. 0, or -1 when it cannot be created.
  int create(const std::string& name);
  // Appends one file. 0, or -1 when the write failed (the list is then unusable).
  int append(const FoundFile& file);
  // Ends writing and starts reading from the first record. 0 or -1.
  int rewind();
  // The next record: 1, 0 at the end, -1 when the file is damaged or unreadable.
  int next(FoundFile* file);
  // Closes and removes the file.
  void remove();

  int64_t count() const { return count_; }
  const std::string& name() const { return name_; }

 private:
  std::FILE* file_ = nullptr;
  std::string name_;
  int64_t count_ = 0;
  bool failed_ = false;
};
