#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "shell/action_log.h"
#include "shell/hint.h"
#include "shell/log_viewer.h"
#include "shell/navigator.h"
#include "shell/settings.h"
#include "shell/undo_page.h"
#include "support/fakes.h"
#include "support/registry_sandbox.h"
#include "support/test_folder.h"

using namespace velmora;
using namespace velmora::shell;

namespace {

const char* const kClearQuestion =
    "Are you sure you want to permanently clear the log file associated with this operation?";
const char* const kResetQuestion =
    "Are you sure you want reset this statistical data?  This operation cannot be reversed.";
const char* const kNothingToView = "No events have been logged for this operation yet.";

// The viewer built hidden, as an unattended caller would; closed (and so
// freed) by Close() or, when a test ends early, by the destructor.
class Viewer {
 public:
  Viewer() : form_(new TfrmLogs()) {}
  ~Viewer() {
    if (form_) form_->Destroy();
  }
  Viewer(const Viewer&) = delete;
  Viewer& operator=(const Viewer&) = delete;
  TfrmLogs* operator->() const { return form_; }
  TfrmLogs& operator*() const { return *form_; }
  // Closes as the user would; the window frees itself.
  void Close() {
    ASSERT_TRUE(form_->Close());
    form_ = nullptr;
  }
  // The user picks a page tab.
  void ShowPage(ui::TabPage& page) {
    form_->pc.SetActivePage(page);
    form_->pcChange();
  }

 private:
  TfrmLogs* form_;
};

std::string LogFile(const std::string& name) { return test::world().programFolder + name; }
void WriteLog(const std::string& name, const std::string& text) { AppendToFile(LogFile(name), text); }

bool StatExists(const char* name) {
  RegKey k = RegKey::Open(HKEY_CURRENT_USER, kLogsKey);
  return k && k.ReadDword(name).has_value();
}

const char* const kAllStats[] = {stat::kJunkFiles,   stat::kJunkBytes,  stat::kEraserBytes, stat::kShortFixed,
                                 stat::kShortRemoved, stat::kShortBytes, stat::kUninItems,   stat::kDupeFiles,
                                 stat::kDupeBytes,   stat::kRegRefs};

}  // namespace

TEST(LogViewer, PagesMenusAndCommandsCarryTheirTexts) {
  test::RegistrySandbox sandbox;
  Viewer v;
  EXPECT_EQ("Tool Action Logs", v->caption());
  EXPECT_EQ(kLogsTopic, v->helpTopic());
  const std::vector<std::string> pages = {"Junk Files", "Privacy",         "Shortcuts",  "Uninstallers",
                                          "Duplicate Files", "Registry", "Statistics", "Settings", "Undo"};
  ASSERT_EQ(pages.size(), v->pc.pageCount());
  for (size_t i = 0; i < pages.size(); ++i) EXPECT_EQ(pages[i], v->pc.page(i).caption());

  for (ui::MenuButton* b : {&v->cmdJunkClear, &v->cmdPrivView, &v->cmdRegClear}) {
    ASSERT_EQ(2u, b->itemCount());
    EXPECT_EQ("Manual Operations", b->item(0));
    EXPECT_EQ("Scheduled Operations", b->item(1));
  }
  EXPECT_EQ("Clear &Log", v->cmdShortClear.caption());
  EXPECT_EQ("View in &Text Editor", v->cmdShortView.caption());
  EXPECT_EQ("Clear the logged information for this tool", v->cmdJunkClear.hint());
  EXPECT_EQ("View or print this tool's logged information in your default text editor", v->cmdDupesView.hint());
  EXPECT_EQ("Scheduled Operations", v->lblRegAuto.caption());

  ASSERT_EQ(3u, v->menu.count());
  EXPECT_EQ(8u, v->mnuReset.count());
  EXPECT_TRUE(v->mnuReset.item(6).separator());
  EXPECT_EQ("&All Statistics", v->mnuReset.item(7).caption());
  EXPECT_EQ("&Dastra Technologies' Web Site", v->mnuWeb.caption());

  for (ui::CheckBox* cb : {&v->cbJunk, &v->cbPriv, &v->cbShort, &v->cbUnin, &v->cbDupes, &v->cbReg,
                           &v->cbJunkAuto, &v->cbPrivAuto, &v->cbRegAuto})
    EXPECT_TRUE(cb->checked()) << cb->caption();
  EXPECT_EQ("In&valid Uninstaller References", v->cbUnin.caption());
  EXPECT_EQ("Regis&try Cleaner", v->cbRegAuto.caption());
}

TEST(LogViewer, TwoLogPageKeepsBothCommandsWhileEitherLogExists) {
  test::RegistrySandbox sandbox;
  WriteLog(logfile::kScheduledJunk, "OPERATION START: 2026/12/08 10:00\r\n");
  Viewer v;
  v->FormActivate();
  EXPECT_TRUE(v->pageLoaded(v->tsJunk));
  EXPECT_EQ(kNoEventsLogged, v->mmoJunk.text());
  EXPECT_EQ("OPERATION START: 2026/12/08 10:00\r\n", v->mmoJunkAuto.text());
  EXPECT_TRUE(v->cmdJunkClear.enabled());
  EXPECT_TRUE(v->cmdJunkView.enabled());

  // The manual log is missing: viewing it says so and opens nothing.
  v->cmdJunkView.ChooseItem(0);
  EXPECT_EQ(std::vector<std::string>{kNothingToView}, test::world().dialogs.messageTexts());
  EXPECT_TRUE(test::world().shellCalls.empty());
  // The scheduled one opens in the text editor.
  v->cmdJunkView.ChooseItem(1);
  ASSERT_EQ(1u, test::world().shellCalls.size());
  EXPECT_EQ("Open", test::world().shellCalls[0].verb);
  EXPECT_EQ(LogFile(logfile::kScheduledJunk), test::world().shellCalls[0].target);

  // A page with neither log has both commands off.
  v.ShowPage(v->tsPriv);
  EXPECT_EQ(kNoEventsLogged, v->mmoPriv.text());
  EXPECT_EQ(kNoEventsLogged, v->mmoPrivAuto.text());
  EXPECT_FALSE(v->cmdPrivClear.enabled());
  EXPECT_FALSE(v->cmdPrivView.enabled());
}

TEST(LogViewer, ClearingAsksFirstAndNoKeepsTheLog) {
  test::RegistrySandbox sandbox;
  WriteLog(logfile::kManualShortcuts, "  Fixed C:\\Desktop\\Editor.lnk\r\n");
  Viewer v;
  v->FormActivate();
  v.ShowPage(v->tsShort);
  EXPECT_EQ("  Fixed C:\\Desktop\\Editor.lnk\r\n", v->mmoShort.text());
  ASSERT_TRUE(v->cmdShortClear.enabled());
  ASSERT_TRUE(v->cmdShortView.enabled());

  test::world().dialogs.Answer(ui::MsgResult::No);
  v->cmdShortClear.Click();
  ASSERT_EQ(1u, test::world().dialogs.asked().size());
  const test::Question& q = test::world().dialogs.asked()[0];
  EXPECT_EQ(kClearQuestion, q.text);
  EXPECT_EQ("Please confirm", q.caption);
  EXPECT_EQ(ui::MsgButtons::YesNo, q.buttons);
  EXPECT_TRUE(FileExists(LogFile(logfile::kManualShortcuts)));
  EXPECT_EQ("  Fixed C:\\Desktop\\Editor.lnk\r\n", v->mmoShort.text());
  EXPECT_TRUE(v->cmdShortClear.enabled());

  // Yes deletes the only log of the page and turns both commands off.
  test::world().dialogs.Answer(ui::MsgResult::Yes);
  v->cmdShortClear.Click();
  EXPECT_FALSE(FileExists(LogFile(logfile::kManualShortcuts)));
  EXPECT_EQ(kNoEventsLogged, v->mmoShort.text());
  EXPECT_FALSE(v->cmdShortClear.enabled());
  EXPECT_FALSE(v->cmdShortView.enabled());
  EXPECT_TRUE(test::world().dialogs.allAnswersUsed());
}

TEST(LogViewer, ClearingOneLogOfATwoLogPageLeavesTheOther) {
  test::RegistrySandbox sandbox;
  WriteLog(logfile::kManualRegistry, "manual\r\n");
  WriteLog(logfile::kScheduledRegistry, "scheduled\r\n");
  Viewer v;
  v->FormActivate();
  v.ShowPage(v->tsReg);

  test::world().dialogs.Answer(ui::MsgResult::Yes);
  v->cmdRegClear.ChooseItem(1);  // "Scheduled Operations"
  EXPECT_FALSE(FileExists(LogFile(logfile::kScheduledRegistry)));
  EXPECT_TRUE(FileExists(LogFile(logfile::kManualRegistry)));
  EXPECT_EQ(kNoEventsLogged, v->mmoRegAuto.text());
  EXPECT_EQ("manual\r\n", v->mmoReg.text());
  EXPECT_TRUE(v->cmdRegClear.enabled());
  EXPECT_TRUE(v->cmdRegView.enabled());

  test::world().dialogs.Answer(ui::MsgResult::Yes);
  v->cmdRegClear.ChooseItem(0);
  EXPECT_FALSE(FileExists(LogFile(logfile::kManualRegistry)));
  EXPECT_FALSE(v->cmdRegClear.enabled());
  EXPECT_FALSE(v->cmdRegView.enabled());
}

TEST(LogViewer, ALogThatCannotBeDeletedIsReportedAndStaysShown) {
  test::RegistrySandbox sandbox;
  WriteLog(logfile::kManualUninstallers, "  Removed Old Tool\r\n");
  test::SetAttributes(LogFile(logfile::kManualUninstallers), FILE_ATTRIBUTE_READONLY);
  Viewer v;
  v->FormActivate();
  v.ShowPage(v->tsUnin);
  test::world().dialogs.Answer(ui::MsgResult::Yes);
  v->cmdUninClear.Click();
  ASSERT_EQ(2u, test::world().dialogs.asked().size());
  EXPECT_EQ(ui::MsgIcon::Error, test::world().dialogs.asked()[1].icon);
  EXPECT_NE(std::string::npos, test::world().dialogs.asked()[1].text.find(logfile::kManualUninstallers));
  EXPECT_TRUE(FileExists(LogFile(logfile::kManualUninstallers)));
  EXPECT_EQ("  Removed Old Tool\r\n", v->mmoUnin.text());
  EXPECT_TRUE(v->cmdUninClear.enabled());
  EXPECT_TRUE(v->cmdUninView.enabled());
  test::SetAttributes(LogFile(logfile::kManualUninstallers), FILE_ATTRIBUTE_NORMAL);
}

TEST(LogViewer, ViewOpensTheFullLogPathWithTheOpenVerb) {
  test::RegistrySandbox sandbox;
  WriteLog(logfile::kManualDupes, "dupes\r\n");
  WriteLog(logfile::kScheduledRegistry, "scheduled\r\n");
  Viewer v;
  v->FormActivate();
  v.ShowPage(v->tsDupes);
  v->cmdDupesView.Click();
  v.ShowPage(v->tsReg);
  v->cmdRegView.ChooseItem(1);
  ASSERT_EQ(2u, test::world().shellCalls.size());
  EXPECT_EQ("Open", test::world().shellCalls[0].verb);
  EXPECT_EQ(LogFile(logfile::kManualDupes), test::world().shellCalls[0].target);
  EXPECT_EQ(LogFile(logfile::kScheduledRegistry), test::world().shellCalls[1].target);

  // A log that vanished after loading is reported, not handed to the shell.
  DeleteFileW(LongPathW(LogFile(logfile::kManualDupes)).c_str());
  v->cmdDupesViewClick();
  EXPECT_EQ(2u, test::world().shellCalls.size());
  EXPECT_EQ(std::vector<std::string>{kNothingToView}, test::world().dialogs.messageTexts());
}

TEST(LogViewer, PagesLoadOnceUntilRefreshData) {
  test::RegistrySandbox sandbox;
  Viewer v;
  v->FormActivate();
  EXPECT_FALSE(v->pageLoaded(v->tsPriv));

  // Written after the window opened but before the page was first shown: shown.
  WriteLog(logfile::kManualPrivacy, "first\r\n");
  v.ShowPage(v->tsPriv);
  EXPECT_TRUE(v->pageLoaded(v->tsPriv));
  EXPECT_EQ("first\r\n", v->mmoPriv.text());
  EXPECT_TRUE(v->cmdPrivClear.enabled());

  // A scheduled run writes while the page is loaded: not shown until refreshed.
  WriteLog(logfile::kScheduledEraser, "scheduled run\r\n");
  v.ShowPage(v->tsJunk);
  v.ShowPage(v->tsPriv);
  EXPECT_EQ(kNoEventsLogged, v->mmoPrivAuto.text());
  v->mnuRefresh.Click();
  EXPECT_EQ("scheduled run\r\n", v->mmoPrivAuto.text());
  EXPECT_TRUE(v->pageLoaded(v->tsPriv));

  // Refresh from a statistics page loads no log; the log pages load when next shown.
  v.ShowPage(v->tsStatistics);
  EXPECT_TRUE(v->pageLoaded(v->tsStatistics));
  WriteLog(logfile::kManualJunk, "junk\r\n");
  v->mnuRefresh.Click();
  EXPECT_EQ(kNoEventsLogged, v->mmoJunk.text());
  EXPECT_FALSE(v->pageLoaded(v->tsJunk));
  v.ShowPage(v->tsJunk);
  EXPECT_EQ("junk\r\n", v->mmoJunk.text());
  EXPECT_TRUE(v->cmdJunkView.enabled());
}

TEST(LogViewer, StatisticsPageAndStatusBarShowTheStoredFigures) {
  test::RegistrySandbox sandbox;
  WriteIntegerSetting(kLogsKey, stat::kJunkFiles, 12);
  WriteIntegerSetting(kLogsKey, stat::kJunkBytes, 1234567);
  WriteIntegerSetting(kLogsKey, stat::kEraserBytes, 2048000000);
  WriteIntegerSetting(kLogsKey, stat::kShortFixed, 4);
  WriteIntegerSetting(kLogsKey, stat::kShortRemoved, 3);
  WriteIntegerSetting(kLogsKey, stat::kShortBytes, 1024000000);
  WriteIntegerSetting(kLogsKey, stat::kUninItems, -5);  // stored negative: shown negative
  WriteIntegerSetting(kLogsKey, stat::kDupeFiles, 2147483647);
  // kDupeBytes absent: reads as 0
  WriteIntegerSetting(kLogsKey, stat::kRegRefs, 1000000);
  Viewer v;
  EXPECT_EQ("12", v->lblJunkFiles.caption());
  EXPECT_EQ("1,234,567 bytes. (1.21 megabytes)", v->lblJunkBytes.caption());
  EXPECT_EQ("2,048,000,000 bytes. (2,000.00 megabytes)", v->lblEraserBytes.caption());
  EXPECT_EQ("4", v->lblShortFixed.caption());
  EXPECT_EQ("3", v->lblShortRemoved.caption());
  EXPECT_EQ("-5", v->lblUninItems.caption());
  EXPECT_EQ("2147483647", v->lblDupeFiles.caption());
  EXPECT_EQ("0 bytes. (0.00 megabytes)", v->lblDupeBytes.caption());
  EXPECT_EQ("1000000", v->lblRegRefs.caption());
  // Historical totals add the files removed and every byte figure, without
  // wrapping past 32 bits.
  EXPECT_EQ("2147483662", v->lblTotalFiles.caption());
  EXPECT_EQ("3,073,234,567 bytes. (3,001.21 megabytes)", v->lblTotalBytes.caption());
  ASSERT_EQ(2u, v->sb.panelCount());
  EXPECT_EQ("Total Files Removed: 2147483662", v->sb.text(0));
  EXPECT_EQ("Total Space Freed: 3,073,234,567 bytes. (3,001.21 megabytes)", v->sb.text(1));

  // A figure that wrapped in 32 bits while being added shows as stored.
  AddStatistic(stat::kDupeFiles, 1);
  v->mnuRefresh.Click();
  EXPECT_EQ("-2147483648", v->lblDupeFiles.caption());
  EXPECT_EQ("-2147483633", v->lblTotalFiles.caption());
}

TEST(LogViewer, EachResetItemDeletesExactlyItsValues) {
  test::RegistrySandbox sandbox;
  struct Case {
    std::function<ui::MenuItem&(TfrmLogs&)> item;
    std::set<std::string> deleted;
  };
  const std::vector<Case> cases = {
      {[](TfrmLogs& f) -> ui::MenuItem& { return f.mnuResetJunk; }, {"JunkBytes", "JunkFiles"}},
      {[](TfrmLogs& f) -> ui::MenuItem& { return f.mnuResetPriv; }, {"EraserBytes"}},
      {[](TfrmLogs& f) -> ui::MenuItem& { return f.mnuResetShort; }, {"ShortBytes", "ShortRemoved", "ShortFixed"}},
      {[](TfrmLogs& f) -> ui::MenuItem& { return f.mnuResetUnin; }, {"UninItems"}},
      {[](TfrmLogs& f) -> ui::MenuItem& { return f.mnuResetDupes; }, {"DupeBytes", "DupeFiles"}},
      {[](TfrmLogs& f) -> ui::MenuItem& { return f.mnuResetReg; }, {"RegRefs"}},
      {[](TfrmLogs& f) -> ui::MenuItem& { return f.mnuResetAll; },
       {"JunkBytes", "JunkFiles", "ShortBytes", "ShortRemoved", "ShortFixed", "UninItems", "DupeBytes", "DupeFiles",
        "RegRefs"}},
  };
  Viewer v;
  for (const Case& c : cases) {
    const std::string caption = c.item(*v).caption();
    for (const char* name : kAllStats) WriteIntegerSetting(kLogsKey, name, 7);
    test::world().dialogs.Reset();

    // No deletes nothing but still asks.
    test::world().dialogs.Answer(ui::MsgResult::No);
    c.item(*v).Click();
    ASSERT_EQ(1u, test::world().dialogs.asked().size()) << caption;
    EXPECT_EQ(kResetQuestion, test::world().dialogs.asked()[0].text);
    EXPECT_EQ("Please confirm...", test::world().dialogs.asked()[0].caption);
    for (const char* name : kAllStats) EXPECT_TRUE(StatExists(name)) << caption << " " << name;

    test::world().dialogs.Answer(ui::MsgResult::Yes);
    c.item(*v).Click();
    for (const char* name : kAllStats)
      EXPECT_EQ(c.deleted.count(name) == 0, StatExists(name)) << caption << " " << name;
    // The page shows the figures as they now are.
    EXPECT_EQ(c.deleted.count("JunkFiles") ? "0" : "7", v->lblJunkFiles.caption()) << caption;
    EXPECT_EQ(c.deleted.count("EraserBytes") ? "0 bytes. (0.00 megabytes)" : "7 bytes. (0.00 megabytes)",
              v->lblEraserBytes.caption())
        << caption;
  }
}

TEST(LogViewer, SettingsAreWrittenOnCloseAndRestoredOnShow) {
  test::RegistrySandbox sandbox;
  WriteBoolSetting(schedulekey::kEraser, "LogEvents", false);
  {
    Viewer v;
    v->FormShow();
    EXPECT_TRUE(v->cbJunkAuto.checked());
    EXPECT_FALSE(v->cbPrivAuto.checked());
    EXPECT_TRUE(v->cbRegAuto.checked());
    v->cbShort.Click();
    v->cbDupes.Click();
    v->cbRegAuto.Click();
    // A width the page cannot hold is brought back within it.
    v->SetAutoWidth(v->splPriv, 5);
    EXPECT_EQ(120, v->privAutoWidth());
    v->SetAutoWidth(v->splJunk, 150);
    v.Close();
  }
  EXPECT_TRUE(ReadBoolSetting(kLogsKey, "DoJunk"));
  EXPECT_TRUE(ReadBoolSetting(kLogsKey, "DoPriv"));
  EXPECT_FALSE(ReadBoolSetting(kLogsKey, "DoShort"));
  EXPECT_TRUE(ReadBoolSetting(kLogsKey, "DoUnin"));
  EXPECT_FALSE(ReadBoolSetting(kLogsKey, "DoDupes"));
  EXPECT_TRUE(ReadBoolSetting(kLogsKey, "DoReg"));
  EXPECT_TRUE(ReadBoolSetting(schedulekey::kJunk, "LogEvents"));
  EXPECT_FALSE(ReadBoolSetting(schedulekey::kEraser, "LogEvents"));
  EXPECT_FALSE(ReadBoolSetting(schedulekey::kRegistry, "LogEvents"));
  // The switches are really written, not merely left absent.
  EXPECT_TRUE(RegKey::Open(HKEY_CURRENT_USER, kLogsKey).ReadDword("DoJunk").has_value());
  EXPECT_TRUE(RegKey::Open(HKEY_CURRENT_USER, schedulekey::kJunk).ReadDword("LogEvents").has_value());
  EXPECT_TRUE(RegKey::Exists(HKEY_CURRENT_USER, "software\\dastra\\Velmora\\logs\\Pos"));

  // The next opening restores the boxes and the panel width; the automatic
  // boxes follow the schedule switches, which may have changed meanwhile.
  WriteBoolSetting(schedulekey::kRegistry, "LogEvents", true);
  Viewer again;
  EXPECT_FALSE(again->cbShort.checked());
  EXPECT_FALSE(again->cbDupes.checked());
  EXPECT_TRUE(again->cbReg.checked());
  EXPECT_EQ(150, again->junkAutoWidth());
  again->FormShow();
  EXPECT_TRUE(again->cbRegAuto.checked());
  EXPECT_FALSE(again->cbPrivAuto.checked());
}

TEST(LogViewer, HelpAndWebItemsGoThroughTheShell) {
  test::RegistrySandbox sandbox;
  WriteBoolSetting(kHintsKey, "Web", false);  // no hint window in this test
  Viewer v;
  v->mnuWeb.Click();
  v->mnuHowTo.Click();
  ASSERT_EQ(2u, test::world().shellCalls.size());
  EXPECT_EQ("OPEN", test::world().shellCalls[0].verb);
  EXPECT_EQ(kWebSite, test::world().shellCalls[0].target);
  EXPECT_NE(std::string::npos, test::world().shellCalls[1].target.find("help\\"));
}

TEST(LogViewer, TheUndoPageListsSessionsNewestFirstAndUndoesTheSelectedOne) {
  test::RegistrySandbox sandbox;
  std::vector<UndoEntry> sessions = {
      {"C:\\u\\2.reg", "2026-12-09 10:00:00", "Start-up Manager", "Disabled Tool", 1, false, true, false},
      {"C:\\u\\1.reg", "2026-12-08 09:00:00", "Registry Cleaner", "Removed invalid references", 7, true, true, false},
      {"C:\\u\\0.reg", "", "", "", 0, false, true, true},
  };
  std::vector<std::string> undone;
  UndoJournalAccess access;
  access.list = [&sessions] { return sessions; };
  access.undo = [&](const std::string& path) {
    undone.push_back(path);
    sessions[0].undone = true;
    return UndoResult{true, "The session was undone."};
  };
  SetUndoJournalAccess(access);
  struct Reset {
    ~Reset() { SetUndoJournalAccess({}); }
  } reset;
  Viewer v;
  v.ShowPage(v->tsUndo);
  ASSERT_EQ(3, v->lvUndo.itemCount());
  EXPECT_EQ("2026-12-09 10:00", v->lvUndo.Caption(0));
  EXPECT_EQ("Start-up Manager", v->lvUndo.SubItem(0, 0));
  EXPECT_EQ("Disabled Tool", v->lvUndo.SubItem(0, 1));
  EXPECT_EQ("1", v->lvUndo.SubItem(0, 2));
  EXPECT_EQ("Not restored", v->lvUndo.SubItem(0, 3));
  EXPECT_EQ("Restored", v->lvUndo.SubItem(1, 3));
  EXPECT_EQ("Damaged", v->lvUndo.SubItem(2, 3));
  EXPECT_EQ("0.reg", v->lvUndo.SubItem(2, 1));
  EXPECT_FALSE(v->cmdUndo.enabled());
  EXPECT_EQ("&Undo Selected Session", v->cmdUndo.caption());

  // A damaged session cannot be undone at all.
  v->lvUndo.SetSelected(2, true);
  v->lvUndoChange();
  EXPECT_FALSE(v->cmdUndo.enabled());
  v->cmdUndoClick();
  EXPECT_TRUE(undone.empty());

  // No undoes nothing; Yes undoes the selected session and shows its report.
  v->lvUndo.ClearSelection();
  v->lvUndo.SetSelected(0, true);
  v->lvUndoChange();
  ASSERT_TRUE(v->cmdUndo.enabled());
  test::world().dialogs.Answer(ui::MsgResult::No);
  v->cmdUndo.Click();
  EXPECT_TRUE(undone.empty());
  test::world().dialogs.Answer(ui::MsgResult::Yes);
  test::world().dialogs.Answer(ui::MsgResult::Ok);
  v->cmdUndo.Click();
  ASSERT_EQ(undone, std::vector<std::string>{"C:\\u\\2.reg"});
  EXPECT_NE(test::world().dialogs.messageTexts().back().find("The session was undone."), std::string::npos);
  EXPECT_EQ("Restored", v->lvUndo.SubItem(0, 3));  // read again after the undo
  EXPECT_TRUE(v->lvUndo.Selected(0));
  EXPECT_TRUE(test::world().dialogs.allAnswersUsed());
}
