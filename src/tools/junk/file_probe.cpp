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

FileProbe ProbeFound(const scan::FoundFile& found) {
  FileProbe probe;
  if (found.listing.attributes & FILE_ATTRIBUTE_DIRECTORY) return probe;
  probe.file = found.listing;
  probe.file.program = false;
  const std::wstring wide = LongPathW(found.path);
  const bool hasHead = probe.file.size >= 2;
  DWORD error = ERROR_SUCCESS;

  // The read-only attribute is asked first: Wine run as root opens such a
  // file for writing, where Windows refuses.
  if (!(probe.file.attributes & FILE_ATTRIBUTE_READONLY)) {
    FileHandle h(CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (h) {
      probe.exists = true;
      probe.exclusive = true;
      probe.lastAccess = FileTimeToLocalDateTime(found.accessed);
      if (probe.file.size == 0) {
        // A file listed as empty is looked at again: only one still empty counts.
        LARGE_INTEGER size{};
        if (GetFileSizeEx(h.get(), &size)) probe.file.size = std::uint64_t(size.QuadPart);
      }
      if (hasHead) {
        ReadHead(h.get(), probe);
        // Reading the first bytes must leave no trace.
        SetFileTime(h.get(), nullptr, &found.accessed, nullptr);
      }
      return probe;
    }
    error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return probe;  // gone since the listing
  }
  // In use or read-only: the first bytes are still wanted for the icon and the
  // version columns.
  FileHandle h(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h) {
    error = GetLastError();
    probe.exists = error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
    return probe;
  }
  probe.exists = true;
  if (hasHead) ReadHead(h.get(), probe);
  return probe;
}

FileProbe ProbeFile(const std::string& path) {
  const auto entry = FindEntry(path);
  if (!entry) return FileProbe{};
  scan::FoundFile found;
  found.path = path;
  found.listing.size = entry->size;
  found.listing.attributes = entry->attributes;
  found.listing.written = entry->written;
  found.accessed = entry->accessed;
  return ProbeFound(found);
}

}  // namespace velmora::junk
