// The bit stream under the reference lists: BitReader takes bits most significant first
// from an InputBuffer, BitWriter packs them into an IOBuffer. Both keep a 64-bit
// accumulator and a small byte window, so a value costs a shift and a mask, and the block
// buffer is called once per window rather than once per byte. Depends on io/IOBuffer only.
#pragma once

#include <cstdint>

#include "io/IOBuffer.h"

namespace bitstream {

// The number of significant bits of v: 0 for 0, 1 for 1, 3 for 5, 31 for INT32_MAX.
inline int bitsOf(uint32_t v) { return v == 0 ? 0 : 32 - __builtin_clz(v); }

}  // namespace bitstream

// Reads bits from an InputBuffer, each byte from its 0x80 bit down to its 0x01 bit. Past
// the end of the data, and after a failed block read, it yields zero bits.
// Threads: one user at a time; the InputBuffer is moved by this reader and must not be
// used by anyone else between seek() and the last read.
class BitReader {
 public:
  // `in` must outlive the reader.
  explicit BitReader(InputBuffer& in);
  BitReader(const BitReader&) = delete;
  BitReader& operator=(const BitReader&) = delete;

  // Moves to byte `filePos` (at a byte boundary). Nothing is read until the first bits are
  // asked for. Requires: filePos >= 0.
  void seek(int64_t filePos);
  // The next n bits as an unsigned value. Requires: 0 <= n <= 32.
  uint32_t read(int n);
  // Moves past n bits. Requires: n >= 0.
  void skip(int64_t n);
  // Drops the rest of the current byte, so the next value starts at a byte boundary.
  void align() { drop(accBits_ % 8); }
  // Four bytes, little-endian. Requires: aligned.
  int32_t readLong();

  // Position of the next bit, counted in bits from the start of the file.
  int64_t bitPos() const { return (windowPos_ + (next_ - window_)) * 8 - accBits_; }
  // Set once a block read failed (the bits delivered since then are zeros); cleared by
  // seek() only when the window is loaded anew.
  bool readFailed() const { return readFailed_; }

 private:
  static constexpr int kWindowBytes = 512;

  void refill();
  void loadWindow();
  void drop(int n) {
    acc_ <<= n;
    accBits_ -= n;
  }

  InputBuffer& in_;
  uint64_t acc_ = 0;      // the next accBits_ bits, left-aligned
  int accBits_ = 0;
  int64_t windowPos_ = 0; // file position of window_[0]
  int32_t windowBytes_ = 0;
  int32_t realBytes_ = 0; // bytes of the window that came from the data
  const uint8_t* next_;   // the next byte of the window to enter the accumulator
  bool readFailed_ = false;
  uint8_t window_[kWindowBytes];
};

// Packs bits into an IOBuffer, most significant first. Whole bytes collect in a small
// buffer of the writer's own and reach the IOBuffer at flush(); until then the IOBuffer's
// position lags behind. Threads: one user at a time.
class BitWriter {
 public:
  // `out` must outlive the writer.
  explicit BitWriter(IOBuffer& out) : out_(out) {}
  BitWriter(const BitWriter&) = delete;
  BitWriter& operator=(const BitWriter&) = delete;

  // Appends the low n bits of v. Requires: 0 <= n <= 32.
  void write(uint32_t v, int n);
  // Completes a partly filled byte with zero bits.
  void align();
  // Four bytes, little-endian. Requires: aligned.
  void writeLong(int32_t v);
  bool aligned() const { return accBits_ == 0; }
  // Hands the collected whole bytes to the IOBuffer at its position. 0, or -1 when a write
  // to the IOBuffer failed at any time since the last flush() (the bytes are lost).
  // Bits of a partly filled byte stay behind.
  int flush();
  // Forgets collected bits and bytes that were not flushed.
  void discard();

 private:
  static constexpr int kPendingBytes = 256;

  void emit(uint8_t b) {
    pending_[pendingBytes_++] = b;
    if (pendingBytes_ == kPendingBytes) handOver();
  }
  void handOver();

  IOBuffer& out_;
  uint64_t acc_ = 0;  // the low accBits_ bits wait to be emitted
  int accBits_ = 0;
  int pendingBytes_ = 0;
  bool writeFailed_ = false;
  uint8_t pending_[kPendingBytes];
};

// ---- Inline bodies: the hot paths of decoding. Readers of the interface can stop here. ----

inline uint32_t BitReader::read(int n) {
  if (n == 0) return 0;
  if (accBits_ < n) refill();
  uint32_t v = static_cast<uint32_t>(acc_ >> (64 - n));
  drop(n);
  return v;
}

inline void BitWriter::write(uint32_t v, int n) {
  if (n == 0) return;
  uint64_t mask = (uint64_t{1} << n) - 1;
  acc_ = (acc_ << n) | (v & mask);
  accBits_ += n;
  while (accBits_ >= 8) {
    accBits_ -= 8;
    emit(static_cast<uint8_t>(acc_ >> accBits_));
  }
}
