// File: one open operating-system file under the engine's buffered files and lock files.
// It is reference-counted, can be closed for a while (suspended) and reopened transparently,
// and registers itself in a process-wide list so that every file can be suspended before
// another program is started. Sizes and positions are signed 32-bit; larger files are
// refused. Depends on platform/ and objects/ only.
#pragma once

#include <cstdint>
#include <string>

#include "objects/DosDateTime.h"
#include "platform/Platform.h"

// Threads: a File belongs to one user at a time; the registry and its counters are
// process-wide and locked, so Files may be made, opened and closed on several threads.
// suspendAll suspends the files of every thread: it is for a moment when no other thread
// uses its files (before another program is started).
class File {
 public:
  File();
  // Closes the handle if it is still open (restoring the last-access time of a reading
  // open); a failed close is traced.
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens `name` with the mode bits of io/FileMode.h, reads its length and times, and sets
  // the open count to 0 (callers that share the File take references with addRef). With
  // truncate and write the file is emptied; with kFresh it is made anew. An open for writing
  // never follows a symbolic link at the name. Returns 0, or -1 with platform::lastError():
  // 2 missing, 3 no such folder, 5 refused by another open's sharing or read-only,
  // kErrFileTooLarge when the file is 2 GiB or longer, kErrLinkRefused for a link at the
  // name. -1 also when this File is open.
  int open(const char* name, int mode);

  // Reads up to n bytes at the position: min(n, length - position) bytes are read and the
  // rest of the request is zero-filled. The position advances by n. Returns the count read,
  // or -1 (buffer zero-filled, position unchanged) at or past the end, on a file not open for
  // reading, or when the system read fails.
  int32_t read(void* buffer, int32_t n);
  // Writes n bytes at the position, advances it by n and raises the length to cover them.
  // Returns n, or -1 when not open for writing, when the file would pass 2 GiB - 1, or when
  // the system write fails (traced; position unchanged, length re-read from the disk).
  int32_t write(const void* buffer, int32_t n);
  // Moves to an absolute position; -1 (traced) for a negative position.
  int seek(int32_t position);
  int32_t tell() const { return position_; }
  // Cuts the file at n and moves there. -1 unless open for writing and 0 <= n <= length.
  int setLength(int32_t n);
  // Sets the file's last-write time (and the creation time kept here; the disk keeps no
  // settable creation time). 0, or -1 traced with the system error.
  int setTime(dosdate::DosDateTime date);

  int32_t getLength() const { return length_; }
  const std::string& getName() const { return name_; }
  // True from a successful open until the last release or close, also while suspended.
  bool isOpen() const { return opened_; }
  bool isSuspended() const { return (state_ & kSuspended) != 0; }
  bool isWritable() const { return (state_ & kWrite) != 0; }

  // Times read at open (and at each resume), as DOS date/time; the raw last-access time is
  // the one the file had when it was first opened, and is put back when a reading open closes.
  dosdate::DosDateTime creationTime() const { return creationTime_; }
  dosdate::DosDateTime lastWriteTime() const { return lastWriteTime_; }
  const platform::FileTime& lastAccessTime() const { return lastAccess_; }

  // The whole file, for a File open for reading only and not empty, mapped into memory as a
  // private copy (platform::mapFile); its length is getLength() at the call. The caller owns
  // the map (platform::unmapFile) and it outlives the File. Null when not possible.
  char* mapWhole();

  // The device and inode of the open file (resumed first when suspended). 0 or -1.
  int identity(uint64_t* device, uint64_t* inode);

  // Takes one more reference.
  void addRef() { ++openCount_; }
  // Drops one reference and closes the file when fewer than one remain. 0, or -1 when the
  // close failed (traced; the File counts as closed anyway).
  int release();

  // Closes the handle, keeping name, mode, position and length. -1 when not open or already
  // suspended. Every operation that needs the handle resumes the file first.
  int suspend();
  // Reopens a suspended file with its mode (never truncating again) and re-reads its length
  // and times. -1 when not suspended or the reopen fails (the file stays suspended).
  int resume();
  // Puts everything written so far on the disk without giving up the handle, so the sharing
  // that the open holds is never lost; a later resume will not truncate. 0 or -1.
  int commit();

  // Suspends every open file of the process; returns how many were suspended.
  static int suspendAll();
  // The diagnostic listing: each registered file's name in double quotes, " [Closed]" after
  // one without a handle, one per line, then "\nOpens: " and "\nCloses: " with the counts of
  // system opens and closes made by File.
  static std::string listing();
  // Writes the listing to the trace.
  static void traceListing();
  static int registeredCount();

 private:
  enum StateBit : uint32_t {
    kRead = 1u << 0,
    kWrite = 1u << 1,
    kCreate = 1u << 2,
    kTruncate = 1u << 3,
    kShareRead = 1u << 4,
    kShareWrite = 1u << 5,
    kSuspended = 1u << 6,
    kFresh = 1u << 7,
  };

  // The system open; `times` receives the length and times it read.
  int osOpen(platform::FileTimes* times);
  int osClose();
  int takeLengthAndTimes(const platform::FileTimes& times, bool firstOpen);
  int ensureHandle();
  void restoreAccessTime();

  platform::FileHandle handle_ = platform::kInvalidHandle;
  uint32_t state_ = 0;
  bool opened_ = false;
  int32_t openCount_ = 0;
  int32_t position_ = 0;
  int32_t length_ = 0;
  std::string name_;
  dosdate::DosDateTime creationTime_ = 0;
  dosdate::DosDateTime lastWriteTime_ = 0;
  platform::FileTime lastAccess_;
  bool accessTimeKept_ = false;  // the system leaves the access time alone: nothing to put back
};
