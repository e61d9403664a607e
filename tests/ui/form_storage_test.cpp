#include <gtest/gtest.h>

#include "platform/registry.h"
#include "support/registry_sandbox.h"
#include "ui/controls.h"
#include "ui/form_storage.h"
#include "ui/list_view.h"

using namespace velmora;
using namespace velmora::ui;

namespace {
const char* kKey = "\\Software\\Dastra\\Velmora";

class StoredForm : public Form {
 public:
  explicit StoredForm(bool sizeable = true) {
    storage.Add(cbTemp, "cbTemp");
    storage.Add(cbLogs, "cbLogs");
    storage.Add(rbTwo, "rbTwo");
    storage.Add(edtPath, "edtPath");
    storage.Add(neDays, "neDays");
    storage.Add(lvScan, "lvScan");
    storage.AddInt("Sort", [this] { return sortColumn; }, [this](int v) { sortColumn = v; });
    lvScan.AddColumn("File", 150);
    lvScan.AddColumn("Size", 60);
    FormArgs a;
    a.className = "TfrmStored";
    a.sizeable = sizeable;
    Create(a);
  }
  FormStorage storage{*this, kKey, "TestTool"};
  CheckBox cbTemp{*this, {10, 10, 100, 20}, "Temp", true};
  CheckBox cbLogs{*this, {10, 30, 100, 20}, "Logs", false};
  RadioButton rbOne{*this, {10, 50, 100, 20}, "One", true};
  RadioButton rbTwo{*this, {10, 70, 100, 20}, "Two"};
  Edit edtPath{*this, {10, 90, 200, 23}, "C:\\"};
  NumberEdit neDays{*this, {10, 120, 60, 23}, -10, 100, 5};
  ListView lvScan{*this, {10, 150, 300, 100}};
  int sortColumn = 0;
  bool restoredBeforeCreate = false;

 protected:
  void FormCreate() override { restoredBeforeCreate = edtPath.text() != "C:\\" || !cbTemp.checked(); }
};
}  // namespace

TEST(FormStorage, MissingSectionKeepsDefaultsAndCloseSavesThemAllBack) {
  test::RegistrySandbox sandbox;
  {
    StoredForm f;
    EXPECT_FALSE(f.storage.SectionExists());
    EXPECT_TRUE(f.cbTemp.checked());
    EXPECT_EQ("C:\\", f.edtPath.text());
    f.cbTemp.SetChecked(false);
    f.cbLogs.SetChecked(true);
    f.rbTwo.SetChecked(true);
    f.edtPath.SetText("E:\\Stuff");
    f.neDays.SetValue(-3);
    f.lvScan.SetColumnWidth(1, 90);
    f.sortColumn = 2;
    SetWindowPos(f.handle(), nullptr, 123, 77, 520, 330, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(f.Close());
  }
  RegKey k = RegKey::Open(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\TestTool");
  ASSERT_TRUE(k);
  EXPECT_EQ(0u, k.ReadDword("cbTemp").value());
  EXPECT_EQ("E:\\Stuff", k.ReadString("edtPath").value());
  EXPECT_EQ(123u, k.ReadDword("Left").value());
  // A column keeps only a width the user gave it: the rest follow the list's own rules.
  EXPECT_FALSE(k.ReadDword("lvScan.Width0").has_value());

  StoredForm again;
  EXPECT_TRUE(again.storage.SectionExists());
  EXPECT_TRUE(again.restoredBeforeCreate);
  EXPECT_FALSE(again.cbTemp.checked());
  EXPECT_TRUE(again.cbLogs.checked());
  EXPECT_TRUE(again.rbTwo.checked());
  EXPECT_FALSE(again.rbOne.checked());
  EXPECT_EQ("E:\\Stuff", again.edtPath.text());
  EXPECT_EQ(-3, again.neDays.value());
  EXPECT_EQ(90, again.lvScan.columnWidth(1));
  EXPECT_EQ(150, again.lvScan.columnWidth(0));
  EXPECT_EQ(2, again.sortColumn);
  RECT r;
  GetWindowRect(again.handle(), &r);
  EXPECT_EQ(123, r.left);
  EXPECT_EQ(77, r.top);
  EXPECT_EQ(520, r.right - r.left);
  EXPECT_EQ(330, r.bottom - r.top);
}

TEST(FormStorage, WrongTypedValuesAreSkipped) {
  test::RegistrySandbox sandbox;
  RegKey k = RegKey::Create(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\TestTool");
  k.WriteString("cbTemp", "yes please");  // should be a DWORD
  k.WriteDword("edtPath", 7);             // should be a string
  k.WriteBinary("Left", "\x01\x02", 2);
  k.WriteDword("cbLogs", 1);
  k.WriteDword("neDays", 500);  // out of range: clamped
  StoredForm f;
  EXPECT_TRUE(f.cbTemp.checked());
  EXPECT_EQ("C:\\", f.edtPath.text());
  EXPECT_TRUE(f.cbLogs.checked());
  EXPECT_EQ(100, f.neDays.value());
}

TEST(FormStorage, FixedSizeWindowKeepsItsLayoutSize) {
  test::RegistrySandbox sandbox;
  RegKey k = RegKey::Create(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\TestTool");
  k.WriteDword("Left", 50);
  k.WriteDword("Top", 60);
  k.WriteDword("Width", 2000);
  k.WriteDword("Height", 2000);
  StoredForm f(false);
  RECT r;
  GetWindowRect(f.handle(), &r);
  EXPECT_EQ(50, r.left);
  EXPECT_EQ(60, r.top);
  EXPECT_LT(r.right - r.left, 2000);
}
