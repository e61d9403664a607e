// The installed suite as a user meets it, in the Wine prefix of the install
// test (scripts/install-test runs msiexec between the phases):
//
//   install_driver installed SCOPE VERSION   after a quiet install: files, Start menu shortcuts, the
//                                            uninstall entry, the suite's launcher, scheduling switched
//                                            on (the agent starts from the installed folder), a log
//   install_driver present SCOPE VERSION     after installing the older package: files and its entry;
//                                            leaves a setting behind for the upgrade to keep
//   install_driver upgraded SCOPE VERSION    after the newer package replaced it: one entry, the new
//                                            version, the setting and the log kept
//   install_driver removed SCOPE             after a quiet removal: nothing left but the user's log
//
// SCOPE is "user" or "machine". Prints each check; exits with 0 only when all held.
#include <windows.h>
#include <commctrl.h>
#include <msi.h>
#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/version_info.h"
#include "shell/schedule.h"
#include "shell/shell_link.h"
#include "tools/shortcuts/frm_addremove.h"
#include "velmora_version.h"

using namespace velmora;

namespace {

int failures = 0;

bool Check(bool ok, const std::string& what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
  std::fflush(stdout);
  if (!ok) ++failures;
  return ok;
}

std::string KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::string out;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) out = Narrow(path) + "\\";
  CoTaskMemFree(path);
  return out;
}

struct Layout {
  std::string program;    // the installed folder
  std::string startMenu;  // the Start menu folder "Velmora"
  // Where else the Start menu folder may be: Wine's msiexec puts a
  // per-machine package's shortcuts into the user's Start menu, not everyone's.
  std::string otherStartMenu;
};

Layout LayoutOf(const std::string& scope) {
  const std::string user = KnownFolder(FOLDERID_Programs) + "Velmora\\";
  if (scope == "machine") {
    const std::string common = KnownFolder(FOLDERID_CommonPrograms) + "Velmora\\";
    if (!FolderExists(common) && FolderExists(user)) {
      std::printf("note: the per-machine shortcuts are in the user's Start menu (Wine's msiexec)\n");
      return {KnownFolder(FOLDERID_ProgramFiles) + "Velmora\\", user, common};
    }
    return {KnownFolder(FOLDERID_ProgramFiles) + "Velmora\\", common, user};
  }
  return {KnownFolder(FOLDERID_LocalAppData) + "Programs\\Velmora\\", user, ""};
}

// The files the package installs, by name below the installed folder: the
// programs and the help pages beside this driver (the build's own).
std::vector<std::string> PackageFiles() {
  std::vector<std::string> files{"Quorvel.exe", "Tallowin.exe"};
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::string help = ExtractFilePath(Narrow(self)) + "help\\";
  WIN32_FIND_DATAW fd{};
  HANDLE find = FindFirstFileW(Widen(help + "*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back("help\\" + Narrow(fd.cFileName));
    } while (FindNextFileW(find, &fd));
    FindClose(find);
  }
  return files;
}

std::optional<std::uint64_t> FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The suite's entries in the uninstall lists Windows keeps (the machine's, in
// both views, and the user's): product code and the key it is in.
struct Entry {
  std::string code;
  HKEY root;
  REGSAM view;
};
const char* const kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::vector<Entry> SuiteEntries() {
  std::vector<Entry> out;
  const std::pair<HKEY, REGSAM> lists[] = {
      {HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY}, {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY}, {HKEY_CURRENT_USER, 0}};
  for (const auto& [root, view] : lists) {
    const RegKey list = RegKey::Open(root, kUninstall, KEY_READ | view);
    if (!list) continue;
    for (const std::string& name : list.SubKeyNames()) {
      const RegKey k = list.OpenSubKey(name, KEY_READ | view);
      if (k && k.ReadString("DisplayName").value_or("") == "Velmora") out.push_back({name, root, view});
    }
  }
  return out;
}

// One code, however many lists hold it.
std::vector<std::string> Codes(const std::vector<Entry>& entries) {
  std::vector<std::string> codes;
  for (const Entry& e : entries) {
    bool seen = false;
    for (const std::string& c : codes) seen = seen || EqualNoCase(c, e.code);
    if (!seen) codes.push_back(e.code);
  }
  return codes;
}

std::optional<std::string> RunValue() {
  const RegKey run = RegKey::Open(HKEY_CURRENT_USER, shell::kRunKey);
  if (!run) return std::nullopt;
  try {
    return run.ReadString(shell::kAgentRunValue);
  } catch (const RegistryError&) {
    return "(not a string)";
  }
}

// The processes whose program has this file name, with their full paths.
std::vector<std::pair<DWORD, std::string>> Processes(const std::wstring& exeName) {
  std::vector<std::pair<DWORD, std::string>> out;
  UniqueHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap || snap.get() == INVALID_HANDLE_VALUE) return out;
  PROCESSENTRY32W pe{};
  pe.dwSize = sizeof pe;
  for (BOOL more = Process32FirstW(snap.get(), &pe); more; more = Process32NextW(snap.get(), &pe)) {
    if (_wcsicmp(pe.szExeFile, exeName.c_str()) != 0) continue;
    std::string path;
    if (UniqueHandle p{OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pe.th32ProcessID)}) {
      wchar_t buf[MAX_PATH * 2] = {};
      DWORD len = MAX_PATH * 2;
      if (QueryFullProcessImageNameW(p.get(), 0, buf, &len)) path = Narrow(buf);
    }
    out.push_back({pe.th32ProcessID, path});
  }
  return out;
}

struct Started {
  UniqueHandle process;
  DWORD pid = 0;
};

Started Start(const std::string& exe, const std::string& args) {
  std::wstring cmd = Widen("\"" + exe + "\"" + (args.empty() ? "" : " " + args));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  Started s;
  if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                     Widen(ExtractFilePath(exe)).c_str(), &si, &pi)) {
    CloseHandle(pi.hThread);
    s.process.reset(pi.hProcess);
    s.pid = pi.dwProcessId;
  }
  return s;
}

// A top-level window of the class owned by the process, waited for.
HWND WaitForWindow(const wchar_t* cls, DWORD pid, DWORD ms) {
  for (DWORD waited = 0; waited <= ms; waited += 100) {
    for (HWND w = FindWindowExW(nullptr, nullptr, cls, nullptr); w; w = FindWindowExW(nullptr, w, cls, nullptr)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(w, &owner);
      if (!pid || owner == pid) return w;
    }
    Sleep(100);
  }
  return nullptr;
}

bool Ends(Started& s, DWORD ms) {
  if (!s.process) return false;
  if (WaitForSingleObject(s.process.get(), ms) == WAIT_OBJECT_0) return true;
  TerminateProcess(s.process.get(), 1);
  return false;
}

void CheckFiles(const Layout& at, const std::string& version, bool versionInFiles) {
  for (const std::string& f : PackageFiles()) Check(FileExists(at.program + f), "installed: " + at.program + f);
  if (versionInFiles) {
    for (const char* exe : {"Quorvel.exe", "Tallowin.exe"}) {
      Check(GetVersionString(at.program + exe, "ProductVersion") == version &&
                GetVersionString(at.program + exe, "FileVersion") == version,
            std::string("the version resource of the installed ") + exe + " is " + version);
    }
  }
}

void CheckShortcuts(const Layout& at) {
  struct Link {
    const char* name;
    std::string target;
  } links[] = {{"Velmora.lnk", at.program + "Quorvel.exe"}, {"Velmora Help.lnk", at.program + "help\\index.html"}};
  for (const Link& l : links) {
    const std::string file = at.startMenu + l.name;
    if (!Check(FileExists(file), "Start menu shortcut " + file)) continue;
    try {
      const shell::TShellLinkInfo info = shell::ReadShortcut(Widen(file));
      Check(EqualNoCase(info.LongPath, l.target), std::string(l.name) + " resolves to " + l.target +
                                                      " (reads " + info.LongPath + ")");
    } catch (const shell::ShellLinkError& e) {
      Check(false, std::string(l.name) + " read through the shell link: " + e.call());
    }
  }
}

// The entry Windows Installer keeps for the package: name, version,
// publisher, the product's icon, its size.
std::string CheckEntry(const Layout& at, const std::string& version) {
  const std::vector<Entry> entries = SuiteEntries();
  const std::vector<std::string> codes = Codes(entries);
  if (!Check(codes.size() == 1, "one uninstall entry for Velmora (found " + std::to_string(codes.size()) + ")"))
    return codes.empty() ? std::string() : codes.front();
  const Entry& e = entries.front();
  const RegKey k = RegKey::Open(e.root, std::string(kUninstall) + "\\" + e.code, KEY_READ | e.view);
  Check(k.ReadString("DisplayVersion").value_or("") == version, "the entry's version is " + version);
  Check(k.ReadString("Publisher").value_or("") == "Dastra Technologies", "the entry's publisher");
  Check(k.ReadDword("WindowsInstaller").value_or(0) == 1, "the entry is Windows Installer's");
  const std::string uninstall = k.ReadString("UninstallString").value_or("");
  Check(UpperCase(uninstall).find(UpperCase(e.code)) != std::string::npos, "the entry removes itself: " + uninstall);
  // Windows computes "EstimatedSize" (Wine writes 0); the package states its
  // size as well ("Size" from ARPSIZE): the installed files, in kilobytes.
  std::uint64_t bytes = 0;
  for (const std::string& f : PackageFiles()) bytes += FileSize(at.program + f).value_or(0);
  const std::uint64_t kb = (bytes + 1023) / 1024;
  const std::uint32_t estimated = k.ReadDword("EstimatedSize").value_or(0);
  const std::string stated = k.ReadString("Size").value_or("");
  Check((estimated > 0 && estimated + 4 >= kb) || stated == std::to_string(kb),
        "the entry's size is the installed files' " + std::to_string(kb) + " KB (Size \"" + stated +
            "\", EstimatedSize " + std::to_string(estimated) + ")");
  wchar_t icon[MAX_PATH * 2] = {};
  DWORD len = MAX_PATH * 2;
  const UINT r = MsiGetProductInfoW(Widen(e.code).c_str(), INSTALLPROPERTY_PRODUCTICON, icon, &len);
  bool loads = false;
  if (r == ERROR_SUCCESS && *icon) {
    if (HICON h = HICON(LoadImageW(nullptr, icon, IMAGE_ICON, 32, 32, LR_LOADFROMFILE))) {
      loads = true;
      DestroyIcon(h);
    }
  }
  Check(loads, "the product's icon loads: " + Narrow(icon));
  return e.code;
}

// The uninstall-entry cleaner, as the suite shows it, on this prefix's real lists.
void CheckCleanerKeepsTheEntry() {
  auto* f = new shortcuts::TfrmAddRemove();
  f->cmdRefresh.Click();
  bool listed = false;
  for (int row = 0; row < f->lv.itemCount(); ++row) listed = listed || f->lv.Caption(row) == "Velmora";
  Check(!listed, "the uninstall-entry cleaner does not list Velmora's own entry");
  f->Close();
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

void CheckLauncher(const Layout& at) {
  Started suite = Start(at.program + "Quorvel.exe", "");
  const HWND nav = WaitForWindow(L"TfrmNav", suite.pid, 30000);
  Check(nav != nullptr, "the installed suite shows its launcher");
  if (nav) PostMessageW(nav, WM_CLOSE, 0, 0);
  Check(Ends(suite, 30000), "the launcher closes and the suite ends");
}

// Switches the junk clean-up on in the scheduling window, as a click would:
// the window lists the agent at log-on and starts it.
void SwitchSchedulingOn(const Layout& at) {
  Started sched = Start(at.program + "Quorvel.exe", "/SETSCHEDULE");
  const HWND window = WaitForWindow(L"TfrmSched", sched.pid, 30000);
  if (!Check(window != nullptr, "the scheduling window opens")) return;
  struct Find {
    HWND box = nullptr;
  } find;
  // The window may be found before it is shown: its controls are looked for
  // until they are visible.
  for (int i = 0; i < 100 && !find.box; ++i) {
    EnumChildWindows(
        window,
        [](HWND w, LPARAM lp) -> BOOL {
          // The junk page is the one shown first; each page has its own box.
          wchar_t text[64] = {};
          GetWindowTextW(w, text, 64);
          if (std::wstring(text) == L"&Enabled?" && IsWindowVisible(w)) {
            reinterpret_cast<Find*>(lp)->box = w;
            return FALSE;
          }
          return TRUE;
        },
        LPARAM(&find));
    if (!find.box) Sleep(100);
  }
  if (Check(find.box != nullptr && SendMessageW(find.box, BM_GETCHECK, 0, 0) == BST_UNCHECKED,
            "the junk page's \"Enabled?\" box, not ticked")) {
    SendMessageW(find.box, BM_CLICK, 0, 0);
    Check(SendMessageW(find.box, BM_GETCHECK, 0, 0) == BST_CHECKED, "a click ticks it");
  }
  const HWND agent = WaitForWindow(L"Scheduled Maintenance", 0, 30000);
  Check(agent != nullptr, "switching scheduling on starts the agent");
  const auto agents = Processes(L"Tallowin.exe");
  Check(agents.size() == 1 && EqualNoCase(agents.front().second, at.program + "Tallowin.exe"),
        "one agent, from the installed folder (" + (agents.empty() ? std::string("none") : agents.front().second) +
            ")");
  Check(RunValue().value_or("") == "\"" + at.program + "Tallowin.exe\"", "the log-on entry names the installed agent");
  PostMessageW(window, WM_CLOSE, 0, 0);
  Check(Ends(sched, 30000), "the scheduling window closes");
}

// An unattended junk run of the installed suite over a folder of drive E:
// writes the user's log into the suite's data folder.
std::string RunJunkAndFindLog(const Layout& at) {
  const std::string dir = "E:\\install-test\\";
  CreateFolderPath(dir);
  WriteFileAtomically(dir + "scratch.tmp", "junk");
  RegKey::Create(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\Junk").WriteString("Drives", "E");
  const RegKey pos = RegKey::Create(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\Junk\\pos");
  pos.WriteDword("cbTemp.Checked", 0);
  pos.WriteDword("optRecycle.Checked", 1);
  pos.WriteDword("optDelete.Checked", 0);
  pos.WriteDword("optMove.Checked", 0);
  Started run = Start(at.program + "Quorvel.exe", "/CleanJunk");
  Check(Ends(run, 120000), "the installed suite's unattended junk run ends");
  for (const std::string& folder : {at.program, KnownFolder(FOLDERID_LocalAppData) + "Velmora\\"}) {
    const std::string log = folder + "JunkLog.txt";
    if (ReadTextFile(log).value_or("").find("scratch.tmp") != std::string::npos) {
      Check(true, "the run's log is " + log);
      return log;
    }
  }
  Check(false, "the run wrote its log to the data folder");
  return "";
}

// What Restart Manager does when an installer needs the agent's files: Wine's
// msiexec has no Restart Manager, so the test asks as it would.
void CloseAgentAsAnInstallerWould(const Layout& at) {
  const HWND agent = WaitForWindow(L"Scheduled Maintenance", 0, 0);
  if (!Check(agent != nullptr, "the agent runs before the removal")) return;
  DWORD pid = 0;
  GetWindowThreadProcessId(agent, &pid);
  UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(agent, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, 5000, &answer);
  Check(answer == TRUE, "the agent agrees to close");
  SendMessageTimeoutW(agent, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, 5000, nullptr);
  Check(process && WaitForSingleObject(process.get(), 15000) == WAIT_OBJECT_0, "the agent ends");
  Check(!RunValue(), "the agent took its log-on entry (" + RunValue().value_or("") + ")");
  (void)at;
}

const char* const kMarkerKey = "Software\\Dastra\\Velmora\\Install test";

int Installed(const std::string& scope, const std::string& version) {
  const Layout at = LayoutOf(scope);
  // Scheduling starts off (an earlier round's user switched it on), and the
  // agent's first-start note, a box, is already seen.
  RegKey::DeleteTree(HKEY_CURRENT_USER, shell::kScheduleKey);
  RegKey::Create(HKEY_CURRENT_USER, shell::kScheduleKey).WriteDword(shell::schedval::kFirstRun, 1);
  CheckFiles(at, version, true);
  CheckShortcuts(at);
  CheckEntry(at, version);
  CheckCleanerKeepsTheEntry();
  CheckLauncher(at);
  SwitchSchedulingOn(at);
  const std::string log = RunJunkAndFindLog(at);
  WriteFileAtomically("C:\\install-test-log.txt", log);
  CloseAgentAsAnInstallerWould(at);
  return failures == 0 ? 0 : 1;
}

int Present(const std::string& scope, const std::string& version) {
  const Layout at = LayoutOf(scope);
  CheckFiles(at, version, false);
  const std::string code = CheckEntry(at, version);
  WriteFileAtomically("C:\\install-test-old-code.txt", code);
  RegKey::Create(HKEY_CURRENT_USER, kMarkerKey).WriteString("Kept", "yes");
  WriteFileAtomically(at.program + "JunkLog.txt", "a log of the older version\r\n");
  return failures == 0 ? 0 : 1;
}

int Upgraded(const std::string& scope, const std::string& version) {
  const Layout at = LayoutOf(scope);
  CheckFiles(at, version, true);
  CheckShortcuts(at);
  const std::string code = CheckEntry(at, version);
  const std::string old = ReadTextFile("C:\\install-test-old-code.txt").value_or("");
  Check(!old.empty() && !EqualNoCase(old, code), "the newer package has a product code of its own");
  Check(MsiQueryProductStateW(Widen(old).c_str()) != INSTALLSTATE_DEFAULT, "the older product is gone");
  Check(RegKey::Open(HKEY_CURRENT_USER, kMarkerKey).ReadString("Kept").value_or("") == "yes",
        "the user's settings are kept");
  Check(ReadTextFile(at.program + "JunkLog.txt").value_or("") == "a log of the older version\r\n",
        "the user's log is kept");
  RegKey::DeleteTree(HKEY_CURRENT_USER, kMarkerKey);
  WriteFileAtomically("C:\\install-test-log.txt", at.program + "JunkLog.txt");
  return failures == 0 ? 0 : 1;
}

int Removed(const std::string& scope) {
  const Layout at = LayoutOf(scope);
  for (const std::string& f : PackageFiles()) Check(!FileExists(at.program + f), "removed: " + at.program + f);
  Check(!FolderExists(at.program + "help"), "the help folder is gone");
  Check(!FolderExists(at.startMenu), "the Start menu folder is gone: " + at.startMenu);
  if (!at.otherStartMenu.empty()) Check(!FolderExists(at.otherStartMenu), "no Start menu folder in " + at.otherStartMenu);
  Check(Codes(SuiteEntries()).empty(), "no uninstall entry for Velmora");
  Check(!RunValue(), "no log-on entry for the agent");
  Check(Processes(L"Tallowin.exe").empty() && !FindWindowW(L"Scheduled Maintenance", nullptr), "no agent running");
  Check(!RegKey::Exists(scope == "machine" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                        "Software\\Dastra\\Velmora Installer"),
        "the package's own registry key is gone");
  const std::string log = ReadTextFile("C:\\install-test-log.txt").value_or("");
  Check(!log.empty() && FileExists(log), "the user's log stays: " + log);
  return failures == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::string phase = argc > 1 ? Narrow(argv[1]) : "";
  const std::string scope = argc > 2 ? Narrow(argv[2]) : "";
  const std::string version = argc > 3 ? Narrow(argv[3]) : VELMORA_VERSION;
  int rc = 2;
  try {
    if (phase == "installed") rc = Installed(scope, version);
    else if (phase == "present") rc = Present(scope, version);
    else if (phase == "upgraded") rc = Upgraded(scope, version);
    else if (phase == "removed") rc = Removed(scope);
    else std::printf("usage: install_driver installed|present|upgraded|removed user|machine [version]\n");
  } catch (const std::exception& e) {
    Check(false, std::string("no error: ") + e.what());
    rc = 1;
  }
  std::printf("install %s %s: %s\n", phase.c_str(), scope.c_str(), rc == 0 ? "passed" : "FAILED");
  CoUninitialize();
  return rc;
}
