// TfrmStartMenu: "Find and Fix Invalid Windows Shortcuts". Walks the ticked
// drives (or only the Start Menus) for ".lnk" files whose target is proven
// missing, and removes them (recycle bin, for good, or into a folder) or
// repairs them: a walk of each drive finds files named like the lost targets,
// or the user browses for the new target.
//
// Each shortcut is read on the scan session's probing thread (a read is the
// dear part of the scan); the rows are made on the window's thread in the
// order the walk found the files.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "scan/disk_list_view.h"
#include "scan/file_list_view.h"
#include "scan/scan_session.h"
#include "scan/tree_scanner.h"
#include "shell/action_log.h"
#include "shell/removal.h"
#include "shell/shell_link.h"
#include "shell/tool_log.h"
#include "ui/app.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/form_storage.h"
#include "ui/list_view.h"
#include "ui/menus.h"
#include "ui/toolbar.h"

namespace velmora::shortcuts {

inline const char* const kShortcutsTopic = "Fixing_and_removing_invalid_Windows_shortcuts";
inline const char* const kShortcutsStorageKey = "software\\dastra\\Velmora\\shortcuts";
inline const char* const kShortcutsDrivesKey = "\\Software\\Dastra\\Velmora\\Shortcuts";

// What the probing thread found out about one ".lnk".
struct LinkProbe {
  bool listed = false;  // readable, and its target is proven missing
  shell::TShellLinkInfo info;
  std::string target;  // the target judged: the stored long path, expanded
  scan::KnownFile file;  // the ".lnk" as the walk listed it
};

// What a row keeps: the shortcut's exact path, its target, and the files a
// search for moved targets found for it (the first is the new target).
struct ShortcutRow : ui::RowData {
  std::string link;
  scan::KnownFile file;  // the ".lnk" as the walk listed it
  std::string target;
  std::vector<std::string> found;
};

class TfrmStartMenu : public ui::Form {
 public:
  TfrmStartMenu();
  ~TfrmStartMenu() override;

  bool ManualLogging = true;
  int ShortcutsFixed = 0;
  int ShortcutsRemoved = 0;
  std::int32_t BytesRecovered = 0;  // stored as a 32-bit statistic
  bool Stopped = false;

  // Where a drive's walk starts, and the Start Menu folders (the user's and
  // the common one). Replaced by tests to keep walks in their own folders.
  std::function<std::string(char letter)> DriveRoot;
  std::function<std::vector<std::string>()> StartMenuFolders;

  // Menus first: controls refer to them.
  ui::PopupMenu pmList{*this};
  ui::MenuItem& mnuBrowse;
  ui::MenuItem& mnuFix;
  ui::MenuItem& mnuClean;
  ui::MenuItem& mnuSep1;
  ui::MenuItem& mnuscan;
  ui::PopupMenu pmRemove{*this};
  ui::MenuItem& mnuRemoveSel;
  ui::MenuItem& mnuRemoveAll;
  ui::PopupMenu pmFix{*this};
  ui::MenuItem& mnuFixSel;
  ui::MenuItem& mnuFixall;
  ui::MenuItem& mnuSep2;
  ui::MenuItem& mnuBrowseFor;

  ui::TabControl PageControl1;
  ui::TabPage tsWhere, tsRemoval;
  ui::CheckBox cbStartMenu, cbCleanAfter;
  scan::TDiskListView DiskListView1;
  ui::CheckBox cbExclude, cbAutoFind;
  // The shared removal page, its controls under their own names.
  shell::TRemovalPage removal;
  ui::RadioButton &optRecycle, &optDelete, &optMove;
  ui::EditWithBrowse& deMove;
  ui::CheckBox& cbConfirm;
  ui::Button cmdGo, cmdHelp, cmdExit;
  ui::Animation aviSearch;
  ui::ToolBar tb;
  ui::ListView lvLinks;
  ui::StatusBar sb;
  ui::ProgressBar pg;

  scan::TTreeScanner ts, tsFix;
  ui::FormStorage storage;

  // Tool-bar buttons.
  static constexpr int kTbRemove = 0, kTbFix = 1, kTbFind = 2;

  void cmdGoClick();
  void cmdExitClick();
  void cmdHelpClick();
  void cmdRemoveClick();  // the selected rows
  void mnuRemoveAllClick();
  void cmdFindClick();    // search for moved targets
  void mnuFixClick();     // repair the selected rows that have a new target
  void mnuFixallClick();
  void mnuBrowseClick();  // browse for the first selected row's target
  void lvLinksChange();
  void cbStartMenuClick();

  // Texts a row shows beyond its caption.
  std::string Target(int row) const { return lvLinks.SubItem(row, 0); }
  std::string Location(int row) const { return lvLinks.SubItem(row, 1); }
  std::string NewTarget(int row) const { return lvLinks.SubItem(row, 3); }

  shell::ToolLog log{scheduledRun_, scheduledRun_, ManualLogging,
                     {shell::logfile::kManualShortcuts, shell::logswitch::kShortcuts, nullptr, nullptr}};
  int toolbarHeight() const { return tb.bounds().height; }
  bool running() const { return running_; }

 protected:
  void FormCreate() override;
  void FormShow() override;
  void FormCloseQuery(bool& canClose) override;
  void FormResize() override { SetToolbarHeight(tb.bounds().height); }
  bool WorkRunning() const override { return running(); }

 private:
  void EnterRunState();
  void LeaveRunState();
  void SetToolbarHeight(int height);
  void DrivesChanged();
  void UpdateCommands();
  void SelectNear(int index);
  std::string CheckedDrives() const;
  LinkProbe ProbeLink(const scan::FoundFile& found);
  void ListLink(scan::FoundFile& found, LinkProbe& probe);
  void AddRow(const std::string& link, LinkProbe& probe);
  void SearchMovedTargets();
  bool RepairRow(int row, const std::string& newTarget);
  // Removes one row's shortcut when its target is still missing; Removed when it left its path.
  shell::RemovalStatus RemoveLink(const ShortcutRow& row);
  void RemoveRows(bool all);
  bool ProtectedGroup(const std::string& folder) const;

  // Per scan, for the probing thread: the drive kinds, the exclusion and the
  // existence answers, all settled before the walk starts.
  struct ScanRules {
    std::array<unsigned, 26> driveTypes{};
    bool exclude = true;
    PathProber prober;
  };
  std::unique_ptr<ScanRules> rules_;
  shell::ShellLinkReader* reader_ = nullptr;  // the probing thread's, while it runs
  scan::ScanSession<LinkProbe> session_;
  ui::Throttle analyzing_{ui::kStatusIntervalMs};
  ui::Throttle searching_{ui::kStatusIntervalMs};
  std::string moveFolder_;
  bool running_ = false;
  bool closeAsked_ = false;  // a close waits for the running command
  bool scheduledRun_ = false;  // never run unattended
};

}  // namespace velmora::shortcuts
