// Dates in MS-DOS form, as documents and file records keep them: the date in the high 16
// bits (year-1980 << 9 | month << 5 | day) and the time in the low 16 bits
// (hour << 11 | minute << 5 | seconds / 2), in local time.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace dosdate {

using DosDateTime = uint32_t;

// Local time -> DOS form; years before 1980 give 1980-01-01 00:00:00, after 2107 the last
// representable second.
DosDateTime fromTime(std::time_t t);
// DOS form -> local C time; an invalid date (month 0, day 0) gives 0.
std::time_t toTime(DosDateTime d);

inline uint16_t datePart(DosDateTime d) { return static_cast<uint16_t>(d >> 16); }
inline uint16_t timePart(DosDateTime d) { return static_cast<uint16_t>(d & 0xFFFF); }
inline DosDateTime make(uint16_t date, uint16_t time) {
  return (static_cast<uint32_t>(date) << 16) | time;
}

// "YYYY-MM-DD HH:MM:SS", the fields as they stand (no check of their ranges).
std::string text(DosDateTime d);

}  // namespace dosdate
