#include <gtest/gtest.h>
#include <windows.h>

#include "platform/datetime.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/text.h"
#include "scan/disk_list_view.h"
#include "scan/file_list_view.h"
#include "support/test_folder.h"
#include "ui/form.h"

using namespace velmora;
using namespace velmora::scan;

namespace {

struct DriveHost : ui::Form {
  TDiskListView drives{*this, {8, 8, 200, 150}};
  DriveHost() {
    ui::FormArgs args;
    args.className = "TTestDrives";
    Create(args);
  }
};

struct FileHost : ui::Form {
  TFileListView files{*this, {8, 8, 600, 300}};
  FileHost() {
    ui::FormArgs args;
    args.className = "TTestFiles";
    args.clientWidth = 620;
    Create(args);
  }
};

std::vector<std::string> Column(const ui::ListView& list, int column) {
  std::vector<std::string> out;
  for (int r = 0; r < list.itemCount(); ++r) out.push_back(list.Text(r, column));
  return out;
}

}  // namespace

TEST(TDiskListView, FillsTheTestDrivesAndSelectsTheFixedOnes) {
  DriveHost host;
  host.drives.FillDrives();
  std::string letters;
  for (int r = 0; r < host.drives.itemCount(); ++r) letters += host.drives.DriveLetter(r);
  // A: floppy, C: fixed, D: CD-ROM, E: fixed, N: network; no Z:.
  EXPECT_EQ("ACDEFN", letters);
  EXPECT_EQ("CEF", host.drives.SelectedDrives());

  host.drives.SelectLocalDrives = false;
  host.drives.FillDrives();
  EXPECT_EQ("", host.drives.SelectedDrives());
  host.drives.SetSelected(3, true);
  host.drives.SetSelected(0, true);
  EXPECT_EQ("AE", host.drives.SelectedDrives());  // row order, not selection order
}

TEST(TDiskListView, CaptionWithoutBothMarksGivesNoLetter) {
  EXPECT_EQ('C', DriveLetterOfCaption("Local Disk (C:)"));
  EXPECT_EQ('D', DriveLetterOfCaption("Disc (d:)"));
  EXPECT_EQ(0, DriveLetterOfCaption("Local Disk C:"));
  EXPECT_EQ(0, DriveLetterOfCaption("Backup (old) drive"));
  // The last "(X:)": a name with brackets of its own, a share naming its server.
  EXPECT_EQ('E', DriveLetterOfCaption("Photos (Camera) (E:)"));
  EXPECT_EQ('N', DriveLetterOfCaption("share (\\\\server) (N:)"));
  EXPECT_EQ('N', DriveLetterOfCaption("data on 'server (A:)' (N:)"));
  EXPECT_EQ(0, DriveLetterOfCaption("odd (1:)"));
  DriveHost host;
  const int row = host.drives.AddItem("Network place");
  host.drives.SetSelected(row, true);
  EXPECT_EQ("", host.drives.SelectedDrives());
}

TEST(TFileListView, AddFileFillsTheColumnsAndSwitchesTheDateForm) {
  ResetDateTimeFormatsForTests();
  test::TestFolder dir;
  const std::string path = dir.File("Report.TXT", "12345");
  test::SetAttributes(path, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  const double when = EncodeDateTime(2021, 6, 7, 8, 9, 0);
  HANDLE h = CreateFileW(Widen(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  const FILETIME ft = LocalDateTimeToFileTime(when);
  SetFileTime(h, nullptr, nullptr, &ft);
  CloseHandle(h);

  EXPECT_FALSE(SuiteDateTimeFormatsSet());
  FileHost host;
  EXPECT_TRUE(SuiteDateTimeFormatsSet());  // the first file list switches the process
  std::uint64_t size = 0;
  ASSERT_TRUE(host.files.AddFile(path, size));
  EXPECT_EQ(5u, size);
  EXPECT_EQ(LowerCase(path), host.files.Caption(0));
  EXPECT_EQ("5", host.files.SubItem(0, 0));
  EXPECT_FALSE(host.files.SubItem(0, 1).empty());
  EXPECT_EQ("2021/06/07 08:09", host.files.SubItem(0, 2));
  EXPECT_EQ("R  A", host.files.SubItem(0, 3));
  EXPECT_EQ("", host.files.SubItem(0, 4));  // no version resource
  test::SetAttributes(path, FILE_ATTRIBUTE_NORMAL);

  EXPECT_FALSE(host.files.AddFile(dir / "vanished.txt", size));
  EXPECT_EQ(1, host.files.itemCount());
}

TEST(TFileListView, HeaderClicksSortBySizeBothWaysAndByNameIgnoringCase) {
  FileHost host;
  auto& list = host.files;
  const struct {
    const char* name;
    const char* size;
    const char* modified;
  } rows[] = {{"c:\\b.txt", "3000000000", "2020/01/01 10:00"},
              {"c:\\A.txt", "20", "2020/01/01 09:00"},
              {"c:\\c.txt", "x", "junk"},
              {"c:\\a2.txt", "100", "2019/05/05 00:00"}};
  for (const auto& r : rows) {
    const int row = list.AddItem(r.name);
    list.SetSubItem(row, 0, r.size);
    list.SetSubItem(row, 2, r.modified);
  }
  EXPECT_EQ(colSize, list.sortColumn());
  list.ColumnClick(colSize);  // the current column: reversed
  EXPECT_FALSE(list.sortAscending());
  EXPECT_EQ((std::vector<std::string>{"3000000000", "100", "20", "x"}), Column(list, colSize));
  list.ColumnClick(colSize);
  EXPECT_EQ((std::vector<std::string>{"x", "20", "100", "3000000000"}), Column(list, colSize));
  list.ColumnClick(colName);  // another column: ascending
  EXPECT_TRUE(list.sortAscending());
  EXPECT_EQ((std::vector<std::string>{"c:\\A.txt", "c:\\a2.txt", "c:\\b.txt", "c:\\c.txt"}), Column(list, colName));
}

// Rows added from what a scan knew: sizes past 4 GB sort and add up exactly
// from the records, the records move with their rows, and a row that leaves
// the list leaves the "already listed" index too.
TEST(TFileListView, RecordsCarrySortsTotalsAndTheListedIndex) {
  FileHost host;
  auto& list = host.files;
  test::TestFolder dir;
  const std::uint64_t GB = 1ull << 30;
  const struct {
    const char* name;
    std::uint64_t size;
    int day;
  } files[] = {{"Big.iso", 5 * GB, 3}, {"small.tmp", 7, 1}, {"edge.bin", 4 * GB, 2}, {"Edge2.bin", 4 * GB + 1, 4}};
  for (const auto& f : files) {
    KnownFile known;  // as a scan's listing gave it; the files on disk are small
    known.size = f.size;
    known.written = LocalDateTimeToFileTime(EncodeDateTime(2022, 1, f.day, 12, 0, 0));
    std::uint64_t size = 0;
    ASSERT_TRUE(list.AddFile(dir.File(f.name), known, size));
    EXPECT_EQ(f.size, size);
  }
  EXPECT_EQ(13 * GB + 8, list.TotalSize());
  const auto names = [&] {
    std::vector<std::string> out;
    for (int r = 0; r < list.itemCount(); ++r) out.push_back(ExtractFileName(list.FilePath(r)));
    return out;
  };
  list.ColumnClick(colSize);  // descending: 5 GB, 4 GB + 1, 4 GB, 7
  EXPECT_EQ((std::vector<std::string>{"Big.iso", "Edge2.bin", "edge.bin", "small.tmp"}), names());
  EXPECT_EQ(4 * GB + 1, list.FileSize(1));
  EXPECT_EQ(LowerCase(dir / "Edge2.bin"), list.Caption(1));
  list.ColumnClick(colModified);
  EXPECT_EQ((std::vector<std::string>{"small.tmp", "edge.bin", "Big.iso", "Edge2.bin"}), names());

  // The folder's case aside, the name must match letter for letter.
  EXPECT_TRUE(list.Listed(UpperCase(dir.path()) + "edge.bin"));
  EXPECT_FALSE(list.Listed(dir / "EDGE.bin"));
  list.DeleteRow(1);
  EXPECT_FALSE(list.Listed(dir / "edge.bin"));
  EXPECT_TRUE(list.Listed(dir / "Edge2.bin"));
  EXPECT_EQ(9 * GB + 8, list.TotalSize());
  list.Clear();
  EXPECT_FALSE(list.Listed(dir / "Edge2.bin"));
  EXPECT_EQ(0u, list.TotalSize());
}

TEST(TFileListView, ModifiedComparisonTreatsNearTimesAsEqual) {
  const double now = EncodeDateTime(2030, 1, 1);
  SetSuiteDateTimeFormats();
  EXPECT_LT(CompareFileRows("2020/01/01 09:00", "2020/01/01 10:00", colModified, now), 0);
  EXPECT_EQ(0, CompareFileRows("2020/01/01 09:00", "2020/01/01 09:00", colModified, now));
  // An unreadable text counts as now.
  EXPECT_GT(CompareFileRows("junk", "2020/01/01 09:00", colModified, now), 0);
  EXPECT_EQ(0, CompareFileRows("junk", "other junk", colModified, now));
  EXPECT_EQ(0, CompareFileRows("abc", "ABC", colType, now));
  EXPECT_EQ("RHSA", AttributeText(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ("    ", AttributeText(FILE_ATTRIBUTE_NORMAL));
}

TEST(TFileListView, TypeNamesPerExtensionAndVersionsOnlyFromPrograms) {
  FileHost host;
  test::TestFolder dir;
  const std::string a = dir.File("one.txt", "1"), b = dir.File("TWO.TXT", "22");
  // A copy of a real program keeps its version resource under any name.
  const std::string program = dir / "renamed.bin";
  ASSERT_TRUE(CopyFileW(L"C:\\windows\\system32\\kernel32.dll", Widen(program).c_str(), FALSE));
  const std::string fake = dir.File("fake.dll", "not a program");
  std::uint64_t size = 0;
  ASSERT_TRUE(host.files.AddFile(a, size));
  ASSERT_TRUE(host.files.AddFile(b, size));
  ASSERT_TRUE(host.files.AddFile(program, size));
  ASSERT_TRUE(host.files.AddFile(fake, size));
  EXPECT_EQ(host.files.SubItem(0, 1), host.files.SubItem(1, 1));  // one type name for one extension
  EXPECT_FALSE(host.files.SubItem(2, 4).empty());                  // FileVersion
  EXPECT_FALSE(host.files.SubItem(2, 5).empty());                  // ProductVersion
  EXPECT_EQ("", host.files.SubItem(3, 4));
}
