// StringSet: a tagged, growable list of strings.
#include "objects/StringSet.h"

StringSet::StringSet() : tag_(kTag) {}
StringSet::~StringSet() { tag_ = 0; }
StringSet::StringSet(const StringSet& other) : tag_(kTag), items_(other.items_) {}
StringSet& StringSet::operator=(const StringSet& other) {
  items_ = other.items_;
  return *this;
}

int StringSet::add(const char* s) {
  items_.emplace_back(s ? s : "");
  return count();
}

const char* StringSet::at(int i) const {
  if (i < 0 || i >= count()) return nullptr;
  return items_[static_cast<size_t>(i)].c_str();
}

int StringSet::find(const char* s) const {
  if (!s) return 0;
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i] == s) return static_cast<int>(i) + 1;
  return 0;
}

std::string StringSet::join(const char* separator) const {
  std::string out;
  for (size_t i = 0; i < items_.size(); ++i) {
    if (i) out += separator ? separator : "";
    out += items_[i];
  }
  return out;
}
