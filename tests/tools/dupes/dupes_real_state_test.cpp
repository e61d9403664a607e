// The duplicate finder on the prefix's real state: the whole of drive C:, a
// size search whose every group is proven byte for byte. It must run to its
// end with no box; every group it lists holds files of one size.
#include <gtest/gtest.h>
#include <windows.h>

#include <iostream>

#include "platform/files.h"
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
