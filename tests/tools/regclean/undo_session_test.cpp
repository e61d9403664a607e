// The undo journal on a sandboxed registry and real files: a session brings
// back exactly what it removed, asks for write access only where it writes,
// and a damaged session writes nothing.
#include "tools/regclean/undo_session.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "support/key_security.h"
#include "support/registry_sandbox.h"
#include "support/test_folder.h"
#include "tools/regclean/reg_backup.h"

using namespace velmora;
using namespace velmora::regclean;

namespace {

class UndoSession : public ::testing::Test {
 protected:
  RegKey App() const { return RegKey::Create(HKEY_CURRENT_USER, "Software\\App"); }
  std::string Journal() const { return dir_ / "Undo\\"; }
  test::RegistrySandbox reg_;
  test::TestFolder dir_{'E'};
};

}  // namespace

TEST_F(UndoSession, OnlyWhatTheSessionRemovedComesBackAndNothingIsOverwritten) {
  App().WriteString("One", "C:\\gone\\one.exe");
  App().WriteExpandString("Two", "%WINDIR%\\gone.exe");
  App().WriteString("Unrelated", "C:\\kept.exe");
  RegKey::Create(HKEY_CURRENT_USER, "Software\\App\\Deep").WriteDword("Count", 7);

  UndoRecorder journal("Registry Cleaner", "Removed invalid references", Journal());
  const int one = journal.AddCurrentValue(u"HKEY_CURRENT_USER", u"Software\\App", u"One");
  const int two = journal.AddCurrentValue(u"HKEY_CURRENT_USER", u"Software\\App", u"Two");
  const int deep = journal.AddCurrentValue(u"HKEY_CURRENT_USER", u"Software\\App\\Deep", u"Count");
  const int absent = journal.AddCurrentValue(u"HKEY_CURRENT_USER", u"Software\\App", u"Absent");
  EXPECT_EQ(absent, -1);  // nothing to record: it must not be acted on
  ASSERT_TRUE(journal.Begin());
  // Written before anything goes, every item as planned.
  const auto planned = ReadTextFile(journal.path());
  ASSERT_TRUE(planned);
  ASSERT_TRUE(ParseJournal(*planned).session);
  EXPECT_EQ(ParseJournal(*planned).session->state, JournalState::Planned);
  EXPECT_EQ(ParseJournal(*planned).session->count, 3);

  App().DeleteValue("One");
  App().DeleteValue("Two");
  journal.Went(one);
  journal.Went(two);
  (void)deep;  // refused, say: it stays and is no part of the session
  ASSERT_TRUE(journal.Finish());
  const auto done = ParseJournal(*ReadTextFile(journal.path())).session;
  ASSERT_TRUE(done);
  EXPECT_EQ(done->state, JournalState::Done);
  EXPECT_EQ(done->count, 2);

  // Afterwards the user deletes a value of their own and changes the deep one.
  App().DeleteValue("Unrelated");
  RegKey::Create(HKEY_CURRENT_USER, "Software\\App\\Deep").DeleteValue("Count");
  App().WriteString("Two", "C:\\new\\two.exe");  // a new value of that name since: never overwritten

  const UndoReport r = UndoJournalSession(journal.path());
  EXPECT_TRUE(r.ok()) << (r.failures.empty() ? "" : r.failures[0]);
  EXPECT_EQ(r.restored, 1);
  EXPECT_EQ(r.alreadyThere, 1);
  EXPECT_EQ(App().ReadString("One"), "C:\\gone\\one.exe");
  EXPECT_EQ(App().ReadString("Two"), "C:\\new\\two.exe");
  EXPECT_FALSE(App().ValueExists("Unrelated"));  // not this session's
  EXPECT_FALSE(RegKey::Create(HKEY_CURRENT_USER, "Software\\App\\Deep").ValueExists("Count"));
  EXPECT_EQ(ParseJournal(*ReadTextFile(journal.path())).session->state, JournalState::Undone);

  // A session where nothing went leaves no file.
  UndoRecorder none("Registry Cleaner", "Removed invalid references", Journal());
  none.AddCurrentValue(u"HKEY_CURRENT_USER", u"Software\\App", u"One");
  ASSERT_TRUE(none.Begin());
  const std::string path = none.path();
  EXPECT_TRUE(FileExists(path));
  ASSERT_TRUE(none.Finish());
  EXPECT_FALSE(FileExists(path));
}

TEST_F(UndoSession, AValueComesBackInItsTypeAndBytesAndAGoneKeyIsMadeAgain) {
  const std::vector<std::uint8_t> odd{'a', 0, 'b', 0};  // a string without its terminator
  App().WriteValue("Odd", {REG_SZ, odd});
  App().WriteExpandString("Exp", "%TEMP%\\x");
  App().WriteValue("", {REG_SZ, {'d', 0, 0, 0}});
  const RegValue before = *App().ReadValue("Odd");  // as the registry keeps it
  UndoRecorder journal("Registry Cleaner", "Removed invalid references", Journal());
  for (const char16_t* name : {u"Odd", u"Exp", u""})
    journal.Went(journal.AddCurrentValue(u"HKEY_CURRENT_USER", u"Software\\App", name));
  ASSERT_TRUE(journal.Begin());
  ASSERT_TRUE(RegKey::DeleteTree(HKEY_CURRENT_USER, "Software\\App"));
  ASSERT_TRUE(journal.Finish());
  const UndoReport r = UndoJournalSession(journal.path());
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.restored, 3);
  const RegKey k = RegKey::Open(HKEY_CURRENT_USER, "Software\\App");
  ASSERT_TRUE(k);
  EXPECT_EQ(k.ReadValue("Odd")->data, before.data);
  EXPECT_EQ(k.ReadValue("Exp")->type, DWORD(REG_EXPAND_SZ));
  const std::wstring exp = L"%TEMP%\\x";
  const auto* e = reinterpret_cast<const std::uint8_t*>(exp.c_str());
  EXPECT_EQ(k.ReadValue("Exp")->data, std::vector<std::uint8_t>(e, e + (exp.size() + 1) * 2));
  EXPECT_EQ(k.ReadValue("")->data, (std::vector<std::uint8_t>{'d', 0, 0, 0}));
}

TEST_F(UndoSession, AReadOnlyKeyWithNothingMissingIsASuccessAndARefusalSaysWhy) {
  App().WriteString("Kept", "C:\\a.exe");
  App().WriteString("Gone", "C:\\b.exe");
  UndoRecorder journal("Registry Cleaner", "Removed invalid references", Journal());
  const int kept = journal.AddCurrentValue(u"HKEY_CURRENT_USER", u"Software\\App", u"Kept");
  const int gone = journal.AddCurrentValue(u"HKEY_CURRENT_USER", u"Software\\App", u"Gone");
  ASSERT_TRUE(journal.Begin());
  journal.Went(kept);
  journal.Went(gone);
  ASSERT_TRUE(journal.Finish());
  // Put back by hand already: nothing is missing, and the key is read-only.
  if (!test::SetKeyReadOnly(HKEY_CURRENT_USER, "Software\\App", true)) {
    test::SetKeyReadOnly(HKEY_CURRENT_USER, "Software\\App", false);
    GTEST_SKIP() << "this registry does not enforce key security";
  }
  UndoReport r = UndoJournalSession(journal.path());
  EXPECT_TRUE(r.ok()) << (r.failures.empty() ? "" : r.failures[0]);
  EXPECT_EQ(r.alreadyThere, 2);

  // The whole-registry restore of the same file likewise.
  RestoreResult whole = MergeRegistryFile(journal.path());
  EXPECT_TRUE(whole.ok) << whole.problem;
  EXPECT_EQ(whole.valuesPresent, 2u);

  // One missing under the read-only key: refused, with the reason and the value named.
  test::SetKeyReadOnly(HKEY_CURRENT_USER, "Software\\App", false);
  App().DeleteValue("Gone");
  test::SetKeyReadOnly(HKEY_CURRENT_USER, "Software\\App", true);
  whole = MergeRegistryFile(journal.path());
  EXPECT_FALSE(whole.ok);
  EXPECT_EQ(whole.error, unsigned(ERROR_ACCESS_DENIED));
  EXPECT_NE(whole.problem.find("HKEY_CURRENT_USER\\Software\\App \"Gone\": "), std::string::npos) << whole.problem;
  EXPECT_GT(whole.problem.size(), std::string("HKEY_CURRENT_USER\\Software\\App \"Gone\": ").size());
  r = UndoJournalSession(journal.path());
  test::SetKeyReadOnly(HKEY_CURRENT_USER, "Software\\App", false);
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.failed, 1);
  ASSERT_EQ(r.failures.size(), 1u);
  EXPECT_NE(r.failures[0].find("\"Gone\""), std::string::npos);
  // Marked undone by the first run, which had nothing to write; a refused run changes nothing in the file.
  EXPECT_EQ(ParseJournal(*ReadTextFile(journal.path())).session->state, JournalState::Undone);
  r = UndoJournalSession(journal.path());
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(App().ReadString("Gone"), "C:\\b.exe");
}

TEST_F(UndoSession, AKeyRemovedWholeComesBackWithEverythingBelowIt) {
  const std::string entry = "Software\\Uninstall\\OldApp";
  RegKey::Create(HKEY_CURRENT_USER, entry).WriteString("DisplayName", "Old App");
  RegKey::Create(HKEY_CURRENT_USER, entry).WriteString("UninstallString", "C:\\gone\\uninst.exe");
  RegKey::Create(HKEY_CURRENT_USER, entry + "\\Empty");
  RegKey::Create(HKEY_CURRENT_USER, entry + "\\Sub").WriteDword("N", 3);
  UndoRecorder journal("Uninstall Cleaner", "Removed invalid add/remove entries", Journal());
  const int item = journal.AddKeyTree(u"HKEY_CURRENT_USER", FromUtf8(entry));
  ASSERT_GE(item, 0);
  ASSERT_TRUE(journal.Begin());
  ASSERT_TRUE(RegKey::DeleteTree(HKEY_CURRENT_USER, entry));
  journal.Went(item);
  ASSERT_TRUE(journal.Finish());
  const UndoReport r = UndoJournalSession(journal.path());
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.keysMade, 3);  // the entry, its empty sub-key and the one with a value
  EXPECT_NE(UndoReportText(r).find("Registry keys made again: 3"), std::string::npos);
  EXPECT_EQ(RegKey::Open(HKEY_CURRENT_USER, entry).ReadString("DisplayName"), "Old App");
  EXPECT_TRUE(RegKey::Exists(HKEY_CURRENT_USER, entry + "\\Empty"));
  EXPECT_EQ(RegKey::Open(HKEY_CURRENT_USER, entry + "\\Sub").ReadDword("N"), 3u);
}

TEST_F(UndoSession, AMoveIsUndoneByMovingBackAndFilesAndTokensComeBack) {
  // A start-up item parked: the enabled value removed, the parked copy added.
  App().WriteString("Tool", "C:\\tool.exe");
  const std::string link = dir_ / "StartUp\\Tool.lnk", parked = dir_ / "Parked\\Tool.lnk";
  CreateFolderPath(dir_ / "StartUp\\");
  CreateFolderPath(dir_ / "Parked\\");
  ASSERT_TRUE(WriteFileAtomically(link, std::string("L\0\0\0link bytes", 14)));
  const std::string ini = dir_ / "win.ini";
  WritePrivateProfileStringW(L"Windows", L"Run", L"a.exe b.exe", Widen(ini).c_str());

  UndoRecorder journal("Start-up Manager", "Disabled", Journal());
  const int reg = journal.AddCurrentValue(u"HKEY_CURRENT_USER", u"Software\\App", u"Tool");
  const int file = journal.AddFile(link);
  const int token = journal.AddIni(ini, "Windows", "Run", "b.exe");
  ASSERT_TRUE(journal.Begin());
  RegKey::Create(HKEY_CURRENT_USER, "Software\\App\\Disabled").WriteString("Tool", "C:\\tool.exe");
  App().DeleteValue("Tool");
  ASSERT_TRUE(MoveFileW(Widen(link).c_str(), Widen(parked).c_str()));
  WritePrivateProfileStringW(L"Windows", L"Run", L"a.exe", Widen(ini).c_str());
  WritePrivateProfileStringW(L"SS_Disabled", L"Run", L"b.exe", Widen(ini).c_str());
  EXPECT_TRUE(journal.AddedCurrentValue(reg, u"HKEY_CURRENT_USER", u"Software\\App\\Disabled", u"Tool"));
  EXPECT_TRUE(journal.AddedFile(file, parked));
  EXPECT_TRUE(journal.AddedIni(token, ini, "SS_Disabled", "Run", "b.exe"));
  for (int i : {reg, file, token}) journal.Went(i);
  ASSERT_TRUE(journal.Finish());

  const UndoReport r = UndoJournalSession(journal.path());
  EXPECT_TRUE(r.ok()) << (r.failures.empty() ? "" : r.failures[0]);
  EXPECT_EQ(r.takenBack, 3);
  EXPECT_EQ(r.restored, 3);
  EXPECT_EQ(App().ReadString("Tool"), "C:\\tool.exe");
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, "Software\\App\\Disabled").ValueExists("Tool"));
  EXPECT_EQ(ReadTextFile(link), std::string("L\0\0\0link bytes", 14));
  EXPECT_FALSE(FileExists(parked));
  wchar_t buf[64];
  GetPrivateProfileStringW(L"Windows", L"Run", L"", buf, 64, Widen(ini).c_str());
  EXPECT_EQ(std::wstring(buf), L"a.exe b.exe");
  GetPrivateProfileStringW(L"SS_Disabled", L"Run", L"", buf, 64, Widen(ini).c_str());
  EXPECT_EQ(std::wstring(buf), L"");
}

TEST_F(UndoSession, AParkedCopyChangedSinceIsLeftAndAFileThatCameBackIsNotOverwritten) {
  App().WriteString("Tool", "C:\\tool.exe");
  const std::string link = dir_ / "Tool.lnk";
  ASSERT_TRUE(WriteFileAtomically(link, "original"));
  UndoRecorder journal("Start-up Manager", "Deleted", Journal());
  const int reg = journal.AddCurrentValue(u"HKEY_CURRENT_USER", u"Software\\App", u"Tool");
  const int file = journal.AddFile(link);
  ASSERT_TRUE(journal.Begin());
  RegKey::Create(HKEY_CURRENT_USER, "Software\\App\\Disabled").WriteString("Tool", "C:\\tool.exe");
  App().DeleteValue("Tool");
  journal.AddedCurrentValue(reg, u"HKEY_CURRENT_USER", u"Software\\App\\Disabled", u"Tool");
  DeleteFileW(Widen(link).c_str());
  journal.Went(reg);
  journal.Went(file);
  ASSERT_TRUE(journal.Finish());
  // The user edits the parked copy and makes a new file of that name.
  RegKey::Create(HKEY_CURRENT_USER, "Software\\App\\Disabled").WriteString("Tool", "C:\\edited.exe");
  ASSERT_TRUE(WriteFileAtomically(link, "new one"));
  const UndoReport r = UndoJournalSession(journal.path());
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.takenBack, 0);
  EXPECT_EQ(RegKey::Open(HKEY_CURRENT_USER, "Software\\App\\Disabled").ReadString("Tool"), "C:\\edited.exe");
  EXPECT_EQ(App().ReadString("Tool"), "C:\\tool.exe");
  EXPECT_EQ(ReadTextFile(link), "new one");
  EXPECT_EQ(r.alreadyThere, 1);
}

TEST_F(UndoSession, ADamagedSessionIsShownDamagedAndWritesNothing) {
  App().WriteString("One", "C:\\one.exe");
  App().WriteString("Two", "C:\\two.exe");
  UndoRecorder journal("Registry Cleaner", "Removed invalid references", Journal());
  journal.Went(journal.AddCurrentValue(u"HKEY_CURRENT_USER", u"Software\\App", u"One"));
  journal.Went(journal.AddCurrentValue(u"HKEY_CURRENT_USER", u"Software\\App", u"Two"));
  ASSERT_TRUE(journal.Begin());
  ASSERT_TRUE(journal.Finish());
  App().DeleteValue("One");
  App().DeleteValue("Two");
  // Cut after the first value: a half file must not bring back half.
  std::string bytes = *ReadTextFile(journal.path());
  const std::string cut = bytes.substr(0, bytes.size() - 24);
  ASSERT_TRUE(WriteFileAtomically(journal.path(), cut));
  const UndoReport r = UndoJournalSession(journal.path());
  EXPECT_TRUE(r.damaged);
  EXPECT_FALSE(r.problem.empty());
  EXPECT_FALSE(App().ValueExists("One"));
  EXPECT_FALSE(App().ValueExists("Two"));
  const auto listed = ListJournal(Journal());
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_TRUE(listed[0].damaged);
}

TEST_F(UndoSession, TheJournalListsNewestFirstAndDropsSessionsBeyondTheLimit) {
  App().WriteString("V", "C:\\v.exe");
  CreateFolderPath(Journal());
  // 32 old sessions (a year ago) and one of today.
  for (int i = 0; i < 32; ++i) {
    char name[40];
    std::snprintf(name, sizeof name, "20251201-0000%02d-000.reg", i);
    JournalSession s;
    s.date = "2025-12-01 00:00:00";
    s.tool = "Registry Cleaner";
    s.count = 1;
    s.state = JournalState::Done;
    ASSERT_TRUE(WriteFileAtomically(Journal() + name, WriteJournal(s)));
    FILETIME old{};
    SYSTEMTIME st{2025, 12, 1, 1, 0, 0, 0, 0};
    SystemTimeToFileTime(&st, &old);
    WriteFileTimes(Journal() + name, nullptr, nullptr, &old);
  }
  UndoRecorder journal("Registry Cleaner", "Removed invalid references", Journal());
  journal.Went(journal.AddCurrentValue(u"HKEY_CURRENT_USER", u"Software\\App", u"V"));
  ASSERT_TRUE(journal.Begin());  // prunes before it adds
  ASSERT_TRUE(journal.Finish());
  const auto listed = ListJournal(Journal());
  ASSERT_EQ(listed.size(), 31u);  // the newest 30 old ones and today's
  EXPECT_EQ(listed[0].path, journal.path());
  EXPECT_EQ(listed[0].index.what, "Removed invalid references");
  EXPECT_FALSE(FileExists(Journal() + "20251201-000000-000.reg"));
  EXPECT_FALSE(FileExists(Journal() + "20251201-000001-000.reg"));
  EXPECT_TRUE(FileExists(Journal() + "20251201-000002-000.reg"));
}
