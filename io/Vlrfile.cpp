// vlrFile: header, record workspace, object framing, records, named objects and the record
// index. The consistency checks of this file name it "io/Vlrfile", so the stem stays.
// One piece because every operation shares the object reader and its damage checks.
#include "io/Vlrfile.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "io/FileMode.h"
#include "objects/ByteCodec.h"
#include "objects/Check.h"
#include "objects/ErrorLog.h"
#include "objects/Fail.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

using namespace vlrformat;
using bytecodec::loadI16;
using bytecodec::loadI32;
using bytecodec::loadU16;
using bytecodec::storeI32;
using bytecodec::storeU16;

namespace {

// Bytes traced around an object whose trailing copy does not match.
constexpr int32_t kDumpBeforeBytes = 1024;
constexpr int32_t kDumpBytes = 8192;
constexpr int32_t kDumpLineBytes = 16;

int failFormatted(const char* file, int line, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
int failFormatted(const char* file, int line, const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return failAt(file, line, text);
}
#define VLR_FAIL(...) failFormatted(__FILE__, __LINE__, __VA_ARGS__)

// The record's on-disk payload; returns its byte count.
int32_t encodeRecord(const vlrRecord& r, uint8_t* out) {
  storeU16(out, static_cast<uint16_t>(r.fieldCount));
  storeU16(out + 2, static_cast<uint16_t>(r.dataLen));
  uint8_t* p = out + kRecordHeadBytes;
  for (int32_t i = 0; i < r.fieldCount; ++i, p += kFieldLengthBytes)
    storeU16(p, static_cast<uint16_t>(r.len[i]));
  std::memcpy(p, r.data, static_cast<size_t>(r.dataLen));
  return static_cast<int32_t>(p - out) + r.dataLen;
}

// A type byte as the error log shows it: 0 as a blank, other unprintable bytes as "?".
std::string shownType(uint8_t type) {
  if (type == 0) return " ";
  return std::string(1, std::isprint(type) ? static_cast<char>(type) : '?');
}

}  // namespace

int32_t vlrRecord::getSize() const {
  return kFieldLengthBytes * (fieldCount + 2) + dataLen + kRecordSizeExtra;
}

vlrFile::vlrFile() : record_(new vlrRecord) {}

vlrFile::~vlrFile() {
  if (isOpen() && close() < 0) trace::line("vlrFile::~vlrFile -- close failed: %s", name_.c_str());
  delete record_;
}

// ---------------------------------------------------------------------------------------
// Opening, header, closing

int vlrFile::open(const char* name, int mode, bool withIndex) {
  if (isOpen() || !name) return LXR_FAIL("vlrFile::open -- already open or no name");
  if (file_.open(name, mode) < 0) {
    trace::line("vlrFile::open -- cannot open %s", name);
    return -1;
  }
  name_ = name;
  writable_ = (mode & filemode::kWrite) != 0;
  file_.setBufferBytes(blockBytes_);
  // Growth only for callers that read in long runs and asked for large blocks (results
  // files): the document table keeps its small block, which scattered record reads need.
  file_.setGrowthLimit(writable_ || blockBytes_ <= kDefaultBlockBytes ? 0 : kReadGrowthLimit);
  clear();
  forgetCurrent();
  if (readHeader(mode) < 0) {
    file_.close();
    writable_ = false;
    return -1;
  }
  if (withIndex) {
    std::string indexName = vlrRecordIndex::nameFor(name_);
    if (index_.open(indexName, mode) < 0) {
      file_.close();
      writable_ = false;
      return -1;
    }
    withIndex_ = true;
    if (writable_ && index_.entryCount() < recordCount_ && rebuildIndex() < 0) {
      index_.close();
      file_.close();
      withIndex_ = writable_ = false;
      return -1;
    }
  }
  return 0;
}

int vlrFile::holdWhole(int32_t maxBytes) {
  if (!isOpen() || writable_ || file_.getLength() > maxBytes) return -1;
  return file_.setBufferBytes(std::max<int32_t>(file_.getLength(), 1));
}

int vlrFile::mapWhole() {
  if (!isOpen() || writable_) return -1;
  if (withIndex_) index_.mapWhole();  // without it the index is read through its buffer
  return file_.mapWhole();
}

int vlrFile::create(const char* name, const vlrFieldDef* fieldList, bool withIndex, int mode) {
  if (open(name, mode, withIndex) < 0) return -1;
  if (fieldList && defineFields(fieldList) < 0) {
    close();
    return -1;
  }
  return 0;
}

int vlrFile::readHeader(int mode) {
  title_[0] = 0;
  std::memset(title_, 0, sizeof title_);
  reservedShort_ = 0;
  recordCount_ = 0;
  reservedLong_ = 0;
  fieldCount_ = 0;
  std::memset(userHeader_, 0, sizeof userHeader_);
  firstRecordPos_ = headerBytes(0);

  int32_t length = file_.getLength();
  if (length == 0 && (mode & (filemode::kWrite | filemode::kCreate)) ==
                         (filemode::kWrite | filemode::kCreate))
    return writeHeader();
  // A file that is not ours is never overwritten, even with create.
  uint8_t fixed[kFieldDefsPos];
  if (length < headerBytes(0) || file_.seek(0) < 0 || readExact(fixed, kFieldDefsPos) < 0 ||
      std::memcmp(fixed, kMagic, kMagicBytes) != 0)
    return VLR_FAIL("vlrFile::open -- not a record file: %s", name_.c_str());
  int32_t fieldCount = loadI16(fixed + kFieldCountPos);
  int32_t recordCount = loadI32(fixed + kRecordCountPos);
  if (fieldCount < 0 || fieldCount > vlrMaxFields)
    return VLR_FAIL("vlrFile::open -- damaged header: %d fields in %s", fieldCount, name_.c_str());
  if (length < headerBytes(fieldCount))
    return VLR_FAIL("vlrFile::open -- header cut short in %s", name_.c_str());
  int32_t room = (length - headerBytes(fieldCount)) / kMinRecordObjectBytes;
  if (recordCount < 0 || recordCount > room)
    return VLR_FAIL("vlrFile::open -- damaged header: %d records cannot fit in %s", recordCount,
                    name_.c_str());
  if (readExact(fields_, kFieldDefBytes * fieldCount) < 0 ||
      readExact(userHeader_, kUserHeaderBytes) < 0)
    return -1;
  std::memcpy(title_, fixed + kTitlePos, kTitleBytes);
  reservedShort_ = loadI16(fixed + kReservedShortPos);
  reservedLong_ = loadI32(fixed + kReservedLongPos);
  recordCount_ = recordCount;
  fieldCount_ = fieldCount;
  firstRecordPos_ = headerBytes(fieldCount);
  return 0;
}

int vlrFile::writeHeader() {
  std::vector<uint8_t> h(static_cast<size_t>(headerBytes(fieldCount_)), 0);
  std::memcpy(h.data(), kMagic, kMagicBytes);
  std::memcpy(h.data() + kTitlePos, title_, kTitleBytes);
  storeU16(h.data() + kReservedShortPos, static_cast<uint16_t>(reservedShort_));
  storeI32(h.data() + kRecordCountPos, recordCount_);
  storeI32(h.data() + kReservedLongPos, reservedLong_);
  storeU16(h.data() + kFieldCountPos, static_cast<uint16_t>(fieldCount_));
  std::memcpy(h.data() + kFieldDefsPos, fields_, static_cast<size_t>(kFieldDefBytes * fieldCount_));
  std::memcpy(h.data() + kFieldDefsPos + kFieldDefBytes * fieldCount_, userHeader_, kUserHeaderBytes);
  int32_t n = static_cast<int32_t>(h.size());
  if (file_.seek(0) < 0 || file_.write(h.data(), n) != n)
    return VLR_FAIL("vlrFile -- cannot write the header of %s", name_.c_str());
  return 0;
}

int vlrFile::close() {
  if (!isOpen()) return 0;
  int rc = 0;
  if (objectOpen_ && endObject() < 0) rc = -1;
  if (withIndex_ && index_.close() < 0) rc = -1;
  if (writable_ && writeHeader() < 0) rc = -1;
  if (file_.close() < 0) rc = -1;
  withIndex_ = writable_ = false;
  forgetCurrent();
  return rc;
}

int vlrFile::rebuildIndex() {
  int32_t seen = index_.entryCount();
  int32_t pos = firstRecordPos_;
  vlrObjectInfo info;
  if (seen > 0) {
    // Carry on after the last entry when it still points at a record; else start over.
    if (index_.getEntry(seen - 1, &pos) == 0 && pos >= firstRecordPos_ &&
        readObject(pos, &info, false) == 0 && info.type == kTypeRecord) {
      pos = info.nextPos;
    } else {
      seen = 0;
      pos = firstRecordPos_;
    }
  }
  int32_t from = seen;
  int32_t end = file_.getLength();
  while (seen < recordCount_ && pos <= end - kMinObjectBytes) {
    if (readObject(pos, &info, false) < 0) return -1;
    if (info.type == kTypeRecord && index_.setEntry(seen++, pos) < 0) return -1;
    pos = info.nextPos;
  }
  if (seen < recordCount_)
    return VLR_FAIL("vlrFile::open -- %s holds %d of its %d records", name_.c_str(), seen,
                    recordCount_);
  trace::line("vlrFile::open -- record index entries %d to %d filled in", from, seen);
  return 0;
}

// ---------------------------------------------------------------------------------------
// Field definitions, title, user header

int vlrFile::defineFields(const vlrFieldDef* list) {
  if (!isOpen() || !writable_ || !list) return LXR_FAIL("vlrFile::defineFields -- not writable");
  if (recordCount_ > 0 || objectOpen_ || file_.getLength() > firstRecordPos_)
    return VLR_FAIL("vlrFile::defineFields -- %s already holds objects", name_.c_str());
  int32_t added = 0;
  for (; list[added].type != 0; ++added) {
    int32_t i = fieldCount_ + added;
    if (!LXR_CHECK(i < vlrMaxFields)) return -1;
  }
  int32_t oldCount = fieldCount_;
  for (int32_t j = 0; j < added; ++j) {
    vlrFieldDef& f = fields_[fieldCount_ + j];
    f = vlrFieldDef();
    f.type = static_cast<char>(std::toupper(static_cast<unsigned char>(list[j].type)));
    std::memcpy(f.name, list[j].name, strnlen(list[j].name, kFieldNameBytes));
  }
  fieldCount_ += added;
  firstRecordPos_ = headerBytes(fieldCount_);
  if (writeHeader() < 0) {
    fieldCount_ = oldCount;
    firstRecordPos_ = headerBytes(oldCount);
    return -1;
  }
  return 0;
}

int vlrFile::findField(const char* name) const {
  if (!name) return -1;
  size_t n = std::strlen(name);
  if (n > static_cast<size_t>(kFieldNameBytes)) return -1;
  for (int32_t i = 0; i < fieldCount_; ++i) {
    const char* stored = fields_[i].name;
    if (std::memcmp(stored, name, n) == 0 &&
        (n == static_cast<size_t>(kFieldNameBytes) || stored[n] == 0))
      return i;
  }
  return -1;
}

const vlrFieldDef* vlrFile::getField(int32_t i) const {
  return i >= 0 && i < fieldCount_ ? &fields_[i] : nullptr;
}

void vlrFile::setTitle(const char* text) {
  std::memset(title_, 0, sizeof title_);
  if (text) std::memcpy(title_, text, strnlen(text, kTitleBytes));
}

std::string vlrFile::getTitle() const { return std::string(title_, strnlen(title_, kTitleBytes)); }

int32_t vlrFile::putHeaderData(const void* bytes, int32_t n) {
  if (!bytes || n <= 0) return 0;
  n = std::min(n, kUserHeaderBytes);
  std::memcpy(userHeader_, bytes, static_cast<size_t>(n));
  return n;
}

int32_t vlrFile::getHeaderData(void* bytes, int32_t n) const {
  if (!bytes || n <= 0) return 0;
  n = std::min(n, kUserHeaderBytes);
  std::memcpy(bytes, userHeader_, static_cast<size_t>(n));
  return n;
}

// ---------------------------------------------------------------------------------------
// The record workspace

void vlrFile::clear() {
  record_->fieldCount = 0;
  record_->dataLen = 0;
}

int vlrFile::putBytes(int32_t field, const void* bytes, int32_t n) {
  if (field < 0 || field >= vlrMaxFields || n < 0 || (n > 0 && !bytes))
    return VLR_FAIL("vlrFile::putBytes -- bad field %d or length %d", field, n);
  if (n == 0) return 0;
  vlrRecord& r = *record_;
  int32_t old = field < r.fieldCount ? r.len[field] : 0;
  int64_t newLen = static_cast<int64_t>(r.dataLen) + n - old;
  if (n > old && newLen >= vlrMaxRecordLen)
    return VLR_FAIL("vlrFile::putBytes -- field %d: record data would reach %d bytes", field,
                    vlrMaxRecordLen);
  while (r.fieldCount <= field) {
    r.start[r.fieldCount] = r.dataLen;
    r.len[r.fieldCount] = 0;
    ++r.fieldCount;
  }
  int32_t at = r.start[field];
  int32_t tail = r.dataLen - (at + old);
  std::memmove(r.data + at + n, r.data + at + old, static_cast<size_t>(tail));
  std::memcpy(r.data + at, bytes, static_cast<size_t>(n));
  for (int32_t j = field + 1; j < r.fieldCount; ++j) r.start[j] += n - old;
  r.len[field] = n;
  r.dataLen = static_cast<int32_t>(newLen);
  return 0;
}

int vlrFile::putString(int32_t field, const char* text) {
  if (!text) return LXR_FAIL("vlrFile::putString -- no text");
  size_t n = std::strlen(text);
  if (n >= static_cast<size_t>(vlrMaxRecordLen))
    return LXR_FAIL("vlrFile::putString -- text longer than a record");
  return putBytes(field, text, static_cast<int32_t>(n));
}

int vlrFile::putLong(int32_t field, int32_t value) {
  uint8_t b[4];
  storeI32(b, value);
  return putBytes(field, b, 4);
}

int vlrFile::putShort(int32_t field, int16_t value) {
  uint8_t b[2];
  storeU16(b, static_cast<uint16_t>(value));
  return putBytes(field, b, 2);
}

int vlrFile::putByte(int32_t field, uint8_t value) { return putBytes(field, &value, 1); }

int32_t vlrFile::getBytes(int32_t field, void* buffer, int32_t n) const {
  if (!buffer || n <= 0) return 0;
  std::memset(buffer, 0, static_cast<size_t>(n));
  if (field < 0 || field >= record_->fieldCount) return 0;
  int32_t take = std::min(n, record_->len[field]);
  std::memcpy(buffer, record_->data + record_->start[field], static_cast<size_t>(take));
  return take;
}

int32_t vlrFile::getString(int32_t field, char* buffer, int32_t n) const {
  if (!buffer || n <= 0) return 0;
  int32_t got = n > 1 ? getBytes(field, buffer, n - 1) : 0;
  buffer[got] = 0;
  return got;
}

int32_t vlrFile::getLong(int32_t field) const {
  // Read straight from the workspace: a document record has eight of these to a read.
  if (field < 0 || field >= record_->fieldCount) return 0;
  const char* at = record_->data + record_->start[field];
  if (record_->len[field] >= 4) return loadI32(reinterpret_cast<const uint8_t*>(at));
  uint8_t b[4] = {0, 0, 0, 0};
  std::memcpy(b, at, static_cast<size_t>(std::max(record_->len[field], 0)));
  return loadI32(b);
}

int16_t vlrFile::getShort(int32_t field) const {
  uint8_t b[2];
  getBytes(field, b, 2);
  return loadI16(b);
}

uint8_t vlrFile::getByte(int32_t field) const {
  uint8_t b = 0;
  getBytes(field, &b, 1);
  return b;
}

int32_t vlrFile::getFieldLength(int32_t field) const {
  return field >= 0 && field < record_->fieldCount ? record_->len[field] : 0;
}

// ---------------------------------------------------------------------------------------
// Reading objects

int vlrFile::readExact(void* into, int32_t n) {
  if (n == 0) return 0;
  if (file_.read(into, n) != n) return VLR_FAIL("vlrFile -- short read in %s", name_.c_str());
  return 0;
}

void vlrFile::forgetCurrent() {
  currentNum_ = -1;
  currentPos_ = 0;
  currentNext_ = 0;
}

int vlrFile::objectAt(int32_t objectPos, vlrObjectInfo* info) {
  if (!isOpen() || !info) return LXR_FAIL("vlrFile::objectAt -- not open");
  return readObject(objectPos, info, false);
}

// Reads the object at `ptr`: the leading type and size, a record's payload (into the
// workspace when `loadRecord`), and the trailing copy. A record's trailing copy follows its
// bytes; the next object follows the slot its size gives, which is longer when the record
// was rewritten shorter in place.
int vlrFile::readObject(int32_t ptr, vlrObjectInfo* info, bool loadRecord) {
  int32_t firstRecordPos = firstRecordPos_;
  if (!LXR_CHECK(ptr >= firstRecordPos)) return -1;
  int32_t length = file_.getLength();
  if (static_cast<int64_t>(ptr) + kMinObjectBytes > length)
    return VLR_FAIL("vlrFile -- no object at %d: %s ends at %d", ptr, name_.c_str(), length);
  uint8_t head[kObjectHeadBytes];
  if (file_.seek(ptr) < 0 || readExact(head, kObjectHeadBytes) < 0) return -1;
  ObjectHead currObject{head[0], loadI32(head + 1)};
  int32_t dataPos = ptr + kObjectHeadBytes;
  bool isRecord = currObject.type == kTypeRecord;
  int32_t minSize = isRecord ? kMinRecordSize : (currObject.type == kTypeObject ? 1 : 0);
  if (currObject.size < minSize || (isRecord && currObject.size > kMaxRecordSize))
    return VLR_FAIL("vlrFile -- object at %d has a bad size %d", ptr, currObject.size);
  int64_t slotEnd =
      static_cast<int64_t>(dataPos) + currObject.size - (isRecord ? kRecordSizeExtra : 0);
  if (slotEnd + kObjectTailBytes > length)
    return VLR_FAIL("vlrFile -- object at %d (size %d) runs past the end of %s", ptr,
                    currObject.size, name_.c_str());
  int32_t tailPos = static_cast<int32_t>(slotEnd);
  if (isRecord) {
    int32_t payloadBytes = 0;
    if (readRecordPayload(ptr, currObject, loadRecord, &payloadBytes) < 0) return -1;
    tailPos = dataPos + payloadBytes;
  }
  uint8_t tail[kObjectTailBytes];
  if (file_.seek(tailPos) < 0 || readExact(tail, kObjectTailBytes) < 0) return -1;
  ObjectHead ob{tail[0], loadI32(tail + 1)};
  if (ob.type != currObject.type || ob.size != currObject.size)
    reportObjectError(ptr, ob, currObject);
  if (!LXR_CHECK((ob.type == currObject.type) && (ob.size == currObject.size))) return -1;
  info->type = currObject.type;
  info->size = currObject.size;
  info->dataPos = dataPos;
  info->nextPos = static_cast<int32_t>(slotEnd + kObjectTailBytes);
  return 0;
}

// Reads a record payload at the file position (just after the object's leading size).
int vlrFile::readRecordPayload(int32_t ptr, const ObjectHead& currObject, bool loadRecord,
                               int32_t* payloadBytes) {
  uint8_t head[kRecordHeadBytes];
  if (readExact(head, kRecordHeadBytes) < 0) return -1;
  int32_t fieldCount = loadI16(head);
  int32_t recordLen = loadI16(head + 2);
  if (!LXR_CHECK((fieldCount >= 0) && (fieldCount <= vlrMaxFields))) return -1;
  uint8_t lengths[kFieldLengthBytes * vlrMaxFields];
  if (readExact(lengths, kFieldLengthBytes * fieldCount) < 0) return -1;
  int32_t recLen = 0;
  for (int32_t i = 0; i < fieldCount; ++i)
    recLen += loadU16(lengths + kFieldLengthBytes * i);
  if (!LXR_CHECK((recLen == recordLen) && (recordLen <= vlrMaxRecordLen))) return -1;
  int32_t bytes = kRecordHeadBytes + kFieldLengthBytes * fieldCount + recordLen;
  if (bytes + kRecordSizeExtra > currObject.size)
    return VLR_FAIL("vlrFile -- record at %d runs past its object (%d bytes, size %d)", ptr,
                    bytes, currObject.size);
  if (loadRecord) {
    vlrRecord& r = *record_;
    if (readExact(r.data, recordLen) < 0) return -1;
    int32_t at = 0;
    for (int32_t i = 0; i < fieldCount; ++i) {
      r.start[i] = at;
      r.len[i] = loadU16(lengths + kFieldLengthBytes * i);
      at += r.len[i];
    }
    r.fieldCount = fieldCount;
    r.dataLen = recordLen;
  }
  *payloadBytes = bytes;
  return 0;
}

void vlrFile::reportObjectError(int32_t ptr, const ObjectHead& ob, const ObjectHead& currObject) {
  trace::line("vlrFile -- VLR Object read error at %d in %s", ptr, name_.c_str());
  errorlog::append("VLR Object read error");
  errorlog::append("ob.type = \"" + shownType(ob.type) + "\"");
  errorlog::append("currObject.type = \"" + shownType(currObject.type) + "\"");
  errorlog::append("ob.size = " + std::to_string(ob.size));
  errorlog::append("currObject.size = " + std::to_string(currObject.size));
  errorlog::append("recordPtr = " + std::to_string(ptr));
  errorlog::append("\nfile = " + name_);
  if (!trace::isLogging()) return;  // the dump is for the debug log only
  int32_t from = std::max(0, ptr - kDumpBeforeBytes);
  int32_t n = std::min(kDumpBytes, file_.getLength() - from);
  std::vector<uint8_t> bytes(static_cast<size_t>(std::max(n, 0)));
  if (n <= 0 || file_.seek(from) < 0 || file_.read(bytes.data(), n) != n) return;
  for (int32_t at = 0; at < n; at += kDumpLineBytes) {
    char line[16 + 3 * kDumpLineBytes];
    int used = std::snprintf(line, sizeof line, "%08x ", static_cast<unsigned>(from + at));
    for (int32_t i = at; i < std::min(n, at + kDumpLineBytes); ++i)
      used += std::snprintf(line + used, sizeof line - static_cast<size_t>(used), " %02x", bytes[i]);
    trace::text(line);
  }
}

// ---------------------------------------------------------------------------------------
// Records

int32_t vlrFile::scanLimit() const { return objectOpen_ ? objectPos_ : file_.getLength(); }

int vlrFile::scanForRecord(int32_t num, int32_t* objectPos) {
  if (num == currentNum_) {
    *objectPos = currentPos_;
    return 0;
  }
  // Start from the nearest known record before `num`: the current one or the index's last.
  int32_t pos = firstRecordPos_;
  int32_t seen = 0;
  if (currentNum_ >= 0 && currentNum_ < num) {
    pos = currentNext_;
    seen = currentNum_ + 1;
  }
  int32_t last = withIndex_ ? index_.entryCount() - 1 : -1;
  int32_t lastPos = 0;
  if (last >= seen && last <= num && index_.getEntry(last, &lastPos) == 0) {
    pos = lastPos;
    seen = last;
  }
  int32_t end = scanLimit();
  vlrObjectInfo info;
  while (pos <= end - kMinObjectBytes) {
    if (readObject(pos, &info, false) < 0) return -1;
    if (info.type == kTypeRecord) {
      if (seen == num) {
        *objectPos = pos;
        return 0;
      }
      ++seen;
    }
    pos = info.nextPos;
  }
  return VLR_FAIL("vlrFile -- record %d not found: %s ends after %d records", num,
                  name_.c_str(), seen);
}

int vlrFile::reorder(const std::vector<int32_t>& order) {
  if (!isOpen() || writable_ || !withIndex_ || index_.entryCount() < recordCount_ ||
      order.size() != static_cast<size_t>(recordCount_)) {
    close();
    return LXR_FAIL("vlrFile::reorder -- not open for reading with a complete index");
  }
  std::vector<int32_t> positions(order.size());
  std::vector<bool> seen(order.size(), false);
  for (size_t k = 0; k < order.size(); ++k) {
    const int32_t from = order[k];
    if (from < 0 || from >= recordCount_ || seen[static_cast<size_t>(from)] ||
        index_.getEntry(from, &positions[k]) < 0) {
      close();
      return LXR_FAIL("vlrFile::reorder -- not a permutation of the records");
    }
    seen[static_cast<size_t>(from)] = true;
  }
  const std::string name = name_;
  const std::string indexName = vlrRecordIndex::nameFor(name);
  const std::string fresh = indexName + ".new";
  close();
  vlrRecordIndex index;
  bool created = false;
  int rc = index.open(fresh, filemode::kRead | filemode::kWrite | filemode::kCreate | filemode::kTruncate, &created);
  for (size_t k = 0; rc == 0 && k < positions.size(); ++k) rc = index.setEntry(static_cast<int32_t>(k), positions[k]);
  if (index.close() < 0) rc = -1;
  if (rc == 0 && platform::renameFile(fresh.c_str(), indexName.c_str()) == 0) return 0;
  platform::removeFile(fresh.c_str());
  return VLR_FAIL("vlrFile::reorder -- the new record index of %s could not be written", name.c_str());
}

int vlrFile::locateRecord(int32_t num, int32_t* objectPos) {
  if (withIndex_ && num < index_.entryCount()) return index_.getEntry(num, objectPos);
  return scanForRecord(num, objectPos);
}

int vlrFile::gotoRecord(int32_t num) {
  if (!isOpen()) return LXR_FAIL("vlrFile::gotoRecord -- not open");
  int32_t pos = 0;
  vlrObjectInfo info;
  if (LXR_CHECK((num >= 0) && (num < getRecordCount())) && locateRecord(num, &pos) == 0 &&
      readObject(pos, &info, true) == 0) {
    if (info.type == kTypeRecord) {
      currentNum_ = num;
      currentPos_ = pos;
      currentNext_ = info.nextPos;
      return 0;
    }
    VLR_FAIL("vlrFile::gotoRecord -- record %d: object at %d is not a record", num, pos);
  }
  clear();
  forgetCurrent();
  return -1;
}

int vlrFile::writeObjectFrame(uint8_t type, int32_t size) {
  uint8_t b[kObjectHeadBytes] = {type};
  storeI32(b + 1, size);
  return file_.write(b, kObjectHeadBytes) == kObjectHeadBytes ? 0 : -1;
}

int vlrFile::writeRecord(int32_t num) {
  if (!isOpen() || !writable_) return LXR_FAIL("vlrFile::writeRecord -- not open for writing");
  if (num < 0 || num > recordCount_)
    return VLR_FAIL("vlrFile::writeRecord -- record %d of %d would leave a gap", num,
                    recordCount_);
  const vlrRecord* record = record_;
  uint8_t payload[kMaxRecordSize];
  int32_t payloadBytes = encodeRecord(*record, payload);
  if (num < recordCount_) {
    int32_t recordPtr = 0;
    vlrObjectInfo info;
    if (locateRecord(num, &recordPtr) < 0 || readObject(recordPtr, &info, false) < 0) return -1;
    if (info.type != kTypeRecord)
      return VLR_FAIL("vlrFile::writeRecord -- record %d: object at %d is not a record", num,
                      recordPtr);
    ObjectHead ob{info.type, info.size};
    if (ob.size < record->getSize()) {
      char line[128];
      std::snprintf(line, sizeof line, "ob.size = %d record->getSize() = %d recordPtr = %d",
                    ob.size, record->getSize(), recordPtr);
      trace::text(line);
      errorlog::append(line);
    }
    if (!LXR_CHECK(ob.size >= record->getSize())) return -1;
    // The trailing copy is written again right after the bytes: a shorter record keeps
    // its slot (the size stays) and still reads back.
    if (file_.seek(info.dataPos) < 0 || file_.write(payload, payloadBytes) != payloadBytes ||
        writeObjectFrame(kTypeRecord, ob.size) < 0)
      return VLR_FAIL("vlrFile::writeRecord -- rewrite of record %d failed", num);
    currentNum_ = num;
    currentPos_ = recordPtr;
    currentNext_ = info.nextPos;
    return 0;
  }
  if (objectOpen_) return LXR_FAIL("vlrFile::writeRecord -- a named object is unfinished");
  int32_t pos = file_.getLength();
  int32_t size = record->getSize();
  if (static_cast<int64_t>(pos) + kObjectHeadBytes + payloadBytes + kObjectTailBytes > INT32_MAX)
    return LXR_FAIL("vlrFile::writeRecord -- the file would pass 2 GiB");
  if (file_.seek(pos) < 0 || writeObjectFrame(kTypeRecord, size) < 0 ||
      file_.write(payload, payloadBytes) != payloadBytes ||
      writeObjectFrame(kTypeRecord, size) < 0 ||
      (withIndex_ && index_.setEntry(num, pos) < 0)) {
    // Leave no stray record behind: it would be counted by every scan.
    file_.setLength(pos);
    return VLR_FAIL("vlrFile::writeRecord -- append of record %d failed", num);
  }
  recordCount_ = num + 1;
  currentNum_ = num;
  currentPos_ = pos;
  currentNext_ = file_.getLength();
  return 0;
}

int vlrFile::appendRecord() { return writeRecord(getRecordCount()); }

// ---------------------------------------------------------------------------------------
// Named objects

IOFile* vlrFile::writeObject(const char* name, int32_t dataBytes, int32_t* objectPos) {
  if (!isOpen() || !writable_ || objectOpen_ || !name || !objectPos || dataBytes < 0) {
    LXR_FAIL("vlrFile::writeObject -- not writable, busy or bad arguments");
    return nullptr;
  }
  size_t nameBytes = std::strlen(name);
  if (nameBytes > static_cast<size_t>(kMaxObjectNameBytes)) {
    LXR_FAIL("vlrFile::writeObject -- name longer than 255 bytes");
    return nullptr;
  }
  int32_t pos = file_.getLength();
  int64_t size = static_cast<int64_t>(nameBytes) + kObjectNameLengthBytes + dataBytes;
  if (pos + size + kObjectHeadBytes + kObjectTailBytes > INT32_MAX) {
    LXR_FAIL("vlrFile::writeObject -- the file would pass 2 GiB");
    return nullptr;
  }
  uint8_t nameLength = static_cast<uint8_t>(nameBytes);
  if (file_.seek(pos) < 0 || writeObjectFrame(kTypeObject, static_cast<int32_t>(size)) < 0 ||
      file_.write(&nameLength, 1) != 1 ||
      file_.write(name, static_cast<int32_t>(nameBytes)) != static_cast<int32_t>(nameBytes)) {
    file_.setLength(pos);
    LXR_FAIL("vlrFile::writeObject -- write failed");
    return nullptr;
  }
  objectOpen_ = true;
  objectPos_ = pos;
  objectSize_ = static_cast<int32_t>(size);
  objectDataEnd_ = pos + kObjectHeadBytes + objectSize_;
  *objectPos = pos;
  return &file_;
}

int vlrFile::endObject() {
  if (!objectOpen_) return LXR_FAIL("vlrFile::endObject -- no object open");
  objectOpen_ = false;
  int32_t length = file_.getLength();
  if (length > objectDataEnd_) {
    file_.setLength(objectPos_);
    return VLR_FAIL("vlrFile::endObject -- %d bytes written past the declared size; object "
                    "at %d removed",
                    length - objectDataEnd_, objectPos_);
  }
  static const char zeros[512] = {};
  bool ok = file_.seek(length) == 0;
  for (int32_t left = objectDataEnd_ - length; ok && left > 0;) {
    int32_t n = std::min<int32_t>(left, sizeof zeros);
    ok = file_.write(zeros, n) == n;
    left -= n;
  }
  if (!ok || writeObjectFrame(kTypeObject, objectSize_) < 0) {
    file_.setLength(objectPos_);
    return VLR_FAIL("vlrFile::endObject -- write failed; object at %d removed", objectPos_);
  }
  return 0;
}

IOFile* vlrFile::openObject(int32_t objectPos, std::string* name, int32_t* dataBytes) {
  vlrObjectInfo info;
  if (!isOpen() || readObject(objectPos, &info, false) < 0 || info.type != kTypeObject)
    return nullptr;
  uint8_t nameLength = 0;
  char nameBytes[kMaxObjectNameBytes];
  if (file_.seek(info.dataPos) < 0 || readExact(&nameLength, 1) < 0) return nullptr;
  if (kObjectNameLengthBytes + nameLength > info.size) {
    VLR_FAIL("vlrFile::openObject -- object at %d: name longer than the object", objectPos);
    return nullptr;
  }
  if (readExact(nameBytes, nameLength) < 0) return nullptr;
  if (name) name->assign(nameBytes, nameLength);
  if (dataBytes) *dataBytes = info.size - kObjectNameLengthBytes - nameLength;
  return &file_;
}

int32_t vlrFile::findObject(const char* name) {
  if (!isOpen() || !name) return -1;
  size_t wanted = std::strlen(name);
  if (wanted > static_cast<size_t>(kMaxObjectNameBytes)) return -1;
  int32_t end = scanLimit();
  vlrObjectInfo info;
  for (int32_t pos = firstRecordPos_; pos <= end - kMinObjectBytes; pos = info.nextPos) {
    if (readObject(pos, &info, false) < 0) return -1;
    if (info.type != kTypeObject) continue;
    uint8_t nameLength = 0;
    char nameBytes[kMaxObjectNameBytes];
    if (file_.seek(info.dataPos) < 0 || readExact(&nameLength, 1) < 0) return -1;
    if (nameLength != wanted || kObjectNameLengthBytes + nameLength > info.size) continue;
    if (readExact(nameBytes, nameLength) < 0) return -1;
    if (std::memcmp(nameBytes, name, wanted) == 0) return pos;
  }
  return -1;
}
