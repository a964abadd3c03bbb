// vlrRecordIndex: header check and creation, entry reads and writes, the count at close.
#include "io/VlrRecordIndex.h"

#include <cstring>

#include "io/FileMode.h"
#include "io/VlrFormat.h"
#include "objects/ByteCodec.h"
#include "objects/Fail.h"
#include "objects/Trace.h"

using namespace vlrformat;

vlrRecordIndex::~vlrRecordIndex() {
  if (file_.isOpen() && close() < 0) trace::line("vlrRecordIndex::~vlrRecordIndex -- close failed");
}

std::string vlrRecordIndex::nameFor(const std::string& recordFileName) {
  size_t slash = recordFileName.rfind('/');
  size_t stem = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = recordFileName.rfind('.');
  std::string name = recordFileName;
  if (dot == std::string::npos || dot < stem)
    name.push_back(kIndexNameLetter);
  else
    name.insert(dot, 1, kIndexNameLetter);
  return name;
}

int vlrRecordIndex::open(const std::string& name, int mode, bool* created) {
  if (file_.isOpen()) return LXR_FAIL("vlrRecordIndex::open -- already open");
  if (file_.open(name.c_str(), mode) < 0) {
    trace::line("vlrRecordIndex::open -- cannot open %s", name.c_str());
    return -1;
  }
  writable_ = (mode & filemode::kWrite) != 0;
  file_.setBufferBytes(blockBytes_);
  file_.setGrowthLimit(writable_ || blockBytes_ <= 4096 ? 0 : 1 << 20);
  bool fresh = false;
  char head[kIndexCountPos + 4] = {};
  int32_t length = file_.getLength();
  if (length == 0 && (mode & (filemode::kWrite | filemode::kCreate)) ==
                         (filemode::kWrite | filemode::kCreate)) {
    char header[kIndexHeaderBytes] = {};
    std::memcpy(header, kIndexMagic, kMagicBytes);
    if (file_.seek(0) < 0 || file_.write(header, kIndexHeaderBytes) != kIndexHeaderBytes) {
      file_.close();
      return LXR_FAIL("vlrRecordIndex::open -- cannot write a fresh header");
    }
    entryCount_ = 0;
    fresh = true;
  } else if (length < kIndexHeaderBytes || file_.seek(0) < 0 ||
             file_.read(head, sizeof head) != static_cast<int32_t>(sizeof head) ||
             std::memcmp(head, kIndexMagic, kMagicBytes) != 0) {
    file_.close();
    trace::line("vlrRecordIndex::open -- not a record index: %s", name.c_str());
    return -1;
  } else {
    // The count is only as good as the entries behind it.
    int32_t count = bytecodec::loadI32(head + kIndexCountPos);
    int32_t present = (length - kIndexHeaderBytes) / kIndexEntryBytes;
    entryCount_ = count < 0 ? 0 : (count > present ? present : count);
  }
  if (created) *created = fresh;
  return 0;
}

int vlrRecordIndex::close() {
  if (!file_.isOpen()) return 0;
  int rc = 0;
  if (writable_ && (file_.seek(kIndexCountPos) < 0 || file_.writeLong(entryCount_) < 0)) {
    trace::line("ERROR vlrRecordIndex::close -- cannot write the entry count");
    rc = -1;
  }
  if (file_.close() < 0) rc = -1;
  writable_ = false;
  entryCount_ = 0;
  return rc;
}

int vlrRecordIndex::getEntry(int32_t num, int32_t* objectPos) {
  if (!file_.isOpen() || num < 0) return LXR_FAIL("vlrRecordIndex::getEntry -- bad call");
  int64_t at = kIndexHeaderBytes + static_cast<int64_t>(num) * kIndexEntryBytes;
  if (at + kIndexEntryBytes > file_.getLength())
    return LXR_FAIL("vlrRecordIndex::getEntry -- no entry for the record");
  uint8_t b[kIndexEntryBytes];
  if (file_.seek(static_cast<int32_t>(at)) < 0 || file_.read(b, kIndexEntryBytes) != kIndexEntryBytes)
    return LXR_FAIL("vlrRecordIndex::getEntry -- read failed");
  *objectPos = bytecodec::loadI32(b);
  return 0;
}

int vlrRecordIndex::setEntry(int32_t num, int32_t objectPos) {
  if (!file_.isOpen() || !writable_ || num < 0)
    return LXR_FAIL("vlrRecordIndex::setEntry -- bad call");
  int64_t at = kIndexHeaderBytes + static_cast<int64_t>(num) * kIndexEntryBytes;
  if (at + kIndexEntryBytes > INT32_MAX) return LXR_FAIL("vlrRecordIndex::setEntry -- too far");
  if (file_.seek(static_cast<int32_t>(at)) < 0 || file_.writeLong(objectPos) < 0)
    return LXR_FAIL("vlrRecordIndex::setEntry -- write failed");
  if (num >= entryCount_) entryCount_ = num + 1;
  return 0;
}
