#include "tools/ChangeQueue.h"

#include <algorithm>

namespace watch {

ChangeQueue::ChangeQueue(size_t limit, int64_t quietMillis, int64_t maxDelayMillis)
    : limit_(std::max<size_t>(limit, 1)), quietMillis_(quietMillis), maxDelayMillis_(maxDelayMillis) {}

void ChangeQueue::note(const std::string& path, uint8_t bits, int64_t nowMillis) {
  requeue(Change{path, bits, nowMillis, nowMillis}, nowMillis);
}

void ChangeQueue::requeue(const Change& change, int64_t nowMillis) {
  lastEventMillis_ = std::max(lastEventMillis_, nowMillis);
  auto it = changes_.find(change.path);
  if (it != changes_.end()) {
    it->second.bits |= change.bits;
    it->second.firstMillis = std::min(it->second.firstMillis, change.firstMillis);
    it->second.lastMillis = nowMillis;
    return;
  }
  if (changes_.size() >= limit_) {
    changes_.clear();
    overflowed_ = true;
    return;
  }
  if (overflowed_) return;  // a rescan will see it
  Change c = change;
  c.lastMillis = nowMillis;
  changes_.emplace(c.path, std::move(c));
}

void ChangeQueue::dropUnder(const std::string& folder) {
  changes_.erase(folder);
  std::string prefix = folder == "/" ? "/" : folder + "/";
  auto from = changes_.lower_bound(prefix);
  auto to = from;
  while (to != changes_.end() && to->first.compare(0, prefix.size(), prefix) == 0) ++to;
  changes_.erase(from, to);
}

void ChangeQueue::lose(int64_t nowMillis) {
  changes_.clear();
  overflowed_ = true;
  lastEventMillis_ = std::max(lastEventMillis_, nowMillis);
}

void ChangeQueue::clear() {
  changes_.clear();
  overflowed_ = false;
}

int64_t ChangeQueue::dueMillis() const {
  if (changes_.empty()) return kNever;
  int64_t due = lastEventMillis_ + quietMillis_;
  for (const auto& [path, c] : changes_) due = std::min(due, c.lastMillis + quietMillis_ + maxDelayMillis_);
  return due;
}

std::vector<Change> ChangeQueue::takeDue(int64_t nowMillis) {
  std::vector<Change> due;
  if (nowMillis < dueMillis()) return due;
  for (auto it = changes_.begin(); it != changes_.end();) {
    if (it->second.lastMillis + quietMillis_ <= nowMillis) {
      due.push_back(std::move(it->second));
      it = changes_.erase(it);
    } else {
      ++it;
    }
  }
  return due;
}

}  // namespace watch
