// TfrmAddRemove: "Remove Invalid Add/Remove Links". Lists the entries of the
// system's uninstall lists whose uninstaller is proven missing and deletes
// the chosen entry's key. Three lists are read: the machine's in its 64-bit
// and in its 32-bit registry view, and the current user's. A row keeps the
// list it came from, and removal deletes that list's sub-key only.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "shell/action_log.h"
#include "shell/tool_log.h"
#include "tools/shortcuts/uninstall_rule.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/form_storage.h"
#include "ui/list_view.h"
#include "ui/menus.h"

namespace velmora::shortcuts {

inline const char* const kAddRemoveTopic = "Removing_invalid_uninstaller_information";
inline const char* const kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// One uninstall list: where it is and how the "Location" column names it.
struct UninstallSource {
  HKEY root = nullptr;
  std::string path;
  REGSAM view = 0;  // KEY_WOW64_64KEY, KEY_WOW64_32KEY or 0
  std::string location;
  bool createIfMissing = false;  // the machine's own list is made when absent
};
// HKLM in the 64-bit view, HKLM in the 32-bit view, HKCU.
std::vector<UninstallSource> DefaultUninstallSources();

class TfrmAddRemove : public ui::Form {
 public:
  // The lists to read; tests give their own (the registry sandbox has one view).
  explicit TfrmAddRemove(std::vector<UninstallSource> sources = DefaultUninstallSources());

  bool ManualLogging = true;
  int RemovedCount = 0;
  // Deletes one entry's key from its list; the system's code (0 on success).
  // Replaced by a test to see a refusal, which Wine does not give.
  std::function<long(const UninstallSource& source, const std::string& name)> DeleteEntry;
  // Where removals are journalled for undo ("" for the data folder's), and
  // the last removal's session file ("" when nothing went).
  std::string JournalFolder, LastSession;
  // How entries are judged: the environment and search path of this system;
  // `exists` is left empty for this system's files (asked afresh each build).
  UninstallEnv env;

  ui::PopupMenu pmList{*this};
  ui::MenuItem& mnuRemove;
  ui::ListView lv;
  ui::Button cmdRemove, cmdRefresh, tbHelp;
  ui::StatusBar sb;
  ui::FormStorage storage;

  void cmdRemoveClick();
  void cmdRefreshClick();
  void tbHelpClick();
  void lvChange();
  // Rebuilds the list from the sources, sorted by caption.
  void BuildList();

  shell::ToolLog log{scheduledRun_, scheduledRun_, ManualLogging,
                     {shell::logfile::kManualUninstallers, shell::logswitch::kUninstallers, nullptr, nullptr}};

 protected:
  void FormShow() override;
  void FormCloseQuery(bool& canClose) override;

 private:
  UninstallEnv JudgingEnv(PathProber& prober) const;
  std::optional<UninstallEntry> ReadEntry(const UninstallSource& source, const std::string& name) const;
  std::vector<UninstallSource> sources_;
  bool scheduledRun_ = false;  // never run unattended
};

}  // namespace velmora::shortcuts
