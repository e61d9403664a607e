#include "platform/calendar.h"

#include <cmath>

namespace velmora {

namespace {

// Days from 1970-01-01 to a civil date, and back (proleptic Gregorian).
long long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153LL * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(long long z, CivilDateTime& out) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  out.day = int(doy - (153 * mp + 2) / 5 + 1);
  out.month = int(mp < 10 ? mp + 3 : mp - 9);
  out.year = int(yoe + era * 400 + (out.month <= 2));
}

const long long kEpochFromUnix = -25569;  // 1899-12-30 is 25569 days before 1970-01-01

}  // namespace

std::int64_t DayNumber(int year, int month, int day) {
  return DaysFromCivil(year, month, day) - kEpochFromUnix;
}

double EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int ms) {
  const double days = double(DayNumber(year, month, day));
  const double frac = (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + ms) / double(kMsPerDay);
  // Before the epoch the fraction counts the other way (Delphi's convention).
  return days >= 0 ? days + frac : days - frac;
}

CivilDateTime DecodeDateTime(double value) {
  double days = std::trunc(value);
  long long ms = std::llround(std::fabs(value - days) * double(kMsPerDay));
  if (ms >= kMsPerDay) {
    ms -= kMsPerDay;
    days += value >= 0 ? 1 : -1;
  }
  CivilDateTime out;
  CivilFromDays((long long)days + kEpochFromUnix, out);
  out.dayOfWeek = int((((long long)days % 7) + 13) % 7);  // 30 December 1899 was a Saturday
  out.hour = int(ms / 3600000);
  out.minute = int(ms / 60000 % 60);
  out.second = int(ms / 1000 % 60);
  out.millisecond = int(ms % 1000);
  return out;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace velmora
