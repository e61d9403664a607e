#include <gtest/gtest.h>

#include "ui/app.h"
#include "ui/form.h"
#include "ui/menus.h"

using namespace velmora::ui;

namespace {
class MenuForm : public Form {
 public:
  MenuForm() {
    selectAll.SetChecked(false);
    FormArgs a;
    a.className = "TfrmMenus";
    Create(a);
  }
  MainMenu menu{*this};
  MenuItem& file = menu.Add("&File");
  MenuItem& selectAll = file.Add("Select &All", [this] { ++selectAllCount; }, "Ctrl+A");
  MenuItem& sep = file.AddSeparator();
  MenuItem& more = file.Add("&More");
  MenuItem& deep = more.Add("&Deep", [this] { ++deepCount; }, "Shift+F5");
  PopupMenu popup{*this};
  MenuItem& remove = popup.Add("&Delete", [this] { ++deleteCount; }, "Del");
  int selectAllCount = 0, deleteCount = 0, deepCount = 0;
};

void SetKeys(std::initializer_list<int> down) {
  BYTE state[256] = {};
  for (int k : down) state[k] = 0x80;
  SetKeyboardState(state);
}

void PressKey(HWND target, WPARAM key) {
  PostMessageW(target, WM_KEYDOWN, key, 1);
  ProcessMessages();
}
}  // namespace

TEST(Menus, ShortcutsReachTheirItemsThroughTheMessageLoop) {
  MenuForm f;
  EXPECT_EQ(f.menu.handle(), GetMenu(f.handle()));
  EXPECT_EQ(3, GetMenuItemCount(GetSubMenu(f.menu.handle(), 0)));
  SetKeys({VK_CONTROL, VK_LCONTROL});
  PressKey(f.handle(), 'A');
  EXPECT_EQ(1, f.selectAllCount);
  SetKeys({});
  PressKey(f.handle(), 'A');  // no Ctrl: not the shortcut
  EXPECT_EQ(1, f.selectAllCount);
  PressKey(f.handle(), VK_DELETE);
  EXPECT_EQ(1, f.deleteCount);
  SetKeys({VK_SHIFT, VK_LSHIFT});
  PressKey(f.handle(), VK_F5);
  EXPECT_EQ(1, f.deepCount);
  SetKeys({});

  // A disabled item ignores its shortcut and its Click.
  f.remove.SetEnabled(false);
  PressKey(f.handle(), VK_DELETE);
  f.remove.Click();
  EXPECT_EQ(1, f.deleteCount);
  EXPECT_TRUE(GetMenuState(f.popup.handle(), f.remove.id(), MF_BYCOMMAND) & MF_GRAYED);

  // A menu command arrives as WM_COMMAND with no control.
  SendMessageW(f.handle(), WM_COMMAND, MAKEWPARAM(f.selectAll.id(), 0), 0);
  EXPECT_EQ(2, f.selectAllCount);
  f.selectAll.SetChecked(true);
  EXPECT_TRUE(GetMenuState(f.menu.handle(), f.selectAll.id(), MF_BYCOMMAND) & MF_CHECKED);
  f.deep.Click();
  EXPECT_EQ(2, f.deepCount);
}

TEST(Menus, ShortcutTextIsParsedStrictly) {
  const ACCEL a = ParseShortcut("Ctrl+Shift+S", 5);
  EXPECT_EQ(FVIRTKEY | FCONTROL | FSHIFT, a.fVirt);
  EXPECT_EQ('S', a.key);
  EXPECT_EQ(VK_DELETE, ParseShortcut("Del", 1).key);
  EXPECT_EQ(VK_F12, ParseShortcut("F12", 1).key);
  EXPECT_THROW(ParseShortcut("Ctrl+Banana", 1), std::invalid_argument);
  EXPECT_THROW(ParseShortcut("Hyper+A", 1), std::invalid_argument);
}

TEST(Timer, OneShotFiresOnceDuringProcessMessages) {
  MenuForm f;
  Timer once(&f, 10, true);
  int fired = 0;
  once.onTimer = [&] { ++fired; };
  once.Start();
  for (int i = 0; i < 4; ++i) {
    Sleep(40);
    ProcessMessages();
  }
  EXPECT_EQ(1, fired);
  EXPECT_FALSE(once.enabled());

  Timer repeating(&f, 10);
  int ticks = 0;
  repeating.onTimer = [&] { ++ticks; };
  repeating.Start();
  for (int i = 0; i < 4; ++i) {
    Sleep(40);
    ProcessMessages();
  }
  repeating.Stop();
  const int seen = ticks;
  Sleep(40);
  ProcessMessages();
  EXPECT_GE(seen, 2);
  EXPECT_EQ(seen, ticks);  // stopped means stopped
}

TEST(App, PostedTasksRunInOrderFromTheLoop) {
  std::vector<int> order;
  PostTask([&] { order.push_back(1); });
  PostTask([&] {
    order.push_back(2);
    PostTask([&] { order.push_back(3); });
  });
  EXPECT_TRUE(order.empty());
  ProcessMessages();
  EXPECT_EQ((std::vector<int>{1, 2, 3}), order);
}
