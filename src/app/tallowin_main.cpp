// Tallowin.exe: the tray scheduling agent.
#include <windows.h>

#include <cstdlib>
#include <exception>
#include <string>

#include "agent/agent.h"
#include "shell/clock_window.h"

namespace {

// VELMORA_AGENT_TICK_MS shortens the schedule timer for the end-to-end test
// (at least 100 ms); anything else keeps the 15 seconds.
unsigned TimerInterval() {
  const wchar_t* text = _wgetenv(L"VELMORA_AGENT_TICK_MS");
  if (!text || !*text) return velmora::agent::kScheduleTickMs;
  wchar_t* end = nullptr;
  const unsigned long ms = std::wcstoul(text, &end, 10);
  if (*end || ms < 100 || ms > velmora::agent::kScheduleTickMs) return velmora::agent::kScheduleTickMs;
  return unsigned(ms);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    // A clock the eraser left a year ahead would make every schedule look run.
    velmora::shell::RestoreClockIfMoved();
    velmora::agent::ShellNotifyArea area;
    velmora::agent::AgentOptions options;
    options.timerIntervalMs = TimerInterval();
    velmora::agent::TallowinAgent agent(area, options);
    if (agent.Start() != velmora::agent::TallowinAgent::StartResult::Running) return 0;
    return agent.Run();
  } catch (const std::exception&) {
    // A registry that cannot be written at start: the agent ends, the suite can start it again.
    return 1;
  }
}
