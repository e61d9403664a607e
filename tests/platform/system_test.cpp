#include <gtest/gtest.h>

#include <shlobj.h>

#include "platform/files.h"
#include "platform/security.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/version_info.h"
#include "support/fakes.h"
#include "support/test_folder.h"

using namespace velmora;

TEST(SystemText, EnvironmentExpansionGrowsBeyondTheOldBuffer) {
  const std::string value(300, 'v');
  ASSERT_TRUE(SetEnvironmentVariableW(L"VELMORA_LONG", Widen(value).c_str()));
  const auto expanded = ExpandEnvironmentText("[%VELMORA_LONG%]%VELMORA_LONG%");
  ASSERT_TRUE(expanded);
  EXPECT_EQ("[" + value + "]" + value, *expanded);
  EXPECT_EQ("%VELMORA_NOT_SET%\\x", ExpandEnvironmentText("%VELMORA_NOT_SET%\\x").value());
  EXPECT_EQ("", ExpandEnvironmentText("").value());
  SetEnvironmentVariableW(L"VELMORA_LONG", nullptr);
}

TEST(SystemText, ShortPathsOfExistingAndMissingPaths) {
  test::TestFolder dir;
  const std::string file = dir.File("A rather long file name.text", "x");
  const auto shortName = ShortPathName(file);
  ASSERT_TRUE(shortName);
  EXPECT_TRUE(FileExists(*shortName)) << *shortName;
  EXPECT_FALSE(ShortPathName(dir / "missing file name.txt").has_value());
  EXPECT_FALSE(ShortPathName("").has_value());
}

TEST(SystemFolders, TempWindowsAndShellFolders) {
  const auto temp = SystemTempFolder();
  ASSERT_TRUE(temp);
  EXPECT_EQ('\\', temp->back());
  EXPECT_TRUE(FolderExists(*temp));

  const auto windows = SystemWindowsFolder();
  ASSERT_TRUE(windows);
  EXPECT_NE('\\', windows->back());
  EXPECT_TRUE(EqualNoCase("C:\\windows", *windows)) << *windows;
  EXPECT_TRUE(EqualNoCase(*windows, ShellFolderPath(CSIDL_WINDOWS).value_or("")));
  const auto appData = ShellFolderPath(CSIDL_APPDATA);
  ASSERT_TRUE(appData);
  EXPECT_TRUE(FolderExists(*appData)) << *appData;
}

TEST(SystemShell, OpeningGoesThroughTheReplaceableWorld) {
  EXPECT_TRUE(OpenWithShell("open", "C:\\help\\index.html"));
  test::world().shellSucceeds = false;
  EXPECT_FALSE(OpenWithShell("properties", "C:\\x.txt", "-p"));
  ASSERT_EQ(2u, test::world().shellCalls.size());
  EXPECT_EQ("open", test::world().shellCalls[0].verb);
  EXPECT_EQ("C:\\help\\index.html", test::world().shellCalls[0].target);
  EXPECT_EQ("", test::world().shellCalls[0].params);
  EXPECT_EQ("-p", test::world().shellCalls[1].params);
}

TEST(SystemSecurity, AdministratorTokenTestAnswers) {
  // The real token of the test run is read (the fake world replaces only
  // services().tokenIsAdministrator). Wine gives its user the Administrators
  // group; on Windows either answer is right, but it must not change.
  const bool first = TokenIsAdministrator();
  EXPECT_EQ(first, TokenIsAdministrator());
  const bool underWine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  if (underWine) {
    EXPECT_TRUE(first);
  }
}

// The answer follows the token in force: with the Administrators group made
// deny-only (a filtered, not elevated, administrator), the test says no.
TEST(Security, ADenyOnlyAdministratorsGroupCountsAsAbsent) {
  ASSERT_TRUE(TokenIsAdministrator());
  HANDLE process = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &process));
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                       0, &admins));
  SID_AND_ATTRIBUTES disable{admins, 0};
  HANDLE filtered = nullptr;
  const BOOL made = CreateRestrictedToken(process, 0, 1, &disable, 0, nullptr, 0, nullptr, &filtered);
  CloseHandle(process);
  FreeSid(admins);
  ASSERT_TRUE(made) << GetLastError();
  HANDLE impersonation = nullptr;
  ASSERT_TRUE(DuplicateToken(filtered, SecurityImpersonation, &impersonation));
  CloseHandle(filtered);
  ASSERT_TRUE(SetThreadToken(nullptr, impersonation));
  const bool filteredAnswer = TokenIsAdministrator();
  RevertToSelf();
  CloseHandle(impersonation);
  EXPECT_FALSE(filteredAnswer);
  EXPECT_TRUE(TokenIsAdministrator());
}

TEST(VersionInfo, StringsOfSystemFilesAndFilesWithoutAResource) {
  const std::string kernel = SystemWindowsFolder().value_or("C:\\windows") + "\\system32\\kernel32.dll";
  const std::string version = GetVersionString(kernel, "FileVersion");
  EXPECT_FALSE(version.empty());
  EXPECT_NE(std::string::npos, version.find('.')) << version;
  EXPECT_EQ("", GetVersionString(kernel, "NoSuchString"));

  test::TestFolder dir;
  EXPECT_EQ("", GetVersionString(dir.File("plain.dll", "MZ not really"), "FileVersion"));
  EXPECT_EQ("", GetVersionString(dir / "missing.dll", "FileVersion"));
  EXPECT_EQ("", GetVersionString("", "FileVersion"));
}
