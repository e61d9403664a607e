#include "shell/schedule_calendar.h"

#include <charconv>
#include <cmath>

#include "platform/calendar.h"

namespace velmora::shell {

namespace {

// Moments as whole milliseconds since the epoch, so repeated adding never
// drifts (30 minutes is not exact as a fraction of a day).
std::int64_t ToMs(double value) {
  const CivilDateTime c = DecodeDateTime(value);
  return DayNumber(c.year, c.month, c.day) * kMsPerDay +
         ((c.hour * 60 + c.minute) * 60 + c.second) * 1000LL + c.millisecond;
}

double FromMs(std::int64_t ms) {
  const std::int64_t days = ms / kMsPerDay;  // moments before 1900 never get here
  return double(days) + double(ms % kMsPerDay) / double(kMsPerDay);
}

const double kFirstValid = 2.0;           // 1 January 1900 00:00
const double kPastLastValid = 2958466.0;  // 1 January 10000 00:00

std::optional<double> InRange(double value) {
  if (!IsValidScheduleDate(value)) return std::nullopt;
  return value;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Decimal digits only, at most nine (no sign, no overflow).
std::optional<int> ParseNumber(std::string_view s) {
  s = Trim(s);
  if (s.empty() || s.size() > 9) return std::nullopt;
  int v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

std::optional<double> ParseFraction(std::string_view s) {
  s = Trim(s);
  if (s.empty() || s.size() > 64) return std::nullopt;
  std::string text(s);
  for (char& c : text) {
    if (c == ',') c = '.';
    // Digits, one mark and an exponent only: from_chars would also take "inf" and "nan".
    else if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '-' || c == '+'))
      return std::nullopt;
  }
  double v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) return std::nullopt;
  if (v < 0 || v >= 1) return std::nullopt;
  return v;
}

}  // namespace

std::optional<ScheduleKind> ScheduleKindFromInt(std::int64_t value) {
  if (value < 0 || value > 6) return std::nullopt;
  return ScheduleKind(int(value));
}

bool IsTimedKind(ScheduleKind kind) { return int(kind) >= 0 && int(kind) <= 4; }

std::optional<ScheduleParams> ParseScheduleParams(ScheduleKind kind, std::string_view text) {
  if (!IsTimedKind(kind)) return ScheduleParams{};
  const size_t bar = text.find('|');
  ScheduleParams p;
  if (kind == ScheduleKind::Minutes) {
    if (bar != std::string_view::npos) return std::nullopt;
    const auto n = ParseNumber(text);
    if (!n || *n < 1) return std::nullopt;
    p.count = *n;
    return p;
  }
  if (bar == std::string_view::npos) return std::nullopt;
  const std::string_view first = text.substr(0, bar), second = text.substr(bar + 1);
  if (second.find('|') != std::string_view::npos) return std::nullopt;
  const auto count = ParseNumber(first);
  if (!count || *count < 1) return std::nullopt;
  p.count = *count;
  if (kind == ScheduleKind::Days) {
    const auto t = ParseFraction(second);
    if (!t) return std::nullopt;
    p.timeOfDay = *t;
    return p;
  }
  const auto at = ParseNumber(second);
  if (!at) return std::nullopt;
  const int low = kind == ScheduleKind::Months ? 1 : 0;
  const int high = kind == ScheduleKind::Hours ? 59 : kind == ScheduleKind::Weeks ? 6 : 31;
  if (*at < low || *at > high) return std::nullopt;
  p.at = *at;
  return p;
}

std::string FormatTimeOfDay(double fraction) {
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, fraction, std::chars_format::general, 15);
  const std::string text = ec == std::errc() ? std::string(buf, end) : std::string("0");
  if (ParseFraction(text)) return text;
  // Fifteen digits round a value a hair below 1 up to "1", which is no time of
  // day and would not be read back; the largest fifteen-digit value below 1 is
  // the same moment to the millisecond. Anything else unreadable is midnight.
  return fraction >= 0.5 ? "0.999999999999999" : "0";
}

std::string FormatScheduleParams(ScheduleKind kind, const ScheduleParams& p) {
  switch (kind) {
    case ScheduleKind::Minutes:
      return std::to_string(p.count);
    case ScheduleKind::Days:
      return std::to_string(p.count) + "|" + FormatTimeOfDay(p.timeOfDay);
    case ScheduleKind::Hours:
    case ScheduleKind::Weeks:
    case ScheduleKind::Months:
      return std::to_string(p.count) + "|" + std::to_string(p.at);
    case ScheduleKind::WinStart:
    case ScheduleKind::WinEnd:
      break;
  }
  return std::string();
}

bool IsValidScheduleDate(double value) {
  return std::isfinite(value) && value >= kFirstValid && value < kPastLastValid;
}

double StartOfNextDay(double now) {
  const CivilDateTime c = DecodeDateTime(now);
  return double(DayNumber(c.year, c.month, c.day) + 1);
}

std::optional<double> NextRunAfter(ScheduleKind kind, const ScheduleParams& p, double base) {
  if (!IsValidScheduleDate(base)) return std::nullopt;
  const std::int64_t baseMs = ToMs(base);
  const std::int64_t baseDay = baseMs / kMsPerDay;
  switch (kind) {
    case ScheduleKind::Minutes:
      return InRange(FromMs(baseMs + p.count * 60000LL));
    case ScheduleKind::Hours: {
      const std::int64_t c = baseMs + p.count * 3600000LL;
      const std::int64_t inHour = c % 3600000;  // minute, seconds and milliseconds of c
      return InRange(FromMs(c - inHour + p.at * 60000LL + inHour % 60000));
    }
    case ScheduleKind::Days: {
      const std::int64_t t = std::llround(p.timeOfDay * double(kMsPerDay));
      return InRange(FromMs((baseDay + p.count) * kMsPerDay + t));
    }
    case ScheduleKind::Weeks: {
      std::int64_t day = baseDay + 7LL * p.count;
      while ((day + 6) % 7 != p.at) ++day;  // day 0 was a Saturday
      return InRange(double(day));
    }
    case ScheduleKind::Months: {
      const CivilDateTime c = DecodeDateTime(base);
      const std::int64_t months = std::int64_t(c.year) * 12 + (c.month - 1) + p.count;
      if (months / 12 > 9999) return std::nullopt;
      const int year = int(months / 12), month = int(months % 12) + 1;
      const int last = DaysInMonth(year, month);
      return InRange(double(DayNumber(year, month, p.at < last ? p.at : last)));
    }
    case ScheduleKind::WinStart:
    case ScheduleKind::WinEnd:
      break;
  }
  return std::nullopt;
}

NextScanResult EvaluateNextScan(const StoredSchedule& stored, double now) {
  NextScanResult r;
  if (!stored.schedType) return r;
  const auto kind = ScheduleKindFromInt(*stored.schedType);
  if (!kind) return r;
  if (*kind == ScheduleKind::WinStart) {
    r.next = NextScan{ScanTrigger::StartUp, 0};
    return r;
  }
  if (*kind == ScheduleKind::WinEnd) {
    r.next = NextScan{ScanTrigger::ShutDown, 0};
    return r;
  }
  const auto params = ParseScheduleParams(*kind, stored.params.value_or(std::string()));
  if (!params) return r;
  const bool lastRanAhead = stored.lastRan && *stored.lastRan > now;
  if (lastRanAhead) r.lastRanToWrite = now;
  if (stored.nextRun) {
    double next = *stored.nextRun;
    if (lastRanAhead) {
      // Computed from the moment the clock was set back over.
      const auto slot = NextRunAfter(*kind, *params, now);
      if (slot && next > *slot) {
        next = *slot;
        r.nextRunToWrite = next;
      }
    }
    r.next = NextScan{ScanTrigger::Timed, next};
  } else if (!stored.lastRan) {
    const double first = FromMs(ToMs(now) + 3600000);
    r.nextRunToWrite = first;
    r.next = NextScan{ScanTrigger::Timed, first};
  } else {
    const double base = lastRanAhead ? now : *stored.lastRan;
    if (const auto next = NextRunAfter(*kind, *params, base)) r.next = NextScan{ScanTrigger::Timed, *next};
  }
  return r;
}

bool IsDue(const std::optional<NextScan>& next, double now, bool atShutDown) {
  if (!next) return false;
  switch (next->trigger) {
    case ScanTrigger::Timed:
      return now >= next->moment;
    case ScanTrigger::ShutDown:
      return atShutDown;
    case ScanTrigger::StartUp:
      break;
  }
  return false;
}

bool FreeSpaceAllowsRun(bool onlyScan, std::int64_t limitMegabytes, std::optional<std::uint64_t> freeBytes) {
  if (!onlyScan) return true;
  const std::uint64_t freeMegabytes = freeBytes.value_or(0) / (1024 * 1024);
  return limitMegabytes > 0 && std::uint64_t(limitMegabytes) > freeMegabytes;
}

const char* WeekdayName(int weekday) {
  static const char* const kNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                        "Thursday", "Friday", "Saturday"};
  return weekday >= 0 && weekday < 7 ? kNames[weekday] : "";
}

std::optional<std::string> DescribeSchedule(ScheduleKind kind, std::string_view text,
                                            std::string (*formatShortTime)(double)) {
  const auto p = ParseScheduleParams(kind, text);
  if (!p) return std::nullopt;
  const std::string count = std::to_string(p->count), at = std::to_string(p->at);
  switch (kind) {
    case ScheduleKind::Minutes:
      return "Every " + count + " Minutes";
    case ScheduleKind::Hours:
      return "Every " + count + " Hours at " + at + " minutes after the hour";
    case ScheduleKind::Days:
      return "Every " + count + " Days at " + formatShortTime(p->timeOfDay);
    case ScheduleKind::Weeks:
      return "Every " + count + " Weeks at starting on " + WeekdayName(p->at);
    case ScheduleKind::Months:
      return "Every " + count + " Months starting on day " + at;
    case ScheduleKind::WinStart:
      return std::string("When Windows is Started");
    case ScheduleKind::WinEnd:
      return std::string("When Windows is Shut Down");
  }
  return std::nullopt;
}

}  // namespace velmora::shell
