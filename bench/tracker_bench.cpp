// Times the installation tracker's snapshots against bare walks, and measures
// the memory a comparison of two large snapshots needs.
//
// (1) Memory: two generated directory snapshots, and two generated registry
//     snapshots, of 10^5 and of 10^6 records each (a few records apart) are
//     compared; the growth of private bytes over the compare is sampled at
//     each progress report. It must stay under 8 MB and not grow with size.
// (2) Directory: the 100,000-file tree of scan_bench (E:\velmora-bench\tree;
//     run scan_bench first). A before snapshot is recorded, 1,000 files are
//     added (untimed), then alternating rounds of
//       (a) bench::Walk, the bare FindFirstFileExW walk, and
//       (b) RecordDirSnapshot + CompareDirSnapshots against the before snapshot.
//     Last line "ratio dirsnap/walk: N.NN".
// (3) Registry: 100,000 values of mixed types and sizes in 10,000 volatile keys
//     under HKEY_CURRENT_USER\Software\VelmoraBench\Tracker, half of them given
//     to HKEY_USERS and half to HKEY_LOCAL_MACHINE (RegOverridePredefKey), then
//     alternating rounds of
//       (a) a bare RegEnumKeyExW / RegEnumValueW walk with data, and
//       (b) RecordRegSnapshot + CompareRegSnapshots against a before snapshot.
//     Last line "ratio regsnap/walk: N.NN".
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_common.h"
#include "tracker_registry.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tools/tracker/dir_snapshot.h"
#include "tools/tracker/reg_snapshot.h"
#include "tools/tracker/tracker_engine.h"

namespace {

using bench::BuildRegistry;
using bench::kRegTree;
using bench::Seconds;
using namespace velmora;
using namespace velmora::tracker;

const char kWork[] = "E:\\velmora-bench\\tracker";
const wchar_t kTree[] = L"E:\\velmora-bench\\tree";
const wchar_t kTreeMarker[] = L"E:\\velmora-bench\\tree-ready.txt";
constexpr int kRounds = 5;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

std::size_t PrivateBytes() {
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  return GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc) ? pmc.PagefileUsage : 0;
}

std::string Number(int n, int width) {
  std::string s = std::to_string(n);
  return std::string(width > int(s.size()) ? width - int(s.size()) : 0, '0') + s;
}

// A directory snapshot of about `folders` x 100 sub-folders x `files` files;
// `gap` leaves out one file, so the two sides differ by a record.
void WriteDirSnapshot(const std::string& path, int folders, int files, bool gap) {
  SnapshotWriter out(path);
  out.Write("0E:\\\r\n");
  for (int a = 0; a < folders; ++a) {
    out.Write(DirEntryLine(1, EncodeSignature(0x50CF528F, 0), "dir" + Number(a, 4)));
    for (int b = 0; b < 100; ++b) {
      out.Write(DirEntryLine(2, EncodeSignature(0x50CF528F, 0), "sub" + Number(b, 4)));
      for (int c = 0; c < files; ++c) {
        if (gap && a == 1 && b == 1 && c == 1) continue;
        out.Write(DirEntryLine(3, EncodeSignature(0x50CF528F, std::uint64_t(c)), "file" + Number(c, 4) + ".txt"));
      }
    }
  }
  out.Close();
}

// A registry snapshot of the same shape, each record a value of 9 keys' worth.
void WriteRegSnapshot(const std::string& path, int keys, int values, bool gap) {
  SnapshotWriter out(path);
  out.Write(RegRootLine("HKEY_USERS"));
  for (int a = 0; a < keys; ++a) {
    out.Write(RegKeyLine(1, "Key" + Number(a, 4)));
    for (int b = 0; b < 100; ++b) {
      out.Write(RegKeyLine(2, "Sub" + Number(b, 4)));
      for (int c = 0; c < values; ++c) {
        if (gap && a == 1 && b == 1 && c == 1) continue;
        out.Write(RegValueLines(3, "v" + Number(c, 4), MakeValueText(REG_DWORD, std::string(4, char(c)))));
      }
    }
  }
  out.Write(RegRootLine("HKEY_LOCAL_MACHINE"));
  out.Close();
}

// Private bytes the compare adds at most, sampled at each progress report.
template <typename Compare>
double Growth(Compare compare) {
  const std::size_t before = PrivateBytes();
  std::size_t peak = before;
  compare([&](const std::string&, const std::string&) { peak = std::max(peak, PrivateBytes()); });
  return double(peak - before) / 1048576.0;
}

void MemoryPart() {
  CreateFolderPath(kWork);
  const std::string w = std::string(kWork) + "\\";
  double dirGrowth[2], regGrowth[2];
  const int sizes[2][2] = {{10, 99}, {100, 99}};  // about 10^5 and 10^6 records
  for (int i = 0; i < 2; ++i) {
    WriteDirSnapshot(w + "gen-dir.##1", sizes[i][0], sizes[i][1], false);
    WriteDirSnapshot(w + "gen-dir.##2", sizes[i][0], sizes[i][1], true);
    WriteRegSnapshot(w + "gen-reg.##1", sizes[i][0], sizes[i][1], false);
    WriteRegSnapshot(w + "gen-reg.##2", sizes[i][0], sizes[i][1], true);
    DirChanges d;
    RegChanges r;
    const double start = Seconds();
    dirGrowth[i] = Growth([&](const ProgressReceiver& p) { CompareDirSnapshots(w + "gen-dir.##1", w + "gen-dir.##2", d, p); });
    regGrowth[i] = Growth([&](const ProgressReceiver& p) { CompareRegSnapshots(w + "gen-reg.##1", w + "gen-reg.##2", r, p); });
    std::printf("compare of two generated snapshots of %d records: %.2f s; dir %zu deleted, registry %zu deleted\n",
                sizes[i][0] * 100 * (sizes[i][1] + 1), Seconds() - start, d.deleted.size(), r.valuesDeleted.size());
  }
  std::printf("memory growth, 10^5 records: dir %.2f MB, registry %.2f MB\n", dirGrowth[0], regGrowth[0]);
  std::printf("memory growth, 10^6 records: dir %.2f MB, registry %.2f MB\n", dirGrowth[1], regGrowth[1]);
  for (const char* f : {"gen-dir.##1", "gen-dir.##2", "gen-reg.##1", "gen-reg.##2"}) DeleteFileW(Widen(w + f).c_str());
}

void DirPart() {
  if (GetFileAttributesW(kTreeMarker) == INVALID_FILE_ATTRIBUTES) {
    std::printf("no tree at E:\\velmora-bench\\tree: run scan_bench first\n");
    return;
  }
  const std::string w = std::string(kWork) + "\\";
  const std::string root = Narrow(kTree);
  RecordDirSnapshot(w + "S_INST$$.##1", {root}, nullptr);
  const std::wstring changes = std::wstring(kTree) + L"\\tracker-changes";
  CreateDirectoryW(changes.c_str(), nullptr);
  for (int i = 0; i < 1000; ++i) {
    const std::wstring f = changes + L"\\added" + std::to_wstring(i) + L".txt";
    CloseHandle(CreateFileW(f.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }
  std::vector<double> walks, snaps;
  std::size_t added = 0;
  bench::WalkCounts counts;
  for (int round = 1; round <= kRounds; ++round) {
    counts = bench::WalkCounts{};
    std::wstring path = std::wstring(kTree) + L"\\";
    double start = Seconds();
    bench::Walk(path, counts);
    walks.push_back(Seconds() - start);
    start = Seconds();
    RecordDirSnapshot(w + "S_INST$$.##2", {root}, nullptr);
    const double recorded = Seconds() - start;
    DirChanges c;
    CompareDirSnapshots(w + "S_INST$$.##1", w + "S_INST$$.##2", c, nullptr);
    snaps.push_back(Seconds() - start);
    added = c.added.size();
    std::printf("round %d: walk %.3f s, record + compare %.3f s (record %.3f s)\n", round, walks.back(), snaps.back(),
                recorded);
    std::fflush(stdout);
  }
  for (int i = 0; i < 1000; ++i) DeleteFileW((changes + L"\\added" + std::to_wstring(i) + L".txt").c_str());
  RemoveDirectoryW(changes.c_str());
  std::printf("walk: median %.3f s (%lu folders, %lu files)\n", Median(walks), counts.folders, counts.files);
  std::printf("dirsnap: median %.3f s (%zu added)\n", Median(snaps), added);
  std::printf("ratio dirsnap/walk: %.2f\n", Median(snaps) / Median(walks));
}

void RegistryPart() {
  HKEY halves[2] = {nullptr, nullptr};
  HKEY bench = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, kRegTree, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &bench,
                  nullptr);
  double start = Seconds();
  if (!BuildRegistry(halves)) {
    std::printf("cannot build the registry tree\n");
    return;
  }
  std::printf("registry tree ready in %.1f s\n", Seconds() - start);
  RegOverridePredefKey(HKEY_USERS, halves[0]);
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, halves[1]);
  const std::string base = std::string(kWork) + "\\REG$$$$$";
  RecordRegSnapshot(base, ".##1", {}, nullptr, "S-1-5-21-0-0-0-1000");
  std::vector<double> walks, snaps;
  unsigned long values = 0;
  for (int round = 1; round <= kRounds; ++round) {
    values = 0;
    start = Seconds();
    bench::RegistryWalk(HKEY_USERS, values);
    bench::RegistryWalk(HKEY_LOCAL_MACHINE, values);
    walks.push_back(Seconds() - start);
    start = Seconds();
    RecordRegSnapshot(base, ".##2", {}, nullptr, "S-1-5-21-0-0-0-1000");
    const double recorded = Seconds() - start;
    RegChanges c;
    CompareRegSnapshots(base + ".##1", base + ".##2", c, nullptr);
    snaps.push_back(Seconds() - start);
    std::printf("round %d: walk %.3f s, record + compare %.3f s (record %.3f s)\n", round, walks.back(), snaps.back(),
                recorded);
    std::fflush(stdout);
  }
  RegOverridePredefKey(HKEY_USERS, nullptr);
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  RegCloseKey(halves[0]);
  RegCloseKey(halves[1]);
  RegDeleteTreeW(bench, nullptr);
  RegCloseKey(bench);
  RegDeleteKeyW(HKEY_CURRENT_USER, kRegTree);
  std::printf("walk: median %.3f s (%lu values)\n", Median(walks), values);
  std::printf("regsnap: median %.3f s\n", Median(snaps));
  std::printf("ratio regsnap/walk: %.2f\n", Median(snaps) / Median(walks));
}

}  // namespace

int main(int argc, char** argv) {
  // "registry" or "dir" runs that part alone.
  const std::string only = argc > 1 ? argv[1] : "";
  if (only.empty()) MemoryPart();
  if (only.empty() || only == "dir") DirPart();
  if (only.empty() || only == "registry") RegistryPart();
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  std::printf("peak working set: %.1f MB\n", double(pmc.PeakWorkingSetSize) / 1048576.0);
  return 0;
}
