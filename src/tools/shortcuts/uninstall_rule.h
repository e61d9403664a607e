// When an entry of the system's uninstall list is listed as invalid: its
// uninstaller (or the file it is handed) is proven missing. Window-free: the
// file system, the environment and the program search path come through
// UninstallEnv, so the rule is tested as a table and can be fuzzed.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/path_state.h"

namespace velmora::shortcuts {

struct UninstallEnv {
  std::function<PathState(const std::string& path)> exists;
  std::function<std::string(const std::string& text)> expand;  // %NAME% references
  // A bare program name ("MsiExec.exe") found on the system's search path.
  std::function<std::optional<std::string>(const std::string& name)> searchPath;
  // The Windows folder, no final "\": a 32-bit program's "System32" is its SysWOW64.
  std::string windowsFolder;
};

// The parts of an uninstall command that are tested: the program (the quoted
// first token, or the text up to the first ".EXE" that ends a name: followed
// by the end, a blank, a quote or "/") and the second path (from the last
// drive letter up to where the command's next argument begins: a closing
// quote when the path is quoted, else a blank followed by "-" or "/"; empty
// when it carries a switch or is the program).
struct UninstallParts {
  std::string program;  // empty: no program path in the command
  std::string second;
  // An unquoted command may hold a blank after ".EXE" inside a folder name
  // ("C:\Setup.exe Files\u.exe"): the longer readings of the program, in
  // order, tried when the first is not there (as the system runs such a
  // command). Kept as where each ends in `command` (the trimmed command), so
  // a command with many ".EXE" costs memory in its length, not its square;
  // readings longer than the longest path the system takes are left out.
  std::string command;
  std::vector<std::size_t> longerEnds;
  std::string LongerProgram(std::size_t i) const { return command.substr(0, longerEnds[i]); }
};
// The longest path the system opens, in UTF-16 code units.
inline constexpr std::size_t kLongestPath = 32767;
UninstallParts SplitUninstallCommand(const std::string& command);

struct UninstallEntry {
  std::string keyName;
  bool hasDisplayName = false;
  std::optional<std::string> uninstallString;  // absent or not a string: nullopt
  bool systemComponent = false;                // "SystemComponent" = 1
  bool windowsInstaller = false;               // "WindowsInstaller" = 1
  bool view32 = false;                         // from the 32-bit view of the list
};

// True when the entry is listed for removal.
bool IsInvalidUninstallEntry(const UninstallEntry& entry, const UninstallEnv& env);

}  // namespace velmora::shortcuts
