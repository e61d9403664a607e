// Times an unattended junk run (the scheduling window hosting the junk
// cleaner, as "Quorvel /CleanJunk" does) against the hidden junk cleaner
// driven directly, on the same 10,000-file tree (2,000 junk files, removed for
// good by each run and made again, untimed, before the next). Fifteen alternating
// rounds, medians; the last line reads "ratio unattended/direct: N.NN".
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "bench_common.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "shell/action_log.h"
#include "shell/commontools.h"
#include "shell/hint.h"
#include "shell/schedule.h"
#include "shell/settings.h"
#include "tools/junk/frm_junk.h"
#include "tools/sched/frm_sched.h"
#include "ui/app.h"

namespace {

using bench::Format;
using bench::Median;
using bench::Seconds;

const wchar_t kBase[] = L"E:\\velmora-bench";
const wchar_t kTree[] = L"E:\\velmora-bench\\schedtree";
const wchar_t kTemp[] = L"E:\\velmora-bench\\schedtemp";
const char* const kJunkNames[] = {"scratch%u.tmp", "backup%u.bak", "config%u.old", "file%04u.chk"};
const char* const kOtherNames[] = {"report%u.txt", "data%u.bakery", "image%u.png", "tmpfile%u.dat",
                                   "README%u",     "archive%u.gz",  "old%u.txt",   "chk%u.doc"};
constexpr unsigned kFolders = 1000;
constexpr int kRounds = 15;


bool EnsureFile(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;
  DWORD written = 0;
  WriteFile(h, "x", 1, &written, nullptr);
  CloseHandle(h);
  return true;
}

// Makes the tree, or puts back the junk files a run removed.
bool FillTree() {
  CreateDirectoryW(kBase, nullptr);
  CreateDirectoryW(kTree, nullptr);
  CreateDirectoryW(kTemp, nullptr);
  for (unsigned i = 0; i < kFolders; ++i) {
    const std::wstring middle = std::wstring(kTree) + L"\\" + Format("Middle%02u", i / 50);
    CreateDirectoryW(middle.c_str(), nullptr);
    const std::wstring folder = middle + L"\\" + Format("leaf %02u", i % 50);
    CreateDirectoryW(folder.c_str(), nullptr);
    for (unsigned k = 0; k < 2; ++k)
      if (!EnsureFile(folder + L"\\" + Format(kJunkNames[(i * 2 + k) % std::size(kJunkNames)], i * 10 + k))) return false;
    for (unsigned k = 0; k < 8; ++k)
      if (!EnsureFile(folder + L"\\" + Format(kOtherNames[k], i * 10 + k))) return false;
  }
  return true;
}

void Prepare(velmora::junk::TfrmJunk& j) {
  j.DriveRoot = [](char) { return velmora::Narrow(kTree) + "\\"; };
  j.TempFolder = [] { return velmora::Narrow(kTemp) + "\\"; };
  j.cbTemp.SetChecked(false);
  j.cbInUse.SetChecked(true);
  j.optDelete.SetChecked(true);
}

}  // namespace

int main() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  using namespace velmora;
  shell::WriteBoolSetting(shell::kHintsKey, "All", false);
  shell::WriteBoolSetting(shell::kLogsKey, shell::logswitch::kJunk, false);
  shell::WriteBoolSetting(shell::schedulekey::kJunk, shell::schedval::kShowProgress, false);
  shell::WriteBoolSetting(shell::schedulekey::kJunk, shell::schedval::kLogEvents, false);
  RegKey::Create(HKEY_CURRENT_USER, junk::kJunkKey).WriteString("Drives", "E");
  shell::CreateCommontools();
  if (!FillTree()) {
    std::printf("cannot build the tree: %s\n", SystemErrorText(GetLastError()).c_str());
    return 1;
  }
  auto* sched = new sched::TfrmSched();
  sched->PrepareJunk = Prepare;
  int removed = 0;
  const auto direct = [&] {
    FillTree();
    const double start = Seconds();
    auto* j = new junk::TfrmJunk();
    j->ScheduledRun = true;
    Prepare(*j);
    j->cmdGo.Click();
    removed = j->lv.itemCount();
    for (int row = 0; row < j->lv.itemCount(); ++row) j->lv.SetSelected(row, true);
    j->cmdDeleteClick();
    j->Close();
    ui::ProcessMessages();
    return Seconds() - start;
  };
  const auto unattended = [&] {
    FillTree();
    const double start = Seconds();
    sched->PerformJunk();
    ui::ProcessMessages();
    return Seconds() - start;
  };
  direct();
  unattended();
  std::vector<double> directs, unattendeds;
  for (int round = 0; round < kRounds; ++round) {
    if (round % 2 == 0) {
      directs.push_back(direct());
      unattendeds.push_back(unattended());
    } else {
      unattendeds.push_back(unattended());
      directs.push_back(direct());
    }
  }
  std::printf("tree: %u folders, %u files, %d junk files removed per run\n", kFolders, kFolders * 10, removed);
  std::printf("direct: %.3f s  unattended: %.3f s\n", Median(directs), Median(unattendeds));
  std::printf("ratio unattended/direct: %.2f\n", Median(unattendeds) / Median(directs));
  sched->Destroy();
  shell::DestroyCommontools();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}
