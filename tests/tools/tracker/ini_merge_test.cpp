// The INI snapshot's writer and merge on texts (window-free: also built
// natively; ini_snapshot_test.cpp records real INI files).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/tracker/ini_snapshot.h"

using namespace velmora::tracker;

namespace {

using Lines = std::vector<std::string>;

IniChanges merge(const std::string& before, const std::string& after) {
  StringSource b(before), a(after);
  LineReader rb(b, "before"), ra(a, "after");
  IniChanges c;
  MergeIniSnapshots(rb, ra, c);
  return c;
}

bool Empty(const IniChanges& c) {
  return c.sectionsAdded.empty() && c.sectionsDeleted.empty() && c.keysAdded.empty() && c.keysDeleted.empty() &&
         c.keysChanged.empty();
}

std::string Snapshot(const std::vector<IniSection>& sections) {
  StringSink out;
  WriteIniSnapshot(sections, out);
  return out.text;
}

TEST(IniMerge, LastRecordsAreComparedLikeAllOthers) {
  // Final pairs: a changed key, a case-only difference, and a deleted last section.
  IniChanges c = merge("[A]\r\n[A]x=1\r\n", "[A]\r\n[A]x=2\r\n");
  EXPECT_EQ(c.keysChanged, (Lines{"[A]x=1 to 2"}));
  EXPECT_TRUE(c.keysAdded.empty() && c.keysDeleted.empty());
  c = merge("[A]\r\n[A]x=abc\r\n", "[A]\r\n[A]X=ABC\r\n");  // the value changed, if only in case
  EXPECT_EQ(c.keysChanged, (Lines{"[A]x=abc to ABC"}));
  EXPECT_TRUE(c.keysAdded.empty() && c.keysDeleted.empty());
  EXPECT_TRUE(Empty(merge("[A]\r\n[A]x=abc\r\n", "[a]\r\n[a]X=abc\r\n")));  // names found without case
  c = merge("[A]\r\n[Z]\r\n[Z]" + std::string(300, 'k') + "=v\r\n", "[A]\r\n");
  EXPECT_EQ(c.sectionsDeleted, (Lines{"[Z]"}));
  EXPECT_EQ(c.keysDeleted, (Lines{"[Z]" + std::string(300, 'k') + "=v"}));
  c = merge("", "[A]\r\n[A]x=1\r\n");
  EXPECT_EQ(c.sectionsAdded, (Lines{"[A]"}));
  EXPECT_EQ(c.keysAdded, (Lines{"[A]x=1"}));
  // A line that is not "[section]...": the file and the line are named.
  try {
    merge("[A]\r\n", "[A]\r\nx=1\r\n");
    ADD_FAILURE() << "accepted a line without a section";
  } catch (const SnapshotError& e) {
    EXPECT_NE(std::string(e.what()).find("\"after\", line 2"), std::string::npos) << e.what();
  }
}

// A section name holding "]" (and "="), an empty key name: each line is read
// by the section line before it, and the merge walks the order it was written in.
TEST(IniMerge, SectionNamesWithBracketsAndEmptyKeyNames) {
  const std::string before = Snapshot({{"a", {{"z", "1"}}}, {"a]x", {{"k", "2"}}}, {"s", {{"", "e"}}}});
  EXPECT_EQ(before, "[a]\r\n[a]z=1\r\n[a]x]\r\n[a]x]k=2\r\n[s]\r\n[s]=e\r\n");
  EXPECT_TRUE(Empty(merge(before, before)));
  // "[a]x]" alone before: "[a]" and its key are added, "[a]x]k" changes, the
  // empty key name's value changes.
  const std::string onlyX = Snapshot({{"a]x", {{"k", "1"}}}, {"s", {{"", "f"}}}});
  IniChanges c = merge(onlyX, before);
  EXPECT_EQ(c.sectionsAdded, (Lines{"[a]"}));
  EXPECT_EQ(c.keysAdded, (Lines{"[a]z=1"}));
  EXPECT_EQ(c.keysChanged, (Lines{"[a]x]k=1 to 2", "[s]=f to e"}));
  EXPECT_TRUE(c.sectionsDeleted.empty() && c.keysDeleted.empty());
  c = merge(before, Snapshot({{"a", {{"z", "1"}}}, {"s", {}}}));
  EXPECT_EQ(c.sectionsDeleted, (Lines{"[a]x]"}));
  EXPECT_EQ(c.keysDeleted, (Lines{"[a]x]k=2", "[s]=e"}));
  EXPECT_TRUE(c.sectionsAdded.empty() && c.keysAdded.empty() && c.keysChanged.empty());
  // A section name with "=" that is not read as a key: the section before it differs.
  c = merge("", Snapshot({{"b", {}}, {"x=y]", {{"k", "v"}}}}));
  EXPECT_EQ(c.sectionsAdded, (Lines{"[b]", "[x=y]]"}));
  EXPECT_EQ(c.keysAdded, (Lines{"[x=y]]k=v"}));
}

// Keys of one section meet by name whatever their values, so a change is one
// change, not a deletion and an addition, however the values sort.
TEST(IniMerge, KeysMeetByNameWhateverTheirValues) {
  const std::string before = Snapshot({{"s", {{"k", "zzz"}, {"k1", "a"}, {"k!", "m"}}}});
  const std::string after = Snapshot({{"s", {{"k", "aaa"}, {"k1", "b"}, {"k!", "m"}}}});
  const IniChanges c = merge(before, after);
  EXPECT_EQ(c.keysChanged, (Lines{"[s]k1=a to b", "[s]k=zzz to aaa"}));
  EXPECT_TRUE(c.keysAdded.empty() && c.keysDeleted.empty());
}

TEST(IniSnapshotNames, SameNamedFilesGetDistinctStableNames) {
  const Lines watch{"C:\\WINDOWS\\WIN.INI", "D:\\Other\\win.ini", "C:\\x\\WIN~2.INI", "C:\\x\\REG$$$$$.INI",
                    "SYSTEM.INI", "C:\\x\\noext"};
  EXPECT_EQ(IniSnapshotNames(watch), (Lines{"WIN", "win~2", "WIN~2~2", "REG$$$$$~2", "SYSTEM", "noext"}));
  EXPECT_EQ(IniSnapshotNames(watch), IniSnapshotNames(watch));
  // Many files of one name: numbered in turn, past names the list itself takes.
  Lines many{"C:\\x\\WIN~3.INI"};
  for (int i = 0; i < 3000; ++i) many.push_back("C:\\d" + std::to_string(i) + "\\win.ini");
  const Lines names = IniSnapshotNames(many);
  EXPECT_EQ(names[0], "WIN~3");
  EXPECT_EQ(names[1], "win");
  EXPECT_EQ(names[2], "win~2");
  EXPECT_EQ(names[3], "win~4");  // "WIN~3" is taken
  EXPECT_EQ(names.back(), "win~3001");  // 2,999 numbered, one number skipped
}

}  // namespace
