#include "platform/services.h"

#include <windows.h>
#include <shellapi.h>
#include <exdisp.h>
#include <objbase.h>

#include <vector>

#include "platform/datetime.h"
#include "platform/security.h"
#include "platform/text.h"

namespace velmora {

namespace {

std::string ModuleFolder() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), DWORD(buf.size()));
    if (n == 0) return std::string();
    if (n < buf.size()) {
      std::wstring path(buf.data(), n);
      const size_t slash = path.find_last_of(L"\\/");
      return Narrow(path.substr(0, slash + 1));
    }
    buf.resize(buf.size() * 2);  // the path was cut: grow and ask again
  }
}

bool RealShellExecute(const std::string& verb, const std::string& target, const std::string& params) {
  const std::wstring v = Widen(verb), t = Widen(target), p = Widen(params);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // A failure is the caller's to report: the shell never puts up a box of its
  // own (an unattended run would wait on it). "properties" is a verb of the
  // item's context menu, not of its file type: it needs the item list.
  info.fMask = SEE_MASK_FLAG_NO_UI | (lstrcmpiW(v.c_str(), L"properties") == 0 ? SEE_MASK_INVOKEIDLIST : 0);
  info.lpVerb = v.empty() ? nullptr : v.c_str();
  info.lpFile = t.c_str();
  info.lpParameters = p.empty() ? nullptr : p.c_str();
  info.nShow = SW_SHOWNORMAL;
  return ShellExecuteExW(&info) != FALSE;
}

bool RealStartProcess(const std::string& commandLine) {
  std::wstring cmd = Widen(commandLine);  // CreateProcessW may write into the command line
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

LaunchResult RealLaunchProcess(const std::string& commandLine, const std::string& folder) {
  std::wstring cmd = Widen(commandLine);  // CreateProcessW may write into the command line
  const std::wstring dir = Widen(folder);
  STARTUPINFOW si{};  // all zero but its size: the program chooses its own window
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  LaunchResult result;
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS | NORMAL_PRIORITY_CLASS,
                      nullptr, dir.empty() ? nullptr : dir.c_str(), &si, &pi)) {
    result.error = GetLastError();
    return result;
  }
  UniqueHandle thread(pi.hThread);
  result.process.reset(pi.hProcess);
  return result;
}

bool RealSetClock(double local) {
  const SYSTEMTIME st = DateTimeToSystemTime(local);
  return SetLocalTime(&st) != 0;
}

bool RealIsWindowsNT() {
  // Every system this build runs on is of the NT family; the question stays
  // replaceable because the tools' rules depend on its answer.
  OSVERSIONINFOW vi{};
  vi.dwOSVersionInfoSize = sizeof vi;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&vi)) return true;
#pragma GCC diagnostic pop
  return vi.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

double RealUtcClock() {
  SYSTEMTIME st{};
  GetSystemTime(&st);
  return SystemTimeToDateTime(st);
}

bool RealSetUtcClock(double utc) {
  const SYSTEMTIME st = DateTimeToSystemTime(utc);
  return SetSystemTime(&st) != 0;
}

bool RealAutomationRegistered(const std::string& progId) {
  CLSID clsid{};
  return SUCCEEDED(CLSIDFromProgID(Widen(progId).c_str(), &clsid));
}

bool RealStartAndQuitBrowser(const std::string& progId, const std::function<void()>& pump) {
  CLSID clsid{};
  if (FAILED(CLSIDFromProgID(Widen(progId).c_str(), &clsid))) return false;
  IWebBrowser2* raw = nullptr;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER, IID_IWebBrowser2,
                              reinterpret_cast<void**>(&raw))) ||
      !raw)
    return false;
  // Owned from here: Quit always follows and the object is released, whatever
  // the calls in between answer.
  struct Browser {
    IWebBrowser2* p;
    ~Browser() {
      p->Quit();
      p->Release();
    }
  } browser{raw};
  browser.p->put_Visible(VARIANT_FALSE);
  if (pump) pump();
  return true;
}

double RealNow() {
  SYSTEMTIME st{};
  GetLocalTime(&st);
  return SystemTimeToDateTime(st);
}

}  // namespace

Services RealServices() {
  Services s;
  s.shellExecute = RealShellExecute;
  s.startProcess = RealStartProcess;
  s.launchProcess = RealLaunchProcess;
  s.setClock = RealSetClock;
  s.tokenIsAdministrator = TokenIsAdministrator;
  s.isWindowsNT = RealIsWindowsNT;
  s.programFolder = ModuleFolder;
  s.now = RealNow;
  s.utcClock = RealUtcClock;
  s.setUtcClock = RealSetUtcClock;
  s.automationRegistered = RealAutomationRegistered;
  s.startAndQuitBrowser = RealStartAndQuitBrowser;
  return s;
}

Services& services() {
  static Services instance = RealServices();
  return instance;
}

}  // namespace velmora
