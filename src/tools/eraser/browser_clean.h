// The file-level browser cleaning of the eraser's Cookies, Cache, History and
// typed-address steps: where Internet Explorer, Netscape Navigator and America
// Online keep their files, the recursive visitor that deletes them, the cache
// sub-folders named in an index file, and the expiry of the browser's history.
// No window: the run passes a context with its pump, its not-removed list and
// where its reports go.
//
// Every folder read from the registry is trusted only when it is a folder the
// suite may empty (shell::IsSafeFolderToEmpty): an empty, relative, root or
// system folder counts as absent, and that part of the step is skipped.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "tools/eraser/browser_files.h"

namespace velmora::eraser {

inline const char* const kShellFoldersKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline const char* const kNetscapeKey = "\\Software\\Netscape\\Netscape Navigator\\Main";
inline const char* const kAolKey = "\\SOFTWARE\\America Online\\AOL\\CurrentVersion";
inline const char* const kCacheSettingsKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache";
inline const char* const kBrowserProgId = "InternetExplorer.Application";
inline const char* const kNotFound = "NULL";   // a shell folder that is absent
inline const char* const kNoNetscape = "na";   // Netscape Navigator not installed

// One run's shared state.
struct CleanContext {
  std::vector<std::string>* notRemoved = nullptr;  // files that could not be deleted
  std::function<void()> pump;                      // lets messages run (throttled by the caller)
  // A problem the user should know of: a box in a manual run, a log line in a scheduled one.
  std::function<void(const std::string& text)> report;
  unsigned expiryWaitMs = 5001;  // the history expiry's wait; tests shorten it
};

// The shell folder of the current user under the value name ("Cookies",
// "Cache", "History", "Recent"), without a trailing "\"; kNotFound when the
// value is absent or is no folder the eraser may empty.
std::string ShellFolder(const char* value);
inline std::string CookiesFolder() { return ShellFolder("Cookies"); }
inline std::string CacheFolder() { return ShellFolder("Cache"); }
inline std::string HistoryFolder() { return ShellFolder("History"); }

// The folder of the Netscape Navigator installation ("Install Directory"
// without its file part, ending in "\"), or kNoNetscape.
std::string NetscapeFolder();
// The America Online cache folder ("AppPath" + "Cache"), read in the 32-bit
// registry view too; empty when AOL is absent or the folder is not one to empty.
std::string AolCacheFolder();

// Visits the files of `folder` matching `mask` (every attribute), then each
// sub-folder the same way (hidden and system folders, junctions and links are
// not entered); false when `visit` stopped the walk. An empty folder is refused.
using Visit = std::function<bool(const std::string& folder, const DirEntry& entry)>;
bool RecurseFiles(const std::string& folder, const std::string& mask, const Visit& visit,
                  const std::function<void()>& pump = {});

// The visitor that deletes every file but "index.dat", noting failures.
Visit DeleteExceptIndex(std::vector<std::string>& notRemoved);

// Empties the cache sub-folders named in F\index.dat (direct sub-folders only).
// Raises std::runtime_error when the index cannot be read or holds fewer than
// 500 bytes.
void EraseCacheIndex(const std::string& folder, CleanContext& ctx);

// The four parts of the eraser's browser steps.
void CleanCookies(const std::string& cookies, const std::string& netscape, CleanContext& ctx);
void CleanIECache(const std::string& cache, CleanContext& ctx);
void CleanNetscapeCache(const std::string& netscape, CleanContext& ctx);
void CleanIEHistory(const std::string& history, CleanContext& ctx);
void CleanNetscapeTypedHistory(const std::string& netscape, CleanContext& ctx);

// The browser made to expire its own history: the clock a year ahead, no days
// to keep, the browser started and quit, a wait, the clock set back. Only when
// the browser is registered and the clock may be set; the clock always goes
// back (to the saved time plus the time spent), whatever happens in between.
void ExpireHistoryByClock(CleanContext& ctx);

}  // namespace velmora::eraser
