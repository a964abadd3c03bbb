// CiteTable: clearing, the self-check and the dump.
#include "index/CiteTable.h"

#include <cstdio>

#include "objects/Trace.h"

void CiteTable::clear() {
  count_ = 0;
  tailIndex_ = -1;
  tailFill_ = 0;
}

int CiteTable::verify() const {
  // The block chain: a tail inside the blocks we own, partly or wholly filled, and every
  // block before it full.
  const bool chainSound =
      (tailIndex_ == -1 && tailFill_ == 0) ||
      (tailIndex_ >= 0 && static_cast<size_t>(tailIndex_) < blocks_.size() && tailFill_ >= 1 &&
       tailFill_ <= kBlockCount);
  if (!chainSound) {
    trace::line("DList::verify failed");
    return -1;
  }
  int64_t walked = 0;
  for (int32_t b = tailIndex_; b >= 0; --b) {
    const int32_t fill = b == tailIndex_ ? tailFill_ : kBlockCount;
    for (int32_t i = fill - 1; i >= 0; --i) {
      ++walked;
      if (walked > count_) {
        trace::line("Too many cites: %lld", static_cast<long long>(walked));
        return -1;
      }
      const int32_t value = blocks_[static_cast<size_t>(b)]->values[i];
      if (value <= 0) {
        trace::line("Cites out of order: %d", value);
        return -1;
      }
    }
  }
  if (walked < count_) {
    trace::line("Incorrect count");
    return -1;
  }
  return 0;
}

std::string CiteTable::dump() const {
  std::string out = "CiteTable count=" + std::to_string(count_) + "\n";
  char cell[16];
  for (int32_t i = 0; i < count_; ++i) {
    std::snprintf(cell, sizeof cell, i % 10 == 0 ? "%d" : " %d", at(i));
    out += cell;
    if (i % 10 == 9 || i == count_ - 1) out += "\n";
  }
  return out;
}
