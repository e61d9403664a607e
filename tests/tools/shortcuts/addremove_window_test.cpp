// TfrmAddRemove on a hidden window: a sandboxed registry with the three lists
// (the 32-bit list at its WOW6432Node path, since under the sandbox both views
// are one key), and once the test prefix's real machine key in both views.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "shell/action_log.h"
#include "shell/settings.h"
#include "support/fakes.h"
#include "support/registry_sandbox.h"
#include "support/test_folder.h"
#include "support/user_input.h"
#include "tools/regclean/undo_session.h"
#include "tools/shortcuts/frm_addremove.h"

using namespace velmora;
using namespace velmora::shortcuts;
using velmora::test::world;

namespace {

const char* const kWowKey = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

class AddRemoveWindow : public ::testing::Test {
 protected:
  std::vector<UninstallSource> Sources() const {
    return {{HKEY_LOCAL_MACHINE, kUninstallKey, 0, "HKLM 64-bit", true},
            {HKEY_LOCAL_MACHINE, kWowKey, 0, "HKLM 32-bit", false},
            {HKEY_CURRENT_USER, kUninstallKey, 0, "HKCU", false}};
  }
  static void Entry(HKEY root, const std::string& list, const std::string& name, const std::string& display,
                    const std::string& uninstall) {
    const RegKey k = RegKey::Create(root, list + "\\" + name);
    if (!display.empty()) k.WriteString("DisplayName", display);
    k.WriteString("UninstallString", uninstall);
  }
  TfrmAddRemove& Open(std::vector<UninstallSource> sources) {
    f_ = new TfrmAddRemove(std::move(sources));
    f_->Show();
    return *f_;
  }
  void TearDown() override {
    if (f_) f_->Close();
  }
  std::string Log() const {
    return ReadTextFile(world().programFolder + shell::logfile::kManualUninstallers).value_or("");
  }

  test::RegistrySandbox reg_;
  test::TestFolder dir_{'E'};
  TfrmAddRemove* f_ = nullptr;
};

TEST_F(AddRemoveWindow, ListsEachSourceAndRemovesOnlyTheChosenViewsEntry) {
  const std::string live = dir_.File("live\\unins000.exe");
  const std::string gone = dir_ / "gone\\unins000.exe";
  Entry(HKEY_LOCAL_MACHINE, kUninstallKey, "Shared", "Shared 64", "\"" + live + "\"");
  Entry(HKEY_LOCAL_MACHINE, kWowKey, "Shared", "Shared 32", "\"" + gone + "\" /SILENT");
  Entry(HKEY_LOCAL_MACHINE, kUninstallKey, "Old64", "Beta", gone);
  Entry(HKEY_CURRENT_USER, kUninstallKey, "Mine", "Alpha", gone + " /x");
  Entry(HKEY_CURRENT_USER, kUninstallKey, "NoName", "", gone);
  RegKey::Create(HKEY_CURRENT_USER, std::string(kUninstallKey) + "\\Odd").WriteString("DisplayName", "Odd");
  RegKey::Create(HKEY_CURRENT_USER, std::string(kUninstallKey) + "\\Odd").WriteDword("UninstallString", 7);

  TfrmAddRemove& f = Open(Sources());
  EXPECT_EQ(f.caption(), "Remove Invalid Add/Remove Links");
  // Sorted by caption; the wrong-type entry is passed over, not fatal.
  ASSERT_EQ(f.lv.itemCount(), 3);
  EXPECT_EQ(f.lv.Caption(0), "Alpha");
  EXPECT_EQ(f.lv.SubItem(0, 2), "HKCU");
  EXPECT_EQ(f.lv.Caption(1), "Beta");
  EXPECT_EQ(f.lv.Caption(2), "Shared 32");
  EXPECT_EQ(f.lv.SubItem(2, 0), "Shared");
  EXPECT_EQ(f.lv.SubItem(2, 1), "\"" + gone + "\" /SILENT");
  EXPECT_EQ(f.lv.SubItem(2, 2), "HKLM 32-bit");
  EXPECT_EQ(f.sb.text(0), "3 invalid Add/Remove entrie(s) found.");
  EXPECT_FALSE(f.cmdRemove.enabled());

  test::UserSelectsOnly(f.lv, 2);
  EXPECT_TRUE(f.cmdRemove.enabled());
  f.cmdRemove.Click();
  EXPECT_FALSE(RegKey::Exists(HKEY_LOCAL_MACHINE, std::string(kWowKey) + "\\Shared"));
  EXPECT_TRUE(RegKey::Exists(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\Shared"));
  EXPECT_EQ(f.lv.itemCount(), 2);
  EXPECT_EQ(f.RemovedCount, 1);

  // An entry mended since the list was built is judged again and kept.
  RegKey::Create(HKEY_CURRENT_USER, std::string(kUninstallKey) + "\\Mine").WriteString("UninstallString", live);
  test::UserSelectsOnly(f.lv, 0);
  f.cmdRemove.Click();
  EXPECT_TRUE(RegKey::Exists(HKEY_CURRENT_USER, std::string(kUninstallKey) + "\\Mine"));
  EXPECT_EQ(f.RemovedCount, 1);
  ASSERT_EQ(f.lv.itemCount(), 1);
  EXPECT_EQ(f.lv.Caption(0), "Beta");

  shell::WriteIntegerSetting(shell::kLogsKey, shell::stat::kUninItems, 4);
  f.Close();
  f_ = nullptr;
  EXPECT_EQ(shell::ReadStatistic(shell::stat::kUninItems), 5);
  const auto lines = test::SplitLines(Log());
  ASSERT_GE(lines.size(), 12u);
  EXPECT_EQ(lines[1].rfind("SESSION START: ", 0), 0u);
  EXPECT_EQ(lines[4], "  Number of invalid uninstaller references found: 3");
  EXPECT_EQ(lines[5], "  Removed: Shared 32");
  EXPECT_EQ(lines[8].rfind("SESSION CLOSE: ", 0), 0u);
  EXPECT_EQ(lines[9], "NUMBER OF REFERENCES REMOVED: 1");
}

TEST_F(AddRemoveWindow, ARefusedDeletionShowsTheAccessMessageAndCountsNothing) {
  Entry(HKEY_CURRENT_USER, kUninstallKey, "Mine", "Mine", dir_ / "gone\\u.exe");
  TfrmAddRemove& f = Open(Sources());
  ASSERT_EQ(f.lv.itemCount(), 1);
  f.DeleteEntry = [](const UninstallSource&, const std::string&) -> long { return ERROR_ACCESS_DENIED; };
  world().dialogs.Answer(ui::MsgResult::Ok);
  test::UserSelectsOnly(f.lv, 0);
  f.cmdRemove.Click();
  f_ = nullptr;  // the message closes the window
  ASSERT_EQ(world().dialogs.messageTexts().size(), 1u);
  EXPECT_EQ(world().dialogs.messageTexts()[0].rfind("Velmora was unable to access the System Registry.", 0), 0u);
  EXPECT_EQ(Log().find("Removed:"), std::string::npos);
  EXPECT_NE(Log().find("NUMBER OF REFERENCES REMOVED: 0"), std::string::npos);
  EXPECT_TRUE(RegKey::Exists(HKEY_CURRENT_USER, std::string(kUninstallKey) + "\\Mine"));
}

// The prefix's own machine key, in both registry views, with names no one
// else uses; removed again whatever happens.
TEST(AddRemoveRealViews, TheThirtyTwoBitEntryGoesAndTheSixtyFourBitOneStays) {
  test::TestFolder dir('E');
  const std::string name = "VelmoraViewTest-" + std::to_string(GetCurrentProcessId());
  const std::string live = dir.File("u.exe");
  auto create = [&](REGSAM view, const std::string& display, const std::string& command) {
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, Widen(std::string(kUninstallKey) + "\\" + name).c_str(),
                                             0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &k, nullptr));
    const RegKey key(k, name);
    key.WriteString("DisplayName", display);
    key.WriteString("UninstallString", command);
  };
  struct CleanUp {
    std::string name;
    ~CleanUp() {
      for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        HKEY list = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(kUninstallKey).c_str(), 0, KEY_ALL_ACCESS | view, &list) == 0) {
          RegDeleteTreeW(list, Widen(name).c_str());
          RegDeleteKeyExW(list, Widen(name).c_str(), view, 0);
          RegCloseKey(list);
        }
      }
    }
  } cleanUp{name};
  create(KEY_WOW64_64KEY, name + " 64", "\"" + live + "\"");
  create(KEY_WOW64_32KEY, name + " 32", "\"" + dir / "gone.exe" + "\"");

  TfrmAddRemove* f = new TfrmAddRemove();
  f->Show();
  int ours = -1;
  for (int row = 0; row < f->lv.itemCount(); ++row)
    if (f->lv.SubItem(row, 0) == name) {
      EXPECT_EQ(-1, ours) << "listed twice";
      ours = row;
    }
  ASSERT_NE(-1, ours);
  EXPECT_EQ(f->lv.SubItem(ours, 2), "HKLM 32-bit");
  test::UserSelectsOnly(f->lv, ours);
  f->cmdRemove.Click();
  const std::string session = f->LastSession;
  f->Close();
  auto exists = [&](REGSAM view) {
    HKEY k = nullptr;
    const bool found = RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(std::string(kUninstallKey) + "\\" + name).c_str(), 0,
                                     KEY_READ | view, &k) == ERROR_SUCCESS;
    if (k) RegCloseKey(k);
    return found;
  };
  EXPECT_FALSE(exists(KEY_WOW64_32KEY));
  EXPECT_TRUE(exists(KEY_WOW64_64KEY));
  // The undo puts the 32-bit entry back in its own view, the other untouched.
  ASSERT_FALSE(session.empty());
  const regclean::UndoReport r = regclean::UndoJournalSession(session);
  EXPECT_TRUE(r.ok()) << (r.failures.empty() ? "" : r.failures[0]);
  EXPECT_TRUE(exists(KEY_WOW64_32KEY));
  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(std::string(kUninstallKey) + "\\" + name).c_str(), 0,
                                         KEY_READ | KEY_WOW64_32KEY, &k));
  const RegKey back(k, name);
  EXPECT_EQ(back.ReadString("DisplayName"), name + " 32");
  EXPECT_EQ(back.ReadString("UninstallString"), "\"" + dir / "gone.exe" + "\"");
}

TEST_F(AddRemoveWindow, ARemovedEntryIsUndoneWithEverythingItHeld) {
  const std::string gone = dir_ / "gone\\unins000.exe";
  Entry(HKEY_CURRENT_USER, kUninstallKey, "Old", "Old App", gone);
  const std::string key = std::string(kUninstallKey) + "\\Old";
  RegKey::Create(HKEY_CURRENT_USER, key).WriteDword("EstimatedSize", 1234);
  RegKey::Create(HKEY_CURRENT_USER, key + "\\Extra").WriteString("", "sub-key data");
  TfrmAddRemove& f = Open(Sources());
  ASSERT_EQ(f.lv.itemCount(), 1);
  test::UserSelectsOnly(f.lv, 0);
  f.cmdRemove.Click();
  EXPECT_FALSE(RegKey::Exists(HKEY_CURRENT_USER, key));
  const std::string session = f.LastSession;
  ASSERT_FALSE(session.empty());
  const auto index = regclean::ParseJournalIndex(*ReadTextFile(session));
  ASSERT_TRUE(index);
  EXPECT_EQ(index->tool, "Uninstall Cleaner");
  EXPECT_EQ(index->what, "Removed Old App");
  EXPECT_EQ(index->count, 1);
  const regclean::UndoReport r = regclean::UndoJournalSession(session);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(RegKey::Open(HKEY_CURRENT_USER, key).ReadString("UninstallString"), gone);
  EXPECT_EQ(RegKey::Open(HKEY_CURRENT_USER, key).ReadDword("EstimatedSize"), 1234u);
  EXPECT_EQ(RegKey::Open(HKEY_CURRENT_USER, key + "\\Extra").ReadString(""), "sub-key data");
  // Listed again, so it can be removed again.
  f.cmdRefresh.Click();
  EXPECT_EQ(f.lv.itemCount(), 1);

  // A refused deletion leaves no session behind.
  f.DeleteEntry = [](const UninstallSource&, const std::string&) -> long { return ERROR_ACCESS_DENIED; };
  world().dialogs.Answer(ui::MsgResult::Ok);
  test::UserSelectsOnly(f.lv, 0);
  f.cmdRemove.Click();
  f_ = nullptr;  // the message closes the window
  EXPECT_EQ(regclean::ListJournal().size(), 1u);
}

}  // namespace
