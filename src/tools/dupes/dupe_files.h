// What the duplicate finder asks of the files themselves: the first bytes for
// the checksum, whether two paths are one file, and whether two files hold
// the same bytes. Files are opened for reading with read, write and delete
// sharing, so a file another program has open is still compared.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::dupes {

// The checksum signature of the file's first 512 bytes at most; 0 when it
// cannot be read (that only places it beside other unreadable files).
std::uint32_t ReadChecksumSignature(const std::string& path, std::uint64_t size);

// The packed 32-bit local date and time of a last write (a FILETIME as one
// number): date in the high 16 bits, time in the low, two-second steps.
std::uint32_t PackedWriteTime(std::uint64_t written);

// True when the file starts with "MZ" (a program or library: it may hold icons).
bool StartsLikeProgram(const std::string& path);

// Which file a path names, as the system says from an open handle: the
// volume serial and the 64-bit index; where two of those are equal, the
// 128-bit file ids decide where the file system gives them (OneFile). On a network drive or share two paths of one file
// may give different identities, so there an identity only tells a file from
// itself, never two files apart.
struct FileKey {
  std::uint64_t volume = 0;  // the 64-bit serial with the 128-bit id, else the 32-bit one
  std::uint64_t high = 0, low = 0;
  std::uint32_t volumeSerial = 0;  // BY_HANDLE_FILE_INFORMATION's, for the removal call
  std::uint64_t index = 0;         // its 64-bit index
  bool trusted = false;            // a local disk: different identities are different files
  bool operator==(const FileKey& o) const { return volume == o.volume && high == o.high && low == o.low; }
};

// What one opening says of a file: its identity, size and last write.
struct FileFacts {
  FileKey key;
  std::uint64_t size = 0;
  std::uint64_t written = 0;  // FILETIME as one number
};
std::optional<FileFacts> FactsOf(const std::string& path);
// True when the two paths (with what FactsOf said of them) name one file.
bool OneFile(const std::string& a, const FileFacts& fa, const std::string& b, const FileFacts& fb);

// The outcome of setting two files side by side.
enum class Sameness {
  Equal,      // two files, both of the expected size, byte for byte equal
  Different,  // sizes or bytes differ
  OneFile,    // the two paths name one file (hard link, short or aliased name)
  Unreadable, // one could not be opened or read
  Stopped     // the stop flag was raised before the comparison ended
};

// Compares two files through handles of their own, in large sequential
// blocks, ending at the first differing block. Both sizes are read from the
// open handles and must equal `size`. A raised `stop` ends the work within
// one block; `bytesRead` (when given) counts what was read. Reuses its
// buffers from call to call; one comparer per thread.
class FileComparer {
 public:
  static constexpr std::size_t kBlock = 1024 * 1024;
  Sameness Compare(const std::string& a, const std::string& b, std::uint64_t size,
                   const std::atomic<bool>* stop = nullptr, std::atomic<std::uint64_t>* bytesRead = nullptr);
  // What the two handles said at the comparison (valid after Equal).
  const FileFacts& factsA() const { return factsA_; }
  const FileFacts& factsB() const { return factsB_; }
  // A hash of the whole file, read through once; nullopt when it cannot be
  // read, its size is not `size`, or `stop` was raised. Only narrows: equal
  // hashes are still compared byte for byte.
  std::optional<std::uint64_t> ContentHash(const std::string& path, std::uint64_t size,
                                           const std::atomic<bool>* stop = nullptr,
                                           std::atomic<std::uint64_t>* bytesRead = nullptr);

 private:
  std::vector<unsigned char> bufA_, bufB_;
  FileFacts factsA_, factsB_;
};

// The path as the file system spells it, each existing part looked up (a
// reloaded list holds paths in lower case); parts that cannot be found are
// kept as given.
std::string OnDiskSpelling(const std::string& path);

}  // namespace velmora::dupes
