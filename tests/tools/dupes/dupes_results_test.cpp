// TfrmFindDupes: the result list, removal, the log and statistics, and the
// files that carry results from one window to the next.
#include "tools/dupes/dupes_fixture.h"

#include "platform/handles.h"
#include "platform/text.h"
#include "shell/action_log.h"
#include "ui/app.h"

using namespace velmora;
using namespace velmora::dupes;
using velmora::dupes::testing::DupesWindow;
using velmora::test::world;
using velmora::test::PathExists;

namespace {

std::string Pattern(std::size_t size, char salt = 'a') {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = char(salt + i % 19);
  return s;
}

class DupesResults : public DupesWindow {
 protected:
  std::string ListFile(const char* name) const { return ReadTextFile(world().programFolder + name).value_or(""); }
  void Remove(const std::vector<int>& rows) {
    test::UserSelectsOnly(f_->FileListView1, rows.front());
    for (std::size_t i = 1; i < rows.size(); ++i) test::UserSelectsAlso(f_->FileListView1, rows[i]);
    test::UserPressesKey(f_->FileListView1.handle(), VK_DELETE);
  }
  // The reload question answered Yes (after the skip-list one, when asked).
  void Reload() {
    world().dialogs.Answer(ui::MsgResult::Yes);
    f_->Timer1Timer();
  }
};

TEST_F(DupesResults, RemovingOneCopyLeavesTheOtherAndDropsTheGroupThenTheTotalsAreKept) {
  const std::string a1 = e_.File("g1\\a.bin", Pattern(2048)), a2 = e_.File("g2\\A.bin", Pattern(2048));
  const std::string b1 = e_.File("b1.txt", "bbb"), b2 = e_.File("b2.txt", "bbb");
  shell::WriteIntegerSetting(shell::kLogsKey, shell::stat::kDupeBytes, 100);
  TfrmFindDupes& f = Open();
  Search();
  ASSERT_EQ(Rows(), (std::vector<std::string>{H(), L(a1), L(a2), "", H(), L(b1), L(b2)}));
  EXPECT_EQ(f.toolbarHeight(), 38);

  // A header or a blank row cannot be selected.
  test::UserSelectsOnly(f.FileListView1, 3);
  EXPECT_TRUE(f.FileListView1.SelectedRows().empty());
  EXPECT_FALSE(f.tb.ButtonEnabled(TfrmFindDupes::kTbDelete));
  EXPECT_FALSE(f.mnuRemoveFiles.enabled());

  f.optDelete.SetChecked(true);
  world().dialogs.Answer(ui::MsgResult::Yes);
  Remove({RowOf(a2)});
  EXPECT_EQ(world().dialogs.asked().back().text, "Are you sure you wish to remove the selected file(s) ?");
  EXPECT_EQ(world().dialogs.asked().back().caption, "Please confirm");
  EXPECT_FALSE(PathExists(a2));
  EXPECT_TRUE(PathExists(a1));
  EXPECT_EQ(Rows(), (std::vector<std::string>{H(), L(b1), L(b2)}));
  EXPECT_EQ(f.sb.text(1), "Total space recovered: 2,048 bytes (0.00 megabytes) in 1 duplicate files.");
  EXPECT_NE(Log().find("  Permanently deleting: " + a2 + "\r\n"), std::string::npos);
  EXPECT_EQ(f.SelectedFilePath(), b2);

  CloseWindow();
  EXPECT_EQ(shell::ReadStatistic(shell::stat::kDupeBytes), 2148);
  EXPECT_EQ(shell::ReadStatistic(shell::stat::kDupeFiles), 1);
  const auto lines = test::SplitLines(Log());
  ASSERT_GE(lines.size(), 12u);
  EXPECT_EQ(lines[0], std::string(40, '='));
  EXPECT_EQ(lines[1].rfind("SESSION START: ", 0), 0u);
  EXPECT_EQ(lines[4], "  Scanning for duplicate files");
  EXPECT_EQ(lines[5], "  Scan complete: 4 duplicate files found.");
  EXPECT_EQ(lines[lines.size() - 4], "NUMBER OF DUPLICATE FILES REMOVED: 1");
  EXPECT_EQ(lines[lines.size() - 3], "TOTAL SPACE RECOVERED: 2,048 bytes (0.00 megabytes.)");
  EXPECT_EQ(test::SplitLines(ListFile(kDuplicateList)).size(), 3u);
}

TEST_F(DupesResults, WithAllCopiesSelectedTheLastStays) {
  const std::string c1 = e_.File("c1.dat", Pattern(64)), c2 = e_.File("c2.dat", Pattern(64));
  const std::string c3 = e_.File("c3.dat", Pattern(64));
  TfrmFindDupes& f = Open();
  Search();
  ASSERT_EQ(Rows(), (std::vector<std::string>{H(), L(c1), L(c2), L(c3)}));
  f.cbConfirm.SetChecked(false);
  Remove({1, 2, 3});
  EXPECT_FALSE(PathExists(c1));
  EXPECT_FALSE(PathExists(c2));
  EXPECT_TRUE(PathExists(c3));
  EXPECT_EQ(f.FileListView1.itemCount(), 0);
  EXPECT_EQ(f.toolbarHeight(), 0);
  EXPECT_EQ(f.RemovedFiles, 2);
  EXPECT_EQ(f.RemovedBytes, 128);
  EXPECT_TRUE(world().dialogs.messageTexts().empty());
}

TEST_F(DupesResults, AFileHeldOpenKeepsItsRowUncounted) {
  const std::string h1 = e_.File("h1.dat", Pattern(40)), h2 = e_.File("h2.dat", Pattern(40));
  TfrmFindDupes& f = Open();
  Search();
  f.cbConfirm.SetChecked(false);
  f.optDelete.SetChecked(true);
  FileHandle busy(CreateFileW(LongPathW(h2).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(busy);
  Remove({RowOf(h2)});
  EXPECT_TRUE(PathExists(h2));
  EXPECT_EQ(Rows(), (std::vector<std::string>{H(), L(h1), L(h2)}));
  EXPECT_EQ(f.RemovedFiles, 0);
  EXPECT_EQ(Log().find("Permanently deleting"), std::string::npos);
}

TEST_F(DupesResults, NameModeNeverRemovesAFileWhoseBytesNoOtherCopyHolds) {
  const std::string r1 = e_.File("one\\readme.txt", "first"), r2 = e_.File("two\\README.TXT", "second");
  TfrmFindDupes& f = Open();
  Search(false, false, true);
  ASSERT_EQ(f.FileListView1.itemCount(), 3);
  f.cbConfirm.SetChecked(false);
  world().dialogs.Answer(ui::MsgResult::Ok);
  Remove({RowOf(r2)});
  EXPECT_TRUE(PathExists(r2));
  EXPECT_EQ(f.FileListView1.itemCount(), 3);
  EXPECT_EQ(f.RemovedFiles, 0);
  EXPECT_EQ(world().dialogs.messageTexts().back(),
            "The following file(s) were not removed because no other identical copy of them remains in their "
            "group:\r\r" + r2);
}

TEST_F(DupesResults, ListsAreWrittenAtCloseAndReloadedWithExactPaths) {
  // A name with a comma, blanks and letters outside ASCII keeps its spelling.
  const std::string odd = e_.File("Caf\xc3\xa9, Menu\\Men\xc3\xbc Card.TXT", Pattern(30));
  const std::string odd2 = e_.File("menu2.txt", Pattern(30));
  const std::string q1 = e_.File("q1.dat", Pattern(12, 'k')), q2 = e_.File("q2.dat", Pattern(12, 'k'));
  {
    TfrmFindDupes& f = Open();
    Search();
    ASSERT_EQ(f.FileListView1.itemCount(), 7);
    CloseWindow();
  }
  const auto lines = test::SplitLines(ListFile(kDuplicateList));
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[3], "\"\"");
  EXPECT_EQ(lines[1].rfind("\"" + L(odd) + "\",30,", 0), 0u);
  EXPECT_EQ(test::SplitLines(ListFile(kNewDuplicateList)),
            (std::vector<std::string>{L(odd), L(odd2), L(q1), L(q2)}));

  TfrmFindDupes& f = Open();
  Reload();
  const test::Question& asked = world().dialogs.asked().back();
  EXPECT_EQ(asked.caption, "Find Duplicate Files - existing list found");
  EXPECT_EQ(asked.text.rfind("A list of duplicate files was found from a\rprevious session on ", 0), 0u);
  EXPECT_NE(asked.text.find("\r\rReloading that list will save time.\r\rDo you want to reload that list?"),
            std::string::npos);
  ASSERT_EQ(f.FileListView1.itemCount(), 7);
  EXPECT_EQ(f.FoundDuplicates, 2);
  EXPECT_EQ(f.FoundBytes, 30 + 12);
  EXPECT_EQ(f.sb.text(0), "Duplicates read from file...");
  EXPECT_EQ(f.sb.text(1), "42 bytes (0.00 megabytes) found in 4 duplicate files.");
  EXPECT_EQ(f.FileListView1.FilePath(RowOf(odd)), odd);
  EXPECT_TRUE(f.FileListView1.Selected(1));
  EXPECT_NE(Log().find("  Loading previous list of duplicates from "), std::string::npos);

  // Moved away, the file keeps the name it has on disk.
  const std::string moved = e_.Folder("moved");
  f.optMove.SetChecked(true);
  f.deMove.SetText(moved);
  f.cbConfirm.SetChecked(false);
  Remove({RowOf(odd)});
  EXPECT_TRUE(FileExists(moved + "Men\xc3\xbc Card.TXT"));
  EXPECT_NE(Log().find("  Relocating: " + odd + " to " + moved + "\r\n"), std::string::npos);
}

TEST_F(DupesResults, AStaleReloadKeepsFilesWhoseOtherCopyIsGoneOrChanged) {
  const std::string p1 = e_.File("p1.dat", Pattern(16)), p2 = e_.File("p2.dat", Pattern(16));
  const std::string q1 = e_.File("q1.dat", Pattern(24)), q2 = e_.File("q2.dat", Pattern(24));
  const std::string r1 = e_.File("r1.dat", Pattern(32)), r2 = e_.File("r2.dat", Pattern(32));
  {
    Open();
    Search();
    CloseWindow();
  }
  ASSERT_TRUE(DeleteFileW(LongPathW(p2).c_str()));
  e_.File("q2.dat", Pattern(24, 'q'));  // same size, other bytes

  TfrmFindDupes& f = Open();
  Reload();
  ASSERT_EQ(f.FileListView1.itemCount(), 11);
  f.cbConfirm.SetChecked(false);
  world().dialogs.Answer(ui::MsgResult::Ok);
  Remove({RowOf(p1), RowOf(q1), RowOf(r1)});
  EXPECT_TRUE(PathExists(p1));
  EXPECT_TRUE(PathExists(q1));
  EXPECT_FALSE(PathExists(r1));
  EXPECT_EQ(f.RemovedFiles, 1);
  EXPECT_EQ(world().dialogs.messageTexts().back(),
            "The following file(s) were not removed because no other identical copy of them remains in their "
            "group:\r\r" + q1 + "\r" + p1);
  EXPECT_NE(RowOf(p1), -1);
  EXPECT_NE(RowOf(q1), -1);
  EXPECT_EQ(RowOf(r2), -1);  // its group went with r1
}

TEST_F(DupesResults, ATruncatedListReloadsWholeGroupsOnly) {
  const std::string a1 = e_.File("a1.dat", Pattern(50)), a2 = e_.File("a2.dat", Pattern(50));
  const std::string b1 = e_.File("b1.dat", Pattern(20)), b2 = e_.File("b2.dat", Pattern(20));
  {
    Open();
    Search();
    CloseWindow();
  }
  const std::string text = ListFile(kDuplicateList);
  ASSERT_TRUE(WriteFileAtomically(world().programFolder + kDuplicateList, text.substr(0, text.rfind(L(b2)) + 5)));
  TfrmFindDupes& f = Open();
  world().dialogs.Answer(ui::MsgResult::Yes);
  world().dialogs.Answer(ui::MsgResult::Ok);
  f.Timer1Timer();
  EXPECT_EQ(Rows(), (std::vector<std::string>{H(), L(a1), L(a2)}));
  EXPECT_EQ(world().dialogs.messageTexts().back(),
            "Some lines of the list of duplicate files were incomplete or could not be read; the groups they belonged "
            "to have been left out.");
  EXPECT_EQ(f.FoundDuplicates, 1);
}

TEST_F(DupesResults, AKnownDuplicateListKeepsItsFilesOut) {
  const std::string s1 = e_.File("s1.dat", Pattern(10)), s2 = e_.File("s2.dat", Pattern(10));
  const std::string s3 = e_.File("s3.dat", Pattern(10));
  ASSERT_TRUE(WriteFileAtomically(world().programFolder + kSkipList, UpperCase(s3) + "\r\n"));
  TfrmFindDupes& f = Open();
  world().dialogs.Answer(ui::MsgResult::Yes);
  f.Timer1Timer();
  EXPECT_EQ(world().dialogs.asked().back().caption, "Find Duplicate Files - list of known duplicates to skip found");
  EXPECT_NE(world().dialogs.asked().back().text.find(
                "\r\rReloading that list will prevent these known duplicates from being found again.\r\r"),
            std::string::npos);
  Search();
  EXPECT_EQ(Rows(), (std::vector<std::string>{H(), L(s1), L(s2)}));
}

TEST_F(DupesResults, ViewPropertiesAndExcludeActOnTheSelectedFile) {
  const std::string x1 = e_.File("x\\a.exe", Pattern(10)), x2 = e_.File("y\\a.exe", Pattern(10));
  const std::string z1 = e_.File("z1.dat", Pattern(5)), z2 = e_.File("z2.dat", Pattern(5));
  TfrmFindDupes& f = Open();
  Search();
  ASSERT_EQ(f.FileListView1.itemCount(), 7);
  test::UserSelectsOnly(f.FileListView1, RowOf(x1));
  world().dialogs.AnswerInput("games");
  f.mnuExclude.Click();
  ASSERT_EQ(f.lvExclude.itemCount(), 1);
  EXPECT_EQ(f.lvExclude.Caption(0), e_ / "x\\");
  EXPECT_TRUE(f.lvExclude.Checked(0));
  EXPECT_EQ(f.FileListView1.itemCount(), 7);

  test::UserDoubleClicks(f.FileListView1, RowOf(x1));
  ASSERT_FALSE(world().shellCalls.empty());
  EXPECT_EQ(world().shellCalls.back().verb, "properties");
  EXPECT_EQ(world().shellCalls.back().target, x1);
  // QuickView of a program shows its property sheet: the shell's "open" would run it.
  world().shellCalls.clear();
  f.mnuViewFile.Click();
  ASSERT_EQ(world().shellCalls.size(), 1u);
  EXPECT_EQ(world().shellCalls.back().verb, "properties");
  EXPECT_EQ(world().shellCalls.back().target, x1);
  test::UserSelectsOnly(f.FileListView1, RowOf(z1));
  f.mnuViewFile.Click();
  EXPECT_EQ(world().shellCalls.back().verb, "open");
  EXPECT_EQ(world().shellCalls.back().target, z1);

  // A file gone since the search: said, and its group (now of one) leaves.
  ASSERT_TRUE(DeleteFileW(LongPathW(z2).c_str()));
  test::UserSelectsOnly(f.FileListView1, RowOf(z2));
  world().dialogs.Answer(ui::MsgResult::Ok);
  f.mnuProperties.Click();
  EXPECT_EQ(world().dialogs.messageTexts().back(), "The file you have selected no longer exists.");
  EXPECT_EQ(Rows(), (std::vector<std::string>{H(), L(x1), L(x2)}));
}

TEST_F(DupesResults, TenGroupsOfTwoAreTwentyFilesAndNothingIsLoggedWithLoggingOff) {
  for (int i = 0; i < 10; ++i) {
    e_.File("g" + std::to_string(i) + "a.dat", Pattern(std::size_t(100 + i)));
    e_.File("g" + std::to_string(i) + "b.dat", Pattern(std::size_t(100 + i)));
  }
  {
    Open();
    Search();
    CloseWindow();
  }
  EXPECT_NE(Log().find("  Scan complete: 20 duplicate files found.\r\n"), std::string::npos);
  ASSERT_TRUE(DeleteFileW(LongPathW(world().programFolder + shell::logfile::kManualDupes).c_str()));

  shell::WriteBoolSetting(shell::kLogsKey, shell::logswitch::kDupes, false);
  TfrmFindDupes& f = Open();
  Search();
  f.cbConfirm.SetChecked(false);
  Remove({2});
  EXPECT_EQ(f.RemovedFiles, 1);
  CloseWindow();
  EXPECT_FALSE(PathExists(world().programFolder + shell::logfile::kManualDupes));
  EXPECT_EQ(shell::ReadStatistic(shell::stat::kDupeFiles), 1);
}

}  // namespace
