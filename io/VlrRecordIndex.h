// vlrRecordIndex: the companion file of a record file that maps record numbers to the file
// positions of their objects, so any record is reached without a scan. Layout in
// docs/formats/vlr-file.md. Depends on io/IOFile only; the record file drives it.
#pragma once

#include <cstdint>
#include <string>

#include "io/IOFile.h"

// Threads: one user at a time. Owns its file; the destructor closes it (a failed close is
// traced). Entry positions are not checked here: the record file checks what they point to.
class vlrRecordIndex {
 public:
  vlrRecordIndex() = default;
  ~vlrRecordIndex();
  vlrRecordIndex(const vlrRecordIndex&) = delete;
  vlrRecordIndex& operator=(const vlrRecordIndex&) = delete;

  // The index file's name for a record file: the letter I inserted before the dot of the
  // last path component's extension ("dir/INDEX_D.IX" -> "dir/INDEX_DI.IX"), or appended
  // when that component has no dot.
  static std::string nameFor(const std::string& recordFileName);

  // Opens the index with the mode bits of io/FileMode.h. An empty file opened with write and
  // create gets a fresh header (count 0) and `*created` is set true. Returns 0; -1 when the
  // open fails, or the file is not empty and does not start with the index magic (the file
  // is left untouched and nothing stays open).
  int open(const std::string& name, int mode, bool* created = nullptr);
  // The block buffer's size from the next open on (default 4096); opened for reading only,
  // the buffer may grow as vlrFile::setBlockBytes says.
  void setBlockBytes(int32_t bytes) { blockBytes_ = bytes > 0 ? bytes : 4096; }
  // When opened for writing, writes the entry count into the header; then closes. 0, or -1
  // when a write or the close failed (the index is closed either way). 0 when not open.
  int close();

  // The file position of record `num`'s object. 0, or -1 when `num` is negative or the file
  // holds no entry for it (`*objectPos` untouched).
  int getEntry(int32_t num, int32_t* objectPos);
  // Writes the entry of record `num` and raises the count to num + 1 if below. 0 or -1.
  // Requires: open for writing, num >= 0.
  int setEntry(int32_t num, int32_t objectPos);

  // The entries known to be valid: the header's count at open (cut to the entries the file
  // holds), raised by setEntry.
  int32_t entryCount() const { return entryCount_; }
  bool isOpen() const { return file_.isOpen(); }
  // Opened for reading only: reads entries from a map of the whole file (IOFile::mapWhole).
  int mapWhole() { return file_.mapWhole(); }
  bool isWritable() const { return writable_; }

 private:
  IOFile file_{4096};
  int32_t blockBytes_ = 4096;
  int32_t entryCount_ = 0;
  bool writable_ = false;
};
