// The executable type of a file on disk: its header read through the system.
#include <windows.h>

#include "platform/files.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "tools/tracker/exe_type.h"

namespace velmora::tracker {

namespace {

// Up to `size` bytes from `offset`; fewer at the end of the file.
std::string ReadAt(HANDLE file, std::uint32_t offset, DWORD size) {
  std::string bytes(size, '\0');
  LARGE_INTEGER at;
  at.QuadPart = offset;
  DWORD got = 0;
  if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN) || !ReadFile(file, bytes.data(), size, &got, nullptr)) got = 0;
  bytes.resize(got);
  return bytes;
}

}  // namespace

int GetExeType(const std::string& path) {
  if (path.empty()) return exetype::kTwoPhase;
  // The first dot of the whole path, folders included, needs three characters after it.
  const std::wstring wide = Widen(path);
  const std::size_t dot = wide.find(L'.');
  if (dot == std::wstring::npos || wide.size() - (dot + 1) < 3) return exetype::kNoExtension;
  if (!FileExists(path)) return exetype::kMissing;  // a folder counts as missing
  // The shell's executable-type query gives nothing for a batch file under
  // Wine (and "PE" on Windows); the header itself says what it is.
  const FileHandle file(CreateFileW(LongPathW(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  const std::string extension = ExtractFileExt(path);
  std::string start, atNewHeader;
  if (file) {
    start = ReadAt(file.get(), 0, 0x40);
    if (const std::uint32_t offset = NewHeaderOffset(start)) atNewHeader = ReadAt(file.get(), offset, 4);
  }
  return ExeTypeFromSignature(SignatureOf(start, atNewHeader, extension), extension);
}

}  // namespace velmora::tracker
