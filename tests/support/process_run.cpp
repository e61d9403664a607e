#include "support/process_run.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>

#include "platform/services.h"
#include "platform/text.h"

namespace velmora::test {

namespace {

std::wstring UpperW(std::wstring s) {
  CharUpperBuffW(s.data(), DWORD(s.size()));
  return s;
}

// This process's environment with the changes applied, as a sorted
// double-zero block (CreateProcess wants it sorted without case).
std::wstring EnvironmentBlock(const std::vector<EnvChange>& changes) {
  std::vector<std::wstring> vars;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) vars.emplace_back(p);
    FreeEnvironmentStringsW(block);
  }
  for (const EnvChange& c : changes) {
    const std::wstring name = UpperW(Widen(c.name)) + L"=";
    vars.erase(std::remove_if(vars.begin(), vars.end(),
                              [&](const std::wstring& v) {
                                return v.size() >= name.size() && UpperW(v.substr(0, name.size())) == name;
                              }),
               vars.end());
    if (c.value) vars.push_back(Widen(c.name) + L"=" + Widen(*c.value));
  }
  std::sort(vars.begin(), vars.end(), [](const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_LESS_THAN;
  });
  std::wstring out;
  for (const std::wstring& v : vars) out += v + L'\0';
  out += L'\0';
  return out;
}

}  // namespace

std::vector<EnvChange> TempFolderIs(const std::optional<std::string>& value) {
  return {{"TEMP", value}, {"TMP", value}};
}

std::string SuiteProgram(const std::string& exeName) { return RealServices().programFolder() + exeName; }

SuiteProcess::SuiteProcess(const std::string& exe, const std::string& arguments, const std::vector<EnvChange>& env,
                           bool watch) {
  std::wstring cmd = Widen("\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments));
  std::wstring block;
  if (!env.empty()) block = EnvironmentBlock(env);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, env.empty() ? 0 : CREATE_UNICODE_ENVIRONMENT,
                      env.empty() ? nullptr : block.data(), nullptr, &si, &pi))
    return;
  CloseHandle(pi.hThread);
  process_ = pi.hProcess;
  pid_ = pi.dwProcessId;
  if (watch) watchdog_ = std::make_unique<BoxWatchdog>(pid_);
}

SuiteProcess::~SuiteProcess() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) Kill();
  watchdog_.reset();
  CloseHandle(process_);
}

bool SuiteProcess::Wait(unsigned ms) { return process_ && WaitForSingleObject(process_, ms) == WAIT_OBJECT_0; }

int SuiteProcess::exitCode() const {
  DWORD code = DWORD(-1);
  if (process_) GetExitCodeProcess(process_, &code);
  return int(code);
}

void SuiteProcess::Kill() {
  if (!process_) return;
  TerminateProcess(process_, 255);
  WaitForSingleObject(process_, 5000);
}

std::vector<SeenBox> SuiteProcess::StopWatch() { return watchdog_ ? watchdog_->Stop() : std::vector<SeenBox>{}; }

void SuiteProcess::ExpectNoBox() {
  if (watchdog_) watchdog_->ExpectNoBox();
}

RunOutcome RunToEnd(const std::string& exe, const std::string& arguments, unsigned limitMs,
                    const std::vector<EnvChange>& env) {
  RunOutcome out;
  const unsigned long long start = GetTickCount64();
  SuiteProcess p(exe, arguments, env);
  if (!p.started()) return out;
  out.ended = p.Wait(limitMs);
  out.elapsedMs = static_cast<unsigned long>(GetTickCount64() - start);
  if (out.ended) out.exitCode = p.exitCode();
  else p.Kill();
  out.boxes = p.StopWatch();
  return out;
}

std::string BoxesText(const std::vector<SeenBox>& boxes) {
  std::string text;
  for (const SeenBox& b : boxes) text += "[\"" + b.caption + "\": \"" + b.text + "\"] ";
  return text;
}

namespace {

template <class Each>
void ForProcessesNamed(const std::string& exeName, Each each) {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  const std::wstring wanted = Widen(exeName);
  for (BOOL more = Process32FirstW(snap, &entry); more; more = Process32NextW(snap, &entry))
    if (lstrcmpiW(entry.szExeFile, wanted.c_str()) == 0) each(entry.th32ProcessID);
  CloseHandle(snap);
}

}  // namespace

int ProcessesNamed(const std::string& exeName) {
  int n = 0;
  ForProcessesNamed(exeName, [&n](DWORD) { ++n; });
  return n;
}

void EndProcessesNamed(const std::string& exeName) {
  ForProcessesNamed(exeName, [](DWORD id) {
    if (HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, id)) {
      TerminateProcess(h, 1);
      CloseHandle(h);
    }
  });
}

void CloseWindowsOfThisProcess(const wchar_t* className) {
  EnumWindows(
      [](HWND h, LPARAM cls) -> BOOL {
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        wchar_t name[64] = L"";
        GetClassNameW(h, name, 64);
        if (pid == GetCurrentProcessId() && lstrcmpiW(name, reinterpret_cast<const wchar_t*>(cls)) == 0)
          PostMessageW(h, WM_CLOSE, 0, 0);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(className));
}

}  // namespace velmora::test
