#include "support/watched_real_state.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "platform/files.h"
#include "shell/utilities.h"

namespace velmora::test {

WatchedRealState::WatchedRealState()
    : log_("RealStateTest" + std::to_string(GetCurrentProcessId()) + ".txt"),
      quiet_(log_),
      watchdog_(GetCurrentProcessId()) {}

WatchedRealState::~WatchedRealState() { DeleteFileW(LongPathW(shell::DataFolder() + log_).c_str()); }

void WatchedRealState::ExpectNoFailureAndNoBox() {
  watchdog_.ExpectNoBox();
  if (quiet_.failed()) ADD_FAILURE() << "the tool reported an error: " << quiet_.failure();
}

std::string WatchedRealState::Said() const { return ReadTextFile(shell::DataFolder() + log_).value_or(""); }

}  // namespace velmora::test
