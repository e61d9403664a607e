// The named locks of scheduled maintenance, per log-on session: one held by
// every unattended run of the suite (so the agent and a second run wait for
// it), and one held by the tray agent for its whole life (so a second agent
// ends at once).
#pragma once

#include <windows.h>

#include "platform/handles.h"

namespace velmora::shell {

inline const wchar_t* const kRunLockName = L"Local\\VelmoraScheduledRun";
inline const wchar_t* const kAgentLockName = L"Local\\VelmoraTallowinAgent";

// Holds a named lock for its life. Acquire waits, letting the thread's
// messages run, until the lock is free; a lock its last holder left without
// releasing (a crashed run) counts as acquired.
class NamedLock {
 public:
  explicit NamedLock(const wchar_t* name);
  ~NamedLock();
  NamedLock(const NamedLock&) = delete;
  NamedLock& operator=(const NamedLock&) = delete;

  // Waits (letting messages run) until held, at most `limitMs` (INFINITE: no
  // limit); false when the lock cannot be made, the limit passed, or a quit
  // message arrived (it is posted again for the loop that owns the end).
  bool Acquire(unsigned long limitMs = INFINITE);
  // Takes it only when free now.
  bool TryAcquire();
  bool held() const { return held_; }

 private:
  HANDLE mutex_ = nullptr;
  bool held_ = false;
};

// True while some process of this session holds the lock.
bool LockIsHeld(const wchar_t* name);

}  // namespace velmora::shell
