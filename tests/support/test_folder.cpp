#include "support/test_folder.h"

#include <windows.h>
#include <shellapi.h>

#include <stdexcept>
#include <vector>

#include "platform/text.h"

namespace velmora::test {

namespace {

void MakeFolders(const std::string& path) {
  // Create every missing folder along the path.
  std::wstring w = Widen(path);
  for (size_t i = 3; i <= w.size(); ++i) {
    if (i == w.size() || w[i] == L'\\') {
      const std::wstring part = w.substr(0, i);
      CreateDirectoryW(part.c_str(), nullptr);
    }
  }
}

// The names in a folder, exactly as stored.
std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> out;
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW(Widen(folder + "*").c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return out;
  do out.push_back(Narrow(fd.cFileName));
  while (FindNextFileW(find, &fd));
  FindClose(find);
  return out;
}

std::string ParentOf(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

TestFolder::TestFolder(char drive) {
  static int counter = 0;
  const UINT type = GetDriveTypeW(Widen(std::string(1, drive) + ":\\").c_str());
  if (type == DRIVE_NO_ROOT_DIR || type == DRIVE_UNKNOWN)
    throw std::runtime_error(std::string("test drive ") + drive + ": is missing (run under scripts/wine-env)");
  path_ = std::string(1, drive) + ":\\velmora-tests\\t" + std::to_string(GetCurrentProcessId()) + "-" +
          std::to_string(++counter) + "\\";
  RemoveTree(path_);
  MakeFolders(path_.substr(0, path_.size() - 1));
}

TestFolder::~TestFolder() { RemoveTree(path_); }

std::string TestFolder::File(const std::string& relative, const std::string& content) const {
  const std::string full = path_ + relative;
  MakeFolders(ParentOf(full));
  HANDLE h = CreateFileW(Widen(full).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + full);
  DWORD written = 0;
  WriteFile(h, content.data(), DWORD(content.size()), &written, nullptr);
  CloseHandle(h);
  return full;
}

std::string TestFolder::SizedFile(const std::string& relative, std::uint64_t size) const {
  const std::string full = File(relative, "");
  HANDLE h = CreateFileW(Widen(full).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  LARGE_INTEGER li;
  li.QuadPart = LONGLONG(size);
  SetFilePointerEx(h, li, nullptr, FILE_BEGIN);
  SetEndOfFile(h);
  CloseHandle(h);
  return full;
}

std::string TestFolder::Folder(const std::string& relative) const {
  std::string full = path_ + relative;
  if (!full.empty() && full.back() == '\\') full.pop_back();
  MakeFolders(full);
  return full + "\\";
}

bool PathExists(const std::string& path) {
  return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadWholeFile(const std::string& path) {
  HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::string();
  std::string out;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got) out.append(buf, got);
  CloseHandle(h);
  return out;
}

void SetAttributes(const std::string& path, unsigned long attributes) {
  SetFileAttributesW(Widen(path).c_str(), attributes);
}

void RemoveTree(const std::string& path) {
  std::wstring dir = Widen(path);
  if (!dir.empty() && dir.back() == L'\\') dir.pop_back();
  const DWORD attr = GetFileAttributesW(dir.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesW(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attr & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileW(dir.c_str());
    return;
  }
  if (attr & FILE_ATTRIBUTE_REPARSE_POINT) {  // a link: remove it, never what it points at
    RemoveDirectoryW(dir.c_str());
    return;
  }
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      RemoveTree(Narrow(dir + L"\\" + name));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(dir.c_str());
}

bool WriteExactCaseFile(const std::string& folder, const std::string& name, const std::string& content) {
  using UnixName = char*(CDECL*)(LPCWSTR);
  const auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName) return false;  // not Wine: a Windows folder that tells case apart is not made here
  char* raw = unixName(Widen(folder).c_str());
  if (!raw) return false;
  const std::string unixFolder(raw);
  HeapFree(GetProcessHeap(), 0, raw);
  if ((unixFolder + name).find_first_of(" \t\"'") != std::string::npos) return false;
  // The content goes to a name of its own first; Wine then starts the Unix
  // "cp" (a program given by a \\?\unix\ path) to copy it under the exact name.
  const std::string source = "exact-case-" + std::to_string(GetTickCount64()) + ".src";
  {
    HANDLE h = CreateFileW(Widen(folder + source).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    WriteFile(h, content.data(), DWORD(content.size()), &written, nullptr);
    CloseHandle(h);
  }
  const std::wstring params = Widen(unixFolder + "/" + source + " " + unixFolder + "/" + name);
  const INT_PTR started = INT_PTR(ShellExecuteW(nullptr, L"open", L"\\\\?\\unix\\bin\\cp", params.c_str(),
                                                nullptr, SW_HIDE));
  // The Unix program is not waited for by the shell: the copy itself tells.
  bool made = false;
  for (int i = 0; started > 32 && !made && i < 500; ++i) {
    for (const auto& e : FolderNames(folder))
      if (e == name) made = true;
    if (!made) Sleep(10);
  }
  DeleteFileW(Widen(folder + source).c_str());
  return made;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t e = text.find("\r\n", pos);
    if (e == std::string::npos) e = text.size();
    out.push_back(text.substr(pos, e - pos));
    pos = e + 2;
  }
  return out;
}

}  // namespace velmora::test
