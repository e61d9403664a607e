// The duplicate finder on the prefix's real state: the whole of drive C:, a
// size search whose every group is proven byte for byte. It must run to its
// end with no box; every group it lists holds files of one size.
#include <gtest/gtest.h>
#include <windows.h>

#include <iostream>

#include "platform/files.h"
#include "platform/text.h"
#include "support/file_holder.h"
#include "shell/hint.h"
#include "shell/settings.h"
#include "support/real_state.h"
#include "support/watched_real_state.h"
#include "tools/dupes/frm_dupes.h"

using namespace velmora;
using namespace velmora::dupes;

TEST(DupesOnTheRealPrefix, ASizeSearchOfDriveCEndsWithEveryGroupOfOneSize) {
  test::RealState state;
  shell::WriteBoolSetting(shell::kHintsKey, "All", false);
  test::WatchedRealState watched;
  auto* f = new TfrmFindDupes();
  f->Timer1.Stop();
  f->Show();
  for (int row = 0; row < f->DiskListView1.itemCount(); ++row)
    f->DiskListView1.SetChecked(row, f->DiskListView1.DriveLetter(row) == 'C');
  f->chkCheckFilesize.SetChecked(true);
  f->chkCheckFileTimestamp.SetChecked(false);
  f->chkCheckFilename.SetChecked(false);
  const unsigned long long start = GetTickCount64();
  f->btnSearch.Click();
  const unsigned long long ms = GetTickCount64() - start;
  EXPECT_EQ("Find Now", f->btnSearch.caption());
  // Rows under one header share a size.
  std::uint64_t groupSize = 0;
  int files = 0;
  for (int row = 0; row < f->FileListView1.itemCount(); ++row) {
    const std::string caption = f->FileListView1.Caption(row);
    const auto entry = FindEntry(caption);
    if (!entry) {
      groupSize = 0;  // a group's header
      continue;
    }
    ++files;
    if (groupSize == 0) groupSize = entry->size;
    EXPECT_EQ(groupSize, entry->size) << caption;
  }
  std::cout << "size search of drive C: " << ms << " ms, " << files << " files in groups\n";
  f->Close();
  watched.ExpectNoFailureAndNoBox();
}

// A reloaded list proves nothing: in the real temporary folder, with the
// other copy held by another process so that it cannot be read, a removal
// keeps the file (and says so); once the other copy is free it is compared
// and the file goes.
TEST(DupesOnTheRealPrefix, AReloadedCopyWhoseTwinCannotBeReadIsKept) {
  test::RealState state;
  shell::WriteBoolSetting(shell::kHintsKey, "All", false);
  const std::string folder = test::RealState::TempFolder() + "velmora-dupes-proof\\";
  CreateFolderPath(folder);
  const std::string x = folder + "x.bin", y = folder + "y.bin";
  ASSERT_TRUE(WriteFileAtomically(x, std::string(4096, 'p')));
  ASSERT_TRUE(WriteFileAtomically(y, std::string(4096, 'p')));
  {
    test::WatchedRealState watched;
    auto* f = new TfrmFindDupes();
    f->Timer1.Stop();
    f->optFolderNames.SetChecked(true);
    f->optAllFolders.SetChecked(false);
    f->lvFolders.Clear();
    f->lvFolders.SetChecked(f->lvFolders.AddItem(folder), true);
    f->chkCheckFilesize.SetChecked(true);
    f->chkCheckFileTimestamp.SetChecked(false);
    f->chkCheckFilename.SetChecked(false);
    f->btnSearch.Click();
    ASSERT_EQ(f->FileListView1.itemCount(), 3);
    f->Close();  // the list is written for the next window
    watched.ExpectNoFailureAndNoBox();
  }
  test::WatchedRealState watched;
  auto* f = new TfrmFindDupes();
  f->Timer1.Stop();
  f->ReloadResults();
  ASSERT_EQ(f->FileListView1.itemCount(), 3);
  f->cbConfirm.SetChecked(false);
  f->optDelete.SetChecked(true);
  auto rowOf = [&](const std::string& path) {
    for (int row = 0; row < f->FileListView1.itemCount(); ++row)
      if (EqualNoCase(f->FileListView1.Caption(row), path)) return row;
    return -1;
  };
  {
    test::FileHolder holder(y, 0);
    ASSERT_TRUE(holder.held());
    f->FileListView1.ClearSelection();
    f->FileListView1.SetSelected(rowOf(x), true);
    f->cmdDeleteClick();
    EXPECT_TRUE(FileExists(x));
    EXPECT_EQ(f->RemovedFiles, 0);
    EXPECT_NE(watched.Said().find(x), std::string::npos) << watched.Said();
  }
  f->FileListView1.ClearSelection();
  f->FileListView1.SetSelected(rowOf(x), true);
  f->cmdDeleteClick();
  EXPECT_FALSE(FileExists(x));
  EXPECT_TRUE(FileExists(y));
  EXPECT_EQ(f->RemovedFiles, 1);
  f->Close();
  DeleteFileW(Widen(y).c_str());
  RemoveDirectoryW(Widen(folder).c_str());
}
