#include <gtest/gtest.h>

#include "platform/datetime.h"
#include "platform/format.h"
#include "shell/action_log.h"
#include "shell/settings.h"
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

TEST(ActionLog, SessionAndOperationBlocks) {
  test::world().fixedNow = EncodeDateTime(2024, 3, 5, 7, 9, 0);
  const std::string stamp = FormatDateTime(*test::world().fixedNow);
  const std::string sep(40, '=');

  WriteSessionOpen("Manual_Junk_Log.txt");
  WriteSessionClose("Manual_Junk_Log.txt", {SpaceRecoveredLine(0)});
  EXPECT_EQ(sep + "\r\nOPEN SESSION: " + stamp + "\r\n" + sep + "\r\n\r\n" + "\r\n" + sep +
                "\r\nCLOSE SESSION: " + stamp + "\r\nTOTAL SPACE RECOVERED: 0.00 bytes (0.00 megabytes.)\r\n" +
                sep + "\r\n\r\n",
            LogText("Manual_Junk_Log.txt"));

  WriteOperationStart("JunkLog.txt", true);
  WriteOperationComplete("JunkLog.txt", {"A", "B"});
  EXPECT_EQ("\r\n" + sep + "\r\nOPERATION START: " + stamp + "\r\n" + sep + "\r\n\r\n" + sep +
                "\r\nOPERATION COMPLETE: " + stamp + "\r\nA\r\nB\r\n" + sep + "\r\n",
            LogText("JunkLog.txt"));
  WriteOperationStart("EraserLog.txt", false);
  EXPECT_EQ("\r\n" + sep + "\r\nOPERATION START: " + stamp + "\r\n" + sep + "\r\n", LogText("EraserLog.txt"));
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
