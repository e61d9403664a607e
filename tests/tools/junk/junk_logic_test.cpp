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

TEST(JunkFileRules, MoveFolderGuard) {
  EXPECT_TRUE(InsideMoveGuard("E:\\Moved\\", "e:\\moved"));
  EXPECT_TRUE(InsideMoveGuard("E:\\", "E:\\Moved"));        // the root of the move folder's drive
  EXPECT_TRUE(InsideMoveGuard("e:\\a\\", "E:\\A\\B\\C"));   // any folder on the path to it
  EXPECT_FALSE(InsideMoveGuard("E:\\Other\\", "E:\\Moved"));
  EXPECT_FALSE(InsideMoveGuard("C:\\", "E:\\Moved"));
  EXPECT_FALSE(InsideMoveGuard("E:\\", ""));                // an empty box ignores nothing
}

}  // namespace
