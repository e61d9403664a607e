// What the agent tests share: a recording notification area, the menu read
// back, a message pump with a guard, windows standing in for the suite's, and
// a fixture with a sandboxed registry, a fixed clock and "Quorvel.exe" in the
// agent's folder.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "agent/agent.h"
#include "platform/calendar.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "shell/schedule.h"
#include "support/fakes.h"
#include "support/registry_sandbox.h"

namespace velmora::test {

// The fixed clock of the agent tests (a Sunday afternoon), and one minute.
inline const double kNow = EncodeDateTime(2027, 3, 14, 17, 2);
inline constexpr double kMinute = 1.0 / 1440;

struct TrayMenuItem {
  UINT id = 0;
  std::string text;
  bool checked = false;
  bool separator = false;
};
// The items of a built menu, top to bottom.
std::vector<TrayMenuItem> ReadMenu(HMENU menu);

class RecordingArea : public agent::NotifyArea {
 public:
  struct Call {
    DWORD message;
    NOTIFYICONDATAW data;
  };
  std::vector<Call> calls;
  bool succeeds = true;
  std::vector<std::vector<TrayMenuItem>> menus;  // each menu shown
  UINT choice = 0;                               // what the user picks (0: dismissed)

  bool Notify(DWORD message, const NOTIFYICONDATAW& data) override {
    calls.push_back({message, data});
    return succeeds;
  }
  UINT TrackMenu(HMENU menu, HWND, POINT) override {
    menus.push_back(ReadMenu(menu));
    return choice;
  }
  std::vector<DWORD> messages() const;
};

std::string TipOf(const NOTIFYICONDATAW& data);

// Handles this thread's messages until `done` holds, waiting for them (never
// spinning); false when the guard time passed first (a hang). A quit message
// is noted in `quitSeen`, not passed on.
bool PumpUntil(const std::function<bool()>& done, DWORD guardMs = 30000, bool* quitSeen = nullptr);
// Handles what is pending now.
void PumpPending(bool* quitSeen = nullptr);

// A hidden top-level window of a class and title, as another program's.
class StandInWindow {
 public:
  StandInWindow(const wchar_t* className, const wchar_t* title, WNDPROC proc = nullptr);
  HWND get() const { return window_.get(); }

 private:
  WindowHandle window_;
};

// The live timers of the agents in this thread (their utility windows).
int TimerWindows();

// Holds a named lock on a thread of its own, as another process would, until
// released; Abandon ends that thread still holding it (a crashed run).
class LockHolder {
 public:
  explicit LockHolder(const wchar_t* name);
  ~LockHolder();
  void Release();
  void Abandon();

 private:
  void Finish(bool release);
  HANDLE ready_ = nullptr, stop_ = nullptr, thread_ = nullptr;
  const wchar_t* name_;
  bool release_ = true;
};

class AgentTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts an agent over the recording area; "FR" set unless told otherwise.
  agent::TallowinAgent& StartAgent(bool firstRunSeen = true, unsigned intervalMs = agent::kScheduleTickMs);
  agent::TallowinAgent& StartAgentWith(const agent::AgentOptions& options);

  // A scheduled tool: "Enabled", "SchedType", "Params", and "NextRun" when given.
  static void Schedule(const char* key, shell::ScheduleKind kind, const char* params,
                       std::optional<double> nextRun, bool enabled = true);
  static std::optional<double> ReadDate(const char* key, const char* name);
  // The suite's switches launched through the shell so far, in order.
  static std::vector<std::string> Launches();

  RegistrySandbox reg_;
  RecordingArea area_;
  std::unique_ptr<agent::TallowinAgent> agent_;
};

}  // namespace velmora::test
