#include "tools/dupes/frm_dupes.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <exception>
#include <set>

#include "platform/datetime.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/handles.h"
#include "platform/system.h"
#include "platform/text.h"
#include "shell/common_icons.h"
#include "shell/commontools.h"
#include "shell/help.h"
#include "shell/hint.h"
#include "shell/list_functions.h"
#include "shell/utilities.h"
#include "tools/dupes/dupe_lists.h"
#include "tools/dupes/frm_dupes_internal.h"
#include "ui/dialogs.h"

namespace velmora::dupes {

using namespace form;


TfrmFindDupes::TfrmFindDupes()
    : mnuAdd1(PopupMenu1.Add("&Add New Item", [this] { cmdAddFileClick(); }, "Ctrl+A")),
      mnuEdit1(PopupMenu1.Add("&Edit Selected Item", [this] { lvFilesDblClick(); }, "Alt+Enter")),
      mnuRemove1(PopupMenu1.Add("&Remove Selected Item", [this] { cmdRemoveFileClick(); }, "Del")),
      mnuSep1(PopupMenu1.AddSeparator()),
      mnuCheck1(PopupMenu1.Add("&Check all items", [this] { shell::CheckAllItems(true, lvFiles); })),
      mnuUncheck1(PopupMenu1.Add("&Uncheck all items", [this] { shell::CheckAllItems(false, lvFiles); })),
      mnuAdd2(PopupMenu2.Add("&Add New Item", [this] { cmdAddFolderClick(); }, "Ctrl+A")),
      mnuEdit2(PopupMenu2.Add("&Edit Selected Item", [this] { lvFoldersDblClick(); })),
      mnuRemove2(PopupMenu2.Add("&Remove Selected Item", [this] { cmdRemoveFolderClick(); }, "Del")),
      mnuSep2(PopupMenu2.AddSeparator()),
      mnuCheck2(PopupMenu2.Add("&Check all items", [this] { shell::CheckAllItems(true, lvFolders); })),
      mnuUncheck2(PopupMenu2.Add("&Uncheck all items", [this] { shell::CheckAllItems(false, lvFolders); })),
      mnuAdd3(PopupMenu3.Add("&Add New Item", [this] { cmdAddNewClick(); }, "Ctrl+A")),
      mnuEdit3(PopupMenu3.Add("&Edit Selected Item", [this] { lvExcludeDblClick(); }, "Alt+Enter")),
      mnuRemove3(PopupMenu3.Add("&Remove Selected Item", [this] { cmdRemoveClick(); }, "Del")),
      mnuSep3(PopupMenu3.AddSeparator()),
      mnuCheck3(PopupMenu3.Add("&Check all items", [this] { shell::CheckAllItems(true, lvExclude); })),
      mnuUncheck3(PopupMenu3.Add("&Uncheck all items", [this] { shell::CheckAllItems(false, lvExclude); })),
      mnuAdd4(PopupMenu4.Add("&Add New Item", [this] { cmdAddExFileClick(); }, "Ctrl+A")),
      mnuEdit4(PopupMenu4.Add("&Edit Selected Item", [this] { lvXFilesDblClick(); }, "Alt+Enter")),
      mnuRemove4(PopupMenu4.Add("&Remove Selected Item", [this] { cmdRemoveExFileClick(); }, "Del")),
      mnuSep4(PopupMenu4.AddSeparator()),
      mnuCheck4(PopupMenu4.Add("&Check all items", [this] { shell::CheckAllItems(true, lvXFiles); })),
      mnuUncheck4(PopupMenu4.Add("&Uncheck all items", [this] { shell::CheckAllItems(false, lvXFiles); })),
      mnuRemoveFiles(pmPopup.Add("&Remove Selected File(s)", [this] { cmdDeleteClick(); }, "Del")),
      mnuViewFile(pmPopup.Add("&View File", [this] { FileListView1DblClick(); }, "Enter")),
      mnuProperties(pmPopup.Add("&Properties", [this] { cmdPropertiesClick(); }, "Alt+Enter")),
      mnuExclude(pmPopup.Add("&Exclude this folder from future searches", [this] { cmdExcludeClick(); }, "Ctrl+E")),
      pg(*this, {8, 8, 500, 196}),
      tsDrives(pg, "Drive(s) to Scan"),
      tsFiles(pg, "Files"),
      tsFolders(pg, "Folders"),
      tsExclusions(pg, "Exclusions"),
      tsOptions(pg, "Find Options"),
      tsRemoval(pg, "Removal"),
      DiskListView1(tsDrives, {8, 8, 476, 150}, /*checkBoxes=*/true, "Select drives to scan"),
      optAllFiles(tsFiles, {12, 6, 200, 20}, "&All Files", /*groupStart=*/true),
      optNamed(tsFiles, {12, 28, 200, 20}, "&Files Named..."),
      lvFiles(tsFiles, {12, 52, 380, 108}, /*checkBoxes=*/true, /*multiSelect=*/false),
      cmdAddFile(tsFiles, {400, 52, 84, 25}, "&Add..."),
      cmdEditFile(tsFiles, {400, 84, 84, 25}, "&Edit"),
      cmdRemoveFile(tsFiles, {400, 116, 84, 25}, "&Remove"),
      optAllFolders(tsFolders, {12, 6, 200, 20}, "All F&olders", /*groupStart=*/true),
      optFolderNames(tsFolders, {12, 28, 200, 20}, "Folders &Named..."),
      lvFolders(tsFolders, {12, 52, 380, 108}, /*checkBoxes=*/true, /*multiSelect=*/false),
      cmdAddFolder(tsFolders, {400, 52, 84, 25}, "&Add..."),
      cmdEditFolder(tsFolders, {400, 84, 84, 25}, "&Edit"),
      cmdRemoveFolder(tsFolders, {400, 116, 84, 25}, "&Remove"),
      lblExcludedFolders(tsExclusions, {8, 2, 300, 16}, "Excluded Folders..."),
      lvExclude(tsExclusions, {8, 18, 384, 64}, /*checkBoxes=*/true, /*multiSelect=*/false),
      cmdAddNew(tsExclusions, {400, 18, 84, 21}, "&Add Folder..."),
      cmdEditExclude(tsExclusions, {400, 40, 84, 21}, "&Edit"),
      cmdRemove(tsExclusions, {400, 62, 84, 21}, "&Remove"),
      lblExcludedFiles(tsExclusions, {8, 86, 300, 16}, "Excluded Files..."),
      lvXFiles(tsExclusions, {8, 102, 384, 64}, /*checkBoxes=*/true, /*multiSelect=*/false),
      cmdAddExFile(tsExclusions, {400, 102, 84, 21}, "&Add File..."),
      cmdEditExFile(tsExclusions, {400, 124, 84, 21}, "&Edit"),
      cmdRemoveExFile(tsExclusions, {400, 146, 84, 21}, "&Remove"),
      grpRequirements(tsOptions, {8, 2, 478, 50}, "Requirements for Duplicate Matches"),
      chkCheckFileTimestamp(tsOptions, {20, 22, 150, 20}, "&Same date && time", true),
      chkCheckFilename(tsOptions, {180, 22, 140, 20}, "S&ame name", false),
      chkCheckFilesize(tsOptions, {330, 22, 140, 20}, "Sa&me size", true),
      grpAdvanced(tsOptions, {8, 56, 478, 106}, "Advanced Options"),
      chkFloppyIsMaster(tsOptions, {20, 76, 450, 20}, "&Use floppy drive contents as master file list", false),
      chkSkipSysbckup(tsOptions, {20, 102, 220, 20}, "S&kip SYSBCKUP folder", true),
      chkSkipDesktopFolders(tsOptions, {250, 102, 226, 20}, "Skip Windows &Virtual folders", true),
      chkSkipEmptyFiles(tsOptions, {20, 128, 220, 20}, "Skip &zero-length files", true),
      removal(*this, tsRemoval, kRemovalTexts, log, scheduledRun_),
      optRecycle(removal.optRecycle),
      optDelete(removal.optDelete),
      optMove(removal.optMove),
      deMove(removal.deMove),
      cbConfirm(removal.cbConfirm),
      btnSearch(*this, {518, 30, 94, 26}, "&Scan", ui::ButtonRole::Default),
      cmdHelp(*this, {518, 62, 94, 26}, "&Help"),
      btnExit(*this, {518, 94, 94, 26}, "&Exit", ui::ButtonRole::Cancel),
      aviSearch(*this, {530, 130, 70, 60}),
      tb(*this, {8, kResultsTop, 604, 0}),
      FileListView1(*this, {8, kResultsTop, 604, 220}),
      sb(*this),
      ProgressBar1(*this, {}, 0, 1),
      storage(*this, kDupesStorageKey, kDupesStorageSection) {
  DriveRoot = [](char letter) { return std::string(1, letter) + ":\\"; };
  files_ = {&lvFiles, &cmdEditFile, &cmdRemoveFile, &mnuEdit1, &mnuRemove1, &mnuCheck1, &mnuUncheck1, kFilesKey,
            shell::common_icon::kFilePattern};
  folders_ = {&lvFolders, &cmdEditFolder, &cmdRemoveFolder, &mnuEdit2, &mnuRemove2, &mnuCheck2, &mnuUncheck2,
              kFoldersKey, shell::common_icon::kFolder};
  exclude_ = {&lvExclude, &cmdEditExclude, &cmdRemove, &mnuEdit3, &mnuRemove3, &mnuCheck3, &mnuUncheck3, kExcludeKey,
              shell::common_icon::kExcludeFolder};
  xfiles_ = {&lvXFiles, &cmdEditExFile, &cmdRemoveExFile, &mnuEdit4, &mnuRemove4, &mnuCheck4, &mnuUncheck4,
             kXFilesKey, shell::common_icon::kExcludeFile};

  storage.Add(optFolderNames, "optFolderNames.Checked");
  storage.Add(optAllFolders, "optAllFolders.Checked");
  storage.Add(chkCheckFilename, "chkCheckFilename.Checked");
  storage.Add(chkCheckFilesize, "chkCheckFilesize.Checked");
  storage.Add(chkCheckFileTimestamp, "chkCheckFileTimestamp.Checked");
  storage.Add(chkFloppyIsMaster, "chkFloppyIsMaster.Checked");
  storage.Add(chkSkipDesktopFolders, "chkSkipDesktopFolders.Checked");
  storage.Add(chkSkipEmptyFiles, "chkSkipEmptyFiles.Checked");
  storage.Add(chkSkipSysbckup, "chkSkipSysbckup.Checked");
  storage.Add(optAllFiles, "optAllFiles.Checked");
  storage.Add(optNamed, "optNamed.Checked");
  removal.StoreIn(storage);

  optAllFiles.SetChecked(true);
  optAllFolders.SetChecked(true);
  deMove.SetHint("Select the folder icon to browse for a new location");
  DiskListView1.SelectLocalDrives = false;
  lvFiles.AddColumn("Filename", 150);
  lvFiles.AddColumn("Description", 200);
  lvFolders.AddColumn("Folder Name", 200);
  lvFolders.AddColumn("Description", 150);
  lvFolders.SetEditLabels(true);
  lvExclude.AddColumn("Excluded Folder Location", 200);
  lvExclude.AddColumn("Description", 150);
  lvXFiles.AddColumn("Excluded Filename", 200);
  lvXFiles.AddColumn("Description", 150);
  SetupList(files_, PopupMenu1);
  SetupList(folders_, PopupMenu2);
  SetupList(exclude_, PopupMenu3);
  SetupList(xfiles_, PopupMenu4);
  // The results are groups: sorting by a column would tear them apart.
  FileListView1.onColumnClick = nullptr;
  FileListView1.SetPopupMenu(&pmPopup);
  FileListView1.SetAccessibleName("Duplicate files found");
  storage.Add(FileListView1, "FileListView1");

  chkCheckFileTimestamp.SetHint("Files to be considered as duplicates must have the same dates and times");
  chkCheckFilename.SetHint("Files to be considered as duplicates must have the same filenames");
  chkCheckFilesize.SetHint("Files to be considered as duplicates must be of equal size");
  chkFloppyIsMaster.SetHint(
      "Look first at a list of files on your floppy and then find any duplicates on the selected drives");
  chkSkipSysbckup.SetHint("The SYSBCKUP folder contains deliberate backup copies of system files");
  chkSkipDesktopFolders.SetHint("Uncheck to scan Windows special folders such as My Briefcase, etc.");
  chkSkipEmptyFiles.SetHint("Exclude files with no data");
  btnSearch.SetHint(kStartHint);

  TreeScanner1.SetFindHiddenFiles(true);
  TreeScanner1.SetFindHiddenFolders(true);
  TreeScanner1.SetOnDirectoryFound([this](scan::TTreeScanner& s) { DirectoryFound(s); });
  TreeScanner1.SetOnFileFound([this](scan::TTreeScanner& s) { FileFound(s); });
  TreeScanner1.SetOnDirectoryDone([](scan::TTreeScanner&) {});

  btnSearch.onClick = [this] { btnSearchClick(); };
  btnExit.onClick = [this] { btnExitClick(); };
  cmdHelp.onClick = [this] { cmdHelpClick(); };
  optAllFiles.onClick = [this] { optNamedClick(); };
  optNamed.onClick = [this] {
    optNamedClick();
    optNamedMouseUp();
  };
  optAllFolders.onClick = [this] { optAllFoldersClick(); };
  optFolderNames.onClick = [this] {
    optAllFoldersClick();
    optFolderNamesMouseUp();
  };
  cmdAddFile.onClick = [this] { cmdAddFileClick(); };
  cmdEditFile.onClick = [this] { lvFilesDblClick(); };
  cmdRemoveFile.onClick = [this] { cmdRemoveFileClick(); };
  lvFiles.onDoubleClick = [this](int) { lvFilesDblClick(); };
  cmdAddFolder.onClick = [this] { cmdAddFolderClick(); };
  cmdEditFolder.onClick = [this] { lvFoldersDblClick(); };
  cmdRemoveFolder.onClick = [this] { cmdRemoveFolderClick(); };
  lvFolders.onDoubleClick = [this](int) { lvFoldersDblClick(); };
  lvFolders.onEditing = [this](int) {
    cmdRemoveFolder.SetEnabled(false);
    mnuRemove2.SetEnabled(false);
    return true;
  };
  lvFolders.onEdited = [this](int row, std::string& text) {
    bool accept = !text.empty();
    if (accept) {
      text = IncludeTrailingBackslash(text);
      if (TextTaken(lvFolders, text, row)) {
        RefuseTaken(text);
        accept = false;
      }
    }
    ui::PostTask([this] { UpdateListCommands(folders_); });
    if (accept) ui::PostTask([this] { SaveList(kFoldersKey, RowsOf(lvFolders)); });
    return accept;
  };
  cmdAddNew.onClick = [this] { cmdAddNewClick(); };
  cmdEditExclude.onClick = [this] { lvExcludeDblClick(); };
  cmdRemove.onClick = [this] { cmdRemoveClick(); };
  lvExclude.onDoubleClick = [this](int) { lvExcludeDblClick(); };
  cmdAddExFile.onClick = [this] { cmdAddExFileClick(); };
  cmdEditExFile.onClick = [this] { lvXFilesDblClick(); };
  cmdRemoveExFile.onClick = [this] { cmdRemoveExFileClick(); };
  lvXFiles.onDoubleClick = [this](int) { lvXFilesDblClick(); };
  DiskListView1.onCheckChange = [this](int) { DrivesChanged(); };
  DiskListView1.onSelectionChange = [this] { DrivesChanged(); };
  FileListView1.onSelectionChange = [this] {
    FileListView1Change();
    FileListView1Click();
  };
  FileListView1.onDoubleClick = [this](int) { cmdPropertiesClick(); };
  removal.GuardPageChanges(pg);
  Timer1.onTimer = [this] { Timer1Timer(); };

  ui::FormArgs args;
  args.className = "TfrmFindDupes";
  args.caption = "Find Duplicate Files";
  args.clientWidth = kClientWidth;
  args.clientHeight = kClientHeight;
  args.sizeable = true;  // the results list grows with the window
  for (ui::Control* c : std::initializer_list<ui::Control*>{&btnSearch, &cmdHelp, &btnExit, &aviSearch})
    c->SetAnchors(ui::akRight | ui::akTop);
  args.helpTopic = kDupesTopic;
  args.freeOnClose = true;
  Create(args);
}

TfrmFindDupes::~TfrmFindDupes() = default;

void TfrmFindDupes::SetupList(EditableList& e, ui::PopupMenu& menu) {
  e.list->SetPopupMenu(&menu);
  e.list->onSelectionChange = [this, &e] { UpdateListCommands(e); };
}

// ---- Creation, showing, closing ------------------------------------------------

void TfrmFindDupes::FormCreate() {
  shell::Tcommontools& common = shell::commontools();
  cmdHelp.SetGlyph(common.SmallAt(shell::SmallPic::Help16, dpi()));
  for (ui::ListView* l : {&lvFiles, &lvFolders, &lvExclude, &lvXFiles}) l->SetImageList(common.ilCommon16.get());
  tb.SetImageList(common.ilCommon16.get());
  tb.AddButton("Remove", shell::common_icon::kDelete, [this] { cmdDeleteClick(); });
  tb.AddButton("QuickView", shell::common_icon::kSearch, [this] { FileListView1DblClick(); });
  tb.AddButton("Properties", shell::common_icon::kFile, [this] { cmdPropertiesClick(); });
  tb.AddButton("Exclude Folder", shell::common_icon::kExcludeFolder, [this] { cmdExcludeClick(); });
  tb.SetButtonHint(kTbDelete, "Remove the selected file(s) according to specified removal method");
  tb.SetButtonHint(kTbView, "View the file in the Windows QuickView utility");
  tb.SetButtonHint(kTbProperties, "View the selected file's properties");
  tb.SetButtonHint(kTbExclude, "Exclude the selected file's location from future scans");
  // Drawn at the window's size: the programs' own icons are added as found.
  fileIcons_ = std::make_unique<shell::FileIconList>([](int size) { return shell::DuplicateResultImageList(size); },
                                                     MulDiv(16, dpi(), 96));
  FileListView1.SetImageList(fileIcons_->get());

  aviSearch.SetVisible(false);
  sb.SetPanels({160, -1});
  sb.PlaceInPanel(ProgressBar1, 0);
  ProgressBar1.SetVisible(false);

  DupesLogging = log.ReadManualSwitch();
  FoundDuplicates = FoundBytes = RemovedBytes = RemovedFiles = 0;

  // The DupeList copy of the options; the form storage restored its own copy
  // before this handler and this one wins where both exist.
  chkCheckFileTimestamp.SetChecked(ReadDupeBool("CheckFileTime", chkCheckFileTimestamp.checked()));
  chkCheckFilename.SetChecked(ReadDupeBool("CheckFileName", chkCheckFilename.checked()));
  chkCheckFilesize.SetChecked(ReadDupeBool("CheckFileSize", chkCheckFilesize.checked()));
  chkFloppyIsMaster.SetChecked(ReadDupeBool("FloppyTemplate", chkFloppyIsMaster.checked()));
  chkSkipSysbckup.SetChecked(ReadDupeBool("SkipSysbackup", chkSkipSysbckup.checked()));
  chkSkipDesktopFolders.SetChecked(ReadDupeBool("SkipDesktopFolders", chkSkipDesktopFolders.checked()));
  chkSkipEmptyFiles.SetChecked(ReadDupeBool("SkipEmptyFiles", chkSkipEmptyFiles.checked()));
  (ReadDupeBool("UseFilesNamed", optNamed.checked()) ? optNamed : optAllFiles).SetChecked(true);
  (ReadDupeBool("UseFoldersNamed", optFolderNames.checked()) ? optFolderNames : optAllFolders).SetChecked(true);
  switch (StoredInt(ReadDupeValue("RemoveType"), 1)) {
    case 2: optDelete.SetChecked(true); break;
    case 3: optMove.SetChecked(true); break;
    case 1: optRecycle.SetChecked(true); break;
    default: break;  // another number leaves the option as it was
  }
  if (const auto folder = ReadDupeValue("MoveFolder")) deMove.SetText(*folder);
  removal.FormCreate();

  LoadLists();
  optNamedClick();
  optAllFoldersClick();

  DiskListView1.FillDrives();
  const std::string drives = UpperCase(ReadDupeValue("DriveList").value_or("---"));
  for (int row = 0; row < DiskListView1.itemCount(); ++row) {
    const char letter = DiskListView1.DriveLetter(row);
    DiskListView1.SetChecked(row, letter && drives.find(letter) != std::string::npos);
  }
  DrivesChanged();
  SetToolbarHeight(0);
  FileListView1Change();
  Timer1.Start();
}

void TfrmFindDupes::FormShow() {
  DupesLogging = log.ReadManualSwitch();
  RemovedBytes = RemovedFiles = 0;
  log.OpenSession("SESSION START: ");
  shell::SelectFixedDrivesByDefault(kDupesStorageKey, kDupesStorageSection, DiskListView1);
  DrivesChanged();
}

void TfrmFindDupes::FormResize() { SetToolbarHeight(tb.bounds().height); }

void TfrmFindDupes::FormCloseQuery(bool& canClose) {
  KeepRunning = false;
  if (collect_) collect_->Stop();
  if (search_) search_->Stop();
  if (removing_ || searchDepth_ > 0) {
    // A search is stopped, a removal runs to its end; the window closes after
    // either, and only then writes its closing block and statistics.
    closeAsked_ = true;
    canClose = false;
    return;
  }
  SaveSettings();
  log.CloseSession({"NUMBER OF DUPLICATE FILES REMOVED: " + std::to_string(RemovedFiles),
                    shell::SpaceRecoveredLine(RemovedBytes)});
  shell::AddStatistic(shell::stat::kDupeBytes, RemovedBytes);
  shell::AddStatistic(shell::stat::kDupeFiles, RemovedFiles);
  RemovedBytes = RemovedFiles = 0;  // added once per window
  canClose = true;
}

void TfrmFindDupes::FormDestroy() { SaveResults(); }

void TfrmFindDupes::SaveSettings() {
  WriteDupeValue("DriveList", CheckedDrives());
  WriteDupeBool("UseFilesNamed", optNamed.checked());
  WriteDupeBool("UseFoldersNamed", optFolderNames.checked());
  WriteDupeBool("CheckFileTime", chkCheckFileTimestamp.checked());
  WriteDupeBool("CheckFileName", chkCheckFilename.checked());
  WriteDupeBool("CheckFileSize", chkCheckFilesize.checked());
  WriteDupeBool("FloppyTemplate", chkFloppyIsMaster.checked());
  WriteDupeBool("SkipSysbackup", chkSkipSysbckup.checked());
  WriteDupeBool("SkipDesktopFolders", chkSkipDesktopFolders.checked());
  WriteDupeBool("SkipEmptyFiles", chkSkipEmptyFiles.checked());
  WriteDupeValue("RemoveType", optDelete.checked() ? "2" : optMove.checked() ? "3" : "1");
  WriteDupeValue("MoveFolder", deMove.text());
  SaveLists();
}

void TfrmFindDupes::btnExitClick() { Close(); }

void TfrmFindDupes::cmdHelpClick() { shell::OpenHelpTopic(kDupesTopic); }

std::string TfrmFindDupes::CheckedDrives() const {
  std::string letters;
  for (int row = 0; row < DiskListView1.itemCount(); ++row)
    if (DiskListView1.Checked(row) && DiskListView1.DriveLetter(row)) letters += DiskListView1.DriveLetter(row);
  return letters;
}

void TfrmFindDupes::DrivesChanged() {
  // The selection mirrors the ticks, so SelectedDrives names the ticked drives.
  static bool syncing = false;
  if (syncing) return;
  syncing = true;
  for (int row = 0; row < DiskListView1.itemCount(); ++row)
    DiskListView1.SetSelected(row, DiskListView1.Checked(row));
  syncing = false;
}

// ---- Search ------------------------------------------------------------------------

void TfrmFindDupes::btnSearchClick() {
  if (removing_) {
    // No scan during a removal: the click stops the removal's comparison.
    stopRemoval_ = true;
    if (proof_) proof_->Stop();
    ui::ShowMessage(kScanBusy, "Velmora", ui::MsgIcon::Information, handle());
    return;
  }
  btnSearch.SetHint(kStopHint);
  if (!chkCheckFileTimestamp.checked() && !chkCheckFilename.checked() && !chkCheckFilesize.checked()) {
    ui::ShowMessage(kNoRequirements, "Velmora", ui::MsgIcon::Information, handle());
    pg.SetActivePageIndex(kOptionsPage);
    btnSearch.SetHint(kStartHint);
    return;
  }
  bool anyFolder = false;
  for (int row = 0; row < lvFolders.itemCount(); ++row) anyFolder = anyFolder || lvFolders.Checked(row);
  if (optFolderNames.checked() && !anyFolder) {
    ui::ShowMessage(kNoFolders, "Velmora", ui::MsgIcon::Information, handle());
    pg.SetActivePageIndex(kFoldersPage);
    btnSearch.SetHint(kStartHint);
    return;
  }
  const bool stopping = collect_ || Comparing;
  if (!stopping) log.Line("  Scanning for duplicate files");
  pg.SetEnabled(false);
  btnExit.SetEnabled(false);
  aviSearch.SetVisible(true);
  aviSearch.Start();
  ui::WaitCursor wait;

  ++searchDepth_;
  struct Depth {
    int& d;
    ~Depth() { --d; }
  } depth{searchDepth_};
  std::exception_ptr failure;
  if (collect_) {
    collect_->Stop();
    KeepRunning = false;
  } else if (Comparing) {
    KeepRunning = false;
    if (search_) search_->Stop();
  } else {
    fileIcons_->Clear();
    sb.SetText(1, "");
    btnSearch.SetCaption("Stop");
    KeepRunning = true;
    try {
      CollectCandidates();
      CompareCandidates();
    } catch (...) {
      failure = std::current_exception();
      Comparing = false;
      search_.reset();
      candidates_.clear();
      upperNames_.clear();
      FolderTable.clear();
      btnSearch.SetCaption("Find Now");
    }
  }
  // The stopping click's finish runs inside the search; the search's own
  // finish runs when it has ended.
  if (searchDepth_ == 1 || (!collect_ && !Comparing)) FinishSearch();
  if (searchDepth_ == 1) CloseIfAsked();
  if (failure) std::rethrow_exception(failure);
}

void TfrmFindDupes::CloseIfAsked() {
  if (!closeAsked_) return;
  closeAsked_ = false;
  Close();
}

void TfrmFindDupes::FinishSearch() {
  btnSearch.SetHint(kStartHint);
  log.Line("  Scan complete: " + std::to_string(NumFiles()) + " duplicate files found.");
  ShowFoundStatus();
  pg.SetEnabled(true);
  btnExit.SetEnabled(true);
  aviSearch.Stop();
  aviSearch.SetVisible(false);
  SetToolbarHeight(FileListView1.itemCount() > 0 ? kToolbarHeight : 0);
  if (FileListView1.itemCount() > 1) SelectRow(1);
  FileListView1Change();
}

void TfrmFindDupes::CollectCandidates() {
  FileListView1.Clear();
  candidates_.clear();
  upperNames_.clear();
  FolderTable.clear();
  MasterKeys.clear();
  collected_ = 0;
  FileListView1.SetHint("");

  std::vector<std::string> roots;
  if (optFolderNames.checked()) {
    // A ticked folder inside another ticked one (whole folder names, any
    // case) is walked as part of it; the same folder listed twice, once.
    for (int a = 0; a < lvFolders.itemCount(); ++a) {
      if (!lvFolders.Checked(a)) continue;
      for (int b = 0; b < lvFolders.itemCount(); ++b) {
        if (b == a || !lvFolders.Checked(b) || !FolderWithin(lvFolders.Caption(b), lvFolders.Caption(a))) continue;
        lvFolders.SetChecked(b, false);
        if (!FolderWithin(lvFolders.Caption(a), lvFolders.Caption(b)))
          ui::ShowMessage(SubfolderMessage(lvFolders.Caption(b), lvFolders.Caption(a)), "Velmora",
                          ui::MsgIcon::Information, handle());
      }
    }
    std::set<std::string> seen;
    for (int row = 0; row < lvFolders.itemCount(); ++row)
      if (lvFolders.Checked(row) && seen.insert(UpperCase(IncludeTrailingBackslash(lvFolders.Caption(row)))).second)
        roots.push_back(lvFolders.Caption(row));
    std::sort(roots.begin(), roots.end(), [](const std::string& x, const std::string& y) { return CompareNoCase(x, y) < 0; });
    if (roots.empty()) roots.push_back("\\");
  }

  ExcludedFolderTexts.clear();
  for (int row = 0; row < lvExclude.itemCount(); ++row)
    if (lvExclude.Checked(row)) ExcludedFolderTexts.push_back(lvExclude.Caption(row));
  ExcludedFileTexts.clear();
  for (int row = 0; row < lvXFiles.itemCount(); ++row)
    if (lvXFiles.Checked(row)) ExcludedFileTexts.push_back(lvXFiles.Caption(row));

  std::string masks = "*.*";
  if (optNamed.checked()) {
    masks.clear();
    for (int row = 0; row < lvFiles.itemCount(); ++row)
      if (lvFiles.Checked(row)) masks += (masks.empty() ? "" : ",") + lvFiles.Caption(row);
  }
  TreeScanner1.SetFileMaskCommaText(masks);
  // Nothing ticked finds nothing: an empty mask list matches no file.
  const bool nothingToFind = TreeScanner1.Masks().empty();

  skipSys_ = chkSkipSysbckup.checked();
  skipDesktop_ = chkSkipDesktopFolders.checked();
  skipEmpty_ = chkSkipEmptyFiles.checked();
  sizeMode_ = chkCheckFilesize.checked();
  moveFolder_ = deMove.text();
  DrivesChanged();

  struct Walk {
    std::string root;
    ScanMode mode;
    const char* phase;
  };
  std::vector<Walk> walks;
  if (!nothingToFind && optAllFolders.checked()) {
    bool masterScanned = false;
    for (char letter : DiskListView1.SelectedDrives()) {
      const bool master = chkFloppyIsMaster.checked() && letter == 'A';
      walks.push_back({DriveRoot(letter), master ? ScanMode::Master : masterScanned ? ScanMode::Filtered : ScanMode::Normal,
                       master ? "Scanning master folders..."
                              : masterScanned ? "Scanning filtered folders..." : "Scanning folders..."});
      masterScanned = masterScanned || master;
    }
  } else if (!nothingToFind) {
    for (const std::string& root : roots) walks.push_back({root, ScanMode::Normal, ""});
  }
  if (KeepRunning && !walks.empty()) {
    // The walker's own pump would run this window's messages on the walk's
    // thread: there it only hands on a Stop.
    std::function<void()> windowPump = std::move(TreeScanner1.ProcessMessages);
    std::exception_ptr failure;
    walkPhase_.clear();
    walkFolder_.clear();
    collect_ = std::make_unique<BackgroundWork>([&, this](const std::atomic<bool>& stop, BackgroundWork&) {
      TreeScanner1.ProcessMessages = [&, this] {
        if (onWalkFolder) onWalkFolder();
        if (stop) TreeScanner1.Running = false;
      };
      try {
        for (const Walk& w : walks) {
          if (stop) break;
          scanMode_ = w.mode;
          {
            std::lock_guard<std::mutex> lock(walkMutex_);
            walkPhase_ = w.phase;
          }
          TreeScanner1.SetInitialDirectory(w.root);
          TreeScanner1.Scan();
        }
      } catch (...) {
        failure = std::current_exception();
      }
    });
    WaitWithMessages(collect_->event(), [this] { return collect_->Done(); });
    collect_.reset();  // joined
    TreeScanner1.ProcessMessages = std::move(windowPump);
    scanMode_ = ScanMode::Normal;
    if (failure) std::rethrow_exception(failure);
  }
  scanMode_ = ScanMode::Normal;
  sb.SetText(0, "");
  sb.SetText(1, "");
  collected_ = candidates_.size();
  SortCandidates(candidates_, upperNames_, sizeMode_);
}

void TfrmFindDupes::DirectoryFound(scan::TTreeScanner& s) {
  const std::string& folder = s.FileFound();
  FolderTable.push_back(folder);
  currentFolder_ = std::uint32_t(FolderTable.size() - 1);
  SkipFolder = false;
  if (skipSys_ && UpperCase(folder).find("\\SYSBCKUP\\") != std::string::npos) {
    SkipFolder = true;
  } else if (std::any_of(ExcludedFolderTexts.begin(), ExcludedFolderTexts.end(),
                         [&](const std::string& x) { return FolderWithin(folder, x); })) {
    SkipFolder = true;
  } else if (skipDesktop_ && FileExists(folder + "desktop.ini")) {
    SkipFolder = true;
  }
  // On the walk's thread: the window shows it at its next status update.
  std::lock_guard<std::mutex> lock(walkMutex_);
  walkFolder_ = SkipFolder ? "Skipping " + folder : folder;
}

void TfrmFindDupes::FileFound(scan::TTreeScanner& s) {
  const std::string& path = s.FileFound();
  if (SkipFolder) return;
  const std::size_t cut = path.find_last_of('\\') + 1;
  if (shell::InsideMoveGuard(path.substr(0, cut), moveFolder_)) return;
  for (const std::string& entry : ExcludedFileTexts)
    if (ExcludedFileMatches(entry, path)) return;
  if (!KnownDuplicates.empty() && KnownDuplicates.count(UpperCase(path))) return;
  std::string name = path.substr(cut);
  if (NeverCollected(LowerCase(name))) return;
  const std::uint64_t size = s.FileSize();
  if (size == 0 && skipEmpty_) return;
  std::string upper = UpperCase(name);
  if (scanMode_ != ScanMode::Normal) {
    const std::string prefix = KeyPrefix(sizeMode_, size, upper);
    if (scanMode_ == ScanMode::Master) MasterKeys.insert(prefix);
    else if (!MasterKeys.count(prefix)) return;
  }
  candidates_.push_back({size, std::move(name), currentFolder_, s.FileWritten(), std::uint32_t(s.FileAttributes())});
  upperNames_.push_back(std::move(upper));
}

void TfrmFindDupes::WaitWithMessages(void* event, const std::function<bool()>& done) {
  HANDLE h = static_cast<HANDLE>(event);
  while (!done()) {
    MsgWaitForMultipleObjects(h ? 1 : 0, h ? &h : nullptr, FALSE, ui::kPumpIntervalMs, QS_ALLINPUT);
    ui::ProcessMessages();
    if (ui::Terminated()) {
      KeepRunning = false;
      if (collect_) collect_->Stop();
      if (search_) search_->Stop();
      if (proof_) proof_->Stop();
    }
    if (done()) break;
    if (collect_ && status_.Due()) {
      std::lock_guard<std::mutex> lock(walkMutex_);
      sb.SetText(0, walkPhase_);
      sb.SetText(1, walkFolder_);
    }
    if (search_ && status_.Due()) {
      // Name mode reads nothing: its status is the name alone.
      const std::string file = sizeMode_ ? search_->CurrentFile() : std::string();
      sb.SetText(1, search_->StatusText() + (file.empty() ? "" : "  " + file + "  (" +
                        FormatThousands(std::int64_t(search_->bytesRead())) + " bytes compared)"));
      ProgressBar1.SetPosition(int(std::min<std::size_t>(search_->handled(), INT32_MAX)));
      // Groups already proven appear while the search goes on.
      for (const FoundGroup& g : search_->TakeGroups()) AddGroup(g);
    }
  }
}

void TfrmFindDupes::CompareCandidates() {
  Comparing = true;
  FoundDuplicates = 0;
  FoundBytes = 0;
  const std::size_t n = candidates_.size();
  ProgressBar1.SetRange(0, n > 1 ? int(std::min<std::size_t>(n - 1, INT32_MAX)) : 1);
  ProgressBar1.SetPosition(0);
  ProgressBar1.SetVisible(true);
  FileListView1.Clear();
  status_.Reset();

  SearchOptions options;
  options.sizeMode = sizeMode_;
  options.sameTime = chkCheckFileTimestamp.checked();
  options.sameName = chkCheckFilename.checked();
  search_ = std::make_unique<DupeSearch>(std::move(candidates_), std::move(upperNames_), std::move(FolderTable),
                                         options);
  candidates_.clear();
  upperNames_.clear();
  FolderTable.clear();
  if (KeepRunning) {
    search_->Start();
    WaitWithMessages(search_->event(), [this] { return search_->Done(); });
  }
  for (const FoundGroup& g : search_->TakeGroups()) AddGroup(g);
  const bool stopped = !KeepRunning || search_->Stopped();
  searchBytesRead_ = search_->bytesRead();
  search_.reset();

  FileListView1.SetHint(kReview);
  // A stopped search keeps the groups it had proven.
  sb.SetText(0, stopped ? "Comparison interrupted" : "Scan complete");
  ProgressBar1.SetVisible(false);
  ProgressBar1.SetPosition(0);
  Comparing = false;
  btnSearch.SetCaption("Find Now");
}

int TfrmFindDupes::GroupIcon(const std::string& path) {
  const std::string ext = UpperCase(ExtractFileExt(path));
  if (ext != ".ICO" && !StartsLikeProgram(path)) return shell::dupe_icon::kFile;
  return fileIcons_->Add(path, shell::dupe_icon::kFile);
}

void TfrmFindDupes::FormDpiChanged() {
  fileIcons_->Resize(MulDiv(16, dpi(), 96));
  FileListView1.SetImageList(fileIcons_->get());
}

bool TfrmFindDupes::AddGroup(const FoundGroup& group) {
  const bool firstGroup = FileListView1.itemCount() == 0;
  const int start = FileListView1.itemCount();
  if (!firstGroup) FileListView1.AddItem("", shell::dupe_icon::kBlank);
  FileListView1.AddItem(kGroupHeader, shell::dupe_icon::kGroup);
  const int icon = GroupIcon(group.files.front().path);
  std::vector<const scan::FileRow*> records;
  bool complete = true;
  for (const GroupFile& g : group.files) {
    const Candidate& c = search_->candidates()[g.candidate];
    scan::KnownFile file;
    file.size = g.facts.size;
    file.written = FILETIME{DWORD(g.facts.written), DWORD(g.facts.written >> 32)};
    file.attributes = c.attributes;
    file.program = icon != shell::dupe_icon::kFile;
    std::uint64_t size = 0;
    if (!FileListView1.AddFile(g.path, file, size, icon)) {
      complete = false;
      break;
    }
    // The row's record carries the identity and the pair its bytes were proven with.
    const int row = FileListView1.itemCount() - 1;
    auto record = std::make_unique<DupeRow>();
    record->path = g.path;
    record->file = file;
    record->key = g.facts.key;
    record->haveKey = true;
    if (g.provenWith >= 0 && std::size_t(g.provenWith) < records.size()) record->provenWith = records[g.provenWith];
    records.push_back(record.get());
    FileListView1.SetPayload(row, std::move(record));
  }
  if (!complete) {
    // A group is listed whole or not at all: no header without its files.
    while (FileListView1.itemCount() > start) FileListView1.DeleteRow(FileListView1.itemCount() - 1);
    return false;
  }
  FoundDuplicates += std::int64_t(group.files.size()) - 1;
  if (group.contentsCompared) FoundBytes += std::int64_t(group.size) * (std::int64_t(group.files.size()) - 1);
  return true;
}

}  // namespace velmora::dupes
