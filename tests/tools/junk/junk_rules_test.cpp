// The junk cleaner's stored pattern table as text, its file rules and texts
// (window-free: also built natively; junk_logic_test.cpp stores them).
#include <gtest/gtest.h>

#include "tools/junk/junk_logic.h"

using namespace velmora::junk;

namespace {

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

TEST(JunkPatternTable, MaskListOfEnabledRows) {
  std::vector<PatternRow> rows = {{"*.tmp", "", true}, {"*.bak", "", true}, {"*.old", "", false}};
  EXPECT_EQ(EnabledMaskText(rows), "*.tmp,*.bak");  // no trailing comma with the last row off
  rows[0].enabled = rows[1].enabled = false;
  EXPECT_EQ(EnabledMaskText(rows), "");
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
