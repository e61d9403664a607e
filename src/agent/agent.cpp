#include "agent/agent.h"

#include <cwchar>
#include <iterator>
#include <exception>

#include "platform/files.h"
#include "platform/format.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/text.h"
#include "shell/action_log.h"
#include "shell/artwork.h"
#include "shell/settings.h"
#include "shell/utilities.h"
#include "ui/app.h"
#include "ui/dialogs.h"

namespace velmora::agent {

namespace {

const char* const kStartTipOn = "Scheduled Maintenance is enabled - right click for options";
const char* const kStartTipOff = "Scheduled Maintenance is disabled - right click for options";
const char* const kMenuTipOn = "Scheduled Maintenace is enabled - right click for options";
const char* const kMenuTipOff = "Scheduled Maintenace is disabled - right click for options";

const char* const kSuiteMissing =
    "Error: Scheduled Maintenance must be run from the same folder that contains Quorvel.exe.";
const char* const kFirstRunNote =
    "Scheduled Maintenance runs as a small icon located in your \"System Tray\" next to the clock.  From here you "
    "may set options specific to it without loading the main Velmora application.";
const char* const kAboutText =
    "Velmora Scheduled Maintenance v3.0\r"
    "Starts your scheduled junk, history and registry clean-ups from the System Tray.";

// The suite's windows the agent looks for.
bool ProgressWindowOpen() { return FindWindowW(L"TfrmProgress", L"Scheduled Maintenance Progress") != nullptr; }
// Shown: a run's hidden host window is no scheduling window the user has open.
bool SchedulingWindowOpen() {
  const HWND w = FindWindowW(L"TfrmSched", L"Scheduled Maintenance");
  return w && IsWindowVisible(w);
}
bool TrackerWindowOpen() { return FindWindowW(L"TfrmVantrel", L"Vantrel") != nullptr; }
bool SuiteRunning() { return FindWindowW(nullptr, L"Velmora") != nullptr; }

// An unattended run of the suite is on: its progress window is up, or it holds
// the run lock (a run without progress window, or one just starting).
bool RunInProgress() { return ProgressWindowOpen() || shell::LockIsHeld(shell::kRunLockName); }

// A tool is scheduled when its "Enabled" exists as a non-zero 32-bit integer;
// any other type counts as not scheduled.
bool ToolScheduled(const std::string& toolKey) {
  try {
    const RegKey key = RegKey::Open(HKEY_CURRENT_USER, toolKey, KEY_READ);
    if (!key) return false;
    const auto v = key.ReadValue(shell::schedval::kEnabled);
    if (!v || v->type != REG_DWORD || v->data.size() != 4) return false;
    return v->data[0] | v->data[1] | v->data[2] | v->data[3];
  } catch (const RegistryError&) {
    return false;
  }
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

std::string QuorvelPath() { return services().programFolder() + "Quorvel.exe"; }

void RegisterAgentClass() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &TallowinAgent::AgentWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kAgentWindowClass;
    return RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
}

// Tells the user why the session waits while the end-of-session run goes on
// (Windows lists the reason in its "programs still running" screen).
class ShutdownBlock {
 public:
  explicit ShutdownBlock(HWND window) : window_(window) {
    if (window_ && !ShutdownBlockReasonCreate(window_, L"Scheduled Maintenance is erasing history and cache..."))
      window_ = nullptr;
  }
  ~ShutdownBlock() {
    if (window_) ShutdownBlockReasonDestroy(window_);
  }
  ShutdownBlock(const ShutdownBlock&) = delete;
  ShutdownBlock& operator=(const ShutdownBlock&) = delete;

 private:
  HWND window_;
};

}  // namespace

TallowinAgent::TallowinAgent(NotifyArea& area, AgentOptions options)
    : area_(area), options_(options), agentLock_(shell::kAgentLockName) {}

TallowinAgent::~TallowinAgent() {
  timer_.reset();
  window_.reset();  // removes the icon on the way (WM_DESTROY)
  // The quit message that destruction posted belongs to no loop any more.
  MSG msg;
  PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

TallowinAgent::StartResult TallowinAgent::Start() {
  // First of all, so two agents started together cannot both pass the window
  // test below (the log-on entry and the suite may start one at once).
  if (!agentLock_.TryAcquire()) {
    // An agent whose window is gone is closing (the scheduling window closed
    // it a moment ago and switched an operation on again): its lock is free
    // soon, so this one waits briefly rather than leave the session with none.
    if (FindWindowW(kAgentWindowClass, nullptr) || !agentLock_.Acquire(options_.closingAgentWaitMs))
      return StartResult::AlreadyRunning;
  }

  if (!FileExists(QuorvelPath())) {
    ui::dialogs().Message(nullptr, kSuiteMissing, kAgentCaption, ui::MsgButtons::Ok, ui::MsgIcon::Error);
    return StartResult::QuorvelMissing;
  }
  {
    const RegKey key = RegKey::Create(HKEY_CURRENT_USER, shell::kScheduleKey);
    if (!key.ValueExists(shell::schedval::kFirstRun)) {
      ui::dialogs().Message(nullptr, kFirstRunNote, kAgentCaption, ui::MsgButtons::Ok, ui::MsgIcon::Information);
      key.WriteDword(shell::schedval::kFirstRun, 1);
    }
  }
  schedulingEnabled_ = shell::ReadBoolSetting(shell::kScheduleKey, shell::schedval::kEnabled);

  if (FindWindowW(kAgentWindowClass, nullptr)) return StartResult::AlreadyRunning;

  RegisterAgentClass();
  taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
  const int iconSize = GetSystemMetrics(SM_CXSMICON) > 0 ? GetSystemMetrics(SM_CXSMICON) : 16;
  enabledIcon_ = shell::AgentIcon(shell::AgentIconState::Enabled, iconSize);
  offIcon_ = shell::AgentIcon(shell::AgentIconState::Off, iconSize);
  const std::wstring title = Widen(kAgentCaption);
  // Bound to this object on WM_NCCREATE; WM_CREATE adds the icon.
  HWND hwnd = CreateWindowExW(0, kAgentWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                              GetModuleHandleW(nullptr), this);
  if (!hwnd) return StartResult::NoWindow;
  ShowWindow(hwnd, SW_HIDE);
  if (schedulingEnabled_) StartTimer();
  return StartResult::Running;
}

int TallowinAgent::Run() { return ui::RunMessageLoop(); }

LRESULT CALLBACK TallowinAgent::AgentWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<TallowinAgent*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    if (self) self->window_.reset(hwnd);
  }
  auto* self = reinterpret_cast<TallowinAgent*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->window_.release();  // already on its way out
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  try {
    return self->HandleMessage(msg, wp, lp);
  } catch (...) {
    // No exception crosses into Windows; the message gets its default handling.
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

LRESULT TallowinAgent::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  HWND hwnd = window_.get();
  switch (msg) {
    case WM_CREATE:
      SetIcon(schedulingEnabled_, schedulingEnabled_ ? kStartTipOn : kStartTipOff);
      AddIcon();
      break;
    case WM_DESTROY: {
      RemoveIcon();
      timer_.reset();
      PostQuitMessage(0);
      // Put back a desktop window that was left hidden; a visible one is left
      // alone, so closing the agent never takes the focus from the user.
      HWND progman = FindWindowW(L"Progman", nullptr);
      if (progman && !IsWindowVisible(progman)) ShowWindow(progman, SW_SHOWNORMAL);
      break;
    }
    case WM_QUERYENDSESSION:
      EndOfSession();
      return TRUE;
    case WM_ENDSESSION:
      // The shut-down was cancelled: scheduling goes on under the same icon.
      if (!wp && schedulingEnabled_ && !timer_) StartTimer();
      return 0;
    case WM_COMMAND:
      HandleTrayCommand(LOWORD(wp));
      return 0;
    case kTrayCallbackMessage:
      switch (LOWORD(lp)) {
        case WM_RBUTTONDOWN:
          ShowTrayMenu();
          break;
        case WM_LBUTTONDBLCLK:
          if (!SchedulingWindowOpen()) LaunchSuite("/SetSchedule");
          break;
      }
      return 0;
    default:
      // A restarted shell has an empty notification area; a failed first add
      // (no shell yet at log-on) is retried here too.
      if (taskbarCreated_ && msg == taskbarCreated_) {
        iconAdded_ = false;
        AddIcon();
        return 0;
      }
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void TallowinAgent::EndOfSession() {
  if (!schedulingEnabled_) return;
  // An eraser switched off in the scheduling window stays off at shut-down too.
  if (!ToolScheduled(shell::schedulekey::kEraser)) return;
  try {
    RunIfDue(shell::schedulekey::kEraser, shell::ScheduledTool::Eraser, true);
  } catch (...) {
    // The session may end whatever happened.
  }
}

void TallowinAgent::StartTimer() {
  timer_.reset();  // the old one goes first: never two at once
  timer_ = std::make_unique<TMyTimer>(
      [this] {
        try {
          CheckSchedules();
        } catch (...) {
          // Examined again at the next tick.
        }
      },
      options_.timerIntervalMs);
}

void TallowinAgent::SetIcon(bool enabled, const char* tip) {
  icon_ = NOTIFYICONDATAW{};
  icon_.cbSize = sizeof(NOTIFYICONDATAW);
  icon_.hWnd = window_.get();
  icon_.uID = kTrayIconId;
  icon_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  icon_.uCallbackMessage = kTrayCallbackMessage;
  icon_.hIcon = enabled ? enabledIcon_.get() : offIcon_.get();
  const std::wstring text = Widen(tip);
  wcsncpy(icon_.szTip, text.c_str(), std::size(icon_.szTip) - 1);
}

void TallowinAgent::AddIcon() {
  if (!iconAdded_) iconAdded_ = area_.Notify(NIM_ADD, icon_);
}

void TallowinAgent::UpdateIcon() {
  if (iconAdded_) {
    area_.Notify(NIM_MODIFY, icon_);
  } else {
    AddIcon();
  }
}

void TallowinAgent::RemoveIcon() {
  if (iconAdded_) area_.Notify(NIM_DELETE, icon_);
  iconAdded_ = false;
}

MenuHandle TallowinAgent::BuildTrayMenu() const {
  MenuHandle menu(CreatePopupMenu());
  if (!menu) return menu;
  HMENU m = menu.get();
  AppendMenuW(m, MF_STRING, traycmd::kOpenSuite, L"Open Velmora...");
  AppendMenuW(m, MF_STRING, traycmd::kSetSchedules, L"Set Schedules...");
  AppendMenuW(m, MF_STRING | (schedulingEnabled_ ? MF_CHECKED : MF_UNCHECKED), traycmd::kToggle,
              schedulingEnabled_ ? L"Enable Scheduling" : L"Enable Scheduling (Disabled)");
  AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(m, MF_STRING, traycmd::kAbout, L"About Scheduled Maintenance...");
  AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(m, MF_STRING, traycmd::kClose, L"Close Scheduled Maintenance");
  return menu;
}

void TallowinAgent::ShowTrayMenu() {
  POINT at{};
  GetCursorPos(&at);
  MenuHandle menu = BuildTrayMenu();
  if (!menu) return;
  // Without the foreground the menu would not close when the user clicks
  // elsewhere; the posted WM_NULL lets it end cleanly.
  SetForegroundWindow(window_.get());
  const UINT command = area_.TrackMenu(menu.get(), window_.get(), at);
  PostMessageW(window_.get(), WM_NULL, 0, 0);
  if (command) SetForegroundWindow(window_.get());
  menu.reset();
  if (command) HandleTrayCommand(int(command));
}

void TallowinAgent::HandleTrayCommand(int command) {
  switch (command) {
    case traycmd::kAbout:
      ui::dialogs().Message(window_.get(), kAboutText, kAgentCaption, ui::MsgButtons::Ok, ui::MsgIcon::Information);
      break;
    case traycmd::kClose:
      PostMessageW(window_.get(), WM_CLOSE, 0, 0);
      break;
    case traycmd::kToggle:
      if (schedulingEnabled_) {
        schedulingEnabled_ = false;
        timer_.reset();
        SetIcon(false, kMenuTipOff);
      } else {
        schedulingEnabled_ = true;
        StartTimer();
        SetIcon(true, kMenuTipOn);
      }
      UpdateIcon();
      shell::WriteBoolSetting(shell::kScheduleKey, shell::schedval::kEnabled, schedulingEnabled_);
      break;
    case traycmd::kOpenSuite:
      // An open suite is not brought forward.
      if (!SuiteRunning()) LaunchSuite("");
      break;
    case traycmd::kSetSchedules:
      if (!SchedulingWindowOpen()) LaunchSuite("/SetSchedule");
      break;
  }
}

void TallowinAgent::LaunchSuite(const char* parameters) {
  // Launch failures are not reported: the next tick or click tries again.
  services().shellExecute("Open", QuorvelPath(), parameters);
}

void TallowinAgent::CheckSchedules() {
  for (const shell::ScheduledTool tool :
       {shell::ScheduledTool::Junk, shell::ScheduledTool::Eraser, shell::ScheduledTool::Registry}) {
    const shell::ScheduledToolInfo& info = shell::ToolInfo(tool);
    try {
      if (ToolScheduled(info.key)) RunIfDue(info.key, tool, false);
    } catch (const std::exception&) {
      // A tool whose schedule cannot be read is not due; the others still are examined.
    }
  }
}

void TallowinAgent::RunIfDue(const std::string& toolKey, shell::ScheduledTool operation, bool atShutDown) {
  // A run waited for at the session's end lets messages through; nothing
  // examines a tool meanwhile.
  if (examining_) return;
  if (RunInProgress()) return;
  if (operation == shell::ScheduledTool::Junk && TrackerWindowOpen()) return;

  // No tick can arrive while the tool is examined; this runs inside the
  // timer's own tick.
  timer_.reset();
  examining_ = true;
  struct Finally {
    TallowinAgent& agent;
    bool atShutDown;
    ~Finally() {
      agent.examining_ = false;
      // At the session's end the timer stays off (a cancelled end restarts it).
      if (!atShutDown && agent.schedulingEnabled_) agent.StartTimer();
    }
  } finally{*this, atShutDown};

  const auto next = shell::GetNextScanForAgent(toolKey);
  if (!shell::IsDue(next, NowDateTime(), atShutDown)) return;
  if (!shell::CheckFreeSpace()) return;

  const shell::ScheduledToolInfo& tool = shell::ToolInfo(operation);
  shell::RecordLaunch(toolKey);
  if (operation == shell::ScheduledTool::Eraser && atShutDown) {
    RunAndWait(shell::QuorvelCommandLine(tool.runSwitch));
  } else {
    LaunchSuite(tool.runSwitch);
  }
}

DWORD TallowinAgent::RunAndWait(const std::string& commandLine) {
  // Blanks before the program's name make Wine look for a file named by them.
  const std::string line = Trimmed(commandLine);
  std::wstring command = Widen(line);  // CreateProcessW may write into it
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                      &si, &pi)) {
    const DWORD error = GetLastError();
    // This runs while the session ends: a box would hold the shut-down, so
    // the failure goes to the eraser's scheduled log.
    try {
      shell::AppendLogLine(shell::logfile::kScheduledEraser,
                           shell::LogTimeStamp() + "  [" + line + "] " + SystemErrorText(error));
    } catch (const std::exception&) {
    }
    return error;
  }
  UniqueHandle process(pi.hProcess), thread(pi.hThread);
  ShutdownBlock block(window_.get());

  // Sleeps until the run ends or a message arrives, and handles the message;
  // a quit message is kept for the loop that owns the program's end.
  bool quit = false;
  int quitCode = 0;
  HANDLE handle = process.get();
  for (;;) {
    const DWORD r = MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (r != WAIT_OBJECT_0 + 1) break;  // ended, or the wait itself failed
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = true;
        quitCode = int(msg.wParam);
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (quit) PostQuitMessage(quitCode);
  DWORD exitCode = 0;
  if (!GetExitCodeProcess(process.get(), &exitCode)) return GetLastError();
  return exitCode;
}

}  // namespace velmora::agent
