// The tool bar driven from code on a window that was never shown.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "ui/form.h"
#include "ui/menus.h"
#include "ui/toolbar.h"

using namespace velmora::ui;

namespace {

class BarForm : public Form {
 public:
  BarForm() {
    FormArgs a;
    a.className = "TfrmToolBarTest";
    a.clientWidth = 300;
    a.clientHeight = 200;
    Create(a);
  }
  PopupMenu menu{*this};
  ToolBar tb{*this, {0, 0, 300, 38}};
};

TEST(ToolBar, ButtonsCarryCaptionsStateAndClicks) {
  BarForm f;
  int removes = 0, views = 0;
  f.menu.Add("&Remove Selected File(s)", [&] { ++removes; }, "Del");
  EXPECT_EQ(f.tb.AddButton("Remove", 13, [&] { ++removes; }, &f.menu), 0);
  EXPECT_EQ(f.tb.AddButton("QuickView", 14, [&] { ++views; }), 1);
  ASSERT_NE(f.tb.handle(), nullptr);
  EXPECT_EQ(SendMessageW(f.tb.handle(), TB_BUTTONCOUNT, 0, 0), 2);
  EXPECT_EQ(f.tb.buttonCaption(1), "QuickView");
  EXPECT_EQ(f.tb.DropDownMenu(0), &f.menu);
  EXPECT_EQ(f.tb.DropDownMenu(1), nullptr);

  f.tb.Click(1);
  f.tb.Click(0);
  EXPECT_EQ(views, 1);
  EXPECT_EQ(removes, 1);

  // A disabled button ignores clicks, in the wrapper and in the window.
  f.tb.SetButtonEnabled(1, false);
  EXPECT_FALSE(f.tb.ButtonEnabled(1));
  TBBUTTONINFOW info{};
  info.cbSize = sizeof info;
  info.dwMask = TBIF_STATE;
  SendMessageW(f.tb.handle(), TB_GETBUTTONINFOW, 0x7001, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.fsState & TBSTATE_ENABLED, 0);
  f.tb.Click(1);
  EXPECT_EQ(views, 1);
  f.tb.SetButtonEnabled(1, true);
  f.tb.Click(1);
  EXPECT_EQ(views, 2);
  f.tb.Click(5);  // no such button: nothing happens
}

TEST(ToolBar, HeightZeroCollapsesTheBar) {
  BarForm f;
  f.tb.AddButton("Properties", -1, [] {});
  f.tb.SetBounds({0, 0, 300, 0});
  RECT r{};
  GetWindowRect(f.tb.handle(), &r);
  EXPECT_EQ(r.bottom - r.top, 0);
  f.tb.SetBounds({0, 0, 300, 38});
  GetWindowRect(f.tb.handle(), &r);
  EXPECT_EQ(r.bottom - r.top, f.tb.bounds().height * f.dpi() / 96);
}

}  // namespace

namespace {

// The tool tip's question for a button's text, as the bar's tool tip asks its
// form; the text given back (empty when none).
std::wstring TipOf(BarForm& f, int index) {
  const HWND tip = reinterpret_cast<HWND>(SendMessageW(f.tb.handle(), TB_GETTOOLTIPS, 0, 0));
  NMTTDISPINFOW info{};
  info.hdr.hwndFrom = tip;
  info.hdr.idFrom = UINT_PTR(0x7000 + index);
  info.hdr.code = TTN_GETDISPINFOW;
  SendMessageW(f.handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
  return info.lpszText ? std::wstring(info.lpszText) : std::wstring();
}

TEST(ToolBar, ButtonsShowTheirHintsAsToolTips) {
  BarForm f;
  f.tb.AddButton("Remove", 13, [] {});
  f.tb.AddButton("QuickView", 14, [] {});
  f.tb.SetButtonHint(0, "Remove the selected file(s)");
  ASSERT_NE(SendMessageW(f.tb.handle(), TB_GETTOOLTIPS, 0, 0), 0);
  EXPECT_EQ(TipOf(f, 0), L"Remove the selected file(s)");
  EXPECT_EQ(f.tb.buttonHint(0), "Remove the selected file(s)");
  EXPECT_EQ(TipOf(f, 1), L"");  // no hint: the bar's own answer
}

}  // namespace
