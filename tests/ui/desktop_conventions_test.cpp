// The forms layer's desktop conventions: controls that follow the edges they
// are anchored to, a resizable window's smallest size, layouts at other DPIs,
// Esc and Ctrl+Tab.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "support/fakes.h"
#include "support/layout_check.h"
#include "support/user_input.h"
#include "ui/app.h"
#include "ui/controls.h"
#include "ui/form.h"

using namespace velmora;
using namespace velmora::ui;

namespace {

// A results window in miniature: options on two pages, buttons on the right,
// a list below that takes the rest, Close and Help below the list.
class ResultsForm : public Form {
 public:
  explicit ResultsForm(bool sizeable = true)
      : tabs(*this, {8, 8, 300, 120}),
        page1(tabs, "&Options"),
        page2(tabs, "&More"),
        cbFirst(page1, {8, 8, 200, 20}, "&First option"),
        cbSecond(page1, {8, 32, 200, 20}, "&Second option"),
        edtName(page2, {8, 8, 200, 23}),
        cmdGo(*this, {316, 8, 84, 26}, "&Go", ButtonRole::Default),
        lv(*this, {8, 136, 392, 120}, /*checkBoxes=*/true),
        cmdHelp(*this, {8, 264, 84, 26}, "&Help"),
        cmdClose(*this, {316, 264, 84, 26}, "&Close") {
    cmdGo.SetAnchors(akRight | akTop);
    lv.SetAnchors(kAnchorAll);
    cmdHelp.SetAnchors(akLeft | akBottom);
    cmdClose.SetAnchors(akRight | akBottom);
    lv.AddColumn("Name", 200);
    FormArgs args;
    args.className = "TfrmResultsTest";
    args.caption = "Results";
    args.clientWidth = 408;
    args.clientHeight = 298;
    args.sizeable = sizeable;
    Create(args);
  }
  TabControl tabs;
  TabPage page1, page2;
  CheckBox cbFirst, cbSecond;
  Edit edtName;
  Button cmdGo;
  ListView lv;
  Button cmdHelp, cmdClose;
  bool busy = false;
  int closes = 0;

 protected:
  bool WorkRunning() const override { return busy; }
  void FormClose() override { ++closes; }
};

RECT ClientRectOf(HWND h, HWND parent) {
  RECT r;
  GetWindowRect(h, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void ResizeClient(Form& f, int width, int height) {
  RECT r{0, 0, width, height};
  AdjustWindowRectEx(&r, DWORD(GetWindowLongW(f.handle(), GWL_STYLE)), FALSE,
                     DWORD(GetWindowLongW(f.handle(), GWL_EXSTYLE)));
  SetWindowPos(f.handle(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
}

struct DpiScope {
  explicit DpiScope(int dpi) { SetDpiForTests(dpi); }
  ~DpiScope() { SetDpiForTests(0); }
};

TEST(Anchors, ResizingMovesAndStretchesOnlyWhatFollowsThatEdge) {
  DpiScope dpi(96);
  ResultsForm f;
  const RECT goBefore = ClientRectOf(f.cmdGo.handle(), f.handle());
  const RECT tabsBefore = ClientRectOf(f.tabs.handle(), f.handle());
  ResizeClient(f, 408 + 100, 298 + 60);
  const RECT go = ClientRectOf(f.cmdGo.handle(), f.handle());
  EXPECT_EQ(goBefore.left + 100, go.left) << "right-anchored button moves along";
  EXPECT_EQ(goBefore.top, go.top);
  EXPECT_EQ(go.right - go.left, goBefore.right - goBefore.left) << "and keeps its size";
  const RECT lv = ClientRectOf(f.lv.handle(), f.handle());
  EXPECT_EQ(8, lv.left);
  EXPECT_EQ(392 + 100, lv.right - lv.left) << "the list widens";
  EXPECT_EQ(120 + 60, lv.bottom - lv.top) << "and grows taller";
  const RECT help = ClientRectOf(f.cmdHelp.handle(), f.handle());
  EXPECT_EQ(8, help.left);
  EXPECT_EQ(264 + 60, help.top) << "the buttons below the list follow its bottom";
  const RECT close = ClientRectOf(f.cmdClose.handle(), f.handle());
  EXPECT_EQ(316 + 100, close.left);
  EXPECT_EQ(264 + 60, close.top);
  const RECT tabsAfter = ClientRectOf(f.tabs.handle(), f.handle());
  EXPECT_TRUE(EqualRect(&tabsBefore, &tabsAfter)) << "unanchored stays put";
  // The bounds the object reports follow too (96-dpi units).
  EXPECT_EQ(392 + 100, f.lv.bounds().width);
  // And back again: nothing drifts.
  ResizeClient(f, 408, 298);
  EXPECT_EQ(392, f.lv.bounds().width);
  EXPECT_EQ(120, f.lv.bounds().height);
  EXPECT_EQ(316, f.cmdGo.bounds().x);
  f.Destroy();
}

TEST(Anchors, AResizableWindowIsNeverSmallerThanItsDesign) {
  for (int d : {96, 144}) {
    DpiScope dpi(d);
    ResultsForm f;
    MINMAXINFO info{};
    SendMessageW(f.handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    RECT designed{0, 0, MulDiv(408, d, 96), MulDiv(298, d, 96)};
    AdjustWindowRectEx(&designed, DWORD(GetWindowLongW(f.handle(), GWL_STYLE)), FALSE,
                       DWORD(GetWindowLongW(f.handle(), GWL_EXSTYLE)));
    EXPECT_EQ(designed.right - designed.left, info.ptMinTrackSize.x) << d;
    EXPECT_EQ(designed.bottom - designed.top, info.ptMinTrackSize.y) << d;
    EXPECT_TRUE(GetWindowLongW(f.handle(), GWL_STYLE) & WS_THICKFRAME);
    f.Destroy();
  }
}

TEST(Dpi, TheLayoutScalesWithTheDpiAndNoCaptionIsCut) {
  for (int d : {96, 144, 192}) {
    DpiScope dpi(d);
    ResultsForm f;
    EXPECT_EQ(d, f.dpi());
    RECT client;
    GetClientRect(f.handle(), &client);
    EXPECT_EQ(MulDiv(408, d, 96), client.right) << d;
    const RECT go = ClientRectOf(f.cmdGo.handle(), f.handle());
    EXPECT_EQ(MulDiv(316, d, 96), go.left) << d;
    EXPECT_EQ(MulDiv(84, d, 96), go.right - go.left) << d;
    LOGFONTW lf{};
    GetObjectW(f.font(), sizeof lf, &lf);
    EXPECT_GT(std::abs(lf.lfHeight), MulDiv(10, d, 96)) << "the font follows the DPI";
    for (const std::string& fault : test::LayoutFaults(f.handle())) ADD_FAILURE() << d << " dpi: " << fault;
    f.Destroy();
  }
}

TEST(Dpi, MovedToAMonitorOfAnotherDpiTheWindowIsLaidOutAgain) {
  DpiScope dpi(96);
  ResultsForm f;
  ResizeClient(f, 408 + 40, 298);  // the user widened it first
  RECT wr;
  GetWindowRect(f.handle(), &wr);
  RECT suggested{wr.left, wr.top, wr.left + (wr.right - wr.left) * 3 / 2, wr.top + (wr.bottom - wr.top) * 3 / 2};
  SendMessageW(f.handle(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(144, f.dpi());
  // At the new scale, the right-hand controls still keep their margin to the
  // right edge, however the new frame divides the suggested size.
  RECT client;
  GetClientRect(f.handle(), &client);
  const RECT go = ClientRectOf(f.cmdGo.handle(), f.handle());
  EXPECT_NEAR(MulDiv(8, 144, 96), client.right - go.right, 2);
  EXPECT_NEAR(MulDiv(84, 144, 96), go.right - go.left, 1);
  const RECT lv = ClientRectOf(f.lv.handle(), f.handle());
  EXPECT_EQ(MulDiv(8, 144, 96), lv.left);
  EXPECT_NEAR(MulDiv(8, 144, 96), client.right - lv.right, 2);
  EXPECT_GT(lv.right - lv.left, MulDiv(392 + 40, 144, 96) - 3) << "the widening is kept";
  // The pages fill their tab control again (not left at no size).
  RECT page, tabs;
  GetClientRect(f.page1.handle(), &page);
  GetClientRect(f.tabs.handle(), &tabs);
  EXPECT_GT(page.right, tabs.right * 3 / 4);
  EXPECT_GT(page.bottom, tabs.bottom / 2);
  LOGFONTW lf{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(f.cbFirst.handle(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
  LOGFONTW formFont{};
  GetObjectW(f.font(), sizeof formFont, &formFont);
  EXPECT_EQ(formFont.lfHeight, lf.lfHeight) << "the controls have the new font";
  for (const std::string& fault : test::LayoutFaults(f.handle())) ADD_FAILURE() << fault;
  f.Destroy();
}

// The checker itself: a caption longer than its button, two buttons on one
// place and a shared Alt key are each found.
class FaultyForm : public Form {
 public:
  FaultyForm()
      : cmdLong(*this, {8, 8, 40, 24}, "&A caption far too long for its button"),
        cmdOver(*this, {30, 20, 80, 24}, "&Over"),
        cmdSame(*this, {200, 8, 80, 24}, "&Overlong") {
    FormArgs args;
    args.className = "TfrmFaultyTest";
    args.clientWidth = 300;
    args.clientHeight = 100;
    Create(args);
  }
  Button cmdLong, cmdOver, cmdSame;
};

TEST(Dpi, TheLayoutCheckFindsClippedOverlappingAndSharedKeys) {
  FaultyForm f;
  const auto faults = test::LayoutFaults(f.handle());
  auto has = [&](const std::string& start, const std::string& part) {
    for (const auto& s : faults)
      if (s.rfind(start, 0) == 0 && s.find(part) != std::string::npos) return true;
    return false;
  };
  EXPECT_TRUE(has("clipped:", "far too long"));
  EXPECT_TRUE(has("overlap:", "&Over\""));
  EXPECT_TRUE(has("mnemonic: Alt+o", "&Overlong"));
  EXPECT_FALSE(has("clipped:", "&Overlong")) << "a caption that fits is not reported";
  f.Destroy();
}

TEST(Keyboard, EscClosesAnIdleWindowAndNotOneAtWork) {
  ResultsForm f;
  f.Show();
  f.cbFirst.SetFocus();
  f.busy = true;
  test::UserPressesKey(f.cbFirst.handle(), VK_ESCAPE);
  ASSERT_TRUE(f.handle()) << "work runs: Esc leaves the window open";
  EXPECT_EQ(0, f.closes);
  f.busy = false;
  test::UserPressesKey(f.cbFirst.handle(), VK_ESCAPE);
  EXPECT_EQ(1, f.closes);
  EXPECT_FALSE(f.handle());
}

TEST(Keyboard, CtrlTabAndCtrlShiftTabChangePagesRoundTheTabs) {
  ResultsForm f;
  f.Show();
  int changes = 0;
  f.tabs.onChange = [&] { ++changes; };
  f.cbFirst.SetFocus();
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  test::UserPressesKey(f.cbFirst.handle(), VK_TAB);
  EXPECT_EQ(1, f.tabs.activePageIndex());
  EXPECT_TRUE(f.page2.visible());
  EXPECT_FALSE(f.page1.visible());
  test::UserPressesKey(f.handle(), VK_TAB);
  EXPECT_EQ(0, f.tabs.activePageIndex()) << "round from the last page to the first";
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  test::UserPressesKey(f.handle(), VK_TAB);
  EXPECT_EQ(1, f.tabs.activePageIndex()) << "Ctrl+Shift+Tab goes back";
  keys[VK_SHIFT] = keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  EXPECT_EQ(3, changes) << "each change runs the page's change handler, as a click on a tab";
  f.Destroy();
}

TEST(Keyboard, TabReachesEveryEnabledControlOfTheShownPage) {
  ResultsForm f;
  f.Show();
  f.lv.AddItem("one");
  const auto walk = test::TabWalk(f.handle());
  for (HWND stop : test::TabStops(f.handle()))
    EXPECT_NE(std::find(walk.begin(), walk.end(), stop), walk.end()) << test::Describe(stop);
  // The walk follows the layout: options, Go, the list, then the buttons below.
  // (The tab strip holds its pages, so Tab goes into them; Ctrl+Tab turns them.)
  std::vector<HWND> expected{f.cbFirst.handle(), f.cbSecond.handle(), f.cmdGo.handle(),
                             f.lv.handle(), f.cmdHelp.handle(), f.cmdClose.handle()};
  EXPECT_EQ(expected, walk);
  f.Destroy();
}

TEST(Keyboard, SpaceTicksTheFocusedRowOfACheckList) {
  ResultsForm f;
  f.Show();
  f.lv.AddItem("one");
  f.lv.AddItem("two");
  test::UserSelectsOnly(f.lv, 1);
  f.lv.SetFocus();
  test::UserPressesKey(f.lv.handle(), VK_SPACE);
  EXPECT_TRUE(f.lv.Checked(1)) << "the selected row, focused or not";
  EXPECT_FALSE(f.lv.Checked(0));
  test::UserPressesKey(f.lv.handle(), VK_SPACE);
  EXPECT_FALSE(f.lv.Checked(1));
  // Moved to by the arrow keys, as a keyboard user does.
  test::UserPressesKey(f.lv.handle(), VK_HOME);
  test::UserPressesKey(f.lv.handle(), VK_SPACE);
  EXPECT_TRUE(f.lv.Checked(0));
  EXPECT_FALSE(f.lv.Checked(1));
  f.Destroy();
}

}  // namespace
