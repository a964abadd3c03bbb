// BitReader and BitWriter: window loads, skips and the hand-over of whole bytes to the
// block buffer. The per-value paths are inline in the header.
#include "index/BitStream.h"

#include <algorithm>
#include <cstring>

BitReader::BitReader(InputBuffer& in) : in_(in), next_(window_) {}

void BitReader::seek(int64_t filePos) {
  acc_ = 0;
  accBits_ = 0;
  // A target inside the bytes already taken from the data needs no new load.
  if (filePos >= windowPos_ && filePos < windowPos_ + realBytes_) {
    next_ = window_ + (filePos - windowPos_);
    return;
  }
  windowPos_ = filePos;
  windowBytes_ = 0;
  realBytes_ = 0;
  next_ = window_;
  readFailed_ = false;
}

void BitReader::loadWindow() {
  windowPos_ += windowBytes_;
  next_ = window_;
  const int64_t length = in_.getLength();
  if (windowPos_ >= length || windowPos_ > INT32_MAX) {
    // Past the end: zero bits, without asking the buffer.
    std::memset(window_, 0, sizeof window_);
    windowBytes_ = kWindowBytes;
    realBytes_ = 0;
    return;
  }
  // Up to the end of the buffer's block, so one load costs at most one block read.
  const int32_t pos = static_cast<int32_t>(windowPos_);
  const int32_t toBlockEnd = in_.bufferBytes() - pos % in_.bufferBytes();
  const int32_t want = std::min<int32_t>(kWindowBytes, toBlockEnd);
  int32_t got = -1;
  if (in_.seek(pos) == 0) got = in_.read(window_, want);
  if (got < 0) {
    readFailed_ = true;
    got = 0;
  }
  std::memset(window_ + got, 0, static_cast<size_t>(kWindowBytes - got));
  windowBytes_ = want;
  realBytes_ = got;
}

void BitReader::refill() {
  while (accBits_ <= 56) {
    if (next_ == window_ + windowBytes_) loadWindow();
    acc_ |= static_cast<uint64_t>(*next_++) << (56 - accBits_);
    accBits_ += 8;
  }
}

void BitReader::skip(int64_t n) {
  if (n <= accBits_) {
    drop(static_cast<int>(n));
    return;
  }
  const int64_t target = bitPos() + n;
  seek(target / 8);
  read(static_cast<int>(target % 8));
}

int32_t BitReader::readLong() {
  uint32_t v = read(8);
  v |= read(8) << 8;
  v |= read(8) << 16;
  v |= read(8) << 24;
  return static_cast<int32_t>(v);
}

void BitWriter::align() {
  if (accBits_ > 0) write(0, 8 - accBits_);
}

void BitWriter::writeLong(int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  for (int shift = 0; shift < 32; shift += 8) write((u >> shift) & 0xFF, 8);
}

void BitWriter::handOver() {
  if (pendingBytes_ > 0 && out_.write(pending_, pendingBytes_) < 0) writeFailed_ = true;
  pendingBytes_ = 0;
}

int BitWriter::flush() {
  handOver();
  const bool failed = writeFailed_;
  writeFailed_ = false;
  return failed ? -1 : 0;
}

void BitWriter::discard() {
  acc_ = 0;
  accBits_ = 0;
  pendingBytes_ = 0;
  writeFailed_ = false;
}
