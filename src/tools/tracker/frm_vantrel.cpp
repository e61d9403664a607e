#include "tools/tracker/frm_vantrel.h"

#include <windows.h>

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "platform/datetime.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/system.h"
#include "platform/text.h"
#include "shell/commontools.h"
#include "shell/help.h"
#include "shell/list_functions.h"
#include "shell/settings.h"
#include "shell/utilities.h"
#include "tools/tracker/change_report.h"
#include "tools/tracker/exe_type.h"
#include "tools/tracker/tracker_engine.h"
#include "ui/dialogs.h"

namespace velmora::tracker {

namespace {

constexpr UINT kSetupDoneMessage = WM_APP + 16;
constexpr int kActionPage = 0, kSnapshotPage = 4, kReportPage = 5;

const char* const kTwoPhaseName = "(two phase operation)";
const char* const kManualName = "Manual System Snapshot";
const char* const kAborted = "Procedure Aborted.";
const char* const kSelectInstallMessage =
    "You must select a valid installation file if you are going to use this option.  Select the folder icon next "
    "to the box labeled \"Install Program\" to browse for an installation file.";
const char* const kMissingSetupMessage =
    "The installation file you have specified does not exist.\r\rIf you would like to take a snapshot of your "
    "system for later comparison, clear the installation file box first.";
const char* const kManualMessage =
    "You have chosen to perform a manual snapshot of your system.  When you select OK, Vantrel will gather and "
    "store all of the necessary data about your system so that you can return later and perform a comparison.";
const char* const kStoredMessage =
    "Vantrel has stored a snapshot of your system contents.\r\rYou may now either exit Vantrel and return later "
    "for a comparison\rreport, or leave Vantrel open and select the button labeled\r\"Done: Report\" when you are "
    "ready to generate a report.";
const char* const kOpenElsewhereMessage =
    "The Vantrel operation is open in another window: only one window at a time can work on it.\r\rShow that "
    "window?";
const char* const kTwoPhaseMessage =
    "Vantrel has restarted in manual snapshot and comparison mode.  Select \"Done: Report\" for a report on the "
    "changes that were made since you originally saved your manual snapshot.";

std::string Trim(const std::string& s) {
  const std::size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string Section(const char* name) { return std::string(kVantrelKey) + "\\" + name; }

// The recorded watch list in "Survival": each INI path (value name) with its
// snapshot base name, and the paths that did not exist at the recording.
const char* const kRecordedIniSection = "Survival\\INI Files";
const char* const kMissingIniSection = "Survival\\Missing INI Files";

// A tracker window of this session other than `self` (any process).
HWND OtherTrackerWindow(HWND self) {
  struct Search {
    HWND self, found;
  } search{self, nullptr};
  EnumWindows(
      [](HWND w, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        wchar_t name[32] = {};
        if (w == s->self || !GetClassNameW(w, name, 32) || std::wstring_view(name) != L"TfrmVantrel") return TRUE;
        s->found = w;
        return IsWindowVisible(w) ? FALSE : TRUE;  // a shown one if there is one
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// An integer setting, or `fallback` when it is absent or not a number.
int ReadIntOr(const std::string& key, const std::string& name, int fallback) {
  const RegKey k = RegKey::Open(HKEY_CURRENT_USER, key);
  if (!k) return fallback;
  const std::optional<RegValue> v = k.ReadValue(name);
  if (!v || v->type != REG_DWORD || v->data.size() != 4) return fallback;
  return int(std::uint32_t(v->data[0]) | std::uint32_t(v->data[1]) << 8 | std::uint32_t(v->data[2]) << 16 |
             std::uint32_t(v->data[3]) << 24);
}

std::string ProgramPath() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), DWORD(buf.size()));
    if (n < buf.size()) return Narrow(std::wstring(buf.data(), n));
    buf.resize(buf.size() * 2);
  }
}

std::uint64_t UtcFileTimeNow() {
  FILETIME ft{};
  GetSystemTimeAsFileTime(&ft);
  return std::uint64_t(ft.dwHighDateTime) << 32 | ft.dwLowDateTime;
}

std::string ReportDateNow() {
  const double now = services().now();
  const SYSTEMTIME st = DateTimeToSystemTime(now);
  ReportDate d;
  d.year = st.wYear;
  d.month = st.wMonth;
  d.day = st.wDay;
  d.dayOfWeek = int((static_cast<long long>(now) % 7 + 13) % 7);  // day 0, 30 December 1899, was a Saturday
  d.hour = st.wHour;
  d.minute = st.wMinute;
  return FormatReportDate(d);
}

// The report as it is written: a temporary file renamed into place when it
// is closed, so an older report of that name is replaced only by a whole one
// (or, after a failure, by the part written so far).
class ReportFile : public ByteSink {
 public:
  explicit ReportFile(std::string name) : name_(std::move(name)), temp_(name_ + ".part~") {
    try {
      writer_ = std::make_unique<SnapshotWriter>(temp_);
    } catch (const std::exception& e) {
      throw std::runtime_error(std::string("The report could not be written. ") + e.what());
    }
  }
  ~ReportFile() override {
    if (writer_) Discard();
  }
  void Write(std::string_view bytes) override {
    try {
      writer_->Write(bytes);
    } catch (const std::exception& e) {
      throw std::runtime_error(std::string("The report could not be written. ") + e.what());
    }
  }
  // Closes the file and puts it in place; false when it could not be.
  bool Keep() {
    try {
      writer_->Close();
    } catch (const std::exception&) {
      // What did reach the disk is still worth keeping.
    }
    writer_.reset();
    if (MoveFileExW(LongPathW(temp_).c_str(), LongPathW(name_).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return true;
    const DWORD error = GetLastError();
    DeleteFileW(LongPathW(temp_).c_str());  // never left behind
    SetLastError(error);
    return false;
  }
  void Discard() {
    writer_.reset();
    DeleteFileW(LongPathW(temp_).c_str());
  }

 private:
  std::string name_, temp_;
  std::unique_ptr<SnapshotWriter> writer_;
};

}  // namespace

// A recording or comparison in progress. When it ends, a close asked for
// meanwhile (title bar, Alt+F4: they abort the step) goes ahead.
struct TfrmVantrel::StepScope {
  explicit StepScope(TfrmVantrel& f) : form(f) { form.running_ = true; }
  ~StepScope() {
    form.running_ = false;
    if (form.closeAfterStep_) {
      form.closeAfterStep_ = false;
      form.Close();
    }
  }
  TfrmVantrel& form;
};

TfrmVantrel::TfrmVantrel()
    : pc(*this, {8, 8, 544, 336}),
      ts1(pc, "Action"),
      ts2(pc, "Comparison Options"),
      ts3(pc, "Files"),
      ts4(pc, "Ready"),
      ts5(pc, "Snapshot"),
      ts6(pc, "Report"),
      lblDescript(ts1, {16, 14, 200, 16}, "Report &Description:"),
      EditDescript(ts1, {16, 32, 500, 23}),
      optInstall(ts1, {16, 70, 500, 20}, "Have Vantrel automatically &launch an installation file", true),
      lblInstallHelp(ts1, {34, 90, 482, 30},
                     "Vantrel records your system, starts the installation program and watches for it to end. "
                     "Select \"Done: Report\" when the installation is complete."),
      optManual(ts1, {16, 126, 500, 20}, "Have Vantrel take a &manual snapshot of your system"),
      lblManualHelp(ts1, {34, 146, 482, 30},
                    "Vantrel stores what your system holds now. Come back later, even after restarting Windows, "
                    "and select \"Done: Report\" for the comparison."),
      lblInstallName(ts1, {16, 190, 200, 16}, "&Install program:"),
      EditInstallName(ts1, {16, 208, 500, 23}, ui::BrowseKind::OpenFile, "Select installation file"),
      InstNameLabel(ts1, {16, 236, 500, 16}, kTwoPhaseName),
      EditCmdLine(ts1, {16, 260, 500, 23}),
      lblDrives(ts2, {16, 12, 500, 16}, "Check the boxes of the drive(s) you wish to monitor for changes."),
      dlv(ts2, {16, 32, 500, 150}, /*checkBoxes=*/true, "Select drives to scan"),
      lblCompare(ts2, {16, 196, 500, 16},
                 "What type of file comparison would you like to use to track system changes?"),
      RBtnFileTime(ts2, {32, 220, 460, 20}, "&Compare file times (Faster)", true),
      rBtnDiskContents(ts2, {32, 244, 460, 20}, "Compare entire &Disk contents (More Reliable)"),
      lblIniFiles(ts3, {16, 12, 500, 34},
                  "The INI files listed below are checked for changes: sections and keys added, deleted or "
                  "changed by the installation."),
      lbIniFiles(ts3, {16, 52, 400, 240}, /*sorted=*/true),
      btnAddINI(ts3, {428, 52, 88, 26}, "&Add File"),
      btnDelINI(ts3, {428, 84, 88, 26}, "&Remove"),
      lbRegistryKeys(ts3, {0, 0, 0, 0}, /*sorted=*/true),
      lblReady(ts4, {16, 12, 500, 34},
               "Please verify the summary below. Select Next to continue, or Back to change a setting."),
      lblDescCaption(ts4, {16, 56, 140, 18}, "Description:"),
      fpDescriptLabel(ts4, {160, 56, 356, 18}),
      lblModeCaption(ts4, {16, 80, 140, 18}, "Tracking mode:"),
      fpTrackModeLabel(ts4, {160, 80, 356, 18}),
      lblProgCaption(ts4, {16, 104, 140, 18}, "Install program:"),
      fpInstProgLabel(ts4, {160, 104, 356, 18}),
      lblTypeCaption(ts4, {16, 128, 140, 18}, "Install program type:"),
      fpProgTypeLabel(ts4, {160, 128, 356, 18}),
      lblReportName(ts4, {16, 164, 300, 16}, "Report file location:"),
      PanelReportName(ts4, {16, 182, 500, 23}),
      cmdInstall(ts5, {16, 16, 120, 28}, "&Start..."),
      cmdInstallDone(ts5, {146, 16, 120, 28}, "&Done: Report"),
      btnAbort(ts5, {276, 16, 120, 28}, "&Abort"),
      lblStatus(ts5, {16, 64, 400, 18}),
      lblStatus1(ts5, {16, 86, 400, 36}),
      pb(ts5, {16, 132, 400, 18}, 0, 3),
      aviSearch(ts5, {436, 60, 80, 70}),
      RichEdit1(ts6, {8, 8, 524, 262}),
      cmdView(ts6, {8, 278, 160, 26}, "&View in Text Editor"),
      cmdRestart(ts6, {176, 278, 160, 26}, "&Restart from Beginning"),
      cmdHelp(*this, {8, 354, 88, 26}, "&Help"),
      cmdBack(*this, {268, 354, 88, 26}, "<- &Back"),
      cmdNext(*this, {362, 354, 88, 26}, "&Next ->", ui::ButtonRole::Default),
      cmdExit(*this, {464, 354, 88, 26}, "&Exit", ui::ButtonRole::Cancel) {
  lblIniFiles.SetFontStyle(true);
  optInstall.SetChecked(true);
  InstNameLabel.SetVisible(false);
  EditCmdLine.SetVisible(false);
  lbRegistryKeys.SetVisible(false);
  lbRegistryKeys.AddItem("HKEY_CURRENT_USER\\SOFTWARE\\DASTRA\\VELMORA");
  lbRegistryKeys.AddItem("HKEY_USERS\\.DEFAULT\\SOFTWARE\\DASTRA\\VELMORA");
  ts6.SetTabVisible(false);
  ts6.SetEnabled(false);
  cmdInstallDone.SetVisible(false);
  btnAbort.SetVisible(false);
  pb.SetVisible(false);
  aviSearch.SetVisible(false);
  cmdNext.SetEnabled(false);
  cmdBack.SetEnabled(false);
  btnDelINI.SetEnabled(false);
  EditInstallName.fileOptions.filter = "Setup programs|*.exe;*.com;*.bat;*.inf|All files|*.*";
  EditInstallName.fileOptions.mustExist = true;

  EditDescript.onChange = [this] { EditDescriptChange(); };
  optInstall.onClick = [this] { optInstallClick(); };
  optManual.onClick = [this] { optManualClick(); };
  lblInstallHelp.onClick = [this] {
    optInstall.SetChecked(true);
    optInstallClick();
  };
  lblManualHelp.onClick = [this] {
    optManual.SetChecked(true);
    optManualClick();
  };
  EditInstallName.onChange = [this] { EditInstallNameChange(); };
  EditInstallName.onBrowsed = [this] { EditInstallNameBrowsed(); };
  RBtnFileTime.onClick = [this] { RBtnFileTimeClick(); };
  rBtnDiskContents.onClick = [this] { RBtnFileTimeClick(); };
  dlv.onCheckChange = [this](int) { DrivesChanged(); };
  dlv.onSelectionChange = [this] { DrivesChanged(); };
  lbIniFiles.onSelectionChange = [this] { lbIniFilesClick(); };
  btnAddINI.onClick = [this] { btnAddINIClick(); };
  btnDelINI.onClick = [this] { btnDelINIClick(); };
  PanelReportName.onChange = [this] {
    const std::string text = PanelReportName.text();
    const std::string quoted = QuotedReportName(text);
    if (quoted == text) return;
    // The caret stays by the character just typed, inside the quotes.
    const int caret = PanelReportName.selection().second + (text.empty() || text.front() != '"' ? 1 : 0);
    PanelReportName.SetText(quoted);
    if (const HWND box = PanelReportName.handle()) {
      const int inside = std::max(1, std::min(caret, GetWindowTextLengthW(box) - 1));
      SendMessageW(box, EM_SETSEL, WPARAM(inside), LPARAM(inside));
    }
  };
  cmdInstall.onClick = [this] { cmdInstallClick(); };
  cmdInstallDone.onClick = [this] { cmdInstallDoneClick(); };
  btnAbort.onClick = [this] { btnAbortClick(); };
  cmdView.onClick = [this] { cmdViewClick(); };
  RichEdit1.onViewInEditor = [this] { cmdViewClick(); };
  cmdRestart.onClick = [this] { cmdRestartClick(); };
  cmdHelp.onClick = [this] { cmdHelpClick(); };
  cmdBack.onClick = [this] { cmdBackClick(); };
  cmdNext.onClick = [this] { cmdNextClick(); };
  cmdExit.onClick = [this] { cmdExitClick(); };
  pc.onChange = [this] { pcChange(); };

  ui::FormArgs args;
  args.className = "TfrmVantrel";
  args.caption = "Vantrel";
  args.clientWidth = 560;
  args.clientHeight = 390;
  args.helpTopic = kVantrelTopic;
  args.freeOnClose = true;
  Create(args);
}

TfrmVantrel::~TfrmVantrel() = default;

// ---- Creation, show, close -----------------------------------------------------

void TfrmVantrel::FormCreate() {
  cmdHelp.SetGlyph(shell::commontools().SmallAt(shell::SmallPic::Help16, dpi()));
  reportsFolder_ = shell::DataFolder() + "Vantrel Reports\\";
  CreateFolderPath(reportsFolder_);
  ExeType = 0;
  OperationState = opstate::kIdle;
  InstNameLabel.SetCaption(kTwoPhaseName);
  windowsFolder_ = IncludeTrailingBackslash(shell::GetWindowsFolder());
  if (!TakeLock()) {
    // Another window works on the operation: this one touches nothing of it.
    refused_ = true;
    for (ui::Button* b : {&cmdInstall, &cmdInstallDone, &cmdNext, &cmdBack, &cmdRestart}) b->SetEnabled(false);
    return;
  }

  dlv.SelectLocalDrives = false;
  dlv.FillDrives();

  const bool firstTime = shell::ReadBoolSetting(Section("Settings"), "First Time");
  TrackMode = ReadIntOr(Section("Settings"), "TrackMode", 1) == 0 ? 0 : 1;
  ui::RadioButton& mode = TrackMode == 0 ? RBtnFileTime : rBtnDiskContents;
  mode.SetChecked(true);
  fpTrackModeLabel.SetCaption(ui::WithoutAccelerator(mode.caption()));

  if (const RegKey watched = RegKey::Open(HKEY_CURRENT_USER, Section("INI Files To Watch")))
    for (const std::string& path : watched.ValueNames()) lbIniFiles.AddItem(path);
  // A stored operation watches what it recorded: a file its setup deleted is
  // a change to report, not an entry to drop.
  bool storedWaits = false;
  if (const RegKey survival = RegKey::Open(HKEY_CURRENT_USER, Section("Survival"))) try {
      storedWaits = survival.ReadString("SurvivedRestart").value_or("NO") != "NO";
    } catch (const RegistryError&) {
    }
  if (storedWaits) {
    // Resume() puts the recorded list in place.
  } else if (lbIniFiles.itemCount() > 0) {
    for (int i = lbIniFiles.itemCount() - 1; i >= 0; --i) {
      if (FileExists(lbIniFiles.item(i))) continue;
      ui::ShowMessage("The file " + lbIniFiles.item(i) +
                          ", specified as an INI File for Vantrel to Watch, does not exist!",
                      "Vantrel", ui::MsgIcon::Warning, handle());
      lbIniFiles.DeleteItem(i);
    }
  } else if (firstTime) {
    lbIniFiles.AddItem(windowsFolder_ + "WIN.INI");
    lbIniFiles.AddItem(windowsFolder_ + "SYSTEM.INI");
  }

  const std::string drives = UpperCase(shell::ReadStringSetting(kVantrelKey, "Drives").value_or("---"));
  for (int row = 0; row < dlv.itemCount(); ++row) {
    const char letter = dlv.DriveLetter(row);
    dlv.SetChecked(row, letter && drives.find(letter) != std::string::npos);
  }
  DrivesChanged();
  Resume();
}

void TfrmVantrel::Resume() {
  const RegKey survival = RegKey::Open(HKEY_CURRENT_USER, Section("Survival"));
  if (!survival) return;
  std::string survived, description, reportName;
  int exeType = exetype::kMissing;
  std::uint64_t startTime = 0;
  std::vector<WatchedIni> recorded;
  try {
    survived = survival.ReadString("SurvivedRestart").value_or("NO");
    if (survived == "NO") return;
    description = survival.ReadString("Description").value_or("");
    if (const auto type = survival.ReadDword("ExeType")) exeType = int(*type);
    reportName = survival.ReadString("ReportName").value_or("");
    const auto bytes = survival.ReadBinary("StartTime");
    if (!bytes || bytes->size() != 8)
      throw RegistryError("The value \"StartTime\" does not hold the 8 bytes of a time.", ERROR_INVALID_DATA);
    for (int i = 7; i >= 0; --i) startTime = startTime << 8 | (*bytes)[std::size_t(i)];
    if (const RegKey ini = RegKey::Open(HKEY_CURRENT_USER, Section(kRecordedIniSection))) {
      const RegKey missing = RegKey::Open(HKEY_CURRENT_USER, Section(kMissingIniSection));
      for (const std::string& path : ini.ValueNames()) {
        const std::string name = ini.ReadString(path).value_or("");
        if (name.empty() || name.find_first_of("\\/:") != std::string::npos)
          throw RegistryError("The INI file \"" + path + "\" has no snapshot name.", ERROR_INVALID_DATA);
        recorded.push_back(WatchedIni{path, name, !(missing && missing.ValueExists(path))});
      }
    } else {
      // Recorded before the list was kept with the operation: its names
      // follow the watch list as it was read.
      const std::vector<std::string> paths = WatchList();
      const std::vector<std::string> names = IniSnapshotNames(paths);
      for (std::size_t i = 0; i < paths.size(); ++i) recorded.push_back(WatchedIni{paths[i], names[i], true});
    }
  } catch (const RegistryError& e) {
    // The stored operation stays as it is: a new Start replaces it.
    ui::ShowMessage(std::string("The stored Vantrel operation cannot be resumed.\r\r") + e.what(), "Vantrel",
                    ui::MsgIcon::Error, handle());
    return;
  }

  if (survived == "YES") {
    ShowStatus("Vantrel restarted", "because Windows restarted.");
  } else {
    ui::ShowMessage(kTwoPhaseMessage, "Vantrel", ui::MsgIcon::Information, handle());
    ShowStatus("Vantrel restarted in manual snapshot and comparison mode.",
               "Select \"Done: Report\" for a comparison report.");
  }
  cmdInstallDone.SetVisible(true);
  cmdInstallDone.SetEnabled(true);
  pc.SetActivePage(ts5);
  lastPage_ = kSnapshotPage;
  EditDescript.SetText(description);
  ExeType = exeType;
  InstNameLabel.SetCaption(ExeTypeName(ExeType));
  fpProgTypeLabel.SetCaption(ExeTypeName(ExeType));
  PanelReportName.SetText(reportName);
  StartTime = startTime;
  // The list as recorded, in the list box's order.
  lbIniFiles.Clear();
  for (const WatchedIni& w : recorded) lbIniFiles.AddItem(w.path);
  const std::vector<std::string> shown = WatchList();
  recorded_.clear();
  for (const std::string& path : shown)
    for (const WatchedIni& w : recorded)
      if (w.path == path) {
        recorded_.push_back(w);
        break;
      }
  // "Survival" and the before-state stay until a report is made or Start
  // runs again: opening and closing this window must not lose them.
  OperationState = opstate::kResumed;
  LockOptions(true);
  cmdBack.SetEnabled(true);
  cmdNext.SetEnabled(false);
}

void TfrmVantrel::FormShow() {
  if (refused_) {
    Close();
    return;
  }
  if (pc.activePageIndex() == kActionPage) EditDescript.SetFocus();
  shell::SelectFixedDrivesByDefault(kVantrelKey, "WatchDrive", dlv);
  DrivesChanged();
}

void TfrmVantrel::FormCloseQuery(bool& canClose) {
  if (!running_) return;
  // The step stops at its next check; the window closes once it has unwound.
  RaiseAbort();
  closeAfterStep_ = true;
  canClose = false;
}

void TfrmVantrel::FormClose() {
  waits_.clear();  // a setup still running is no longer watched
  if (refused_) return;
  SaveSettings();
  // A stored operation (a manual snapshot, a resumed one, one handed to the
  // next logon) keeps its before-state until a report is made or the user
  // discards it; an operation nobody can come back to is removed.
  const bool stored =
      handedOver_ || (operationPending() && RegKey::Exists(HKEY_CURRENT_USER, Section("Survival")));
  if (!stored) DeleteSnapshots();
  lock_.reset();
}

bool TfrmVantrel::TakeLock() {
  lock_ = std::make_unique<shell::NamedLock>(kVantrelLockName);
  if (lock_->TryAcquire()) return true;
  lock_.reset();
  const HWND other = OtherTrackerWindow(handle());
  if (ui::ConfirmYesNo(kOpenElsewhereMessage, "Vantrel", handle(), ui::MsgIcon::Information) && other) {
    if (IsIconic(other)) ShowWindow(other, SW_RESTORE);
    SetForegroundWindow(other);
  }
  return false;
}

bool TfrmVantrel::operationPending() const {
  const int state = OperationState == opstate::kComparing ? pendingState_ : OperationState;
  return state == opstate::kLaunched || state == opstate::kLaunchFailed || state == opstate::kResumed ||
         state == opstate::kSetupEnded || state == opstate::kManualStored;
}

void TfrmVantrel::RecordWatchList() {
  const std::vector<std::string> paths = WatchList();
  const std::vector<std::string> names = IniSnapshotNames(paths);
  recorded_.clear();
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const std::string file = ExtractFilePath(paths[i]).empty() ? windowsFolder_ + paths[i] : paths[i];
    recorded_.push_back(WatchedIni{paths[i], names[i], FileExists(file)});
  }
}

std::vector<std::string> TfrmVantrel::OwnFiles() const {
  if (recorded_.empty()) return OwnSnapshotFiles(reportsFolder_, WatchList());
  std::vector<std::string> names;
  for (const WatchedIni& w : recorded_) names.push_back(w.snapshot);
  return OwnSnapshotFilesNamed(reportsFolder_, names);
}

void TfrmVantrel::WriteSurvival(const char* survived) {
  const RegKey survival = RegKey::Create(HKEY_CURRENT_USER, Section("Survival"));
  survival.WriteString("SurvivedRestart", survived);
  survival.WriteString("Description", EditDescript.text());
  survival.WriteDword("ExeType", std::uint32_t(ExeType));  // read back as the resumed type
  survival.WriteString("ReportName", ReportName());
  survival.WriteBinary("StartTime", &StartTime, sizeof StartTime);
  survival.DeleteSubKeyTree("INI Files");
  survival.DeleteSubKeyTree("Missing INI Files");
  const RegKey ini = survival.CreateSubKey("INI Files");
  const RegKey missing = survival.CreateSubKey("Missing INI Files");
  for (const WatchedIni& w : recorded_) {
    ini.WriteString(w.path, w.snapshot);
    if (!w.existed) missing.WriteString(w.path, "T");
  }
}

void TfrmVantrel::DiscardOperation() {
  EraseSurvival();
  DeleteSnapshots();
  if (const RegKey runOnce = RegKey::Open(HKEY_CURRENT_USER, kRunOnceKey, KEY_READ | KEY_WRITE))
    runOnce.DeleteValue("Vantrel");
  handedOver_ = false;
  recorded_.clear();
}

bool TfrmVantrel::ConfirmDiscard(const std::string& action) {
  if (!operationPending() && !handedOver_) return true;
  const std::string description = Trim(EditDescript.text());
  const std::string text =
      action + " discards the recorded operation" + (description.empty() ? "" : " \"" + description + "\"") +
      ": its before-state snapshots in \"" + reportsFolder_ + "\", its stored record and its restart entry. No "
      "report of it can be made afterwards.\r\rDiscard it?";
  if (!ui::ConfirmYesNo(text, "Vantrel", handle(), ui::MsgIcon::Warning)) return false;
  DiscardOperation();
  OperationState = opstate::kIdle;
  return true;
}

void TfrmVantrel::SaveSettings() {
  std::string letters;
  for (int row = 0; row < dlv.itemCount(); ++row)
    if (dlv.Checked(row) && dlv.DriveLetter(row)) letters += dlv.DriveLetter(row);
  shell::WriteStringSetting(kVantrelKey, "Drives", letters);
  WriteWatchedDrives();
  shell::WriteIntegerSetting(Section("Settings"), "TrackMode", TrackMode);
  shell::WriteBoolSetting(Section("Settings"), "First Time", false);
  const RegKey root = RegKey::Create(HKEY_CURRENT_USER, kVantrelKey);
  root.DeleteSubKeyTree("Ini Files to Watch");
  const RegKey watch = root.CreateSubKey("Ini Files to Watch");
  for (const std::string& path : lbIniFiles.items()) watch.WriteString(path, "T");
  root.DeleteSubKeyTree("Keys To Ignore");
  const RegKey ignore = root.CreateSubKey("Keys To Ignore");
  for (const std::string& key : lbRegistryKeys.items()) ignore.WriteString(key, "T");
  root.DeleteSubKeyTree("Pages to skip");
}

void TfrmVantrel::WriteWatchedDrives() {
  const RegKey watchDrive = RegKey::Create(HKEY_CURRENT_USER, Section("WatchDrive"));
  const RegKey watchDir = RegKey::Create(HKEY_CURRENT_USER, Section("WatchDir"));
  for (int row = 0; row < dlv.itemCount(); ++row) {
    const std::string name = "d" + std::to_string(row);
    const bool ticked = dlv.Checked(row);
    watchDrive.WriteDword(name, ticked ? 1 : 0);
    if (ticked)
      watchDir.WriteString(name, std::string(1, dlv.DriveLetter(row)) + ":\\");
    else
      watchDir.DeleteValue(name);
  }
}

void TfrmVantrel::DeleteSnapshots() {
  for (const std::string& file : OwnFiles()) DeleteFileW(LongPathW(file).c_str());
}

void TfrmVantrel::EraseSurvival() { RegKey::DeleteTree(HKEY_CURRENT_USER, Section("Survival")); }

bool TfrmVantrel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg == kSetupDoneMessage) {
    const auto it = std::find_if(waits_.begin(), waits_.end(),
                                 [lp](const auto& w) { return reinterpret_cast<LPARAM>(w.get()) == lp; });
    if (it != waits_.end()) {
      std::unique_ptr<TProcDoneThread> done = std::move(*it);
      waits_.erase(it);
      RunHandler([&] { done->Complete(); });
    }
    result = 0;
    return true;
  }
  if (msg == WM_ENDSESSION && wp) {
    RunHandler([this] { WindowsEnding(); });
    result = 0;
    return true;
  }
  return false;
}

void TfrmVantrel::WindowsEnding() {
  if (refused_) return;
  SaveSettings();
  if (!operationPending()) {
    // Nothing recorded to come back to (or its report is made): only what
    // closing does.
    RaiseAbort();
    if (!RegKey::Exists(HKEY_CURRENT_USER, Section("Survival"))) DeleteSnapshots();
    return;
  }
  RegKey::Create(HKEY_CURRENT_USER, kRunOnceKey).WriteString("Vantrel", "\"" + ProgramPath() + "\" /RecoverInstall");
  shell::WriteIntegerSetting(Section("Settings"), "TrackMode", TrackMode);
  WriteSurvival("YES");
  handedOver_ = true;
}

// ---- Wizard ----------------------------------------------------------------------

void TfrmVantrel::EditDescriptChange() { cmdNext.SetEnabled(!Trim(EditDescript.text()).empty()); }

void TfrmVantrel::optInstallClick() {
  EditInstallName.SetEnabled(true);
  const std::string path = Trim(EditInstallName.text());
  if (!path.empty()) {
    ExeType = GetExeType(path);
    InstNameLabel.SetCaption(ExeTypeName(ExeType));
  }
  EditDescriptChange();
}

void TfrmVantrel::optManualClick() {
  EditInstallName.SetEnabled(false);
  // A manual snapshot records everything, whatever program was typed before.
  ExeType = exetype::kTwoPhase;
  InstNameLabel.SetCaption(kManualName);
}

void TfrmVantrel::EditInstallNameChange() {
  const std::string path = Trim(EditInstallName.text());
  EditInstallName.fileOptions.initialDir = ExtractFilePath(path);
  if (path.empty() || optManual.checked()) return;
  ExeType = GetExeType(path);
  InstNameLabel.SetCaption(ExeTypeName(ExeType));
}

void TfrmVantrel::EditInstallNameBrowsed() {
  const std::string cleaned = CleanBrowsedName(EditInstallName.text());
  if (cleaned != EditInstallName.text()) EditInstallName.SetText(cleaned);
}

bool TfrmVantrel::ActionPageRefuses(bool tabChange) const {
  if (optManual.checked()) return false;
  const std::string name = InstNameLabel.caption();
  const bool badType = name.find("Not an executable file") != std::string::npos ||
                       name.find("File does not exist") != std::string::npos || name.empty() ||
                       (tabChange && name == kTwoPhaseName);
  if (tabChange) return badType;
  return (optInstall.checked() && Trim(EditInstallName.text()).empty()) ||
         (pc.activePageIndex() == kActionPage && badType);
}

void TfrmVantrel::RefuseActionPage() {
  ui::ShowMessage(kSelectInstallMessage, "Vantrel", ui::MsgIcon::Warning, handle());
  pc.SetActivePageIndex(kActionPage);
  lastPage_ = kActionPage;
  if (visible()) EditInstallName.SetFocus();
}

void TfrmVantrel::cmdNextClick() {
  if (ActionPageRefuses(false)) {
    RefuseActionPage();
    return;
  }
  const int next = pc.activePageIndex() + 1;
  if (next >= int(pc.pageCount()) || !pc.page(std::size_t(next)).tabVisible()) return;
  pc.SetActivePageIndex(next);
  lastPage_ = next;
  PageChange();
}

void TfrmVantrel::cmdBackClick() {
  const int previous = pc.activePageIndex() - 1;
  if (previous < 0) return;
  pc.SetActivePageIndex(previous);
  lastPage_ = previous;
  PageChange();
}

void TfrmVantrel::pcChange() {
  if (pageGuard_) return;
  const int wanted = pc.activePageIndex();
  auto stay = [this] {
    pageGuard_ = true;
    pc.SetActivePageIndex(lastPage_);
    pageGuard_ = false;
  };
  // While a step runs its page stays in front (Abort is there).
  if (running_ || (lastPage_ == kActionPage && wanted != kActionPage && !cmdNext.enabled())) {
    stay();
    return;
  }
  if (lastPage_ == kActionPage && wanted != kActionPage && ActionPageRefuses(true)) {
    stay();
    RefuseActionPage();
    return;
  }
  lastPage_ = wanted;
  PageChange();
}

void TfrmVantrel::PageChange() {
  const int page = pc.activePageIndex();
  if (!running_) {
    cmdBack.SetEnabled(page != kActionPage);
    cmdNext.SetEnabled(page != kReportPage);
    if (page == kSnapshotPage) {
      const bool report = !RichEdit1.blank();
      cmdNext.SetEnabled(report);
      ts6.SetTabVisible(report);
    }
  }
  UpdateInfo();
}

void TfrmVantrel::UpdateInfo() {
  const bool manual = optManual.checked();
  fpDescriptLabel.SetCaption(EditDescript.text());
  fpTrackModeLabel.SetCaption(TrackMode == 0 ? "File time comparison" : "Disk contents comparison");
  fpInstProgLabel.SetCaption(manual ? "Manual Snapshot" : EditInstallName.text());
  fpProgTypeLabel.SetCaption(manual ? "Manual Snapshot" : InstNameLabel.caption());
  const std::string box = PanelReportName.text();
  if (box.empty() || box == "\"") {
    CreateFolderPath(reportsFolder_);
    PanelReportName.SetText(
        DefaultReportName(reportsFolder_, EditDescript.text(), [](const std::string& f) { return FileExists(f); }));
  }
}

void TfrmVantrel::RBtnFileTimeClick() { TrackMode = RBtnFileTime.checked() ? 0 : 1; }

void TfrmVantrel::DrivesChanged() {
  // A ticked drive is a selected row, so the selection names the ticked drives.
  static bool syncing = false;
  if (syncing) return;
  syncing = true;
  for (int row = 0; row < dlv.itemCount(); ++row) dlv.SetSelected(row, dlv.Checked(row));
  syncing = false;
}

std::vector<std::string> TfrmVantrel::CheckedDrives() const {
  // The ticks themselves: the selection only mirrors them.
  std::string letters;
  for (int row = 0; row < dlv.itemCount(); ++row)
    if (dlv.Checked(row) && dlv.DriveLetter(row)) letters += dlv.DriveLetter(row);
  std::sort(letters.begin(), letters.end());
  std::vector<std::string> drives;
  for (char letter : letters) drives.push_back(std::string(1, letter) + ":\\");
  return drives;
}

void TfrmVantrel::btnAddINIClick() {
  ui::FileDialogOptions options;
  options.title = "Select INI file";
  options.filter = "INI files|*.INI";
  options.defaultExt = "INI";
  options.mustExist = true;
  options.initialDir = windowsFolder_;
  const std::optional<std::string> chosen = ui::dialogs().OpenFile(handle(), options);
  if (!chosen || chosen->empty()) return;
  for (const std::string& path : lbIniFiles.items())
    if (EqualNoCase(path, *chosen)) return;  // watched already
  lbIniFiles.AddItem(*chosen);
}

void TfrmVantrel::btnDelINIClick() {
  const int index = lbIniFiles.itemIndex();
  if (index < 0) return;
  lbIniFiles.DeleteItem(index);
  lbIniFiles.SetItemIndex(std::min(index, lbIniFiles.itemCount() - 1));
  lbIniFilesClick();
}

void TfrmVantrel::lbIniFilesClick() { btnDelINI.SetEnabled(lbIniFiles.itemIndex() >= 0 && !locked_); }

void TfrmVantrel::LockOptions(bool locked) {
  locked_ = locked;
  dlv.SetEnabled(!locked);
  RBtnFileTime.SetEnabled(!locked);
  rBtnDiskContents.SetEnabled(!locked);
  btnAddINI.SetEnabled(!locked);
  lbIniFilesClick();
}

std::string TfrmVantrel::ReportName() const { return UnquotedReportName(PanelReportName.text()); }

ProgressReceiver TfrmVantrel::Progress() {
  return [this](const std::string& caption, const std::string& detail) { ShowStatus(caption, detail); };
}

void TfrmVantrel::ShowStatus(const std::string& caption, const std::string& detail) {
  lblStatus.SetCaption(caption);
  lblStatus1.SetCaption(detail);
  if (onStatus) onStatus(caption, detail);
}

// ---- Start -----------------------------------------------------------------------

void TfrmVantrel::StartScan() {
  pb.SetPosition(0);
  pb.SetVisible(true);
  ClearAbort();
  btnAbort.SetVisible(true);
  btnAbort.SetEnabled(true);
  cmdInstall.SetEnabled(false);
  cmdExit.SetEnabled(false);
  cmdNext.SetEnabled(false);
  cmdBack.SetEnabled(false);
  cmdInstallDone.SetVisible(false);
  cmdInstallDone.SetEnabled(false);
  aviSearch.SetVisible(true);
  aviSearch.Start();
}

void TfrmVantrel::EndScan() {
  ShowStatus("Finished", "");
  pb.SetVisible(false);
  btnAbort.SetVisible(false);
  cmdExit.SetEnabled(true);
  cmdNext.SetEnabled(true);
  cmdBack.SetEnabled(true);
  cmdInstallDone.SetVisible(true);
  cmdInstallDone.SetEnabled(true);
  aviSearch.Stop();
  aviSearch.SetVisible(false);
}

bool TfrmVantrel::StepAborted() {
  if (!AbortRaised()) return false;
  ShowStatus(kAborted, "");
  return true;
}

void TfrmVantrel::cmdInstallClick() {
  if (running_) return;
  const bool manual = optManual.checked();
  const std::string setup = Trim(EditInstallName.text());
  if (optInstall.checked() && !setup.empty() && !FileExists(setup)) {
    ui::dialogs().Message(handle(), kMissingSetupMessage, "Installation file not found", ui::MsgButtons::Ok,
                          ui::MsgIcon::Warning);
    return;
  }
  if (!ConfirmDiscard("Recording a new snapshot")) return;
  if (manual)
    ui::dialogs().Message(handle(), kManualMessage, "Manual System Snapshot", ui::MsgButtons::Ok,
                          ui::MsgIcon::Information);

  StepScope step(*this);
  StartScan();
  pb.SetRange(0, 3);
  OperationState = opstate::kRecording;
  if (manual) ExeType = exetype::kTwoPhase;
  // A new before-state replaces any stored one (the user agreed above), and
  // fixes what it covers: the drives, the mode and the INI files with their
  // snapshot names.
  EraseSurvival();
  handedOver_ = false;
  LockOptions(true);
  RecordWatchList();
  const std::vector<std::string> drives = CheckedDrives();

  if (TrackMode == 1) RecordDirSnapshot(Snapshot(kDirBase, kBeforeExt), drives, Progress());
  pb.StepBy(1);
  if (StepAborted()) return;
  if (!IsDosType(ExeType)) {
    for (std::size_t i = 0; i < recorded_.size(); ++i) {
      const std::string& path = recorded_[i].path;
      RecordIniSnapshot(path, IniSnapshot(i, kBeforeExt), Progress());
      if (UpperCase(path).find("SYSTEM.INI") != std::string::npos) {
        ShowStatus("Recording INI file:", "SYSTEM.INI devices");
        RecordDeviceLines(path, Snapshot(kDevBase, kBeforeExt));
      }
      if (StepAborted()) return;
    }
    pb.StepBy(1);
    RecordRegSnapshot(reportsFolder_ + kRegBase, kBeforeExt, lbRegistryKeys.items(), Progress());
    pb.SetPosition(pb.maximum());
    if (StepAborted()) return;
  }
  StartTime = UtcFileTimeNow();

  if (manual) {
    OperationState = opstate::kManualStored;
    WriteWatchedDrives();
    WriteSurvival("TwoPhase");
    EndScan();
    ui::ShowMessage(kStoredMessage, "Vantrel", ui::MsgIcon::Information, handle());
    return;
  }
  EndScan();
  if (const unsigned long error = LaunchSetup()) {
    OperationState = opstate::kLaunchFailed;
    ShowStatus("ERROR. ", SystemErrorTextWith(error, setup));
    return;
  }
  ShowStatus("Installation in progress.", "");
  cmdInstallDone.SetEnabled(true);
  if (visible()) cmdInstallDone.SetFocus();
  OperationState = opstate::kLaunched;
}

unsigned long TfrmVantrel::LaunchSetup() {
  const std::string setup = Trim(EditInstallName.text());
  // Quoted: with a space in the path, "C:\Program.exe" could run instead.
  std::string commandLine = "\"" + setup + "\"";
  if (!Trim(EditCmdLine.text()).empty()) commandLine += " " + EditCmdLine.text();
  LaunchResult launched = services().launchProcess(commandLine, ExtractFilePath(setup));
  if (!launched.process) return launched.error ? launched.error : ERROR_INVALID_FUNCTION;
  auto wait = std::make_unique<TProcDoneThread>(std::move(launched.process), [this] { SetupFinished(); }, handle(),
                                                kSetupDoneMessage);
  if (wait->started()) waits_.push_back(std::move(wait));
  return 0;
}

void TfrmVantrel::SetupFinished() {
  MessageBeep(MB_ICONASTERISK);
  ShowStatus("Install may be complete.", "");
  OperationState = opstate::kSetupEnded;
}

void TfrmVantrel::btnAbortClick() {
  RaiseAbort();
  if (OperationState == opstate::kComparing) {
    // The report step puts its controls back as it ends; the before-state stays.
    btnAbort.SetEnabled(false);
    ShowStatus(kAborted, "");
    return;
  }
  EndScan();
  cmdInstallDone.SetVisible(false);
  btnAbort.SetVisible(false);
  cmdInstall.SetEnabled(true);
  ShowStatus(kAborted, "");
  // An aborted before-state is no before-state: its options may change again.
  if (OperationState == opstate::kRecording) LockOptions(false);
}

// ---- Done: Report ------------------------------------------------------------------

void TfrmVantrel::cmdInstallDoneClick() {
  if (running_) return;
  StepScope step(*this);
  pendingState_ = OperationState;
  startVisible_ = cmdInstall.visible();
  startEnabled_ = cmdInstall.enabled();
  cmdInstallDone.SetEnabled(false);
  cmdInstall.SetEnabled(false);
  cmdExit.SetEnabled(false);
  cmdNext.SetEnabled(false);
  cmdBack.SetEnabled(false);
  ClearAbort();
  btnAbort.SetVisible(true);
  btnAbort.SetEnabled(true);
  aviSearch.SetVisible(true);
  aviSearch.Start();
  pb.SetRange(0, 5);
  pb.SetPosition(0);
  pb.SetVisible(true);
  OperationState = opstate::kComparing;
  if (ReportName().empty()) UpdateInfo();  // a resumed operation that stored no name gets the default one

  Outcome outcome = Outcome::Aborted;
  std::exception_ptr failure;
  const std::string reportName = ReportName();
  bool written = false;
  try {
    outcome = MakeReport(reportName, written);
  } catch (...) {
    failure = std::current_exception();
    outcome = Outcome::Failed;
  }
  FinishReport(outcome, written);
  if (written && !RichEdit1.LoadFromFile(reportName))
    ui::ShowMessage("Could not find report file:\r\r" + reportName, "Vantrel", ui::MsgIcon::Error, handle());
  switch (outcome) {
    case Outcome::Completed:
      ShowStatus("Comparison Complete:", "Report successfully generated.");
      break;
    case Outcome::Aborted:
      ShowStatus(kAborted, "");
      break;
    case Outcome::Failed:
      ShowStatus("ERROR. ", "The report was not completed; the recorded before-state is kept.");
      std::rethrow_exception(failure);
  }
}

TfrmVantrel::Outcome TfrmVantrel::MakeReport(const std::string& reportName, bool& written) {
  const std::vector<std::string> drives = CheckedDrives();
  const bool dos = IsDosType(ExeType);
  if (TrackMode == 1) RecordDirSnapshot(Snapshot(kDirBase, kAfterExt), drives, Progress());
  pb.StepBy(1);
  if (StepAborted()) return Outcome::Aborted;
  if (!dos) {
    for (std::size_t i = 0; i < recorded_.size(); ++i) {
      const std::string& path = recorded_[i].path;
      RecordIniSnapshot(path, IniSnapshot(i, kAfterExt), Progress());
      if (UpperCase(path).find("SYSTEM.INI") != std::string::npos) {
        ShowStatus("recording INI file", "SYSTEM.INI devices");
        RecordDeviceLines(path, Snapshot(kDevBase, kAfterExt));
      }
      pb.StepBy(1);
      if (StepAborted()) return Outcome::Aborted;
    }
    RecordRegSnapshot(reportsFolder_ + kRegBase, kAfterExt, lbRegistryKeys.items(), Progress());
    if (StepAborted()) return Outcome::Aborted;
  }
  pb.StepBy(1);

  // The lists go to spool files as the compare finds them, so memory does not
  // grow with the number of differences; the report copies them block by block.
  const std::vector<std::string> own = OwnFiles();
  SpoolList added(reportsFolder_), deleted(reportsFolder_), changed(reportsFolder_);
  ReportedFiles addedShown(added, own), changedShown(changed, own);
  const DirChangeLists files{addedShown, deleted, changedShown};
  if (TrackMode == 0)
    ListChangedSince(addedShown, StartTime, drives, Progress());
  else
    CompareDirSnapshots(Snapshot(kDirBase, kBeforeExt), Snapshot(kDirBase, kAfterExt), files, Progress());
  if (StepAborted()) return Outcome::Aborted;
  pb.StepBy(1);

  ReportFile report(reportName);
  try {
    WriteReportHeader(report, EditDescript.text(), ReportDateNow(), fpTrackModeLabel.caption(), drives);
    WriteFileSection(report, TrackMode == 0, files);
    if (dos) {
      WriteDosNote(report);
    } else {
      for (std::size_t i = 0; i < recorded_.size(); ++i) {
        const WatchedIni& w = recorded_[i];
        ShowStatus("checking INI files", w.path);
        IniChanges ini;
        CompareIniSnapshots(IniSnapshot(i, kBeforeExt), IniSnapshot(i, kAfterExt), ini);
        if (UpperCase(w.path).find("SYSTEM.INI") != std::string::npos) {
          ShowStatus("checking INI files", "SYSTEM.INI devices");
          CompareDeviceLines(Snapshot(kDevBase, kBeforeExt), Snapshot(kDevBase, kAfterExt), ini.keysAdded,
                             ini.keysDeleted, ini.keysChanged);
        }
        if (StepAborted()) {
          report.Discard();
          return Outcome::Aborted;
        }
        const std::string file = ExtractFilePath(w.path).empty() ? windowsFolder_ + w.path : w.path;
        const bool exists = FileExists(file);
        WriteIniPart(report, w.path, ini,
                     w.existed && !exists   ? IniFileFate::Deleted
                     : !w.existed && exists ? IniFileFate::Created
                                            : IniFileFate::Kept);
      }
      SpoolList keysAdded(reportsFolder_), keysDeleted(reportsFolder_), valuesChanged(reportsFolder_),
          valuesAdded(reportsFolder_), valuesDeleted(reportsFolder_);
      const RegChangeLists reg{keysAdded, keysDeleted, valuesChanged, valuesAdded, valuesDeleted};
      CompareRegSnapshots(Snapshot(kRegBase, kBeforeExt), Snapshot(kRegBase, kAfterExt), reg, Progress());
      if (StepAborted()) {
        report.Discard();
        return Outcome::Aborted;
      }
      pb.SetPosition(pb.maximum());
      WriteRegistrySection(report, reg);
    }
  } catch (...) {
    written = report.Keep();  // what was written so far is the user's to read
    throw;
  }
  if (!report.Keep())
    throw std::runtime_error("The report \"" + reportName + "\" could not be written: " +
                             SystemErrorText(GetLastError()));
  written = true;
  return Outcome::Completed;
}

void TfrmVantrel::FinishReport(Outcome outcome, bool written) {
  EndScan();
  pb.SetVisible(false);
  if (outcome == Outcome::Completed) {
    cmdInstallDone.SetVisible(false);
    cmdInstall.SetVisible(false);
    OperationState = opstate::kReportShown;
    // The report is made: nothing is left to resume, and the options are free.
    DiscardOperation();
    LockOptions(false);
  } else {
    // The before-state stays as it was: "Done: Report" can be pressed again.
    OperationState = pendingState_;
    cmdInstall.SetVisible(startVisible_);
    cmdInstall.SetEnabled(startEnabled_);
  }
  if (outcome == Outcome::Completed || written) {
    ts6.SetTabVisible(true);
    ts6.SetEnabled(true);
    pc.SetActivePage(ts6);
    lastPage_ = kReportPage;
    cmdNext.SetEnabled(false);
  } else {
    pc.SetActivePage(ts5);
    lastPage_ = kSnapshotPage;
    PageChange();
  }
}

// ---- Report page and the rest ----------------------------------------------------------

void TfrmVantrel::cmdViewClick() { OpenWithShell("Open", ReportName()); }

void TfrmVantrel::cmdRestartClick() {
  if (running_ || !ConfirmDiscard("Restarting from the beginning")) return;
  pc.SetActivePage(ts1);
  lastPage_ = kActionPage;
  PanelReportName.SetText("");
  ts6.SetTabVisible(false);
  ts6.SetEnabled(false);
  EditInstallName.SetText("");
  EditDescript.SetText("");
  cmdNext.SetEnabled(false);
  cmdBack.SetEnabled(false);
  RichEdit1.Clear();
  cmdInstall.SetVisible(true);
  cmdInstall.SetEnabled(true);
  ShowStatus("", "");
  ExeType = exetype::kTwoPhase;
  InstNameLabel.SetCaption(kTwoPhaseName);
  LockOptions(false);
}

void TfrmVantrel::cmdExitClick() { Close(); }

void TfrmVantrel::cmdHelpClick() { shell::OpenHelpTopic(kVantrelTopic); }

}  // namespace velmora::tracker
