// TfrmStartMenu on a hidden window. Drives E and F are ticked and their walks
// start in two folders of the test's own, the Start Menus are a third.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "shell/action_log.h"
#include "shell/common_icons.h"
#include "shell/hint.h"
#include "shell/settings.h"
#include "shell/shell_link.h"
#include "shell/removal.h"
#include "support/fakes.h"
#include "support/file_holder.h"
#include "support/link_files.h"
#include "support/registry_sandbox.h"
#include "support/test_folder.h"
#include "support/user_input.h"
#include "tools/shortcuts/frm_startmenu.h"

using namespace velmora;
using namespace velmora::shortcuts;
using velmora::test::world;

namespace {

std::string MakeLink(const std::string& path, const std::string& target, const std::string& description = "") {
  CreateFolderPath(ExtractFilePath(path));
  shell::TPBShellLink link;
  link.SetFileName(path);
  link.Target = target;
  link.Description = description;
  link.Save();
  return link.FileName();
}

class StartMenuWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    shell::WriteBoolSetting(shell::kHintsKey, "All", false);
    RegKey::Create(HKEY_CURRENT_USER, kShortcutsDrivesKey).WriteString("Drives", "EF");
    // Stored placement: the drive list keeps "Drives" rather than the first-use default.
    RegKey::Create(HKEY_CURRENT_USER, std::string(kShortcutsStorageKey) + "\\pos").WriteString("x", "1");
  }
  void TearDown() override {
    if (f_) f_->Close();
  }
  TfrmStartMenu& Open() {
    f_ = new TfrmStartMenu();
    f_->DriveRoot = [this](char letter) { return letter == 'E' ? e_.path() : letter == 'F' ? f_drive_.path() : ""; };
    f_->StartMenuFolders = [this] { return std::vector<std::string>{menu_.path()}; };
    f_->Show();
    return *f_;
  }
  void CloseWindow() {
    f_->Close();
    f_ = nullptr;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> out;
    for (int row = 0; row < f_->lvLinks.itemCount(); ++row) out.push_back(f_->lvLinks.Caption(row));
    return out;
  }
  int Row(const std::string& name) const {
    for (int row = 0; row < f_->lvLinks.itemCount(); ++row)
      if (f_->lvLinks.Caption(row) == name) return row;
    return -1;
  }
  std::string Log() const {
    return ReadTextFile(world().programFolder + shell::logfile::kManualShortcuts).value_or("");
  }

  test::RegistrySandbox reg_;
  test::TestFolder e_{'E'}, f_drive_{'F'}, menu_{'E'};
  TfrmStartMenu* f_ = nullptr;
};

TEST_F(StartMenuWindow, OnlyShortcutsWithAProvenMissingTargetAreListed) {
  const std::string links = e_ / "links\\";
  MakeLink(links + "Missing file.lnk", e_ / "gone\\app.exe", "a lost program");
  MakeLink(links + "Missing folder.lnk", e_ / "gone folder\\");
  MakeLink(links + "Present file.lnk", e_.File("here\\app.exe"));
  MakeLink(links + "Present folder.lnk", e_.Folder("here"));
  MakeLink(links + "Root.lnk", "C:\\");
  MakeLink(links + "Blank.lnk", "");
  ASSERT_TRUE(test::WriteShellObjectLink(links + "Computer.lnk"));
  e_.File("links\\Corrupt.lnk", "garbage");  // read fails: passed over, the scan goes on
  MakeLink(links + "Unmapped.lnk", "Q:\\gone\\app.exe");
  MakeLink(links + "Share.lnk", "\\\\server\\share\\app.exe");
  MakeLink(links + "Zz CD.lnk", "D:\\velmora-absent\\app.exe");
  MakeLink(links + "Zz Net.lnk", "N:\\velmora-absent\\app.exe");
  const std::string moved = e_.Folder("moved");
  MakeLink(moved + "In move folder.lnk", e_ / "gone\\x.exe");
  MakeLink(f_drive_ / "On F.lnk", f_drive_ / "gone.exe");

  TfrmStartMenu& f = Open();
  EXPECT_EQ(f.caption(), "Find and Fix Invalid Windows Shortcuts");
  EXPECT_EQ(f.DiskListView1.SelectedDrives(), "EF");
  f.deMove.SetText(moved);
  f.cmdGo.Click();
  EXPECT_EQ(f.cmdGo.caption(), "&Scan");
  EXPECT_EQ(Names(), (std::vector<std::string>{"Missing file", "Missing folder", "On F"}));
  const int file = Row("Missing file");
  EXPECT_EQ(f.lvLinks.SubItem(file, 0), e_ / "gone\\app.exe");
  EXPECT_EQ(f.lvLinks.SubItem(file, 1), links + "Missing file.lnk");
  EXPECT_EQ(f.lvLinks.SubItem(file, 2), "a lost program");
  EXPECT_EQ(f.lvLinks.ImageIndex(file), shell::row_icon::kMissingFile);
  EXPECT_EQ(f.lvLinks.ImageIndex(Row("Missing folder")), shell::row_icon::kMissingFolder);
  EXPECT_EQ(f.sb.text(1), "3 invalid shortcut(s)");
  EXPECT_TRUE(f.lvLinks.Selected(0));
  EXPECT_EQ(f.toolbarHeight(), 38);

  // Without the exclusion the CD-ROM and network targets are judged too; the
  // unmapped drive and the share still prove nothing.
  f.cbExclude.SetChecked(false);
  f.cmdGo.Click();
  EXPECT_EQ(Names(), (std::vector<std::string>{"Missing file", "Missing folder", "Zz CD", "Zz Net", "On F"}));

  // Start Menu mode walks only the Start Menus.
  MakeLink(menu_ / "Programs\\Menu item.lnk", e_ / "gone\\menu.exe");
  f.cbStartMenu.SetChecked(true);
  f.cmdGo.Click();
  EXPECT_EQ(Names(), (std::vector<std::string>{"Menu item"}));

  const auto lines = test::SplitLines(Log());
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[1].rfind("OPEN SESSION: ", 0), 0u);
  EXPECT_EQ(lines[4], "  Scan for invalid shortcuts.");
  EXPECT_EQ(lines[5], "  Scan complete. 3 invalid shortcut(s) found.");
}

TEST_F(StartMenuWindow, MovedTargetsAreFoundWithOneWalkPerDriveAndRepaired) {
  const std::string links = e_ / "links\\";
  const std::string alpha = MakeLink(links + "Alpha.lnk", e_ / "old\\alpha.exe");
  MakeLink(links + "Beta.lnk", e_ / "old\\beta.exe");
  MakeLink(links + "Wild.lnk", e_ / "old\\wild?.exe");  // a wildcard proves nothing missing: not listed
  const std::string alphaE = e_.File("new1\\alpha.exe");
  const std::string alphaE2 = e_.File("new2\\ALPHA.EXE");
  f_drive_.File("alpha.exe");
  const std::string betaF = f_drive_.File("sub\\beta.exe");
  e_.File("wild1.exe");

  TfrmStartMenu& f = Open();
  f.cmdGo.Click();
  ASSERT_EQ(Names(), (std::vector<std::string>{"Alpha", "Beta"}));
  EXPECT_EQ(f.lvLinks.columnCount(), 4);
  f.cmdFindClick();
  ASSERT_EQ(f.lvLinks.columnCount(), 5);
  EXPECT_EQ(f.lvLinks.columnCaption(4), "Possible New Target Location");
  const int a = Row("Alpha"), b = Row("Beta");
  // Matched on E: both of E's matches in walk order, F not searched for it.
  EXPECT_EQ(f.NewTarget(a), alphaE);
  EXPECT_EQ(f.lvLinks.SubItem(a, 4), alphaE2);
  EXPECT_EQ(f.lvLinks.subItemCount(a), 5);
  EXPECT_EQ(f.NewTarget(b), betaF);
  EXPECT_NE(Log().find("  Scanning for moved targets.\r\n"), std::string::npos);

  // Only selected rows with a new target are repaired.
  test::UserSelectsOnly(f.lvLinks, a);
  world().dialogs.Answer(ui::MsgResult::Ok);
  f.mnuFix.Click();
  EXPECT_EQ(shell::ReadShortcut(Widen(alpha)).LongPath, alphaE);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Beta"}));
  EXPECT_EQ(f.ShortcutsFixed, 1);
  EXPECT_EQ(world().dialogs.messageTexts().back(),
            "Velmora has successfully repaired the shortcuts for which new matching targets were found.");
  EXPECT_NE(Log().find("  Shortcut fixed: " + alpha + "\r\n"), std::string::npos);

  // Browsing gives the chosen file as the target.
  const std::string chosen = e_.File("picked\\beta.exe");
  test::UserSelectsOnly(f.lvLinks, Row("Beta"));
  world().dialogs.AnswerFile(chosen);
  f.mnuBrowse.Click();
  EXPECT_EQ(world().dialogs.asked().back().text, "Browse for missing shortcut target");
  EXPECT_EQ(shell::ReadShortcut(Widen(links + "Beta.lnk")).LongPath, chosen);
  EXPECT_EQ(f.lvLinks.itemCount(), 0);
  EXPECT_EQ(f.ShortcutsFixed, 2);
  EXPECT_TRUE(world().dialogs.allAnswersUsed());
}

TEST_F(StartMenuWindow, RemovalCountsOnlyWhatTheShellRemovedAndClosesWithTheTotals) {
  const std::string links = e_ / "links\\";
  const std::string one = MakeLink(links + "One.lnk", e_ / "gone\\1.exe");
  const std::string two = MakeLink(links + "Two.lnk", e_ / "gone\\2.exe");
  const std::string three = MakeLink(links + "Three.lnk", e_ / "gone\\3.exe");
  const std::string moved = e_.Folder("moved");
  TfrmStartMenu& f = Open();
  f.cmdGo.Click();
  ASSERT_EQ(f.lvLinks.itemCount(), 3);

  // Deleted for good, one of them held open: that one stays, uncounted.
  f.optDelete.SetChecked(true);
  FileHandle busy(CreateFileW(LongPathW(three).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(busy);
  test::UserSelectsOnly(f.lvLinks, Row("One"));
  test::UserSelectsAlso(f.lvLinks, Row("Three"));
  world().dialogs.Answer(ui::MsgResult::Yes);
  test::UserPressesKey(f.lvLinks.handle(), VK_DELETE);
  EXPECT_EQ(world().dialogs.asked().back().text, "Are you sure you wish to remove the selected shortcuts?");
  EXPECT_FALSE(FileExists(one));
  EXPECT_TRUE(FileExists(three));
  EXPECT_EQ(Names(), (std::vector<std::string>{"Three", "Two"}));
  EXPECT_EQ(f.ShortcutsRemoved, 1);
  busy.reset();

  // Moved, without being asked.
  f.cbConfirm.SetChecked(false);
  f.optMove.SetChecked(true);
  f.deMove.SetText(moved);
  f.mnuRemoveAll.Click();
  EXPECT_EQ(f.lvLinks.itemCount(), 0);
  EXPECT_TRUE(FileExists(moved + "Two.lnk"));
  EXPECT_TRUE(FileExists(moved + "Three.lnk"));
  EXPECT_EQ(f.ShortcutsRemoved, 3);
  EXPECT_EQ(f.sb.text(1), "No invalid shortcuts");
  EXPECT_NE(Log().find("  Permanently deleting: " + one + "\r\n"), std::string::npos);
  EXPECT_EQ(Log().find("  Permanently deleting: " + three + "\r\n"), std::string::npos);
  EXPECT_NE(Log().find("  Relocating " + two + " to " + moved + "\r\n"), std::string::npos);

  f.BytesRecovered = 2048000;
  shell::WriteIntegerSetting(shell::kLogsKey, shell::stat::kShortRemoved, 10);
  CloseWindow();
  EXPECT_EQ(shell::ReadStatistic(shell::stat::kShortRemoved), 13);
  EXPECT_EQ(shell::ReadStatistic(shell::stat::kShortBytes), 2048000);
  EXPECT_NE(Log().find("NUMBER OF SHORTCUTS REMOVED: 3\r\nTOTAL SPACE RECOVERED: 2,048,000 bytes (2.00 megabytes.)\r\n"),
            std::string::npos);
  EXPECT_EQ(shell::ReadStringSetting(kShortcutsDrivesKey, "Drives"), "EF");
}

TEST_F(StartMenuWindow, AnEmptiedGroupGoesButNeverTheMenusOwnFolders) {
  const std::string group = menu_ / "Programs\\Old Group\\";
  MakeLink(group + "Old.lnk", e_ / "gone\\old.exe");
  MakeLink(menu_ / "Programs\\Direct.lnk", e_ / "gone\\direct.exe");
  MakeLink(menu_ / "Programs\\Startup\\Auto.lnk", e_ / "gone\\auto.exe");
  TfrmStartMenu& f = Open();
  f.cbStartMenu.SetChecked(true);
  f.cbCleanAfter.SetChecked(true);
  f.cbConfirm.SetChecked(false);
  f.optDelete.SetChecked(true);
  f.cmdGo.Click();
  ASSERT_EQ(f.lvLinks.itemCount(), 3);
  f.mnuRemoveAll.Click();
  EXPECT_EQ(f.lvLinks.itemCount(), 0);
  EXPECT_FALSE(FolderExists(group));
  EXPECT_TRUE(FolderExists(menu_ / "Programs\\Startup"));
  EXPECT_TRUE(FolderExists(menu_ / "Programs"));
}

// Judged again just before removal: a target that came back keeps its shortcut.
TEST_F(StartMenuWindow, AShortcutWhoseTargetCameBackIsNotRemoved) {
  const std::string links = e_ / "links\\";
  const std::string back = MakeLink(links + "Back.lnk", e_ / "gone\\back.exe");
  const std::string lost = MakeLink(links + "Lost.lnk", e_ / "gone\\lost.exe");
  TfrmStartMenu& f = Open();
  f.cbConfirm.SetChecked(false);
  f.optDelete.SetChecked(true);
  f.cmdGo.Click();
  ASSERT_EQ(f.lvLinks.itemCount(), 2);
  e_.File("gone\\back.exe", "MZ");  // reinstalled since the scan
  f.mnuRemoveAll.Click();
  EXPECT_TRUE(FileExists(back));
  EXPECT_FALSE(FileExists(lost));
  EXPECT_EQ(f.ShortcutsRemoved, 1);
  EXPECT_EQ(Names(), std::vector<std::string>{"Back"});
  EXPECT_NE(Log().find("  Not removed: " + back + ".  Its target " + e_ / "gone\\back.exe" + " is no longer missing."),
            std::string::npos);
  EXPECT_EQ(Log().find("  Permanently deleting: " + back), std::string::npos);
}

// Held open by another program: the shell cannot remove it, so it is neither
// counted nor logged as removed, and its row stays.
TEST_F(StartMenuWindow, AShortcutHeldByAnotherProgramStaysUncounted) {
  const std::string held = MakeLink(e_ / "links\\Held.lnk", e_ / "gone\\held.exe");
  TfrmStartMenu& f = Open();
  f.cbConfirm.SetChecked(false);
  f.optDelete.SetChecked(true);
  f.cmdGo.Click();
  ASSERT_EQ(f.lvLinks.itemCount(), 1);
  test::FileHolder holder(held, FILE_SHARE_READ);
  ASSERT_TRUE(holder.held());
  f.mnuRemoveAll.Click();
  EXPECT_TRUE(FileExists(held));
  EXPECT_EQ(f.ShortcutsRemoved, 0);
  EXPECT_EQ(f.BytesRecovered, 0);
  EXPECT_EQ(f.lvLinks.itemCount(), 1);
  EXPECT_NE(Log().find(shell::NotRemovedLine(held)), std::string::npos);
  EXPECT_EQ(Log().find("  Permanently deleting: " + held), std::string::npos);
}

TEST_F(StartMenuWindow, AMoveFolderGoneSinceTheScanMovesNothing) {
  const std::string moved = e_.Folder("moved");
  const std::string link = MakeLink(e_ / "links\\One.lnk", e_ / "gone\\1.exe");
  TfrmStartMenu& f = Open();
  f.cbConfirm.SetChecked(false);
  f.optMove.SetChecked(true);
  f.deMove.SetText(moved);
  f.cmdGo.Click();
  ASSERT_EQ(f.lvLinks.itemCount(), 1);
  ASSERT_TRUE(RemoveDirectoryW(LongPathW(moved).c_str()));
  f.mnuRemoveAll.Click();
  EXPECT_TRUE(FileExists(link));
  EXPECT_FALSE(test::PathExists(moved));
  EXPECT_EQ(f.ShortcutsRemoved, 0);
  EXPECT_EQ(world().dialogs.messageTexts(), std::vector<std::string>{shell::kMoveFolderMessage});
  EXPECT_NE(Log().find(shell::NoMoveFolderLine(moved)), std::string::npos);
}

// The folder with its final backslash: a folder whose name only begins like
// the move folder's is still walked; the move folder itself is not.
TEST_F(StartMenuWindow, TheMoveGuardComparesWholeFolderNames) {
  const std::string moved = e_.Folder("moved");
  MakeLink(e_ / "move\\Near.lnk", e_ / "gone\\near.exe");
  MakeLink(moved + "Already moved.lnk", e_ / "gone\\x.exe");
  TfrmStartMenu& f = Open();
  f.deMove.SetText(ExcludeTrailingBackslash(moved));
  f.cmdGo.Click();
  EXPECT_EQ(Names(), std::vector<std::string>{"Near"});
}

}  // namespace
