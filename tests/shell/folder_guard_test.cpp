// The one folder guard, tried with every folder it refuses, on the prefix's
// real system and user folders.
#include "shell/folder_guard.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include "platform/files.h"
#include "platform/system.h"
#include "platform/text.h"
#include "shell/utilities.h"
#include "support/fakes.h"
#include "support/test_folder.h"

using namespace velmora;
using namespace velmora::shell;

namespace {

std::string Csidl(int csidl) {
  const auto f = ShellFolderPath(csidl);
  return f ? *f : std::string();
}

TEST(FolderGuard, RefusesEverySystemAndUserDataFolder) {
  const std::string windows = SystemWindowsFolder().value_or("C:\\windows");
  const std::string profile = Csidl(CSIDL_PROFILE);
  ASSERT_FALSE(profile.empty());
  const std::string users = KnownFolderPath(KnownFolder::UserProfiles).value_or(ExtractFilePath(profile));
  struct Case {
    const char* what;
    std::string folder;
  };
  std::vector<Case> cases = {
      {"the Windows folder", windows},
      {"System32", windows + "\\system32"},
      {"a folder below Windows", windows + "\\Fonts"},
      {"Program Files", Csidl(CSIDL_PROGRAM_FILES)},
      {"Program Files (x86)", Csidl(CSIDL_PROGRAM_FILESX86)},
      {"ProgramData", Csidl(CSIDL_COMMON_APPDATA)},
      {"the users root", users},
      {"the profile", profile},
      {"another profile", IncludeTrailingBackslash(users) + "Public"},
      {"AppData", Csidl(CSIDL_APPDATA)},
      {"Local AppData", Csidl(CSIDL_LOCAL_APPDATA)},
      {"Documents", Csidl(CSIDL_PERSONAL)},
      {"Desktop", Csidl(CSIDL_DESKTOPDIRECTORY)},
      {"Pictures", Csidl(CSIDL_MYPICTURES)},
      {"Music", Csidl(CSIDL_MYMUSIC)},
      {"Videos", Csidl(CSIDL_MYVIDEO)},
      {"Downloads", KnownFolderPath(KnownFolder::Downloads).value_or("")},
      {"the program's folder", test::world().programFolder},
      {"the data folder", DataFolder()},
      {"a drive root", "C:\\"},
      {"a share root", "\\\\server\\share\\"},
      {"a relative path", "temp"},
      {"an empty text", ""},
      {"a wildcard", windows + "\\*"},
  };
  if (const auto shortProfile = ShortPathName(profile); shortProfile && *shortProfile != profile)
    cases.push_back({"the profile's 8.3 form", *shortProfile});
  for (const Case& c : cases) {
    if (c.folder.empty() && std::string(c.what) != "an empty text") {
      ADD_FAILURE() << "the prefix has no " << c.what;
      continue;
    }
    if (!c.folder.empty() && c.folder.find('*') == std::string::npos && c.folder.rfind("\\\\", 0) != 0 &&
        c.folder.size() > 3 && c.folder[1] == ':' && !FolderExists(c.folder))
      CreateFolderPath(c.folder);  // a folder the prefix has not made yet still is one
    EXPECT_FALSE(IsSafeFolderToEmpty(c.folder)) << c.what << ": " << c.folder;
    EXPECT_FALSE(UnsafeFolderReason(c.folder).empty()) << c.what;
    EXPECT_FALSE(IsSafeFolderToEmpty(IncludeTrailingBackslash(c.folder))) << c.what;
    EXPECT_FALSE(IsSafeFolderToEmpty(UpperCase(c.folder))) << c.what;
  }
}

TEST(FolderGuard, RefusesWhatIsNoFolderAndTakesRealTemporaryAndCacheFolders) {
  test::TestFolder dir('E');
  EXPECT_TRUE(IsSafeFolderToEmpty(dir.path()));
  EXPECT_EQ(UnsafeFolderReason(dir / "missing"), "it does not exist");
  EXPECT_EQ(UnsafeFolderReason(dir.File("file.txt")), "it is not a folder");
  // Nothing below Windows, its temporary folder included.
  const std::string windowsTemp = SystemWindowsFolder().value_or("C:\\windows") + "\\temp";
  CreateFolderPath(windowsTemp);
  EXPECT_EQ(UnsafeFolderReason(windowsTemp), "it is a system folder");
  // Below the user's folders: the temporary folder and the browsers' caches.
  const std::string below = Csidl(CSIDL_LOCAL_APPDATA) + "\\velmora-guard-test";
  CreateFolderPath(below);
  EXPECT_TRUE(IsSafeFolderToEmpty(below)) << UnsafeFolderReason(below);
  RemoveDirectoryW(Widen(below).c_str());
  const std::string temp = SystemTempFolder().value_or("");
  if (FolderExists(temp)) {
    EXPECT_TRUE(IsSafeFolderToEmpty(temp)) << temp << ": " << UnsafeFolderReason(temp);
  }
}

}  // namespace
