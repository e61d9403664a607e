#include "platform/system.h"

#include <windows.h>
#include <shlobj.h>
#include <knownfolders.h>

#include <memory>
#include <vector>

#include "platform/files.h"
#include "platform/services.h"
#include "platform/text.h"

namespace velmora {

namespace {

// A path the system gave back for `src` (the caller's `path` widened), in the
// form the caller used: a \\?\ prefix LongPathW added is dropped again.
std::wstring InCallersForm(std::wstring s, const std::wstring& src, const std::string& path) {
  if (src.rfind(L"\\\\?\\", 0) == 0 && Widen(path).rfind(L"\\\\?\\", 0) != 0) {
    if (s.rfind(L"\\\\?\\UNC\\", 0) == 0)
      s = L"\\\\" + s.substr(8);
    else if (s.rfind(L"\\\\?\\", 0) == 0)
      s = s.substr(4);
  }
  return s;
}

// The short or long form of an existing path, as the system call gives it.
std::optional<std::string> OtherPathForm(const std::string& path, DWORD(WINAPI* convert)(LPCWSTR, LPWSTR, DWORD)) {
  if (path.empty()) return std::nullopt;
  const std::wstring src = LongPathW(path);
  std::vector<wchar_t> buf(src.size() + 1);
  for (;;) {
    // Fits: the length without terminator; too small: the size needed.
    const DWORD n = convert(src.c_str(), buf.data(), DWORD(buf.size()));
    if (n == 0) return std::nullopt;
    if (n < buf.size()) return Narrow(InCallersForm(std::wstring(buf.data(), n), src, path));
    buf.resize(n);
  }
}

}  // namespace

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

std::optional<std::string> ShortPathName(const std::string& path) { return OtherPathForm(path, &GetShortPathNameW); }

std::optional<std::string> LongPathName(const std::string& path) { return OtherPathForm(path, &GetLongPathNameW); }

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

std::optional<std::string> KnownFolderPath(KnownFolder folder) {
  const KNOWNFOLDERID* id = &FOLDERID_Downloads;
  if (folder == KnownFolder::UserProfiles) id = &FOLDERID_UserProfiles;
  if (folder == KnownFolder::PublicDownloads) id = &FOLDERID_PublicDownloads;
  PWSTR raw = nullptr;
  const HRESULT hr = SHGetKnownFolderPath(*id, 0, nullptr, &raw);
  // The shell allocates the text even when it fails.
  const std::unique_ptr<wchar_t, decltype(&CoTaskMemFree)> text(raw, &CoTaskMemFree);
  if (FAILED(hr) || !text || !*text) return std::nullopt;
  return Narrow(text.get());
}

bool OpenWithShell(const std::string& verb, const std::string& target, const std::string& params) {
  const auto& run = services().shellExecute;
  return run ? run(verb, target, params) : false;
}

}  // namespace velmora
