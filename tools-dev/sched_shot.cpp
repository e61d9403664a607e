// sched_shot: shows the scheduling window to look at it
// (scripts/shot out.png build/sched_shot.exe [page]): a page caption such as
// "General Options", "props" for the schedule properties of the junk run, or
// "progress" for the progress window of an unattended run, "cancelled" for it
// after Cancel, "failed" for it showing a failed run.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <string>

#include "platform/text.h"
#include "shell/commontools.h"
#include "shell/progress_form.h"
#include "shot_common.h"
#include "tools/sched/frm_sched.h"
#include "ui/app.h"

using namespace velmora;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_DATE_CLASSES};
  InitCommonControlsEx(&icc);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  shell::CreateCommontools();
  const std::string wanted = shot::Argument();
  if (CompareNoCase(wanted, "progress") == 0 || CompareNoCase(wanted, "cancelled") == 0 ||
      CompareNoCase(wanted, "failed") == 0) {
    shell::TfrmProgress progress;
    progress.lblSchedType.SetCaption("Removing junk and obsolete files...");
    if (CompareNoCase(wanted, "cancelled") == 0) progress.lblCancelClick();
    if (CompareNoCase(wanted, "failed") == 0)
      progress.ShowFailure("the log C:\\Velmora\\JunkLog.txt cannot be written");
    progress.Show();
    ui::RunMessageLoop();
  } else {
    auto* f = new sched::TfrmSched();  // frees itself on close
    if (CompareNoCase(wanted, "props") == 0)
      ui::PostTask([f] { f->OpenProps(f->junk); });
    else
      shot::SelectPage(f->pc, wanted);
    f->ShowModal();
  }
  shell::DestroyCommontools();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}
