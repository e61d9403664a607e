// Quorvel.exe run as a process, as the shell and the tray agent start it.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/registry.h"
#include "platform/services.h"
#include "platform/text.h"
#include "support/test_folder.h"

using namespace velmora;

namespace {

// Runs Quorvel.exe (beside this test program) with arguments; the exit code,
// or -1 when it had not ended within the guard time (a hang, not a slow start).
int RunQuorvel(const std::string& arguments) {
  const std::string exe = RealServices().programFolder() + "Quorvel.exe";
  std::wstring cmd = Widen("\"" + exe + "\" " + arguments);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -2;
  CloseHandle(pi.hThread);
  const DWORD waited = WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = DWORD(-1);
  if (waited == WAIT_OBJECT_0) {
    GetExitCodeProcess(pi.hProcess, &code);
  } else {
    TerminateProcess(pi.hProcess, 1);
  }
  CloseHandle(pi.hProcess);
  return waited == WAIT_OBJECT_0 ? int(code) : -1;
}

}  // namespace

TEST(QuorvelProcess, UnknownArgumentsEndAtOnceWithoutAWindow) {
  EXPECT_EQ(0, RunQuorvel("/bogus"));
  EXPECT_EQ(0, RunQuorvel("CLEANJUNK"));
  EXPECT_EQ(0, RunQuorvel("\"\" /COMPLETECACHE"));  // only the first argument counts
}

TEST(QuorvelProcess, CompleteCacheEmptiesTheRecordedFoldersAndRemovesTheValues) {
  // The child process has no registry sandbox: these values go to the test
  // prefix's own user registry and are removed afterwards.
  test::TestFolder dir;
  dir.File("Cookies\\me@site.txt");
  dir.File("History\\today\\visits.dat");
  dir.File("untouched.txt");
  const std::string key = "\\Software\\Dastra\\Velmora\\privacy";
  {
    RegKey k = RegKey::Create(HKEY_CURRENT_USER, key);
    k.WriteString("Cookies", dir / "Cookies");
    k.WriteString("History", dir / "History");
  }
  EXPECT_EQ(0, RunQuorvel("/CompleteCache"));
  EXPECT_FALSE(test::PathExists(dir / "Cookies\\me@site.txt"));
  EXPECT_FALSE(test::PathExists(dir / "History\\today"));
  EXPECT_TRUE(test::PathExists(dir / "Cookies"));
  EXPECT_TRUE(test::PathExists(dir / "untouched.txt"));
  RegKey k = RegKey::Open(HKEY_CURRENT_USER, key);
  ASSERT_TRUE(k);
  EXPECT_FALSE(k.ValueExists("Cookies"));
  EXPECT_FALSE(k.ValueExists("History"));
  RegKey::DeleteTree(HKEY_CURRENT_USER, "\\Software\\Dastra");
}

TEST(QuorvelProcess, RecoverInstallOpensTheTrackerAndEndsWhenItCloses) {
  // The tracker's restart entry. The child has no registry sandbox: the
  // tracker's settings and reports folder are removed afterwards.
  const std::string exe = RealServices().programFolder() + "Quorvel.exe";
  std::wstring cmd = Widen("\"" + exe + "\" /RecoverInstall");
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  CloseHandle(pi.hThread);
  HWND tracker = nullptr;
  for (int i = 0; i < 600 && !tracker; ++i) {
    if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0) break;
    tracker = FindWindowW(L"TfrmVantrel", L"Vantrel");
  }
  EXPECT_TRUE(tracker);
  if (tracker) PostMessageW(tracker, WM_CLOSE, 0, 0);
  const DWORD waited = WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = DWORD(-1);
  if (waited == WAIT_OBJECT_0)
    GetExitCodeProcess(pi.hProcess, &code);
  else
    TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hProcess);
  EXPECT_EQ(DWORD(WAIT_OBJECT_0), waited);
  EXPECT_EQ(0u, code);
  RegKey::DeleteTree(HKEY_CURRENT_USER, "\\Software\\Dastra\\velmora\\Vantrel");
  test::RemoveTree(RealServices().programFolder() + "Vantrel Reports");
}
