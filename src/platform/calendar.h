// The suite's date-time value as calendar fields: a double counting days since
// 30 December 1899, the fraction being the time of day. Plain arithmetic on the
// proleptic Gregorian calendar, no time zone and no Win32 header, so the
// schedule model built on it can be compiled natively and fuzzed.
#pragma once

#include <cstdint>

namespace velmora {

struct CivilDateTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
  int dayOfWeek = 6;  // 0 = Sunday .. 6 = Saturday
};

constexpr std::int64_t kMsPerDay = 86400000;

double EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                      int millisecond = 0);
// The fields of a value, its time rounded to the millisecond (a value a hair
// below midnight is the next day at 00:00:00.000).
CivilDateTime DecodeDateTime(double value);

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Days since 30 December 1899 of a civil date, and back.
std::int64_t DayNumber(int year, int month, int day);

}  // namespace velmora
