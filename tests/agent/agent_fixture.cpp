#include "agent_fixture.h"

#include <algorithm>
#include <iterator>

#include "platform/text.h"

namespace velmora::test {

std::vector<TrayMenuItem> ReadMenu(HMENU menu) {
  std::vector<TrayMenuItem> items;
  const int n = GetMenuItemCount(menu);
  for (int i = 0; i < n; ++i) {
    TrayMenuItem item;
    wchar_t text[128] = {};
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_STRING;
    mi.dwTypeData = text;
    mi.cch = UINT(std::size(text));
    if (!GetMenuItemInfoW(menu, UINT(i), TRUE, &mi)) continue;
    item.id = mi.wID;
    item.separator = (mi.fType & MFT_SEPARATOR) != 0;
    item.checked = (mi.fState & MFS_CHECKED) != 0;
    item.text = item.separator ? "" : Narrow(text);
    items.push_back(item);
  }
  return items;
}

std::vector<DWORD> RecordingArea::messages() const {
  std::vector<DWORD> out;
  for (const Call& c : calls) out.push_back(c.message);
  return out;
}

std::string TipOf(const NOTIFYICONDATAW& data) { return Narrow(data.szTip); }

void PumpPending(bool* quitSeen) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      if (quitSeen) *quitSeen = true;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool PumpUntil(const std::function<bool()>& done, DWORD guardMs, bool* quitSeen) {
  const ULONGLONG end = GetTickCount64() + guardMs;
  for (;;) {
    PumpPending(quitSeen);
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return false;
    MsgWaitForMultipleObjectsEx(0, nullptr, DWORD(std::min<ULONGLONG>(end - now, 100)), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
  }
}

StandInWindow::StandInWindow(const wchar_t* className, const wchar_t* title, WNDPROC proc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc ? proc : DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = className;
  RegisterClassExW(&wc);  // fails harmlessly when a test made it before
  window_.reset(CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr));
}

int TimerWindows() {
  int n = 0;
  for (HWND w = nullptr; (w = FindWindowExW(HWND_MESSAGE, w, agent::kTimerWindowClass, nullptr)) != nullptr;) ++n;
  return n;
}

LockHolder::LockHolder(const wchar_t* name) : name_(name) {
  ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  thread_ = CreateThread(
      nullptr, 0,
      [](void* p) -> DWORD {
        auto* self = static_cast<LockHolder*>(p);
        HANDLE m = CreateMutexW(nullptr, TRUE, self->name_);
        SetEvent(self->ready_);
        WaitForSingleObject(self->stop_, INFINITE);
        if (self->release_) ReleaseMutex(m);
        CloseHandle(m);
        return 0;
      },
      this, 0, nullptr);
  WaitForSingleObject(ready_, INFINITE);
}

void LockHolder::Finish(bool release) {
  if (!thread_) return;
  release_ = release;
  SetEvent(stop_);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
}

void LockHolder::Release() { Finish(true); }
void LockHolder::Abandon() { Finish(false); }

LockHolder::~LockHolder() {
  Finish(true);
  CloseHandle(ready_);
  CloseHandle(stop_);
}

void AgentTest::SetUp() {
  world().fixedNow = kNow;
  // The suite beside the agent; the tests that wait for it put a real program here.
  HANDLE f = CreateFileW(Widen(world().programFolder + "Quorvel.exe").c_str(), GENERIC_WRITE, 0, nullptr,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
}

void AgentTest::TearDown() {
  agent_.reset();
  PumpPending();
}

agent::TallowinAgent& AgentTest::StartAgent(bool firstRunSeen, unsigned intervalMs) {
  if (firstRunSeen) RegKey::Create(HKEY_CURRENT_USER, shell::kScheduleKey).WriteDword(shell::schedval::kFirstRun, 1);
  agent::AgentOptions options;
  options.timerIntervalMs = intervalMs;
  agent_ = std::make_unique<agent::TallowinAgent>(area_, options);
  EXPECT_EQ(agent::TallowinAgent::StartResult::Running, agent_->Start());
  return *agent_;
}

agent::TallowinAgent& AgentTest::StartAgentWith(const agent::AgentOptions& options) {
  RegKey::Create(HKEY_CURRENT_USER, shell::kScheduleKey).WriteDword(shell::schedval::kFirstRun, 1);
  agent_ = std::make_unique<agent::TallowinAgent>(area_, options);
  EXPECT_EQ(agent::TallowinAgent::StartResult::Running, agent_->Start());
  return *agent_;
}

void AgentTest::Schedule(const char* key, shell::ScheduleKind kind, const char* params,
                         std::optional<double> nextRun, bool enabled) {
  const RegKey k = RegKey::Create(HKEY_CURRENT_USER, key);
  k.WriteDword(shell::schedval::kEnabled, enabled ? 1 : 0);
  k.WriteDword(shell::schedval::kSchedType, std::uint32_t(kind));
  k.WriteString(shell::schedval::kParams, params);
  if (nextRun) k.WriteDateTime(shell::schedval::kNextRun, *nextRun);
}

std::optional<double> AgentTest::ReadDate(const char* key, const char* name) {
  const RegKey k = RegKey::Open(HKEY_CURRENT_USER, key);
  return k ? k.ReadDateTime(name) : std::nullopt;
}

std::vector<std::string> AgentTest::Launches() {
  std::vector<std::string> out;
  for (const ShellCall& c : world().shellCalls) {
    EXPECT_EQ("Open", c.verb);
    EXPECT_EQ(world().programFolder + "Quorvel.exe", c.target);
    out.push_back(c.params);
  }
  return out;
}

}  // namespace velmora::test
