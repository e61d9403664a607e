// The tray scheduling agent (Tallowin.exe): a hidden window with an icon in the
// notification area and a timer that reads the three schedules every 15
// seconds and starts the suite with the switch of each operation that falls
// due. It also runs a shut-down (or due) eraser schedule while the session
// ends and waits for it. One agent per log-on session.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>

#include "agent/my_timer.h"
#include "agent/notify_area.h"
#include "platform/handles.h"
#include "shell/run_lock.h"
#include "shell/schedule.h"

namespace velmora::agent {

// The main window's class and title; the suite closes the agent with WM_CLOSE
// to the window of this class.
inline const wchar_t* const kAgentWindowClass = L"Scheduled Maintenance";
inline const char* const kAgentCaption = "Scheduled Maintenance";
inline constexpr unsigned kScheduleTickMs = 15000;
// The icon's callback message and id.
inline constexpr UINT kTrayCallbackMessage = WM_USER;
inline constexpr UINT kTrayIconId = 1;

// Tray menu command ids.
namespace traycmd {
inline constexpr int kAbout = 65;
inline constexpr int kClose = 67;
inline constexpr int kToggle = 78;
inline constexpr int kOpenSuite = 79;
inline constexpr int kSetSchedules = 83;
}  // namespace traycmd

struct AgentOptions {
  // The schedule timer's interval; only tests and the end-to-end run shorten it.
  unsigned timerIntervalMs = kScheduleTickMs;
  // How long a new agent waits for the lock of an agent that is closing.
  unsigned closingAgentWaitMs = 5000;
};

class TallowinAgent {
 public:
  TallowinAgent(NotifyArea& area, AgentOptions options = {});
  ~TallowinAgent();
  TallowinAgent(const TallowinAgent&) = delete;
  TallowinAgent& operator=(const TallowinAgent&) = delete;

  enum class StartResult { Running, AlreadyRunning, QuorvelMissing, NoWindow };
  // Everything before the message loop: the session's agent lock, the suite
  // beside the agent, the first-start note ("FR"), "Enabled", the single-agent
  // window test, the hidden main window with its icon, and the timer.
  StartResult Start();
  // The message loop, until the main window is destroyed; the exit code.
  int Run();

  bool SchedulingEnabled() const { return schedulingEnabled_; }
  const TMyTimer* timer() const { return timer_.get(); }
  HWND window() const { return window_.get(); }
  // The icon record as it was last given to the notification area.
  const NOTIFYICONDATAW& iconRecord() const { return icon_; }
  bool iconShown() const { return iconAdded_; }

  void HandleTrayCommand(int command);
  // The timer's callback: every scheduled tool is examined in turn.
  void CheckSchedules();
  void RunIfDue(const std::string& toolKey, shell::ScheduledTool operation, bool atShutDown);
  // Starts the command line and waits for it to end, handling this thread's
  // messages meanwhile; its exit code, or the error code when it could not start.
  DWORD RunAndWait(const std::string& commandLine);
  // The tray menu as the right button shows it.
  MenuHandle BuildTrayMenu() const;

  static LRESULT CALLBACK AgentWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

 private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  void StartTimer();
  void SetIcon(bool enabled, const char* tip);
  void AddIcon();
  void UpdateIcon();
  void RemoveIcon();
  void ShowTrayMenu();
  void LaunchSuite(const char* parameters);
  void EndOfSession();

  NotifyArea& area_;
  AgentOptions options_;
  shell::NamedLock agentLock_;
  bool schedulingEnabled_ = true;
  std::unique_ptr<TMyTimer> timer_;
  WindowHandle window_;
  IconHandle enabledIcon_, offIcon_;
  NOTIFYICONDATAW icon_{};
  bool iconAdded_ = false;
  UINT taskbarCreated_ = 0;
  bool examining_ = false;
};

}  // namespace velmora::agent
