#include <windows.h>

#include "platform/files.h"
#include "tools/regclean/reference.h"

namespace velmora::regclean {

ReferenceEnv SystemReferenceEnv(bool excludeRemovable) {
  ReferenceEnv env;
  env.excludeRemovable = excludeRemovable;
  env.driveType = [](char letter) {
    const wchar_t root[] = {wchar_t(letter), L':', L'\\', 0};
    return unsigned(GetDriveTypeW(root));
  };
  env.exists = [](const std::string& path) {
    if (GetFileAttributesW(LongPathW(path).c_str()) != INVALID_FILE_ATTRIBUTES) return Existence::Present;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Existence::Missing : Existence::Unknown;
  };
  return env;
}

}  // namespace velmora::regclean
