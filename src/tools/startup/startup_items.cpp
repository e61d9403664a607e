#include "tools/startup/startup_items.h"

#include <shlobj.h>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/text.h"
#include "shell/settings.h"
#include "shell/shell_link.h"
#include "shell/utilities.h"
#include "tools/regclean/undo_session.h"
#include "tools/startup/winini_tokens.h"

namespace velmora::startup {

namespace {

const char* const kApprovedKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";
const char* const kDuplicateMessage = "A duplicate copy of this startup item alredy exists in a disabled state";
const char* const kNotRecorded = " (its copy for undoing the change cannot be written)";
// RecordRemoval when there is no journal, or nothing to record (already gone).
constexpr int kNothingToRecord = -2;

std::u16string U(const std::string& text) { return regclean::FromUtf8(text); }
std::u16string RootName(HKEY root) { return root == HKEY_CURRENT_USER ? u"HKEY_CURRENT_USER" : u"HKEY_LOCAL_MACHINE"; }

std::string Path(const RegistrySource& s, bool parked) {
  return std::string(s.keyPath + 1) + (parked ? "\\Disabled" : "");
}

// A value as stored (type and bytes), through the key wrapper; a failure
// reads as absent or writes nothing.
bool Same(const RegValue& a, const RegValue& b) { return a.type == b.type && a.data == b.data; }
bool Same(const std::optional<RegValue>& a, const RegValue& b) { return a && Same(*a, b); }

std::optional<RegValue> ReadRaw(const RegKey& key, const std::string& name) {
  try {
    return key.ReadValue(name);
  } catch (const RegistryError&) {
    return std::nullopt;
  }
}

bool WriteRaw(const RegKey& key, const std::string& name, const RegValue& v) {
  try {
    key.WriteValue(name, v);
    return true;
  } catch (const RegistryError&) {
    return false;
  }
}

RegValue StringValue(const std::string& text) {
  const std::wstring w = Widen(text);
  RegValue v;
  v.type = REG_SZ;
  const BYTE* p = reinterpret_cast<const BYTE*>(w.c_str());
  v.data.assign(p, p + (w.size() + 1) * sizeof(wchar_t));
  return v;
}

// The approval list and value that mark an item, or none.
struct MarkPlace {
  HKEY root = nullptr;
  std::string key, value;
};

MarkPlace MarkOf(const StartupItem& item) {
  MarkPlace m;
  if (item.source == Source::Registry && item.registry >= 0) {
    const RegistrySource& s = RegistrySources()[std::size_t(item.registry)];
    if (!*s.approval) return m;
    m = {s.root, std::string(kApprovedKey) + s.approval, item.name};
  } else if (item.source == Source::UserFolder) {
    m = {HKEY_CURRENT_USER, std::string(kApprovedKey) + "StartupFolder", item.name};
  } else if (item.source == Source::CommonFolder) {
    m = {HKEY_LOCAL_MACHINE, std::string(kApprovedKey) + "StartupFolder", item.name};
  }
  return m;
}

std::vector<std::uint8_t> ReadMark(const MarkPlace& m) {
  if (!m.root) return {};
  const RegKey key = RegKey::Open(m.root, m.key);
  if (!key) return {};
  const auto raw = ReadRaw(key, m.value);
  if (!raw || raw->type != REG_BINARY) return {};
  return raw->data;
}

// Switches a set mark on again; nothing when there is none.
void ClearMark(const MarkPlace& m) {
  std::vector<std::uint8_t> mark = ReadMark(m);
  if (!MarkSaysDisabled(mark)) return;
  const RegKey key = RegKey::Open(m.root, m.key, KEY_READ | KEY_WRITE);
  if (key) WriteRaw(key, m.value, {REG_BINARY, ClearedMark(std::move(mark))});
}

void DeleteMark(const MarkPlace& m) {
  if (!m.root) return;
  const RegKey key = RegKey::Open(m.root, m.key, KEY_READ | KEY_WRITE);
  if (key) key.DeleteValue(m.value);
}

std::string ProgramNameOfFile(const std::string& fileName) { return fileName.substr(0, fileName.find('.')); }

std::string LinkCommandLine(const shell::TShellLinkInfo& info) { return "\"" + info.Path + "\" " + info.Arguments; }

// The quoted part of a command line is its program; else everything up to
// the blank before the first "/"; else all of it.
std::pair<std::string, std::string> SplitCommand(const std::string& command) {
  if (!command.empty() && command[0] == '"') {
    const std::size_t close = command.find('"', 1);
    if (close != std::string::npos) {
      std::string rest = command.substr(close + 1);
      const std::size_t first = rest.find_first_not_of(' ');
      return {command.substr(1, close - 1), first == std::string::npos ? "" : rest.substr(first)};
    }
  }
  const std::size_t slash = command.find('/');
  if (slash == std::string::npos) return {command, ""};
  std::string target = command.substr(0, slash);
  while (!target.empty() && target.back() == ' ') target.pop_back();
  return {target, command.substr(slash)};
}

}  // namespace

const std::vector<RegistrySource>& RegistrySources() {
  static const std::vector<RegistrySource> sources{
      {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Run"},
      {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", ""},
      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Run"},
      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", ""},
      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx", ""},
      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices", ""},
      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
       ""},
      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run",
       "Run32"},
      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE",
       "\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce", ""},
  };
  return sources;
}

bool MarkSaysDisabled(const std::vector<std::uint8_t>& mark) { return !mark.empty() && (mark[0] & 1) != 0; }

std::vector<std::uint8_t> ClearedMark(std::vector<std::uint8_t> mark) {
  if (mark.empty()) return mark;
  mark[0] &= ~std::uint8_t(1);
  for (std::size_t i = 4; i < 12 && i < mark.size(); ++i) mark[i] = 0;
  return mark;
}

StartupPlaces SystemPlaces() {
  StartupPlaces p;
  p.winIni = IncludeTrailingBackslash(shell::GetWindowsFolder()) + "Win.ini";
  const auto folder = [](HKEY root, const char* value, int csidl) {
    std::string path;
    if (const RegKey key = RegKey::Open(root, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders")) {
      try {
        path = key.ReadString(value).value_or("");
      } catch (const RegistryError&) {
      }
    }
    if (path.empty()) path = ShellFolderPath(csidl).value_or("");
    return path.empty() ? path : IncludeTrailingBackslash(path);
  };
  p.userFolder = folder(HKEY_CURRENT_USER, "StartUp", CSIDL_STARTUP);
  p.commonFolder = folder(HKEY_LOCAL_MACHINE, "Common Startup", CSIDL_COMMON_STARTUP);
  p.parkedFolder = shell::DataFolder() + "StartUp\\Disabled\\";
  p.parkedCommonFolder = p.parkedFolder + "All Users\\";
  const std::string ini = p.winIni;
  p.readIni = [ini](const std::string& section, const std::string& key) {
    std::wstring buf(4096, L'\0');
    for (;;) {
      const DWORD n = GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), L"", buf.data(),
                                               DWORD(buf.size()), Widen(ini).c_str());
      if (n + 2 < buf.size()) return Narrow(buf.substr(0, n));
      buf.resize(buf.size() * 4);
    }
  };
  p.writeIni = [ini](const std::string& section, const std::string& key, const std::string& value) {
    return WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(value).c_str(),
                                      Widen(ini).c_str()) != FALSE;
  };
  return p;
}

StartupItems::StartupItems(StartupPlaces places) : places_(std::move(places)) {}

std::string StartupItems::FolderOf(Source source, bool parked) const {
  if (source == Source::UserFolder) return parked ? places_.parkedFolder : places_.userFolder;
  if (source == Source::CommonFolder) return parked ? places_.parkedCommonFolder : places_.commonFolder;
  return "";
}

std::vector<StartupItem> StartupItems::Read() const {
  std::vector<StartupItem> items;
  for (bool parked : {false, true}) {
    const auto& sources = RegistrySources();
    for (std::size_t i = 0; i < sources.size(); ++i) {
      const RegKey key = RegKey::Open(sources[i].root, Path(sources[i], parked));
      if (!key) continue;
      for (DWORD index = 0;; ++index) {
        wchar_t name[16384];
        DWORD nameLength = 16384, type = 0, size = 0;
        LONG rc = RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &type, nullptr, &size);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) break;
        // Only strings are command lines; anything else is passed over.
        if (type != REG_SZ && type != REG_EXPAND_SZ) continue;
        StartupItem item;
        item.source = Source::Registry;
        item.parked = parked;
        item.registry = int(i);
        item.name = Narrow(std::wstring(name, nameLength));
        const auto raw = ReadRaw(key, item.name);
        if (!raw) continue;
        item.programName = item.name;
        item.commandLine = DecodeRegString(raw->data);
        item.location = std::string(sources[i].rootName) + sources[i].keyPath;
        if (!parked) item.marked = MarkSaysDisabled(ReadMark(MarkOf(item)));
        items.push_back(std::move(item));
      }
    }
    for (const auto& [source, key] : {std::pair{Source::WinIniRun, "Run"}, std::pair{Source::WinIniLoad, "Load"}}) {
      if (!places_.readIni) break;
      for (const std::string& token : SplitTokens(places_.readIni(parked ? "SS_Disabled" : "Windows", key))) {
        StartupItem item;
        item.source = source;
        item.parked = parked;
        item.token = token;
        item.programName = TokenProgramName(token);
        item.commandLine = token;
        item.location = source == Source::WinIniRun ? kWinIniRunLocation : kWinIniLoadLocation;
        items.push_back(std::move(item));
      }
    }
    for (Source source : {Source::UserFolder, Source::CommonFolder}) {
      const std::string folder = FolderOf(source, parked);
      if (folder.empty()) continue;  // never the drive root by an empty path
      for (const DirEntry& e : DirectoryListing(folder + "*")) {
        if (e.isFolder()) continue;
        shell::TShellLinkInfo info;
        try {
          info = shell::ReadShortcut(LongPathW(folder + e.name));
        } catch (const shell::ShellLinkError&) {
          continue;  // not a shortcut (desktop.ini), or unreadable
        }
        StartupItem item;
        item.source = source;
        item.parked = parked;
        item.name = e.name;
        item.target = info.LongPath;
        item.programName = ProgramNameOfFile(e.name);
        item.commandLine = LinkCommandLine(info);
        item.location = source == Source::UserFolder ? kUserFolderLocation : kCommonFolderLocation;
        if (!parked) item.marked = MarkSaysDisabled(ReadMark(MarkOf(item)));
        items.push_back(std::move(item));
      }
    }
  }
  return items;
}

// ---- The undo journal ------------------------------------------------------------

int StartupItems::RecordRemoval(const StartupItem& item) {
  if (!journal_) return kNothingToRecord;
  int entry = -1;
  switch (item.source) {
    case Source::Registry: {
      const RegistrySource& s = RegistrySources()[std::size_t(item.registry)];
      const RegKey key = RegKey::Open(s.root, Path(s, item.parked));
      if (!key || !key.ValueExists(item.name)) return kNothingToRecord;
      entry = journal_->AddCurrentValue(U(s.rootName), U(Path(s, item.parked)), U(item.name));
      break;
    }
    case Source::WinIniRun:
    case Source::WinIniLoad:
      entry = journal_->AddIni(places_.winIni, item.parked ? "SS_Disabled" : "Windows",
                               item.source == Source::WinIniRun ? "Run" : "Load", item.token);
      break;
    case Source::UserFolder:
    case Source::CommonFolder: {
      const std::string folder = FolderOf(item.source, item.parked);
      if (folder.empty() || !FileExists(folder + item.name)) return kNothingToRecord;
      entry = journal_->AddFile(folder + item.name);
      break;
    }
  }
  if (entry >= 0 && !item.parked) {
    const MarkPlace m = MarkOf(item);
    if (m.root) journal_->AlsoValue(entry, RootName(m.root), U(m.key), U(m.value));  // none: nothing to keep
  }
  return entry;
}

int StartupItems::RecordNew(const StartupItem& item) {
  if (!journal_) return kNothingToRecord;
  const int entry = journal_->AddNothing();
  // An approval mark of that name may be there already (left by an earlier
  // item): kept as it is now, so undoing the add puts it back rather than
  // deleting it with the mark this change writes.
  if (!item.parked) {
    const MarkPlace m = MarkOf(item);
    if (m.root) journal_->AlsoValue(entry, RootName(m.root), U(m.key), U(m.value));  // none: nothing to keep
  }
  return entry;
}

void StartupItems::RecordAdded(int entry, const StartupItem& item, bool markOnly) {
  if (!journal_ || entry < 0) return;
  if (!markOnly) switch (item.source) {
    case Source::Registry: {
      const RegistrySource& s = RegistrySources()[std::size_t(item.registry)];
      journal_->AddedCurrentValue(entry, U(s.rootName), U(Path(s, item.parked)), U(item.name));
      break;
    }
    case Source::WinIniRun:
    case Source::WinIniLoad:
      journal_->AddedIni(entry, places_.winIni, item.parked ? "SS_Disabled" : "Windows",
                         item.source == Source::WinIniRun ? "Run" : "Load", item.token);
      break;
    case Source::UserFolder:
    case Source::CommonFolder:
      journal_->AddedFile(entry, FolderOf(item.source, item.parked) + item.name);
      break;
  }
  if (!item.parked) {
    const MarkPlace m = MarkOf(item);
    if (m.root) journal_->AddedCurrentValue(entry, RootName(m.root), U(m.key), U(m.value));
  }
}

bool StartupItems::Begin() { return !journal_ || journal_->Begin(); }

void StartupItems::Went(int entry) {
  if (journal_ && entry >= 0) journal_->Went(entry);
}

// ---- Switching on and off ------------------------------------------------------

StartupItems::Change StartupItems::SetEnabled(const StartupItem& item, bool enable) {
  if (item.enabled() == enable) return {};
  if (enable && item.marked && !item.parked) {
    // Switched off in place by its mark: switching on clears the mark only.
    Change c;
    const MarkPlace m = MarkOf(item);
    int entry = kNothingToRecord;
    if (journal_) {
      entry = journal_->AddCurrentValue(RootName(m.root), U(m.key), U(m.value));
      if (entry < 0 || !Begin()) {
        c.message = "An error ocured while enabling " + item.programName + kNotRecorded;
        return c;
      }
    }
    ClearMark(m);
    c.changed = !MarkSaysDisabled(ReadMark(m));
    if (!c.changed) c.message = "An error ocured while enabling " + item.programName;
    if (c.changed && entry >= 0) {
      journal_->AddedCurrentValue(entry, RootName(m.root), U(m.key), U(m.value));
      Went(entry);
    }
    return c;
  }
  switch (item.source) {
    case Source::Registry: return MoveRegistry(item, enable);
    case Source::WinIniRun:
    case Source::WinIniLoad: return MoveWinIni(item, enable);
    case Source::UserFolder:
    case Source::CommonFolder: return MoveFolder(item, enable);
  }
  return {};
}

StartupItems::Change StartupItems::MoveRegistry(const StartupItem& item, bool enable) {
  const RegistrySource& s = RegistrySources()[std::size_t(item.registry)];
  const std::string failed = std::string(enable ? "An error ocured while enabling " : "An error ocured while disabling ") +
                             item.name;
  Change c;
  c.message = failed;
  // Switching off moves from the key to its "Disabled" sub-key; on, back.
  const RegKey from = RegKey::Open(s.root, Path(s, enable), KEY_READ | KEY_WRITE);
  if (!from) return c;
  const auto value = ReadRaw(from, item.name);
  if (!value) return c;
  const int entry = RecordRemoval(item);
  if (entry == -1) {
    c.message += kNotRecorded;
    return c;
  }
  if (enable && journal_ && entry >= 0) {
    // The mark it will get back in its enabled place, as it is now.
    const MarkPlace m = MarkOf(item);
    if (m.root) journal_->AlsoValue(entry, RootName(m.root), U(m.key), U(m.value));
  }
  // The copy it will leave in the other place is in the session before the
  // move, so a session cut short between the copy and the end still undoes it.
  std::optional<RegValue> before;
  if (const RegKey peek = RegKey::Open(s.root, Path(s, !enable))) before = ReadRaw(peek, item.name);
  if (!before && journal_ && entry >= 0) {
    regclean::RegFileValue planned;
    planned.isDefault = item.name.empty();
    planned.name = U(item.name);
    planned.type = value->type;
    planned.data = value->data;
    if (!journal_->AddedValue(entry, U(s.rootName), U(Path(s, !enable)), planned)) {
      c.message += kNotRecorded;
      return c;
    }
  }
  if (!Begin()) {
    c.message += kNotRecorded;
    return c;
  }
  HKEY created = nullptr;
  if (RegCreateKeyExW(s.root, Widen(Path(s, !enable)).c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                      &created, nullptr) != ERROR_SUCCESS)
    return c;
  const RegKey to(created, Path(s, !enable));
  const auto there = ReadRaw(to, item.name);
  if (there.has_value() != before.has_value()) return c;  // changed under us: left for the user to look at
  if (there) {
    if (!Same(*there, *value)) {
      c.message = enable ? failed : kDuplicateMessage;
      return c;  // a different item of that name stays where it is, and so does this one
    }
  } else if (!WriteRaw(to, item.name, *value) || !Same(ReadRaw(to, item.name), *value)) {
    return c;
  }
  if (RegDeleteValueW(from.get(), Widen(item.name).c_str()) != ERROR_SUCCESS) return c;
  if (enable) ClearMark(MarkOf(item));
  StartupItem now = item;
  now.parked = !enable;
  now.marked = false;
  // A copy that was there already is no part of this change; the one it
  // wrote was planned above, which leaves the mark.
  RecordAdded(entry, now, /*markOnly=*/true);
  Went(entry);
  c.changed = true;
  c.message.clear();
  return c;
}

StartupItems::Change StartupItems::MoveWinIni(const StartupItem& item, bool enable) {
  const char* key = item.source == Source::WinIniRun ? "Run" : "Load";
  const char* from = enable ? "SS_Disabled" : "Windows";
  const char* to = enable ? "Windows" : "SS_Disabled";
  Change c;
  c.message = std::string(enable ? "An error ocured while enabling " : "An error ocured while disabling ") +
              item.programName;
  if (!places_.readIni || !places_.writeIni) return c;
  const int entry = RecordRemoval(item);
  const std::string target = places_.readIni(to, key);
  const std::vector<std::string> there = SplitTokens(target);
  const bool already = std::find(there.begin(), there.end(), item.token) != there.end();
  StartupItem now = item;
  now.parked = !enable;
  // The token it will add is in the session before it is written.
  if (entry >= 0 && !already && !journal_->AddedIni(entry, places_.winIni, now.parked ? "SS_Disabled" : "Windows",
                                                    key, item.token)) {
    c.message += kNotRecorded;
    return c;
  }
  if (entry == -1 || !Begin()) {
    c.message += kNotRecorded;
    return c;
  }
  if (!already) {
    if (!places_.writeIni(to, key, AppendToken(target, item.token))) return c;
    const std::vector<std::string> now = SplitTokens(places_.readIni(to, key));
    if (std::find(now.begin(), now.end(), item.token) == now.end()) return c;
  }
  bool removed = false;
  const std::string rest = RemoveToken(places_.readIni(from, key), item.token, &removed);
  if (removed && !places_.writeIni(from, key, rest)) return c;
  RecordAdded(entry, now, /*markOnly=*/true);
  Went(entry);
  c.changed = true;
  c.message.clear();
  return c;
}

const std::map<std::string, std::string>& StartupItems::Targets(const std::string& folder) {
  auto it = targets_.find(folder);
  if (it != targets_.end()) return it->second;
  std::map<std::string, std::string> found;
  for (const DirEntry& e : DirectoryListing(folder + "*.lnk")) {
    if (e.isFolder()) continue;
    try {
      found[e.name] = shell::ReadShortcut(LongPathW(folder + e.name)).LongPath;
    } catch (const shell::ShellLinkError&) {
    }
  }
  return targets_.emplace(folder, std::move(found)).first->second;
}

StartupItems::Change StartupItems::MoveFolder(const StartupItem& item, bool enable) {
  const std::string from = FolderOf(item.source, enable), to = FolderOf(item.source, !enable);
  Change c;
  if (from.empty() || to.empty()) {
    c.message = std::string(enable ? "An error ocured while enabling " : "An error ocured while disabling ") + item.name;
    return c;
  }
  CreateFolderPath(to);
  // The item's own file, then every other shortcut to the same program.
  std::vector<std::string> files{item.name};
  if (!item.target.empty())
    for (const auto& [name, target] : Targets(from))
      if (name != item.name && CompareNoCase(target, item.target) == 0) files.push_back(name);
  for (const std::string& name : files) {
    if (FileExists(to + name)) {
      if (c.message.empty())
        c.message = enable ? "An error ocured while enabling " + name : std::string(kDuplicateMessage);
      continue;
    }
    StartupItem one = item;
    one.name = name;
    const int entry = RecordRemoval(one);
    if (enable && journal_ && entry >= 0) {
      const MarkPlace m = MarkOf(one);
      if (m.root) journal_->AlsoValue(entry, RootName(m.root), U(m.key), U(m.value));
    }
    // The moved file is in the session as added before it moves.
    const bool planned = entry < 0 || journal_->AddedFileFrom(entry, to + name, from + name);
    if (entry == -1 || !planned || !Begin()) {
      if (c.message.empty())
        c.message = std::string(enable ? "An error ocured while enabling " : "An error ocured while disabling ") + name +
                    kNotRecorded;
      continue;
    }
    // Never over an existing file: a copy allowed, never a replace.
    if (!MoveFileExW(LongPathW(from + name).c_str(), LongPathW(to + name).c_str(), MOVEFILE_COPY_ALLOWED)) {
      if (c.message.empty())
        c.message = std::string(enable ? "An error ocured while enabling " : "An error ocured while disabling ") + name;
      continue;
    }
    c.movedFiles.push_back(name);
    if (name == item.name) c.changed = true;
    if (enable) ClearMark(MarkOf(one));
    StartupItem now = one;
    now.parked = !enable;
    now.marked = false;
    RecordAdded(entry, now, /*markOnly=*/true);
    Went(entry);
  }
  targets_.erase(from);
  targets_.erase(to);
  return c;
}

// ---- Delete ------------------------------------------------------------------------

std::string StartupItems::Delete(const StartupItem& item, bool* accessDenied) {
  if (accessDenied) *accessDenied = false;
  const int entry = RecordRemoval(item);
  if (entry == -1 || !Begin())
    return "The \"" + item.programName + "\" entry was not deleted: its copy for undoing the deletion cannot be written.";
  const std::string problem = DeleteRecorded(item, accessDenied);
  if (problem.empty()) Went(entry);
  return problem;
}

std::string StartupItems::DeleteRecorded(const StartupItem& item, bool* accessDenied) {
  switch (item.source) {
    case Source::Registry: {
      const RegistrySource& s = RegistrySources()[std::size_t(item.registry)];
      long error = 0;
      const RegKey key = RegKey::Open(s.root, Path(s, item.parked), KEY_READ | KEY_SET_VALUE, &error);
      if (!key && error != ERROR_FILE_NOT_FOUND) {
        if (accessDenied) *accessDenied = error == ERROR_ACCESS_DENIED;
        return SystemErrorText(error);
      }
      if (key) {
        const LONG rc = RegDeleteValueW(key.get(), Widen(item.name).c_str());
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
          if (accessDenied) *accessDenied = rc == ERROR_ACCESS_DENIED;
          return SystemErrorText(rc);
        }
      }
      // A parked item has no mark: the one of its name belongs to the enabled item.
      if (!item.parked) DeleteMark(MarkOf(item));
      return "";
    }
    case Source::WinIniRun:
    case Source::WinIniLoad: {
      const char* key = item.source == Source::WinIniRun ? "Run" : "Load";
      const char* section = item.parked ? "SS_Disabled" : "Windows";
      bool removed = false;
      const std::string rest = RemoveToken(places_.readIni(section, key), item.token, &removed);
      if (removed && !places_.writeIni(section, key, rest))
        return "Error removing the corresponding entry for the \"" + item.programName + "\" entry.";
      return "";
    }
    case Source::UserFolder:
    case Source::CommonFolder: {
      const std::string folder = FolderOf(item.source, item.parked);
      if (folder.empty() || !DeleteFileW(LongPathW(folder + item.name).c_str()))
        return "Error removing the corresponding shortcut file for the \"" + item.programName + "\" entry.";
      targets_.erase(folder);
      if (!item.parked) DeleteMark(MarkOf(item));
      return "";
    }
  }
  return "";
}

// ---- The editor's writes --------------------------------------------------------------

namespace {

// Editor entries: 0 user folder, 1-7 the seven keys, 8-9 Win.ini, 10 all users'
// folder, 11-12 the machine's 32-bit Run and RunOnce.
Source SourceOfLocation(int location) {
  if (location == 0) return Source::UserFolder;
  if (location == 10) return Source::CommonFolder;
  if (location == 8) return Source::WinIniRun;
  if (location == 9) return Source::WinIniLoad;
  return Source::Registry;
}

int RegistryOfLocation(int location) {
  if (location >= 1 && location <= 7) return location - 1;
  if (location == 11 || location == 12) return location - 4;
  return -1;
}

}  // namespace

StartupItem StartupItems::ItemFor(const NewItem& n) const {
  StartupItem item;
  item.source = SourceOfLocation(n.location);
  item.parked = !n.enabled;
  item.registry = RegistryOfLocation(n.location);
  switch (item.source) {
    case Source::Registry: {
      const RegistrySource& s = RegistrySources()[std::size_t(item.registry)];
      item.name = item.programName = n.description;
      item.commandLine = n.commandLine;
      item.location = std::string(s.rootName) + s.keyPath;
      break;
    }
    case Source::WinIniRun:
    case Source::WinIniLoad:
      item.token = item.commandLine = shell::GetShortPath(n.commandLine);
      item.programName = TokenProgramName(n.commandLine);
      item.location = item.source == Source::WinIniRun ? kWinIniRunLocation : kWinIniLoadLocation;
      break;
    case Source::UserFolder:
    case Source::CommonFolder:
      item.name = n.description + ".lnk";
      item.programName = n.description;
      item.commandLine = n.commandLine;
      item.target = SplitCommand(n.commandLine).first;
      item.location = item.source == Source::UserFolder ? kUserFolderLocation : kCommonFolderLocation;
      break;
  }
  return item;
}

bool StartupItems::Exists(int location, bool enabled, const std::string& description) const {
  const StartupItem item = ItemFor({location, enabled, description, "", ""});
  switch (item.source) {
    case Source::Registry: {
      const RegistrySource& s = RegistrySources()[std::size_t(item.registry)];
      const RegKey key = RegKey::Open(s.root, Path(s, item.parked));
      return key && key.ValueExists(item.name);
    }
    case Source::UserFolder:
    case Source::CommonFolder: {
      const std::string folder = FolderOf(item.source, item.parked);
      return !folder.empty() && FileAttributes(folder + item.name).has_value();
    }
    default: return false;
  }
}

std::string StartupItems::Write(const NewItem& n, const StartupItem* replacing) {
  const StartupItem item = ItemFor(n);
  const std::string failed = "An error ocured while writing " + item.programName;
  switch (item.source) {
    case Source::Registry: {
      const RegistrySource& s = RegistrySources()[std::size_t(item.registry)];
      HKEY created = nullptr;
      if (RegCreateKeyExW(s.root, Widen(Path(s, item.parked)).c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                          &created, nullptr) != ERROR_SUCCESS)
        return failed;
      const RegKey key(created, Path(s, item.parked));
      // A renamed or moved value keeps its type (an expandable command stays
      // one, edited or not) and, unedited, its very bytes.
      RegValue value = StringValue(n.commandLine);
      if (replacing && replacing->source == Source::Registry) {
        const RegistrySource& old = RegistrySources()[std::size_t(replacing->registry)];
        if (const RegKey from = RegKey::Open(old.root, Path(old, replacing->parked)))
          if (const auto raw = ReadRaw(from, replacing->name)) {
            if (replacing->commandLine == n.commandLine)
              value = *raw;
            else if (raw->type == REG_EXPAND_SZ)
              value.type = REG_EXPAND_SZ;
          }
      }
      // A value written over (the same place and name) is kept for an undo.
      const int entry = key.ValueExists(item.name) ? RecordRemoval(item) : RecordNew(item);
      if (entry == -1 || !Begin()) return failed + kNotRecorded;
      if (!WriteRaw(key, item.name, value) || !Same(ReadRaw(key, item.name), value)) return failed;
      if (n.enabled) ClearMark(MarkOf(item));
      RecordAdded(entry, item);
      Went(entry);
      return "";
    }
    case Source::WinIniRun:
    case Source::WinIniLoad: {
      const char* key = item.source == Source::WinIniRun ? "Run" : "Load";
      const char* section = n.enabled ? "Windows" : "SS_Disabled";
      const std::string value = places_.readIni(section, key);
      const std::vector<std::string> tokens = SplitTokens(value);
      if (std::find(tokens.begin(), tokens.end(), item.token) != tokens.end()) return "";
      const int entry = RecordNew(item);
      if (!Begin()) return failed + kNotRecorded;
      if (!places_.writeIni(section, key, AppendToken(value, item.token))) return failed;
      RecordAdded(entry, item);
      Went(entry);
      return "";
    }
    case Source::UserFolder:
    case Source::CommonFolder: {
      const std::string folder = FolderOf(item.source, item.parked);
      if (folder.empty()) return failed;  // no folder known: never the drive root
      CreateFolderPath(folder);
      const std::string path = folder + item.name;
      const auto [target, arguments] = SplitCommand(n.commandLine);
      const bool exists = FileExists(path);
      const int entry = exists ? RecordRemoval(item) : RecordNew(item);
      if (entry == -1 || !Begin()) return failed + kNotRecorded;
      if (!n.basedOnShortcut.empty() && replacing) {
        // An edited shortcut is the old file changed through the link object:
        // a copy under the new name first (the old one goes only once the new
        // one reads back), then only the fields the dialog changed, so its
        // other fields, its target's stored form and its flags stay.
        const bool inPlace = CompareNoCase(n.basedOnShortcut, path) == 0;
        if (!inPlace && !CopyFileW(LongPathW(n.basedOnShortcut).c_str(), LongPathW(path).c_str(), TRUE))
          return failed;
        try {
          shell::TShellLinkInfo info = shell::ReadShortcut(LongPathW(path));
          bool changed = false;
          if (n.commandLine != replacing->commandLine) {
            info.Path = target;
            info.Arguments = arguments;
            changed = true;
          } else {
            info.Path = info.LongPath;
          }
          // The comment follows a rename only where it was the old name.
          const std::string oldDescription = replacing->name.substr(0, replacing->name.size() - 4);
          if (info.Description == oldDescription && info.Description != n.description) {
            info.Description = n.description;
            changed = true;
          }
          // Nothing changed in it (a rename): the copy is the file, byte for byte.
          if (changed) shell::WriteShortcut(LongPathW(path), info);
          const shell::TShellLinkInfo back = shell::ReadShortcut(LongPathW(path));
          if (back.Arguments != info.Arguments || back.Description != info.Description) {
            if (!inPlace) DeleteFileW(LongPathW(path).c_str());
            return failed;
          }
        } catch (const shell::ShellLinkError& e) {
          if (!inPlace) DeleteFileW(LongPathW(path).c_str());
          return e.what();
        }
      } else {
        shell::TPBShellLink link;
        link.SetFileName(path);
        link.Description = n.description;
        link.Target = target;
        link.Arguments = arguments;
        try {
          link.Save();
        } catch (const shell::EPBShellLink& e) {
          return e.what();
        }
      }
      targets_.erase(folder);
      if (n.enabled) ClearMark(MarkOf(item));
      RecordAdded(entry, item);
      Went(entry);
      return "";
    }
  }
  return failed;
}

}  // namespace velmora::startup
