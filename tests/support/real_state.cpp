#include "support/real_state.h"

#include <windows.h>

#include "platform/files.h"
#include "platform/services.h"
#include "platform/text.h"
#include "support/test_folder.h"

namespace velmora::test {

namespace {

const char* const kSettings = "Software\\Dastra";
const char* const kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const kRunOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

std::set<std::string> Entries(const std::string& folder) {
  std::set<std::string> names;
  for (const DirEntry& e : DirectoryListing(folder + "*")) names.insert(UpperCase(e.name));
  return names;
}

std::map<std::string, RegValue> Values(HKEY root, const std::string& path) {
  std::map<std::string, RegValue> values;
  RegKey k = RegKey::Open(root, path);
  if (!k) return values;
  for (const std::string& name : k.ValueNames())
    if (auto v = k.ReadValue(name)) values.emplace(name, *v);
  return values;
}

bool CopyTree(HKEY fromRoot, const std::string& from, HKEY toRoot, const std::string& to) {
  RegKey source = RegKey::Open(fromRoot, from);
  if (!source) return false;
  RegKey target = RegKey::Create(toRoot, to);
  return RegCopyTreeW(source.get(), nullptr, target.get()) == ERROR_SUCCESS;
}

}  // namespace

RealState::RealState()
    : programFolder_(RealServices().programFolder()),
      runKeys_{{HKEY_CURRENT_USER, kRun, {}},
               {HKEY_CURRENT_USER, kRunOnce, {}},
               {HKEY_LOCAL_MACHINE, kRun, {}},
               {HKEY_LOCAL_MACHINE, kRunOnce, {}}} {
  programEntries_ = Entries(programFolder_);
  if (RegKey::Exists(HKEY_CURRENT_USER, kSettings)) {
    savedSettings_ = "Software\\VelmoraTestSaved" + std::to_string(GetCurrentProcessId());
    if (CopyTree(HKEY_CURRENT_USER, kSettings, HKEY_CURRENT_USER, savedSettings_))
      RegKey::DeleteTree(HKEY_CURRENT_USER, kSettings);
    else
      savedSettings_.clear();  // left in place rather than lost
  }
  for (RunKey& k : runKeys_) k.values = Values(k.root, k.path);
}

RealState::~RealState() {
  RegKey::DeleteTree(HKEY_CURRENT_USER, kSettings);
  if (!savedSettings_.empty() && CopyTree(HKEY_CURRENT_USER, savedSettings_, HKEY_CURRENT_USER, kSettings))
    RegKey::DeleteTree(HKEY_CURRENT_USER, savedSettings_);
  for (const RunKey& saved : runKeys_) {
    RegKey k = RegKey::Open(saved.root, saved.path, KEY_READ | KEY_WRITE);
    if (!k) continue;
    for (const std::string& name : k.ValueNames())
      if (!saved.values.count(name)) k.DeleteValue(name);
    for (const auto& [name, value] : saved.values) k.WriteValue(name, value);
  }
  for (const std::string& name : Entries(programFolder_)) {
    if (programEntries_.count(name)) continue;
    const std::string path = programFolder_ + name;
    if (FolderExists(path))
      RemoveTree(path);
    else
      DeleteFileW(LongPathW(path).c_str());
  }
}

std::string RealState::TempFolder() {
  wchar_t buffer[MAX_PATH + 2] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  return IncludeTrailingBackslash(Narrow(std::wstring(buffer, n)));
}

std::string RealState::ProfileFolder() {
  wchar_t buffer[32768] = {};
  const DWORD n = GetEnvironmentVariableW(L"USERPROFILE", buffer, 32767);
  return n ? IncludeTrailingBackslash(Narrow(std::wstring(buffer, n))) : std::string();
}

}  // namespace velmora::test
