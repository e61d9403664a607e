#include "agent/my_timer.h"

namespace velmora::agent {

namespace {

constexpr UINT_PTR kTimerId = 1;

void RegisterTimerClass(WNDPROC proc) {
  static const bool registered = [proc] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kTimerWindowClass;
    return RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
}

}  // namespace

TMyTimer::TMyTimer(std::function<void()> callback, unsigned intervalMs)
    : callback_(std::move(callback)), interval_(intervalMs) {
  RegisterTimerClass(&TMyTimer::WndProc);
  // A message-only window: it never shows and never receives broadcasts.
  window_.reset(CreateWindowExW(0, kTimerWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr));
  if (!window_) return;
  SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  running_ = SetTimer(window_.get(), kTimerId, interval_, nullptr) != 0;
}

TMyTimer::~TMyTimer() {
  if (!window_) return;
  // Unbound first: a tick already on its way finds no object behind the window.
  SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
  if (running_) KillTimer(window_.get(), kTimerId);
}

LRESULT CALLBACK TMyTimer::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != WM_TIMER) return DefWindowProcW(hwnd, msg, wp, lp);
  auto* self = reinterpret_cast<TMyTimer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self || wp != kTimerId) return 0;
  // The callback may destroy this timer: run a copy, and touch nothing of the
  // object afterwards.
  const std::function<void()> callback = self->callback_;
  try {
    if (callback) callback();
  } catch (...) {
    // No exception may cross into Windows; the callback reports its own faults.
  }
  return 0;
}

}  // namespace velmora::agent
