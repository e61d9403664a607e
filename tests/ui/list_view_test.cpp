#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "ui/app.h"
#include "ui/form.h"
#include "ui/list_view.h"

using namespace velmora::ui;

namespace {
class ListForm : public Form {
 public:
  ListForm() {
    FormArgs a;
    a.className = "TfrmList";
    a.clientWidth = 500;
    a.clientHeight = 300;
    Create(a);
  }
  ListView lvScan{*this, {8, 8, 480, 280}, true};
};

int CompareCaptions(const ListView& lv, int a, int b) { return lv.Caption(a).compare(lv.Caption(b)); }
}  // namespace

TEST(ListView, RowsTextsChecksAndSelectionOnANeverShownWindow) {
  ListForm f;
  ListView& lv = f.lvScan;
  lv.AddColumn("File", 200);
  lv.AddColumn("Size", 80, ColumnAlign::Right);
  EXPECT_EQ(2, int(SendMessageW(reinterpret_cast<HWND>(SendMessageW(lv.handle(), LVM_GETHEADER, 0, 0)),
                                HDM_GETITEMCOUNT, 0, 0)));
  EXPECT_EQ(200, lv.columnWidth(0));
  EXPECT_EQ(0, lv.AddItem("c:\\a.tmp"));
  EXPECT_EQ(1, lv.AddItem("c:\\b.tmp", 3));
  EXPECT_EQ(2, lv.AddItem("c:\\c.tmp"));
  lv.SetSubItem(1, 0, "12 KB");
  EXPECT_EQ("12 KB", lv.SubItem(1, 0));
  EXPECT_EQ("12 KB", lv.Text(1, 1));
  EXPECT_EQ("", lv.SubItem(0, 0));  // missing sub-item reads as empty
  EXPECT_EQ(3, lv.ImageIndex(1));

  lv.SetChecked(0, true);
  lv.SetChecked(2, true);
  lv.SetChecked(2, false);
  EXPECT_TRUE(lv.Checked(0));
  EXPECT_FALSE(lv.Checked(1));
  EXPECT_FALSE(lv.Checked(2));

  lv.SetSelected(1, true);
  lv.SetSelected(2, true);
  EXPECT_EQ((std::vector<int>{1, 2}), lv.SelectedRows());
  // The control itself agrees: naming a row first tells it of every row.
  EXPECT_EQ(3, int(SendMessageW(lv.handle(), LVM_GETITEMCOUNT, 0, 0)));
  EXPECT_EQ(2, int(SendMessageW(lv.handle(), LVM_GETSELECTEDCOUNT, 0, 0)));
  // The user's selection change arrives as LVN_ITEMCHANGED.
  int selChanges = 0;
  lv.onSelectionChange = [&] { ++selChanges; };
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED;
  item.state = 0;
  SendMessageW(lv.handle(), LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(std::vector<int>{1}, lv.SelectedRows());
  EXPECT_GE(selChanges, 1);

  lv.SetCaption(0, "c:\\z.tmp");
  lv.Sort([&](int a, int b) { return CompareCaptions(lv, a, b); });
  EXPECT_EQ("c:\\b.tmp", lv.Caption(0));
  EXPECT_EQ("c:\\z.tmp", lv.Caption(2));
  EXPECT_TRUE(lv.Checked(2));  // the check mark moved with its row
  EXPECT_EQ(std::vector<int>{0}, lv.SelectedRows());
  EXPECT_EQ(0, int(SendMessageW(lv.handle(), LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)));

  lv.DeleteRow(0);
  EXPECT_EQ(2, lv.itemCount());
  EXPECT_EQ("c:\\c.tmp", lv.Caption(0));
  EXPECT_TRUE(lv.SelectedRows().empty());
  EXPECT_THROW(lv.Caption(5), std::out_of_range);
  lv.Clear();
  EXPECT_EQ(0, lv.itemCount());
  EXPECT_EQ(0, int(SendMessageW(lv.handle(), LVM_GETITEMCOUNT, 0, 0)));
}

TEST(ListView, RowsAddedInQuickSuccessionReachTheControlSoonAfter) {
  ListForm f;
  ListView& lv = f.lvScan;
  lv.AddColumn("File", 200);
  const auto controlCount = [&] { return int(SendMessageW(lv.handle(), LVM_GETITEMCOUNT, 0, 0)); };
  lv.AddItem("first");
  EXPECT_EQ(1, controlCount());  // nothing told for a while: at once
  for (int i = 0; i < 500; ++i) lv.SetSubItem(lv.AddItem("row " + std::to_string(i)), 0, "x");
  EXPECT_EQ(501, lv.itemCount());
  // The rest arrive from the message loop, without any further call.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (controlCount() != 501 && std::chrono::steady_clock::now() < until) {
    Sleep(10);
    ProcessMessages();
  }
  EXPECT_EQ(501, controlCount());

  // A row the control has not been told of yet can be selected and shown.
  lv.AddItem("late");
  lv.SetSelected(501, true);
  EXPECT_EQ(502, controlCount());
  EXPECT_EQ(501, int(SendMessageW(lv.handle(), LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)));
  lv.DeleteRow(0);
  EXPECT_EQ(501, controlCount());
}

TEST(ListView, DeletingRowsKeepsTheControlsMarksOnTheRowsThatMoved) {
  ListForm f;
  ListView& lv = f.lvScan;
  lv.AddColumn("File", 200);
  for (int i = 0; i < 10; ++i) lv.AddItem("row " + std::to_string(i));
  for (int i : {1, 4, 5, 9}) lv.SetSelected(i, true);
  const auto controlSelected = [&] {
    std::vector<int> out;
    for (int i = 0; i < int(SendMessageW(lv.handle(), LVM_GETITEMCOUNT, 0, 0)); ++i)
      if (SendMessageW(lv.handle(), LVM_GETITEMSTATE, WPARAM(i), LVIS_SELECTED) & LVIS_SELECTED) out.push_back(i);
    return out;
  };
  lv.DeleteRow(4);  // a selected row in the middle: 5 becomes 4, 9 becomes 8
  EXPECT_EQ(lv.SelectedRows(), (std::vector<int>{1, 4, 8}));
  EXPECT_EQ(controlSelected(), lv.SelectedRows());
  lv.DeleteRow(0);
  EXPECT_EQ(controlSelected(), (std::vector<int>{0, 3, 7}));
  lv.DeleteRow(7);  // the last row
  EXPECT_EQ(controlSelected(), (std::vector<int>{0, 3}));
  EXPECT_EQ(lv.Caption(3), "row 5");

  // Emptying a long selected list from its end.
  lv.Clear();
  lv.BeginUpdate();
  for (int i = 0; i < 300; ++i) lv.SetSelected(lv.AddItem("r"), true);
  lv.EndUpdate();
  EXPECT_EQ(300, int(SendMessageW(lv.handle(), LVM_GETSELECTEDCOUNT, 0, 0)));
  for (int i = lv.itemCount() - 1; i >= 0; --i) {
    lv.DeleteRow(i);
    if (i == 100) {
      EXPECT_EQ(100, int(SendMessageW(lv.handle(), LVM_GETSELECTEDCOUNT, 0, 0)));
    }
  }
  EXPECT_EQ(0, int(SendMessageW(lv.handle(), LVM_GETITEMCOUNT, 0, 0)));
  EXPECT_EQ(0, int(SendMessageW(lv.handle(), LVM_GETSELECTEDCOUNT, 0, 0)));
}

TEST(ListView, SelectAllReachesEveryRowOfTheControlEvenOnesNotYetTold) {
  ListForm f;
  ListView& lv = f.lvScan;
  lv.AddColumn("File", 200);
  for (int i = 0; i < 2000; ++i) lv.AddItem("row " + std::to_string(i));  // most not told to the control yet
  const auto controlSelected = [&] { return int(SendMessageW(lv.handle(), LVM_GETSELECTEDCOUNT, 0, 0)); };
  lv.SelectAll();
  EXPECT_EQ(2000u, lv.SelectedRows().size());
  EXPECT_EQ(2000, int(SendMessageW(lv.handle(), LVM_GETITEMCOUNT, 0, 0)));
  EXPECT_EQ(2000, controlSelected());
  // Taking one row out afterwards leaves the rest, in the rows and in the control.
  lv.SetSelected(7, false);
  EXPECT_EQ(1999, controlSelected());
  EXPECT_FALSE(SendMessageW(lv.handle(), LVM_GETITEMSTATE, 7, LVIS_SELECTED) & LVIS_SELECTED);
  // An update that ends with every row selected again, and one that does not.
  lv.BeginUpdate();
  lv.SetSelected(7, true);
  lv.EndUpdate();
  EXPECT_EQ(2000, controlSelected());
  lv.BeginUpdate();
  lv.SetSelected(0, false);
  lv.DeleteRow(1999);
  lv.EndUpdate();
  EXPECT_EQ(1998, controlSelected());
  EXPECT_FALSE(SendMessageW(lv.handle(), LVM_GETITEMSTATE, 0, LVIS_SELECTED) & LVIS_SELECTED);
  lv.ClearSelection();
  EXPECT_EQ(0, controlSelected());

  // A list of one selection: the last row, as selecting each in turn would leave it.
  struct SingleForm : Form {
    SingleForm() {
      FormArgs a;
      a.className = "TfrmSingle";
      Create(a);
    }
    ListView lv{*this, {8, 8, 200, 100}, false, false};
  } g;
  ListView& single = g.lv;
  single.AddColumn("File", 100);
  for (int i = 0; i < 3; ++i) single.AddItem("r" + std::to_string(i));
  single.SelectAll();
  EXPECT_EQ(std::vector<int>{2}, single.SelectedRows());
  EXPECT_EQ(1, int(SendMessageW(single.handle(), LVM_GETSELECTEDCOUNT, 0, 0)));
}

TEST(ListView, DrawsCheckMarksFromTheRowsAndReportsUserToggles) {
  ListForm f;
  ListView& lv = f.lvScan;
  lv.AddColumn("File", 200);
  lv.BeginUpdate();
  lv.AddItem("one");
  lv.AddItem("two");
  lv.SetChecked(1, true);
  lv.EndUpdate();
  // The state image the control draws: 1 unchecked, 2 checked.
  auto stateImage = [&](int row) {
    return int((SendMessageW(lv.handle(), LVM_GETITEMSTATE, WPARAM(row), LVIS_STATEIMAGEMASK) &
                LVIS_STATEIMAGEMASK) >> 12);
  };
  EXPECT_EQ(1, stateImage(0));
  EXPECT_EQ(2, stateImage(1));

  std::vector<int> toggled;
  lv.onCheckChange = [&](int row) { toggled.push_back(row); };
  SendMessageW(lv.handle(), LVM_SETITEMSTATE, 0, 0);  // harmless
  LVITEMW focus{};
  focus.stateMask = LVIS_FOCUSED;
  focus.state = LVIS_FOCUSED;
  SendMessageW(lv.handle(), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&focus));
  SendMessageW(lv.handle(), WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_TRUE(lv.Checked(0));
  EXPECT_EQ(std::vector<int>{0}, toggled);
  EXPECT_EQ(2, stateImage(0));
}

TEST(ListView, HoldsAndSortsAHundredThousandRows) {
  ListForm f;
  ListView& lv = f.lvScan;
  lv.AddColumn("Name", 200);
  lv.AddColumn("Size", 80);
  const int n = 100000;
  const auto t0 = std::chrono::steady_clock::now();
  lv.BeginUpdate();
  for (int i = 0; i < n; ++i) {
    // A scrambled but reproducible order.
    const unsigned key = unsigned((unsigned long long)(i) * 7919u % 1000003u);  // distinct for i < 1000003
    char name[32];
    std::snprintf(name, sizeof name, "file%07u", key);
    const int row = lv.AddItem(name);
    lv.SetSubItem(row, 0, std::to_string(i));
    if (i % 3 == 0) lv.SetChecked(row, true);
  }
  lv.EndUpdate();
  const auto t1 = std::chrono::steady_clock::now();
  ASSERT_EQ(n, lv.itemCount());
  EXPECT_EQ(n, int(SendMessageW(lv.handle(), LVM_GETITEMCOUNT, 0, 0)));
  lv.Sort([&](int a, int b) { return CompareCaptions(lv, a, b); });
  const auto t2 = std::chrono::steady_clock::now();
  for (int i = 1; i < n; ++i) ASSERT_LT(lv.Caption(i - 1), lv.Caption(i)) << i;
  // Check marks travelled with their rows.
  for (int i = 0; i < n; i += 997) EXPECT_EQ(std::stoi(lv.SubItem(i, 0)) % 3 == 0, lv.Checked(i));
  std::printf("[ timing ] add %d rows: %lld ms, sort: %lld ms\n", n,
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(t1 - t0).count()),
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(t2 - t1).count()));
}

// Ruled columns: the filling one takes what the others leave and follows the
// list's width; header-wide ones fit their captions; a width the user drags
// a column to stands.
TEST(ListView, ColumnsFillTheListOrFitTheirHeadersUntilTheUserSizesThem) {
  ListForm f;
  ListView& lv = f.lvScan;
  lv.AddColumn("Name", ListView::kColumnFill);
  lv.AddColumn("Modified", ListView::kColumnHeader);
  lv.AddColumn("Size", ListView::kColumnHeader, ColumnAlign::Right);
  const auto px = [&](int c) { return int(SendMessageW(lv.handle(), LVM_GETCOLUMNWIDTH, WPARAM(c), 0)); };
  const auto textPx = [&](const wchar_t* t) {
    return int(SendMessageW(lv.handle(), LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(t)));
  };
  const auto client = [&] {
    RECT r{};
    GetClientRect(lv.handle(), &r);
    return int(r.right);
  };
  EXPECT_GT(px(1), textPx(L"Modified"));
  EXPECT_GT(px(2), textPx(L"Size"));
  EXPECT_LT(px(1), textPx(L"Modified") + 40);
  EXPECT_EQ(px(0) + px(1) + px(2), client() - GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_FALSE(lv.columnWidthIsUsers(0));

  // A wider list: the name column takes the room.
  const int before = px(0);
  lv.SetBounds({8, 8, 380, 280});
  EXPECT_LT(px(0), before);
  EXPECT_EQ(px(0) + px(1) + px(2), client() - GetSystemMetrics(SM_CXVSCROLL));

  // The user drags "Modified" wider: it keeps that width, the name column gives way.
  HWND header = reinterpret_cast<HWND>(SendMessageW(lv.handle(), LVM_GETHEADER, 0, 0));
  SendMessageW(lv.handle(), LVM_SETCOLUMNWIDTH, 1, MAKELPARAM(150, 0));
  HDITEMW item{};
  item.mask = HDI_WIDTH;
  item.cxy = 150;
  NMHEADERW nm{};
  nm.hdr.hwndFrom = header;
  nm.hdr.idFrom = UINT_PTR(GetDlgCtrlID(header));
  nm.hdr.code = HDN_ENDTRACKW;
  nm.iItem = 1;
  nm.pitem = &item;
  SendMessageW(f.handle(), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
  EXPECT_TRUE(lv.columnWidthIsUsers(1));
  lv.SetBounds({8, 8, 480, 280});
  EXPECT_EQ(px(1), 150);
  EXPECT_EQ(px(0) + px(1) + px(2), client() - GetSystemMetrics(SM_CXVSCROLL));
  // Never narrower than its own header.
  lv.SetBounds({8, 8, 120, 280});
  EXPECT_GT(px(0), textPx(L"Name"));
}
