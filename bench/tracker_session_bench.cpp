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
//   "ratio session/walks: N.NN" (target 1.5 at most), "peak working set".
// Then, each in a process of its own so that its peak working set is its own:
//   "view N": the report page shows an N-line report (10^5: target 1 s and
//   100 MB; 10^6: 5 s and 200 MB), with the longest time the window's thread
//   left a posted message waiting (target 100 ms);
//   "compare N": a comparison of two directory snapshots of N files whose
//   every signature changed, written as the report writes it (time and peak
//   working set; memory must not grow with N).
// The tracker's own settings in HKEY_CURRENT_USER are removed afterwards.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "bench_common.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "shell/commontools.h"
#include "tools/tracker/change_report.h"
#include "tools/tracker/dir_snapshot.h"
#include "tools/tracker/frm_vantrel.h"
#include "tools/tracker/tracker_engine.h"
#include "tracker_registry.h"
#include "ui/app.h"
#include "ui/dialogs.h"

namespace {

using bench::Seconds;
using namespace velmora;
using tracker::SnapshotWriter;

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

// The longest time a message posted to the window's thread waited: a thread
// posts one every 5 ms with its time; a message-only window takes them.
class Responsiveness {
 public:
  Responsiveness() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VelmoraBenchProbe";
    RegisterClassW(&wc);
    window_ = CreateWindowW(L"VelmoraBenchProbe", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    worst_ = 0;
    poster_ = std::thread([this] {
      while (!stop_) {
        PostMessageW(window_, WM_APP, 0, LPARAM(Millis()));
        Sleep(5);
      }
    });
  }
  ~Responsiveness() {
    stop_ = true;
    poster_.join();
    DestroyWindow(window_);
  }
  long long worstMs() const { return worst_; }

 private:
  static long long Millis() { return (long long)(Seconds() * 1000.0); }
  static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_APP) worst_ = std::max<long long>(worst_, Millis() - (long long)l);
    return DefWindowProcW(h, m, w, l);
  }
  static inline std::atomic<long long> worst_{0};
  HWND window_ = nullptr;
  std::atomic<bool> stop_{false};
  std::thread poster_;
};

// The report page shows an N-line report: from the start of the load to the
// lines painted, then scrolled to the middle.
int ReportView(unsigned lines) {
  auto* f = new tracker::TfrmVantrel();  // frees itself on close
  std::string text;
  const std::string big = f->reportsFolder() + "session-bench-view.txt";
  {
    SnapshotWriter out(big);
    for (unsigned i = 0; i < lines; ++i) {
      text = "E:\\velmora-bench\\tree\\folder" + std::to_string(i % 1000) + "\\file" + std::to_string(i) + ".dat\r\n";
      out.Write(text);
    }
    out.Close();
  }
  f->ts6.SetTabVisible(true);
  f->pc.SetActivePage(f->ts6);
  ShowWindow(f->handle(), SW_SHOWNOACTIVATE);
  ui::ProcessMessages();
  std::printf("view: peak working set before the report: %.1f MB\n", PeakMB());
  double took = 0;
  long long worst = 0;
  {
    Responsiveness probe;
    ui::ProcessMessages();
    const double start = Seconds();
    const bool loaded = f->RichEdit1.LoadFromFile(big);
    UpdateWindow(f->RichEdit1.handle());
    took = Seconds() - start;
    f->RichEdit1.ScrollToLine(lines / 2);
    UpdateWindow(f->RichEdit1.handle());
    ui::ProcessMessages();
    worst = probe.worstMs();
    if (!loaded || f->RichEdit1.lineCount() != lines || f->RichEdit1.topLine() != lines / 2) {
      std::printf("report view: the report was not shown whole (%zu lines)\n", f->RichEdit1.lineCount());
      return 1;
    }
  }
  const double peak = PeakMB();
  std::printf("report view: %u lines shown in %.3f s, peak working set %.1f MB, longest wait for a message %lld ms\n",
              lines, took, peak, worst);
  // Against the targets: 1 s and 100 MB for 10^5 lines, 5 s and 200 MB for 10^6, 100 ms of waiting.
  const bool million = lines >= 1000000;
  std::printf("ratio view%s/target: %.2f\nratio viewmemory%s/target: %.2f\nratio viewwait/target: %.2f\n",
              million ? "1M" : "100K", took / (million ? 5.0 : 1.0), million ? "1M" : "100K",
              peak / (million ? 200.0 : 100.0), double(worst) / 100.0);
  f->RichEdit1.Clear();
  f->Close();
  ui::ProcessMessages();
  DeleteFileW(Widen(big).c_str());
  return 0;
}

// Two directory snapshots of N files whose every signature changed (a time
// zone change, say), compared into spool files and written as a report.
int CompareMillion(unsigned files) {
  const std::string folder = "C:\\velmora-bench-compare\\";
  CreateDirectoryW(Widen(folder).c_str(), nullptr);
  for (int side = 0; side < 2; ++side) {
    SnapshotWriter out(folder + (side ? "after.##2" : "before.##1"));
    out.Write("0E:\\\r\n");
    const std::array<char, 4> sig = tracker::EncodeSignature(side ? 0x50CF528Fu : 0x50CF5290u, 1234);
    std::string line;
    for (unsigned d = 0; d < files / 1000; ++d) {
      char name[32];
      std::snprintf(name, sizeof name, "folder%05u", d);
      out.Write(tracker::DirEntryLine(1, sig, name));
      for (unsigned i = 0; i < 1000; ++i) {
        std::snprintf(name, sizeof name, "file%05u.dat", i);
        out.Write(tracker::DirEntryLine(2, sig, name));
      }
    }
    out.Close();
  }
  std::printf("compare: peak working set before: %.1f MB\n", PeakMB());
  const double start = Seconds();
  std::size_t changed = 0;
  {
    tracker::SpoolList added(folder), deleted(folder), changes(folder);
    const tracker::DirChangeLists lists{added, deleted, changes};
    tracker::CompareDirSnapshots(folder + "before.##1", folder + "after.##2", lists, nullptr);
    SnapshotWriter report(folder + "report.txt");
    tracker::WriteReportHeader(report, "Compare bench", "now", "Disk contents comparison", {"E:\\"});
    tracker::WriteFileSection(report, false, lists);
    report.Close();
    changed = changes.size();
  }
  const double took = Seconds() - start;
  std::printf("compare: %zu differences in %.3f s, peak working set %.1f MB\n", changed, took, PeakMB());
  for (const char* name : {"before.##1", "after.##2", "report.txt"}) DeleteFileW(Widen(folder + name).c_str());
  RemoveDirectoryW(Widen(folder).c_str());
  return changed == std::size_t(files / 1000) * 1001 ? 0 : 1;
}

// Runs this program again with the arguments, its output going to ours.
void RunChild(const std::string& arguments) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" " + Widen(arguments);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi{};
  std::fflush(stdout);
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    std::printf("cannot start \"%s\"\n", arguments.c_str());
    return;
  }
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

}  // namespace

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  shell::CreateCommontools();
  if (argc > 2 && std::string(argv[1]) == "view") {  // the report view alone
    const int rc = ReportView(unsigned(std::stoul(argv[2])));
    shell::DestroyCommontools();
    return rc;
  }
  if (argc > 2 && std::string(argv[1]) == "compare") return CompareMillion(unsigned(std::stoul(argv[2])));
  if (argc > 1 && std::string(argv[1]) == "parts") {  // the view and the compare without the session
    RunChild("view 100000");
    RunChild("view 1000000");
    RunChild("compare 1000000");
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
  RunChild("view 100000");
  RunChild("view 1000000");
  RunChild("compare 1000000");
  return 0;
}
