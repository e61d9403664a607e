#include "shell/settings.h"

#include "platform/registry.h"

namespace velmora::shell {

namespace {

// Opened with create-if-missing, as every settings call does; a key that cannot
// be created or opened gives an empty RegKey.
RegKey OpenSettingsKey(const std::string& key) {
  try {
    return RegKey::Create(HKEY_CURRENT_USER, key);
  } catch (const RegistryError&) {
    return RegKey::Open(HKEY_CURRENT_USER, key, KEY_READ);
  }
}

}  // namespace

bool ReadBoolSetting(const std::string& key, const std::string& name) {
  RegKey k = OpenSettingsKey(key);
  if (!k) return true;
  const auto v = k.ReadDword(name);
  return v ? *v != 0 : true;
}

void WriteBoolSetting(const std::string& key, const std::string& name, bool value) {
  RegKey::Create(HKEY_CURRENT_USER, key).WriteDword(name, value ? 1 : 0);
}

std::int32_t ReadIntegerSetting(const std::string& key, const std::string& name) {
  RegKey k = OpenSettingsKey(key);
  if (!k) return 0;
  const auto v = k.ReadDword(name);
  return v ? std::int32_t(*v) : 0;
}

void WriteIntegerSetting(const std::string& key, const std::string& name, std::int32_t value) {
  RegKey::Create(HKEY_CURRENT_USER, key).WriteDword(name, std::uint32_t(value));
}

void DeleteSetting(const std::string& key, const std::string& name) {
  RegKey k = OpenSettingsKey(key);
  if (k) k.DeleteValue(name);
}

}  // namespace velmora::shell
