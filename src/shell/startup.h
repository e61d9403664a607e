// Quorvel's start-up: the shared form first, then the command line decides
// between the launcher, cache completion and ending at once.
#pragma once

#include <string>
#include <vector>

#include "shell/navigator.h"

namespace velmora::shell {

// Runs the program for these arguments (without the program name); returns the
// exit code. The launcher's buttons open what `actions` gives them.
int RunQuorvel(const std::vector<std::string>& arguments, const LauncherActions& actions);

// "/COMPLETECACHE": the progress window in the corner while the recorded
// browser folders are emptied and their values deleted.
void RunCacheCompletion();

}  // namespace velmora::shell
