// The schedule model. Input lines: the kind ("0".."6" or any number), the
// "Params" text, then up to three stored date-times (NextRun, LastRan, now) as
// decimal texts. Params that read are written back readably and to the same
// schedule; next runs fall in the valid years and after their base.
#include "shell/schedule_calendar.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "fuzz_support.h"
#include "platform/calendar.h"

using namespace velmora;
using namespace velmora::shell;

namespace {

std::vector<std::string> Lines(std::string_view in) {
  std::vector<std::string> out;
  std::size_t p = 0;
  while (p <= in.size() && out.size() < 5) {
    const std::size_t e = std::min(in.find('\n', p), in.size());
    out.emplace_back(in.substr(p, e - p));
    p = e + 1;
  }
  return out;
}

std::optional<double> Date(const std::vector<std::string>& lines, std::size_t i) {
  if (i >= lines.size() || lines[i].empty()) return std::nullopt;
  char* end = nullptr;
  const double v = std::strtod(lines[i].c_str(), &end);
  if (end == lines[i].c_str()) return std::nullopt;
  return v;
}

std::string Short(double t) { return std::to_string(t); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> lines = Lines(velmora::fuzz::Text(data, size));
  const std::int64_t rawKind = lines.empty() ? 0 : std::atoll(lines[0].c_str());
  const std::string params = lines.size() > 1 ? lines[1] : std::string();
  const auto kind = ScheduleKindFromInt(rawKind);
  if (!kind) return 0;
  const auto p = ParseScheduleParams(*kind, params);
  (void)DescribeSchedule(*kind, params, &Short);
  if (p) {
    const std::string written = FormatScheduleParams(*kind, *p);
    const auto back = ParseScheduleParams(*kind, written);
    FUZZ_CHECK(back);
    FUZZ_CHECK(back->count == p->count && back->at == p->at);
    if (*kind == ScheduleKind::Days) {
      FUZZ_CHECK(std::llround(back->timeOfDay * double(kMsPerDay)) == std::llround(p->timeOfDay * double(kMsPerDay)));
      FUZZ_CHECK(FormatScheduleParams(*kind, *back) == written);
    }
  }
  const std::optional<double> nextRun = Date(lines, 2), lastRan = Date(lines, 3), nowText = Date(lines, 4);
  const double now = nowText && IsValidScheduleDate(*nowText) ? *nowText : EncodeDateTime(2024, 3, 31, 2, 30);
  if (p) {
    for (const std::optional<double>& base : {nextRun, lastRan, std::optional<double>(now)}) {
      if (!base) continue;
      const auto next = NextRunAfter(*kind, *p, *base);
      if (!next) continue;
      FUZZ_CHECK(IsValidScheduleDate(*next));
      FUZZ_CHECK(*next > *base || (*kind == ScheduleKind::Hours && *next > *base - 1.0 / 24));
    }
  }
  StoredSchedule stored;
  stored.schedType = rawKind;
  stored.params = params;
  if (nextRun && IsValidScheduleDate(*nextRun)) stored.nextRun = nextRun;
  if (lastRan && IsValidScheduleDate(*lastRan)) stored.lastRan = lastRan;
  const NextScanResult r = EvaluateNextScan(stored, now);
  if (r.next && r.next->trigger == ScanTrigger::Timed) {
    FUZZ_CHECK(std::isfinite(r.next->moment));
    (void)IsDue(r.next, now, false);
  }
  if (r.nextRunToWrite) FUZZ_CHECK(IsValidScheduleDate(*r.nextRunToWrite) || now > 2958465.0);
  const CivilDateTime c = DecodeDateTime(now);
  FUZZ_CHECK(c.month >= 1 && c.month <= 12 && c.day >= 1 && c.day <= DaysInMonth(c.year, c.month));
  FUZZ_CHECK(StartOfNextDay(now) > now);
  return 0;
}
