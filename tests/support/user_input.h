// Acting on controls as the user would: the control's own window gets the
// message, so a handler is reached only through its real binding (a handler
// bound to the wrong event fails the test that presses it).
#pragma once

#include <windows.h>

#include "ui/controls.h"
#include "ui/form.h"
#include "ui/list_view.h"

namespace velmora::test {

// The user selects exactly this row (LVM_SETITEMSTATE on the control, which
// sends the list's change notification).
void UserSelectsOnly(ui::ListView& list, int row);
// The user selects these rows in addition (row -1: every row).
void UserSelectsAlso(ui::ListView& list, int row);
// The user double-clicks the row (NM_DBLCLK from the control to its parent).
void UserDoubleClicks(ui::ListView& list, int row);
// A key pressed while `window` has the focus, run through the message loop
// (shortcuts, dialog keys and the control's own keys apply).
void UserPressesKey(HWND window, WORD key);
// The user clicks the tab of this page (TCN_SELCHANGE from the control to its parent).
void UserPicksTab(ui::TabControl& tabs, int page);
// The user selects this row of a list box (LBN_SELCHANGE from the control).
void UserSelectsRow(ui::ListBox& list, int row);

}  // namespace velmora::test
