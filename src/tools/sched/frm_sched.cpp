#include "tools/sched/frm_sched.h"

#include <windows.h>

#include <exception>

#include "platform/datetime.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/text.h"
#include "shell/action_log.h"
#include "shell/commontools.h"
#include "shell/help.h"
#include "shell/hint.h"
#include "shell/run_lock.h"
#include "shell/schedule.h"
#include "shell/settings.h"
#include "shell/utilities.h"
#include "tools/eraser/frm_net.h"
#include "tools/junk/frm_junk.h"
#include "tools/regclean/frm_regclean.h"
#include "tools/sched/frm_sprops.h"
#include "ui/app.h"
#include "ui/dialogs.h"

namespace velmora::sched {

namespace {

constexpr int kClientWidth = 520;
constexpr int kClientHeight = 400;
const char* const kCaption = "Scheduled Maintenance";
const char* const kRunningCaption = "Performing Scheduled Maintenance";
const char* const kSettingsHint =
    "Velmora uses your last saved settings as criteria when running scheduled maintenance.  To modify these "
    "settings, alter the desired items and then close the associated window.  The modified settings will be used "
    "when Velmora next runs the scheduled maintenance associated with that operation.";

std::string LogPath(const OperationPage& p) { return shell::DataFolder() + p.logFile; }

std::string DateTimeText(double moment) { return FormatDate(moment) + " " + FormatTime(moment); }

// Closes a run's hidden tool window however the run ends (its closing saves
// its settings and, for the registry cleaner, its statistics).
struct CloseOnExit {
  ui::Form* f;
  ~CloseOnExit() { f->Close(); }
};

constexpr unsigned long kRunLockLimitMs = 10 * 60 * 1000;

unsigned long RunLockLimitFromEnvironment() {
  wchar_t text[32] = {};
  if (GetEnvironmentVariableW(L"VELMORA_RUN_LOCK_WAIT_MS", text, 32) == 0) return kRunLockLimitMs;
  const unsigned long ms = wcstoul(text, nullptr, 10);
  return ms >= 100 && ms <= kRunLockLimitMs ? ms : kRunLockLimitMs;
}

}  // namespace

OperationPage::OperationPage(ui::TabControl& pages, const char* caption, const char* title, const char* saveCaption)
    : page(pages, caption),
      lblTitle(page, {10, 8, 470, 18}, title),
      cbEnabled(page, {10, 32, 120, 20}, "&Enabled?"),
      lblSchedule(page, {20, 58, 80, 18}, "Schedule:"),
      lblSched(page, {100, 58, 260, 18}, "None"),
      lblLastRun(page, {20, 78, 80, 18}, "Last Run:"),
      lblLast(page, {100, 78, 260, 18}, "---"),
      lblNRun(page, {20, 98, 80, 18}, "Next Run:"),
      lblNext(page, {100, 98, 260, 18}, "---"),
      cbSave(page, {20, 120, 180, 20}, saveCaption),
      cbShowProg(page, {200, 120, 180, 20}, "S&how progess window"),
      cmdChange(page, {366, 30, 122, 25}, "&Change Schedule..."),
      cmdSettings(page, {366, 60, 122, 25}, "&Define Actions..."),
      cmdRunNow(page, {366, 90, 122, 25}, "&Run Now"),
      lblEventLog(page, {10, 146, 200, 18}, "Event Log"),
      mmo(page, {10, 164, 350, 150}, /*readOnly=*/true, /*wordWrap=*/false),
      cmdView(page, {366, 164, 122, 25}, "View in &Text Editor"),
      cmdClear(page, {366, 194, 122, 25}, "Clear &Log") {
  cbEnabled.SetHint("Enable/Disable Sheduled Maintenance for this tool");
}

TfrmSched::TfrmSched()
    : pc(*this, {8, 8, 504, 350}),
      junk(pc, "Junk Files", "Find and Remove Junk and Obsolete Files", "&Save To Log"),
      eraser(pc, "Privacy", "Ensure Privacy and Erase History", "&Save To Log"),
      registry(pc, "Registry Cleaner", "Scan and Clean Registry", "&Save To Log?"),
      tsOptions(pc, "General Options"),
      lblGlobal(tsOptions, {10, 8, 300, 18}, "Global Options"),
      cbOnlyScan(tsOptions, {20, 36, 300, 20}, "&Only perform maintenance if primary drive"),
      lblSpace(tsOptions, {38, 62, 110, 18}, "space is less than"),
      meMegs(tsOptions, {150, 59, 70, 23}, 1, 999, 100),
      lblMegs(tsOptions, {226, 62, 80, 18}, "megabytes"),
      cmdOK(*this, {322, 366, 90, 26}, "&Exit", ui::ButtonRole::Cancel),
      cmdHelp(*this, {420, 366, 90, 26}, "&Help"),
      storage(*this, "software\\dastra\\Velmora\\schedule", "pos"),
      RunLockLimitMs(RunLockLimitFromEnvironment()) {
  const struct {
    OperationPage* page;
    shell::ScheduledTool tool;
    const char* log;
  } pages[] = {{&junk, shell::ScheduledTool::Junk, shell::logfile::kScheduledJunk},
               {&eraser, shell::ScheduledTool::Eraser, shell::logfile::kScheduledEraser},
               {&registry, shell::ScheduledTool::Registry, shell::logfile::kScheduledRegistry}};
  for (const auto& entry : pages) {
    OperationPage& p = *entry.page;
    p.toolKey = shell::ToolInfo(entry.tool).key;
    p.runSwitch = shell::ToolInfo(entry.tool).runSwitch;
    p.logFile = entry.log;
    p.cbEnabled.onClick = [this, &p] { EnabledClick(p); };
    p.cbSave.onClick = [&p] { shell::WriteBoolSetting(p.toolKey, shell::schedval::kLogEvents, p.cbSave.checked()); };
    p.cbShowProg.onClick = [&p] {
      shell::WriteBoolSetting(p.toolKey, shell::schedval::kShowProgress, p.cbShowProg.checked());
    };
    p.cmdChange.onClick = [this, &p] { OpenProps(p); };
    p.cmdSettings.onClick = [this, &p] { ChangeSettings(p); };
    p.cmdRunNow.onClick = [this, &p] { RunNow(p); };
    p.cmdView.onClick = [this, &p] { LogView(p); };
    p.cmdClear.onClick = [this, &p] { ClearLog(p); };
  }
  storage.Add(cbEraser, "cbEraser.Checked");
  storage.Add(cbJunk, "cbJunk.Checked");
  storage.Add(cbRegistry, "cbRegistry.Checked");
  storage.Add(cbOnlyScan, "cbOnlyScan.Checked");
  storage.Add(meMegs, "UpDown2.Position");
  meMegs.SetIncrement(10);
  meMegs.SetMaxLength(4);
  cbOnlyScan.onClick = [this] { WriteOnlyScan(); };
  meMegs.onChange = [this] { WriteOnlyScan(); };
  cmdOK.onClick = [this] { Close(); };
  cmdHelp.onClick = [] { shell::OpenHelpTopic(kSchedTopic); };
  pc.onChange = [this] { RefreshLogs(); };

  ui::FormArgs args;
  args.className = "TfrmSched";
  args.caption = kCaption;
  args.clientWidth = kClientWidth;
  args.clientHeight = kClientHeight;
  args.helpTopic = kSchedTopic;
  args.freeOnClose = true;
  Create(args);
  cmdHelp.SetGlyph(shell::commontools().SmallAt(shell::SmallPic::Help16, dpi()));

  // Creation: the switches from the registry (each one on as a click, so a
  // scheduled operation starts an agent that is not running), the rows, the
  // registry page only for those who may clean the registry.
  ReadEnabled();
  RefreshAll();
  registry.page.SetTabVisible(shell::IsAdministrator());
  const bool onlyScan = shell::ReadIntegerSetting(shell::kScheduleKey, shell::schedval::kOnlyScan) != 0;
  const int megs = shell::ReadIntegerSetting(shell::kScheduleKey, shell::schedval::kSpaceFree);
  reading_ = true;
  cbOnlyScan.SetChecked(onlyScan);
  meMegs.SetValue(megs >= 1 ? megs : 100);
  reading_ = false;
  meMegs.SetEnabled(onlyScan);
  RefreshLogs();
}

TfrmSched::~TfrmSched() = default;

void TfrmSched::FormShow() {
  for (OperationPage* p : {&junk, &eraser, &registry}) {
    p->cbSave.SetChecked(shell::ReadBoolSetting(p->toolKey, shell::schedval::kLogEvents));
    p->cbShowProg.SetChecked(shell::ReadBoolSetting(p->toolKey, shell::schedval::kShowProgress));
  }
  meMegs.SetEnabled(cbOnlyScan.checked());
  RefreshLogs();
}

void TfrmSched::FormCloseQuery(bool& canClose) {
  for (OperationPage* p : {&junk, &registry, &eraser})
    shell::WriteIntegerSetting(p->toolKey, shell::schedval::kEnabled, p->cbEnabled.checked() ? 1 : 0);
  canClose = true;
}

bool TfrmSched::HandleMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
  if (msg != kRefreshSchedMessage) return false;  // WMRefreshSched
  RefreshLogs();
  RefreshAll();
  result = 0;
  return true;
}

// ---- Switching operations on and off ------------------------------------------------

void TfrmSched::ReadEnabled() {
  // Only a box the reading checks runs its handler: an operation that is off
  // has nothing to do, and running it would close the agent while the boxes
  // still read are all clear (opening the window must never restart it).
  reading_ = true;
  for (OperationPage* p : {&junk, &eraser, &registry}) p->cbEnabled.SetChecked(false);
  reading_ = false;
  for (OperationPage* p : {&junk, &eraser, &registry}) {
    const bool on = shell::ReadIntegerSetting(p->toolKey, shell::schedval::kEnabled) != 0;
    EnablePage(*p);
    if (!on) continue;
    p->cbEnabled.SetChecked(true);
    EnabledClick(*p);
  }
}

int TfrmSched::EnabledCount() const {
  return int(cbJunk.checked()) + int(cbEraser.checked()) + int(cbRegistry.checked());
}

void TfrmSched::ToggleMaintenance() {
  // Only the first operation switched on starts the agent and only the last
  // switched off closes it; switches in between leave it alone.
  const int now = EnabledCount();
  const HWND agent = FindWindowW(Widen(kAgentClass).c_str(), nullptr);
  if (now >= 1 && enabledBefore_ == 0) {
    shell::WriteAgentRunEntry();
    if (!agent) services().shellExecute("OPEN", services().programFolder() + "Tallowin.exe", "");
  } else if (now == 0 && enabledBefore_ >= 1) {
    if (agent) SendMessageTimeoutW(agent, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    shell::DeleteAgentRunEntry();
  }
  enabledBefore_ = now;
}

void TfrmSched::EnabledClick(OperationPage& p) {
  ToggleMaintenance();
  if (UpperCase(p.lblSched.caption()) == "WHEN WINDOWS IS STARTED") {
    if (p.cbEnabled.checked())
      shell::WriteWinStart(p.toolKey);
    else
      shell::DeleteWinStart(p.toolKey);
  }
  EnablePage(p);
  if (p.cbEnabled.checked()) {
    if (!shell::ReadScheduleKind(p.toolKey)) shell::WriteDefaultSchedule(p.toolKey);  // HandleFirstCheck
    RefreshSched(p);
  }
  shell::WriteIntegerSetting(p.toolKey, shell::schedval::kEnabled, p.cbEnabled.checked() ? 1 : 0);
}

void TfrmSched::EnablePage(OperationPage& p) {
  const bool on = p.cbEnabled.checked();
  for (ui::Control* c : std::initializer_list<ui::Control*>{&p.lblSchedule, &p.lblSched, &p.lblLastRun, &p.lblLast,
                                                            &p.lblNRun, &p.lblNext, &p.cbSave, &p.cbShowProg})
    c->SetEnabled(on);
}

// ---- Rows ----------------------------------------------------------------------------

void TfrmSched::RefreshSched(OperationPage& p) {
  if (!RegKey::Exists(HKEY_CURRENT_USER, p.toolKey.substr(1))) return;
  std::string description = p.lblSched.caption();
  if (const auto kind = shell::ReadScheduleKind(p.toolKey)) {
    const auto text =
        shell::DescribeSchedule(*kind, shell::ReadStringSetting(p.toolKey, shell::schedval::kParams).value_or(""));
    description = text.value_or("None");
    p.lblSched.SetCaption(description);
  }
  const auto last = shell::ReadLastRan(p.toolKey);
  p.lblLast.SetCaption(last ? DateTimeText(*last) : "Never");
  if (description == "When Windows is Started") {
    p.lblNext.SetCaption("Next Time Windows Starts");
  } else if (description == "When Windows is Shut Down") {
    p.lblNext.SetCaption("Next Time Windows is Shut Down");
  } else if (description.find("When") == std::string::npos && shell::ReadScheduleKind(p.toolKey)) {
    // No schedule stored: nothing is due, whatever the key holds.
    const auto next = shell::GetNextScan(p.toolKey);
    if (next && *next > shell::kNoScheduleMoment)
      p.lblNext.SetCaption(NowDateTime() >= *next ? "Overdue" : DateTimeText(*next));
  }
}

void TfrmSched::RefreshAll() {
  for (OperationPage* p : {&junk, &eraser, &registry}) RefreshSched(*p);
}

void TfrmSched::RefreshLogs() {
  for (OperationPage* p : {&junk, &eraser, &registry}) {
    const std::string path = LogPath(*p);
    const bool exists = FileExists(path);
    p->cmdView.SetEnabled(exists);
    p->cmdClear.SetEnabled(exists);
    if (exists) {
      p->mmo.SetText(ReadTextFile(path).value_or(""));
      p->mmo.ScrollToEnd();
    } else {
      p->mmo.SetText("No events logged");
    }
  }
}

void TfrmSched::OpenProps(OperationPage& p) {
  auto* props = new TfrmSProps(p.toolKey, p.cbEnabled.checked());
  props->ShowModal();  // frees itself
  RefreshAll();
}

void TfrmSched::ChangeSettings(OperationPage& p) {
  shell::ShowHintOnce("SchedSettings", kSettingsHint);
  const std::string prefix = "Modifying Scheduled Maintenance Properties - ";
  ui::Form* tool = nullptr;
  if (&p == &junk) tool = new junk::TfrmJunk();
  if (&p == &eraser) tool = new eraser::TfrmNet();
  if (&p == &registry) tool = new regclean::TfrmRegClean();
  if (!tool) return;
  tool->SetCaption(prefix + tool->caption());
  tool->ShowModal();  // frees itself; saves its settings as it closes
}

void TfrmSched::RunNow(OperationPage& p) {
  shell::DeleteNextRun(p.toolKey);
  std::string runSwitch = p.runSwitch;
  services().shellExecute("Open", services().programFolder() + "Quorvel.exe", runSwitch);
}

void TfrmSched::LogView(OperationPage& p) {
  const std::string path = LogPath(p);
  if (FileExists(path))
    services().shellExecute("Open", path, "");
  else
    ui::ShowMessage("No events have been logged for this operation yet.", "Velmora", ui::MsgIcon::Information,
                    handle());
}

void TfrmSched::ClearLog(OperationPage& p) {
  if (ui::dialogs().Message(handle(), "Are you sure you want to permanently clear the log file associated with this operation?",
                            "Please confirm", ui::MsgButtons::YesNo, ui::MsgIcon::Question) != ui::MsgResult::Yes)
    return;
  DeleteFileW(LongPathW(LogPath(p)).c_str());
  RefreshLogs();
}

void TfrmSched::WriteOnlyScan() {
  if (reading_) return;
  meMegs.SetEnabled(cbOnlyScan.checked());
  shell::WriteIntegerSetting(shell::kScheduleKey, shell::schedval::kOnlyScan, cbOnlyScan.checked() ? 1 : 0);
  shell::WriteIntegerSetting(shell::kScheduleKey, shell::schedval::kSpaceFree, meMegs.value());
}

// ---- Unattended runs --------------------------------------------------------------------

void TfrmSched::ShowProgress(const std::string& text, bool cancellable) {
  progress_ = std::make_unique<shell::TfrmProgress>();
  progress_->lblSchedType.SetCaption(text);
  progress_->lblCancel.SetVisible(cancellable);
  progress_->Show();
  ui::ProcessMessages();
}

void TfrmSched::EndProgress() {
  if (progress_) progress_->Close();
  progress_.reset();
}

bool TfrmSched::RunTool(OperationPage& p, const std::function<void(shell::QuietRun&)>& run) {
  // From here on nothing may wait for an answer: messages, questions and
  // handler errors go to the run's log.
  shell::QuietRun quiet(p.logFile);
  // The caption says a run is on while it waits too, so the agent never takes
  // this hidden window for an open scheduling window.
  SetCaption(kRunningCaption);
  // One run at a time in a session: a second waits here, its messages running,
  // but not for ever.
  shell::NamedLock lock(shell::kRunLockName);
  if (!lock.Acquire(RunLockLimitMs)) {
    quiet.Fail(ui::Terminated() ? "the program was closed before the run could start"
                                : "another scheduled run did not end within " +
                                      std::to_string(RunLockLimitMs / 1000) + " seconds; nothing was done");
    BroadCastRefresh();
    return false;
  }
  bool done = false;
  try {
    // A removal that cannot be recorded is not made: a log that cannot be
    // written now ends the run before anything is looked at.
    if (!shell::LogIsWritable(p.logFile))
      throw shell::RunFailed("the log " + shell::DataFolder() + p.logFile + " cannot be written");
    run(quiet);
    ui::ProcessMessages();
    quiet.ThrowIfFailed();
    if (shell::ReadBoolSetting(p.toolKey, shell::schedval::kLogEvents)) RefreshLogs();
    shell::WriteLastRan(p.toolKey);
    done = true;
  } catch (const std::exception& e) {
    quiet.Fail(e.what());
  } catch (...) {
    quiet.Fail("an unexpected error occurred");
  }
  if (!done) {
    // Not a run: the schedule tries again at its next slot, not at every tick.
    try {
      shell::RecordFailedRun(p.toolKey);
    } catch (...) {
    }
    if (progress_) {
      progress_->ShowFailure(quiet.failed() ? quiet.failure() : "The run did not end.");
      const unsigned long long until = GetTickCount64() + FailureShowMs;
      while (GetTickCount64() < until && !ui::Terminated()) {
        ui::ProcessMessages();
        Sleep(20);
      }
    }
  }
  EndProgress();
  BroadCastRefresh();
  return done;
}

bool TfrmSched::PerformJunk() {
  return RunTool(junk, [this](shell::QuietRun& quiet) {
    if (shell::ReadBoolSetting(junk.toolKey, shell::schedval::kShowProgress))
      ShowProgress("Removing junk and obsolete files...", true);
    auto* f = new junk::TfrmJunk();
    const CloseOnExit closer{f};
    ui::ProcessMessages();
    f->ScheduledRun = true;
    f->ScheduledLog = shell::ReadBoolSetting(junk.toolKey, shell::schedval::kLogEvents);
    if (PrepareJunk) PrepareJunk(*f);
    // Cancel stops a scan still running; once it is over there is nothing to stop.
    bool cancelled = false;
    if (progress_)
      progress_->onCancel = [f, &cancelled] {
        cancelled = true;
        if (f->cmdGo.caption() == "&Stop") f->cmdGo.Click();
      };
    f->cmdGo.Click();  // the scan runs inside, messages and all, until its button reads "&Scan" again
    if (progress_) progress_->onCancel = nullptr;
    // A scan that failed removes nothing of what it listed.
    quiet.ThrowIfFailed();
    if (f->cmdGo.caption() != "&Scan") throw std::runtime_error("the junk scan did not end");
    if (f->lv.itemCount() == 0) {
      // Said only of drives that were really looked at to the end.
      if (!cancelled) shell::AppendLogLine(shell::logfile::kScheduledJunk, "  Drives Already Clean: No junk files found");
    } else {
      if (!shell::LogIsWritable(junk.logFile))
        throw shell::RunFailed("the log " + shell::DataFolder() + junk.logFile + " cannot be written");
      for (int row = 0; row < f->lv.itemCount(); ++row) f->lv.SetSelected(row, true);
      f->cmdDeleteClick();
      ui::ProcessMessages();
    }
  });
}

bool TfrmSched::PerformErase() {
  return RunTool(eraser, [this](shell::QuietRun& quiet) {
    if (shell::ReadBoolSetting(eraser.toolKey, shell::schedval::kShowProgress))
      ShowProgress("Erasing history and cache...", false);  // an erase cannot be cancelled
    auto* f = new eraser::TfrmNet();
    const CloseOnExit closer{f};
    ui::ProcessMessages();
    f->ScheduledRun = true;
    f->ScheduledLog = shell::ReadBoolSetting(eraser.toolKey, shell::schedval::kLogEvents);
    if (PrepareEraser) PrepareEraser(*f);
    f->cmdExecuteClick();  // synchronous: RunEnded is set whichever way it ends
    quiet.ThrowIfFailed();
    if (!f->RunEnded) throw std::runtime_error("the erase did not end");
  });
}

bool TfrmSched::PerformRegClean() {
  return RunTool(registry, [this](shell::QuietRun& quiet) {
    if (shell::ReadBoolSetting(registry.toolKey, shell::schedval::kShowProgress))
      ShowProgress("Cleaning Registry...", true);
    auto* f = new regclean::TfrmRegClean();
    const CloseOnExit closer{f};
    ui::ProcessMessages();
    f->ScheduledRun = true;
    f->ScheduledLog = shell::ReadBoolSetting(registry.toolKey, shell::schedval::kLogEvents);
    if (PrepareRegClean) PrepareRegClean(*f);
    if (progress_)
      progress_->onCancel = [f] {
        if (f->btnStart.caption() == "&Stop") f->btnStart.Click();
      };
    f->btnStart.Click();
    if (progress_) progress_->onCancel = nullptr;
    quiet.ThrowIfFailed();
    // The backup that was asked for could not be made: nothing was listed, and
    // that is not a run.
    if (f->BackupFailed) throw shell::RunFailed("the registry backup could not be made");
    const std::string end = f->sb.text(0);
    if (end != regclean::kScanCompleted && end != regclean::kScanInterrupted)
      throw std::runtime_error("the registry scan did not end");
    if (f->lv.itemCount() > 0) {
      if (!shell::LogIsWritable(registry.logFile))
        throw shell::RunFailed("the log " + shell::DataFolder() + registry.logFile + " cannot be written");
      f->Remove_All();
      ui::ProcessMessages();
      quiet.ThrowIfFailed();
    }
  });
}

void TfrmSched::BroadCastRefresh() {
  // Every other scheduling window of the session, found by its class as well
  // as its title: the agent's window has the same title.
  struct Search {
    HWND self;
    std::vector<HWND> found;
  } search{handle(), {}};
  EnumWindows(
      [](HWND w, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        wchar_t cls[64] = {}, title[128] = {};
        GetClassNameW(w, cls, 64);
        GetWindowTextW(w, title, 128);
        if (w != s->self && std::wstring(cls) == L"TfrmSched" && std::wstring(title) == L"Scheduled Maintenance")
          s->found.push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  for (HWND w : search.found) SendMessageTimeoutW(w, kRefreshSchedMessage, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
  ui::ProcessMessages();
  SetCaption(kCaption);
}

}  // namespace velmora::sched
