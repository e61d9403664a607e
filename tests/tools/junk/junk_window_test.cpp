// TfrmJunk driven on a hidden window: every scan is pointed at the test's own
// folder on E: (the only ticked drive), and the temporary folder at another
// test folder, so nothing outside them is listed or removed.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "platform/datetime.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "shell/action_log.h"
#include "shell/commontools.h"
#include "shell/hint.h"
#include "shell/settings.h"
#include "support/fakes.h"
#include "support/registry_sandbox.h"
#include "support/test_folder.h"
#include "support/user_input.h"
#include "tools/junk/frm_junk.h"
#include "tools/junk/junk_fixture.h"
#include "ui/app.h"

using namespace velmora;
using namespace velmora::junk;
using velmora::test::world;
using velmora::test::PathExists;
using namespace velmora::junk::test_support;

namespace {

TEST_F(JunkWindow, DefaultTableAndStoredDrives) {
  RegKey::Create(HKEY_CURRENT_USER, kJunkKey).DeleteValue("Drives");
  TfrmJunk& f = Open();
  EXPECT_EQ(f.caption(), "Find and Clean Junk and Obsolete Files");
  EXPECT_NE(FindWindowW(L"TfrmJunk", nullptr), nullptr);
  ASSERT_EQ(f.lvScan.itemCount(), 13);
  for (int i = 0; i < 13; ++i) EXPECT_TRUE(f.lvScan.Checked(i));
  EXPECT_EQ(f.lvScan.Caption(4), "*.tmp");
  EXPECT_EQ(f.lvScan.SubItem(6, 0), "Temporary backup files");
  // "---" ticks nothing; the window was never shown, so no first-use default.
  EXPECT_EQ(f.DiskListView1.SelectedDrives(), "");
  EXPECT_FALSE(f.cbDays.checked());
  EXPECT_TRUE(f.cbInUse.checked());
  EXPECT_TRUE(f.optRecycle.checked());
  EXPECT_TRUE(f.cbConfirm.checked());
  EXPECT_FALSE(f.deMove.enabled());
  EXPECT_EQ(f.udDays.value(), 30);
  EXPECT_EQ(f.toolbarHeight(), 0);
  EXPECT_EQ(f.cmdGo.caption(), "&Scan");
  EXPECT_EQ(f.cmdGo.hint(), "Begin scanning for files");
}

// One stored value of the wrong type, as a new user might have it: the window
// still opens with that value's default and scans, and the value is written
// back in its right type when the window closes.
TEST_F(JunkWindow, ADamagedSettingReadsAsItsDefaultAndTheWindowStillScans) {
  const std::string tmp = root_.File("a.tmp", "abc");
  const std::string scratch = temp_.File("scratch.dat", "x");
  struct Damage {
    const char* key;
    const char* name;
    DWORD type;
  };
  const std::string logs = shell::kLogsKey;
  for (const Damage& d : {Damage{kJunkKey, "ScanFor", REG_DWORD}, Damage{kJunkKey, "ScanFor", REG_BINARY},
                          Damage{kJunkKey, "Drives", REG_DWORD}, Damage{logs.c_str(), "DoJunk", REG_SZ},
                          Damage{logs.c_str(), "JunkFiles", REG_SZ}}) {
    SCOPED_TRACE(std::string(d.name) + " of type " + std::to_string(d.type));
    const RegKey key = RegKey::Create(HKEY_CURRENT_USER, d.key);
    key.WriteValue(d.name, RegValue{d.type, {'1', 0, 0, 0}});
    TfrmJunk& f = Open();
    ASSERT_EQ(f.lvScan.itemCount(), 13);  // the built-in table when ScanFor is damaged
    if (std::string(d.name) == "Drives") {
      EXPECT_EQ(f.DiskListView1.SelectedDrives(), "");  // the default ticks nothing
      for (int row = 0; row < f.DiskListView1.itemCount(); ++row) {
        f.DiskListView1.SetChecked(row, f.DiskListView1.DriveLetter(row) == 'E');
        f.DiskListView1.SetSelected(row, f.DiskListView1.DriveLetter(row) == 'E');
      }
    }
    f.cmdGo.Click();
    EXPECT_TRUE(IsListed(tmp));
    EXPECT_TRUE(IsListed(scratch));
    CloseWindow();
    const auto stored = key.ReadValue(d.name);
    ASSERT_TRUE(stored);
    if (std::string(d.name) == "DoJunk") {
      EXPECT_EQ(DWORD(REG_SZ), stored->type);  // only the log viewer writes the switch
      key.DeleteValue(d.name);
    } else {
      EXPECT_EQ(d.name == std::string("JunkFiles") ? DWORD(REG_DWORD) : DWORD(REG_SZ), stored->type);
    }
    RegKey::Create(HKEY_CURRENT_USER, kJunkKey).WriteString("Drives", "E");
  }
}

// Wine's folders tell case apart, as do Windows folders with case sensitivity
// on: "A.tmp" and "a.tmp" are two files, and removal must reach the one listed,
// not the one its lower-cased caption names.
TEST_F(JunkWindow, RemovalActsOnTheExactPathOfTheListedFile) {
  ASSERT_TRUE(test::WriteExactCaseFile(root_.path(), "A.tmp", "upper"));
  ASSERT_TRUE(test::WriteExactCaseFile(root_.path(), "a.tmp", "lower"));
  const auto names = [this] {
    std::vector<std::string> out;
    for (const DirEntry& e : DirectoryListing(root_ / "*")) out.push_back(e.name);
    std::sort(out.begin(), out.end());
    return out;
  };
  ASSERT_EQ(names(), (std::vector<std::string>{"A.tmp", "a.tmp"}));

  TfrmJunk& f = Open();
  f.cbTemp.SetChecked(false);
  f.cbConfirm.SetChecked(false);
  f.optDelete.SetChecked(true);
  f.cmdGo.Click();
  ASSERT_EQ(f.lv.itemCount(), 1);  // names equal but for case are walked once
  // Both rows, as a list that holds both would have them: the shell must get
  // "A.tmp", which the caption (lower-cased) does not name.
  f.lv.Clear();
  std::uint64_t size = 0;
  ASSERT_TRUE(f.lv.AddFile(root_ / "a.tmp", size));
  ASSERT_TRUE(f.lv.AddFile(root_ / "A.tmp", size));
  EXPECT_EQ(f.lv.Caption(0), f.lv.Caption(1));
  EXPECT_TRUE(f.lv.Listed(root_ / "A.tmp"));
  test::UserSelectsOnly(f.lv, 1);
  f.mnuDelete.Click();
  ASSERT_EQ(f.lv.itemCount(), 1);
  EXPECT_EQ(f.lv.FilePath(0), root_ / "a.tmp");
  EXPECT_FALSE(f.lv.Listed(root_ / "A.tmp"));
  EXPECT_EQ(names(), std::vector<std::string>{"a.tmp"});
  EXPECT_EQ(test::ReadWholeFile(root_ / "a.tmp"), "lower");
  EXPECT_NE(Log(shell::logfile::kManualJunk).find("  Permanently deleting: " + root_ / "A.tmp" + "\r\n"),
            std::string::npos);
}

// Del, Ctrl+A and Enter belong to the list whose popup menu names them; an
// edit box keeps its own keys.
TEST_F(JunkWindow, ListShortcutsActOnlyOnTheirListAndEditBoxesKeepTheirKeys) {
  const std::string a = root_.File("a.tmp", "abc");
  const std::string b = root_.File("b.tmp", "abc");
  TfrmJunk& f = Open();
  f.cbTemp.SetChecked(false);
  f.cmdGo.Click();
  ASSERT_EQ(f.lv.itemCount(), 2);

  f.deMove.SetText("abc");
  SendMessageW(f.deMove.handle(), EM_SETSEL, 0, 0);
  test::UserPressesKey(f.deMove.handle(), VK_DELETE);
  EXPECT_EQ(f.deMove.text(), "bc");
  EXPECT_EQ(f.lv.itemCount(), 2);
  EXPECT_TRUE(world().dialogs.asked().empty());

  test::UserSelectsOnly(f.lv, 1);
  world().dialogs.Answer(ui::MsgResult::Yes);
  test::UserPressesKey(f.lv.handle(), VK_DELETE);
  ASSERT_EQ(world().dialogs.asked().size(), 1u);
  EXPECT_EQ(world().dialogs.asked()[0].text, "Are you sure you wish to remove the selected file(s) ?");
  EXPECT_EQ(f.lv.itemCount(), 1);
  EXPECT_FALSE(PathExists(b));
  EXPECT_TRUE(PathExists(a));

  // Del on the pattern list asks about the pattern row, not about files.
  test::UserSelectsOnly(f.lvScan, 0);
  world().dialogs.Answer(ui::MsgResult::No);
  test::UserPressesKey(f.lvScan.handle(), VK_DELETE);
  ASSERT_EQ(world().dialogs.asked().size(), 2u);
  EXPECT_EQ(world().dialogs.asked()[1].caption, "Please Confirm");
  EXPECT_EQ(f.lvScan.itemCount(), 13);
  EXPECT_TRUE(PathExists(a));
}

TEST_F(JunkWindow, TableWithUntickedSecondRowAndOptionsSurviveAClose) {
  TfrmJunk& f = Open();
  f.lvScan.SetChecked(1, false);
  f.cbTemp.SetChecked(false);
  f.udDays.SetValue(45);
  f.cbDays.SetChecked(true);
  f.cbInUse.SetChecked(false);
  CloseWindow();
  RegKey key = RegKey::Open(HKEY_CURRENT_USER, kJunkKey);
  EXPECT_EQ(key.ReadString("ScanFor").value_or("").substr(0, 14), "*.~*,1,~*.*,0,");
  EXPECT_EQ(key.ReadString("Drives").value_or(""), "E");
  EXPECT_TRUE(RegKey::Exists(HKEY_CURRENT_USER, std::string(kJunkStorageKey) + "\\pos"));

  TfrmJunk& g = Open();
  EXPECT_TRUE(g.lvScan.Checked(0));
  EXPECT_FALSE(g.lvScan.Checked(1));
  EXPECT_FALSE(g.cbTemp.checked());
  EXPECT_EQ(g.udDays.value(), 45);
  // Not stored: every window starts with these.
  EXPECT_FALSE(g.cbDays.checked());
  EXPECT_TRUE(g.cbInUse.checked());
  EXPECT_EQ(g.DiskListView1.SelectedDrives(), "E");
}

TEST_F(JunkWindow, NoEnabledRowSkipsOnlyThePatternPass) {
  const std::string tmp = root_.File("a.tmp", "abc");
  const std::string zero = root_.SizedFile("sub\\empty.dat", 0);
  const std::string inTemp = temp_.File("work.log", "12345");
  TfrmJunk& f = Open();
  f.mnuUncheck.Click();
  f.cmdGo.Click();
  EXPECT_FALSE(IsListed(tmp));
  EXPECT_TRUE(IsListed(zero));
  EXPECT_TRUE(IsListed(inTemp));
  EXPECT_EQ(f.lv.itemCount(), 2);
  EXPECT_EQ(f.pg.maximum(), 3);  // temporary folder + one drive + one drive again
  EXPECT_EQ(f.toolbarHeight(), 38);
  EXPECT_TRUE(f.lv.Selected(0));
  EXPECT_EQ(f.sb.text(1), "Scan Complete: 5 bytes (0.00 megabytes) found in 2 files.");
}

TEST_F(JunkWindow, PatternPassListsLowerCasePathsWithSizes) {
  const std::string a = root_.File("Deep\\Old.BAK", "1234567");
  root_.File("keep.txt", "x");
  TfrmJunk& f = Open();
  f.cbTemp.SetChecked(false);
  f.cbZeroLength.SetChecked(false);
  f.cmdGo.Click();
  ASSERT_EQ(f.lv.itemCount(), 1);
  EXPECT_EQ(f.lv.Caption(0), LowerCase(a));
  EXPECT_EQ(f.lv.SubItem(0, 0), "7");
  EXPECT_EQ(f.NumBytes(), 7);
  EXPECT_EQ(f.pg.maximum(), 1);
}

TEST_F(JunkWindow, SetupTmpInTheMoveFolderAndOnItsPathIsNotListed) {
  const std::string moveFolder = root_.Folder("moved\\here");
  const std::string inMove = root_.File("moved\\here\\setup.tmp");
  const std::string onPath = root_.File("setup.tmp");
  const std::string elsewhere = root_.File("other\\setup.tmp");
  TfrmJunk& f = Open();
  f.cbTemp.SetChecked(false);
  f.deMove.SetText(moveFolder);  // whatever the option, the guard applies
  f.cmdGo.Click();
  EXPECT_FALSE(IsListed(inMove));
  EXPECT_FALSE(IsListed(onPath));
  EXPECT_TRUE(IsListed(elsewhere));
}

TEST_F(JunkWindow, ReadOnlyAndSystemFilesSkippedWithSkipAttr) {
  const std::string ro = root_.File("ro.tmp");
  const std::string sys = root_.File("sys.tmp");
  const std::string plain = root_.File("plain.tmp");
  test::SetAttributes(ro, FILE_ATTRIBUTE_READONLY);
  test::SetAttributes(sys, FILE_ATTRIBUTE_SYSTEM);
  TfrmJunk& f = Open();
  f.cbTemp.SetChecked(false);
  f.cmdGo.Click();
  EXPECT_FALSE(IsListed(ro));
  EXPECT_FALSE(IsListed(sys));
  EXPECT_TRUE(IsListed(plain));
  // A read-only file cannot be opened for writing, so the in-use test would
  // skip it as well.
  f.cbSkipAttr.SetChecked(false);
  f.cbInUse.SetChecked(false);
  f.cmdGo.Click();
  EXPECT_TRUE(IsListed(ro));
  EXPECT_TRUE(IsListed(sys));
}

// Sets the last-access time to a local date and hour.
void SetLastAccess(const std::string& path, int year, int month, int day, int hour) {
  SYSTEMTIME st{};
  st.wYear = WORD(year);
  st.wMonth = WORD(month);
  st.wDay = WORD(day);
  st.wHour = WORD(hour);
  FILETIME local{}, utc{};
  ASSERT_TRUE(SystemTimeToFileTime(&st, &local));
  ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
  ASSERT_TRUE(WriteFileTimes(path, nullptr, &utc, nullptr));
}

TEST_F(JunkWindow, AccessRuleKeepsFilesUnusedForNDays) {
  const double now = EncodeDateTime(2026, 6, 15, 18, 0);
  world().fixedNow = now;
  const std::string recent = root_.File("recent.tmp");
  const std::string old = root_.File("old.tmp");
  SetLastAccess(recent, 2026, 5, 17, 12);  // 29 days before today
  SetLastAccess(old, 2026, 5, 15, 12);     // 31 days before today
  TfrmJunk& f = Open();
  f.cbTemp.SetChecked(false);
  f.cbDays.SetChecked(true);
  f.cmdGo.Click();
  EXPECT_FALSE(IsListed(recent));
  EXPECT_TRUE(IsListed(old));
  // Judging the skipped file left its access time as it was.
  FILETIME accessed{};
  ASSERT_TRUE(ReadFileTimes(recent, nullptr, &accessed, nullptr));
  EXPECT_NEAR(FileTimeToLocalDateTime(accessed), EncodeDateTime(2026, 5, 17, 12, 0), 1.0 / 86400);
}

TEST_F(JunkWindow, FileFoundByTwoPassesIsListedOnce) {
  const std::string zeroTmp = root_.SizedFile("empty.tmp", 0);
  TfrmJunk& f = Open();
  f.TempFolder = [this] { return root_.path() + "t\\"; };
  const std::string tempAndPattern = root_.File("t\\x.bak", "xy");
  f.cmdGo.Click();
  int zeroCount = 0, bakCount = 0;
  for (const std::string& c : Listed()) {
    if (CompareNoCase(c, zeroTmp) == 0) ++zeroCount;
    if (CompareNoCase(c, tempAndPattern) == 0) ++bakCount;
  }
  EXPECT_EQ(zeroCount, 1);
  EXPECT_EQ(bakCount, 1);
  EXPECT_EQ(f.lv.itemCount(), 2);
}

TEST_F(JunkWindow, ZeroLengthPassGoesOverThePatternWalksEmptyFilesAndLooksEachUpAgain) {
  const std::string empty = root_.SizedFile("a\\empty.dat", 0);
  const std::string filled = root_.SizedFile("b\\soon.dat", 0);
  root_.File("c\\d\\keep.txt", "x");
  TfrmJunk& f = Open();
  f.cbTemp.SetChecked(false);
  std::vector<std::string> zeroFolders;
  const auto report = f.tsZero.OnDirectoryFound();
  f.tsZero.SetOnDirectoryFound([&](scan::TTreeScanner& t) {
    // Between the passes the second file gains data: its look-up must see it.
    if (zeroFolders.empty()) {
      FileHandle h(CreateFileW(LongPathW(filled).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
      DWORD written = 0;
      WriteFile(h.get(), "data", 4, &written, nullptr);
    }
    zeroFolders.push_back(t.FileFound());
    report(t);
  });
  f.cmdGo.Click();
  EXPECT_EQ(Listed(), std::vector<std::string>{LowerCase(empty)});
  // Only the folders that held empty files, not the whole tree once more.
  EXPECT_EQ(zeroFolders, (std::vector<std::string>{root_ / "a\\", root_ / "b\\"}));
  EXPECT_EQ(f.pg.maximum(), 2);

  // With no pattern row ticked there is no walk to go over: the pass walks.
  zeroFolders.clear();
  f.mnuUncheck.Click();
  f.cmdGo.Click();
  EXPECT_EQ(zeroFolders.size(), 5u);  // the root, a, b, c and c\d
  EXPECT_EQ(Listed(), std::vector<std::string>{LowerCase(empty)});
}

TEST_F(JunkWindow, FilesFoundJustBeforeAStopAreStillListed) {
  const std::string first = root_.File("1.tmp", "a");
  const std::string second = root_.File("2.tmp", "bb");
  root_.File("sub\\3.tmp", "ccc");
  TfrmJunk& f = Open();
  f.cbTemp.SetChecked(false);
  const auto found = f.ts.OnFileFound();
  f.ts.SetOnFileFound([&](scan::TTreeScanner& t) {
    found(t);
    if (t.FileFound() == second) f.cmdGo.Click();  // Stop, while the found files wait for their probe
  });
  f.cmdGo.Click();
  EXPECT_EQ(f.cmdGo.caption(), "&Scan");
  EXPECT_EQ(Listed(), (std::vector<std::string>{LowerCase(first), LowerCase(second)}));
  EXPECT_EQ(f.toolbarHeight(), 38);
  EXPECT_TRUE(f.lv.Selected(0));
}

TEST_F(JunkWindow, FileInUseSkippedThenLoggedAtRemoval) {
  const std::string busy = root_.File("busy.tmp", "12345");
  const std::string free_ = root_.File("free.tmp", "123");
  FileHandle h(CreateFileW(LongPathW(busy).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(h);
  TfrmJunk& f = Open();
  f.cbTemp.SetChecked(false);
  f.cmdGo.Click();
  EXPECT_FALSE(IsListed(busy));
  EXPECT_TRUE(IsListed(free_));

  f.cbInUse.SetChecked(false);
  f.cbConfirm.SetChecked(false);
  f.optDelete.SetChecked(true);
  f.cmdGo.Click();
  ASSERT_TRUE(IsListed(busy));
  f.mnuSelAll.Click();
  f.mnuDelete.Click();
  // The busy file was not removed: its row stays, and it is not counted.
  ASSERT_EQ(f.lv.itemCount(), 1);
  EXPECT_EQ(f.lv.FilePath(0), busy);
  EXPECT_EQ(f.FilesRemoved, 1);
  EXPECT_EQ(f.SpaceRecovered, 3);
  EXPECT_TRUE(PathExists(busy));
  EXPECT_FALSE(PathExists(free_));
  const std::string log = Log(shell::logfile::kManualJunk);
  EXPECT_NE(log.find("  Unable to remove \"" + busy + "\".  This file is currently in use.\r\n"), std::string::npos);
  EXPECT_NE(log.find("  Permanently deleting: " + free_ + "\r\n"), std::string::npos);
}

TEST_F(JunkWindow, RemovingThreeFilesTotalsAndStatistics) {
  shell::WriteIntegerSetting(shell::kLogsKey, "JunkBytes", 100);
  shell::WriteIntegerSetting(shell::kLogsKey, "JunkFiles", 1);
  root_.SizedFile("a.tmp", 1000);
  root_.SizedFile("b.tmp", 2000);
  root_.SizedFile("c.tmp", 3000);
  TfrmJunk& f = Open();
  f.cbTemp.SetChecked(false);
  f.cmdGo.Click();
  ASSERT_EQ(f.lv.itemCount(), 3);
  world().dialogs.Answer(ui::MsgResult::Yes);
  f.mnuSelAll.Click();
  f.mnuDelete.Click();
  // One question per command, not per file.
  ASSERT_EQ(world().dialogs.asked().size(), 1u);
  EXPECT_EQ(world().dialogs.asked()[0].text, "Are you sure you wish to remove the selected file(s) ?");
  EXPECT_EQ(world().dialogs.asked()[0].caption, "Please confirm");
  EXPECT_EQ(f.sb.text(1), "Total space recovered: 6,000 bytes (0.01 megabytes) in 3 files.");
  EXPECT_EQ(f.toolbarHeight(), 0);
  for (const char* n : {"a.tmp", "b.tmp", "c.tmp"}) EXPECT_FALSE(PathExists(root_ / n)) << n;
  const std::string log = Log(shell::logfile::kManualJunk);
  EXPECT_NE(log.find("  Moving to recycle bin: " + root_ / "a.tmp"), std::string::npos);
  // Statistics change only when the window closes.
  EXPECT_EQ(shell::ReadIntegerSetting(shell::kLogsKey, "JunkBytes"), 100);
  CloseWindow();
  EXPECT_EQ(shell::ReadIntegerSetting(shell::kLogsKey, "JunkBytes"), 6100);
  EXPECT_EQ(shell::ReadIntegerSetting(shell::kLogsKey, "JunkFiles"), 4);
  const auto lines = Lines(Log(shell::logfile::kManualJunk));
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[lines.size() - 3], "TOTAL SPACE RECOVERED: 6,000 bytes (0.01 megabytes.)");
}

TEST_F(JunkWindow, DeclinedConfirmationRemovesNothing) {
  const std::string a = root_.File("a.tmp");
  TfrmJunk& f = Open();
  f.cbTemp.SetChecked(false);
  f.cmdGo.Click();
  world().dialogs.Answer(ui::MsgResult::No);
  f.D1.Click();
  EXPECT_TRUE(PathExists(a));
  EXPECT_EQ(f.lv.itemCount(), 1);
  EXPECT_EQ(f.FilesRemoved, 0);
}

TEST_F(JunkWindow, RemoveAllListedFilesOnTenRows) {
  for (int i = 0; i < 10; ++i) root_.File("f" + std::to_string(i) + ".old", "data");
  TfrmJunk& f = Open();
  f.cbTemp.SetChecked(false);
  f.cbConfirm.SetChecked(false);
  f.optDelete.SetChecked(true);
  f.cmdGo.Click();
  ASSERT_EQ(f.lv.itemCount(), 10);
  f.lv.ClearSelection();
  f.lv.SetSelected(4, true);
  f.D1.Click();
  EXPECT_EQ(f.lv.itemCount(), 0);
  EXPECT_EQ(f.toolbarHeight(), 0);
  EXPECT_EQ(f.FilesRemoved, 10);
  for (int i = 0; i < 10; ++i) EXPECT_FALSE(PathExists(root_ / ("f" + std::to_string(i) + ".old")));
}

TEST_F(JunkWindow, RemovingSomeRowsSelectsTheRowAtTheSameIndex) {
  for (int i = 0; i < 4; ++i) root_.File("r" + std::to_string(i) + ".tmp", "x");
  TfrmJunk& f = Open();
  f.cbTemp.SetChecked(false);
  f.cbConfirm.SetChecked(false);
  f.optDelete.SetChecked(true);
  f.cmdGo.Click();
  ASSERT_EQ(f.lv.itemCount(), 4);
  const std::string third = f.lv.Caption(2);
  f.lv.ClearSelection();
  f.lv.SetSelected(1, true);
  f.mnuDelete.Click();
  EXPECT_EQ(f.lv.itemCount(), 3);
  EXPECT_TRUE(f.lv.Selected(1));
  EXPECT_EQ(f.lv.Caption(1), third);
  EXPECT_EQ(f.toolbarHeight(), 38);
}

TEST_F(JunkWindow, MoveCollisionGivesTheMovedFileANewName) {
  const std::string dest = root_.Folder("dest");
  root_.File("dest\\a.tmp", "already here");
  const std::string src = root_.File("src\\a.tmp", "moved one");
  TfrmJunk& f = Open();
  f.cbTemp.SetChecked(false);
  f.cbConfirm.SetChecked(false);
  f.optMove.SetChecked(true);
  f.deMove.SetText(dest);
  f.cmdGo.Click();
  ASSERT_EQ(Listed(), std::vector<std::string>{LowerCase(src)});  // the one already there is guarded
  f.mnuSelAll.Click();
  f.mnuDelete.Click();
  EXPECT_FALSE(PathExists(src));
  EXPECT_EQ(test::ReadWholeFile(root_ / "dest\\a.tmp"), "already here");
  int files = 0;
  bool movedFound = false;
  for (const DirEntry& e : DirectoryListing(root_ / "dest\\*")) {
    ++files;
    if (test::ReadWholeFile(root_ / ("dest\\" + e.name)) == "moved one") movedFound = true;
  }
  EXPECT_EQ(files, 2);
  EXPECT_TRUE(movedFound);
  EXPECT_NE(Log(shell::logfile::kManualJunk).find("  Relocating file: " + src + "\r     To: " + dest + "\r\n"),
            std::string::npos);
}

TEST_F(JunkWindow, CloseWithNothingRemovedWritesZeroTotalAndKeepsStatistics) {
  shell::WriteIntegerSetting(shell::kLogsKey, "JunkBytes", 5);
  shell::WriteIntegerSetting(shell::kLogsKey, "JunkFiles", 7);
  Open();
  CloseWindow();
  const auto lines = Lines(Log(shell::logfile::kManualJunk));
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], std::string(40, '='));
  EXPECT_EQ(lines[2].rfind("CLOSE SESSION: ", 0), 0u);
  EXPECT_EQ(lines[3], "TOTAL SPACE RECOVERED: 0 bytes (0.00 megabytes.)");
  EXPECT_EQ(lines[4], std::string(40, '='));
  EXPECT_EQ(lines[5], "");
  EXPECT_EQ(shell::ReadIntegerSetting(shell::kLogsKey, "JunkBytes"), 5);
  EXPECT_EQ(shell::ReadIntegerSetting(shell::kLogsKey, "JunkFiles"), 7);
}

TEST_F(JunkWindow, ManualLoggingOffWritesNoLog) {
  shell::WriteBoolSetting(shell::kLogsKey, "DoJunk", false);
  root_.File("a.tmp");
  TfrmJunk& f = Open();
  EXPECT_FALSE(f.ManualLogging);
  f.cbTemp.SetChecked(false);
  f.cmdGo.Click();
  CloseWindow();
  EXPECT_FALSE(PathExists(world().programFolder + shell::logfile::kManualJunk));
}

TEST_F(JunkWindow, ScheduledRunWritesJunkLogInOrder) {
  const std::string a = root_.SizedFile("a.tmp", 1000);
  const std::string z = root_.SizedFile("z.dat", 0);
  world().fixedNow = EncodeDateTime(2026, 6, 15, 3, 0);
  TfrmJunk& f = Open();
  f.ScheduledRun = true;
  f.ScheduledLog = true;
  f.cbTemp.SetChecked(false);
  f.cmdGo.Click();
  ASSERT_EQ(f.cmdGo.caption(), "&Scan");  // the end sign the scheduled run waits for
  f.mnuSelAll.Click();
  f.mnuDelete.Click();  // no question with ScheduledRun, although cbConfirm is ticked
  EXPECT_TRUE(world().dialogs.asked().empty());
  CloseWindow();
  EXPECT_FALSE(PathExists(a));
  EXPECT_FALSE(PathExists(z));
  EXPECT_FALSE(PathExists(world().programFolder + shell::logfile::kManualJunk));

  const std::string stamp = FormatDateTime(EncodeDateTime(2026, 6, 15, 3, 0));
  const std::string rule(40, '=');
  const std::vector<std::string> expected = {
      "", rule, "OPERATION START: " + stamp, rule, "", "  Start Scan...",
      "  Successfully scanned " + root_.path() + " for specified file types.",
      "  Successfully scanned " + root_.path() + " for zero length files.",
      "  Scan End.", "", "  1,000 bytes (0.00 megabytes) found in 2 files.",
      "  Moving to recycle bin: " + a, "  Moving to recycle bin: " + z,
      "", rule, "OPERATION COMPLETE: " + stamp, "TOTAL SPACE RECOVERED: 1,000 bytes (0.00 megabytes.)", rule, ""};
  const auto lines = Lines(Log(shell::logfile::kScheduledJunk));
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(shell::ReadIntegerSetting(shell::kLogsKey, "JunkFiles"), 2);
}

TEST_F(JunkWindow, ScheduledRunWithoutLogEventsWritesNothing) {
  root_.File("a.tmp");
  TfrmJunk& f = Open();
  f.ScheduledRun = true;
  f.ScheduledLog = false;
  f.cbTemp.SetChecked(false);
  f.cmdGo.Click();
  CloseWindow();
  EXPECT_FALSE(PathExists(world().programFolder + shell::logfile::kScheduledJunk));
  EXPECT_FALSE(PathExists(world().programFolder + shell::logfile::kManualJunk));
}

TEST_F(JunkWindow, StopClickNestedInTheScanEndsAllPasses) {
  root_.File("one\\a.tmp");
  root_.SizedFile("two\\z.dat", 0);
  TfrmJunk& f = Open();
  f.cbTemp.SetChecked(false);
  int folders = 0;
  bool wasStopCaption = false;
  f.ts.ProcessMessages = [&] {
    if (++folders == 1) {
      wasStopCaption = f.cmdGo.caption() == "&Stop";
      EXPECT_FALSE(f.cmdExit.enabled());
      EXPECT_FALSE(f.PageControl1.enabled());
      f.cmdGo.Click();  // the second click, arriving while the scan runs
    }
  };
  f.cmdGo.Click();
  EXPECT_TRUE(wasStopCaption);
  EXPECT_EQ(f.cmdGo.caption(), "&Scan");
  EXPECT_TRUE(f.cmdExit.enabled());
  EXPECT_TRUE(f.PageControl1.enabled());
  EXPECT_EQ(f.lv.itemCount(), 0);  // nothing after the stop, no zero-length pass
  const auto lines = Lines(Log(shell::logfile::kManualJunk));
  int ends = 0;
  for (const auto& l : lines) ends += l == "  Scan End.";
  EXPECT_EQ(ends, 1);
}

TEST_F(JunkWindow, AStopQueuedForTheWindowArrivesThroughItsOwnPump) {
  root_.File("a\\1.tmp");
  root_.File("b\\2.tmp");
  TfrmJunk& f = Open();
  f.cbTemp.SetChecked(false);
  ui::PostTask([&] { f.cmdGo.Click(); });  // the Stop click, waiting in the queue as the scan starts
  f.cmdGo.Click();
  ui::ProcessMessages();
  EXPECT_EQ(f.cmdGo.caption(), "&Scan");
  EXPECT_EQ(f.lv.itemCount(), 0);
}

TEST_F(JunkWindow, FailingPassStillEndsIdleWithItsEndLines) {
  root_.File("a.tmp");
  TfrmJunk& f = Open();
  f.cbTemp.SetChecked(false);
  f.ts.ProcessMessages = [] { throw std::runtime_error("walk failed"); };
  EXPECT_THROW(f.cmdGoClick(), std::runtime_error);
  EXPECT_EQ(f.cmdGo.caption(), "&Scan");
  EXPECT_TRUE(f.cmdExit.enabled());
  EXPECT_TRUE(f.cmdHelp.visible());
  EXPECT_FALSE(f.aviSearch.active());
  const auto lines = Lines(Log(shell::logfile::kManualJunk));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "  Start Scan...");
  EXPECT_EQ(lines[1], "  Scan End.");
}

TEST_F(JunkWindow, AddEditAndRemovePatternRows) {
  TfrmJunk& f = Open();
  world().dialogs.AnswerInput(std::string("*.xyz"));
  world().dialogs.AnswerInput(std::nullopt);  // cancel keeps the single-space default
  f.cmdAddNew.Click();
  ASSERT_EQ(f.lvScan.itemCount(), 14);
  EXPECT_EQ(f.lvScan.Caption(13), "*.xyz");
  EXPECT_EQ(f.lvScan.SubItem(13, 0), " ");
  EXPECT_TRUE(f.lvScan.Checked(13));
  ASSERT_EQ(world().dialogs.asked().size(), 2u);
  EXPECT_EQ(world().dialogs.asked()[0].caption, "Add New File Type");
  EXPECT_EQ(world().dialogs.asked()[1].text, "Enter a short description for this new file type:");

  // An empty pattern ends the command.
  world().dialogs.AnswerInput(std::string());
  f.cmdAddNew.Click();
  EXPECT_EQ(f.lvScan.itemCount(), 14);

  EXPECT_FALSE(f.cmdEdit.enabled());
  test::UserSelectsOnly(f.lvScan, 13);
  EXPECT_TRUE(f.cmdEdit.enabled());
  world().dialogs.AnswerInput(std::nullopt);  // cancel keeps the pattern
  world().dialogs.AnswerInput(std::string("Mine"));
  f.cmdEdit.Click();
  EXPECT_EQ(f.lvScan.Caption(13), "*.xyz");
  EXPECT_EQ(f.lvScan.SubItem(13, 0), "Mine");

  world().dialogs.Answer(ui::MsgResult::No);
  f.cmdRemove.Click();
  EXPECT_EQ(f.lvScan.itemCount(), 14);
  world().dialogs.Answer(ui::MsgResult::Yes);
  f.cmdRemove.Click();
  EXPECT_EQ(f.lvScan.itemCount(), 13);
  EXPECT_TRUE(f.lvScan.Selected(12));  // the row before the deleted one
  EXPECT_EQ(world().dialogs.asked().back().caption, "Please Confirm");
  EXPECT_TRUE(world().dialogs.allAnswersUsed());
}

TEST_F(JunkWindow, LeavingRemovalPageNeedsAValidMoveFolder) {
  TfrmJunk& f = Open();
  f.PageControl1.SetActivePageIndex(3);
  f.PageControl1.onChange();
  world().dialogs.AnswerFolder(std::nullopt);  // choosing the option opens the folder dialog
  f.optMove.Click();
  EXPECT_TRUE(f.optMove.checked());
  EXPECT_TRUE(f.deMove.enabled());
  f.PageControl1.SetActivePageIndex(0);
  world().dialogs.Answer(ui::MsgResult::Ok);
  f.PageControl1.onChange();
  EXPECT_EQ(f.PageControl1.activePageIndex(), 3);
  EXPECT_EQ(world().dialogs.messageTexts().back(),
            "You must specify a valid folder to move files to if you are going to use this removal option.");
  f.deMove.SetText(root_.path());
  f.PageControl1.SetActivePageIndex(0);
  f.PageControl1.onChange();
  EXPECT_EQ(f.PageControl1.activePageIndex(), 0);
  f.optRecycle.Click();
  EXPECT_FALSE(f.deMove.enabled());
}

TEST_F(JunkWindow, DoubleClickOnAVanishedFileRemovesItsRowAndPropertiesGoToTheShell) {
  const std::string a = root_.File("a.tmp");
  const std::string b = root_.File("b.tmp");
  TfrmJunk& f = Open();
  f.cbTemp.SetChecked(false);
  f.cmdGo.Click();
  ASSERT_EQ(f.lv.itemCount(), 2);
  test::UserSelectsOnly(f.lv, 1);
  test::UserDoubleClicks(f.lv, 1);
  ASSERT_EQ(world().shellCalls.size(), 1u);
  EXPECT_EQ(world().shellCalls[0].verb, "properties");
  EXPECT_EQ(world().shellCalls[0].target, b);
  f.mnuView.Click();  // no quick viewer in the system folder: the associated program
  ASSERT_EQ(world().shellCalls.size(), 2u);
  EXPECT_EQ(world().shellCalls[1].verb, "open");
  EXPECT_EQ(world().shellCalls[1].target, b);
  DeleteFileW(LongPathW(b).c_str());
  test::UserDoubleClicks(f.lv, 1);
  EXPECT_EQ(f.lv.itemCount(), 1);
  EXPECT_EQ(world().shellCalls.size(), 2u);
}

TEST_F(JunkWindow, ShowingWritesTheOpenBlockAndTicksFixedDisksOnFirstUse) {
  TfrmJunk& f = Open();
  EXPECT_EQ(f.DiskListView1.SelectedDrives(), "E");
  f.Show();
  // No "pos" section yet: every fixed disk is ticked, and the selection follows.
  EXPECT_EQ(f.DiskListView1.SelectedDrives(), "CEF");
  const auto lines = Lines(Log(shell::logfile::kManualJunk));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], std::string(40, '='));
  EXPECT_EQ(lines[1].rfind("OPEN SESSION: ", 0), 0u);
  EXPECT_EQ(lines[3], "");
  f.Hide();
  CloseWindow();

  // Once the window has been closed, its stored drives win.
  RegKey::Create(HKEY_CURRENT_USER, kJunkKey).WriteString("Drives", "E");
  TfrmJunk& g = Open();
  g.Show();
  EXPECT_EQ(g.DiskListView1.SelectedDrives(), "E");
  g.Hide();
}

TEST_F(JunkWindow, HelpOpensTheJunkTopic) {
  CreateFolderPath(world().programFolder + "help");
  ASSERT_TRUE(WriteFileAtomically(world().programFolder + "help\\" + kJunkTopic + ".html", "<html></html>"));
  TfrmJunk& f = Open();
  f.cmdHelp.Click();
  ASSERT_EQ(world().shellCalls.size(), 1u);
  const std::string& target = world().shellCalls[0].target;
  EXPECT_NE(target.find("Cleaning_your_system_of_junk_and_obsolete_files.html"), std::string::npos) << target;
}

TEST_F(JunkWindow, RemovalHandsOverOnlyListedPathsAndRestoresSharedOptions) {
  const std::string listed = root_.File("a.tmp");
  const std::string bystander = root_.File("keep\\report.txt");
  scan::TShellFileOp& op = shell::commontools().ShellFileOp1;
  op.ClearOnAdd = false;
  op.RenameOnCollision = false;
  op.AddSource(bystander);  // left behind by another window
  TfrmJunk& f = Open();
  f.cbTemp.SetChecked(false);
  f.cbZeroLength.SetChecked(false);
  f.cbConfirm.SetChecked(false);
  f.optDelete.SetChecked(true);
  f.cmdGo.Click();
  ASSERT_EQ(f.lv.itemCount(), 1);
  f.D1.Click();
  EXPECT_FALSE(PathExists(listed));
  EXPECT_TRUE(PathExists(bystander));
  EXPECT_FALSE(op.ClearOnAdd);
  EXPECT_FALSE(op.RenameOnCollision);
  EXPECT_TRUE(op.Sources().empty());
}

TEST_F(JunkWindow, AnEntryWithACommaIsRefusedAndTheTableStaysLoadable) {
  TfrmJunk& f = Open();
  world().dialogs.AnswerInput(std::string("*.a,*.b"));
  world().dialogs.AnswerInput(std::string("two kinds"));
  world().dialogs.Answer(ui::MsgResult::Ok);
  f.cmdAddNew.Click();
  EXPECT_EQ(f.lvScan.itemCount(), 13);
  test::UserSelectsOnly(f.lvScan, 0);
  world().dialogs.AnswerInput(std::string("*.~*"));
  world().dialogs.AnswerInput(std::string("Temporary, really"));
  world().dialogs.Answer(ui::MsgResult::Ok);
  f.cmdEdit.Click();
  EXPECT_EQ(f.lvScan.SubItem(0, 0), "Temporary Files");
  EXPECT_EQ(world().dialogs.messageTexts().size(), 2u);
  CloseWindow();
  EXPECT_EQ(LoadPatternTable().size(), 13u);
}

}  // namespace
