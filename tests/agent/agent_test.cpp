// The tray agent in this process: a recorded notification area and shell, the
// registry sandboxed, the clock fixed. Ticks are run by calling CheckSchedules
// as the timer does, except where the timer itself is under test.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <windows.h>

#include "agent/my_timer.h"
#include "agent_fixture.h"
#include "platform/text.h"
#include "shell/progress_form.h"
#include "shell/run_lock.h"

using namespace velmora;
using namespace velmora::test;
using agent::TallowinAgent;
using shell::ScheduleKind;
namespace key = shell::schedulekey;

namespace {


std::string WindowText(HWND w) {
  wchar_t text[128] = {};
  GetWindowTextW(w, text, 128);
  return Narrow(text);
}
std::string ClassOf(HWND w) {
  wchar_t text[128] = {};
  GetClassNameW(w, text, 128);
  return Narrow(text);
}

}  // namespace

TEST_F(AgentTest, StartShowsTheFirstRunNoteOnceThenTheEnabledIconAndOneTimer) {
  TallowinAgent& a = StartAgent(/*firstRunSeen=*/false);
  ASSERT_EQ(1u, world().dialogs.asked().size());
  EXPECT_EQ("Scheduled Maintenance runs as a small icon located in your \"System Tray\" next to the clock.  From "
            "here you may set options specific to it without loading the main Velmora application.",
            world().dialogs.asked()[0].text);
  EXPECT_EQ("Scheduled Maintenance", world().dialogs.asked()[0].caption);
  EXPECT_EQ(1u, RegKey::Open(HKEY_CURRENT_USER, shell::kScheduleKey).ReadDword("FR"));

  // The hidden main window, found by the suite by its class.
  ASSERT_TRUE(a.window());
  EXPECT_EQ(a.window(), FindWindowW(L"Scheduled Maintenance", nullptr));
  EXPECT_EQ("Scheduled Maintenance", WindowText(a.window()));
  EXPECT_FALSE(IsWindowVisible(a.window()));

  // The icon record: the wide record's own size (not the 88 bytes of the ANSI one).
  ASSERT_EQ(std::vector<DWORD>{NIM_ADD}, area_.messages());
  const NOTIFYICONDATAW& d = area_.calls[0].data;
  EXPECT_EQ(sizeof(NOTIFYICONDATAW), d.cbSize);
  EXPECT_NE(88u, d.cbSize);
  EXPECT_EQ(a.window(), d.hWnd);
  EXPECT_EQ(1u, d.uID);
  EXPECT_EQ(7u, d.uFlags);
  EXPECT_EQ(UINT(WM_USER), d.uCallbackMessage);
  EXPECT_TRUE(d.hIcon);
  EXPECT_EQ("Scheduled Maintenance is enabled - right click for options", TipOf(d));
  EXPECT_TRUE(a.iconShown());

  ASSERT_TRUE(a.timer());
  EXPECT_TRUE(a.timer()->running());
  EXPECT_EQ(15000u, a.timer()->interval());
  EXPECT_EQ(1, TimerWindows());

  // A second agent of the session ends at once: no note (FR is set now), no icon, no timer.
  RecordingArea second;
  {
    TallowinAgent b(second);
    EXPECT_EQ(TallowinAgent::StartResult::AlreadyRunning, b.Start());
    EXPECT_FALSE(b.window());
    EXPECT_FALSE(b.timer());
  }
  EXPECT_TRUE(second.calls.empty());
  EXPECT_EQ(1u, world().dialogs.asked().size());
  EXPECT_EQ(1, TimerWindows());
}

TEST_F(AgentTest, StartWithSchedulingOffShowsTheOffIconAndStartsNothing) {
  RegKey::Create(HKEY_CURRENT_USER, shell::kScheduleKey).WriteDword("Enabled", 0);
  Schedule(key::kJunk, ScheduleKind::Minutes, "30", kNow - kMinute);
  TallowinAgent& a = StartAgent();
  EXPECT_TRUE(world().dialogs.asked().empty());
  EXPECT_FALSE(a.SchedulingEnabled());
  EXPECT_FALSE(a.timer());
  EXPECT_EQ(0, TimerWindows());
  ASSERT_EQ(1u, area_.calls.size());
  EXPECT_EQ("Scheduled Maintenance is disabled - right click for options", TipOf(area_.calls[0].data));
  const HICON off = area_.calls[0].data.hIcon;

  // The session ends: scheduling is off, so nothing runs and the answer is yes.
  EXPECT_EQ(TRUE, SendMessageW(a.window(), WM_QUERYENDSESSION, 0, 0));
  EXPECT_TRUE(world().shellCalls.empty());

  // Switched on from the menu: the other icon, the menu's tip, a timer, "Enabled" written.
  a.HandleTrayCommand(agent::traycmd::kToggle);
  ASSERT_EQ(2u, area_.calls.size());
  EXPECT_EQ(DWORD(NIM_MODIFY), area_.calls[1].message);
  EXPECT_NE(off, area_.calls[1].data.hIcon);
  EXPECT_TRUE(area_.calls[1].data.hIcon);
  EXPECT_EQ("Scheduled Maintenace is enabled - right click for options", TipOf(area_.calls[1].data));
  EXPECT_EQ(1u, RegKey::Open(HKEY_CURRENT_USER, shell::kScheduleKey).ReadDword("Enabled"));
  EXPECT_EQ(1, TimerWindows());
  a.CheckSchedules();
  EXPECT_EQ(std::vector<std::string>{"/CleanJunk"}, Launches());
}

// The agent lock is still held by an agent that is closing (its window is
// gone): a new agent waits for it rather than leave the session with none; an
// agent lock that stays held ends the new one at its limit.
TEST_F(AgentTest, ANewAgentWaitsBrieflyForAClosingAgentsLock) {
  RegKey::Create(HKEY_CURRENT_USER, shell::kScheduleKey).WriteDword(shell::schedval::kFirstRun, 1);
  agent::AgentOptions options;
  options.closingAgentWaitMs = 3000;
  {
    LockHolder closing(shell::kAgentLockName);
    agent::TallowinAgent waits(area_, options);
    std::thread release([&] {
      Sleep(300);
      closing.Release();
    });
    EXPECT_EQ(agent::TallowinAgent::StartResult::Running, waits.Start());
    release.join();
  }
  LockHolder stays(shell::kAgentLockName);
  options.closingAgentWaitMs = 300;
  agent::TallowinAgent second(area_, options);
  const unsigned long long start = GetTickCount64();
  EXPECT_EQ(agent::TallowinAgent::StartResult::AlreadyRunning, second.Start());
  EXPECT_GE(GetTickCount64() - start, 250u);
}

TEST_F(AgentTest, SuiteMissingFromTheFolderEndsWithItsMessage) {
  DeleteFileW(Widen(world().programFolder + "Quorvel.exe").c_str());
  TallowinAgent a(area_);
  EXPECT_EQ(TallowinAgent::StartResult::QuorvelMissing, a.Start());
  ASSERT_EQ(1u, world().dialogs.asked().size());
  EXPECT_EQ("Error: Scheduled Maintenance must be run from the same folder that contains Quorvel.exe.",
            world().dialogs.asked()[0].text);
  EXPECT_EQ("Scheduled Maintenance", world().dialogs.asked()[0].caption);
  EXPECT_FALSE(a.window());
  EXPECT_FALSE(FindWindowW(L"Scheduled Maintenance", nullptr));
  EXPECT_TRUE(area_.calls.empty());
}

TEST_F(AgentTest, AFailedIconAddIsRetriedWhenTheTaskbarIsCreated) {
  area_.succeeds = false;  // no notification area yet (Wine's null driver has none at all)
  TallowinAgent& a = StartAgent();
  EXPECT_FALSE(a.iconShown());
  area_.succeeds = true;
  SendMessageW(a.window(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(a.iconShown());
  EXPECT_EQ((std::vector<DWORD>{NIM_ADD, NIM_ADD}), area_.messages());
  EXPECT_EQ("Scheduled Maintenance is enabled - right click for options", TipOf(area_.calls[1].data));

  // A restarted shell has lost the icon: added again, not modified.
  SendMessageW(a.window(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_EQ((std::vector<DWORD>{NIM_ADD, NIM_ADD, NIM_ADD}), area_.messages());
}

TEST_F(AgentTest, TrayMenuTextsIdsAndTheScheduleSwitch) {
  TallowinAgent& a = StartAgent();
  // The right button shows the menu built for the current state; choosing the
  // switch turns scheduling off.
  area_.choice = agent::traycmd::kToggle;
  SendMessageW(a.window(), WM_USER, 1, WM_RBUTTONDOWN);
  ASSERT_EQ(1u, area_.menus.size());
  const std::vector<TrayMenuItem>& on = area_.menus[0];
  ASSERT_EQ(7u, on.size());
  const std::pair<UINT, const char*> expected[] = {
      {79, "Open Velmora..."}, {83, "Set Schedules..."}, {78, "Enable Scheduling"}, {0, ""},
      {65, "About Scheduled Maintenance..."}, {0, ""}, {67, "Close Scheduled Maintenance"}};
  for (size_t i = 0; i < on.size(); ++i) {
    EXPECT_EQ(expected[i].second, on[i].text) << i;
    EXPECT_EQ(expected[i].first == 0, on[i].separator) << i;
    if (!on[i].separator) {
      EXPECT_EQ(expected[i].first, on[i].id) << i;
    }
  }
  EXPECT_TRUE(on[2].checked);

  EXPECT_FALSE(a.SchedulingEnabled());
  EXPECT_FALSE(a.timer());
  EXPECT_EQ(0, TimerWindows());
  EXPECT_EQ(0u, RegKey::Open(HKEY_CURRENT_USER, shell::kScheduleKey).ReadDword("Enabled"));
  ASSERT_EQ((std::vector<DWORD>{NIM_ADD, NIM_MODIFY}), area_.messages());
  EXPECT_EQ("Scheduled Maintenace is disabled - right click for options", TipOf(area_.calls[1].data));
  EXPECT_NE(area_.calls[0].data.hIcon, area_.calls[1].data.hIcon);

  MenuHandle off = a.BuildTrayMenu();
  const std::vector<TrayMenuItem> items = ReadMenu(off.get());
  ASSERT_EQ(7u, items.size());
  EXPECT_EQ("Enable Scheduling (Disabled)", items[2].text);
  EXPECT_EQ(78u, items[2].id);
  EXPECT_FALSE(items[2].checked);

  // A dismissed menu does nothing.
  area_.choice = 0;
  SendMessageW(a.window(), WM_USER, 1, WM_RBUTTONDOWN);
  EXPECT_EQ(2u, area_.menus.size());
  EXPECT_FALSE(a.SchedulingEnabled());
  EXPECT_EQ(2u, area_.calls.size());

  // The About box.
  SendMessageW(a.window(), WM_COMMAND, agent::traycmd::kAbout, 0);
  ASSERT_EQ(1u, world().dialogs.asked().size());
  EXPECT_EQ("Scheduled Maintenance", world().dialogs.asked()[0].caption);
  EXPECT_EQ(0u, world().dialogs.asked()[0].text.rfind("Velmora Scheduled Maintenance v3.0\r", 0));
  EXPECT_GT(world().dialogs.asked()[0].text.size(), std::string("Velmora Scheduled Maintenance v3.0\r").size());
}

TEST_F(AgentTest, OpeningTheSuiteAndTheSchedulingWindowUnlessOpen) {
  TallowinAgent& a = StartAgent();
  SendMessageW(a.window(), WM_COMMAND, agent::traycmd::kOpenSuite, 0);
  SendMessageW(a.window(), WM_COMMAND, agent::traycmd::kSetSchedules, 0);
  SendMessageW(a.window(), WM_USER, 1, WM_LBUTTONDBLCLK);
  EXPECT_EQ((std::vector<std::string>{"", "/SetSchedule", "/SetSchedule"}), Launches());
  {
    // A suite already running (its hidden window titled "Velmora") is not opened again,
    // nor a second scheduling window.
    StandInWindow suite(L"VelmoraStandInSuite", L"Velmora");
    StandInWindow sched(L"TfrmSched", L"Scheduled Maintenance");
    ShowWindow(sched.get(), SW_SHOWNA);  // a shown one: a run's hidden host does not count
    world().shellCalls.clear();
    SendMessageW(a.window(), WM_COMMAND, agent::traycmd::kOpenSuite, 0);
    SendMessageW(a.window(), WM_COMMAND, agent::traycmd::kSetSchedules, 0);
    SendMessageW(a.window(), WM_USER, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(world().shellCalls.empty());
    // That scheduling window shares the agent's title: the agent's own window
    // test goes by class, so it still finds only itself.
    EXPECT_EQ(a.window(), FindWindowW(L"Scheduled Maintenance", nullptr));
  }
}

TEST_F(AgentTest, CloseRemovesTheIconAndEndsTheLoop) {
  TallowinAgent& a = StartAgent();
  HWND w = a.window();
  area_.choice = agent::traycmd::kClose;
  SendMessageW(w, WM_USER, 1, WM_RBUTTONDOWN);
  bool quit = false;
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(w); }, 30000, &quit));
  EXPECT_TRUE(quit);
  EXPECT_FALSE(a.window());
  EXPECT_FALSE(a.timer());
  EXPECT_EQ(0, TimerWindows());
  ASSERT_EQ((std::vector<DWORD>{NIM_ADD, NIM_DELETE}), area_.messages());
  EXPECT_EQ(w, area_.calls[1].data.hWnd);
  EXPECT_EQ(1u, area_.calls[1].data.uID);
}

TEST_F(AgentTest, DueToolsAreLaunchedAndRecorded) {
  Schedule(key::kJunk, ScheduleKind::Minutes, "30", kNow - kMinute);
  Schedule(key::kEraser, ScheduleKind::Days, "5|0.33333333333", kNow);  // due at this very moment
  Schedule(key::kRegistry, ScheduleKind::Hours, "5|30", kNow - 1);
  TallowinAgent& a = StartAgent();
  a.CheckSchedules();
  EXPECT_EQ((std::vector<std::string>{"/CleanJunk", "/CleanHistory", "/RegistryClean"}), Launches());
  // Each launch sets its tool's next slot; "LastRan" is the run's to write.
  EXPECT_EQ(std::optional<double>(kNow + 30 * kMinute), ReadDate(key::kJunk, "NextRun"));
  EXPECT_EQ(std::optional<double>(std::floor(kNow) + 5 + 1.0 / 3), ReadDate(key::kEraser, "NextRun"));
  EXPECT_TRUE(ReadDate(key::kRegistry, "NextRun"));
  for (const char* k : {key::kJunk, key::kEraser, key::kRegistry}) {
    EXPECT_FALSE(ReadDate(k, "LastRan")) << k;
    EXPECT_GT(*ReadDate(k, "NextRun"), kNow) << k;
  }
  // One fresh timer after the examinations.
  ASSERT_TRUE(a.timer());
  EXPECT_TRUE(a.timer()->running());
  EXPECT_EQ(1, TimerWindows());

  // The next tick finds every tool waiting for its next interval.
  world().shellCalls.clear();
  a.CheckSchedules();
  EXPECT_TRUE(world().shellCalls.empty());
}

TEST_F(AgentTest, ToolsNotDueOrNotScheduledOrTriggeredByWindowsAreNotStarted) {
  Schedule(key::kJunk, ScheduleKind::Minutes, "30", kNow + kMinute);        // not yet
  Schedule(key::kEraser, ScheduleKind::WinEnd, "", std::nullopt);           // only at the session's end
  Schedule(key::kRegistry, ScheduleKind::WinStart, "", kNow - 30);          // its Run entry starts it
  TallowinAgent& a = StartAgent();
  a.CheckSchedules();
  world().fixedNow = kNow + 400;  // more than a year later
  RegKey::Create(HKEY_CURRENT_USER, key::kJunk).WriteDword("Enabled", 0);  // switched off meanwhile
  a.CheckSchedules();
  EXPECT_TRUE(world().shellCalls.empty());
  EXPECT_EQ(std::optional<double>(kNow + kMinute), ReadDate(key::kJunk, "NextRun"));
  EXPECT_FALSE(ReadDate(key::kRegistry, "LastRan"));
  EXPECT_FALSE(ReadDate(key::kEraser, "LastRan"));

  // "Enabled" of another type, or a malformed schedule, is not scheduled either.
  RegKey::Create(HKEY_CURRENT_USER, key::kJunk).WriteString("Enabled", "1");
  Schedule(key::kRegistry, ScheduleKind::Minutes, "0", kNow - 1);
  RegKey::Create(HKEY_CURRENT_USER, key::kRegistry).DeleteValue("NextRun");
  RegKey::Create(HKEY_CURRENT_USER, key::kRegistry).WriteDateTime("LastRan", kNow - 1);
  a.CheckSchedules();
  EXPECT_TRUE(world().shellCalls.empty());
  EXPECT_EQ(1, TimerWindows());
}

TEST_F(AgentTest, AProgressWindowOrTheRunLockBlocksEveryLaunch) {
  Schedule(key::kJunk, ScheduleKind::Minutes, "30", kNow - kMinute);
  Schedule(key::kEraser, ScheduleKind::Minutes, "30", kNow - kMinute);
  Schedule(key::kRegistry, ScheduleKind::Minutes, "30", kNow - kMinute);
  TallowinAgent& a = StartAgent();
  {
    // The suite's own progress window, never shown, as an unattended run keeps it.
    shell::TfrmProgress progress;
    a.CheckSchedules();
    EXPECT_EQ(std::vector<DWORD>{NIM_ADD}, area_.messages());
    EXPECT_TRUE(world().shellCalls.empty());
    EXPECT_EQ(TRUE, SendMessageW(a.window(), WM_QUERYENDSESSION, 0, 0));
  }
  {
    // A run without its progress window holds the run lock.
    LockHolder run(shell::kRunLockName);
    a.CheckSchedules();
    EXPECT_TRUE(world().shellCalls.empty());
  }
  for (const char* k : {key::kJunk, key::kEraser, key::kRegistry}) {
    EXPECT_EQ(std::optional<double>(kNow - kMinute), ReadDate(k, "NextRun")) << k;
    EXPECT_FALSE(ReadDate(k, "LastRan")) << k;
  }
  EXPECT_EQ(1, TimerWindows());
  // Checked again at the next tick: the run is over.
  a.CheckSchedules();
  EXPECT_EQ((std::vector<std::string>{"/CleanJunk", "/CleanHistory", "/RegistryClean"}), Launches());
}

TEST_F(AgentTest, TheTrackerWindowHoldsBackOnlyTheJunkRun) {
  Schedule(key::kJunk, ScheduleKind::Minutes, "30", kNow - kMinute);
  Schedule(key::kEraser, ScheduleKind::Minutes, "30", kNow - kMinute);
  Schedule(key::kRegistry, ScheduleKind::Minutes, "30", kNow - kMinute);
  TallowinAgent& a = StartAgent();
  {
    StandInWindow tracker(L"TfrmVantrel", L"Vantrel");
    a.CheckSchedules();
    EXPECT_EQ((std::vector<std::string>{"/CleanHistory", "/RegistryClean"}), Launches());
    EXPECT_EQ(std::optional<double>(kNow - kMinute), ReadDate(key::kJunk, "NextRun"));
  }
  world().shellCalls.clear();
  a.CheckSchedules();
  EXPECT_EQ(std::vector<std::string>{"/CleanJunk"}, Launches());
}

TEST_F(AgentTest, LowSpaceConditionHoldsBackDueTools) {
  // "OnlyScan" with a limit of 1 MB: drive C: has more free, so nothing runs.
  const RegKey global = RegKey::Create(HKEY_CURRENT_USER, shell::kScheduleKey);
  global.WriteDword("OnlyScan", 1);
  global.WriteDword("SpaceFree", 1);
  Schedule(key::kJunk, ScheduleKind::Minutes, "30", kNow - kMinute);
  TallowinAgent& a = StartAgent();
  a.CheckSchedules();
  EXPECT_TRUE(world().shellCalls.empty());
  EXPECT_FALSE(ReadDate(key::kJunk, "LastRan"));
  global.WriteDword("OnlyScan", 0);
  a.CheckSchedules();
  EXPECT_EQ(std::vector<std::string>{"/CleanJunk"}, Launches());
}

TEST_F(AgentTest, AfterACrashedRunNoRelaunchBeforeItsNextInterval) {
  Schedule(key::kJunk, ScheduleKind::Minutes, "30", kNow - kMinute);
  TallowinAgent& a = StartAgent();
  a.CheckSchedules();
  ASSERT_EQ(std::vector<std::string>{"/CleanJunk"}, Launches());
  // The run took the lock and crashed: the lock is abandoned, no "LastRan" was
  // written and "NextRun" is the slot the launch set.
  {
    LockHolder crashed(shell::kRunLockName);
    crashed.Abandon();
  }
  world().shellCalls.clear();
  for (int minutes : {0, 1, 15, 29}) {
    world().fixedNow = kNow + minutes * kMinute;
    a.CheckSchedules();
  }
  EXPECT_TRUE(world().shellCalls.empty());
  EXPECT_EQ(std::optional<double>(kNow + 30 * kMinute), ReadDate(key::kJunk, "NextRun"));
  world().fixedNow = kNow + 30 * kMinute;
  a.CheckSchedules();
  EXPECT_EQ(std::vector<std::string>{"/CleanJunk"}, Launches());
}

TEST_F(AgentTest, NeverTwoTimersAtOnce) {
  Schedule(key::kJunk, ScheduleKind::Minutes, "30", kNow - kMinute);
  Schedule(key::kEraser, ScheduleKind::WinEnd, "", std::nullopt);
  Schedule(key::kRegistry, ScheduleKind::Minutes, "30", kNow + kMinute);
  TallowinAgent& a = StartAgent();
  EXPECT_EQ(1, TimerWindows());
  a.CheckSchedules();  // three examinations, each replacing the timer
  EXPECT_EQ(1, TimerWindows());
  for (int i = 0; i < 3; ++i) {
    a.HandleTrayCommand(agent::traycmd::kToggle);
    EXPECT_EQ(a.SchedulingEnabled() ? 1 : 0, TimerWindows());
  }
  EXPECT_FALSE(a.SchedulingEnabled());
  a.HandleTrayCommand(agent::traycmd::kToggle);
  EXPECT_EQ(1, TimerWindows());

  // The session's end stops it; a cancelled end starts one again, once.
  SendMessageW(a.window(), WM_QUERYENDSESSION, 0, 0);
  EXPECT_EQ(0, TimerWindows());
  EXPECT_FALSE(a.timer());
  SendMessageW(a.window(), WM_ENDSESSION, FALSE, 0);
  EXPECT_EQ(1, TimerWindows());
  SendMessageW(a.window(), WM_ENDSESSION, FALSE, 0);
  EXPECT_EQ(1, TimerWindows());
  ASSERT_TRUE(a.timer());
  EXPECT_TRUE(a.timer()->running());
  // A session that really ends leaves the timer off.
  SendMessageW(a.window(), WM_QUERYENDSESSION, 0, 0);
  SendMessageW(a.window(), WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(0, TimerWindows());
}

TEST_F(AgentTest, TheRealTimerTicksAndIsReplacedInsideItsOwnTick) {
  Schedule(key::kJunk, ScheduleKind::Minutes, "30", kNow - kMinute);
  TallowinAgent& a = StartAgent(true, /*intervalMs=*/50);
  const HWND first = a.timer()->window();
  ASSERT_TRUE(PumpUntil([] { return !world().shellCalls.empty(); }));
  EXPECT_EQ(std::vector<std::string>{"/CleanJunk"}, Launches());
  // The ticking timer was discarded from within its tick and a new one made.
  EXPECT_FALSE(IsWindow(first));
  ASSERT_TRUE(a.timer());
  EXPECT_EQ(50u, a.timer()->interval());
  EXPECT_EQ(1, TimerWindows());
  // More ticks pass: nothing is due until the next interval.
  const HWND second = a.timer()->window();
  ASSERT_TRUE(PumpUntil([&] { return a.timer() && a.timer()->window() != second; }));
  EXPECT_EQ(1u, world().shellCalls.size());
}

TEST(MyTimer, CallsBackOnEachTickAndMayBeDestroyedInsideIt) {
  int ticks = 0;
  std::unique_ptr<agent::TMyTimer> timer;
  timer = std::make_unique<agent::TMyTimer>(
      [&] {
        if (++ticks == 2) timer.reset();
      },
      20);
  ASSERT_TRUE(timer->running());
  EXPECT_EQ("TPUtilWindow", ClassOf(timer->window()));
  EXPECT_EQ(1, TimerWindows());
  EXPECT_TRUE(PumpUntil([&] { return !timer; }));
  EXPECT_EQ(2, ticks);
  EXPECT_EQ(0, TimerWindows());
  PumpPending();
  EXPECT_EQ(2, ticks);
}
