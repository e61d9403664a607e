// shortcuts_shot: shows the shortcut finder or the uninstall-entry cleaner to
// look at them (scripts/shot out.png build/shortcuts_shot.exe [what]). "what"
// is a finder page caption such as "Removal"; "scan": the finder scans drive
// C: of the prefix and searches it for the moved targets (nothing is changed);
// "uninstall": the uninstall-entry cleaner with the prefix's entries.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <string>

#include "platform/text.h"
#include "shell/commontools.h"
#include "shell/hint.h"
#include "shell/settings.h"
#include "shot_common.h"
#include "tools/shortcuts/frm_addremove.h"
#include "tools/shortcuts/frm_startmenu.h"
#include "ui/app.h"

using namespace velmora;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  shell::CreateCommontools();
  const std::string wanted = shot::Argument();
  if (CompareNoCase(wanted, "uninstall") == 0) {
    (new shortcuts::TfrmAddRemove())->ShowModal();  // frees itself on close
  } else {
    auto* f = new shortcuts::TfrmStartMenu();
    if (CompareNoCase(wanted, "scan") == 0) {
      ui::PostTask([f] {
        for (int row = 0; row < f->DiskListView1.itemCount(); ++row)
          f->DiskListView1.SetChecked(row, f->DiskListView1.DriveLetter(row) == 'C');
        f->cbAutoFind.SetChecked(true);
        f->cmdGo.Click();
      });
    } else {
      shot::SelectPage(f->PageControl1, wanted);
    }
    f->ShowModal();
  }
  shell::DestroyCommontools();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}
