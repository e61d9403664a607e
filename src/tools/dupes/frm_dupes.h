// TfrmFindDupes: "Find Duplicate Files". Collects the files of the ticked
// drives (or of chosen folders) as records in key order, turns each run of
// equal keys into groups of files proven equal, lists the groups and removes
// the selected copies, never the last one of a group. Results are kept in
// "Duplicate_Files.txt" between windows.
//
// The walk runs on the window's thread and lets messages run; the comparison
// runs in the search engine (dupe_search.h) on a thread of its own while the
// window waits with its messages, showing the progress and taking the groups
// in order. Stop arrives as a nested btnSearchClick that only raises the
// flags. A scan and a removal never run at once.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "scan/disk_list_view.h"
#include "scan/file_list_view.h"
#include "scan/tree_scanner.h"
#include "shell/action_log.h"
#include "shell/removal.h"
#include "shell/artwork.h"
#include "shell/tool_log.h"
#include "tools/dupes/dupe_files.h"
#include "tools/dupes/dupe_logic.h"
#include "tools/dupes/dupe_search.h"
#include "ui/app.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/form_storage.h"
#include "ui/list_view.h"
#include "ui/menus.h"
#include "ui/toolbar.h"

namespace velmora::dupes {

enum class ScanMode { Normal, Master, Filtered };

class TfrmFindDupes : public ui::Form {
 public:
  TfrmFindDupes();
  ~TfrmFindDupes() override;

  // Where a drive letter's walk starts (L + ":\"); replaced by tests to keep
  // their walks inside their own folders.
  std::function<std::string(char letter)> DriveRoot;

  // Outcome of the last comparison or reload, and what was removed since shown.
  std::int64_t FoundDuplicates = 0;
  std::int64_t FoundBytes = 0;
  std::int64_t RemovedBytes = 0;
  std::int64_t RemovedFiles = 0;
  bool DupesLogging = true;
  bool KeepRunning = false;
  bool Comparing = false;

  // Menus first: controls refer to them.
  ui::PopupMenu PopupMenu1{*this}, PopupMenu2{*this}, PopupMenu3{*this}, PopupMenu4{*this};
  ui::MenuItem &mnuAdd1, &mnuEdit1, &mnuRemove1, &mnuSep1, &mnuCheck1, &mnuUncheck1;
  ui::MenuItem &mnuAdd2, &mnuEdit2, &mnuRemove2, &mnuSep2, &mnuCheck2, &mnuUncheck2;
  ui::MenuItem &mnuAdd3, &mnuEdit3, &mnuRemove3, &mnuSep3, &mnuCheck3, &mnuUncheck3;
  ui::MenuItem &mnuAdd4, &mnuEdit4, &mnuRemove4, &mnuSep4, &mnuCheck4, &mnuUncheck4;
  ui::PopupMenu pmPopup{*this};
  ui::MenuItem &mnuRemoveFiles, &mnuViewFile, &mnuProperties, &mnuExclude;

  ui::TabControl pg;
  ui::TabPage tsDrives, tsFiles, tsFolders, tsExclusions, tsOptions, tsRemoval;
  // Drive(s) to Scan
  scan::TDiskListView DiskListView1;
  // Files
  ui::RadioButton optAllFiles, optNamed;
  ui::ListView lvFiles;
  ui::Button cmdAddFile, cmdEditFile, cmdRemoveFile;
  // Folders
  ui::RadioButton optAllFolders, optFolderNames;
  ui::ListView lvFolders;
  ui::Button cmdAddFolder, cmdEditFolder, cmdRemoveFolder;
  // Exclusions
  ui::Label lblExcludedFolders;
  ui::ListView lvExclude;
  ui::Button cmdAddNew, cmdEditExclude, cmdRemove;
  ui::Label lblExcludedFiles;
  ui::ListView lvXFiles;
  ui::Button cmdAddExFile, cmdEditExFile, cmdRemoveExFile;
  // Find Options
  ui::GroupBox grpRequirements;
  ui::CheckBox chkCheckFileTimestamp, chkCheckFilename, chkCheckFilesize;
  ui::GroupBox grpAdvanced;
  ui::CheckBox chkFloppyIsMaster, chkSkipSysbckup, chkSkipDesktopFolders, chkSkipEmptyFiles;
  // Removal: the shared page, its controls under their own names.
  shell::TRemovalPage removal;
  ui::RadioButton &optRecycle, &optDelete, &optMove;
  ui::EditWithBrowse& deMove;
  ui::CheckBox& cbConfirm;
  // Commands
  ui::Button btnSearch, cmdHelp, btnExit;
  ui::Animation aviSearch;
  // Results
  ui::ToolBar tb;
  scan::TFileListView FileListView1;
  ui::StatusBar sb;
  ui::ProgressBar ProgressBar1;

  scan::TTreeScanner TreeScanner1;
  ui::FormStorage storage;
  // The skip-list and reload questions, once, 100 ms after creation.
  ui::Timer Timer1{this, 100, true};

  static constexpr int kTbDelete = 0, kTbView = 1, kTbProperties = 2, kTbExclude = 3;

  // Handlers.
  void btnSearchClick();
  void btnExitClick();
  void cmdHelpClick();
  void optNamedClick();
  void optAllFoldersClick();
  void optNamedMouseUp();
  void optFolderNamesMouseUp();
  void cmdAddFileClick();
  void lvFilesDblClick();
  void cmdRemoveFileClick();
  void cmdAddFolderClick();
  void lvFoldersDblClick();
  void cmdRemoveFolderClick();
  void cmdAddNewClick();
  void lvExcludeDblClick();
  void cmdRemoveClick();
  void cmdAddExFileClick();
  void lvXFilesDblClick();
  void cmdRemoveExFileClick();
  void cmdDeleteClick();
  void FileListView1DblClick();  // the quick view
  void cmdPropertiesClick();
  void DropGoneRow(int row);
  void cmdExcludeClick();
  void FileListView1Change();
  void FileListView1Click();
  void Timer1Timer();

  // Search steps.
  void CollectCandidates();
  void CompareCandidates();

  // Status texts and the files of the result list.
  void ShowFoundStatus();
  void ShowRemovedStatus();
  std::int64_t NumFiles() const;
  std::string SelectedFilePath() const;
  std::vector<ResultRow> ResultRows() const;
  void SaveResults() const;
  // Reads "Duplicate_Files.txt" into the list (the reload after its question).
  void ReloadResults();

  // The rows of an editable list, for saving and for tests.
  static std::vector<ListRow> RowsOf(const ui::ListView& list);
  int toolbarHeight() const { return tb.bounds().height; }
  // The number of candidates collected by the last walk (for tests and the benchmark).
  std::size_t collectedCount() const { return collected_; }
  // A removal command is running (its proofs may read for a while).
  bool removing() const { return removing_; }
  // The walk that collects candidates is running (on its own thread).
  bool collecting() const { return collect_ != nullptr; }
  // Called on the walk's thread at each folder it enters (for tests).
  std::function<void()> onWalkFolder;
  // Bytes the last search's comparison read (for the benchmark).
  std::uint64_t searchBytesRead() const { return searchBytesRead_; }

  shell::ToolLog log{scheduledRun_, scheduledRun_, DupesLogging,
                     {shell::logfile::kManualDupes, shell::logswitch::kDupes, nullptr, nullptr}};

 protected:
  void FormCreate() override;
  void FormDpiChanged() override;
  void FormShow() override;
  void FormCloseQuery(bool& canClose) override;
  void FormDestroy() override;
  void FormResize() override;

 private:
  struct EditableList {
    ui::ListView* list;
    ui::Button *edit, *remove;
    ui::MenuItem *mnuEdit, *mnuRemove, *mnuCheck, *mnuUncheck;
    const char* key;
    int icon;
  };
  void SetupList(EditableList& e, ui::PopupMenu& menu);
  void UpdateListCommands(const EditableList& e);
  void UpdateAllListCommands();
  void LoadLists();
  void SaveLists();
  void SaveSettings();
  // Adds a ticked row unless another row holds the same text but for case.
  bool AddListRow(EditableList& e, const std::string& text, const std::string& description);
  bool TextTaken(const ui::ListView& list, const std::string& text, int exceptRow) const;
  void RefuseTaken(const std::string& text);
  void DeleteListRow(EditableList& e);
  void EditFolderRow(EditableList& e, const char* prompt);
  void DrivesChanged();
  std::string CheckedDrives() const;

  void DirectoryFound(scan::TTreeScanner& s);
  void FileFound(scan::TTreeScanner& s);
  void FinishSearch();
  // A close asked for during a search or a removal, now that it is over.
  void CloseIfAsked();
  // Adds a group with all its files, or nothing (a row that cannot be added
  // takes its group's rows and counts with it); true when added.
  bool AddGroup(const FoundGroup& group);
  int GroupIcon(const std::string& path);
  // Lets messages run until `done` says so or the work's event is set.
  void WaitWithMessages(void* event, const std::function<bool()>& done);

  // Removal.
  bool Perform_Delete(const scan::FileRow& row);
  // Why the row's file may not go ("" when it may): another file of its group
  // that stays must be a different file holding the same bytes now.
  std::string WhyKept(int row, const std::unordered_set<const scan::FileRow*>& leaving);
  // The two hold the same bytes now: proven by this search for this very
  // pair with neither changed since, or compared again.
  bool SameBytesNow(const scan::FileRow& mine, const scan::FileRow& other, std::string& why);
  void Lv_After_Delete(int start);
  void SetToolbarHeight(int height);
  void SelectRow(int row);
  int RowOf(const scan::FileRow* record) const;
  bool RowIsFile(int row) const;

  EditableList files_, folders_, exclude_, xfiles_;
  bool scheduledRun_ = false;  // never run unattended
  bool firstScanFolderHint_ = true;

  // Scan state.
  std::vector<Candidate> candidates_;
  std::vector<std::string> upperNames_;
  std::unique_ptr<DupeSearch> search_;
  std::unique_ptr<BackgroundCompare> proof_;  // a removal's comparison
  // The walk runs on a thread of its own, so a whole disk never holds the
  // window; it writes only the scan state above, and its status here.
  std::unique_ptr<BackgroundWork> collect_;
  std::mutex walkMutex_;
  std::string walkPhase_, walkFolder_;
  bool removing_ = false, stopRemoval_ = false, closeAsked_ = false;
  std::uint64_t searchBytesRead_ = 0;
  std::vector<std::string> FolderTable;
  std::vector<std::string> ExcludedFolderTexts;
  std::vector<std::string> ExcludedFileTexts;
  std::unordered_set<std::string> KnownDuplicates;  // upper-cased paths
  std::unordered_set<std::string> MasterKeys;
  ScanMode scanMode_ = ScanMode::Normal;
  bool SkipFolder = false;
  std::uint32_t currentFolder_ = 0;
  std::string moveFolder_;
  bool sizeMode_ = true, skipSys_ = true, skipDesktop_ = true, skipEmpty_ = true;
  std::size_t collected_ = 0;
  int searchDepth_ = 0;
  ui::Throttle status_{ui::kStatusIntervalMs};
  ui::MessagePump pump_;
  std::unique_ptr<shell::FileIconList> fileIcons_;
};

}  // namespace velmora::dupes
