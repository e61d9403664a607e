// TMyTimer: the agent's schedule timer. A platform timer (id 1) on a hidden
// utility window of its own (class "TPUtilWindow"); each tick calls the
// callback. The agent discards the timer inside that very tick and makes a new
// one afterwards, so destroying it from within its own callback is allowed.
#pragma once

#include <windows.h>

#include <functional>

#include "platform/handles.h"

namespace velmora::agent {

class TMyTimer {
 public:
  TMyTimer(std::function<void()> callback, unsigned intervalMs);
  ~TMyTimer();
  TMyTimer(const TMyTimer&) = delete;
  TMyTimer& operator=(const TMyTimer&) = delete;

  // False when the utility window or the platform timer could not be made:
  // the object then stays without a running timer.
  bool running() const { return running_; }
  unsigned interval() const { return interval_; }
  HWND window() const { return window_.get(); }

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  std::function<void()> callback_;
  unsigned interval_;
  WindowHandle window_;
  bool running_ = false;
};

// The class name of the timers' utility windows.
inline const wchar_t* const kTimerWindowClass = L"TPUtilWindow";

}  // namespace velmora::agent
