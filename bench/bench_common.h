// Pieces the benchmarks share: a clock and the bare walk they measure against.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <algorithm>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/text.h"

namespace bench {

using velmora::FindHandle;

inline double Seconds() {
  static LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return double(now.QuadPart) / double(freq.QuadPart);
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

inline std::wstring Format(const char* pattern, unsigned n) {
  char buf[64];
  std::snprintf(buf, sizeof buf, pattern, n);
  return velmora::Widen(buf);
}

// (a) The bare walk: one listing per folder, every entry looked at.
struct WalkCounts {
  unsigned long folders = 0, files = 0;
  std::uint64_t bytes = 0, nameChars = 0;
};

inline void Walk(std::wstring& path, WalkCounts& counts) {
  ++counts.folders;
  const std::size_t length = path.size();
  path += L'*';
  WIN32_FIND_DATAW fd;
  FindHandle find(FindFirstFileExW(path.c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH));
  path.resize(length);
  if (!find) return;
  do {
    const wchar_t* name = fd.cFileName;
    if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
    const std::size_t nameLength = wcslen(name);
    counts.nameChars += nameLength;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      path.append(name, nameLength);
      path += L'\\';
      Walk(path, counts);
      path.resize(length);
    } else {
      ++counts.files;
      counts.bytes += (std::uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    }
  } while (FindNextFileW(find.get(), &fd));
}

// (b) The bare registry walk: read-only opens, RegEnumKeyExW, RegEnumValueW with data.
inline void RegistryWalk(HKEY key, unsigned long& values) {
  std::vector<wchar_t> name(16384);
  std::vector<BYTE> data(65536);
  for (DWORD i = 0;; ++i) {
    DWORD n = DWORD(name.size()), size = DWORD(data.size()), type = 0;
    if (RegEnumValueW(key, i, name.data(), &n, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) break;
    ++values;
  }
  for (DWORD i = 0;; ++i) {
    DWORD n = DWORD(name.size());
    if (RegEnumKeyExW(key, i, name.data(), &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY child = nullptr;
    if (RegOpenKeyExW(key, name.data(), 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
    RegistryWalk(child, values);
    RegCloseKey(child);
  }
}

}  // namespace bench
