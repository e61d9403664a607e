// tracker_shot: shows the installation tracker to look at it
// (scripts/shot out.png build/tracker_shot.exe [what]). "what" is a page
// caption such as "Files"; "recording": a manual snapshot of drive C: being
// recorded; "report": a manual snapshot in file times mode, a file written,
// then Done: Report (raise VELMORA_SHOT_SETTLE: the registry is recorded
// twice). The tracker's own settings and files of the shot's prefix are used;
// message boxes are answered with OK without showing.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <string>

#include "platform/files.h"
#include "platform/text.h"
#include "shell/commontools.h"
#include "shot_common.h"
#include "tools/tracker/frm_vantrel.h"
#include "ui/app.h"
#include "ui/dialogs.h"

using namespace velmora;

namespace {

void Prepare(tracker::TfrmVantrel& f, bool fileTimes) {
  for (int row = 0; row < f.dlv.itemCount(); ++row) f.dlv.SetChecked(row, f.dlv.DriveLetter(row) == 'C');
  f.EditDescript.SetText("Demo setup");
  f.optManual.Click();
  (fileTimes ? f.RBtnFileTime : f.rBtnDiskContents).Click();
  for (int i = 0; i < 4; ++i) f.cmdNext.Click();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  shell::CreateCommontools();
  ui::DefaultAnswerDialogs silent;
  ui::SetDialogs(&silent);
  const std::string wanted = shot::Argument();
  auto* f = new tracker::TfrmVantrel();
  if (CompareNoCase(wanted, "recording") == 0) {
    ui::PostTask([f] {
      Prepare(*f, false);
      f->cmdInstall.Click();
    });
  } else if (CompareNoCase(wanted, "report") == 0) {
    ui::PostTask([f] {
      Prepare(*f, true);
      f->cmdInstall.Click();
      CreateFolderPath("C:\\Demo\\Installed\\");
      WriteFileAtomically("C:\\Demo\\Installed\\readme.txt", "installed by the demo setup\r\n");
      f->cmdInstallDone.Click();
    });
  } else {
    f->EditDescript.SetText("Demo setup");
    shot::SelectPage(f->pc, wanted);
  }
  f->ShowModal();  // frees itself on close
  ui::SetDialogs(nullptr);
  shell::DestroyCommontools();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}
