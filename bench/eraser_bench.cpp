// Times the eraser's cookie step against a bare delete of the same files.
//
// Each round rebuilds two identical trees of 20,000 small files in 400
// folders (an "index.dat" in each folder, which both sides keep) under
// E:\velmora-bench\erase-a and erase-b, then
//   (a) a bare recursive FindFirstFileExW + DeleteFileW walk empties one, and
//   (b) the cookie step, RecurseFiles with the delete-except-index visitor and
//       the run's message pump (at most every 10 ms), empties the other.
// Five rounds alternate which side goes first; the medians are compared and the
// last line reads "ratio erase/delete: N.NN".
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_common.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "tools/eraser/browser_clean.h"
#include "ui/app.h"

namespace {

using bench::Format;
using bench::Seconds;

const wchar_t kBase[] = L"E:\\velmora-bench";
constexpr unsigned kFolders = 400, kFilesPerFolder = 50;
constexpr int kRounds = 5;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

bool MakeFile(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  WriteFile(h, "cookie", 6, &written, nullptr);
  CloseHandle(h);
  return true;
}

// 400 folders in 20 groups; 49 cookie files and an index.dat in each.
bool BuildTree(const std::wstring& root) {
  CreateDirectoryW(root.c_str(), nullptr);
  for (unsigned i = 0; i < kFolders; ++i) {
    const std::wstring group = root + L"\\" + Format("group%02u", i / 20);
    CreateDirectoryW(group.c_str(), nullptr);
    const std::wstring folder = group + L"\\" + Format("site%03u", i);
    CreateDirectoryW(folder.c_str(), nullptr);
    if (!MakeFile(folder + L"\\index.dat")) return false;
    for (unsigned k = 1; k < kFilesPerFolder; ++k)
      if (!MakeFile(folder + L"\\" + Format("user@site%u.txt", i * 100 + k))) return false;
  }
  return true;
}

// (a) The bare delete: one listing per folder, every file but index.dat deleted.
void BareDelete(std::wstring& path, unsigned long& deleted) {
  const std::size_t length = path.size();
  path += L'*';
  WIN32_FIND_DATAW fd;
  velmora::FindHandle find(
      FindFirstFileExW(path.c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
  path.resize(length);
  if (!find) return;
  do {
    const wchar_t* name = fd.cFileName;
    if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
    path += name;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      path += L'\\';
      BareDelete(path, deleted);
    } else if (_wcsicmp(name, L"index.dat") != 0 && DeleteFileW(path.c_str())) {
      ++deleted;
    }
    path.resize(length);
  } while (FindNextFileW(find.get(), &fd));
}

}  // namespace

int main() {
  const std::wstring a = std::wstring(kBase) + L"\\erase-a", b = std::wstring(kBase) + L"\\erase-b";
  CreateDirectoryW(kBase, nullptr);
  std::vector<double> bare, erase;
  unsigned long bareDeleted = 0;
  std::size_t notRemoved = 0;
  for (int round = 1; round <= kRounds; ++round) {
    if (!BuildTree(a) || !BuildTree(b)) {
      std::printf("cannot build the trees\n");
      return 1;
    }
    auto runBare = [&] {
      std::wstring path = a + L"\\";
      unsigned long deleted = 0;
      const double start = Seconds();
      BareDelete(path, deleted);
      bare.push_back(Seconds() - start);
      bareDeleted = deleted;
    };
    auto runErase = [&] {
      std::vector<std::string> failed;
      velmora::ui::MessagePump pump;
      const double start = Seconds();
      velmora::eraser::RecurseFiles(velmora::Narrow(b) + "\\", "*.*", velmora::eraser::DeleteExceptIndex(failed),
                                    [&pump] { pump(); });
      erase.push_back(Seconds() - start);
      notRemoved = failed.size();
    };
    if (round % 2) {
      runBare();
      runErase();
    } else {
      runErase();
      runBare();
    }
    std::printf("round %d: delete %.3f s, erase %.3f s\n", round, bare.back(), erase.back());
    std::fflush(stdout);
  }
  const double d = Median(bare), e = Median(erase);
  std::printf("delete: median %.3f s (%lu files)\n", d, bareDeleted);
  std::printf("erase: median %.3f s (%zu not removed)\n", e, notRemoved);
  std::printf("ratio erase/delete: %.2f\n", d > 0 ? e / d : 0.0);
  return 0;
}
