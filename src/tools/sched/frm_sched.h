// TfrmSched: "Scheduled Maintenance". Switches the three scheduled operations
// (junk files, privacy, registry) on and off, changes their schedules, opens
// each tool to set what a run does, starts a run at once, shows and clears
// the runs' logs, and starts and stops the tray agent. Hidden, it hosts the
// unattended runs (PerformJunk, PerformErase, PerformRegClean).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "shell/progress_form.h"
#include "shell/quiet_run.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/form_storage.h"

namespace velmora::junk {
class TfrmJunk;
}
namespace velmora::eraser {
class TfrmNet;
}
namespace velmora::regclean {
class TfrmRegClean;
}

namespace velmora::sched {

inline const char* const kSchedTopic = "Unattended_scheduling_with_the_Tallowin_Tool";
inline constexpr unsigned kRefreshSchedMessage = 3029;
inline const char* const kAgentClass = "Scheduled Maintenance";

// One operation's page: its switch, schedule rows, options, commands and log.
struct OperationPage {
  OperationPage(ui::TabControl& pages, const char* caption, const char* title, const char* saveCaption);
  ui::TabPage page;
  ui::Label lblTitle;
  ui::CheckBox cbEnabled;
  ui::Label lblSchedule, lblSched, lblLastRun, lblLast, lblNRun, lblNext;
  ui::CheckBox cbSave, cbShowProg;
  ui::Button cmdChange, cmdSettings, cmdRunNow;
  ui::Label lblEventLog;
  ui::Memo mmo;
  ui::Button cmdView, cmdClear;
  std::string toolKey, logFile, runSwitch;
};

class TfrmSched : public ui::Form {
 public:
  TfrmSched();
  ~TfrmSched() override;

  ui::TabControl pc;
  OperationPage junk, eraser, registry;
  ui::TabPage tsOptions;
  ui::Label lblGlobal;
  ui::CheckBox cbOnlyScan;
  ui::Label lblSpace;
  ui::NumberEdit meMegs;  // with its spin (UpDown2)
  ui::Label lblMegs;
  ui::Button cmdOK, cmdHelp;
  ui::FormStorage storage;

  // The names the window's commands go by.
  ui::CheckBox& cbJunk = junk.cbEnabled;
  ui::CheckBox& cbEraser = eraser.cbEnabled;
  ui::CheckBox& cbRegistry = registry.cbEnabled;

  // Tests point the tool windows of a run at their own folders and settings.
  std::function<void(junk::TfrmJunk&)> PrepareJunk;
  std::function<void(eraser::TfrmNet&)> PrepareEraser;
  std::function<void(regclean::TfrmRegClean&)> PrepareRegClean;

  void ReadEnabled();
  void EnabledClick(OperationPage& p);
  void ToggleMaintenance();
  void RefreshSched(OperationPage& p);
  void RefreshAll();
  void RefreshLogs();
  void OpenProps(OperationPage& p);
  void ChangeSettings(OperationPage& p);
  void RunNow(OperationPage& p);
  void LogView(OperationPage& p);
  void ClearLog(OperationPage& p);
  void WriteOnlyScan();

  // The unattended runs; true when the run ended with its work done and
  // "LastRan" written. Nothing in a run waits for an answer: its dialogs and
  // handler errors go to its log (shell::QuietRun); a failure ends the run
  // with no "LastRan".
  bool PerformJunk();
  bool PerformErase();
  bool PerformRegClean();
  // Tells every other scheduling window of the session to read the schedules again.
  void BroadCastRefresh();
  // The progress window of the running run, if shown.
  shell::TfrmProgress* progress() const { return progress_.get(); }
  // How long a run waits for another run of the session to end before it
  // gives up (VELMORA_RUN_LOCK_WAIT_MS shortens it for tests).
  unsigned long RunLockLimitMs;
  // How long a failed run's progress window shows the failure.
  unsigned long FailureShowMs = 2000;

 protected:
  void FormShow() override;
  void FormCloseQuery(bool& canClose) override;
  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  void EnablePage(OperationPage& p);
  void ShowProgress(const std::string& text, bool cancellable);
  void EndProgress();
  bool RunTool(OperationPage& p, const std::function<void(shell::QuietRun&)>& run);
  int EnabledCount() const;
  std::unique_ptr<shell::TfrmProgress> progress_;
  bool reading_ = false;
  int enabledBefore_ = 0;  // switched-on operations before the latest switch
};

}  // namespace velmora::sched
