#include "tools/tracker/dir_snapshot.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "support/test_folder.h"
#include "tools/tracker/tracker_engine.h"

using namespace velmora;
using namespace velmora::tracker;

namespace {

using Lines = std::vector<std::string>;

// A fixed local write time: 15 June 2020 10:20:30 is the DOS date 0x50CF and
// time 0x528F, whatever the zone.
FILETIME FixedWriteTime() {
  SYSTEMTIME local{2020, 6, 1, 15, 10, 20, 30, 0}, utc{};
  TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc);
  FILETIME ft{};
  SystemTimeToFileTime(&utc, &ft);
  return ft;
}
constexpr std::uint32_t kFixedDos = 0x50CF528F;

void Stamp(const std::string& path) {
  const FILETIME ft = FixedWriteTime();
  ASSERT_TRUE(WriteFileTimes(path, nullptr, nullptr, &ft)) << path;
}

std::string Sig(std::uint64_t size) {
  const auto s = EncodeSignature(kFixedDos, size);
  return std::string(s.data(), 4);
}

DirChanges Merge(const std::string& before, const std::string& after) {
  StringSource b(before), a(after);
  DirSnapshotReader rb(b, "before"), ra(a, "after");
  DirChanges c;
  MergeDirSnapshots(rb, ra, c, nullptr, nullptr);
  return c;
}

std::string Entry(int level, const std::string& name, std::uint64_t size = 1) {
  return std::string(1, char('0' + level)) + Sig(size) + name + "\r\n";
}

class DirSnapshot : public ::testing::Test {
 protected:
  void SetUp() override { ClearAbort(); }
  void TearDown() override { ClearAbort(); }
  std::string Root() const { return ExcludeTrailingBackslash(dir_.path()); }
  DirChanges RecordChangeCompare(const std::function<void()>& change) {
    RecordDirSnapshot(snaps_ / "S_INST$$.##1", {Root()}, nullptr);
    change();
    RecordDirSnapshot(snaps_ / "S_INST$$.##2", {Root()}, nullptr);
    DirChanges c;
    CompareDirSnapshots(snaps_ / "S_INST$$.##1", snaps_ / "S_INST$$.##2", c, nullptr);
    return c;
  }
  test::TestFolder dir_{'F'};

  test::TestFolder snaps_;
};

TEST_F(DirSnapshot, NamesEqualButForCasePairByTheSortsOrder) {
  // A folder that tells case apart sorts "A.tmp" before "a.tmp" (bytes decide
  // between names equal but for case); the merge orders them the same way.
  const std::string both = "0F:\\\r\n" + Entry(1, "A.tmp", 1) + Entry(1, "a.tmp", 2);
  const std::string lower = "0F:\\\r\n" + Entry(1, "a.tmp", 2);
  DirChanges c = Merge(both, lower);
  EXPECT_EQ(c.deleted, (Lines{"F:\\A.tmp"}));
  EXPECT_TRUE(c.changed.empty());
  EXPECT_TRUE(c.added.empty());
  c = Merge(lower, both);
  EXPECT_EQ(c.added, (Lines{"F:\\A.tmp"}));
  EXPECT_TRUE(c.changed.empty());
  EXPECT_TRUE(c.deleted.empty());
}

TEST_F(DirSnapshot, GoldenBytesOfASmallTree) {
  std::string deep = "D1";
  for (int i = 2; i <= 10; ++i) deep += "\\D" + std::to_string(i);
  const std::string leaf = dir_.File(deep + "\\leaf.txt", "12345");
  const std::string hidden = dir_.File("Hidden.sys", std::string(0x8F, 'h'));
  test::SetAttributes(hidden, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  dir_.File(".profile", "dot files are left out");
  dir_.File("SETUP\\A.TXT", "a");
  dir_.File("SETUP.EXE", "ab");
  for (const std::string& f : {leaf, hidden, dir_ / "SETUP\\A.TXT", dir_ / "SETUP.EXE"}) Stamp(f);
  std::string folder = dir_ / deep;
  for (int i = 10; i >= 1; --i, folder = ExcludeTrailingBackslash(ExtractFilePath(folder))) Stamp(folder);
  Stamp(dir_ / "SETUP");

  const std::string file = snaps_ / "golden.##1";
  RecordDirSnapshot(file, {Root()}, nullptr);
  std::string expected = "0" + Root() + "\r\n";
  for (int i = 1; i <= 10; ++i) expected += Entry(i, "D" + std::to_string(i), 0);  // levels "1" to ":"
  expected += Entry(11, "leaf.txt", 5);                                        // level ";"
  expected += Entry(1, "Hidden.sys", 0x8F);                                    // hidden and system listed
  expected += Entry(1, "SETUP", 0) + Entry(2, "A.TXT", 1);                     // the folder sorts first by name
  expected += Entry(1, "SETUP.EXE", 2);
  EXPECT_EQ(test::ReadWholeFile(file), expected);
}

TEST_F(DirSnapshot, CompareReportsAddedDeletedAndChangedEntries) {
  dir_.File("keep\\same.txt", "same");
  dir_.File("old\\one.txt", "1");
  dir_.File("old\\two.txt", "2");
  const std::string rewritten = dir_.File("rewritten.txt", "aaaa");
  Stamp(rewritten);
  const DirChanges c = RecordChangeCompare([&] {
    test::RemoveTree(dir_ / "old");
    dir_.File("new\\b.txt", "b");
    dir_.File("new\\a.txt", "a");
    dir_.File("rewritten.txt", "bbbb");  // same size, new time
    dir_.File("zzz-last.txt", "z");
  });
  const std::string r = Root();
  EXPECT_EQ(c.added, (Lines{r + "\\new", r + "\\new\\a.txt", r + "\\new\\b.txt", r + "\\zzz-last.txt"}));
  EXPECT_EQ(c.deleted, (Lines{r + "\\old", r + "\\old\\one.txt", r + "\\old\\two.txt"}));
  // The root's own time changed as well, but a drive line carries no signature.
  EXPECT_EQ(c.changed, (Lines{r + "\\rewritten.txt"}));
}

TEST_F(DirSnapshot, IdenticalAndEmptySnapshotsCompareEqual) {
  dir_.File("a\\b.txt", "x");
  const DirChanges same = RecordChangeCompare([] {});
  EXPECT_TRUE(same.added.empty() && same.deleted.empty() && same.changed.empty());
  RecordDirSnapshot(snaps_ / "e1", {}, nullptr);
  RecordDirSnapshot(snaps_ / "e2", {}, nullptr);
  EXPECT_EQ(test::ReadWholeFile(snaps_ / "e1"), "");
  DirChanges empty;
  CompareDirSnapshots(snaps_ / "e1", snaps_ / "e2", empty, nullptr);
  EXPECT_TRUE(empty.added.empty() && empty.deleted.empty() && empty.changed.empty());
}

TEST_F(DirSnapshot, AFolderBesideAFileOfALongerNameMergesInWriteOrder) {
  dir_.File("SETUP\\inside.txt", "i");
  dir_.File("SETUP.EXE", "e");
  dir_.File("SETUP A\\x", "x");
  const DirChanges c = RecordChangeCompare([&] { DeleteFileW(Widen(dir_ / "SETUP.EXE").c_str()); });
  EXPECT_EQ(c.deleted, (Lines{Root() + "\\SETUP.EXE"}));
  EXPECT_TRUE(c.added.empty()) << c.added.front();

  // The merge alone: siblings in name order, the last record reported like any other.
  const std::string before = "0C:\\\r\n" + Entry(1, "SETUP", 0) + Entry(2, "A.TXT") + Entry(1, "SETUP.EXE");
  const std::string after = "0C:\\\r\n" + Entry(1, "SETUP", 0) + Entry(2, "A.TXT");
  EXPECT_EQ(Merge(before, after).deleted, (Lines{"C:\\SETUP.EXE"}));
  EXPECT_EQ(Merge(after, before).added, (Lines{"C:\\SETUP.EXE"}));
  // A drive with no counterpart is reported by its root, then every entry.
  const DirChanges drive = Merge(before, before + "0D:\\\r\n" + Entry(1, "X"));
  EXPECT_EQ(drive.added, (Lines{"D:\\", "D:\\X"}));
}

TEST_F(DirSnapshot, AbortLeavesAWellFormedShorterSnapshot) {
  for (int i = 0; i < 5; ++i) dir_.File("f" + std::to_string(i) + "\\g\\file.txt", "x");
  const std::string whole = snaps_ / "whole", cut = snaps_ / "cut";
  RecordDirSnapshot(whole, {Root()}, nullptr);
  int folders = 0;
  RecordDirSnapshot(cut, {Root(), "F:\\"}, [&](const std::string& caption, const std::string&) {
    EXPECT_EQ(caption, "Recording directory:");
    if (++folders == 3) RaiseAbort();
  });
  const std::string text = test::ReadWholeFile(cut);
  EXPECT_LT(text.size(), test::ReadWholeFile(whole).size());
  EXPECT_EQ(text.find("\r\n0F:\\\r\n"), std::string::npos);  // the next drive is not begun
  ClearAbort();
  DirChanges c;
  CompareDirSnapshots(whole, cut, c, nullptr);  // reads to its end without complaint
  EXPECT_FALSE(c.deleted.empty());
  EXPECT_TRUE(c.added.empty());
}

TEST_F(DirSnapshot, MissingSnapshotsRaise) {
  DirChanges c;
  EXPECT_THROW(CompareDirSnapshots(snaps_ / "absent.##1", snaps_ / "absent.##2", c, nullptr), std::runtime_error);
}

TEST_F(DirSnapshot, WholeDriveWalkFindsTheTestFolder) {
  dir_.File("whole\\x.txt", "x");
  const std::string file = snaps_ / "drive.##1";
  RecordDirSnapshot(file, {"F:\\"}, nullptr);
  const std::string text = test::ReadWholeFile(file);
  EXPECT_EQ(text.rfind("0F:\\\r\n", 0), 0u);
  StringSource source(text);
  DirSnapshotReader reader(source, file);
  std::set<std::string> paths;
  while (reader.Next()) paths.insert(reader.Path());
  EXPECT_TRUE(paths.count("F:\\"));
  EXPECT_TRUE(paths.count(Root() + "\\whole\\x.txt"));
}

TEST_F(DirSnapshot, ChangedSinceListsNewerEntriesAndSkipsDotFolders) {
  dir_.File("old\\a.txt", "a");
  const std::string touched = dir_.File("old2\\b.txt", "b");
  Sleep(50);
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const std::uint64_t start = (std::uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  Sleep(50);
  dir_.File("new.txt", "n");
  dir_.File("NEW\\in.txt", "i");
  dir_.File(".dot\\inside.txt", "d");
  dir_.File(".dotfile", "f");
  dir_.File("old2\\b.txt", "bb");
  std::vector<std::string> found;
  std::vector<std::string> captions;
  ListChangedSince(found, start, {Root()},
                   [&](const std::string& caption, const std::string& detail) { captions.push_back(caption + detail); });
  const std::string r = Root();
  const std::set<std::string> got(found.begin(), found.end());
  EXPECT_EQ(got, (std::set<std::string>{r + "\\new.txt", r + "\\NEW", r + "\\NEW\\in.txt", r + "\\.dotfile",
                                        r + "\\old2\\b.txt"}));
  EXPECT_EQ(found.size(), got.size());
  // Every folder walked is announced (and polled), at any depth; ".dot" is not walked.
  EXPECT_EQ(captions.size(), 4u);
}

TEST(DirSnapshotRules, LinksAndTheLastLevelAreNotEntered) {
  EXPECT_TRUE(EntersFolder(true, false, 1));
  EXPECT_FALSE(EntersFolder(false, false, 1));
  EXPECT_FALSE(EntersFolder(true, true, 1));  // a junction or symbolic link: listed, not entered
  // The deepest level a line can hold is byte 255, level 207; its folders stay closed.
  EXPECT_TRUE(EntersFolder(true, false, 206));
  EXPECT_FALSE(EntersFolder(true, false, 207));
  EXPECT_EQ((unsigned char)DirEntryLine(207, EncodeSignature(0, 0), "x")[0], 255);
  // A name holding a line break (possible on a Linux folder under Wine) stays one line.
  EXPECT_EQ(DirEntryLine(1, EncodeSignature(0, 0), "a\r\nb").substr(5), "a  b\r\n");
}

}  // namespace
