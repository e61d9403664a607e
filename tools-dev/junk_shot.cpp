// junk_shot: shows the junk cleaner window to look at it
// (scripts/shot out.png build/junk_shot.exe [page]). The optional argument is a
// page caption such as "Removal", or "results": then a small sample folder
// (C:\junk_shot_sample) is scanned so the result list and its tool bar show;
// "demo" scans the run command's seeded C:\Demo and the temporary folder.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>

#include "platform/files.h"
#include "platform/text.h"
#include "shell/commontools.h"
#include "tools/junk/frm_junk.h"
#include "shot_common.h"
#include "ui/app.h"

using namespace velmora;

namespace {

const char* const kSample = "C:\\junk_shot_sample\\";

void WriteSample() {
  CreateFolderPath(std::string(kSample) + "Backup");
  const char* names[] = {"~WRL0001.tmp", "report.bak", "setup.old", "Backup\\letter.~doc", "empty.txt",
                         "install.log.---", "scandisk\\FILE0000.CHK"};
  CreateFolderPath(std::string(kSample) + "scandisk");
  int n = 1;
  for (const char* name : names) {
    const std::string path = std::string(kSample) + name;
    if (!FileExists(path)) WriteFileAtomically(path, std::string(std::string(name) == "empty.txt" ? 0 : 1500 * n, 'x'));
    ++n;
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  shell::CreateCommontools();

  auto* f = new junk::TfrmJunk();  // frees itself on close
  const std::string wanted = shot::Argument();
  const bool demo = CompareNoCase(wanted, "demo") == 0;
  if (CompareNoCase(wanted, "results") == 0 || demo) {
    if (!demo) WriteSample();
    const std::string root = demo ? std::string("C:\\Demo\\") : std::string(kSample);
    f->DriveRoot = [root](char) { return root; };
    f->cbTemp.SetChecked(demo);
    f->Show();
    // Scan only the sample folder, as if C: alone were ticked.
    ui::PostTask([f] {
      for (int row = 0; row < f->DiskListView1.itemCount(); ++row) {
        f->DiskListView1.SetChecked(row, f->DiskListView1.DriveLetter(row) == 'C');
        f->DiskListView1.SetSelected(row, f->DiskListView1.DriveLetter(row) == 'C');
      }
      f->cmdGoClick();
    });
  } else {
    shot::SelectPage(f->PageControl1, wanted);
  }
  f->ShowModal();
  shell::DestroyCommontools();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}
