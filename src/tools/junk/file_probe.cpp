#include "tools/junk/file_probe.h"

#include <windows.h>

#include "platform/datetime.h"
#include "platform/files.h"
#include "platform/handles.h"

namespace velmora::junk {

namespace {

void ReadHead(HANDLE h, FileProbe& probe) {
  unsigned char head[4] = {};
  DWORD got = 0;
  if (!ReadFile(h, head, sizeof head, &got, nullptr)) return;
  probe.file.program = got >= 2 && head[0] == 'M' && head[1] == 'Z';
  probe.iconFile = got == 4 && head[0] == 0 && head[1] == 0 && head[2] == 1 && head[3] == 0;
}

}  // namespace

FileProbe ProbeFile(const std::string& path) {
  FileProbe probe;
  const std::wstring wide = LongPathW(path);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return probe;
  probe.exists = true;
  probe.file.size = (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  probe.file.attributes = data.dwFileAttributes;
  probe.file.written = data.ftLastWriteTime;

  // The read-only attribute is asked first: Wine run as root opens such a
  // file for writing, where Windows refuses.
  if (!(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
    FileHandle h(CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (h) {
      probe.exclusive = true;
      FILETIME accessed{};
      const bool haveAccess = GetFileTime(h.get(), nullptr, &accessed, nullptr) != FALSE;
      if (haveAccess) probe.lastAccess = FileTimeToLocalDateTime(accessed);
      ReadHead(h.get(), probe);
      // Reading the first bytes must leave no trace.
      if (haveAccess) SetFileTime(h.get(), nullptr, &accessed, nullptr);
      return probe;
    }
  }
  // In use or read-only: the first bytes are still wanted for the icon and the
  // version columns.
  FileHandle h(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (h) ReadHead(h.get(), probe);
  return probe;
}

}  // namespace velmora::junk
