#include "support/user_input.h"

#include <commctrl.h>

#include "ui/app.h"

namespace velmora::test {

namespace {

void SetState(ui::ListView& list, int row, bool selected) {
  // The control learns of appended rows a little later; naming a row tells it now.
  if (row >= 0) list.EnsureVisible(row);
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED;
  item.state = selected ? LVIS_SELECTED : 0;
  SendMessageW(list.handle(), LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

void UserSelectsOnly(ui::ListView& list, int row) {
  SetState(list, -1, false);
  SetState(list, row, true);
}

void UserSelectsAlso(ui::ListView& list, int row) { SetState(list, row, true); }

void UserDoubleClicks(ui::ListView& list, int row) {
  NMITEMACTIVATE nm{};
  nm.hdr.hwndFrom = list.handle();
  nm.hdr.idFrom = UINT_PTR(GetDlgCtrlID(list.handle()));
  nm.hdr.code = NM_DBLCLK;
  nm.iItem = row;
  SendMessageW(GetParent(list.handle()), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}

void UserPressesKey(HWND window, WORD key) {
  PostMessageW(window, WM_KEYDOWN, key, 1);
  PostMessageW(window, WM_KEYUP, key, LPARAM(0xC0000001));
  ui::ProcessMessages();
}

void UserPicksTab(ui::TabControl& tabs, int page) {
  int tab = 0;
  for (int i = 0; i < page; ++i)
    if (tabs.page(size_t(i)).tabVisible()) ++tab;
  SendMessageW(tabs.handle(), TCM_SETCURSEL, WPARAM(tab), 0);
  NMHDR nm{};
  nm.hwndFrom = tabs.handle();
  nm.idFrom = UINT_PTR(GetDlgCtrlID(tabs.handle()));
  nm.code = TCN_SELCHANGE;
  SendMessageW(GetParent(tabs.handle()), WM_NOTIFY, nm.idFrom, reinterpret_cast<LPARAM>(&nm));
}

void UserSelectsRow(ui::ListBox& list, int row) {
  SendMessageW(list.handle(), LB_SETCURSEL, WPARAM(row), 0);
  SendMessageW(GetParent(list.handle()), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list.handle()), LBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list.handle()));
}

}  // namespace velmora::test
