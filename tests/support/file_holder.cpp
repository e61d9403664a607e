#include "support/file_holder.h"

#include <atomic>

#include "platform/files.h"
#include "platform/text.h"

namespace velmora::test {

namespace {

std::wstring HelperPath() {
  wchar_t self[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring folder(self, n);
  folder.resize(folder.rfind(L'\\') + 1);
  return folder + L"file_holder.exe";
}

std::wstring UniqueName(const char* what) {
  static std::atomic<unsigned> counter{0};
  return L"velmora-file-holder-" + Widen(what) + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(++counter);
}

}  // namespace

FileHolder::FileHolder(const std::string& path, DWORD share) {
  const std::wstring readyName = UniqueName("ready"), stopName = UniqueName("stop");
  ready_.reset(CreateEventW(nullptr, TRUE, FALSE, readyName.c_str()));
  stop_.reset(CreateEventW(nullptr, TRUE, FALSE, stopName.c_str()));
  if (!ready_ || !stop_) return;
  std::wstring command = L"\"" + HelperPath() + L"\" \"" + LongPathW(path) + L"\" " + std::to_wstring(share) + L" " +
                         readyName + L" " + stopName;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return;
  CloseHandle(pi.hThread);
  process_.reset(pi.hProcess);
  // Open, or failed: whichever comes first (a minute at most).
  const HANDLE wait[] = {ready_.get(), process_.get()};
  held_ = WaitForMultipleObjects(2, wait, FALSE, 60000) == WAIT_OBJECT_0;
}

FileHolder::~FileHolder() { Release(); }

void FileHolder::Release() {
  if (stop_) SetEvent(stop_.get());
  if (process_ && WaitForSingleObject(process_.get(), 30000) != WAIT_OBJECT_0) TerminateProcess(process_.get(), 1);
  process_.reset();
  held_ = false;
}

}  // namespace velmora::test
