// RefReader: decoding of the reference lists and the chain of chunks.
// The bit layout is in docs/formats/ref-lists.md; this file only adds the checks that keep a
// damaged file from making the reader loop, run away or allocate without bound.
#include "index/RefReader.h"

#include <algorithm>

#include "objects/Fail.h"

using bitstream::bitsOf;
using refformat::kWidthFieldBits;

RefReader::RefReader(InputBuffer& in) : in_(in), bits_(in) {}

int RefReader::damage(const char* what) {
  damaged_ = true;
  ended_ = true;
  entryOpen_ = false;
  held_ = false;
  width_ = 0;
  return failAt(__FILE__, __LINE__, what);
}

int RefReader::position(int32_t filePos) {
  held_ = false;
  entryOpen_ = false;
  damaged_ = false;
  ended_ = true;
  width_ = 0;
  if (filePos < 0) return LXR_FAIL("RefReader::position -- negative position");
  bits_.seek(filePos);
  chunkStart_ = filePos;
  chained_ = false;
  // The newest chunk may run to the end of the data; past it the bits read as zeros.
  limitBits_ = static_cast<int64_t>(in_.getLength()) * 8;
  ended_ = false;
  width_ = static_cast<int>(bits_.read(kWidthFieldBits));
  if (bits_.readFailed()) return damage("RefReader::position -- read failed");
  return 0;
}

// At an end mark: the continuation flag, and the next chunk when there is one.
int RefReader::followChain() {
  const bool more = bits_.read(refformat::kFlagBits) != 0;
  bits_.align();
  if (!more) {
    ended_ = true;
    if (bits_.readFailed()) return damage("RefReader -- read failed");
    return 0;
  }
  const int32_t nextPos = bits_.readLong();
  if (bits_.readFailed()) return damage("RefReader -- read failed");
  if (chained_ && bits_.bitPos() > limitBits_)
    return damage("RefReader -- chunk runs into the newer chunk");
  // Older chunks lie earlier in the file: a pointer that does not go strictly backwards
  // would revisit bytes already read.
  if (nextPos < 0 || nextPos >= chunkStart_)
    return damage("RefReader -- chunk pointer does not go backwards");
  limitBits_ = static_cast<int64_t>(chunkStart_) * 8;
  chunkStart_ = nextPos;
  chained_ = true;
  bits_.seek(nextPos);
  width_ = static_cast<int>(bits_.read(kWidthFieldBits));
  return 0;
}

int32_t RefReader::readId() {
  for (;;) {
    if (ended_) return 0;
    if (width_ == 0) {
      if (followChain() < 0) return 0;
      continue;
    }
    if (chained_ && bits_.bitPos() + width_ > limitBits_) {
      damage("RefReader -- chunk runs into the newer chunk");
      return 0;
    }
    const uint32_t id = bits_.read(width_);
    if (id != refformat::kGroupEnd) return static_cast<int32_t>(id);
    bits_.align();
    width_ = static_cast<int>(bits_.read(kWidthFieldBits));
  }
}

int32_t RefReader::nextId() {
  if (held_) {
    held_ = false;
    currentId_ = heldId_;
    return heldId_;
  }
  if (entryOpen_ && skipCites() < 0) return 0;
  currentId_ = readId();
  entryOpen_ = currentId_ != 0;
  return currentId_;
}

int RefReader::citeHeader(int* width, int32_t* count) {
  if (!entryOpen_ || held_) return LXR_FAIL("RefReader -- no id waits for its positions");
  const int c = static_cast<int>(bits_.read(kWidthFieldBits));
  const int32_t n = static_cast<int32_t>(bits_.read(c));
  // n is at most 2^31 - 1 on disk: believe it only when its positions fit in what is left.
  if (static_cast<int64_t>(n) * c > limitBits_ - bits_.bitPos())
    return damage("RefReader -- position count larger than the data");
  entryOpen_ = false;
  *width = c;
  *count = n;
  return 0;
}

int32_t RefReader::getCites(CiteTable& list) {
  int c = 0;
  int32_t n = 0;
  if (citeHeader(&c, &n) < 0) return -1;
  for (int32_t i = 0; i < n; ++i) {
    if (list.add(static_cast<int32_t>(bits_.read(c))) < 0)
      return LXR_FAIL("RefReader::getCites -- position table full");
  }
  return n;
}

int RefReader::skipCites() {
  int c = 0;
  int32_t n = 0;
  if (citeHeader(&c, &n) < 0) return -1;
  bits_.skip(static_cast<int64_t>(n) * c);
  return 0;
}

// The entries of the current id one after the other; the id that differs is held back for
// the next nextId().
int32_t RefReader::readAll(CiteTable& list) {
  const int32_t id = currentId_;
  int64_t total = 0;
  for (;;) {
    const int32_t n = getCites(list);
    if (n < 0) return -1;
    total += n;
    const int32_t next = nextId();
    if (next != id || next == 0) {
      held_ = true;
      heldId_ = next;
      return static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX));
    }
  }
}

int32_t RefReader::readAllAscending(std::vector<int32_t>* list) {
  const int32_t id = currentId_;
  int64_t total = 0;
  for (;;) {
    int c = 0;
    int32_t n = 0;
    if (citeHeader(&c, &n) < 0) return -1;
    const size_t base = list->size();
    list->resize(base + static_cast<size_t>(n));
    int32_t* out = list->data() + base;
    for (int32_t i = n - 1; i >= 0; --i) out[i] = static_cast<int32_t>(bits_.read(c));
    total += n;
    const int32_t next = nextId();
    if (next != id || next == 0) {
      held_ = true;
      heldId_ = next;
      return static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX));
    }
  }
}

int RefReader::skipAll() {
  const int32_t id = currentId_;
  for (;;) {
    if (skipCites() < 0) return -1;
    const int32_t next = nextId();
    if (next != id || next == 0) {
      held_ = true;
      heldId_ = next;
      return 0;
    }
  }
}

int RefReader::tally(int32_t filePos, RefTally& tally) {
  if (position(filePos) < 0) return -1;
  while (nextId() != 0) {
    const int w = width_;
    int c = 0;
    int32_t n = 0;
    if (citeHeader(&c, &n) < 0) return -1;
    const uint32_t largest = n > 0 ? bits_.read(c) : 0;
    if (n > 1) bits_.skip(static_cast<int64_t>(n - 1) * c);
    ++tally.entryCount;
    tally.idBits += w;
    tally.citeBits += static_cast<int64_t>(n) * std::max(bitsOf(largest), 1);
    ++tally.byCiteCount[std::min<int32_t>(n, refformat::kTallyCiteSlots - 1)];
  }
  return damaged_ ? -1 : 0;
}
