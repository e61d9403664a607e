#include "platform/datetime.h"

#include <cmath>
#include <cstdint>

namespace velmora {

double SystemTimeToDateTime(const SYSTEMTIME& st) {
  return EncodeDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond,
                        st.wMilliseconds);
}

SYSTEMTIME DateTimeToSystemTime(double value) {
  const CivilDateTime c = DecodeDateTime(value);
  SYSTEMTIME st{};
  st.wYear = WORD(c.year);
  st.wMonth = WORD(c.month);
  st.wDay = WORD(c.day);
  st.wDayOfWeek = WORD(c.dayOfWeek);
  st.wHour = WORD(c.hour);
  st.wMinute = WORD(c.minute);
  st.wSecond = WORD(c.second);
  st.wMilliseconds = WORD(c.millisecond);
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
