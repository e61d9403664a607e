// The junk cleaner's stored table, drives, file rules and texts, without a window.
#include <gtest/gtest.h>

#include "platform/registry.h"
#include "support/registry_sandbox.h"
#include "tools/junk/junk_logic.h"

using namespace velmora;
using namespace velmora::junk;

namespace {

TEST(JunkPatternTable, DefaultsGiveThirteenEnabledRows) {
  test::RegistrySandbox reg;
  const std::vector<PatternRow> rows = LoadPatternTable();
  ASSERT_EQ(rows.size(), 13u);
  for (const PatternRow& r : rows) EXPECT_TRUE(r.enabled) << r.pattern;
  EXPECT_EQ(rows[0].pattern, "*.~*");
  EXPECT_EQ(rows[0].description, "Temporary Files");
  EXPECT_EQ(rows[9].pattern, "*.chk");
  EXPECT_EQ(rows[9].description, "Saved disk error data from scandisk");
  EXPECT_EQ(rows[11].pattern, "mscreate.dir");
  EXPECT_EQ(rows[12].pattern, "0???????.nch");
  EXPECT_EQ(rows[12].description, "Temporary cached newsgroup data");
  // Written back, the defaults are the two stored texts exactly.
  EXPECT_EQ(FormatScanFor(rows), kDefaultScanFor);
  EXPECT_EQ(FormatScanDesc(rows), kDefaultScanDesc);
  EXPECT_EQ(LoadDrives(), "---");
}

TEST(JunkPatternTable, FlagComesFromPatternsAndDescriptionsGoByPosition) {
  // The description flags say the opposite; only "ScanFor" counts. The third
  // description has no row and is ignored.
  const auto rows = ParsePatternTable("*.a,1,*.b,0,", "first,0,second,1,third,1,");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_TRUE(rows[0].enabled);
  EXPECT_FALSE(rows[1].enabled);
  EXPECT_EQ(rows[0].description, "first");
  EXPECT_EQ(rows[1].description, "second");
  // Fewer descriptions than rows: the rest stay empty.
  const auto short_ = ParsePatternTable("*.a,1,*.b,1,", "only,1,");
  EXPECT_EQ(short_[1].description, "");
  // A flag whose first character is not "1" disables.
  EXPECT_FALSE(ParsePatternTable("*.a,x1,", "")[0].enabled);
  EXPECT_TRUE(ParsePatternTable("*.a,10,", "")[0].enabled);
}

TEST(JunkPatternTable, ParsingStopsWhereACommaIsMissing) {
  EXPECT_EQ(ParsePatternTable("*.a,1,*.b,1", "").size(), 1u);  // last flag without its comma
  EXPECT_EQ(ParsePatternTable("*.a,1,*.b", "").size(), 1u);
  EXPECT_TRUE(ParsePatternTable("*.a", "").empty());
  EXPECT_TRUE(ParsePatternTable("", "").empty());
  // An empty pattern field is still a row.
  const auto rows = ParsePatternTable(",1,*.c,0,", "");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].pattern, "");
}

TEST(JunkPatternTable, SavedTableWithUntickedSecondRowReloads) {
  test::RegistrySandbox reg;
  std::vector<PatternRow> rows = {{"*.tmp", "Temporary Files", true}, {"*.bak", "Backups", false}};
  SavePatternTable(rows);
  RegKey key = RegKey::Open(HKEY_CURRENT_USER, kJunkKey);
  EXPECT_EQ(key.ReadString("ScanFor").value_or(""), "*.tmp,1,*.bak,0,");
  EXPECT_EQ(key.ReadString("ScanDesc").value_or(""), "Temporary Files,1,Backups,0,");
  const auto back = LoadPatternTable();
  ASSERT_EQ(back.size(), 2u);
  EXPECT_TRUE(back[0].enabled);
  EXPECT_FALSE(back[1].enabled);
  EXPECT_EQ(back[1].description, "Backups");
  SaveDrives("CE");
  EXPECT_EQ(LoadDrives(), "CE");
}

TEST(JunkPatternTable, MaskListOfEnabledRows) {
  std::vector<PatternRow> rows = {{"*.tmp", "", true}, {"*.bak", "", true}, {"*.old", "", false}};
  EXPECT_EQ(EnabledMaskText(rows), "*.tmp,*.bak");  // no trailing comma with the last row off
  rows[0].enabled = rows[1].enabled = false;
  EXPECT_EQ(EnabledMaskText(rows), "");
}

TEST(JunkFileRules, MoveFolderGuard) {
  EXPECT_TRUE(InsideMoveGuard("E:\\Moved\\", "e:\\moved"));
  EXPECT_TRUE(InsideMoveGuard("E:\\", "E:\\Moved"));        // the root of the move folder's drive
  EXPECT_TRUE(InsideMoveGuard("e:\\a\\", "E:\\A\\B\\C"));   // any folder on the path to it
  EXPECT_FALSE(InsideMoveGuard("E:\\Other\\", "E:\\Moved"));
  EXPECT_FALSE(InsideMoveGuard("C:\\", "E:\\Moved"));
  EXPECT_FALSE(InsideMoveGuard("E:\\", ""));                // an empty box ignores nothing
}

TEST(JunkFileRules, AccessAgeCountsFromMidnightToday) {
  const double now = 46188.75;  // an evening
  EXPECT_TRUE(AccessedTooRecently(30, now, 46188.0 - 29 + 0.5));
  EXPECT_FALSE(AccessedTooRecently(30, now, 46188.0 - 31 + 0.5));
  EXPECT_FALSE(AccessedTooRecently(30, now, 46188.0 - 30));  // exactly N days: kept
  EXPECT_TRUE(AccessedTooRecently(0, now, 46188.25));        // N = 0 still skips earlier today
  EXPECT_FALSE(AccessedTooRecently(30, now, 0));             // unreadable access time: long past
  EXPECT_EQ(DaysFromText(" 30 "), 30);
  EXPECT_EQ(DaysFromText("abc"), 0);
  EXPECT_EQ(DaysFromText(""), 0);
}

TEST(JunkTexts, StatusAndLogLines) {
  EXPECT_EQ(ScanCompleteText(6000, 3), "Scan Complete: 6,000 bytes (0.01 megabytes) found in 3 files.");
  EXPECT_EQ(FoundLine(0, 0), "  0 bytes (0.00 megabytes) found in 0 files.");
  // Totals beyond 32 bits keep their value.
  EXPECT_EQ(FoundLine(5000000000LL, 2), "  5,000,000,000 bytes (4,882.81 megabytes) found in 2 files.");
  EXPECT_EQ(ScannedLine("C:\\", false), "  Successfully scanned C:\\ for specified file types.");
  EXPECT_EQ(ScannedLine("C:\\", true), "  Successfully scanned C:\\ for zero length files.");
  EXPECT_EQ(TotalSpaceText(6000, 3), "Total space recovered: 6,000 bytes (0.01 megabytes) in 3 files.");
  EXPECT_EQ(InUseLine("c:\\a.tmp"), "  Unable to remove \"c:\\a.tmp\".  This file is currently in use.");
  EXPECT_EQ(TempSkippedText("C:\\", "it is a drive root"), "The temporary folder C:\\ was not scanned: it is a drive root.");
  EXPECT_EQ(MoveLine("c:\\a.tmp", "e:\\m"), "  Relocating file: c:\\a.tmp\r     To: e:\\m");
}

}  // namespace
