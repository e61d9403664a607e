// regclean_shot: shows the registry cleaner to look at it
// (scripts/shot out.png build/regclean_shot.exe [page]). The optional argument
// is a page caption such as "Backup / Restore", or "scan": then the current
// user's registry of the prefix is scanned (no backup, nothing removed) so the
// result list and its tool bar show.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>

#include "platform/text.h"
#include "shell/commontools.h"
#include "shell/hint.h"
#include "shell/settings.h"
#include "tools/regclean/frm_regclean.h"
#include "shot_common.h"
#include "ui/app.h"

using namespace velmora;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  shell::CreateCommontools();
  shell::WriteBoolSetting(shell::kHintsKey, "Registry", false);

  auto* f = new regclean::TfrmRegClean();  // frees itself on close
  const std::string wanted = shot::Argument();
  if (CompareNoCase(wanted, "scan") == 0) {
    ui::PostTask([f] {
      f->cbBackup.SetChecked(false);
      for (int row = 1; row < 4; ++row) f->lvScanFor.SetChecked(row, false);
      f->btnStart.Click();
    });
  } else {
    shot::SelectPage(f->pgc, wanted);
  }
  f->ShowModal();
  shell::DestroyCommontools();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}
