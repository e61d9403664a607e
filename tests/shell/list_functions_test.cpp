#include <gtest/gtest.h>

#include "platform/registry.h"
#include "scan/disk_list_view.h"
#include "shell/list_functions.h"
#include "support/registry_sandbox.h"
#include "ui/form.h"

using namespace velmora;
using namespace velmora::shell;

namespace {

struct Host : ui::Form {
  ui::ListView list{*this, {4, 4, 300, 200}, /*checkBoxes=*/true};
  scan::TDiskListView drives{*this, {4, 210, 300, 150}, /*checkBoxes=*/true};
  Host() {
    ui::FormArgs args;
    args.className = "TTestListFunctions";
    Create(args);
  }
};

}  // namespace

TEST(ListFunctions, CheckAllItemsSetsEveryRow) {
  Host h;
  for (int i = 0; i < 5; ++i) h.list.AddItem("row" + std::to_string(i));
  h.list.SetChecked(2, true);
  CheckAllItems(true, h.list);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(h.list.Checked(i));
  CheckAllItems(false, h.list);
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(h.list.Checked(i));
}

TEST(ListFunctions, CompareListItemsIsByteWiseAndIgnoresMissingSubItems) {
  Host h;
  const int lower = h.list.AddItem("abc");
  const int upper = h.list.AddItem("ABC");
  h.list.SetSubItem(lower, 0, "2");
  h.list.SetSubItem(upper, 0, "10");
  h.list.SetSubItem(upper, 1, "only here");
  EXPECT_EQ(1, CompareListItems(h.list, lower, upper, 0));  // "ABC" sorts first
  EXPECT_EQ(-1, CompareListItems(h.list, upper, lower, 0));
  EXPECT_EQ(0, CompareListItems(h.list, lower, lower, 0));
  EXPECT_EQ(1, CompareListItems(h.list, lower, upper, 1));  // text, not numbers: "2" > "10"
  EXPECT_EQ(0, CompareListItems(h.list, lower, upper, 2));  // the first row has no second sub-item
  const int accented = h.list.AddItem("\xC3\xA9");          // bytes above 0x7F sort after ASCII
  EXPECT_EQ(1, CompareListItems(h.list, accented, lower, 0));
}

TEST(ListFunctions, FixedDrivesAreCheckedOnlyBeforeAPlacementWasStored) {
  test::RegistrySandbox sandbox;
  Host h;
  h.drives.SelectLocalDrives = false;
  h.drives.FillDrives();
  SelectFixedDrivesByDefault("\\Software\\Dastra\\Velmora\\junk", "pos", h.drives);
  std::string checked;
  for (int r = 0; r < h.drives.itemCount(); ++r)
    if (h.drives.Checked(r)) checked += h.drives.DriveLetter(r);
  EXPECT_EQ("CEF", checked);

  CheckAllItems(false, h.drives);
  RegKey::Create(HKEY_CURRENT_USER, "\\Software\\Dastra\\Velmora\\junk\\pos");
  SelectFixedDrivesByDefault("\\Software\\Dastra\\Velmora\\junk", "pos", h.drives);
  for (int r = 0; r < h.drives.itemCount(); ++r) EXPECT_FALSE(h.drives.Checked(r));
}
