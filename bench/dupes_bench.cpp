// Times the duplicate finder against a bare walk of the same tree and against
// jdupes, a command-line duplicate finder, as a speed baseline.
//
// The tree is made once under E:\velmora-bench\dupetree: about 100,000 files
// in 10,000 folders, sizes from 2,000 values (16 bytes to 6 KiB), about 10 %
// extra copies in groups of 2 to 4, 2 % of the files of a few sizes above
// 4 KiB that are equal in their first 4 KiB and differ after it, and four
// pairs of 8 to 32 MiB. Five alternating rounds, medians, of
//   (a) the bare FindFirstFileExW walk of bench_common.h,
//   (b) a hidden TfrmFindDupes searching "Folders Named..." the tree, size
//       required, date and name not, until btnSearch reads "Find Now", and
//   (c) "jdupes -r -q" on the tree, started with CreateProcessW, its output to
//       a file,
// then the bytes the search's comparison read and its read rate, "ratio
// dupes/walk: N.NN" and "ratio dupes/jdupes: N.NN"; (b) and (c) must count
// the same duplicates. Last, "stop latency: N ms": Stop pressed on a window
// comparing two equal 2 GiB files (sparse, so they take no disk), until the
// search has ended. jdupes.exe is built from Debian's
// source by scripts/jdupes-build into the build folder; where it could not be,
// the reason is in jdupes-unavailable.txt and only the first ratio is printed.
#include <atomic>
#include <windows.h>
#include <commctrl.h>
#include <winioctl.h>
#include <objbase.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_common.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "shell/action_log.h"
#include "shell/commontools.h"
#include "shell/hint.h"
#include "shell/settings.h"
#include "tools/dupes/frm_dupes.h"
#include "ui/app.h"

namespace {

using bench::Format;
using bench::Median;
using bench::Seconds;

const char kTree[] = "E:\\velmora-bench\\dupetree\\";
const char kMarker[] = "E:\\velmora-bench\\dupetree-ready.txt";
constexpr int kTop = 20, kMiddle = 20, kLeaves = 24;
constexpr unsigned kFilesPerFolder = 10;
constexpr int kRounds = 5;

std::uint32_t Hash(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

// What file number i holds: its size and the seeds of its bytes.
struct Spec {
  std::uint64_t size;
  std::uint32_t seed;
  std::uint32_t prefixSeed;  // the first 4 KiB come from this seed (0: from `seed`)
};

Spec SpecOf(std::uint32_t i) {
  // Four big pairs: numbers 1000k + 5 and their copies at 1000k + 15.
  for (std::uint32_t k = 0; k < 4; ++k) {
    if (i == 1000 * k + 5 || i == 1000 * k + 15) return {(8ULL << 20) * (k + 1), 1000 * k + 5, 0};
  }
  // Copies: in each run of 20 numbers, the first is copied to 11, 12, 13 as
  // its group size (2 to 4) wants.
  const std::uint32_t slot = i % 20, base = i - slot;
  if (slot >= 11 && slot <= 13 && slot - 10 <= Hash(base) % 3 + 1) return SpecOf(base);
  const std::uint32_t h = Hash(i + 7777);
  if (h % 50 == 0) return {4096 + 16 + (h / 50) % 6 * 7, i, 0x5EED0000u + std::uint32_t((h / 50) % 6)};
  return {16 + std::uint64_t(h % 2000) * 3, i, 0};
}

void Fill(std::vector<char>& buffer, const Spec& s) {
  buffer.resize(std::size_t(s.size));
  std::uint32_t state = s.prefixSeed ? s.prefixSeed : s.seed;
  for (std::size_t b = 0; b < buffer.size(); ++b) {
    if (b == 4096 && s.prefixSeed) state = s.seed;
    if (b % 4 == 0) state = Hash(state + std::uint32_t(b));
    buffer[b] = char(state >> (8 * (b % 4)));
  }
}

bool WriteSpec(const std::string& path, std::uint32_t i, std::vector<char>& buffer) {
  Fill(buffer, SpecOf(i));
  velmora::FileHandle h(
      CreateFileW(velmora::LongPathW(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!h) return false;
  DWORD wrote = 0;
  return WriteFile(h.get(), buffer.data(), DWORD(buffer.size()), &wrote, nullptr) && wrote == buffer.size();
}

bool BuildTree() {
  if (velmora::FileExists(kMarker)) return true;
  std::printf("building the tree under %s (once)...\n", kTree);
  std::fflush(stdout);
  const double start = Seconds();
  std::vector<char> buffer;
  std::uint32_t index = 0;
  auto fill = [&](const std::string& folder) {
    velmora::CreateFolderPath(folder);
    for (unsigned k = 0; k < kFilesPerFolder; ++k, ++index)
      if (!WriteSpec(folder + velmora::Narrow(Format("file%u.dat", index)), index, buffer)) return false;
    return true;
  };
  if (!fill(kTree)) return false;
  for (int t = 0; t < kTop; ++t) {
    const std::string top = kTree + velmora::Narrow(Format("top%02u", unsigned(t))) + "\\";
    if (!fill(top)) return false;
    for (int m = 0; m < kMiddle; ++m) {
      const std::string middle = top + velmora::Narrow(Format("Middle%02u", unsigned(m))) + "\\";
      if (!fill(middle)) return false;
      for (int l = 0; l < kLeaves; ++l)
        if (!fill(middle + velmora::Narrow(Format("leaf %02u", unsigned(l))) + "\\")) return false;
    }
  }
  if (!velmora::WriteFileAtomically(kMarker, "ready\r\n")) return false;
  std::printf("built in %.1f s\n", Seconds() - start);
  return true;
}

// jdupes' duplicates: in each group (lines up to a blank line), the files beyond the first.
long CountJdupesDuplicates(const std::string& output) {
  long duplicates = 0, inGroup = 0;
  std::size_t pos = 0;
  while (pos <= output.size()) {
    std::size_t end = output.find('\n', pos);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) {
      if (inGroup > 1) duplicates += inGroup - 1;
      inGroup = 0;
    } else {
      ++inGroup;
    }
    pos = end + 1;
  }
  if (inGroup > 1) duplicates += inGroup - 1;
  return duplicates;
}

// One run of jdupes; the seconds it took, or a negative number when it could not start.
double RunJdupes(const std::string& exe, const std::string& outputFile, long& duplicates) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  velmora::FileHandle out(CreateFileW(velmora::Widen(outputFile).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa,
                                      CREATE_ALWAYS, 0, nullptr));
  if (!out) return -1;
  std::wstring command = L"\"" + velmora::Widen(exe) + L"\" -r -q \"" +
                         velmora::Widen(std::string(kTree).substr(0, std::string(kTree).size() - 1)) + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = out.get();
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  const double start = Seconds();
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return -1;
  velmora::UniqueHandle process(pi.hProcess), thread(pi.hThread);
  WaitForSingleObject(process.get(), INFINITE);
  const double took = Seconds() - start;
  out.reset();
  duplicates = CountJdupesDuplicates(velmora::ReadTextFile(outputFile).value_or(""));
  return took;
}

// An all-zero file of `size` bytes that takes no disk space.
bool MakeEmptyBigFile(const std::string& path, std::uint64_t size) {
  velmora::FileHandle h(CreateFileW(velmora::Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!h) return false;
  DWORD ignored = 0;
  DeviceIoControl(h.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
  LARGE_INTEGER end{};
  end.QuadPart = LONGLONG(size);
  return SetFilePointerEx(h.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(h.get());
}

// Milliseconds from a Stop click, 300 ms into the comparison of two equal
// 2 GiB files, to the search's end; negative when it could not be measured.
double StopLatency() {
  using namespace velmora;
  const std::string folder = "E:\\velmora-bench\\stoptest\\";
  CreateFolderPath(folder);
  const std::uint64_t size = 2ULL << 30;
  if (!MakeEmptyBigFile(folder + "big1.bin", size) || !MakeEmptyBigFile(folder + "big2.bin", size)) return -1;
  auto* f = new dupes::TfrmFindDupes();
  f->Timer1.Stop();
  f->optFolderNames.SetChecked(true);
  f->optAllFolders.SetChecked(false);
  f->lvFolders.Clear();
  f->lvFolders.SetChecked(f->lvFolders.AddItem(folder), true);
  f->chkCheckFilesize.SetChecked(true);
  f->chkCheckFileTimestamp.SetChecked(false);
  f->chkCheckFilename.SetChecked(false);
  double comparing = 0, clicked = 0;
  ui::Timer poll(nullptr, 5);
  poll.onTimer = [&] {
    if (!f->Comparing) return;
    if (comparing == 0) comparing = Seconds();
    if (Seconds() - comparing < 0.3) return;
    poll.Stop();
    clicked = Seconds();
    f->btnSearch.Click();
  };
  poll.Start();
  f->btnSearch.Click();
  const double ended = Seconds();
  const bool interrupted = f->sb.text(0) == "Comparison interrupted";
  f->Close();
  DeleteFileW(Widen(folder + "big1.bin").c_str());
  DeleteFileW(Widen(folder + "big2.bin").c_str());
  return clicked > 0 && interrupted ? (ended - clicked) * 1000 : -1;
}

std::string OwnFolder() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return velmora::ExtractFilePath(velmora::Narrow(std::wstring(path, n)));
}

}  // namespace

int main(int argc, char** argv) {
  // "once": one search and one jdupes run, the search split into its walk and
  // its comparison (the time of the walk's last folder), for looking into them.
  const bool once = argc > 1 && std::string(argv[1]) == "once";
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (!BuildTree()) {
    std::printf("cannot build the tree: %s\n", velmora::SystemErrorText(GetLastError()).c_str());
    return 1;
  }
  using namespace velmora;
  shell::WriteBoolSetting(shell::kHintsKey, "All", false);
  shell::WriteBoolSetting(shell::kLogsKey, shell::logswitch::kDupes, false);
  shell::CreateCommontools();

  auto* f = new dupes::TfrmFindDupes();
  f->Timer1.Stop();
  f->optFolderNames.SetChecked(true);
  f->optAllFolders.SetChecked(false);
  f->lvFolders.Clear();
  f->lvFolders.SetChecked(f->lvFolders.AddItem(kTree), true);
  f->chkCheckFilesize.SetChecked(true);
  f->chkCheckFileTimestamp.SetChecked(false);
  f->chkCheckFilename.SetChecked(false);

  const std::string jdupes = OwnFolder() + "jdupes.exe";
  const std::string jdupesOut = OwnFolder() + "jdupes-output.txt";
  const bool haveJdupes = FileExists(jdupes);

  bench::WalkCounts walked;
  const auto runWalk = [&] {
    walked = bench::WalkCounts();
    std::wstring path = Widen(kTree);
    const double start = Seconds();
    bench::Walk(path, walked);
    return Seconds() - start;
  };
  const auto runDupes = [&] {
    const double start = Seconds();
    f->btnSearch.Click();
    const double took = Seconds() - start;
    if (f->btnSearch.caption() != "Find Now") std::printf("the search did not end as expected\n");
    return took;
  };
  long jdupesCount = -1;
  bool jdupesFailed = false;
  const auto runJdupes = [&] {
    if (!haveJdupes || jdupesFailed) return 0.0;
    const double took = RunJdupes(jdupes, jdupesOut, jdupesCount);
    if (took < 0) jdupesFailed = true;
    return took;
  };

  if (once) {
    std::atomic<double> lastFolder{0};
    f->onWalkFolder = [&] { lastFolder = Seconds(); };
    const double start = Seconds();
    f->btnSearch.Click();
    const double total = Seconds() - start;
    std::printf("search: %.3f s (walk %.3f s, comparison %.3f s), %lld duplicates, %.1f MB read\n", total,
                lastFolder.load() - start, total - (lastFolder.load() - start), static_cast<long long>(f->FoundDuplicates),
                double(f->searchBytesRead()) / 1e6);
    const double j = runJdupes();
    if (haveJdupes && !jdupesFailed) std::printf("jdupes: %.3f s (%ld duplicates)\n", j, jdupesCount);
    f->Close();
    shell::DestroyCommontools();
    return 0;
  }
  runWalk();
  runDupes();
  runJdupes();
  std::vector<double> walks, searches, jdupesRuns;
  for (int round = 0; round < kRounds; ++round) {
    if (round % 2 == 0) {
      walks.push_back(runWalk());
      searches.push_back(runDupes());
      jdupesRuns.push_back(runJdupes());
    } else {
      jdupesRuns.push_back(runJdupes());
      searches.push_back(runDupes());
      walks.push_back(runWalk());
    }
  }
  const long found = long(f->FoundDuplicates);
  std::printf("tree: %lu folders, %lu files, %.1f MB\n", walked.folders, walked.files, double(walked.bytes) / 1e6);
  std::printf("walk: %.3f s  dupes: %.3f s (%ld duplicates in %d rows)\n", Median(walks), Median(searches), found,
              f->FileListView1.itemCount());
  const double readMB = double(f->searchBytesRead()) / 1e6;
  std::printf("bytes read: %.1f MB by the comparison (%.1f MB/s over the whole search)\n", readMB,
              readMB / Median(searches));
  std::printf("ratio dupes/walk: %.2f\n", Median(searches) / Median(walks));
  if (!haveJdupes) {
    const std::string why = ReadTextFile(OwnFolder() + "jdupes-unavailable.txt").value_or("");
    std::printf("jdupes: not available (%s)\n",
                why.empty() ? "jdupes.exe was not built: run scripts/jdupes-build" : why.c_str());
  } else if (jdupesFailed) {
    std::printf("jdupes: could not be started: %s\n", SystemErrorText(GetLastError()).c_str());
  } else {
    std::printf("jdupes: %.3f s (%ld duplicates)%s\n", Median(jdupesRuns), jdupesCount,
                jdupesCount == found ? "" : "  COUNTS DIFFER");
    std::printf("ratio dupes/jdupes: %.2f\n", Median(searches) / Median(jdupesRuns));
  }
  f->Close();
  const double latency = StopLatency();
  if (latency < 0) std::printf("stop latency: not measured (the big files could not be made or compared)\n");
  else std::printf("stop latency: %.0f ms\n", latency);
  shell::DestroyCommontools();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}
