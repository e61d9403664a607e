// A tool window driven in this process on the prefix's real state, with
// nothing able to wait on a box: the suite's own unattended dialogs are in
// place (a question is answered with the button that changes nothing and
// logged, an error marks the scope as failed), and a box watchdog on this
// process closes and names any box that does not go through them (the shell's
// own, a system error box).
#pragma once

#include <memory>
#include <string>

#include "shell/quiet_run.h"
#include "support/box_watchdog.h"

namespace velmora::test {

class WatchedRealState {
 public:
  WatchedRealState();
  ~WatchedRealState();
  WatchedRealState(const WatchedRealState&) = delete;
  WatchedRealState& operator=(const WatchedRealState&) = delete;

  // Adds a test failure for an error the tool reported and for every box seen.
  void ExpectNoFailureAndNoBox();
  // What the tool said (messages and questions), as logged.
  std::string Said() const;

 private:
  std::string log_;
  shell::QuietRun quiet_;
  BoxWatchdog watchdog_;
};

}  // namespace velmora::test
