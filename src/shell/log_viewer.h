// TfrmLogs ("Tool Action Logs"): shows each tool's action logs and the running
// statistics, clears logs, resets statistics and sets the logging switches.
// Opened modally from the launcher; frees itself on close.
//
// Log pages load lazily: a page reads its files the first time it is shown
// and is then marked loaded, so a log written later appears only after
// "&Refresh Data". Every handler works on a window that was never shown.
#pragma once

#include <initializer_list>
#include <string>

#include "platform/handles.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/form_storage.h"
#include "ui/list_view.h"
#include "ui/menus.h"

namespace velmora::shell {

inline const char* const kLogsTopic = "Tracking_statistics_with_Tool_Action_Logs";
// Shown in a view whose log file does not exist.
inline const char* const kNoEventsLogged = "No events logged";

class TfrmLogs : public ui::Form {
 public:
  TfrmLogs();
  ~TfrmLogs() override;

  // Menus.
  ui::MainMenu menu{*this};
  ui::MenuItem& mnuFile = menu.Add("&File");
  ui::MenuItem& mnuReset = mnuFile.Add("&Reset...");
  ui::MenuItem& mnuResetJunk = mnuReset.Add("&Junk and Obsolete File Statistics", [this] { mnuResetJunkClick(); });
  ui::MenuItem& mnuResetPriv = mnuReset.Add("&History and Privacy Statistics", [this] { mnuResetPrivClick(); });
  ui::MenuItem& mnuResetShort = mnuReset.Add("&Invalid Shortcuts Statistics", [this] { mnuResetShortClick(); });
  ui::MenuItem& mnuResetUnin = mnuReset.Add("Invalid &Uninstaller Statistics", [this] { mnuResetUninClick(); });
  ui::MenuItem& mnuResetDupes = mnuReset.Add("&Duplicate File Statistics", [this] { mnuResetDupesClick(); });
  ui::MenuItem& mnuResetReg = mnuReset.Add("&Registry Statistics", [this] { mnuResetRegClick(); });
  ui::MenuItem& mnuResetSep = mnuReset.AddSeparator();
  ui::MenuItem& mnuResetAll = mnuReset.Add("&All Statistics", [this] { mnuResetAllClick(); });
  ui::MenuItem& mnuExit = mnuFile.Add("&Exit", [this] { Close(); });
  ui::MenuItem& mnuView = menu.Add("&View");
  ui::MenuItem& mnuRefresh = mnuView.Add("&Refresh Data", [this] { mnuRefreshClick(); });
  ui::MenuItem& mnuHelp = menu.Add("&Help");
  ui::MenuItem& mnuHowTo = mnuHelp.Add("&How to use Tool Action Logs", [this] { mnuHowToClick(); });
  ui::MenuItem& mnuWeb = mnuHelp.Add("&Dastra Technologies' Web Site", [this] { mnuWebClick(); });

  // The banner of the page kind shown.
  ui::Image imgBanner;

  ui::TabControl pc;
  ui::TabPage tsJunk, tsPriv, tsShort, tsUnin, tsDupes, tsReg, tsStatistics, tsSettings, tsUndo;

  // "Junk Files": manual and scheduled log side by side; the divider between
  // them sets the width of the scheduled panel.
  ui::Label lblJunkManual;
  ui::Memo mmoJunk;
  ui::Image splJunk;
  ui::Label lblJunkAuto;
  ui::Memo mmoJunkAuto;
  ui::MenuButton cmdJunkClear, cmdJunkView;

  // "Privacy".
  ui::Label lblPrivManual;
  ui::Memo mmoPriv;
  ui::Image splPriv;
  ui::Label lblPrivAuto;
  ui::Memo mmoPrivAuto;
  ui::MenuButton cmdPrivClear, cmdPrivView;

  // "Shortcuts", "Uninstallers", "Duplicate Files": one log each.
  ui::Memo mmoShort;
  ui::Button cmdShortClear, cmdShortView;
  ui::Memo mmoUnin;
  ui::Button cmdUninClear, cmdUninView;
  ui::Memo mmoDupes;
  ui::Button cmdDupesClear, cmdDupesView;

  // "Registry".
  ui::Label lblRegManual;
  ui::Memo mmoReg;
  ui::Image splReg;
  ui::Label lblRegAuto;
  ui::Memo mmoRegAuto;
  ui::MenuButton cmdRegClear, cmdRegView;

  // "Statistics": one group per tool, then the historical totals.
  ui::GroupBox grpJunk;
  ui::Label lblJunkFilesCaption, lblJunkFiles, lblJunkBytesCaption, lblJunkBytes;
  ui::GroupBox grpPriv;
  ui::Label lblEraserBytesCaption, lblEraserBytes;
  ui::GroupBox grpShort;
  ui::Label lblShortFixedCaption, lblShortFixed, lblShortRemovedCaption, lblShortRemoved;
  ui::GroupBox grpUnin;
  ui::Label lblUninItemsCaption, lblUninItems;
  ui::GroupBox grpDupes;
  ui::Label lblDupeFilesCaption, lblDupeFiles, lblDupeBytesCaption, lblDupeBytes;
  ui::GroupBox grpReg;
  ui::Label lblRegRefsCaption, lblRegRefs;
  ui::GroupBox grpTotals;
  ui::Label lblTotalFilesCaption, lblTotalFiles, lblTotalBytesCaption, lblTotalBytes;

  // "Settings".
  ui::Label lblPerform;
  ui::GroupBox grpManual;
  ui::CheckBox cbJunk, cbPriv, cbShort, cbUnin, cbDupes, cbReg;
  ui::GroupBox grpAuto;
  ui::CheckBox cbJunkAuto, cbPrivAuto, cbRegAuto;

  // "Undo": the journalled removal sessions, newest first (shell/undo_page.h).
  ui::Label lblUndo;
  ui::ListView lvUndo;
  ui::Button cmdUndo;

  ui::StatusBar sb;

  // Loads one log into its view unless the active page is marked loaded, then
  // updates the page's commands.
  void DoRefresh(ui::Button& clear, ui::Button& view, ui::Memo& memo, const std::string& fileName);
  // Enables both commands when a view of the page holds a log.
  void UpdateButtons(ui::Button& clear, ui::Button& view, ui::Memo& memo, ui::Memo* second = nullptr);
  // Asks, then deletes the log file and empties its view.
  void ClearLog(ui::Button& clear, ui::Button& view, ui::Memo& memo, const std::string& fileName,
                ui::Memo* otherView);
  // Opens the log in the default text editor, or says there is none.
  void LogView(const std::string& fileName);
  // Reads the statistics into the labels and the status bar.
  void GetStats();

  bool pageLoaded(const ui::TabPage& page) const { return loaded_[page.index()]; }
  // Widths of the scheduled-log panels (96-dpi units), remembered with the window.
  int junkAutoWidth() const { return autoWidth_[0]; }
  int privAutoWidth() const { return autoWidth_[1]; }
  int regAutoWidth() const { return autoWidth_[2]; }
  // Sets a panel width (clamped to what the page can hold) and lays it out.
  void SetAutoWidth(ui::Image& divider, int width);

  // Handlers (public so an unattended caller or a test can drive them).
  void pcChange();
  void cmdJunkClearItem(int index);
  void cmdJunkViewItem(int index);
  void cmdPrivClearItem(int index);
  void cmdPrivViewItem(int index);
  void cmdRegClearItem(int index);
  void cmdRegViewItem(int index);
  void cmdShortClearClick();
  void cmdShortViewClick();
  void cmdUninClearClick();
  void cmdUninViewClick();
  void cmdDupesClearClick();
  void cmdDupesViewClick();
  void mnuResetJunkClick();
  void mnuResetPrivClick();
  void mnuResetShortClick();
  void mnuResetUninClick();
  void mnuResetDupesClick();
  void mnuResetRegClick();
  void mnuResetAllClick();
  void mnuRefreshClick();
  // Reads the sessions into the Undo page's list.
  void LoadUndoSessions();
  void lvUndoChange();
  void cmdUndoClick();
  void mnuHowToClick();
  void mnuWebClick();

  void FormCreate() override;
  void FormShow() override;
  void FormActivate() override;
  void FormResize() override;
  void FormCloseQuery(bool& canClose) override;

 private:
  enum class BannerKind { Log, Statistics, Settings };
  struct Divider {
    ui::Image* image;
    ui::Label *manualCaption, *autoCaption;
    ui::Memo *manual, *scheduled;
    ui::MenuButton *clear, *view;
    int* width;
  };

  void LoadPage(int index);
  void LoadAllLogsOfPage(int index);
  void ResetStatistics(std::initializer_list<const char*> names);
  void LayoutPages();
  bool laidOut_ = false;  // the pages are laid out once the window's controls exist
  void LayoutTwoLogPage(const Divider& d);
  void LayoutOneLogPage(ui::Memo& memo, ui::Button& clear, ui::Button& view);
  void ShowBanner();
  void WireDivider(Divider& d);
  Divider* DividerOf(ui::Image& image);
  // The page's inner size in 96-dpi units.
  SIZE PageSize() const;

  void LayoutUndoPage();
  static constexpr int kPageCount = 9;
  bool loaded_[kPageCount] = {};
  int autoWidth_[3] = {0, 0, 0};  // 0 = half the page
  Divider dividers_[3];
  Divider* dragging_ = nullptr;
  int dragStartX_ = 0, dragStartWidth_ = 0;
  BitmapHandle banners_[3];
  ui::FormStorage storage;
};

}  // namespace velmora::shell
