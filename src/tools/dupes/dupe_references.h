// What points at a file: shortcuts in the Start menus, on the desktops and in
// the StartUp folders, Run and RunOnce values (both registry views), and
// uninstall entries (UninstallString, DisplayIcon, InstallLocation). A copy
// that one of them names is kept when duplicates are removed, unless the user
// says otherwise: the other copy would not stand in for it.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace velmora::dupes {

// The file paths a stored text may name: the text itself, its first quoted
// part, the part before a ",N" icon index, and the part up to the first
// program extension followed by a space (a command line with arguments).
std::vector<std::string> PathsNamedBy(const std::string& text);

class FileReferences {
 public:
  // Gathered once per removal command.
  static FileReferences Gather();

  // `user` names `text` (a command line, an icon entry or a plain path).
  void AddNamed(const std::string& text, const std::string& user);
  // `user` is installed in `folder`: every file below it is used by it.
  void AddFolder(const std::string& folder, const std::string& user);
  // "the shortcut X, the Run value Y" (empty when nothing names the file).
  std::string UsersOf(const std::string& path) const;

 private:
  std::map<std::string, std::vector<std::string>> byPath_;  // upper-cased paths
  std::vector<std::pair<std::string, std::string>> folders_;
};

}  // namespace velmora::dupes
