// CiteTable: the word positions (cites) of one document in memory, as reference lists
// deliver and take them: largest first, in blocks of 511 so that a long list grows without
// copying. Used by RefReader, RefWriter and the search results. Depends on nothing but the
// standard library and objects/.
#pragma once

#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "index/RefFormat.h"

// Threads: one user at a time.
class CiteTable {
 public:
  static constexpr int32_t kBlockCount = refformat::kCiteBlockCount;

  CiteTable() = default;
  CiteTable(const CiteTable&) = delete;
  CiteTable& operator=(const CiteTable&) = delete;

  // Appends one position at the end. 0, or -1 when the table already holds INT32_MAX
  // positions (nothing is added).
  int add(int32_t position);
  // Empties the table; its blocks stay allocated for reuse.
  void clear();
  int32_t count() const { return count_; }
  bool empty() const { return count_ == 0; }
  // The i-th position in the order added. Requires: 0 <= i < count().
  int32_t at(int32_t i) const { return blocks_[i / kBlockCount]->values[i % kBlockCount]; }
  // Requires: !empty().
  int32_t first() const { return at(0); }
  int32_t last() const { return at(count_ - 1); }

  // Walks the table from its end and checks the block structure, that every position is
  // positive and that the positions walked agree with count(). Reports the first fault to
  // the trace: "DList::verify failed", "Too many cites: <n>", "Cites out of order: <value>"
  // or "Incorrect count". 0 when sound, -1 after a report.
  int verify() const;
  // "CiteTable count=<n>" followed by the positions, ten to a line, each line ending in
  // "\n".
  std::string dump() const;

  // Iteration in the order added (largest first for a list read from disk); rbegin/rend
  // walk from the end. Iterators stay valid until the table changes.
  class const_iterator {
   public:
    using iterator_category = std::bidirectional_iterator_tag;
    using value_type = int32_t;
    using difference_type = std::ptrdiff_t;
    using pointer = const int32_t*;
    using reference = int32_t;
    const_iterator() = default;
    int32_t operator*() const { return table_->at(index_); }
    const_iterator& operator++() { ++index_; return *this; }
    const_iterator operator++(int) { const_iterator t = *this; ++index_; return t; }
    const_iterator& operator--() { --index_; return *this; }
    const_iterator operator--(int) { const_iterator t = *this; --index_; return t; }
    bool operator==(const const_iterator& o) const { return index_ == o.index_; }
   private:
    friend class CiteTable;
    const_iterator(const CiteTable* table, int32_t index) : table_(table), index_(index) {}
    const CiteTable* table_ = nullptr;
    int32_t index_ = 0;
  };
  const_iterator begin() const { return const_iterator(this, 0); }
  const_iterator end() const { return const_iterator(this, count_); }
  std::reverse_iterator<const_iterator> rbegin() const { return std::reverse_iterator(end()); }
  std::reverse_iterator<const_iterator> rend() const { return std::reverse_iterator(begin()); }

 private:
  struct Block {
    int32_t values[kBlockCount];
  };

  std::vector<std::unique_ptr<Block>> blocks_;  // blocks in use come first
  int32_t count_ = 0;
  int32_t tailIndex_ = -1;  // index of the block being filled, -1 when empty
  int32_t tailFill_ = 0;    // positions in that block
};

// ---- Inline bodies. Readers of the interface can stop here. ----

inline int CiteTable::add(int32_t position) {
  if (tailIndex_ < 0 || tailFill_ == kBlockCount) {
    if (count_ == INT32_MAX) return -1;
    ++tailIndex_;
    tailFill_ = 0;
    if (static_cast<size_t>(tailIndex_) == blocks_.size()) blocks_.push_back(std::make_unique<Block>());
  }
  blocks_[static_cast<size_t>(tailIndex_)]->values[tailFill_++] = position;
  ++count_;
  return 0;
}
