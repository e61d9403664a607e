// The message pump, posted tasks and timers of the user-interface thread.
#pragma once

#include <windows.h>

#include <functional>

namespace velmora::ui {

class Form;

// Runs every pending message (with the same key preview, F1, shortcut and dialog
// key handling as the main loop) and returns. Long work on the user-interface
// thread calls it at each step so Stop, Cancel and Exit clicks arrive.
void ProcessMessages();
// Opens at most once per interval: long work that reports or pumps at every
// step (each pump under Wine is a round trip to the server, even with nothing
// waiting) asks this first. The first question after Reset is always yes.
class Throttle {
 public:
  explicit Throttle(unsigned intervalMs) : interval_(intervalMs) {}
  bool Due() {
    const unsigned long long now = GetTickCount64();
    if (primed_ && now - last_ < interval_) return false;
    primed_ = true;
    last_ = now;
    return true;
  }
  void Reset() { primed_ = false; }

 private:
  unsigned interval_;
  unsigned long long last_ = 0;
  bool primed_ = false;
};

// The hourglass for the length of a scope; the previous cursor comes back
// however the scope ends.
class WaitCursor {
 public:
  WaitCursor() : old_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(old_ ? old_ : LoadCursorW(nullptr, IDC_ARROW)); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR old_;
};

// How often long work lets messages run, and how often it rewrites a status text.
constexpr unsigned kPumpIntervalMs = 10;
constexpr unsigned kStatusIntervalMs = 100;

// ProcessMessages at most every kPumpIntervalMs; the first call after Reset
// always runs. Long work calls it at every step.
class MessagePump {
 public:
  void operator()();
  void Reset() { gate_.Reset(); }

 private:
  Throttle gate_{kPumpIntervalMs};
};

// Runs the main loop until QuitApplication; returns the exit code.
int RunMessageLoop();
// Ends the main loop (posts WM_QUIT); nested loops end too.
void QuitApplication(int exitCode = 0);
// True once the quit message has been seen by any loop.
bool Terminated();

// Handles one retrieved message the way every loop of this layer does.
void DispatchOneMessage(MSG& msg);

// Runs a call later from the message loop (after the messages already queued).
void PostTask(std::function<void()> task);

// A timer on a hidden message window. Its handler runs as a handler of the
// owner form (when one is given): counted for deferred destruction, exceptions
// reported through dialogs().
class Timer {
 public:
  explicit Timer(Form* owner = nullptr, unsigned intervalMs = 1000, bool oneShot = false);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  std::function<void()> onTimer;

  void SetInterval(unsigned ms);  // restarts a running timer
  unsigned interval() const { return interval_; }
  // A one-shot timer stops itself before its handler runs.
  void SetOneShot(bool oneShot) { oneShot_ = oneShot; }
  bool oneShot() const { return oneShot_; }
  void SetEnabled(bool enabled);
  bool enabled() const { return enabled_; }
  void Start() { SetEnabled(true); }
  void Stop() { SetEnabled(false); }

  // Internal: called by the message window.
  void Fire();

 private:
  Form* owner_;
  unsigned interval_;
  bool oneShot_;
  bool enabled_ = false;
  UINT_PTR id_;
};

}  // namespace velmora::ui
