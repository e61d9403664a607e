// A test on the prefix's own state: the whole registry (no sandbox, no
// redirected roots), the real temporary and profile folders, the real program
// folder where the suite's programs beside the test write their logs. What the
// suite writes is put back afterwards: its settings tree ("Software\Dastra"
// under HKEY_CURRENT_USER, saved at the start and restored), its values in the
// Run and RunOnce keys of both roots, and the files and folders that appeared
// in the program folder during the test. The temporary and profile folders are
// only read unless the test makes scratch entries of its own there.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/registry.h"

namespace velmora::test {

class RealState {
 public:
  RealState();
  ~RealState();
  RealState(const RealState&) = delete;
  RealState& operator=(const RealState&) = delete;

  // The folder of the test program and the suite's programs, ending in "\".
  const std::string& programFolder() const { return programFolder_; }
  // What GetTempPathW and USERPROFILE name in this process, ending in "\".
  static std::string TempFolder();
  static std::string ProfileFolder();

 private:
  struct RunKey {
    HKEY root;
    std::string path;
    std::map<std::string, RegValue> values;
  };
  std::string programFolder_;
  std::set<std::string> programEntries_;
  std::string savedSettings_;  // where the settings tree was copied, empty when there was none
  RunKey runKeys_[4];
};

}  // namespace velmora::test
