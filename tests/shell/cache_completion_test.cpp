#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/text.h"
#include "shell/cache_completion.h"
#include "shell/utilities.h"
#include "support/fakes.h"
#include "support/registry_sandbox.h"
#include "support/test_folder.h"

using namespace velmora;
using namespace velmora::shell;

TEST(CacheCompletion, EmptiesTheRecordedFoldersAndDeletesTheValues) {
  test::RegistrySandbox sandbox;
  test::TestFolder dir;
  const std::string cookies = dir.Folder("Cookies");
  const std::string history = dir.Folder("History");
  dir.File("Cookies\\user@site.txt");
  dir.File("History\\day\\index.dat");
  dir.File("keep.txt");
  RegKey key = RegKey::Create(HKEY_CURRENT_USER, "\\Software\\Dastra\\Velmora\\privacy");
  key.WriteString("Cookies", cookies);
  key.WriteString("Cache", dir / "Gone-Already");  // no longer exists: skipped, value still deleted
  key.WriteString("History", history);
  key.WriteString("Other", "untouched");

  std::vector<std::string> details;
  CompleteCacheRemoval([&](const std::string& d) { details.push_back(d); });

  EXPECT_EQ((std::vector<std::string>{"Cleaning up cookies...", "Cleaning up cache...", "Cleaning up history..."}),
            details);
  EXPECT_TRUE(FolderIsEmpty(cookies));
  EXPECT_TRUE(FolderIsEmpty(history));
  EXPECT_TRUE(test::PathExists(cookies));  // the folders themselves stay
  EXPECT_TRUE(test::PathExists(dir / "keep.txt"));
  EXPECT_EQ((std::vector<std::string>{"Other"}), key.ValueNames());
}

TEST(CacheCompletion, NothingRecordedNothingDone) {
  test::RegistrySandbox sandbox;
  int calls = 0;
  CompleteCacheRemoval([&](const std::string&) { ++calls; });
  EXPECT_EQ(0, calls);
  EXPECT_TRUE(RegKey::Exists(HKEY_CURRENT_USER, "\\Software\\Dastra\\Velmora\\privacy"));  // opened with create
}

TEST(CacheCompletion, DamagedValuesAreDeletedWithoutActingOnThem) {
  test::RegistrySandbox sandbox;
  test::TestFolder dir('E');
  dir.File("precious.txt");
  RegKey key = RegKey::Create(HKEY_CURRENT_USER, "\\Software\\Dastra\\Velmora\\privacy");
  key.WriteString("Cookies", "E:\\");  // a drive root is never emptied
  key.WriteDword("Cache", 7);          // not a folder name at all
  key.WriteString("History", "velmora-tests");  // relative
  CompleteCacheRemoval([](const std::string&) {});
  EXPECT_TRUE(test::PathExists(dir / "precious.txt"));
  EXPECT_TRUE(key.ValueNames().empty());

  EXPECT_TRUE(IsSafeFolderText("C:\\Temp\\Cache"));
  EXPECT_TRUE(IsSafeFolderText("\\\\server\\share\\cache\\"));
  EXPECT_FALSE(IsSafeFolderText("\\\\server\\share\\"));
  EXPECT_FALSE(IsSafeFolderText("C:\\"));
  EXPECT_FALSE(IsSafeFolderText("C:"));
  EXPECT_FALSE(IsSafeFolderText("C:\\Temp\\..\\"));
  EXPECT_FALSE(IsSafeFolderText("C:\\Temp\\*"));
  EXPECT_FALSE(IsSafeFolderText(""));
}

// A folder named in the registry is emptied only when it exists, is no link,
// and neither is nor holds a folder the system or the user cannot lose.
TEST(CacheCompletion, OnlyExistingOrdinaryFoldersBelowTheSystemOnesMayBeEmptied) {
  test::TestFolder dir('E');
  const std::string cache = dir.Folder("Cache");
  EXPECT_TRUE(IsSafeFolderToEmpty(cache));
  EXPECT_TRUE(IsSafeFolderToEmpty(cache + "\\"));
  EXPECT_FALSE(IsSafeFolderToEmpty(dir / "missing"));
  EXPECT_FALSE(IsSafeFolderToEmpty(dir.File("file.txt")));
  const std::string windows = SystemWindowsFolder().value_or("C:\\windows");
  EXPECT_FALSE(IsSafeFolderToEmpty(windows));
  EXPECT_FALSE(IsSafeFolderToEmpty(windows + "\\system32"));
  const auto profile = ShellFolderPath(CSIDL_PROFILE);
  ASSERT_TRUE(profile);
  EXPECT_FALSE(IsSafeFolderToEmpty(*profile));
  EXPECT_FALSE(IsSafeFolderToEmpty(ExtractFilePath(*profile)));  // above the profile: every user's
  const auto appData = ShellFolderPath(CSIDL_APPDATA);
  ASSERT_TRUE(appData);
  EXPECT_FALSE(IsSafeFolderToEmpty(*appData));
  EXPECT_FALSE(IsSafeFolderToEmpty(test::world().programFolder));
  // Below them is fine: the browsers keep their caches there.
  const std::string below = *appData + "\\velmora-cache-test";
  CreateDirectoryW(Widen(below).c_str(), nullptr);
  EXPECT_TRUE(IsSafeFolderToEmpty(below));
  RemoveDirectoryW(Widen(below).c_str());
}
