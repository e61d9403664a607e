// Controls read and written on windows that were never shown.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "support/fakes.h"
#include "support/user_input.h"
#include "support/test_folder.h"
#include "ui/app.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/input_box.h"

using namespace velmora;
using namespace velmora::ui;

namespace {

class Gallery : public Form {
 public:
  Gallery() {
    FormArgs a;
    a.className = "TfrmControls";
    a.clientWidth = 500;
    a.clientHeight = 400;
    Create(a);
  }
  CheckBox cbTemp{*this, {10, 10, 150, 20}, "&Temporary files", true};
  RadioButton rbA{*this, {10, 40, 100, 20}, "A", true};
  RadioButton rbB{*this, {10, 60, 100, 20}, "B"};
  RadioButton rbC{*this, {10, 80, 100, 20}, "C", true};  // a second group
  RadioButton rbD{*this, {10, 100, 100, 20}, "D"};
  Edit edtName{*this, {200, 10, 150, 23}, "first"};
  Memo mmoLog{*this, {200, 40, 250, 100}, true};
  NumberEdit neDays{*this, {200, 150, 60, 23}, 1, 365, 7};
  EditWithBrowse edtFolder{*this, {200, 180, 250, 23}, BrowseKind::Folder, "Choose a folder"};
  ProgressBar pg{*this, {}, 0, 200};
  StatusBar sb{*this};
  TabControl pc{*this, {10, 220, 300, 120}};
  TabPage tsOne{pc, "One"};
  TabPage tsTwo{pc, "Two"};
  Label lblOnTwo{tsTwo, {5, 5, 100, 20}, "on page two"};
  Button cmdOnTwo{tsTwo, {5, 30, 75, 25}, "Press"};
  MenuButton cmdClear{*this, {320, 220, 90, 25}, "Clear &Log"};
  Animation ani{*this, {420, 220, 48, 48}};
  ListBox lbSorted{*this, {320, 260, 170, 60}, /*sorted=*/true};
  RichEdit reView{*this, {10, 345, 480, 50}};
};

}  // namespace

TEST(Controls, CheckAndRadioStatesOnANeverShownWindow) {
  Gallery g;
  ASSERT_FALSE(g.visible());
  EXPECT_TRUE(g.cbTemp.checked());
  int clicks = 0;
  g.cbTemp.onClick = [&] { ++clicks; };
  g.cbTemp.SetChecked(false);
  EXPECT_FALSE(g.cbTemp.checked());
  EXPECT_EQ(0, clicks);  // setting from code runs no handler
  g.cbTemp.Click();
  EXPECT_TRUE(g.cbTemp.checked());
  EXPECT_EQ(1, clicks);

  g.rbA.SetChecked(true);
  g.rbC.SetChecked(true);
  g.rbB.Click();
  EXPECT_FALSE(g.rbA.checked());
  EXPECT_TRUE(g.rbB.checked());
  EXPECT_TRUE(g.rbC.checked());  // other group untouched
  g.rbD.SetChecked(true);
  EXPECT_FALSE(g.rbC.checked());
  EXPECT_TRUE(g.rbB.checked());
}

TEST(Controls, EditsMemoAndNumberEdit) {
  Gallery g;
  int changes = 0;
  g.edtName.onChange = [&] { ++changes; };
  EXPECT_EQ("first", g.edtName.text());
  g.edtName.SetText("caf\xC3\xA9");
  EXPECT_EQ("caf\xC3\xA9", g.edtName.text());
  EXPECT_EQ(1, changes);
  g.edtName.SetReadOnly(true);
  EXPECT_TRUE(GetWindowLongW(g.edtName.handle(), GWL_STYLE) & ES_READONLY);

  g.mmoLog.SetText("one\ntwo\n");
  EXPECT_EQ("one\r\ntwo\r\n", g.mmoLog.text());
  g.mmoLog.AppendLine("three");
  EXPECT_EQ("one\r\ntwo\r\nthree\r\n", g.mmoLog.text());
  EXPECT_EQ(4, g.mmoLog.lineCount());
  const int len = int(g.mmoLog.text().size());
  EXPECT_EQ(std::make_pair(len, len), g.mmoLog.selection());  // caret at the end
  // Far past the edit control's default 32K limit.
  g.mmoLog.SetText(std::string(100000, 'x'));
  EXPECT_EQ(100000u, g.mmoLog.text().size());

  EXPECT_EQ(7, g.neDays.value());
  g.neDays.SetValue(1000);
  EXPECT_EQ(365, g.neDays.value());
  SetWindowTextW(g.neDays.handle(), L"12");
  EXPECT_EQ(12, g.neDays.value());
  SetWindowTextW(g.neDays.handle(), L"");
  EXPECT_EQ(1, g.neDays.value());
  // The spin control moves the number.
  EXPECT_EQ(g.neDays.handle(), reinterpret_cast<HWND>(SendMessageW(g.neDays.spin(), UDM_GETBUDDY, 0, 0)));
}

TEST(Controls, EditWithBrowseAsksThroughTheDialogs) {
  Gallery g;
  g.edtFolder.SetText("C:\\old");
  test::world().dialogs.AnswerFolder(std::string("C:\\new folder"));
  test::world().dialogs.AnswerFolder(std::nullopt);
  SendMessageW(g.handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(g.edtFolder.browseButton()), BN_CLICKED),
               reinterpret_cast<LPARAM>(g.edtFolder.browseButton()));
  EXPECT_EQ("C:\\new folder", g.edtFolder.text());
  EXPECT_FALSE(g.edtFolder.Browse());  // cancelled: text stays
  EXPECT_EQ("C:\\new folder", g.edtFolder.text());
  ASSERT_EQ(2u, test::world().dialogs.asked().size());
  EXPECT_EQ("folder", test::world().dialogs.asked()[0].kind);
  EXPECT_EQ("Choose a folder", test::world().dialogs.asked()[0].text);
}

TEST(Controls, StatusPanelsAndProgressInsideThem) {
  Gallery g;
  g.sb.SetPanels({200, -1});
  g.sb.SetText(0, "Total Files Removed: 12");
  g.sb.SetText(1, "Total Space Freed: 0.00 bytes");
  EXPECT_EQ(2u, g.sb.panelCount());
  EXPECT_EQ("Total Files Removed: 12", g.sb.text(0));
  EXPECT_EQ("Total Space Freed: 0.00 bytes", g.sb.text(1));
  wchar_t raw[64] = {};
  SendMessageW(g.sb.handle(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(raw));
  EXPECT_STREQ(L"Total Files Removed: 12", raw);

  g.sb.PlaceInPanel(g.pg, 1);
  EXPECT_EQ(g.sb.handle(), GetParent(g.pg.handle()));
  g.pg.SetPosition(150);
  EXPECT_EQ(150, int(SendMessageW(g.pg.handle(), PBM_GETPOS, 0, 0)));
  g.pg.SetPosition(999);
  EXPECT_EQ(200, g.pg.position());
}

TEST(Controls, TabPagesSwitchAndOwnTheirControls) {
  Gallery g;
  EXPECT_EQ(2u, g.pc.pageCount());
  EXPECT_EQ(0, g.pc.activePageIndex());
  EXPECT_TRUE(g.tsOne.visible());
  EXPECT_FALSE(g.tsTwo.visible());
  EXPECT_EQ(g.tsTwo.handle(), GetParent(g.cmdOnTwo.handle()));
  g.pc.SetActivePage(g.tsTwo);
  EXPECT_EQ(1, g.pc.activePageIndex());
  EXPECT_EQ(&g.tsTwo, g.pc.activePage());
  EXPECT_FALSE(g.tsOne.visible());
  EXPECT_TRUE(g.tsTwo.visible());

  // The user's switch arrives as TCN_SELCHANGE and runs onChange.
  int changes = 0;
  g.pc.onChange = [&] { ++changes; };
  SendMessageW(g.pc.handle(), TCM_SETCURSEL, 0, 0);
  NMHDR nm{g.pc.handle(), UINT_PTR(GetDlgCtrlID(g.pc.handle())), UINT(TCN_SELCHANGE)};
  SendMessageW(g.handle(), WM_NOTIFY, nm.idFrom, reinterpret_cast<LPARAM>(&nm));
  EXPECT_EQ(1, changes);
  EXPECT_TRUE(g.tsOne.visible());
  EXPECT_FALSE(g.tsTwo.visible());

  // A button on a page reflects its click through the page.
  int clicks = 0;
  g.cmdOnTwo.onClick = [&] { ++clicks; };
  SendMessageW(g.tsTwo.handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(g.cmdOnTwo.handle()), BN_CLICKED),
               reinterpret_cast<LPARAM>(g.cmdOnTwo.handle()));
  EXPECT_EQ(1, clicks);
}

TEST(Controls, AHiddenTabIsLeftOutAndTheOthersKeepTheirPages) {
  Gallery g;
  g.pc.SetActivePage(g.tsTwo);
  g.tsOne.SetTabVisible(false);
  EXPECT_EQ(1, int(SendMessageW(g.pc.handle(), TCM_GETITEMCOUNT, 0, 0)));
  EXPECT_EQ(&g.tsTwo, g.pc.activePage());
  g.pc.SetActivePage(g.tsOne);  // no tab: cannot be chosen
  EXPECT_EQ(&g.tsTwo, g.pc.activePage());

  // Hiding the active page hands over to the first page still shown.
  g.tsOne.SetTabVisible(true);
  EXPECT_EQ(&g.tsTwo, g.pc.activePage());
  g.tsTwo.SetTabVisible(false);
  EXPECT_EQ(&g.tsOne, g.pc.activePage());
  EXPECT_TRUE(g.tsOne.visible());
  EXPECT_FALSE(g.tsTwo.visible());
  g.tsTwo.SetCaption("Renamed");  // a hidden tab's caption waits for it
  g.tsTwo.SetTabVisible(true);
  wchar_t text[32]{};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = 32;
  SendMessageW(g.pc.handle(), TCM_GETITEMW, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(L"Renamed", text);
}

TEST(Controls, MenuButtonItemsAndAnimationFrames) {
  Gallery g;
  EXPECT_EQ(0, g.cmdClear.AddItem("Manual Operations"));
  EXPECT_EQ(1, g.cmdClear.AddItem("Scheduled Operations"));
  std::vector<int> chosen;
  g.cmdClear.onItem = [&](int i) { chosen.push_back(i); };
  g.cmdClear.ChooseItem(1);
  g.cmdClear.ChooseItem(5);  // no such item
  EXPECT_EQ(std::vector<int>{1}, chosen);

  EXPECT_FALSE(g.ani.active());
  g.ani.Start();
  for (int i = 0; i < 5 && g.ani.frame() < 2; ++i) {
    Sleep(100);
    ProcessMessages();
  }
  EXPECT_GE(g.ani.frame(), 2);
  g.ani.Stop();
  EXPECT_FALSE(g.ani.active());
  EXPECT_EQ(0, g.ani.frame());
}

namespace {
class PictureForm : public Form {
 public:
  PictureForm() {
    FormArgs a;
    a.className = "TfrmPictures";
    a.style = FormStyle::Borderless;
    a.pixelLayout = true;
    Create(a);
  }
  // A launcher-style stack: pressed picture at the bottom, the clickable one on top.
  Image imgJunk_Down{*this, {10, 10, 60, 40}};
  Image imgJunk_Over{*this, {10, 10, 60, 40}};
};
}  // namespace

TEST(Controls, ImageStackTogglesVisibilityAndClicks) {
  PictureForm f;
  std::vector<std::string> events;
  f.imgJunk_Over.handCursor = true;
  f.imgJunk_Over.onMouseEnter = [&] { events.push_back("enter"); };
  f.imgJunk_Over.onMouseDown = [&](int, int) {
    events.push_back("down");
    f.imgJunk_Over.SetVisible(false);
  };
  f.imgJunk_Over.onMouseUp = [&](int, int) {
    events.push_back("up");
    f.imgJunk_Over.SetVisible(true);
  };
  f.imgJunk_Over.onClick = [&] { events.push_back("click"); };

  f.imgJunk_Over.MouseMove(3, 3);
  f.imgJunk_Over.MouseMove(4, 4);
  f.imgJunk_Over.MouseDown(5, 5);
  EXPECT_FALSE(f.imgJunk_Over.visible());
  EXPECT_TRUE(f.imgJunk_Down.visible());
  f.imgJunk_Over.MouseUp(5, 5);
  EXPECT_TRUE(f.imgJunk_Over.visible());
  EXPECT_EQ((std::vector<std::string>{"enter", "down", "up", "click"}), events);

  // Through the window: the press hides the picture, and the release that lands
  // on the picture below still belongs to the pressed one.
  events.clear();
  SendMessageW(f.imgJunk_Over.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ReleaseCapture();
  SendMessageW(f.imgJunk_Down.handle(), WM_LBUTTONUP, 0, MAKELPARAM(6, 6));
  EXPECT_EQ((std::vector<std::string>{"down", "up", "click"}), events);

  // Released outside: no click.
  events.clear();
  f.imgJunk_Over.MouseDown(5, 5);
  f.imgJunk_Over.MouseUp(500, 5);
  EXPECT_EQ((std::vector<std::string>{"down", "up"}), events);
}

TEST(InputBox, ReturnsTheTextOnOkAndNothingOnCancelOrEscape) {
  auto driveBox = [](std::function<void(InputBox&)> act) {
    PostTask([act] {
      HWND h = FindWindowW(L"TVelmoraInputBox", L"Rename");
      ASSERT_NE(nullptr, h);
      auto* box = static_cast<InputBox*>(Form::FromHandle(h));
      ASSERT_NE(nullptr, box);
      act(*box);
    });
    return RunInputBox(nullptr, "Rename", "New name:", "old name");
  };
  std::pair<int, int> selection;
  std::string prompt;
  auto ok = driveBox([&](InputBox& box) {
    selection = box.edtValue.selection();
    prompt = box.lblPrompt.caption();
    box.edtValue.SetText("new name");
    box.btnOk.Click();
  });
  ASSERT_TRUE(ok.has_value());
  EXPECT_EQ("new name", *ok);
  EXPECT_EQ(std::make_pair(0, 8), selection);  // the initial text starts selected
  EXPECT_EQ("New name:", prompt);

  EXPECT_FALSE(driveBox([](InputBox& box) {
                 box.edtValue.SetText("ignored");
                 box.btnCancel.Click();
               }).has_value());
  EXPECT_FALSE(driveBox([](InputBox& box) { box.Close(); }).has_value());

  // Enter presses OK and Escape presses Cancel through the dialog keys.
  auto entered = driveBox([](InputBox& box) {
    box.edtValue.SetText("typed");
    PostMessageW(box.edtValue.handle(), WM_KEYDOWN, VK_RETURN, 0);
  });
  EXPECT_EQ(std::optional<std::string>("typed"), entered);
  EXPECT_FALSE(driveBox([](InputBox& box) {
                 PostMessageW(box.edtValue.handle(), WM_KEYDOWN, VK_ESCAPE, 0);
               }).has_value());
}

TEST(Controls, SeeThroughLabelGetsNoBackgroundThroughItsPage) {
  Gallery g;
  HDC dc = GetDC(g.handle());
  // An ordinary label keeps the default colours.
  EXPECT_NE(reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)),
            SendMessageW(g.tsTwo.handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(g.lblOnTwo.handle())));
  g.lblOnTwo.SetTransparent(true, RGB(255, 255, 255));
  EXPECT_EQ(reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)),
            SendMessageW(g.tsTwo.handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(g.lblOnTwo.handle())));
  EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
  EXPECT_EQ(RGB(255, 255, 255), GetTextColor(dc));
  ReleaseDC(g.handle(), dc);
}

TEST(Controls, ControlBuiltAfterTheWindowIsCreatedOnRequest) {
  Gallery g;
  auto late = std::make_unique<CheckBox>(g, Bounds{10, 380, 100, 20}, "Late", true);
  EXPECT_EQ(nullptr, late->handle());
  EXPECT_TRUE(late->checked());
  late->CreateNow();
  ASSERT_NE(nullptr, late->handle());
  EXPECT_TRUE(late->checked());
  EXPECT_EQ("Late", late->caption());
  HWND h = late->handle();
  late.reset();  // the wrapper takes its window with it
  EXPECT_FALSE(IsWindow(h));
}

TEST(Controls, ComboBoxDateTimePickerAndNumberSteps) {
  class Props : public Form {
   public:
    Props() {
      FormArgs a;
      a.className = "TfrmPickers";
      Create(a);
    }
    ComboBox cmbDay{*this, {10, 10, 120, 150}, {"Sunday", "Monday", "Tuesday"}};
    DateTimePicker dtDate{*this, {10, 40, 120, 22}, DateTimeKind::Date};
    DateTimePicker dtTime{*this, {10, 70, 120, 22}, DateTimeKind::Time};
    NumberEdit seMinutes{*this, {10, 100, 50, 22}, 1, 59, 30};
    Button cmdOK{*this, {10, 130, 75, 25}, "OK", ButtonRole::Default};
  } f;
  int changes = 0;
  f.cmbDay.onChange = [&] { ++changes; };
  EXPECT_EQ(-1, f.cmbDay.itemIndex());
  f.cmbDay.SetItemIndex(2);
  EXPECT_EQ("Tuesday", f.cmbDay.text());
  f.cmbDay.SetItemIndex(9);
  EXPECT_EQ(-1, f.cmbDay.itemIndex());
  EXPECT_EQ(0, changes);
  f.cmbDay.ChooseItem(1);
  EXPECT_EQ("Monday", f.cmbDay.text());
  EXPECT_EQ(1, changes);

  const double when = 46457.75;  // 11 March 2027 18:00
  f.dtDate.SetValue(when);
  f.dtTime.SetValue(when);
  EXPECT_EQ(when, f.dtDate.value());
  EXPECT_EQ(when, f.dtTime.value());
  f.dtTime.SetValue(-200000);  // in the 14th century, before the picker's calendar: not taken
  EXPECT_EQ(when, f.dtTime.value());

  f.seMinutes.SetIncrement(5);
  f.seMinutes.SetMaxLength(2);
  UDACCEL accel{};
  SendMessageW(f.seMinutes.spin(), UDM_GETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
  EXPECT_EQ(5u, accel.nInc);
  EXPECT_EQ(2, SendMessageW(f.seMinutes.handle(), EM_GETLIMITTEXT, 0, 0));

  // Enter in an edit presses the default button, also beside a date-time picker.
  int presses = 0;
  f.cmdOK.onClick = [&] { ++presses; };
  f.Show();
  test::UserPressesKey(f.seMinutes.handle(), VK_RETURN);
  EXPECT_EQ(1, presses);
}

namespace {

std::vector<std::string> WindowRows(const ListBox& list) {
  std::vector<std::string> rows;
  const int n = int(SendMessageW(list.handle(), LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    std::wstring text(size_t(SendMessageW(list.handle(), LB_GETTEXTLEN, WPARAM(i), 0)) + 1, L'\0');
    const int got = int(SendMessageW(list.handle(), LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text.data())));
    text.resize(size_t(got));
    rows.push_back(Narrow(text));
  }
  return rows;
}

}  // namespace

TEST(Controls, SortedListBoxKeepsObjectAndWindowInOneOrder) {
  Gallery g;
  int changes = 0;
  g.lbSorted.onSelectionChange = [&] { ++changes; };
  for (const char* path : {"C:\\WINDOWS\\win.ini", "c:\\apps\\b.ini", "C:\\Apps\\A.INI", "c:\\apps\\a.ini"})
    g.lbSorted.AddItem(path);
  // Case is ignored, and names equal but for case stay in a fixed order.
  const std::vector<std::string> expected{"C:\\Apps\\A.INI", "c:\\apps\\a.ini", "c:\\apps\\b.ini",
                                          "C:\\WINDOWS\\win.ini"};
  EXPECT_EQ(expected, g.lbSorted.items());
  EXPECT_EQ(expected, WindowRows(g.lbSorted));

  // The selection follows its row through insertions and deletions.
  g.lbSorted.SetItemIndex(2);
  EXPECT_EQ(0, changes);  // set from code: no event
  EXPECT_EQ(0, g.lbSorted.AddItem("C:\\0.ini"));
  EXPECT_EQ(3, g.lbSorted.itemIndex());
  EXPECT_EQ("c:\\apps\\b.ini", g.lbSorted.item(g.lbSorted.itemIndex()));
  g.lbSorted.DeleteItem(0);
  EXPECT_EQ(2, g.lbSorted.itemIndex());
  g.lbSorted.DeleteItem(2);
  EXPECT_EQ(-1, g.lbSorted.itemIndex());
  EXPECT_EQ(WindowRows(g.lbSorted), g.lbSorted.items());

  // The user's choice arrives as LBN_SELCHANGE through the parent.
  SendMessageW(g.lbSorted.handle(), LB_SETCURSEL, 1, 0);
  SendMessageW(g.handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(g.lbSorted.handle()), LBN_SELCHANGE),
               reinterpret_cast<LPARAM>(g.lbSorted.handle()));
  EXPECT_EQ(1, changes);
  EXPECT_EQ(1, g.lbSorted.itemIndex());
  g.lbSorted.Clear();
  EXPECT_EQ(0, g.lbSorted.itemCount());
  EXPECT_EQ(-1, g.lbSorted.itemIndex());
}

TEST(Controls, RichEditShowsLongPlainTextReadOnlyWithoutWrapping) {
  Gallery g;
  const HWND h = g.reView.handle();
  ASSERT_TRUE(h);
  EXPECT_TRUE(GetWindowLongW(h, GWL_STYLE) & ES_READONLY);
  EXPECT_TRUE(g.reView.blank());

  // Far past the default limit of 32K characters, with lines far wider than the view.
  std::string text;
  for (int i = 0; i < 2000; ++i)
    text += "line " + std::to_string(i) + " " + std::string(150, 'x') + " caf\xC3\xA9 {\\rtf1 not markup}\r\n";
  g.reView.SetText(text);
  EXPECT_FALSE(g.reView.blank());
  // One line per line of text and the empty one after the last line break
  // (Wine's control counts its closing paragraph mark as one more): a wrapped
  // line would count twice or more.
  EXPECT_GE(g.reView.lineCount(), 2001);
  EXPECT_LE(g.reView.lineCount(), 2002);
  const LONG style = GetWindowLongW(h, GWL_STYLE);
  EXPECT_TRUE(style & WS_HSCROLL);
  EXPECT_TRUE(style & WS_VSCROLL);
  // The last line of text arrived whole.
  std::wstring last(512, L'\0');
  *reinterpret_cast<WORD*>(last.data()) = 512;
  last.resize(size_t(SendMessageW(h, EM_GETLINE, 1999, reinterpret_cast<LPARAM>(last.data()))));
  EXPECT_EQ(0u, last.find(L"line 1999 xxx"));
  // Plain text: the braces and the accented letter come back as they went in.
  std::wstring first(512, L'\0');
  *reinterpret_cast<WORD*>(first.data()) = 512;
  first.resize(size_t(SendMessageW(h, EM_GETLINE, 0, reinterpret_cast<LPARAM>(first.data()))));
  EXPECT_EQ(L"line 0 " + std::wstring(150, L'x') + L" caf\u00e9 {\\rtf1 not markup}", first.substr(0, first.find_last_not_of(L"\r\n") + 1));

  test::TestFolder folder;
  const std::string file = folder.File("report.txt", "\xEF\xBB\xBFone\r\ntwo\r\n");
  EXPECT_TRUE(g.reView.LoadFromFile(file));
  EXPECT_EQ("one\r\ntwo\r\n", g.reView.text());
  EXPECT_GE(g.reView.lineCount(), 3);
  EXPECT_FALSE(g.reView.LoadFromFile(folder / "missing.txt"));
  EXPECT_EQ("one\r\ntwo\r\n", g.reView.text());
  g.reView.SetText(" \r\n\t\r\n");
  EXPECT_TRUE(g.reView.blank());
}
