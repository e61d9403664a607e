#include "ui/app.h"

#include <map>
#include <memory>

#include "ui/form.h"

namespace velmora::ui {

namespace {

constexpr UINT kTaskMessage = WM_APP + 0x101;
bool g_terminated = false;
std::map<UINT_PTR, Timer*>& Timers() {
  static std::map<UINT_PTR, Timer*> timers;
  return timers;
}

LRESULT CALLBACK MessageWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kTaskMessage) {
    std::unique_ptr<std::function<void()>> task(reinterpret_cast<std::function<void()>*>(lp));
    try {
      if (task && *task) (*task)();
    } catch (...) {
      Form::ReportException(nullptr);
    }
    return 0;
  }
  if (msg == WM_TIMER) {
    auto it = Timers().find(wp);
    if (it != Timers().end()) it->second->Fire();
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// One hidden message-only window for posted tasks and timers.
HWND MessageWindow() {
  static HWND window = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = MessageWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VelmoraMessageWindow";
    RegisterClassExW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                           nullptr);
  }();
  return window;
}

}  // namespace

void DispatchOneMessage(MSG& msg) {
  HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  Form* form = root ? Form::FromHandle(root) : nullptr;
  if (!form) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return;
  }
  // The form counts as busy for the whole message, so a handler that closes it
  // cannot pull it from under the loop.
  form->EnterHandler();
  bool consumed = false;
  try {
    consumed = form->PreTranslate(msg);
  } catch (...) {
    Form::ReportException(root);
    consumed = true;
  }
  if (!consumed) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  form->LeaveHandler();
}

void MessagePump::operator()() {
  if (gate_.Due()) ProcessMessages();
}

void ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      g_terminated = true;
      // Leave it for the outer loop that owns the application's end.
      PostQuitMessage(int(msg.wParam));
      return;
    }
    DispatchOneMessage(msg);
  }
}

int RunMessageLoop() {
  MSG msg;
  for (;;) {
    const BOOL r = GetMessageW(&msg, nullptr, 0, 0);
    if (r == 0 || r == -1) break;
    DispatchOneMessage(msg);
  }
  g_terminated = true;
  return int(msg.wParam);
}

void QuitApplication(int exitCode) {
  g_terminated = true;
  PostQuitMessage(exitCode);
}

bool Terminated() { return g_terminated; }

void PostTask(std::function<void()> task) {
  auto* heap = new std::function<void()>(std::move(task));
  if (!PostMessageW(MessageWindow(), kTaskMessage, 0, reinterpret_cast<LPARAM>(heap))) delete heap;
}

Timer::Timer(Form* owner, unsigned intervalMs, bool oneShot)
    : owner_(owner), interval_(intervalMs), oneShot_(oneShot) {
  static UINT_PTR next = 1;
  id_ = next++;
}

Timer::~Timer() { SetEnabled(false); }

void Timer::SetInterval(unsigned ms) {
  interval_ = ms;
  if (enabled_) {
    enabled_ = false;
    SetEnabled(true);
  }
}

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled) {
    Timers()[id_] = this;
    SetTimer(MessageWindow(), id_, interval_ ? interval_ : 1, nullptr);
  } else {
    KillTimer(MessageWindow(), id_);
    Timers().erase(id_);
  }
}

void Timer::Fire() {
  if (!enabled_) return;
  if (oneShot_) SetEnabled(false);
  if (!onTimer) return;
  if (owner_) {
    owner_->RunHandler(onTimer);
  } else {
    try {
      onTimer();
    } catch (...) {
      Form::ReportException(nullptr);
    }
  }
}

}  // namespace velmora::ui
