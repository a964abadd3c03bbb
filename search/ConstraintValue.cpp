// Reading the date and size values of file conditions.
#include "search/ConstraintValue.h"

#include <limits>

namespace constraintvalue {

namespace {

constexpr int kFirstYear = 1980;
constexpr int kLastYear = 2107;
constexpr uint16_t kEndOfDay = 0xFFFF;  // above every valid MS-DOS time
constexpr int64_t kMaxSize = std::numeric_limits<int64_t>::max() / 2;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads `count` digits at *pos.
bool readDigits(const std::string& s, size_t* pos, size_t count, int* out) {
  int v = 0;
  for (size_t i = 0; i < count; ++i, ++*pos) {
    if (*pos >= s.size() || !isDigit(s[*pos])) return false;
    v = v * 10 + (s[*pos] - '0');
  }
  *out = v;
  return true;
}

// One date; `high` picks the last second of the period instead of the first.
bool parseDate(const std::string& s, bool high, dosdate::DosDateTime* out) {
  size_t pos = 0;
  int year = 0, month = high ? 12 : 1, day = high ? 31 : 1;
  if (!readDigits(s, &pos, 4, &year)) return false;
  if (pos < s.size()) {
    if (s[pos] == '-') ++pos;
    if (!readDigits(s, &pos, 2, &month) || month < 1 || month > 12) return false;
    if (pos < s.size()) {
      if (s[pos] == '-') ++pos;
      if (!readDigits(s, &pos, 2, &day) || day < 1 || day > 31) return false;
    }
  }
  if (pos != s.size()) return false;
  if (year < kFirstYear) {
    *out = high ? 0 : dosdate::make(static_cast<uint16_t>((1 << 5) | 1), 0);
    return true;
  }
  if (year > kLastYear) {
    *out = std::numeric_limits<dosdate::DosDateTime>::max();
    return true;
  }
  uint16_t date = static_cast<uint16_t>(((year - kFirstYear) << 9) | (month << 5) | day);
  *out = dosdate::make(date, high ? kEndOfDay : 0);
  return true;
}

bool parseSize(const std::string& s, int64_t* out) {
  if (s.empty()) return false;
  int64_t v = 0;
  size_t i = 0;
  for (; i < s.size() && isDigit(s[i]); ++i)
    v = v >= kMaxSize / 10 ? kMaxSize : v * 10 + (s[i] - '0');
  if (i == 0) return false;
  if (i < s.size()) {
    int shift = 0;
    switch (s[i]) {
      case 'k': case 'K': shift = 10; break;
      case 'm': case 'M': shift = 20; break;
      case 'g': case 'G': shift = 30; break;
      default: return false;
    }
    if (i + 1 != s.size()) return false;
    v = v > (kMaxSize >> shift) ? kMaxSize : v << shift;
  }
  *out = v;
  return true;
}

// Splits "A~~B" into its sides; *isRange false for a single value.
void splitRange(const std::string& value, std::string* a, std::string* b, bool* isRange) {
  size_t at = value.find("~~");
  *isRange = at != std::string::npos;
  *a = *isRange ? value.substr(0, at) : value;
  *b = *isRange ? value.substr(at + 2) : value;
}

}  // namespace

bool splitExclusion(const std::string& value, std::string* rest) {
  bool exclude = (value.size() >= 1 && value[0] == '~' && value.compare(0, 2, "~~") != 0) ||
                 value.compare(0, 3, "~~~") == 0;
  *rest = exclude ? value.substr(1) : value;
  return exclude;
}

int parseDateRange(const std::string& value, dosdate::DosDateTime* low,
                   dosdate::DosDateTime* high) {
  std::string a, b;
  bool isRange = false;
  splitRange(value, &a, &b, &isRange);
  if (isRange && a.empty() && b.empty()) return -1;
  dosdate::DosDateTime lo = 0, hi = std::numeric_limits<dosdate::DosDateTime>::max();
  if (!a.empty() && !parseDate(a, false, &lo)) return -1;
  if (!b.empty() && !parseDate(b, true, &hi)) return -1;
  if (!isRange && a.empty()) return -1;
  *low = lo;
  *high = hi;
  return 0;
}

int parseSizeRange(const std::string& value, int64_t* low, int64_t* high) {
  std::string a, b;
  bool isRange = false;
  splitRange(value, &a, &b, &isRange);
  if (isRange && a.empty() && b.empty()) return -1;
  int64_t lo = 0, hi = std::numeric_limits<int64_t>::max();
  if (!a.empty() && !parseSize(a, &lo)) return -1;
  if (!b.empty() && !parseSize(b, &hi)) return -1;
  if (!isRange && a.empty()) return -1;
  *low = lo;
  *high = hi;
  return 0;
}

}  // namespace constraintvalue
