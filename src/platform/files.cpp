#include "platform/files.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "platform/text.h"

namespace velmora {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveAbsolute(const std::wstring& p) {
  return p.size() >= 3 && ((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z')) &&
         p[1] == L':' && IsSeparator(p[2]);
}

bool IsUnc(const std::wstring& p) {
  return p.size() >= 3 && IsSeparator(p[0]) && IsSeparator(p[1]) && p[2] != L'?' && p[2] != L'.';
}

bool IsPrefixed(const std::wstring& p) { return p.rfind(L"\\\\?\\", 0) == 0 || p.rfind(L"\\\\.\\", 0) == 0; }

// The path in \\?\ form when it is absolute and at least `threshold` long.
// Folder creation needs a lower threshold than files: CreateDirectoryW without
// the prefix refuses paths that leave no room for an 8.3 name (MAX_PATH - 12).
std::wstring ExtendedPathW(std::wstring w, size_t threshold) {
  if (w.size() < threshold || IsPrefixed(w) || !(IsDriveAbsolute(w) || IsUnc(w))) return w;
  // The prefix turns off the system's own normalisation; do it here so the
  // path means what it would have meant without it.
  std::vector<wchar_t> buf(w.size() + 16);
  for (;;) {
    const DWORD n = GetFullPathNameW(w.c_str(), DWORD(buf.size()), buf.data(), nullptr);
    if (n == 0) break;  // keep the path as given
    if (n < buf.size()) {
      w.assign(buf.data(), n);
      break;
    }
    buf.resize(n + 1);
  }
  if (IsUnc(w)) return L"\\\\?\\UNC\\" + w.substr(2);
  return L"\\\\?\\" + w;
}

DirEntry EntryFrom(const WIN32_FIND_DATAW& fd) {
  DirEntry e;
  e.name = Narrow(fd.cFileName);
  e.attributes = fd.dwFileAttributes;
  e.size = (std::uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
  e.created = fd.ftCreationTime;
  e.accessed = fd.ftLastAccessTime;
  e.written = fd.ftLastWriteTime;
  e.reparseTag = (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? fd.dwReserved0 : 0;
  return e;
}

bool IsDotName(const wchar_t* n) { return n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0)); }

bool HasWildcard(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

bool IsDriveRootText(const std::string& p) {
  return p.size() == 3 && p[1] == ':' && (p[2] == '\\' || p[2] == '/');
}

bool WriteAll(HANDLE h, std::string_view data) {
  while (!data.empty()) {
    const DWORD chunk = DWORD(std::min<size_t>(data.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(h, data.data(), chunk, &written, nullptr) || written == 0) return false;
    data.remove_prefix(written);
  }
  return true;
}

std::string ErrorSuffix(DWORD code) { return " (" + SystemErrorText(code) + ")"; }

}  // namespace

std::wstring LongPathW(const std::string& path) { return ExtendedPathW(Widen(path), MAX_PATH); }
std::wstring LongPathW(std::wstring path) { return ExtendedPathW(std::move(path), MAX_PATH); }

// ---- FolderListing ---------------------------------------------------------

FolderListing::FolderListing(const std::wstring& pattern, bool foldersOnly) : foldersOnly_(foldersOnly) {
  if (pattern.empty()) return;
  // Basic info skips the 8.3 name; large fetch asks for bigger directory reads.
  const FINDEX_SEARCH_OPS search = foldersOnly ? FindExSearchLimitToDirectories : FindExSearchNameMatch;
  handle_.reset(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &fd_, search, nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (!handle_ && GetLastError() == ERROR_INVALID_PARAMETER)  // systems before Windows 7 know neither
    handle_.reset(FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &fd_, search, nullptr, 0));
  pending_ = bool(handle_);
}

bool FolderListing::Wanted() const {
  if (IsDotName(fd_.cFileName)) return false;
  return !foldersOnly_ || (fd_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderListing::Next() {
  if (pending_) {
    pending_ = false;
    if (Wanted()) return true;
  }
  while (handle_) {
    if (!FindNextFileW(handle_.get(), &fd_)) {
      handle_.reset();
      return false;
    }
    if (Wanted()) return true;
  }
  return false;
}

// ---- DirectoryListing ------------------------------------------------------

DirectoryListing::DirectoryListing(const std::string& pattern, bool foldersOnly)
    : listing_(pattern.empty() ? std::wstring() : LongPathW(pattern), foldersOnly) {
  hasCurrent_ = Advance();
}

bool DirectoryListing::Advance() {
  hasCurrent_ = listing_.Next();
  if (hasCurrent_) current_ = EntryFrom(listing_.data());
  return hasCurrent_;
}

// ---- single entries --------------------------------------------------------

std::optional<DirEntry> FindEntry(const std::string& path) {
  if (path.empty() || HasWildcard(path)) return std::nullopt;
  if (IsDriveRootText(path)) {
    // A root has no directory entry of its own; its attributes and times do.
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    DirEntry e;
    e.name = path;
    e.attributes = data.dwFileAttributes;
    e.created = data.ftCreationTime;
    e.accessed = data.ftLastAccessTime;
    e.written = data.ftLastWriteTime;
    return e;
  }
  std::string p = path;
  while (p.size() > 1 && (p.back() == '\\' || p.back() == '/')) p.pop_back();
  WIN32_FIND_DATAW fd{};
  FindHandle h(FindFirstFileExW(LongPathW(p).c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr, 0));
  if (!h) return std::nullopt;
  return EntryFrom(fd);
}

std::optional<DWORD> FileAttributes(const std::string& path) {
  const DWORD a = GetFileAttributesW(LongPathW(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return a;
}

PathState ProbePath(const std::string& path) {
  if (GetFileAttributesW(LongPathW(path).c_str()) != INVALID_FILE_ATTRIBUTES) return PathState::Present;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PathState::Missing : PathState::Unknown;
}

PathState PathProber::operator()(const std::string& path) {
  const PathState state = ProbePath(path);
  if (state != PathState::Missing) return state;
  const std::string root = PathRoot(path);
  if (root.empty()) return PathState::Unknown;
  auto it = rootReadable_.find(UpperCase(root));
  if (it == rootReadable_.end()) it = rootReadable_.emplace(UpperCase(root), ProbePath(root) == PathState::Present).first;
  return it->second ? PathState::Missing : PathState::Unknown;
}

bool FileExists(const std::string& path) {
  const auto a = FileAttributes(path);
  return a && !(*a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
  if (path.empty()) return false;
  const auto a = FileAttributes(path);
  return a && (*a & FILE_ATTRIBUTE_DIRECTORY);
}

bool SetFileAttrs(const std::string& path, DWORD attributes) {
  return SetFileAttributesW(LongPathW(path).c_str(), attributes) != 0;
}

bool ReadFileTimes(const std::string& path, FILETIME* created, FILETIME* accessed, FILETIME* written) {
  // Read from the directory entry: no handle is opened, so the last-access
  // time is not touched by asking.
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(LongPathW(path).c_str(), GetFileExInfoStandard, &data)) return false;
  if (created) *created = data.ftCreationTime;
  if (accessed) *accessed = data.ftLastAccessTime;
  if (written) *written = data.ftLastWriteTime;
  return true;
}

bool WriteFileTimes(const std::string& path, const FILETIME* created, const FILETIME* accessed,
                    const FILETIME* written) {
  // Backup semantics so folders can be opened too; only the attribute right
  // is asked for, so a read-only file's times can still be set.
  FileHandle h(CreateFileW(LongPathW(path).c_str(), FILE_WRITE_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h) return false;
  return SetFileTime(h.get(), created, accessed, written) != 0;
}

// ---- path text -------------------------------------------------------------

std::string IncludeTrailingBackslash(std::string path) {
  if (path.empty() || path.back() != '\\') path += '\\';
  return path;
}

std::string ExcludeTrailingBackslash(std::string path) {
  if (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

std::string ExtractFilePath(const std::string& path) {
  const size_t i = path.find_last_of("\\:");
  return i == std::string::npos ? std::string() : path.substr(0, i + 1);
}

std::string ExtractFileName(const std::string& path) {
  const size_t i = path.find_last_of("\\:");
  return i == std::string::npos ? path : path.substr(i + 1);
}

std::string ExtractFileExt(const std::string& path) {
  const size_t i = path.find_last_of(".\\:");
  if (i == std::string::npos || path[i] != '.') return std::string();
  return path.substr(i);
}

// ---- whole files -----------------------------------------------------------

std::optional<std::string> ReadTextFile(const std::string& path) {
  FileHandle h(CreateFileW(LongPathW(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!h) return std::nullopt;
  std::string out;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(h.get(), &size) && size.QuadPart > 0) out.reserve(size_t(size.QuadPart));
  std::vector<char> buf(1 << 16);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(h.get(), buf.data(), DWORD(buf.size()), &got, nullptr)) return std::nullopt;
    if (got == 0) break;
    out.append(buf.data(), got);
  }
  return out;
}

bool WriteFileAtomically(const std::string& path, std::string_view content) {
  static LONG counter = 0;
  const std::string temp = path + "." + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(InterlockedIncrement(&counter)) + ".tmp";
  const std::wstring wtemp = LongPathW(temp);
  {
    FileHandle h(CreateFileW(wtemp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return false;
    if (!WriteAll(h.get(), content) || !FlushFileBuffers(h.get())) {
      h.reset();
      DeleteFileW(wtemp.c_str());
      return false;
    }
  }
  if (!MoveFileExW(wtemp.c_str(), LongPathW(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(wtemp.c_str());
    return false;
  }
  return true;
}

void AppendToFile(const std::string& path, std::string_view text) {
  // Append-only access: every write lands at the end even if another process
  // appends to the same log between our calls.
  FileHandle h(CreateFileW(LongPathW(path).c_str(), FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h) throw std::runtime_error("Cannot open " + path + " for appending" + ErrorSuffix(GetLastError()));
  if (!WriteAll(h.get(), text))
    throw std::runtime_error("Cannot write to " + path + ErrorSuffix(GetLastError()));
  if (!CloseHandle(h.release())) throw std::runtime_error("Cannot close " + path + ErrorSuffix(GetLastError()));
}

bool CreateFolderPath(const std::string& path) {
  if (path.empty()) return false;
  std::string p = ExcludeTrailingBackslash(path);
  // Work on the plain form; long parts get the prefix back when created.
  if (p.rfind("\\\\?\\UNC\\", 0) == 0)
    p = "\\\\" + p.substr(8);
  else if (p.rfind("\\\\?\\", 0) == 0)
    p = p.substr(4);
  if (FolderExists(p)) return true;
  // Skip the root: "X:\" or "\\server\share\"; each later "\" ends a folder.
  size_t start = 0;
  if (p.size() >= 2 && p[1] == ':') {
    start = 3;
  } else if (p.rfind("\\\\", 0) == 0) {
    const size_t server = p.find('\\', 2);
    const size_t share = server == std::string::npos ? server : p.find('\\', server + 1);
    if (share == std::string::npos) return FolderExists(p);
    start = share + 1;
  }
  for (size_t i = start; i <= p.size(); ++i) {
    if (i != p.size() && p[i] != '\\') continue;
    const std::string part = p.substr(0, i);
    if (part.empty() || FolderExists(part)) continue;
    if (!CreateDirectoryW(ExtendedPathW(Widen(part), MAX_PATH - 12).c_str(), nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS)
      return false;
  }
  return FolderExists(p);
}

std::string CurrentFolder() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    const DWORD n = GetCurrentDirectoryW(DWORD(buf.size()), buf.data());
    if (n == 0) return std::string();
    if (n < buf.size()) return Narrow(std::wstring_view(buf.data(), n));
    buf.resize(n);  // n is the size needed, terminator included
  }
}

}  // namespace velmora
