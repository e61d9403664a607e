// The registry backup and its restore, in-process (no registry editor is
// started). The backup is the whole registry (HKEY_LOCAL_MACHINE, HKEY_USERS
// and HKEY_CURRENT_USER under its own name) streamed through RegFileWriter to a
// temporary file, flushed, parsed back and counted, and only then moved over
// the old backup: a failure at any step keeps the old file. The restore checks
// the whole file first and then merges: it writes back only the keys and
// values absent now, never overwriting and never deleting, so it undoes exactly
// what the cleaner removed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>

namespace velmora::regclean {

struct BackupResult {
  bool ok = false;
  unsigned long error = 0;  // the system's code of the first failure
  std::uint64_t keys = 0, values = 0;
  std::uint64_t skippedKeys = 0;  // unreadable, or a name with a line break
  // ValueHash of every value the verified file holds.
  std::unordered_set<std::uint64_t> hashes;
};

// `pump` runs at each key (messages, throttled by the caller).
BackupResult ExportRegistry(const std::string& path, const std::function<void()>& pump = {});

struct RestoreResult {
  bool ok = false;
  unsigned long error = 0;  // the first failure; ERROR_INVALID_DATA for a file refused whole
  std::string problem;       // why the file was refused
  std::uint64_t keysCreated = 0, valuesWritten = 0;
};

RestoreResult MergeRegistryFile(const std::string& path, const std::function<void()>& pump = {});

}  // namespace velmora::regclean
