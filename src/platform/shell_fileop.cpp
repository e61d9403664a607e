#include "platform/shell_fileop.h"

#include <stdexcept>

#include "platform/text.h"

namespace velmora {

std::wstring DoubleZeroList(const std::vector<std::string>& paths, bool allowWildcards) {
  std::wstring out;
  for (const std::string& p : paths) {
    if (p.empty()) throw std::invalid_argument("empty path in a shell file operation");
    if (!allowWildcards && p.find_first_of("*?") != std::string::npos)
      throw std::invalid_argument("wildcard in a shell file operation path: " + p);
    const std::wstring w = Widen(p);
    // A zero inside a name would end the list early and act on a shorter name.
    if (w.find(L'\0') != std::wstring::npos) throw std::invalid_argument("zero character in a path");
    out += w;
    out += L'\0';
  }
  out += L'\0';
  return out;
}

ShellFileOpResult RunShellFileOp(FileOpKind kind, const std::vector<std::string>& sources,
                                 const std::string& destination, FILEOP_FLAGS flags,
                                 const std::string& progressTitle, HWND owner, bool allowWildcards) {
  ShellFileOpResult result;
  if (sources.empty()) {
    result.code = -1;
    return result;
  }
  const std::wstring from = DoubleZeroList(sources, allowWildcards);
  // The destination is a list of its own (one folder), double-zero as well.
  const std::wstring to = destination.empty() ? std::wstring() : DoubleZeroList({destination});
  const std::wstring title = Widen(progressTitle);

  SHFILEOPSTRUCTW op{};
  op.hwnd = owner;
  op.wFunc = kind == FileOpKind::Delete ? FO_DELETE : kind == FileOpKind::Move ? FO_MOVE : FO_COPY;
  op.pFrom = from.c_str();
  op.pTo = to.empty() ? nullptr : to.c_str();
  op.fFlags = flags;
  if (!title.empty()) {
    op.fFlags |= FOF_SIMPLEPROGRESS;
    op.lpszProgressTitle = title.c_str();
  }
  result.code = SHFileOperationW(&op);
  result.aborted = op.fAnyOperationsAborted != FALSE;
  return result;
}

}  // namespace velmora
