// BestNFilter: keeps only the N found documents with the highest scores while a search runs,
// and hands them over best first when it ends. Two kinds: the disk kind keeps the items in
// a temporary results file, the memory kind in the caller's own store of found items.
// Depends on search/ResultsFile only.
#pragma once

#include <climits>
#include <cstdint>
#include <memory>
#include <queue>
#include <string>
#include <vector>

#include "search/ResultsFile.h"

// A caller's container of found items (the memory kind keeps its items there). Places are
// the store's own numbers.
class ResultsItemStore {
 public:
  virtual ~ResultsItemStore() = default;
  // Keeps a copy of `item`: its place, or -1 when it cannot be kept.
  virtual int32_t add(const ResultsItem& item) = 0;
  // Forgets the item at `place`.
  virtual void remove(int32_t place) = 0;
  // The item at `place`, or null.
  virtual const ResultsItem* at(int32_t place) const = 0;
};

// Threads: one user at a time.
class BestNFilter {
 public:
  explicit BestNFilter(int32_t n) : n_(n) {}
  virtual ~BestNFilter() = default;
  BestNFilter(const BestNFilter&) = delete;
  BestNFilter& operator=(const BestNFilter&) = delete;

  // Offers a found item (its score in item.doc.score). An item below the N best is dropped;
  // among equal scores the earlier item stays. 0, or -1 when it could not be stored.
  int add(ResultsItem& item);
  // Appends the kept items to `out` in descending score order (equal scores in order of
  // arrival). 0 or -1.
  int flush(ResultsFile& out);
  // The score an item must beat to be kept: the lowest kept once N are kept, else INT32_MIN.
  int32_t bar() const {
    return static_cast<int32_t>(heap_.size()) >= n_ ? heap_.top().score : INT32_MIN;
  }

 protected:
  // Where kept items wait: store one (its place, or -1), forget one, read one back.
  virtual int32_t store(ResultsItem& item) = 0;
  virtual void drop(int32_t place) = 0;
  virtual int fetch(int32_t place, ResultsItem* item) = 0;

 private:
  struct Kept {
    int32_t score;
    int64_t order;  // arrival
    int32_t place;
  };
  // The smallest score on top; among equal scores the latest arrival.
  struct KeptAfter {
    bool operator()(const Kept& a, const Kept& b) const {
      return a.score != b.score ? a.score > b.score : a.order < b.order;
    }
  };

  int32_t n_;
  std::priority_queue<Kept, std::vector<Kept>, KeptAfter> heap_;
  int32_t threshold_ = INT32_MIN;  // the score of the last item pushed out
  int64_t arrivals_ = 0;
};

// Kept items wait in a temporary results file (RFLT.DAT in the work folder), removed when
// the filter goes.
class DiskBestNFilter : public BestNFilter {
 public:
  DiskBestNFilter(int32_t n, const std::string& workFolder);
  ~DiskBestNFilter() override;
  // False when the waiting file could not be made.
  bool ready() const { return waiting_.isOpen(); }

 protected:
  int32_t store(ResultsItem& item) override { return waiting_.add(item); }
  void drop(int32_t) override {}  // the record stays in the waiting file, unused
  int fetch(int32_t place, ResultsItem* item) override { return waiting_.read(place, item); }

 private:
  std::string name_;
  ResultsFile waiting_;
};

// Kept items wait in the caller's store; items pushed out are removed from it, so that the
// store ends holding the N best.
class MemBestNFilter : public BestNFilter {
 public:
  MemBestNFilter(int32_t n, ResultsItemStore& store) : BestNFilter(n), store_(store) {}

 protected:
  int32_t store(ResultsItem& item) override { return store_.add(item); }
  void drop(int32_t place) override { store_.remove(place); }
  int fetch(int32_t place, ResultsItem* item) override;

 private:
  ResultsItemStore& store_;
};
