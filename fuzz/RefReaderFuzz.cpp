// Fuzz target: the word reference list reader on arbitrary bytes. The input is a whole
// reference file held in memory; the reader is positioned at several offsets and walks
// every id with getCites, skipCites, readAll and skipAll in turn, then tallies the list.
// Input: one control byte (bits 0-1: block size 16 << n; bits 2-7: how entries are read),
// then the file. Every walk must end, stay inside the data and bound what it collects.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "index/CiteTable.h"
#include "index/RefReader.h"
#include "io/IOBuffer.h"

namespace {

// An InputBuffer over the fuzzer's bytes, so the block logic under the reader is the real
// one without a file per input.
class MemoryInput : public InputBuffer {
 public:
  MemoryInput(const uint8_t* data, int32_t size, int32_t bufferBytes)
      : InputBuffer(bufferBytes), data_(data), size_(size) {
    resetBuffer(0, size);
  }

 protected:
  int32_t readBlock(int32_t position, char* into, int32_t n) override {
    if (position < 0 || position > size_) return -1;
    const int32_t take = std::min(n, size_ - position);
    if (take > 0) std::memcpy(into, data_ + position, static_cast<size_t>(take));
    return take;
  }
  const char* bufferName() const override { return "fuzz input"; }

 private:
  const uint8_t* data_;
  int32_t size_;
};

void walk(RefReader& r, int32_t pos, uint8_t mode, int32_t size) {
  if (r.position(pos) < 0) return;
  CiteTable t;
  int64_t ids = 0;
  uint32_t turn = mode;
  while (int32_t id = r.nextId()) {
    if (id < 0) std::abort();
    // Each id takes at least one bit of the data (or a zero bit past it ends the list).
    if (++ids > static_cast<int64_t>(size) * 8 + 8) std::abort();
    t.clear();
    switch (turn++ % 5) {
      case 0: r.getCites(t); break;
      case 1: r.skipCites(); break;
      case 2: r.readAll(t); break;
      case 3: r.skipAll(); break;
      default: break;  // leave it to nextId() to skip
    }
    if (static_cast<int64_t>(t.count()) > static_cast<int64_t>(size) * 8) std::abort();
  }
  if (r.nextId() != 0) std::abort();  // an ended list stays ended
  RefTally tally;
  r.tally(pos, tally);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  const uint8_t control = data[0];
  const uint8_t* file = data + 1;
  const int32_t fileBytes = static_cast<int32_t>(size - 1);
  MemoryInput in(file, fileBytes, 16 << (control & 3));
  RefReader r(in);
  const uint8_t mode = static_cast<uint8_t>(control >> 2);
  // Fixed offsets, one past the end, and one named by the first four bytes.
  uint32_t named = 0;
  if (fileBytes >= 4) std::memcpy(&named, file, 4);
  if (fileBytes > 0) named %= static_cast<uint32_t>(fileBytes);
  const int32_t positions[] = {0, 1, fileBytes / 2, fileBytes - 1, fileBytes + 3,
                               static_cast<int32_t>(named)};
  for (int32_t pos : positions)
    if (pos >= 0) walk(r, pos, mode, fileBytes);
  return 0;
}
