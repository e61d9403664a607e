#include "tools/tracker/ini_snapshot.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/text.h"
#include "support/test_folder.h"
#include "tools/tracker/tracker_engine.h"

using namespace velmora;
using namespace velmora::tracker;

namespace {

using Lines = std::vector<std::string>;

// Edits go through the profile service: Wine keeps a profile cached until its
// file time changes, which a raw write within one second may not do.
void Put(const std::string& file, const char* section, const char* key, const char* value) {
  ASSERT_TRUE(WritePrivateProfileStringW(Widen(section).c_str(), key ? Widen(key).c_str() : nullptr,
                                         value ? Widen(value).c_str() : nullptr, Widen(file).c_str()));
}

class IniSnapshot : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearAbort();
    // Not "WIN.INI": Wine maps some sections of any file of that name to the registry.
    ini_ = dir_ / "WATCHED.INI";
    Put(ini_, "boot", "shell", "Explorer.exe");
    Put(ini_, "A", "k", "v");
  }
  IniChanges RecordChangeCompare(const std::function<void()>& change) {
    RecordIniSnapshot(ini_, dir_ / "WIN.##1", nullptr);
    change();
    RecordIniSnapshot(ini_, dir_ / "WIN.##2", nullptr);
    IniChanges c;
    CompareIniSnapshots(dir_ / "WIN.##1", dir_ / "WIN.##2", c);
    return c;
  }
  static bool Empty(const IniChanges& c) {
    return c.sectionsAdded.empty() && c.sectionsDeleted.empty() && c.keysAdded.empty() && c.keysDeleted.empty() &&
           c.keysChanged.empty();
  }
  test::TestFolder dir_;
  std::string ini_;
};

TEST_F(IniSnapshot, SnapshotLinesAreSortedSectionsThenKeys) {
  Put(ini_, "A B", "z", "1");
  Put(ini_, "A", "empty", "");
  Put(ini_, "A", "b", "2");
  Put(ini_, "Lonely", nullptr, nullptr);  // removes nothing: no such section
  std::vector<std::string> captions;
  RecordIniSnapshot(ini_, dir_ / "WIN.##1",
                    [&](const std::string& caption, const std::string& detail) { captions.push_back(caption + detail); });
  EXPECT_EQ(captions, (Lines{"Recording INI file:WATCHED.INI"}));
  // "[A B]" sorts before "[A]" (a space before "]"), and so do all its key lines.
  EXPECT_EQ(test::ReadWholeFile(dir_ / "WIN.##1"),
            "[A B]\r\n[A B]z=1\r\n[A]\r\n[A]b=2\r\n[A]k=v\r\n[boot]\r\n[boot]shell=Explorer.exe\r\n");
}

TEST_F(IniSnapshot, CompareGivesTheFiveLists) {
  Put(ini_, "A", "x", "1");
  Put(ini_, "Z", "last", "1");
  EXPECT_TRUE(Empty(RecordChangeCompare([] {})));
  const IniChanges c = RecordChangeCompare([&] {
    Put(ini_, "A", "new", "1");
    Put(ini_, "A", "x", "2");
    Put(ini_, "B", "y", "2");
    Put(ini_, "boot", "shell", "");  // an emptied key is gone
    Put(ini_, "Z", "last", "2");      // the last records of both files
  });
  EXPECT_EQ(c.sectionsAdded, (Lines{"[B]"}));
  EXPECT_EQ(c.keysAdded, (Lines{"[A]new=1", "[B]y=2"}));
  EXPECT_EQ(c.keysDeleted, (Lines{"[boot]shell=Explorer.exe"}));
  EXPECT_EQ(c.keysChanged, (Lines{"[A]x=1 to 2", "[Z]last=1 to 2"}));
  EXPECT_TRUE(c.sectionsDeleted.empty());
}

TEST_F(IniSnapshot, LongSectionListsAndMissingFilesAreRecordedWhole) {
  // Over 8,192 characters of section names: every section is kept.
  std::string text;
  for (int i = 0; i < 700; ++i) text += "[Section number " + std::to_string(1000 + i) + "]\r\nkey=value\r\n";
  const std::string big = dir_.File("BIG.INI", text);
  RecordIniSnapshot(big, dir_ / "BIG.##1", nullptr);
  const std::string snapshot = test::ReadWholeFile(dir_ / "BIG.##1");
  EXPECT_EQ(test::SplitLines(snapshot).size(), 1400u);
  EXPECT_NE(snapshot.find("[Section number 1699]key=value"), std::string::npos);

  // A watched file missing at one phase: an empty snapshot, and the compare goes on.
  RecordIniSnapshot(dir_ / "GONE.INI", dir_ / "GONE.##1", nullptr);
  EXPECT_EQ(test::ReadWholeFile(dir_ / "GONE.##1"), "");
  IniChanges c;
  CompareIniSnapshots(dir_ / "GONE.##1", dir_ / "BIG.##1", c);
  EXPECT_EQ(c.sectionsAdded.size(), 700u);
}

TEST_F(IniSnapshot, DeviceLinesReplaceTheKeyBasedResult) {
  const std::string system = dir_.File("SYSTEM.INI",
                                       "[boot]\r\ndevice=not.this\r\n[386Enh]\r\n  device=*vpicd  \r\n\r\n"
                                       ";device=commented.386\r\nkeyboard=*vkd\r\nDEVICE=vmm.vxd\r\nxdevice=gone.386\r\n[next]\r\ndevice=x\r\n");
  RecordDeviceLines(system, dir_ / "DEV$$$$$.##1");
  EXPECT_EQ(test::ReadWholeFile(dir_ / "DEV$$$$$.##1"), ";device=commented.386\r\ndevice=*vpicd\r\nDEVICE=vmm.vxd\r\nxdevice=gone.386\r\n");
  // UTF-16 with a byte-order mark reads the same.
  const std::wstring wide = L"\xFEFF[386Enh]\r\n;device=commented.386\r\ndevice=*vpicd\r\ndevice=new.386\r\nDEVICE=vmm.vxd\r\n";
  dir_.File("SYSTEM.INI", std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2));
  RecordDeviceLines(system, dir_ / "DEV$$$$$.##2");
  Lines added{"[B]y=1", "[386Enh]device=bogus"}, deleted{"[386enh]DEVICE=old"}, changed{"[386Enh]device=a to b"};
  CompareDeviceLines(dir_ / "DEV$$$$$.##1", dir_ / "DEV$$$$$.##2", added, deleted, changed);
  EXPECT_EQ(added, (Lines{"[B]y=1", "[386Enh]device=new.386"}));
  EXPECT_EQ(deleted, (Lines{"[386Enh]xdevice=gone.386"}));  // the last line, reported like any other
  EXPECT_TRUE(changed.empty());
  // A missing SYSTEM.INI records no device line.
  RecordDeviceLines(dir_ / "NONE.INI", dir_ / "DEV$$$$$.##3");
  EXPECT_EQ(test::ReadWholeFile(dir_ / "DEV$$$$$.##3"), "");
}

}  // namespace
