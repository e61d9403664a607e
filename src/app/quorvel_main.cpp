// Quorvel.exe: the suite.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "shell/command_line.h"
#include "shell/log_viewer.h"
#include "shell/startup.h"
#include "ui/app.h"
#include "tools/dupes/frm_dupes.h"
#include "tools/eraser/frm_net.h"
#include "tools/junk/frm_junk.h"
#include "tools/regclean/frm_regclean.h"
#include "tools/regclean/undo_session.h"
#include "tools/shortcuts/frm_addremove.h"
#include "tools/shortcuts/frm_startmenu.h"
#include "tools/sched/frm_sched.h"
#include "tools/startup/frm_startup.h"
#include "tools/tracker/frm_vantrel.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
  InitCommonControlsEx(&icc);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  // The log viewer's Undo page reads and undoes the tools' journal.
  velmora::shell::SetUndoJournalAccess(velmora::regclean::JournalAccess());
  // The tool windows join the launcher as they are built.
  velmora::shell::LauncherActions actions;
  actions.logs = [] { (new velmora::shell::TfrmLogs())->ShowModal(); };  // frees itself on close
  actions.tools[int(velmora::shell::ToolButton::Junk)] = [] { (new velmora::junk::TfrmJunk())->ShowModal(); };
  actions.tools[int(velmora::shell::ToolButton::Eraser)] = [] { (new velmora::eraser::TfrmNet())->ShowModal(); };
  actions.tools[int(velmora::shell::ToolButton::Shortcuts)] = [] {
    (new velmora::shortcuts::TfrmStartMenu())->ShowModal();
  };
  actions.tools[int(velmora::shell::ToolButton::Uninstall)] = [] {
    (new velmora::shortcuts::TfrmAddRemove())->ShowModal();
  };
  actions.tools[int(velmora::shell::ToolButton::StartUp)] = [] {
    (new velmora::startup::TfrmStartup())->ShowModal();
  };
  actions.tools[int(velmora::shell::ToolButton::Sched)] = [] { (new velmora::sched::TfrmSched())->ShowModal(); };
  actions.scheduled = [](velmora::shell::StartCommand command) {
    using velmora::shell::StartCommand;
    if (command == StartCommand::SetSchedule) {
      auto* sched = new velmora::sched::TfrmSched();  // frees itself
      sched->ShowModal();
      velmora::ui::ProcessMessages();
      return 0;
    }
    // Hidden, it hosts the run, and is destroyed (not closed) after it.
    auto* sched = new velmora::sched::TfrmSched();
    bool done = false;
    if (command == StartCommand::CleanJunk) done = sched->PerformJunk();
    if (command == StartCommand::CleanHistory) done = sched->PerformErase();
    if (command == StartCommand::RegistryClean) done = sched->PerformRegClean();
    velmora::ui::ProcessMessages();
    sched->Destroy();
    // A failed run ends with a code of its own, so whoever started it can tell.
    return done ? 0 : 1;
  };
  actions.tools[int(velmora::shell::ToolButton::Safe)] = [] { (new velmora::tracker::TfrmVantrel())->ShowModal(); };
  actions.tools[int(velmora::shell::ToolButton::Dupes)] = [] {
    (new velmora::dupes::TfrmFindDupes())->ShowModal();
  };
  actions.tools[int(velmora::shell::ToolButton::Reg)] = [] { (new velmora::regclean::TfrmRegClean())->ShowModal(); };
  const int rc = velmora::shell::RunQuorvel(velmora::shell::ProcessArguments(), actions);

  if (SUCCEEDED(com)) CoUninitialize();
  return rc;
}
