// The settings store: typed values below HKEY_CURRENT_USER. Each call opens the
// key (creating it when missing), does its work and closes it. A value of the
// wrong registry type reads as absent, so its default applies (a damaged
// setting must never lock a tool), and the next write stores it in its right
// type. Typed reads that raise (platform/registry.h) stay for the tools whose
// work is the registry's data itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velmora::shell {

// The suite's settings root; tool keys are below it ("\Software\Dastra\Velmora\Logs", ...).
inline const char* const kSettingsRoot = "\\Software\\Dastra\\Velmora";

// True when the key cannot be opened or the value is absent.
bool ReadBoolSetting(const std::string& key, const std::string& name);
void WriteBoolSetting(const std::string& key, const std::string& name, bool value);
// 0 when the value is absent.
std::int32_t ReadIntegerSetting(const std::string& key, const std::string& name);
void WriteIntegerSetting(const std::string& key, const std::string& name, std::int32_t value);
// REG_SZ or REG_EXPAND_SZ as stored; nullopt when absent or of another type.
std::optional<std::string> ReadStringSetting(const std::string& key, const std::string& name);
void WriteStringSetting(const std::string& key, const std::string& name, const std::string& value);
// Deletes the value if it exists; nothing otherwise.
void DeleteSetting(const std::string& key, const std::string& name);

}  // namespace velmora::shell
