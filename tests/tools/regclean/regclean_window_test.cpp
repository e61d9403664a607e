// TfrmRegClean driven on a hidden window over a sandboxed registry.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "shell/action_log.h"
#include "shell/hint.h"
#include "shell/settings.h"
#include "support/fakes.h"
#include "support/key_security.h"
#include "support/registry_sandbox.h"
#include "support/test_folder.h"
#include "support/user_input.h"
#include "tools/regclean/frm_regclean.h"
#include "tools/regclean/undo_session.h"
#include "ui/app.h"

using namespace velmora;
using namespace velmora::regclean;
using velmora::test::world;

namespace {

std::vector<std::string> Lines(const std::string& text) { return test::SplitLines(text); }

class RegCleanWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    shell::WriteBoolSetting(shell::kHintsKey, "All", false);
    missing_ = dir_ / "gone\\missing.exe";
    // Only the current user's area: the other areas are the sandbox's too, but slower to read.
    for (const char* v : {"US", "LM", "SD"}) shell::WriteBoolSetting(kAreasKey, v, false);
  }
  void TearDown() override {
    if (f_) f_->Close();
  }
  TfrmRegClean& Open() {
    f_ = new TfrmRegClean();
    f_->BackupPauseMs = 0;
    return *f_;
  }
  void CloseWindow() {
    f_->Close();
    f_ = nullptr;
  }
  std::string Log(const char* name) const {
    const auto t = ReadTextFile(world().programFolder + name);
    return t ? *t : std::string();
  }
  RegKey App() const { return RegKey::Create(HKEY_CURRENT_USER, "Software\\App"); }

  test::RegistrySandbox reg_;
  test::TestFolder dir_{'E'};
  std::string missing_;
  TfrmRegClean* f_ = nullptr;
};

TEST_F(RegCleanWindow, AScanListsEachBadValueWithItsKeyAndAStopKeepsTheRows) {
  App().WriteString("Bad", missing_);
  App().WriteString("Also", missing_ + "2.exe");
  RegKey::Create(HKEY_CURRENT_USER, "Software\\App\\Sub").WriteString("Third", missing_);
  TfrmRegClean& f = Open();
  EXPECT_EQ(f.caption(), "Registry Cleaner");
  ASSERT_EQ(f.lvScanFor.itemCount(), 4);
  EXPECT_EQ(f.lvScanFor.Caption(3), "Invalid shared DLL's");
  EXPECT_TRUE(f.lvScanFor.Checked(0));
  EXPECT_FALSE(f.lvScanFor.Checked(2));
  EXPECT_EQ(f.btnStart.caption(), "Scan &Registry");
  f.cbBackup.SetChecked(false);
  f.btnStart.Click();
  EXPECT_EQ(f.btnStart.caption(), "&Scan Registry");
  EXPECT_EQ(f.sb.text(0), kScanCompleted);
  ASSERT_EQ(f.lv.itemCount(), 3);
  int bad = -1;
  for (int row = 0; row < 2; ++row)
    if (f.lv.SubItem(row, 1) == "Bad") bad = row;
  ASSERT_NE(bad, -1);  // the registry's own order within a key
  EXPECT_EQ(f.lv.Caption(bad), "HKEY_CURRENT_USER: \\Software\\App");
  EXPECT_EQ(f.lv.SubItem(bad, 2), missing_);
  EXPECT_EQ(f.lv.SubItem(bad, 0).size(), std::string("mm/dd/yyyy hh:mmAM").size());
  EXPECT_EQ(f.lv.Caption(2), "HKEY_CURRENT_USER: \\Software\\App\\Sub");
  EXPECT_EQ(f.sb.text(1), "Number of invalid entries found: 3");
  EXPECT_EQ(f.toolbarHeight(), 38);

  // A Stop arriving through the pump ends the scan; what was found stays, and a
  // press while it unwinds starts nothing.
  for (int i = 0; i < 30; ++i) RegKey::Create(HKEY_CURRENT_USER, "Software\\Many\\K" + std::to_string(i)).WriteString("B", missing_);
  int presses = 0;
  ui::PostTask([&] {
    f.btnStart.Click();  // Stop
    ++presses;
    f.btnStart.Click();  // a second press while it unwinds: ignored
    ++presses;
  });
  f.btnStart.Click();
  EXPECT_EQ(presses, 2);
  EXPECT_EQ(f.sb.text(0), kScanInterrupted);
  EXPECT_FALSE(f.scanning());
  EXPECT_EQ(f.btnStart.caption(), "&Scan Registry");
}

TEST_F(RegCleanWindow, RemovalDeletesOnlyWhatIsUnchangedAndBackedUpAndCountsDeletions) {
  App().WriteString("One", missing_);
  App().WriteString("Two", missing_ + "2.exe");
  App().WriteString("Changed", missing_ + "3.exe");
  TfrmRegClean& f = Open();
  f.Show();  // the manual log is kept for a shown window
  f.btnStart.Click();  // with the backup (the default)
  EXPECT_TRUE(FileExists(TfrmRegClean::BackupPath()));
  ASSERT_EQ(f.lv.itemCount(), 3);
  App().WriteString("Changed", missing_ + "4.exe");  // changed after the scan: kept
  world().dialogs.Answer(ui::MsgResult::Yes);
  f.mnuAll.Click();
  ASSERT_EQ(world().dialogs.asked().size(), 1u);
  EXPECT_EQ(world().dialogs.asked()[0].text, "Are you sure you want to remove all displayed entries from the Registry?");
  EXPECT_FALSE(App().ValueExists("One"));
  EXPECT_FALSE(App().ValueExists("Two"));
  EXPECT_TRUE(App().ValueExists("Changed"));
  EXPECT_EQ(f.RemovedCount, 2);
  // The value changed since the scan keeps its row, and the window says why.
  ASSERT_EQ(f.lv.itemCount(), 1);
  EXPECT_EQ(f.lv.SubItem(0, 1), "Changed");
  EXPECT_EQ(f.sb.text(1), "Number of invalid entries found: 1");
  EXPECT_EQ(f.sb.text(0), "1 entry was not removed: it has changed since the scan");
  shell::WriteIntegerSetting(shell::kLogsKey, shell::stat::kRegRefs, 5);
  CloseWindow();
  EXPECT_EQ(shell::ReadStatistic(shell::stat::kRegRefs), 7);
  const std::string log = Log(shell::logfile::kManualRegistry);
  EXPECT_NE(log.find("  Removing invalid reference...\r\n      KEY: HKEY_CURRENT_USER\\Software\\App\r\n      VALUE: One\r\n"),
            std::string::npos);
  EXPECT_EQ(log.find("VALUE: Changed"), std::string::npos);
  EXPECT_NE(log.find("  Not removed (it has changed since the scan): HKEY_CURRENT_USER\\Software\\App Changed"),
            std::string::npos);
  const auto lines = Lines(log);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[1].rfind("SESSION START: ", 0), 0u);
  EXPECT_EQ(lines[lines.size() - 3], "NUMBER OF INVALID REFERENCES REMOVED: 2");
}

TEST_F(RegCleanWindow, AValueListedUnderTwoRootsIsCountedOnce) {
  // HKEY_USERS made to show the current user's tree at its top, as a user's own
  // SID key does: the same value is listed under both roots.
  App().WriteString("Bad", missing_);
  HKEY self = nullptr;
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, Widen(reg_.scratchPath() + "\\HKCU").c_str(), 0,
                                         KEY_ALL_ACCESS, &self));
  ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, self));
  ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_USERS, self));
  shell::WriteBoolSetting(kAreasKey, "US", true);
  TfrmRegClean& f = Open();
  f.cbBackup.SetChecked(false);
  f.btnStart.Click();
  ASSERT_EQ(f.lv.itemCount(), 2);
  EXPECT_EQ(f.lv.Caption(0), "HKEY_CURRENT_USER: \\Software\\App");
  EXPECT_EQ(f.lv.Caption(1), "HKEY_USERS: \\Software\\App");
  world().dialogs.Answer(ui::MsgResult::Yes);
  f.mnuAll.Click();
  EXPECT_FALSE(App().ValueExists("Bad"));
  EXPECT_EQ(f.RemovedCount, 1);
  CloseWindow();
  EXPECT_EQ(shell::ReadStatistic(shell::stat::kRegRefs), 1);
  RegCloseKey(self);
}

TEST_F(RegCleanWindow, TwoSelectedRowsOfOneKeyGoAndTheRowAtTheLastIndexIsSelected) {
  App().WriteString("A", missing_);
  App().WriteString("B", missing_ + "b.exe");
  App().WriteString("C", missing_ + "c.exe");
  TfrmRegClean& f = Open();
  f.cbBackup.SetChecked(false);
  f.btnStart.Click();
  ASSERT_EQ(f.lv.itemCount(), 3);
  test::UserSelectsOnly(f.lv, 0);
  test::UserSelectsAlso(f.lv, 1);
  world().dialogs.Answer(ui::MsgResult::Yes);
  test::UserPressesKey(f.lv.handle(), VK_DELETE);
  ASSERT_EQ(world().dialogs.asked().size(), 1u);
  EXPECT_EQ(world().dialogs.asked()[0].text, "Are you sure you want to remove 2 selected entries from the Registry?");
  EXPECT_EQ(f.lv.itemCount(), 1);
  EXPECT_TRUE(f.lv.Selected(0));
  EXPECT_FALSE(App().ValueExists("A"));
  EXPECT_FALSE(App().ValueExists("B"));
  EXPECT_TRUE(App().ValueExists("C"));
}

TEST_F(RegCleanWindow, AFailedBackupListsNothingAndKeepsTheOldFile) {
  App().WriteString("Bad", missing_);
  TfrmRegClean& f = Open();
  const std::string path = TfrmRegClean::BackupPath();
  CreateFolderPath(ExtractFilePath(path));
  ASSERT_TRUE(WriteFileAtomically(path, "old backup"));
  CreateDirectoryW(Widen(path + ".new").c_str(), nullptr);  // the new file cannot be made
  world().dialogs.Answer(ui::MsgResult::Ok);
  f.btnStart.Click();
  RemoveDirectoryW(Widen(path + ".new").c_str());
  ASSERT_EQ(world().dialogs.messageTexts().size(), 1u);
  EXPECT_EQ(world().dialogs.messageTexts()[0].rfind("There was an error while backing up the registry.\r\n\r\nError Number: ", 0),
            0u);
  EXPECT_EQ(f.lv.itemCount(), 0);
  EXPECT_EQ(f.sb.text(0), kScanInterrupted);
  EXPECT_EQ(test::ReadWholeFile(path), "old backup");
  EXPECT_TRUE(App().ValueExists("Bad"));
}

TEST_F(RegCleanWindow, BackupAndRestoreFromTheBackupPage) {
  App().WriteString("Bad", missing_);
  TfrmRegClean& f = Open();
  world().dialogs.Answer(ui::MsgResult::Ok);  // "successfully backed up"
  f.cmdBackup.Click();
  ASSERT_TRUE(FileExists(TfrmRegClean::BackupPath()));
  world().dialogs.Answer(ui::MsgResult::No);  // an existing backup: asked before replacing it
  f.cmdBackup.Click();
  EXPECT_EQ(world().dialogs.asked().back().caption, "Existing Backup...");
  App().DeleteValue("Bad");
  world().dialogs.Answer(ui::MsgResult::Yes);
  f.cmdRestore.Click();
  EXPECT_TRUE(App().ValueExists("Bad"));
  EXPECT_EQ(f.sb.text(0), "Restore procedure complete");
  EXPECT_TRUE(world().dialogs.allAnswersUsed());
}

TEST_F(RegCleanWindow, AScheduledRunLogsInOrderAndAsksNothing) {
  App().WriteString("Bad", missing_);
  // An existing backup is replaced without the question an unattended run cannot answer.
  CreateFolderPath(ExtractFilePath(TfrmRegClean::BackupPath()));
  ASSERT_TRUE(WriteFileAtomically(TfrmRegClean::BackupPath(), "old backup"));
  TfrmRegClean& f = Open();
  f.ScheduledRun = f.ScheduledLog = true;
  f.btnStart.Click();
  EXPECT_NE(test::ReadWholeFile(TfrmRegClean::BackupPath()), "old backup");
  ASSERT_EQ(f.sb.text(0), kScanCompleted);
  f.Remove_All();
  const std::string session = f.LastSession;
  CloseWindow();
  EXPECT_TRUE(world().dialogs.asked().empty());
  EXPECT_FALSE(App().ValueExists("Bad"));
  // The unattended removal is journalled like any other.
  ASSERT_FALSE(session.empty());
  EXPECT_EQ(ExtractFilePath(session), UndoFolder());
  EXPECT_EQ(Log(shell::logfile::kManualRegistry), "");
  const auto lines = Lines(Log(shell::logfile::kScheduledRegistry));
  const std::vector<std::string> expected{"  Backing up registry files...",
                                          "  Registry backed up: 10 keys, 5 values, 0 keys left out.",
                                          "  Analyzing: HKEY_CURRENT_USER...",
                                          "  Scan complete. 1 invalid references found.",
                                          "  Start: Removing invalid references", "  Removing invalid reference...",
                                          "      KEY: HKEY_CURRENT_USER\\Software\\App", "      VALUE: Bad",
                                          "  Finish: Removing invalid references"};
  ASSERT_GE(lines.size(), 4 + expected.size() + 4);
  EXPECT_EQ(lines[2].rfind("OPERATION START: ", 0), 0u);
  EXPECT_EQ(expected, std::vector<std::string>(lines.begin() + 4, lines.begin() + 4 + long(expected.size())));
  EXPECT_EQ(lines[lines.size() - 2], "NUMBER OF INVALID REFERENCES REMOVED: 1");
  EXPECT_EQ(shell::ReadStatistic(shell::stat::kRegRefs), 1);

  // Nothing found: the "Registry Already Clean" block and no removal block.
  DeleteFileW(Widen(world().programFolder + shell::logfile::kScheduledRegistry).c_str());
  TfrmRegClean& g = Open();
  g.ScheduledRun = g.ScheduledLog = true;
  g.cbBackup.SetChecked(false);
  g.btnStart.Click();
  CloseWindow();
  const std::string clean = Log(shell::logfile::kScheduledRegistry);
  EXPECT_NE(clean.find("  Registry Already Clean: No invalid references detected.\r\n"), std::string::npos);
  EXPECT_EQ(clean.find("Removing"), std::string::npos);
  EXPECT_TRUE(UndoJournalSession(session).ok());
  EXPECT_TRUE(App().ValueExists("Bad"));
}

TEST_F(RegCleanWindow, UndoBringsBackOnlyTheRemovedValuesAndSurvivesTheRescan) {
  App().WriteString("One", missing_);
  App().WriteString("Two", missing_ + "2.exe");
  const std::string keep = dir_ / "keep.exe";
  ASSERT_TRUE(WriteFileAtomically(keep, "x"));
  App().WriteString("Mine", keep);  // valid: never listed
  TfrmRegClean& f = Open();
  f.cbRescan.SetChecked(true);
  f.btnStart.Click();
  ASSERT_EQ(f.lv.itemCount(), 2);
  world().dialogs.Answer(ui::MsgResult::Yes);
  world().dialogs.Answer(ui::MsgResult::Ok);  // the re-scan finds nothing
  f.mnuAll.Click();
  EXPECT_EQ(f.sb.text(0), kScanCompleted);  // the re-scan ran, with a new backup
  const std::string session = f.LastSession;
  ASSERT_FALSE(session.empty());
  EXPECT_EQ(f.RemovedCount, 2);
  // A second removal session and a scan after it replace nothing of the first.
  App().WriteString("Three", missing_ + "3.exe");
  f.btnStart.Click();
  world().dialogs.Answer(ui::MsgResult::Yes);
  world().dialogs.Answer(ui::MsgResult::Ok);
  f.mnuAll.Click();
  EXPECT_NE(f.LastSession, session);
  CloseWindow();
  // The user deletes a value of their own; nothing else is made.
  App().DeleteValue("Mine");
  const UndoReport r = UndoJournalSession(session);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.restored, 2);
  EXPECT_EQ(App().ReadString("One"), missing_);
  EXPECT_EQ(App().ReadString("Two"), missing_ + "2.exe");
  EXPECT_FALSE(App().ValueExists("Three"));  // the other session's
  EXPECT_FALSE(App().ValueExists("Mine"));   // never the cleaner's
  const auto listed = ListJournal();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[1].path, session);
  EXPECT_EQ(listed[1].index.state, JournalState::Undone);
  EXPECT_EQ(listed[0].index.state, JournalState::Done);
  EXPECT_EQ(listed[0].index.count, 1);
  EXPECT_EQ(listed[0].index.tool, "Registry Cleaner");
}

TEST_F(RegCleanWindow, ARefusedDeletionKeepsItsRowUncountedAndSaysWhy) {
  App().WriteString("Bad", missing_);
  RegKey::Create(HKEY_CURRENT_USER, "Software\\Locked").WriteString("Bad", missing_);
  TfrmRegClean& f = Open();
  f.Show();
  f.btnStart.Click();
  ASSERT_EQ(f.lv.itemCount(), 2);
  if (!test::SetKeyReadOnly(HKEY_CURRENT_USER, "Software\\Locked", true)) {
    test::SetKeyReadOnly(HKEY_CURRENT_USER, "Software\\Locked", false);
    GTEST_SKIP() << "this registry does not enforce key security";
  }
  world().dialogs.Answer(ui::MsgResult::Yes);
  f.mnuAll.Click();
  test::SetKeyReadOnly(HKEY_CURRENT_USER, "Software\\Locked", false);
  EXPECT_EQ(f.RemovedCount, 1);
  ASSERT_EQ(f.lv.itemCount(), 1);
  EXPECT_EQ(f.lv.Caption(0), "HKEY_CURRENT_USER: \\Software\\Locked");
  EXPECT_EQ(f.sb.text(1), "Number of invalid entries found: 1");
  EXPECT_EQ(f.sb.text(0), "1 entry was not removed: the registry refused its deletion");
  EXPECT_TRUE(RegKey::Open(HKEY_CURRENT_USER, "Software\\Locked").ValueExists("Bad"));
  // Only what went is in the session.
  const auto session = ParseJournal(*ReadTextFile(f.LastSession)).session;
  ASSERT_TRUE(session);
  EXPECT_EQ(session->count, 1);
  ASSERT_EQ(session->removed.size(), 1u);
  EXPECT_EQ(session->removed[0].path, u"HKEY_CURRENT_USER\\Software\\App");
  CloseWindow();
  const std::string log = Log(shell::logfile::kManualRegistry);
  EXPECT_NE(log.find("  Not removed (the registry refused its deletion): HKEY_CURRENT_USER\\Software\\Locked Bad"),
            std::string::npos);
}

}  // namespace
