#include "shell/run_lock.h"

namespace velmora::shell {

NamedLock::NamedLock(const wchar_t* name) : mutex_(CreateMutexW(nullptr, FALSE, name)) {}

NamedLock::~NamedLock() {
  if (held_) ReleaseMutex(mutex_);
  if (mutex_) CloseHandle(mutex_);
}

bool NamedLock::Acquire(unsigned long limitMs) {
  if (!mutex_) return false;
  const unsigned long long start = GetTickCount64();
  while (!held_) {
    DWORD wait = INFINITE;
    if (limitMs != INFINITE) {
      const unsigned long long spent = GetTickCount64() - start;
      if (spent >= limitMs) return false;
      wait = DWORD(limitMs - spent);
    }
    // Wakes for the lock or for a message, never spinning.
    const DWORD r = MsgWaitForMultipleObjects(1, &mutex_, FALSE, wait, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED_0) {
      held_ = true;
    } else if (r == WAIT_OBJECT_0 + 1) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
          // The program is ending: stop waiting, and leave the quit for its loop.
          PostQuitMessage(int(msg.wParam));
          return false;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    } else {
      return false;  // the limit passed, or the wait itself failed
    }
  }
  return true;
}

bool NamedLock::TryAcquire() {
  if (!mutex_ || held_) return held_;
  const DWORD r = WaitForSingleObject(mutex_, 0);
  held_ = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
  return held_;
}

bool LockIsHeld(const wchar_t* name) {
  HANDLE m = OpenMutexW(SYNCHRONIZE, FALSE, name);
  if (!m) return false;
  const DWORD r = WaitForSingleObject(m, 0);
  const bool free = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
  if (free) ReleaseMutex(m);
  CloseHandle(m);
  return !free;
}

}  // namespace velmora::shell
