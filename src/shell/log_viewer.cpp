#include "shell/log_viewer.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "platform/files.h"
#include "platform/format.h"
#include "platform/services.h"
#include "platform/system.h"
#include "platform/text.h"
#include "shell/action_log.h"
#include "shell/artwork_draw.h"
#include "shell/help.h"
#include "shell/navigator.h"
#include "shell/settings.h"
#include "shell/undo_page.h"
#include "shell/utilities.h"
#include "ui/app.h"
#include "ui/dialogs.h"

namespace velmora::shell {

namespace {

// Client layout in 96-dpi units.
constexpr int kClientWidth = 620;
constexpr int kClientHeight = 430;
constexpr int kBannerHeight = 48;
constexpr int kMargin = 8;
constexpr int kTabsTop = kBannerHeight + kMargin;
constexpr int kStatusHeight = 22;
constexpr int kTabsHeight = kClientHeight - kTabsTop - kMargin - kStatusHeight;
constexpr int kButtonHeight = 25;
constexpr int kDividerWidth = 6;
constexpr int kMinPanelWidth = 120;
// What a page holds before its window exists (the tab control's borders and tab row).
constexpr int kDefaultPageWidth = kClientWidth - 2 * kMargin - 8;
constexpr int kDefaultPageHeight = kTabsHeight - 30;

// Statistics page: two columns of groups.
constexpr int kColumnWidth = (kDefaultPageWidth - 3 * kMargin) / 2;
constexpr int kLeftColumn = kMargin;
constexpr int kRightColumn = 2 * kMargin + kColumnWidth;
constexpr int kRowHeight = 18;
constexpr int kBytesRowHeight = 32;  // the byte text wraps onto a second line

const char* const kLogsStorageKey = "software\\dastra\\Velmora\\logs";
const char* const kLogEvents = "LogEvents";
const char* const kClearHint = "Clear the logged information for this tool";
const char* const kViewHint = "View or print this tool's logged information in your default text editor";
const char* const kManualItem = "Manual Operations";
const char* const kScheduledItem = "Scheduled Operations";

enum PageIndex { kJunk, kPriv, kShort, kUnin, kDupes, kReg, kStatistics, kSettings, kUndo };

const char* const kUndoText =
    "Every removal of the Registry Cleaner, the Uninstall Cleaner and the StartUp Manager is kept here for 90 days "
    "(the last 30 at least). Undoing one writes back only what it removed that is missing now.";

// The Undo page's row: the session file it stands for.
struct UndoRow : ui::RowData {
  std::string path;
  bool undoable = false;
};

std::string StateText(const UndoEntry& e) {
  if (e.damaged) return "Damaged";
  if (e.undone) return "Restored";
  if (!e.complete) return "Interrupted";
  return "Not restored";
}

std::string LogPath(const std::string& fileName) { return DataFolder() + fileName; }

// "1,234 bytes. (0.00 megabytes)"
std::string BytesText(std::int64_t bytes) {
  return FormatThousands(bytes) + " bytes. (" + FormatMegabytes(bytes) + " megabytes)";
}

ui::Bounds Row(int groupX, int groupY, int row, int captionWidth, bool value, int height = kRowHeight) {
  const int x = groupX + 12 + (value ? captionWidth : 0);
  const int w = value ? kColumnWidth - 24 - captionWidth : captionWidth;
  return {x, groupY + 20 + row, w, height};
}

// A strip in the suite's blue with the page kind's emblem and title.
BitmapHandle DrawBanner(art::Emblem emblem, const wchar_t* title, const wchar_t* subtitle) {
  art::Canvas c(kClientWidth, kBannerHeight, RGB(255, 255, 255));
  art::FillGradientHorizontal(c.dc(), c.bounds(), RGB(22, 58, 120), RGB(92, 150, 214));
  // A large washed-out copy of the emblem towards the right edge.
  art::FadedEmblem(c, emblem, kClientWidth - 120, -14, 76, 22);
  const RECT tile{10, 6, 46, 42};
  art::RoundPanel(c.dc(), tile, 8, RGB(250, 252, 255), RGB(206, 222, 242), RGB(14, 40, 90));
  art::DrawEmblem(c.dc(), emblem, 12, 8, 32);
  FontHandle big = art::UiFont(19, FW_BOLD);
  FontHandle small = art::UiFont(13);
  art::TextIn(c.dc(), RECT{58, 5, kClientWidth - 10, 28}, title, big.get(), RGB(255, 255, 255),
              DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  art::TextIn(c.dc(), RECT{59, 27, kClientWidth - 10, 44}, subtitle, small.get(), RGB(214, 228, 248),
              DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  art::HorizontalLine(c.dc(), 0, kClientWidth, kBannerHeight - 1, RGB(10, 30, 70));
  return c.Finish();
}

// The strip between two log views: the face colour with an etched line down
// the middle, tall enough for any window height.
BitmapHandle DrawDivider() {
  const int height = 2400;
  art::Canvas c(kDividerWidth, height, GetSysColor(COLOR_BTNFACE));
  const RECT dark{kDividerWidth / 2 - 1, 0, kDividerWidth / 2, height};
  const RECT light{kDividerWidth / 2, 0, kDividerWidth / 2 + 1, height};
  art::SolidRect(c.dc(), dark, GetSysColor(COLOR_BTNSHADOW));
  art::SolidRect(c.dc(), light, GetSysColor(COLOR_BTNHIGHLIGHT));
  return c.Finish();
}

}  // namespace

TfrmLogs::TfrmLogs()
    : imgBanner(*this, {0, 0, kClientWidth, kBannerHeight}),
      pc(*this, {kMargin, kTabsTop, kClientWidth - 2 * kMargin, kTabsHeight}),
      tsJunk(pc, "Junk Files"),
      tsPriv(pc, "Privacy"),
      tsShort(pc, "Shortcuts"),
      tsUnin(pc, "Uninstallers"),
      tsDupes(pc, "Duplicate Files"),
      tsReg(pc, "Registry"),
      tsStatistics(pc, "Statistics"),
      tsSettings(pc, "Settings"),
      tsUndo(pc, "Undo"),
      lblJunkManual(tsJunk, {}, kManualItem),
      mmoJunk(tsJunk, {}, true),
      splJunk(tsJunk, {}),
      lblJunkAuto(tsJunk, {}, kScheduledItem),
      mmoJunkAuto(tsJunk, {}, true),
      cmdJunkClear(tsJunk, {}, "Clear &Log"),
      cmdJunkView(tsJunk, {}, "View in &Text Editor"),
      lblPrivManual(tsPriv, {}, kManualItem),
      mmoPriv(tsPriv, {}, true),
      splPriv(tsPriv, {}),
      lblPrivAuto(tsPriv, {}, kScheduledItem),
      mmoPrivAuto(tsPriv, {}, true),
      cmdPrivClear(tsPriv, {}, "Clear &Log"),
      cmdPrivView(tsPriv, {}, "View in &Text Editor"),
      mmoShort(tsShort, {}, true),
      cmdShortClear(tsShort, {}, "Clear &Log"),
      cmdShortView(tsShort, {}, "View in &Text Editor"),
      mmoUnin(tsUnin, {}, true),
      cmdUninClear(tsUnin, {}, "Clear &Log"),
      cmdUninView(tsUnin, {}, "View in &Text Editor"),
      mmoDupes(tsDupes, {}, true),
      cmdDupesClear(tsDupes, {}, "Clear &Log"),
      cmdDupesView(tsDupes, {}, "View in &Text Editor"),
      lblRegManual(tsReg, {}, kManualItem),
      mmoReg(tsReg, {}, true),
      splReg(tsReg, {}),
      lblRegAuto(tsReg, {}, kScheduledItem),
      mmoRegAuto(tsReg, {}, true),
      cmdRegClear(tsReg, {}, "Clear &Log"),
      cmdRegView(tsReg, {}, "View in &Text Editor"),
      // Left column: junk (y 8, 76 high), privacy (90, 58), shortcuts (154, 62), uninstallers (222, 44).
      grpJunk(tsStatistics, {kLeftColumn, 8, kColumnWidth, 76}, "Junk and Obsolete Files"),
      lblJunkFilesCaption(tsStatistics, Row(kLeftColumn, 8, 0, 130, false), "Total Files Removed:"),
      lblJunkFiles(tsStatistics, Row(kLeftColumn, 8, 0, 130, true)),
      lblJunkBytesCaption(tsStatistics, Row(kLeftColumn, 8, kRowHeight, 130, false), "Total Space Freed:"),
      lblJunkBytes(tsStatistics, Row(kLeftColumn, 8, kRowHeight, 130, true, kBytesRowHeight)),
      grpPriv(tsStatistics, {kLeftColumn, 90, kColumnWidth, 58}, "Privacy and History"),
      lblEraserBytesCaption(tsStatistics, Row(kLeftColumn, 90, 0, 130, false), "Total Space Freed:"),
      lblEraserBytes(tsStatistics, Row(kLeftColumn, 90, 0, 130, true, kBytesRowHeight)),
      grpShort(tsStatistics, {kLeftColumn, 154, kColumnWidth, 62}, "Shortcuts"),
      lblShortFixedCaption(tsStatistics, Row(kLeftColumn, 154, 0, 160, false), "Total Shortcuts Fixed:"),
      lblShortFixed(tsStatistics, Row(kLeftColumn, 154, 0, 160, true)),
      lblShortRemovedCaption(tsStatistics, Row(kLeftColumn, 154, kRowHeight, 160, false),
                             "Total Shortcuts Removed:"),
      lblShortRemoved(tsStatistics, Row(kLeftColumn, 154, kRowHeight, 160, true)),
      grpUnin(tsStatistics, {kLeftColumn, 222, kColumnWidth, 44}, "Uninstallers"),
      lblUninItemsCaption(tsStatistics, Row(kLeftColumn, 222, 0, 212, false), "Total Invalid References Removed:"),
      lblUninItems(tsStatistics, Row(kLeftColumn, 222, 0, 212, true)),
      // Right column: duplicates (8, 76), registry (90, 44), historical totals (140, 76).
      grpDupes(tsStatistics, {kRightColumn, 8, kColumnWidth, 76}, "Duplicate Files"),
      lblDupeFilesCaption(tsStatistics, Row(kRightColumn, 8, 0, 130, false), "Total Files Removed:"),
      lblDupeFiles(tsStatistics, Row(kRightColumn, 8, 0, 130, true)),
      lblDupeBytesCaption(tsStatistics, Row(kRightColumn, 8, kRowHeight, 130, false), "Total Space Freed:"),
      lblDupeBytes(tsStatistics, Row(kRightColumn, 8, kRowHeight, 130, true, kBytesRowHeight)),
      grpReg(tsStatistics, {kRightColumn, 90, kColumnWidth, 44}, "Registry"),
      lblRegRefsCaption(tsStatistics, Row(kRightColumn, 90, 0, 212, false), "Total Invalid References Removed:"),
      lblRegRefs(tsStatistics, Row(kRightColumn, 90, 0, 212, true)),
      grpTotals(tsStatistics, {kRightColumn, 140, kColumnWidth, 76}, "Historical Totals"),
      lblTotalFilesCaption(tsStatistics, Row(kRightColumn, 140, 0, 130, false), "Total Files Removed:"),
      lblTotalFiles(tsStatistics, Row(kRightColumn, 140, 0, 130, true)),
      lblTotalBytesCaption(tsStatistics, Row(kRightColumn, 140, kRowHeight, 130, false), "Total Space Freed:"),
      lblTotalBytes(tsStatistics, Row(kRightColumn, 140, kRowHeight, 130, true, kBytesRowHeight)),
      lblPerform(tsSettings, {kMargin + 4, 12, 400, 18}, "Perform logging for the following actions:"),
      grpManual(tsSettings, {kLeftColumn, 36, kColumnWidth, 176}, "Manual Actions"),
      cbJunk(tsSettings, {kLeftColumn + 14, 58, kColumnWidth - 28, 20}, "&Junk and Obsolete Files", true),
      cbPriv(tsSettings, {kLeftColumn + 14, 82, kColumnWidth - 28, 20}, "&Privacy", true),
      cbShort(tsSettings, {kLeftColumn + 14, 106, kColumnWidth - 28, 20}, "&Invalid Shortcuts", true),
      cbUnin(tsSettings, {kLeftColumn + 14, 130, kColumnWidth - 28, 20}, "In&valid Uninstaller References", true),
      cbDupes(tsSettings, {kLeftColumn + 14, 154, kColumnWidth - 28, 20}, "Du&plicate Files", true),
      cbReg(tsSettings, {kLeftColumn + 14, 178, kColumnWidth - 28, 20}, "Re&gistry Cleaner", true),
      grpAuto(tsSettings, {kRightColumn, 36, kColumnWidth, 104}, "Automatic Actions"),
      cbJunkAuto(tsSettings, {kRightColumn + 14, 58, kColumnWidth - 28, 20}, "J&unk and Obsolete Files", true),
      cbPrivAuto(tsSettings, {kRightColumn + 14, 82, kColumnWidth - 28, 20}, "P&rivacy", true),
      cbRegAuto(tsSettings, {kRightColumn + 14, 106, kColumnWidth - 28, 20}, "Regis&try Cleaner", true),
      lblUndo(tsUndo, {kMargin, kMargin, kDefaultPageWidth - 2 * kMargin, 32}, kUndoText),
      lvUndo(tsUndo, {kMargin, 44, kDefaultPageWidth - 2 * kMargin, kDefaultPageHeight - 44 - 2 * kMargin - kButtonHeight},
             /*checkBoxes=*/false, /*multiSelect=*/false),
      cmdUndo(tsUndo, {kMargin, kDefaultPageHeight - kMargin - kButtonHeight, 200, kButtonHeight},
              "&Undo Selected Session"),
      sb(*this),
      storage(*this, kLogsStorageKey, "Pos") {
  dividers_[0] = {&splJunk, &lblJunkManual, &lblJunkAuto, &mmoJunk, &mmoJunkAuto, &cmdJunkClear, &cmdJunkView,
                  &autoWidth_[0]};
  dividers_[1] = {&splPriv, &lblPrivManual, &lblPrivAuto, &mmoPriv, &mmoPrivAuto, &cmdPrivClear, &cmdPrivView,
                  &autoWidth_[1]};
  dividers_[2] = {&splReg, &lblRegManual, &lblRegAuto, &mmoReg, &mmoRegAuto, &cmdRegClear, &cmdRegView,
                  &autoWidth_[2]};

  // Captions stay on one line; the byte figures beside them may wrap.
  for (ui::Label* l : {&lblJunkFilesCaption, &lblJunkBytesCaption, &lblEraserBytesCaption, &lblShortFixedCaption,
                       &lblShortRemovedCaption, &lblUninItemsCaption, &lblDupeFilesCaption, &lblDupeBytesCaption,
                       &lblRegRefsCaption, &lblTotalFilesCaption, &lblTotalBytesCaption})
    l->SetWordWrap(false);
  // Each check box is stored under its own name.
  storage.Add(cbJunk, "cbJunk");
  storage.Add(cbPriv, "cbPriv");
  storage.Add(cbShort, "cbShort");
  storage.Add(cbUnin, "cbUnin");
  storage.Add(cbDupes, "cbDupes");
  storage.Add(cbReg, "cbReg");
  storage.Add(cbJunkAuto, "cbJunkAuto");
  storage.Add(cbPrivAuto, "cbPrivAuto");
  storage.Add(cbRegAuto, "cbRegAuto");
  const char* const widthNames[] = {"pnlJunkAuto.Width", "pnlPrivAuto.Width", "pnlRegAuto.Width"};
  for (int i = 0; i < 3; ++i) {
    storage.AddInt(
        widthNames[i], [this, i] { return autoWidth_[i]; }, [this, i](int w) { autoWidth_[i] = std::max(0, w); });
  }

  ui::FormArgs args;
  args.className = "TfrmLogs";
  args.caption = "Tool Action Logs";
  args.clientWidth = kClientWidth;
  args.clientHeight = kClientHeight;
  args.sizeable = true;  // longer log lines read without scrolling
  imgBanner.SetAnchors(ui::akLeft | ui::akTop | ui::akRight);
  pc.SetAnchors(ui::kAnchorAll);
  args.helpTopic = kLogsTopic;
  args.freeOnClose = true;
  Create(args);
}

TfrmLogs::~TfrmLogs() = default;

void TfrmLogs::FormCreate() {
  banners_[0] = DrawBanner(art::Emblem::Notebook, L"Tool Action Logs", L"What each tool did, session by session");
  banners_[1] = DrawBanner(art::Emblem::Clipboard, L"Statistics", L"Everything the tools have removed so far");
  banners_[2] = DrawBanner(art::Emblem::Tick, L"Logging Settings", L"Choose which actions are written to the logs");
  imgBanner.SetStretch(true);

  for (Divider& d : dividers_) {
    d.clear->AddItem(kManualItem);
    d.clear->AddItem(kScheduledItem);
    d.view->AddItem(kManualItem);
    d.view->AddItem(kScheduledItem);
    d.image->SetPicture(DrawDivider());
    WireDivider(d);
  }
  for (ui::Button* b : {static_cast<ui::Button*>(&cmdJunkClear), static_cast<ui::Button*>(&cmdPrivClear),
                        static_cast<ui::Button*>(&cmdRegClear), &cmdShortClear, &cmdUninClear, &cmdDupesClear})
    b->SetHint(kClearHint);
  for (ui::Button* b : {static_cast<ui::Button*>(&cmdJunkView), static_cast<ui::Button*>(&cmdPrivView),
                        static_cast<ui::Button*>(&cmdRegView), &cmdShortView, &cmdUninView, &cmdDupesView})
    b->SetHint(kViewHint);

  cmdJunkClear.onItem = [this](int i) { cmdJunkClearItem(i); };
  cmdJunkView.onItem = [this](int i) { cmdJunkViewItem(i); };
  cmdPrivClear.onItem = [this](int i) { cmdPrivClearItem(i); };
  cmdPrivView.onItem = [this](int i) { cmdPrivViewItem(i); };
  cmdRegClear.onItem = [this](int i) { cmdRegClearItem(i); };
  cmdRegView.onItem = [this](int i) { cmdRegViewItem(i); };
  cmdShortClear.onClick = [this] { cmdShortClearClick(); };
  cmdShortView.onClick = [this] { cmdShortViewClick(); };
  cmdUninClear.onClick = [this] { cmdUninClearClick(); };
  cmdUninView.onClick = [this] { cmdUninViewClick(); };
  cmdDupesClear.onClick = [this] { cmdDupesClearClick(); };
  cmdDupesView.onClick = [this] { cmdDupesViewClick(); };
  pc.onChange = [this] { pcChange(); };
  lvUndo.AddColumn("Date", 108);
  lvUndo.AddColumn("Tool", 112);
  lvUndo.AddColumn("What Was Done", 212);
  lvUndo.AddColumn("Items", 44, ui::ColumnAlign::Right);
  lvUndo.AddColumn("State", 84);
  lvUndo.onSelectionChange = [this] { lvUndoChange(); };
  cmdUndo.onClick = [this] { cmdUndoClick(); };
  cmdUndo.SetHint("Write back what the selected session removed and is missing now");
  cmdUndo.SetEnabled(false);

  for (ui::Memo* m : {&mmoJunk, &mmoJunkAuto, &mmoPriv, &mmoPrivAuto, &mmoShort, &mmoUnin, &mmoDupes, &mmoReg,
                      &mmoRegAuto})
    m->SetText(kNoEventsLogged);
  for (ui::Label* l : {&lblJunkFiles, &lblJunkBytes, &lblEraserBytes, &lblShortFixed, &lblShortRemoved,
                       &lblUninItems, &lblDupeFiles, &lblDupeBytes, &lblRegRefs, &lblTotalFiles, &lblTotalBytes})
    l->SetFontStyle(true);
  lblPerform.SetFontStyle(true);

  sb.SetPanels({200, -1});
  laidOut_ = true;
  LayoutPages();
  ShowBanner();
  GetStats();
}

// ---- Loading ----------------------------------------------------------------

void TfrmLogs::DoRefresh(ui::Button& clear, ui::Button& view, ui::Memo& memo, const std::string& fileName) {
  const int active = pc.activePageIndex();
  if (active >= 0 && active < kPageCount && loaded_[active]) return;
  const std::string path = LogPath(fileName);
  std::optional<std::string> content;
  if (FileExists(path)) content = ReadTextFile(path);
  if (content) {
    memo.Clear();
    memo.SetText(*content);
    ui::ProcessMessages();
    memo.ScrollToEnd();
  } else {
    memo.SetText(kNoEventsLogged);
  }
  // The two-log pages judge both their views.
  for (const Divider& d : dividers_) {
    if (&memo == d.manual || &memo == d.scheduled) {
      UpdateButtons(clear, view, *d.manual, d.scheduled);
      return;
    }
  }
  UpdateButtons(clear, view, memo);
}

void TfrmLogs::UpdateButtons(ui::Button& clear, ui::Button& view, ui::Memo& memo, ui::Memo* second) {
  bool any = memo.text() != kNoEventsLogged;
  if (second && second->text() != kNoEventsLogged) any = true;
  clear.SetEnabled(any);
  view.SetEnabled(clear.enabled());
}

void TfrmLogs::LoadAllLogsOfPage(int index) {
  switch (index) {
    case kJunk:
      DoRefresh(cmdJunkClear, cmdJunkView, mmoJunk, logfile::kManualJunk);
      DoRefresh(cmdJunkClear, cmdJunkView, mmoJunkAuto, logfile::kScheduledJunk);
      break;
    case kPriv:
      DoRefresh(cmdPrivClear, cmdPrivView, mmoPriv, logfile::kManualPrivacy);
      DoRefresh(cmdPrivClear, cmdPrivView, mmoPrivAuto, logfile::kScheduledEraser);
      break;
    case kShort:
      DoRefresh(cmdShortClear, cmdShortView, mmoShort, logfile::kManualShortcuts);
      break;
    case kUnin:
      DoRefresh(cmdUninClear, cmdUninView, mmoUnin, logfile::kManualUninstallers);
      break;
    case kDupes:
      DoRefresh(cmdDupesClear, cmdDupesView, mmoDupes, logfile::kManualDupes);
      break;
    case kReg:
      DoRefresh(cmdRegClear, cmdRegView, mmoReg, logfile::kManualRegistry);
      DoRefresh(cmdRegClear, cmdRegView, mmoRegAuto, logfile::kScheduledRegistry);
      break;
    case kUndo:
      LoadUndoSessions();
      break;
    default:
      break;
  }
}

void TfrmLogs::LoadPage(int index) {
  if (index < 0 || index >= kPageCount || loaded_[index]) return;
  LoadAllLogsOfPage(index);
  loaded_[index] = true;
}

void TfrmLogs::FormActivate() { LoadPage(pc.activePageIndex()); }

void TfrmLogs::pcChange() {
  LoadPage(pc.activePageIndex());
  LayoutPages();
  ShowBanner();
}

void TfrmLogs::mnuRefreshClick() {
  for (int i = kJunk; i <= kReg; ++i) loaded_[i] = false;
  for (int i = kJunk; i <= kReg; ++i) LoadAllLogsOfPage(i);
  // The active log page now shows its files as they are.
  const int active = pc.activePageIndex();
  if (active >= kJunk && active <= kReg) loaded_[active] = true;
  loaded_[kUndo] = false;
  if (active == kUndo) LoadPage(kUndo);
  GetStats();
}

// ---- Undo -------------------------------------------------------------------

void TfrmLogs::LoadUndoSessions() {
  lvUndo.Clear();
  const UndoJournalAccess& journal = UndoJournal();
  if (journal.list) {
    for (const UndoEntry& e : journal.list()) {
      // To the minute: the seconds only make the column wider.
      const int row = lvUndo.AddItem(e.damaged ? "" : e.date.substr(0, 16));
      lvUndo.SetSubItem(row, 0, e.damaged ? "" : e.tool);
      lvUndo.SetSubItem(row, 1, e.damaged ? ExtractFileName(e.path) : e.what);
      lvUndo.SetSubItem(row, 2, e.damaged ? "" : std::to_string(e.count));
      lvUndo.SetSubItem(row, 3, StateText(e));
      auto record = std::make_unique<UndoRow>();
      record->path = e.path;
      record->undoable = !e.damaged && static_cast<bool>(journal.undo);
      lvUndo.SetPayload(row, std::move(record));
    }
  }
  sb.SetText(1, std::to_string(lvUndo.itemCount()) + " removal session(s) kept for undoing.");
  lvUndoChange();
}

void TfrmLogs::lvUndoChange() {
  const std::vector<int> sel = lvUndo.SelectedRows();
  const UndoRow* r = sel.empty() ? nullptr : lvUndo.PayloadAs<UndoRow>(sel.front());
  cmdUndo.SetEnabled(r && r->undoable);
}

void TfrmLogs::cmdUndoClick() {
  const std::vector<int> sel = lvUndo.SelectedRows();
  const UndoRow* r = sel.empty() ? nullptr : lvUndo.PayloadAs<UndoRow>(sel.front());
  const UndoJournalAccess& journal = UndoJournal();
  if (!r || !r->undoable || !journal.undo) return;
  const std::string what = lvUndo.SubItem(sel.front(), 1) + " (" + lvUndo.SubItem(sel.front(), 0) + ", " +
                           lvUndo.Caption(sel.front()) + ")";
  if (ui::dialogs().Message(handle(),
                            "Write back what this session removed and is missing now?\r\n\r\n" + what +
                                "\r\n\r\nNothing that is there now is changed.",
                            "Undo Session", ui::MsgButtons::YesNo, ui::MsgIcon::Question) != ui::MsgResult::Yes)
    return;
  const std::string path = r->path;
  UndoResult result;
  {
    ui::WaitCursor wait;
    result = journal.undo(path);
  }
  ui::dialogs().Message(handle(), result.text, "Undo Session", ui::MsgButtons::Ok,
                        result.ok ? ui::MsgIcon::Information : ui::MsgIcon::Warning);
  LoadUndoSessions();
  for (int row = 0; row < lvUndo.itemCount(); ++row) {
    const UndoRow* now = lvUndo.PayloadAs<UndoRow>(row);
    if (now && now->path == path) {
      lvUndo.SetSelected(row, true);
      break;
    }
  }
  lvUndoChange();
}

// ---- Clearing and viewing ---------------------------------------------------

void TfrmLogs::ClearLog(ui::Button& clear, ui::Button& view, ui::Memo& memo, const std::string& fileName,
                        ui::Memo* otherView) {
  if (!ui::ConfirmYesNo("Are you sure you want to permanently clear the log file associated with this operation?",
                        "Please confirm", handle()))
    return;
  const std::string path = LogPath(fileName);
  if (!DeleteFileW(LongPathW(path).c_str()) && FileExists(path)) {
    // Saying the log is gone while it is still there would mislead the user.
    ui::ShowMessage("The log file " + path + " could not be cleared: " + SystemErrorText(GetLastError()),
                    "Tool Action Logs", ui::MsgIcon::Error, handle());
    return;
  }
  memo.Clear();
  memo.SetText(kNoEventsLogged);
  if (otherView) {
    UpdateButtons(clear, view, memo, otherView);
  } else {
    clear.SetEnabled(false);
    view.SetEnabled(false);
  }
}

void TfrmLogs::LogView(const std::string& fileName) {
  const std::string path = LogPath(fileName);
  if (FileExists(path)) {
    OpenWithShell("Open", path);
  } else {
    ui::ShowMessage("No events have been logged for this operation yet.", "Tool Action Logs",
                    ui::MsgIcon::Information, handle());
  }
}

void TfrmLogs::cmdJunkClearItem(int index) {
  if (index == 0) ClearLog(cmdJunkClear, cmdJunkView, mmoJunk, logfile::kManualJunk, &mmoJunkAuto);
  if (index == 1) ClearLog(cmdJunkClear, cmdJunkView, mmoJunkAuto, logfile::kScheduledJunk, &mmoJunk);
}
void TfrmLogs::cmdJunkViewItem(int index) {
  if (index == 0) LogView(logfile::kManualJunk);
  if (index == 1) LogView(logfile::kScheduledJunk);
}
void TfrmLogs::cmdPrivClearItem(int index) {
  if (index == 0) ClearLog(cmdPrivClear, cmdPrivView, mmoPriv, logfile::kManualPrivacy, &mmoPrivAuto);
  if (index == 1) ClearLog(cmdPrivClear, cmdPrivView, mmoPrivAuto, logfile::kScheduledEraser, &mmoPriv);
}
void TfrmLogs::cmdPrivViewItem(int index) {
  if (index == 0) LogView(logfile::kManualPrivacy);
  if (index == 1) LogView(logfile::kScheduledEraser);
}
void TfrmLogs::cmdRegClearItem(int index) {
  if (index == 0) ClearLog(cmdRegClear, cmdRegView, mmoReg, logfile::kManualRegistry, &mmoRegAuto);
  if (index == 1) ClearLog(cmdRegClear, cmdRegView, mmoRegAuto, logfile::kScheduledRegistry, &mmoReg);
}
void TfrmLogs::cmdRegViewItem(int index) {
  if (index == 0) LogView(logfile::kManualRegistry);
  if (index == 1) LogView(logfile::kScheduledRegistry);
}
void TfrmLogs::cmdShortClearClick() {
  ClearLog(cmdShortClear, cmdShortView, mmoShort, logfile::kManualShortcuts, nullptr);
}
void TfrmLogs::cmdShortViewClick() { LogView(logfile::kManualShortcuts); }
void TfrmLogs::cmdUninClearClick() {
  ClearLog(cmdUninClear, cmdUninView, mmoUnin, logfile::kManualUninstallers, nullptr);
}
void TfrmLogs::cmdUninViewClick() { LogView(logfile::kManualUninstallers); }
void TfrmLogs::cmdDupesClearClick() { ClearLog(cmdDupesClear, cmdDupesView, mmoDupes, logfile::kManualDupes, nullptr); }
void TfrmLogs::cmdDupesViewClick() { LogView(logfile::kManualDupes); }

// ---- Statistics -------------------------------------------------------------

void TfrmLogs::GetStats() {
  const std::int32_t junkFiles = ReadStatistic(stat::kJunkFiles);
  const std::int32_t junkBytes = ReadStatistic(stat::kJunkBytes);
  const std::int32_t eraserBytes = ReadStatistic(stat::kEraserBytes);
  const std::int32_t shortFixed = ReadStatistic(stat::kShortFixed);
  const std::int32_t shortRemoved = ReadStatistic(stat::kShortRemoved);
  const std::int32_t shortBytes = ReadStatistic(stat::kShortBytes);
  const std::int32_t uninItems = ReadStatistic(stat::kUninItems);
  const std::int32_t dupeFiles = ReadStatistic(stat::kDupeFiles);
  const std::int32_t dupeBytes = ReadStatistic(stat::kDupeBytes);
  const std::int32_t regRefs = ReadStatistic(stat::kRegRefs);

  lblJunkFiles.SetCaption(std::to_string(junkFiles));
  lblJunkBytes.SetCaption(BytesText(junkBytes));
  lblEraserBytes.SetCaption(BytesText(eraserBytes));
  lblShortFixed.SetCaption(std::to_string(shortFixed));
  lblShortRemoved.SetCaption(std::to_string(shortRemoved));
  lblUninItems.SetCaption(std::to_string(uninItems));
  lblDupeFiles.SetCaption(std::to_string(dupeFiles));
  lblDupeBytes.SetCaption(BytesText(dupeBytes));
  lblRegRefs.SetCaption(std::to_string(regRefs));

  // Summed in 64 bits: four large 32-bit figures must not wrap into a
  // negative total.
  const std::int64_t totalFiles = std::int64_t(junkFiles) + shortRemoved + dupeFiles;
  const std::int64_t totalBytes = std::int64_t(junkBytes) + eraserBytes + shortBytes + dupeBytes;
  lblTotalFiles.SetCaption(std::to_string(totalFiles));
  lblTotalBytes.SetCaption(BytesText(totalBytes));
  sb.SetText(0, "Total Files Removed: " + std::to_string(totalFiles));
  sb.SetText(1, "Total Space Freed: " + BytesText(totalBytes));
}

void TfrmLogs::ResetStatistics(std::initializer_list<const char*> names) {
  if (ui::ConfirmYesNo("Are you sure you want reset this statistical data?  This operation cannot be reversed.",
                       "Please confirm...", handle())) {
    for (const char* name : names) DeleteSetting(kLogsKey, name);
  }
  GetStats();
}

void TfrmLogs::mnuResetJunkClick() { ResetStatistics({stat::kJunkBytes, stat::kJunkFiles}); }
void TfrmLogs::mnuResetPrivClick() { ResetStatistics({stat::kEraserBytes}); }
void TfrmLogs::mnuResetShortClick() {
  ResetStatistics({stat::kShortBytes, stat::kShortRemoved, stat::kShortFixed});
}
void TfrmLogs::mnuResetUninClick() { ResetStatistics({stat::kUninItems}); }
void TfrmLogs::mnuResetDupesClick() { ResetStatistics({stat::kDupeBytes, stat::kDupeFiles}); }
void TfrmLogs::mnuResetRegClick() { ResetStatistics({stat::kRegRefs}); }
void TfrmLogs::mnuResetAllClick() {
  // The eraser's figure is kept: it has its own reset item.
  ResetStatistics({stat::kJunkBytes, stat::kJunkFiles, stat::kShortBytes, stat::kShortRemoved, stat::kShortFixed,
                   stat::kUninItems, stat::kDupeBytes, stat::kDupeFiles, stat::kRegRefs});
}

// ---- Help -------------------------------------------------------------------

void TfrmLogs::mnuHowToClick() { OpenHelpTopic(kLogsTopic); }
void TfrmLogs::mnuWebClick() { OpenWebPage(kWebSite, "Web"); }

// ---- Settings ---------------------------------------------------------------

void TfrmLogs::FormShow() {
  cbJunkAuto.SetChecked(ReadBoolSetting(schedulekey::kJunk, kLogEvents));
  cbPrivAuto.SetChecked(ReadBoolSetting(schedulekey::kEraser, kLogEvents));
  cbRegAuto.SetChecked(ReadBoolSetting(schedulekey::kRegistry, kLogEvents));
}

void TfrmLogs::FormCloseQuery(bool& canClose) {
  canClose = true;
  WriteBoolSetting(kLogsKey, logswitch::kJunk, cbJunk.checked());
  WriteBoolSetting(kLogsKey, logswitch::kPrivacy, cbPriv.checked());
  WriteBoolSetting(kLogsKey, logswitch::kShortcuts, cbShort.checked());
  WriteBoolSetting(kLogsKey, logswitch::kUninstallers, cbUnin.checked());
  WriteBoolSetting(kLogsKey, logswitch::kDupes, cbDupes.checked());
  WriteBoolSetting(kLogsKey, logswitch::kRegistry, cbReg.checked());
  WriteBoolSetting(schedulekey::kJunk, kLogEvents, cbJunkAuto.checked());
  WriteBoolSetting(schedulekey::kEraser, kLogEvents, cbPrivAuto.checked());
  WriteBoolSetting(schedulekey::kRegistry, kLogEvents, cbRegAuto.checked());
}

// ---- Layout -----------------------------------------------------------------

SIZE TfrmLogs::PageSize() const {
  RECT r{};
  if (!tsJunk.handle() || !GetClientRect(tsJunk.handle(), &r) || r.right <= 0)
    return SIZE{kDefaultPageWidth, kDefaultPageHeight};
  return SIZE{MulDiv(r.right, 96, dpi()), MulDiv(r.bottom, 96, dpi())};
}

void TfrmLogs::FormResize() {
  if (laidOut_) LayoutPages();
}

void TfrmLogs::LayoutPages() {
  for (const Divider& d : dividers_) LayoutTwoLogPage(d);
  LayoutOneLogPage(mmoShort, cmdShortClear, cmdShortView);
  LayoutOneLogPage(mmoUnin, cmdUninClear, cmdUninView);
  LayoutOneLogPage(mmoDupes, cmdDupesClear, cmdDupesView);
  LayoutUndoPage();
}

void TfrmLogs::LayoutUndoPage() {
  const SIZE page = PageSize();
  const int buttonsTop = page.cy - kMargin - kButtonHeight;
  lblUndo.SetBounds({kMargin, kMargin, page.cx - 2 * kMargin, 32});
  lvUndo.SetBounds({kMargin, 44, page.cx - 2 * kMargin, buttonsTop - kMargin - 44});
  cmdUndo.SetBounds({kMargin, buttonsTop, 200, kButtonHeight});
}

void TfrmLogs::LayoutTwoLogPage(const Divider& d) {
  const SIZE page = PageSize();
  const int inner = page.cx - 2 * kMargin - kDividerWidth;
  const int buttonsTop = page.cy - kMargin - kButtonHeight;
  const int viewsTop = kMargin + 18;
  const int viewsHeight = buttonsTop - kMargin - viewsTop;
  int scheduled = *d.width > 0 ? *d.width : inner / 2;
  scheduled = std::clamp(scheduled, kMinPanelWidth, std::max(kMinPanelWidth, inner - kMinPanelWidth));
  *d.width = scheduled;
  const int manual = inner - scheduled;
  const int scheduledLeft = kMargin + manual + kDividerWidth;
  d.manualCaption->SetBounds({kMargin, kMargin, manual, 16});
  d.manual->SetBounds({kMargin, viewsTop, manual, viewsHeight});
  d.image->SetBounds({kMargin + manual, viewsTop, kDividerWidth, viewsHeight});
  d.autoCaption->SetBounds({scheduledLeft, kMargin, scheduled, 16});
  d.scheduled->SetBounds({scheduledLeft, viewsTop, scheduled, viewsHeight});
  d.clear->SetBounds({kMargin, buttonsTop, 110, kButtonHeight});
  d.view->SetBounds({kMargin + 116, buttonsTop, 140, kButtonHeight});
}

void TfrmLogs::LayoutOneLogPage(ui::Memo& memo, ui::Button& clear, ui::Button& view) {
  const SIZE page = PageSize();
  const int buttonsTop = page.cy - kMargin - kButtonHeight;
  memo.SetBounds({kMargin, kMargin, page.cx - 2 * kMargin, buttonsTop - 2 * kMargin});
  clear.SetBounds({kMargin, buttonsTop, 110, kButtonHeight});
  view.SetBounds({kMargin + 116, buttonsTop, 140, kButtonHeight});
}

void TfrmLogs::SetAutoWidth(ui::Image& divider, int width) {
  Divider* d = DividerOf(divider);
  if (!d) return;
  *d->width = std::max(1, width);
  LayoutTwoLogPage(*d);
}

TfrmLogs::Divider* TfrmLogs::DividerOf(ui::Image& image) {
  for (Divider& d : dividers_)
    if (d.image == &image) return &d;
  return nullptr;
}

void TfrmLogs::WireDivider(Divider& d) {
  ui::Image* image = d.image;
  image->onMouseDown = [this, image](int, int) {
    POINT pt{};
    GetCursorPos(&pt);
    dragging_ = DividerOf(*image);
    dragStartX_ = pt.x;
    dragStartWidth_ = dragging_ ? *dragging_->width : 0;
  };
  image->onMouseMove = [this, image](int, int) {
    if (!dragging_ || dragging_->image != image || GetCapture() != image->handle()) return;
    POINT pt{};
    GetCursorPos(&pt);
    // Dragging to the right narrows the scheduled panel.
    const int delta = MulDiv(pt.x - dragStartX_, 96, dpi());
    SetAutoWidth(*image, dragStartWidth_ - delta);
  };
  image->onMouseUp = [this](int, int) { dragging_ = nullptr; };
}

void TfrmLogs::ShowBanner() {
  const int active = pc.activePageIndex();
  const BannerKind kind = active == kStatistics ? BannerKind::Statistics
                          : active == kSettings ? BannerKind::Settings
                                                : BannerKind::Log;
  imgBanner.SetPicture(banners_[static_cast<int>(kind)].get());
}

}  // namespace velmora::shell
