// startup_shot: shows the start-up manager to look at it
// (scripts/shot out.png build/startup_shot.exe [what]): the manager with the
// prefix's items; "add" or "edit" opens the item editor over it (edit: for the
// first row).
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <string>

#include "platform/text.h"
#include "shell/commontools.h"
#include "shot_common.h"
#include "tools/startup/frm_startup.h"
#include "ui/app.h"

using namespace velmora;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  shell::CreateCommontools();
  auto* f = new startup::TfrmStartup();  // frees itself on close
  const std::string wanted = shot::Argument();
  if (CompareNoCase(wanted, "add") == 0) ui::PostTask([f] { f->cmdAddClick(); });
  if (CompareNoCase(wanted, "edit") == 0) ui::PostTask([f] { f->cmdEditClick(); });
  f->ShowModal();
  shell::DestroyCommontools();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}
