// Fails a test when a process under test raises a box that would wait for an
// answer. While the watchdog runs, a thread looks every 50 ms at the visible
// top-level dialog windows (the system's dialog class "#32770": message boxes,
// the shell's error and progress boxes, choosers) that belong to the watched
// process or to a process it started; each is recorded with its caption and
// texts and then closed, so a run that would wait for ever can end and the
// test can say what it showed.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmora::test {

struct SeenBox {
  DWORD process = 0;
  std::string caption;
  std::string text;  // the static texts of the box, joined by " | "
};

class BoxWatchdog {
 public:
  // Watches `process` and every process whose parent chain leads to it.
  explicit BoxWatchdog(DWORD process);
  ~BoxWatchdog();
  BoxWatchdog(const BoxWatchdog&) = delete;
  BoxWatchdog& operator=(const BoxWatchdog&) = delete;

  // Ends the watch and returns every box seen.
  std::vector<SeenBox> Stop();
  // Ends the watch and adds one test failure per box seen, naming it.
  void ExpectNoBox();

 private:
  void Watch();
  std::vector<DWORD> WatchedProcesses() const;

  DWORD root_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<SeenBox> seen_;
  std::vector<HWND> closed_;
  std::thread thread_;
};

// The texts of a dialog window as the watchdog records them.
SeenBox DescribeBox(HWND box);

}  // namespace velmora::test
