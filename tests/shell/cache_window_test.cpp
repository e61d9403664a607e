#include <gtest/gtest.h>

#include "platform/registry.h"
#include "platform/text.h"
#include "shell/progress_form.h"
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

TEST(ProgressWindow, IsTheSmallBorderlessCornerWindowWithAWorkingCancel) {
  TfrmProgress progress;
  wchar_t cls[64] = {};
  GetClassNameW(progress.handle(), cls, 64);
  EXPECT_STREQ(L"TfrmProgress", cls);
  EXPECT_EQ("Scheduled Maintenance Progress", progress.caption());
  EXPECT_EQ("Performing Scheduled Maintenance", progress.lblCaption.caption());
  RECT rc{};
  GetWindowRect(progress.handle(), &rc);
  EXPECT_EQ(258, rc.right - rc.left);
  EXPECT_EQ(55, rc.bottom - rc.top);
  EXPECT_EQ(0, GetWindowLongW(progress.handle(), GWL_STYLE) & WS_CAPTION);
  int cancels = 0;
  progress.onCancel = [&] { ++cancels; };
  progress.lblCancel.MouseDown(3, 3);
  progress.lblCancel.MouseUp(3, 3);
  EXPECT_EQ(1, cancels);
  // One use only: it now reads "Please Wait..." as plain text and is not a link.
  EXPECT_TRUE(progress.cancelled());
  EXPECT_FALSE(progress.lblCancel.handCursor);
  progress.lblCancel.MouseDown(3, 3);
  progress.lblCancel.MouseUp(3, 3);
  progress.lblCancelClick();
  EXPECT_EQ(1, cancels);
}
