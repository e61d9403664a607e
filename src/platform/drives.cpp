#include "platform/drives.h"

#include <string>

namespace velmora {

namespace {

std::wstring RootOf(char letter) {
  if (letter >= 'a' && letter <= 'z') letter = char(letter - 'a' + 'A');
  return std::wstring{wchar_t(letter), L':', L'\\'};
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// An empty floppy or CD drive must answer "no", not put up the system's
// "insert a disk" box.
class QuietErrors {
 public:
  QuietErrors() { SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &old_); }
  ~QuietErrors() { SetThreadErrorMode(old_, nullptr); }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;

 private:
  DWORD old_ = 0;
};

}  // namespace

UINT DriveType(char letter) {
  if (!IsLetter(letter)) return DRIVE_NO_ROOT_DIR;
  return GetDriveTypeW(RootOf(letter).c_str());
}

bool DriveRootExists(char letter) {
  if (!IsLetter(letter)) return false;
  QuietErrors quiet;
  const DWORD a = GetFileAttributesW(RootOf(letter).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::uint64_t> DriveFreeBytes(char letter) {
  if (!IsLetter(letter)) return std::nullopt;
  QuietErrors quiet;
  ULARGE_INTEGER available{}, total{}, free{};
  if (!GetDiskFreeSpaceExW(RootOf(letter).c_str(), &available, &total, &free)) return std::nullopt;
  return available.QuadPart;
}

std::optional<std::uint64_t> DriveFreeBytesByClusters(char letter) {
  if (!IsLetter(letter)) return std::nullopt;
  QuietErrors quiet;
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  if (!GetDiskFreeSpaceW(RootOf(letter).c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                         &totalClusters))
    return std::nullopt;
  return std::uint64_t(sectorsPerCluster) * bytesPerSector * freeClusters;
}

}  // namespace velmora
