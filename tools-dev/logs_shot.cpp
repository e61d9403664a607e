// logs_shot: shows the "Tool Action Logs" window with a sample log and a few
// statistics, to look at it (scripts/shot out.png build/logs_shot.exe [page]).
// The optional argument is a page caption such as "Statistics". The sample
// log goes into this program's own folder; the statistics into the registry
// of the Wine prefix the shot runs in.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include "platform/files.h"
#include "platform/services.h"
#include "platform/text.h"
#include "shell/action_log.h"
#include "shell/log_viewer.h"
#include "shell/settings.h"
#include "shell/tool_log.h"
#include "shell/undo_page.h"
#include "shell/utilities.h"
#include "tools/regclean/undo_journal.h"
#include "tools/regclean/undo_session.h"
#include "ui/app.h"

using namespace velmora;
using namespace velmora::shell;

namespace {

void WriteSampleLogs() {
  if (FileExists(DataFolder() + logfile::kManualJunk)) return;
  bool scheduledRun = false, scheduledLog = true, manualLogging = true;
  const ToolLog log(scheduledRun, scheduledLog, manualLogging,
                    {logfile::kManualJunk, logswitch::kJunk, logfile::kScheduledJunk, schedulekey::kJunk});
  log.OpenSession();
  log.Lines({"  Moving to recycle bin: C:\\Windows\\Temp\\~df1A2B.tmp",
             "  Moving to recycle bin: C:\\Windows\\Temp\\~df77C0.tmp",
             "  Moving to recycle bin: C:\\Documents\\report.bak",
             "  Permanently deleting: C:\\Users\\Public\\empty.txt"});
  log.CloseSession({SpaceRecoveredLine(1843200)});
  scheduledRun = true;
  log.StartOperation(true);
  log.Line("  Moving to recycle bin: C:\\Windows\\Temp\\setup.log");
  log.CompleteOperation({SpaceRecoveredLine(20480)}, true);
}

// Four removal sessions for the Undo page, one of them undone, one damaged.
void WriteSampleSessions() {
  const std::string folder = regclean::UndoFolder();
  if (FolderExists(folder)) return;
  CreateFolderPath(folder);
  struct Sample {
    const char* file;
    const char* date;
    const char* tool;
    const char* what;
    int count;
    regclean::JournalState state;
  };
  const Sample samples[] = {
      {"20261209-101500-000.reg", "2026-12-09 10:15:00", "Registry Cleaner", "Removed invalid references", 37,
       regclean::JournalState::Done},
      {"20261209-103000-000.reg", "2026-12-09 10:30:00", "Start-up Manager", "Disabled Updater, Tray Helper", 2,
       regclean::JournalState::Done},
      {"20261208-170000-000.reg", "2026-12-08 17:00:00", "Uninstall Cleaner", "Removed Old Game Demo", 1,
       regclean::JournalState::Undone},
  };
  for (const Sample& sample : samples) {
    regclean::JournalSession s;
    s.date = sample.date;
    s.tool = sample.tool;
    s.what = sample.what;
    s.count = sample.count;
    s.state = sample.state;
    s.undoneDate = "2026-12-08 17:05:00";
    WriteFileAtomically(folder + sample.file, regclean::WriteJournal(s));
  }
  WriteFileAtomically(folder + "20261201-090000-000.reg", "cut short");
}

void SetSampleStatistics() {
  WriteIntegerSetting(kLogsKey, stat::kJunkFiles, 1287);
  WriteIntegerSetting(kLogsKey, stat::kJunkBytes, 734003200);
  WriteIntegerSetting(kLogsKey, stat::kEraserBytes, 52428800);
  WriteIntegerSetting(kLogsKey, stat::kShortFixed, 14);
  WriteIntegerSetting(kLogsKey, stat::kShortRemoved, 9);
  WriteIntegerSetting(kLogsKey, stat::kShortBytes, 4608);
  WriteIntegerSetting(kLogsKey, stat::kUninItems, 6);
  WriteIntegerSetting(kLogsKey, stat::kDupeFiles, 311);
  WriteIntegerSetting(kLogsKey, stat::kDupeBytes, 96468992);
  WriteIntegerSetting(kLogsKey, stat::kRegRefs, 142);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  WriteSampleLogs();
  SetSampleStatistics();
  WriteSampleSessions();
  SetUndoJournalAccess(regclean::JournalAccess());

  auto* logs = new TfrmLogs();  // frees itself on close
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv && argc > 1) {
    const std::string wanted = Narrow(argv[1]);
    for (size_t i = 0; i < logs->pc.pageCount(); ++i) {
      if (CompareNoCase(logs->pc.page(i).caption(), wanted) == 0) {
        logs->pc.SetActivePageIndex(int(i));
        logs->pcChange();
      }
    }
  }
  if (argv) LocalFree(argv);
  logs->ShowModal();

  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}
