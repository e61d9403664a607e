// shell_shot: shows one of the shell's small windows for scripts/shot.
//   shell_shot.exe hint | help | progress | launcher   (the launcher with the mouse on Junk Files)
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <string>

#include "shell/commontools.h"
#include "shell/help_window.h"
#include "shell/hint.h"
#include "shell/navigator.h"
#include "shell/progress_form.h"
#include "ui/app.h"

using namespace velmora;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR cmdLine, int) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  shell::CreateCommontools();
  const std::wstring which = cmdLine ? cmdLine : L"";
  if (which == L"help") {
    (new shell::TfrmHelp(/*visible=*/true))->ShowModal();
  } else if (which == L"launcher") {
    shell::TfrmNav nav(shell::LauncherActions{});
    // Hover once the window is on the screen, as a mouse would.
    ui::Timer hover(&nav, 1000, /*oneShot=*/true);
    hover.onTimer = [&nav] {
      nav.imgJunk_Up.MouseMove(10, 10);
      nav.imgJunk_Over.MouseMove(10, 10);
    };
    hover.Start();
    ui::RunMessageLoop();
  } else if (which == L"progress") {
    shell::TfrmProgress progress;
    progress.lblSchedType.SetCaption("Removing junk and obsolete files...");
    progress.Show();
    ui::RunMessageLoop();
  } else {
    // Shown whatever the stored hint settings say: this is for looking at the window.
    (new shell::TfrmHint("Web",
                         "Your web browser is opening the Velmora web site.  If the page does not appear in a few "
                         "moments, start your browser and go to www.velmora.example by hand."))
        ->ShowModal();
  }
  shell::DestroyCommontools();
  CoUninitialize();
  return 0;
}
