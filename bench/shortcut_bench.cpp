// Times the invalid shortcut finder against a bare walk of the same tree.
//
// The tree (about 100,000 files in 10,000 folders, as the scanner benchmark's)
// is made once under E:\velmora-bench\linktree with 1,000 shortcuts in it: 800
// to files of the tree, 200 to files since moved elsewhere in it. Five
// alternating rounds, medians, of
//   (a) a bare FindFirstFileExW walk of the tree,
//   (b) a hidden TfrmStartMenu's scan of the tree as drive E (200 rows), and
//   (c) its search for the moved targets of those 200 rows (cmdFind),
// then "ratio shortcutscan/walk: N.NN" and "ratio findtargets/walk: N.NN".
// Each shortcut is read through the shell's link object on the scan's probing
// thread; a read costs about half a millisecond under Wine.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "bench_common.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "shell/action_log.h"
#include "shell/commontools.h"
#include "shell/hint.h"
#include "shell/settings.h"
#include "shell/shell_link.h"
#include "tools/shortcuts/frm_startmenu.h"
#include "ui/app.h"

namespace {

using bench::Format;
using bench::Median;
using bench::Seconds;
using bench::Walk;

const char kTree[] = "E:\\velmora-bench\\linktree\\";
const char kMarker[] = "E:\\velmora-bench\\linktree-ready.txt";
constexpr int kTop = 20, kMiddle = 20, kLeaves = 24;
constexpr int kFilesPerFolder = 10;
constexpr int kLinks = 1000, kMoved = 200;
constexpr int kRounds = 5;


bool MakeFile(const std::string& path) {
  HANDLE h = CreateFileW(velmora::LongPathW(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

bool BuildTree() {
  if (velmora::FileExists(kMarker)) return true;
  std::printf("building the tree under %s (once)...\n", kTree);
  std::fflush(stdout);
  const double start = Seconds();
  std::vector<std::pair<std::string, unsigned>> leaves;  // folder, its first file's number
  unsigned index = 0;
  auto fill = [&](const std::string& folder) {
    velmora::CreateFolderPath(folder);
    for (int k = 0; k < kFilesPerFolder; ++k)
      if (!MakeFile(folder + velmora::Narrow(Format("file%u.dat", index * 10 + unsigned(k))))) return false;
    ++index;
    return true;
  };
  if (!fill(kTree)) return false;
  for (int t = 0; t < kTop; ++t) {
    const std::string top = kTree + velmora::Narrow(Format("top%02u", unsigned(t))) + "\\";
    if (!fill(top)) return false;
    for (int m = 0; m < kMiddle; ++m) {
      const std::string middle = top + velmora::Narrow(Format("Middle%02u", unsigned(m))) + "\\";
      if (!fill(middle)) return false;
      for (int l = 0; l < kLeaves; ++l) {
        const std::string leaf = middle + velmora::Narrow(Format("leaf %02u", unsigned(l))) + "\\";
        leaves.emplace_back(leaf, index * 10);
        if (!fill(leaf)) return false;
      }
    }
  }
  // Every ninth leaf holds a shortcut; the first 200 point at a program that
  // now lives in another leaf.
  for (int i = 0; i < kLinks; ++i) {
    const auto& [leaf, first] = leaves[std::size_t(i) * 9 % leaves.size()];
    velmora::shell::TPBShellLink link;
    link.SetFileName(leaf + velmora::Narrow(Format("shortcut%u.lnk", unsigned(i))));
    if (i < kMoved) {
      const std::string name = velmora::Narrow(Format("moved%u.exe", unsigned(i)));
      link.Target = std::string(kTree) + "old place\\" + name;
      if (!MakeFile(leaves[(std::size_t(i) * 9 + 4) % leaves.size()].first + name)) return false;
    } else {
      link.Target = leaf + velmora::Narrow(Format("file%u.dat", first + unsigned(i) % kFilesPerFolder));
    }
    try {
      link.Save();
    } catch (const std::exception& e) {
      std::printf("cannot write a shortcut: %s\n", e.what());
      return false;
    }
  }
  if (!velmora::WriteFileAtomically(kMarker, "ready\r\n")) return false;
  std::printf("built in %.1f s\n", Seconds() - start);
  return true;
}

}  // namespace

int main() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (!BuildTree()) {
    std::printf("cannot build the tree: %s\n", velmora::SystemErrorText(GetLastError()).c_str());
    return 1;
  }
  velmora::shell::WriteBoolSetting(velmora::shell::kHintsKey, "All", false);
  velmora::shell::WriteBoolSetting(velmora::shell::kLogsKey, velmora::shell::logswitch::kShortcuts, false);
  velmora::RegKey::Create(HKEY_CURRENT_USER, velmora::shortcuts::kShortcutsDrivesKey).WriteString("Drives", "E");
  velmora::RegKey::Create(HKEY_CURRENT_USER, std::string(velmora::shortcuts::kShortcutsStorageKey) + "\\pos")
      .WriteString("bench", "1");
  velmora::shell::CreateCommontools();

  auto* f = new velmora::shortcuts::TfrmStartMenu();
  f->DriveRoot = [](char) { return std::string(kTree); };
  f->cbAutoFind.SetChecked(false);

  bench::WalkCounts walked;
  const auto runWalk = [&] {
    walked = bench::WalkCounts();
    std::wstring path = velmora::Widen(kTree);
    const double start = Seconds();
    Walk(path, walked);
    return Seconds() - start;
  };
  const auto runScan = [&] {
    const double start = Seconds();
    f->cmdGo.Click();
    return Seconds() - start;
  };
  const auto runFind = [&] {
    const double start = Seconds();
    f->cmdFindClick();
    return Seconds() - start;
  };
  runWalk();
  runScan();
  std::vector<double> walks, scans, finds;
  for (int round = 0; round < kRounds; ++round) {
    if (round % 2 == 0) {
      walks.push_back(runWalk());
      scans.push_back(runScan());
    } else {
      scans.push_back(runScan());
      walks.push_back(runWalk());
    }
    finds.push_back(runFind());
  }
  int withTarget = 0;
  for (int row = 0; row < f->lvLinks.itemCount(); ++row)
    if (!f->NewTarget(row).empty()) ++withTarget;
  std::printf("tree: %lu folders, %lu files\n", walked.folders, walked.files);
  std::printf("walk: %.3f s  scan: %.3f s (%d rows)  find targets: %.3f s (%d rows with a new target)\n",
              Median(walks), Median(scans), f->lvLinks.itemCount(), Median(finds), withTarget);
  std::printf("ratio shortcutscan/walk: %.2f\n", Median(scans) / Median(walks));
  std::printf("ratio findtargets/walk: %.2f\n", Median(finds) / Median(walks));
  f->Close();
  velmora::shell::DestroyCommontools();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}
