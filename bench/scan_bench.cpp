// Times the tree scanner against a bare listing of the same tree.
//
// The tree (about 100,000 files in 10,000 folders, a fifth of them junk names) is
// made once under E:\velmora-bench\tree and kept; a marker file beside it records
// its counts. Then, in one process and alternating, several rounds of
//   (a) a bare FindFirstFileExW walk that touches every entry, and
//   (b) TTreeScanner with the junk cleaner's thirteen default masks and a handler
//       that counts the matches,
// and the medians, the match count, peak memory and the ratio b/a are printed.
// The last line reads "ratio scan/walk: N.NN".
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "bench_common.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "scan/tree_scanner.h"

namespace {

using bench::Format;
using bench::Seconds;
using bench::Walk;
using bench::WalkCounts;

using velmora::FindHandle;

const wchar_t kBase[] = L"E:\\velmora-bench";
const wchar_t kTree[] = L"E:\\velmora-bench\\tree";
const wchar_t kMarker[] = L"E:\\velmora-bench\\tree-ready.txt";

// The junk cleaner's thirteen default masks.
const char* const kJunkMasks[] = {"*.tmp", "*.bak", "~*.*", "*.~*", "*.??~", "*.---", "*.chk",
                                  "*.old", "*.gid", "*.fts", "*.ftg", "0???????.nch", "mscreate.dir"};

// Names of the tree's files; %u is a number unique within the folder. Each junk
// name matches one of the masks above; none of the others matches any.
const char* const kJunkNames[] = {"scratch%u.tmp", "backup%u.bak", "~doc%u.docx", "letter%u.~oc",
                                  "notes%u.tx~",   "lost%u.---",   "file%04u.chk", "config%u.old",
                                  "help%u.gid",    "help%u.fts",   "help%u.ftg",   "0%07u.nch",
                                  "mscreate.dir"};
const char* const kOtherNames[] = {"report%u.txt",  "data%u.bakery",      "image%u.png", "tmpfile%u.dat",
                                   "README%u",      "archive%u.tar.gz",   "old%u.txt",   "chk%u.doc"};

constexpr int kTop = 20, kMiddle = 20, kLeaves = 24;  // 20 + 400 + 9,600 folders below the root
constexpr int kJunkPerFolder = 2, kOtherPerFolder = 8;
constexpr int kRounds = 7;

struct TreeCounts {
  unsigned long folders = 0, files = 0, junk = 0;
};

bool MakeFile(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

bool FillFolder(const std::wstring& folder, unsigned index, TreeCounts& counts) {
  if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  ++counts.folders;
  for (int k = 0; k < kJunkPerFolder; ++k) {
    const char* pattern = kJunkNames[(index * kJunkPerFolder + unsigned(k)) % std::size(kJunkNames)];
    if (!MakeFile(folder + L"\\" + Format(pattern, index * 10 + unsigned(k)))) return false;
    ++counts.files;
    ++counts.junk;
  }
  for (int k = 0; k < kOtherPerFolder; ++k) {
    if (!MakeFile(folder + L"\\" + Format(kOtherNames[k], index * 10 + unsigned(k)))) return false;
    ++counts.files;
  }
  return true;
}

bool ReadMarker(TreeCounts& counts) {
  const std::string text = [] {
    HANDLE h = CreateFileW(kMarker, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::string();
    char buf[256] = {};
    DWORD got = 0;
    ReadFile(h, buf, sizeof buf - 1, &got, nullptr);
    CloseHandle(h);
    return std::string(buf, got);
  }();
  return std::sscanf(text.c_str(), "folders %lu files %lu junk %lu", &counts.folders, &counts.files,
                     &counts.junk) == 3;
}

bool BuildTree(TreeCounts& counts) {
  if (ReadMarker(counts)) return true;
  std::printf("building the tree under E:\\velmora-bench\\tree (once)...\n");
  std::fflush(stdout);
  const double start = Seconds();
  CreateDirectoryW(kBase, nullptr);
  unsigned index = 0;
  if (!FillFolder(kTree, index++, counts)) return false;
  for (int t = 0; t < kTop; ++t) {
    const std::wstring top = std::wstring(kTree) + L"\\" + Format("top%02u", unsigned(t));
    if (!FillFolder(top, index++, counts)) return false;
    for (int m = 0; m < kMiddle; ++m) {
      const std::wstring middle = top + L"\\" + Format("Middle%02u", unsigned(m));
      if (!FillFolder(middle, index++, counts)) return false;
      for (int l = 0; l < kLeaves; ++l)
        if (!FillFolder(middle + L"\\" + Format("leaf %02u", unsigned(l)), index++, counts)) return false;
    }
  }
  char text[128];
  const int n = std::snprintf(text, sizeof text, "folders %lu files %lu junk %lu\r\n", counts.folders,
                              counts.files, counts.junk);
  HANDLE h = CreateFileW(kMarker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  WriteFile(h, text, DWORD(n), &written, nullptr);
  CloseHandle(h);
  std::printf("built in %.1f s\n", Seconds() - start);
  return true;
}

std::size_t PrivateBytes() {
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  return GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc) ? pmc.PagefileUsage : 0;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  TreeCounts tree;
  if (!BuildTree(tree)) {
    std::printf("cannot build the tree: %s\n", velmora::SystemErrorText(GetLastError()).c_str());
    return 1;
  }
  std::printf("tree: %lu folders, %lu files, %lu junk names\n", tree.folders, tree.files, tree.junk);

  velmora::scan::TTreeScanner scanner;
  std::string masks;
  for (const char* m : kJunkMasks) masks += std::string(masks.empty() ? "" : ",") + m;
  scanner.SetFileMaskCommaText(masks);
  scanner.SetInitialDirectory(velmora::Narrow(kTree));
  unsigned long matches = 0, scannedFolders = 0;
  scanner.SetOnFileFound([&](velmora::scan::TTreeScanner&) { ++matches; });
  scanner.SetOnDirectoryFound([&](velmora::scan::TTreeScanner&) { ++scannedFolders; });

  WalkCounts walked;
  const auto runWalk = [&] {
    walked = WalkCounts();
    std::wstring path = std::wstring(kTree) + L"\\";
    const double start = Seconds();
    Walk(path, walked);
    return Seconds() - start;
  };
  const auto runScan = [&] {
    matches = scannedFolders = 0;
    const double start = Seconds();
    scanner.Scan();
    return Seconds() - start;
  };

  // One untimed round of each first, so both start from a warm cache; then the
  // two alternate, each going first every other round, so a slow spell of a shared
  // machine falls on both alike.
  runWalk();
  runScan();
  const std::size_t privateBefore = PrivateBytes();
  std::vector<double> walkTimes, scanTimes;
  for (int round = 0; round < kRounds; ++round) {
    if (round % 2) {
      scanTimes.push_back(runScan());
      walkTimes.push_back(runWalk());
    } else {
      walkTimes.push_back(runWalk());
      scanTimes.push_back(runScan());
    }
    std::printf("round %d: walk %.3f s, scan %.3f s\n", round + 1, walkTimes.back(), scanTimes.back());
  }

  const double walk = Median(walkTimes), scan = Median(scanTimes);
  std::printf("walk: %lu folders, %lu files seen\n", walked.folders, walked.files);
  std::printf("scan: %lu folders, %lu matches (expected %lu)%s\n", scannedFolders, matches, tree.junk,
              matches == tree.junk && scannedFolders == tree.folders ? "" : "  MISMATCH");
  std::printf("median walk: %.3f s\n", walk);
  std::printf("median scan: %.3f s\n", scan);
  // The fastest rounds are the least disturbed by other work on a shared machine.
  const double bestWalk = *std::min_element(walkTimes.begin(), walkTimes.end());
  const double bestScan = *std::min_element(scanTimes.begin(), scanTimes.end());
  std::printf("best walk: %.3f s, best scan: %.3f s (%.2f)\n", bestWalk, bestScan,
              bestWalk > 0 ? bestScan / bestWalk : 0.0);
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  if (GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc))
    std::printf("peak working set: %.1f MB, peak private bytes: %.1f MB, private bytes %.1f MB before the "
                "rounds and %.1f MB after\n",
                double(pmc.PeakWorkingSetSize) / 1048576.0, double(pmc.PeakPagefileUsage) / 1048576.0,
                double(privateBefore) / 1048576.0, double(pmc.PagefileUsage) / 1048576.0);
  std::printf("ratio scan/walk: %.2f\n", walk > 0 ? scan / walk : 0.0);
  return matches == tree.junk ? 0 : 1;
}
