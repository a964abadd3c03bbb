// A growable list of NUL-terminated strings: the include and exclude patterns and the index
// lists that the job records point at. It carries a tag so that the engine interface can
// tell a string set from any other block of memory it is handed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class StringSet {
 public:
  StringSet();
  ~StringSet();
  StringSet(const StringSet& other);
  StringSet& operator=(const StringSet& other);

  // Appends a copy of `s` (null counts as empty); returns the new count.
  int add(const char* s);
  int add(const std::string& s) { return add(s.c_str()); }
  void clear() { items_.clear(); }
  int count() const { return static_cast<int>(items_.size()); }
  // The string at `i`, or null when i is out of range.
  const char* at(int i) const;
  // 1-based position of an exactly equal string, 0 when absent.
  int find(const char* s) const;
  // The strings joined by `separator`.
  std::string join(const char* separator) const;

  // True when this object is intact (its tag is set).
  bool isValid() const { return tag_ == kTag; }

 private:
  static constexpr uint32_t kTag = 0x53525453;  // "STRS"
  uint32_t tag_;
  std::vector<std::string> items_;
};
