// The launcher as a user starts it (a real Quorvel.exe with the box watchdog
// on it), driven by the keyboard alone: a tool opened from it is modal to it,
// the program does not end under an open tool, and the tool's closing block
// and statistics are written once, when the tool closes.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/files.h"
#include "platform/registry.h"
#include "support/process_run.h"
#include "support/real_state.h"

using namespace velmora;
using namespace velmora::test;

namespace {

HWND WaitForWindow(const wchar_t* cls, DWORD pid, unsigned ms) {
  for (unsigned waited = 0; waited < ms; waited += 50) {
    for (HWND w = FindWindowW(cls, nullptr); w; w = FindWindowExW(nullptr, w, cls, nullptr)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(w, &owner);
      if (owner == pid && IsWindowVisible(w)) return w;
    }
    Sleep(50);
  }
  return nullptr;
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(LauncherProcess, TheProgramDoesNotEndUnderAnOpenToolAndItsCloseStepsRunOnce) {
  RealState state;
  RegKey::Create(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\Hints").WriteDword("All", 0);
  RegKey::Create(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\Logs").WriteDword("DoJunk", 1);
  const std::string logPath = state.programFolder() + "Manual_Junk_Log.txt";
  const std::size_t before = ReadTextFile(logPath).value_or("").size();

  SuiteProcess quorvel(SuiteProgram("Quorvel.exe"), "");
  ASSERT_TRUE(quorvel.started());
  const HWND launcher = WaitForWindow(L"TfrmNav", quorvel.pid(), 30000);
  ASSERT_TRUE(launcher);
  // Down to the first tool, Enter opens it.
  PostMessageW(launcher, WM_KEYDOWN, VK_DOWN, 1);
  PostMessageW(launcher, WM_KEYDOWN, VK_RETURN, 1);
  const HWND junk = WaitForWindow(L"TfrmJunk", quorvel.pid(), 30000);
  ASSERT_TRUE(junk) << "Enter on the highlighted tool did not open it";
  EXPECT_FALSE(IsWindowEnabled(launcher)) << "the tool is modal to the launcher";

  // Closing the launcher under the tool ends nothing.
  PostMessageW(launcher, WM_CLOSE, 0, 0);
  EXPECT_FALSE(quorvel.Wait(1500)) << "the program ended under an open tool";
  EXPECT_TRUE(IsWindow(junk));

  PostMessageW(junk, WM_CLOSE, 0, 0);
  for (int i = 0; i < 200 && IsWindow(junk); ++i) Sleep(50);
  EXPECT_FALSE(IsWindow(junk));
  for (int i = 0; i < 100 && !IsWindowEnabled(launcher); ++i) Sleep(50);
  EXPECT_TRUE(IsWindowEnabled(launcher));
  PostMessageW(launcher, WM_CLOSE, 0, 0);
  ASSERT_TRUE(quorvel.Wait(30000)) << "the launcher did not end";
  EXPECT_EQ(0, quorvel.exitCode());
  quorvel.ExpectNoBox();

  const std::string log = ReadTextFile(logPath).value_or("");
  const std::string added = log.substr(std::min(before, log.size()));
  EXPECT_EQ(1u, Count(added, "OPEN SESSION: ")) << added;
  EXPECT_EQ(1u, Count(added, "CLOSE SESSION: ")) << added;
}
