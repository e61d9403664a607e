#include "platform/version_info.h"

#include <windows.h>

#include <cwchar>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"

namespace velmora {

std::vector<std::string> GetVersionStrings(const std::string& file, const std::vector<std::string>& names) {
  std::vector<std::string> out(names.size());
  if (file.empty() || names.empty()) return out;
  const std::wstring path = LongPathW(file);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return out;
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return out;

  struct Translation {
    WORD language, codePage;
  };
  void* block = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &block, &length) || !block ||
      length < sizeof(Translation))
    return out;
  const Translation first = *static_cast<const Translation*>(block);

  wchar_t code[16];
  std::swprintf(code, 16, L"%04x%04x", unsigned(first.language), unsigned(first.codePage));
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i].empty()) continue;
    const std::wstring query = L"\\StringFileInfo\\" + std::wstring(code) + L"\\" + Widen(names[i]);
    void* text = nullptr;
    length = 0;
    if (!VerQueryValueW(data.data(), query.c_str(), &text, &length) || !text || length == 0) continue;
    // The length counts characters and includes the terminator; stop at the
    // first zero in any case.
    const wchar_t* s = static_cast<const wchar_t*>(text);
    size_t n = 0;
    while (n < length && s[n] != L'\0') ++n;
    out[i] = Narrow(std::wstring_view(s, n));
  }
  return out;
}

std::string GetVersionString(const std::string& file, const std::string& name) {
  return GetVersionStrings(file, {name}).front();
}

}  // namespace velmora
