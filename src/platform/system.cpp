#include "platform/system.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "platform/files.h"
#include "platform/services.h"
#include "platform/text.h"

namespace velmora {

std::optional<std::string> ExpandEnvironmentText(const std::string& text) {
  if (text.empty()) return std::string();
  const std::wstring src = Widen(text);
  std::vector<wchar_t> buf(src.size() + 64);
  for (;;) {
    // The result counts the terminator; 0 is a failure.
    const DWORD n = ExpandEnvironmentStringsW(src.c_str(), buf.data(), DWORD(buf.size()));
    if (n == 0) return std::nullopt;
    if (n <= buf.size()) return Narrow(std::wstring_view(buf.data(), n - 1));
    buf.resize(n);
  }
}

std::optional<std::string> ShortPathName(const std::string& path) {
  if (path.empty()) return std::nullopt;
  const std::wstring src = LongPathW(path);
  std::vector<wchar_t> buf(src.size() + 1);
  for (;;) {
    // Fits: the length without terminator; too small: the size needed.
    const DWORD n = GetShortPathNameW(src.c_str(), buf.data(), DWORD(buf.size()));
    if (n == 0) return std::nullopt;
    if (n < buf.size()) {
      std::wstring s(buf.data(), n);
      // Give back the form the caller used: drop a prefix LongPathW added.
      if (src.rfind(L"\\\\?\\", 0) == 0 && Widen(path).rfind(L"\\\\?\\", 0) != 0) {
        if (s.rfind(L"\\\\?\\UNC\\", 0) == 0)
          s = L"\\\\" + s.substr(8);
        else if (s.rfind(L"\\\\?\\", 0) == 0)
          s = s.substr(4);
      }
      return Narrow(s);
    }
    buf.resize(n);
  }
}

std::optional<std::string> SystemTempFolder() {
  std::vector<wchar_t> buf(MAX_PATH + 1);
  for (;;) {
    const DWORD n = GetTempPathW(DWORD(buf.size()), buf.data());
    if (n == 0) return std::nullopt;
    if (n < buf.size()) return IncludeTrailingBackslash(Narrow(std::wstring_view(buf.data(), n)));
    buf.resize(n + 1);
  }
}

std::optional<std::string> SystemWindowsFolder() {
  std::vector<wchar_t> buf(MAX_PATH + 1);
  for (;;) {
    const UINT n = GetWindowsDirectoryW(buf.data(), UINT(buf.size()));
    if (n == 0) return std::nullopt;
    if (n < buf.size()) {
      std::string s = Narrow(std::wstring_view(buf.data(), n));
      if (s.size() > 3) s = ExcludeTrailingBackslash(s);  // "C:\" keeps its backslash
      return s;
    }
    buf.resize(n + 1);
  }
}

std::optional<std::string> ShellFolderPath(int csidl) {
  // SHGetFolderPathW writes at most MAX_PATH characters by contract and has no
  // way to ask for more; the buffer is the size the function defines.
  std::vector<wchar_t> buf(MAX_PATH + 1, L'\0');
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf.data()))) return std::nullopt;
  buf.back() = L'\0';
  const std::string s = Narrow(buf.data());
  if (s.empty()) return std::nullopt;
  return s;
}

bool OpenWithShell(const std::string& verb, const std::string& target, const std::string& params) {
  const auto& run = services().shellExecute;
  return run ? run(verb, target, params) : false;
}

}  // namespace velmora
