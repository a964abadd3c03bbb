// The File that a buffered file (IOFile, InputFile) reads and writes through, and whether
// the buffered file opened it itself (and so deletes it) or was attached to a caller's File.
#pragma once

#include "io/File.h"

class FileLink {
 public:
  // Opens a File of its own and takes a reference. 0, or -1 when a File is linked already or
  // the open fails (platform::lastError() says why; nothing is linked).
  int open(const char* name, int mode);
  // Links a caller's File, taking a reference. -1, traced as "ERROR <owner>::attach --
  // attaching NULL" or "... -- already have a file", for a null File or when one is linked.
  int attach(File* file, const char* owner);
  // Drops the reference and deletes an own File that is no longer open. The result of
  // File::release(); 0 when nothing is linked. Nothing is linked afterwards.
  int release();

  File* get() const { return file_; }

 private:
  File* file_ = nullptr;
  bool owns_ = false;
};
