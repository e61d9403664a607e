#include "platform/shell_fileop.h"

#include <stdexcept>

#include "platform/files.h"
#include "platform/text.h"

namespace velmora {

namespace {

bool PathTaken(const std::string& path, const std::vector<std::string>& chosen) {
  if (FileAttributes(path)) return true;
  for (const std::string& c : chosen)
    if (EqualNoCase(c, path)) return true;
  return false;
}

// "name (2).ext", "name (3).ext", ...: the first name free in the folder and
// not already chosen for an earlier source of the same operation.
std::string FreeName(const std::string& folder, const std::string& name, const std::vector<std::string>& chosen) {
  const std::string ext = ExtractFileExt(name);
  const std::string base = name.substr(0, name.size() - ext.size());
  for (int n = 2;; ++n) {
    const std::string candidate = folder + base + " (" + std::to_string(n) + ")" + ext;
    if (!PathTaken(candidate, chosen)) return candidate;
  }
}

// Wine's shell (checked with Wine 8) ignores FOF_RENAMEONCOLLISION on move and
// copy: with FOF_NOCONFIRMATION it silently overwrites the file already there.
// So when a source would land on a name that is taken, every source gets an
// explicit target (FOF_MULTIDESTFILES) and the colliding ones a free name, the
// form Windows itself uses. Nothing changes when no name collides.
std::vector<std::string> CollisionFreeTargets(const std::vector<std::string>& sources,
                                              const std::string& destination) {
  const std::string folder = IncludeTrailingBackslash(destination);
  std::vector<std::string> targets;
  bool collided = false;
  for (const std::string& source : sources) {
    const std::string name = ExtractFileName(ExcludeTrailingBackslash(source));
    std::string target = folder + name;
    if (PathTaken(target, targets)) {
      target = FreeName(folder, name, targets);
      collided = true;
    }
    targets.push_back(target);
  }
  if (!collided) targets.clear();
  return targets;
}

bool AnyWildcard(const std::vector<std::string>& paths) {
  for (const std::string& p : paths)
    if (p.find_first_of("*?") != std::string::npos) return true;
  return false;
}

}  // namespace

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
  std::wstring to = destination.empty() ? std::wstring() : DoubleZeroList({destination});
  if (kind != FileOpKind::Delete && (flags & FOF_RENAMEONCOLLISION) && !(flags & FOF_MULTIDESTFILES) &&
      !destination.empty() && FolderExists(destination) && !AnyWildcard(sources)) {
    const std::vector<std::string> targets = CollisionFreeTargets(sources, destination);
    if (!targets.empty()) {
      to = DoubleZeroList(targets);
      flags |= FOF_MULTIDESTFILES;
    }
  }
  const std::wstring title = Widen(progressTitle);

  SHFILEOPSTRUCTW op{};
  op.hwnd = owner;
  op.wFunc = kind == FileOpKind::Delete ? FO_DELETE : kind == FileOpKind::Move ? FO_MOVE : FO_COPY;
  op.pFrom = from.c_str();
  op.pTo = to.empty() ? nullptr : to.c_str();
  // Never the shell's own boxes: an access denied or a too-long path inside a
  // scheduled run would wait on one for ever. Failures come back in the code
  // and are reported by the caller's own messages or log lines.
  op.fFlags = flags | FOF_NOERRORUI | FOF_SILENT;
  if (!title.empty()) {
    op.fFlags |= FOF_SIMPLEPROGRESS;
    op.lpszProgressTitle = title.c_str();
  }
  result.code = SHFileOperationW(&op);
  result.aborted = op.fAnyOperationsAborted != FALSE;
  return result;
}

}  // namespace velmora
