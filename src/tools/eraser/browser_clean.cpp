#include "tools/eraser/browser_clean.h"

#include <windows.h>

#include <stdexcept>

#include "platform/datetime.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/text.h"
#include "scan/tree_scanner.h"
#include "shell/cache_completion.h"
#include "shell/clock_window.h"
#include "shell/run_lock.h"
#include "shell/utilities.h"

namespace velmora::eraser {

namespace {

constexpr DWORD kVolumeLabel = 0x00000008;
constexpr std::size_t kIndexHeader = 500;
// How long the expiry waits for a scheduled run of another process to end
// before it leaves the clock alone this time.
constexpr unsigned long kClockLockWaitMs = 30000;

// A string value, or nullopt when the key or value is absent or of another type.
std::optional<std::string> ReadText(HKEY root, const char* key, const char* name, REGSAM view = 0) {
  try {
    const RegKey k = RegKey::Open(root, key, KEY_READ | view);
    if (!k) return std::nullopt;
    return k.ReadString(name);
  } catch (const RegistryError&) {
    return std::nullopt;
  }
}

void SetDword(const char* key, const char* name, std::uint32_t value) {
  RegKey::Create(HKEY_CURRENT_USER, key).WriteDword(name, value);
}

}  // namespace

// ---- Where the browsers keep their files -----------------------------------

std::string ShellFolder(const char* value) {
  std::string folder = ReadText(HKEY_CURRENT_USER, kShellFoldersKey, value).value_or(std::string());
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return shell::IsSafeFolderToEmpty(folder) ? folder : kNotFound;
}

std::string NetscapeFolder() {
  const auto install = ReadText(HKEY_CURRENT_USER, kNetscapeKey, "Install Directory");
  if (!install) return kNoNetscape;
  const std::string folder = ExtractFilePath(*install);
  return shell::IsSafeFolderToEmpty(folder) ? folder : kNoNetscape;
}

std::string AolCacheFolder() {
  auto path = ReadText(HKEY_LOCAL_MACHINE, kAolKey, "AppPath");
  // A 32-bit program registers under the 32-bit view, named explicitly.
  if (!path) path = ReadText(HKEY_LOCAL_MACHINE, kAolKey, "AppPath", KEY_WOW64_32KEY);
  if (!path || path->empty()) return {};
  const std::string folder = *path + (path->back() == '\\' ? "Cache" : "\\Cache");
  return shell::IsSafeFolderToEmpty(folder) ? folder : std::string();
}

// ---- Visiting and deleting --------------------------------------------------

bool RecurseFiles(const std::string& folder, const std::string& mask, const Visit& visit,
                  const std::function<void()>& pump) {
  if (folder.empty()) return false;  // never "the current folder" by accident
  const std::string f = IncludeTrailingBackslash(folder);
  const std::string m = mask.empty() ? "*.*" : mask;
  if (pump) pump();
  for (const DirEntry& e : DirectoryListing(f + m)) {
    if (e.isFolder() || (e.attributes & kVolumeLabel)) continue;
    if (!visit(f, e)) return false;
  }
  for (const DirEntry& e : DirectoryListing(f + "*.*", /*foldersOnly=*/true)) {
    // A junction or link points elsewhere on the disk: it is never entered.
    if (e.isHidden() || e.isSystem() || e.isReparsePoint()) continue;
    if (!RecurseFiles(f + e.name + "\\", m, visit, pump)) return false;
  }
  return true;
}

Visit DeleteExceptIndex(std::vector<std::string>& notRemoved) {
  return [&notRemoved](const std::string& folder, const DirEntry& e) {
    if (UpperCase(e.name) == "INDEX.DAT") return true;
    const std::string path = folder + e.name;
    if (!DeleteFileW(LongPathW(path).c_str())) notRemoved.push_back(path);
    return true;
  };
}

void EraseCacheIndex(const std::string& folder, CleanContext& ctx) {
  const std::string index = IncludeTrailingBackslash(folder) + "index.dat";
  FileHandle h(CreateFileW(LongPathW(index).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h) throw std::runtime_error("Cannot open " + index + ": " + SystemErrorText(GetLastError()));
  std::string header(kIndexHeader, '\0');
  DWORD got = 0;
  if (!ReadFile(h.get(), header.data(), DWORD(header.size()), &got, nullptr) || got < kIndexHeader)
    throw std::runtime_error("Cannot read the header of " + index);
  h.reset();
  for (const std::string& name : CacheIndexNames(header)) {
    const std::string sub = IncludeTrailingBackslash(folder) + name;
    const auto attributes = FileAttributes(sub);
    if (!attributes || !(*attributes & FILE_ATTRIBUTE_DIRECTORY) || (*attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      continue;
    RecurseFiles(sub + "\\", "*.*", DeleteExceptIndex(*ctx.notRemoved), ctx.pump);
  }
}

// ---- The browser steps -----------------------------------------------------

void CleanCookies(const std::string& cookies, const std::string& netscape, CleanContext& ctx) {
  if (cookies != kNotFound) RecurseFiles(cookies + "\\", "*.*", DeleteExceptIndex(*ctx.notRemoved), ctx.pump);
  if (netscape != kNoNetscape) RecurseFiles(netscape, "cookies.txt", DeleteExceptIndex(*ctx.notRemoved), ctx.pump);
}

void CleanIECache(const std::string& cache, CleanContext& ctx) {
  static const char* const kExtensible[] = {
      "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\5.0\\Cache\\Extensible Cache",
      "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Extensible Cache"};
  for (const char* key : kExtensible) {
    // Cleared only where this process may write: a refusal is reported and the step goes on.
    if (RegKey::Exists(HKEY_LOCAL_MACHINE, key) && !RegKey::DeleteTree(HKEY_LOCAL_MACHINE, key) && ctx.report)
      ctx.report("Error removing extensible cache information.  Make sure you have sufficient administrative rights "
                 "to the registry.");
  }
  if (FileExists(cache + "\\index.dat")) EraseCacheIndex(cache, ctx);
  if (FileExists(cache + "\\content.ie5\\index.dat")) EraseCacheIndex(cache + "\\content.ie5", ctx);
  // The browser restarted with "delete the cache on exit" on; any failure is ignored.
  try {
    SetDword(kCacheSettingsKey, "Persistent", 0);
    if (ctx.pump) ctx.pump();
    services().startAndQuitBrowser(kBrowserProgId, ctx.pump);
  } catch (...) {
  }
}

void CleanNetscapeCache(const std::string& netscape, CleanContext& ctx) {
  if (netscape == kNoNetscape) return;
  std::string root = netscape;
  while (!root.empty() && root.back() == '\\') root.pop_back();
  root += '\\';  // as the scanner spells the folders it reports
  scan::TTreeScanner ts;
  ts.SetFindHiddenFiles(true);
  ts.SetFindHiddenFolders(true);
  ts.SetRecursive(true);
  ts.SetInitialDirectory(root);
  ts.SetFileMask("cache");
  if (ctx.pump) ts.ProcessMessages = ctx.pump;
  // Only the part below the installation folder counts: an installation path
  // that itself holds "cache" must not empty every folder of it.
  ts.SetOnDirectoryFound([&root](scan::TTreeScanner& s) {
    const std::string& path = s.FileFound();
    if (path.size() <= root.size() || CompareNoCase(path.substr(0, root.size()), root) != 0) return;
    if (UpperCase(path.substr(root.size())).find("CACHE") == std::string::npos) return;
    if (shell::IsSafeFolderToEmpty(path)) shell::DeleteFolderContents(path, false);
  });
  ts.Scan();
}

void CleanIEHistory(const std::string& history, CleanContext& ctx) {
  if (!services().isWindowsNT()) {
    // The day folders of Windows 95 and 98; on NT the browser keeps them itself.
    for (const char* sub : {"\\", "\\History.ie5\\"})
      for (int n = 1; n <= 30; ++n) {
        const std::string day = history + sub + (n < 10 ? "MSHIST~" : "MSHIS~") + std::to_string(n);
        if (FolderExists(day) && shell::IsSafeFolderToEmpty(day)) shell::DeleteFolderContents(day, false);
      }
  }
  try {
    EraseCacheIndex(history, ctx);
  } catch (const std::exception&) {
    return;  // no readable index: no expiry by clock either
  }
  ExpireHistoryByClock(ctx);
}

void ExpireHistoryByClock(CleanContext& ctx) {
  Services& s = services();
  if (!s.automationRegistered(kBrowserProgId)) return;
  // Nothing else may judge a clock while it is moved: the run lock is held for
  // the whole move (a scheduled run holds it already; a mutex is taken again by
  // its owner), and a marker lets the next start put the clock back if this
  // process ends meanwhile.
  shell::NamedLock lock(shell::kRunLockName);
  if (!lock.Acquire(kClockLockWaitMs)) return;
  const double saved = s.utcClock();
  const unsigned long long start = GetTickCount64();
  SYSTEMTIME ahead = DateTimeToSystemTime(saved);
  ++ahead.wYear;
  if (ahead.wMonth == 2 && ahead.wDay == 29) ahead.wDay = 28;
  const double movedTo = SystemTimeToDateTime(ahead);
  shell::WriteClockMarker(movedTo - saved);
  if (!s.setUtcClock(movedTo)) {
    shell::ClearClockMarker();
    return;
  }
  // Back in every case, to the saved time plus the time spent meanwhile.
  struct SetBack {
    Services& s;
    double saved;
    unsigned long long start;
    ~SetBack() {
      if (s.setUtcClock(saved + double(GetTickCount64() - start) / 86400000.0)) shell::ClearClockMarker();
    }
  } setBack{s, saved, start};
  try {
    SetDword(kCacheSettingsKey, "Persistent", 0);
    SetDword("\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\History", "DaysToKeep", 0);
    if (ctx.pump) ctx.pump();
    s.startAndQuitBrowser(kBrowserProgId, ctx.pump);
    if (ctx.pump) ctx.pump();
    const unsigned long long waitStart = GetTickCount64();
    while (GetTickCount64() - waitStart < ctx.expiryWaitMs) {
      if (ctx.pump) ctx.pump();
      Sleep(10);
    }
  } catch (...) {
    // Errors are ignored; the clock goes back all the same.
  }
}

void CleanNetscapeTypedHistory(const std::string& netscape, CleanContext& ctx) {
  if (netscape == kNoNetscape) return;
  RecurseFiles(
      netscape, "prefs.js",
      [](const std::string& folder, const DirEntry& e) {
        const std::string path = folder + e.name;
        const auto text = ReadTextFile(path);
        if (!text) throw std::runtime_error("Cannot read " + path);
        // Rewritten only when a line goes, whole, under a temporary name first.
        if (const auto kept = RemoveTypedHistory(*text))
          if (!WriteFileAtomically(path, *kept)) throw std::runtime_error("Cannot write " + path);
        return true;
      },
      ctx.pump);
}

}  // namespace velmora::eraser
