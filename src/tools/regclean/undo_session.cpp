#include "tools/regclean/undo_session.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <set>

#include "platform/files.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "shell/utilities.h"
#include "tools/regclean/reg_backup.h"
#include "tools/regclean/reg_key.h"

namespace velmora::regclean {

namespace {

std::u16string U16(const std::string& utf8) { return FromUtf8(utf8); }
using regclean::U16;
std::string Utf8Of(const std::u16string& text) { return ToUtf8(text); }

std::string LocalNow() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                t.wSecond);
  return buf;
}

std::string NewSessionName(const std::string& folder) {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  char stem[40];
  std::snprintf(stem, sizeof stem, "%04u%02u%02u-%02u%02u%02u-%03u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                t.wSecond, t.wMilliseconds);
  for (int n = 0;; ++n) {
    const std::string name = std::string(stem) + (n ? "-" + std::to_string(n) : "") + ".reg";
    if (!FindEntry(folder + name)) return folder + name;
  }
}

// A value as it is now; nullopt when absent or unreadable.
std::optional<RegFileValue> ReadNow(HKEY key, const std::u16string& name) {
  const std::wstring w = W(name);
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, w.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    std::vector<std::uint8_t> data(size);
    const LONG rc = RegQueryValueExW(key, w.c_str(), nullptr, &type, data.data(), &size);
    if (rc == ERROR_MORE_DATA) continue;
    if (rc != ERROR_SUCCESS) return std::nullopt;
    data.resize(size);
    RegFileValue v;
    v.isDefault = name.empty();
    v.name = name;
    v.type = type;
    v.data = std::move(data);
    return v;
  }
  return std::nullopt;
}

Key OpenKey(const std::u16string& rootName, const std::u16string& keyPath, REGSAM access, LONG* rc = nullptr) {
  HKEY root = RootOfName(rootName);
  HKEY raw = nullptr;
  const LONG r = root ? RegOpenKeyExW(root, W(keyPath).c_str(), 0, access, &raw) : LONG(ERROR_INVALID_HANDLE);
  if (rc) *rc = r;
  return Key(r == ERROR_SUCCESS ? raw : nullptr);
}

void AddTo(std::vector<RegFileKey>& keys, const std::u16string& path, const RegFileValue* value) {
  if (keys.empty() || keys.back().path != path) keys.push_back({path, {}});
  if (value) keys.back().values.push_back(*value);
}

// A key and everything below it, values before sub-keys.
bool ReadTree(HKEY key, const std::u16string& path, std::vector<RegFileKey>& out, int depth = 0) {
  if (depth > 64 || !JournalCanHold(path)) return false;
  AddTo(out, path, nullptr);
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD length = 16384;
    const LONG rc = RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) return false;
    const auto v = ReadNow(key, U16(name, length));
    if (!v) return false;
    out.back().values.push_back(*v);
  }
  std::vector<std::u16string> subs;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD length = 256;
    const LONG rc = RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) return false;
    subs.push_back(U16(name, length));
  }
  for (const std::u16string& sub : subs) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(key, W(sub).c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return false;
    Key child(raw);
    if (!ReadTree(child.get(), path + u"\\" + sub, out, depth + 1)) return false;
  }
  return true;
}

std::optional<std::vector<std::uint8_t>> FileBytes(const std::string& path) {
  const auto text = ReadTextFile(path);
  if (!text) return std::nullopt;
  return std::vector<std::uint8_t>(text->begin(), text->end());
}

std::u16string Joined(const std::u16string& rootName, const std::u16string& keyPath) {
  return keyPath.empty() ? rootName : rootName + u"\\" + keyPath;
}

std::pair<std::u16string, std::u16string> SplitRoot(const std::u16string& path) {
  const std::size_t slash = path.find(u'\\');
  if (slash == std::u16string::npos) return {path, u""};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

// Win.ini tokens: blank-separated, compared whole.
std::vector<std::wstring> Tokens(const std::wstring& value) {
  std::vector<std::wstring> out;
  std::size_t pos = 0;
  while (pos < value.size()) {
    const std::size_t end = value.find(L' ', pos);
    const std::wstring t = value.substr(pos, end == std::wstring::npos ? std::wstring::npos : end - pos);
    if (!t.empty()) out.push_back(t);
    if (end == std::wstring::npos) break;
    pos = end + 1;
  }
  return out;
}

std::wstring ReadIni(const JournalIni& i) {
  std::wstring buf(4096, L'\0');
  for (;;) {
    const DWORD n = GetPrivateProfileStringW(W(i.section).c_str(), W(i.key).c_str(), L"", buf.data(),
                                             DWORD(buf.size()), W(i.file).c_str());
    if (n + 2 < buf.size()) return buf.substr(0, n);
    buf.resize(buf.size() * 4);
  }
}

bool WriteIni(const JournalIni& i, const std::wstring& value) {
  return WritePrivateProfileStringW(W(i.section).c_str(), W(i.key).c_str(), value.c_str(), W(i.file).c_str()) != FALSE;
}

std::wstring JoinTokens(const std::vector<std::wstring>& tokens) {
  std::wstring out;
  for (const std::wstring& t : tokens) out += (out.empty() ? L"" : L" ") + t;
  return out;
}

}  // namespace

std::string UndoFolder() { return shell::DataFolder() + "Undo\\"; }

// ---- Recording -----------------------------------------------------------------

UndoRecorder::UndoRecorder(std::string tool, std::string what, std::string folder)
    : tool_(std::move(tool)), what_(std::move(what)), folder_(IncludeTrailingBackslash(std::move(folder))) {}

int UndoRecorder::AddNothing() {
  items_.emplace_back();
  return int(items_.size() - 1);
}

int UndoRecorder::AddValue(const std::u16string& rootName, const std::u16string& keyPath, const RegFileValue& value) {
  if (!RootOfName(rootName) || !JournalCanHold(keyPath)) return -1;
  const int item = AddNothing();
  AddTo(items_.back().removed, Joined(rootName, keyPath), &value);
  return item;
}

int UndoRecorder::AddCurrentValue(const std::u16string& rootName, const std::u16string& keyPath,
                                  const std::u16string& name) {
  const Key key = OpenKey(rootName, keyPath, KEY_QUERY_VALUE);
  if (!key) return -1;
  const auto v = ReadNow(key.get(), name);
  return v ? AddValue(rootName, keyPath, *v) : -1;
}

int UndoRecorder::AddKeyTree(const std::u16string& rootName, const std::u16string& keyPath) {
  const Key key = OpenKey(rootName, keyPath, KEY_READ);
  if (!key) return -1;
  std::vector<RegFileKey> tree;
  if (!ReadTree(key.get(), Joined(rootName, keyPath), tree)) return -1;
  const int item = AddNothing();
  items_.back().removed = std::move(tree);
  items_.back().removedKeys.push_back(Joined(rootName, keyPath));
  return item;
}

int UndoRecorder::AddFile(const std::string& path) {
  const int item = AddNothing();
  if (!AlsoFile(item, path)) {
    items_.pop_back();
    return -1;
  }
  return item;
}

bool UndoRecorder::AlsoFile(int item, const std::string& path) {
  const auto bytes = FileBytes(path);
  if (item < 0 || !bytes || !JournalCanHold(U16(path))) return false;
  items_[std::size_t(item)].removedFiles.push_back({U16(path), *bytes});
  return true;
}

bool UndoRecorder::AlsoValue(int item, const std::u16string& rootName, const std::u16string& keyPath,
                             const std::u16string& name) {
  if (item < 0 || !JournalCanHold(keyPath)) return false;
  const Key key = OpenKey(rootName, keyPath, KEY_QUERY_VALUE);
  const auto v = key ? ReadNow(key.get(), name) : std::nullopt;
  if (!v) return false;
  AddTo(items_[std::size_t(item)].removed, Joined(rootName, keyPath), &*v);
  return true;
}

int UndoRecorder::AddIni(const std::string& file, const std::string& section, const std::string& key,
                         const std::string& token) {
  JournalIni ini{U16(file), U16(section), U16(key), U16(token)};
  if (!JournalCanHold(ini.file) || !JournalCanHold(ini.section) || !JournalCanHold(ini.key) ||
      !JournalCanHold(ini.token))
    return -1;
  const int item = AddNothing();
  items_.back().removedIni.push_back(std::move(ini));
  return item;
}

bool UndoRecorder::AddedValue(int item, const std::u16string& rootName, const std::u16string& keyPath,
                              const RegFileValue& value) {
  if (item < 0 || !RootOfName(rootName) || !JournalCanHold(keyPath)) return false;
  AddTo(items_[std::size_t(item)].added, Joined(rootName, keyPath), &value);
  return true;
}

bool UndoRecorder::AddedCurrentValue(int item, const std::u16string& rootName, const std::u16string& keyPath,
                                     const std::u16string& name) {
  const Key key = OpenKey(rootName, keyPath, KEY_QUERY_VALUE);
  const auto v = key ? ReadNow(key.get(), name) : std::nullopt;
  return v && AddedValue(item, rootName, keyPath, *v);
}

bool UndoRecorder::AddedFile(int item, const std::string& path) {
  const auto bytes = FileBytes(path);
  if (item < 0 || !bytes || !JournalCanHold(U16(path))) return false;
  items_[std::size_t(item)].addedFiles.push_back({U16(path), *bytes});
  return true;
}

bool UndoRecorder::AddedFileFrom(int item, const std::string& path, const std::string& source) {
  const auto bytes = FileBytes(source);
  if (item < 0 || !bytes || !JournalCanHold(U16(path))) return false;
  items_[std::size_t(item)].addedFiles.push_back({U16(path), *bytes});
  return true;
}

bool UndoRecorder::AddedIni(int item, const std::string& file, const std::string& section, const std::string& key,
                            const std::string& token) {
  JournalIni ini{U16(file), U16(section), U16(key), U16(token)};
  if (item < 0 || !JournalCanHold(ini.file) || !JournalCanHold(ini.token)) return false;
  items_[std::size_t(item)].addedIni.push_back(std::move(ini));
  return true;
}

JournalSession UndoRecorder::Build(bool planned) const {
  JournalSession s;
  s.date = LocalNow();
  s.tool = tool_;
  s.what = what_;
  s.state = planned ? JournalState::Planned : JournalState::Done;
  for (const Item& item : items_) {
    if (!planned && !item.went) continue;
    ++s.count;
    for (const RegFileKey& k : item.removed)
      for (std::size_t i = 0; i <= k.values.size(); ++i) AddTo(s.removed, k.path, i < k.values.size() ? &k.values[i] : nullptr);
    for (const RegFileKey& k : item.added)
      for (std::size_t i = 0; i <= k.values.size(); ++i) AddTo(s.added, k.path, i < k.values.size() ? &k.values[i] : nullptr);
    s.removedKeys.insert(s.removedKeys.end(), item.removedKeys.begin(), item.removedKeys.end());
    s.removedFiles.insert(s.removedFiles.end(), item.removedFiles.begin(), item.removedFiles.end());
    s.addedFiles.insert(s.addedFiles.end(), item.addedFiles.begin(), item.addedFiles.end());
    s.removedIni.insert(s.removedIni.end(), item.removedIni.begin(), item.removedIni.end());
    s.addedIni.insert(s.addedIni.end(), item.addedIni.begin(), item.addedIni.end());
  }
  return s;
}

bool UndoRecorder::Save(const JournalSession& s) {
  if (!CreateFolderPath(folder_)) {
    error_ = GetLastError();
    return false;
  }
  if (path_.empty()) path_ = NewSessionName(folder_);
  const std::string bytes = WriteJournal(s);
  // Read back before it counts: a session that does not parse protects nothing.
  if (!ParseJournal(bytes).session) {
    error_ = ERROR_INVALID_DATA;
    return false;
  }
  if (!WriteFileAtomically(path_, bytes)) {
    error_ = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    return false;
  }
  return true;
}

bool UndoRecorder::Begin() {
  if (items_.empty()) return true;
  PruneJournal(folder_);
  return Save(Build(/*planned=*/true));
}

void UndoRecorder::Went(int item) {
  if (item >= 0 && std::size_t(item) < items_.size()) items_[std::size_t(item)].went = true;
}

bool UndoRecorder::Finish() {
  if (path_.empty()) return true;
  const bool any = std::any_of(items_.begin(), items_.end(), [](const Item& i) { return i.went; });
  if (!any) {
    DeleteFileW(LongPathW(path_).c_str());
    path_.clear();
    return true;
  }
  return Save(Build(/*planned=*/false));
}

// ---- Undo -----------------------------------------------------------------------

UndoReport UndoJournalSession(const std::string& path) {
  UndoReport report;
  const auto bytes = ReadTextFile(path);
  if (!bytes) {
    report.damaged = true;
    report.problem = "the session file cannot be read: " + SystemErrorText(GetLastError());
    return report;
  }
  JournalParse parsed = ParseJournal(*bytes);
  if (!parsed.session) {
    report.damaged = true;
    report.problem = parsed.problem;
    return report;
  }
  JournalSession& s = *parsed.session;
  auto failure = [&report](const std::string& what, unsigned long code) {
    ++report.failed;
    report.failures.push_back(what + ": " + SystemErrorText(code));
  };

  // A moved item has its copy among what was added and its original among
  // what was removed, in another place: the original comes back first, and
  // the copy is taken back only once everything of that kind is back, so a
  // write that fails never leaves the item in neither place. What was added
  // in the very place of something removed (an approval mark rewritten) is
  // taken back before that is written back.
  auto regPlace = [](const std::u16string& key, const RegFileValue& v) {
    return UpperCaseW(W(key)) + L'\n' + UpperCaseW(W(v.isDefault ? std::u16string() : v.name));
  };
  auto iniPlace = [](const JournalIni& i) {
    return UpperCaseW(W(i.file)) + L'\n' + UpperCaseW(W(i.section)) + L'\n' + UpperCaseW(W(i.key)) + L'\n' +
           W(i.token);
  };
  std::set<std::wstring> addedPlaces;
  for (const RegFileKey& k : s.added)
    for (const RegFileValue& v : k.values) addedPlaces.insert(regPlace(k.path, v));
  for (const JournalFile& f : s.addedFiles) addedPlaces.insert(UpperCaseW(W(f.path)));
  for (const JournalIni& i : s.addedIni) addedPlaces.insert(iniPlace(i));
  std::vector<RegFileKey> removedElsewhere, removedInPlace;
  for (const RegFileKey& k : s.removed) {
    RegFileKey other{k.path, {}}, same{k.path, {}};
    for (const RegFileValue& v : k.values) (addedPlaces.count(regPlace(k.path, v)) ? same : other).values.push_back(v);
    removedElsewhere.push_back(std::move(other));  // a key with no values is made again here
    if (!same.values.empty()) removedInPlace.push_back(std::move(same));
  }

  auto writeBackValues = [&](const std::vector<RegFileKey>& keys) {
    RestoreResult written;
    WriteBackAbsent(keys, written);
    report.restored += int(written.valuesWritten);
    report.alreadyThere += int(written.valuesPresent);
    report.keysMade += int(written.keysCreated);
    if (written.failures) {
      report.failed += int(written.failures);
      report.failures.push_back(written.problem);
    }
  };
  auto writeBackFile = [&](const JournalFile& f) {
    const std::string p = Utf8Of(f.path);
    if (FindEntry(p)) {
      ++report.alreadyThere;
      return;
    }
    CreateFolderPath(ExtractFilePath(p));
    // A new file only: never over one that appeared since.
    FileHandle file(CreateFileW(LongPathW(p).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    DWORD done = 0;
    if (!file) {
      failure(p, GetLastError());
      return;
    }
    if (!f.bytes.empty() && (!WriteFile(file.get(), f.bytes.data(), DWORD(f.bytes.size()), &done, nullptr) ||
                             done != f.bytes.size())) {
      const DWORD e = GetLastError();
      file.reset();
      DeleteFileW(LongPathW(p).c_str());
      failure(p, e);
      return;
    }
    ++report.restored;
  };
  auto writeBackIni = [&](const JournalIni& i) {
    std::vector<std::wstring> tokens = Tokens(ReadIni(i));
    if (std::find(tokens.begin(), tokens.end(), W(i.token)) != tokens.end()) {
      ++report.alreadyThere;
      return;
    }
    tokens.push_back(W(i.token));
    if (WriteIni(i, JoinTokens(tokens)))
      ++report.restored;
    else
      failure(Utf8Of(i.file) + " [" + Utf8Of(i.section) + "] " + Utf8Of(i.key), GetLastError());
  };

  // 1. What was taken away from places the session put nothing in.
  writeBackValues(removedElsewhere);
  for (const JournalFile& f : s.removedFiles)
    if (!addedPlaces.count(UpperCaseW(W(f.path)))) writeBackFile(f);
  for (const JournalIni& i : s.removedIni)
    if (!addedPlaces.count(iniPlace(i))) writeBackIni(i);
  if (report.failed > 0) {
    if (!s.added.empty() || !s.addedFiles.empty() || !s.addedIni.empty())
      report.failures.push_back("nothing the session added was taken back, so no item is left in neither place");
    return report;
  }

  // 2. What the session put in place, while it is still what was written.
  for (const RegFileKey& k : s.added) {
    const auto [root, sub] = SplitRoot(k.path);
    for (const RegFileValue& v : k.values) {
      const Key look = OpenKey(root, sub, KEY_QUERY_VALUE);
      const auto now = look ? ReadNow(look.get(), v.isDefault ? std::u16string() : v.name) : std::nullopt;
      if (!now || now->type != v.type || now->data != v.data) continue;  // changed since, or gone: left alone
      LONG rc = 0;
      const Key key = OpenKey(root, sub, KEY_SET_VALUE, &rc);
      const LONG del = key ? RegDeleteValueW(key.get(), W(v.name).c_str()) : rc;
      if (del == ERROR_SUCCESS)
        ++report.takenBack;
      else
        failure(Utf8Of(k.path) + " \"" + Utf8Of(v.name) + "\"", unsigned(del));
    }
  }
  for (const JournalFile& f : s.addedFiles) {
    const std::string p = Utf8Of(f.path);
    const auto now = FileBytes(p);
    if (!now || *now != f.bytes) continue;
    if (DeleteFileW(LongPathW(p).c_str()))
      ++report.takenBack;
    else
      failure(p, GetLastError());
  }
  for (const JournalIni& i : s.addedIni) {
    std::vector<std::wstring> tokens = Tokens(ReadIni(i));
    const auto it = std::find(tokens.begin(), tokens.end(), W(i.token));
    if (it == tokens.end()) continue;
    tokens.erase(it);
    if (WriteIni(i, JoinTokens(tokens)))
      ++report.takenBack;
    else
      failure(Utf8Of(i.file) + " [" + Utf8Of(i.section) + "] " + Utf8Of(i.key), GetLastError());
  }

  // 3. What was taken away from the places just cleared.
  writeBackValues(removedInPlace);
  for (const JournalFile& f : s.removedFiles)
    if (addedPlaces.count(UpperCaseW(W(f.path)))) writeBackFile(f);
  for (const JournalIni& i : s.removedIni)
    if (addedPlaces.count(iniPlace(i))) writeBackIni(i);
  if (report.failed == 0) {
    s.state = JournalState::Undone;
    s.undoneDate = LocalNow();
    WriteFileAtomically(path, WriteJournal(s));
  }
  return report;
}

std::vector<JournalEntry> ListJournal(const std::string& folder) {
  std::vector<JournalEntry> out;
  const std::string dir = IncludeTrailingBackslash(folder);
  for (const DirEntry& e : DirectoryListing(dir + "*.reg")) {
    if (e.isFolder()) continue;
    JournalEntry entry;
    entry.path = dir + e.name;
    const auto bytes = ReadTextFile(entry.path);
    const auto index = bytes ? ParseJournalIndex(*bytes) : std::nullopt;
    if (index)
      entry.index = *index;
    else
      entry.damaged = true;
    entry.damaged = entry.damaged || !bytes || !ParseJournal(*bytes).session;
    out.push_back(std::move(entry));
  }
  std::sort(out.begin(), out.end(), [](const JournalEntry& a, const JournalEntry& b) { return a.path > b.path; });
  return out;
}

void PruneJournal(const std::string& folder) {
  const std::string dir = IncludeTrailingBackslash(folder);
  FILETIME nowFt{};
  GetSystemTimeAsFileTime(&nowFt);
  const auto ticks = [](const FILETIME& f) { return (std::uint64_t(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
  std::vector<std::pair<std::string, double>> sessions;
  for (const DirEntry& e : DirectoryListing(dir + "*.reg")) {
    if (e.isFolder()) continue;
    const double days = double(std::int64_t(ticks(nowFt) - ticks(e.written))) / (864000000000.0);
    sessions.emplace_back(e.name, days);
  }
  for (const std::string& name : SessionsToPrune(std::move(sessions))) DeleteFileW(LongPathW(dir + name).c_str());
}

std::string UndoReportText(const UndoReport& r) {
  if (r.damaged) return "This session cannot be undone: its file is damaged (" + r.problem + "). Nothing was written.";
  std::string text = r.failed == 0 ? "The session was undone." : "The session was undone only in part.";
  text += "\r\n\r\nWritten back: " + std::to_string(r.restored);
  text += "\r\nAlready there (left as they are): " + std::to_string(r.alreadyThere);
  if (r.keysMade) text += "\r\nRegistry keys made again: " + std::to_string(r.keysMade);
  if (r.takenBack) text += "\r\nCopies the session had made, removed again: " + std::to_string(r.takenBack);
  if (r.failed) {
    text += "\r\nNot written: " + std::to_string(r.failed);
    for (std::size_t i = 0; i < r.failures.size() && i < 5; ++i) text += "\r\n    " + r.failures[i];
  }
  return text;
}

shell::UndoJournalAccess JournalAccess(const std::string& folder) {
  shell::UndoJournalAccess access;
  access.list = [folder] {
    std::vector<shell::UndoEntry> out;
    for (const JournalEntry& e : ListJournal(folder)) {
      shell::UndoEntry u;
      u.path = e.path;
      u.date = e.index.date;
      u.tool = e.index.tool;
      u.what = e.index.what;
      u.count = e.index.count;
      u.undone = e.index.state == JournalState::Undone;
      u.complete = e.index.state != JournalState::Planned;
      u.damaged = e.damaged;
      out.push_back(std::move(u));
    }
    return out;
  };
  access.undo = [](const std::string& path) {
    const UndoReport r = UndoJournalSession(path);
    return shell::UndoResult{r.ok(), UndoReportText(r)};
  };
  return access;
}

}  // namespace velmora::regclean
