#include "tools/regclean/frm_regclean.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>
#include <exception>
#include <stdexcept>

#include "platform/datetime.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/services.h"
#include "platform/text.h"
#include "shell/common_icons.h"
#include "shell/commontools.h"
#include "shell/help.h"
#include "shell/hint.h"
#include "shell/quiet_run.h"
#include "shell/settings.h"
#include "shell/utilities.h"
#include "tools/regclean/reg_backup.h"
#include "tools/regclean/undo_session.h"
#include "ui/app.h"
#include "ui/dialogs.h"

namespace velmora::regclean {

namespace {

constexpr int kClientWidth = 620;
constexpr int kClientHeight = 460;
constexpr int kResultsTop = 214;
constexpr int kToolbarHeight = 38;

const char* const kStartHint = "Begin scanning your registry";
const char* const kStopHint = "Abort the current scan (may take a moment)";
const char* const kRegistryHint =
    "In order to utilize the Registry Cleaner's backup and restore functions you must be logged in as an "
    "administrator, thus these features have been temporarily removed.";

struct Area {
  const char* caption;
  const char* description;
  const char* stored;
  const char* analyzing;
};
const Area kAreas[] = {
    {"HKEY_CURRENT_USER", "Stores information about the currently logged-in user", "CU", "HKEY_CURRENT_USER"},
    {"HKEY_USERS", "Stores information about all configured users", "US", "HKEY_USERS"},
    {"HKEY_LOCAL_MACHINE", "Stores global information about the computer", "LM", "HKEY_LOCAL_MACHINE"},
    {"Invalid shared DLL's", "Find orphaned references to system-shared .dll files", "SD", "Shared DLL References"}};

// "mm/dd/yyyy hh:mmAM/PM" in local time.
std::string ModificationText(const FILETIME& utc) {
  FILETIME local{};
  SYSTEMTIME st{};
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return {};
  const int hour12 = st.wHour % 12 == 0 ? 12 : st.wHour % 12;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02u/%02u/%04u %02d:%02u%s", st.wMonth, st.wDay, st.wYear, hour12, st.wMinute,
                st.wHour < 12 ? "AM" : "PM");
  return buf;
}

std::string FoundLine(int count) { return "Number of invalid entries found: " + std::to_string(count); }


// Lets messages run until at least `ms` have passed since `start`.
void PauseUntil(unsigned long long start, unsigned ms) {
  while (GetTickCount64() - start < ms) {
    ui::ProcessMessages();
    Sleep(10);
  }
}

}  // namespace

TfrmRegClean::TfrmRegClean()
    : mnuSelected(pmList.Add("&Remove Selected Entries", [this] { mnuSelectedClick(); }, "Del")),
      mnuAll(pmList.Add("Remove &All Entries", [this] { mnuAllClick(); }, "Ctrl+Del")),
      mnuSep(pmList.AddSeparator()),
      mnuSelectAll(pmList.Add("&Select All", [this] { N1Click(); })),
      R1(pmRemove.Add("&Remove Selected Entries", [this] { mnuSelectedClick(); })),
      R2(pmRemove.Add("Remove &All Entries", [this] { mnuAllClick(); })),
      pgc(*this, {8, 8, 500, 198}),
      tsOptions(pgc, "Options"),
      tsBackup(pgc, "Backup / Restore"),
      lvScanFor(tsOptions, {8, 8, 476, 98}, /*checkBoxes=*/true, /*multiSelect=*/true),
      cbExclude(tsOptions, {12, 110, 460, 20}, "&Exclude references to CDROM or network drives", true),
      cbRescan(tsOptions, {12, 132, 460, 20}, "&Re-scan after removal", false),
      cbBackup(tsOptions, {34, 154, 440, 20}, "&Backup registry files before scanning", true),
      Image2(tsOptions, {12, 156, 16, 16}),
      lblBackup(tsBackup, {12, 8, 476, 44},
                "A copy of the whole registry, made before each scan, is kept in the \"Registry Backup\" folder; "
                "restoring it writes back everything missing now. To undo one removal, use the Undo page of the "
                "Tool Action Logs."),
      cmdBackup(tsBackup, {12, 56, 180, 26}, "&Perform Backup Now"),
      cmdRestore(tsBackup, {12, 90, 180, 26}, "&Restore From Backup"),
      btnStart(*this, {518, 30, 94, 26}, "Scan &Registry", ui::ButtonRole::Default),
      cmdHelp(*this, {518, 62, 94, 26}, "&Help"),
      cmdExit(*this, {518, 94, 94, 26}, "&Exit", ui::ButtonRole::Cancel),
      aviSearch(*this, {530, 130, 70, 60}),
      tb(*this, {8, kResultsTop, 604, 0}),
      lv(*this, {8, kResultsTop, 604, 206}, /*checkBoxes=*/false, /*multiSelect=*/true),
      sb(*this),
      storage(*this, "Software\\Dastra\\Velmora\\regclean\\", "Pos") {
  storage.Add(cbRescan, "cbRescan.Checked");
  storage.Add(cbBackup, "cbBackup.Checked");
  lvScanFor.AddColumn("Location to scan", 160);
  lvScanFor.AddColumn("Description", 300);
  lv.AddColumn("Registry Key", 250);
  lv.AddColumn("Last Modification", 130);
  lv.AddColumn("Key", 110);
  lv.AddColumn("Invalid Reference Value", 200);
  lv.SetPopupMenu(&pmList);
  lv.SetAccessibleName("Invalid registry entries found");
  storage.Add(lv, "lv");
  pmRemove.AddScope(&lv);
  btnStart.SetHint(kStartHint);

  btnStart.onClick = [this] { btnStartClick(); };
  cmdExit.onClick = [this] { cmdExitClick(); };
  cmdHelp.onClick = [this] { cmdHelpClick(); };
  cmdBackup.onClick = [this] { cmdBackupClick(); };
  cmdRestore.onClick = [this] { cmdRestoreClick(); };
  Image2.onClick = [this] { Image2Click(); };
  lv.onSelectionChange = [this] { lvChange(); };
  lvScanFor.onCheckChange = [this](int) { lvScanForChange(); };
  lvScanFor.onSelectionChange = [this] { lvScanForChange(); };

  ui::FormArgs args;
  args.className = "TfrmRegClean";
  args.caption = "Registry Cleaner";
  args.clientWidth = kClientWidth;
  args.clientHeight = kClientHeight;
  args.sizeable = true;  // the results list grows with the window
  for (ui::Control* c : std::initializer_list<ui::Control*>{&btnStart, &cmdHelp, &cmdExit, &aviSearch}) c->SetAnchors(ui::akRight | ui::akTop);
  args.helpTopic = kRegCleanTopic;
  args.freeOnClose = true;
  Create(args);
}

void TfrmRegClean::FormCreate() {
  shell::Tcommontools& common = shell::commontools();
  cmdHelp.SetGlyph(common.SmallAt(shell::SmallPic::Help16, dpi()));
  Image2.SetPicture(common.SmallAt(shell::SmallPic::Confirm, dpi()));
  lvScanFor.SetImageList(common.ilCommon16.get());
  lv.SetImageList(common.ilCommon16.get());
  tb.SetImageList(common.ilCommon16.get());
  tb.AddButton("Remove", shell::common_icon::kDelete, [this] { cmdRemoveClick(); }, &pmRemove);
  sb.SetPanels({240, -1});
  aviSearch.SetVisible(false);
  for (int i = 0; i < 4; ++i) {
    const int row = lvScanFor.AddItem(kAreas[i].caption,
                                      i == 3 ? shell::common_icon::kSharedLibrary : shell::common_icon::kRegistryValue);
    lvScanFor.SetSubItem(row, 0, kAreas[i].description);
    lvScanFor.SetChecked(row, shell::ReadBoolSetting(kAreasKey, kAreas[i].stored));
  }
  lvScanForChange();
  SetToolbarHeight(0);
  tb.SetButtonEnabled(kTbRemove, false);
  lvChange();
}

void TfrmRegClean::FormShow() {
  SetToolbarHeight(0);
  tb.SetButtonEnabled(kTbRemove, false);
  // The backup page serves only those who may write the whole registry back.
  const bool mayBackUp = !services().isWindowsNT() || shell::IsAdministrator();
  tsBackup.SetTabVisible(mayBackUp);
  // No scan runs without a backup unless the user unticks it for this window.
  cbBackup.SetChecked(true);
  ManualLogging = log.ReadManualSwitch();
  RemovedCount = 0;
  log.OpenSession("SESSION START: ");
  // On the first showing, not at creation: an unattended run is never shown,
  // and a box there would wait for ever.
  if (!shownOnce_) {
    shownOnce_ = true;
    if (!ScheduledRun && !shell::IsAdministrator()) shell::ShowHintOnce("Registry", kRegistryHint);
  }
}

void TfrmRegClean::FormCloseQuery(bool& canClose) {
  StopRequested = true;
  for (int i = 0; i < 4; ++i) shell::WriteBoolSetting(kAreasKey, kAreas[i].stored, lvScanFor.Checked(i));
  const std::string total = "NUMBER OF INVALID REFERENCES REMOVED: " + std::to_string(RemovedCount);
  log.CloseSession({total});
  shell::AddStatistic(shell::stat::kRegRefs, RemovedCount);
  RemovedCount = 0;  // once per session
  canClose = true;
}

void TfrmRegClean::cmdHelpClick() { shell::OpenHelpTopic(kRegCleanTopic); }

void TfrmRegClean::cmdExitClick() {
  StopRequested = true;
  Close();
}

void TfrmRegClean::Image2Click() { cbBackup.SetChecked(!cbBackup.checked()); }

void TfrmRegClean::lvScanForChange() {
  static bool syncing = false;
  if (syncing) return;
  syncing = true;
  for (int row = 0; row < lvScanFor.itemCount(); ++row) lvScanFor.SetSelected(row, lvScanFor.Checked(row));
  syncing = false;
}

void TfrmRegClean::lvChange() {
  const bool rows = lv.itemCount() > 0, selected = !lv.SelectedRows().empty();
  mnuAll.SetEnabled(rows);
  R2.SetEnabled(rows);
  mnuSelected.SetEnabled(selected);
  R1.SetEnabled(selected);
  mnuSelectAll.SetEnabled(selected);
}

void TfrmRegClean::Report(const std::string& text, ui::MsgIcon icon) {
  // Nobody may be there to answer an unattended run: its log gets the text.
  if (ScheduledRun) {
    log.Line("  " + text);
    if (icon == ui::MsgIcon::Error) shell::NoteRunFailure(text);
    return;
  }
  ui::dialogs().Message(handle(), text, "Velmora", ui::MsgButtons::Ok, icon);
}

void TfrmRegClean::SetToolbarHeight(int height) {
  tb.SetBounds({8, kResultsTop, clientWidth() - 16, height});
  const int top = kResultsTop + height;
  const int bottom = std::max(top + 20, clientHeight() - sb.height() - 6);
  lv.SetBounds({8, top, clientWidth() - 16, bottom - top});
}

void TfrmRegClean::SelectOnly(int row) {
  lv.ClearSelection();
  if (row >= 0 && row < lv.itemCount()) {
    lv.SetSelected(row, true);
    lv.EnsureVisible(row);
  }
  lvChange();
}

// ---- Scan ------------------------------------------------------------------

void TfrmRegClean::btnStartClick() {
  if (btnStart.caption() == "&Stop") {
    StopRequested = true;
    btnStart.SetCaption("Scan &Registry");
    btnStart.SetHint(kStartHint);
    return;
  }
  if (scanning_) return;  // a scan still unwinding after a Stop: no second one inside it
  scanning_ = true;
  btnStart.SetHint(kStopHint);
  btnStart.SetCaption("&Stop");
  cmdBackup.SetEnabled(false);
  cmdRestore.SetEnabled(false);
  pgc.SetEnabled(false);
  log.StartOperation();
  if (!ScheduledRun) log.Line("  Scanning registry for invalid references.");
  cmdExit.SetEnabled(false);
  lv.Clear();
  std::exception_ptr failure;
  try {
    ScanRegistry();
  } catch (...) {
    failure = std::current_exception();
    // A driver waits for one of the two end signs.
    sb.SetText(0, kScanInterrupted);
    aviSearch.Stop();
    aviSearch.SetVisible(false);
    cmdExit.SetEnabled(true);
  }
  btnStart.SetCaption("&Scan Registry");
  btnStart.SetHint(kStartHint);
  cmdBackup.SetEnabled(true);
  cmdRestore.SetEnabled(true);
  pgc.SetEnabled(true);
  scanning_ = false;
  log.Line("  Scan complete. " + std::to_string(lv.itemCount()) + " invalid references found.");
  if (failure) std::rethrow_exception(failure);
}

void TfrmRegClean::ScanRegistry() {
  StopRequested = false;
  BackupFailed = false;
  scanHadBackup_ = false;
  backupHashes_.clear();
  if (cbBackup.checked()) {
    if (ScheduledRun) log.Line("  Backing up registry files...");
    if (!BackupRegistry(/*silent=*/true)) {
      // Nothing is listed without the backup that was asked for.
      StopRequested = true;
      sb.SetText(0, kScanInterrupted);
      sb.SetText(1, FoundLine(0));
      cmdExit.SetEnabled(true);
      return;
    }
    scanHadBackup_ = true;
  }
  aviSearch.SetVisible(true);
  aviSearch.Start();
  tb.SetButtonEnabled(kTbRemove, false);
  pump_.Reset();
  status_.Reset();
  ScanHooks hooks;
  hooks.env = SystemReferenceEnv(cbExclude.checked());
  hooks.stop = &StopRequested;
  hooks.pump = [this] { pump_(); };
  hooks.status = [this](const std::u16string& key) {
    if (status_.Due()) sb.SetText(1, "Analyzing: " + Utf8(key));
  };
  hooks.found = [this](Finding&& f) { AddRow(std::move(f)); };
  for (int i = 0; i < 4 && !StopRequested; ++i) {
    if (!lvScanFor.Checked(i)) continue;
    log.Line(std::string("  Analyzing: ") + kAreas[i].analyzing + "...");
    sb.SetText(0, std::string("Analyzing: ") + kAreas[i].analyzing);
    RootName = i == 1 ? "HKEY_USERS" : i == 0 ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
    ScanRegistryArea(static_cast<ScanArea>(i), hooks);
  }
  aviSearch.Stop();
  aviSearch.SetVisible(false);
  sb.SetText(0, StopRequested ? kScanInterrupted : kScanCompleted);
  sb.SetText(1, FoundLine(lv.itemCount()));
  if (lv.itemCount() == 0 && !StopRequested) {
    if (ScheduledRun) {
      log.Line("  Registry Already Clean: No invalid references detected.");
      log.CompleteOperation({});
    } else {
      ui::dialogs().Message(handle(), "No invalid references detected.", "Velmora", ui::MsgButtons::Ok,
                            ui::MsgIcon::Information);
    }
  }
  SetToolbarHeight(lv.itemCount() > 0 ? kToolbarHeight : 0);
  tb.SetButtonEnabled(kTbRemove, lv.itemCount() > 0);
  cmdExit.SetEnabled(true);
  lvChange();
}

void TfrmRegClean::AddRow(Finding&& f) {
  const bool shared = f.area == ScanArea::SharedDlls;
  // The three root areas show the key with a leading "\", the shared-library table without.
  const std::string caption = Utf8(f.rootName) + ": " + (shared ? "" : "\\") + Utf8(f.keyPath);
  const int row =
      lv.AddItem(caption, shared ? shell::common_icon::kSharedLibrary : shell::common_icon::kRegistryValue);
  lv.SetSubItem(row, 0, ModificationText(f.lastWrite));
  lv.SetSubItem(row, 1, Utf8(f.valueName));
  lv.SetSubItem(row, 2, Utf8(f.text));
  auto record = std::make_unique<RegRow>();
  record->finding = std::move(f);
  lv.SetPayload(row, std::move(record));
  if (row == 0) lv.SetSelected(0, true);  // the first row found is selected
}

// ---- Removal -----------------------------------------------------------------

namespace {

std::string RecheckReason(Recheck check) {
  switch (check) {
    case Recheck::Gone: return "it is no longer there";
    case Recheck::Changed: return "it has changed since the scan";
    case Recheck::NowValid: return "its reference is valid now";
    case Recheck::NotInBackup: return "the backup does not hold it";
    default: return "";
  }
}

}  // namespace

int TfrmRegClean::RemoveRows(bool all) {
  UndoRecorder journal("Registry Cleaner", "Removed invalid references",
                       JournalFolder.empty() ? UndoFolder() : JournalFolder);
  struct Planned {
    int row;
    int item;
  };
  std::vector<Planned> planned;
  std::vector<std::pair<int, std::string>> keptRows;  // row and why it stays
  std::exception_ptr failure;
  ui::WaitCursor wait;
  // First every row is looked at again and what will go is recorded; the
  // journal is written once, before the first deletion.
  try {
    for (int row = 0; row < lv.itemCount(); ++row) {
      if (!all && !lv.Selected(row)) continue;
      const RegRow* r = lv.PayloadAs<RegRow>(row);
      if (!r) continue;
      const Finding& f = r->finding;
      const Recheck check =
          RecheckFinding(f, SystemReferenceEnv(cbExclude.checked()), scanHadBackup_ ? &backupHashes_ : nullptr);
      if (check == Recheck::KeyUnreadable)
        throw std::runtime_error("Error opening registry key \\" + Utf8(f.keyPath));
      if (check != Recheck::Delete) {
        keptRows.emplace_back(row, RecheckReason(check));  // changed, fixed, gone or not backed up: left alone
        continue;
      }
      RegFileValue value;
      value.isDefault = f.valueName.empty();
      value.name = f.valueName;
      value.type = f.type;
      value.data = f.data;
      const int item = journal.AddValue(f.rootName, f.keyPath, value);
      if (item < 0)
        keptRows.emplace_back(row, "the undo journal cannot hold its name");
      else
        planned.push_back({row, item});
    }
  } catch (...) {
    failure = std::current_exception();  // the rows before it are still removed
  }
  if (!planned.empty() && !journal.Begin()) {
    const std::string why =
        "the undo journal cannot be written (" + SystemErrorText(journal.error() ? journal.error() : ERROR_INVALID_DATA) + ")";
    for (const Planned& p : planned) keptRows.emplace_back(p.row, why);
    planned.clear();
  }
  std::vector<int> removed;
  for (const Planned& p : planned) {
    const Finding& f = lv.PayloadAs<RegRow>(p.row)->finding;
    if (!DeleteFinding(f)) {
      keptRows.emplace_back(p.row, "the registry refused its deletion");
      continue;
    }
    journal.Went(p.item);
    log.Lines({"  Removing invalid reference...", "      KEY: " + Utf8(f.rootName) + "\\" + Utf8(f.keyPath),
               "      VALUE: " + Utf8(f.valueName)});
    ++RemovedCount;
    removed.push_back(p.row);
  }
  journal.Finish();
  LastSession = journal.path();
  // A value that did not go keeps its row, and says why.
  std::sort(keptRows.begin(), keptRows.end());
  for (const auto& [row, why] : keptRows) {
    const Finding& f = lv.PayloadAs<RegRow>(row)->finding;
    log.Line("  Not removed (" + why + "): " + Utf8(f.rootName) + "\\" + Utf8(f.keyPath) + " " + Utf8(f.valueName));
    if (!all) lv.SetSelected(row, false);
  }
  if (!keptRows.empty()) {
    const std::size_t kept = keptRows.size();
    sb.SetText(0, std::to_string(kept) + (kept == 1 ? " entry was" : " entries were") +
                      " not removed: " + keptRows.front().second);
  }
  for (auto it = removed.rbegin(); it != removed.rend(); ++it) lv.DeleteRow(*it);
  // The index the last removed row had once the rows before it were gone.
  const int last = removed.empty() ? -1 : removed.back() - int(removed.size() - 1);
  if (failure) std::rethrow_exception(failure);
  return last;
}

void TfrmRegClean::cmdRemoveClick() {
  if (!lv.SelectedRows().empty()) Remove_Selected();
}

void TfrmRegClean::mnuSelectedClick() { Remove_Selected(); }
void TfrmRegClean::mnuAllClick() { Remove_All(); }

void TfrmRegClean::N1Click() {
  for (int row = 0; row < lv.itemCount(); ++row) lv.SetSelected(row, true);
  lvChange();
}

void TfrmRegClean::Remove_Selected() {
  const std::size_t selected = lv.SelectedRows().size();
  if (selected == 0) return;
  const std::string question = selected == 1 ? "Are you sure you want to remove selected entry from the Registry?"
                                             : "Are you sure you want to remove " + std::to_string(selected) +
                                                   " selected entries from the Registry?";
  if (!ScheduledRun && ui::dialogs().Message(handle(), question, "Please Confirm", ui::MsgButtons::YesNo,
                                             ui::MsgIcon::Warning) != ui::MsgResult::Yes)
    return;
  const int last = RemoveRows(/*all=*/false);
  sb.SetText(1, FoundLine(lv.itemCount()));
  if (lv.itemCount() > 0 && last >= 0) SelectOnly(std::min(last, lv.itemCount() - 1));
  if (lv.itemCount() == 0) {
    SetToolbarHeight(0);
    tb.SetButtonEnabled(kTbRemove, false);
  }
  lvChange();
  if (cbRescan.checked()) btnStart.Click();
}

void TfrmRegClean::Remove_All() {
  if (!ScheduledRun) {
    if (ui::dialogs().Message(handle(), "Are you sure you want to remove all displayed entries from the Registry?",
                              "Please Confirm", ui::MsgButtons::YesNo, ui::MsgIcon::Warning) != ui::MsgResult::Yes)
      return;
  } else {
    log.Line("  Start: Removing invalid references");
  }
  RemoveRows(/*all=*/true);
  const bool left = lv.itemCount() > 0;
  tb.SetButtonEnabled(kTbRemove, left);
  SetToolbarHeight(left ? kToolbarHeight : 0);
  sb.SetText(1, FoundLine(lv.itemCount()));
  lvChange();
  if (!ScheduledRun && cbRescan.checked()) btnStart.Click();
  if (ScheduledRun) {
    log.Line("  Finish: Removing invalid references");
    log.CompleteOperation({"NUMBER OF INVALID REFERENCES REMOVED: " + std::to_string(RemovedCount)});
  }
}

// ---- Backup and restore ------------------------------------------------------

std::string TfrmRegClean::BackupPath() { return shell::DataFolder() + "Registry Backup\\Reg_Backup.reg"; }

bool TfrmRegClean::BackupRegistry(bool silent) {
  if (!ScheduledRun) log.Line("  Backing up registry files.");
  const std::string path = BackupPath();
  CreateFolderPath(ExtractFilePath(path));
  if (!silent && FileExists(path) &&
      ui::dialogs().Message(handle(), "A backup copy of the registry exists - do you want to update it?",
                            "Existing Backup...", ui::MsgButtons::YesNo, ui::MsgIcon::Question) != ui::MsgResult::Yes)
    return true;
  BackupResult result;
  {
    ui::WaitCursor wait;
    sb.SetText(0, "Backing up registry files...");
    const unsigned long long start = GetTickCount64();
    // Stop reaches the backup of a scan; "Perform Backup Now" runs to its end.
    result = ExportRegistry(path, [this] { pump_(); }, silent ? &StopRequested : nullptr);
    if (!result.stopped) PauseUntil(start, BackupPauseMs);
  }
  if (result.stopped) {
    // Stop during the backup: the old backup stays, nothing is listed.
    sb.SetText(0, kScanInterrupted);
    return false;
  }
  if (!result.ok) {
    BackupFailed = true;
    Report("There was an error while backing up the registry.\r\n\r\nError Number: " + std::to_string(result.error));
    sb.SetText(0, "Registry backup procedure complete...");
    return false;
  }
  backupHashes_ = std::move(result.hashes);
  // What the unattended log can tell later: how much the backup holds, and
  // how many keys it had to leave out (unreadable, or gone while walked).
  if (ScheduledRun)
    log.Line("  Registry backed up: " + std::to_string(result.keys) + " keys, " + std::to_string(result.values) +
             " values, " + std::to_string(result.skippedKeys) + " keys left out.");
  if (!silent)
    ui::dialogs().Message(handle(), "Registry files successfully backed up to:\r\n\r\n" + path, "Velmora",
                          ui::MsgButtons::Ok, ui::MsgIcon::Information);
  sb.SetText(0, "Registry backup procedure complete...");
  return true;
}

bool TfrmRegClean::RestoreRegistry() {
  if (!ScheduledRun) log.Line("  Restoring registry files from backup.");
  const std::string path = BackupPath();
  const auto entry = FindEntry(path);
  if (!entry) {
    Report("No backup copy of the registry exists.", ui::MsgIcon::Information);
    return false;
  }
  const std::string date = FormatDateTime(FileTimeToLocalDateTime(entry->written));
  if (ui::dialogs().Message(handle(),
                            "Write back the registry entries that are missing now from the backup of " + date +
                                "?\r\n\r\nEntries present now are left as they are.",
                            "Please Confirm", ui::MsgButtons::YesNo, ui::MsgIcon::Question) != ui::MsgResult::Yes)
    return false;
  RestoreResult result;
  {
    ui::WaitCursor wait;
    sb.SetText(0, "Restoring Registry");
    const unsigned long long start = GetTickCount64();
    result = MergeRegistryFile(path, [this] { pump_(); });
    PauseUntil(start, BackupPauseMs);
  }
  if (!result.ok) {
    std::string text = "There was an error while restoring the registry.\r\n\r\nError Number: " +
                       std::to_string(result.error);
    if (!result.problem.empty()) text += "\r\n\r\n" + result.problem;
    if (result.failures > 1) text += "\r\n(" + std::to_string(result.failures) + " entries could not be written.)";
    Report(text);
    sb.SetText(0, "Restore procedure complete");
    return false;
  }
  log.Line("  Restored " + std::to_string(result.valuesWritten) + " values, " + std::to_string(result.valuesPresent) +
           " already there.");
  sb.SetText(0, "Restore procedure complete");
  return true;
}

void TfrmRegClean::cmdBackupClick() { BackupRegistry(/*silent=*/false); }
void TfrmRegClean::cmdRestoreClick() { RestoreRegistry(); }

}  // namespace velmora::regclean
