// RAII registry keys with typed reads and writes.
//
// Reads check the stored type: a value of the wrong type raises RegistryError
// naming key and value (bad stored data must end the current step, never be
// read as something else). An absent value reads as std::nullopt.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

class RegistryError : public std::runtime_error {
 public:
  RegistryError(const std::string& what, long code) : std::runtime_error(what), code_(code) {}
  long code() const { return code_; }
  // True when the failure was a refusal for lack of rights.
  bool accessDenied() const { return code_ == ERROR_ACCESS_DENIED; }

 private:
  long code_;
};

struct RegValue {
  DWORD type = REG_NONE;
  std::vector<std::uint8_t> data;
};

class RegKey {
 public:
  RegKey() = default;
  RegKey(HKEY key, std::string path) : key_(key), path_(std::move(path)) {}
  ~RegKey() { Close(); }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  RegKey(RegKey&& other) noexcept;
  RegKey& operator=(RegKey&& other) noexcept;

  // Opens an existing key; an empty RegKey (false) when it cannot be opened, with
  // the system's code in *error.
  static RegKey Open(HKEY root, std::string_view path, REGSAM access = KEY_READ,
                     long* error = nullptr);
  // Opens the key, creating missing parts; raises RegistryError on failure.
  static RegKey Create(HKEY root, std::string_view path, REGSAM access = KEY_READ | KEY_WRITE);
  // Opens for reading and writing, or read-only when full access is refused.
  static RegKey OpenBestAccess(HKEY root, std::string_view path, long* error = nullptr);
  static bool Exists(HKEY root, std::string_view path);
  // Deletes a key with all its sub-keys; true when it existed and is gone.
  static bool DeleteTree(HKEY root, std::string_view path);

  explicit operator bool() const { return key_ != nullptr; }
  HKEY get() const { return key_; }
  const std::string& path() const { return path_; }
  void Close();

  RegKey OpenSubKey(std::string_view name, REGSAM access = KEY_READ, long* error = nullptr) const;
  RegKey CreateSubKey(std::string_view name, REGSAM access = KEY_READ | KEY_WRITE) const;
  bool DeleteSubKeyTree(std::string_view name) const;

  bool ValueExists(std::string_view name) const;
  std::optional<RegValue> ReadValue(std::string_view name) const;
  std::optional<std::uint32_t> ReadDword(std::string_view name) const;
  // REG_SZ or REG_EXPAND_SZ, as stored (not expanded).
  std::optional<std::string> ReadString(std::string_view name) const;
  std::optional<std::vector<std::uint8_t>> ReadBinary(std::string_view name) const;
  // An 8-byte double stored as binary data (days since 30 December 1899).
  std::optional<double> ReadDateTime(std::string_view name) const;

  void WriteDword(std::string_view name, std::uint32_t value) const;
  void WriteString(std::string_view name, std::string_view value) const;
  void WriteExpandString(std::string_view name, std::string_view value) const;
  void WriteBinary(std::string_view name, const void* data, size_t size) const;
  void WriteDateTime(std::string_view name, double value) const;
  void WriteValue(std::string_view name, const RegValue& value) const;

  // True when the value existed and was deleted.
  bool DeleteValue(std::string_view name) const;

  std::vector<std::string> ValueNames() const;
  std::vector<std::string> SubKeyNames() const;
  FILETIME LastWriteTime() const;

 private:
  [[noreturn]] void Fail(std::string_view action, std::string_view name, long code) const;
  HKEY key_ = nullptr;
  std::string path_;
};

// Decodes stored string data (REG_SZ/REG_EXPAND_SZ bytes) to UTF-8, stopping at
// the first terminator and accepting data stored without one.
std::string DecodeRegString(const std::vector<std::uint8_t>& data);

}  // namespace velmora
