#include "shell/startup.h"

#include "shell/cache_completion.h"
#include "shell/clock_window.h"
#include "shell/command_line.h"
#include "shell/commontools.h"
#include "shell/help.h"
#include "shell/progress_form.h"
#include "ui/app.h"

namespace velmora::shell {

void RunCacheCompletion() {
  {
    TfrmProgress progress;
    progress.lblCaption.SetCaption("Completing Cache Removal");
    progress.lblSchedType.SetCaption("");
    progress.lblCancel.SetVisible(false);
    progress.Show();
    ui::ProcessMessages();
    CompleteCacheRemoval([&](const std::string& detail) {
      progress.lblSchedType.SetCaption(detail);
      ui::ProcessMessages();
    });
  }  // the progress window goes with the object
  ui::ProcessMessages();
}

namespace {

class HiddenSuiteWindow : public ui::Form {
 public:
  HiddenSuiteWindow() {
    ui::FormArgs args;
    args.className = "TApplication";
    args.caption = "Velmora";
    args.clientWidth = 0;
    args.clientHeight = 0;
    Create(args);
  }
};

}  // namespace

int RunQuorvel(const std::vector<std::string>& arguments, const LauncherActions& actions) {
  ui::SetHelpHook([](const std::string& topic) { OpenHelpTopic(topic); });
  // A clock the eraser left a year ahead (the process ended while it was moved).
  RestoreClockIfMoved();
  CreateCommontools();
  // Every running copy of the suite keeps a hidden window of this title: the
  // tray agent looks for it.
  HiddenSuiteWindow marker;
  int exitCode = 0;
  switch (ParseStartCommand(arguments)) {
    case StartCommand::Launcher: {
      TfrmNav launcher(actions);
      exitCode = ui::RunMessageLoop();
      break;
    }
    case StartCommand::CompleteCache:
      RunCacheCompletion();
      break;
    case StartCommand::RecoverInstall:
      // The tracker's restart entry: its window resumes the stored operation,
      // and the program ends when the window closes.
      if (const auto& tracker = actions.tools[int(ToolButton::Safe)]) tracker();
      break;
    case StartCommand::CleanJunk:
    case StartCommand::CleanHistory:
    case StartCommand::RegistryClean:
    case StartCommand::SetSchedule:
      if (actions.scheduled) exitCode = actions.scheduled(ParseStartCommand(arguments));
      break;
    case StartCommand::Unknown:
      break;
  }
  ui::ProcessMessages();
  DestroyCommontools();
  ui::ProcessMessages();
  return exitCode;
}

}  // namespace velmora::shell
