#include "tools/dupes/dupe_files.h"

#include <windows.h>

#include <cstring>

#include "platform/file_facts.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "tools/dupes/dupe_logic.h"

namespace velmora::dupes {

namespace {

constexpr DWORD kBlock = DWORD(FileComparer::kBlock);

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

// FILE_ID_INFO of Windows 8 and later (the headers give it only to builds for them).
struct FileIdInfo128 {
  ULONGLONG VolumeSerialNumber;
  BYTE FileId[16];
};
constexpr int kFileIdInfoClass = 18;  // FileIdInfo

bool Stopping(const std::atomic<bool>* stop) { return stop && stop->load(std::memory_order_relaxed); }

// The size and write time from the cheap levels; the volume's serial and
// whether identities there can be trusted from its root, asked once.
bool FactsOfHandle(HANDLE h, const std::string& path, FileFacts& facts) {
  const auto file = FactsOfOpenFile(h);
  if (!file || (file->attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  facts.size = file->size;
  facts.written = (std::uint64_t(file->written.dwHighDateTime) << 32) | file->written.dwLowDateTime;
  FileKey& k = facts.key;
  k.index = file->index;
  const VolumeFacts root = VolumeFactsOf(path);
  k.volumeSerial = root.serial;
  k.volume = root.serial;
  k.high = 0;
  k.low = k.index;
  k.trusted = root.trusted;
  return true;
}

// Equal 64-bit indexes on one volume: one file, unless the 128-bit ids of a
// file system that has them (ReFS) tell the two apart.
bool SameLongIds(HANDLE a, HANDLE b) {
  FileIdInfo128 x{}, y{};
  if (!GetFileInformationByHandleEx(a, FILE_INFO_BY_HANDLE_CLASS(kFileIdInfoClass), &x, sizeof x) ||
      !GetFileInformationByHandleEx(b, FILE_INFO_BY_HANDLE_CLASS(kFileIdInfoClass), &y, sizeof y))
    return true;
  return x.VolumeSerialNumber == y.VolumeSerialNumber && std::memcmp(x.FileId, y.FileId, 16) == 0;
}

FileHandle OpenAttributes(const std::string& path) {
  return FileHandle(CreateFileW(LongPathW(path).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

}  // namespace

bool OneFile(const std::string& a, const FileFacts& fa, const std::string& b, const FileFacts& fb) {
  if (!(fa.key == fb.key)) return false;
  const FileHandle ha = OpenAttributes(a), hb = OpenAttributes(b);
  return !ha || !hb || SameLongIds(ha.get(), hb.get());
}

std::optional<FileFacts> FactsOf(const std::string& path) {
  const FileHandle h = OpenAttributes(path);
  FileFacts facts;
  if (!h || !FactsOfHandle(h.get(), path, facts)) return std::nullopt;
  return facts;
}

Sameness FileComparer::Compare(const std::string& a, const std::string& b, std::uint64_t size,
                               const std::atomic<bool>* stop, std::atomic<std::uint64_t>* bytesRead) {
  const FileHandle ha = OpenRead(a);
  if (!ha) return Sameness::Unreadable;
  const FileHandle hb = OpenRead(b);
  if (!hb) return Sameness::Unreadable;
  if (!FactsOfHandle(ha.get(), a, factsA_) || !FactsOfHandle(hb.get(), b, factsB_)) return Sameness::Unreadable;
  if (factsA_.key == factsB_.key && SameLongIds(ha.get(), hb.get())) return Sameness::OneFile;
  if (factsA_.size != size || factsB_.size != size) return Sameness::Different;
  if (size == 0) return Sameness::Equal;
  const DWORD block = DWORD(size < kBlock ? size : kBlock);
  if (bufA_.size() < block) bufA_.resize(block);
  if (bufB_.size() < block) bufB_.resize(block);
  std::uint64_t left = size;
  while (left > 0) {
    if (Stopping(stop)) return Sameness::Stopped;
    const DWORD want = DWORD(left < block ? left : block);
    DWORD gotA = 0, gotB = 0;
    if (!ReadFully(ha.get(), bufA_.data(), want, gotA) || !ReadFully(hb.get(), bufB_.data(), want, gotB))
      return Sameness::Unreadable;
    if (bytesRead) bytesRead->fetch_add(std::uint64_t(gotA) + gotB, std::memory_order_relaxed);
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

std::optional<std::uint64_t> FileComparer::ContentHash(const std::string& path, std::uint64_t size,
                                                       const std::atomic<bool>* stop,
                                                       std::atomic<std::uint64_t>* bytesRead) {
  const FileHandle h = OpenRead(path);
  if (!h) return std::nullopt;
  LARGE_INTEGER actual{};
  if (!GetFileSizeEx(h.get(), &actual) || std::uint64_t(actual.QuadPart) != size) return std::nullopt;
  const DWORD block = DWORD(size < kBlock ? (size ? size : 1) : kBlock);
  if (bufA_.size() < block) bufA_.resize(block);
  std::uint64_t hash = 0x9E3779B97F4A7C15ULL ^ size;
  std::uint64_t left = size;
  while (left > 0) {
    if (Stopping(stop)) return std::nullopt;
    const DWORD want = DWORD(left < block ? left : block);
    DWORD got = 0;
    if (!ReadFully(h.get(), bufA_.data(), want, got) || got != want) return std::nullopt;
    if (bytesRead) bytesRead->fetch_add(got, std::memory_order_relaxed);
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
