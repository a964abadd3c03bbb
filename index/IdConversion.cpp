#include "index/IdConversion.h"

#include <algorithm>

IdConversion::IdConversion(std::vector<bool> cancelled, int32_t tableBytes)
    : cancelled_(std::move(cancelled)),
      tableBytes_(tableBytes <= 0 ? kDefaultTableBytes : std::min(tableBytes, kMaxTableBytes)) {
  if (!cancelled_.empty()) cancelled_[0] = false;  // there is no document 0
  const int64_t count = static_cast<int64_t>(cancelled_.size());
  const int64_t entries = std::max<int64_t>(1, tableBytes_ / 4);
  increment_ = static_cast<int32_t>(std::max<int64_t>(1, (count + entries - 1) / entries));
  table_.reserve(static_cast<size_t>(count / increment_ + 1));
  int32_t alive = 0;
  for (int64_t id = 0; id < count; ++id) {
    if (id % increment_ == 0) table_.push_back(alive);
    if (!cancelled_[static_cast<size_t>(id)]) ++alive;
  }
  survivors_ = alive > 0 ? alive - 1 : 0;  // id 0 counted as alive
}

int32_t IdConversion::convert(int32_t oldId) const {
  if (oldId <= 0 || oldId >= count() || cancelled_[static_cast<size_t>(oldId)]) return 0;
  int32_t base = oldId - oldId % increment_;
  int32_t n = table_[static_cast<size_t>(oldId / increment_)];
  for (int32_t id = base; id < oldId; ++id)
    if (!cancelled_[static_cast<size_t>(id)]) ++n;
  return n;
}

bool IdConversion::verify(std::string* out, std::string* mismatch) const {
  out->clear();
  *out += "Cancelled: {";
  for (int32_t id = 0; id < count(); ++id)
    if (cancelled_[static_cast<size_t>(id)]) *out += " " + std::to_string(id);
  *out += " }\nIncrement: " + std::to_string(increment_) + "\nCount: " + std::to_string(count()) + "\nTable:\n";
  for (size_t k = 0; k < table_.size(); ++k) *out += "  " + std::to_string(k) + ": " + std::to_string(table_[k]) + "\n";
  *out += "Conversions:\n";
  bool ok = true;
  int32_t prevNew = 0, plain = 0;
  for (int32_t id = 1; id < count(); ++id) {
    int32_t newId = convert(id);
    bool alive = !cancelled_[static_cast<size_t>(id)];
    if (alive) ++plain;
    *out += "  " + std::to_string(id) + " -> " + std::to_string(newId) + "\n";
    if (ok && newId != (alive ? plain : 0)) {
      ok = false;
      *mismatch = "oldId = " + std::to_string(id) + " PrevId = " + std::to_string(prevNew) +
                  " newId = " + std::to_string(newId);
    }
    if (newId) prevNew = newId;
  }
  return ok;
}
