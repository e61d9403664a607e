#include "tools/regclean/reg_scan.h"

#include <algorithm>

#include "tools/regclean/reg_key.h"

namespace velmora::regclean {

namespace {

HKEY OpenRead(HKEY parent, const std::u16string& sub) {
  HKEY k = nullptr;
  return RegOpenKeyExW(parent, W(sub).c_str(), 0, KEY_READ, &k) == ERROR_SUCCESS ? k : nullptr;
}

std::vector<std::u16string> SubKeyNames(HKEY key) {
  std::vector<std::u16string> names;
  std::vector<wchar_t> buf(260);
  for (DWORD i = 0;; ++i) {
    DWORD length = DWORD(buf.size());
    const LONG rc = RegEnumKeyExW(key, i, buf.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) {
      buf.resize(buf.size() * 2);
      --i;
      continue;
    }
    if (rc != ERROR_SUCCESS) break;
    names.push_back(U16(buf.data(), length));
  }
  return names;
}

bool SameNoCase(const std::u16string& a, const std::u16string& b) {
  return CompareStringOrdinal(reinterpret_cast<const wchar_t*>(a.data()), int(a.size()),
                              reinterpret_cast<const wchar_t*>(b.data()), int(b.size()), TRUE) == CSTR_EQUAL;
}

// The path as the registry spells it ("SOFTWARE" where it is stored so), so a
// finding names its key exactly as the backup does. Empty when a part is missing.
std::u16string StoredPath(HKEY root, const std::u16string& path) {
  std::u16string out;
  Key current(OpenRead(root, u""));
  for (std::size_t pos = 0; current && pos < path.size();) {
    std::size_t end = path.find(u'\\', pos);
    if (end == std::u16string::npos) end = path.size();
    const std::u16string part = path.substr(pos, end - pos);
    std::u16string stored;
    for (const std::u16string& name : SubKeyNames(current.get()))
      if (SameNoCase(name, part)) stored = name;
    if (stored.empty()) return {};
    current = Key(OpenRead(current.get(), stored));
    out += (out.empty() ? u"" : u"\\") + stored;
    pos = end + 1;
  }
  return current ? out : std::u16string();
}

std::u16string DataText(const std::vector<std::uint8_t>& data) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    const char16_t c = char16_t(data[i] | (data[i + 1] << 8));
    if (c == 0) break;
    text += c;
  }
  return text;
}

struct Walker {
  const ScanHooks& hooks;
  ScanArea area;
  HKEY root;
  std::u16string rootName;

  bool Stopped() const { return hooks.stop && *hooks.stop; }

  void Values(HKEY key, const std::u16string& path, const std::u16string& subName) {
    FILETIME written{};
    DWORD maxName = 0, maxData = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, &maxData, nullptr,
                     &written);
    std::vector<wchar_t> name(maxName + 2);
    std::vector<BYTE> data(maxData + 2);
    for (DWORD i = 0;; ++i) {
      DWORD nameLength = DWORD(name.size()), size = DWORD(data.size()), type = 0;
      const LONG rc = RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size);
      if (rc == ERROR_MORE_DATA) {
        name.resize(std::max<std::size_t>(name.size() * 2, 32768));
        data.resize(std::max<std::size_t>(data.size() * 2, size + 2));
        --i;
        continue;
      }
      if (rc != ERROR_SUCCESS) break;
      if (type != REG_SZ && type != REG_EXPAND_SZ) continue;
      if (hooks.status) hooks.status(subName);
      if (hooks.pump) hooks.pump();
      if (Stopped()) return;
      Finding f;
      f.valueName = U16(name.data(), nameLength);
      f.data.assign(data.begin(), data.begin() + size);
      f.text = DataText(f.data);
      if (IsValidReference(Utf8(f.valueName), hooks.env) && IsValidReference(Utf8(f.text), hooks.env)) continue;
      f.area = area;
      f.root = root;
      f.rootName = rootName;
      f.keyPath = path;
      f.type = type;
      f.lastWrite = written;
      if (hooks.found) hooks.found(std::move(f));
    }
  }

  // Depth first: each sub-key's values, then its own sub-keys, from the key opened here.
  void Walk(HKEY key, const std::u16string& path) {
    for (const std::u16string& name : SubKeyNames(key)) {
      if (Stopped()) return;
      Key child(OpenRead(key, name));
      if (!child) continue;  // unreadable: skipped without a word
      const std::u16string childPath = path.empty() ? name : path + u"\\" + name;
      Values(child.get(), childPath, name);
      if (Stopped()) return;
      Walk(child.get(), childPath);
    }
  }

  void SharedDlls(HKEY key, const std::u16string& path) {
    FILETIME written{};
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     &written);
    std::vector<wchar_t> name(32768);
    std::vector<BYTE> data(64);
    for (DWORD i = 0;; ++i) {
      if (Stopped()) return;
      DWORD nameLength = DWORD(name.size()), size = DWORD(data.size()), type = 0;
      LONG rc = RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size);
      if (rc == ERROR_MORE_DATA) {
        data.resize(size + 2);
        --i;
        continue;
      }
      if (rc != ERROR_SUCCESS) break;
      Finding f;
      f.valueName = U16(name.data(), nameLength);
      const std::string path8 = Utf8(f.valueName);
      const unsigned kind = path8.size() >= 3 ? hooks.env.driveType(path8[0]) : 0;
      if (hooks.env.excludeRemovable && (kind == drivekind::kCdRom || kind == drivekind::kRemote)) continue;
      if (hooks.env.exists(path8) != Existence::Missing) continue;
      f.area = area;
      f.root = root;
      f.rootName = rootName;
      f.keyPath = path;
      f.type = type;
      f.data.assign(data.begin(), data.begin() + size);
      f.text = f.valueName;
      f.lastWrite = written;
      if (hooks.found) hooks.found(std::move(f));
    }
  }
};

}  // namespace

std::string Utf8(const std::u16string& text) {
  if (text.empty()) return {};
  const wchar_t* w = reinterpret_cast<const wchar_t*>(text.data());
  const int n = WideCharToMultiByte(CP_UTF8, 0, w, int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(std::size_t(std::max(n, 0)), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, w, int(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::uint64_t Finding::Hash() const {
  RegFileValue v;
  v.isDefault = valueName.empty();
  v.name = valueName;
  v.type = type;
  v.data = data;
  return ValueHash(rootName + u"\\" + keyPath, v);
}

void ScanRegistryArea(ScanArea area, const ScanHooks& hooks) {
  switch (area) {
    case ScanArea::CurrentUser:
    case ScanArea::Users: {
      const bool user = area == ScanArea::CurrentUser;
      Walker w{hooks, area, user ? HKEY_CURRENT_USER : HKEY_USERS, user ? u"HKEY_CURRENT_USER" : u"HKEY_USERS"};
      Key start(OpenRead(w.root, u""));
      if (start) w.Walk(start.get(), u"");
      break;
    }
    case ScanArea::LocalMachine: {
      // Only the Software branch of the machine: its System branch is never examined.
      Walker w{hooks, area, HKEY_LOCAL_MACHINE, u"HKEY_LOCAL_MACHINE"};
      const std::u16string path = StoredPath(HKEY_LOCAL_MACHINE, u"Software");
      Key start(path.empty() ? nullptr : OpenRead(HKEY_LOCAL_MACHINE, path));
      if (start) w.Walk(start.get(), path);
      break;
    }
    case ScanArea::SharedDlls: {
      Walker w{hooks, area, HKEY_LOCAL_MACHINE, u"HKEY_LOCAL_MACHINE"};
      const std::u16string path = StoredPath(HKEY_LOCAL_MACHINE, kSharedDllsKey);
      Key start(path.empty() ? nullptr : OpenRead(HKEY_LOCAL_MACHINE, path));
      if (start) w.SharedDlls(start.get(), path);
      break;
    }
  }
}

Recheck RecheckFinding(const Finding& f, const ReferenceEnv& env,
                       const std::unordered_set<std::uint64_t>* backupHashes) {
  HKEY raw = nullptr;
  const LONG open = RegOpenKeyExW(f.root, W(f.keyPath).c_str(), 0, KEY_READ, &raw);
  if (open == ERROR_FILE_NOT_FOUND) return Recheck::Gone;
  if (open != ERROR_SUCCESS) return Recheck::KeyUnreadable;
  Key key(raw);
  const std::wstring name = W(f.valueName);
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return Recheck::Gone;
  std::vector<std::uint8_t> data(size);
  if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
    return Recheck::Gone;
  data.resize(size);
  if (type != f.type || data != f.data) return Recheck::Changed;
  if (f.area == ScanArea::SharedDlls) {
    if (env.exists(Utf8(f.valueName)) != Existence::Missing) return Recheck::NowValid;
  } else if (IsValidReference(Utf8(f.valueName), env) && IsValidReference(Utf8(f.text), env)) {
    return Recheck::NowValid;
  }
  if (backupHashes && !backupHashes->count(f.Hash())) return Recheck::NotInBackup;
  return Recheck::Delete;
}

bool DeleteFinding(const Finding& f) {
  HKEY raw = nullptr;
  if (RegOpenKeyExW(f.root, W(f.keyPath).c_str(), 0, KEY_SET_VALUE, &raw) != ERROR_SUCCESS) return false;
  Key key(raw);
  return RegDeleteValueW(key.get(), W(f.valueName).c_str()) == ERROR_SUCCESS;
}

}  // namespace velmora::regclean
