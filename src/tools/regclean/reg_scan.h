// The registry cleaner's scan and the check made right before a deletion,
// without a window: the window gives the areas, the reference test's answers,
// a stop flag, a pump and a status sink, and lists the findings it is handed.
//
// Keys are opened read-only, one open key per level of the walk (never the
// parent reopened by its path); each value is read once, type and data
// together. A finding keeps the exact root, key path and value name in UTF-16:
// the deletion uses those, never a caption parsed back.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "tools/regclean/reference.h"
#include "tools/regclean/reg_file.h"

namespace velmora::regclean {

enum class ScanArea { CurrentUser = 0, Users = 1, LocalMachine = 2, SharedDlls = 3 };

inline const char16_t* const kSharedDllsKey = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

struct Finding {
  ScanArea area = ScanArea::CurrentUser;
  HKEY root = nullptr;
  std::u16string rootName;  // "HKEY_CURRENT_USER", ...
  std::u16string keyPath;   // below the root, without a leading "\"
  std::u16string valueName;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;  // as read
  std::u16string text;             // the string the row shows (the data, or the name for a shared library)
  FILETIME lastWrite{};
  // The hash the verified backup would hold for this value.
  std::uint64_t Hash() const;
};

struct ScanHooks {
  ReferenceEnv env;
  const bool* stop = nullptr;                            // read between values and keys
  std::function<void()> pump;                            // lets messages run (throttled by the caller)
  std::function<void(const std::u16string& key)> status;  // the key being analysed
  std::function<void(Finding&&)> found;
};

// Walks one area; returns when it is done or stopped.
void ScanRegistryArea(ScanArea area, const ScanHooks& hooks);

// Why a listed value is not deleted now.
enum class Recheck { Delete, Gone, Changed, NowValid, NotInBackup, KeyUnreadable };

// Reads the value again right before its deletion: it is deleted only when
// type and data are those listed, its test still fails and, when the list was
// made with a backup, the backup holds it (`backupHashes` null: no backup asked).
Recheck RecheckFinding(const Finding& f, const ReferenceEnv& env,
                       const std::unordered_set<std::uint64_t>* backupHashes);

// Deletes the finding's value; true when it is gone.
bool DeleteFinding(const Finding& f);

// The UTF-16 text as UTF-8, for captions and logs.
std::string Utf8(const std::u16string& text);

}  // namespace velmora::regclean
