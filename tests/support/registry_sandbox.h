// Redirects HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_USERS of this process
// to scratch keys for the life of the object, then deletes the scratch tree.
// A registry test works on a tree it built itself and leaves nothing behind.
#pragma once

#include <windows.h>

#include <string>

namespace velmora::test {

class RegistrySandbox {
 public:
  RegistrySandbox();
  ~RegistrySandbox();
  RegistrySandbox(const RegistrySandbox&) = delete;
  RegistrySandbox& operator=(const RegistrySandbox&) = delete;

  // Path of the scratch tree below the real HKEY_CURRENT_USER.
  const std::string& scratchPath() const { return path_; }

 private:
  std::string path_;
  HKEY cu_ = nullptr, lm_ = nullptr, users_ = nullptr;
};

}  // namespace velmora::test
