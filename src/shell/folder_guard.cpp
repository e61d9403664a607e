#include "shell/folder_guard.h"

#include <windows.h>
#include <shlobj.h>

#include <optional>

#include "platform/files.h"
#include "platform/services.h"
#include "platform/system.h"
#include "platform/text.h"
#include "shell/utilities.h"

namespace velmora::shell {

bool IsSafeFolderText(const std::string& folder) {
  const std::string f = ExcludeTrailingBackslash(folder);
  // "X:\something" or "\\server\share\something": never a bare root, never relative.
  const bool drivePath = f.size() > 3 && f[1] == ':' && f[2] == '\\';
  bool uncPath = false;
  if (f.rfind("\\\\", 0) == 0) {
    const size_t share = f.find('\\', 2);
    const size_t below = share == std::string::npos ? share : f.find('\\', share + 1);
    uncPath = below != std::string::npos && below + 1 < f.size();
  }
  return (drivePath || uncPath) && f.find("..") == std::string::npos && f.find_first_of("*?\"<>|/") == std::string::npos;
}

namespace {

// Upper case, long form where the folder exists, one trailing backslash: an
// 8.3 spelling of a protected folder is the same folder.
std::string Comparable(const std::string& folder) {
  const std::string f = LongPathName(folder).value_or(folder);
  return UpperCase(IncludeTrailingBackslash(f));
}

bool IsAtOrBelow(const std::string& f, const std::string& top) { return f.rfind(top, 0) == 0; }

std::string UsersRoot() {
  if (const auto u = KnownFolderPath(KnownFolder::UserProfiles)) return Comparable(*u);
  if (const auto p = ShellFolderPath(CSIDL_PROFILE)) return Comparable(ExtractFilePath(ExcludeTrailingBackslash(*p)));
  return {};
}

std::string WindowsFolder() { return Comparable(SystemWindowsFolder().value_or("C:\\Windows")); }

}  // namespace

std::vector<std::string> ProtectedFolders() {
  std::vector<std::string> out;
  out.push_back(WindowsFolder());
  for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_COMMON_APPDATA, CSIDL_PROFILE, CSIDL_APPDATA,
                    CSIDL_LOCAL_APPDATA, CSIDL_PERSONAL, CSIDL_DESKTOPDIRECTORY, CSIDL_MYPICTURES, CSIDL_MYMUSIC,
                    CSIDL_MYVIDEO, CSIDL_COMMON_DOCUMENTS, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_PICTURES,
                    CSIDL_COMMON_MUSIC, CSIDL_COMMON_VIDEO, CSIDL_SYSTEM, CSIDL_SYSTEMX86})
    if (const auto f = ShellFolderPath(csidl)) out.push_back(Comparable(*f));
  for (KnownFolder k : {KnownFolder::Downloads, KnownFolder::PublicDownloads})
    if (const auto f = KnownFolderPath(k)) out.push_back(Comparable(*f));
  if (const std::string users = UsersRoot(); !users.empty()) out.push_back(users);
  out.push_back(Comparable(services().programFolder()));
  out.push_back(Comparable(DataFolder()));
  return out;
}

std::string UnsafeFolderReason(const std::string& folder) {
  if (!IsSafeFolderText(folder)) return "it is a drive root, or not a full folder path";
  const auto attributes = FileAttributes(folder);
  if (!attributes) return "it does not exist";
  if (!(*attributes & FILE_ATTRIBUTE_DIRECTORY)) return "it is not a folder";
  if (*attributes & FILE_ATTRIBUTE_REPARSE_POINT) return "it is a link to another folder";
  const std::string f = Comparable(folder);
  const std::string windows = WindowsFolder();
  // Everything below Windows, its Temp folder too: what lives there belongs to
  // the system and its services, whatever names it as a temporary folder.
  if (IsAtOrBelow(f, windows)) return "it is a system folder";
  for (const std::string& p : ProtectedFolders())
    if (IsAtOrBelow(p, f)) return "it is, or holds, a system or user-data folder";
  // Any folder directly inside the users root is somebody's profile.
  const std::string users = UsersRoot();
  if (!users.empty() && IsAtOrBelow(f, users) && f.find('\\', users.size()) == f.size() - 1)
    return "it is a user's profile folder";
  return {};
}

bool IsSafeFolderToEmpty(const std::string& folder) { return UnsafeFolderReason(folder).empty(); }

}  // namespace velmora::shell
