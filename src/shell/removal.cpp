#include "shell/removal.h"

#include <string>

#include "platform/file_facts.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "ui/app.h"
#include "shell/quiet_run.h"
#include "ui/dialogs.h"

namespace velmora::shell {

namespace {

constexpr std::uint64_t kMegabyte = 1024 * 1024;
constexpr std::uint64_t kGigabyte = 1024 * kMegabyte;

// The recycle bin's own settings for a volume ("{GUID}" below BitBucket\Volume).
std::optional<DWORD> BinSetting(const std::string& root, const char* name) {
  wchar_t volume[MAX_PATH + 1] = {};
  if (!GetVolumeNameForVolumeMountPointW(Widen(root).c_str(), volume, MAX_PATH)) return std::nullopt;
  const std::string v = Narrow(volume);
  const std::size_t open = v.find('{'), close = v.find('}');
  if (open == std::string::npos || close == std::string::npos) return std::nullopt;
  const std::string key = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\BitBucket\\Volume\\" +
                          v.substr(open, close - open + 1);
  try {
    const RegKey k = RegKey::Open(HKEY_CURRENT_USER, key);
    if (!k) return std::nullopt;
    const auto value = k.ReadDword(name);
    if (!value) return std::nullopt;
    return DWORD(*value);
  } catch (const RegistryError&) {
    return std::nullopt;
  }
}

}  // namespace

std::optional<FileNow> LookAtFile(const std::string& path, bool exclusive, bool* inUse) {
  if (inUse) *inUse = false;
  // Asking for attributes only opens even a file another program holds with
  // no sharing; the exclusive look is FileIsLocked's test in the same opening.
  FileHandle h(CreateFileW(LongPathW(path).c_str(), exclusive ? GENERIC_WRITE | FILE_READ_ATTRIBUTES : FILE_READ_ATTRIBUTES,
                           exclusive ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!h) {
    const DWORD error = GetLastError();
    if (inUse && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) *inUse = true;
    return std::nullopt;
  }
  // The cheap levels, not GetFileInformationByHandle: that one asks the volume
  // for every file (half a millisecond each under Wine).
  const auto info = FactsOfOpenFile(h.get());
  if (!info || (info->attributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
  // Read-only counts as in use, as for FileIsLocked (Windows refuses it the writing).
  if (exclusive && (info->attributes & FILE_ATTRIBUTE_READONLY)) {
    if (inUse) *inUse = true;
    return std::nullopt;
  }
  FileNow now;
  now.size = info->size;
  now.written = info->written;
  now.identity.volume = VolumeFactsOf(path).serial;
  now.identity.index = info->index;
  return now;
}

RecycleBin RecycleBinOf(const std::string& path) {
  RecycleBin bin;
  bin.root = VolumeRootOf(path);
  if (bin.root.empty() || bin.root[0] == '\\') {
    bin.refusal = "a network share has no recycle bin";
    return bin;
  }
  // Fixed disks have one; removable, optical and network drives have none.
  // (Asking the bin itself, SHQueryRecycleBinW, counts everything in it: slow
  // on a full bin.)
  const std::wstring root = Widen(bin.root);
  if (GetDriveTypeW(root.c_str()) != DRIVE_FIXED) {
    bin.refusal = "its drive " + bin.root + " has no recycle bin";
    return bin;
  }
  if (BinSetting(bin.root, "NukeOnDelete").value_or(0) != 0) {
    bin.refusal = "the recycle bin of drive " + bin.root + " is switched off";
    return bin;
  }
  // The bin's size: the user's setting, else the system's default of a tenth
  // of the first 40 GB of the volume and a twentieth of the rest.
  if (const auto mb = BinSetting(bin.root, "MaxCapacity")) {
    bin.capacity = std::uint64_t(*mb) * kMegabyte;
  } else {
    ULARGE_INTEGER total{};
    if (GetDiskFreeSpaceExW(root.c_str(), nullptr, &total, nullptr)) {
      const std::uint64_t t = total.QuadPart, first = 40 * kGigabyte;
      bin.capacity = t <= first ? t / 10 : first / 10 + (t - first) / 20;
    }
  }
  return bin;
}

std::string RecycleBin::Refusal(std::uint64_t size) const {
  if (!refusal.empty()) return refusal;
  if (capacity && size > capacity) return "it is larger than the recycle bin of drive " + root + " holds";
  return {};
}

std::string RecycleBinRefusal(const std::string& path, std::uint64_t size) { return RecycleBinOf(path).Refusal(size); }

std::string RecycleLine(const std::string& path) { return "  Moving to recycle bin: " + path; }
std::string DeleteLine(const std::string& path) { return "  Permanently deleting: " + path; }
std::string NotRemovedLine(const std::string& path) { return "  Unable to remove \"" + path + "\"."; }
std::string ChangedLine(const std::string& path) {
  return "  Unable to remove \"" + path + "\".  It changed since it was listed; it was left in place.";
}
std::string GoneLine(const std::string& path) {
  return "  Unable to remove \"" + path + "\".  It is no longer there.";
}
std::string NoMoveFolderLine(const std::string& folder) {
  return "  Nothing was moved: the folder to move removed files to, \"" + folder + "\", does not exist.";
}
std::string NoRecycleBinLine(const std::string& path, const std::string& reason) {
  return "  Unable to remove \"" + path + "\".  It cannot go to the recycle bin (" + reason +
         "); it was left in place.";
}
std::string DeclinedLine(const std::string& path, const std::string& reason) {
  return "  Not removed: \"" + path + "\".  It cannot go to the recycle bin (" + reason +
         ") and deleting it permanently was declined.";
}

TRemovalPage::TRemovalPage(ui::Form& form, ui::TabPage& page, const RemovalTexts& texts, const ToolLog& log,
                           const bool& unattended)
    : grpRemoval(page, {8, 6, 476, 106}, texts.groupCaption ? texts.groupCaption : "Removal Options"),
      imgRecycle(page, {20, 30, 16, 16}),
      imgDelete(page, {20, 54, 16, 16}),
      imgMoveTo(page, {20, 78, 16, 16}),
      optRecycle(page, {42, 28, 300, 20}, texts.recycle, /*groupStart=*/true),
      optDelete(page, {42, 52, 300, 20}, texts.remove),
      optMove(page, {42, 76, texts.moveWidth, 20}, texts.move),
      deMove(page, {44 + texts.moveWidth, 75, 432 - texts.moveWidth, 23}, ui::BrowseKind::Folder, texts.browsePrompt),
      imgConfirm(page, {20, 126, 16, 16}),
      cbConfirm(page, {42, 124, 300, 20}, texts.confirm, true),
      form_(form),
      page_(page),
      texts_(texts),
      log_(log),
      unattended_(unattended) {
  optRecycle.SetChecked(true);
  deMove.allowCreateFolder = true;
  optRecycle.onClick = [this] { optRecycleClick(); };
  optDelete.onClick = [this] { optRecycleClick(); };
  optMove.onClick = [this] { optMoveClick(); };
  imgRecycle.onClick = [this] { optRecycle.SetChecked(true); optRecycleClick(); };
  imgDelete.onClick = [this] { optDelete.SetChecked(true); optRecycleClick(); };
  imgMoveTo.onClick = [this] { optMove.SetChecked(true); optMoveClick(); };
}

void TRemovalPage::StoreIn(ui::FormStorage& storage) {
  storage.Add(deMove, "deMove.Text");
  storage.Add(optDelete, "optDelete.Checked");
  storage.Add(optMove, "optMove.Checked");
  storage.Add(optRecycle, "optRecycle.Checked");
  storage.Add(cbConfirm, "cbConfirm.Checked");
}

void TRemovalPage::FormCreate() {
  Tcommontools& common = commontools();
  const int dpi = form_.dpi();
  imgRecycle.SetPicture(common.SmallAt(SmallPic::Recycle, dpi));
  imgDelete.SetPicture(common.SmallAt(SmallPic::Delete, dpi));
  imgMoveTo.SetPicture(common.SmallAt(SmallPic::MoveTo, dpi));
  imgConfirm.SetPicture(common.SmallAt(SmallPic::Confirm, dpi));
  deMove.SetEnabled(optMove.checked());
}

void TRemovalPage::GuardPageChanges(ui::TabControl& tabs) {
  lastPage_ = tabs.activePageIndex();
  tabs.onChange = [this, &tabs] {
    if (pageGuard_) return;
    if (!PageControl1Changing(lastPage_)) {
      // Refused: back to the page being left.
      pageGuard_ = true;
      tabs.SetActivePageIndex(lastPage_);
      pageGuard_ = false;
      if (!texts_.browseOnRefusal) {
        deMove.SetFocus();
        deMove.SelectAll();
      }
      return;
    }
    lastPage_ = tabs.activePageIndex();
  };
}

RemovalKind TRemovalPage::kind() const {
  if (optMove.checked()) return RemovalKind::Move;
  if (optDelete.checked()) return RemovalKind::Delete;
  return RemovalKind::Recycle;
}

void TRemovalPage::optRecycleClick() { deMove.SetEnabled(optMove.checked()); }

void TRemovalPage::optMoveClick() {
  if (!FolderExists(deMove.text())) deMove.Browse();
  deMove.SetEnabled(optMove.checked());
}

bool TRemovalPage::PageControl1Changing(int leaving) {
  if (leaving != page_.index() || !optMove.checked() || FolderExists(deMove.text())) return true;
  ui::ShowMessage(kMoveFolderMessage, "Velmora", ui::MsgIcon::Information, form_.handle());
  if (texts_.browseOnRefusal) deMove.Browse();
  return false;
}

bool TRemovalPage::BeginCommand() {
  // The way and the folder hold for the whole command (and reading the
  // folder's box for every file was a third of a removal's time).
  commandKind_ = kind();
  commandFolder_ = deMove.text();
  moveFolderSaid_ = false;
  deleteInstead_.reset();
  bins_.clear();
  return !MoveFolderMissing();
}

// Said once per command: in a window by the page's own message, unattended in the log.
bool TRemovalPage::MoveFolderMissing() {
  if (commandKind_ != RemovalKind::Move || FolderExists(commandFolder_)) return false;
  if (!moveFolderSaid_) {
    moveFolderSaid_ = true;
    log_.Line(NoMoveFolderLine(commandFolder_));
    if (!unattended_) ui::ShowMessage(kMoveFolderMessage, "Velmora", ui::MsgIcon::Information, form_.handle());
    // Unattended, a removal that could not be made fails the run: it is tried
    // again at its next slot, and its "Last Run" does not claim it was done.
    if (unattended_) NoteRunFailure(NoMoveFolderLine(commandFolder_).substr(2));
  }
  return true;
}

RemovalResult TRemovalPage::Remove(const ListedFile& file) {
  const std::string& path = file.path;
  bool inUse = false;
  const auto now = LookAtFile(path, texts_.inUseCheck, &inUse);
  if (inUse) return {RemovalStatus::InUse};  // the tool says so in its own words
  if (!now) {
    log_.Line(GoneLine(path));
    return {RemovalStatus::Gone};
  }
  if (now->size != file.size || CompareFileTime(&now->written, &file.written) != 0 ||
      (file.identity && !(*file.identity == now->identity))) {
    log_.Line(ChangedLine(path));
    return {RemovalStatus::Changed};
  }
  RemovalKind kind = commandKind_;
  if (kind == RemovalKind::Move && MoveFolderMissing()) return {RemovalStatus::NoMoveFolder};
  if (kind == RemovalKind::Recycle) {
    // One look at each drive's bin per command.
    const std::string root = VolumeRootOf(path);
    auto bin = bins_.find(root);
    if (bin == bins_.end()) bin = bins_.emplace(root, RecycleBinOf(path)).first;
    const std::string refusal = bin->second.Refusal(now->size);
    if (!refusal.empty()) {
      if (unattended_) {
        log_.Line(NoRecycleBinLine(path, refusal));
        NoteRunFailure(NoRecycleBinLine(path, refusal).substr(2));
        return {RemovalStatus::NoRecycleBin};
      }
      if (!deleteInstead_) {
        const std::string question = "\"" + path + "\" cannot go to the recycle bin: " + refusal +
                                     ".\r\n\r\nDelete it permanently instead?  The answer holds for every file of "
                                     "this removal that the recycle bin cannot take.";
        deleteInstead_ = ui::dialogs().Message(form_.handle(), question, "Please confirm", ui::MsgButtons::YesNo,
                                               ui::MsgIcon::Warning) == ui::MsgResult::Yes;
      }
      if (!*deleteInstead_) {
        log_.Line(DeclinedLine(path, refusal));
        return {RemovalStatus::NoRecycleBin};
      }
      kind = RemovalKind::Delete;
    }
  }
  return Perform(path, now->identity, kind);
}

RemovalResult TRemovalPage::Perform(const std::string& path, const FileIdentity& identity, RemovalKind kind) {
  const std::string& folder = commandFolder_;
  // Done when the file left its path, whatever the shell answered (a file of
  // another letter case beside it may still answer to the name).
  RemoveOneFile(kind, path, folder);
  const auto after = LookAtFile(path);
  if (after && after->identity == identity) {
    log_.Line(NotRemovedLine(path));
    return {RemovalStatus::Failed};
  }
  switch (kind) {
    case RemovalKind::Move: log_.Line(texts_.moveLine(path, folder)); break;
    case RemovalKind::Delete: log_.Line(DeleteLine(path)); break;
    case RemovalKind::Recycle: log_.Line(RecycleLine(path)); break;
  }
  return {RemovalStatus::Removed, kind};
}

}  // namespace velmora::shell
