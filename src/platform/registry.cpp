#include "platform/registry.h"

#include <cstring>

#include "platform/text.h"

namespace velmora {

namespace {

std::string JoinPath(std::string_view a, std::string_view b) {
  if (a.empty()) return std::string(b);
  std::string out(a);
  if (out.back() != '\\') out += '\\';
  out += b;
  return out;
}

// Key paths are accepted with or without a leading backslash ("\Software\..." and
// "software\..." name the same key); the API wants none.
std::wstring KeyPathW(std::string_view path) {
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  return Widen(path);
}

}  // namespace

RegKey::RegKey(RegKey&& other) noexcept : key_(other.key_), path_(std::move(other.path_)) {
  other.key_ = nullptr;
}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
  if (this != &other) {
    Close();
    key_ = other.key_;
    path_ = std::move(other.path_);
    other.key_ = nullptr;
  }
  return *this;
}

void RegKey::Close() {
  if (key_) RegCloseKey(key_);
  key_ = nullptr;
}

RegKey RegKey::Open(HKEY root, std::string_view path, REGSAM access, long* error) {
  HKEY key = nullptr;
  const LONG rc = RegOpenKeyExW(root, KeyPathW(path).c_str(), 0, access, &key);
  if (error) *error = rc;
  if (rc != ERROR_SUCCESS) return RegKey();
  return RegKey(key, std::string(path));
}

RegKey RegKey::Create(HKEY root, std::string_view path, REGSAM access) {
  HKEY key = nullptr;
  const LONG rc = RegCreateKeyExW(root, KeyPathW(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  access, nullptr, &key, nullptr);
  if (rc != ERROR_SUCCESS)
    throw RegistryError("Cannot open registry key \"" + std::string(path) + "\": " + SystemErrorText(rc), rc);
  return RegKey(key, std::string(path));
}

RegKey RegKey::OpenBestAccess(HKEY root, std::string_view path, long* error) {
  long rc = 0;
  RegKey key = Open(root, path, KEY_READ | KEY_WRITE, &rc);
  if (!key && rc == ERROR_ACCESS_DENIED) key = Open(root, path, KEY_READ, &rc);
  if (error) *error = rc;
  return key;
}

bool RegKey::Exists(HKEY root, std::string_view path) {
  return bool(Open(root, path, KEY_QUERY_VALUE));
}

bool RegKey::DeleteTree(HKEY root, std::string_view path) {
  const std::wstring p = KeyPathW(path);
  if (p.empty()) return false;  // never the root itself
  if (RegDeleteTreeW(root, p.c_str()) != ERROR_SUCCESS) return false;
  RegDeleteKeyW(root, p.c_str());  // RegDeleteTree leaves the key itself on some systems
  return true;
}

RegKey RegKey::OpenSubKey(std::string_view name, REGSAM access, long* error) const {
  HKEY key = nullptr;
  const LONG rc = RegOpenKeyExW(key_, Widen(name).c_str(), 0, access, &key);
  if (error) *error = rc;
  if (rc != ERROR_SUCCESS) return RegKey();
  return RegKey(key, JoinPath(path_, name));
}

RegKey RegKey::CreateSubKey(std::string_view name, REGSAM access) const {
  HKEY key = nullptr;
  const LONG rc = RegCreateKeyExW(key_, Widen(name).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  access, nullptr, &key, nullptr);
  if (rc != ERROR_SUCCESS) Fail("create sub-key", name, rc);
  return RegKey(key, JoinPath(path_, name));
}

bool RegKey::DeleteSubKeyTree(std::string_view name) const {
  const std::wstring n = Widen(name);
  if (n.empty()) return false;
  if (RegDeleteTreeW(key_, n.c_str()) != ERROR_SUCCESS) return false;
  RegDeleteKeyW(key_, n.c_str());  // RegDeleteTree leaves the key itself on some systems
  return true;
}

void RegKey::Fail(std::string_view action, std::string_view name, long code) const {
  throw RegistryError("Cannot " + std::string(action) + " \"" + std::string(name) + "\" in registry key \"" +
                          path_ + "\": " + SystemErrorText(code),
                      code);
}

bool RegKey::ValueExists(std::string_view name) const {
  return RegQueryValueExW(key_, Widen(name).c_str(), nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

std::optional<RegValue> RegKey::ReadValue(std::string_view name) const {
  const std::wstring n = Widen(name);
  RegValue value;
  DWORD size = 0;
  LONG rc = RegQueryValueExW(key_, n.c_str(), nullptr, &value.type, nullptr, &size);
  if (rc == ERROR_FILE_NOT_FOUND) return std::nullopt;
  // The value may grow between the two calls: retry while the system says so.
  for (;;) {
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) Fail("read", name, rc);
    value.data.resize(size);
    rc = RegQueryValueExW(key_, n.c_str(), nullptr, &value.type, value.data.data(), &size);
    if (rc == ERROR_SUCCESS) break;
    if (rc == ERROR_FILE_NOT_FOUND) return std::nullopt;
    if (rc == ERROR_MORE_DATA) size += 64;
  }
  value.data.resize(size);
  return value;
}

std::optional<std::uint32_t> RegKey::ReadDword(std::string_view name) const {
  auto v = ReadValue(name);
  if (!v) return std::nullopt;
  if (v->type != REG_DWORD || v->data.size() != 4)
    throw RegistryError("Registry value \"" + std::string(name) + "\" in key \"" + path_ +
                            "\" is not a 32-bit integer",
                        ERROR_INVALID_DATA);
  std::uint32_t out;
  std::memcpy(&out, v->data.data(), 4);
  return out;
}

std::string DecodeRegString(const std::vector<std::uint8_t>& data) {
  std::wstring w(data.size() / 2, L'\0');
  std::memcpy(w.data(), data.data(), w.size() * 2);
  const size_t end = w.find(L'\0');
  if (end != std::wstring::npos) w.resize(end);
  return Narrow(w);
}

std::optional<std::string> RegKey::ReadString(std::string_view name) const {
  auto v = ReadValue(name);
  if (!v) return std::nullopt;
  if (v->type != REG_SZ && v->type != REG_EXPAND_SZ)
    throw RegistryError("Registry value \"" + std::string(name) + "\" in key \"" + path_ +
                            "\" is not a string",
                        ERROR_INVALID_DATA);
  return DecodeRegString(v->data);
}

std::optional<std::vector<std::uint8_t>> RegKey::ReadBinary(std::string_view name) const {
  auto v = ReadValue(name);
  if (!v) return std::nullopt;
  if (v->type != REG_BINARY)
    throw RegistryError("Registry value \"" + std::string(name) + "\" in key \"" + path_ +
                            "\" is not binary data",
                        ERROR_INVALID_DATA);
  return std::move(v->data);
}

std::optional<double> RegKey::ReadDateTime(std::string_view name) const {
  auto v = ReadValue(name);
  if (!v) return std::nullopt;
  if (v->type != REG_BINARY || v->data.size() != sizeof(double))
    throw RegistryError("Registry value \"" + std::string(name) + "\" in key \"" + path_ +
                            "\" is not a date and time",
                        ERROR_INVALID_DATA);
  double out;
  std::memcpy(&out, v->data.data(), sizeof out);
  return out;
}

void RegKey::WriteValue(std::string_view name, const RegValue& value) const {
  const LONG rc = RegSetValueExW(key_, Widen(name).c_str(), 0, value.type, value.data.data(),
                                 DWORD(value.data.size()));
  if (rc != ERROR_SUCCESS) Fail("write", name, rc);
}

void RegKey::WriteDword(std::string_view name, std::uint32_t value) const {
  const LONG rc = RegSetValueExW(key_, Widen(name).c_str(), 0, REG_DWORD,
                                 reinterpret_cast<const BYTE*>(&value), sizeof value);
  if (rc != ERROR_SUCCESS) Fail("write", name, rc);
}

static void WriteStringOfType(const RegKey& key, std::string_view name, std::string_view value,
                              DWORD type) {
  const std::wstring w = Widen(value);
  const LONG rc = RegSetValueExW(key.get(), Widen(name).c_str(), 0, type,
                                 reinterpret_cast<const BYTE*>(w.c_str()), DWORD((w.size() + 1) * 2));
  if (rc != ERROR_SUCCESS)
    throw RegistryError("Cannot write \"" + std::string(name) + "\" in registry key \"" + key.path() +
                            "\": " + SystemErrorText(rc),
                        rc);
}

void RegKey::WriteString(std::string_view name, std::string_view value) const {
  WriteStringOfType(*this, name, value, REG_SZ);
}

void RegKey::WriteExpandString(std::string_view name, std::string_view value) const {
  WriteStringOfType(*this, name, value, REG_EXPAND_SZ);
}

void RegKey::WriteBinary(std::string_view name, const void* data, size_t size) const {
  const LONG rc = RegSetValueExW(key_, Widen(name).c_str(), 0, REG_BINARY,
                                 static_cast<const BYTE*>(data), DWORD(size));
  if (rc != ERROR_SUCCESS) Fail("write", name, rc);
}

void RegKey::WriteDateTime(std::string_view name, double value) const {
  WriteBinary(name, &value, sizeof value);
}

bool RegKey::DeleteValue(std::string_view name) const {
  return RegDeleteValueW(key_, Widen(name).c_str()) == ERROR_SUCCESS;
}

namespace {

// Names of a key's values or sub-keys. A name added while enumerating may be
// longer than the size asked first: the buffer grows and the index is retried.
std::vector<std::string> EnumerateNames(HKEY key, bool values) {
  std::vector<std::string> out;
  DWORD maxSubKey = 0, maxValue = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &maxSubKey, nullptr, nullptr, &maxValue, nullptr,
                       nullptr, nullptr) != ERROR_SUCCESS)
    return out;
  std::wstring buf((values ? maxValue : maxSubKey) + 1, L'\0');
  for (DWORD i = 0;;) {
    DWORD len = DWORD(buf.size());
    const LONG rc = values ? RegEnumValueW(key, i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr)
                           : RegEnumKeyExW(key, i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) {
      buf.resize(buf.size() * 2 + 256);
      continue;
    }
    if (rc != ERROR_SUCCESS) break;  // ERROR_NO_MORE_ITEMS, or the key went away
    out.push_back(Narrow(std::wstring_view(buf.data(), len)));
    ++i;
  }
  return out;
}

}  // namespace

std::vector<std::string> RegKey::ValueNames() const { return EnumerateNames(key_, true); }

std::vector<std::string> RegKey::SubKeyNames() const { return EnumerateNames(key_, false); }

FILETIME RegKey::LastWriteTime() const {
  FILETIME ft{};
  RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr, nullptr, &ft);
  return ft;
}

}  // namespace velmora
