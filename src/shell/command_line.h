// What Quorvel does at start, from its first command-line argument.
#pragma once

#include <string>
#include <vector>

namespace velmora::shell {

enum class StartCommand {
  Launcher,       // no argument
  CompleteCache,  // "/COMPLETECACHE"
  CleanJunk,      // "/CLEANJUNK"
  CleanHistory,   // "/CLEANHISTORY"
  RegistryClean,  // "/REGISTRYCLEAN"
  SetSchedule,    // "/SETSCHEDULE"
  RecoverInstall, // "/RECOVERINSTALL": the tracker's restart entry
  Unknown,        // anything else: end at once, silently
};

// Only the first argument counts, compared upper-cased as a whole.
StartCommand ParseStartCommand(const std::vector<std::string>& arguments);

// The arguments of this process (without the program name), from the wide command line.
std::vector<std::string> ProcessArguments();

}  // namespace velmora::shell
