#include "support/box_watchdog.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <algorithm>
#include <map>

#include "platform/text.h"

namespace velmora::test {

namespace {

std::string WindowText(HWND w) {
  const int length = GetWindowTextLengthW(w);
  if (length <= 0) return {};
  std::wstring text(std::size_t(length) + 1, L'\0');
  text.resize(std::size_t(GetWindowTextW(w, text.data(), length + 1)));
  return Narrow(text);
}

std::string ClassName(HWND w) {
  wchar_t name[256] = {};
  GetClassNameW(w, name, 256);
  return Narrow(name);
}

}  // namespace

SeenBox DescribeBox(HWND box) {
  SeenBox seen;
  GetWindowThreadProcessId(box, &seen.process);
  seen.caption = WindowText(box);
  EnumChildWindows(
      box,
      [](HWND child, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<SeenBox*>(lp);
        const std::string cls = ClassName(child);
        if (cls == "Static" || cls == "Edit" || cls == "SysLink") {
          const std::string text = WindowText(child);
          if (!text.empty()) s->text += (s->text.empty() ? "" : " | ") + text;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&seen));
  return seen;
}

BoxWatchdog::BoxWatchdog(DWORD process) : root_(process), thread_([this] { Watch(); }) {}

BoxWatchdog::~BoxWatchdog() { Stop(); }

std::vector<DWORD> BoxWatchdog::WatchedProcesses() const {
  std::vector<DWORD> watched{root_};
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return watched;
  std::multimap<DWORD, DWORD> children;  // parent -> child
  PROCESSENTRY32W e{};
  e.dwSize = sizeof e;
  for (BOOL more = Process32FirstW(snap, &e); more; more = Process32NextW(snap, &e))
    if (e.th32ProcessID != e.th32ParentProcessID) children.emplace(e.th32ParentProcessID, e.th32ProcessID);
  CloseHandle(snap);
  for (std::size_t i = 0; i < watched.size() && watched.size() < 64; ++i) {
    const auto range = children.equal_range(watched[i]);
    for (auto it = range.first; it != range.second; ++it)
      if (std::find(watched.begin(), watched.end(), it->second) == watched.end()) watched.push_back(it->second);
  }
  return watched;
}

void BoxWatchdog::Watch() {
  unsigned round = 0;
  std::vector<DWORD> watched{root_};
  while (!stop_) {
    // The process tree changes rarely; the windows are looked at every round.
    if (round++ % 10 == 0) watched = WatchedProcesses();
    struct Search {
      const std::vector<DWORD>* watched;
      std::vector<HWND> boxes;
    } search{&watched, {}};
    EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
          auto* s = reinterpret_cast<Search*>(lp);
          DWORD pid = 0;
          GetWindowThreadProcessId(w, &pid);
          if (std::find(s->watched->begin(), s->watched->end(), pid) == s->watched->end()) return TRUE;
          if (IsWindowVisible(w) && ClassName(w) == "#32770") s->boxes.push_back(w);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    for (HWND box : search.boxes) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (std::find(closed_.begin(), closed_.end(), box) == closed_.end()) {
          seen_.push_back(DescribeBox(box));
          closed_.push_back(box);
        }
      }
      // Cancel where the box has it, else its close button: the box's owner goes on.
      PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
      PostMessageW(box, WM_CLOSE, 0, 0);
    }
    Sleep(50);
  }
}

std::vector<SeenBox> BoxWatchdog::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  return seen_;
}

void BoxWatchdog::ExpectNoBox() {
  for (const SeenBox& box : Stop())
    ADD_FAILURE() << "a box waited for an answer: caption \"" << box.caption << "\", text \"" << box.text
                  << "\" (process " << box.process << ")";
}

}  // namespace velmora::test
