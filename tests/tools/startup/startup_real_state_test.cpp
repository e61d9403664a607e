// The start-up manager on the prefix's real state: the real Run keys of both
// roots and views, the real Win.ini and StartUp folders. Every item it lists
// is one of those; it changes nothing by opening, and raises no box.
#include <gtest/gtest.h>
#include <windows.h>

#include <iostream>

#include "platform/registry.h"
#include "shell/hint.h"
#include "shell/settings.h"
#include "support/real_state.h"
#include "support/watched_real_state.h"
#include "tools/startup/frm_startup.h"

using namespace velmora;
using namespace velmora::startup;

TEST(StartupOnTheRealPrefix, OpeningListsTheRealSourcesAndChangesNothing) {
  test::RealState state;
  shell::WriteBoolSetting(shell::kHintsKey, "All", false);
  // A Run value of this test's own in the real key, to be found among the others.
  const char* const run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  RegKey::Create(HKEY_CURRENT_USER, run).WriteString("Velmora real-state check", "C:\\velmora-check.exe");
  const auto before = RegKey::Open(HKEY_CURRENT_USER, run).ValueNames();
  test::WatchedRealState watched;
  auto* f = new TfrmStartup();
  f->Show();
  bool found = false;
  for (int row = 0; row < f->lv.itemCount(); ++row) found = found || f->lv.SubItem(row, 0) == "Velmora real-state check";
  EXPECT_TRUE(found);
  std::cout << "start-up items on the prefix: " << f->lv.itemCount() << "\n";
  f->Close();
  EXPECT_EQ(before, RegKey::Open(HKEY_CURRENT_USER, run).ValueNames());
  watched.ExpectNoFailureAndNoBox();
}
