// The agent when an installer removes or replaces its folder: Restart
// Manager's close request, the suite gone from beside it, its log-on entry
// taken away only when it is this agent's, and put back after an update.
#include <gtest/gtest.h>
#include <windows.h>

#include "agent_fixture.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"

using namespace velmora;
using namespace velmora::test;
using agent::TallowinAgent;
using shell::ScheduleKind;
namespace key = shell::schedulekey;

namespace {

std::optional<std::string> RunValue(const char* name) {
  const RegKey run = RegKey::Open(HKEY_CURRENT_USER, shell::kRunKey);
  return run ? run.ReadString(name) : std::nullopt;
}

void WriteRunValue(const char* name, const std::string& command) {
  RegKey::Create(HKEY_CURRENT_USER, shell::kRunKey).WriteString(name, command);
}

std::string OwnEntry() { return "\"" + world().programFolder + "Tallowin.exe\""; }

class AgentRemoval : public AgentTest {
 protected:
  // A check interval no test waits for: the checks are sent by hand.
  TallowinAgent& StartWithManualChecks() {
    agent::AgentOptions options;
    options.suiteCheckMs = 3600 * 1000;
    return StartAgentWith(options);
  }
  static void Check(HWND w) { SendMessageW(w, WM_TIMER, 1, 0); }
  void RemoveSuite() { ASSERT_TRUE(DeleteFileW(Widen(world().programFolder + "Quorvel.exe").c_str())); }
  void PutSuiteBack() { WriteFileAtomically(world().programFolder + "Quorvel.exe", ""); }
};

}  // namespace

TEST_F(AgentRemoval, TheSuiteRemovedFromBesideItEndsTheAgentAndTakesItsOwnEntry) {
  WriteRunValue(shell::kAgentRunValue, OwnEntry());
  WriteRunValue("Another Program", "\"C:\\Another\\program.exe\"");
  agent::AgentOptions options;
  options.suiteCheckMs = 50;  // the agent's own timer finds it
  TallowinAgent& a = StartAgentWith(options);
  const HWND w = a.window();
  PumpPending();
  EXPECT_TRUE(IsWindow(w)) << "the suite is there: the agent stays";
  RemoveSuite();
  bool quit = false;
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(w); }, 30000, &quit));
  EXPECT_TRUE(quit);
  EXPECT_FALSE(RunValue(shell::kAgentRunValue));
  EXPECT_EQ("\"C:\\Another\\program.exe\"", RunValue("Another Program").value_or(""));
  ASSERT_EQ((std::vector<DWORD>{NIM_ADD, NIM_DELETE}), area_.messages());
}

TEST_F(AgentRemoval, ASuiteMissingForAMomentIsAnUpdateNotARemoval) {
  WriteRunValue(shell::kAgentRunValue, OwnEntry());
  TallowinAgent& a = StartWithManualChecks();
  const HWND w = a.window();
  RemoveSuite();
  for (int i = 1; i < agent::kSuiteMissingChecks; ++i) Check(w);
  PutSuiteBack();  // the new version is in place
  Check(w);
  RemoveSuite();
  for (int i = 1; i < agent::kSuiteMissingChecks; ++i) Check(w);
  EXPECT_TRUE(IsWindow(w)) << "the count starts again after the suite came back";
  EXPECT_EQ(OwnEntry(), RunValue(shell::kAgentRunValue).value_or(""));
  Check(w);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(RunValue(shell::kAgentRunValue));
}

TEST_F(AgentRemoval, AnotherCopysEntryOrAnotherTypeStays) {
  // A portable copy elsewhere starts from this entry: it is not this agent's.
  WriteRunValue(shell::kAgentRunValue, "\"D:\\Portable\\Velmora\\Tallowin.exe\"");
  TallowinAgent& a = StartWithManualChecks();
  HWND w = a.window();
  RemoveSuite();
  for (int i = 0; i < agent::kSuiteMissingChecks; ++i) Check(w);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ("\"D:\\Portable\\Velmora\\Tallowin.exe\"", RunValue(shell::kAgentRunValue).value_or(""));

  // The agent's own path, unquoted and in other letter case, is its own.
  agent_.reset();
  PutSuiteBack();
  WriteRunValue(shell::kAgentRunValue, UpperCase(world().programFolder + "tallowin.exe"));
  w = StartWithManualChecks().window();
  RemoveSuite();
  for (int i = 0; i < agent::kSuiteMissingChecks; ++i) Check(w);
  EXPECT_FALSE(RunValue(shell::kAgentRunValue));

  // Not a string: not the suite's entry, left alone.
  agent_.reset();
  PutSuiteBack();
  RegKey::Create(HKEY_CURRENT_USER, shell::kRunKey).WriteDword(shell::kAgentRunValue, 7);
  w = StartWithManualChecks().window();
  RemoveSuite();
  for (int i = 0; i < agent::kSuiteMissingChecks; ++i) Check(w);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(7u, RegKey::Open(HKEY_CURRENT_USER, shell::kRunKey).ReadDword(shell::kAgentRunValue).value_or(0));
}

TEST_F(AgentRemoval, RestartManagersCloseRequestEndsTheAgentWithoutTheEndOfSessionRun) {
  // A due eraser would run at a real session end (the session-end tests);
  // an installer's close request is no session end.
  Schedule(key::kEraser, ScheduleKind::Minutes, "30", kNow - kMinute);
  WriteRunValue(shell::kAgentRunValue, OwnEntry());
  TallowinAgent& a = StartWithManualChecks();
  const HWND w = a.window();
  EXPECT_EQ(TRUE, SendMessageW(w, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP));
  EXPECT_FALSE(ReadDate(key::kEraser, shell::schedval::kLastRan)) << "no run was started";
  EXPECT_TRUE(IsWindow(w));
  SendMessageW(w, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
  bool quit = false;
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(w); }, 30000, &quit));
  EXPECT_TRUE(quit);
  EXPECT_FALSE(RunValue(shell::kAgentRunValue));
  EXPECT_TRUE(Launches().empty());
}

TEST_F(AgentRemoval, TheAgentRestartedAfterAnUpdatePutsBackItsEntryWhenAToolIsScheduled) {
  agent::AgentOptions options;
  options.restarted = true;
  StartAgentWith(options);
  EXPECT_FALSE(RunValue(shell::kAgentRunValue)) << "nothing scheduled: no log-on entry";
  agent_.reset();
  PumpPending();

  Schedule(key::kRegistry, ScheduleKind::Hours, "5|30", kNow + 1);
  StartAgentWith(options);
  EXPECT_EQ(OwnEntry(), RunValue(shell::kAgentRunValue).value_or(""));
  agent_.reset();
  PumpPending();

  // Started the ordinary way, the agent leaves the entry to the scheduling window.
  RegKey::Open(HKEY_CURRENT_USER, shell::kRunKey, KEY_SET_VALUE).DeleteValue(shell::kAgentRunValue);
  StartAgentWith(agent::AgentOptions{});
  EXPECT_FALSE(RunValue(shell::kAgentRunValue));
}
