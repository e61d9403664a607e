#include "shell/utilities.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "platform/datetime.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/shell_fileop.h"
#include "platform/system.h"
#include "platform/text.h"
#include "ui/dialogs.h"

namespace velmora::shell {

namespace {

// A file can be made in the folder: made and gone again at once.
bool CanWriteIn(const std::string& folder) {
  const std::string probe = folder + "velmora-write-test-" + std::to_string(GetCurrentProcessId()) + ".tmp";
  FileHandle h(CreateFileW(LongPathW(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  return bool(h);
}

}  // namespace

std::string DataFolder() {
  // A writable folder is remembered: every log line asks. An unwritable one is
  // asked again next time (it may be a folder not made yet).
  static std::string writable;
  const std::string program = IncludeTrailingBackslash(services().programFolder());
  if (!writable.empty() && writable == program) return program;
  if (CanWriteIn(program)) {
    writable = program;
    return program;
  }
  // The fallback is looked up and made once, not at every log line.
  static const std::string fallback = [] {
    const auto local = ShellFolderPath(CSIDL_LOCAL_APPDATA);
    if (!local || local->empty()) return std::string();
    const std::string folder = IncludeTrailingBackslash(*local) + "Velmora\\";
    return CreateFolderPath(folder) ? folder : std::string();
  }();
  return fallback.empty() ? program : fallback;  // nowhere better: the writes fail and say so
}

void AppendLogLine(const std::string& fileName, const std::string& line) {
  AppendToFile(DataFolder() + fileName, line + "\r\n");
}

std::int64_t TotalFixedDiskFree() {
  std::int64_t total = 0;
  for (char letter = 'C'; letter <= 'Y'; ++letter) {
    if (DriveType(letter) != DRIVE_FIXED) continue;
    if (const auto free = DriveFreeBytesByClusters(letter)) total += std::int64_t(*free);
  }
  return total;
}

bool DeleteFolderContents(const std::string& folder, bool toRecycleBin) {
  if (!FolderExists(folder)) return false;
  // The one deliberate wildcard: every entry inside this folder. The buffer is
  // sized to the path, so a long folder name is never cut.
  const std::string source = IncludeTrailingBackslash(folder) + "*.*";
  FILEOP_FLAGS flags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_RENAMEONCOLLISION;
  if (toRecycleBin) flags |= FOF_ALLOWUNDO;
  return RunShellFileOp(FileOpKind::Delete, {source}, {}, flags, {}, nullptr, /*allowWildcards=*/true).code == 0;
}

bool FolderIsEmpty(const std::string& folder) {
  for (const DirEntry& e : DirectoryListing(folder + "*")) {
    (void)e;
    return false;
  }
  return true;
}

namespace {

// Wine run as root opens a read-only file for writing (the Unix permission
// check does not stop root), where Windows refuses it; the attribute is asked
// first so both answer alike.
bool ReadOnlyAttribute(const std::string& path) {
  const auto attributes = FileAttributes(path);
  return attributes && (*attributes & FILE_ATTRIBUTE_READONLY);
}

}  // namespace

bool FileIsLocked(const std::string& path) {
  if (ReadOnlyAttribute(path)) return true;
  FileHandle h(CreateFileW(LongPathW(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  return !h;
}

double GetFileLastAccess(const std::string& path) {
  if (ReadOnlyAttribute(path)) return 0;
  FileHandle h(CreateFileW(LongPathW(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h) return 0;
  FILETIME accessed{};
  if (!GetFileTime(h.get(), nullptr, &accessed, nullptr)) return 0;
  const double local = FileTimeToLocalDateTime(accessed);
  // Put the time back, so that asking leaves no trace.
  SetFileTime(h.get(), nullptr, &accessed, nullptr);
  return local;
}

std::string GetTempFolder() {
  const auto t = SystemTempFolder();
  return t && !t->empty() ? *t : std::string("c:\\windows\\temp\\");
}

std::string GetWindowsFolder() {
  const auto w = SystemWindowsFolder();
  return w && !w->empty() ? *w : std::string("c:\\windows");
}

std::string GetStartupFolder() {
  RegKey key = RegKey::Open(HKEY_CURRENT_USER,
                            "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
  if (!key) return std::string();
  try {
    return key.ReadString("StartUp").value_or(std::string());
  } catch (const RegistryError&) {
    return std::string();
  }
}

std::string ExpandEnvironment(const std::string& text) {
  return ExpandEnvironmentText(text).value_or(text);
}

std::string GetShortPath(const std::string& path) { return ShortPathName(path).value_or(path); }

bool ValidateEntryName(const std::string& text, const std::string& messagePrefix) {
  static const char kForbidden[] = "\\/:*?\"<>|";
  if (text.find_first_of(kForbidden) == std::string::npos) return true;
  std::string message = messagePrefix + ":";
  for (const char* c = kForbidden; *c; ++c) {
    message += ' ';
    message += *c;
  }
  ui::ShowMessage(message, "Velmora", ui::MsgIcon::Warning);
  return false;
}

bool IsAdministrator() {
  if (!services().isWindowsNT()) return true;
  return services().tokenIsAdministrator();
}

bool IsRunnableType(const std::string& path, const std::string& pathext) {
  const std::string ext = UpperCase(ExtractFileExt(path));
  if (ext.size() < 2) return false;
  static const char* const kAlwaysRun[] = {".LNK", ".URL", ".PIF", ".SCF", ".COM", ".EXE", ".BAT", ".CMD", ".VBS",
                                           ".VBE", ".JS", ".JSE", ".WSF", ".WSH", ".WSC", ".PS1", ".MSC", ".MSI",
                                           ".MSP", ".MST", ".CPL", ".SCR", ".HTA", ".REG", ".INF", ".JAR",
                                           ".APPLICATION", ".APPREF-MS", ".SCT", ".SHB", ".SHS", ".GADGET"};
  for (const char* e : kAlwaysRun)
    if (ext == e) return true;
  std::size_t start = 0;
  const std::string list = UpperCase(pathext);
  while (start <= list.size()) {
    std::size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    if (list.compare(start, end - start, ext) == 0) return true;
    start = end + 1;
  }
  return false;
}

bool ShellWouldRun(const std::string& path) {
  wchar_t buf[2048];
  const DWORD n = GetEnvironmentVariableW(L"PATHEXT", buf, 2048);
  const std::string pathext = n > 0 && n < 2048 ? Narrow(std::wstring(buf, n)) : std::string();
  return IsRunnableType(path, pathext);
}

bool QuickViewFile(const std::string& path) {
  wchar_t system[261];
  const UINT n = GetSystemDirectoryW(system, 261);
  if (n == 0 || n >= 261) return false;
  const std::string viewer = Narrow(std::wstring(system, n)) + "\\viewers\\QuikView.exe";
  if (FileExists(viewer)) return OpenWithShell("open", viewer, "\"" + path + "\"");
  // "Viewing" a program, script, shortcut or installer with the shell would
  // run it (temporary folders and download folders are full of them).
  if (ShellWouldRun(path)) return OpenWithShell("properties", path);
  return OpenWithShell("open", path);
}

bool InsideMoveGuard(const std::string& fileFolder, const std::string& moveFolderText) {
  if (moveFolderText.empty()) return false;
  std::string f = UpperCase(fileFolder);
  while (!f.empty() && f.back() == '\\') f.pop_back();
  return UpperCase(moveFolderText).find(f) != std::string::npos;
}

bool InsideMoveFolderPath(const std::string& fileFolder, const std::string& moveFolderText) {
  if (moveFolderText.empty()) return false;
  return UpperCase(IncludeTrailingBackslash(moveFolderText)).find(UpperCase(IncludeTrailingBackslash(fileFolder))) !=
         std::string::npos;
}

void ShowRegistryAccessError() {
  ui::ShowMessage(
      "Velmora was unable to access the System Registry.\r\n\r\nIf you are running under Windows NT you must be "
      "logged in as an \"Administrator\" in order to access this function.",
      "Velmora", ui::MsgIcon::Error);
}

}  // namespace velmora::shell
