// TfrmFindDupes: what a removal must prove first, a window that stays free
// while the engine compares, one command at a time, whole groups only.
#include "tools/dupes/dupes_fixture.h"

#include <shlobj.h>

#include "platform/system.h"
#include "shell/shell_link.h"
#include "support/fault_files.h"
#include "tools/dupes/dupe_references.h"
#include "ui/app.h"

using namespace velmora;
using namespace velmora::dupes;
using velmora::dupes::testing::DupesWindow;
using velmora::test::PathExists;
using velmora::test::world;

namespace {

class DupesProof : public DupesWindow {
 protected:
  void RemoveRow(int row) {
    test::UserSelectsOnly(f_->FileListView1, row);
    test::UserPressesKey(f_->FileListView1.handle(), VK_DELETE);
  }
  // Runs `task` once from the message loop, as soon as `ready` holds (a
  // timer message: handled only while the window thread runs its messages).
  void WhenReady(std::function<bool()> ready, std::function<void()> task) {
    timer_.onTimer = [this, ready, task] {
      if (!ready()) return;
      timer_.SetEnabled(false);
      task();
    };
    timer_.SetEnabled(true);
  }
  ui::Timer timer_{nullptr, 5};
  // Two equal sparse files of one name, listed by a name search (which proves
  // nothing, so a removal compares them itself); deletion without a question.
  std::pair<std::string, std::string> NameGroupOfBigFiles(std::uint64_t size) {
    const std::string a = test::MakeSparseFile(e_.Folder("x"), "same.bin", size);
    const std::string b = test::MakeSparseFile(e_.Folder("y"), "same.bin", size);
    Open();
    Search(/*size=*/false, /*time=*/false, /*name=*/true);
    EXPECT_NE(RowOf(a), -1);
    f_->cbConfirm.SetChecked(false);
    f_->optDelete.SetChecked(true);
    return {a, b};
  }
};

TEST_F(DupesProof, AFileProvenInAnEarlierSearchWithAnotherFileIsNotRemovedWhenNoFileHoldsItsBytes) {
  // Two same-named files of one size with different bytes, each with a copy of its own.
  const std::string a = e_.File("a\\same.txt", "AAAA-one"), a2 = e_.File("a2\\other1.txt", "AAAA-one");
  const std::string b = e_.File("b\\same.txt", "BBBB-two"), b2 = e_.File("b2\\other2.txt", "BBBB-two");
  TfrmFindDupes& f = Open();
  f.cbConfirm.SetChecked(false);
  f.optDelete.SetChecked(true);
  Search(/*size=*/true);
  ASSERT_EQ(f.FoundDuplicates, 2);
  // a's only copy goes (a stays, proven with it).
  RemoveRow(RowOf(a2));
  ASSERT_FALSE(PathExists(a2));
  // The name search groups a and b without reading them; a's bytes are now nowhere else.
  Search(/*size=*/false, /*time=*/false, /*name=*/true);
  ASSERT_NE(RowOf(a), -1);
  ASSERT_NE(RowOf(b), -1);
  RemoveRow(RowOf(a));
  EXPECT_TRUE(PathExists(a));
  EXPECT_TRUE(PathExists(b));
  EXPECT_NE(RowOf(a), -1);
  const auto shown = world().dialogs.messageTexts();
  ASSERT_FALSE(shown.empty());
  EXPECT_NE(shown.back().find(a), std::string::npos);
  EXPECT_EQ(f.RemovedFiles, 1);
}

TEST_F(DupesProof, StopDuringATwoGigabyteComparisonIsAnsweredWhileTheWindowRunsItsMessages) {
  const std::uint64_t size = 2ULL << 30;
  test::MakeSparseFile(e_.path(), "big1.bin", size);
  test::MakeSparseFile(e_.path(), "big2.bin", size);
  TfrmFindDupes& f = Open();
  bool handledWhileComparing = false;
  // A posted message is handled while the comparison runs; it presses Stop.
  WhenReady([&] { return f.Comparing; }, [&] {
    handledWhileComparing = true;
    f.btnSearch.Click();
  });
  Search(/*size=*/true);
  EXPECT_TRUE(handledWhileComparing);
  EXPECT_EQ(f.sb.text(0), "Comparison interrupted");
  EXPECT_EQ(f.FileListView1.itemCount(), 0);
  EXPECT_LT(f.searchBytesRead(), 2 * size);
  EXPECT_EQ(f.btnSearch.caption(), "Find Now");
}

TEST_F(DupesProof, AScanDuringARemovalIsRefusedAndStopsTheRemovalsComparison) {
  // Name mode proves nothing: the removal compares the two big files itself.
  const std::uint64_t size = 2ULL << 30;
  const auto [a, b] = NameGroupOfBigFiles(size);
  ASSERT_NE(RowOf(a), -1);
  TfrmFindDupes& f = *f_;
  bool clicked = false;
  WhenReady([&] { return f.removing(); }, [&] {
    clicked = true;
    f.btnSearch.Click();
  });
  RemoveRow(RowOf(a));
  EXPECT_TRUE(clicked);
  EXPECT_TRUE(PathExists(a));
  EXPECT_TRUE(PathExists(b));
  EXPECT_FALSE(f.removing());
  const auto shown = world().dialogs.messageTexts();
  EXPECT_NE(std::find(shown.begin(), shown.end(),
                      "Please wait until the removal of the selected files has finished."),
            shown.end());
  // No search ran: the group is still listed.
  EXPECT_NE(RowOf(b), -1);
}

TEST_F(DupesProof, AGroupWithALongPathIsListedWholeOrNotAtAll) {
  const std::string content(700, 'z');
  const std::string longPath = test::MakeLongPathFile(e_.path(), 300, content);
  const std::string shortPath = e_.File("short.bin", content);
  TfrmFindDupes& f = Open();
  Search(/*size=*/true);
  const auto rows = Rows();
  if (rows.empty()) {
    EXPECT_EQ(f.FoundDuplicates, 0);
    EXPECT_EQ(f.FoundBytes, 0);
  } else {
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], H());
    EXPECT_NE(RowOf(longPath), -1);
    EXPECT_NE(RowOf(shortPath), -1);
    EXPECT_EQ(f.FoundBytes, 700);
  }
}

TEST_F(DupesProof, ToolbarButtonsCarryTheirHints) {
  TfrmFindDupes& f = Open();
  EXPECT_EQ(f.tb.buttonHint(TfrmFindDupes::kTbDelete),
            "Remove the selected file(s) according to specified removal method");
  EXPECT_EQ(f.tb.buttonHint(TfrmFindDupes::kTbView), "View the file in the Windows QuickView utility");
  EXPECT_EQ(f.tb.buttonHint(TfrmFindDupes::kTbProperties), "View the selected file's properties");
  EXPECT_EQ(f.tb.buttonHint(TfrmFindDupes::kTbExclude), "Exclude the selected file's location from future scans");
}

TEST_F(DupesProof, TwoLinksOfOneFileAndACopyAreOneGroupOfTwoAndOneRemovalLeavesTheFile) {
  const std::string a = e_.File("one\\a.bin", std::string(3000, 'k'));
  const std::string link = e_.Folder("two") + "a.bin";
  ASSERT_TRUE(CreateHardLinkW(Widen(link).c_str(), Widen(a).c_str(), nullptr));
  const std::string c = e_.File("three\\a.bin", std::string(3000, 'k'));
  TfrmFindDupes& f = Open();
  Search(/*size=*/true);
  ASSERT_EQ(Rows().size(), 3u);
  EXPECT_EQ(f.FoundDuplicates, 1);
  EXPECT_EQ(f.FoundBytes, 3000);
  // Both rows selected: the last stays, so the file keeps a path.
  f.cbConfirm.SetChecked(false);
  f.optDelete.SetChecked(true);
  test::UserSelectsOnly(f.FileListView1, 1);
  test::UserSelectsAlso(f.FileListView1, 2);
  test::UserPressesKey(f.FileListView1.handle(), VK_DELETE);
  EXPECT_EQ(f.RemovedFiles, 1);
  EXPECT_TRUE(PathExists(c) || (PathExists(a) && PathExists(link)));
  EXPECT_TRUE(PathExists(a) || PathExists(link));
}

}  // namespace

namespace {

TEST(DupeReferences, CommandLinesIconEntriesAndQuotedPathsNameTheirFiles) {
  EXPECT_EQ(PathsNamedBy("\"C:\\Program Files\\App\\app.exe\" /run"),
            (std::vector<std::string>{"C:\\Program Files\\App\\app.exe"}));
  const auto plain = PathsNamedBy("C:\\Program Files\\App\\app.exe /silent");
  EXPECT_NE(std::find(plain.begin(), plain.end(), "C:\\Program Files\\App\\app.exe"), plain.end());
  const auto icon = PathsNamedBy("C:\\App\\app.exe,0");
  EXPECT_NE(std::find(icon.begin(), icon.end(), "C:\\App\\app.exe"), icon.end());
  EXPECT_TRUE(PathsNamedBy("rundll32 something").empty());
  FileReferences refs;
  refs.AddNamed("c:\\app\\APP.exe -x", "the start-up value \"App\"");
  refs.AddFolder("C:\\Games\\Chess", "the uninstall entry \"Chess\"");
  EXPECT_EQ(refs.UsersOf("C:\\App\\app.exe"), "the start-up value \"App\"");
  EXPECT_EQ(refs.UsersOf("C:\\Games\\Chess\\data\\board.dat"), "the uninstall entry \"Chess\"");
  EXPECT_EQ(refs.UsersOf("C:\\Games\\Chessboard\\x.dat"), "");
}

}  // namespace

TEST_F(DupesProof, CopiesAShortcutARunValueOrAnUninstallEntryNamesAreKeptUnlessTheUserSaysOtherwise) {
  const std::string body(1500, 'm');
  const std::string a1 = e_.File("a1\\tool.exe", body + "a"), a2 = e_.File("a2\\tool.exe", body + "a");
  const std::string b1 = e_.File("b1\\run.exe", body + "b"), b2 = e_.File("b2\\run.exe", body + "b");
  const std::string c1 = e_.File("c1\\icon.exe", body + "c"), c2 = e_.File("c2\\icon.exe", body + "c");
  // A Start menu shortcut to a1 (the prefix's own Start menu), a Run value
  // naming b1 with arguments, an uninstall entry whose icon is c1.
  const std::string startMenu = ShellFolderPath(CSIDL_STARTMENU).value_or("");
  ASSERT_FALSE(startMenu.empty());
  shell::TPBShellLink link;
  link.SetFileName(IncludeTrailingBackslash(startMenu) + "Velmora dupes test tool");
  link.Target = a1;
  link.Save();
  struct Gone {
    std::string path;
    ~Gone() { DeleteFileW(Widen(path).c_str()); }
  } gone{link.FileName()};
  RegKey::Create(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run")
      .WriteString("Runner", "\"" + b1 + "\" /background");
  const RegKey entry =
      RegKey::Create(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\IconApp");
  entry.WriteString("DisplayName", "Icon App");
  entry.WriteString("DisplayIcon", c1 + ",0");

  TfrmFindDupes& f = Open();
  Search(/*size=*/true);
  ASSERT_EQ(f.FoundDuplicates, 3);
  f.cbConfirm.SetChecked(false);
  f.optDelete.SetChecked(true);
  // Every copy something names: the question is answered No each time.
  for (const std::string& p : {a1, b1, c1}) {
    world().dialogs.Answer(ui::MsgResult::No);
    RemoveRow(RowOf(p));
    EXPECT_TRUE(PathExists(p)) << p;
  }
  auto asked = [](const std::string& words) {
    for (const auto& q : world().dialogs.asked())
      if (q.buttons == ui::MsgButtons::YesNo && q.text.find(words) != std::string::npos) return true;
    return false;
  };
  EXPECT_TRUE(asked("\"" + a1 + "\" is used by the shortcut " + link.FileName()));
  EXPECT_TRUE(asked("\"" + b1 + "\" is used by the start-up value \"Runner\""));
  EXPECT_TRUE(asked("\"" + c1 + "\" is used by the uninstall entry \"Icon App\""));
  const auto shown = world().dialogs.messageTexts();
  ASSERT_FALSE(shown.empty());
  EXPECT_NE(shown.back().find(c1 + " (is used by the uninstall entry \"Icon App\")"), std::string::npos);
  EXPECT_EQ(f.RemovedFiles, 0);
  // The copies nothing names go; and the user may still remove a named one.
  RemoveRow(RowOf(a2));
  EXPECT_FALSE(PathExists(a2));
  world().dialogs.Answer(ui::MsgResult::Yes);
  RemoveRow(RowOf(b1));
  EXPECT_FALSE(PathExists(b1));
  EXPECT_TRUE(PathExists(b2));
  EXPECT_EQ(f.RemovedFiles, 2);
}

TEST_F(DupesProof, ACloseDuringARemovalWaitsForItsEndAndThenCountsWhatWasRemoved) {
  // Name mode proves nothing: the removal reads both files while the close is asked for.
  const std::uint64_t size = 512ULL << 20;
  const auto [a, b] = NameGroupOfBigFiles(size);
  ASSERT_NE(RowOf(a), -1);
  TfrmFindDupes& f = *f_;
  bool asked = false;
  WhenReady([&] { return f.removing(); }, [&] {
    asked = true;
    f.Close();
  });
  RemoveRow(RowOf(a));
  f_ = nullptr;  // the window has closed itself
  EXPECT_TRUE(asked);
  EXPECT_FALSE(PathExists(a));
  EXPECT_TRUE(PathExists(b));
  EXPECT_EQ(shell::ReadStatistic(shell::stat::kDupeFiles), 1);
  EXPECT_EQ(shell::ReadStatistic(shell::stat::kDupeBytes), std::int64_t(size));
}
