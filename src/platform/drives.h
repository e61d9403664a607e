// Drive questions by letter ('A' to 'Z', either case).
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

namespace velmora {

// GetDriveTypeW of "X:\" (DRIVE_NO_ROOT_DIR for a letter that is not a drive).
UINT DriveType(char letter);
// True when "X:\" can be read as a folder (a floppy or CD drive without a
// disc gives false). Never shows the system's "no disk" box.
bool DriveRootExists(char letter);
// Free bytes available to the current user (GetDiskFreeSpaceExW), 64-bit.
std::optional<std::uint64_t> DriveFreeBytes(char letter);
// Sectors per cluster x bytes per sector x free clusters (GetDiskFreeSpaceW),
// computed in 64 bits.
std::optional<std::uint64_t> DriveFreeBytesByClusters(char letter);

}  // namespace velmora
