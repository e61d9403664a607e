#include "tools/dupes/dupe_references.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/text.h"
#include "shell/shell_link.h"
#include "tools/dupes/dupe_logic.h"

namespace velmora::dupes {

namespace {

std::string Trim(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  return s.substr(i);
}

bool HasPathShape(const std::string& s) { return s.size() > 3 && (s[1] == ':' || (s[0] == '\\' && s[1] == '\\')); }

void AddUnique(std::vector<std::string>& v, const std::string& s) {
  if (HasPathShape(s) && std::find(v.begin(), v.end(), s) == v.end()) v.push_back(s);
}

// Every ".lnk" below `folder`, whatever its depth.
void CollectShortcuts(const std::string& folder, std::vector<std::string>& out, int depth = 0) {
  if (folder.empty() || depth > 16) return;
  const std::string base = IncludeTrailingBackslash(folder);
  FolderListing listing(LongPathW(base + "*"));
  while (listing.Next()) {
    const std::string name = Narrow(std::wstring(listing.name()));
    if (name == "." || name == "..") continue;
    if (listing.isFolder()) {
      if (listing.reparseTag() == 0) CollectShortcuts(base + name, out, depth + 1);
    } else if (UpperCase(ExtractFileExt(name)) == ".LNK") {
      out.push_back(base + name);
    }
  }
}

void GatherRegistry(FileReferences& refs) {
  struct Place {
    HKEY root;
    const char* rootName;
    const char* key;
    bool uninstall;
  };
  const Place places[] = {
      {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "Software\\Microsoft\\Windows\\CurrentVersion\\Run", false},
      {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", false},
      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "Software\\Microsoft\\Windows\\CurrentVersion\\Run", false},
      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", false},
      {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", true},
      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", true},
  };
  for (const Place& p : places) {
    for (const REGSAM view : {REGSAM(KEY_WOW64_64KEY), REGSAM(KEY_WOW64_32KEY)}) {
      try {
        const RegKey key = RegKey::Open(p.root, p.key, KEY_READ | view);
        if (!key) continue;
        const std::string where = std::string(p.rootName) + "\\" + p.key;
        if (!p.uninstall) {
          for (const std::string& name : key.ValueNames()) {
            try {
              if (const auto text = key.ReadString(name))
                refs.AddNamed(*text, "the start-up value \"" + name + "\" of " + where);
            } catch (const RegistryError&) {
            }
          }
          continue;
        }
        for (const std::string& sub : key.SubKeyNames()) {
          try {
            const RegKey entry = key.OpenSubKey(sub, KEY_READ | view);
            if (!entry) continue;
            const std::string name = entry.ReadString("DisplayName").value_or(sub);
            const std::string user = "the uninstall entry \"" + name + "\"";
            for (const char* value : {"UninstallString", "DisplayIcon"})
              if (const auto text = entry.ReadString(value)) refs.AddNamed(*text, user);
            if (const auto folder = entry.ReadString("InstallLocation"))
              if (!Trim(*folder).empty()) refs.AddFolder(ExpandEnvironmentText(Trim(*folder)).value_or(*folder), user);
          } catch (const RegistryError&) {
          }
        }
      } catch (const RegistryError&) {
      }
    }
  }
}

}  // namespace

std::vector<std::string> PathsNamedBy(const std::string& stored) {
  const std::string text = Trim(ExpandEnvironmentText(stored).value_or(stored));
  std::vector<std::string> out;
  if (text.empty()) return out;
  if (text[0] == '"') {
    const std::size_t close = text.find('"', 1);
    AddUnique(out, text.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return out;
  }
  AddUnique(out, text);
  // "C:\x\app.exe,0"
  const std::size_t comma = text.rfind(',');
  if (comma != std::string::npos) AddUnique(out, Trim(text.substr(0, comma)));
  // "C:\Program Files\x\app.exe /silent": up to the first program extension.
  const std::string upper = UpperCase(text);
  for (const char* ext : {".EXE", ".COM", ".BAT", ".CMD", ".DLL", ".LNK"}) {
    for (std::size_t at = upper.find(ext); at != std::string::npos; at = upper.find(ext, at + 1)) {
      const std::size_t end = at + 4;
      if (end == text.size() || text[end] == ' ' || text[end] == ',') AddUnique(out, text.substr(0, end));
    }
  }
  return out;
}

void FileReferences::AddNamed(const std::string& text, const std::string& user) {
  for (const std::string& path : PathsNamedBy(text)) {
    auto& users = byPath_[UpperCase(path)];
    if (std::find(users.begin(), users.end(), user) == users.end()) users.push_back(user);
  }
}

void FileReferences::AddFolder(const std::string& folder, const std::string& user) {
  if (HasPathShape(folder) && folder.size() > 3) folders_.push_back({IncludeTrailingBackslash(folder), user});
}

std::string FileReferences::UsersOf(const std::string& path) const {
  std::vector<std::string> users;
  if (const auto it = byPath_.find(UpperCase(path)); it != byPath_.end()) users = it->second;
  const std::string folder = ExtractFilePath(path);
  for (const auto& [installed, user] : folders_)
    if (FolderWithin(folder, installed) && std::find(users.begin(), users.end(), user) == users.end())
      users.push_back(user);
  std::string text;
  for (const std::string& u : users) text += (text.empty() ? "" : ", ") + u;
  return text;
}

FileReferences FileReferences::Gather() {
  FileReferences refs;
  std::vector<std::string> shortcuts;
  for (const int csidl : {CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU, CSIDL_DESKTOPDIRECTORY,
                          CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_STARTUP, CSIDL_COMMON_STARTUP})
    if (const auto folder = ShellFolderPath(csidl)) CollectShortcuts(*folder, shortcuts);
  std::sort(shortcuts.begin(), shortcuts.end());
  shortcuts.erase(std::unique(shortcuts.begin(), shortcuts.end()), shortcuts.end());
  for (const std::string& link : shortcuts) {
    try {
      const shell::TShellLinkInfo info = shell::ReadShortcut(Widen(link));
      const std::string user = "the shortcut " + link;
      if (!info.LongPath.empty()) refs.AddNamed(info.LongPath, user);
      if (!info.Path.empty()) refs.AddNamed(info.Path, user);
    } catch (const std::exception&) {
      // A shortcut that cannot be read names nothing we could keep.
    }
  }
  GatherRegistry(refs);
  return refs;
}

}  // namespace velmora::dupes
