// dupes_shot: shows the duplicate finder to look at it (scripts/shot out.png
// build/dupes_shot.exe [what]). "what" is a page caption such as "Find Options"
// ("Files" and "Folders" with their named lists shown); "demo": a search of
// the run command's seeded C:\Demo (nothing is removed).
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <string>

#include "platform/text.h"
#include "shell/commontools.h"
#include "shot_common.h"
#include "tools/dupes/frm_dupes.h"
#include "ui/app.h"

using namespace velmora;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  shell::CreateCommontools();
  const std::string wanted = shot::Argument();
  auto* f = new dupes::TfrmFindDupes();  // frees itself on close
  f->Timer1.Stop();                      // no questions about earlier lists
  if (CompareNoCase(wanted, "demo") == 0) {
    ui::PostTask([f] {
      f->optFolderNames.SetChecked(true);
      f->optAllFolders.SetChecked(false);
      f->optAllFoldersClick();
      f->lvFolders.Clear();
      f->lvFolders.SetChecked(f->lvFolders.AddItem("C:\\Demo\\", 9), true);
      f->chkCheckFileTimestamp.SetChecked(false);
      f->chkCheckFilesize.SetChecked(true);
      f->btnSearch.Click();
    });
  } else {
    if (CompareNoCase(wanted, "Files") == 0) {
      f->optNamed.SetChecked(true);
      f->optNamedClick();
    } else if (CompareNoCase(wanted, "Folders") == 0) {
      f->optFolderNames.SetChecked(true);
      f->optAllFoldersClick();
    }
    shot::SelectPage(f->pg, wanted);
  }
  f->ShowModal();
  shell::DestroyCommontools();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}
