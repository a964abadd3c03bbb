// DOS dates: round trips and the ends of the range.
#include "objects/DosDateTime.h"

#include <gtest/gtest.h>

namespace {

std::time_t local(int y, int mo, int d, int h, int mi, int s) {
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

TEST(DosDateTimeTest, RoundTripKeepsEvenSeconds) {
  std::time_t t = local(2026, 12, 8, 13, 45, 58);
  dosdate::DosDateTime d = dosdate::fromTime(t);
  EXPECT_EQ(((2026 - 1980) << 9) | (12 << 5) | 8, dosdate::datePart(d));
  EXPECT_EQ((13 << 11) | (45 << 5) | 29, dosdate::timePart(d));
  EXPECT_EQ(t, dosdate::toTime(d));
  EXPECT_EQ(t, dosdate::toTime(dosdate::fromTime(t + 1))) << "odd seconds round down";
}

TEST(DosDateTimeTest, OutOfRangeDatesAreClamped) {
  EXPECT_EQ(dosdate::make(0x21, 0), dosdate::fromTime(local(1975, 6, 1, 0, 0, 0)));
  EXPECT_EQ(0, dosdate::toTime(dosdate::make(0, 0)));
  EXPECT_EQ(0, dosdate::toTime(dosdate::make((10 << 9) | (13 << 5) | 1, 0))) << "month 13";
}

}  // namespace
