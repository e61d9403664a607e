// The Removal page shared by the file tools (the junk cleaner and the shortcut
// finder): its controls, pictures, stored values and page-leave check, and the
// one call that removes a listed file.
//
// The call looks again before it acts: the file at the path must still be the
// one listed (size, last write, and the file identity where the list took
// it); a move needs its folder to exist and be a folder at that moment; a
// recycle needs a recycle bin that takes the file, and otherwise asks in a
// window before deleting for good (an unattended run leaves the file). The log
// says what really happened, and only a file that left its path counts.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include <windows.h>

#include "shell/commontools.h"
#include "shell/tool_log.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/form_storage.h"

namespace velmora::shell {

// Which file this is on its volume: two paths of one file (a hard link, a
// short name) give the same identity, a file put in another's place a new one.
struct FileIdentity {
  unsigned long volume = 0;
  std::uint64_t index = 0;
  bool operator==(const FileIdentity& o) const { return volume == o.volume && index == o.index; }
};

// What a list knew of a file when it listed it.
struct ListedFile {
  std::string path;  // exact, as found
  std::uint64_t size = 0;
  FILETIME written{};
  std::optional<FileIdentity> identity;  // where the list took it
};

// What the file at a path is now, from one opening; nullopt when there is none
// (or it is a folder). With `exclusive` it is opened for writing with no
// sharing, and `inUse` says when that failed although the file is there (held
// by another program, or read-only: FileIsLocked's test).
struct FileNow {
  std::uint64_t size = 0;
  FILETIME written{};
  FileIdentity identity;
};
std::optional<FileNow> LookAtFile(const std::string& path, bool exclusive = false, bool* inUse = nullptr);

// The recycle bin of a path's drive: none (a share, a drive that is not a
// fixed disk, a bin switched off) or its size.
struct RecycleBin {
  std::string root;     // "X:\"; empty for a share
  std::string refusal;  // why there is no bin; empty when there is one
  std::uint64_t capacity = 0;  // bytes; 0 when unknown (no limit applied)
  // Why a file of that size cannot go there; empty when it can.
  std::string Refusal(std::uint64_t size) const;
};
RecycleBin RecycleBinOf(const std::string& path);
// Why a file of that size at that path cannot go to the recycle bin; empty when it can.
std::string RecycleBinRefusal(const std::string& path, std::uint64_t size);

// Captions and the texts that differ between the tools.
struct RemovalTexts {
  const char* recycle;       // "&Move removed files to recycle bin"
  const char* remove;        // "&Permanently delete removed files"
  const char* move;          // "M&ove removed files to:"
  const char* confirm;       // "&Confirm before removing files"
  const char* browsePrompt;  // the move folder's dialog
  int moveWidth;             // of the move option's caption
  // The log line of a moved file.
  std::string (*moveLine)(const std::string& path, const std::string& folder);
  // Leaving the page with no valid folder: open the folder dialog (else the
  // box takes the focus with its text selected).
  bool browseOnRefusal;
  // A file another program holds (or a read-only one) is left alone as "in
  // use" (RemovalStatus::InUse, not logged here).
  bool inUseCheck;
  // The group's caption; "Removal Options" when not given.
  const char* groupCaption = nullptr;
};

// Log lines.
std::string RecycleLine(const std::string& path);
std::string DeleteLine(const std::string& path);
std::string NotRemovedLine(const std::string& path);  // the shell could not remove it
std::string ChangedLine(const std::string& path);
std::string GoneLine(const std::string& path);
std::string NoMoveFolderLine(const std::string& folder);
std::string NoRecycleBinLine(const std::string& path, const std::string& reason);
std::string DeclinedLine(const std::string& path, const std::string& reason);
inline const char* const kMoveFolderMessage =
    "You must specify a valid folder to move files to if you are going to use this removal option.";

enum class RemovalStatus {
  Removed,      // it left its path the way `done` says
  Changed,      // another file, or this one changed, since it was listed
  Gone,         // nothing at the path any more
  NoMoveFolder, // the move folder is missing or not a folder: nothing moves
  NoRecycleBin, // unattended, or permanent deletion declined: it stays
  Failed,       // the shell did not remove it
  InUse,        // with RemovalTexts::inUseCheck: held by another program or read-only
};
struct RemovalResult {
  RemovalStatus status = RemovalStatus::Failed;
  RemovalKind done = RemovalKind::Recycle;
  bool removed() const { return status == RemovalStatus::Removed; }
};

class TRemovalPage {
 public:
  // Builds the page's controls on `page`; `unattended` is the window's
  // ScheduledRun flag (no question is ever asked while it is set).
  TRemovalPage(ui::Form& form, ui::TabPage& page, const RemovalTexts& texts, const ToolLog& log,
               const bool& unattended);

  ui::GroupBox grpRemoval;
  ui::Image imgRecycle, imgDelete, imgMoveTo;
  ui::RadioButton optRecycle, optDelete, optMove;
  ui::EditWithBrowse deMove;
  ui::Image imgConfirm;
  ui::CheckBox cbConfirm;

  // The stored values ("deMove.Text", the three options, "cbConfirm.Checked").
  void StoreIn(ui::FormStorage& storage);
  // At the window's creation: the pictures and the move box's state.
  void FormCreate();
  // Guards leaving the page of the tab control (its onChange).
  void GuardPageChanges(ui::TabControl& tabs);

  RemovalKind kind() const;
  std::string moveFolder() const { return deMove.text(); }

  // Handlers.
  void optRecycleClick();
  void optMoveClick();
  // False refuses leaving the page `leaving` (after saying why).
  bool PageControl1Changing(int leaving);

  // One removal command. Begin takes the way and the move folder for the whole
  // command and says whether it may go on (a move needs its folder, said
  // once); Remove acts on one file and logs what happened.
  bool BeginCommand();
  RemovalResult Remove(const ListedFile& file);

 private:
  bool MoveFolderMissing();
  RemovalResult Perform(const std::string& path, const FileIdentity& identity, RemovalKind kind);

  ui::Form& form_;
  ui::TabPage& page_;
  const RemovalTexts texts_;
  const ToolLog& log_;
  const bool& unattended_;
  int lastPage_ = 0;
  bool pageGuard_ = false;
  // Per command: the way and the move folder as it began; the move folder was
  // said to be missing; the answer to deleting for good what the bin will not
  // take.
  RemovalKind commandKind_ = RemovalKind::Recycle;
  std::string commandFolder_;
  bool moveFolderSaid_ = false;
  std::optional<bool> deleteInstead_;
  std::map<std::string, RecycleBin> bins_;  // by drive root
};

}  // namespace velmora::shell
