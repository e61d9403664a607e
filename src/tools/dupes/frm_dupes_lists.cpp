// TfrmFindDupes: the four editable lists of the search settings.
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
#include "tools/dupes/frm_dupes_internal.h"
#include "ui/dialogs.h"

namespace velmora::dupes {

using namespace form;

// ---- Editable lists --------------------------------------------------------------

std::vector<ListRow> TfrmFindDupes::RowsOf(const ui::ListView& list) {
  std::vector<ListRow> rows;
  for (int i = 0; i < list.itemCount(); ++i) rows.push_back({list.Caption(i), DescriptionOf(list, i), list.Checked(i)});
  return rows;
}

void TfrmFindDupes::LoadLists() {
  for (EditableList* e : {&files_, &folders_, &exclude_, &xfiles_}) {
    std::optional<std::vector<ListRow>> stored = LoadList(e->key);
    std::vector<ListRow> rows = stored ? *stored : (e == &files_ ? DefaultFilePatterns() : std::vector<ListRow>{});
    e->list->Clear();
    for (const ListRow& r : rows) {
      const int row = e->list->AddItem(r.text, e->icon);
      e->list->SetSubItem(row, 0, r.description);
      e->list->SetChecked(row, r.checked);
    }
  }
  UpdateAllListCommands();
}

void TfrmFindDupes::SaveLists() {
  for (EditableList* e : {&files_, &folders_, &exclude_, &xfiles_}) SaveList(e->key, RowsOf(*e->list));
}

void TfrmFindDupes::UpdateListCommands(const EditableList& e) {
  const bool selected = !e.list->SelectedRows().empty();
  e.edit->SetEnabled(selected);
  e.mnuEdit->SetEnabled(selected);
  const bool removable = selected && !e.list->editing();
  e.remove->SetEnabled(removable);
  e.mnuRemove->SetEnabled(removable);
  const bool rows = e.list->itemCount() > 0;
  e.mnuCheck->SetEnabled(rows);
  e.mnuUncheck->SetEnabled(rows);
}

void TfrmFindDupes::UpdateAllListCommands() {
  for (EditableList* e : {&files_, &folders_, &exclude_, &xfiles_}) UpdateListCommands(*e);
}

bool TfrmFindDupes::TextTaken(const ui::ListView& list, const std::string& text, int exceptRow) const {
  for (int row = 0; row < list.itemCount(); ++row)
    if (row != exceptRow && SameListText(list.Caption(row), text)) return true;
  return false;
}

void TfrmFindDupes::RefuseTaken(const std::string& text) {
  ui::ShowMessage("\"" + text + "\" is already in this list.  Two items may not differ only in the case of their letters.",
                  "Velmora", ui::MsgIcon::Information, handle());
}

bool TfrmFindDupes::AddListRow(EditableList& e, const std::string& text, const std::string& description) {
  if (TextTaken(*e.list, text, -1)) {
    RefuseTaken(text);
    return false;
  }
  const int row = e.list->AddItem(text, e.icon);
  e.list->SetSubItem(row, 0, description);
  e.list->SetChecked(row, true);
  UpdateListCommands(e);
  return true;
}

void TfrmFindDupes::cmdAddFileClick() {
  shell::ShowHintOnce(kHintSubject, kAddFileHint);
  const std::string text = ui::dialogs().InputBox(handle(), "Add new filename to look for",
                                                  "Extension or name of the file you wish to scan for:", "");
  if (!text.empty()) {
    const std::string description = ui::dialogs().InputBox(handle(), "Filename Description",
                                                           "Enter a short description for this new file type:", " ");
    AddListRow(files_, text, description);
  }
  SaveList(kFilesKey, RowsOf(lvFiles));
}

void TfrmFindDupes::cmdAddExFileClick() {
  shell::ShowHintOnce(kHintSubject, kAddExFileHint);
  const std::string text = ui::dialogs().InputBox(handle(), "Exclude a filename",
                                                  "Extension or name of the file you wish to exclude:", "");
  if (!text.empty()) {
    const std::string description = ui::dialogs().InputBox(handle(), "Filename Description",
                                                           "Enter a short description for this new file type:", " ");
    AddListRow(xfiles_, text, description);
  }
  SaveList(kXFilesKey, RowsOf(lvXFiles));
}

namespace {
void EditFileRow(ui::ListView& list, HWND owner, const char* prompt, const std::function<bool(const std::string&, int)>& taken,
                 const std::function<void(const std::string&)>& refuse) {
  const std::vector<int> sel = list.SelectedRows();
  if (sel.empty()) return;
  const int row = sel.front();
  const std::string text = ui::dialogs().InputBox(owner, "Modify File Type", prompt, list.Caption(row));
  const std::string current = list.SubItem(row, 0);
  std::string description =
      ui::dialogs().InputBox(owner, "Modify File Description", "Enter a short description for this file:", current);
  if (text.empty()) return;
  if (taken(text, row)) {
    refuse(text);
    return;
  }
  list.SetCaption(row, text);
  list.SetSubItem(row, 0, description);
}
}  // namespace

void TfrmFindDupes::lvFilesDblClick() {
  EditFileRow(lvFiles, handle(), "Extension or name of the file you wish to scan for:",
              [this](const std::string& t, int r) { return TextTaken(lvFiles, t, r); },
              [this](const std::string& t) { RefuseTaken(t); });
  SaveList(kFilesKey, RowsOf(lvFiles));
}

void TfrmFindDupes::lvXFilesDblClick() {
  EditFileRow(lvXFiles, handle(), "Extension or name of the file you wish to exclude from the scan:",
              [this](const std::string& t, int r) { return TextTaken(lvXFiles, t, r); },
              [this](const std::string& t) { RefuseTaken(t); });
  SaveList(kXFilesKey, RowsOf(lvXFiles));
}

void TfrmFindDupes::cmdAddFolderClick() {
  shell::ShowHintOnce(kHintSubject, kAddFolderHint);
  if (const auto chosen = ui::dialogs().ChooseFolder(handle(), "Select a folder to scan", "", false)) {
    const std::string description =
        ui::dialogs().InputBox(handle(), "Folder Description", "Enter a description for this folder", " ");
    AddListRow(folders_, IncludeTrailingBackslash(*chosen), description);
  }
  SaveList(kFoldersKey, RowsOf(lvFolders));
}

void TfrmFindDupes::cmdAddNewClick() {
  shell::ShowHintOnce(kHintSubject, kAddExcludeHint);
  if (const auto chosen = ui::dialogs().ChooseFolder(handle(), "Select a folder to exclude", "", false)) {
    const std::string description =
        ui::dialogs().InputBox(handle(), "Folder Description", "Enter a description for this folder", " ");
    AddListRow(exclude_, IncludeTrailingBackslash(*chosen), description);
  }
  SaveList(kExcludeKey, RowsOf(lvExclude));
}

void TfrmFindDupes::EditFolderRow(EditableList& e, const char* prompt) {
  const std::vector<int> sel = e.list->SelectedRows();
  if (!sel.empty()) {
    const int row = sel.front();
    if (const auto chosen = ui::dialogs().ChooseFolder(handle(), prompt, e.list->Caption(row), false)) {
      const std::string description = ui::dialogs().InputBox(
          handle(), "Folder Description", "Enter a description for this excluded folder", DescriptionOf(*e.list, row));
      if (TextTaken(*e.list, *chosen, row)) {
        RefuseTaken(*chosen);
      } else if (!chosen->empty()) {
        e.list->SetCaption(row, *chosen);
        e.list->SetSubItem(row, 0, description);
      }
    }
  }
  SaveList(e.key, RowsOf(*e.list));
}

void TfrmFindDupes::lvFoldersDblClick() { EditFolderRow(folders_, "Select a folder to scan"); }
void TfrmFindDupes::lvExcludeDblClick() { EditFolderRow(exclude_, "Select a folder to exclude"); }

void TfrmFindDupes::DeleteListRow(EditableList& e) {
  const std::vector<int> sel = e.list->SelectedRows();
  if (!sel.empty() &&
      ui::dialogs().Message(handle(), kRemoveItemQuestion, "Please Confirm", ui::MsgButtons::YesNo,
                            ui::MsgIcon::Question) == ui::MsgResult::Yes &&
      !e.list->editing()) {
    const int row = sel.front();
    e.list->DeleteRow(row);
    e.list->ClearSelection();
    if (e.list->itemCount() > 0) e.list->SetSelected(std::max(0, row - 1), true);
  }
  UpdateListCommands(e);
  SaveList(e.key, RowsOf(*e.list));
}

void TfrmFindDupes::cmdRemoveFileClick() { DeleteListRow(files_); }
void TfrmFindDupes::cmdRemoveFolderClick() { DeleteListRow(folders_); }
void TfrmFindDupes::cmdRemoveClick() { DeleteListRow(exclude_); }
void TfrmFindDupes::cmdRemoveExFileClick() { DeleteListRow(xfiles_); }

void TfrmFindDupes::optNamedClick() {
  const bool named = optNamed.checked();
  for (ui::Control* c : std::initializer_list<ui::Control*>{&lvFiles, &cmdAddFile, &cmdEditFile, &cmdRemoveFile})
    c->SetVisible(named);
}

void TfrmFindDupes::optAllFoldersClick() {
  const bool named = optFolderNames.checked();
  for (ui::Control* c :
       std::initializer_list<ui::Control*>{&lvFolders, &cmdAddFolder, &cmdEditFolder, &cmdRemoveFolder})
    c->SetVisible(named);
}

void TfrmFindDupes::optNamedMouseUp() { shell::ShowHintOnce(kHintSubject, kNamedHint); }
void TfrmFindDupes::optFolderNamesMouseUp() { shell::ShowHintOnce(kHintSubject, kFolderNamesHint); }

}  // namespace velmora::dupes
