// The schedule model without the registry: schedule kinds, their "Params"
// strings, the next run after a moment, the next due moment of a stored
// schedule and the due test. Both programs compute the next run here, so they
// agree. All moments are local wall-clock date-times (days since 30 December
// 1899); the arithmetic is on calendar fields, never through UTC, so a
// schedule keeps its wall-clock time across daylight-saving changes.
//
// No Win32 header: this file can be built natively and fuzzed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::shell {

enum class ScheduleKind : int {
  Minutes = 0,   // every N minutes
  Hours = 1,     // every H hours at M minutes past the hour
  Days = 2,      // every D days at time of day T
  Weeks = 3,     // every W weeks on weekday K
  Months = 4,    // every M months on day D
  WinStart = 5,  // each time Windows starts
  WinEnd = 6,    // when Windows shuts down
};

// A stored "SchedType" as a kind; nullopt outside 0..6.
std::optional<ScheduleKind> ScheduleKindFromInt(std::int64_t value);
// Kinds 0 to 4 run at computed moments; 5 and 6 are triggered by Windows.
bool IsTimedKind(ScheduleKind kind);

// The parts of "Params". `count` is N, H, D, W or M; `at` is the minute past
// the hour (kind 1), the weekday 0 = Sunday .. 6 = Saturday (kind 3) or the
// day of the month (kind 4); `timeOfDay` is T of kind 2, a fraction of a day.
struct ScheduleParams {
  int count = 0;
  int at = 0;
  double timeOfDay = 0;
};

// Reads "Params" for a timed kind; nullopt when malformed: the wrong number of
// "|"-separated parts, a part that is not a number, a count below 1, a minute
// outside 0..59, a weekday outside 0..6, a day outside 1..31, or T outside
// [0, 1). Blanks around a number are accepted; T may use "." or "," as its
// decimal mark (older copies wrote it with the locale's mark).
std::optional<ScheduleParams> ParseScheduleParams(ScheduleKind kind, std::string_view text);
// "Params" for a kind: "N", "H|M", "D|T", "W|K", "M|D", or "" for kinds 5 and 6.
// T is written with a dot and up to 15 significant digits.
std::string FormatScheduleParams(ScheduleKind kind, const ScheduleParams& params);
// T as "Params" writes it ("0.333333333333333" for 08:00); always a text
// ParseScheduleParams reads back (a T that fifteen digits would round up to 1
// is written "0.999999999999999").
std::string FormatTimeOfDay(double fraction);

// The default schedule a tool gets when first switched on: every 5 days at 08:00.
inline constexpr ScheduleKind kDefaultScheduleKind = ScheduleKind::Days;
inline constexpr const char* kDefaultScheduleParams = "5|0.33333333333";

// The first run after `base` for a timed kind; nullopt for kinds 5 and 6, and
// when the result would fall outside the years 1900..9999.
//   0: base + N minutes.
//   1: base + H hours, its minute replaced by M (hour, seconds, milliseconds kept).
//   2: the date of base + D days at T.
//   3: the date of base + 7W days, moved on to the next weekday K, at 00:00.
//   4: day D of the month M calendar months after base's, at 00:00; a day the
//      month lacks becomes its last day (31 January + 1 month: the end of February).
std::optional<double> NextRunAfter(ScheduleKind kind, const ScheduleParams& params, double base);

// True for a stored date-time that names a moment in the years 1900..9999.
bool IsValidScheduleDate(double value);
// The start of the day after `now`: the first "NextRun" of a newly switched-on tool.
double StartOfNextDay(double now);

// The values of a tool key the next due moment depends on, as read (dates
// already checked with IsValidScheduleDate, nullopt when missing or invalid).
struct StoredSchedule {
  std::optional<std::int64_t> schedType;
  std::optional<std::string> params;
  std::optional<double> nextRun;
  std::optional<double> lastRan;
};

enum class ScanTrigger : int { Timed = 0, StartUp = 1, ShutDown = 2 };

struct NextScan {
  ScanTrigger trigger = ScanTrigger::Timed;
  double moment = 0;  // for Timed only
};

struct NextScanResult {
  // nullopt: no schedule kind, or a timed kind whose next run cannot be computed.
  std::optional<NextScan> next;
  // Set when the caller must store this as "NextRun" (a schedule never run and
  // never given a next run starts one hour from now).
  std::optional<double> nextRunToWrite;
  // Set when "LastRan" is later than now (the clock was set back): the caller
  // stores now in its place, so later evaluations count from a moment that
  // has passed and the schedule runs at its next slot.
  std::optional<double> lastRanToWrite;
};

// The next due moment of a stored schedule at `now`:
// - "NextRun" when present, or now + 1 hour (to be written) when neither
//   "NextRun" nor "LastRan" is stored;
// - otherwise the next run after "LastRan", not written back;
// - a "LastRan" later than now (the clock was set back) counts as now, for the
//   next run and for a stored "NextRun" beyond the next slot after now (both
//   written back), so the schedule does not wait for the clock to catch up;
// - kinds 5 and 6 give their trigger; a timed kind with malformed "Params"
//   gives no next run, so the tool is never started on a schedule it cannot read.
NextScanResult EvaluateNextScan(const StoredSchedule& stored, double now);

// A timed tool is due when now is at or after its next run; a shut-down tool
// only while the session ends; a start-up tool never (its Run entry starts it).
bool IsDue(const std::optional<NextScan>& next, double now, bool atShutDown);

// The free-space condition: with "OnlyScan" on, a run may start only while
// drive C: has less free space than the limit (whole megabytes of 1,048,576
// bytes, rounded down). Free space that cannot be read counts as none.
bool FreeSpaceAllowsRun(bool onlyScan, std::int64_t limitMegabytes, std::optional<std::uint64_t> freeBytes);
inline constexpr std::int32_t kDefaultSpaceFreeMegabytes = 100;

// The scheduling window's description of a schedule ("Every 5 Days at 8:00 AM").
// `formatShortTime` formats T of kind 2 in the user's short time format.
// nullopt when the kind's "Params" are malformed.
std::optional<std::string> DescribeSchedule(ScheduleKind kind, std::string_view params,
                                            std::string (*formatShortTime)(double));

// "Sunday" .. "Saturday" for 0 .. 6.
const char* WeekdayName(int weekday);

}  // namespace velmora::shell
