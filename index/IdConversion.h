// IdConversion: the table that renumbers documents when an index is compressed. From the
// bit vector of cancelled ids it keeps, for every `increment` ids, the count of surviving
// ids below; a conversion is one look-up plus a scan of fewer than `increment` bits, so the
// table stays within its byte budget whatever the number of documents. Depends on the
// standard library only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Threads: a plain value once built.
class IdConversion {
 public:
  static constexpr int32_t kDefaultTableBytes = 256000;
  static constexpr int32_t kMaxTableBytes = 1048576;

  // `cancelled[id]` for ids 0..count-1 (id 0 is never cancelled). `tableBytes` 0 means the
  // default; larger values are held at the maximum.
  IdConversion(std::vector<bool> cancelled, int32_t tableBytes = 0);

  // The new id of `oldId`: 0 when it is cancelled or outside the vector.
  int32_t convert(int32_t oldId) const;
  // The number of surviving ids above 0.
  int32_t survivors() const { return survivors_; }

  int32_t tableBytes() const { return tableBytes_; }
  int32_t maxEntries() const { return tableBytes_ / 4; }
  int32_t count() const { return static_cast<int32_t>(cancelled_.size()); }
  int32_t increment() const { return increment_; }

  // Checks every conversion against a plain count and writes the diagnostic text (the
  // sections "Cancelled: {", "Increment:", "Count:", "Table:", "Conversions:") to *out.
  // True when all agree; the first mismatch is described in *mismatch.
  bool verify(std::string* out, std::string* mismatch) const;

 private:
  std::vector<bool> cancelled_;
  std::vector<int32_t> table_;
  int32_t tableBytes_;
  int32_t increment_ = 1;
  int32_t survivors_ = 0;
};
