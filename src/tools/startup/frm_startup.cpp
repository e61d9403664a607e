#include "tools/startup/frm_startup.h"

#include <windows.h>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "shell/common_icons.h"
#include "shell/commontools.h"
#include "shell/help.h"
#include "shell/list_functions.h"
#include "shell/utilities.h"
#include "tools/regclean/undo_session.h"
#include "ui/app.h"
#include "ui/dialogs.h"

namespace velmora::startup {

namespace {

constexpr int kClientWidth = 640;
constexpr int kClientHeight = 400;
const char* const kExistsMessage = "A startup item with this description already exists in this location.";
const char* const kNoDescriptionMessage = "Please enter a description for this startup item.";
const char* const kParametersMessage =
    "You may not add entries to the Win.ini file that contain command line parameters.";

const char* const kNoShortFormMessage =
    "This command line cannot be written to the Win.ini file: it holds a blank even in its short form.";

bool IsFolderSource(Source s) { return s == Source::UserFolder || s == Source::CommonFolder; }

// One command's journal session, attached to the model while it lives.
class CommandJournal {
 public:
  CommandJournal(TfrmStartup& f, const std::string& what)
      : f_(f), journal_("Start-up Manager", what, f.JournalFolder.empty() ? regclean::UndoFolder() : f.JournalFolder) {
    f_.items().SetJournal(&journal_);
  }
  ~CommandJournal() {
    f_.items().SetJournal(nullptr);
    journal_.Finish();
    f_.LastSession = journal_.path();
  }
  CommandJournal(const CommandJournal&) = delete;
  CommandJournal& operator=(const CommandJournal&) = delete;

 private:
  TfrmStartup& f_;
  regclean::UndoRecorder journal_;
};

std::string Names(const TfrmStartup& f, const std::vector<int>& rows) {
  std::string out;
  for (int row : rows) {
    const StartupItem* item = f.Item(row);
    if (!item) continue;
    if (out.size() > 200) return out + ", ...";
    out += (out.empty() ? "" : ", ") + item->programName;
  }
  return out;
}

}  // namespace

const std::vector<std::string>& EditorLocations() {
  static const std::vector<std::string> entries{
      "StartUp Folder",
      "Registry: Current User...Run",
      "Registry: Current User...RunOnce",
      "Registry: Local Machine...Run",
      "Registry: Local Machine...RunOnce",
      "Registry: Local Machine...RunOnceEx",
      "Registry: Local Machine...RunServices",
      "Registry: Local Machine...RunServicesOnce",
      "Win.ini: \"Run\" Section",
      "Win.ini: \"Load\" Section",
      "All Users StartUp Folder",
      "Registry: Local Machine (32-bit)...Run",
      "Registry: Local Machine (32-bit)...RunOnce",
  };
  return entries;
}

// ---- TfrmStartup ---------------------------------------------------------------

TfrmStartup::TfrmStartup(StartupPlaces places)
    : mnuDisable(pmPopup.Add("&Disable Selected Items", [this] { cmdDisableClick(); }, "Ctrl+D")),
      mnuEnable(pmPopup.Add("&Enable Selected Items", [this] { cmdEnableClick(); }, "Ctrl+E")),
      mnuSep1(pmPopup.AddSeparator()),
      mnuAdd(pmPopup.Add("&Add New Item", [this] { cmdAddClick(); }, "Ctrl+A")),
      mnuEdit(pmPopup.Add("Edit &Selected Item", [this] { cmdEditClick(); }, "Enter")),
      mnuDelete(pmPopup.Add("Dele&te Selected Item(s)", [this] { cmdDeleteClick(); }, "Del")),
      mnuSep2(pmPopup.AddSeparator()),
      mnuRefresh(pmPopup.Add("&Refresh List", [this] { cmdRefreshClick(); }, "F5")),
      cmdDisable(*this, {8, 8, 82, 26}, "&Disable"),
      cmdEnable(*this, {94, 8, 82, 26}, "&Enable"),
      cmdAdd(*this, {188, 8, 82, 26}, "&Add"),
      cmdEdit(*this, {274, 8, 82, 26}, "Edi&t"),
      cmdDelete(*this, {360, 8, 82, 26}, "&Delete"),
      cmdRefresh(*this, {454, 8, 82, 26}, "&Refresh"),
      cmdHelp(*this, {550, 8, 82, 26}, "&Help"),
      lv(*this, {8, 42, 624, 350}, /*checkBoxes=*/false, /*multiSelect=*/true),
      storage(*this, "software\\dastra\\Velmora\\StartUp", "pos"),
      items_(std::move(places)) {
  cmdDisable.SetHint("Diable the selected items from being automatically started each Windows session");
  cmdEnable.SetHint("Enable the selected items for automatic startup at each Windows session");
  cmdAdd.SetHint("Add a new startup item");
  cmdEdit.SetHint("Edit the selected startup item");
  cmdDelete.SetHint("Permanently remove the selected item(s) from automatic startup at each Windows session");
  cmdRefresh.SetHint("Refresh the list of startup items");
  cmdHelp.SetHint("Get help on this tool");
  lv.AddColumn("Status", 90);
  lv.AddColumn("Program Name", 130);
  lv.AddColumn("Command Line", 220);
  lv.AddColumn("Location", 180);
  lv.SetPopupMenu(&pmPopup);
  lv.SetAccessibleName("Startup items");
  storage.Add(lv, "lv");
  cmdDisable.onClick = [this] { cmdDisableClick(); };
  cmdEnable.onClick = [this] { cmdEnableClick(); };
  cmdAdd.onClick = [this] { cmdAddClick(); };
  cmdEdit.onClick = [this] { cmdEditClick(); };
  cmdDelete.onClick = [this] { cmdDeleteClick(); };
  cmdRefresh.onClick = [this] { cmdRefreshClick(); };
  cmdHelp.onClick = [this] { cmdHelpClick(); };
  lv.onSelectionChange = [this] { lvChange(); };
  lv.onDoubleClick = [this](int) {
    if (cmdEdit.enabled()) cmdEditClick();
  };
  lv.onColumnClick = [this](int column) {
    lv.Sort([this, column](int a, int b) { return shell::CompareListItems(lv, a, b, column); });
  };

  ui::FormArgs args;
  args.className = "TfrmStartup";
  args.caption = "Velmora StartUp Manager";
  args.clientWidth = kClientWidth;
  args.clientHeight = kClientHeight;
  args.sizeable = true;  // the list grows with the window
  lv.SetAnchors(ui::kAnchorAll);
  args.helpTopic = kStartupTopic;
  args.freeOnClose = true;
  Create(args);
  shell::Tcommontools& common = shell::commontools();
  lv.SetStateImageList(common.ilCommon16.get());
  cmdHelp.SetGlyph(common.SmallAt(shell::SmallPic::Help16, dpi()));
  RefreshList();
}

const StartupItem* TfrmStartup::Item(int row) const {
  const StartupRow* r = lv.PayloadAs<StartupRow>(row);
  return r ? &r->item : nullptr;
}

void TfrmStartup::ShowRow(int row, const StartupItem& item) {
  lv.SetCaption(row, item.enabled() ? "Enabled" : "Disabled");
  lv.SetStateImage(row, item.enabled() ? shell::common_icon::kEnabled : shell::common_icon::kDisabled);
  lv.SetSubItem(row, 0, item.programName);
  lv.SetSubItem(row, 1, item.commandLine);
  lv.SetSubItem(row, 2, item.location);
  auto record = std::make_unique<StartupRow>();
  record->item = item;
  lv.SetPayload(row, std::move(record));
}

int TfrmStartup::AddRow(const StartupItem& item) {
  const int row = lv.AddItem("");
  ShowRow(row, item);
  return row;
}

void TfrmStartup::RefreshList() {
  ui::WaitCursor wait;
  for (ui::Button* b : {&cmdDisable, &cmdEnable, &cmdAdd, &cmdEdit, &cmdDelete, &cmdRefresh}) b->SetEnabled(false);
  lv.BeginUpdate();
  lv.Clear();
  for (const StartupItem& item : items_.Read()) AddRow(item);
  lv.EndUpdate();
  cmdAdd.SetEnabled(true);
  cmdRefresh.SetEnabled(true);
  if (lv.itemCount() > 0) lv.SetSelected(0, true);
  lvChange();
}

void TfrmStartup::lvChange() {
  const std::vector<int> sel = lv.SelectedRows();
  cmdEdit.SetEnabled(sel.size() == 1);
  cmdDelete.SetEnabled(!sel.empty());
  bool enable = false, disable = false;
  if (!sel.empty()) {
    const bool first = Item(sel.front()) && Item(sel.front())->enabled();
    bool mixed = false;
    for (int row : sel)
      if (Item(row) && Item(row)->enabled() != first) mixed = true;
    // An enabled row can only be disabled and a disabled one only enabled.
    if (!mixed) {
      enable = !first;
      disable = first;
    }
  }
  cmdEnable.SetEnabled(enable);
  cmdDisable.SetEnabled(disable);
  mnuEnable.SetEnabled(enable);
  mnuDisable.SetEnabled(disable);
  mnuEdit.SetEnabled(cmdEdit.enabled());
  mnuDelete.SetEnabled(cmdDelete.enabled());
}

void TfrmStartup::cmdHelpClick() { shell::OpenHelpTopic(kStartupTopic); }

void TfrmStartup::StateChange(bool enable) {
  ui::WaitCursor wait;
  items_.ClearCache();  // each folder is read at most once for the whole command
  CommandJournal journal(*this, std::string(enable ? "Enabled " : "Disabled ") + Names(*this, lv.SelectedRows()));
  std::vector<std::string> messages;
  for (int row : lv.SelectedRows()) {
    const StartupItem* current = Item(row);
    if (!current || current->enabled() == enable) continue;
    const StartupItem item = *current;
    const StartupItems::Change c = items_.SetEnabled(item, enable);
    if (!c.message.empty()) ui::ShowMessage(c.message, "Velmora", ui::MsgIcon::Warning, handle());
    // Only what really moved changes its row; shortcuts to the same program
    // that went along change theirs too.
    for (int other = 0; other < lv.itemCount(); ++other) {
      const StartupItem* o = Item(other);
      if (!o) continue;
      bool moved = other == row && c.changed;
      if (IsFolderSource(item.source) && o->source == item.source && o->parked == item.parked && other != row)
        for (const std::string& name : c.movedFiles)
          if (name == o->name) moved = true;
      if (!moved) continue;
      StartupItem now = *o;
      now.parked = !enable;
      now.marked = false;
      ShowRow(other, now);
    }
  }
  lvChange();
}

void TfrmStartup::cmdDeleteClick() {
  if (lv.SelectedRows().empty()) return;
  if (ui::dialogs().Message(handle(),
                            "Are you sure you want to delete the selected item(s)?\r\n\r\nThe deletion can be undone "
                            "from the Undo page of the Tool Action Logs.",
                            "Confirm permanent deletion...", ui::MsgButtons::YesNo,
                            ui::MsgIcon::Question) != ui::MsgResult::Yes)
    return;
  // From the last row up, so the rows still to do keep their places.
  const std::vector<int> sel = lv.SelectedRows();
  CommandJournal journal(*this, "Deleted " + Names(*this, sel));
  for (auto it = sel.rbegin(); it != sel.rend(); ++it) {
    const StartupItem* item = Item(*it);
    if (!item) continue;
    bool denied = false;
    const std::string problem = items_.Delete(*item, &denied);
    if (problem.empty()) {
      lv.DeleteRow(*it);
    } else if (denied) {
      shell::ShowRegistryAccessError();
    } else {
      ui::ShowMessage(problem, "Velmora", ui::MsgIcon::Error, handle());
    }
  }
  lvChange();
}

void TfrmStartup::cmdAddClick() {
  editor = new TfrmEdit(*this, -1);
  editor->ShowModal();  // frees itself
  editor = nullptr;
}

void TfrmStartup::cmdEditClick() {
  const std::vector<int> sel = lv.SelectedRows();
  if (sel.size() != 1) return;
  editor = new TfrmEdit(*this, sel.front());
  editor->ShowModal();
  editor = nullptr;
}

// ---- TfrmEdit --------------------------------------------------------------------

TfrmEdit::TfrmEdit(TfrmStartup& manager, int row)
    : lblDesc(*this, {12, 16, 100, 18}, "Description:"),
      lblCLine(*this, {12, 48, 100, 18}, "Command Line:"),
      lblLoc(*this, {12, 80, 100, 18}, "Location:"),
      edtDesc(*this, {116, 13, 300, 23}),
      feCLine(*this, {116, 45, 300, 23}, ui::BrowseKind::OpenFile, "Select a program"),
      cbLoc(*this, {116, 77, 300, 23}, EditorLocations()),
      cbEnabled(*this, {116, 110, 200, 20}, "&Enabled", true),
      cmdOK(*this, {128, 144, 90, 26}, "&OK", ui::ButtonRole::Default),
      cmdCancel(*this, {226, 144, 90, 26}, "&Cancel", ui::ButtonRole::Cancel),
      cmdHelp(*this, {326, 144, 90, 26}, "&Help"),
      manager_(manager),
      row_(row) {
  feCLine.SetHint(
      "Select the folder button at the right of this box to browse for the application you would like to start");
  feCLine.fileOptions.mustExist = true;
  feCLine.fileOptions.filter = "Programs (*.exe)|*.exe|All files (*.*)|*.*";
  cbLoc.onChange = [this] { cbLocChange(); };
  feCLine.onChange = [this] { feCLineChange(); };
  cmdOK.onClick = [this] { cmdOKClick(); };
  cmdCancel.onClick = [this] { Close(); };
  cmdHelp.onClick = [] { shell::OpenHelpTopic(kEditTopic); };
  ui::FormArgs args;
  args.className = "TfrmEdit";
  args.caption = row < 0 ? "Add a StartUp Item" : "Edit Startup Item";
  args.clientWidth = 430;
  args.clientHeight = 180;
  args.helpTopic = kEditTopic;
  args.freeOnClose = true;
  args.owner = manager.handle();
  Create(args);
  cmdHelp.SetGlyph(shell::commontools().SmallAt(shell::SmallPic::Help16, dpi()));
  FormShow();  // the fields are filled at once: a test drives the editor without showing it
}

void TfrmEdit::FormShow() {
  cbLoc.SetItemIndex(0);
  const StartupItem* item = row_ >= 0 ? manager_.Item(row_) : nullptr;
  if (item) {
    // A folder item's description is its file name: "My.Tool.lnk" is "My.Tool".
    std::string description = item->programName;
    if (IsFolderSource(item->source) && item->name.size() > 4) description = item->name.substr(0, item->name.size() - 4);
    edtDesc.SetText(description);
    feCLine.SetText(item->commandLine);
    cbEnabled.SetChecked(item->enabled());
    int location = 0;
    if (item->source == Source::CommonFolder) location = 10;
    if (item->source == Source::WinIniRun) location = 8;
    if (item->source == Source::WinIniLoad) location = 9;
    if (item->source == Source::Registry) location = item->registry < 7 ? item->registry + 1 : item->registry + 4;
    cbLoc.SetItemIndex(location);
  }
  cbLocChange();
  feCLineChange();
}

void TfrmEdit::cbLocChange() {
  const bool winIni = cbLoc.itemIndex() == 8 || cbLoc.itemIndex() == 9;
  lblDesc.SetEnabled(!winIni);
  edtDesc.SetEnabled(!winIni);
}

void TfrmEdit::feCLineChange() {
  // Quotes stay: a registry command line needs them around a path with blanks.
  const std::string text = feCLine.text();
  cmdOK.SetEnabled(text.find_first_not_of(' ') != std::string::npos);
}

void TfrmEdit::cmdOKClick() {
  const int location = cbLoc.itemIndex();
  const bool winIni = location == 8 || location == 9;
  const bool folder = location == 0 || location == 10;
  const std::string description = edtDesc.text();
  const std::string command = feCLine.text();
  if (command.find_first_not_of(' ') == std::string::npos) return;
  if (folder && !shell::ValidateEntryName(description,
                                          "You may not use the following characters in this type of entry's description"))
    return;
  if (!winIni && description.find_first_not_of(' ') == std::string::npos) {
    ui::ShowMessage(kNoDescriptionMessage, "Velmora", ui::MsgIcon::Warning, handle());
    return;
  }
  // A registry value's name may hold any character (":" and "\\" too).
  if (winIni && command.find(" /") != std::string::npos) {
    ui::ShowMessage(kParametersMessage, "Velmora", ui::MsgIcon::Warning, handle());
    return;
  }
  StartupItems& items = manager_.items();
  const StartupItem* old = row_ >= 0 ? manager_.Item(row_) : nullptr;
  StartupItems::NewItem n{location, cbEnabled.checked(), description, command, ""};
  const StartupItem target = items.ItemFor(n);
  // Win.ini keeps the short form of a path with blanks; one that has none
  // would be split into two entries.
  if (winIni && target.token.find(' ') != std::string::npos) {
    ui::ShowMessage(kNoShortFormMessage, "Velmora", ui::MsgIcon::Warning, handle());
    return;
  }
  const bool samePlace = old && old->source == target.source && old->registry == target.registry &&
                         old->parked == target.parked && CompareNoCase(old->name, target.name) == 0 && !winIni;
  if (!winIni && !samePlace && items.Exists(location, n.enabled, description)) {
    ui::ShowMessage(kExistsMessage, "Velmora", ui::MsgIcon::Warning, handle());
    return;
  }
  if (old && IsFolderSource(old->source)) {
    n.basedOnShortcut = items.FolderOf(old->source, old->parked) + old->name;
  }
  // The new entry first; the old one goes only once the new one is written.
  StartupItem keptOld = old ? *old : StartupItem();
  CommandJournal journal(manager_, (old ? "Edited " + old->programName : "Added " + target.programName));
  // Written in place when the place and name stay (a change of letter case
  // only is the same value or file).
  std::string problem = items.Write(n, old);
  const bool sameToken = old && winIni && old->source == target.source && old->parked == target.parked &&
                         old->token == target.token;
  if (problem.empty() && old && !samePlace && !sameToken) problem = items.Delete(keptOld);
  if (!problem.empty()) {
    ui::ShowMessage(problem, "Velmora", ui::MsgIcon::Error, handle());
    return;
  }
  if (row_ >= 0)
    manager_.ShowRow(row_, target);
  else
    manager_.AddRow(target);
  manager_.lvChange();
  Close();
}

}  // namespace velmora::startup
