// eraser_shot: shows the eraser window to look at it
// (scripts/shot out.png build/eraser_shot.exe [page]). The optional argument is a
// page caption such as "Internet History", or "run": then one Erase Now run
// is made over the prefix's own shell folders (scripts/run's demo prefix, with
// the traces tools-dev/demo_seed.cpp leaves; never run it on a real profile).
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>

#include "platform/text.h"
#include "shell/commontools.h"
#include "shell/hint.h"
#include "shell/settings.h"
#include "tools/eraser/frm_net.h"
#include "shot_common.h"
#include "ui/app.h"

using namespace velmora;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  shell::CreateCommontools();

  auto* f = new eraser::TfrmNet();  // frees itself on close
  const std::string wanted = shot::Argument();
  if (CompareNoCase(wanted, "run") == 0) {
    // The picture is of the finished run, not of the note shown after it.
    shell::WriteBoolSetting(shell::kHintsKey, "Cookies", false);
    f->ExpiryWaitMs = 0;
    ui::PostTask([f] { f->cmdExecute.Click(); });
  } else {
    shot::SelectPage(f->pgc, wanted);
  }
  f->ShowModal();
  shell::DestroyCommontools();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}
