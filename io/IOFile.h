// IOFile: a read-write block buffer joined to a File. Index, record and key files are read
// and written through it. Depends on io/File and io/IOBuffer.
#pragma once

#include <cstdint>

#include "io/File.h"
#include "io/FileLink.h"
#include "io/IOBuffer.h"
#include "objects/Status.h"

// Threads: one user at a time.
class IOFile : public IOBuffer {
 public:
  explicit IOFile(int32_t bufferBytes = kDefaultBufferBytes, char* external = nullptr)
      : IOBuffer(bufferBytes, external) {}
  // Closes the file if it is still attached; a failed close is traced.
  ~IOFile() override;

  // Opens `name` with the mode bits of io/FileMode.h through a File of its own, takes a
  // reference on it, and positions at 0. 0, or -1 when a file is already attached or the
  // open fails (platform::lastError() says why; nothing is left attached).
  int open(const char* name, int mode);
  // Joins an already open File, taking a reference on it; the caller keeps ownership of the
  // File object. -1 (traced as an ERROR) for a null File or when one is attached.
  int attach(File* file);
  // Writes a dirty block back, releases the File and deletes it when this IOFile opened it
  // and no other reference keeps it open. 0 when nothing is attached. -1 when the last
  // write or the close failed; the IOFile is detached either way.
  // Requires: IOFiles attached to a File this one opened are closed before this one.
  int close();
  // Writes a dirty block back and commits the File, so everything written so far is on the
  // disk. 0, or -1 (traced as an ERROR).
  int save();
  // Cuts the file at n (n <= length) after writing back a dirty block; the position moves to
  // n. 0 or -1.
  int setLength(int32_t n);

  // Writes the first n bytes of the buffer at `position` of the file. On failure it traces
  // "writeBlock failed!" and records the failure in status(): message 56 (disk full) with
  // the file name when the disk holding the file has less than 16,384 bytes free. 0 or -1.
  int writeBlock(int32_t position, int32_t n) override;
  // The last failed write (ok when none has failed since the file was opened).
  const Status& status() const { return status_; }

  // For a file this IOFile opened for reading only: maps the whole file into memory and
  // serves every read from the map until close(), with no system call and no copy into a
  // block; the length is the file's at this call. Meant for the index files a search reads
  // (nothing cuts them while readers are in: a writer only appends, and puts back only what
  // its own update appended). 0, or -1 when the file is writable, empty, already mapped or
  // cannot be mapped (reads then go on through the block buffer).
  int mapWhole();

  // The attached File (null when none); valid until close().
  File* file() const { return link_.get(); }
  bool isOpen() const { return link_.get() != nullptr; }

 protected:
  int32_t readBlock(int32_t position, char* into, int32_t n) override;
  const char* bufferName() const override;

 private:
  void unmap();

  FileLink link_;
  Status status_;
  char* map_ = nullptr;
  int32_t mapBytes_ = 0;
};
