// TfrmFindDupes: its stored settings and lists, what a search collects, and
// what it proves equal.
#include "tools/dupes/dupes_fixture.h"

#include <winioctl.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <tuple>

#include "platform/handles.h"
#include "tools/dupes/dupe_lists.h"
#include "platform/text.h"
#include "shell/utilities.h"
#include "ui/app.h"

using namespace velmora;
using namespace velmora::dupes;
using velmora::dupes::testing::DupesWindow;
using velmora::test::world;

namespace {

void SetWritten(const std::string& path, int year) {
  SYSTEMTIME st{};
  st.wYear = WORD(year);
  st.wMonth = 3;
  st.wDay = 4;
  st.wHour = 12;
  FILETIME ft{};
  SystemTimeToFileTime(&st, &ft);
  ASSERT_TRUE(WriteFileTimes(path, nullptr, nullptr, &ft));
}

// A file of `size` bytes whose byte at `at` is `mark` and whose other bytes are
// zero; large sizes are left sparse.
std::string SparseFile(const std::string& path, std::uint64_t size, std::uint64_t at, char mark) {
  CreateFolderPath(ExtractFilePath(path));
  FileHandle h(CreateFileW(LongPathW(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                           nullptr));
  EXPECT_TRUE(h);
  DWORD ignored = 0;
  DeviceIoControl(h.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);  // refused by some file systems
  LARGE_INTEGER pos;
  pos.QuadPart = LONGLONG(size);
  EXPECT_TRUE(SetFilePointerEx(h.get(), pos, nullptr, FILE_BEGIN));
  EXPECT_TRUE(SetEndOfFile(h.get()));
  pos.QuadPart = LONGLONG(at);
  SetFilePointerEx(h.get(), pos, nullptr, FILE_BEGIN);
  DWORD wrote = 0;
  EXPECT_TRUE(WriteFile(h.get(), &mark, 1, &wrote, nullptr));
  return path;
}

std::string Pattern(std::size_t size, std::size_t differAt = std::string::npos) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = char('a' + i % 23);
  if (differAt < size) s[differAt] = '#';
  return s;
}

TEST_F(DupesWindow, SettingsStartFromDefaultsAndBadStoredTextGivesTheDefault) {
  {
    TfrmFindDupes& f = Open(/*show=*/false);
    EXPECT_EQ(f.caption(), "Find Duplicate Files");
    EXPECT_EQ(f.pg.pageCount(), 6u);
    EXPECT_TRUE(f.chkCheckFileTimestamp.checked());
    EXPECT_TRUE(f.chkCheckFilesize.checked());
    EXPECT_FALSE(f.chkCheckFilename.checked());
    EXPECT_FALSE(f.chkFloppyIsMaster.checked());
    EXPECT_TRUE(f.chkSkipSysbckup.checked() && f.chkSkipDesktopFolders.checked() && f.chkSkipEmptyFiles.checked());
    EXPECT_TRUE(f.optAllFiles.checked() && f.optAllFolders.checked() && f.optRecycle.checked() && f.cbConfirm.checked());
    // The built-in patterns, ticked, hidden while "All Files" is chosen.
    ASSERT_EQ(f.lvFiles.itemCount(), 11);
    EXPECT_EQ(f.lvFiles.Caption(0), "*.exe");
    EXPECT_EQ(f.lvFiles.SubItem(10, 0), "Picture files");
    for (int row = 0; row < 11; ++row) EXPECT_TRUE(f.lvFiles.Checked(row));
    EXPECT_FALSE(f.lvFiles.visible());
    EXPECT_EQ(f.lvFolders.itemCount() + f.lvExclude.itemCount() + f.lvXFiles.itemCount(), 0);
    // "---" ticks nothing; the fixed disks are ticked once shown.
    EXPECT_EQ(f.DiskListView1.SelectedDrives(), "");
    f.Show();
    const std::string drives = f.DiskListView1.SelectedDrives();
    EXPECT_NE(drives.find('C'), std::string::npos);
    EXPECT_NE(drives.find('E'), std::string::npos);
    EXPECT_EQ(drives.find_first_of("ADN"), std::string::npos);
    CloseWindow();
  }
  RegKey k = RegKey::Create(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\DupeList");
  EXPECT_EQ(k.ReadString("CheckFileSize"), "1");
  EXPECT_EQ(k.ReadString("CheckFileName"), "0");
  EXPECT_EQ(k.ReadString("RemoveType"), "1");
  EXPECT_NE(k.ReadString("DriveList").value_or("").find('E'), std::string::npos);
  EXPECT_TRUE(RegKey::Exists(HKEY_CURRENT_USER, "software\\Dastra\\Velmora\\findupes\\dupelist"));

  // Only the DupeList copy now; text that is no number and values of another
  // type give the defaults.
  RegKey::DeleteTree(HKEY_CURRENT_USER, "software\\Dastra\\Velmora\\findupes");
  k.WriteString("CheckFileSize", "yes");
  k.WriteString("CheckFileName", "1");
  k.WriteDword("CheckFileTime", 0);
  k.WriteString("SkipEmptyFiles", "0");
  k.WriteString("RemoveType", "7");
  k.WriteString("DriveList", "e");
  {
    TfrmFindDupes& f = Open(false);
    EXPECT_TRUE(f.chkCheckFilesize.checked());
    EXPECT_TRUE(f.chkCheckFilename.checked());
    EXPECT_TRUE(f.chkCheckFileTimestamp.checked());
    EXPECT_FALSE(f.chkSkipEmptyFiles.checked());
    EXPECT_TRUE(f.optRecycle.checked());
    EXPECT_EQ(f.DiskListView1.SelectedDrives(), "E");
    CloseWindow();
  }
  k.WriteString("RemoveType", "2");
  TfrmFindDupes& f = Open(false);
  EXPECT_TRUE(f.optDelete.checked());
  EXPECT_EQ(f.DiskListView1.SelectedDrives(), "E");  // the form storage section exists again
}

TEST_F(DupesWindow, ListsAreStoredWholeAndTextsEqualButForCaseAreRefused) {
  TfrmFindDupes& f = Open();
  world().dialogs.AnswerInput("*.BAK");
  world().dialogs.AnswerInput(" ");
  f.cmdAddExFile.Click();
  world().dialogs.AnswerInput("old*");
  world().dialogs.AnswerInput("Old copies");
  f.cmdAddExFile.Click();
  ASSERT_EQ(f.lvXFiles.itemCount(), 2);
  EXPECT_TRUE(f.lvXFiles.Checked(1));
  // Saved at once: the registry's value names ignore case, so a second row
  // differing only in case would overwrite the first.
  RegKey x = RegKey::Open(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\DupeList\\XFiles");
  ASSERT_TRUE(x);
  EXPECT_EQ(x.ReadDword("old*"), 1u);
  world().dialogs.AnswerInput("*.bak");
  world().dialogs.AnswerInput(" ");
  world().dialogs.Answer(ui::MsgResult::Ok);
  f.cmdAddExFile.Click();
  EXPECT_EQ(f.lvXFiles.itemCount(), 2);
  EXPECT_EQ(world().dialogs.messageTexts().back(),
            "\"*.bak\" is already in this list.  Two items may not differ only in the case of their letters.");
  f.lvXFiles.SetChecked(1, false);
  f.lvFiles.SetChecked(0, false);
  CloseWindow();

  x = RegKey::Open(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\DupeList\\XFiles");
  EXPECT_EQ(x.ValueNames().size(), 2u);
  EXPECT_EQ(x.ReadDword("*.BAK"), 1u);
  EXPECT_EQ(x.ReadDword("old*"), 0u);
  const RegKey desc = x.OpenSubKey("Desc");
  EXPECT_EQ(desc.ReadString("*.BAK"), " ");
  EXPECT_EQ(desc.ReadString("old*"), "Old copies");

  TfrmFindDupes& g = Open();
  // The registry lists value names in its own order: compare as sets.
  std::set<std::tuple<std::string, std::string, bool>> rows;
  for (const ListRow& r : TfrmFindDupes::RowsOf(g.lvXFiles)) rows.insert({r.text, r.description, r.checked});
  EXPECT_EQ(rows, (std::set<std::tuple<std::string, std::string, bool>>{{"*.BAK", " ", true},
                                                                         {"old*", "Old copies", false}}));
  ASSERT_EQ(g.lvFiles.itemCount(), 11);
  int unticked = 0;
  for (int row = 0; row < 11; ++row)
    if (!g.lvFiles.Checked(row)) {
      ++unticked;
      EXPECT_EQ(g.lvFiles.Caption(row), "*.exe");
    }
  EXPECT_EQ(unticked, 1);

  // Removing a row asks first and saves at once.
  int old = 0;
  while (g.lvXFiles.Caption(old) != "old*") ++old;
  test::UserSelectsOnly(g.lvXFiles, old);
  EXPECT_TRUE(g.cmdRemoveExFile.enabled());
  world().dialogs.Answer(ui::MsgResult::Yes);
  g.cmdRemoveExFile.Click();
  EXPECT_EQ(world().dialogs.asked().back().caption, "Please Confirm");
  EXPECT_EQ(world().dialogs.asked().back().text.rfind("Are you sure you wish to permanently remove the selected item?", 0),
            0u);
  x = RegKey::Open(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\DupeList\\XFiles");
  EXPECT_EQ(x.ValueNames(), (std::vector<std::string>{"*.BAK"}));
}

TEST_F(DupesWindow, ScanFoldersAreEditedInPlaceWithATrailingBackslash) {
  TfrmFindDupes& f = Open();
  f.optFolderNames.Click();
  EXPECT_TRUE(f.lvFolders.visible());
  world().dialogs.AnswerFolder(e_ / "one");
  world().dialogs.AnswerInput("first");
  f.cmdAddFolder.Click();
  world().dialogs.AnswerFolder(e_ / "two");
  world().dialogs.AnswerInput(" ");
  f.cmdAddFolder.Click();
  ASSERT_EQ(f.lvFolders.itemCount(), 2);
  EXPECT_EQ(f.lvFolders.Caption(0), e_ / "one\\");
  EXPECT_EQ(f.lvFolders.SubItem(0, 0), "first");

  test::UserSelectsOnly(f.lvFolders, 1);
  HWND edit = f.lvFolders.EditLabel(1);
  ASSERT_TRUE(edit);
  EXPECT_TRUE(f.lvFolders.editing());
  EXPECT_FALSE(f.cmdRemoveFolder.enabled());
  SetWindowTextW(edit, Widen(e_ / "three").c_str());
  test::UserPressesKey(edit, VK_RETURN);
  ui::ProcessMessages();
  EXPECT_FALSE(f.lvFolders.editing());
  EXPECT_EQ(f.lvFolders.Caption(1), e_ / "three\\");
  EXPECT_TRUE(f.cmdRemoveFolder.enabled());

  // Equal to the other row but for case: refused, the row keeps its text.
  edit = f.lvFolders.EditLabel(1);
  ASSERT_TRUE(edit);
  SetWindowTextW(edit, Widen(UpperCase(e_ / "one\\")).c_str());
  world().dialogs.Answer(ui::MsgResult::Ok);
  test::UserPressesKey(edit, VK_RETURN);
  ui::ProcessMessages();
  EXPECT_EQ(f.lvFolders.Caption(1), e_ / "three\\");
  const auto stored = LoadList(kFoldersKey);
  ASSERT_TRUE(stored);
  ASSERT_EQ(stored->size(), 2u);
  EXPECT_TRUE(std::any_of(stored->begin(), stored->end(), [&](const ListRow& r) { return r.text == e_ / "three\\"; }));
}

TEST_F(DupesWindow, RefusalsComeBeforeAnythingStarts) {
  e_.File("x1.txt", "same");
  e_.File("x2.txt", "same");
  TfrmFindDupes& f = Open();
  world().dialogs.Answer(ui::MsgResult::Ok);
  Search(false, false, false);
  EXPECT_EQ(world().dialogs.messageTexts().back(),
            "You have not selected any requirements for duplicate matches.  You must select at least one before "
            "scanning.");
  EXPECT_EQ(f.pg.activePageIndex(), 4);
  f.optFolderNames.SetChecked(true);
  world().dialogs.Answer(ui::MsgResult::Ok);
  Search();
  EXPECT_EQ(world().dialogs.messageTexts().back().rfind("You have chosen to scan only within certain folders", 0), 0u);
  EXPECT_EQ(f.pg.activePageIndex(), 2);
  EXPECT_EQ(f.FileListView1.itemCount(), 0);
  EXPECT_EQ(f.btnSearch.caption(), "&Scan");
  EXPECT_EQ(Log().find("Scanning for duplicate files"), std::string::npos);
}

TEST_F(DupesWindow, AStopDuringTheWalkEndsTheSearchAndSkipsTheComparison) {
  for (int i = 0; i < 6; ++i) e_.File("d" + std::to_string(i) + "\\x.txt", "same");
  TfrmFindDupes& f = Open();
  int folders = 0;
  std::atomic<bool> clicked{false};
  // The walk runs on a thread of its own: held at the second of the six
  // folders, it waits for a click the window thread takes meanwhile.
  f.onWalkFolder = [&] {
    if (++folders != 3) return;
    ui::PostTask([&] {
      EXPECT_TRUE(f.collecting());
      EXPECT_EQ(f.btnSearch.caption(), "Stop");
      EXPECT_FALSE(f.btnExit.enabled());
      f.btnSearch.Click();
      clicked = true;
    });
    for (int waited = 0; !clicked && waited < 10000; ++waited) Sleep(1);
    EXPECT_TRUE(clicked) << "the window thread did not take the click while the walk ran";
  };
  Search();
  EXPECT_FALSE(f.collecting());
  EXPECT_EQ(f.collectedCount(), 1u);
  EXPECT_EQ(f.FileListView1.itemCount(), 0);
  EXPECT_EQ(f.sb.text(0), "Comparison interrupted");
  EXPECT_EQ(f.btnSearch.caption(), "Find Now");
  EXPECT_TRUE(f.btnExit.enabled() && f.pg.enabled());
  const std::string log = Log();
  EXPECT_EQ(log.find("  Scanning for duplicate files"), log.rfind("  Scanning for duplicate files"));
  EXPECT_NE(log.find("  Scan complete: 0 duplicate files found.\r\n"), std::string::npos);

  // The next search starts afresh.
  f.onWalkFolder = nullptr;
  Search();
  EXPECT_EQ(f.collectedCount(), 6u);
  EXPECT_EQ(f.FileListView1.itemCount(), 7);
}

TEST_F(DupesWindow, NamedFoldersAreWalkedOnceEvenWhenNestedOrListedInAnotherCase) {
  const std::string data = e_.Folder("DATA");
  const std::string a = e_.File("DATA\\a.txt", "same");
  const std::string b = e_.File("DATA\\OLD\\b.txt", "same");
  const std::string c = e_.File("DATABASE\\c.txt", "other1");
  const std::string d = e_.File("DATABASE\\d.txt", "other1");
  TfrmFindDupes& f = Open();
  f.optFolderNames.SetChecked(true);
  for (const std::string& folder : {data, data + "OLD\\", LowerCase(data), e_ / "DATABASE"}) {
    const int row = f.lvFolders.AddItem(folder);
    f.lvFolders.SetChecked(row, true);
  }
  world().dialogs.Answer(ui::MsgResult::Ok);
  Search();
  EXPECT_EQ(world().dialogs.messageTexts(),
            (std::vector<std::string>{"In Folders to Scan: \r\r" + data + "OLD\\ is a subfolder of " + data +
                                      " and has therefore been disabled from this scan."}));
  EXPECT_TRUE(f.lvFolders.Checked(0));
  EXPECT_FALSE(f.lvFolders.Checked(1));
  EXPECT_FALSE(f.lvFolders.Checked(2));
  EXPECT_TRUE(f.lvFolders.Checked(3));
  // Each file once: no file paired with itself.
  EXPECT_EQ(f.collectedCount(), 4u);
  EXPECT_EQ(Rows(), (std::vector<std::string>{H(), L(c), L(d), "", H(), L(a), L(b)}));
  EXPECT_EQ(f.btnSearch.caption(), "Find Now");
  EXPECT_EQ(f.sb.text(0), "Scan complete");
  EXPECT_TRUE(f.FileListView1.Selected(1));
}

TEST_F(DupesWindow, SkipRulesKeepFilesOut) {
  const std::string keep1 = e_.File("keep1.txt", "k"), keep2 = e_.File("sub\\keep2.txt", "k");
  const std::string x1 = e_.File("excl\\x1.txt", "x"), x2 = e_.File("excl\\deep\\x2.txt", "x");
  const std::string y1 = e_.File("exclx\\y1.txt", "y"), y2 = e_.File("exclx\\y2.txt", "y");
  const std::string upperBak = e_.File("UPPER.BAK", "b"), lowerBak = e_.File("lower.bak", "b");
  const std::string otherBak = e_.File("sub\\other.bak", "b");
  const std::string z1 = e_.File("z1.txt", ""), z2 = e_.File("sub\\z2.txt", "");
  e_.File("virt\\desktop.ini", "[x]");
  const std::string v1 = e_.File("virt\\v1.txt", "v"), v2 = e_.File("virt\\inner\\v2.txt", "v");
  const std::string v3 = e_.File("v3.txt", "v");
  const std::string m1 = e_.File("mm256.dat", "m"), m2 = e_.File("sub\\mm256.dat", "m");
  const std::string n1 = e_.File("a", "aa"), n2 = e_.File("sub\\a", "aa");
  const std::string s1 = e_.File("SYSBCKUP\\s.txt", "s"), s2 = e_.File("s.txt", "s");

  TfrmFindDupes& f = Open();
  f.lvExclude.SetChecked(f.lvExclude.AddItem(e_ / "excl\\"), true);
  f.lvXFiles.SetChecked(f.lvXFiles.AddItem("*.BAK"), true);
  Search();
  auto listed = [&](const std::string& p) { return RowOf(p) >= 0; };
  for (const std::string& p : {keep1, keep2, y1, y2, lowerBak, otherBak, v2, v3})
    EXPECT_TRUE(listed(p)) << p;
  for (const std::string& p : {x1, x2, upperBak, z1, z2, v1, m1, m2, n1, n2, s1, s2}) EXPECT_FALSE(listed(p)) << p;

  f.chkSkipEmptyFiles.SetChecked(false);
  f.chkSkipDesktopFolders.SetChecked(false);
  f.chkSkipSysbckup.SetChecked(false);
  Search();
  for (const std::string& p : {z1, z2, v1, s1, s2}) EXPECT_TRUE(listed(p)) << p;
  EXPECT_FALSE(listed(upperBak));
  // The two empty files make a group of their own.
  EXPECT_EQ(std::abs(RowOf(z1) - RowOf(z2)), 1);
}

TEST_F(DupesWindow, AFloppyMasterFiltersTheDrivesScannedAfterIt) {
  const std::string m = a_.File("m.txt", "12345");
  const std::string x = e_.File("x\\m.txt", "12345"), y = e_.File("y\\n.txt", "12345");
  const std::string p = e_.File("p.txt", "123456"), q = e_.File("q.txt", "123456");
  TfrmFindDupes& f = Open();
  Tick("AE");
  bool floppyListed = false;
  for (int row = 0; row < f.DiskListView1.itemCount(); ++row) floppyListed |= f.DiskListView1.DriveLetter(row) == 'A';
  ASSERT_TRUE(floppyListed);
  f.chkFloppyIsMaster.SetChecked(true);
  f.chkCheckFileTimestamp.SetChecked(false);
  f.btnSearch.Click();
  EXPECT_EQ(f.DiskListView1.SelectedDrives(), "AE");
  EXPECT_EQ(f.collectedCount(), 3u);
  EXPECT_EQ(Rows(), (std::vector<std::string>{H(), L(m), L(x), L(y)}));

  f.chkFloppyIsMaster.SetChecked(false);
  Tick("AE");
  f.btnSearch.Click();
  EXPECT_EQ(f.collectedCount(), 5u);
  EXPECT_EQ(Rows(), (std::vector<std::string>{H(), L(p), L(q), "", H(), L(m), L(x), L(y)}));
}

TEST_F(DupesWindow, OnlyContentProvesAndEachRunIsPartitioned) {
  const std::string t1 = e_.File("t1.txt", "0123456789"), t2 = e_.File("t2.txt", "0123456789");
  SetWritten(t1, 2020);
  SetWritten(t2, 2021);
  // Equal in their first 512 bytes (one checksum), different at 600.
  e_.File("p1.bin", Pattern(700));
  e_.File("p2.bin", Pattern(700, 600));
  const std::string a = e_.File("c\\A.dat", Pattern(20)), b = e_.File("c\\B.dat", Pattern(20));
  const std::string c = e_.File("c\\C.dat", Pattern(20));
  // A = C, B different: one group A, C.
  const std::string ka = e_.File("k\\ka.bin", Pattern(800)), kc = e_.File("k\\kc.bin", Pattern(800));
  e_.File("k\\kb.bin", Pattern(800, 700));
  // A different, B = C: the group B, C.
  e_.File("l\\la.bin", Pattern(900, 700));
  const std::string lb = e_.File("l\\lb.bin", Pattern(900)), lc = e_.File("l\\lc.bin", Pattern(900));

  TfrmFindDupes& f = Open();
  Search(true, true, false);
  // With date and time required the two 10-byte files differ; so do the
  // others, made at once but compared by time: only equal times group.
  EXPECT_EQ(RowOf(t1), -1);

  Search(true, false, false);
  EXPECT_EQ(Rows(), (std::vector<std::string>{H(), L(lb), L(lc), "", H(), L(ka), L(kc), "", H(), L(a), L(b), L(c), "",
                                              H(), L(t1), L(t2)}));
  EXPECT_EQ(f.FoundDuplicates, 5);
  EXPECT_EQ(f.FoundBytes, 900 + 800 + 2 * 20 + 10);
  EXPECT_EQ(f.sb.text(1), "1,750 bytes (0.00 megabytes) found in 9 duplicate files.");

  // Same name and size: differently named copies are not duplicates.
  Search(true, false, true);
  EXPECT_EQ(f.FileListView1.itemCount(), 0);
}

TEST_F(DupesWindow, NameModeGroupsByNameWithoutReadingAndCountsNoBytes) {
  const std::string r1 = e_.File("one\\readme.txt", "first text"), r2 = e_.File("two\\README.TXT", "other");
  e_.File("one\\unique.txt", "u");
  TfrmFindDupes& f = Open();
  Search(false, false, true);
  ASSERT_EQ(f.FileListView1.itemCount(), 3);
  EXPECT_EQ(f.FileListView1.Caption(0), H());
  EXPECT_NE(RowOf(r1), -1);
  EXPECT_NE(RowOf(r2), -1);
  EXPECT_EQ(f.FoundDuplicates, 1);
  EXPECT_EQ(f.FoundBytes, 0);
}

TEST_F(DupesWindow, OneFileUnderTwoNamesIsNeverItsOwnDuplicate) {
  const std::string orig = e_.File("h\\orig.txt", "hard linked");
  e_.Folder("h2");
  ASSERT_TRUE(CreateHardLinkW(LongPathW(e_ / "h2\\link.txt").c_str(), LongPathW(orig).c_str(), nullptr));
  e_.File("Long Folder Name\\lf.txt", "short alias");
  const std::string longFolder = e_ / "Long Folder Name\\";
  const std::string shortFolder = IncludeTrailingBackslash(shell::GetShortPath(longFolder));
  ASSERT_FALSE(EqualNoCase(shortFolder, longFolder));

  TfrmFindDupes& f = Open();
  f.optFolderNames.SetChecked(true);
  for (const std::string& folder : {e_ / "h\\", e_ / "h2\\", longFolder, shortFolder})
    f.lvFolders.SetChecked(f.lvFolders.AddItem(folder), true);
  Search();
  EXPECT_EQ(f.collectedCount(), 4u);
  EXPECT_EQ(f.FileListView1.itemCount(), 0);
  // Not by name either.
  Search(false, false, true);
  EXPECT_EQ(f.FileListView1.itemCount(), 0);
}

TEST_F(DupesWindow, SizesBeyond32BitsAreNeitherSmallNorEmpty) {
  const std::uint64_t g4 = 1ULL << 32;
  SparseFile(e_ / "big\\four.bin", g4, 0, 'x');
  SparseFile(e_ / "big\\tenA.bin", g4 + 10, 600, 'y');  // one checksum: compared, differ early
  SparseFile(e_ / "big\\tenB.bin", g4 + 10, 600, 'z');
  const std::string t1 = e_.File("ten1.bin", std::string(10, '\0'));
  const std::string t2 = e_.File("ten2.bin", std::string(10, '\0'));
  e_.File("empty.bin", "");
  TfrmFindDupes& f = Open();
  f.chkSkipEmptyFiles.SetChecked(false);
  Search(true, false, false);
  EXPECT_EQ(f.collectedCount(), 6u);
  EXPECT_EQ(Rows(), (std::vector<std::string>{H(), L(t1), L(t2)}));
  EXPECT_EQ(f.FoundBytes, 10);
}

}  // namespace
