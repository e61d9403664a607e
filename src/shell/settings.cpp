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

// The value as a DWORD; nullopt when absent, of another type or unreadable.
std::optional<std::uint32_t> ReadDwordOrAbsent(const std::string& key, const std::string& name) {
  RegKey k = OpenSettingsKey(key);
  if (!k) return std::nullopt;
  try {
    return k.ReadDword(name);
  } catch (const RegistryError&) {
    return std::nullopt;
  }
}

}  // namespace

bool ReadBoolSetting(const std::string& key, const std::string& name) {
  const auto v = ReadDwordOrAbsent(key, name);
  return v ? *v != 0 : true;
}

void WriteBoolSetting(const std::string& key, const std::string& name, bool value) {
  RegKey::Create(HKEY_CURRENT_USER, key).WriteDword(name, value ? 1 : 0);
}

std::int32_t ReadIntegerSetting(const std::string& key, const std::string& name) {
  const auto v = ReadDwordOrAbsent(key, name);
  return v ? std::int32_t(*v) : 0;
}

std::optional<std::string> ReadStringSetting(const std::string& key, const std::string& name) {
  RegKey k = OpenSettingsKey(key);
  if (!k) return std::nullopt;
  try {
    return k.ReadString(name);
  } catch (const RegistryError&) {
    return std::nullopt;
  }
}

void WriteStringSetting(const std::string& key, const std::string& name, const std::string& value) {
  RegKey::Create(HKEY_CURRENT_USER, key).WriteString(name, value);
}

void WriteIntegerSetting(const std::string& key, const std::string& name, std::int32_t value) {
  RegKey::Create(HKEY_CURRENT_USER, key).WriteDword(name, std::uint32_t(value));
}

void DeleteSetting(const std::string& key, const std::string& name) {
  RegKey k = OpenSettingsKey(key);
  if (k) k.DeleteValue(name);
}

}  // namespace velmora::shell
