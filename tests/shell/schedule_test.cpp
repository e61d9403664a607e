#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "platform/calendar.h"
#include "platform/format.h"
#include "platform/registry.h"
#include "shell/schedule.h"
#include "support/fakes.h"
#include "support/registry_sandbox.h"

using namespace velmora;
using namespace velmora::shell;

namespace {

double At(int y, int mo, int d, int h = 0, int mi = 0) { return EncodeDateTime(y, mo, d, h, mi); }

RegKey Tool(const char* key = schedulekey::kJunk) { return RegKey::Create(HKEY_CURRENT_USER, key); }

void SetSchedule(const RegKey& key, ScheduleKind kind, const char* params) {
  key.WriteDword(schedval::kSchedType, std::uint32_t(kind));
  key.WriteString(schedval::kParams, params);
}

}  // namespace

// Damaged dates read as missing: then a schedule never run starts one hour on,
// and the bad value is replaced by a good one.
TEST(Schedule, DatesOfTheWrongTypeSizeOrRangeCountAsMissing) {
  test::RegistrySandbox sandbox;
  test::world().fixedNow = At(2027, 5, 10, 12);
  const RegKey key = Tool();
  SetSchedule(key, ScheduleKind::Minutes, "30");
  const double nan = std::numeric_limits<double>::quiet_NaN(), early = 1.0, late = At(10000, 1, 2);
  const std::vector<std::pair<const char*, std::function<void()>>> damages = {
      {"dword", [&] { key.WriteDword(schedval::kNextRun, 46500); }},
      {"text", [&] { key.WriteString(schedval::kNextRun, "46500"); }},
      {"four bytes", [&] { key.WriteBinary(schedval::kNextRun, "\0\0\0\0", 4); }},
      {"nan", [&] { key.WriteBinary(schedval::kNextRun, &nan, 8); }},
      {"1899", [&] { key.WriteBinary(schedval::kNextRun, &early, 8); }},
      {"10000", [&] { key.WriteBinary(schedval::kNextRun, &late, 8); }},
  };
  for (const auto& [name, damage] : damages) {
    SCOPED_TRACE(name);
    damage();
    EXPECT_FALSE(ReadStoredSchedule(schedulekey::kJunk).nextRun);
    EXPECT_EQ(At(2027, 5, 10, 13), GetNextScan(schedulekey::kJunk));
    EXPECT_EQ(At(2027, 5, 10, 13), key.ReadDateTime(schedval::kNextRun));
    key.DeleteValue(schedval::kNextRun);
  }
  // A damaged "LastRan" is "Never" as well.
  key.WriteString(schedval::kLastRan, "yesterday");
  EXPECT_FALSE(ReadLastRan(schedulekey::kJunk));
  // A "SchedType" of another type is no schedule.
  key.WriteString(schedval::kSchedType, "0");
  EXPECT_FALSE(ReadScheduleKind(schedulekey::kJunk));
  EXPECT_EQ(kNoScheduleMoment, GetNextScan(schedulekey::kJunk));
  EXPECT_FALSE(GetNextScanForAgent(schedulekey::kJunk));
}

TEST(Schedule, SuiteAndAgentFormsOfTheNextScan) {
  test::RegistrySandbox sandbox;
  test::world().fixedNow = At(2027, 5, 10, 12);
  // A missing key is no schedule, and is not created by asking.
  EXPECT_EQ(kNoScheduleMoment, GetNextScan(schedulekey::kEraser));
  EXPECT_FALSE(GetNextScanForAgent(schedulekey::kEraser));
  EXPECT_FALSE(RegKey::Exists(HKEY_CURRENT_USER, schedulekey::kEraser));

  const RegKey key = Tool(schedulekey::kEraser);
  SetSchedule(key, ScheduleKind::WinStart, "");
  EXPECT_EQ(kStartUpMarker, GetNextScan(schedulekey::kEraser));
  EXPECT_EQ(ScanTrigger::StartUp, GetNextScanForAgent(schedulekey::kEraser)->trigger);
  EXPECT_FALSE(IsToolDue(schedulekey::kEraser, true));
  SetSchedule(key, ScheduleKind::WinEnd, "");
  EXPECT_EQ(kShutDownMarker, GetNextScan(schedulekey::kEraser));
  EXPECT_FALSE(IsToolDue(schedulekey::kEraser, false));
  EXPECT_TRUE(IsToolDue(schedulekey::kEraser, true));

  // A malformed timed schedule has no next run in either form, and is never due.
  SetSchedule(key, ScheduleKind::Minutes, "0");
  key.WriteDateTime(schedval::kNextRun, At(2027, 5, 1));
  EXPECT_FALSE(GetNextScan(schedulekey::kEraser));
  EXPECT_FALSE(IsToolDue(schedulekey::kEraser, false));
  EXPECT_FALSE(GetNextRun(ScheduleKind::Minutes, schedulekey::kEraser, At(2027, 5, 1)));
}

// A stored next run is used; without one, the next run after "LastRan" is
// computed on every query and not written back.
TEST(Schedule, NextRunFromTheLastRunIsNotWritten) {
  test::RegistrySandbox sandbox;
  test::world().fixedNow = At(2027, 3, 14, 17, 2);
  const RegKey key = Tool(schedulekey::kRegistry);
  SetSchedule(key, ScheduleKind::Days, kDefaultScheduleParams);
  key.WriteDateTime(schedval::kLastRan, At(2027, 3, 14, 17, 2));
  EXPECT_EQ(At(2027, 3, 19, 8), GetNextScan(schedulekey::kRegistry));
  EXPECT_EQ(At(2027, 3, 19, 8), GetNextRun(ScheduleKind::Days, schedulekey::kRegistry, At(2027, 3, 14, 17, 2)));
  EXPECT_FALSE(key.ValueExists(schedval::kNextRun));

  // The clock set back: "LastRan" in the future counts as now, and is stored
  // as now, so the next evaluations count from a moment that has passed.
  test::world().fixedNow = At(2027, 2, 1, 9);
  EXPECT_EQ(At(2027, 2, 6, 8), GetNextScan(schedulekey::kRegistry));
  EXPECT_FALSE(key.ValueExists(schedval::kNextRun));
  EXPECT_EQ(At(2027, 2, 1, 9), ReadLastRan(schedulekey::kRegistry));
  test::world().fixedNow = At(2027, 2, 3, 9);
  EXPECT_EQ(At(2027, 2, 6, 8), GetNextScan(schedulekey::kRegistry));

  // A next run set by the dialog wins.
  key.WriteDateTime(schedval::kNextRun, At(2027, 2, 3, 6));
  EXPECT_EQ(At(2027, 2, 3, 6), GetNextScan(schedulekey::kRegistry));
}

// A tool off for weeks runs once, then one interval after its launch; a run
// that crashed (no finishing "LastRan") is not relaunched before that either.
TEST(Schedule, AnOverdueToolRunsOnceThenOneIntervalAfterLaunch) {
  test::RegistrySandbox sandbox;
  const RegKey key = Tool();
  SetSchedule(key, ScheduleKind::Minutes, "30");
  key.WriteDateTime(schedval::kNextRun, At(2027, 4, 1, 8));
  test::world().fixedNow = At(2027, 4, 22, 10);
  EXPECT_TRUE(IsToolDue(schedulekey::kJunk, false));

  // The launch sets the next slot; "LastRan" waits for the run's own end.
  RecordLaunch(schedulekey::kJunk);
  EXPECT_EQ(At(2027, 4, 22, 10, 30), key.ReadDateTime(schedval::kNextRun));
  EXPECT_FALSE(key.ReadDateTime(schedval::kLastRan));
  EXPECT_FALSE(IsToolDue(schedulekey::kJunk, false));
  test::world().fixedNow = At(2027, 4, 22, 10, 29);
  EXPECT_FALSE(IsToolDue(schedulekey::kJunk, false));
  test::world().fixedNow = At(2027, 4, 22, 10, 30);
  EXPECT_TRUE(IsToolDue(schedulekey::kJunk, false));

  // "&Run Now" removes only "NextRun"; the run's end moves "LastRan".
  key.WriteDateTime(schedval::kNextRun, At(2027, 5, 1));
  DeleteNextRun(schedulekey::kJunk);
  EXPECT_FALSE(key.ValueExists(schedval::kNextRun));
  test::world().fixedNow = At(2027, 4, 22, 10, 45);
  WriteLastRan(schedulekey::kJunk);
  EXPECT_EQ(At(2027, 4, 22, 11, 15), GetNextScan(schedulekey::kJunk));
}

// First switch-on on the last day of a month: the next run is the first of the next month.
TEST(Schedule, DefaultSchedule) {
  test::RegistrySandbox sandbox;
  test::world().fixedNow = At(2027, 12, 31, 15, 20);
  WriteDefaultSchedule(schedulekey::kEraser);
  const RegKey key = Tool(schedulekey::kEraser);
  EXPECT_EQ(1u, key.ReadDword(schedval::kEnabled));
  EXPECT_EQ(2u, key.ReadDword(schedval::kSchedType));
  EXPECT_EQ("5|0.33333333333", key.ReadString(schedval::kParams));
  EXPECT_EQ(At(2028, 1, 1), key.ReadDateTime(schedval::kNextRun));
  EXPECT_EQ("Every 5 Days at " + FormatShortTime(At(2027, 1, 1, 8)),
            DescribeSchedule(ScheduleKind::Days, *key.ReadString(schedval::kParams)));
  EXPECT_FALSE(IsToolDue(schedulekey::kEraser, false));
  test::world().fixedNow = At(2028, 1, 1);
  EXPECT_TRUE(IsToolDue(schedulekey::kEraser, false));
}

TEST(Schedule, FreeSpaceFromTheStoredLimit) {
  test::RegistrySandbox sandbox;
  const std::uint64_t mb = 1024 * 1024;
  EXPECT_TRUE(CheckFreeSpace(std::uint64_t(0)));  // "OnlyScan" missing: no condition
  const RegKey options = RegKey::Create(HKEY_CURRENT_USER, "\\software\\dastra\\Velmora\\schedule");
  options.WriteDword(schedval::kOnlyScan, 0);
  EXPECT_TRUE(CheckFreeSpace(5'000'000'000'000ull));
  options.WriteDword(schedval::kOnlyScan, 1);
  options.WriteDword(schedval::kSpaceFree, 100);
  EXPECT_TRUE(CheckFreeSpace(80 * mb));
  EXPECT_FALSE(CheckFreeSpace(100 * mb));
  EXPECT_FALSE(CheckFreeSpace(150 * mb));
  EXPECT_FALSE(CheckFreeSpace(4096 * mb + 50 * mb));
  EXPECT_FALSE(CheckFreeSpace(5'000'000'000'000ull));
  options.WriteDword(schedval::kSpaceFree, 999);
  EXPECT_TRUE(CheckFreeSpace(150 * mb));
  // A missing, damaged or zero limit is the default 100.
  for (auto damage : {+[](const RegKey& k) { k.DeleteValue(schedval::kSpaceFree); },
                      +[](const RegKey& k) { k.WriteString(schedval::kSpaceFree, "500"); },
                      +[](const RegKey& k) { k.WriteDword(schedval::kSpaceFree, 0); }}) {
    damage(options);
    EXPECT_TRUE(CheckFreeSpace(99 * mb));
    EXPECT_FALSE(CheckFreeSpace(150 * mb));
  }
  // The test prefix's C: has more than a megabyte free.
  options.WriteDword(schedval::kSpaceFree, 1);
  EXPECT_FALSE(CheckFreeSpace());
}

// The "at StartUp" Run values: quoted path, matched by key whatever its case, one per tool.
TEST(Schedule, StartUpEntries) {
  test::RegistrySandbox sandbox;
  const std::string quorvel = "\"" + test::world().programFolder + "Quorvel.exe\"";
  WriteWinStart("\\software\\dastra\\velmora\\schedule\\JUNK");
  WriteWinStart(schedulekey::kEraser);
  WriteWinStart(schedulekey::kRegistry);
  WriteWinStart("\\Software\\Dastra\\Velmora\\Schedule\\Other");
  WriteAgentRunEntry();
  const RegKey run = RegKey::Open(HKEY_CURRENT_USER, kRunKey);
  EXPECT_EQ(quorvel + " /CleanJunk", run.ReadString("Clean Junk Files at StartUp"));
  EXPECT_EQ(quorvel + " /CleanHistory", run.ReadString("Erase History at StartUp"));
  EXPECT_EQ(quorvel + " /RegistryClean", run.ReadString("Clean Registry at StartUp"));
  EXPECT_EQ("\"" + test::world().programFolder + "Tallowin.exe\"", run.ReadString(kAgentRunValue));
  EXPECT_EQ(4u, run.ValueNames().size());

  DeleteWinStart(schedulekey::kEraser);
  DeleteWinStart(schedulekey::kEraser);
  EXPECT_FALSE(run.ValueExists("Erase History at StartUp"));
  EXPECT_TRUE(run.ValueExists("Clean Junk Files at StartUp"));
  DeleteAgentRunEntry();
  EXPECT_FALSE(run.ValueExists(kAgentRunValue));
  EXPECT_EQ(ScheduledTool::Registry, FindScheduledTool("\\SOFTWARE\\Dastra\\Velmora\\Schedule\\registry")->tool);
  EXPECT_EQ(nullptr, FindScheduledTool("\\Software\\Dastra\\Velmora\\Schedule"));
}

// The clock was a year ahead when the last run was recorded (the eraser's
// expiry moment, or a clock corrected back): the stored "LastRan" and the
// "NextRun" computed from it lie a year ahead. Evaluated tick after tick, the
// daily schedule still runs at its next 08:00, not a year later.
TEST(Schedule, ALastRunAYearAheadRunsAtTheNextSlotAfterTheCorrection) {
  test::RegistrySandbox sandbox;
  const RegKey key = Tool();
  SetSchedule(key, ScheduleKind::Days, "1|0.333333333333333");
  key.WriteDateTime(schedval::kLastRan, At(2028, 3, 1, 8));
  key.WriteDateTime(schedval::kNextRun, At(2028, 3, 2, 8));
  test::world().fixedNow = At(2027, 3, 1, 10);
  EXPECT_FALSE(IsToolDue(schedulekey::kJunk, false));
  // Never a "LastRan" later than now once it has been looked at.
  EXPECT_LE(*ReadLastRan(schedulekey::kJunk), At(2027, 3, 1, 10));
  for (const double tick : {At(2027, 3, 1, 10, 15), At(2027, 3, 1, 23), At(2027, 3, 2, 7, 59)}) {
    test::world().fixedNow = tick;
    EXPECT_FALSE(IsToolDue(schedulekey::kJunk, false)) << FormatDateTime(tick);
  }
  test::world().fixedNow = At(2027, 3, 2, 8);
  EXPECT_TRUE(IsToolDue(schedulekey::kJunk, false));

  // The launch then sets the slot after it, and the run's end its "LastRan".
  RecordLaunch(schedulekey::kJunk);
  EXPECT_EQ(At(2027, 3, 3, 8), key.ReadDateTime(schedval::kNextRun));
  test::world().fixedNow = At(2027, 3, 2, 8, 5);
  WriteLastRan(schedulekey::kJunk);
  EXPECT_FALSE(IsToolDue(schedulekey::kJunk, false));
  test::world().fixedNow = At(2027, 3, 3, 8);
  EXPECT_TRUE(IsToolDue(schedulekey::kJunk, false));
}

// A run that failed is not a run: no "LastRan", and the schedule waits for its
// next slot instead of being started again at every tick.
TEST(Schedule, AFailedRunKeepsItsLastRunAndWaitsForTheNextSlot) {
  test::RegistrySandbox sandbox;
  const RegKey key = Tool();
  SetSchedule(key, ScheduleKind::Hours, "2|0");
  key.WriteDateTime(schedval::kLastRan, At(2027, 6, 1, 6));
  test::world().fixedNow = At(2027, 6, 1, 9, 30);
  // Run Now deleted "NextRun"; the run failed.
  RecordFailedRun(schedulekey::kJunk);
  EXPECT_EQ(At(2027, 6, 1, 6), ReadLastRan(schedulekey::kJunk));
  EXPECT_EQ(At(2027, 6, 1, 11, 0), key.ReadDateTime(schedval::kNextRun));
  EXPECT_FALSE(IsToolDue(schedulekey::kJunk, false));
  // A next run still ahead (the launch's) is kept as it is.
  key.WriteDateTime(schedval::kNextRun, At(2027, 6, 1, 10));
  RecordFailedRun(schedulekey::kJunk);
  EXPECT_EQ(At(2027, 6, 1, 10), key.ReadDateTime(schedval::kNextRun));
}
