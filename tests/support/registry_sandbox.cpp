#include "support/registry_sandbox.h"

#include <stdexcept>

#include "platform/text.h"

namespace velmora::test {

namespace {

HKEY CreateScratch(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot create the scratch registry key");
  return key;
}

}  // namespace

RegistrySandbox::RegistrySandbox() {
  static int counter = 0;
  path_ = "Software\\VelmoraTestSandbox\\" + std::to_string(GetCurrentProcessId()) + "-" +
          std::to_string(++counter);
  const std::wstring base = Widen(path_);
  // Scratch keys are made under the real HKCU before anything is redirected.
  cu_ = CreateScratch(base + L"\\HKCU");
  lm_ = CreateScratch(base + L"\\HKLM");
  users_ = CreateScratch(base + L"\\HKU");
  if (RegOverridePredefKey(HKEY_CURRENT_USER, cu_) != ERROR_SUCCESS ||
      RegOverridePredefKey(HKEY_LOCAL_MACHINE, lm_) != ERROR_SUCCESS ||
      RegOverridePredefKey(HKEY_USERS, users_) != ERROR_SUCCESS)
    throw std::runtime_error("RegOverridePredefKey failed");
}

RegistrySandbox::~RegistrySandbox() {
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  RegOverridePredefKey(HKEY_USERS, nullptr);
  RegCloseKey(cu_);
  RegCloseKey(lm_);
  RegCloseKey(users_);
  RegDeleteTreeW(HKEY_CURRENT_USER, Widen(path_).c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, Widen(path_).c_str());
}

}  // namespace velmora::test
