#include "shell/cache_completion.h"

#include <windows.h>

#include "platform/files.h"
#include "platform/registry.h"
#include "shell/utilities.h"

namespace velmora::shell {

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
