// Reading watched INI files through the system's private-profile service, and
// SYSTEM.INI's raw lines for the device-line snapshot.
#include <windows.h>

#include <cstring>
#include <cwchar>

#include "platform/files.h"
#include "platform/text.h"
#include "shell/utilities.h"
#include "tools/tracker/ini_snapshot.h"
#include "tools/tracker/tracker_engine.h"

namespace velmora::tracker {

namespace {

// A double-zero-terminated list of names from the profile service; the buffer
// grows until the list fits (the service says "too small" by returning size - 2).
template <typename Call>
std::vector<std::wstring> NameList(Call call) {
  std::vector<wchar_t> buf(8192);
  for (;;) {
    const DWORD n = call(buf.data(), DWORD(buf.size()));
    if (n + 2 < buf.size() || buf.size() >= (1u << 26)) {
      std::vector<std::wstring> names;
      for (const wchar_t* p = buf.data(); p < buf.data() + n && *p; p += wcslen(p) + 1) names.emplace_back(p);
      return names;
    }
    buf.resize(buf.size() * 4);
  }
}

std::wstring ProfileValue(const std::wstring& section, const std::wstring& key, const std::wstring& file) {
  std::vector<wchar_t> buf(1024);
  for (;;) {
    const DWORD n = GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buf.data(), DWORD(buf.size()),
                                             file.c_str());
    if (n + 1 < buf.size() || buf.size() >= (1u << 26)) return std::wstring(buf.data(), n);
    buf.resize(buf.size() * 4);
  }
}

// The file's text as UTF-8: UTF-16 or UTF-8 when it starts with a byte-order
// mark, the ANSI code page otherwise.
std::string DecodeText(const std::string& bytes) {
  if (bytes.size() >= 2 && (unsigned char)bytes[0] == 0xFF && (unsigned char)bytes[1] == 0xFE) {
    std::wstring w((bytes.size() - 2) / 2, L'\0');
    std::memcpy(w.data(), bytes.data() + 2, w.size() * 2);
    return Narrow(w);
  }
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return bytes.substr(3);
  if (bytes.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
  std::wstring w(std::size_t(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), w.data(), n);
  return Narrow(w);
}

}  // namespace

void RecordIniSnapshot(const std::string& iniPath, const std::string& snapshotFile, const ProgressReceiver& progress) {
  if (progress) progress("Recording INI file:", ExtractFileName(iniPath));
  if (CheckAbort()) return;
  const std::string file =
      ExtractFilePath(iniPath).empty() ? IncludeTrailingBackslash(shell::GetWindowsFolder()) + iniPath : iniPath;
  std::vector<IniSection> sections;
  if (FileExists(file)) {
    const std::wstring wfile = Widen(file);
    for (const std::wstring& section : NameList([&](wchar_t* buf, DWORD size) {
           return GetPrivateProfileSectionNamesW(buf, size, wfile.c_str());
         })) {
      IniSection s;
      s.name = Narrow(section);
      for (const std::wstring& key : NameList([&](wchar_t* buf, DWORD size) {
             return GetPrivateProfileStringW(section.c_str(), nullptr, L"", buf, size, wfile.c_str());
           }))
        s.keys.emplace_back(Narrow(key), Narrow(ProfileValue(section, key, wfile)));
      sections.push_back(std::move(s));
    }
  }
  SnapshotWriter out(snapshotFile);
  WriteIniSnapshot(std::move(sections), out);
  out.Close();
}

void RecordDeviceLines(const std::string& iniPath, const std::string& snapshotFile) {
  const std::optional<std::string> bytes = ReadTextFile(iniPath);
  SnapshotWriter out(snapshotFile);
  if (bytes) WriteDeviceLines(ScanDeviceLines(DecodeText(*bytes)), out);
  out.Close();
}

void CompareIniSnapshots(const std::string& beforeFile, const std::string& afterFile, IniChanges& changes) {
  changes = IniChanges{};
  SnapshotFile beforeSource(beforeFile), afterSource(afterFile);
  LineReader before(beforeSource, beforeFile), after(afterSource, afterFile);
  MergeIniSnapshots(before, after, changes);
}

void CompareDeviceLines(const std::string& beforeFile, const std::string& afterFile,
                        std::vector<std::string>& keysAdded, std::vector<std::string>& keysDeleted,
                        std::vector<std::string>& keysChanged) {
  SnapshotFile beforeSource(beforeFile), afterSource(afterFile);
  LineReader before(beforeSource, beforeFile), after(afterSource, afterFile);
  MergeDeviceLines(before, after, keysAdded, keysDeleted, keysChanged);
}

}  // namespace velmora::tracker
