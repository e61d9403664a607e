// Every window of the suite as a keyboard user and a large-font screen see it:
// built at 96, 144 and 192 dpi with no caption cut short and no two controls on
// one place; every button reached by its Alt key; walked by Tab on each page
// (reached by Ctrl+Tab) and closed by Esc; the result windows resized, their
// lists and the buttons below following, the size kept for the next time.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <map>
#include <functional>
#include <string>
#include <vector>

#include "shell/help.h"
#include "shell/help_window.h"
#include "shell/hint.h"
#include "shell/log_viewer.h"
#include "shell/navigator.h"
#include "shell/progress_form.h"
#include "shell/settings.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/fakes.h"
#include "ui/accessible_name.h"
#include "support/layout_check.h"
#include "support/registry_sandbox.h"
#include "support/user_input.h"
#include "tools/dupes/frm_dupes.h"
#include "tools/eraser/frm_net.h"
#include "tools/junk/frm_junk.h"
#include "tools/regclean/frm_regclean.h"
#include "tools/sched/frm_sched.h"
#include "tools/sched/frm_sprops.h"
#include "tools/shortcuts/frm_addremove.h"
#include "tools/shortcuts/frm_startmenu.h"
#include "tools/startup/frm_startup.h"
#include "tools/tracker/frm_vantrel.h"
#include "ui/app.h"
#include "ui/controls.h"
#include "ui/form.h"

using namespace velmora;

namespace {

struct Window {
  const char* name;
  std::function<ui::Form*()> open;  // every one frees itself on close
  bool results;                     // lists results: resizable
  bool wizard = false;              // its pages turn by Back and Next; a click on a tab is refused
};

const std::vector<Window>& Windows() {
  static const std::vector<Window> all = {
      {"junk cleaner", [] { return new junk::TfrmJunk(); }, true},
      {"eraser", [] { return new eraser::TfrmNet(); }, false},
      {"shortcut finder", [] { return new shortcuts::TfrmStartMenu(); }, true},
      {"uninstall cleaner", [] { return new shortcuts::TfrmAddRemove(std::vector<shortcuts::UninstallSource>{}); }, true},
      {"duplicate finder", [] { return new dupes::TfrmFindDupes(); }, true},
      {"registry cleaner", [] { return new regclean::TfrmRegClean(); }, true},
      {"start-up manager", [] { return new startup::TfrmStartup(); }, true},
      {"installation tracker", [] { return new tracker::TfrmVantrel(); }, false, /*wizard=*/true},
      {"scheduling window", [] { return new sched::TfrmSched(); }, false},
      {"log viewer", [] { return new shell::TfrmLogs(); }, true},
      {"hint", [] { return new shell::TfrmHint("Test", "A hint to read."); }, false},
      {"help window", [] { return new shell::TfrmHelp(); }, false},
  };
  return all;
}

struct DpiScope {
  explicit DpiScope(int dpi) { ui::SetDpiForTests(dpi); }
  ~DpiScope() { ui::SetDpiForTests(0); }
};

void ForEachDescendant(HWND parent, const std::function<void(HWND)>& each) {
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    each(c);
    ForEachDescendant(c, each);
  }
}

void CollectUncaptioned(HWND parent, std::vector<HWND>& out) {
  ForEachDescendant(parent, [&out](HWND c) {
    wchar_t cls[32] = L"";
    GetClassNameW(c, cls, 32);
    for (const wchar_t* k : {L"Edit", L"ListBox", L"ComboBox", L"SysListView32", L"SysTreeView32", L"RICHEDIT50W",
                             L"SysDateTimePick32"})
      if (lstrcmpiW(cls, k) == 0 && (GetWindowLongW(c, GWL_STYLE) & WS_VISIBLE)) out.push_back(c);
  });
}

// Each list view of the window with the size of its row pictures.
std::vector<std::pair<HWND, int>> ListPictureSizes(HWND window) {
  std::vector<HWND> controls;
  CollectUncaptioned(window, controls);
  std::vector<std::pair<HWND, int>> out;
  for (HWND list : controls) {
    wchar_t cls[32] = L"";
    GetClassNameW(list, cls, 32);
    if (lstrcmpiW(cls, WC_LISTVIEWW) != 0) continue;
    const auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    int cx = 0, cy = 0;
    if (images && ImageList_GetIconSize(images, &cx, &cy)) out.emplace_back(list, cx);
  }
  return out;
}

void CollectTabs(HWND parent, std::vector<HWND>& out) {
  ForEachDescendant(parent, [&out](HWND c) {
    wchar_t cls[32] = L"";
    GetClassNameW(c, cls, 32);
    if (lstrcmpiW(cls, WC_TABCONTROLW) == 0) out.push_back(c);
  });
}

// Presses a key with Ctrl (and Shift) held, as the keyboard would.
void PressWithCtrl(HWND window, WORD key, bool shift = false) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  if (shift) keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  test::UserPressesKey(window, key);
  keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
}

class Desktop : public ::testing::Test {
 protected:
  void SetUp() override { shell::WriteBoolSetting(shell::kHintsKey, "All", false); }
  test::RegistrySandbox reg_;
};

TEST_F(Desktop, EveryWindowAtEachDpiHasNoCutCaptionAndNoOverlap) {
  for (int dpi : {96, 144, 192}) {
    DpiScope scale(dpi);
    int glyphs = 0;
    for (const Window& w : Windows()) {
      ui::Form* f = w.open();
      ASSERT_EQ(dpi, f->dpi()) << w.name;
      RECT client, frame, work;
      GetClientRect(f->handle(), &client);
      GetWindowRect(f->handle(), &frame);
      SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
      // The designed size at this DPI, unless the screen is too small for it.
      if (frame.right - frame.left < work.right - work.left) {
        // A picture window is sized in pixels, drawn for its DPI.
        const int designed = f->args().pixelLayout ? f->args().clientWidth : MulDiv(f->args().clientWidth, dpi, 96);
        EXPECT_EQ(designed, client.right) << w.name << " at " << dpi;
        if (f->args().pixelLayout) {
          EXPECT_EQ(MulDiv(shell::kHelpBackWidth, dpi, 96), client.right) << w.name;
        }
      }
      // A window taller or wider than the screen is cut short: its status bar
      // sits at the bottom of what shows, over the layout below it.
      const bool cut = frame.right - frame.left >= work.right - work.left ||
                       frame.bottom - frame.top >= work.bottom - work.top;
      // Every list's row pictures are drawn at this DPI's size (drive icons among them).
      for (const auto& [list, size] : ListPictureSizes(f->handle()))
        EXPECT_EQ(MulDiv(16, dpi, 96), size) << w.name << " at " << dpi << " dpi: " << test::Describe(list);
      // A button's picture (the Help buttons' question mark) is drawn for this DPI too.
      ForEachDescendant(f->handle(), [&](HWND b) {
        const auto* button = dynamic_cast<const ui::Button*>(ui::Form::ControlFromHandle(b));
        BITMAP bm{};
        if (button && button->handle() == b && button->glyph() && GetObjectW(button->glyph(), sizeof bm, &bm)) {
          ++glyphs;
          EXPECT_EQ(MulDiv(15, dpi, 96), bm.bmHeight) << w.name << " at " << dpi << " dpi: " << test::Describe(b);
        }
      });
      for (const std::string& fault : test::LayoutFaults(f->handle())) {
        if (fault.rfind("mnemonic:", 0) == 0) continue;  // shared keys: EveryButtonIsReachedByItsAltKey
        if (cut && fault.find("msctls_statusbar32") != std::string::npos) continue;
        ADD_FAILURE() << w.name << " at " << dpi << " dpi: " << fault;
      }
      f->Destroy();
    }
    EXPECT_GE(glyphs, 8) << "the tools' Help buttons carry their picture";
  }
}

TEST_F(Desktop, TheProgressWindowIsLaidOutAtEachDpi) {
  for (int dpi : {96, 144, 192}) {
    DpiScope scale(dpi);
    shell::TfrmProgress progress;
    progress.lblSchedType.SetCaption("Removing junk and obsolete files...");
    RECT client;
    GetClientRect(progress.handle(), &client);
    EXPECT_EQ(MulDiv(258, dpi, 96), client.right) << dpi;
    EXPECT_EQ(MulDiv(55, dpi, 96), client.bottom) << dpi;
    RECT where;
    GetWindowRect(progress.handle(), &where);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), where.right) << "in the screen's right corner at " << dpi;
    BITMAP bm{};
    GetObjectW(progress.imgPicture.picture(), sizeof bm, &bm);
    EXPECT_EQ(MulDiv(16, dpi, 96), bm.bmWidth) << "the clock drawn at the DPI's size";
    for (const std::string& fault : test::LayoutFaults(progress.handle())) ADD_FAILURE() << dpi << " dpi: " << fault;
  }
}

TEST_F(Desktop, TheLauncherIsDrawnAtTheWindowsDpi) {
  for (int dpi : {96, 144, 192}) {
    DpiScope scale(dpi);
    shell::TfrmNav nav(shell::LauncherActions{}, /*visible=*/false);
    nav.endsApplication = false;
    RECT client;
    GetClientRect(nav.handle(), &client);
    EXPECT_EQ(MulDiv(shell::kMainScreenWidth, dpi, 96), client.right) << dpi;
    EXPECT_EQ(MulDiv(shell::kMainScreenHeight, dpi, 96), client.bottom) << dpi;
    // Each picture fills its button's place at this DPI: the art is drawn for it, not stretched.
    BITMAP bm{};
    GetObjectW(nav.imgJunk_Up.picture(), sizeof bm, &bm);
    RECT place;
    GetClientRect(nav.imgJunk_Up.handle(), &place);
    EXPECT_EQ(place.right, bm.bmWidth) << dpi;
    EXPECT_EQ(place.bottom, bm.bmHeight) << dpi;
    EXPECT_EQ(MulDiv(226, dpi, 96), bm.bmWidth) << dpi;
    GetObjectW(nav.imgJunk_Hint.picture(), sizeof bm, &bm);
    GetClientRect(nav.imgJunk_Hint.handle(), &place);
    EXPECT_EQ(place.right, bm.bmWidth) << dpi;
    nav.Destroy();
  }
}

TEST_F(Desktop, TheLauncherMovedToAMonitorOfAnotherDpiIsDrawnAgain) {
  DpiScope scale(96);
  shell::TfrmNav nav(shell::LauncherActions{}, /*visible=*/false);
  nav.endsApplication = false;
  RECT wr;
  GetWindowRect(nav.handle(), &wr);
  RECT suggested{wr.left, wr.top, wr.left + MulDiv(wr.right - wr.left, 2, 1), wr.top + MulDiv(wr.bottom - wr.top, 2, 1)};
  SendMessageW(nav.handle(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
  RECT client;
  GetClientRect(nav.handle(), &client);
  EXPECT_EQ(MulDiv(shell::kMainScreenWidth, 192, 96), client.right);
  BITMAP bm{};
  GetObjectW(nav.imgExit_Up.picture(), sizeof bm, &bm);
  RECT place;
  GetClientRect(nav.imgExit_Up.handle(), &place);
  EXPECT_EQ(place.right, bm.bmWidth) << "the buttons drawn again at the new size";
  EXPECT_EQ(MulDiv(92, 192, 96), bm.bmWidth);
  nav.Destroy();
}

// A window moved to a screen of another DPI draws its lists' pictures again
// at the new size, those added as files were found among them.
TEST_F(Desktop, EveryWindowMovedToAnotherDpiDrawsItsListPicturesAgain) {
  DpiScope scale(96);
  for (const Window& w : Windows()) {
    ui::Form* f = w.open();
    RECT wr;
    GetWindowRect(f->handle(), &wr);
    RECT suggested{wr.left, wr.top, wr.left + MulDiv(wr.right - wr.left, 3, 2), wr.top + MulDiv(wr.bottom - wr.top, 3, 2)};
    SendMessageW(f->handle(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    ASSERT_EQ(144, f->dpi()) << w.name;
    for (const auto& [list, size] : ListPictureSizes(f->handle()))
      EXPECT_EQ(24, size) << w.name << ": " << test::Describe(list);
    f->Destroy();
  }
}

TEST_F(Desktop, TheLauncherOpensEveryToolByTheKeyboard) {
  shell::LauncherActions actions;
  std::vector<int> opened;
  for (int i = 0; i < shell::kToolButtonCount; ++i) actions.tools[i] = [&opened, i] { opened.push_back(i); };
  int logs = 0;
  actions.logs = [&logs] { ++logs; };
  shell::TfrmNav nav(actions, /*visible=*/true);
  nav.endsApplication = false;
  for (int i = 0; i < shell::kToolButtonCount; ++i) {
    test::UserPressesKey(nav.handle(), VK_DOWN);
    ASSERT_EQ(i, nav.keyboardButton());
    test::UserPressesKey(nav.handle(), VK_RETURN);
  }
  // Uninstall and StartUp pass the administrator check of the fake world.
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}), opened);
  EXPECT_FALSE(nav.imgSched_Up.visible()) << "the highlighted tool shows its hover face";
  EXPECT_TRUE(nav.imgSched_Hint.visible()) << "and its hint";
  test::UserPressesKey(nav.handle(), VK_RIGHT);  // from the last tool to the last command, Exit
  EXPECT_EQ(shell::kToolButtonCount + 3, nav.keyboardButton());
  for (int i = 0; i < 3; ++i) test::UserPressesKey(nav.handle(), VK_UP);
  ASSERT_EQ(shell::kToolButtonCount, nav.keyboardButton()) << "Logs heads the command column";
  test::UserPressesKey(nav.handle(), VK_SPACE);
  EXPECT_EQ(1, logs);
  test::UserPressesKey(nav.handle(), VK_ESCAPE);
  EXPECT_TRUE(nav.handle()) << "Esc does not end the program";
  nav.Destroy();
}

TEST_F(Desktop, EveryWindowIsWalkedByTabOnEachPageAndClosedByEsc) {
  for (const Window& w : Windows()) {
    ui::Form* f = w.open();
    f->Show();
    ui::ProcessMessages();
    std::vector<HWND> tabs;
    CollectTabs(f->handle(), tabs);
    const int pages = tabs.empty() ? 1 : int(SendMessageW(tabs[0], TCM_GETITEMCOUNT, 0, 0));
    for (int page = 0; page < pages; ++page) {
      const auto walk = test::TabWalk(f->handle());
      for (HWND stop : test::TabStops(f->handle()))
        EXPECT_NE(std::find(walk.begin(), walk.end(), stop), walk.end())
            << w.name << " page " << page << ": Tab never reaches " << test::Describe(stop);
      if (!tabs.empty() && !w.wizard) {
        const LRESULT before = SendMessageW(tabs[0], TCM_GETCURSEL, 0, 0);
        HWND focus = walk.empty() ? f->handle() : walk.front();
        SetFocus(focus);
        PressWithCtrl(focus, VK_TAB);
        if (pages > 1) {
          EXPECT_EQ((before + 1) % pages, SendMessageW(tabs[0], TCM_GETCURSEL, 0, 0)) << w.name << " Ctrl+Tab";
        }
      }
    }
    if (!tabs.empty() && pages > 1 && !w.wizard) {
      const LRESULT before = SendMessageW(tabs[0], TCM_GETCURSEL, 0, 0);
      PressWithCtrl(tabs[0], VK_TAB, /*shift=*/true);
      EXPECT_EQ((before + pages - 1) % pages, SendMessageW(tabs[0], TCM_GETCURSEL, 0, 0)) << w.name << " Ctrl+Shift+Tab";
    }
    HWND h = f->handle();
    HWND first = GetNextDlgTabItem(h, nullptr, FALSE);
    test::UserPressesKey(first ? first : h, VK_ESCAPE);
    ui::ProcessMessages();
    EXPECT_FALSE(IsWindow(h)) << w.name << ": Esc leaves the idle window open";
    if (IsWindow(h)) f->Destroy();
  }
}

// F1 in any window, wherever the focus is, opens that window's own page of
// the help that ships beside the program (the build's help folder).
TEST_F(Desktop, F1InEveryWindowOpensItsOwnHelpPage) {
  wchar_t exe[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
  ASSERT_TRUE(n > 0 && n < MAX_PATH);
  const std::string shipped = ExtractFilePath(Narrow(std::wstring(exe, n))) + "help\\";
  const std::string installed = test::world().programFolder + "help\\";
  ASSERT_TRUE(CreateFolderPath(installed));
  ui::SetHelpHook([](const std::string& topic) { shell::OpenHelpTopic(topic); });
  std::vector<Window> all = Windows();
  all.push_back({"task properties", [] { return new sched::TfrmSProps("Junk", /*scheduled=*/true); }, false});
  std::map<std::string, int> pagesOpened;
  for (const Window& w : all) {
    SCOPED_TRACE(w.name);
    ui::Form* f = w.open();
    f->Show();
    ui::ProcessMessages();
    const std::string topic = f->helpTopic();
    ASSERT_FALSE(topic.empty());
    ASSERT_TRUE(CopyFileW(Widen(shipped + topic + ".html").c_str(), Widen(installed + topic + ".html").c_str(), FALSE))
        << "no page for " << topic << " in " << shipped;
    // From the window itself and from the control that has the focus.
    std::vector<HWND> from{f->handle()};
    if (HWND first = GetNextDlgTabItem(f->handle(), nullptr, FALSE)) from.push_back(first);
    for (HWND h : from) {
      test::world().shellCalls.clear();
      SetFocus(h);
      test::UserPressesKey(h, VK_F1);
      ASSERT_EQ(test::world().shellCalls.size(), 1u) << test::Describe(h);
      EXPECT_EQ(test::world().shellCalls[0].target, installed + topic + ".html") << test::Describe(h);
    }
    ++pagesOpened[topic];
    HWND h = f->handle();
    f->Destroy();
    EXPECT_FALSE(IsWindow(h));
  }
  ui::SetHelpHook({});
  EXPECT_GE(pagesOpened.size(), 12u);
}

// A screen reader asks the accessibility interface for the name of each edit
// box, list and combo box: every one has one, its label's text.
TEST_F(Desktop, EveryControlWithoutACaptionIsNamedByItsLabel) {
  for (const Window& w : Windows()) {
    ui::Form* f = w.open();
    f->Show();
    ui::ProcessMessages();
    std::vector<HWND> controls;
    CollectUncaptioned(f->handle(), controls);
    for (HWND c : controls) {
      // A combo box's own edit is named by the combo box.
      wchar_t parentClass[32] = L"";
      GetClassNameW(GetParent(c), parentClass, 32);
      if (lstrcmpiW(parentClass, L"ComboBox") == 0) continue;
      const std::wstring name = ui::AccessibleNameOf(c);
      EXPECT_FALSE(name.empty()) << w.name << ": " << test::Describe(c) << " has no accessible name";
      EXPECT_EQ(name.find(L'&'), std::wstring::npos) << w.name << ": " << Narrow(name);
    }
    f->Destroy();
  }
  // The label's text as it is when asked; a list with no label has the name its window gives it.
  auto* junk = new junk::TfrmJunk();
  junk->Show();
  EXPECT_EQ(ui::AccessibleNameOf(junk->deMove.handle()), L"Move removed files to:");
  EXPECT_EQ(ui::AccessibleNameOf(junk->udDays.handle()), L"Only find files that have not been accessed in");
  EXPECT_EQ(ui::AccessibleNameOf(junk->lv.handle()), L"Junk files found");
  junk->Destroy();
}

// Every button's Alt key reaches it: a key used once presses its button (as
// IsDialogMessage does); a key the captions share moves the focus round them,
// pressing none, so each is reached by pressing the key again.
TEST_F(Desktop, EveryButtonIsReachedByItsAltKey) {
  for (const Window& w : Windows()) {
    ui::Form* f = w.open();
    f->Show();
    ui::ProcessMessages();
    std::map<wchar_t, std::vector<HWND>> byKey;
    EnumChildWindows(
        f->handle(),
        [](HWND h, LPARAM lp) -> BOOL {
          wchar_t cls[16] = L"";
          GetClassNameW(h, cls, 16);
          if (lstrcmpiW(cls, L"Button") != 0 || (GetWindowLongW(h, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX ||
              !IsWindowVisible(h) || !IsWindowEnabled(h))
            return TRUE;
          wchar_t text[256] = L"";
          GetWindowTextW(h, text, 256);
          for (const wchar_t* p = text; *p && p[1]; ++p) {
            if (*p != L'&') continue;
            if (p[1] == L'&') {
              ++p;
              continue;
            }
            (*reinterpret_cast<std::map<wchar_t, std::vector<HWND>>*>(lp))[wchar_t(std::towlower(p[1]))].push_back(h);
            break;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&byKey));
    for (const auto& [key, buttons] : byKey) {
      if (buttons.size() < 2) continue;
      std::vector<HWND> reached;
      for (size_t i = 0; i < buttons.size(); ++i) {
        PostMessageW(GetFocus() ? GetFocus() : f->handle(), WM_SYSCHAR, WPARAM(key), LPARAM(0x20000001));
        ui::ProcessMessages();
        ASSERT_TRUE(IsWindow(f->handle())) << w.name << ": a shared Alt key pressed a button";
        reached.push_back(GetFocus());
      }
      for (HWND b : buttons)
        EXPECT_NE(std::find(reached.begin(), reached.end(), b), reached.end())
            << w.name << ": Alt+" << char(key) << " never reaches " << test::Describe(b);
    }
    f->Destroy();
  }
}

// The biggest list or memo of the window: its results.
HWND ResultsView(HWND form) {
  HWND best = nullptr;
  int bestArea = 0;
  std::function<void(HWND)> look = [&](HWND h) {
    wchar_t cls[32] = L"";
    GetClassNameW(h, cls, 32);
    if (lstrcmpiW(cls, WC_LISTVIEWW) != 0 && lstrcmpiW(cls, L"Edit") != 0) return;
    for (HWND p = h; p && p != form; p = GetParent(p))
      if (!(GetWindowLongW(p, GWL_STYLE) & WS_VISIBLE)) return;
    RECT r;
    GetWindowRect(h, &r);
    const int area = (r.right - r.left) * (r.bottom - r.top);
    if (area > bestArea) {
      bestArea = area;
      best = h;
    }
  };
  EnumChildWindows(
      form,
      [](HWND h, LPARAM lp) -> BOOL {
        (*reinterpret_cast<std::function<void(HWND)>*>(lp))(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&look));
  return best;
}

TEST_F(Desktop, ResultWindowsResizeWithTheirListsAndKeepTheirSize) {
  for (const Window& w : Windows()) {
    if (!w.results) continue;
    ui::Form* f = w.open();
    ASSERT_TRUE(GetWindowLongW(f->handle(), GWL_STYLE) & WS_THICKFRAME) << w.name << " cannot be resized";
    RECT before;
    GetWindowRect(f->handle(), &before);
    // Not smaller than designed.
    SetWindowPos(f->handle(), nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
    RECT small;
    GetWindowRect(f->handle(), &small);
    EXPECT_EQ(before.right - before.left, small.right - small.left) << w.name;
    EXPECT_EQ(before.bottom - before.top, small.bottom - small.top) << w.name;

    HWND view = ResultsView(f->handle());
    ASSERT_TRUE(view) << w.name;
    RECT viewBefore;
    GetWindowRect(view, &viewBefore);
    SetWindowPos(f->handle(), nullptr, 0, 0, (before.right - before.left) + 200, (before.bottom - before.top) + 120,
                 SWP_NOMOVE | SWP_NOZORDER);
    RECT viewAfter, formAfter;
    GetWindowRect(view, &viewAfter);
    GetWindowRect(f->handle(), &formAfter);
    EXPECT_EQ((viewBefore.right - viewBefore.left) + 200, viewAfter.right - viewAfter.left) << w.name;
    EXPECT_EQ((viewBefore.bottom - viewBefore.top) + 120, viewAfter.bottom - viewAfter.top) << w.name;
    // Nothing left outside the client area, nothing put over the list.
    RECT client;
    GetClientRect(f->handle(), &client);
    for (HWND c = GetWindow(f->handle(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      if (!(GetWindowLongW(c, GWL_STYLE) & WS_VISIBLE)) continue;
      RECT r;
      GetWindowRect(c, &r);
      MapWindowPoints(nullptr, f->handle(), reinterpret_cast<POINT*>(&r), 2);
      EXPECT_LE(r.right, client.right) << w.name << ": " << test::Describe(c);
      EXPECT_LE(r.bottom, client.bottom) << w.name << ": " << test::Describe(c);
    }
    for (const std::string& fault : test::LayoutFaults(f->handle()))
      if (fault.rfind("mnemonic:", 0) != 0) ADD_FAILURE() << w.name << " enlarged: " << fault;
    f->Close();
    ui::ProcessMessages();

    ui::Form* again = w.open();
    RECT reopened;
    GetWindowRect(again->handle(), &reopened);
    EXPECT_EQ(formAfter.right - formAfter.left, reopened.right - reopened.left) << w.name << ": size not kept";
    EXPECT_EQ(formAfter.bottom - formAfter.top, reopened.bottom - reopened.top) << w.name << ": size not kept";
    again->Destroy();
  }
}

}  // namespace
