// The junk cleaner's removal on real files: it looks at each file again, a
// move needs its folder, a recycle needs a bin, one command runs at a time,
// and the temporary-folder pass lists only a real temporary folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <optional>
#include <string>

#include "platform/files.h"
#include "platform/handles.h"
#include "platform/system.h"
#include "platform/text.h"
#include "shell/action_log.h"
#include "shell/navigator.h"
#include "shell/removal.h"
#include "shell/settings.h"
#include "platform/services.h"
#include "shell/shell_link.h"
#include "support/fault_files.h"
#include "support/process_run.h"
#include "support/file_holder.h"
#include "support/user_input.h"
#include "tools/junk/junk_fixture.h"

using namespace velmora;
using namespace velmora::junk;
using namespace velmora::junk::test_support;
using velmora::test::PathExists;
using velmora::test::world;

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Sets an environment variable of this process for a test, or removes it; the
// old value comes back afterwards. GetTempPathW reads TMP and TEMP at each call.
class EnvVar {
 public:
  EnvVar(const wchar_t* name, const std::optional<std::string>& value) : name_(name) {
    wchar_t buf[4096];
    const DWORD n = GetEnvironmentVariableW(name, buf, 4096);
    if (n > 0 && n < 4096) old_ = std::wstring(buf, n);
    SetEnvironmentVariableW(name, value ? Widen(*value).c_str() : nullptr);
  }
  ~EnvVar() { SetEnvironmentVariableW(name_, old_ ? old_->c_str() : nullptr); }

 private:
  const wchar_t* name_;
  std::optional<std::wstring> old_;
};

struct TempIs {
  explicit TempIs(const std::optional<std::string>& value) : tmp(L"TMP", value), temp(L"TEMP", value) {}
  EnvVar tmp, temp;
};


FILETIME WriteTimeOf(const std::string& path) {
  FILETIME t{};
  ReadFileTimes(path, nullptr, nullptr, &t);
  return t;
}

// Deletes and writes the file again: another file at the same path.
void ReplaceFile(const std::string& path, const std::string& content, const FILETIME& written) {
  ASSERT_TRUE(DeleteFileW(LongPathW(path).c_str()));
  const FileHandle h(CreateFileW(LongPathW(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  ASSERT_TRUE(h);
  DWORD wrote = 0;
  WriteFile(h.get(), content.data(), DWORD(content.size()), &wrote, nullptr);
  SetFileTime(h.get(), nullptr, nullptr, &written);
}

class JunkRemoval : public JunkWindow {
 protected:
  // Scans with the pattern pass only, then selects every row.
  TfrmJunk& ScanAll(bool temp = false) {
    TfrmJunk& f = Open();
    f.cbTemp.SetChecked(temp);
    f.cbConfirm.SetChecked(false);
    f.cmdGo.Click();
    f.mnuSelAll.Click();
    return f;
  }
  std::string ManualLog() const { return Log(shell::logfile::kManualJunk); }
};

// ---- The file is looked at again ----------------------------------------------------

TEST_F(JunkRemoval, AFileReplacedBetweenScanAndRemovalStaysWithItsRow) {
  const std::string a = root_.File("a.tmp", "listed one");
  const std::string b = root_.File("b.tmp", "stays the same");
  TfrmJunk& f = ScanAll();
  f.optDelete.SetChecked(true);
  ASSERT_EQ(f.lv.itemCount(), 2);
  ReplaceFile(a, "another file, longer than the first", WriteTimeOf(a));
  f.mnuDelete.Click();
  EXPECT_TRUE(PathExists(a));
  EXPECT_EQ(test::ReadWholeFile(a), "another file, longer than the first");
  EXPECT_FALSE(PathExists(b));
  ASSERT_EQ(f.lv.itemCount(), 1);
  EXPECT_EQ(f.lv.FilePath(0), a);
  EXPECT_EQ(f.FilesRemoved, 1);
  EXPECT_EQ(f.SpaceRecovered, 14);
  EXPECT_TRUE(Has(ManualLog(), shell::ChangedLine(a) + "\r\n"));
  EXPECT_FALSE(Has(ManualLog(), shell::DeleteLine(a)));
}

// A size above 4 GiB compared in full: a file of the same low 32 bits and the
// same write time is still another file.
TEST_F(JunkRemoval, ASparseFileAbove4GiBReplacedByOneOfTheSameLow32BitsStays) {
  const std::uint64_t big = (std::uint64_t(1) << 32) + 10;
  const std::string a = test::MakeSparseFile(root_.path(), "huge.tmp", big);
  ASSERT_EQ(FindEntry(a)->size, big);
  TfrmJunk& f = ScanAll();
  f.optDelete.SetChecked(true);
  ASSERT_EQ(f.lv.itemCount(), 1);
  EXPECT_EQ(f.NumBytes(), std::int64_t(big));
  ReplaceFile(a, "0123456789", WriteTimeOf(a));
  ASSERT_EQ(FindEntry(a)->size, 10u);
  f.mnuDelete.Click();
  EXPECT_TRUE(PathExists(a));
  EXPECT_EQ(f.lv.itemCount(), 1);
  EXPECT_EQ(f.FilesRemoved, 0);
  EXPECT_TRUE(Has(ManualLog(), shell::ChangedLine(a)));
}

// Where a list took the file's identity, a file put in its place with the
// same size and write time is still another file; a hard link to the one
// listed is the same file.
TEST_F(JunkRemoval, TheIdentityTakenAtListingTellsAReplacedFileFromTheListedOne) {
  const std::string a = root_.File("a.dat", "same bytes");
  const auto listed = shell::LookAtFile(a);
  ASSERT_TRUE(listed);
  TfrmJunk& f = Open();
  f.optDelete.SetChecked(true);
  ASSERT_TRUE(f.removal.BeginCommand());
  // Saved over it as editors save: written beside it, then moved into its place.
  const std::string saved = root_.File("a.new", "same bytes");
  ASSERT_TRUE(WriteFileTimes(saved, nullptr, nullptr, &listed->written));
  ASSERT_TRUE(MoveFileExW(LongPathW(saved).c_str(), LongPathW(a).c_str(), MOVEFILE_REPLACE_EXISTING));
  const shell::ListedFile asListed{a, listed->size, listed->written, listed->identity};
  EXPECT_EQ(f.removal.Remove(asListed).status, shell::RemovalStatus::Changed);
  EXPECT_TRUE(PathExists(a));
  const auto replaced = shell::LookAtFile(a);
  ASSERT_TRUE(replaced);
  const std::string link = root_ / "link.dat";
  ASSERT_TRUE(CreateHardLinkW(LongPathW(link).c_str(), LongPathW(a).c_str(), nullptr));
  const shell::ListedFile viaLink{link, replaced->size, replaced->written, replaced->identity};
  EXPECT_EQ(f.removal.Remove(viaLink).status, shell::RemovalStatus::Removed);
  EXPECT_FALSE(PathExists(link));
  EXPECT_TRUE(PathExists(a));
}

TEST_F(JunkRemoval, AFileGoneSinceTheScanIsLoggedAndNotCounted) {
  const std::string a = root_.File("a.tmp", "x");
  TfrmJunk& f = ScanAll();
  f.optDelete.SetChecked(true);
  ASSERT_TRUE(DeleteFileW(LongPathW(a).c_str()));
  f.mnuDelete.Click();
  EXPECT_EQ(f.FilesRemoved, 0);
  EXPECT_TRUE(Has(ManualLog(), shell::GoneLine(a)));
}

// ---- The move folder ----------------------------------------------------------------

TEST_F(JunkRemoval, AMoveFolderDeletedAfterTheScanMovesNothingRenamesNothingAndSaysSoOnce) {
  const std::string dest = root_.Folder("dest");
  const std::string a = root_.File("src\\a.tmp", "a"), b = root_.File("src\\b.tmp", "b");
  TfrmJunk& f = Open();
  f.cbTemp.SetChecked(false);
  f.cbConfirm.SetChecked(false);
  f.optMove.SetChecked(true);
  f.deMove.SetText(dest);
  f.cmdGo.Click();
  ASSERT_EQ(f.lv.itemCount(), 2);
  ASSERT_TRUE(RemoveDirectoryW(LongPathW(dest).c_str()));
  f.mnuSelAll.Click();
  f.mnuDelete.Click();
  EXPECT_TRUE(PathExists(a));
  EXPECT_TRUE(PathExists(b));
  EXPECT_FALSE(PathExists(dest));  // no file took the folder's name
  EXPECT_EQ(f.lv.itemCount(), 2);
  EXPECT_EQ(f.FilesRemoved, 0);
  EXPECT_EQ(world().dialogs.messageTexts(), std::vector<std::string>{shell::kMoveFolderMessage});
  const std::string log = ManualLog();
  EXPECT_TRUE(Has(log, shell::NoMoveFolderLine(dest)));
  EXPECT_FALSE(Has(log, "Relocating"));
}

TEST_F(JunkRemoval, AMoveFolderThatIsAFileMovesNothingAndUnattendedOnlyLogs) {
  const std::string dest = root_.File("dest", "I am a file");
  const std::string a = root_.File("src\\a.tmp", "a");
  TfrmJunk& f = Open();
  f.ScheduledRun = true;
  f.ScheduledLog = true;
  f.cbTemp.SetChecked(false);
  f.optMove.SetChecked(true);
  f.deMove.SetText(dest);
  f.cmdGo.Click();
  ASSERT_EQ(f.lv.itemCount(), 1);
  f.mnuSelAll.Click();
  f.mnuDelete.Click();
  EXPECT_TRUE(PathExists(a));
  EXPECT_EQ(test::ReadWholeFile(dest), "I am a file");
  EXPECT_TRUE(world().dialogs.asked().empty());  // an unattended run asks nothing
  const std::string log = Log(shell::logfile::kScheduledJunk);
  EXPECT_TRUE(Has(log, shell::NoMoveFolderLine(dest)));
  EXPECT_FALSE(Has(log, "Relocating"));
}

// ---- The recycle bin ----------------------------------------------------------------

// N: is the prefix's network drive: no recycle bin.
TEST_F(JunkRemoval, ADriveWithoutARecycleBinAsksInAWindowBeforeDeletingForGood) {
  test::TestFolder share('N');
  const std::string a = share.File("a.tmp", "a"), b = share.File("b.tmp", "b");
  TfrmJunk& f = Open();
  f.TempFolder = [&share] { return share.path(); };
  f.cbConfirm.SetChecked(false);
  f.cmdGo.Click();
  ASSERT_EQ(f.lv.itemCount(), 2);
  EXPECT_TRUE(f.optRecycle.checked());
  world().dialogs.Answer(ui::MsgResult::No);
  f.mnuSelAll.Click();
  f.mnuDelete.Click();
  ASSERT_EQ(world().dialogs.asked().size(), 1u);  // once for the command
  EXPECT_TRUE(Has(world().dialogs.asked()[0].text, "cannot go to the recycle bin"));
  EXPECT_TRUE(PathExists(a));
  EXPECT_TRUE(PathExists(b));
  EXPECT_EQ(f.FilesRemoved, 0);
  EXPECT_TRUE(Has(ManualLog(), "  Not removed: \"" + a + "\"."));
  EXPECT_FALSE(Has(ManualLog(), shell::RecycleLine(a)));

  world().dialogs.Answer(ui::MsgResult::Yes);
  f.mnuSelAll.Click();
  f.mnuDelete.Click();
  EXPECT_FALSE(PathExists(a));
  EXPECT_FALSE(PathExists(b));
  EXPECT_EQ(f.FilesRemoved, 2);
  // The log says what happened: deleted for good, not recycled.
  EXPECT_TRUE(Has(ManualLog(), shell::DeleteLine(a) + "\r\n"));
  EXPECT_FALSE(Has(ManualLog(), shell::RecycleLine(a)));
}

TEST_F(JunkRemoval, ADriveWithoutARecycleBinUnattendedLeavesTheFileAndLogsIt) {
  test::TestFolder share('N');
  const std::string a = share.File("a.tmp", "a");
  TfrmJunk& f = Open();
  f.TempFolder = [&share] { return share.path(); };
  f.ScheduledRun = true;
  f.ScheduledLog = true;
  f.cmdGo.Click();
  ASSERT_EQ(f.lv.itemCount(), 1);
  f.mnuSelAll.Click();
  f.mnuDelete.Click();
  EXPECT_TRUE(world().dialogs.asked().empty());
  EXPECT_TRUE(PathExists(a));
  EXPECT_EQ(f.FilesRemoved, 0);
  EXPECT_EQ(f.lv.itemCount(), 1);
  const std::string log = Log(shell::logfile::kScheduledJunk);
  EXPECT_TRUE(Has(log, shell::NoRecycleBinLine(a, shell::RecycleBinRefusal(a, 1))));
  EXPECT_FALSE(Has(log, shell::RecycleLine(a)));
}

TEST(RecycleBin, OnlyAFixedDriveWithABinTakesAFile) {
  test::TestFolder fixed('E'), floppy('A'), share('N');
  EXPECT_EQ(shell::RecycleBinRefusal(fixed.File("a.tmp"), 1), "");
  EXPECT_TRUE(Has(shell::RecycleBinRefusal(floppy.File("a.tmp"), 1), "has no recycle bin"));
  EXPECT_TRUE(Has(shell::RecycleBinRefusal(share.File("a.tmp"), 1), "has no recycle bin"));
  EXPECT_TRUE(Has(shell::RecycleBinRefusal("\\\\server\\share\\a.tmp", 1), "network share"));
  // Larger than any bin of the drive can hold.
  EXPECT_TRUE(Has(shell::RecycleBinRefusal(fixed / "a.tmp", ~std::uint64_t(0) / 2), "larger than"));
}

// ---- In use, long paths, names in several scripts ----------------------------------------

TEST_F(JunkRemoval, AFileHeldOpenByAnotherProgramStaysAndIsNotCounted) {
  const std::string held = root_.File("held.tmp", "12345");
  const std::string free_ = root_.File("free.tmp", "123");
  TfrmJunk& f = Open();
  f.cbTemp.SetChecked(false);
  f.cbConfirm.SetChecked(false);
  f.optDelete.SetChecked(true);
  f.cmdGo.Click();
  ASSERT_EQ(f.lv.itemCount(), 2);
  test::FileHolder holder(held, 0);
  ASSERT_TRUE(holder.held());
  f.mnuSelAll.Click();
  f.mnuDelete.Click();
  EXPECT_TRUE(PathExists(held));
  EXPECT_FALSE(PathExists(free_));
  EXPECT_EQ(f.FilesRemoved, 1);
  EXPECT_EQ(f.SpaceRecovered, 3);
  ASSERT_EQ(f.lv.itemCount(), 1);
  EXPECT_EQ(f.lv.FilePath(0), held);
  EXPECT_TRUE(Has(ManualLog(), InUseLine(held)));
  holder.Release();
  f.mnuSelAll.Click();
  f.mnuDelete.Click();  // let go: now it goes
  EXPECT_FALSE(PathExists(held));
  EXPECT_EQ(f.FilesRemoved, 2);
}

TEST_F(JunkRemoval, APathOf300CharactersIsListedLookedAtAndRemoved) {
  const std::string deep = test::MakeLongPathFile(root_.path(), 300, "deep");
  ASSERT_EQ(deep.size(), 300u);
  const auto now = shell::LookAtFile(deep);
  ASSERT_TRUE(now);
  EXPECT_EQ(now->size, 4u);
  TfrmJunk& f = ScanAll();
  f.optDelete.SetChecked(true);
  ASSERT_EQ(f.lv.itemCount(), 1);
  EXPECT_EQ(f.lv.FilePath(0), deep);
  f.mnuSelAll.Click();
  f.mnuDelete.Click();
  EXPECT_FALSE(PathExists(deep));
  EXPECT_EQ(f.FilesRemoved, 1);
  EXPECT_TRUE(Has(ManualLog(), shell::DeleteLine(deep)));
}

TEST_F(JunkRemoval, NamesInSeveralScriptsAreListedRemovedAndLoggedAsTheyAre) {
  const std::vector<std::string> files = test::MakeScriptNamedFiles(root_.path(), ".tmp", "abc");
  TfrmJunk& f = ScanAll();
  f.optDelete.SetChecked(true);
  ASSERT_EQ(f.lv.itemCount(), int(files.size()));
  for (const std::string& path : files) EXPECT_TRUE(IsListed(path)) << path;
  f.mnuSelAll.Click();
  f.mnuDelete.Click();
  EXPECT_EQ(f.FilesRemoved, std::int64_t(files.size()));
  for (const std::string& path : files) {
    EXPECT_FALSE(PathExists(path)) << path;
    EXPECT_TRUE(Has(ManualLog(), shell::DeleteLine(path) + "\r\n")) << path;
  }
}

// ---- One command at a time -------------------------------------------------------------

TEST_F(JunkRemoval, DelDuringAScanRemovesNothing) {
  const std::string t = temp_.File("t.tmp", "temp");
  const std::string a = root_.File("a.tmp", "a");
  TfrmJunk& f = Open();
  f.cbConfirm.SetChecked(false);
  f.optDelete.SetChecked(true);
  bool tried = false;
  // The drive pass starts after the temporary folder's files are listed: the
  // user selects them and presses Del while the scan goes on.
  f.DriveRoot = [&](char) {
    f.mnuSelAll.Click();
    EXPECT_FALSE(f.mnuDelete.enabled());
    EXPECT_FALSE(f.D1.enabled());
    test::UserPressesKey(f.lv.handle(), VK_DELETE);
    f.cmdDeleteClick();
    f.D1Click();
    tried = f.lv.itemCount() > 0;
    return root_.path();
  };
  f.cmdGo.Click();
  EXPECT_TRUE(tried);
  EXPECT_TRUE(PathExists(t));
  EXPECT_TRUE(PathExists(a));
  EXPECT_EQ(f.FilesRemoved, 0);
  EXPECT_EQ(f.lv.itemCount(), 2);
  EXPECT_TRUE(f.mnuDelete.enabled());  // idle again
}

TEST_F(JunkRemoval, ClosingDuringARemovalWaitsForItAndWritesTheClosingBlockOnceAfterIt) {
  shell::WriteIntegerSetting(shell::kLogsKey, "JunkFiles", 0);
  for (const char* n : {"a.tmp", "b.tmp", "c.tmp"}) root_.SizedFile(n, 1000);
  TfrmJunk& f = ScanAll();
  f.optDelete.SetChecked(true);
  ASSERT_EQ(f.lv.itemCount(), 3);
  // The close arrives while the removal lets messages run.
  PostMessageW(f.handle(), WM_CLOSE, 0, 0);
  f_ = nullptr;  // the window closes itself
  f.mnuDelete.Click();
  for (const char* n : {"a.tmp", "b.tmp", "c.tmp"}) EXPECT_FALSE(PathExists(root_ / n)) << n;
  ui::ProcessMessages();
  EXPECT_EQ(FindWindowW(L"TfrmJunk", nullptr), nullptr);
  EXPECT_EQ(shell::ReadIntegerSetting(shell::kLogsKey, "JunkFiles"), 3);
  const std::string log = ManualLog();
  EXPECT_EQ(log.find("CLOSE SESSION: "), log.rfind("CLOSE SESSION: "));  // once
  EXPECT_LT(log.rfind(shell::DeleteLine(root_ / "c.tmp")), log.find("CLOSE SESSION: "));
  EXPECT_TRUE(Has(log, "TOTAL SPACE RECOVERED: 3,000 bytes"));
}

TEST_F(JunkRemoval, ClosingDuringAScanStopsItFirstAndClosesAfterItsEnd) {
  for (int i = 0; i < 20; ++i) root_.File("d" + std::to_string(i) + "\\x.tmp", "x");
  TfrmJunk& f = Open();
  f.cbTemp.SetChecked(false);
  // The user closes the window as the drive pass begins.
  f.DriveRoot = [&](char) {
    SendMessageW(f.handle(), WM_CLOSE, 0, 0);
    EXPECT_NE(FindWindowW(L"TfrmJunk", nullptr), nullptr);  // not under the running scan
    return root_.path();
  };
  f_ = nullptr;
  f.cmdGo.Click();
  ui::ProcessMessages();
  EXPECT_EQ(FindWindowW(L"TfrmJunk", nullptr), nullptr);
  const std::string log = ManualLog();
  EXPECT_EQ(log.find("CLOSE SESSION: "), log.rfind("CLOSE SESSION: "));
  ASSERT_NE(log.find("  Scan End."), std::string::npos);
  EXPECT_LT(log.find("  Scan End."), log.find("CLOSE SESSION: "));
}

// ---- QuickView -----------------------------------------------------------------------

TEST_F(JunkRemoval, QuickViewShowsTheProperties_OfAnythingTheShellWouldRun) {
  for (const char* name : {"setup.exe", "clean.bat", "link.lnk", "page.hta", "x.msi", "notes.txt"})
    temp_.File(name, "MZ");
  TfrmJunk& f = Open();
  f.cmdGo.Click();
  ASSERT_EQ(f.lv.itemCount(), 6);
  for (int row = 0; row < f.lv.itemCount(); ++row) {
    world().shellCalls.clear();
    f.lv.ClearSelection();
    f.lv.SetSelected(row, true);
    f.mnuView.Click();
    const std::string path = f.lv.FilePath(row);
    ASSERT_EQ(world().shellCalls.size(), 1u) << path;
    EXPECT_EQ(world().shellCalls[0].target, path);
    EXPECT_EQ(world().shellCalls[0].verb, ExtractFileExt(path) == ".txt" ? "open" : "properties") << path;
  }
}

// The real shell, as a user's machine has it: QuickView of a program, a batch
// file and a shortcut to the program starts none of them (a batch file run
// would leave its mark; the program, which waits on a box, would be in the
// process list).
TEST_F(JunkRemoval, QuickViewThroughTheRealShellStartsNoProgram) {
  const std::string marker = root_ / "batch-ran.txt";
  const std::string probe = temp_.File("qv-probe.exe", "");
  ASSERT_TRUE(CopyFileW(Widen(RealServices().programFolder() + "box_helper.exe").c_str(), Widen(probe).c_str(), FALSE));
  temp_.File("qv-probe.bat", "@echo ran > \"" + marker + "\"\r\n");
  shell::TPBShellLink link;
  link.SetFileName(temp_ / "qv-probe.lnk");
  link.Target = probe;
  link.Save();
  TfrmJunk& f = Open();
  f.cmdGo.Click();
  ASSERT_EQ(f.lv.itemCount(), 3);
  const auto fake = services().shellExecute;
  services().shellExecute = RealServices().shellExecute;
  for (int row = 0; row < f.lv.itemCount(); ++row) {
    f.lv.ClearSelection();
    f.lv.SetSelected(row, true);
    f.mnuView.Click();
  }
  services().shellExecute = fake;
  // Long enough for a started program to show in the process list.
  for (int i = 0; i < 30; ++i) {
    ui::ProcessMessages();
    Sleep(50);
  }
  EXPECT_FALSE(PathExists(marker)) << "the batch file ran";
  EXPECT_EQ(test::ProcessesNamed("qv-probe.exe"), 0) << "the program ran";
  test::EndProcessesNamed("qv-probe.exe");
  test::CloseWindowsOfThisProcess(L"#32770");  // any property sheet the shell opened
}

// ---- The temporary folder ------------------------------------------------------------

// What GetTempPathW names is used only when it is a real temporary folder:
// the scan lists nothing from it otherwise, and says why.
TEST_F(JunkRemoval, AnOddTemporaryFolderIsNotScannedAndTheScanSaysWhy) {
  const std::string profile = ShellFolderPath(CSIDL_PROFILE).value_or("");
  const std::string windows = SystemWindowsFolder().value_or("");
  ASSERT_FALSE(profile.empty());
  const std::string sentinel = IncludeTrailingBackslash(profile) + "velmora-sentinel.tmp";
  ASSERT_TRUE(WriteFileAtomically(sentinel, "the user's"));
  struct Case {
    const char* what;
    std::optional<std::string> temp;
  };
  for (const Case& c : {Case{"a drive root", std::string("E:\\")}, Case{"the profile", profile},
                        Case{"the Windows folder", windows}, Case{"a missing folder", root_ / "missing"},
                        Case{"unset", std::nullopt}}) {
    SCOPED_TRACE(c.what);
    TempIs temp(c.temp);
    TfrmJunk& f = Open(/*realTempFolder=*/true);
    f.cbZeroLength.SetChecked(false);
    f.cmdGo.Click();
    for (int row = 0; row < f.lv.itemCount(); ++row)
      EXPECT_EQ(f.lv.FilePath(row).rfind(root_.path(), 0), 0u) << f.lv.FilePath(row);
    EXPECT_TRUE(Has(f.sb.text(1), "The temporary folder ")) << f.sb.text(1);
    EXPECT_TRUE(Has(f.sb.text(1), " was not scanned: ")) << f.sb.text(1);
    EXPECT_TRUE(Has(ManualLog(), "  The temporary folder ")) << ManualLog();
    CloseWindow();
  }
  EXPECT_TRUE(PathExists(sentinel));
  DeleteFileW(Widen(sentinel).c_str());
}

// An 8.3 spelling of the temporary folder is scanned in its long form, so a
// file the drive pass also finds is listed once and removed once.
TEST_F(JunkRemoval, AShortTemporaryFolderIsScannedInItsLongForm) {
  const std::string temp = root_.Folder("a long temporary folder name");
  const std::string file = root_.File("a long temporary folder name\\twice.tmp", "x");
  const auto shortForm = ShortPathName(temp);
  ASSERT_TRUE(shortForm);
  ASSERT_NE(*shortForm, temp);
  TempIs set(*shortForm);
  TfrmJunk& f = Open(/*realTempFolder=*/true);
  f.cbConfirm.SetChecked(false);
  f.optDelete.SetChecked(true);
  f.cmdGo.Click();
  ASSERT_EQ(f.lv.itemCount(), 1);
  EXPECT_EQ(CompareNoCase(f.lv.FilePath(0), file), 0) << f.lv.FilePath(0);
  f.mnuSelAll.Click();
  f.mnuDelete.Click();
  EXPECT_FALSE(PathExists(file));
  EXPECT_EQ(f.FilesRemoved, 1);
  EXPECT_FALSE(Has(ManualLog(), "currently in use"));
}

}  // namespace

// ---- The tool under the launcher ------------------------------------------------------

namespace launcher {

shell::TfrmNav* g_nav = nullptr;
struct Seen {
  HWND owner = nullptr;
  bool launcherEnabled = true;
  bool quitAfterExit = false;
} g_seen;

// Runs inside the tool's modal loop: looks at the windows, presses Exit on the
// launcher, then ends the program under the tool as the session's end would.
void CALLBACK WhileTheToolIsOpen(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  const HWND junk = FindWindowW(L"TfrmJunk", nullptr);
  g_seen.owner = GetWindow(junk, GW_OWNER);
  g_seen.launcherEnabled = IsWindowEnabled(g_nav->handle()) != FALSE;
  g_nav->imgExit_Up.onClick();
  MSG msg;
  g_seen.quitAfterExit = PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
  PostQuitMessage(0);
}

}  // namespace launcher

TEST_F(JunkRemoval, ToolsAreOwnedByTheLauncherAndModalAndAProgramEndingUnderOneStillClosesIt) {
  shell::WriteIntegerSetting(shell::kLogsKey, "JunkFiles", 4);
  shell::LauncherActions actions;
  actions.tools[int(shell::ToolButton::Junk)] = [] {
    SetTimer(nullptr, 0, 10, &launcher::WhileTheToolIsOpen);
    (new TfrmJunk())->ShowModal();
  };
  shell::TfrmNav nav(std::move(actions), /*visible=*/false);
  launcher::g_nav = &nav;
  launcher::g_seen = {};
  nav.imgJunk_Over.onClick();
  MSG msg;
  const bool quitPassedOn = PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
  EXPECT_TRUE(quitPassedOn);  // for the program's own loop
  EXPECT_EQ(launcher::g_seen.owner, nav.handle());
  EXPECT_FALSE(launcher::g_seen.launcherEnabled);
  EXPECT_FALSE(launcher::g_seen.quitAfterExit);  // Exit does nothing while a tool is open
  EXPECT_TRUE(IsWindowEnabled(nav.handle()));
  EXPECT_EQ(FindWindowW(L"TfrmJunk", nullptr), nullptr);
  // The tool's close steps ran, once.
  const std::string log = ManualLog();
  EXPECT_NE(log.find("CLOSE SESSION: "), std::string::npos);
  EXPECT_EQ(log.find("CLOSE SESSION: "), log.rfind("CLOSE SESSION: "));
  EXPECT_EQ(shell::ReadIntegerSetting(shell::kLogsKey, "JunkFiles"), 4);
  EXPECT_TRUE(PathExists(world().programFolder + "Manual_Junk_Log.txt"));
  nav.endsApplication = false;
  launcher::g_nav = nullptr;
}
