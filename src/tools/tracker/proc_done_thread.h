// TProcDoneThread: waits on its own thread for a launched setup program to
// end, and hands the end back to the window's thread as a posted message.
//
// The object owns the process handle, the thread and a detach event, and
// belongs to the window that launched the program. When the window goes
// first, the object's destruction raises the detach event: the thread wakes,
// closes the process handle and ends without touching the window.
#pragma once

#include <windows.h>

#include <functional>

#include "platform/handles.h"

namespace velmora::tracker {

class TProcDoneThread {
 public:
  // Given the process and its completion before the wait begins. When the
  // process ends, `message` is posted to `window` with this object's address
  // as its lParam; the window then calls Complete() on its own thread.
  TProcDoneThread(UniqueHandle process, std::function<void()> completion, HWND window, UINT message);
  // Detaches and waits for the thread, which ends at once.
  ~TProcDoneThread();
  TProcDoneThread(const TProcDoneThread&) = delete;
  TProcDoneThread& operator=(const TProcDoneThread&) = delete;

  // False when the thread could not be started (nothing will be posted).
  bool started() const { return bool(thread_); }
  // On the window's thread, after the message: runs the completion.
  void Complete();
  // The thread's wait is over (the process ended or the object detached).
  bool finished() const;

 private:
  static DWORD WINAPI Run(void* self);
  UniqueHandle process_;
  UniqueHandle detach_;
  UniqueHandle thread_;
  std::function<void()> completion_;
  HWND window_;
  UINT message_;
};

}  // namespace velmora::tracker
