#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/calendar.h"
#include "shell/schedule_calendar.h"

using namespace velmora;
using namespace velmora::shell;

namespace {

double At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) { return EncodeDateTime(y, mo, d, h, mi, s); }

std::string Text(double v) {
  const CivilDateTime c = DecodeDateTime(v);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", c.year, c.month, c.day, c.hour, c.minute,
                c.second, c.millisecond);
  return buf;
}

std::optional<double> Next(ScheduleKind kind, const char* params, double base) {
  const auto p = ParseScheduleParams(kind, params);
  if (!p) return std::nullopt;
  return NextRunAfter(kind, *p, base);
}

}  // namespace

TEST(ScheduleCalendar, NextRunOfEachKind) {
  struct Case {
    ScheduleKind kind;
    const char* params;
    double base;
    double expected;
  };
  const Case cases[] = {
      // Minutes, across the year end.
      {ScheduleKind::Minutes, "30", At(2026, 12, 31, 23, 45), At(2027, 1, 1, 0, 15)},
      {ScheduleKind::Minutes, "59", At(2028, 2, 28, 23, 30, 9), At(2028, 2, 29, 0, 29, 9)},
      // Hours: the minute replaced, the seconds kept, across midnight and month end.
      {ScheduleKind::Hours, "5|30", At(2027, 3, 14, 10, 17, 5), At(2027, 3, 14, 15, 30, 5)},
      {ScheduleKind::Hours, "3|15", At(2027, 3, 14, 22, 40, 7), At(2027, 3, 15, 1, 15, 7)},
      {ScheduleKind::Hours, "1|0", At(2027, 4, 30, 23, 59, 59), At(2027, 5, 1, 0, 0, 59)},
      // Days at a time of day (the default schedule), across leap day and year end.
      {ScheduleKind::Days, "5|0.33333333333", At(2027, 3, 14, 17, 2), At(2027, 3, 19, 8, 0)},
      {ScheduleKind::Days, "1|0", At(2028, 2, 28, 9), At(2028, 2, 29)},
      {ScheduleKind::Days, "1|0.5", At(2027, 12, 31, 23), At(2028, 1, 1, 12)},
      {ScheduleKind::Days, "2|0.75", At(2100, 2, 28, 1), At(2100, 3, 2, 18)},  // 2100 is no leap year
      // Weeks: 2|3 from Thursday 11 March 2027 10:00 is the Wednesday 20 days on.
      {ScheduleKind::Weeks, "2|3", At(2027, 3, 11, 10), At(2027, 3, 31)},
      {ScheduleKind::Weeks, "1|0", At(2027, 10, 31, 12), At(2027, 11, 7)},  // a Sunday already: seven days
      {ScheduleKind::Weeks, "1|6", At(2027, 12, 27, 8), At(2028, 1, 8)},
      // Months on year and month; a day the month lacks becomes its last day.
      {ScheduleKind::Months, "1|31", At(2027, 1, 31, 9), At(2027, 2, 28)},
      {ScheduleKind::Months, "1|31", At(2028, 1, 31, 9), At(2028, 2, 29)},
      {ScheduleKind::Months, "1|31", At(2027, 2, 28), At(2027, 3, 31)},
      {ScheduleKind::Months, "1|31", At(2027, 3, 31), At(2027, 4, 30)},
      {ScheduleKind::Months, "3|31", At(2027, 11, 30), At(2028, 2, 29)},
      {ScheduleKind::Months, "12|29", At(2028, 2, 29), At(2029, 2, 28)},
      {ScheduleKind::Months, "48|29", At(2028, 2, 29), At(2032, 2, 29)},
      {ScheduleKind::Months, "1|15", At(2027, 12, 20), At(2028, 1, 15)},
      {ScheduleKind::Months, "13|1", At(2027, 12, 1), At(2029, 1, 1)},
      {ScheduleKind::Months, "1|1", At(2027, 1, 1), At(2027, 2, 1)},
      // Wall-clock across the spring-forward and fall-back nights of Europe.
      {ScheduleKind::Days, "1|0.104166666666667", At(2027, 3, 27, 10), At(2027, 3, 28, 2, 30)},
      {ScheduleKind::Minutes, "60", At(2027, 3, 28, 1, 30), At(2027, 3, 28, 2, 30)},
      {ScheduleKind::Hours, "1|0", At(2027, 10, 31, 2, 10), At(2027, 10, 31, 3, 0)},
      {ScheduleKind::Hours, "1|30", At(2027, 10, 31, 1, 45), At(2027, 10, 31, 2, 30)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(int(c.kind)) + " " + c.params + " from " + Text(c.base));
    const auto next = Next(c.kind, c.params, c.base);
    ASSERT_TRUE(next.has_value());
    EXPECT_EQ(Text(c.expected), Text(*next));
    EXPECT_GT(*next, c.base);
  }
}

TEST(ScheduleCalendar, NoNextRunForTriggeredKindsOrBeyondTheYear9999) {
  EXPECT_FALSE(NextRunAfter(ScheduleKind::WinStart, {}, At(2027, 1, 1)));
  EXPECT_FALSE(NextRunAfter(ScheduleKind::WinEnd, {}, At(2027, 1, 1)));
  EXPECT_FALSE(Next(ScheduleKind::Minutes, "5", At(9999, 12, 31, 23, 58)));
  EXPECT_FALSE(Next(ScheduleKind::Months, "99|1", At(9999, 1, 1)));
  EXPECT_FALSE(Next(ScheduleKind::Weeks, "999999999|1", At(2027, 1, 1)));
  EXPECT_FALSE(Next(ScheduleKind::Minutes, "5", 1.5));  // a base before 1900
  EXPECT_EQ(Text(At(9999, 12, 31, 23, 59)), Text(*Next(ScheduleKind::Minutes, "1", At(9999, 12, 31, 23, 58))));
}

// Adding minutes on whole milliseconds: 48 half hours from midnight are exactly the next midnight.
TEST(ScheduleCalendar, RepeatedRunsDoNotDrift) {
  double t = At(2027, 6, 1);
  for (int i = 0; i < 48 * 31; ++i) t = *Next(ScheduleKind::Minutes, "30", t);
  EXPECT_EQ(At(2027, 7, 2), t);
}

TEST(ScheduleCalendar, ParsesOnlyWellFormedParams) {
  struct Case {
    ScheduleKind kind;
    const char* text;
    bool ok;
  };
  const Case cases[] = {
      {ScheduleKind::Minutes, "30", true},     {ScheduleKind::Minutes, " 30 ", true},
      {ScheduleKind::Minutes, "0", false},     {ScheduleKind::Minutes, "", false},
      {ScheduleKind::Minutes, "-5", false},    {ScheduleKind::Minutes, "+5", false},
      {ScheduleKind::Minutes, "5|1", false},   {ScheduleKind::Minutes, "3.5", false},
      {ScheduleKind::Minutes, "1234567890", false}, {ScheduleKind::Minutes, "3 0", false},
      {ScheduleKind::Hours, "5|30", true},     {ScheduleKind::Hours, "5|0", true},
      {ScheduleKind::Hours, "5|60", false},    {ScheduleKind::Hours, "0|30", false},
      {ScheduleKind::Hours, "5", false},       {ScheduleKind::Hours, "5|30|1", false},
      {ScheduleKind::Hours, "|30", false},     {ScheduleKind::Hours, "5|", false},
      {ScheduleKind::Days, "5|0.33333333333", true}, {ScheduleKind::Days, "5|0,33333333333", true},
      {ScheduleKind::Days, "1|1.15740740740741E-5", true}, {ScheduleKind::Days, "1|0", true},
      {ScheduleKind::Days, "1|1", false},      {ScheduleKind::Days, "1|-0.1", false},
      {ScheduleKind::Days, "1|nan", false},    {ScheduleKind::Days, "1|inf", false},
      {ScheduleKind::Days, "1|0.5x", false},   {ScheduleKind::Days, "1|0..5", false},
      {ScheduleKind::Days, "1|", false},       {ScheduleKind::Days, "0|0.5", false},
      {ScheduleKind::Weeks, "2|6", true},      {ScheduleKind::Weeks, "2|0", true},
      {ScheduleKind::Weeks, "2|7", false},     {ScheduleKind::Weeks, "0|3", false},
      {ScheduleKind::Months, "1|31", true},    {ScheduleKind::Months, "1|0", false},
      {ScheduleKind::Months, "1|32", false},   {ScheduleKind::Months, "99|1", true},
      {ScheduleKind::WinStart, "", true},      {ScheduleKind::WinEnd, "left over", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(int(c.kind)) + " \"" + c.text + "\"");
    EXPECT_EQ(c.ok, ParseScheduleParams(c.kind, c.text).has_value());
  }
  EXPECT_EQ(0.25, ParseScheduleParams(ScheduleKind::Days, "5|0,25")->timeOfDay);
  EXPECT_EQ(30, ParseScheduleParams(ScheduleKind::Hours, "5|30")->at);
}

// T is written with a dot whatever the locale, and what is written reads back.
TEST(ScheduleCalendar, ParamsRoundTripWithADot) {
  EXPECT_EQ("0.333333333333333", FormatTimeOfDay(1.0 / 3));
  EXPECT_EQ("0", FormatTimeOfDay(0));
  EXPECT_EQ("30", FormatScheduleParams(ScheduleKind::Minutes, {30, 0, 0}));
  EXPECT_EQ("5|30", FormatScheduleParams(ScheduleKind::Hours, {5, 30, 0}));
  EXPECT_EQ("2|3", FormatScheduleParams(ScheduleKind::Weeks, {2, 3, 0}));
  EXPECT_EQ("1|31", FormatScheduleParams(ScheduleKind::Months, {1, 31, 0}));
  EXPECT_EQ("", FormatScheduleParams(ScheduleKind::WinEnd, {1, 2, 0.5}));
  for (double t : {0.0, 1.0 / 86400, 1.0 / 3, 0.5, 86399.0 / 86400}) {
    const std::string text = FormatScheduleParams(ScheduleKind::Days, {7, 0, t});
    SCOPED_TRACE(text);
    EXPECT_EQ(std::string::npos, text.find(','));
    const auto back = ParseScheduleParams(ScheduleKind::Days, text);
    ASSERT_TRUE(back);
    EXPECT_EQ(7, back->count);
    EXPECT_NEAR(t, back->timeOfDay, 1e-14);
  }
}

// A stored T that fifteen digits round up to 1 ("1|1" reads as nothing) is
// written back as the last fifteen-digit value below 1: the same moment.
TEST(ScheduleCalendar, ATimeOfDayJustBelowOneIsWrittenReadably) {
  const auto stored = ParseScheduleParams(ScheduleKind::Days, "1|0.9999999999999999");
  ASSERT_TRUE(stored);
  const std::string text = FormatScheduleParams(ScheduleKind::Days, *stored);
  EXPECT_EQ(text, "1|0.999999999999999");
  const auto back = ParseScheduleParams(ScheduleKind::Days, text);
  ASSERT_TRUE(back);
  const double base = EncodeDateTime(2024, 3, 1, 12, 0, 0);
  EXPECT_EQ(NextRunAfter(ScheduleKind::Days, *stored, base), NextRunAfter(ScheduleKind::Days, *back, base));
  EXPECT_EQ(NextRunAfter(ScheduleKind::Days, *back, base), EncodeDateTime(2024, 3, 3));  // midnight ends the day
  // What is no time of day at all is written as midnight, never as an unreadable text.
  for (double t : {-0.25, 1.0, 2.5, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
    EXPECT_TRUE(ParseScheduleParams(ScheduleKind::Days, FormatScheduleParams(ScheduleKind::Days, {1, 0, t})))
        << t;
}

TEST(ScheduleCalendar, ValidDatesAndTheComingMidnight) {
  EXPECT_TRUE(IsValidScheduleDate(2.0));
  EXPECT_TRUE(IsValidScheduleDate(At(9999, 12, 31, 23, 59, 59)));
  EXPECT_FALSE(IsValidScheduleDate(1.999));
  EXPECT_FALSE(IsValidScheduleDate(At(10000, 1, 1)));
  EXPECT_FALSE(IsValidScheduleDate(0.001));
  EXPECT_FALSE(IsValidScheduleDate(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_FALSE(IsValidScheduleDate(std::numeric_limits<double>::infinity()));
  EXPECT_EQ(At(2028, 1, 1), StartOfNextDay(At(2027, 12, 31, 15)));
  EXPECT_EQ(At(2027, 2, 1), StartOfNextDay(At(2027, 1, 31)));
  EXPECT_EQ(At(2028, 2, 29), StartOfNextDay(At(2028, 2, 28, 23, 59, 59)));
}

TEST(ScheduleCalendar, NextScanOfAStoredSchedule) {
  const double now = At(2027, 5, 10, 12);
  StoredSchedule s;
  EXPECT_FALSE(EvaluateNextScan(s, now).next);  // no kind: never due

  s.schedType = 7;
  EXPECT_FALSE(EvaluateNextScan(s, now).next);
  s.schedType = -1;
  EXPECT_FALSE(EvaluateNextScan(s, now).next);

  s.schedType = 5;
  EXPECT_EQ(ScanTrigger::StartUp, EvaluateNextScan(s, now).next->trigger);
  s.schedType = 6;
  EXPECT_EQ(ScanTrigger::ShutDown, EvaluateNextScan(s, now).next->trigger);
  EXPECT_FALSE(EvaluateNextScan(s, now).nextRunToWrite);

  // Neither run nor next run: one hour from now, to be stored.
  s.schedType = 0;
  s.params = "30";
  NextScanResult r = EvaluateNextScan(s, now);
  EXPECT_EQ(Text(At(2027, 5, 10, 13)), Text(r.next->moment));
  EXPECT_EQ(r.next->moment, r.nextRunToWrite.value());

  // A stored next run wins over the last run.
  s.nextRun = At(2027, 6, 1, 8);
  s.lastRan = At(2027, 5, 10, 11, 50);
  r = EvaluateNextScan(s, now);
  EXPECT_EQ(*s.nextRun, r.next->moment);
  EXPECT_FALSE(r.nextRunToWrite);

  // From the last run, not stored.
  s.nextRun.reset();
  r = EvaluateNextScan(s, now);
  EXPECT_EQ(Text(At(2027, 5, 10, 12, 20)), Text(r.next->moment));
  EXPECT_FALSE(r.nextRunToWrite);

  // The clock was set back below the last run: counted from now, not from the future.
  s.lastRan = At(2027, 9, 1);
  EXPECT_EQ(Text(At(2027, 5, 10, 12, 30)), Text(EvaluateNextScan(s, now).next->moment));

  // Malformed or zero counts: no next run, even with a stored one.
  s.nextRun = At(2027, 5, 1);
  for (const char* bad : {"0", "", "30|5", "x"}) {
    s.params = bad;
    EXPECT_FALSE(EvaluateNextScan(s, now).next) << bad;
  }
  s.params.reset();
  EXPECT_FALSE(EvaluateNextScan(s, now).next);
}

TEST(ScheduleCalendar, DueTest) {
  const double now = At(2027, 5, 10, 12);
  EXPECT_TRUE(IsDue(NextScan{ScanTrigger::Timed, now}, now, false));
  EXPECT_TRUE(IsDue(NextScan{ScanTrigger::Timed, now - 30}, now, false));
  EXPECT_FALSE(IsDue(NextScan{ScanTrigger::Timed, now + 1.0 / 86400}, now, false));
  EXPECT_TRUE(IsDue(NextScan{ScanTrigger::Timed, now}, now, true));  // a due eraser also runs at shut-down
  EXPECT_FALSE(IsDue(NextScan{ScanTrigger::ShutDown, 0}, now, false));
  EXPECT_TRUE(IsDue(NextScan{ScanTrigger::ShutDown, 0}, now, true));
  EXPECT_FALSE(IsDue(NextScan{ScanTrigger::StartUp, 0}, now, false));
  EXPECT_FALSE(IsDue(NextScan{ScanTrigger::StartUp, 0}, now, true));
  EXPECT_FALSE(IsDue(std::nullopt, now, true));
}

// Whole megabytes of 1,048,576 bytes, in 64 bits: 4 GiB + 50 MiB is not 50 MB.
TEST(ScheduleCalendar, FreeSpaceCondition) {
  const std::uint64_t mb = 1024 * 1024;
  struct Case {
    std::uint64_t freeBytes;
    bool allows;
  };
  const Case cases[] = {{80 * mb, true},   {100 * mb - 1, true},        {100 * mb, false},
                        {150 * mb, false}, {4096 * mb + 50 * mb, false}, {5'000'000'000'000ull, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.allows, FreeSpaceAllowsRun(true, 100, c.freeBytes)) << c.freeBytes;
    EXPECT_TRUE(FreeSpaceAllowsRun(false, 100, c.freeBytes));
  }
  EXPECT_TRUE(FreeSpaceAllowsRun(true, 100, std::nullopt));
  EXPECT_FALSE(FreeSpaceAllowsRun(true, 0, 0));
}

TEST(ScheduleCalendar, Descriptions) {
  auto shortTime = [](double t) {
    const CivilDateTime c = DecodeDateTime(t);
    return std::to_string(c.hour) + ":" + (c.minute < 10 ? "0" : "") + std::to_string(c.minute);
  };
  std::string (*fmt)(double) = shortTime;
  EXPECT_EQ("Every 30 Minutes", DescribeSchedule(ScheduleKind::Minutes, "30", fmt));
  EXPECT_EQ("Every 5 Hours at 30 minutes after the hour", DescribeSchedule(ScheduleKind::Hours, "5|30", fmt));
  EXPECT_EQ("Every 5 Days at 8:00", DescribeSchedule(ScheduleKind::Days, kDefaultScheduleParams, fmt));
  EXPECT_EQ("Every 2 Weeks at starting on Wednesday", DescribeSchedule(ScheduleKind::Weeks, "2|3", fmt));
  EXPECT_EQ("Every 1 Weeks at starting on Sunday", DescribeSchedule(ScheduleKind::Weeks, " 1 | 0 ", fmt));
  EXPECT_EQ("Every 3 Months starting on day 31", DescribeSchedule(ScheduleKind::Months, "3|31", fmt));
  EXPECT_EQ("When Windows is Started", DescribeSchedule(ScheduleKind::WinStart, "", fmt));
  EXPECT_EQ("When Windows is Shut Down", DescribeSchedule(ScheduleKind::WinEnd, "", fmt));
  EXPECT_FALSE(DescribeSchedule(ScheduleKind::Minutes, "0", fmt));
  EXPECT_FALSE(DescribeSchedule(ScheduleKind::Weeks, "2|9", fmt));
}
