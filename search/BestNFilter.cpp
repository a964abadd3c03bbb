// BestNFilter and its two kinds.
#include "search/BestNFilter.h"

#include <algorithm>

#include "platform/Platform.h"

int BestNFilter::add(ResultsItem& item) {
  const int32_t score = item.doc.score;
  if (score < threshold_) return 0;
  if (static_cast<int32_t>(heap_.size()) >= n_) {
    if (heap_.top().score >= score) return 0;  // among equal scores the earlier stays
    threshold_ = heap_.top().score;
    drop(heap_.top().place);
    heap_.pop();
  }
  int32_t place = store(item);
  if (place < 0) return -1;
  heap_.push(Kept{score, arrivals_++, place});
  return 0;
}

int BestNFilter::flush(ResultsFile& out) {
  std::vector<int32_t> order;  // smallest first, then reversed: best first
  while (!heap_.empty()) {
    order.push_back(heap_.top().place);
    heap_.pop();
  }
  std::reverse(order.begin(), order.end());
  ResultsItem item;
  for (int32_t place : order)
    if (fetch(place, &item) < 0 || out.add(item) < 0) return -1;
  return 0;
}

DiskBestNFilter::DiskBestNFilter(int32_t n, const std::string& workFolder)
    : BestNFilter(n), name_(workFolder + "/RFLT.DAT") {
  waiting_.create(name_);
}

DiskBestNFilter::~DiskBestNFilter() {
  if (!waiting_.isOpen()) return;
  waiting_.close();
  platform::removeFile(name_.c_str());
}

int MemBestNFilter::fetch(int32_t place, ResultsItem* item) {
  const ResultsItem* kept = store_.at(place);
  if (!kept) return -1;
  *item = *kept;
  return 0;
}
