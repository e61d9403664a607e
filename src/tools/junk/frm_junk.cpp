#include "tools/junk/frm_junk.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <exception>
#include <unordered_set>

#include "platform/files.h"
#include "shell/folder_guard.h"
#include "platform/format.h"
#include "platform/system.h"
#include "platform/text.h"
#include "shell/action_log.h"
#include "shell/common_icons.h"
#include "shell/commontools.h"
#include "shell/help.h"
#include "shell/hint.h"
#include "shell/list_functions.h"
#include "shell/utilities.h"
#include "ui/app.h"
#include "ui/image_sizes.h"
#include "ui/dialogs.h"

namespace velmora::junk {

namespace {

constexpr int kClientWidth = 620;
constexpr int kClientHeight = 470;
constexpr int kResultsTop = 212;
constexpr int kToolbarHeight = 38;

const char* const kAddHint =
    "Use this option to add specific files or file extensions to look for when scanning your drives.  Wildcards "
    "such as \"*\" and \"?\" are supported.";
const char* const kZeroHint =
    "If you use this option, Velmora will scan and find files on your system that have a \"Zero length\" meaning "
    "that they contain no data.  Files of this nature are usually left over from system crashes and are virtually "
    "always obsolete.";
// The stored table separates its fields with commas, so a comma inside an
// entry would split it and shift every later row on the next load.
const char* const kCommaMessage = "A file type or its description cannot contain a comma.";
const char* const kGoHint = "Begin scanning for files";
const char* const kStopHint = "Abort the current scan (may take a moment).";


const shell::RemovalTexts kRemovalTexts{"&Move removed files to recycle bin",
                                        "&Permanently delete removed files",
                                        "M&ove removed files to:",
                                        "&Confirm before removing files",
                                        "Choose the folder to move removed files to",
                                        158,
                                        &MoveLine,
                                        /*browseOnRefusal=*/false,
                                        /*inUseCheck=*/true};

std::string TotalRecoveredLine(std::int64_t bytes) {
  return "TOTAL SPACE RECOVERED: " + FormatThousands(bytes) + " bytes (" + FormatMegabytes(bytes) + " megabytes.)";
}

}  // namespace

TfrmJunk::TfrmJunk()
    : mnuAddNew(PopupMenu1.Add("&Add New Item", [this] { cmdAddNewClick(); }, "Ctrl+A")),
      mnuEdit(PopupMenu1.Add("&Edit Selected Item", [this] { lvScanDblClick(); }, "Alt+Enter")),
      mnuRemove(PopupMenu1.Add("&Remove Selected Item", [this] { cmdRemoveClick(); }, "Del")),
      mnuSep1(PopupMenu1.AddSeparator()),
      mnuCheck(PopupMenu1.Add("&Check all items", [this] { mnuCheckClick(); })),
      mnuUncheck(PopupMenu1.Add("U&ncheck all items", [this] { mnuUncheckClick(); })),
      mnuDelete(pmList.Add("&Remove", [this] { cmdDeleteClick(); }, "Del")),
      mnuSelAll(pmList.Add("&Select All", [this] { mnuSelAllClick(); }, "Ctrl+A")),
      mnuSep2(pmList.AddSeparator()),
      mnuView(pmList.Add("&QuickView", [this] { cmdViewClick(); }, "Enter")),
      mnuProps(pmList.Add("P&roperties", [this] { cmdPropsClick(); }, "Alt+Enter")),
      R1(pmDelete.Add("&Remove Selected File(s)", [this] { cmdDeleteClick(); }, "Del")),
      D1(pmDelete.Add("Remove &all listed files", [this] { D1Click(); }, "Ctrl+Shift+Del")),
      PageControl1(*this, {8, 8, 500, 196}),
      tsFiles(PageControl1, "Files to Find"),
      tsDrives(PageControl1, "Drive(s) to Scan"),
      tsOther(PageControl1, "Other Considerations"),
      tsRemoval(PageControl1, "Removal"),
      lvScan(tsFiles, {8, 8, 384, 150}, /*checkBoxes=*/true, /*multiSelect=*/false),
      cmdAddNew(tsFiles, {400, 8, 84, 25}, "&Add..."),
      cmdEdit(tsFiles, {400, 40, 84, 25}, "&Edit"),
      cmdRemove(tsFiles, {400, 72, 84, 25}, "&Remove"),
      lblDrives(tsDrives, {8, 8, 476, 18}, "Check the boxes of the drive(s) you wish to scan."),
      DiskListView1(tsDrives, {8, 30, 476, 128}, /*checkBoxes=*/true, "Drives to scan"),
      cbDays(tsOther, {12, 12, 286, 20}, "&Only find files that have not been accessed in", false),
      udDays(tsOther, {300, 11, 52, 22}, 0, 999, 30),
      lblDays(tsOther, {358, 14, 60, 18}, "days"),
      cbSkipAttr(tsOther, {12, 42, 470, 20}, "&Skip read-only and system files", true),
      cbInUse(tsOther, {12, 66, 470, 20}, "S&kip files that are currently being used by their associated application",
              true),
      cbTemp(tsOther, {12, 90, 470, 20}, "Find &unused files in the Windows \"Temporary\" folder", true),
      cbZeroLength(tsOther, {12, 114, 470, 20}, "&Find zero length files", true),
      removal(*this, tsRemoval, kRemovalTexts, log, ScheduledRun),
      optRecycle(removal.optRecycle),
      optDelete(removal.optDelete),
      optMove(removal.optMove),
      deMove(removal.deMove),
      cbConfirm(removal.cbConfirm),
      cmdGo(*this, {518, 30, 94, 26}, "&Scan", ui::ButtonRole::Default),
      cmdHelp(*this, {518, 62, 94, 26}, "&Help"),
      cmdExit(*this, {518, 94, 94, 26}, "&Exit", ui::ButtonRole::Cancel),
      aviSearch(*this, {530, 130, 70, 60}),
      tb(*this, {8, kResultsTop, 604, 0}),
      lv(*this, {8, kResultsTop, 604, 200}),
      sb(*this),
      pg(*this, {}, 0, 1),
      storage(*this, kJunkStorageKey, kJunkStorageSection),
      session_([](const scan::FoundFile& f) { return ProbeFound(f); },
               [this](scan::FoundFile& f, FileProbe& probe) { ListFile(f, probe); },
               [this](const std::string& folder) { sb.SetText(1, "Scanning: " + folder + "..."); }) {
  DriveRoot = [](char letter) { return std::string(1, letter) + ":\\"; };
  TempFolder = [] { return shell::GetTempFolder(); };

  storage.Add(cbSkipAttr, "cbSkipAttr.Checked");
  storage.Add(cbTemp, "cbTemp.Checked");
  storage.Add(cbZeroLength, "cbZeroLength.Checked");
  storage.Add(udDays, "udDays.Position");
  removal.StoreIn(storage);

  DiskListView1.SelectLocalDrives = false;
  lvScan.AddColumn("File type", 120);
  lvScan.AddColumn("Description", 240);
  lvScan.SetPopupMenu(&PopupMenu1);
  lv.SetPopupMenu(&pmList);
  lv.SetAccessibleName("Junk files found");
  storage.Add(lv, "lv");
  pmDelete.AddScope(&lv);  // the Remove button's menu: its keys act on the result list
  cmdGo.SetHint(kGoHint);

  for (scan::TTreeScanner* s : {&ts, &tsZero}) {
    s->SetFindHiddenFiles(true);
    s->SetFindHiddenFolders(true);
    s->SetOnDirectoryFound([this](scan::TTreeScanner& t) { tsDirectoryFound(t); });
    s->SetOnSearchDone([this](scan::TTreeScanner& t) { tsSearchDone(t); });
  }
  ts.SetOnFileFound([this](scan::TTreeScanner& t) { tsFileFound(t); });
  ts.SetOnDirectoryDone([](scan::TTreeScanner&) {});
  tsZero.SetOnFileFound([this](scan::TTreeScanner& t) { tsZeroFileFound(t); });
  tsZero.SetFileMask("*.*");

  cmdGo.onClick = [this] { cmdGoClick(); };
  cmdAddNew.onClick = [this] { cmdAddNewClick(); };
  cmdEdit.onClick = [this] { lvScanDblClick(); };
  cmdRemove.onClick = [this] { cmdRemoveClick(); };
  cmdHelp.onClick = [this] { cmdHelpClick(); };
  cmdExit.onClick = [this] { cmdExitClick(); };
  cbZeroLength.onClick = [this] { cbZeroLengthClick(); };
  lvScan.onDoubleClick = [this](int) { lvScanDblClick(); };
  lvScan.onSelectionChange = [this] { lvScanChange(); };
  DiskListView1.onCheckChange = [this](int) { DrivesChanged(); };
  DiskListView1.onSelectionChange = [this] { DrivesChanged(); };
  lv.onDoubleClick = [this](int) { lvDblClick(); };
  lv.onSelectionChange = [this] { lvChange(); };
  lv.onColumnClick = [this](int column) { lv.ColumnClick(column); };
  removal.GuardPageChanges(PageControl1);

  ui::FormArgs args;
  args.className = "TfrmJunk";
  args.caption = "Find and Clean Junk and Obsolete Files";
  args.clientWidth = kClientWidth;
  args.clientHeight = kClientHeight;
  args.sizeable = true;  // the results list grows with the window
  for (ui::Control* c : std::initializer_list<ui::Control*>{&cmdGo, &cmdHelp, &cmdExit, &aviSearch}) c->SetAnchors(ui::akRight | ui::akTop);
  args.helpTopic = kJunkTopic;
  args.freeOnClose = true;
  Create(args);
}

TfrmJunk::~TfrmJunk() = default;

void TfrmJunk::FormCreate() {
  shell::Tcommontools& common = shell::commontools();
  cmdHelp.SetGlyph(common.SmallAt(shell::SmallPic::Help16, dpi()));
  lvScan.SetImageList(common.ilCommon16.get());
  tb.SetImageList(common.ilCommon16.get());
  tb.AddButton("Remove", shell::common_icon::kDelete, [this] { cmdDeleteClick(); }, &pmDelete);
  tb.AddButton("QuickView", shell::common_icon::kSearch, [this] { cmdViewClick(); });
  tb.AddButton("Properties", shell::common_icon::kFile, [this] { cmdPropsClick(); });

  // The file-icon list: its first image is the icon of files that hold none;
  // the programs' own icons are added as found, at the window's size.
  fileIcons_ = std::make_unique<shell::FileIconList>(
      [&common](int size) {
        shell::ImageListHandle list(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 1, 64));
        const IconHandle plain(
            ImageList_GetIcon(ui::ImagesForSize(common.ilCommon16.get(), size), shell::common_icon::kFile, ILD_NORMAL));
        if (plain) ImageList_AddIcon(list.get(), plain.get());
        return list;
      },
      MulDiv(16, dpi(), 96));
  lv.SetImageList(fileIcons_->get());

  aviSearch.SetVisible(false);  // shown only while a scan runs
  sb.SetPanels({160, -1});
  sb.PlaceInPanel(pg, 0);

  ManualLogging = log.ReadManualSwitch();
  SpaceRecovered = 0;
  FilesRemoved = 0;
  // The stored options were restored before this handler; these two always
  // start the same way.
  cbDays.SetChecked(false);
  cbInUse.SetChecked(true);
  removal.FormCreate();

  lvScan.Clear();
  for (const PatternRow& r : LoadPatternTable()) {
    const int row = lvScan.AddItem(r.pattern, shell::common_icon::kJunkPattern);
    lvScan.SetSubItem(row, 0, r.description);
    lvScan.SetChecked(row, r.enabled);
  }

  DiskListView1.FillDrives();
  const std::string drives = UpperCase(LoadDrives());
  for (int row = 0; row < DiskListView1.itemCount(); ++row) {
    const char letter = DiskListView1.DriveLetter(row);
    DiskListView1.SetChecked(row, letter && drives.find(letter) != std::string::npos);
  }
  DrivesChanged();
  UpdatePatternCommands();
  lvChange();
  SetToolbarHeight(0);
}

void TfrmJunk::FormShow() {
  log.OpenSession();
  shell::SelectFixedDrivesByDefault(kJunkStorageKey, kJunkStorageSection, DiskListView1);
  DrivesChanged();
}

void TfrmJunk::FormResize() { SetToolbarHeight(tb.bounds().height); }

void TfrmJunk::FormCloseQuery(bool& canClose) {
  if (busy_ != Busy::Idle) {
    // A scan is stopped first, a removal runs to its end; the window closes
    // after either, and only then writes its closing block and statistics.
    if (busy_ == Busy::Scanning) ScanEnd(false);
    closeAsked_ = true;
    canClose = false;
    return;
  }
  const std::string total = TotalRecoveredLine(SpaceRecovered);
  log.CompleteOperation({total}, /*blankLinesAround=*/true);
  log.CloseSession({total});
  shell::AddStatistic(shell::stat::kJunkBytes, SpaceRecovered);
  shell::AddStatistic(shell::stat::kJunkFiles, FilesRemoved);

  ts.Running = false;
  tsZero.Running = false;
  SavePatternTable(PatternTable());
  SaveDrives(DiskListView1.SelectedDrives());
  canClose = true;
}

std::vector<PatternRow> TfrmJunk::PatternTable() const {
  std::vector<PatternRow> rows;
  for (int i = 0; i < lvScan.itemCount(); ++i) rows.push_back({lvScan.Caption(i), lvScan.SubItem(i, 0), lvScan.Checked(i)});
  return rows;
}

// ---- Pattern table ---------------------------------------------------------

void TfrmJunk::UpdatePatternCommands() {
  const bool selected = !lvScan.SelectedRows().empty();
  cmdRemove.SetEnabled(selected);
  cmdEdit.SetEnabled(selected);
  mnuRemove.SetEnabled(selected);
  mnuEdit.SetEnabled(selected);
  const bool rows = lvScan.itemCount() > 0;
  mnuCheck.SetEnabled(rows);
  mnuUncheck.SetEnabled(rows);
}

void TfrmJunk::lvScanChange() { UpdatePatternCommands(); }

void TfrmJunk::cmdAddNewClick() {
  shell::ShowHintOnce("JunkAdd", kAddHint);
  const std::string pattern = ui::dialogs().InputBox(handle(), "Add New File Type",
                                                     "Extension or name of the file you wish to scan for:", "");
  if (pattern.empty()) return;
  const std::string description = ui::dialogs().InputBox(handle(), "New File Type Description",
                                                         "Enter a short description for this new file type:", " ");
  if (pattern.find(',') != std::string::npos || description.find(',') != std::string::npos) {
    ui::ShowMessage(kCommaMessage, "Velmora", ui::MsgIcon::Warning, handle());
    return;
  }
  const int row = lvScan.AddItem(pattern, shell::common_icon::kJunkPattern);
  lvScan.SetSubItem(row, 0, description);
  lvScan.SetChecked(row, true);
  UpdatePatternCommands();
}

void TfrmJunk::lvScanDblClick() {
  const std::vector<int> sel = lvScan.SelectedRows();
  if (sel.empty()) return;
  const int row = sel.front();
  const std::string pattern = ui::dialogs().InputBox(
      handle(), "Modify File Type", "Extension or name of the file you wish to scan for:", lvScan.Caption(row));
  const std::string description = ui::dialogs().InputBox(
      handle(), "Modify File Type Description", "Enter a short description for this file type:", lvScan.SubItem(row, 0));
  if (pattern.find(',') != std::string::npos || description.find(',') != std::string::npos) {
    ui::ShowMessage(kCommaMessage, "Velmora", ui::MsgIcon::Warning, handle());
    return;
  }
  lvScan.SetCaption(row, pattern);
  lvScan.SetSubItem(row, 0, description);
}

void TfrmJunk::cmdRemoveClick() {
  const std::vector<int> sel = lvScan.SelectedRows();
  if (sel.empty()) return;
  const std::string question =
      "Are you sure you wish to permanently remove the selected item?  This procedure cannot be reversed.\r\r"
      "If you would merely like to exclude this item you may do so by \"unchecking\" its corresponding box.";
  if (ui::dialogs().Message(handle(), question, "Please Confirm", ui::MsgButtons::YesNo, ui::MsgIcon::Question) !=
      ui::MsgResult::Yes)
    return;
  const int row = sel.front();
  lvScan.DeleteRow(row);
  if (lvScan.itemCount() > 0) {
    lvScan.ClearSelection();
    lvScan.SetSelected(std::max(0, row - 1), true);
  }
  UpdatePatternCommands();
}

void TfrmJunk::mnuCheckClick() { shell::CheckAllItems(true, lvScan); }
void TfrmJunk::mnuUncheckClick() { shell::CheckAllItems(false, lvScan); }

void TfrmJunk::cbZeroLengthClick() {
  if (cbZeroLength.checked()) shell::ShowHintOnce("JunkConsid", kZeroHint);
}

void TfrmJunk::cmdHelpClick() { shell::OpenHelpTopic(kJunkTopic); }

void TfrmJunk::cmdExitClick() {
  lv.Clear();
  Close();
}

void TfrmJunk::DrivesChanged() {
  // The drive list's selection always mirrors its ticks, so SelectedDrives
  // names the ticked drives.
  static bool syncing = false;
  if (syncing) return;
  syncing = true;
  for (int row = 0; row < DiskListView1.itemCount(); ++row)
    DiskListView1.SetSelected(row, DiskListView1.Checked(row));
  syncing = false;
}

// ---- Scan ------------------------------------------------------------------

void TfrmJunk::cmdGoClick() {
  if (cmdGo.caption() == "&Stop") {
    ScanEnd(false);
    return;
  }
  if (busy_ != Busy::Idle) return;  // no scan while a removal runs
  try {
    BusyScope busy{*this, Busy::Scanning};
    RunScan();
  } catch (...) {
    CloseIfAsked();
    throw;
  }
  CloseIfAsked();
}

void TfrmJunk::RunScan() {
  log.StartOperation(/*blankLineAfter=*/true);
  log.Line("  Start Scan...");

  // The probing thread and the records live exactly as long as this scan,
  // whichever way it ends.
  scan::ScanSession<FileProbe>::Running running{session_};
  struct ScanScope {
    TfrmJunk& f;
    ~ScanScope() {
      f.ts.SetRecording(nullptr, nullptr);
      f.emptyFiles_.clear();
    }
  } scope{*this};

  std::exception_ptr failure;
  try {
    ScanStart();
    const std::string drives = DiskListView1.SelectedDrives();
    if (cbTemp.checked()) {
      // Every file of that folder is listed, so it must be a real temporary
      // folder: never a root, the profile, the Windows folder or a user's
      // data. The long form, so the drive pass cannot list a file again under
      // its 8.3 spelling.
      const std::string named = TempFolder();
      const std::string temp = IncludeTrailingBackslash(LongPathName(named).value_or(named));
      tempSkipped_ = shell::UnsafeFolderReason(temp);
      if (tempSkipped_.empty()) {
        ts.SetInitialDirectory(temp);
        ts.SetFileMaskCommaText("");
        ts.SetFileMask("*.*");
        ts.Scan();
      } else {
        tempSkipped_ = TempSkippedText(temp, tempSkipped_);
        sb.SetText(1, tempSkipped_);
        log.Line("  " + tempSkipped_);
      }
      pg.StepBy(1);
    }
    ts.SetFileMaskCommaText(EnabledMaskText(PatternTable()));
    if (!ts.FileMask().empty()) {
      // The pattern pass notes each drive's empty files on its way, so the
      // zero-length pass need not walk the drive a second time.
      if (cbZeroLength.checked()) emptyFiles_.resize(drives.size());
      for (std::size_t i = 0; i < drives.size(); ++i) {
        ts.SetInitialDirectory(DriveRoot(drives[i]));
        if (!ts.Running) break;
        if (cbZeroLength.checked())
          ts.SetRecording(&emptyFiles_[i], [](std::uint64_t size, unsigned long) { return size == 0; });
        ts.Scan();
        ts.SetRecording(nullptr, nullptr);
        if (!ts.Running) break;
        pg.StepBy(1);
      }
    }
    if (cbZeroLength.checked()) {
      for (std::size_t i = 0; i < drives.size(); ++i) {
        tsZero.SetInitialDirectory(DriveRoot(drives[i]));
        if (!tsZero.Running) break;
        if (i < emptyFiles_.size() && tsZero.CanReplay(emptyFiles_[i]))
          tsZero.Replay(emptyFiles_[i]);
        else
          tsZero.Scan();
        if (!tsZero.Running) break;
        pg.StepBy(1);
      }
    }
  } catch (...) {
    failure = std::current_exception();
  }
  // Always: a failed pass still returns the window to idle with its end lines.
  try {
    log.Line("  Scan End.");
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
  ScanEnd(true);
  if (failure) std::rethrow_exception(failure);
}

void TfrmJunk::ScanStart() {
  fileIcons_->Clear();
  const int drives = int(DiskListView1.SelectedDrives().size());
  const int maximum = drives + (cbTemp.checked() ? 1 : 0) + (cbZeroLength.checked() ? drives : 0);
  pg.SetRange(0, maximum);
  pg.SetPosition(0);
  cmdGo.SetCaption("&Stop");
  cmdGo.SetHint(kStopHint);
  cmdHelp.SetVisible(false);
  aviSearch.SetVisible(true);
  aviSearch.Start();
  ts.SetFileMaskCommaText("");
  ts.Running = true;
  tsZero.Running = true;
  tempSkipped_.clear();
  moveFolder_ = deMove.text();  // the removal page is locked while the scan runs
  lv.Clear();
  cmdExit.SetEnabled(false);
  SetToolbarHeight(0);
  PageControl1.SetEnabled(false);
  lvChange();
}

void TfrmJunk::ScanEnd(bool completed) {
  // Files found before the end (or the Stop) are still listed.
  session_.TakeAll();
  ts.Running = false;
  tsZero.Running = false;
  cmdGo.SetCaption("&Scan");
  aviSearch.Stop();
  aviSearch.SetVisible(false);
  cmdHelp.SetVisible(true);
  cmdExit.SetEnabled(true);
  pg.SetPosition(0);
  if (lv.itemCount() == 0) {
    SetToolbarHeight(0);
  } else {
    SetToolbarHeight(kToolbarHeight);
    SelectOnlyRow(0);
    if (visible()) lv.SetFocus();
  }
  PageControl1.SetEnabled(true);
  cmdGo.SetHint(kGoHint);
  lvChange();

  // A skipped temporary folder stays said after the scan.
  if (!tempSkipped_.empty()) sb.SetText(1, ScanCompleteText(NumBytes(), lv.itemCount()) + "  " + tempSkipped_);
  // A manual log notes what was found only when the scan ran to its end.
  if (log.scheduled() || completed) log.Lines({"", FoundLine(NumBytes(), lv.itemCount())});
}

std::int64_t TfrmJunk::NumBytes() const { return std::int64_t(lv.TotalSize()); }

void TfrmJunk::tsDirectoryFound(scan::TTreeScanner& s) { session_.AtFolder(s); }

// The tests the listing can answer; the rest wait for the file's probe.
bool TfrmJunk::PassesCommonFilter(scan::TTreeScanner& s) {
  if (s.ProcessMessages) s.ProcessMessages();
  if (!s.Running) return false;
  const std::string& path = s.FileFound();
  if (InsideMoveGuard(ExtractFilePath(path), session_.active() ? moveFolder_ : deMove.text())) return false;
  // Known from the listing; the probe looks again.
  if (cbSkipAttr.checked() && (s.FileAttributes() & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM))) return false;
  return true;
}

void TfrmJunk::tsFileFound(scan::TTreeScanner& s) {
  if (PassesCommonFilter(s)) session_.Add(s, kPatternPass);
}

void TfrmJunk::tsZeroFileFound(scan::TTreeScanner& s) {
  // The listing already says the file is not empty: nothing to judge.
  if (s.FileSize() != 0) return;
  if (PassesCommonFilter(s)) session_.Add(s, kZeroPass);
}

// The rest of the file filter, on what the probe found, then the row.
void TfrmJunk::ListFile(scan::FoundFile& found, FileProbe& probe) {
  const std::string& path = found.path;
  if (!probe.exists) return;  // gone since the listing
  if (RestrictedFile(probe)) return;
  // The zero-length pass looks the entry up: only a file still empty counts.
  if (found.pass == kZeroPass && probe.file.size != 0) return;
  if (lv.Listed(path)) return;
  std::uint64_t size = 0;
  // Only programs and libraries ("MZ") and icon files hold icons of their own.
  lv.AddFile(path, probe.file, size, AssociatedIcon(path, probe.file.program || probe.iconFile));
}

int TfrmJunk::AssociatedIcon(const std::string& path, bool mayHoldIcons) {
  return mayHoldIcons ? fileIcons_->Add(path, 0) : 0;
}

void TfrmJunk::FormDpiChanged() {
  fileIcons_->Resize(MulDiv(16, dpi(), 96));
  lv.SetImageList(fileIcons_->get());
}

bool TfrmJunk::RestrictedFile(const FileProbe& probe) {
  if (cbSkipAttr.checked() && (probe.file.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM))) return true;
  if (cbDays.checked()) {
    const int days = DaysFromText(std::to_string(udDays.value()));
    if (AccessedTooRecently(days, NowDateTime(), probe.lastAccess)) return true;
  }
  // In use: it could not be opened for writing with no sharing (FileIsLocked).
  if (cbInUse.checked() && !probe.exclusive) return true;
  return false;
}

void TfrmJunk::tsSearchDone(scan::TTreeScanner& s) {
  session_.TakeAll();
  const std::int64_t bytes = NumBytes();
  sb.SetText(1, ScanCompleteText(bytes, lv.itemCount()));
  if (bytes != 0) log.Line(ScannedLine(s.InitialDirectory(), &s == &tsZero));
}

// ---- Results ---------------------------------------------------------------

void TfrmJunk::SetToolbarHeight(int height) {
  tb.SetBounds({8, kResultsTop, clientWidth() - 16, height});
  const int top = kResultsTop + height;
  const int bottom = std::max(top + 20, clientHeight() - sb.height() - 6);
  lv.SetBounds({8, top, clientWidth() - 16, bottom - top});
}

void TfrmJunk::SelectOnlyRow(int row) {
  lv.ClearSelection();
  if (row >= 0 && row < lv.itemCount()) {
    lv.SetSelected(row, true);
    lv.EnsureVisible(row);
  }
}

void TfrmJunk::lvChange() {
  const size_t selected = lv.SelectedRows().size();
  const bool idle = busy_ == Busy::Idle;
  const bool one = selected == 1, some = selected >= 1 && idle;
  tb.SetButtonEnabled(kTbView, one);
  mnuView.SetEnabled(one);
  tb.SetButtonEnabled(kTbProps, one);
  mnuProps.SetEnabled(one);
  tb.SetButtonEnabled(kTbDelete, some);
  mnuDelete.SetEnabled(some);
  R1.SetEnabled(some);
  mnuSelAll.SetEnabled(some);
  D1.SetEnabled(lv.itemCount() > 0 && idle);
}

void TfrmJunk::mnuSelAllClick() {
  lv.SelectAll();
  lvChange();
}

void TfrmJunk::D1Click() {
  if (busy_ != Busy::Idle) return;
  lv.SelectAll();
  lvChange();
  cmdDeleteClick();
}

shell::RemovalResult TfrmJunk::Perform_Delete(const scan::FileRow& file) {
  // The window stays live; asking for messages before every file cost as
  // much as a tenth of the removal.
  pump_();
  return removal.Remove({file.path, file.file.size, file.file.written, std::nullopt});
}

void TfrmJunk::RemoveSelectedRows(const std::unordered_set<std::string>& removed) {
  // From the last row up, so removing every row of a long list never shifts
  // the rest; the list is redrawn once at the end.
  lv.BeginUpdate();
  struct EndUpdate {
    scan::TFileListView& lv;
    ~EndUpdate() { lv.EndUpdate(); }
  } end{lv};
  for (int row = lv.itemCount() - 1; row >= 0; --row) {
    if (row >= lv.itemCount() || !lv.Selected(row) || !removed.count(lv.FilePath(row))) continue;
    lv.DeleteRow(row);
    pump_();
  }
}

void TfrmJunk::cmdDeleteClick() {
  // One command at a time: nothing is removed while a scan fills the list.
  if (busy_ != Busy::Idle || lv.SelectedRows().empty()) return;
  if (!ScheduledRun && cbConfirm.checked()) {
    if (ui::dialogs().Message(handle(), "Are you sure you wish to remove the selected file(s) ?", "Please confirm",
                              ui::MsgButtons::YesNo, ui::MsgIcon::Warning) != ui::MsgResult::Yes)
      return;
  }
  if (!removal.BeginCommand()) return;
  pump_.Reset();
  int firstSelected = -1;
  {
    BusyScope busy{*this, Busy::Removing};
    ui::WaitCursor wait;
    struct StatusOnExit {
      TfrmJunk& f;
      ~StatusOnExit() { f.sb.SetText(1, TotalSpaceText(f.SpaceRecovered, f.FilesRemoved)); }
    } status{*this};

    // The records first: messages run during each removal.
    std::vector<scan::FileRow> files;
    for (int row = 0; row < lv.itemCount(); ++row)
      if (lv.Selected(row) && lv.File(row)) files.push_back(*lv.File(row));
    std::unordered_set<std::string> removed;
    for (const scan::FileRow& file : files) {
      // Counted only once it really left its path: a file in use, one that
      // changed, or one that could not be removed keeps its row and adds nothing.
      const shell::RemovalResult result = Perform_Delete(file);
      if (result.status == shell::RemovalStatus::InUse) {
        log.Line(InUseLine(file.path));
        if (!log.scheduled() && log.writing()) shell::ShowHintOnce("JunkInUse", InUseHint(file.path));
        continue;
      }
      if (!result.removed()) {
        if (result.status == shell::RemovalStatus::NoMoveFolder) break;  // nothing more can move
        continue;
      }
      SpaceRecovered += std::int64_t(file.file.size);
      ++FilesRemoved;
      removed.insert(file.path);
    }
    const std::vector<int> sel = lv.SelectedRows();
    if (!sel.empty()) firstSelected = sel.front();
    RemoveSelectedRows(removed);
  }
  if (lv.itemCount() > 0) {
    SelectOnlyRow(firstSelected >= 0 && firstSelected < lv.itemCount() ? firstSelected : 0);
  } else {
    SetToolbarHeight(0);
  }
  lvChange();
  CloseIfAsked();
}

TfrmJunk::BusyScope::BusyScope(TfrmJunk& form, Busy state) : f(form) {
  f.busy_ = state;
  if (state == Busy::Removing) {
    // No scan and no exit until the removal is over.
    f.cmdGo.SetEnabled(false);
    f.cmdExit.SetEnabled(false);
  }
  f.lvChange();
}

TfrmJunk::BusyScope::~BusyScope() {
  if (f.busy_ == Busy::Removing) {
    f.cmdGo.SetEnabled(true);
    f.cmdExit.SetEnabled(true);
  }
  f.busy_ = Busy::Idle;
  f.lvChange();
}

void TfrmJunk::CloseIfAsked() {
  if (!closeAsked_) return;
  closeAsked_ = false;
  Close();  // now that the work is over: the closing block is written once, after it
}

void TfrmJunk::cmdViewClick() {
  const std::vector<int> sel = lv.SelectedRows();
  if (sel.empty()) return;
  const bool started = shell::QuickViewFile(lv.FilePath(sel.front()));
  tb.SetButtonEnabled(kTbView, started);
  mnuView.SetEnabled(started);
}

void TfrmJunk::cmdPropsClick() {
  const std::vector<int> sel = lv.SelectedRows();
  if (sel.empty()) return;
  OpenWithShell("properties", lv.FilePath(sel.front()));
}

void TfrmJunk::lvDblClick() {
  const std::vector<int> sel = lv.SelectedRows();
  if (sel.empty()) return;
  const int row = sel.front();
  if (!FileExists(lv.FilePath(row))) {
    lv.DeleteRow(row);
    if (lv.itemCount() == 0) SetToolbarHeight(0);
    lvChange();
    return;
  }
  cmdPropsClick();
}

}  // namespace velmora::junk
