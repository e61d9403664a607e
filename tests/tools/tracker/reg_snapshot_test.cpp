#include "tools/tracker/reg_snapshot.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/text.h"
#include "support/fakes.h"
#include "support/registry_sandbox.h"
#include "support/test_folder.h"
#include "tools/tracker/tracker_engine.h"

using namespace velmora;
using namespace velmora::tracker;

namespace {

using Lines = std::vector<std::string>;

constexpr char kHive[] = "S-1-5-21-0-0-0-1000";  // Wine's user

void SetRaw(const RegKey& key, const std::string& name, DWORD type, const std::string& bytes) {
  ASSERT_EQ(RegSetValueExW(key.get(), Widen(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                           DWORD(bytes.size())),
            ERROR_SUCCESS);
}

// Wine has no value whose data cannot be read: through the recording's seam,
// the data of these names is refused (their names still come).
std::vector<std::wstring> refusedData;
long RefusingEnumValue(void* key, unsigned long index, wchar_t* name, unsigned long* nameLength,
                       unsigned long* reserved, unsigned long* type, unsigned char* data, unsigned long* dataSize) {
  const LONG rc = RegEnumValueW(static_cast<HKEY>(key), index, name, nameLength, reserved, type, data, dataSize);
  if (rc != ERROR_SUCCESS || !data) return rc;
  for (const std::wstring& refused : refusedData)
    if (refused == std::wstring(name, *nameLength)) return ERROR_INVALID_DATA;
  return rc;
}

class RegSnapshot : public ::testing::Test {
 protected:
  void SetUp() override { ClearAbort(); }
  void TearDown() override { ClearAbort(); }
  std::string Record(const std::string& ext, const ProgressReceiver& progress = nullptr,
                     const Lines& ignore = {"HKEY_CURRENT_USER\\SOFTWARE\\DASTRA\\VELMORA",
                                            "HKEY_USERS\\.DEFAULT\\SOFTWARE\\DASTRA\\VELMORA"}) {
    RecordRegSnapshot(dir_ / "REG$$$$$", ext, ignore, progress, kHive);
    return dir_ / ("REG$$$$$" + ext);
  }
  RegChanges RecordChangeCompare(const std::function<void()>& change) {
    const std::string before = Record(".##1");
    change();
    const std::string after = Record(".##2");
    RegChanges c;
    CompareRegSnapshots(before, after, c, nullptr);
    return c;
  }
  test::RegistrySandbox sandbox_;
  test::TestFolder dir_;
};

TEST_F(RegSnapshot, GoldenLinesOfAVendorKey) {
  const RegKey vendor = RegKey::Create(HKEY_USERS, ".DEFAULT\\Software\\Vendor");
  vendor.WriteString("Version", "3.0");
  vendor.WriteBinary("Mask", "\x01\x00\x00\x00", 4);
  vendor.WriteDword("Flags", 1);
  vendor.WriteString("", "");
  vendor.CreateSubKey("Sub");
  const std::string text = test::ReadWholeFile(Record(".##1"));
  EXPECT_EQ(test::SplitLines(text),
            (Lines{"00HKEY_USERS", "10.DEFAULT", "20Software", "30Vendor", "41@", "53", "41Flags", "561", "41Mask",
                   "5501,00,00,00", "41Version", "533.0", "40Sub", "00HKEY_LOCAL_MACHINE"}));
}

TEST_F(RegSnapshot, CompareReportsTheEdgeCases) {
  const RegKey app = RegKey::Create(HKEY_LOCAL_MACHINE, "Software\\App");
  app.WriteString("N", "1");
  app.WriteString("", "default");
  std::string bin20(20, '\x11'), bin8(8, '\x22');
  app.WriteBinary("Bin20", bin20.data(), bin20.size());
  app.WriteBinary("Bin8", bin8.data(), bin8.size());
  app.WriteString("Long", std::string(300, 's'));
  app.WriteBinary("Huge", std::string(40000, 'h').data(), 40000);
  app.WriteString("Break", "a\nb");
  app.WriteDword("Gone", 7);
  const RegChanges c = RecordChangeCompare([&] {
    app.WriteString("N", "2");
    app.WriteString("", "other");
    bin20[17] = '\x12';
    app.WriteBinary("Bin20", bin20.data(), bin20.size());
    bin8[0] = '\x23';
    app.WriteBinary("Bin8", bin8.data(), bin8.size());
    app.WriteString("Long", std::string(299, 's') + "t");
    app.WriteBinary("Huge", std::string(40000, 'i').data(), 40000);
    app.WriteString("Break", "a b");
    app.DeleteValue("Gone");
    const RegKey added = app.CreateSubKey("Added");
    added.WriteString("One", "1");
    added.WriteDword("Two", 2);
  });
  const std::string k = "HKEY_LOCAL_MACHINE\\Software\\App";
  EXPECT_EQ(c.valuesChanged, (Lines{k, "Value \"@\": from \"default\" to \"other\"",  //
                                    k, "Value \"Bin20\": binary data changed",        //
                                    k, "Value \"Bin8\": from \"22,22,22,22,22,22,22,22\" to "
                                       "\"23,22,22,22,22,22,22,22\"",
                                    k, "Value \"Long\": string data changed",  //
                                    k, "Value \"N\": from \"1\" to \"2\""}));
  EXPECT_EQ(c.valuesDeleted, (Lines{k + "\\Gone=\"7\""}));
  EXPECT_EQ(c.keysAdded, (Lines{k + "\\Added"}));
  EXPECT_EQ(c.valuesAdded, (Lines{k + "\\Added\\One=\"1\"", k + "\\Added\\Two=\"2\""}));
  EXPECT_TRUE(c.keysDeleted.empty());
}

TEST_F(RegSnapshot, ValuesAndSubKeysOfOneNameNeverMatch) {
  const RegKey app = RegKey::Create(HKEY_LOCAL_MACHINE, "Software\\App");
  app.WriteString("Version", "1");
  app.WriteString("Same", "value");
  app.CreateSubKey("Alpha").WriteString("x", "1");
  app.CreateSubKey("Same").WriteString("y", "2");
  const RegChanges c = RecordChangeCompare([&] {
    app.DeleteValue("Version");
    app.DeleteValue("Same");
  });
  const std::string k = "HKEY_LOCAL_MACHINE\\Software\\App";
  EXPECT_EQ(c.valuesDeleted, (Lines{k + "\\Same=\"value\"", k + "\\Version=\"1\""}));
  EXPECT_TRUE(c.keysAdded.empty() && c.keysDeleted.empty() && c.valuesAdded.empty() && c.valuesChanged.empty());
}

TEST_F(RegSnapshot, UnsafeNamesAndTypesKeepOneLineEach) {
  const RegKey app = RegKey::Create(HKEY_LOCAL_MACHINE, "Software\\App");
  const RegKey odd = app.CreateSubKey("line\r\nbreak");
  SetRaw(odd, "va\nlue", 0xFFFF0012u, "abc");
  const std::string text = test::ReadWholeFile(Record(".##1"));
  const Lines lines = test::SplitLines(text);
  EXPECT_EQ(lines, (Lines{"00HKEY_USERS", "00HKEY_LOCAL_MACHINE", "10Software", "20App", "30line  break",
                          "41va lue", "5561,62,63"}));
  EXPECT_FALSE(EntersKey(206));  // its values' data lines would need a level byte of 256
  EXPECT_TRUE(EntersKey(205));
}

TEST_F(RegSnapshot, OwnKeyAndIgnoredKeysAreLeftOutWhateverTheirCase) {
  const std::string user = std::string(kHive) + "\\Software";
  RegKey::Create(HKEY_USERS, user + "\\Dastra\\Velmora\\Vantrel").WriteString("Step", "1");
  RegKey::Create(HKEY_USERS, user + "\\Dastra\\VELMORA").WriteString("Setting", "1");
  RegKey::Create(HKEY_USERS, user + "\\Dastra\\Other").WriteString("Kept", "1");
  RegKey::Create(HKEY_USERS, ".DEFAULT\\Software\\Dastra\\Velmora").WriteString("Setting", "1");
  RegKey::Create(HKEY_LOCAL_MACHINE, "Software\\DASTRA\\velmora\\vantrel").WriteString("Step", "1");
  const std::string text = test::ReadWholeFile(Record(".##1"));
  EXPECT_EQ(text.find("Velmora"), std::string::npos) << text;
  EXPECT_EQ(text.find("VELMORA"), std::string::npos) << text;
  EXPECT_EQ(text.find("vantrel"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\n40Other\r\n51Kept\r\n"), std::string::npos) << text;
}

TEST_F(RegSnapshot, KeysVanishingDuringTheWalkAreSkipped) {
  RegKey::Create(HKEY_LOCAL_MACHINE, "A").WriteString("a", "1");
  RegKey::Create(HKEY_LOCAL_MACHINE, "B").WriteString("b", "2");
  // While A is recorded, B (already listed) is deleted.
  bool deleted = false;
  const std::string file = Record(".##1", [&](const std::string&, const std::string& detail) {
    if (detail == "HKEY_LOCAL_MACHINE\\A") deleted = RegKey::DeleteTree(HKEY_LOCAL_MACHINE, "B");
  });
  EXPECT_TRUE(deleted);
  EXPECT_EQ(test::SplitLines(test::ReadWholeFile(file)),
            (Lines{"00HKEY_USERS", "00HKEY_LOCAL_MACHINE", "10A", "21a", "331"}));
}

TEST_F(RegSnapshot, AbortLeavesAWellFormedSnapshot) {
  for (int i = 0; i < 5; ++i) RegKey::Create(HKEY_USERS, "K" + std::to_string(i) + "\\Deeper").WriteDword("v", 1);
  RegKey::Create(HKEY_LOCAL_MACHINE, "Software\\Machine");
  int keys = 0;
  const std::string cut = Record(".##2", [&](const std::string& caption, const std::string&) {
    EXPECT_EQ(caption, "Recording Registry keys:");
    if (++keys == 4) RaiseAbort();
  });
  const std::string text = test::ReadWholeFile(cut);
  EXPECT_EQ(text.find("HKEY_LOCAL_MACHINE"), std::string::npos);
  ClearAbort();
  const std::string whole = Record(".##1");
  RegChanges c;
  CompareRegSnapshots(whole, cut, c, nullptr);  // the cut file reads to its end
  EXPECT_FALSE(c.keysDeleted.empty());
  EXPECT_EQ(c.keysDeleted.back(), "HKEY_LOCAL_MACHINE\\Software\\Machine");
}

TEST_F(RegSnapshot, AValueThatCannotBeReadKeepsItsPlaceAndTheRestOfItsKey) {
  const RegKey maker = RegKey::Create(HKEY_LOCAL_MACHINE, "Software\\Maker");
  maker.WriteString("A", "1");
  maker.WriteString("B", "2");
  maker.WriteString("C", "3");
  maker.CreateSubKey("Sub").WriteString("d", "4");
  refusedData = {L"A", L"B"};
  SetRecordEnumValueCall(&RefusingEnumValue);
  const std::string before = Record(".##1");
  SetRecordEnumValueCall(nullptr);
  EXPECT_EQ(test::SplitLines(test::ReadWholeFile(before)),
            (Lines{"00HKEY_USERS", "00HKEY_LOCAL_MACHINE", "10Software", "20Maker",
                   "ERROR GETTING DATA: HKEY_LOCAL_MACHINE\\Software\\Maker (A)",
                   "ERROR GETTING DATA: HKEY_LOCAL_MACHINE\\Software\\Maker (B)", "31C", "433", "30Sub", "41d",
                   "534"}));
  // Read again: the values that could not be read are changes of their own,
  // the rest of the key compares as usual, and nothing is added or deleted.
  maker.WriteString("C", "5");
  const std::string after = Record(".##2");
  RegChanges c;
  CompareRegSnapshots(before, after, c, nullptr);
  const std::string key = "HKEY_LOCAL_MACHINE\\Software\\Maker";
  EXPECT_EQ(c.valuesChanged, (Lines{key, "Value \"A\": from \"ERROR GETTING DATA\" to \"1\"", key,
                                    "Value \"B\": from \"ERROR GETTING DATA\" to \"2\"", key,
                                    "Value \"C\": from \"3\" to \"5\""}));
  EXPECT_TRUE(c.valuesAdded.empty());
  EXPECT_TRUE(c.valuesDeleted.empty());
  EXPECT_TRUE(c.keysAdded.empty());
  EXPECT_TRUE(c.keysDeleted.empty());
  // Unreadable on both sides: nothing is known, nothing reported; gone since: deleted.
  CompareRegSnapshots(before, before, c, nullptr);
  EXPECT_TRUE(c.valuesChanged.empty());
  maker.DeleteValue("A");
  const std::string later = Record(".##3");
  CompareRegSnapshots(before, later, c, nullptr);
  EXPECT_EQ(c.valuesDeleted, (Lines{key + "\\A=\"ERROR GETTING DATA\""}));
}

TEST_F(RegSnapshot, NamesEqualButForCaseArePairedByTheSortsOrder) {
  // Sorted by the one order, "A" before "a": each meets its own counterpart.
  const std::string before = "00HKEY_USERS\r\n10A\r\n10a\r\n";
  const std::string after = "00HKEY_USERS\r\n10a\r\n";
  StringSource b(before), a(after);
  RegSnapshotReader rb(b, "before"), ra(a, "after");
  RegChanges c;
  MergeRegSnapshots(rb, ra, c, nullptr, nullptr);
  EXPECT_EQ(c.keysDeleted, (Lines{"HKEY_USERS\\A"}));
  EXPECT_TRUE(c.keysAdded.empty());
}

TEST_F(RegSnapshot, AFailedRecordingShowsTheErrorMessage) {
  // A snapshot that cannot be created: the message names it, the failure goes on.
  test::world().dialogs.Answer(ui::MsgResult::Ok);
  EXPECT_THROW(RecordRegSnapshot(dir_ / "missing\\REG$$$$$", ".##1", {}, nullptr, kHive), std::runtime_error);
  ASSERT_EQ(test::world().dialogs.messageTexts().size(), 1u);
  EXPECT_EQ(test::world().dialogs.messageTexts()[0].rfind("An error occurred. email " + (dir_ / "missing\\REG$$$$$.##1"), 0),
            0u);
}

}  // namespace
