// Times the junk cleaner's full scan against a bare walk of the same tree, then
// the removal of every listed file to the recycle bin.
//
// The tree (by default 10,000 folders of ten non-empty files each, two of them
// junk names) is made under E:\velmora-bench\junktree; junk files removed by an
// earlier run are made again. The scan runs on a hidden TfrmJunk with every
// pass (an empty temporary folder, the patterns, zero length) and every match
// listed; walk and scan take turns five times and their medians are compared.
// An argument gives another folder count, for a quicker run; a second argument
// "scan" leaves out the removal of the last scan's rows.
// Prints "ratio junkscan/walk: N.NN" and the removal rate in files per second.
//
// What the figures assume, and why they move between machines:
// - The tree is built and its files are in the page cache before the timed
//   rounds (the first run of a clean clone builds it; the rounds alternate, so
//   a cold cache or a busy spell falls on walk and scan alike). Nothing else
//   runs: a build on the other core adds a third or more to the ratio.
// - The prefix is the build folder's (scripts/bench), its wineserver started
//   for the run, the recycle bin's size irrelevant to the scan.
// - Every listed file is opened once for the in-use test ("Skip files that are
//   currently being used", on by default). Under Wine an opening and its close
//   are round trips to the one wineserver, which the walk needs too (each
//   folder is opened, listed and closed through it). The cost of a round trip
//   decides the ratio far more than the suite's own code: on a virtual machine
//   where one takes 30 us the 20,000 openings alone add 0.4 to the ratio, on
//   one where it takes 10 us they add about 0.1. The benchmark therefore prints
//   the round trip it measures and a model of the scan's cost: the bare walk
//   plus two round trips (the opening and its close) for each listed file,
//   with its ratio to the walk beside the measured one.
// - With these defaults a fifth of all files are junk; a tree with fewer junk
//   files (the junk issue measured one with 20,000 files) gives a lower ratio.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "bench_common.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "shell/action_log.h"
#include "shell/commontools.h"
#include "shell/hint.h"
#include "shell/settings.h"
#include "tools/junk/frm_junk.h"
#include "ui/app.h"

namespace {

using bench::Format;
using bench::Seconds;
using bench::Walk;

using velmora::FindHandle;

const wchar_t kBase[] = L"E:\\velmora-bench";
const wchar_t kTree[] = L"E:\\velmora-bench\\junktree";
const wchar_t kTemp[] = L"E:\\velmora-bench\\junktemp";

// One name per default pattern; none of the other names matches any pattern.
const char* const kJunkNames[] = {"letter%u.~oc", "~doc%u.txt",  "notes%u.tx~", "lost%u.---",  "scratch%u.tmp",
                                  "setup%u._mp",  "config%u.old", "backup%u.bak", "sys%u.syd",  "file%04u.chk",
                                  "help%u.gid",   "0%07u.nch"};
const char* const kOtherNames[] = {"report%u.txt", "data%u.bakery", "image%u.png", "tmpfile%u.dat",
                                   "README%u",     "archive%u.gz",  "old%u.txt",   "chk%u.doc"};
constexpr int kPerLeaf = 100;  // folders per middle folder
constexpr int kRounds = 5;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// Makes the file with one byte unless it exists; false on failure.
bool EnsureFile(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;
  DWORD written = 0;
  WriteFile(h, "x", 1, &written, nullptr);
  CloseHandle(h);
  return true;
}

bool BuildTree(unsigned folders, unsigned long& files, unsigned long& junk) {
  CreateDirectoryW(kBase, nullptr);
  CreateDirectoryW(kTree, nullptr);
  CreateDirectoryW(kTemp, nullptr);
  for (unsigned i = 0; i < folders; ++i) {
    const std::wstring middle = std::wstring(kTree) + L"\\" + Format("Middle%03u", i / kPerLeaf);
    CreateDirectoryW(middle.c_str(), nullptr);
    const std::wstring folder = middle + L"\\" + Format("leaf %03u", i % kPerLeaf);
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    for (unsigned k = 0; k < 2; ++k) {
      if (!EnsureFile(folder + L"\\" + Format(kJunkNames[(i * 2 + k) % std::size(kJunkNames)], i * 10 + k)))
        return false;
      ++files;
      ++junk;
    }
    for (unsigned k = 0; k < 8; ++k) {
      if (!EnsureFile(folder + L"\\" + Format(kOtherNames[k], i * 10 + k))) return false;
      ++files;
    }
  }
  return true;
}

// Two requests to the wineserver (or the kernel, on Windows): an event made and closed.
double RoundTripMicroseconds() {
  const int n = 5000;
  const double start = Seconds();
  for (int i = 0; i < n; ++i) CloseHandle(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  return (Seconds() - start) / (2.0 * n) * 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const unsigned folders = argc > 1 ? unsigned(std::strtoul(argv[1], nullptr, 10)) : 10000;

  unsigned long files = 0, junk = 0;
  const double buildStart = Seconds();
  if (!BuildTree(folders, files, junk)) {
    std::printf("cannot build the tree: %s\n", velmora::SystemErrorText(GetLastError()).c_str());
    return 1;
  }
  std::printf("tree: %u folders, %lu files, %lu junk names (ready in %.1f s)\n", folders, files, junk,
              Seconds() - buildStart);

  // No hints, no log: the figures are the scan's.
  velmora::shell::WriteBoolSetting(velmora::shell::kHintsKey, "All", false);
  velmora::shell::WriteBoolSetting(velmora::shell::kLogsKey, velmora::shell::logswitch::kJunk, false);
  velmora::RegKey::Create(HKEY_CURRENT_USER, velmora::junk::kJunkKey).WriteString("Drives", "E");
  velmora::shell::CreateCommontools();

  auto* f = new velmora::junk::TfrmJunk();
  f->DriveRoot = [](char) { return velmora::Narrow(kTree) + "\\"; };
  f->TempFolder = [] { return velmora::Narrow(kTemp) + "\\"; };
  f->cbTemp.SetChecked(true);
  f->cbZeroLength.SetChecked(true);
  f->cbConfirm.SetChecked(false);
  f->optRecycle.SetChecked(true);

  // Walks and scans take turns, so a busy spell of the machine falls on both;
  // the medians are compared.
  std::vector<double> walks, scans;
  unsigned long walked = 0;
  int listed = 0;
  for (int round = 1; round <= kRounds; ++round) {
    std::wstring root = std::wstring(kTree) + L"\\";
    double start = Seconds();
    bench::WalkCounts counts;
    Walk(root, counts);
    walks.push_back(Seconds() - start);
    walked = counts.files;
    start = Seconds();
    f->cmdGo.Click();
    scans.push_back(Seconds() - start);
    listed = f->lv.itemCount();
    std::printf("round %d: walk %.3f s, junk scan %.3f s\n", round, walks.back(), scans.back());
    std::fflush(stdout);
  }
  const double walk = Median(walks), scan = Median(scans);

  const double roundTrip = RoundTripMicroseconds();
  // The model: the walk, and an opening and a close for each listed file.
  const double model = walk + 2.0 * roundTrip * 1e-6 * listed;
  std::printf("wineserver round trip: %.1f us\n", roundTrip);
  std::printf("walk: median %.3f s (%lu files)\n", walk, walked);
  std::printf("model, the walk plus two round trips per listed file: %.3f s (ratio %.2f)\n", model,
              walk > 0 ? model / walk : 0.0);
  std::printf("junk scan: median %.3f s (%d files listed)\n", scan, listed);
  std::printf("ratio junkscan/walk: %.2f\n", walk > 0 ? scan / walk : 0.0);
  std::fflush(stdout);

  if (argc > 2 && std::string(argv[2]) == "scan") {
    f->Close();
    velmora::shell::DestroyCommontools();
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
  }
  const double start = Seconds();
  f->D1.Click();
  const double removal = Seconds() - start;
  std::printf("removal: %d files to the recycle bin in %.2f s, %.0f files per second\n", listed, removal,
              removal > 0 ? listed / removal : 0.0);
  f->Close();
  velmora::shell::DestroyCommontools();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}
