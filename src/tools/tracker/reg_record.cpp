// The registry recording: HKEY_USERS, then HKEY_LOCAL_MACHINE, walked with an
// explicit stack of open keys (one open key and one sorted sub-key list per
// level on the path), each value read once with its data.
#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <memory>

#include "platform/registry.h"
#include "platform/text.h"
#include "tools/tracker/reg_snapshot.h"
#include "tools/tracker/tracker_engine.h"
#include "ui/dialogs.h"

namespace velmora::tracker {

namespace {

// Read-only, and the 64-bit view by name (a 32-bit build would see the other one).
constexpr REGSAM kRead = KEY_READ | KEY_WOW64_64KEY;
// The tracker's own settings key, never recorded, however its case reads.
constexpr std::string_view kOwnKey = "SOFTWARE\\DASTRA\\VELMORA\\VANTREL";

// A key or value deleted since it was listed: normal on a live registry.
bool Vanished(LONG rc) { return rc == ERROR_FILE_NOT_FOUND || rc == ERROR_KEY_DELETED; }

// Stored string data as UTF-8, terminators included (a stray odd byte kept).
std::string StringBytes(const BYTE* data, DWORD size) {
  std::string out = Narrow(std::wstring_view(reinterpret_cast<const wchar_t*>(data), size / 2));
  if (size % 2) out += char(data[size - 1]);
  return out;
}

struct Value {
  std::string name;  // as the line shows it
  RegValueText text;
  bool unreadable = false;  // written as its error line
};

long SystemEnumValue(void* key, unsigned long index, wchar_t* name, unsigned long* nameLength,
                     unsigned long* reserved, unsigned long* type, unsigned char* data, unsigned long* dataSize) {
  return RegEnumValueW(static_cast<HKEY>(key), index, name, nameLength, reserved, type, data, dataSize);
}

EnumValueCall enumValue = &SystemEnumValue;

struct SubKey {
  std::string name;  // as the line shows it
  std::wstring wide;  // as stored, to open it
};

struct Frame {
  HKEY key;    // the open key (a root is used as it is, never closed)
  RegKey owned;
  std::string path;   // below the root: "" or "\A\B"
  std::string upper;  // root name and path in upper case, for the ignore list
  unsigned level;     // of the key's content
  std::vector<SubKey> subs;
  std::size_t next = 0;
};

class Recorder {
 public:
  Recorder(SnapshotWriter& out, std::string rootName, const std::vector<std::string>& ignore,
           const ProgressReceiver& progress)
      : out_(out), rootName_(std::move(rootName)), ignore_(ignore), progress_(progress) {}

  // False when aborted; raises (after its error line) when a key cannot be read.
  bool Run(HKEY root) {
    if (CheckAbort()) return false;
    std::vector<Frame> stack;
    stack.push_back(Frame{root, RegKey(), "", rootName_, 1, {}, 0});
    Visit(stack.back());
    while (!stack.empty()) {
      Frame& top = stack.back();
      if (top.next == top.subs.size()) {
        stack.pop_back();
        continue;
      }
      if (CheckAbort()) return false;
      const SubKey& sub = top.subs[top.next++];
      std::string upper = top.upper + "\\" + Narrow(UpperCaseW(sub.wide));
      if (Skipped(upper)) continue;
      const unsigned level = top.level;
      RegKey child;
      if (EntersKey(level)) {
        HKEY k = nullptr;
        const LONG open = RegOpenKeyExW(top.key, sub.wide.c_str(), 0, kRead, &k);
        if (Vanished(open)) continue;
        if (open == ERROR_SUCCESS) child = RegKey(k, std::string());
        // Any other refusal: the key's line stays, its content is missing.
      }
      out_.Write(RegKeyLine(level, sub.name));
      if (!child) continue;
      std::string path = top.path + "\\" + sub.name;
      const HKEY handle = child.get();
      stack.push_back(Frame{handle, std::move(child), std::move(path), std::move(upper), level + 1, {}, 0});
      Visit(stack.back());
    }
    return true;
  }

 private:
  bool Skipped(const std::string& upper) const {
    if (upper.find(kOwnKey) != std::string::npos) return true;
    for (const std::string& entry : ignore_)
      if (entry == upper) return true;
    return false;
  }

  [[noreturn]] void Failed(const std::string& path, LONG rc) {
    out_.Write("ERROR GETTING KEYS/VALUES: " + rootName_ + path + "\r\n");
    throw RegistryError("Cannot read the registry key " + rootName_ + path + ": " + SystemErrorText(rc), rc);
  }

  // Writes the key's values and lists its sub-keys into the frame.
  void Visit(Frame& f) {
    if (progress_ && f.level <= 3) progress_("Recording Registry keys:", rootName_ + f.path);
    DWORD maxName = 0, maxData = 0, maxSub = 0;
    LONG rc = RegQueryInfoKeyW(f.key, nullptr, nullptr, nullptr, nullptr, &maxSub, nullptr, nullptr, &maxName,
                               &maxData, nullptr, nullptr);
    if (Vanished(rc)) return;
    // A key below a root that opens but cannot be listed (Wine's performance
    // counters, for one) is treated like one whose opening was refused: its
    // line stays, its content is missing, the snapshot goes on. A root that
    // cannot be listed still ends the recording.
    const bool below = f.level > 1;
    if (rc != ERROR_SUCCESS) {
      if (below) return;
      Failed(f.path, rc);
    }

    std::vector<Value> values;
    std::vector<wchar_t> name(maxName + 2);
    std::vector<BYTE> data(maxData + 2);
    for (DWORD i = 0;; ++i) {
      DWORD nameLength = DWORD(name.size()), size = DWORD(data.size()), type = 0;
      rc = enumValue(f.key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size);
      if (rc == ERROR_MORE_DATA) {  // grew since asked: ask again with room
        name.resize(std::max<std::size_t>(name.size() * 2, 16384));
        data.resize(std::max<std::size_t>(data.size() * 2, std::size_t(size) + 2));
        --i;
        continue;
      }
      if (rc == ERROR_NO_MORE_ITEMS || Vanished(rc)) break;
      if (rc != ERROR_SUCCESS) {
        // The data would not come: the name alone keeps the value's place as
        // its error line, and the rest of the key is recorded. (A value that
        // will not even give its name cannot be placed and is left out.)
        nameLength = DWORD(name.size());
        if (enumValue(f.key, i, name.data(), &nameLength, nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS)
          values.push_back(Value{RegValueLineName(Narrow(std::wstring_view(name.data(), nameLength))), {}, true});
        continue;
      }
      const bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
      const std::string bytes =
          text ? StringBytes(data.data(), size) : std::string(reinterpret_cast<const char*>(data.data()), size);
      values.push_back(Value{RegValueLineName(Narrow(std::wstring_view(name.data(), nameLength))),
                             MakeValueText(type, bytes)});
    }
    SortByName(values, [](const Value& v) -> const std::string& { return v.name; });
    std::string lines;
    for (const Value& v : values)
      lines += v.unreadable ? RegDataErrorLine(rootName_ + f.path, v.name) : RegValueLines(f.level, v.name, v.text);
    out_.Write(lines);

    std::vector<wchar_t> sub(std::max<DWORD>(maxSub + 2, 260));
    for (DWORD i = 0;; ++i) {
      DWORD length = DWORD(sub.size());
      rc = RegEnumKeyExW(f.key, i, sub.data(), &length, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_MORE_DATA) {
        sub.resize(sub.size() * 2);
        --i;
        continue;
      }
      if (rc == ERROR_NO_MORE_ITEMS || Vanished(rc)) break;
      if (rc != ERROR_SUCCESS) {
        if (below) break;
        Failed(f.path, rc);
      }
      if (length == 0) continue;
      std::wstring wide(sub.data(), length);
      f.subs.push_back(SubKey{LineSafe(Narrow(wide)), std::move(wide)});
    }
    SortByName(f.subs, [](const SubKey& s) -> const std::string& { return s.name; });
  }

  SnapshotWriter& out_;
  std::string rootName_;
  const std::vector<std::string>& ignore_;
  const ProgressReceiver& progress_;
};

// The ignore entries as the walk meets them: "HKEY_CURRENT_USER\..." ones also
// as the current user's hive under HKEY_USERS, which is where the walk finds it.
std::vector<std::string> IgnoreEntries(const std::vector<std::string>& list, const std::string& hive) {
  static const std::string kCurrentUser = "HKEY_CURRENT_USER";
  std::vector<std::string> out;
  for (const std::string& e : list) {
    std::string entry = UpperCase(e);
    while (!entry.empty() && entry.back() == '\\') entry.pop_back();
    if (!hive.empty() && entry.rfind(kCurrentUser, 0) == 0 &&
        (entry.size() == kCurrentUser.size() || entry[kCurrentUser.size()] == '\\'))
      out.push_back("HKEY_USERS\\" + UpperCase(hive) + entry.substr(kCurrentUser.size()));
    out.push_back(std::move(entry));
  }
  return out;
}

struct LocalFreeDeleter {
  void operator()(wchar_t* p) const { LocalFree(p); }
};

}  // namespace

void SetRecordEnumValueCall(EnumValueCall call) { enumValue = call ? call : &SystemEnumValue; }

std::string CurrentUserHive() {
  HANDLE h = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &h)) return {};
  const UniqueHandle token(h);
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  if (size == 0 || !GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return {};
  const std::unique_ptr<wchar_t, LocalFreeDeleter> owned(text);
  return Narrow(owned.get());
}

void RecordRegSnapshot(const std::string& baseName, const std::string& phaseExt,
                       const std::vector<std::string>& ignoreList, const ProgressReceiver& progress,
                       const std::string& userHive) {
  const std::string file = baseName + phaseExt;
  try {
    const std::vector<std::string> ignore = IgnoreEntries(ignoreList, userHive.empty() ? CurrentUserHive() : userHive);
    SnapshotWriter out(file);
    const struct {
      HKEY key;
      const char* name;
    } roots[] = {{HKEY_USERS, "HKEY_USERS"}, {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"}};
    for (const auto& root : roots) {
      if (CheckAbort()) break;
      out.Write(RegRootLine(root.name));
      if (!Recorder(out, root.name, ignore, progress).Run(root.key)) break;
    }
    out.Close();
  } catch (...) {
    ui::ShowMessage("An error occurred. email " + file + " to Dastra's support team.", "Velmora",
                    ui::MsgIcon::Error);
    throw;
  }
}

void CompareRegSnapshots(const std::string& beforeFile, const std::string& afterFile, RegChanges& changes,
                         const ProgressReceiver& progress) {
  changes = RegChanges{};
  MemoryList keysAdded(changes.keysAdded), keysDeleted(changes.keysDeleted), valuesChanged(changes.valuesChanged),
      valuesAdded(changes.valuesAdded), valuesDeleted(changes.valuesDeleted);
  CompareRegSnapshots(beforeFile, afterFile,
                      RegChangeLists{keysAdded, keysDeleted, valuesChanged, valuesAdded, valuesDeleted}, progress);
}

void CompareRegSnapshots(const std::string& beforeFile, const std::string& afterFile,
                         const RegChangeLists& changes, const ProgressReceiver& progress) {
  SnapshotFile beforeSource(beforeFile), afterSource(afterFile);
  RegSnapshotReader before(beforeSource, beforeFile), after(afterSource, afterFile);
  MergeRegSnapshots(before, after, changes, progress, [] { return CheckAbort(); });
}

}  // namespace velmora::tracker
