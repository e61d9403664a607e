// Times the registry cleaner's scan against a bare walk of the same registry
// tree, and its verified backup against the registry editor's export.
//
// Built once under HKEY_CURRENT_USER\Software\VelmoraBench\Reg (kept between
// runs; a marker value records it is whole): 200,000 values in about 2,000 keys
// on three levels. 30% of the values are path strings naming 6,000 files in
// 300 folders on E: (a fifth of the files and a tenth of the folders missing),
// 30% other strings, 20% DWORDs, 10% binary, 10% expandable strings. The
// current user's root is then redirected to that tree, and over three
// alternating rounds
//   (a) a bare walk: read-only opens, RegEnumKeyExW, RegEnumValueW with data,
//   (b) the hidden cleaner window's scan of HKEY_CURRENT_USER (no backup)
// are timed; then the verified export (in-process) against "regedit /e" of the
// same key. Prints medians, rows, peak memory, "ratio regscan/walk: N.NN" and,
// last, "ratio backup/regedit: N.NN".
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_common.h"
#include "platform/files.h"
#include "platform/text.h"
#include "shell/commontools.h"
#include "shell/hint.h"
#include "shell/settings.h"
#include "tools/regclean/frm_regclean.h"
#include "tools/regclean/reg_backup.h"
#include "ui/app.h"

namespace {

using bench::Seconds;

const wchar_t kTree[] = L"Software\\VelmoraBench\\Registry";
const wchar_t kFiles[] = L"E:\\velmora-bench\\regfiles";
constexpr int kTop = 20, kMiddle = 10, kLeaves = 9;  // 20 + 200 + 1,800 keys
constexpr int kValuesPerLeaf = 111;                  // about 200,000 values in all
constexpr int kFolders = 300, kFilesPerFolder = 20;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

std::wstring FilePath(unsigned n) {
  return std::wstring(kFiles) + L"\\f" + std::to_wstring(n % kFolders) + L"\\file" + std::to_wstring(n) + L".dll";
}

bool BuildFiles() {
  CreateDirectoryW(L"E:\\velmora-bench", nullptr);
  CreateDirectoryW(kFiles, nullptr);
  for (unsigned n = 0; n < unsigned(kFolders * kFilesPerFolder); ++n) {
    const unsigned folder = n % kFolders;
    if (folder % 10 == 9) continue;  // a tenth of the folders missing
    CreateDirectoryW((std::wstring(kFiles) + L"\\f" + std::to_wstring(folder)).c_str(), nullptr);
    if (n % 5 == 4) continue;  // a fifth of the files missing
    HANDLE h = CreateFileW(FilePath(n).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
  }
  return true;
}

void SetValue(HKEY k, const std::wstring& name, DWORD type, const void* data, DWORD size) {
  RegSetValueExW(k, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
}

bool BuildTree() {
  HKEY root = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, kTree, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root, nullptr);
  DWORD whole = 0, size = sizeof whole;
  if (RegQueryValueExW(root, L"whole", nullptr, nullptr, reinterpret_cast<BYTE*>(&whole), &size) == ERROR_SUCCESS &&
      whole == 1) {
    RegCloseKey(root);
    return true;
  }
  unsigned n = 0;
  for (int a = 0; a < kTop; ++a)
    for (int b = 0; b < kMiddle; ++b)
      for (int c = 0; c < kLeaves; ++c) {
        const std::wstring path = std::wstring(kTree) + L"\\T" + std::to_wstring(a) + L"\\M" + std::to_wstring(b) +
                                  L"\\L" + std::to_wstring(c);
        HKEY k = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
            ERROR_SUCCESS)
          return false;
        for (int v = 0; v < kValuesPerLeaf; ++v, ++n) {
          const std::wstring name = L"v" + std::to_wstring(v);
          const int kind = int(n % 10);
          if (kind < 3) {
            // Spread over every file, so the missing fifth and tenth are named too.
            const std::wstring p = FilePath((n * 7) % unsigned(kFolders * kFilesPerFolder));
            SetValue(k, name, REG_SZ, p.c_str(), DWORD((p.size() + 1) * 2));
          } else if (kind < 6) {
            const std::wstring t = L"some setting text " + std::to_wstring(n);
            SetValue(k, name, REG_SZ, t.c_str(), DWORD((t.size() + 1) * 2));
          } else if (kind < 8) {
            const DWORD d = n;
            SetValue(k, name, REG_DWORD, &d, 4);
          } else if (kind < 9) {
            const BYTE bytes[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
            SetValue(k, name, REG_BINARY, bytes, sizeof bytes);
          } else {
            const std::wstring t = L"%SystemRoot%\\system32\\x" + std::to_wstring(n) + L".dll";
            SetValue(k, name, REG_EXPAND_SZ, t.c_str(), DWORD((t.size() + 1) * 2));
          }
        }
        RegCloseKey(k);
      }
  whole = 1;
  RegSetValueExW(root, L"whole", 0, REG_DWORD, reinterpret_cast<BYTE*>(&whole), 4);
  RegCloseKey(root);
  return true;
}


}  // namespace

int main() {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  double start = Seconds();
  if (!BuildFiles() || !BuildTree()) {
    std::printf("cannot build the tree\n");
    return 1;
  }
  std::printf("tree ready in %.1f s\n", Seconds() - start);
  velmora::shell::WriteBoolSetting(velmora::shell::kHintsKey, "All", false);
  velmora::shell::WriteBoolSetting(velmora::shell::kLogsKey, "DoReg", false);
  velmora::shell::CreateCommontools();

  // The current user's root is the bench tree from here on.
  HKEY tree = nullptr;
  RegOpenKeyExW(HKEY_CURRENT_USER, kTree, 0, KEY_ALL_ACCESS, &tree);
  RegOverridePredefKey(HKEY_CURRENT_USER, tree);

  auto* f = new velmora::regclean::TfrmRegClean();
  f->ScheduledRun = true;  // no box waits for an answer; ScheduledLog off: no log either
  f->cbBackup.SetChecked(false);
  for (int row = 1; row < 4; ++row) f->lvScanFor.SetChecked(row, false);
  std::vector<double> walks, scans;
  unsigned long values = 0;
  int rows = 0;
  for (int round = 1; round <= 3; ++round) {
    values = 0;
    start = Seconds();
    bench::RegistryWalk(HKEY_CURRENT_USER, values);
    walks.push_back(Seconds() - start);
    start = Seconds();
    f->btnStart.Click();
    scans.push_back(Seconds() - start);
    rows = f->lv.itemCount();
    std::printf("round %d: walk %.3f s, scan %.3f s\n", round, walks.back(), scans.back());
    std::fflush(stdout);
  }
  PROCESS_MEMORY_COUNTERS pmc{};
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  std::printf("walk: median %.3f s (%lu values)\n", Median(walks), values);
  std::printf("scan: median %.3f s (%d rows)\n", Median(scans), rows);
  std::printf("peak working set: %.1f MB\n", double(pmc.PeakWorkingSetSize) / 1048576.0);
  std::printf("ratio regscan/walk: %.2f\n", Median(scans) / Median(walks));
  f->Close();
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);

  // The verified backup of the bench key against the registry editor's export of it.
  const std::string ours = "E:\\velmora-bench\\ours.reg";
  const std::string theirs = "E:\\velmora-bench\\regedit.reg";
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, tree);  // the export walks the three roots: give it only the tree
  HKEY empty = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\VelmoraBench\\Empty", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &empty,
                  nullptr);
  RegOverridePredefKey(HKEY_USERS, empty);
  RegOverridePredefKey(HKEY_CURRENT_USER, empty);
  start = Seconds();
  const auto backup = velmora::regclean::ExportRegistry(ours);
  const double backupTime = Seconds() - start;
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  RegOverridePredefKey(HKEY_USERS, nullptr);
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  std::printf("backup: %.3f s, %llu values, %s, %.1f MB\n", backupTime, (unsigned long long)backup.values,
              backup.ok ? "verified" : "FAILED",
              double(velmora::FindEntry(ours) ? velmora::FindEntry(ours)->size : 0) / 1048576.0);
  const std::wstring command = L"regedit.exe /e \"" + velmora::Widen(theirs) + L"\" \"HKEY_CURRENT_USER\\" + kTree + L"\"";
  std::wstring cmd = command;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  start = Seconds();
  if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  const double regedit = Seconds() - start;
  std::printf("regedit /e: %.3f s, %.1f MB\n", regedit,
              double(velmora::FindEntry(theirs) ? velmora::FindEntry(theirs)->size : 0) / 1048576.0);
  std::printf("ratio backup/regedit: %.2f\n", regedit > 0 ? backupTime / regedit : 0.0);
  RegCloseKey(tree);
  RegCloseKey(empty);
  velmora::shell::DestroyCommontools();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}
