// TfrmRegClean: "Registry Cleaner". Lists registry string values that name
// missing files or folders and shared-library counts whose library is gone,
// and deletes the listed values on request, after a verified backup of the
// whole registry. Works the same on a window never shown: the scheduled run
// sets ScheduledRun/ScheduledLog, presses btnStart (the scan runs inside the
// call; status panel 0 then reads "Scan successfully completed." or "Scan
// interrupted."), calls Remove_All (no question) and closes the window.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

#include "shell/action_log.h"
#include "shell/tool_log.h"
#include "tools/regclean/reg_scan.h"
#include "ui/app.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/form_storage.h"
#include "ui/list_view.h"
#include "ui/menus.h"
#include "ui/toolbar.h"

namespace velmora::regclean {

inline const char* const kRegCleanTopic = "Cleaning_your_system_registry";
inline const char* const kAreasKey = "\\software\\dastra\\velmora\\regclean\\pos";
inline const char* const kScanCompleted = "Scan successfully completed.";
inline const char* const kScanInterrupted = "Scan interrupted.";

// The record behind a result row.
struct RegRow : ui::RowData {
  Finding finding;
};

class TfrmRegClean : public ui::Form {
 public:
  TfrmRegClean();

  bool StopRequested = false;
  // The last scan asked for a backup that could not be made (not one stopped).
  bool BackupFailed = false;
  bool ScheduledRun = false;
  bool ScheduledLog = false;
  bool ManualLogging = false;  // read when the window is shown; an unattended run never shows it
  int RemovedCount = 0;
  std::string RootName;
  // The least time a backup or restore takes, as users have known it; tests shorten it.
  unsigned BackupPauseMs = 2000;

  ui::PopupMenu pmList{*this};
  ui::MenuItem& mnuSelected;
  ui::MenuItem& mnuAll;
  ui::MenuItem& mnuSep;
  ui::MenuItem& mnuSelectAll;
  ui::PopupMenu pmRemove{*this};
  ui::MenuItem& R1;
  ui::MenuItem& R2;

  ui::TabControl pgc;
  ui::TabPage tsOptions, tsBackup;
  ui::ListView lvScanFor;
  ui::CheckBox cbExclude, cbRescan, cbBackup;
  ui::Image Image2;
  ui::Label lblBackup;
  ui::Button cmdBackup, cmdRestore;
  ui::Button btnStart, cmdHelp, cmdExit;
  ui::Animation aviSearch;
  ui::ToolBar tb;
  ui::ListView lv;
  ui::StatusBar sb;
  ui::FormStorage storage;

  shell::ToolLog log{ScheduledRun, ScheduledLog, ManualLogging,
                     {shell::logfile::kManualRegistry, shell::logswitch::kRegistry, shell::logfile::kScheduledRegistry,
                      shell::schedulekey::kRegistry}};

  static constexpr int kTbRemove = 0;

  void btnStartClick();
  void cmdExitClick();
  void cmdRemoveClick();
  void mnuSelectedClick();
  void mnuAllClick();
  void N1Click();
  void cmdBackupClick();
  void cmdRestoreClick();
  void Image2Click();
  void cmdHelpClick();
  void lvChange();
  void lvScanForChange();

  void ScanRegistry();
  void Remove_Selected();
  void Remove_All();
  bool BackupRegistry(bool silent);
  bool RestoreRegistry();
  bool scanning() const { return scanning_; }
  // The backup file: "Registry Backup\Reg_Backup.reg" in the data folder.
  static std::string BackupPath();
  // Where removal sessions are journalled (tests give their own).
  std::string JournalFolder;
  // The last removal's session file ("" when nothing went).
  std::string LastSession;
  int toolbarHeight() const { return tb.bounds().height; }

 protected:
  void FormCreate() override;
  void FormShow() override;
  void FormCloseQuery(bool& canClose) override;
  void FormResize() override { SetToolbarHeight(tb.bounds().height); }
  bool WorkRunning() const override { return scanning_; }

 private:
  void AddRow(Finding&& f);
  // Removes the rows (all of them, or the selected ones): each value is read
  // again, what passes is recorded in one journal session written before the
  // first deletion, and only rows whose value went leave the list (the others
  // keep theirs, with the reason in the status bar and the log). Returns the
  // index of the last row removed (-1 for none). Raises "Error opening
  // registry key ..." when a key can no longer be opened; the rows before it
  // are removed all the same.
  int RemoveRows(bool all);
  void Report(const std::string& text, ui::MsgIcon icon = ui::MsgIcon::Error);
  void SetToolbarHeight(int height);
  void SelectOnly(int row);

  bool scanning_ = false;
  bool shownOnce_ = false;
  bool scanHadBackup_ = false;
  std::unordered_set<std::uint64_t> backupHashes_;
  ui::MessagePump pump_;
  ui::Throttle status_{ui::kStatusIntervalMs};
};

}  // namespace velmora::regclean
