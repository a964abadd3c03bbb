// Conversion between C time and the MS-DOS date and time form.
#include "objects/DosDateTime.h"

#include <cstdio>

#include "platform/Platform.h"

namespace dosdate {

DosDateTime fromTime(std::time_t t) {
  std::tm tm{};
  if (!platform::localTime(t, &tm)) return make(0x21, 0);  // 1980-01-01
  int year = tm.tm_year + 1900;
  if (year < 1980) return make((0 << 9) | (1 << 5) | 1, 0);
  if (year > 2107) return make((127 << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29);
  uint16_t date = static_cast<uint16_t>(((year - 1980) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
  uint16_t time = static_cast<uint16_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
  return make(date, time);
}

std::time_t toTime(DosDateTime d) {
  uint16_t date = datePart(d), time = timePart(d);
  int day = date & 31, month = (date >> 5) & 15;
  if (day == 0 || month == 0 || month > 12) return 0;
  std::tm tm{};
  tm.tm_year = ((date >> 9) & 127) + 80;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = (time >> 11) & 31;
  tm.tm_min = (time >> 5) & 63;
  tm.tm_sec = (time & 31) * 2;
  tm.tm_isdst = -1;
  return platform::makeLocalTime(&tm);
}

std::string text(DosDateTime d) {
  unsigned date = datePart(d), time = timePart(d);
  char out[32];
  std::snprintf(out, sizeof out, "%04u-%02u-%02u %02u:%02u:%02u", 1980 + (date >> 9), (date >> 5) & 15,
                date & 31, time >> 11, (time >> 5) & 63, (time & 31) * 2);
  return out;
}

}  // namespace dosdate
