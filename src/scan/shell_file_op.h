// TShellFileOp: collects exact file paths and hands them to the shell in one
// operation to recycle, delete or move them.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/text.h"

namespace velmora::scan {

class TShellFileOp {
 public:
  // Options of the shell operation.
  bool FilesOnly = false;          // with a wildcard, act on files only
  bool NoConfirmation = false;     // answer yes to every question of the shell
  bool AutoMakeDir = false;        // create a missing destination folder (move only)
  bool RenameOnCollision = false;  // a moved file whose name exists gets a new name (move only)
  bool Animate = false;            // the shell's progress animation; off means silent
  std::string ProgressTitle;       // when not empty, a simple progress window with this title
  bool ClearOnAdd = false;         // adding a path first empties the list

  // Puts every option back as it was when made: the suite shares one object
  // between its tools, so a tool that changes the options for its own run
  // keeps one of these for that run.
  class KeepOptions {
   public:
    explicit KeepOptions(TShellFileOp& op)
        : op_(op),
          filesOnly_(op.FilesOnly),
          noConfirmation_(op.NoConfirmation),
          autoMakeDir_(op.AutoMakeDir),
          renameOnCollision_(op.RenameOnCollision),
          animate_(op.Animate),
          clearOnAdd_(op.ClearOnAdd),
          progressTitle_(op.ProgressTitle) {}
    ~KeepOptions() {
      op_.FilesOnly = filesOnly_;
      op_.NoConfirmation = noConfirmation_;
      op_.AutoMakeDir = autoMakeDir_;
      op_.RenameOnCollision = renameOnCollision_;
      op_.Animate = animate_;
      op_.ClearOnAdd = clearOnAdd_;
      op_.ProgressTitle = progressTitle_;
    }
    KeepOptions(const KeepOptions&) = delete;
    KeepOptions& operator=(const KeepOptions&) = delete;

   private:
    TShellFileOp& op_;
    bool filesOnly_, noConfirmation_, autoMakeDir_, renameOnCollision_, animate_, clearOnAdd_;
    std::string progressTitle_;
  };

  void AddSource(const std::string& path);
  // The paths in the order they are handed over: sorted without regard to case,
  // each once.
  std::vector<std::string> Sources() const;

  // Each runs one shell operation on the whole list and empties the list,
  // whatever the outcome. True when the shell did all of it: false for an empty
  // list (the shell is not called), a failure, or a part the user cancelled.
  bool RecycleFiles();
  bool DeleteFiles();
  bool MoveFiles(const std::string& destinationFolder);

  // Whether the user cancelled part of the last operation, and the shell's code.
  bool LastAborted() const { return lastAborted_; }
  int LastError() const { return lastError_; }

 private:
  struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const { return CompareNoCase(a, b) < 0; }
  };
  bool Run(bool move, bool allowUndo, const std::string& destination);

  std::set<std::string, NoCaseLess> paths_;
  bool lastAborted_ = false;
  int lastError_ = 0;
};

}  // namespace velmora::scan
