#include "tools/regclean/reg_backup.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "support/registry_sandbox.h"
#include "support/test_folder.h"
#include "tools/regclean/reg_file.h"

using namespace velmora;
using namespace velmora::regclean;

namespace {

struct Raw {
  DWORD type = 0;
  std::vector<BYTE> data;
  bool operator==(const Raw& o) const { return type == o.type && data == o.data; }
};

HKEY Create(HKEY root, const std::wstring& path) {
  HKEY k = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
  return k;
}

void Set(HKEY k, const std::wstring& name, DWORD type, std::vector<BYTE> data) {
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(k, name.c_str(), 0, type, data.empty() ? nullptr : data.data(),
                                          DWORD(data.size())));
}

std::optional<Raw> Get(HKEY root, const std::wstring& path, const std::wstring& name) {
  HKEY k = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return std::nullopt;
  DWORD type = 0, size = 0;
  std::optional<Raw> out;
  if (RegQueryValueExW(k, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    Raw r;
    r.type = type;
    r.data.resize(size);
    RegQueryValueExW(k, name.c_str(), nullptr, &type, r.data.data(), &size);
    r.data.resize(size);
    out = r;
  }
  RegCloseKey(k);
  return out;
}

std::vector<BYTE> Wide(const std::wstring& s, bool terminator = true) {
  std::vector<BYTE> out(reinterpret_cast<const BYTE*>(s.data()), reinterpret_cast<const BYTE*>(s.data() + s.size()));
  if (terminator) out.insert(out.end(), {0, 0});
  return out;
}

// A sandbox tree holding every odd form a backup must carry, byte for byte.
struct Tree {
  struct Item {
    std::wstring key, name;
    Raw raw;
  };
  std::vector<Item> items;
  void Add(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type, std::vector<BYTE> data) {
    HKEY k = Create(root, key);
    Set(k, name, type, data);
    RegCloseKey(k);
    items.push_back({key, name, {type, std::move(data)}});
  }
};

TEST(RegistryBackup, AWholeTreeComesBackByteForByteAfterDeleteAndRestore) {
  test::RegistrySandbox sandbox;
  test::TestFolder dir('E');
  Tree t;
  const std::wstring base = L"Software\\Velmora Backup Test";
  t.Add(HKEY_CURRENT_USER, base, L"", REG_SZ, Wide(L"the default"));
  t.Add(HKEY_CURRENT_USER, base, L"quote\"and\\backslash", REG_SZ, Wide(L"C:\\x \"y\""));
  t.Add(HKEY_CURRENT_USER, base, L"astral \U0001F600", REG_SZ, Wide(L"\U0001F600"));
  t.Add(HKEY_CURRENT_USER, base, std::wstring(L"lone ") + wchar_t(0xDC00), REG_SZ, Wide(std::wstring(1, wchar_t(0xD800))));
  t.Add(HKEY_CURRENT_USER, base, L"embedded", REG_SZ, Wide(std::wstring(L"a\0b", 3)));
  t.Add(HKEY_CURRENT_USER, base, L"line\nbreak", REG_SZ, Wide(L"x\r\ny"));
  t.Add(HKEY_CURRENT_USER, base, L"odd", REG_BINARY, {1, 2, 3});
  t.Add(HKEY_CURRENT_USER, base, L"short dword", REG_DWORD, {1, 2, 3});
  t.Add(HKEY_CURRENT_USER, base, L"dword", REG_DWORD, {7, 0, 0, 0});
  t.Add(HKEY_CURRENT_USER, base, L"expand", REG_EXPAND_SZ, Wide(L"%TEMP%\\a"));
  t.Add(HKEY_CURRENT_USER, base, L"multi", REG_MULTI_SZ, Wide(std::wstring(L"a\0b\0", 4)));
  t.Add(HKEY_CURRENT_USER, base, L"qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});
  t.Add(HKEY_CURRENT_USER, base, L"big", REG_BINARY, std::vector<BYTE>(1 << 20, 0x5A));
  t.Add(HKEY_CURRENT_USER, base + L"\\a]b", L"in a]b", REG_SZ, Wide(L"z"));
  std::wstring deep = base;
  for (int i = 0; i < 100; ++i) deep += L"\\L" + std::to_wstring(i);
  t.Add(HKEY_CURRENT_USER, deep, L"deepest", REG_DWORD, {1, 0, 0, 0});
  t.Add(HKEY_LOCAL_MACHINE, L"Software\\Velmora Machine", L"m", REG_SZ, Wide(L"machine"));
  t.Add(HKEY_USERS, L".DEFAULT\\Velmora", L"u", REG_SZ, Wide(L"users"));
  {
    HKEY many = Create(HKEY_CURRENT_USER, base + L"\\Many");
    for (int i = 0; i < 10000; ++i) Set(many, L"v" + std::to_wstring(i), REG_DWORD, {BYTE(i), 0, 0, 0});
    RegCloseKey(many);
  }

  const std::string file = dir / "Reg_Backup.reg";
  const BackupResult b = ExportRegistry(file);
  ASSERT_TRUE(b.ok) << b.error;
  EXPECT_GE(b.values, t.items.size() + 10000);
  EXPECT_FALSE(FileExists(file + ".new"));
  // Each listed value is found in the verified backup by its hash.
  RegFileValue probe;
  probe.name = u"dword";
  probe.type = REG_DWORD;
  probe.data = {7, 0, 0, 0};
  EXPECT_EQ(1u, b.hashes.count(ValueHash(u"HKEY_CURRENT_USER\\Software\\Velmora Backup Test", probe)));
  probe.data = {8, 0, 0, 0};
  EXPECT_EQ(0u, b.hashes.count(ValueHash(u"HKEY_CURRENT_USER\\Software\\Velmora Backup Test", probe)));

  ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str()));
  RegDeleteKeyW(HKEY_CURRENT_USER, base.c_str());
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Velmora Machine");
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Velmora Machine");
  ASSERT_FALSE(Get(HKEY_CURRENT_USER, base, L"dword"));
  const RestoreResult r = MergeRegistryFile(file);
  ASSERT_TRUE(r.ok) << r.error << " " << r.problem;
  for (const Tree::Item& i : t.items) {
    HKEY root = i.key.rfind(L"Software\\Velmora Machine", 0) == 0 ? HKEY_LOCAL_MACHINE
                : i.key.rfind(L".DEFAULT", 0) == 0               ? HKEY_USERS
                                                                 : HKEY_CURRENT_USER;
    const auto back = Get(root, i.key, i.name);
    ASSERT_TRUE(back) << Narrow(i.key) << " " << Narrow(i.name);
    EXPECT_TRUE(*back == i.raw) << Narrow(i.name);
  }
  EXPECT_EQ(Raw({REG_DWORD, {BYTE(9999 & 0xFF), 0, 0, 0}}), *Get(HKEY_CURRENT_USER, base + L"\\Many", L"v9999"));
}

TEST(RegistryBackup, TheMergeNeverOverwritesOrDeletes) {
  test::RegistrySandbox sandbox;
  test::TestFolder dir('E');
  HKEY k = Create(HKEY_CURRENT_USER, L"Software\\Merge");
  Set(k, L"changed", REG_SZ, Wide(L"old"));
  Set(k, L"removed", REG_SZ, Wide(L"gone later"));
  RegCloseKey(k);
  const std::string file = dir / "b.reg";
  ASSERT_TRUE(ExportRegistry(file).ok);
  k = Create(HKEY_CURRENT_USER, L"Software\\Merge");
  Set(k, L"changed", REG_SZ, Wide(L"new"));
  Set(k, L"added", REG_DWORD, {1, 0, 0, 0});
  RegDeleteValueW(k, L"removed");
  RegCloseKey(k);
  const RestoreResult r = MergeRegistryFile(file);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(1u, r.valuesWritten);
  EXPECT_EQ(Raw({REG_SZ, Wide(L"new")}), *Get(HKEY_CURRENT_USER, L"Software\\Merge", L"changed"));
  EXPECT_EQ(Raw({REG_SZ, Wide(L"gone later")}), *Get(HKEY_CURRENT_USER, L"Software\\Merge", L"removed"));
  EXPECT_TRUE(Get(HKEY_CURRENT_USER, L"Software\\Merge", L"added"));
}

TEST(RegistryBackup, ARefusedFileWritesNothingAndAFailedBackupKeepsTheOldOne) {
  test::RegistrySandbox sandbox;
  test::TestFolder dir('E');
  HKEY k = Create(HKEY_CURRENT_USER, L"Software\\Cut");
  Set(k, L"a", REG_SZ, Wide(L"1"));
  Set(k, L"b", REG_SZ, Wide(L"2"));
  RegCloseKey(k);
  const std::string file = dir / "Reg_Backup.reg";
  ASSERT_TRUE(ExportRegistry(file).ok);
  const std::string whole = test::ReadWholeFile(file);
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Cut");
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Cut");

  // Cut inside its last value: refused before anything is written.
  const std::string cut = dir / "cut.reg";
  ASSERT_TRUE(WriteFileAtomically(cut, whole.substr(0, whole.size() - 7)));
  const RestoreResult r = MergeRegistryFile(cut);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(unsigned(ERROR_INVALID_DATA), r.error);
  EXPECT_FALSE(Get(HKEY_CURRENT_USER, L"Software\\Cut", L"a"));
  EXPECT_FALSE(MergeRegistryFile(dir / "missing.reg").ok);

  // The new backup cannot be written: the old file stays as it was.
  CreateDirectoryW(Widen(file + ".new").c_str(), nullptr);
  const BackupResult failed = ExportRegistry(file);
  EXPECT_FALSE(failed.ok);
  EXPECT_NE(0u, failed.error);
  EXPECT_TRUE(failed.hashes.empty());
  EXPECT_EQ(whole, test::ReadWholeFile(file));
  RemoveDirectoryW(Widen(file + ".new").c_str());
}

// Faults Wine cannot make for real, put into the export's registry calls: a
// key that opens but refuses every listing, and a key deleted while it is
// walked. Each listing call on a faulty key is counted, so an export that
// loops on one fails here instead of hanging.
struct FaultyRegistry {
  static inline std::vector<HKEY> unlistable, vanishing;
  static inline unsigned long faultyCalls = 0;
  static bool In(const std::vector<HKEY>& keys, HKEY k) { return std::find(keys.begin(), keys.end(), k) != keys.end(); }
  static LONG WINAPI Open(HKEY key, LPCWSTR name, DWORD options, REGSAM access, PHKEY out) {
    const LONG rc = RegOpenKeyExW(key, name, options, access, out);
    if (rc != ERROR_SUCCESS) return rc;
    // A handle value comes back once its key is closed: it is what it opens now.
    for (auto* keys : {&unlistable, &vanishing}) keys->erase(std::remove(keys->begin(), keys->end(), *out), keys->end());
    if (name && std::wstring(name) == L"Unlistable") unlistable.push_back(*out);
    if (rc == ERROR_SUCCESS && name && std::wstring(name) == L"Vanishing") vanishing.push_back(*out);
    return rc;
  }
  static LONG Fault(HKEY key, DWORD index) {
    if (!In(unlistable, key) && !In(vanishing, key)) return ERROR_SUCCESS;
    // Past this many calls on one key the export is looping: end the listing
    // so the test can fail rather than hang.
    if (++faultyCalls > 10000) return ERROR_NO_MORE_ITEMS;
    if (In(unlistable, key)) return ERROR_ACCESS_DENIED;
    return index >= 1 ? ERROR_KEY_DELETED : ERROR_SUCCESS;  // gone after its first item
  }
  static LONG WINAPI EnumValue(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved,
                               LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    if (const LONG fault = Fault(key, index)) return fault;
    return RegEnumValueW(key, index, name, nameLength, reserved, type, data, dataSize);
  }
  static LONG WINAPI EnumKey(HKEY key, DWORD index, LPWSTR name, LPDWORD length, LPDWORD reserved, LPWSTR cls,
                             LPDWORD classLength, PFILETIME written) {
    if (const LONG fault = Fault(key, index)) return fault;
    return RegEnumKeyExW(key, index, name, length, reserved, cls, classLength, written);
  }
};

TEST(RegistryBackup, AKeyThatCannotBeListedOrVanishesIsLeftOutAndTheExportGoesOn) {
  test::RegistrySandbox sandbox;
  test::TestFolder dir('E');
  for (const wchar_t* key : {L"Software\\Faults\\Unlistable\\Below", L"Software\\Faults\\Vanishing\\A",
                             L"Software\\Faults\\Vanishing\\B", L"Software\\Faults\\After"}) {
    HKEY k = Create(HKEY_CURRENT_USER, key);
    Set(k, L"v", REG_SZ, Wide(L"1"));
    RegCloseKey(k);
  }
  HKEY v = Create(HKEY_CURRENT_USER, L"Software\\Faults\\Vanishing");
  Set(v, L"first", REG_SZ, Wide(L"kept"));
  Set(v, L"second", REG_SZ, Wide(L"lost with the key"));
  RegCloseKey(v);

  ExportRegistryCalls calls;
  calls.openKey = &FaultyRegistry::Open;
  calls.enumValue = &FaultyRegistry::EnumValue;
  calls.enumKey = &FaultyRegistry::EnumKey;
  FaultyRegistry::unlistable.clear();
  FaultyRegistry::vanishing.clear();
  FaultyRegistry::faultyCalls = 0;
  SetExportRegistryCalls(&calls);
  const std::string file = dir / "Reg_Backup.reg";
  const BackupResult b = ExportRegistry(file);
  SetExportRegistryCalls(nullptr);

  EXPECT_LT(FaultyRegistry::faultyCalls, 100u) << "the export kept asking a key that cannot be listed";
  ASSERT_TRUE(b.ok) << b.error;
  // Each of the two faulty keys counts once, however much of it was lost.
  EXPECT_GE(b.skippedKeys, 2u);
  const std::string bytes = test::ReadWholeFile(file);  // UTF-16 with its mark
  const std::string text = Narrow(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()) + 1, bytes.size() / 2 - 1));
  EXPECT_NE(text.find("\\Software\\Faults\\Unlistable]"), std::string::npos);
  EXPECT_EQ(text.find("Unlistable\\Below"), std::string::npos);
  EXPECT_NE(text.find("\"first\"=\"kept\""), std::string::npos) << text;
  EXPECT_EQ(text.find("lost with the key"), std::string::npos);
  EXPECT_NE(text.find("Vanishing\\A]"), std::string::npos);
  EXPECT_EQ(text.find("Vanishing\\B]"), std::string::npos);
  EXPECT_NE(text.find("Faults\\After]"), std::string::npos);  // the walk went on past both
}

TEST(RegistryBackup, StopEndsTheExportWithNoBackupAndTheOldOneKept) {
  test::RegistrySandbox sandbox;
  test::TestFolder dir('E');
  for (int i = 0; i < 50; ++i) RegCloseKey(Create(HKEY_CURRENT_USER, L"Software\\Stop\\K" + std::to_wstring(i)));
  const std::string file = dir / "Reg_Backup.reg";
  ASSERT_TRUE(ExportRegistry(file).ok);
  const std::string old = test::ReadWholeFile(file);
  RegCloseKey(Create(HKEY_CURRENT_USER, L"Software\\Stop\\Newer"));
  bool stop = false;
  int keys = 0;
  // Stop arrives as a message would, from inside the pump.
  const BackupResult b = ExportRegistry(file, [&] { stop = ++keys == 20; }, &stop);
  EXPECT_TRUE(b.stopped);
  EXPECT_FALSE(b.ok);
  EXPECT_EQ(0u, b.error);
  EXPECT_EQ(20, keys);
  EXPECT_TRUE(b.hashes.empty());
  EXPECT_EQ(old, test::ReadWholeFile(file));
  EXPECT_FALSE(test::PathExists(file + ".new"));
}

// Wine's registry editor, started as its own process on a scratch key of the
// real HKEY_CURRENT_USER (the sandbox is this process's alone), reads our file
// and we read its export. Only forms it keeps whole are used.
bool RunRegedit(const std::wstring& arguments, const std::string& folder) {
  std::wstring cmd = L"regedit.exe " + arguments;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, Widen(folder).c_str(), &si, &pi))
    return false;
  WaitForSingleObject(pi.hProcess, 60000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

TEST(RegistryBackup, OurFileAndTheRegistryEditorsReadEachOther) {
  test::TestFolder dir('E');
  const std::wstring scratch = L"Software\\VelmoraInterop-" + std::to_wstring(GetCurrentProcessId());
  const std::u16string root = u"HKEY_CURRENT_USER\\" + std::u16string(scratch.begin(), scratch.end());
  struct Item {
    std::wstring name;
    Raw raw;
  };
  const std::vector<Item> items{
      {L"", {REG_SZ, Wide(L"default")}},
      {L"quote \" and \\ back", {REG_SZ, Wide(L"C:\\Program Files\\\"x\".exe")}},
      {L"caf\u00e9 \U0001F600", {REG_SZ, Wide(L"\u00fcber \U0001F600")}},
      {L"expand", {REG_EXPAND_SZ, Wide(L"%SystemRoot%\\x.dll")}},
      {L"multi", {REG_MULTI_SZ, Wide(std::wstring(L"one\0two\0", 8))}},
      {L"dword", {REG_DWORD, {0x2a, 0, 0, 0x80}}},
      {L"binary", {REG_BINARY, {0, 1, 2, 0xff}}},
      {L"empty binary", {REG_BINARY, {}}},
  };
  auto check = [&](const std::wstring& key) {
    for (const Item& item : items) {
      const auto got = Get(HKEY_CURRENT_USER, key, item.name);
      ASSERT_TRUE(got) << Narrow(item.name);
      EXPECT_EQ(item.raw, *got) << Narrow(item.name);
    }
  };

  // Theirs read by us.
  HKEY k = Create(HKEY_CURRENT_USER, scratch + L"\\Theirs");
  for (const Item& item : items) Set(k, item.name, item.raw.type, item.raw.data);
  RegCloseKey(k);
  const std::string exported = dir / "theirs.reg";
  ASSERT_TRUE(RunRegedit(L"/e \"" + Widen(exported) + L"\" \"HKEY_CURRENT_USER\\" + scratch + L"\\Theirs\"", dir.path()));
  const ParseResult parsed = ParseRegFile(test::ReadWholeFile(exported));
  ASSERT_TRUE(parsed.file) << parsed.error.line << ": " << parsed.error.what;
  ASSERT_EQ(1u, parsed.file->keys.size());
  EXPECT_EQ(root + u"\\Theirs", parsed.file->keys[0].path);
  ASSERT_EQ(items.size(), parsed.file->keys[0].values.size());
  for (const RegFileValue& v : parsed.file->keys[0].values) {
    const std::wstring name(v.name.begin(), v.name.end());
    const auto got = Get(HKEY_CURRENT_USER, scratch + L"\\Theirs", name);
    ASSERT_TRUE(got) << Narrow(name);
    EXPECT_EQ(*got, Raw({v.type, std::vector<BYTE>(v.data.begin(), v.data.end())})) << Narrow(name);
  }

  // Ours read by them.
  RegFileWriter writer;
  ASSERT_TRUE(writer.BeginKey(root + u"\\Ours"));
  for (const Item& item : items) {
    RegFileValue v;
    v.isDefault = item.name.empty();
    v.name.assign(item.name.begin(), item.name.end());
    v.type = item.raw.type;
    v.data.assign(item.raw.data.begin(), item.raw.data.end());
    writer.Value(v);
  }
  const std::string ours = dir / "ours.reg";
  ASSERT_TRUE(WriteFileAtomically(ours, writer.Take()));
  ASSERT_TRUE(RunRegedit(L"/s \"" + Widen(ours) + L"\"", dir.path()));
  check(scratch + L"\\Ours");

  RegDeleteTreeW(HKEY_CURRENT_USER, scratch.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, scratch.c_str());
}

}  // namespace
