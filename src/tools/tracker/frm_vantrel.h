// TfrmVantrel: "Vantrel", the installation tracker. A wizard of six pages
// records the files of the chosen drives, the watched INI files and the
// registry before a setup program runs (launched here, or a manual snapshot
// kept for later), records them again on "Done: Report" and writes a text
// report of every difference.
//
// The recordings and comparisons run on the window's thread and let messages
// run through CheckAbort, so Abort and the close box arrive during them. The
// one other thread waits for a launched setup program (TProcDoneThread).
// When Windows ends mid-operation the window registers a RunOnce entry and
// keeps what it needs in "Survival"; the next window resumes from it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scan/disk_list_view.h"
#include "shell/run_lock.h"
#include "tools/tracker/snapshot_text.h"
#include "tools/tracker/proc_done_thread.h"
#include "tools/tracker/report_view.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace velmora::tracker {

inline const char* const kVantrelTopic = "Tracking_system_changes_with_Vantreler";
inline const char* const kVantrelKey = "\\Software\\Dastra\\velmora\\Vantrel";
inline const char* const kRunOnceKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
// Held by the one tracker window of the session: the stored operation and
// its snapshot files belong to one window at a time.
inline const wchar_t* const kVantrelLockName = L"Local\\VelmoraVantrelOperation";

// Operation states (OperationState).
namespace opstate {
constexpr int kIdle = 0, kRecording = 1, kLaunched = 2, kLaunchFailed = 3, kResumed = 4, kComparing = 5,
              kSetupEnded = 6, kReportShown = 7, kManualStored = 8;
}

class TfrmVantrel : public ui::Form {
 public:
  TfrmVantrel();
  ~TfrmVantrel() override;

  int OperationState = opstate::kIdle;
  int TrackMode = 1;  // 0 file times, 1 disk contents
  int ExeType = 0;
  std::uint64_t StartTime = 0;  // UTC file time after the before-state

  ui::TabControl pc;
  ui::TabPage ts1, ts2, ts3, ts4, ts5, ts6;
  // Action
  ui::Label lblDescript;
  ui::Edit EditDescript;
  ui::RadioButton optInstall;
  ui::Label lblInstallHelp;
  ui::RadioButton optManual;
  ui::Label lblManualHelp;
  ui::Label lblInstallName;
  ui::EditWithBrowse EditInstallName;
  ui::Label InstNameLabel;
  ui::Edit EditCmdLine;  // extra setup parameters; nothing fills it
  // Comparison Options
  ui::Label lblDrives;
  scan::TDiskListView dlv;
  ui::Label lblCompare;
  ui::RadioButton RBtnFileTime, rBtnDiskContents;
  // Files
  ui::Label lblIniFiles;
  ui::ListBox lbIniFiles;
  ui::Button btnAddINI, btnDelINI;
  ui::ListBox lbRegistryKeys;  // the ignore list, never shown
  // Ready
  ui::Label lblReady;
  ui::Label lblDescCaption, fpDescriptLabel;
  ui::Label lblModeCaption, fpTrackModeLabel;
  ui::Label lblProgCaption, fpInstProgLabel;
  ui::Label lblTypeCaption, fpProgTypeLabel;
  ui::Label lblReportName;
  ui::Edit PanelReportName;
  // Snapshot
  ui::Button cmdInstall, cmdInstallDone, btnAbort;
  ui::Label lblStatus, lblStatus1;
  ui::ProgressBar pb;
  ui::Animation aviSearch;
  // Report
  ReportView RichEdit1;  // the report view, named as the report's rich edit always was
  ui::Button cmdView, cmdRestart;
  // Wizard buttons
  ui::Button cmdHelp, cmdBack, cmdNext, cmdExit;

  void EditDescriptChange();
  void optInstallClick();
  void optManualClick();
  void EditInstallNameChange();
  void EditInstallNameBrowsed();
  void cmdNextClick();
  void cmdBackClick();
  void pcChange();
  void PageChange();
  void UpdateInfo();
  void RBtnFileTimeClick();
  void btnAddINIClick();
  void btnDelINIClick();
  void lbIniFilesClick();
  void cmdInstallClick();
  void cmdInstallDoneClick();
  void btnAbortClick();
  void cmdViewClick();
  void cmdRestartClick();
  void cmdExitClick();
  void cmdHelpClick();

  // Seam: sees every status written, as it is written (tests use it to act
  // at a chosen point of a running step, as a click arriving there would).
  std::function<void(const std::string& caption, const std::string& detail)> onStatus;

  // The two status lines; the progress receiver of the recordings.
  void ShowStatus(const std::string& caption, const std::string& detail);
  // "X:\" of each ticked drive, in drive-letter order.
  std::vector<std::string> CheckedDrives() const;
  std::vector<std::string> WatchList() const { return lbIniFiles.items(); }
  const std::string& reportsFolder() const { return reportsFolder_; }
  // The report file named by the box, without its quotes.
  std::string ReportName() const;
  // A recording or comparison is running.
  bool running() const { return running_; }
  // The drives, mode and watch list are fixed for the recorded before-state.
  bool optionsLocked() const { return locked_; }
  // Setup programs whose wait is still under way.
  std::size_t waitingSetups() const { return waits_.size(); }
  // A recorded before-state waits for its report (states 2, 3, 4, 6, 8, and
  // 5 while the report of one is being made).
  bool operationPending() const;
  // Another window holds the operation: this one does nothing and closes.
  bool refused() const { return refused_; }

  // One watched INI file of the recorded before-state.
  struct WatchedIni {
    std::string path;      // as listed
    std::string snapshot;  // snapshot base name in the reports folder
    bool existed = true;   // the file was there when the before-state was recorded
  };
  const std::vector<WatchedIni>& recordedIni() const { return recorded_; }

 protected:
  void FormCreate() override;
  void FormShow() override;
  void FormCloseQuery(bool& canClose) override;
  bool WorkRunning() const override { return running(); }
  void FormClose() override;
  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  struct StepScope;
  void Resume();
  void StartScan();
  void EndScan();
  // 0 when the setup program started, else the system's error code.
  unsigned long LaunchSetup();
  void SetupFinished();
  void SaveSettings();
  void WriteWatchedDrives();
  void DeleteSnapshots();
  void EraseSurvival();
  // Writes what a later window needs to resume the operation into "Survival".
  void WriteSurvival(const char* survived);
  // Survival, the before-state snapshots and the restart entry go: after a
  // written report, or when the user agreed to discard the operation.
  void DiscardOperation();
  // Asks before a pending operation is discarded; true when there is none or
  // the user agreed (and it is gone).
  bool ConfirmDiscard(const std::string& action);
  bool TakeLock();
  void RecordWatchList();
  std::vector<std::string> OwnFiles() const;
  void WindowsEnding();
  void LockOptions(bool locked);
  void DrivesChanged();
  enum class Outcome { Completed, Aborted, Failed };
  Outcome MakeReport(const std::string& reportName, bool& reportWritten);
  void FinishReport(Outcome outcome, bool reportWritten);
  bool StepAborted();
  bool ActionPageRefuses(bool tabChange) const;
  void RefuseActionPage();
  std::string IniSnapshot(std::size_t index, const char* ext) const { return reportsFolder_ + recorded_.at(index).snapshot + ext; }
  std::string Snapshot(const char* base, const char* ext) const { return reportsFolder_ + base + ext; }
  ProgressReceiver Progress();

  std::string reportsFolder_, windowsFolder_;
  bool running_ = false;
  bool closeAfterStep_ = false;
  bool locked_ = false;
  bool handedOver_ = false;  // Windows ended: the before-state belongs to the next logon
  int lastPage_ = 0;
  bool pageGuard_ = false;
  bool refused_ = false;
  int pendingState_ = opstate::kIdle;  // the state "Done: Report" started from
  bool startVisible_ = true, startEnabled_ = true;  // Start as it was then
  std::vector<WatchedIni> recorded_;
  std::unique_ptr<shell::NamedLock> lock_;
  std::vector<std::unique_ptr<TProcDoneThread>> waits_;
};

}  // namespace velmora::tracker
