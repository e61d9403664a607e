// The registry backup and its restore, in-process (no registry editor is
// started). The backup is the whole registry (HKEY_LOCAL_MACHINE, HKEY_USERS
// and HKEY_CURRENT_USER under its own name) streamed through RegFileWriter to a
// temporary file, flushed, parsed back and counted, and only then moved over
// the old backup: a failure at any step keeps the old file. The restore checks
// the whole file first and then merges: it writes back only the keys and
// values absent now, never overwriting and never deleting, so it undoes exactly
// what the cleaner removed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

namespace velmora::regclean {

struct BackupResult {
  bool ok = false;
  bool stopped = false;     // Stop pressed: no backup was written
  unsigned long error = 0;  // the system's code of the first failure
  std::uint64_t keys = 0, values = 0;
  // Left out, whole or in part: a key that cannot be opened or listed, that
  // vanished while it was walked, or whose name holds a line break.
  std::uint64_t skippedKeys = 0;
  // ValueHash of every value the verified file holds.
  std::unordered_set<std::uint64_t> hashes;
};

// `pump` runs at each key (messages, throttled by the caller); the export ends
// without a backup as soon as `*stop` is set.
BackupResult ExportRegistry(const std::string& path, const std::function<void()>& pump = {},
                            const bool* stop = nullptr);

// The registry calls of the export. Tests put faults in them that Wine cannot
// make for real: a key that opens but cannot be listed, a key that vanishes
// while it is walked.
struct ExportRegistryCalls {
  LONG(WINAPI* queryInfo)(HKEY, LPWSTR, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD,
                          LPDWORD, PFILETIME) = RegQueryInfoKeyW;
  LONG(WINAPI* enumValue)(HKEY, DWORD, LPWSTR, LPDWORD, LPDWORD, LPDWORD, LPBYTE, LPDWORD) = RegEnumValueW;
  LONG(WINAPI* enumKey)(HKEY, DWORD, LPWSTR, LPDWORD, LPDWORD, LPWSTR, LPDWORD, PFILETIME) = RegEnumKeyExW;
  LONG(WINAPI* openKey)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY) = RegOpenKeyExW;
};
// Replaces the calls (nullptr: the system's again).
void SetExportRegistryCalls(const ExportRegistryCalls* calls);

struct RestoreResult {
  bool ok = false;
  unsigned long error = 0;  // the first failure; ERROR_INVALID_DATA for a file refused whole
  std::string problem;       // why the file was refused, or the first write refused and why
  std::uint64_t keysCreated = 0, valuesWritten = 0;
  std::uint64_t valuesPresent = 0;  // already there: left as they are
  std::uint64_t failures = 0;       // keys or values that could not be written
};

// The root a file's key path starts with (nullptr for none the suite knows).
HKEY RootOfName(std::u16string_view name);

struct RegFileKey;
// Writes back the keys and values of `keys` that are absent now, never over
// a value that is there and never deleting: an existing key is opened for
// reading, and for writing only when one of its values is missing; a missing
// key is created. Failures are counted, the first one's code and reason kept
// (its key and value named), and the rest goes on.
void WriteBackAbsent(const std::vector<RegFileKey>& keys, RestoreResult& result,
                     const std::function<void()>& pump = {});

RestoreResult MergeRegistryFile(const std::string& path, const std::function<void()>& pump = {});

}  // namespace velmora::regclean
