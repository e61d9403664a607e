// The end-to-end run of scheduled maintenance, in a Wine prefix of its own
// (scripts/e2e-test): a junk schedule already due, two tray agents started at
// once, and the suite's unattended junk run that one of them starts. Prints
// what it checks and exits with 0 only when everything held.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/format.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/text.h"

using namespace velmora;

namespace {

int failures = 0;

void Check(bool ok, const std::string& what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
  std::fflush(stdout);
  if (!ok) ++failures;
}

std::string ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return ExtractFilePath(Narrow(path));
}

HANDLE StartAgent(const std::string& folder) {
  std::wstring cmd = Widen("\"" + folder + "Tallowin.exe\"");
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, Widen(folder).c_str(), &si, &pi))
    return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

std::optional<double> LastRan() {
  const RegKey key = RegKey::Open(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\Schedule\\Junk");
  if (!key) return std::nullopt;
  try {
    return key.ReadDateTime("LastRan");
  } catch (const RegistryError&) {
    return std::nullopt;
  }
}

}  // namespace

void StopAgents() {
  for (int i = 0; i < 20; ++i) {
    HWND w = FindWindowW(L"Scheduled Maintenance", nullptr);
    if (!w) return;
    PostMessageW(w, WM_CLOSE, 0, 0);
    Sleep(250);
  }
}

int main() {
  const std::string folder = ProgramFolder();
  // No agent of an earlier run (started from its Run entry) takes part.
  if (const RegKey run = RegKey::Open(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                      KEY_READ | KEY_WRITE))
    run.DeleteValue("Scheduled Maintenance");
  StopAgents();
  // A clean suite: only what this run sets.
  RegKey::DeleteTree(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora");
  const RegKey junk = RegKey::Create(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\Schedule\\Junk");
  junk.WriteDword("Enabled", 1);
  junk.WriteDword("SchedType", 0);
  junk.WriteString("Params", "30");
  junk.WriteDateTime("NextRun", NowDateTime() - 1.0 / 1440);
  RegKey::Create(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\Schedule").WriteDword("FR", 1);
  // The junk cleaner's saved settings: drive E: only, no temporary-folder pass,
  // the recycle bin.
  RegKey::Create(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\Junk").WriteString("Drives", "E");
  const RegKey pos = RegKey::Create(HKEY_CURRENT_USER, "software\\Dastra\\Velmora\\junk\\pos");
  pos.WriteDword("cbTemp.Checked", 0);
  pos.WriteDword("optRecycle.Checked", 1);
  pos.WriteDword("optDelete.Checked", 0);
  pos.WriteDword("optMove.Checked", 0);
  DeleteFileW(Widen(folder + "JunkLog.txt").c_str());

  const std::string dir = "E:\\e2e\\";
  CreateFolderPath(dir);
  const std::vector<std::string> junkFiles{dir + "old report.bak", dir + "scratch.tmp"};
  const std::vector<std::string> keep{dir + "letter.txt", dir + "photo.jpg"};
  for (const std::string& f : junkFiles) WriteFileAtomically(f, "junk " + f);
  for (const std::string& f : keep) WriteFileAtomically(f, "keep " + f);

  // Two agents at once: one stays, the other ends by itself.
  HANDLE a = StartAgent(folder), b = StartAgent(folder);
  Check(a && b, "two agents started");
  HANDLE both[] = {a, b};
  const DWORD ended = WaitForMultipleObjects(2, both, FALSE, 20000);
  Check(ended == WAIT_OBJECT_0 || ended == WAIT_OBJECT_0 + 1, "one of two agents ended at once");
  HANDLE agent = ended == WAIT_OBJECT_0 ? b : a;

  // Within 60 s the due schedule has run.
  std::optional<double> ran;
  for (int i = 0; i < 120 && !ran; ++i) {
    Sleep(500);
    ran = LastRan();
  }
  Check(ran.has_value(), "the agent launched the due junk run");
  // The agent notes the launch; the run itself then starts and ends (its
  // hidden "Velmora" window goes with it) once its log has the total.
  bool over = false;
  for (int i = 0; i < 240 && !over; ++i) {
    Sleep(250);
    over = !FindWindowW(nullptr, L"Velmora") &&
           ReadTextFile(folder + "JunkLog.txt").value_or("").find("TOTAL SPACE RECOVERED") != std::string::npos;
  }
  Check(over, "the run ended");
  ran = LastRan();
  for (const std::string& f : junkFiles) Check(!FileExists(f), "removed: " + f);
  for (const std::string& f : keep) Check(FileExists(f), "kept: " + f);
  const std::string log = ReadTextFile(folder + "JunkLog.txt").value_or("");
  for (const std::string& f : junkFiles) Check(log.find(f) != std::string::npos, "the log names " + f);
  Check(log.find("TOTAL SPACE RECOVERED: ") != std::string::npos, "the log has the total");
  auto count = [&](const std::string& s) {
    std::size_t n = 0;
    for (std::size_t at = log.find(s); at != std::string::npos; at = log.find(s, at + 1)) ++n;
    return n;
  };
  Check(count("OPERATION START: ") == 1, "one run block in the log");

  // Two more ticks start nothing: the next run is half an hour away.
  Sleep(2500);
  Check(LastRan() == ran, "no second run");
  Check(count("OPERATION START: ") == 1 &&
            ReadTextFile(folder + "JunkLog.txt").value_or("") == log,
        "the log unchanged after more ticks");

  // WM_CLOSE ends the agent.
  HWND window = FindWindowW(L"Scheduled Maintenance", nullptr);
  Check(window != nullptr, "the agent's window exists");
  if (window) PostMessageW(window, WM_CLOSE, 0, 0);
  Check(agent && WaitForSingleObject(agent, 15000) == WAIT_OBJECT_0, "WM_CLOSE ended the agent");
  if (a) CloseHandle(a);
  if (b) CloseHandle(b);
  StopAgents();
  if (const RegKey run = RegKey::Open(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                      KEY_READ | KEY_WRITE))
    run.DeleteValue("Scheduled Maintenance");
  std::printf("%s\n", failures == 0 ? "end to end: passed" : "end to end: FAILED");
  return failures == 0 ? 0 : 1;
}
