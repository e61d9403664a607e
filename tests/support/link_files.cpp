#include "support/link_files.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <cstring>

#include "platform/files.h"
#include "platform/text.h"

namespace velmora::test {

using Microsoft::WRL::ComPtr;

bool WriteShellObjectLink(const std::string& path) {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bool ok = false;
  {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    PIDLIST_ABSOLUTE pidl = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) &&
        SUCCEEDED(link.As(&file)) && SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &pidl))) {
      ok = SUCCEEDED(link->SetIDList(pidl)) && SUCCEEDED(file->Save(Widen(path).c_str(), TRUE));
    }
    if (pidl) CoTaskMemFree(pidl);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return ok;
}

bool WriteDarwinLink(const std::string& path) {
  std::string bytes(76, '\0');
  auto put32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(&bytes[at], &v, 4); };
  put32(0, 0x4C);  // header size
  const GUID clsid = CLSID_ShellLink;
  std::memcpy(&bytes[4], &clsid, 16);
  put32(20, 0x1000 | 0x80);  // HasDarwinID | IsUnicode
  put32(60, SW_SHOWNORMAL);
  // The Darwin block: size, signature, ANSI and Unicode descriptors.
  std::string block(0x314, '\0');
  const std::uint32_t size = 0x314, signature = 0xA0000006;
  std::memcpy(&block[0], &size, 4);
  std::memcpy(&block[4], &signature, 4);
  const char descriptor[] = "w_EnjWd{nF?Yh!8FDGxy>Velmora.Test";
  std::memcpy(&block[8], descriptor, sizeof descriptor - 1);
  for (std::size_t i = 0; i + 1 < sizeof descriptor; ++i) block[8 + 260 + 2 * i] = descriptor[i];
  bytes += block;
  bytes += std::string(4, '\0');  // terminal block
  return WriteFileAtomically(path, bytes);
}

bool WriteEnvironmentLink(const std::string& path) {
  std::string bytes(76, '\0');
  auto put32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(&bytes[at], &v, 4); };
  put32(0, 0x4C);
  const GUID clsid = CLSID_ShellLink;
  std::memcpy(&bytes[4], &clsid, 16);
  // HasName | HasWorkingDir | HasArguments | HasIconLocation | IsUnicode | HasExpString | RunAsUser
  put32(20, 0x4 | 0x10 | 0x20 | 0x40 | 0x80 | 0x200 | 0x2000);
  put32(56, 12);                  // icon index
  put32(60, SW_SHOWMINNOACTIVE);  // show command
  const std::uint16_t hotKey = MAKEWORD('N', HOTKEYF_CONTROL | HOTKEYF_ALT);
  std::memcpy(&bytes[64], &hotKey, 2);
  auto text = [&bytes](const std::wstring& s) {
    const std::uint16_t n = std::uint16_t(s.size());
    bytes.append(reinterpret_cast<const char*>(&n), 2);
    bytes.append(reinterpret_cast<const char*>(s.data()), s.size() * 2);
  };
  text(L"Keeps the notes open");
  text(L"C:\\windows");
  text(L"-tray \"a b\"");
  text(L"C:\\windows\\system32\\shell32.dll");
  std::string block(0x314, '\0');
  const std::uint32_t size = 0x314, signature = 0xA0000001;
  std::memcpy(&block[0], &size, 4);
  std::memcpy(&block[4], &signature, 4);
  const char target[] = "%SystemRoot%\\system32\\notepad.exe";
  std::memcpy(&block[8], target, sizeof target - 1);
  for (std::size_t i = 0; i + 1 < sizeof target; ++i) block[8 + 260 + 2 * i] = target[i];
  bytes += block;
  bytes += std::string(4, '\0');
  return WriteFileAtomically(path, bytes);
}

int StoredShowCommand(const std::string& path) {
  const auto bytes = ReadTextFile(path);
  if (!bytes || bytes->size() < 64) return -1;
  std::int32_t v = 0;
  std::memcpy(&v, bytes->data() + 60, 4);
  return v;
}

}  // namespace velmora::test
