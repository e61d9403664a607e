// The shell's file operation (SHFileOperationW): recycle, delete, move, copy.
//
// The shell gets exact paths in a double-zero list sized to the data. A path
// holding "*" or "?" is refused unless the caller says the wildcard is meant:
// a name that was mangled into a wildcard must never be acted on.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace velmora {

enum class FileOpKind { Delete, Move, Copy };

// Each path widened and followed by L'\0', then one more L'\0'; the string's
// size() is exactly that. Throws std::invalid_argument for an empty path, and
// for a path holding "*" or "?" unless allowWildcards is true.
std::wstring DoubleZeroList(const std::vector<std::string>& paths, bool allowWildcards = false);

struct ShellFileOpResult {
  int code = 0;          // SHFileOperationW's return value; -1 when nothing was run
  bool aborted = false;  // fAnyOperationsAborted
  bool ok() const { return code == 0 && !aborted; }
};

// One SHFileOperationW call for the whole list. The destination (move, copy)
// is a folder; a non-empty progressTitle adds FOF_SIMPLEPROGRESS with that
// title. An empty source list returns code -1 without calling the shell.
// Throws std::invalid_argument as DoubleZeroList does (sources and destination).
ShellFileOpResult RunShellFileOp(FileOpKind kind, const std::vector<std::string>& sources,
                                 const std::string& destination, FILEOP_FLAGS flags,
                                 const std::string& progressTitle = {}, HWND owner = nullptr,
                                 bool allowWildcards = false);

}  // namespace velmora
