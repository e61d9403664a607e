#include <gtest/gtest.h>

#include "platform/registry.h"
#include "shell/cache_completion.h"
#include "shell/utilities.h"
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

  EXPECT_TRUE(IsSafeFolderToEmpty("C:\\Temp\\Cache"));
  EXPECT_TRUE(IsSafeFolderToEmpty("\\\\server\\share\\cache\\"));
  EXPECT_FALSE(IsSafeFolderToEmpty("\\\\server\\share\\"));
  EXPECT_FALSE(IsSafeFolderToEmpty("C:\\"));
  EXPECT_FALSE(IsSafeFolderToEmpty("C:"));
  EXPECT_FALSE(IsSafeFolderToEmpty("C:\\Temp\\..\\"));
  EXPECT_FALSE(IsSafeFolderToEmpty(""));
}
