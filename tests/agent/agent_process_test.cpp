// The agent with real processes: its end-of-session run waits for a real
// program (agent_helper.exe in the suite's place) while handling messages, and
// two Tallowin.exe started together leave one agent running.
#include <gtest/gtest.h>
#include <windows.h>

#include "agent_fixture.h"
#include "platform/files.h"
#include "platform/services.h"
#include "platform/text.h"
#include "shell/action_log.h"
#include "support/test_folder.h"

using namespace velmora;
using namespace velmora::test;
using agent::TallowinAgent;
using shell::ScheduleKind;
namespace key = shell::schedulekey;

namespace {

constexpr UINT kProbeMessage = WM_APP + 7;

// The window the helper asks for its exit code. Its answer reaches the helper
// only while this thread handles messages.
int g_probeCalls = 0;
LRESULT g_probeAnswer = 0;
LRESULT CALLBACK ProbeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kProbeMessage) {
    ++g_probeCalls;
    return g_probeAnswer;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

class Probe {
 public:
  explicit Probe(LRESULT answer) : window_(L"VelmoraAgentProbe", L"", ProbeProc) {
    g_probeCalls = 0;
    g_probeAnswer = answer;
  }
  int calls() const { return g_probeCalls; }

 private:
  StandInWindow window_;
};

std::string HelperProgram() { return RealServices().programFolder() + "agent_helper.exe"; }

// Puts the helper at `path` (its folder made first).
void PlaceHelper(const std::string& path) {
  CreateFolderPath(ExtractFilePath(path));
  ASSERT_TRUE(CopyFileW(Widen(HelperProgram()).c_str(), Widen(path).c_str(), FALSE)) << path;
}

std::vector<std::string> HelperCalls(const std::string& folder) {
  return SplitLines(ReadWholeFile(folder + "agent_helper_calls.txt"));
}

class SessionEnd : public AgentTest {
 protected:
  void SetUp() override {
    AgentTest::SetUp();
    // The suite's folder has a blank in its name: the command line must quote it.
    world().programFolder = dir_ / "Velmora Suite\\";
    PlaceHelper(world().programFolder + "Quorvel.exe");
  }
  TestFolder dir_;
};

}  // namespace

TEST_F(SessionEnd, RunAndWaitWaitsHandlingMessagesAndGivesTheExitCode) {
  TallowinAgent& a = StartAgent();
  const std::string folder = world().programFolder;
  const std::string line = "\"" + folder + "Quorvel.exe\" /CleanHistory";
  {
    Probe probe(42);
    EXPECT_EQ(42u, a.RunAndWait(line));
    EXPECT_EQ(1, probe.calls());
  }
  // Without the probe the helper ends at once with 3; blanks around the line
  // are no part of it.
  EXPECT_EQ(3u, a.RunAndWait("  " + line + "  "));
  EXPECT_EQ((std::vector<std::string>{line, "done 42", line, "done 3"}), HelperCalls(folder));

  // A program that cannot start: its error code, and the line in the eraser's
  // scheduled log instead of a box that would hold up the shut-down.
  const std::string missing = "\"" + folder + "Missing.exe\" /CleanHistory";
  const DWORD error = a.RunAndWait(" " + missing + " ");
  EXPECT_TRUE(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) << error;
  EXPECT_TRUE(world().dialogs.asked().empty());
  const std::vector<std::string> log = SplitLines(ReadWholeFile(folder + shell::logfile::kScheduledEraser));
  ASSERT_EQ(1u, log.size());
  EXPECT_NE(std::string::npos, log[0].find("[" + missing + "] " + SystemErrorText(error))) << log[0];
}

TEST_F(SessionEnd, ShutDownEraserRunsAtTheSessionEndAndIsWaitedFor) {
  Schedule(key::kEraser, ScheduleKind::WinEnd, "", std::nullopt);
  Schedule(key::kJunk, ScheduleKind::Minutes, "30", kNow - kMinute);  // due, but not a session-end run
  TallowinAgent& a = StartAgent();
  Probe probe(7);
  EXPECT_EQ(TRUE, SendMessageW(a.window(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
  // The run had ended before the answer: it was started with the quoted path
  // and the eraser's switch, and got its answer from this thread meanwhile.
  EXPECT_EQ(1, probe.calls());
  EXPECT_EQ((std::vector<std::string>{"\"" + world().programFolder + "Quorvel.exe\" /CleanHistory", "done 7"}),
            HelperCalls(world().programFolder));
  EXPECT_TRUE(world().shellCalls.empty());
  // A shut-down schedule has no slot; "LastRan" is for the run itself to write
  // (the stand-in here writes none).
  EXPECT_FALSE(ReadDate(key::kEraser, "NextRun"));
  EXPECT_FALSE(ReadDate(key::kEraser, "LastRan"));
  EXPECT_FALSE(ReadDate(key::kJunk, "LastRan"));
  // No timer during the end; a cancelled end restarts scheduling.
  EXPECT_FALSE(a.timer());
  SendMessageW(a.window(), WM_ENDSESSION, FALSE, 0);
  ASSERT_TRUE(a.timer());
  a.CheckSchedules();
  EXPECT_EQ(std::vector<std::string>{"/CleanJunk"}, Launches());
  // A kind 6 eraser never runs on a tick.
  EXPECT_EQ(2u, HelperCalls(world().programFolder).size());
}

TEST_F(SessionEnd, ATimedEraserRunsAtTheSessionEndOnlyWhenDueAndScheduled) {
  Schedule(key::kEraser, ScheduleKind::Minutes, "30", kNow + kMinute);
  TallowinAgent& a = StartAgent();
  const std::string calls = world().programFolder + "agent_helper_calls.txt";
  SendMessageW(a.window(), WM_QUERYENDSESSION, 0, 0);
  EXPECT_FALSE(PathExists(calls));  // not yet due
  EXPECT_FALSE(a.timer());
  SendMessageW(a.window(), WM_ENDSESSION, FALSE, 0);

  world().fixedNow = kNow + 2 * kMinute;
  RegKey::Create(HKEY_CURRENT_USER, key::kEraser).WriteDword("Enabled", 0);  // switched off
  SendMessageW(a.window(), WM_QUERYENDSESSION, 0, 0);
  EXPECT_FALSE(PathExists(calls));
  RegKey::Create(HKEY_CURRENT_USER, key::kEraser).WriteDword("Enabled", 1);
  a.HandleTrayCommand(agent::traycmd::kToggle);  // scheduling off in the agent
  SendMessageW(a.window(), WM_QUERYENDSESSION, 0, 0);
  EXPECT_FALSE(PathExists(calls));
  a.HandleTrayCommand(agent::traycmd::kToggle);

  Probe probe(0);
  EXPECT_EQ(TRUE, SendMessageW(a.window(), WM_QUERYENDSESSION, 0, 0));
  EXPECT_EQ((std::vector<std::string>{"\"" + world().programFolder + "Quorvel.exe\" /CleanHistory", "done 0"}),
            SplitLines(ReadWholeFile(calls)));
  EXPECT_EQ(std::optional<double>(kNow + 32 * kMinute), ReadDate(key::kEraser, "NextRun"));
  EXPECT_FALSE(ReadDate(key::kEraser, "LastRan"));
}

namespace {

// Values the agent processes read from the real user registry of the test
// prefix; removed again however the test ends.
class RealScheduleValues {
 public:
  RealScheduleValues() {
    const RegKey k = RegKey::Create(HKEY_CURRENT_USER, shell::kScheduleKey);
    k.WriteDword("FR", 1);
    k.WriteDword("Enabled", 0);  // no timer: nothing of this prefix is started
  }
  ~RealScheduleValues() { RegKey::DeleteTree(HKEY_CURRENT_USER, "\\Software\\Dastra"); }
};

struct AgentProcess {
  PROCESS_INFORMATION pi{};
  bool started = false;
  AgentProcess() {
    std::wstring cmd = Widen("\"" + RealServices().programFolder() + "Tallowin.exe\"");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    started = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != 0;
  }
  ~AgentProcess() {
    if (!started) return;
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 99);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  DWORD exitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    return code;
  }
};

}  // namespace

TEST(AgentProcesses, OfTwoAgentsStartedTogetherOneEndsAndTheOtherClosesOnWmClose) {
  RealScheduleValues values;
  AgentProcess first, second;
  ASSERT_TRUE(first.started && second.started);
  HANDLE both[] = {first.pi.hProcess, second.pi.hProcess};
  // Guard times only keep a hang from stopping the run.
  const DWORD ended = WaitForMultipleObjects(2, both, FALSE, 60000);
  ASSERT_TRUE(ended == WAIT_OBJECT_0 || ended == WAIT_OBJECT_0 + 1);
  const AgentProcess& gone = ended == WAIT_OBJECT_0 ? first : second;
  const AgentProcess& staying = ended == WAIT_OBJECT_0 ? second : first;
  EXPECT_EQ(0u, gone.exitCode());

  HWND window = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (window = FindWindowW(L"Scheduled Maintenance", nullptr)) != nullptr; }));
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  EXPECT_EQ(staying.pi.dwProcessId, owner);
  EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(staying.pi.hProcess, 0));

  // How the suite stops the agent.
  PostMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_EQ(DWORD(WAIT_OBJECT_0), WaitForSingleObject(staying.pi.hProcess, 60000));
  EXPECT_EQ(0u, staying.exitCode());
  EXPECT_FALSE(FindWindowW(L"Scheduled Maintenance", nullptr));
}
