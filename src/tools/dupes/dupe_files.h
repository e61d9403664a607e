// What the duplicate finder asks of the files themselves: the first bytes for
// the checksum, whether two paths are one file, and whether two files hold
// the same bytes. Files are opened for reading with read, write and delete
// sharing, so a file another program has open is still compared.
#pragma once

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

// The outcome of setting two files side by side.
enum class Sameness {
  Equal,      // two files, both of the expected size, byte for byte equal
  Different,  // sizes or bytes differ
  OneFile,    // the two paths name one file (hard link, short or aliased name)
  Unreadable  // one could not be opened or read
};

// Compares two files through handles of their own. Both sizes are read from
// the open handles and must equal `size`; with `skipBytes` only the identity
// and sizes are checked. Reuses its buffers from call to call.
class FileComparer {
 public:
  Sameness Compare(const std::string& a, const std::string& b, std::uint64_t size, bool skipBytes = false);
  // A hash of the whole file, read through once; nullopt when it cannot be
  // read or its size is not `size`. Only narrows: equal hashes are still
  // compared byte for byte.
  std::optional<std::uint64_t> ContentHash(const std::string& path, std::uint64_t size);
  // Only whether the two paths are one file; false when either cannot be opened.
  bool OneFile(const std::string& a, const std::string& b);

 private:
  std::vector<unsigned char> bufA_, bufB_;
};

// The path as the file system spells it, each existing part looked up (a
// reloaded list holds paths in lower case); parts that cannot be found are
// kept as given.
std::string OnDiskSpelling(const std::string& path);

}  // namespace velmora::dupes
