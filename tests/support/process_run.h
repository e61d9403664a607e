// Starts the suite's real programs (Quorvel.exe, Tallowin.exe, beside the test
// program) as the shell and the agent start them, with an environment of the
// test's choosing, a box watchdog on them, and a limit on the wait: a process
// that has not ended by then is ended and reported as hung.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/box_watchdog.h"

namespace velmora::test {

// One environment variable changed for the child: set to a value, or removed.
struct EnvChange {
  std::string name;
  std::optional<std::string> value;
};

// TEMP and TMP both set to `value` (or both removed): the odd temporary folders
// a clean-up must refuse (a drive root, the profile, the Windows folder, a
// missing folder, an 8.3 form, none at all).
std::vector<EnvChange> TempFolderIs(const std::optional<std::string>& value);

// The full path of one of the suite's programs beside the test program.
std::string SuiteProgram(const std::string& exeName);

class SuiteProcess {
 public:
  // Starts `exe` (a full path) with `arguments`; with `watch`, a box watchdog
  // follows it and every process it starts.
  SuiteProcess(const std::string& exe, const std::string& arguments, const std::vector<EnvChange>& env = {},
               bool watch = true);
  ~SuiteProcess();  // ends the process if it is still running
  SuiteProcess(const SuiteProcess&) = delete;
  SuiteProcess& operator=(const SuiteProcess&) = delete;

  bool started() const { return process_ != nullptr; }
  DWORD pid() const { return pid_; }
  HANDLE handle() const { return process_; }
  // True when it ended within `ms`.
  bool Wait(unsigned ms);
  // The exit code once ended.
  int exitCode() const;
  void Kill();
  // The boxes the watchdog saw (and closed) so far; ends the watch.
  std::vector<SeenBox> StopWatch();
  // Adds a test failure for every box seen; ends the watch.
  void ExpectNoBox();

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
  std::unique_ptr<BoxWatchdog> watchdog_;
};

struct RunOutcome {
  bool ended = false;  // false: still running at the limit (ended by the test)
  int exitCode = -1;
  unsigned long elapsedMs = 0;
  std::vector<SeenBox> boxes;
};

// Runs a program to its end (at most `limitMs`) with the watchdog on.
RunOutcome RunToEnd(const std::string& exe, const std::string& arguments, unsigned limitMs,
                    const std::vector<EnvChange>& env = {});

// The boxes of an outcome as one text for a failure message.
std::string BoxesText(const std::vector<SeenBox>& boxes);

// Processes now running from a file of that name (any folder, any case), and
// ending them (a test that proves a program did not start cleans up after a
// failure).
int ProcessesNamed(const std::string& exeName);
void EndProcessesNamed(const std::string& exeName);
// Closes this process's top-level windows of a class (a dialog the shell opened).
void CloseWindowsOfThisProcess(const wchar_t* className);

}  // namespace velmora::test
