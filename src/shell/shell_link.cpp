#include "shell/shell_link.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <cstdio>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace velmora::shell {

using Microsoft::WRL::ComPtr;

namespace {

// COM for the calling thread, for as long as the object lives. A thread that
// already has COM keeps it: CoInitializeEx answers S_FALSE (balanced here) or,
// in the other apartment model, RPC_E_CHANGED_MODE (nothing to undo).
class ComScope {
 public:
  ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT result_;
};

void Check(HRESULT hr, const char* call) {
  if (FAILED(hr)) throw ShellLinkError(call, hr);
}

// Reads a text field through a buffer that grows until the text fits: the
// shell cuts a field silently at the buffer's size.
template <typename Get>
std::wstring ReadField(Get get, const char* call) {
  for (int size = MAX_PATH + 1;; size *= 4) {
    std::vector<wchar_t> buf(size_t(size), L'\0');  // cleared: S_FALSE may leave it as it was
    Check(get(buf.data(), size), call);
    buf.back() = L'\0';
    const std::wstring text(buf.data());
    if (int(text.size()) < size - 1 || size >= 1 << 20) return text;
  }
}

struct LinkObject {
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
};

LinkObject LoadLink(const std::wstring& fileName, DWORD mode) {
  LinkObject o;
  Check(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&o.link)), "CoCreateInstance");
  Check(o.link.As(&o.file), "QueryInterface(IPersistFile)");
  Check(o.file->Load(fileName.c_str(), mode), "IPersistFile::Load");
  return o;
}

struct Fields {
  std::wstring arguments, description, workingDirectory, iconLocation;
  int iconIndex = 0, showCmd = SW_SHOWNORMAL;
  WORD hotKey = 0;
};

Fields ReadFields(IShellLinkW* link) {
  Fields f;
  f.arguments = ReadField([&](wchar_t* b, int n) { return link->GetArguments(b, n); }, "IShellLink::GetArguments");
  f.description =
      ReadField([&](wchar_t* b, int n) { return link->GetDescription(b, n); }, "IShellLink::GetDescription");
  f.workingDirectory = ReadField([&](wchar_t* b, int n) { return link->GetWorkingDirectory(b, n); },
                                 "IShellLink::GetWorkingDirectory");
  f.iconLocation = ReadField([&](wchar_t* b, int n) { return link->GetIconLocation(b, n, &f.iconIndex); },
                             "IShellLink::GetIconLocation");
  Check(link->GetShowCmd(&f.showCmd), "IShellLink::GetShowCmd");
  Check(link->GetHotkey(&f.hotKey), "IShellLink::GetHotkey");
  return f;
}

std::wstring ReadPath(IShellLinkW* link, DWORD flags) {
  return ReadField([&](wchar_t* b, int n) { return link->GetPath(b, n, nullptr, flags); }, "IShellLink::GetPath");
}

}  // namespace

ShellLinkError::ShellLinkError(const std::string& call, HRESULT result)
    : std::runtime_error([&] {
        char code[16];
        std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(result));
        return call + " failed (0x" + code + ")";
      }()),
      call_(call),
      result_(result) {}

namespace {

TShellLinkInfo ReadLoaded(const LinkObject& o) {
  const Fields f = ReadFields(o.link.Get());
  TShellLinkInfo info;
  info.Arguments = Narrow(f.arguments);
  info.Description = Narrow(f.description);
  info.WorkingDirectory = Narrow(f.workingDirectory);
  info.IconLocation = Narrow(f.iconLocation);
  info.IconIndex = f.iconIndex;
  info.ShowCmd = f.showCmd;
  info.HotKey = f.hotKey;
  ComPtr<IShellLinkDataList> data;
  if (SUCCEEDED(o.link.As(&data))) {
    DWORD flags = 0;
    Check(data->GetFlags(&flags), "IShellLinkDataList::GetFlags");
    info.Flags = flags;
  }
  // An unresolvable target is what the finder looks for, so Resolve's own
  // answer is not an error; it may only change the path. The high word limits
  // its wait for a broken link to 500 ms.
  o.link->Resolve(nullptr, SLR_NO_UI | SLR_ANY_MATCH | (500u << 16));
  info.Path = Narrow(ReadPath(o.link.Get(), SLGP_SHORTPATH));
  info.LongPath = Narrow(ReadPath(o.link.Get(), 0));
  return info;
}

}  // namespace

TShellLinkInfo ReadShortcut(const std::wstring& fileName) {
  ComScope com;
  return ReadLoaded(LoadLink(fileName, STGM_READ));
}

struct ShellLinkReader::Impl {
  ComScope com;  // first: released last
  LinkObject object;
};

ShellLinkReader::ShellLinkReader() : impl_(std::make_unique<Impl>()) {}
ShellLinkReader::~ShellLinkReader() = default;

TShellLinkInfo ShellLinkReader::Read(const std::wstring& fileName) {
  LinkObject& o = impl_->object;
  if (!o.link) {
    Check(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&o.link)),
          "CoCreateInstance");
    Check(o.link.As(&o.file), "QueryInterface(IPersistFile)");
  }
  const HRESULT hr = o.file->Load(fileName.c_str(), STGM_READ);
  if (FAILED(hr)) {
    o = LinkObject();  // a failed load may leave the object half filled: start afresh
    throw ShellLinkError("IPersistFile::Load", hr);
  }
  return ReadLoaded(o);
}

void WriteShortcut(const std::wstring& fileName, const TShellLinkInfo& info) {
  ComScope com;
  // No Resolve here: it would fill an empty icon location with the target.
  LinkObject o = LoadLink(fileName, STGM_READ | STGM_SHARE_DENY_WRITE);
  const Fields was = ReadFields(o.link.Get());
  const std::wstring path = Widen(info.Path);
  if (path != ReadPath(o.link.Get(), 0) && path != ReadPath(o.link.Get(), SLGP_SHORTPATH))
    Check(o.link->SetPath(path.c_str()), "IShellLink::SetPath");
  if (Widen(info.Arguments) != was.arguments)
    Check(o.link->SetArguments(Widen(info.Arguments).c_str()), "IShellLink::SetArguments");
  if (Widen(info.Description) != was.description)
    Check(o.link->SetDescription(Widen(info.Description).c_str()), "IShellLink::SetDescription");
  if (Widen(info.WorkingDirectory) != was.workingDirectory)
    Check(o.link->SetWorkingDirectory(Widen(info.WorkingDirectory).c_str()), "IShellLink::SetWorkingDirectory");
  if (Widen(info.IconLocation) != was.iconLocation || info.IconIndex != was.iconIndex)
    Check(o.link->SetIconLocation(Widen(info.IconLocation).c_str(), info.IconIndex), "IShellLink::SetIconLocation");
  if (info.ShowCmd != was.showCmd) Check(o.link->SetShowCmd(info.ShowCmd), "IShellLink::SetShowCmd");
  if (info.HotKey != was.hotKey) Check(o.link->SetHotkey(info.HotKey), "IShellLink::SetHotkey");
  Check(o.file->Save(fileName.c_str(), TRUE), "IPersistFile::Save");
}

// ---- TPBShellLink ------------------------------------------------------------

const char* ShellFolderValueName(TShellFolder folder) {
  switch (folder) {
    case TShellFolder::sfNone: return "";
    case TShellFolder::sfDesktop: return "Desktop";
    case TShellFolder::sfFavorites: return "Favorites";
    case TShellFolder::sfFonts: return "Fonts";
    case TShellFolder::sfPersonal: return "Personal";
    case TShellFolder::sfPrograms: return "Programs";
    case TShellFolder::sfRecent: return "Recent";
    case TShellFolder::sfSendTo: return "SendTo";
    case TShellFolder::sfStartMenu: return "Start Menu";
    case TShellFolder::sfStartup: return "Startup";
    case TShellFolder::sfTemplates: return "Templates";
  }
  return "";
}

int ShowCommandOf(TWindowState state) {
  switch (state) {
    case TWindowState::wsMinimized: return SW_SHOWMINNOACTIVE;
    case TWindowState::wsMaximized: return SW_SHOWMAXIMIZED;
    case TWindowState::wsNormal: break;
  }
  return SW_SHOWNORMAL;
}

TWindowState WindowStateOf(int showCommand) {
  if (showCommand == SW_SHOWMINNOACTIVE) return TWindowState::wsMinimized;
  if (showCommand == SW_SHOWMAXIMIZED) return TWindowState::wsMaximized;
  return TWindowState::wsNormal;
}

TShortCut ShortCutOfHotKey(std::uint16_t hotKey) {
  const unsigned modifiers = hotKey >> 8;
  TShortCut s = hotKey & 0xFF;
  if (modifiers & HOTKEYF_SHIFT) s |= scShift;
  if (modifiers & HOTKEYF_CONTROL) s |= scCtrl;
  if (modifiers & HOTKEYF_ALT) s |= scAlt;
  return s;
}

std::uint16_t HotKeyOfShortCut(TShortCut shortCut) {
  unsigned modifiers = 0;
  if (shortCut & scShift) modifiers |= HOTKEYF_SHIFT;
  if (shortCut & scCtrl) modifiers |= HOTKEYF_CONTROL;
  if (shortCut & scAlt) modifiers |= HOTKEYF_ALT;
  return std::uint16_t((modifiers << 8) | (shortCut & 0xFF));
}

TPBShellLink::TPBShellLink() : fileIcon_(std::make_unique<TFileIcon>()) {}
TPBShellLink::~TPBShellLink() = default;

std::string TPBShellLink::SpecialFolderPath(TShellFolder folder) {
  const RegKey key =
      RegKey::Open(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
  if (!key) return "";
  try {
    return key.ReadString(ShellFolderValueName(folder)).value_or("");
  } catch (const RegistryError&) {
    return "";  // a value of another type names no folder
  }
}

std::string TPBShellLink::InFolder(const std::string& name) const {
  return SpecialFolderPath(shellFolder_) + "\\" + ExtractFileName(name);
}

void TPBShellLink::SetFileName(const std::string& value) {
  if (value == fileName_) return;
  std::string name = shellFolder_ != TShellFolder::sfNone ? InFolder(value) : value;
  if (UpperCase(ExtractFileExt(name)) != ".LNK") name += ".lnk";
  if (UpperCase(ExtractFileName(name)) == ".LNK") name.clear();
  fileName_ = name;
}

void TPBShellLink::SetShellFolder(TShellFolder folder) {
  if (folder == shellFolder_) return;
  shellFolder_ = folder;
  if (folder != TShellFolder::sfNone) fileName_ = InFolder(fileName_);
}

void TPBShellLink::Save() {
  // Declared first, so the interfaces below are released before COM goes.
  ComScope com;
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))))
    throw EPBShellLink("\"CoCreateInstance\" a \xC3\xA9" "chou\xC3\xA9.");
  ComPtr<IPersistFile> file;
  if (FAILED(link.As(&file))) throw EPBShellLink("\"PersistFile QueryInterface\" a \xC3\xA9" "chou\xC3\xA9.");
  link->SetDescription(Widen(Description).c_str());
  link->SetPath(Widen(Target).c_str());
  link->SetWorkingDirectory(Widen(WorkingDir).c_str());
  link->SetArguments(Widen(Arguments).c_str());
  link->SetShowCmd(showCmd_);
  link->SetHotkey(hotKey_);
  link->SetIconLocation(Widen(fileIcon_->FileName).c_str(), fileIcon_->IconIndex);
  // The whole name, in UTF-16: a cut or code-page-converted name would save elsewhere.
  if (fileName_.empty() || FAILED(file->Save(LongPathW(fileName_).c_str(), TRUE)))
    throw EPBShellLink("Erreur en \xC3\xA9" "criture.");
}

}  // namespace velmora::shell
