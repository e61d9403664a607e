// The tracker benchmarks' registry: 100,000 values of mixed types and sizes
// in 10,000 volatile keys under HKEY_CURRENT_USER\Software\VelmoraBench\Tracker,
// in two halves meant to stand in for HKEY_USERS and HKEY_LOCAL_MACHINE.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace bench {

inline const wchar_t kRegTree[] = L"Software\\VelmoraBench\\Tracker";

// 10,000 volatile keys (two halves of 50 keys holding 99 each) of 10 values: strings short
// and long, DWORDs, binary of 8 to 600 bytes, multi-strings.
inline bool BuildRegistry(HKEY halves[2]) {
  for (int h = 0; h < 2; ++h) {
    const std::wstring base = std::wstring(kRegTree) + (h ? L"\\M" : L"\\U");
    if (RegCreateKeyExW(HKEY_CURRENT_USER, base.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &halves[h], nullptr) != ERROR_SUCCESS)
      return false;
    unsigned n = 0;
    for (int a = 0; a < 50; ++a) {
      HKEY top = nullptr;
      RegCreateKeyExW(halves[h], (L"Top" + std::to_wstring(a)).c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &top, nullptr);
      for (int b = 0; b < 99; ++b) {
        HKEY k = nullptr;
        RegCreateKeyExW(top, (L"Key" + std::to_wstring(b)).c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &k, nullptr);
        for (int v = 0; v < 10; ++v, ++n) {
          const std::wstring name = L"value" + std::to_wstring(v);
          std::wstring text = L"setting " + std::to_wstring(n);
          if (v == 1) text += std::wstring(200, L'x');
          const DWORD d = n;
          std::vector<BYTE> bin(8 + (n % 600), BYTE(n));
          switch (v % 5) {
            case 0:
            case 1:
              RegSetValueExW(k, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             DWORD((text.size() + 1) * 2));
              break;
            case 2:
              RegSetValueExW(k, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&d), 4);
              break;
            case 3:
              RegSetValueExW(k, name.c_str(), 0, REG_BINARY, bin.data(), DWORD(bin.size()));
              break;
            default:
              text += L'\0';
              text += L"second";
              RegSetValueExW(k, name.c_str(), 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             DWORD((text.size() + 2) * 2));
          }
        }
        RegCloseKey(k);
      }
      RegCloseKey(top);
    }
  }
  return true;
}

}  // namespace bench
