#include <gtest/gtest.h>

#include "platform/datetime.h"
#include "platform/files.h"
#include "platform/format.h"
#include "shell/action_log.h"
#include "shell/settings.h"
#include "shell/tool_log.h"
#include "support/fakes.h"
#include "support/registry_sandbox.h"
#include "support/test_folder.h"

using namespace velmora;
using namespace velmora::shell;

namespace {
std::string LogText(const std::string& file) { return test::ReadWholeFile(test::world().programFolder + file); }
}  // namespace

TEST(ActionLog, SpaceTotalLine) {
  EXPECT_EQ("TOTAL SPACE RECOVERED: 0.00 bytes (0.00 megabytes.)", SpaceRecoveredLine(0));
  EXPECT_EQ("TOTAL SPACE RECOVERED: 6,000 bytes (0.01 megabytes.)", SpaceRecoveredLine(6000));
  // Megabytes are bytes / 1,024,000; totals past 2 GB stay right in 64 bits.
  EXPECT_EQ("TOTAL SPACE RECOVERED: 3,072,000,000 bytes (3,000.00 megabytes.)",
            SpaceRecoveredLine(3072000000LL));
}

// One window's log in each of its modes: lines go to the file its flags choose,
// blocks appear only in their own mode.
TEST(ToolLog, ManualSessionAndScheduledOperationBlocks) {
  test::world().fixedNow = EncodeDateTime(2024, 3, 5, 7, 9, 0);
  const std::string stamp = FormatDateTime(*test::world().fixedNow);
  const std::string sep(40, '=');
  bool scheduledRun = false, scheduledLog = false, manualLogging = true;
  const ToolLog log(scheduledRun, scheduledLog, manualLogging,
                    {logfile::kManualJunk, logswitch::kJunk, logfile::kScheduledJunk, schedulekey::kJunk});

  // Manual window: the session blocks and lines go to the manual log; the
  // operation blocks write nothing.
  EXPECT_EQ(logfile::kManualJunk, log.ActiveFile());
  log.OpenSession();
  log.StartOperation(true);
  log.Line("  Start Scan...");
  log.CompleteOperation({"X"}, true);
  log.CloseSession({SpaceRecoveredLine(0)});
  EXPECT_EQ(sep + "\r\nOPEN SESSION: " + stamp + "\r\n" + sep + "\r\n\r\n  Start Scan...\r\n\r\n" + sep +
                "\r\nCLOSE SESSION: " + stamp + "\r\nTOTAL SPACE RECOVERED: 0.00 bytes (0.00 megabytes.)\r\n" +
                sep + "\r\n\r\n",
            LogText(logfile::kManualJunk));
  EXPECT_FALSE(FileExists(test::world().programFolder + logfile::kScheduledJunk));

  // Scheduled run with "LogEvents": the operation blocks, in both framings.
  scheduledRun = scheduledLog = true;
  EXPECT_EQ(logfile::kScheduledJunk, log.ActiveFile());
  log.StartOperation(true);
  log.OpenSession("SESSION START: ");
  log.Lines({"A", "B"});
  log.CloseSession({"X"});
  log.CompleteOperation({"T"}, true);
  log.StartOperation(false);
  log.CompleteOperation({"T"}, false);
  EXPECT_EQ("\r\n" + sep + "\r\nOPERATION START: " + stamp + "\r\n" + sep + "\r\n\r\nA\r\nB\r\n\r\n" + sep +
                "\r\nOPERATION COMPLETE: " + stamp + "\r\nT\r\n" + sep + "\r\n\r\n" + "\r\n" + sep +
                "\r\nOPERATION START: " + stamp + "\r\n" + sep + "\r\n" + sep + "\r\nOPERATION COMPLETE: " + stamp +
                "\r\nT\r\n" + sep + "\r\n",
            LogText(logfile::kScheduledJunk));

  // Switched off, or a scheduled run of a tool with no scheduled log: nowhere.
  const std::string manualBefore = LogText(logfile::kManualJunk);
  scheduledLog = false;
  EXPECT_EQ("", log.ActiveFile());
  log.Line("dropped");
  scheduledRun = false;
  manualLogging = false;
  log.OpenSession();
  log.Line("dropped");
  EXPECT_EQ(manualBefore, LogText(logfile::kManualJunk));
  bool run = true, on = true, manual = true;
  const ToolLog shortcuts(run, on, manual, {logfile::kManualShortcuts, logswitch::kShortcuts, nullptr, nullptr});
  EXPECT_EQ("", shortcuts.ActiveFile());
  EXPECT_FALSE(shortcuts.ReadScheduledSwitch());
}

TEST(ActionLog, SwitchesDefaultOnAndStatisticsAccumulate) {
  test::RegistrySandbox sandbox;
  EXPECT_TRUE(ManualLoggingOn(logswitch::kJunk));
  EXPECT_TRUE(ScheduledLoggingOn(schedulekey::kEraser));
  WriteBoolSetting(kLogsKey, "DoJunk", false);
  WriteBoolSetting(schedulekey::kEraser, "LogEvents", false);
  EXPECT_FALSE(ManualLoggingOn(logswitch::kJunk));
  EXPECT_FALSE(ScheduledLoggingOn(schedulekey::kEraser));

  EXPECT_EQ(0, ReadStatistic(stat::kJunkBytes));
  AddStatistic(stat::kJunkBytes, 6000);
  AddStatistic(stat::kJunkBytes, 1000);
  EXPECT_EQ(7000, ReadStatistic(stat::kJunkBytes));
  // Stored as 32-bit integers: a total past 2,147,483,647 wraps.
  AddStatistic(stat::kJunkBytes, 2147483647LL);
  EXPECT_EQ(std::int32_t(7000u + 2147483647u), ReadStatistic(stat::kJunkBytes));
  EXPECT_LT(ReadStatistic(stat::kJunkBytes), 0);
}
