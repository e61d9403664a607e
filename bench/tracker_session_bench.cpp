// Times a whole tracking session of the installation tracker's window against
// bare walks of what it records.
//
// The hidden TfrmVantrel tracks drive E: (scan_bench's 100,000-file tree and
// whatever else the benchmarks left there) in disk contents mode, and the
// registry of tracker_bench: 100,000 values given to HKEY_USERS and
// HKEY_LOCAL_MACHINE (RegOverridePredefKey). Start records the before-state
// as a manual snapshot; then 1,000 files and 1,000 registry values are added
// (untimed, by this process: the redirection is its own); Done records the
// after-state, compares and writes the report. In the same run, one bare walk
// of E: and of both registry roots before and one after. Lines:
//   "session: Start N.NN s, Done N.NN s", "walks: N.NN s",
//   "ratio session/walks: N.NN" (target 1.5 at most), "peak working set",
//   and "report view: N.NN s" for loading a 100,000-line report into RichEdit1
//   (target 2 s at most).
// The tracker's own settings in HKEY_CURRENT_USER are removed afterwards.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "bench_common.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "shell/commontools.h"
#include "tools/tracker/frm_vantrel.h"
#include "tracker_registry.h"
#include "ui/app.h"
#include "ui/dialogs.h"

namespace {

using bench::Seconds;
using namespace velmora;

const wchar_t kTreeMarker[] = L"E:\\velmora-bench\\tree-ready.txt";
const wchar_t kChanges[] = L"E:\\velmora-bench\\tree\\session-changes";

double BareWalks() {
  const double start = Seconds();
  bench::WalkCounts counts;
  std::wstring root = L"E:\\";
  bench::Walk(root, counts);
  unsigned long values = 0;
  bench::RegistryWalk(HKEY_USERS, values);
  bench::RegistryWalk(HKEY_LOCAL_MACHINE, values);
  const double took = Seconds() - start;
  std::printf("bare walk: %.3f s (%lu folders, %lu files, %lu values)\n", took, counts.folders, counts.files, values);
  std::fflush(stdout);
  return took;
}

void AddChanges() {
  CreateDirectoryW(kChanges, nullptr);
  for (int i = 0; i < 1000; ++i)
    WriteFileAtomically(Narrow(kChanges) + "\\added" + std::to_string(i) + ".txt", "added by the setup\r\n");
  // Below the benchmark's volatile keys a new key must be volatile too.
  HKEY created = nullptr;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SessionSetup", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                  &created, nullptr);
  const RegKey key(created, "SessionSetup");
  if (!key) return;
  for (int i = 0; i < 1000; ++i) key.WriteString("value" + std::to_string(i), "installed " + std::to_string(i));
}

void RemoveChanges() {
  for (int i = 0; i < 1000; ++i) DeleteFileW((std::wstring(kChanges) + L"\\added" + std::to_wstring(i) + L".txt").c_str());
  RemoveDirectoryW(kChanges);
}

double PeakMB() {
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  return double(pmc.PeakWorkingSetSize) / 1048576.0;
}

// Loads a 100,000-line report into the window's report view.
void ReportView(tracker::TfrmVantrel& f) {
  std::string lines;
  for (int i = 0; i < 100000; ++i)
    lines += "E:\\velmora-bench\\tree\\folder" + std::to_string(i % 1000) + "\\file" + std::to_string(i) + ".dat\r\n";
  const std::string big = f.reportsFolder() + "session-bench-view.txt";
  WriteFileAtomically(big, lines);
  std::printf("peak working set before the report view: %.1f MB\n", PeakMB());
  const double start = Seconds();
  f.RichEdit1.LoadFromFile(big);
  std::printf("report view: %.3f s for 100,000 lines\n", Seconds() - start);
  DeleteFileW(Widen(big).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  shell::CreateCommontools();
  if (argc > 1 && std::string(argv[1]) == "view") {  // the report view alone
    auto* f = new tracker::TfrmVantrel();  // frees itself on close
    ReportView(*f);
    f->Close();
    shell::DestroyCommontools();
    std::printf("peak working set: %.1f MB\n", PeakMB());
    return 0;
  }
  if (GetFileAttributesW(kTreeMarker) == INVALID_FILE_ATTRIBUTES) {
    std::printf("no tree at E:\\velmora-bench\\tree: run scan_bench first\n");
    return 1;
  }
  HKEY halves[2] = {nullptr, nullptr};
  double start = Seconds();
  if (!bench::BuildRegistry(halves)) {
    std::printf("cannot build the registry tree\n");
    return 1;
  }
  std::printf("registry tree ready in %.1f s\n", Seconds() - start);

  // The tracker's settings: drive E: only, no INI files; the placement is stored.
  const std::string settings = tracker::kVantrelKey;
  {
    const RegKey root = RegKey::Create(HKEY_CURRENT_USER, settings);
    root.WriteString("Drives", "E");
    root.CreateSubKey("WatchDrive").WriteDword("d0", 0);
    root.CreateSubKey("Settings").WriteDword("First Time", 0);
    root.DeleteSubKeyTree("INI Files To Watch");
    root.DeleteSubKeyTree("Survival");
  }
  RemoveChanges();  // left by an interrupted run
  RegOverridePredefKey(HKEY_USERS, halves[0]);
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, halves[1]);
  ui::DefaultAnswerDialogs answers;
  ui::SetDialogs(&answers);

  double walks = BareWalks();
  auto* f = new tracker::TfrmVantrel();  // frees itself on close
  f->EditDescript.SetText("Session bench");
  f->optManual.Click();
  for (int i = 0; i < 4; ++i) f->cmdNext.Click();
  start = Seconds();
  f->cmdInstall.Click();
  const double startTook = Seconds() - start;
  std::printf("Start: %.3f s (%s)\n", startTook, f->lblStatus.caption().c_str());
  std::fflush(stdout);
  AddChanges();
  walks += BareWalks();
  start = Seconds();
  f->cmdInstallDone.Click();
  const double doneTook = Seconds() - start;
  const std::string report = ReadTextFile(f->ReportName()).value_or("");
  std::printf("session: Start %.3f s, Done %.3f s (%s %s, report %zu bytes)\n", startTook, doneTook,
              f->lblStatus.caption().c_str(), f->lblStatus1.caption().c_str(), report.size());
  std::printf("walks: %.3f s\n", walks);
  std::printf("ratio session/walks: %.2f\n", (startTook + doneTook) / walks);
  std::fflush(stdout);
  ReportView(*f);
  DeleteFileW(Widen(f->ReportName()).c_str());
  f->Close();
  ui::ProcessMessages();

  ui::SetDialogs(nullptr);
  shell::DestroyCommontools();
  RemoveChanges();
  RegOverridePredefKey(HKEY_USERS, nullptr);
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  RegCloseKey(halves[0]);
  RegCloseKey(halves[1]);
  RegDeleteTreeW(HKEY_CURRENT_USER, bench::kRegTree);
  RegKey::DeleteTree(HKEY_CURRENT_USER, settings);
  std::printf("peak working set: %.1f MB\n", PeakMB());
  return 0;
}
