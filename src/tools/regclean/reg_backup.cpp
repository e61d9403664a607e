#include "tools/regclean/reg_backup.h"

#include <windows.h>

#include <memory>
#include <vector>

#include "platform/files.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "tools/regclean/reg_file.h"
#include "tools/regclean/reg_key.h"

namespace velmora::regclean {

namespace {

struct Root {
  HKEY key;
  const char16_t* name;
};
const Root kRoots[] = {{HKEY_LOCAL_MACHINE, u"HKEY_LOCAL_MACHINE"},
                       {HKEY_USERS, u"HKEY_USERS"},
                       {HKEY_CURRENT_USER, u"HKEY_CURRENT_USER"}};

std::string Utf8Of(const std::u16string& text) { return Narrow(W(text)); }

const ExportRegistryCalls kSystemCalls{};
const ExportRegistryCalls* g_calls = &kSystemCalls;

// Growing a buffer on "more data" is retried this often for one item; a key
// that keeps answering so (the performance-counter keys of some systems do)
// is left there.
constexpr int kMoreDataRetries = 8;

class Exporter {
 public:
  Exporter(HANDLE file, const std::function<void()>& pump, const bool* stop)
      : file_(file), pump_(pump), stop_(stop), calls_(*g_calls) {}

  bool Root(const Root& root) { return Walk(root.key, root.name); }
  RegFileWriter& writer() { return w_; }
  std::uint64_t skipped() const { return skipped_; }
  unsigned long error() const { return error_; }
  bool stopped() const { return stopped_; }

 private:
  bool Flush() {
    const std::string bytes = w_.Take();
    DWORD written = 0;
    if (!bytes.empty() && (!WriteFile(file_, bytes.data(), DWORD(bytes.size()), &written, nullptr) ||
                           written != bytes.size())) {
      error_ = GetLastError();
      return false;
    }
    return true;
  }

  // One key: its values, then its sub-keys, each from the key opened here.
  // Every listing ends: at "no more items", or at the first other failure (a
  // key that cannot be listed, or one deleted meanwhile), which leaves the
  // rest of that key out and counts it; the walk goes on with the next key.
  bool Walk(HKEY key, const std::u16string& path) {
    if (pump_) pump_();
    if (stop_ && *stop_) {
      stopped_ = true;
      return false;
    }
    if (!w_.BeginKey(path)) {
      ++skipped_;  // a name with a line break: no file can hold it
      return true;
    }
    DWORD maxName = 0, maxData = 0, maxSub = 0;
    if (calls_.queryInfo(key, nullptr, nullptr, nullptr, nullptr, &maxSub, nullptr, nullptr, &maxName, &maxData,
                         nullptr, nullptr) != ERROR_SUCCESS) {
      maxName = maxData = maxSub = 256;
    }
    bool partial = false;
    std::vector<wchar_t> name(maxName + 2);
    std::vector<BYTE> data(maxData + 2);
    int retries = 0;
    for (DWORD i = 0;;) {
      DWORD nameLength = DWORD(name.size()), dataSize = DWORD(data.size()), type = 0;
      const LONG rc = calls_.enumValue(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize);
      if (rc == ERROR_MORE_DATA && ++retries <= kMoreDataRetries) {  // grew since asked: again with room
        name.resize(std::max<std::size_t>(name.size() * 2, 32768));
        data.resize(std::max<std::size_t>(data.size() * 2, std::size_t(dataSize) + 2));
        continue;
      }
      if (rc == ERROR_NO_MORE_ITEMS) break;
      if (rc != ERROR_SUCCESS) {
        partial = true;
        break;
      }
      retries = 0;
      ++i;
      RegFileValue v;
      v.isDefault = nameLength == 0;
      v.name = U16(name.data(), nameLength);
      v.type = type;
      v.data.assign(data.begin(), data.begin() + dataSize);
      w_.Value(v);
    }
    if (!Flush()) return false;
    std::vector<wchar_t> sub(std::max<DWORD>(maxSub + 2, 260));
    retries = 0;
    for (DWORD i = 0;;) {
      DWORD length = DWORD(sub.size());
      const LONG rc = calls_.enumKey(key, i, sub.data(), &length, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_MORE_DATA && ++retries <= kMoreDataRetries) {
        sub.resize(sub.size() * 2);
        continue;
      }
      if (rc == ERROR_NO_MORE_ITEMS) break;
      if (rc != ERROR_SUCCESS) {
        partial = true;
        break;
      }
      retries = 0;
      ++i;
      HKEY child = nullptr;
      if (calls_.openKey(key, sub.data(), 0, KEY_READ, &child) != ERROR_SUCCESS) {
        ++skipped_;  // unreadable: left out and counted
        continue;
      }
      Key owned(child);
      if (!Walk(owned.get(), path + u"\\" + U16(sub.data(), length))) return false;
    }
    if (partial) ++skipped_;
    return true;
  }

  HANDLE file_;
  const std::function<void()>& pump_;
  const bool* stop_;
  const ExportRegistryCalls& calls_;
  RegFileWriter w_;
  std::uint64_t skipped_ = 0;
  unsigned long error_ = 0;
  bool stopped_ = false;
};

}  // namespace

HKEY RootOfName(std::u16string_view name) {
  if (name == u"HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
  if (name == u"HKEY_USERS") return HKEY_USERS;
  if (name == u"HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
  if (name == u"HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
  if (name == u"HKEY_CURRENT_CONFIG") return HKEY_CURRENT_CONFIG;
  return nullptr;
}

void SetExportRegistryCalls(const ExportRegistryCalls* calls) { g_calls = calls ? calls : &kSystemCalls; }

BackupResult ExportRegistry(const std::string& path, const std::function<void()>& pump, const bool* stop) {
  BackupResult result;
  const std::string temp = path + ".new";
  const std::wstring wtemp = LongPathW(temp);
  {
    FileHandle file(CreateFileW(wtemp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      result.error = GetLastError();
      return result;
    }
    Exporter exporter(file.get(), pump, stop);
    std::string header = exporter.writer().Take();
    DWORD written = 0;
    bool ok = WriteFile(file.get(), header.data(), DWORD(header.size()), &written, nullptr) != 0;
    for (const Root& root : kRoots) ok = ok && exporter.Root(root);
    // The file ends with a line break after the last key, as the editor's do.
    const char end[] = {'\r', 0, '\n', 0};
    ok = ok && WriteFile(file.get(), end, sizeof end, &written, nullptr) && FlushFileBuffers(file.get());
    if (!ok) {
      result.stopped = exporter.stopped();
      result.error = result.stopped ? 0 : exporter.error() ? exporter.error() : GetLastError();
      file.reset();
      DeleteFileW(wtemp.c_str());
      return result;
    }
    result.keys = exporter.writer().keys();
    result.values = exporter.writer().values();
    result.skippedKeys = exporter.skipped();
  }
  // Read back what reached the disk: it must parse, and hold every key and value written.
  const auto bytes = ReadTextFile(temp);
  const ParseResult parsed = bytes ? ParseRegFile(*bytes) : ParseResult{};
  if (!parsed.file || parsed.file->keys.size() != result.keys || parsed.file->valueCount != result.values) {
    result.error = ERROR_INVALID_DATA;
    DeleteFileW(wtemp.c_str());
    return result;
  }
  for (const RegFileKey& k : parsed.file->keys)
    for (const RegFileValue& v : k.values) result.hashes.insert(ValueHash(k.path, v));
  if (!MoveFileExW(wtemp.c_str(), LongPathW(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    result.error = GetLastError();
    DeleteFileW(wtemp.c_str());
    result.hashes.clear();
    return result;
  }
  result.ok = true;
  return result;
}

void WriteBackAbsent(const std::vector<RegFileKey>& keys, RestoreResult& result, const std::function<void()>& pump) {
  auto fail = [&result](LONG rc, const std::u16string& path, const std::u16string* value) {
    ++result.failures;
    if (result.error) return;
    result.error = unsigned(rc);
    result.problem = Utf8Of(path) + (value ? " \"" + Utf8Of(*value) + "\"" : std::string()) + ": " +
                     SystemErrorText(unsigned(rc));
  };
  for (const RegFileKey& k : keys) {
    if (pump) pump();
    const std::size_t slash = k.path.find(u'\\');
    HKEY root = RootOfName(std::u16string_view(k.path).substr(0, slash));
    if (!root) continue;  // cannot happen: the parser knows only these roots
    const std::wstring sub = slash == std::u16string::npos ? std::wstring() : W(k.path.substr(slash + 1));
    // Looked at for reading first: a key that holds everything needs no other right.
    HKEY raw = nullptr;
    LONG rc = RegOpenKeyExW(root, sub.c_str(), 0, KEY_QUERY_VALUE, &raw);
    Key reader(rc == ERROR_SUCCESS ? raw : nullptr);
    Key writer;
    if (rc == ERROR_FILE_NOT_FOUND) {
      raw = nullptr;
      DWORD disposition = 0;
      rc = RegCreateKeyExW(root, sub.c_str(), 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &raw,
                           &disposition);
      if (rc != ERROR_SUCCESS) {
        fail(rc, k.path, nullptr);
        continue;  // what cannot be written is skipped
      }
      writer = Key(raw);
      if (disposition == REG_CREATED_NEW_KEY) ++result.keysCreated;
    } else if (rc != ERROR_SUCCESS) {
      fail(rc, k.path, nullptr);
      continue;
    }
    HKEY look = writer ? writer.get() : reader.get();
    bool refused = false;
    for (const RegFileValue& v : k.values) {
      const std::wstring name = v.isDefault ? std::wstring() : W(v.name);
      // Never over a value that is there now, whatever it holds.
      const LONG q = RegQueryValueExW(look, name.c_str(), nullptr, nullptr, nullptr, nullptr);
      if (q != ERROR_FILE_NOT_FOUND) {
        if (q == ERROR_SUCCESS || q == ERROR_MORE_DATA)
          ++result.valuesPresent;
        else
          fail(q, k.path, &v.name);
        continue;
      }
      if (!writer && !refused) {
        raw = nullptr;
        const LONG w = RegOpenKeyExW(root, sub.c_str(), 0, KEY_SET_VALUE, &raw);
        if (w != ERROR_SUCCESS) {
          refused = true;
          fail(w, k.path, &v.name);
          continue;
        }
        writer = Key(raw);
      }
      if (refused) {
        ++result.failures;
        continue;
      }
      const LONG set = RegSetValueExW(writer.get(), name.c_str(), 0, v.type, v.data.empty() ? nullptr : v.data.data(),
                                      DWORD(v.data.size()));
      if (set == ERROR_SUCCESS)
        ++result.valuesWritten;
      else
        fail(set, k.path, &v.name);
    }
  }
}

RestoreResult MergeRegistryFile(const std::string& path, const std::function<void()>& pump) {
  RestoreResult result;
  const auto bytes = ReadTextFile(path);
  if (!bytes) {
    result.error = GetLastError() ? GetLastError() : ERROR_FILE_NOT_FOUND;
    result.problem = "the backup file cannot be read";
    return result;
  }
  // The whole file is checked before anything is written.
  const ParseResult parsed = ParseRegFile(*bytes);
  if (!parsed.file) {
    result.error = ERROR_INVALID_DATA;
    result.problem = "line " + std::to_string(parsed.error.line) + ": " + parsed.error.what;
    return result;
  }
  WriteBackAbsent(parsed.file->keys, result, pump);
  result.ok = result.error == 0;
  return result;
}

}  // namespace velmora::regclean
