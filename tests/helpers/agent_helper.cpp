// agent_helper.exe: a stand-in for the suite in the agent tests, started as a
// real process. It notes its command line in "agent_helper_calls.txt" beside
// itself, then asks the test's probe window (class "VelmoraAgentProbe") for its
// exit code with a sent message: the answer arrives only while the test's
// thread handles messages, so a waiting agent that does not pump ends this
// process with 1 after the guard time instead of the probe's answer. Without a
// probe window it ends with 3.
#include <windows.h>

#include <iterator>
#include <string>

namespace {

void Note(const std::wstring& folder, const std::wstring& line) {
  HANDLE f = CreateFileW((folder + L"agent_helper_calls.txt").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  const std::wstring text = line + L"\r\n";
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), utf8.data(), n, nullptr, nullptr);
  DWORD written = 0;
  WriteFile(f, utf8.data(), DWORD(utf8.size()), &written, nullptr);
  CloseHandle(f);
}

}  // namespace

int wmain() {
  wchar_t path[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameW(nullptr, path, DWORD(std::size(path)));
  std::wstring folder(path, n);
  folder.erase(folder.find_last_of(L'\\') + 1);
  Note(folder, GetCommandLineW());
  int code = 3;
  if (HWND probe = FindWindowW(L"VelmoraAgentProbe", nullptr)) {
    DWORD_PTR reply = 0;
    code = SendMessageTimeoutW(probe, WM_APP + 7, GetCurrentProcessId(), 0, SMTO_NORMAL, 30000, &reply) ? int(reply)
                                                                                                        : 1;
  }
  Note(folder, L"done " + std::to_wstring(code));
  return code;
}
