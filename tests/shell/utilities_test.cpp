#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include "platform/drives.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/text.h"
#include "shell/utilities.h"
#include "support/fakes.h"
#include "support/registry_sandbox.h"
#include "support/test_folder.h"

using namespace velmora;
using namespace velmora::shell;

TEST(AppendLogLine, CreatesThenAppendsInTheProgramFolder) {
  AppendLogLine("Probe_Log.txt", "first");
  AppendLogLine("Probe_Log.txt", "");
  AppendLogLine("Probe_Log.txt", "  caf\xC3\xA9");
  EXPECT_EQ("first\r\n\r\n  caf\xC3\xA9\r\n", test::ReadWholeFile(test::world().programFolder + "Probe_Log.txt"));
}

// A suite installed where its user may not write (Program Files) still logs:
// the data folder falls back to the user's local application data.
TEST(DataFolder, TheProgramFolderWhenWritableElseLocalAppData) {
  EXPECT_EQ(test::world().programFolder, DataFolder());
  const auto local = ShellFolderPath(CSIDL_LOCAL_APPDATA);
  ASSERT_TRUE(local);
  const std::string fallback = IncludeTrailingBackslash(*local) + "Velmora\\";
  // A "folder" that is really a file: nothing can be made inside it.
  test::TestFolder dir;
  test::world().programFolder = dir.File("Quorvel.exe") + "\\";
  EXPECT_EQ(fallback, DataFolder());
  const std::string name = "Data_Folder_Test_" + std::to_string(GetCurrentProcessId()) + ".txt";
  AppendLogLine(name, "line");
  EXPECT_EQ("line\r\n", test::ReadWholeFile(fallback + name));
  DeleteFileW(Widen(fallback + name).c_str());
  // Writable again (a folder made later): asked anew, not remembered.
  test::world().programFolder = dir.Folder("later") + "\\";
  EXPECT_EQ(test::world().programFolder, DataFolder());
}

TEST(AppendLogLine, RaisesWhenTheFileCannotBeWritten) {
  EXPECT_THROW(AppendLogLine("no-such-folder\\deeper\\x.txt", "line"), std::runtime_error);
}

TEST(TotalFixedDiskFree, SumsTheFixedTestDrivesInSixtyFourBits) {
  // The test prefix has three fixed drives, C:, E: and F:, on the same host disk.
  const auto c = DriveFreeBytesByClusters('C');
  const auto e = DriveFreeBytesByClusters('E');
  const auto f = DriveFreeBytesByClusters('F');
  ASSERT_TRUE(c && e && f);
  const std::int64_t total = TotalFixedDiskFree();
  // Free space moves while other processes write; the sum must be of all three
  // drives and far beyond what 32 bits hold on any real disk of today.
  EXPECT_GT(total, std::int64_t(*c));
  EXPECT_NEAR(double(total), double(*c + *e + *f), 512.0 * 1024 * 1024);
}

TEST(DeleteFolderContents, MissingFolderPermanentAndRecycleBin) {
  EXPECT_FALSE(DeleteFolderContents("C:\\velmora-tests\\does-not-exist", false));

  test::TestFolder dir;
  dir.File("a.txt");
  dir.File("sub\\b.txt");
  test::SetAttributes(dir.File(".hidden"), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(DeleteFolderContents(dir.path(), false));
  EXPECT_TRUE(test::PathExists(dir.path()));  // the folder itself stays
  EXPECT_TRUE(FolderIsEmpty(dir.path()));

  dir.File("recycled-probe.txt", "to the bin");
  EXPECT_TRUE(DeleteFolderContents(dir.path(), true));
  EXPECT_TRUE(FolderIsEmpty(dir.path()));
}

TEST(DeleteFolderContents, LongFolderPathIsNotCut) {
  test::TestFolder dir;
  // Past the old 123-character limit of a fixed buffer, still below MAX_PATH for the shell.
  std::string sub(150, 'x');
  const std::string deep = dir.Folder(sub.substr(0, 70) + "\\" + sub.substr(0, 70));
  ASSERT_GT(deep.size(), 123u);
  dir.File(sub.substr(0, 70) + "\\" + sub.substr(0, 70) + "\\inside.txt");
  dir.File("outside.txt");
  EXPECT_TRUE(DeleteFolderContents(deep, false));
  EXPECT_TRUE(FolderIsEmpty(deep));
  EXPECT_TRUE(test::PathExists(dir / "outside.txt"));  // nothing outside the folder is touched
}

TEST(FolderIsEmpty, OneHiddenFileCounts) {
  test::TestFolder dir;
  EXPECT_TRUE(FolderIsEmpty(dir.path()));
  test::SetAttributes(dir.File("h.dat"), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FALSE(FolderIsEmpty(dir.path()));
  EXPECT_TRUE(FolderIsEmpty("C:\\velmora-tests\\no-such\\"));
}

TEST(FileIsLockedAndLastAccess, OpenAndReadOnlyFiles) {
  test::TestFolder dir;
  const std::string path = dir.File("f.txt");
  EXPECT_FALSE(FileIsLocked(path));
  HANDLE held = CreateFileW(Widen(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  EXPECT_TRUE(FileIsLocked(path));
  EXPECT_EQ(0.0, GetFileLastAccess(path));  // locked: cannot be opened for reading and writing
  CloseHandle(held);

  // A known access time is read back and left as it was.
  SYSTEMTIME st{2020, 5, 0, 17, 10, 30, 0, 0};
  FILETIME ft;
  SystemTimeToFileTime(&st, &ft);
  HANDLE w = CreateFileW(Widen(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  SetFileTime(w, nullptr, &ft, nullptr);
  CloseHandle(w);
  const double first = GetFileLastAccess(path);
  EXPECT_GT(first, 43900.0);  // 2020-03 onwards
  EXPECT_LT(first, 43975.0);
  EXPECT_DOUBLE_EQ(first, GetFileLastAccess(path));

  test::SetAttributes(path, FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(0.0, GetFileLastAccess(path));
  EXPECT_TRUE(FileIsLocked(path));
  test::SetAttributes(path, FILE_ATTRIBUTE_NORMAL);
}

TEST(SystemFolders, TempWindowsAndStartup) {
  test::RegistrySandbox sandbox;
  const std::string temp = GetTempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ('\\', temp.back());
  EXPECT_FALSE(GetWindowsFolder().empty());
  EXPECT_NE('\\', GetWindowsFolder().back());

  EXPECT_EQ("", GetStartupFolder());  // the key is not there, and is not created
  EXPECT_FALSE(RegKey::Exists(HKEY_CURRENT_USER,
                              "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"));
  RegKey::Create(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders")
      .WriteString("StartUp", "C:\\Start Menu\\StartUp");
  EXPECT_EQ("C:\\Start Menu\\StartUp", GetStartupFolder());
}

TEST(ExpandAndShortPath, ReturnInputWhenTheSystemCannotAnswer) {
  SetEnvironmentVariableW(L"VELMORA_LONG", std::wstring(300, L'q').c_str());
  const std::string expanded = ExpandEnvironment("%VELMORA_LONG%\\tail");
  EXPECT_EQ(std::string(300, 'q') + "\\tail", expanded);  // no 255-character cut
  EXPECT_EQ("%VELMORA_UNSET_NAME%", ExpandEnvironment("%VELMORA_UNSET_NAME%"));

  EXPECT_EQ("C:\\no\\such\\file.txt", GetShortPath("C:\\no\\such\\file.txt"));
  test::TestFolder dir;
  const std::string longName = dir.File("A long file name.text");
  const std::string shortName = GetShortPath(longName);
  EXPECT_FALSE(shortName.empty());
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(Widen(shortName).c_str()));
}

TEST(ValidateEntryName, EachOfTheNineCharactersIsRejected) {
  EXPECT_TRUE(ValidateEntryName("Plain name.txt", "Pattern"));
  EXPECT_TRUE(test::world().dialogs.asked().empty());
  const std::string nine = "\\/:*?\"<>|";
  for (char c : nine) {
    test::world().dialogs.Reset();
    EXPECT_FALSE(ValidateEntryName(std::string("a") + c + "b", "The name may not contain"));
    ASSERT_EQ(1u, test::world().dialogs.asked().size()) << c;
    EXPECT_EQ("The name may not contain: \\ / : * ? \" < > |", test::world().dialogs.asked()[0].text);
  }
}

TEST(IsAdministrator, NonNtAlwaysAllowedNtAsksTheToken) {
  test::world().windowsNT = false;
  test::world().administrator = false;
  EXPECT_TRUE(IsAdministrator());
  test::world().windowsNT = true;
  EXPECT_FALSE(IsAdministrator());
  test::world().administrator = true;
  EXPECT_TRUE(IsAdministrator());
}

TEST(ShowRegistryAccessError, ShowsTheSharedMessage) {
  ShowRegistryAccessError();
  ASSERT_EQ(1u, test::world().dialogs.asked().size());
  EXPECT_EQ(
      "Velmora was unable to access the System Registry.\r\n\r\nIf you are running under Windows NT you must be "
      "logged in as an \"Administrator\" in order to access this function.",
      test::world().dialogs.asked()[0].text);
}

