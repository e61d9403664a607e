#include "shell/cache_completion.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
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

// The folders whose emptying would wreck the system or the user's data; a
// folder equal to one of them, or above one, is never emptied.
std::vector<std::string> ProtectedFolders() {
  std::vector<std::string> out;
  if (const auto w = SystemWindowsFolder()) out.push_back(*w);
  for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_COMMON_APPDATA, CSIDL_PROFILE, CSIDL_APPDATA,
                    CSIDL_LOCAL_APPDATA, CSIDL_PERSONAL, CSIDL_DESKTOPDIRECTORY, CSIDL_WINDOWS, CSIDL_SYSTEM})
    if (const auto f = ShellFolderPath(csidl); f && !f->empty()) out.push_back(*f);
  out.push_back(services().programFolder());
  for (std::string& f : out) f = UpperCase(IncludeTrailingBackslash(f));
  return out;
}

}  // namespace

bool IsSafeFolderToEmpty(const std::string& folder) {
  if (!IsSafeFolderText(folder)) return false;
  const auto attributes = FileAttributes(folder);
  if (!attributes || !(*attributes & FILE_ATTRIBUTE_DIRECTORY) || (*attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return false;
  const std::string f = UpperCase(IncludeTrailingBackslash(folder));
  for (const std::string& p : ProtectedFolders())
    if (p.rfind(f, 0) == 0) return false;  // the same folder, or one above it
  return true;
}

void CompleteCacheRemoval(const std::function<void(const std::string&)>& setDetail) {
  static const struct {
    const char* value;
    const char* detail;
  } kSteps[] = {{"Cookies", "Cleaning up cookies..."},
                {"Cache", "Cleaning up cache..."},
                {"History", "Cleaning up history..."}};
  RegKey key = RegKey::Create(HKEY_CURRENT_USER, kPrivacyKey);
  for (const auto& step : kSteps) {
    if (!key.ValueExists(step.value)) continue;
    setDetail(step.detail);
    std::string folder;
    try {
      folder = key.ReadString(step.value).value_or(std::string());
    } catch (const RegistryError&) {
      folder.clear();  // not a folder name: nothing to empty, the value still goes
    }
    // A recorded value that names a drive root or a relative path is not acted
    // on: emptying "C:\" because of a damaged value would be a disaster.
    if (IsSafeFolderToEmpty(folder)) DeleteFolderContents(folder, false);
    key.DeleteValue(step.value);
  }
}

}  // namespace velmora::shell
