// TfrmJunk: "Find and Clean Junk and Obsolete Files". Finds files that match the
// pattern table, every file of the temporary folder and zero-length files on
// the ticked drives, and removes the selected ones to the recycle bin, for
// good, or into a folder. Works the same on a window never shown: the
// scheduled run sets ScheduledRun/ScheduledLog, calls cmdGoClick, waits for
// cmdGo to read "&Scan" again, selects every row, calls cmdDeleteClick and
// closes the window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/handles.h"
#include "shell/action_log.h"
#include "shell/artwork.h"
#include "shell/removal.h"
#include "scan/disk_list_view.h"
#include "scan/file_list_view.h"
#include "scan/scan_session.h"
#include "scan/tree_scanner.h"
#include "shell/tool_log.h"
#include "tools/junk/file_probe.h"
#include "tools/junk/junk_logic.h"
#include "ui/app.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/form_storage.h"
#include "ui/menus.h"
#include "ui/toolbar.h"

namespace velmora::junk {

class TfrmJunk : public ui::Form {
 public:
  TfrmJunk();
  ~TfrmJunk() override;

  // Mode flags and totals.
  bool ScheduledRun = false;
  bool ScheduledLog = false;
  bool ManualLogging = true;
  std::int64_t SpaceRecovered = 0;
  std::int64_t FilesRemoved = 0;

  // Where a drive letter's pass starts (L + ":\") and the temporary folder
  // (GetTempFolder). Replaced only by tests, to keep their scans inside their
  // own folders.
  std::function<std::string(char letter)> DriveRoot;
  std::function<std::string()> TempFolder;

  // Menus first: controls refer to them.
  ui::PopupMenu PopupMenu1{*this};
  ui::MenuItem& mnuAddNew;
  ui::MenuItem& mnuEdit;
  ui::MenuItem& mnuRemove;
  ui::MenuItem& mnuSep1;
  ui::MenuItem& mnuCheck;
  ui::MenuItem& mnuUncheck;
  ui::PopupMenu pmList{*this};
  ui::MenuItem& mnuDelete;
  ui::MenuItem& mnuSelAll;
  ui::MenuItem& mnuSep2;
  ui::MenuItem& mnuView;
  ui::MenuItem& mnuProps;
  ui::PopupMenu pmDelete{*this};
  ui::MenuItem& R1;  // "&Remove Selected File(s)"
  ui::MenuItem& D1;  // "Remove &all listed files"

  ui::TabControl PageControl1;
  ui::TabPage tsFiles, tsDrives, tsOther, tsRemoval;
  // Files to Find
  ui::ListView lvScan;
  ui::Button cmdAddNew, cmdEdit, cmdRemove;
  // Drive(s) to Scan
  ui::Label lblDrives;
  scan::TDiskListView DiskListView1;
  // Other Considerations
  ui::CheckBox cbDays;
  ui::NumberEdit udDays;  // the days box and its spin (meDays/udDays)
  ui::Label lblDays;
  ui::CheckBox cbSkipAttr, cbInUse, cbTemp, cbZeroLength;
  // Removal: the shared page, its controls under their own names.
  shell::TRemovalPage removal;
  ui::RadioButton &optRecycle, &optDelete, &optMove;
  ui::EditWithBrowse& deMove;
  ui::CheckBox& cbConfirm;
  // Search buttons and animation
  ui::Button cmdGo, cmdHelp, cmdExit;
  ui::Animation aviSearch;
  // Results
  ui::ToolBar tb;
  scan::TFileListView lv;
  ui::StatusBar sb;
  ui::ProgressBar pg;

  scan::TTreeScanner ts, tsZero;
  ui::FormStorage storage;

  // Toolbar button indexes.
  static constexpr int kTbDelete = 0, kTbView = 1, kTbProps = 2;

  // Handlers.
  void cmdGoClick();
  void cmdAddNewClick();
  void lvScanDblClick();
  void cmdRemoveClick();
  void mnuCheckClick();
  void mnuUncheckClick();
  void cbZeroLengthClick();
  void cmdHelpClick();
  void cmdExitClick();
  void cmdDeleteClick();
  void D1Click();
  void mnuSelAllClick();
  void cmdViewClick();
  void cmdPropsClick();
  void lvDblClick();
  void lvChange();
  void lvScanChange();

  // Scan steps.
  void RunScan();
  void ScanStart();
  void ScanEnd(bool completed);
  // True skips the file: read-only or system, used too recently, or in use,
  // as the probe of the file found it.
  bool RestrictedFile(const FileProbe& probe);
  // Removes one listed file through the removal page (in use: left alone).
  shell::RemovalResult Perform_Delete(const scan::FileRow& file);
  // The listed files' bytes, from the rows' records.
  std::int64_t NumBytes() const;
  // The table as shown, for saving and for tests.
  std::vector<PatternRow> PatternTable() const;
  // The manual or scheduled junk log, as the flags above choose.
  shell::ToolLog log{ScheduledRun, ScheduledLog, ManualLogging,
                     {shell::logfile::kManualJunk, shell::logswitch::kJunk, shell::logfile::kScheduledJunk,
                      shell::schedulekey::kJunk}};
  int toolbarHeight() const { return tb.bounds().height; }

 protected:
  void FormCreate() override;
  void FormDpiChanged() override;
  void FormShow() override;
  void FormCloseQuery(bool& canClose) override;
  bool WorkRunning() const override { return busy_ != Busy::Idle; }
  void FormResize() override;

 private:
  // Which pass found a file: the listing already knows it is empty for the second.
  enum Pass { kPatternPass = 0, kZeroPass = 1 };
  void tsFileFound(scan::TTreeScanner& s);
  void tsZeroFileFound(scan::TTreeScanner& s);
  void tsDirectoryFound(scan::TTreeScanner& s);
  void tsSearchDone(scan::TTreeScanner& s);
  bool PassesCommonFilter(scan::TTreeScanner& s);
  void ListFile(scan::FoundFile& found, FileProbe& probe);
  // The row image of a file: its own icon when it may hold one, else 0.
  int AssociatedIcon(const std::string& path, bool mayHoldIcons);
  void DrivesChanged();
  void SetToolbarHeight(int height);
  void UpdatePatternCommands();
  void SelectOnlyRow(int row);
  // The selected rows whose files were removed.
  void RemoveSelectedRows(const std::unordered_set<std::string>& removed);

  // One command at a time: a scan or a removal. A close asked for meanwhile
  // waits for the work's end (a scan is stopped first).
  enum class Busy { Idle, Scanning, Removing };
  struct BusyScope {
    BusyScope(TfrmJunk& form, Busy state);
    ~BusyScope();
    TfrmJunk& f;
  };
  void CloseIfAsked();
  Busy busy_ = Busy::Idle;
  ui::MessagePump pump_;  // during a removal
  bool closeAsked_ = false;

  std::unique_ptr<shell::FileIconList> fileIcons_;
  // Each found file is opened once, on the session's probing thread, and
  // judged here in the order found. Runs for one scan (cmdGoClick).
  scan::ScanSession<FileProbe> session_;
  // The pattern pass records each drive's empty files, so the zero-length pass
  // need not walk the drive again.
  std::vector<scan::WalkRecord> emptyFiles_;
  std::string moveFolder_;  // deMove's text, read once per scan
  std::string tempSkipped_;  // why this scan left the temporary folder out
};

}  // namespace velmora::junk
