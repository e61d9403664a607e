#include "platform/datetime.h"

#include <cmath>
#include <cstdint>

namespace velmora {

namespace {

// Days from 1 January of year 1 (proleptic Gregorian) to the given date.
long long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153LL * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;  // days since 1970-01-01
}

const long long kDelphiEpochFromUnix = -25569;  // 1899-12-30 is 25569 days before 1970-01-01

}  // namespace

double EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int ms) {
  const double days = double(DaysFromCivil(year, month, day) - kDelphiEpochFromUnix);
  const double frac = (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + ms) / 86400000.0;
  // Before the epoch the fraction counts the other way (Delphi's convention).
  return days >= 0 ? days + frac : days - frac;
}

double SystemTimeToDateTime(const SYSTEMTIME& st) {
  return EncodeDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond,
                        st.wMilliseconds);
}

SYSTEMTIME DateTimeToSystemTime(double value) {
  double days = std::trunc(value);
  double frac = std::fabs(value - days);
  long long ms = std::llround(frac * 86400000.0);
  if (ms >= 86400000) {
    ms -= 86400000;
    days += value >= 0 ? 1 : -1;
  }
  // Civil date from days since 1970-01-01.
  long long z = (long long)days + kDelphiEpochFromUnix + 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const long long d = doy - (153 * mp + 2) / 5 + 1;
  const long long m = mp < 10 ? mp + 3 : mp - 9;
  const long long y = yoe + era * 400 + (m <= 2);

  SYSTEMTIME st{};
  st.wYear = WORD(y);
  st.wMonth = WORD(m);
  st.wDay = WORD(d);
  st.wDayOfWeek = WORD((((long long)days % 7) + 13) % 7);  // 30 December 1899 was a Saturday
  st.wHour = WORD(ms / 3600000);
  st.wMinute = WORD(ms / 60000 % 60);
  st.wSecond = WORD(ms / 1000 % 60);
  st.wMilliseconds = WORD(ms % 1000);
  return st;
}

namespace {

// The zone's offset (local minus UTC, in days) in force at a UTC time. It is
// asked once per quarter hour of UTC time (offsets change only at such
// boundaries) and kept in a small table per thread: asking the system for
// every file of a scan costs more than the rest of its row. Plain data, so the
// table needs no clean-up when a thread ends.
bool LocalOffsetAt(std::uint64_t ticks, double& offset) {
  struct Slot {
    std::uint64_t bucket;
    double offset;
    bool valid;
  };
  thread_local Slot slots[256];
  constexpr std::uint64_t kQuarterHour = 15ull * 60 * 10000000;
  const std::uint64_t bucket = ticks / kQuarterHour;
  Slot& slot = slots[bucket % 256];
  if (!slot.valid || slot.bucket != bucket) {
    const std::uint64_t start = bucket * kQuarterHour;
    const FILETIME startTime{DWORD(start), DWORD(start >> 32)};
    SYSTEMTIME startUtc{}, startLocal{};
    if (!FileTimeToSystemTime(&startTime, &startUtc) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &startUtc, &startLocal))
      return false;
    slot = {bucket, SystemTimeToDateTime(startLocal) - SystemTimeToDateTime(startUtc), true};
  }
  offset = slot.offset;
  return true;
}

}  // namespace

double FileTimeToLocalDateTime(const FILETIME& ft) {
  if (ft.dwLowDateTime == 0 && ft.dwHighDateTime == 0) return 0;
  SYSTEMTIME utc{};
  if (!FileTimeToSystemTime(&ft, &utc)) return 0;
  double offset = 0;
  if (!LocalOffsetAt((std::uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime, offset)) return 0;
  return SystemTimeToDateTime(utc) + offset;
}

bool FileTimeToLocalAt(const FILETIME& utc, FILETIME& local) {
  const std::uint64_t ticks = (std::uint64_t(utc.dwHighDateTime) << 32) | utc.dwLowDateTime;
  double offset = 0;
  if (!LocalOffsetAt(ticks, offset)) return false;
  const std::int64_t shift = std::int64_t(std::llround(offset * 24 * 60 * 60)) * 10000000;
  if (shift < 0 && ticks < std::uint64_t(-shift)) return false;
  const std::uint64_t t = ticks + std::uint64_t(shift);
  local = FILETIME{DWORD(t), DWORD(t >> 32)};
  return true;
}

FILETIME LocalDateTimeToFileTime(double value) {
  const SYSTEMTIME local = DateTimeToSystemTime(value);
  SYSTEMTIME utc{};
  FILETIME ft{};
  if (TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc)) SystemTimeToFileTime(&utc, &ft);
  return ft;
}

}  // namespace velmora
