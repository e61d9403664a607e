#include "scan/shell_file_op.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/shell_fileop.h"

namespace velmora::scan {

void TShellFileOp::AddSource(const std::string& path) {
  if (ClearOnAdd) paths_.clear();
  paths_.insert(path);
}

std::vector<std::string> TShellFileOp::Sources() const { return {paths_.begin(), paths_.end()}; }

bool TShellFileOp::RecycleFiles() { return Run(false, true, {}); }
bool TShellFileOp::DeleteFiles() { return Run(false, false, {}); }
bool TShellFileOp::MoveFiles(const std::string& destinationFolder) { return Run(true, false, destinationFolder); }

bool TShellFileOp::Run(bool move, bool allowUndo, const std::string& destination) {
  lastAborted_ = false;
  lastError_ = 0;
  if (paths_.empty()) {
    lastError_ = -1;  // nothing to do: the shell is not called
    return false;
  }
  const std::vector<std::string> sources(paths_.begin(), paths_.end());
  paths_.clear();  // emptied whether or not the shell succeeds

  FILEOP_FLAGS flags = 0;
  if (FilesOnly) flags |= FOF_FILESONLY;
  if (NoConfirmation) flags |= FOF_NOCONFIRMATION;
  if (!Animate) flags |= FOF_SILENT;
  if (allowUndo) flags |= FOF_ALLOWUNDO;
  if (!ProgressTitle.empty()) flags |= FOF_SIMPLEPROGRESS;
  if (move) {
    if (AutoMakeDir) flags |= FOF_NOCONFIRMMKDIR;
    if (RenameOnCollision) flags |= FOF_RENAMEONCOLLISION;
  }
  try {
    const ShellFileOpResult r =
        RunShellFileOp(move ? FileOpKind::Move : FileOpKind::Delete, sources, destination, flags, ProgressTitle);
    lastAborted_ = r.aborted;
    lastError_ = r.code;
    return r.ok();
  } catch (const std::exception&) {
    // A path the shell must not be given (empty, or holding a wildcard).
    lastError_ = -1;
    return false;
  }
}

}  // namespace velmora::scan
