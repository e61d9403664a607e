// The replaceable outside world: what a test cannot make safe or observable.
//
// Every call that opens documents, starts programs, sets the clock, asks the
// administrator or platform question, finds the program's own folder or reads
// the current time goes through services(). The defaults call the real system;
// tests put their own functions in place (tests/support/fakes.h).
#pragma once

#include <functional>
#include <string>

namespace velmora {

struct Services {
  // ShellExecute with a verb ("open", "OPEN", "properties", ...); true on success.
  std::function<bool(const std::string& verb, const std::string& target, const std::string& params)>
      shellExecute;
  // Starts a program with a command line; true when it started.
  std::function<bool(const std::string& commandLine)> startProcess;
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
};

Services& services();
// The real implementations, for tests that restore or wrap them.
Services RealServices();

}  // namespace velmora
