// The replaceable outside world: what a test cannot make safe or observable.
//
// Every call that opens documents, starts programs, sets the clock, asks the
// administrator or platform question, finds the program's own folder or reads
// the current time goes through services(). The defaults call the real system;
// tests put their own functions in place (tests/support/fakes.h).
#pragma once

#include <functional>
#include <string>

#include "platform/handles.h"

namespace velmora {

// A program started by launchProcess: its process handle, or the system's
// error code when it could not be started.
struct LaunchResult {
  UniqueHandle process;
  unsigned long error = 0;
};

struct Services {
  // ShellExecute with a verb ("open", "OPEN", "properties", ...); true on success.
  std::function<bool(const std::string& verb, const std::string& target, const std::string& params)>
      shellExecute;
  // Starts a program with a command line; true when it started.
  std::function<bool(const std::string& commandLine)> startProcess;
  // Starts a program detached from any console, at normal priority, in the
  // folder (the current one when empty); the thread handle is closed at once.
  std::function<LaunchResult(const std::string& commandLine, const std::string& folder)> launchProcess;
  // Sets the system clock to a local date-time (days since 30 December 1899).
  std::function<bool(double localDateTime)> setClock;
  // The token group test for the local Administrators group.
  std::function<bool()> tokenIsAdministrator;
  // True when running on the Windows NT family.
  std::function<bool()> isWindowsNT;
  // Folder of the running executable, ending in "\".
  std::function<std::string()> programFolder;
  // The current local date-time (days since 30 December 1899).
  std::function<double()> now;
  // The system clock in UTC (days since 30 December 1899), read and set.
  std::function<double()> utcClock;
  std::function<bool(double utc)> setUtcClock;
  // Whether a COM class is registered under the ProgID.
  std::function<bool(const std::string& progId)> automationRegistered;
  // Creates the browser automation object of the ProgID, makes it invisible,
  // lets `pump` run, calls its Quit method and releases it. False when the
  // class is unknown or cannot be created (nothing was started then).
  std::function<bool(const std::string& progId, const std::function<void()>& pump)> startAndQuitBrowser;
};

Services& services();
// The real implementations, for tests that restore or wrap them.
Services RealServices();

}  // namespace velmora
