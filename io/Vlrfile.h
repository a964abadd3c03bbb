// vlrFile: a file of numbered records, each of up to 128 variable-length fields, plus named
// binary objects, with an optional record index for direct access. The index database keeps
// its document table in one and saved result lists live in one. Layout:
// docs/formats/vlr-file.md. Depends on io/IOFile, io/VlrRecordIndex and objects/ only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "io/FileMode.h"
#include "io/IOFile.h"
#include "io/VlrFormat.h"
#include "io/VlrRecordIndex.h"

// One field definition as stored in the header and as passed to defineFields: the type
// letter (0 ends a list), three zero bytes, the name zero-padded to 28 bytes.
struct vlrFieldDef {
  char type = 0;
  char zero[3] = {0, 0, 0};
  char name[vlrformat::kFieldNameBytes] = {};
};
static_assert(sizeof(vlrFieldDef) == vlrformat::kFieldDefBytes);

// The record workspace: the current record as field lengths, start offsets and data.
struct vlrRecord {
  int32_t fieldCount = 0;
  int32_t dataLen = 0;
  char data[vlrMaxRecordLen];
  int32_t start[vlrMaxFields];
  int32_t len[vlrMaxFields];

  // The record's stored size: its payload bytes (2 x (fieldCount + 2) + dataLen) plus one.
  int32_t getSize() const;
};

// What objectAt found at a position.
struct vlrObjectInfo {
  uint8_t type = 0;       // 'R' record, 'O' named object, anything else is skipped
  int32_t size = 0;       // the size field
  int32_t dataPos = 0;    // first payload byte
  int32_t nextPos = 0;    // where the next object starts
};

// Threads: one user at a time. A vlrFile owns its record file and record index and closes
// both in its destructor (a failed close is traced). Copy and assignment are deleted.
//
// Damage: every size, count, length and index entry read from the files is checked before
// use. A damaged file makes the operation return -1 with a trace line, or, for the framing
// checks the error log names, a failed consistency check of io/Vlrfile; never a read outside
// the file or the workspace.
class vlrFile {
 public:
  vlrFile();
  ~vlrFile();
  vlrFile(const vlrFile&) = delete;
  vlrFile& operator=(const vlrFile&) = delete;

  // Opens the record file with the mode bits of io/FileMode.h and reads its header; with
  // `withIndex` also opens the record index (vlrRecordIndex::nameFor) with the same mode.
  // An empty file opened with write and create gets a fresh header with no fields. When an
  // index opened for writing holds fewer entries than the file has records, the missing
  // entries are filled in by a scan. 0, or -1 when the file cannot be opened, is not empty
  // and has no valid header (it is never overwritten), or the index cannot be opened;
  // nothing stays open after -1.
  int open(const char* name, int mode, bool withIndex = false);
  // Opens `name` emptied (read, write, create, truncate unless `mode` says otherwise) and
  // defines the fields of `fieldList` (see defineFields). 0 or -1 (the file is closed).
  int create(const char* name, const vlrFieldDef* fieldList, bool withIndex = false,
             int mode = kCreateMode);
  // Closes an unfinished named object (endObject), closes the index (writing its count) and
  // rewrites the header when open for writing, then closes the file. 0, or -1 when any step
  // failed (everything is closed either way). 0 when not open.
  int close();
  bool isOpen() const { return file_.isOpen(); }
  // The size of the record file's block buffer (default 4096) from the next open on. With
  // a size above the default, a file opened for reading only also lets its buffer grow to
  // 1 MB while records are read in file order (io/IOBuffer.h), so walking a large table takes
  // a few reads; the default keeps the small fixed block that scattered reads need. The
  // record index reads the same way.
  void setBlockBytes(int32_t bytes) {
    blockBytes_ = bytes > 0 ? bytes : 4096;
    index_.setBlockBytes(blockBytes_);
  }
  static constexpr int32_t kReadGrowthLimit = 1 << 20;
  static constexpr int32_t kDefaultBlockBytes = 4096;
  // Opened for reading only and at most `maxBytes` long, the record file is read whole into
  // its buffer at the next access, so reads in any order cost no more calls. 0, or -1 when
  // the file is open for writing, longer, or not open (nothing changes then).
  int holdWhole(int32_t maxBytes);

  // Opened for reading only: reads records (and the record index) from maps of the whole
  // files instead of through block buffers (IOFile::mapWhole), so that reading records in any
  // order costs no system call. 0, or -1 when the record file could not be mapped (it is then
  // read as before).
  int mapWhole();

  // Adds the definitions of `list` in order, up to the one whose type byte is 0: the type
  // is stored upper-cased, the name cut to 28 bytes. The header is written at once. 0, or -1
  // when the file holds any object (its header can no longer grow), is not writable, or the
  // definitions would pass 128 (failed check "i < vlrMaxFields"); on -1 the definitions are
  // unchanged.
  int defineFields(const vlrFieldDef* list);
  // The index of the definition named exactly `name`, or -1.
  int findField(const char* name) const;
  int32_t getFieldCount() const { return fieldCount_; }
  // Definition `i`, or null when out of range. Valid until the next defineFields or close.
  const vlrFieldDef* getField(int32_t i) const;

  int32_t getRecordCount() const { return recordCount_; }
  // Puts the records in a new order without moving them: record k becomes the record that was
  // number order[k] (`order` a permutation of every record number). The record index is
  // written afresh beside the file and renamed over the old one. The file must be open for
  // reading only, with its index complete; it is closed by the call. 0, or -1 (the old index
  // stays; the file is closed).
  int reorder(const std::vector<int32_t>& order);
  // Where the first object starts: the end of the header.
  int32_t getFirstRecordPos() const { return firstRecordPos_; }

  // The title: at most 32 bytes of `text` are kept (zero-padded). Written at close.
  void setTitle(const char* text);
  std::string getTitle() const;
  // Copy at most 1024 bytes into or out of the user header; the count copied. A short put
  // leaves the rest of the user header as it was. Written at close.
  int32_t putHeaderData(const void* bytes, int32_t n);
  int32_t getHeaderData(void* bytes, int32_t n) const;

  // ---- The record workspace (the current record) ----
  // Empties the workspace: no fields.
  void clear();
  // Sets field `field` (0..127) to the bytes given, appending empty fields up to it first.
  // A zero-length put leaves the workspace unchanged. 0, or -1 for a bad field number or
  // when the data would reach 8192 bytes (the workspace is then unchanged).
  int putBytes(int32_t field, const void* bytes, int32_t n);
  int putString(int32_t field, const char* text);  // without the terminator
  int putLong(int32_t field, int32_t value);       // 4 bytes, little-endian
  int putShort(int32_t field, int16_t value);      // 2 bytes, little-endian
  int putByte(int32_t field, uint8_t value);       // 1 byte
  // Copies field `field` into `buffer`, cut to n bytes, and zero-fills the rest of the n
  // bytes. Returns the count copied: 0 for a field beyond the field count or empty.
  int32_t getBytes(int32_t field, void* buffer, int32_t n) const;
  // As getBytes, of at most n - 1 bytes, and NUL-terminated. Requires: n >= 1.
  int32_t getString(int32_t field, char* buffer, int32_t n) const;
  int32_t getLong(int32_t field) const;   // a shorter field reads with zero high bytes
  int16_t getShort(int32_t field) const;
  uint8_t getByte(int32_t field) const;
  // The length of a field, 0 when beyond the field count.
  int32_t getFieldLength(int32_t field) const;
  const vlrRecord& record() const { return *record_; }

  // ---- Records ----
  // Makes record `num` current, reading it into the workspace: through the record index
  // when it has an entry for it, else by reading objects forward from the current record
  // (when `num` lies ahead) or from the first record. 0, or -1 for a number out of range
  // (failed check "(num >= 0) && (num < getRecordCount())") or a damaged file; the workspace
  // is then empty and no record is current.
  int gotoRecord(int32_t num);
  // The number of the current record, -1 when none.
  int32_t getCurrentRecord() const { return currentNum_; }
  // Writes the workspace as record `num`. Below the record count the record is rewritten
  // in place; it must fit the object's size (failed check "ob.size >= record->getSize()").
  // A shorter record is followed by a new trailing copy, so it reads back; the object keeps
  // its slot. At the record count it is appended at the end of the file, entered in the
  // index, and the count becomes num + 1. 0, or -1 for a number above the count, a read-only
  // file, an unfinished named object, or a failed read or write. The record becomes current.
  int writeRecord(int32_t num);
  // writeRecord(getRecordCount()).
  int appendRecord();

  // ---- Named objects ----
  // Starts a named object of `dataBytes` bytes at the end of the file and sets `*objectPos`
  // to its position. Returns the record file positioned at the object's data, for the caller
  // to write at most `dataBytes` bytes into; valid until endObject. Other calls on this
  // vlrFile move the file's position, so write the data first. Null for a name longer
  // than 255 bytes, a negative size, a read-only file, an unfinished object or a failed write.
  IOFile* writeObject(const char* name, int32_t dataBytes, int32_t* objectPos);
  // Pads the object's data with zero bytes to its declared size and writes the trailing
  // copy. 0, or -1 when no object is open, the caller wrote past the declared size (the
  // object is then cut off the file) or a write fails.
  int endObject();
  // Reads the object at `objectPos`. For a named object sets `*name` and `*dataBytes` (when
  // given) and returns the record file positioned at its data, valid until the next call on
  // this vlrFile. Null for any other type, a position outside the objects or a damaged
  // object.
  IOFile* openObject(int32_t objectPos, std::string* name = nullptr, int32_t* dataBytes = nullptr);
  // The position of the first named object called `name`, scanning from the first record
  // position; -1 when none is found before fewer than 10 bytes remain, or the scan meets a
  // damaged object.
  int32_t findObject(const char* name);
  // Reads and checks the framing of the object at `objectPos` without loading it. 0 or -1.
  int objectAt(int32_t objectPos, vlrObjectInfo* info);

  static constexpr int kCreateMode =
      filemode::kRead | filemode::kWrite | filemode::kCreate | filemode::kTruncate | filemode::kFresh;

 private:
  struct ObjectHead {
    uint8_t type = 0;
    int32_t size = 0;
  };

  int readHeader(int mode);
  int writeHeader();
  int readObject(int32_t ptr, vlrObjectInfo* info, bool loadRecord);
  int readRecordPayload(int32_t ptr, const ObjectHead& currObject, bool loadRecord,
                        int32_t* payloadBytes);
  void reportObjectError(int32_t ptr, const ObjectHead& ob, const ObjectHead& currObject);
  int locateRecord(int32_t num, int32_t* objectPos);
  int scanForRecord(int32_t num, int32_t* objectPos);
  // Where scans stop: the end of the file, or an unfinished named object.
  int32_t scanLimit() const;
  int rebuildIndex();
  int readExact(void* into, int32_t n);
  int writeObjectFrame(uint8_t type, int32_t size);
  void forgetCurrent();

  IOFile file_{4096};
  int32_t blockBytes_ = 4096;
  vlrRecordIndex index_;
  bool withIndex_ = false;
  bool writable_ = false;
  std::string name_;

  // The header.
  char title_[vlrformat::kTitleBytes] = {};
  int16_t reservedShort_ = 0;
  int32_t recordCount_ = 0;
  int32_t reservedLong_ = 0;
  int32_t fieldCount_ = 0;
  vlrFieldDef fields_[vlrMaxFields];
  char userHeader_[vlrformat::kUserHeaderBytes] = {};
  int32_t firstRecordPos_ = vlrformat::headerBytes(0);

  // The workspace and the record it holds.
  vlrRecord* record_;
  int32_t currentNum_ = -1;
  int32_t currentPos_ = 0;   // object position of the current record
  int32_t currentNext_ = 0;  // where the object after it starts

  // The named object being written.
  bool objectOpen_ = false;
  int32_t objectPos_ = 0;
  int32_t objectSize_ = 0;
  int32_t objectDataEnd_ = 0;
};
