// Seeds the demo prefix of scripts/run with things for the tools to find:
// junk files, duplicates, a shortcut whose target is gone, registry values
// that point at missing files, a Run entry and a stale uninstall entry.
// Runs inside the demo prefix only; safe to run again.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/text.h"

using namespace velmora;

namespace {

void Write(const std::string& path, const std::string& content) {
  CreateFolderPath(ExtractFilePath(path));
  WriteFileAtomically(path, content);
}

void Shortcut(const std::string& link, const std::string& target) {
  IShellLinkW* shellLink = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&shellLink))))
    return;
  shellLink->SetPath(Widen(target).c_str());
  shellLink->SetDescription(L"Demo shortcut whose program was removed");
  IPersistFile* file = nullptr;
  if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    CreateFolderPath(ExtractFilePath(link));
    file->Save(Widen(link).c_str(), TRUE);
    file->Release();
  }
  shellLink->Release();
}

}  // namespace

int wmain() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::string root = "C:\\Demo\\";
  const std::string temp = SystemTempFolder().value_or("C:\\windows\\temp\\");

  // Junk by pattern, by place and by size.
  Write(root + "Projects\\report.bak", "an old copy of the report");
  Write(root + "Projects\\~draft.doc", "word processor lock file");
  Write(root + "Projects\\notes.tmp", "scratch notes");
  Write(root + "Projects\\setup.log.old", "previous installer log");
  Write(root + "Projects\\file0001.chk", "recovered disk fragment");
  Write(root + "Projects\\empty.txt", "");
  Write(root + "Downloads\\unfinished.txt", "");
  Write(temp + "velmora-demo-1.dat", "left behind in the temporary folder");
  Write(temp + "velmora-demo-2.dat", "also left behind");

  // Duplicates: the same photo in three places, a same-named different file.
  const std::string photo(20000, 'p');
  Write(root + "Pictures\\holiday.jpg", photo);
  Write(root + "Pictures\\Copy of holiday.jpg", photo);
  Write(root + "Backup\\holiday.jpg", photo);
  Write(root + "Backup\\letter.txt", "a different letter with the same name");
  Write(root + "Projects\\letter.txt", "the letter");

  // A shortcut whose target is gone.
  // In the Start Menu: a Wine prefix's Desktop is a link to the Unix home, which scans do not enter.
  std::string desktop = ShellFolderPath(CSIDL_PROGRAMS).value_or(root + "Desktop");
  Shortcut(IncludeTrailingBackslash(desktop) + "Old Game.lnk", "C:\\Program Files\\Old Game\\game.exe");
  // A program moved after its shortcut was made: the finder can point the shortcut at it.
  Write(root + "Tools\\viewer.exe", "MZ a picture viewer, moved here");
  Shortcut(IncludeTrailingBackslash(desktop) + "Picture Viewer.lnk", "C:\\Program Files\\Viewer\\viewer.exe");

  // Registry values that point at missing files, a Run entry and a stale uninstaller.
  RegKey app = RegKey::Create(HKEY_CURRENT_USER, "Software\\Demo Vendor\\Photo Tool");
  app.WriteString("InstallPath", "C:\\Program Files\\Photo Tool\\");
  app.WriteString("Plugin", "C:\\Program Files\\Photo Tool\\plugins\\sharpen.dll");
  // Paths without blanks are what the registry cleaner tests: these name things long gone.
  app.WriteString("Helper", "C:\\PhotoTool\\bin\\helper.exe");
  app.WriteString("LastAlbum", "C:\\Demo\\OldAlbum");
  RegKey::Create(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run")
      .WriteString("Photo Tool Helper", "\"C:\\Program Files\\Photo Tool\\helper.exe\" /tray");
  RegKey uninstall =
      RegKey::Create(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\PhotoTool");
  uninstall.WriteString("DisplayName", "Photo Tool 2.1");
  uninstall.WriteString("UninstallString", "C:\\Program Files\\Photo Tool\\uninst.exe");
  // A 32-bit program's stale entry, in the machine's 32-bit list.
  HKEY wow = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OldScanner", 0,
                      nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &wow, nullptr) == ERROR_SUCCESS) {
    const RegKey old32(wow, "OldScanner");
    old32.WriteString("DisplayName", "Old Scanner Utility (32-bit)");
    old32.WriteString("UninstallString", "\"C:\\Program Files (x86)\\Old Scanner\\unins000.exe\" /SILENT");
  }

  // Start-up items: a StartUp folder shortcut, a parked value, a 32-bit machine
  // value and one switched off in place by an approval mark.
  if (const auto startup = ShellFolderPath(CSIDL_STARTUP)) {
    CreateFolderPath(*startup);
    Shortcut(IncludeTrailingBackslash(*startup) + "Photo Tool Tray.lnk", "C:\\Program Files\\Photo Tool\\tray.exe");
  }
  RegKey::Create(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Disabled")
      .WriteString("Old Updater", "\"C:\\Program Files\\Updater\\update.exe\" /check");
  RegKey::Create(HKEY_LOCAL_MACHINE, "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run")
      .WriteString("Scanner Monitor", "C:\\Program Files (x86)\\Old Scanner\\monitor.exe");
  RegKey::Create(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run")
      .WriteString("Chat Client", "\"C:\\Program Files\\Chat\\chat.exe\" -minimized");
  const unsigned char off[12] = {0x03, 0, 0, 0, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x01};
  RegKey::Create(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run")
      .WriteBinary("Chat Client", off, sizeof off);

  // Browser traces for the eraser: cookies, a cache sub-folder named in its
  // index, a history index, typed addresses and the recently-run list.
  RegKey shellFolders =
      RegKey::Create(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
  const struct {
    const char* value;
    int csidl;
  } folders[] = {{"Cookies", CSIDL_COOKIES}, {"Cache", CSIDL_INTERNET_CACHE}, {"History", CSIDL_HISTORY},
                 {"Recent", CSIDL_RECENT}};
  for (const auto& f : folders) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, f.csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path))) continue;
    const std::string folder = Narrow(path);
    CreateFolderPath(folder);
    shellFolders.WriteString(f.value, folder);
    const std::string dir = IncludeTrailingBackslash(folder);
    if (std::string(f.value) == "Cookies") {
      Write(dir + "index.dat", std::string(600, 'i'));
      Write(dir + "root@news.example[1].txt", "session\n1\nnews.example/\n");
      Write(dir + "root@shop.example[2].txt", "cart\n42\nshop.example/\n");
    } else if (std::string(f.value) == "Cache") {
      std::string index = "Client UrlCache MMF Ver 5.2";
      index.append(8, '\0');
      index += "Q1W2E3R4";
      index.resize(600, '\0');
      Write(dir + "Content.IE5\\index.dat", index);
      Write(dir + "Content.IE5\\Q1W2E3R4\\page[1].htm", std::string(3000, 'h'));
      Write(dir + "Content.IE5\\Q1W2E3R4\\logo[1].gif", std::string(5000, 'g'));
    } else if (std::string(f.value) == "History") {
      Write(dir + "index.dat", std::string(600, '\0'));
    } else {
      Write(dir + "holiday.jpg.lnk", "a recent document");
    }
  }
  RegKey::Create(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\TypedURLs")
      .WriteString("url1", "http://news.example/");
  RegKey::Create(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU")
      .WriteString("a", "notepad\\1");

  std::printf("demo: seeded C:\\Demo, the temporary folder, the desktop, browser traces and the registry\n");
  CoUninitialize();
  return 0;
}
