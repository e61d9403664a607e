// The shortcut finder on the prefix's real state: the whole of drive C: and the
// real Start Menus, no folder or registry replaced. The scan must run to its
// end with no box, and list only shortcuts whose target is really gone.
#include <gtest/gtest.h>
#include <windows.h>

#include <iostream>

#include "platform/files.h"
#include "platform/registry.h"
#include "shell/hint.h"
#include "shell/settings.h"
#include "support/real_state.h"
#include "support/watched_real_state.h"
#include "tools/shortcuts/frm_startmenu.h"

using namespace velmora;
using namespace velmora::shortcuts;

TEST(ShortcutsOnTheRealPrefix, AScanOfDriveCAndTheRealStartMenusEndsAndListsOnlyLostTargets) {
  test::RealState state;
  shell::WriteBoolSetting(shell::kHintsKey, "All", false);
  RegKey::Create(HKEY_CURRENT_USER, kShortcutsDrivesKey).WriteString("Drives", "C");
  RegKey::Create(HKEY_CURRENT_USER, std::string(kShortcutsStorageKey) + "\\pos").WriteString("x", "1");
  test::WatchedRealState watched;
  auto* f = new TfrmStartMenu();
  f->Show();
  ASSERT_EQ("C", f->DiskListView1.SelectedDrives());
  const unsigned long long start = GetTickCount64();
  f->cmdGo.Click();
  const unsigned long long ms = GetTickCount64() - start;
  EXPECT_EQ("&Scan", f->cmdGo.caption());
  for (int row = 0; row < f->lvLinks.itemCount(); ++row) {
    const std::string target = f->lvLinks.SubItem(row, 0);
    EXPECT_FALSE(FileExists(target) || FolderExists(target)) << target << " is listed but exists";
  }
  std::cout << "drive C: and the Start Menus: " << ms << " ms, " << f->lvLinks.itemCount() << " listed\n";
  f->Close();
  watched.ExpectNoFailureAndNoBox();
}
