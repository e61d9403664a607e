// TfrmFindDupes: the result list, the removal with its proofs, and the result files.
#include "tools/dupes/frm_dupes.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <exception>
#include <set>

#include "platform/datetime.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/handles.h"
#include "platform/system.h"
#include "platform/text.h"
#include "shell/common_icons.h"
#include "shell/commontools.h"
#include "shell/help.h"
#include "shell/hint.h"
#include "shell/list_functions.h"
#include "shell/utilities.h"
#include "tools/dupes/dupe_lists.h"
#include "tools/dupes/dupe_references.h"
#include "tools/dupes/frm_dupes_internal.h"
#include "ui/dialogs.h"

namespace velmora::dupes {

using namespace form;

// ---- Results ------------------------------------------------------------------------

std::int64_t TfrmFindDupes::NumFiles() const {
  std::int64_t n = 0;
  for (int row = 0; row < FileListView1.itemCount(); ++row) {
    const std::string& t = FileListView1.Caption(row);
    if (!t.empty() && t.find(kGroupHeader) == std::string::npos) ++n;
  }
  return n;
}

void TfrmFindDupes::ShowFoundStatus() { sb.SetText(1, FoundStatusText(FoundBytes, NumFiles())); }
void TfrmFindDupes::ShowRemovedStatus() { sb.SetText(1, RemovedStatusText(RemovedBytes, RemovedFiles)); }

bool TfrmFindDupes::RowIsFile(int row) const {
  if (row < 0 || row >= FileListView1.itemCount()) return false;
  const std::string& t = FileListView1.Caption(row);
  return !t.empty() && t.find(kGroupHeader) == std::string::npos;
}

std::string TfrmFindDupes::SelectedFilePath() const {
  const std::vector<int> sel = FileListView1.SelectedRows();
  if (sel.empty() || !RowIsFile(sel.front())) return "";
  return FileListView1.FilePath(sel.front());
}

void TfrmFindDupes::FileListView1Change() {
  static bool inside = false;
  if (inside) return;
  inside = true;
  int files = 0;
  for (int row : FileListView1.SelectedRows()) {
    if (RowIsFile(row)) ++files;
    else FileListView1.SetSelected(row, false);
  }
  inside = false;
  tb.SetButtonEnabled(kTbDelete, files >= 1);
  tb.SetButtonEnabled(kTbView, files == 1);
  tb.SetButtonEnabled(kTbProperties, files == 1);
  tb.SetButtonEnabled(kTbExclude, files == 1);
  mnuRemoveFiles.SetEnabled(files >= 1);
  mnuViewFile.SetEnabled(files == 1);
  mnuProperties.SetEnabled(files == 1);
  mnuExclude.SetEnabled(files == 1);
}

void TfrmFindDupes::FileListView1Click() {
  const std::string path = SelectedFilePath();
  FileListView1.SetHint(path.empty() ? kReview : path);
}

void TfrmFindDupes::SetToolbarHeight(int height) {
  tb.SetBounds({8, kResultsTop, clientWidth() - 16, height});
  const int top = kResultsTop + height;
  const int bottom = std::max(top + 20, clientHeight() - sb.height() - 6);
  FileListView1.SetBounds({8, top, clientWidth() - 16, bottom - top});
}

void TfrmFindDupes::SelectRow(int row) {
  FileListView1.ClearSelection();
  if (row >= 0 && row < FileListView1.itemCount()) {
    FileListView1.SetSelected(row, true);
    FileListView1.EnsureVisible(row);
  }
  FileListView1Change();
}

int TfrmFindDupes::RowOf(const scan::FileRow* record) const {
  for (int row = 0; row < FileListView1.itemCount(); ++row)
    if (FileListView1.File(row) == record) return row;
  return -1;
}

void TfrmFindDupes::Lv_After_Delete(int start) {
  FileListView1.SetHint(kReview);
  const int n = FileListView1.itemCount();
  if (n == 0) return;
  int header = std::min(std::max(start, 0), n - 1);
  while (header > 0 && FileListView1.Caption(header).find(kGroupHeader) == std::string::npos) --header;
  if (FileListView1.Caption(header).find(kGroupHeader) != std::string::npos) {
    int end = header + 1, files = 0;
    while (end < n && !FileListView1.Caption(end).empty() &&
           FileListView1.Caption(end).find(kGroupHeader) == std::string::npos) {
      ++files;
      ++end;
    }
    if (files <= 1) {
      // The group's last file is no duplicate any more: its rows go, the file stays.
      if (end < n && FileListView1.Caption(end).empty()) FileListView1.DeleteRow(end);
      for (int row = header + files; row >= header; --row) FileListView1.DeleteRow(row);
    }
  }
  // No leading blank row, no lone row.
  while (FileListView1.itemCount() > 0 && FileListView1.Caption(0).empty()) FileListView1.DeleteRow(0);
  if (FileListView1.itemCount() == 1) FileListView1.DeleteRow(0);
  const int m = FileListView1.itemCount();
  if (m > 0 && FileListView1.Caption(m - 1).empty()) FileListView1.DeleteRow(m - 1);
}

bool TfrmFindDupes::Perform_Delete(const scan::FileRow& row) {
  // The shared call looks again (size, write time, identity) and logs what happened.
  const auto* dupe = dynamic_cast<const DupeRow*>(&row);
  shell::ListedFile listed{row.path, row.file.size, row.file.written, std::nullopt};
  if (dupe && dupe->haveKey) listed.identity = shell::FileIdentity{dupe->key.volumeSerial, dupe->key.index};
  return removal.Remove(listed).removed();
}

bool TfrmFindDupes::SameBytesNow(const scan::FileRow& mine, const scan::FileRow& other, std::string& why) {
  const auto me = FactsOf(mine.path), them = FactsOf(other.path);
  if (!me || !them) return false;
  if (OneFile(mine.path, *me, other.path, *them)) return false;  // one file by two paths: no copy of itself
  if (!me->key.trusted || !them->key.trusted) {
    why = "it lies on a network drive, where the system cannot tell whether two paths name one file";
    return false;
  }
  if (me->size != them->size) return false;
  const auto* a = dynamic_cast<const DupeRow*>(&mine);
  const auto* b = dynamic_cast<const DupeRow*>(&other);
  // This very pair was compared byte for byte, and neither changed since.
  const bool provenPair = a && b && (a->provenWith == &other || b->provenWith == &mine);
  if (provenPair && Unchanged(*a, *me) && Unchanged(*b, *them)) return true;
  if (me->size == 0) return true;
  // Otherwise the bytes are compared now, away from the window's thread.
  proof_ = std::make_unique<BackgroundCompare>(mine.path, other.path, me->size);
  WaitWithMessages(proof_->event(), [this] { return proof_->Done() || stopRemoval_; });
  proof_->Stop();
  while (!proof_->Done()) Sleep(1);
  const Sameness result = proof_->result();
  const bool equal = result == Sameness::Equal && proof_->factsA().key == me->key && proof_->factsB().key == them->key;
  proof_.reset();
  if (result == Sameness::Stopped) why = kStoppedRemoval;
  return equal;
}

std::string TfrmFindDupes::WhyKept(int row, const std::unordered_set<const scan::FileRow*>& leaving) {
  const scan::FileRow* me = FileListView1.File(row);
  if (!me) return "no copy";
  const int n = FileListView1.itemCount();
  int first = row, last = row;
  while (first > 0 && RowIsFile(first - 1)) --first;
  while (last + 1 < n && RowIsFile(last + 1)) ++last;
  // Who stays: the rows not being removed; when every row goes, the last.
  std::vector<const scan::FileRow*> keepers;
  for (int r = first; r <= last; ++r)
    if (r != row && FileListView1.File(r) && !leaving.count(FileListView1.File(r))) keepers.push_back(FileListView1.File(r));
  if (keepers.empty()) {
    for (int r = last; r >= first; --r)
      if (FileListView1.File(r)) {
        if (r != row) keepers.push_back(FileListView1.File(r));
        break;
      }
  }
  std::string why;
  for (const scan::FileRow* k : keepers) {
    if (stopRemoval_) return kStoppedRemoval;
    std::string reason;
    if (SameBytesNow(*me, *k, reason)) return "";
    if (!reason.empty()) why = reason;
  }
  return why.empty() ? "no copy" : why;
}

void TfrmFindDupes::cmdDeleteClick() {
  // One command at a time: the list is being filled by a search.
  if (removing_ || Comparing || collect_) return;
  if (cbConfirm.checked() &&
      ui::dialogs().Message(handle(), "Are you sure you wish to remove the selected file(s) ?", "Please confirm",
                            ui::MsgButtons::YesNo, ui::MsgIcon::Warning) != ui::MsgResult::Yes)
    return;
  const std::vector<int> sel = FileListView1.SelectedRows();
  if (sel.empty()) return;
  if (!removal.BeginCommand()) return;
  // What points at files (shortcuts, start-up values, uninstall entries), once per command.
  const FileReferences references = FileReferences::Gather();
  const int remembered = sel.front();
  // The records of the selected file rows, in list order: each is looked for
  // again before it is acted on, since clean-ups remove rows on the way.
  std::vector<const scan::FileRow*> chosen;
  for (int row : sel)
    if (RowIsFile(row) && FileListView1.File(row)) chosen.push_back(FileListView1.File(row));
  std::unordered_set<const scan::FileRow*> leaving(chosen.begin(), chosen.end());
  std::vector<std::string> kept;
  removing_ = true;
  stopRemoval_ = false;
  btnSearch.SetCaption("Stop");
  struct Idle {
    TfrmFindDupes& f;
    std::string caption;
    ~Idle() {
      f.removing_ = false;
      f.btnSearch.SetCaption(caption);
      f.CloseIfAsked();
    }
  } idle{*this, btnSearch.caption() == "Stop" ? "Find Now" : btnSearch.caption()};
  {
    ui::WaitCursor wait;
    for (const scan::FileRow* record : chosen) {
      const int row = RowOf(record);
      if (row < 0) continue;  // an earlier clean-up took it out as the last file of its group
      const std::string path = record->path;
      const auto entry = FindEntry(path);
      if (entry) {
        const std::string why = stopRemoval_ ? kStoppedRemoval : WhyKept(row, leaving);
        if (!why.empty()) {
          leaving.erase(record);
          kept.push_back(why == "no copy" ? path : path + " (" + why + ")");
          continue;
        }
        // A copy something points at is kept, unless the user says otherwise.
        if (const std::string users = references.UsersOf(path); !users.empty()) {
          const std::string question = "\"" + path + "\" is used by " + users +
                                       ".\r\n\r\nRemove it all the same?  What uses it will not find it any more.";
          if (ui::dialogs().Message(handle(), question, "Please confirm", ui::MsgButtons::YesNo,
                                    ui::MsgIcon::Warning) != ui::MsgResult::Yes) {
            leaving.erase(record);
            kept.push_back(path + " (is used by " + users + ")");
            continue;
          }
        }
        if (!Perform_Delete(*record)) {
          leaving.erase(record);
          continue;  // the row stays, uncounted
        }
        RemovedBytes += std::int64_t(entry->size);
        ++RemovedFiles;
        ShowRemovedStatus();
      }
      // Removed, or gone already: the row leaves the list.
      leaving.erase(record);
      FileListView1.DeleteRow(row);
      Lv_After_Delete(row - 1);
      ui::ProcessMessages();
    }
  }
  SetToolbarHeight(FileListView1.itemCount() > 0 ? kToolbarHeight : 0);
  if (FileListView1.itemCount() > 0)
    SelectRow(remembered < FileListView1.itemCount() ? remembered : 1);
  else
    FileListView1Change();
  if (!kept.empty()) {
    std::string text = kKeptMessage;
    text += "\r";
    for (const std::string& p : kept) text += "\r" + p;
    ui::ShowMessage(text, "Velmora", ui::MsgIcon::Information, handle());
  }
}

void TfrmFindDupes::FileListView1DblClick() {
  const std::string path = SelectedFilePath();
  if (path.empty()) return;
  const int row = FileListView1.SelectedRows().front();
  if (FileExists(path)) {
    const bool started = shell::QuickViewFile(path);
    tb.SetButtonEnabled(kTbView, started);
    mnuViewFile.SetEnabled(started);
  } else {
    DropGoneRow(row);
  }
}

// A listed file that is no longer there: said once, its row goes.
void TfrmFindDupes::DropGoneRow(int row) {
    ui::ShowMessage(kGoneMessage, "Velmora", ui::MsgIcon::Information, handle());
    FileListView1.DeleteRow(row);
    Lv_After_Delete(row - 1);
    SetToolbarHeight(FileListView1.itemCount() > 0 ? kToolbarHeight : 0);
    FileListView1Change();
}

void TfrmFindDupes::cmdPropertiesClick() {
  const std::string path = SelectedFilePath();
  if (path.empty()) return;
  const int row = FileListView1.SelectedRows().front();
  if (FileExists(path)) {
    OpenWithShell("properties", path);
  } else {
    DropGoneRow(row);
  }
}

void TfrmFindDupes::cmdExcludeClick() {
  const std::string path = SelectedFilePath();
  if (path.empty()) return;
  const std::string folder = ExtractFilePath(path);
  const std::string description =
      ui::dialogs().InputBox(handle(), "Folder Description", "Enter a description for this folder", " ");
  AddListRow(exclude_, folder, description);
}

// ---- Result files --------------------------------------------------------------------

std::vector<ResultRow> TfrmFindDupes::ResultRows() const {
  std::vector<ResultRow> rows;
  for (int row = 0; row < FileListView1.itemCount(); ++row) {
    ResultRow r{FileListView1.Caption(row), {}};
    if (FileListView1.subItemCount(row) > 0)
      for (int i = 0; i < 6; ++i) r.details.push_back(FileListView1.SubItem(row, i));
    rows.push_back(std::move(r));
  }
  return rows;
}

void TfrmFindDupes::SaveResults() const {
  if (FileListView1.itemCount() == 0) return;  // older lists stay
  ui::WaitCursor wait;
  const std::vector<ResultRow> rows = ResultRows();
  const std::string folder = shell::DataFolder();
  WriteFileAtomically(folder + kDuplicateList, FormatDuplicateList(rows));
  WriteFileAtomically(folder + kNewDuplicateList, FormatNewDuplicateList(rows));
}

void TfrmFindDupes::Timer1Timer() {
  const std::string folder = shell::DataFolder();
  if (const auto skip = FindEntry(folder + kSkipList); skip && !skip->isFolder()) {
    const std::string question = std::string("A list of known duplicate files to skip was found from a\r") +
                                 PreviousText("previous run on", skip->written) +
                                 "\r\rReloading that list will prevent these known duplicates from being found "
                                 "again.\r\rDo you want to reload that list?";
    if (ui::dialogs().Message(handle(), question, "Find Duplicate Files - list of known duplicates to skip found",
                              ui::MsgButtons::YesNo, ui::MsgIcon::Question) == ui::MsgResult::Yes) {
      KnownDuplicates.clear();
      if (const auto text = ReadTextFile(folder + kSkipList)) {
        std::size_t pos = 0;
        while (pos < text->size()) {
          std::size_t end = text->find('\n', pos);
          if (end == std::string::npos) end = text->size();
          std::string line = text->substr(pos, end - pos);
          if (!line.empty() && line.back() == '\r') line.pop_back();
          if (!line.empty()) KnownDuplicates.insert(UpperCase(line));
          pos = end + 1;
        }
      }
    }
  }
  if (const auto list = FindEntry(folder + kDuplicateList); list && !list->isFolder()) {
    const std::string question = std::string("A list of duplicate files was found from a\r") +
                                 PreviousText("previous session on", list->written) +
                                 "\r\rReloading that list will save time.\r\rDo you want to reload that list?";
    if (ui::dialogs().Message(handle(), question, "Find Duplicate Files - existing list found", ui::MsgButtons::YesNo,
                              ui::MsgIcon::Question) == ui::MsgResult::Yes) {
      log.Line("  Loading previous list of duplicates from " + FormatDateTime(FileTimeToLocalDateTime(list->written)));
      ReloadResults();
    }
  }
  if (FileListView1.itemCount() > 1) SelectRow(1);
}

void TfrmFindDupes::ReloadResults() {
  const auto text = ReadTextFile(shell::DataFolder() + kDuplicateList);
  if (!text) return;
  const ParsedList parsed = ParseDuplicateList(*text);
  ui::WaitCursor wait;
  ProgressBar1.SetRange(0, parsed.rows.size() > 1 ? int(parsed.rows.size() - 1) : 1);
  ProgressBar1.SetVisible(true);
  FileListView1.Clear();
  fileIcons_->Clear();
  FileListView1.BeginUpdate();
  int groupIcon = shell::dupe_icon::kFile;
  bool firstOfGroup = false;
  for (std::size_t i = 0; i < parsed.rows.size(); ++i) {
    const ResultRow& r = parsed.rows[i];
    ProgressBar1.SetPosition(int(i));
    if (r.details.empty()) {
      const bool header = r.text == kGroupHeader;
      FileListView1.AddItem(r.text, header ? shell::dupe_icon::kGroup : shell::dupe_icon::kBlank);
      firstOfGroup = header;
      continue;
    }
    // The list holds lower-case paths: act on the file system's spelling.
    const std::string exact = OnDiskSpelling(r.text);
    if (firstOfGroup) groupIcon = FileExists(exact) ? GroupIcon(exact) : shell::dupe_icon::kFile;
    firstOfGroup = false;
    const int row = FileListView1.AddItem(r.text, groupIcon);
    for (std::size_t c = 0; c < r.details.size(); ++c) FileListView1.SetSubItem(row, int(c), r.details[c]);
    auto record = std::make_unique<scan::FileRow>();
    record->path = exact;
    if (const auto entry = FindEntry(exact)) {
      record->file.size = entry->size;
      record->file.written = entry->written;
      record->file.attributes = entry->attributes;
    }
    FileListView1.SetPayload(row, std::move(record));
  }
  FileListView1.EndUpdate();
  ProgressBar1.SetVisible(false);
  ProgressBar1.SetPosition(0);
  FoundDuplicates = parsed.duplicates;
  FoundBytes = parsed.bytes;
  sb.SetText(0, "Duplicates read from file...");
  ShowFoundStatus();
  SetToolbarHeight(FileListView1.itemCount() > 0 ? kToolbarHeight : 0);
  FileListView1Change();
  if (parsed.droppedLines > 0) ui::ShowMessage(kDroppedMessage, "Velmora", ui::MsgIcon::Warning, handle());
}

}  // namespace velmora::dupes
