// LockFile: the small text file whose open handle marks an index or a private folder as in
// use. The sharing mode of that open keeps other writers out for as long as the object
// lives; the text inside only tells a person who holds it. Layout: docs/formats/lock-file.md.
// Depends on io/File.
#pragma once

#include <string>

#include "io/File.h"

// Threads: one user at a time.
class LockFile {
 public:
  // Opens `path` with `mode` (io/FileMode.h bits). When the open is for writing, the file is
  // emptied and filled with "Lexaurum Lock File\n", the user name ("No user specified" when
  // empty or null) and "\n". The text is not synced: the open handle is the lock, and the text
  // only tells a person who holds it (a sync cost every start of the engine a disk flush).
  // When the open fails, error() holds the system error and notFound() / accessDenied() tell
  // errors 2 and 5 apart; no file is held.
  LockFile(const char* userName, const char* path, int mode);
  // Releases the lock (the file stays).
  ~LockFile();
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;

  // True while the open handle is held.
  bool isLocked() const { return file_ != nullptr; }
  int error() const { return error_; }
  bool notFound() const { return notFound_; }
  bool accessDenied() const { return accessDenied_; }
  // True when the lock is held but its text could not be written (the lock still holds).
  bool textFailed() const { return textFailed_; }

  // True when the lock's name still leads to the file this lock holds open: nobody deleted
  // or replaced it after it was opened (a lock on a deleted file keeps no one out).
  bool holdsName() const;

  // Closes the file, leaving it in place for later readers. 0, or -1 when the close failed.
  int release();
  // Deletes the file and then closes it: while the name can still be opened, the lock is
  // held, so no other open can take the file that is going. 0, or -1 when the removal or the
  // close failed.
  int releaseAndDelete();

 private:
  File* file_ = nullptr;
  std::string path_;
  int error_ = 0;
  bool notFound_ = false;
  bool accessDenied_ = false;
  bool textFailed_ = false;
};
