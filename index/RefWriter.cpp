// RefWriter: encoding of ids, positions, group and chunk ends. Layout: docs/formats/ref-lists.md.
#include "index/RefWriter.h"

#include "index/RefFormat.h"
#include "objects/Fail.h"
#include "objects/Trace.h"

using bitstream::bitsOf;

RefWriter::RefWriter(IOBuffer& out) : bits_(out), out_(out) {}

RefWriter::~RefWriter() {
  if (width_ != 0 || entryOpen_ || !bits_.aligned())
    trace::line("ERROR RefWriter -- destroyed inside a group");
  bits_.align();
  if (bits_.flush() < 0) trace::line("ERROR RefWriter -- write failed at close");
}

int RefWriter::position(int32_t filePos) {
  if (filePos < 0) return LXR_FAIL("RefWriter::position -- negative position");
  bits_.align();
  if (bits_.flush() < 0) return -1;
  if (out_.seek(filePos) < 0) return -1;
  width_ = 0;
  lastId_ = 0;
  entryOpen_ = false;
  chunkStart_ = filePos;
  return 0;
}

int RefWriter::putId(int32_t id) {
  if (id < 1) {
    trace::line("ERROR RefWriter::putId -- bad id %ld", static_cast<long>(id));
    return -1;
  }
  if (entryOpen_) return LXR_FAIL("RefWriter::putId -- the previous id has no positions");
  if (width_ != 0 && id >= lastId_) {
    trace::line("ERROR RefWriter::putId -- %ld >= %ld", static_cast<long>(id),
                static_cast<long>(lastId_));
    return -1;
  }
  if (width_ == 0) {
    width_ = bitsOf(static_cast<uint32_t>(id));
    bits_.write(static_cast<uint32_t>(width_), refformat::kWidthFieldBits);
  }
  bits_.write(static_cast<uint32_t>(id), width_);
  lastId_ = id;
  entryOpen_ = true;
  return 0;
}

int RefWriter::putCites(const CiteTable& list) {
  if (!entryOpen_) return LXR_FAIL("RefWriter::putCites -- no id waits for positions");
  const int32_t n = list.count();
  // The width covers the largest value and the count, so that nothing is cut even when a
  // caller hands positions out of order or repeated.
  int32_t largest = n;
  for (int32_t value : list) {
    if (value < 1) {
      trace::line("ERROR RefWriter::putCites -- position %ld", static_cast<long>(value));
      return -1;
    }
    if (value > largest) largest = value;
  }
  int c = bitsOf(static_cast<uint32_t>(largest));
  if (c < 1) c = 1;
  bits_.write(static_cast<uint32_t>(c), refformat::kWidthFieldBits);
  bits_.write(static_cast<uint32_t>(n), c);
  for (int32_t value : list) bits_.write(static_cast<uint32_t>(value), c);
  entryOpen_ = false;
  return 0;
}

int RefWriter::closeEntry() {
  if (!entryOpen_) return 0;
  // Keep the stream readable: the id gets an empty position list.
  bits_.write(1, refformat::kWidthFieldBits);
  bits_.write(0, 1);
  entryOpen_ = false;
  return LXR_FAIL("RefWriter -- id ended without positions");
}

int RefWriter::endGroup() {
  int rc = closeEntry();
  if (width_ != 0) bits_.write(refformat::kGroupEnd, width_);
  bits_.align();
  width_ = 0;
  lastId_ = 0;
  if (bits_.flush() < 0) rc = -1;
  return rc;
}

int RefWriter::endChunk(int32_t nextPos) {
  if (nextPos < 0 || (nextPos != 0 && chunkStart_ >= 0 && nextPos >= chunkStart_)) {
    trace::line("ERROR RefWriter::endChunk -- previous chunk %ld not before %ld",
                static_cast<long>(nextPos), static_cast<long>(chunkStart_));
    return -1;
  }
  int rc = endGroup();
  bits_.write(refformat::kEndMark, refformat::kWidthFieldBits);
  bits_.write(nextPos != 0 ? 1 : 0, refformat::kFlagBits);
  bits_.align();
  if (nextPos != 0) bits_.writeLong(nextPos);
  if (bits_.flush() < 0) rc = -1;
  chunkStart_ = -1;
  return rc;
}
