// TfrmStartup: "Velmora StartUp Manager". Lists every program Windows starts
// by itself (startup_items.h), switches items off and on, deletes them, and
// adds or edits them through TfrmEdit. Each row keeps its StartupItem: every
// command acts on the row's own place and exact name, never on its texts.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tools/startup/startup_items.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/form_storage.h"
#include "ui/list_view.h"
#include "ui/menus.h"

namespace velmora::startup {

inline const char* const kStartupTopic = "Managing_startup_applications";
inline const char* const kEditTopic = "StartUp_Manager_Adding_new_and_editing_existing_startup_items";

struct StartupRow : ui::RowData {
  StartupItem item;
};

class TfrmStartup : public ui::Form {
 public:
  // The places to read; tests give their own.
  explicit TfrmStartup(StartupPlaces places = SystemPlaces());

  ui::PopupMenu pmPopup{*this};
  ui::MenuItem& mnuDisable;
  ui::MenuItem& mnuEnable;
  ui::MenuItem& mnuSep1;
  ui::MenuItem& mnuAdd;
  ui::MenuItem& mnuEdit;
  ui::MenuItem& mnuDelete;
  ui::MenuItem& mnuSep2;
  ui::MenuItem& mnuRefresh;
  ui::Button cmdDisable, cmdEnable, cmdAdd, cmdEdit, cmdDelete, cmdRefresh, cmdHelp;
  ui::ListView lv;
  ui::FormStorage storage;

  void cmdDisableClick() { StateChange(false); }
  void cmdEnableClick() { StateChange(true); }
  void cmdAddClick();
  void cmdEditClick();
  void cmdDeleteClick();
  void cmdRefreshClick() { RefreshList(); }
  void cmdHelpClick();
  void lvChange();
  void RefreshList();
  void StateChange(bool enable);

  StartupItems& items() { return items_; }
  // Where changes are journalled for undo ("" for the data folder's), and the
  // last command's session file ("" when nothing changed).
  std::string JournalFolder, LastSession;
  // The editor while it is open (tests drive it from inside its modal loop).
  class TfrmEdit* editor = nullptr;
  const StartupItem* Item(int row) const;
  // Shows a row's item: status, state image and texts.
  void ShowRow(int row, const StartupItem& item);
  int AddRow(const StartupItem& item);

 private:
  StartupItems items_;
};

// TfrmEdit: "Add a StartUp Item" / "Edit Startup Item".
class TfrmEdit : public ui::Form {
 public:
  // `row` is the manager's row being edited, or -1 to add.
  TfrmEdit(TfrmStartup& manager, int row);

  ui::Label lblDesc, lblCLine, lblLoc;
  ui::Edit edtDesc;
  ui::EditWithBrowse feCLine;
  ui::ComboBox cbLoc;
  ui::CheckBox cbEnabled;
  ui::Button cmdOK, cmdCancel, cmdHelp;

  void cbLocChange();
  void feCLineChange();
  void cmdOKClick();

 protected:
  void FormShow() override;

 private:
  TfrmStartup& manager_;
  int row_;
};

// The editor's location entries, in order.
const std::vector<std::string>& EditorLocations();

}  // namespace velmora::startup
