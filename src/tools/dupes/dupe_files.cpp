#include "tools/dupes/dupe_files.h"

#include <windows.h>

#include <cstring>

#include "platform/files.h"
#include "platform/handles.h"
#include "tools/dupes/dupe_logic.h"

namespace velmora::dupes {

namespace {

constexpr DWORD kBlock = 256 * 1024;

FileHandle OpenRead(const std::string& path) {
  return FileHandle(CreateFileW(LongPathW(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

// Reads until `want` bytes are in or the file ends; the count read.
bool ReadFully(HANDLE h, unsigned char* into, DWORD want, DWORD& got) {
  got = 0;
  while (got < want) {
    DWORD n = 0;
    if (!ReadFile(h, into + got, want - got, &n, nullptr)) return false;
    if (n == 0) break;
    got += n;
  }
  return true;
}

}  // namespace

std::uint32_t ReadChecksumSignature(const std::string& path, std::uint64_t size) {
  if (size == 0) return 0;
  const FileHandle h = OpenRead(path);
  if (!h) return 0;
  unsigned char buffer[512];
  DWORD got = 0;
  if (!ReadFully(h.get(), buffer, DWORD(ChecksumBytes(size)), got)) return 0;
  return ChecksumSignature(buffer, got, size);
}

std::uint32_t PackedWriteTime(std::uint64_t written) {
  FILETIME utc{DWORD(written), DWORD(written >> 32)}, local{};
  WORD date = 0, time = 0;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToDosDateTime(&local, &date, &time)) return 0;
  return (std::uint32_t(date) << 16 | time) & 0x7FFFFFFFu;
}

bool StartsLikeProgram(const std::string& path) {
  const FileHandle h = OpenRead(path);
  unsigned char magic[2] = {};
  DWORD got = 0;
  return h && ReadFully(h.get(), magic, 2, got) && got == 2 && magic[0] == 'M' && magic[1] == 'Z';
}

namespace {
struct Identity {
  DWORD volume = 0, high = 0, low = 0;
  std::uint64_t size = 0;
};
bool IdentityOf(HANDLE h, Identity& id) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return false;
  id.volume = info.dwVolumeSerialNumber;
  id.high = info.nFileIndexHigh;
  id.low = info.nFileIndexLow;
  id.size = (std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  return true;
}
bool Same(const Identity& a, const Identity& b) {
  return a.volume == b.volume && a.high == b.high && a.low == b.low;
}
}  // namespace

bool FileComparer::OneFile(const std::string& a, const std::string& b) {
  const FileHandle ha = OpenRead(a), hb = OpenRead(b);
  Identity ia, ib;
  return ha && hb && IdentityOf(ha.get(), ia) && IdentityOf(hb.get(), ib) && Same(ia, ib);
}

Sameness FileComparer::Compare(const std::string& a, const std::string& b, std::uint64_t size, bool skipBytes) {
  const FileHandle ha = OpenRead(a);
  if (!ha) return Sameness::Unreadable;
  const FileHandle hb = OpenRead(b);
  if (!hb) return Sameness::Unreadable;
  Identity ia, ib;
  if (!IdentityOf(ha.get(), ia) || !IdentityOf(hb.get(), ib)) return Sameness::Unreadable;
  if (Same(ia, ib)) return Sameness::OneFile;
  if (ia.size != size || ib.size != size) return Sameness::Different;
  if (skipBytes || size == 0) return Sameness::Equal;
  const DWORD block = DWORD(size < kBlock ? size : kBlock);
  if (bufA_.size() < block) bufA_.resize(block);
  if (bufB_.size() < block) bufB_.resize(block);
  std::uint64_t left = size;
  while (left > 0) {
    const DWORD want = DWORD(left < block ? left : block);
    DWORD gotA = 0, gotB = 0;
    if (!ReadFully(ha.get(), bufA_.data(), want, gotA) || !ReadFully(hb.get(), bufB_.data(), want, gotB))
      return Sameness::Unreadable;
    // A file that shrank since its size was read ends early: not equal.
    if (gotA != want || gotB != want) return Sameness::Different;
    if (std::memcmp(bufA_.data(), bufB_.data(), want) != 0) return Sameness::Different;
    left -= want;
  }
  // Nothing may follow: a file that grew meanwhile is not the one measured.
  DWORD extra = 0;
  unsigned char probe[1];
  if (!ReadFully(ha.get(), probe, 1, extra) || extra != 0) return Sameness::Different;
  if (!ReadFully(hb.get(), probe, 1, extra) || extra != 0) return Sameness::Different;
  return Sameness::Equal;
}

std::optional<std::uint64_t> FileComparer::ContentHash(const std::string& path, std::uint64_t size) {
  const FileHandle h = OpenRead(path);
  if (!h) return std::nullopt;
  LARGE_INTEGER actual{};
  if (!GetFileSizeEx(h.get(), &actual) || std::uint64_t(actual.QuadPart) != size) return std::nullopt;
  const DWORD block = DWORD(size < kBlock ? (size ? size : 1) : kBlock);
  if (bufA_.size() < block) bufA_.resize(block);
  std::uint64_t hash = 0x9E3779B97F4A7C15ULL ^ size;
  std::uint64_t left = size;
  while (left > 0) {
    const DWORD want = DWORD(left < block ? left : block);
    DWORD got = 0;
    if (!ReadFully(h.get(), bufA_.data(), want, got) || got != want) return std::nullopt;
    std::size_t i = 0;
    for (; i + 8 <= got; i += 8) {
      std::uint64_t w;
      std::memcpy(&w, bufA_.data() + i, 8);
      hash = (hash ^ w) * 0x100000001B3ULL;
      hash ^= hash >> 29;
    }
    for (; i < got; ++i) hash = (hash ^ bufA_[i]) * 0x100000001B3ULL;
    left -= want;
  }
  return hash;
}

std::string OnDiskSpelling(const std::string& path) {
  // "x:\" stays; each later part is looked up below the part before it.
  const std::size_t start = path.size() > 2 && path[1] == ':' && path[2] == '\\' ? 3 : 0;
  if (start == 0) return path;
  // Drive letters are upper case in the system's own spelling.
  std::string out = path.substr(0, start);
  if (out[0] >= 'a' && out[0] <= 'z') out[0] = char(out[0] - 'a' + 'A');
  std::size_t pos = start;
  while (pos <= path.size()) {
    std::size_t end = path.find('\\', pos);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(pos, end - pos);
    if (!part.empty()) {
      const auto entry = FindEntry(out + part);
      out += entry ? entry->name : part;
    }
    if (end < path.size()) out += '\\';
    pos = end + 1;
  }
  return out;
}

}  // namespace velmora::dupes
