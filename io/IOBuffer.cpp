// The aligned block buffer under IOFile and InputFile: cursor moves, block loads and write
// backs, typed little-endian values, and block copies between buffers.
#include "io/IOBuffer.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "objects/ByteCodec.h"
#include "objects/Fail.h"
#include "objects/Trace.h"

namespace {

constexpr int32_t kCopyChunkBytes = 8192;
constexpr int32_t kCopyTraceBytes = 500;  // longer copies are traced

}  // namespace

InputBuffer::InputBuffer(int32_t bufferBytes, char* external)
    : bufferBytes_(bufferBytes > 0 ? bufferBytes : kDefaultBufferBytes),
      owned_(external == nullptr),
      baseBytes_(bufferBytes_) {
  buffer_ = external ? external : new char[static_cast<size_t>(bufferBytes_)];
  std::memset(buffer_, 0, static_cast<size_t>(bufferBytes_));
}

InputBuffer::~InputBuffer() {
  if (owned_) delete[] buffer_;
}

void InputBuffer::resetBuffer(int32_t position, int32_t length) {
  length_ = length;
  blockPos_ = position - position % bufferBytes_;
  cursor_ = position - blockPos_;
  loaded_ = false;
  end_ = false;
  dirty_ = false;
}

int InputBuffer::serveWhole(char* data, int32_t length) {
  // The caller's own memory is never given up for a map.
  if (dirty_ || !data || length <= 0 || (!owned_ && !whole_)) return -1;
  const int32_t position = tell();
  if (!whole_) ownBytes_ = baseBytes_;
  if (owned_) delete[] buffer_;
  buffer_ = data;
  bufferBytes_ = baseBytes_ = length;
  owned_ = false;
  whole_ = true;
  growthLimit_ = 0;
  length_ = length;
  blockPos_ = 0;
  cursor_ = position;
  loaded_ = true;
  end_ = false;
  return 0;
}

void InputBuffer::serveOwnBuffer() {
  if (!whole_) return;
  const int32_t position = tell();
  bufferBytes_ = baseBytes_ = std::max<int32_t>(ownBytes_, 1);
  buffer_ = new char[static_cast<size_t>(bufferBytes_)];
  std::memset(buffer_, 0, static_cast<size_t>(bufferBytes_));
  owned_ = true;
  whole_ = false;
  resetBuffer(position, length_);
}

int32_t InputBuffer::validBytes() const {
  int64_t n = static_cast<int64_t>(length_) - blockPos_;
  return static_cast<int32_t>(std::clamp<int64_t>(n, 0, bufferBytes_));
}

int InputBuffer::setBufferBytes(int32_t bytes) {
  if (bytes < 1) bytes = 1;
  if (dirty_ || !owned_) return -1;
  if (bytes != bufferBytes_) {
    char* fresh = new char[static_cast<size_t>(bytes)];
    delete[] buffer_;
    buffer_ = fresh;
    bufferBytes_ = bytes;
  }
  baseBytes_ = bytes;
  resetBuffer(tell(), length_);
  return 0;
}

int32_t InputBuffer::blockFor(int32_t position) {
  int32_t next = position - position % bufferBytes_;
  bool adjacent = loaded_ && (static_cast<int64_t>(next) == static_cast<int64_t>(blockPos_) + bufferBytes_ ||
                              static_cast<int64_t>(next) + bufferBytes_ == blockPos_);
  // A new block size: the block's place is taken again for it.
  auto resize = [&](int32_t bytes) {
    char* fresh = new char[static_cast<size_t>(bytes)];
    delete[] buffer_;
    buffer_ = fresh;
    bufferBytes_ = bytes;
    loaded_ = false;
    next = position - position % bufferBytes_;
  };
  if (adjacent && !dirty_ && owned_ && bufferBytes_ < growthLimit_ && bufferBytes_ < length_) {
    resize(static_cast<int32_t>(std::min<int64_t>(2 * static_cast<int64_t>(bufferBytes_), growthLimit_)));
  } else if (!adjacent && !dirty_ && owned_ && bufferBytes_ > baseBytes_) {
    // A jump: back to the small block, so scattered reads do not each read a large one.
    resize(baseBytes_);
  }
  return next;
}

int InputBuffer::moveToBlock(int32_t blockPos, bool needData) {
  if (writeBack() < 0) return -1;
  blockPos_ = blockPos;
  cursor_ = 0;
  loaded_ = false;
  return ensureBlock(needData);
}

int InputBuffer::ensureBlock(bool needData) {
  if (loaded_) return 0;
  int32_t want = needData ? validBytes() : 0;
  int32_t got = 0;
  if (want > 0) {
    got = readBlock(blockPos_, buffer_, want);
    if (got < 0) return -1;
    got = std::min(got, want);
  }
  // Bytes past what the file gave are zeros, so a hole written over reads back as zeros.
  std::memset(buffer_ + got, 0, static_cast<size_t>(bufferBytes_ - got));
  loaded_ = true;
  return 0;
}

int InputBuffer::seek(int32_t position) {
  if (position < 0) {
    trace::line("ERROR IOBuffer::seek failed -- negative argument -- file = %s", bufferName());
    return -1;
  }
  end_ = false;
  if (whole_ || (loaded_ && position >= blockPos_ && position - blockPos_ < bufferBytes_)) {
    cursor_ = position - blockPos_;
    return 0;
  }
  if (writeBack() < 0) return -1;
  int32_t blockPos = blockFor(position);
  if (moveToBlock(blockPos, true) < 0) {
    // Keep the position the caller asked for; the block is read again on the next access.
    if (!dirty_) {
      blockPos_ = blockPos;
      cursor_ = position - blockPos;
      loaded_ = false;
    }
    return -1;
  }
  cursor_ = position - blockPos;
  return 0;
}

int32_t InputBuffer::read(void* buffer, int32_t n) {
  if (n < 0 || (n > 0 && !buffer)) return LXR_FAIL("InputBuffer::read -- bad argument");
  char* out = static_cast<char*>(buffer);
  int32_t done = 0;
  while (done < n) {
    if (ensureBlock(true) < 0) return -1;
    if (cursor_ >= bufferBytes_) {
      if (tell() >= length_) break;  // at the end: do not load an empty block
      int32_t position = tell();
      if (writeBack() < 0 || moveToBlock(blockFor(position), true) < 0) return -1;
      cursor_ = position - blockPos_;
    }
    int32_t ahead = validBytes() - cursor_;
    if (ahead <= 0) break;
    int32_t take = std::min(ahead, n - done);
    std::memcpy(out + done, buffer_ + cursor_, static_cast<size_t>(take));
    cursor_ += take;
    done += take;
  }
  if (done < n) {
    end_ = true;
    std::memset(out + done, 0, static_cast<size_t>(n - done));
  }
  return done;
}

uint8_t InputBuffer::readByte() {
  uint8_t b = 0;
  read(&b, 1);
  return b;
}

int16_t InputBuffer::readShort() {
  uint8_t b[2] = {0, 0};
  read(b, 2);
  return bytecodec::loadI16(b);
}

int32_t InputBuffer::readLong() {
  uint8_t b[4] = {0, 0, 0, 0};
  read(b, 4);
  return bytecodec::loadI32(b);
}

// ---- IOBuffer ----

int32_t IOBuffer::write(const void* buffer, int32_t n) {
  if (whole_) {
    trace::line("ERROR IOBuffer::write -- %s is mapped for reading only", bufferName());
    return -1;
  }
  if (cursor_ < 0) {
    trace::line("IOBuffer::write -- bufptr < 0: file = %s", bufferName());
    return -1;
  }
  if (n < 0 || (n > 0 && !buffer)) return LXR_FAIL("IOBuffer::write -- bad argument");
  if (static_cast<int64_t>(tell()) + n > INT32_MAX) return LXR_FAIL("IOBuffer::write -- past 2 GiB");
  const char* in = static_cast<const char*>(buffer);
  int32_t done = 0;
  while (done < n) {
    // A block about to be overwritten whole need not be read first.
    bool whole = cursor_ % bufferBytes_ == 0 && n - done >= bufferBytes_;
    if (cursor_ >= bufferBytes_) {
      if (moveToBlock(blockPos_ + bufferBytes_, !whole) < 0) return -1;
    } else if (ensureBlock(!whole) < 0) {
      return -1;
    }
    int32_t take = std::min(bufferBytes_ - cursor_, n - done);
    std::memcpy(buffer_ + cursor_, in + done, static_cast<size_t>(take));
    cursor_ += take;
    done += take;
    dirty_ = true;
    if (tell() > length_) length_ = tell();
  }
  return n;
}

int IOBuffer::writeByte(uint8_t value) { return write(&value, 1) < 0 ? -1 : 0; }

int IOBuffer::writeShort(int16_t value) {
  uint8_t b[2];
  bytecodec::storeI16(b, value);
  return write(b, 2) < 0 ? -1 : 0;
}

int IOBuffer::writeLong(int32_t value) {
  uint8_t b[4];
  bytecodec::storeI32(b, value);
  return write(b, 4) < 0 ? -1 : 0;
}

int IOBuffer::flush() {
  if (!dirty_) return 0;
  if (writeBlock(blockPos_, validBytes()) < 0) {
    trace::line("ERROR IOBuffer::flush failed.  name= %s", bufferName());
    return -1;
  }
  dirty_ = false;
  return 0;
}

int IOBuffer::copyBlock(InputBuffer& in, int32_t length, bool skipOnly, const char* label) {
  assert(&in != this);
  if (length < 0 || static_cast<int64_t>(in.tell()) + length > in.getLength())
    return LXR_FAIL("IOBuffer::copyBlock -- source holds fewer bytes than asked");
  bool traced = length > kCopyTraceBytes;
  if (traced)
    trace::line("IOBuffer::copyBlock -- \"%s\" %d bytes...", label ? label : "", length);
  if (skipOnly) {
    if (in.seek(in.tell() + length) < 0) return -1;
  } else {
    char chunk[kCopyChunkBytes];
    for (int32_t done = 0; done < length;) {
      int32_t take = std::min(kCopyChunkBytes, length - done);
      if (in.read(chunk, take) != take) return LXR_FAIL("IOBuffer::copyBlock -- short read");
      if (write(chunk, take) != take) return -1;
      done += take;
    }
  }
  if (traced) trace::line("IOBuffer::copyBlock done");
  return 0;
}
