// TfrmNet: "The Eraser". Removes the traces a user leaves in Windows and in web
// browsers (recently-used lists, cookies, cache, history, typed addresses, the
// America Online cache) and sets two Internet Explorer options, as the ticked
// boxes say, when "&Erase Now" is pressed. Works the same on a window never
// shown: the scheduled run sets ScheduledRun/ScheduledLog, calls
// cmdExecuteClick (synchronous; RunEnded is set when it is over, whichever way
// it ended) and closes the window.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "shell/action_log.h"
#include "shell/tool_log.h"
#include "tools/eraser/browser_clean.h"
#include "ui/app.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/form_storage.h"

namespace velmora::eraser {

inline const char* const kPrivacyStorageKey = "software\\dastra\\Velmora\\privacy";
inline const char* const kPrivacyStorageSection = "net";
inline const char* const kEraserTopic = "Ensuring_your_personal_or_company_privacy";
inline const char* const kErasedText = "You have been erased...  ";

class TfrmNet : public ui::Form {
 public:
  TfrmNet();

  bool ScheduledRun = false;
  bool ScheduledLog = false;
  bool ManualLogging = true;
  std::int64_t FreeSpaceAtStart = 0;
  std::vector<std::string> NotRemovedList;
  std::string NetscapeFolder;
  // Cleared when a run starts, set when it is over (also after an early end or an error).
  bool RunEnded = false;
  // The recovered space of the last run (0 before the first).
  std::int64_t SpaceRecovered = 0;

  // The free space of the fixed disks; replaced by tests.
  std::function<std::int64_t()> FreeSpace;
  // Deletes a registry key with its sub-keys; true when it is gone. Replaced
  // by tests for a refusal Wine does not make.
  std::function<bool(HKEY root, const std::string& key)> DeleteKey;
  // The history expiry's wait in milliseconds; tests shorten it.
  unsigned ExpiryWaitMs = 5001;

  ui::TabControl pgc;
  ui::TabPage tsGeneral, tsInternet, tsIE, tsAOL;
  ui::CheckBox cbFind, cbComputer, cbRun, cbDocuments;
  ui::CheckBox cbCookies, cbCache, cbURLList, cbClearHist;
  ui::Label lblKeep;
  ui::NumberEdit seHistory;
  ui::Label lblDays;
  ui::CheckBox cbPersistent;
  ui::CheckBox cbAOL;
  ui::Button cmdExecute, cmdHelp, cmdClose;
  ui::StatusBar fsb;
  ui::ProgressBar pg;
  ui::FormStorage storage;

  shell::ToolLog log{ScheduledRun, ScheduledLog, ManualLogging,
                     {shell::logfile::kManualPrivacy, shell::logswitch::kPrivacy, shell::logfile::kScheduledEraser,
                      shell::schedulekey::kEraser}};

  void cmdExecuteClick();
  void cmdHelpClick();
  void cmdCloseClick();
  // Records a folder for /COMPLETECACHE to empty at the next log-on.
  void WriteBatch(const std::string& valueName, const std::string& folder);
  bool running() const { return running_; }

 protected:
  void FormCreate() override;
  void FormShow() override;
  void FormCloseQuery(bool& canClose) override;
  bool WorkRunning() const override { return running(); }

 private:
  // Runs the table's steps; false when the Recent error ended the run early.
  bool RunSteps(CleanContext& ctx);
  void Step(const std::string& text);
  void Advance();
  // A problem for the user: a box in a manual run, a log line in a scheduled one.
  void Report(const std::string& text);
  void DeleteKeyOrReport(HKEY root, const std::string& key, const std::string& message);
  std::int64_t Recovered() const;

  bool running_ = false;
  ui::MessagePump pump_;
};

}  // namespace velmora::eraser
