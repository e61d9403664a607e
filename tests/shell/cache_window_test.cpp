#include <gtest/gtest.h>

#include "platform/registry.h"
#include "platform/text.h"
#include "shell/startup.h"
#include "support/registry_sandbox.h"
#include "support/test_folder.h"
#include "ui/app.h"

using namespace velmora;
using namespace velmora::shell;


TEST(CacheCompletionWindow, ShowsTheProgressWindowInTheCornerThenDestroysIt) {
  test::RegistrySandbox sandbox;
  test::TestFolder dir;
  dir.File("Cache\\page.htm");
  RegKey::Create(HKEY_CURRENT_USER, "\\Software\\Dastra\\Velmora\\privacy").WriteString("Cache", dir / "Cache");

  bool seen = false;
  RECT where{};
  bool visible = false;
  // Runs from the first ProcessMessages after the window is shown.
  ui::PostTask([&] {
    HWND w = FindWindowW(L"TfrmProgress", L"Scheduled Maintenance Progress");
    seen = w != nullptr;
    if (w) {
      GetWindowRect(w, &where);
      visible = IsWindowVisible(w);
    }
  });
  RunCacheCompletion();
  EXPECT_TRUE(seen);
  EXPECT_TRUE(visible);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN) - 258, where.left);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN) - 82, where.top);
  EXPECT_EQ(nullptr, FindWindowW(L"TfrmProgress", nullptr));
  EXPECT_FALSE(test::PathExists(dir / "Cache\\page.htm"));
}
