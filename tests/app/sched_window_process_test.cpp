// The scheduling window and the real tray agent, as two processes of the
// session: opening the window must never close and restart the agent.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/datetime.h"
#include "platform/format.h"
#include "platform/registry.h"
#include "support/process_run.h"
#include "support/real_state.h"

using namespace velmora;
using namespace velmora::test;

namespace {

HWND WaitForWindow(const wchar_t* cls, const wchar_t* title, bool visible, unsigned ms) {
  for (unsigned waited = 0; waited < ms; waited += 50) {
    HWND w = FindWindowW(cls, title);
    if (w && (!visible || IsWindowVisible(w))) return w;
    Sleep(50);
  }
  return nullptr;
}

DWORD ProcessOf(HWND w) {
  DWORD pid = 0;
  if (w) GetWindowThreadProcessId(w, &pid);
  return pid;
}

}  // namespace

// Only the registry operation is on (the agent runs for it). Opening the
// scheduling window reads the three switches; the two that are off must not
// close the agent, and the one that is on must not start a second.
TEST(SchedulingWindowProcess, OpeningItWithOnlyTheRegistryOperationOnLeavesTheRunningAgentAlone) {
  RealState state;
  RegKey::Create(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\Schedule").WriteDword("FR", 1);
  const RegKey reg = RegKey::Create(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\Schedule\\Registry");
  reg.WriteDword("Enabled", 1);
  reg.WriteDword("SchedType", 2);
  reg.WriteString("Params", "5|0.333333333333333");
  reg.WriteDateTime("NextRun", NowDateTime() + 30);  // not due while the test runs

  SuiteProcess agent(SuiteProgram("Tallowin.exe"), "");
  ASSERT_TRUE(agent.started());
  const HWND agentWindow = WaitForWindow(L"Scheduled Maintenance", nullptr, false, 20000);
  ASSERT_TRUE(agentWindow);
  ASSERT_EQ(agent.pid(), ProcessOf(agentWindow));

  SuiteProcess sched(SuiteProgram("Quorvel.exe"), "/SetSchedule");
  const HWND window = WaitForWindow(L"TfrmSched", L"Scheduled Maintenance", true, 20000);
  ASSERT_TRUE(window);
  Sleep(1500);  // time for a close message and a new agent, were they sent
  EXPECT_FALSE(agent.Wait(0)) << "opening the scheduling window closed the agent";
  EXPECT_EQ(agentWindow, FindWindowW(L"Scheduled Maintenance", nullptr));
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(sched.Wait(30000));
  EXPECT_EQ(0, sched.exitCode());
  sched.ExpectNoBox();
  Sleep(500);
  EXPECT_FALSE(agent.Wait(0)) << "closing the scheduling window closed the agent";
  HWND other = nullptr;
  // No second agent appeared beside the first.
  while ((other = FindWindowExW(nullptr, other, L"Scheduled Maintenance", nullptr)) != nullptr)
    EXPECT_EQ(agent.pid(), ProcessOf(other));
  // The registry switch is stored with the others.
  EXPECT_EQ(std::optional<std::uint32_t>(1),
            RegKey::Open(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\Schedule\\pos").ReadDword("cbRegistry.Checked"));

  PostMessageW(agentWindow, WM_CLOSE, 0, 0);
  EXPECT_TRUE(agent.Wait(20000));
  agent.ExpectNoBox();
}
