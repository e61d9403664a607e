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
#include "ui/dialogs.h"

namespace velmora::dupes {

namespace {

constexpr int kClientWidth = 620;
constexpr int kClientHeight = 470;
constexpr int kResultsTop = 212;
constexpr int kToolbarHeight = 38;
constexpr int kOptionsPage = 4;
constexpr int kFoldersPage = 2;
constexpr int kRemovalPage = 5;

const char* const kHintSubject = "DupeRestrict";
const char* const kNamedHint =
    "Use this option to restrict Velmora's scan to specified files and file types.  This is helpful if you need to "
    "scan for duplicates of a specific file on your system.";
const char* const kFolderNamesHint =
    "Use this option to restrict Velmora's scan to specified folders.  This is helpful if you suspect a folder or "
    "set of folders as containing several duplicate copies of the same file.";
const char* const kAddFileHint =
    "You may add files and file types to be scanned for using this option.  Wildcards such as \"*\" and \"?\" are "
    "accepted.";
const char* const kAddFolderHint =
    "You may add specific folders to be scanned using this option.  To add the folder to your scan list browse and "
    "select it from the following screen.";
const char* const kAddExcludeHint =
    "By adding folders to be exluded from the scan you can eliminate known, but valid areas where duplicate files "
    "are stored such as backup folders, etc.  To add a folder to the exlusion list browse and select it from the "
    "following screen.";
const char* const kAddExFileHint =
    "By adding files to be exluded from the scan you can eliminate reports of known but valid duplicate copies of "
    "files, such as those kept in backup folders.";
const char* const kNoRequirements =
    "You have not selected any requirements for duplicate matches.  You must select at least one before scanning.";
const char* const kNoFolders =
    "You have chosen to scan only within certain folders, however there are no folders currently selected to be "
    "scanned.  Please make sure that at least one folder exists in the list and is \"checked\" before scanning.";
const char* const kRemoveItemQuestion =
    "Are you sure you wish to permanently remove the selected item?  This procedure cannot be reversed.\r\r"
    "If you would merely like to exclude this item you may do so by \"unchecking\" its corresponding box.";
const char* const kGoneMessage = "The file you have selected no longer exists.";
const char* const kReview = "Double-click a file to review";
const char* const kStopHint = "Abort the current scan (may take a moment).";
const char* const kStartHint = "Start scanning for duplicate files";
const char* const kKeptMessage =
    "The following file(s) were not removed because no other identical copy of them remains in their group:";
const char* const kScanBusy = "Please wait until the removal of the selected files has finished.";
const char* const kStoppedRemoval = "the removal was stopped before its copy was compared";

std::string RelocatingLine(const std::string& path, const std::string& folder) {
  return "  Relocating: " + path + " to " + folder;
}

const shell::RemovalTexts kRemovalTexts{"&Move files to recycle bin",
                                        "&Permanently delete files",
                                        "M&ove files to this folder:",
                                        "&Confirm before removing files",
                                        "Choose the folder to move removed files to",
                                        170,
                                        &RelocatingLine,
                                        /*browseOnRefusal=*/false,
                                        /*inUseCheck=*/false,
                                        "When Removing Files..."};

// A result row's record: the file as listed and what its search proved of it.
struct DupeRow : scan::FileRow {
  FileKey key;
  bool haveKey = false;
  // The row whose bytes this file's were compared with, byte for byte, by the
  // search that listed both; only ever compared with, never read through.
  const scan::FileRow* provenWith = nullptr;
};

bool Unchanged(const DupeRow& row, const FileFacts& now) {
  const std::uint64_t written =
      (std::uint64_t(row.file.written.dwHighDateTime) << 32) | row.file.written.dwLowDateTime;
  return row.haveKey && now.key == row.key && now.size == row.file.size && now.written == written;
}
const char* const kDroppedMessage =
    "Some lines of the list of duplicate files were incomplete or could not be read; the groups they belonged to "
    "have been left out.";

std::string DescriptionOf(const ui::ListView& list, int row) { return list.SubItem(row, 0); }

// "previous run on 1999-Mar-04 at 17:05:09"
std::string PreviousText(const char* words, const FILETIME& written) {
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  FILETIME local{};
  SYSTEMTIME st{};
  FileTimeToLocalFileTime(&written, &local);
  FileTimeToSystemTime(&local, &st);
  char text[96];
  snprintf(text, sizeof text, "%s %04u-%s-%02u at %02u:%02u:%02u", words, unsigned(st.wYear),
           kMonths[(st.wMonth + 11) % 12], unsigned(st.wDay), unsigned(st.wHour), unsigned(st.wMinute),
           unsigned(st.wSecond));
  return text;
}

}  // namespace

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
  cmdHelp.SetGlyph(common.imgHelp16.get());
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
  ilIcons = shell::DuplicateResultImageList();
  FileListView1.SetImageList(ilIcons.get());

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
  TreeScanner1.Running = false;
  KeepRunning = false;
  if (search_) search_->Stop();
  // A removal waiting on a comparison leaves the files not yet proven.
  stopRemoval_ = true;
  if (proof_) proof_->Stop();
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

// ---- Editable lists --------------------------------------------------------------

std::vector<ListRow> TfrmFindDupes::RowsOf(const ui::ListView& list) {
  std::vector<ListRow> rows;
  for (int i = 0; i < list.itemCount(); ++i) rows.push_back({list.Caption(i), DescriptionOf(list, i), list.Checked(i)});
  return rows;
}

void TfrmFindDupes::LoadLists() {
  for (EditableList* e : {&files_, &folders_, &exclude_, &xfiles_}) {
    std::optional<std::vector<ListRow>> stored = LoadList(e->key);
    std::vector<ListRow> rows = stored ? *stored : (e == &files_ ? DefaultFilePatterns() : std::vector<ListRow>{});
    e->list->Clear();
    for (const ListRow& r : rows) {
      const int row = e->list->AddItem(r.text, e->icon);
      e->list->SetSubItem(row, 0, r.description);
      e->list->SetChecked(row, r.checked);
    }
  }
  UpdateAllListCommands();
}

void TfrmFindDupes::SaveLists() {
  for (EditableList* e : {&files_, &folders_, &exclude_, &xfiles_}) SaveList(e->key, RowsOf(*e->list));
}

void TfrmFindDupes::UpdateListCommands(const EditableList& e) {
  const bool selected = !e.list->SelectedRows().empty();
  e.edit->SetEnabled(selected);
  e.mnuEdit->SetEnabled(selected);
  const bool removable = selected && !e.list->editing();
  e.remove->SetEnabled(removable);
  e.mnuRemove->SetEnabled(removable);
  const bool rows = e.list->itemCount() > 0;
  e.mnuCheck->SetEnabled(rows);
  e.mnuUncheck->SetEnabled(rows);
}

void TfrmFindDupes::UpdateAllListCommands() {
  for (EditableList* e : {&files_, &folders_, &exclude_, &xfiles_}) UpdateListCommands(*e);
}

bool TfrmFindDupes::TextTaken(const ui::ListView& list, const std::string& text, int exceptRow) const {
  for (int row = 0; row < list.itemCount(); ++row)
    if (row != exceptRow && SameListText(list.Caption(row), text)) return true;
  return false;
}

void TfrmFindDupes::RefuseTaken(const std::string& text) {
  ui::ShowMessage("\"" + text + "\" is already in this list.  Two items may not differ only in the case of their letters.",
                  "Velmora", ui::MsgIcon::Information, handle());
}

bool TfrmFindDupes::AddListRow(EditableList& e, const std::string& text, const std::string& description) {
  if (TextTaken(*e.list, text, -1)) {
    RefuseTaken(text);
    return false;
  }
  const int row = e.list->AddItem(text, e.icon);
  e.list->SetSubItem(row, 0, description);
  e.list->SetChecked(row, true);
  UpdateListCommands(e);
  return true;
}

void TfrmFindDupes::cmdAddFileClick() {
  shell::ShowHintOnce(kHintSubject, kAddFileHint);
  const std::string text = ui::dialogs().InputBox(handle(), "Add new filename to look for",
                                                  "Extension or name of the file you wish to scan for:", "");
  if (!text.empty()) {
    const std::string description = ui::dialogs().InputBox(handle(), "Filename Description",
                                                           "Enter a short description for this new file type:", " ");
    AddListRow(files_, text, description);
  }
  SaveList(kFilesKey, RowsOf(lvFiles));
}

void TfrmFindDupes::cmdAddExFileClick() {
  shell::ShowHintOnce(kHintSubject, kAddExFileHint);
  const std::string text = ui::dialogs().InputBox(handle(), "Exclude a filename",
                                                  "Extension or name of the file you wish to exclude:", "");
  if (!text.empty()) {
    const std::string description = ui::dialogs().InputBox(handle(), "Filename Description",
                                                           "Enter a short description for this new file type:", " ");
    AddListRow(xfiles_, text, description);
  }
  SaveList(kXFilesKey, RowsOf(lvXFiles));
}

namespace {
void EditFileRow(ui::ListView& list, HWND owner, const char* prompt, const std::function<bool(const std::string&, int)>& taken,
                 const std::function<void(const std::string&)>& refuse) {
  const std::vector<int> sel = list.SelectedRows();
  if (sel.empty()) return;
  const int row = sel.front();
  const std::string text = ui::dialogs().InputBox(owner, "Modify File Type", prompt, list.Caption(row));
  const std::string current = list.SubItem(row, 0);
  std::string description =
      ui::dialogs().InputBox(owner, "Modify File Description", "Enter a short description for this file:", current);
  if (text.empty()) return;
  if (taken(text, row)) {
    refuse(text);
    return;
  }
  list.SetCaption(row, text);
  list.SetSubItem(row, 0, description);
}
}  // namespace

void TfrmFindDupes::lvFilesDblClick() {
  EditFileRow(lvFiles, handle(), "Extension or name of the file you wish to scan for:",
              [this](const std::string& t, int r) { return TextTaken(lvFiles, t, r); },
              [this](const std::string& t) { RefuseTaken(t); });
  SaveList(kFilesKey, RowsOf(lvFiles));
}

void TfrmFindDupes::lvXFilesDblClick() {
  EditFileRow(lvXFiles, handle(), "Extension or name of the file you wish to exclude from the scan:",
              [this](const std::string& t, int r) { return TextTaken(lvXFiles, t, r); },
              [this](const std::string& t) { RefuseTaken(t); });
  SaveList(kXFilesKey, RowsOf(lvXFiles));
}

void TfrmFindDupes::cmdAddFolderClick() {
  shell::ShowHintOnce(kHintSubject, kAddFolderHint);
  if (const auto chosen = ui::dialogs().ChooseFolder(handle(), "Select a folder to scan", "", false)) {
    const std::string description =
        ui::dialogs().InputBox(handle(), "Folder Description", "Enter a description for this folder", " ");
    AddListRow(folders_, IncludeTrailingBackslash(*chosen), description);
  }
  SaveList(kFoldersKey, RowsOf(lvFolders));
}

void TfrmFindDupes::cmdAddNewClick() {
  shell::ShowHintOnce(kHintSubject, kAddExcludeHint);
  if (const auto chosen = ui::dialogs().ChooseFolder(handle(), "Select a folder to exclude", "", false)) {
    const std::string description =
        ui::dialogs().InputBox(handle(), "Folder Description", "Enter a description for this folder", " ");
    AddListRow(exclude_, IncludeTrailingBackslash(*chosen), description);
  }
  SaveList(kExcludeKey, RowsOf(lvExclude));
}

void TfrmFindDupes::EditFolderRow(EditableList& e, const char* prompt) {
  const std::vector<int> sel = e.list->SelectedRows();
  if (!sel.empty()) {
    const int row = sel.front();
    if (const auto chosen = ui::dialogs().ChooseFolder(handle(), prompt, e.list->Caption(row), false)) {
      const std::string description = ui::dialogs().InputBox(
          handle(), "Folder Description", "Enter a description for this excluded folder", DescriptionOf(*e.list, row));
      if (TextTaken(*e.list, *chosen, row)) {
        RefuseTaken(*chosen);
      } else if (!chosen->empty()) {
        e.list->SetCaption(row, *chosen);
        e.list->SetSubItem(row, 0, description);
      }
    }
  }
  SaveList(e.key, RowsOf(*e.list));
}

void TfrmFindDupes::lvFoldersDblClick() { EditFolderRow(folders_, "Select a folder to scan"); }
void TfrmFindDupes::lvExcludeDblClick() { EditFolderRow(exclude_, "Select a folder to exclude"); }

void TfrmFindDupes::DeleteListRow(EditableList& e) {
  const std::vector<int> sel = e.list->SelectedRows();
  if (!sel.empty() &&
      ui::dialogs().Message(handle(), kRemoveItemQuestion, "Please Confirm", ui::MsgButtons::YesNo,
                            ui::MsgIcon::Question) == ui::MsgResult::Yes &&
      !e.list->editing()) {
    const int row = sel.front();
    e.list->DeleteRow(row);
    e.list->ClearSelection();
    if (e.list->itemCount() > 0) e.list->SetSelected(std::max(0, row - 1), true);
  }
  UpdateListCommands(e);
  SaveList(e.key, RowsOf(*e.list));
}

void TfrmFindDupes::cmdRemoveFileClick() { DeleteListRow(files_); }
void TfrmFindDupes::cmdRemoveFolderClick() { DeleteListRow(folders_); }
void TfrmFindDupes::cmdRemoveClick() { DeleteListRow(exclude_); }
void TfrmFindDupes::cmdRemoveExFileClick() { DeleteListRow(xfiles_); }

void TfrmFindDupes::optNamedClick() {
  const bool named = optNamed.checked();
  for (ui::Control* c : std::initializer_list<ui::Control*>{&lvFiles, &cmdAddFile, &cmdEditFile, &cmdRemoveFile})
    c->SetVisible(named);
}

void TfrmFindDupes::optAllFoldersClick() {
  const bool named = optFolderNames.checked();
  for (ui::Control* c :
       std::initializer_list<ui::Control*>{&lvFolders, &cmdAddFolder, &cmdEditFolder, &cmdRemoveFolder})
    c->SetVisible(named);
}

void TfrmFindDupes::optNamedMouseUp() { shell::ShowHintOnce(kHintSubject, kNamedHint); }
void TfrmFindDupes::optFolderNamesMouseUp() { shell::ShowHintOnce(kHintSubject, kFolderNamesHint); }

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
  const bool stopping = TreeScanner1.SearchInProgress() || Comparing;
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
  if (TreeScanner1.SearchInProgress()) {
    TreeScanner1.Running = false;
    KeepRunning = false;
  } else if (Comparing) {
    KeepRunning = false;
    if (search_) search_->Stop();
  } else {
    ImageList_SetImageCount(ilIcons.get(), shell::dupe_icon::kCount);
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
  if (searchDepth_ == 1 || (!TreeScanner1.SearchInProgress() && !Comparing)) FinishSearch();
  if (failure) std::rethrow_exception(failure);
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

  if (!nothingToFind && optAllFolders.checked()) {
    bool masterScanned = false;
    for (char letter : DiskListView1.SelectedDrives()) {
      if (!KeepRunning) break;
      const bool master = chkFloppyIsMaster.checked() && letter == 'A';
      scanMode_ = master ? ScanMode::Master : masterScanned ? ScanMode::Filtered : ScanMode::Normal;
      sb.SetText(0, master ? "Scanning master folders..."
                           : masterScanned ? "Scanning filtered folders..." : "Scanning folders...");
      TreeScanner1.SetInitialDirectory(DriveRoot(letter));
      TreeScanner1.Scan();
      masterScanned = masterScanned || master;
    }
  } else if (!nothingToFind) {
    scanMode_ = ScanMode::Normal;
    for (const std::string& root : roots) {
      if (!KeepRunning) break;
      TreeScanner1.SetInitialDirectory(root);
      TreeScanner1.Scan();
    }
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
  if (status_.Due()) sb.SetText(1, SkipFolder ? "Skipping " + folder : folder);
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
      if (search_) search_->Stop();
      if (proof_) proof_->Stop();
    }
    if (done()) break;
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
  HICON small = nullptr;
  if (ExtractIconExW(LongPathW(path).c_str(), 0, nullptr, &small, 1) <= 0 || !small) return shell::dupe_icon::kFile;
  const IconHandle icon(small);
  const int added = ImageList_AddIcon(ilIcons.get(), icon.get());
  return added >= 0 ? added : shell::dupe_icon::kFile;
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
  if (firstGroup && FileListView1.visible()) {
    for (int col = 0; col < FileListView1.columnCount(); ++col) FileListView1.SetColumnWidth(col, col == 0 ? 300 : 80);
  }
  return true;
}

// ---- Results ------------------------------------------------------------------------

std::int64_t TfrmFindDupes::NumFiles() const {
  std::int64_t n = 0;
  for (int row = 0; row < FileListView1.itemCount(); ++row) {
    const std::string& t = FileListView1.Caption(row);
    if (!t.empty() && t.find(kGroupHeader) == std::string::npos) ++n;
  }
  return n;
}

void TfrmFindDupes::ShowFoundStatus() { sb.SetText(1, FoundStatusText(FoundBytes, NumFiles())); }
void TfrmFindDupes::ShowRemovedStatus() { sb.SetText(1, RemovedStatusText(RemovedBytes, RemovedFiles)); }

bool TfrmFindDupes::RowIsFile(int row) const {
  if (row < 0 || row >= FileListView1.itemCount()) return false;
  const std::string& t = FileListView1.Caption(row);
  return !t.empty() && t.find(kGroupHeader) == std::string::npos;
}

std::string TfrmFindDupes::SelectedFilePath() const {
  const std::vector<int> sel = FileListView1.SelectedRows();
  if (sel.empty() || !RowIsFile(sel.front())) return "";
  return FileListView1.FilePath(sel.front());
}

void TfrmFindDupes::FileListView1Change() {
  static bool inside = false;
  if (inside) return;
  inside = true;
  int files = 0;
  for (int row : FileListView1.SelectedRows()) {
    if (RowIsFile(row)) ++files;
    else FileListView1.SetSelected(row, false);
  }
  inside = false;
  tb.SetButtonEnabled(kTbDelete, files >= 1);
  tb.SetButtonEnabled(kTbView, files == 1);
  tb.SetButtonEnabled(kTbProperties, files == 1);
  tb.SetButtonEnabled(kTbExclude, files == 1);
  mnuRemoveFiles.SetEnabled(files >= 1);
  mnuViewFile.SetEnabled(files == 1);
  mnuProperties.SetEnabled(files == 1);
  mnuExclude.SetEnabled(files == 1);
}

void TfrmFindDupes::FileListView1Click() {
  const std::string path = SelectedFilePath();
  FileListView1.SetHint(path.empty() ? kReview : path);
}

void TfrmFindDupes::SetToolbarHeight(int height) {
  tb.SetBounds({8, kResultsTop, kClientWidth - 16, height});
  const int top = kResultsTop + height;
  const int bottom = std::max(top + 20, clientHeight() - sb.height() - 6);
  FileListView1.SetBounds({8, top, kClientWidth - 16, bottom - top});
}

void TfrmFindDupes::SelectRow(int row) {
  FileListView1.ClearSelection();
  if (row >= 0 && row < FileListView1.itemCount()) {
    FileListView1.SetSelected(row, true);
    FileListView1.EnsureVisible(row);
  }
  FileListView1Change();
}

int TfrmFindDupes::RowOf(const scan::FileRow* record) const {
  for (int row = 0; row < FileListView1.itemCount(); ++row)
    if (FileListView1.File(row) == record) return row;
  return -1;
}

void TfrmFindDupes::Lv_After_Delete(int start) {
  FileListView1.SetHint(kReview);
  const int n = FileListView1.itemCount();
  if (n == 0) return;
  int header = std::min(std::max(start, 0), n - 1);
  while (header > 0 && FileListView1.Caption(header).find(kGroupHeader) == std::string::npos) --header;
  if (FileListView1.Caption(header).find(kGroupHeader) != std::string::npos) {
    int end = header + 1, files = 0;
    while (end < n && !FileListView1.Caption(end).empty() &&
           FileListView1.Caption(end).find(kGroupHeader) == std::string::npos) {
      ++files;
      ++end;
    }
    if (files <= 1) {
      // The group's last file is no duplicate any more: its rows go, the file stays.
      if (end < n && FileListView1.Caption(end).empty()) FileListView1.DeleteRow(end);
      for (int row = header + files; row >= header; --row) FileListView1.DeleteRow(row);
    }
  }
  // No leading blank row, no lone row.
  while (FileListView1.itemCount() > 0 && FileListView1.Caption(0).empty()) FileListView1.DeleteRow(0);
  if (FileListView1.itemCount() == 1) FileListView1.DeleteRow(0);
  const int m = FileListView1.itemCount();
  if (m > 0 && FileListView1.Caption(m - 1).empty()) FileListView1.DeleteRow(m - 1);
}

bool TfrmFindDupes::Perform_Delete(const scan::FileRow& row) {
  // The shared call looks again (size, write time, identity) and logs what happened.
  const auto* dupe = dynamic_cast<const DupeRow*>(&row);
  shell::ListedFile listed{row.path, row.file.size, row.file.written, std::nullopt};
  if (dupe && dupe->haveKey) listed.identity = shell::FileIdentity{dupe->key.volumeSerial, dupe->key.index};
  return removal.Remove(listed).removed();
}

bool TfrmFindDupes::SameBytesNow(const scan::FileRow& mine, const scan::FileRow& other, std::string& why) {
  const auto me = FactsOf(mine.path), them = FactsOf(other.path);
  if (!me || !them) return false;
  if (OneFile(mine.path, *me, other.path, *them)) return false;  // one file by two paths: no copy of itself
  if (!me->key.trusted || !them->key.trusted) {
    why = "it lies on a network drive, where the system cannot tell whether two paths name one file";
    return false;
  }
  if (me->size != them->size) return false;
  const auto* a = dynamic_cast<const DupeRow*>(&mine);
  const auto* b = dynamic_cast<const DupeRow*>(&other);
  // This very pair was compared byte for byte, and neither changed since.
  const bool provenPair = a && b && (a->provenWith == &other || b->provenWith == &mine);
  if (provenPair && Unchanged(*a, *me) && Unchanged(*b, *them)) return true;
  if (me->size == 0) return true;
  // Otherwise the bytes are compared now, away from the window's thread.
  proof_ = std::make_unique<BackgroundCompare>(mine.path, other.path, me->size);
  WaitWithMessages(proof_->event(), [this] { return proof_->Done() || stopRemoval_; });
  proof_->Stop();
  while (!proof_->Done()) Sleep(1);
  const Sameness result = proof_->result();
  const bool equal = result == Sameness::Equal && proof_->factsA().key == me->key && proof_->factsB().key == them->key;
  proof_.reset();
  if (result == Sameness::Stopped) why = kStoppedRemoval;
  return equal;
}

std::string TfrmFindDupes::WhyKept(int row, const std::unordered_set<const scan::FileRow*>& leaving) {
  const scan::FileRow* me = FileListView1.File(row);
  if (!me) return "no copy";
  const int n = FileListView1.itemCount();
  int first = row, last = row;
  while (first > 0 && RowIsFile(first - 1)) --first;
  while (last + 1 < n && RowIsFile(last + 1)) ++last;
  // Who stays: the rows not being removed; when every row goes, the last.
  std::vector<const scan::FileRow*> keepers;
  for (int r = first; r <= last; ++r)
    if (r != row && FileListView1.File(r) && !leaving.count(FileListView1.File(r))) keepers.push_back(FileListView1.File(r));
  if (keepers.empty()) {
    for (int r = last; r >= first; --r)
      if (FileListView1.File(r)) {
        if (r != row) keepers.push_back(FileListView1.File(r));
        break;
      }
  }
  std::string why;
  for (const scan::FileRow* k : keepers) {
    if (stopRemoval_) return kStoppedRemoval;
    std::string reason;
    if (SameBytesNow(*me, *k, reason)) return "";
    if (!reason.empty()) why = reason;
  }
  return why.empty() ? "no copy" : why;
}

void TfrmFindDupes::cmdDeleteClick() {
  // One command at a time: the list is being filled by a search.
  if (removing_ || Comparing || TreeScanner1.SearchInProgress()) return;
  if (cbConfirm.checked() &&
      ui::dialogs().Message(handle(), "Are you sure you wish to remove the selected file(s) ?", "Please confirm",
                            ui::MsgButtons::YesNo, ui::MsgIcon::Warning) != ui::MsgResult::Yes)
    return;
  const std::vector<int> sel = FileListView1.SelectedRows();
  if (sel.empty()) return;
  if (!removal.BeginCommand()) return;
  const int remembered = sel.front();
  // The records of the selected file rows, in list order: each is looked for
  // again before it is acted on, since clean-ups remove rows on the way.
  std::vector<const scan::FileRow*> chosen;
  for (int row : sel)
    if (RowIsFile(row) && FileListView1.File(row)) chosen.push_back(FileListView1.File(row));
  std::unordered_set<const scan::FileRow*> leaving(chosen.begin(), chosen.end());
  std::vector<std::string> kept;
  removing_ = true;
  stopRemoval_ = false;
  btnSearch.SetCaption("Stop");
  struct Idle {
    TfrmFindDupes& f;
    std::string caption;
    ~Idle() {
      f.removing_ = false;
      f.btnSearch.SetCaption(caption);
    }
  } idle{*this, btnSearch.caption() == "Stop" ? "Find Now" : btnSearch.caption()};
  {
    ui::WaitCursor wait;
    for (const scan::FileRow* record : chosen) {
      const int row = RowOf(record);
      if (row < 0) continue;  // an earlier clean-up took it out as the last file of its group
      const std::string path = record->path;
      const auto entry = FindEntry(path);
      if (entry) {
        const std::string why = stopRemoval_ ? kStoppedRemoval : WhyKept(row, leaving);
        if (!why.empty()) {
          leaving.erase(record);
          kept.push_back(why == "no copy" ? path : path + " (" + why + ")");
          continue;
        }
        if (!Perform_Delete(*record)) {
          leaving.erase(record);
          continue;  // the row stays, uncounted
        }
        RemovedBytes += std::int64_t(entry->size);
        ++RemovedFiles;
        ShowRemovedStatus();
      }
      // Removed, or gone already: the row leaves the list.
      leaving.erase(record);
      FileListView1.DeleteRow(row);
      Lv_After_Delete(row - 1);
      ui::ProcessMessages();
    }
  }
  SetToolbarHeight(FileListView1.itemCount() > 0 ? kToolbarHeight : 0);
  if (FileListView1.itemCount() > 0)
    SelectRow(remembered < FileListView1.itemCount() ? remembered : 1);
  else
    FileListView1Change();
  if (!kept.empty()) {
    std::string text = kKeptMessage;
    text += "\r";
    for (const std::string& p : kept) text += "\r" + p;
    ui::ShowMessage(text, "Velmora", ui::MsgIcon::Information, handle());
  }
}

void TfrmFindDupes::FileListView1DblClick() {
  const std::string path = SelectedFilePath();
  if (path.empty()) return;
  const int row = FileListView1.SelectedRows().front();
  if (FileExists(path)) {
    wchar_t system[261];
    const UINT n = GetSystemDirectoryW(system, 261);
    const std::string viewer =
        (n > 0 && n < 261 ? Narrow(std::wstring(system, n)) : std::string()) + "\\viewers\\QuikView.exe";
    const bool started = n > 0 && n < 261 && FileExists(viewer) ? OpenWithShell("Open", viewer, "\"" + path + "\"")
                                                                : OpenWithShell("open", path);
    tb.SetButtonEnabled(kTbView, started);
    mnuViewFile.SetEnabled(started);
  } else {
    ui::ShowMessage(kGoneMessage, "Velmora", ui::MsgIcon::Information, handle());
    FileListView1.DeleteRow(row);
    Lv_After_Delete(row - 1);
    SetToolbarHeight(FileListView1.itemCount() > 0 ? kToolbarHeight : 0);
    FileListView1Change();
  }
}

void TfrmFindDupes::cmdPropertiesClick() {
  const std::string path = SelectedFilePath();
  if (path.empty()) return;
  const int row = FileListView1.SelectedRows().front();
  if (FileExists(path)) {
    OpenWithShell("properties", path);
  } else {
    ui::ShowMessage(kGoneMessage, "Velmora", ui::MsgIcon::Information, handle());
    FileListView1.DeleteRow(row);
    Lv_After_Delete(row - 1);
    SetToolbarHeight(FileListView1.itemCount() > 0 ? kToolbarHeight : 0);
    FileListView1Change();
  }
}

void TfrmFindDupes::cmdExcludeClick() {
  const std::string path = SelectedFilePath();
  if (path.empty()) return;
  const std::string folder = ExtractFilePath(path);
  const std::string description =
      ui::dialogs().InputBox(handle(), "Folder Description", "Enter a description for this folder", " ");
  AddListRow(exclude_, folder, description);
}

// ---- Result files --------------------------------------------------------------------

std::vector<ResultRow> TfrmFindDupes::ResultRows() const {
  std::vector<ResultRow> rows;
  for (int row = 0; row < FileListView1.itemCount(); ++row) {
    ResultRow r{FileListView1.Caption(row), {}};
    if (FileListView1.subItemCount(row) > 0)
      for (int i = 0; i < 6; ++i) r.details.push_back(FileListView1.SubItem(row, i));
    rows.push_back(std::move(r));
  }
  return rows;
}

void TfrmFindDupes::SaveResults() const {
  if (FileListView1.itemCount() == 0) return;  // older lists stay
  ui::WaitCursor wait;
  const std::vector<ResultRow> rows = ResultRows();
  const std::string folder = shell::DataFolder();
  WriteFileAtomically(folder + kDuplicateList, FormatDuplicateList(rows));
  WriteFileAtomically(folder + kNewDuplicateList, FormatNewDuplicateList(rows));
}

void TfrmFindDupes::Timer1Timer() {
  const std::string folder = shell::DataFolder();
  if (const auto skip = FindEntry(folder + kSkipList); skip && !skip->isFolder()) {
    const std::string question = std::string("A list of known duplicate files to skip was found from a\r") +
                                 PreviousText("previous run on", skip->written) +
                                 "\r\rReloading that list will prevent these known duplicates from being found "
                                 "again.\r\rDo you want to reload that list?";
    if (ui::dialogs().Message(handle(), question, "Find Duplicate Files - list of known duplicates to skip found",
                              ui::MsgButtons::YesNo, ui::MsgIcon::Question) == ui::MsgResult::Yes) {
      KnownDuplicates.clear();
      if (const auto text = ReadTextFile(folder + kSkipList)) {
        std::size_t pos = 0;
        while (pos < text->size()) {
          std::size_t end = text->find('\n', pos);
          if (end == std::string::npos) end = text->size();
          std::string line = text->substr(pos, end - pos);
          if (!line.empty() && line.back() == '\r') line.pop_back();
          if (!line.empty()) KnownDuplicates.insert(UpperCase(line));
          pos = end + 1;
        }
      }
    }
  }
  if (const auto list = FindEntry(folder + kDuplicateList); list && !list->isFolder()) {
    const std::string question = std::string("A list of duplicate files was found from a\r") +
                                 PreviousText("previous session on", list->written) +
                                 "\r\rReloading that list will save time.\r\rDo you want to reload that list?";
    if (ui::dialogs().Message(handle(), question, "Find Duplicate Files - existing list found", ui::MsgButtons::YesNo,
                              ui::MsgIcon::Question) == ui::MsgResult::Yes) {
      log.Line("  Loading previous list of duplicates from " + FormatDateTime(FileTimeToLocalDateTime(list->written)));
      ReloadResults();
    }
  }
  if (FileListView1.itemCount() > 1) SelectRow(1);
}

void TfrmFindDupes::ReloadResults() {
  const auto text = ReadTextFile(shell::DataFolder() + kDuplicateList);
  if (!text) return;
  const ParsedList parsed = ParseDuplicateList(*text);
  ui::WaitCursor wait;
  ProgressBar1.SetRange(0, parsed.rows.size() > 1 ? int(parsed.rows.size() - 1) : 1);
  ProgressBar1.SetVisible(true);
  FileListView1.Clear();
  ImageList_SetImageCount(ilIcons.get(), shell::dupe_icon::kCount);
  FileListView1.BeginUpdate();
  int groupIcon = shell::dupe_icon::kFile;
  bool firstOfGroup = false;
  for (std::size_t i = 0; i < parsed.rows.size(); ++i) {
    const ResultRow& r = parsed.rows[i];
    ProgressBar1.SetPosition(int(i));
    if (r.details.empty()) {
      const bool header = r.text == kGroupHeader;
      FileListView1.AddItem(r.text, header ? shell::dupe_icon::kGroup : shell::dupe_icon::kBlank);
      firstOfGroup = header;
      continue;
    }
    // The list holds lower-case paths: act on the file system's spelling.
    const std::string exact = OnDiskSpelling(r.text);
    if (firstOfGroup) groupIcon = FileExists(exact) ? GroupIcon(exact) : shell::dupe_icon::kFile;
    firstOfGroup = false;
    const int row = FileListView1.AddItem(r.text, groupIcon);
    for (std::size_t c = 0; c < r.details.size(); ++c) FileListView1.SetSubItem(row, int(c), r.details[c]);
    auto record = std::make_unique<scan::FileRow>();
    record->path = exact;
    if (const auto entry = FindEntry(exact)) {
      record->file.size = entry->size;
      record->file.written = entry->written;
      record->file.attributes = entry->attributes;
    }
    FileListView1.SetPayload(row, std::move(record));
  }
  FileListView1.EndUpdate();
  ProgressBar1.SetVisible(false);
  ProgressBar1.SetPosition(0);
  FoundDuplicates = parsed.duplicates;
  FoundBytes = parsed.bytes;
  sb.SetText(0, "Duplicates read from file...");
  ShowFoundStatus();
  SetToolbarHeight(FileListView1.itemCount() > 0 ? kToolbarHeight : 0);
  FileListView1Change();
  if (parsed.droppedLines > 0) ui::ShowMessage(kDroppedMessage, "Velmora", ui::MsgIcon::Warning, handle());
}

}  // namespace velmora::dupes
