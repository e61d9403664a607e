// Files and folders: long-path aware wrappers, a range-for directory listing,
// attributes and times, path text helpers, whole-file reads, atomic writes
// and appends.
//
// Paths are UTF-8. Every call widens the path with LongPathW, so a path of
// 260 characters or more reaches the system with the \\?\ prefix.
#pragma once

#include <windows.h>

#include <cstdint>
#include <iterator>
#include <optional>
#include <unordered_map>
#include <string>
#include <string_view>

#include "platform/handles.h"
#include "platform/path_state.h"

namespace velmora {

// The path widened; an absolute path of 260 characters or more is normalised
// (GetFullPathNameW: "/" to "\", "." and ".." resolved, as the system would
// without the prefix) and prefixed with \\?\ (\\?\UNC\ for \\server\share).
// Shorter and relative paths are only widened. A path already in \\?\ form is
// left as it is.
std::wstring LongPathW(const std::string& path);
// The same for a path already in UTF-16.
std::wstring LongPathW(std::wstring path);

// One folder listing straight from the system, for walkers that list many
// folders: names stay UTF-16 (no conversion per name), "." and ".." are
// skipped, and the reparse tag of links comes with the entry. The pattern
// ("C:\dir\*") is used as given: widen it with LongPathW. Lists with the
// basic information level and large fetches, or the standard level where the
// system lacks those. A pattern that cannot be listed gives no entry.
class FolderListing {
 public:
  explicit FolderListing(const std::wstring& pattern, bool foldersOnly = false);
  FolderListing(FolderListing&&) noexcept = default;
  FolderListing& operator=(FolderListing&&) noexcept = default;
  FolderListing(const FolderListing&) = delete;
  FolderListing& operator=(const FolderListing&) = delete;

  // Moves to the next entry (the first on the first call); false at the end.
  bool Next();

  const WIN32_FIND_DATAW& data() const { return fd_; }
  std::wstring_view name() const { return fd_.cFileName; }
  DWORD attributes() const { return fd_.dwFileAttributes; }
  bool isFolder() const { return (fd_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  std::uint64_t size() const { return (std::uint64_t(fd_.nFileSizeHigh) << 32) | fd_.nFileSizeLow; }
  // The last write as one number (a FILETIME's two halves).
  std::uint64_t written() const {
    return (std::uint64_t(fd_.ftLastWriteTime.dwHighDateTime) << 32) | fd_.ftLastWriteTime.dwLowDateTime;
  }
  std::uint64_t accessed() const {
    return (std::uint64_t(fd_.ftLastAccessTime.dwHighDateTime) << 32) | fd_.ftLastAccessTime.dwLowDateTime;
  }
  // The reparse tag of a junction, link or other reparse point; 0 otherwise.
  DWORD reparseTag() const { return (fd_.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? fd_.dwReserved0 : 0; }

 private:
  bool Wanted() const;

  FindHandle handle_;
  WIN32_FIND_DATAW fd_{};
  bool pending_ = false;  // fd_ holds the first entry, not yet given
  bool foldersOnly_ = false;
};

struct DirEntry {
  std::string name;  // the name alone, as stored on disk
  DWORD attributes = 0;
  std::uint64_t size = 0;
  FILETIME created{}, accessed{}, written{};
  DWORD reparseTag = 0;  // of a reparse point, as the listing gives it; 0 otherwise

  bool isFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  bool isHidden() const { return (attributes & FILE_ATTRIBUTE_HIDDEN) != 0; }
  bool isSystem() const { return (attributes & FILE_ATTRIBUTE_SYSTEM) != 0; }
  // Junctions and symbolic links: callers decide whether to descend.
  bool isReparsePoint() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
};

// One listing of a pattern such as "C:\dir\*" or "C:\dir\*.tmp", read entry by
// entry with range-for, in UTF-8 (a FolderListing underneath); "." and ".."
// are skipped and every other entry is given, hidden and system ones included. A pattern that cannot be listed (a
// missing folder, no match) yields nothing. Single pass: iterating again goes
// on where the last loop stopped. Move-only; moving invalidates iterators.
class DirectoryListing {
 public:
  // foldersOnly asks the system to limit the listing to folders (a hint the
  // file system may ignore) and filters out everything else in any case.
  explicit DirectoryListing(const std::string& pattern, bool foldersOnly = false);
  DirectoryListing(DirectoryListing&&) noexcept = default;
  DirectoryListing& operator=(DirectoryListing&&) noexcept = default;
  DirectoryListing(const DirectoryListing&) = delete;
  DirectoryListing& operator=(const DirectoryListing&) = delete;

  class iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = DirEntry;
    using difference_type = std::ptrdiff_t;
    using pointer = const DirEntry*;
    using reference = const DirEntry&;

    iterator() = default;
    reference operator*() const { return owner_->current_; }
    pointer operator->() const { return &owner_->current_; }
    iterator& operator++() {
      if (!owner_->Advance()) owner_ = nullptr;
      return *this;
    }
    bool operator==(const iterator& o) const { return owner_ == o.owner_; }
    bool operator!=(const iterator& o) const { return owner_ != o.owner_; }

   private:
    friend class DirectoryListing;
    explicit iterator(DirectoryListing* owner) : owner_(owner) {}
    DirectoryListing* owner_ = nullptr;
  };

  iterator begin() { return iterator(hasCurrent_ ? this : nullptr); }
  iterator end() { return iterator(); }

 private:
  // Moves to the next wanted entry; false (and the handle closed) at the end.
  bool Advance();

  FolderListing listing_;
  DirEntry current_;
  bool hasCurrent_ = false;
  bool foldersOnly_ = false;
};

// The directory entry of one existing file or folder (a drive root gives its
// attributes and times under the name "X:\"); nullopt when it does not exist
// or the path holds a wildcard.
std::optional<DirEntry> FindEntry(const std::string& path);

bool FileExists(const std::string& path);    // exists and is not a folder
bool FolderExists(const std::string& path);  // exists and is a folder; a trailing "\" is allowed

std::optional<DWORD> FileAttributes(const std::string& path);

// Present when the system reports attributes (a file or a folder), Missing
// only for "file not found" or "path not found", Unknown for anything else.
PathState ProbePath(const std::string& path);

// ProbePath for one scan, with the stricter rule that a path is Missing only
// when its root (drive or share) answers: an unmapped letter also says "path
// not found". Each root is asked once for the life of the object.
class PathProber {
 public:
  PathState operator()(const std::string& path);

 private:
  std::unordered_map<std::string, bool> rootReadable_;
};
bool SetFileAttrs(const std::string& path, DWORD attributes);

// Times of a file or folder; any pointer may be null.
bool ReadFileTimes(const std::string& path, FILETIME* created, FILETIME* accessed, FILETIME* written);
// Sets the given times; a null pointer leaves that time as it is.
bool WriteFileTimes(const std::string& path, const FILETIME* created, const FILETIME* accessed,
                    const FILETIME* written);

// Path text helpers; "\" is the only separator they look at (and ":" for the
// drive part).
std::string IncludeTrailingBackslash(std::string path);
std::string ExcludeTrailingBackslash(std::string path);
std::string ExtractFilePath(const std::string& path);  // up to and including the last "\" or ":"
std::string ExtractFileName(const std::string& path);  // after the last "\" or ":"
std::string ExtractFileExt(const std::string& path);   // from the last "." of the name, dot included

// The whole file, byte for byte; nullopt when it cannot be opened or read.
std::optional<std::string> ReadTextFile(const std::string& path);

// Writes the content to a temporary name beside the file, flushes it and moves
// it over the file in one step (MoveFileExW, replace existing, write through).
// On failure the old file stays as it was and the temporary file is removed.
bool WriteFileAtomically(const std::string& path, std::string_view content);

// Appends the text to the file, creating it when absent. Throws
// std::runtime_error naming the file on any input/output error.
void AppendToFile(const std::string& path, std::string_view text);

// Creates every missing folder of the path; true when the folder exists afterwards.
bool CreateFolderPath(const std::string& path);

// The process's current folder (no trailing "\" except for a drive root).
std::string CurrentFolder();

}  // namespace velmora
