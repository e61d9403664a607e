// What an open file and its volume say of themselves, asked the cheap way.
//
// GetFileInformationByHandle answers size, times, attributes, index and the
// volume serial in one call, but the serial is a question to the volume, which
// under Wine costs about half a millisecond per file (more than opening the
// file). The standard, basic and internal levels answer the rest from the file
// itself; the serial is asked once per drive root and kept for fixed disks.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace velmora {

struct OpenFileFacts {
  DWORD attributes = 0;
  std::uint64_t size = 0;
  FILETIME written{};
  std::uint64_t index = 0;  // the file's number on its volume
};
// Nullopt when the handle cannot be asked.
std::optional<OpenFileFacts> FactsOfOpenFile(HANDLE h);

// "C:\" or "\\server\share\" (upper case) of a path, also of its "\\?\" forms;
// empty for a relative path.
std::string VolumeRootOf(const std::string& path);

struct VolumeFacts {
  std::uint32_t serial = 0;  // 0 when the volume would not say
  // Identities on it can be trusted: a share may give two paths of one file
  // two of them.
  bool trusted = false;
};
// Asked once per fixed disk and kept; a removable disk may be swapped, so it
// is asked each time.
VolumeFacts VolumeFactsOf(const std::string& path);

}  // namespace velmora
