// TfrmSProps on a hidden window, its registry sandboxed and its clock fixed.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "platform/calendar.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "shell/schedule.h"
#include "support/fakes.h"
#include "support/registry_sandbox.h"
#include "support/user_input.h"
#include "tools/sched/frm_sprops.h"
#include "ui/app.h"

using namespace velmora;
using namespace velmora::sched;
using shell::ScheduleKind;
using velmora::test::world;

namespace {

double At(int y, int mo, int d, int h = 0, int mi = 0) { return EncodeDateTime(y, mo, d, h, mi); }

class SPropsWindow : public ::testing::Test {
 protected:
  void SetUp() override { world().fixedNow = At(2027, 3, 14, 17, 2); }
  void TearDown() override {
    if (f_ && f_->handle()) f_->Close();
  }
  TfrmSProps& Open(const char* key, bool scheduled = true) {
    f_ = std::make_unique<TfrmSProps>(key, scheduled);
    f_->Show();
    ui::ProcessMessages();
    return *f_;
  }
  static RegKey Key(const char* key) { return RegKey::Create(HKEY_CURRENT_USER, key); }
  static void Store(const char* key, ScheduleKind kind, const char* params, double nextRun) {
    shell::WriteSchedule(key, kind, params, nextRun);
  }
  static std::optional<std::string> RunValue(const char* name) {
    const RegKey run = RegKey::Open(HKEY_CURRENT_USER, shell::kRunKey);
    return run ? run.ReadString(name) : std::nullopt;
  }

  test::RegistrySandbox reg_;
  std::unique_ptr<TfrmSProps> f_;
};

}  // namespace

TEST_F(SPropsWindow, TextsRangesAndTheOfferedOptions) {
  TfrmSProps& f = Open(shell::schedulekey::kJunk);
  EXPECT_EQ("Scheduled Item Properties", f.caption());
  wchar_t cls[64] = {};
  GetClassNameW(f.handle(), cls, 64);
  EXPECT_STREQ(L"TfrmSProps", cls);
  EXPECT_EQ("Use the options below to specify when this maintenance is to be performed.", f.lblInfo.caption());
  EXPECT_EQ("Timed Intervals", f.gbTimed.caption());
  EXPECT_EQ("Externally Triggered Intervals", f.gbTriggered.caption());
  EXPECT_EQ("Next Run Date and Time", f.gbNextRun.caption());
  EXPECT_EQ("&Every...", f.optMinutes.caption());
  for (ui::RadioButton* o : {&f.optHours, &f.optDays, &f.optWeeks, &f.optMonths}) EXPECT_EQ("Every...", o->caption());
  EXPECT_EQ("Minutes", f.lblMinutes.caption());
  EXPECT_EQ("Hours at", f.lblHoursAt.caption());
  EXPECT_EQ("minutes after the hour", f.lblAfterHour.caption());
  EXPECT_EQ("Days at the following time:", f.lblDaysAt.caption());
  EXPECT_EQ("Weeks starting on ", f.lblWeeksOn.caption());
  EXPECT_EQ("Months starting on day", f.lblMonthsOn.caption());
  EXPECT_EQ("of the month", f.lblOfMonth.caption());
  EXPECT_EQ("Each time Windows starts", f.optWinStart.caption());
  EXPECT_EQ("When you shut down Windows", f.optWinEnd.caption());
  EXPECT_EQ("On", f.lblOn.caption());
  EXPECT_EQ("at", f.lblAt.caption());
  EXPECT_EQ("OK", f.cmdOK.caption());
  EXPECT_EQ("&Cancel", f.cmdCancel.caption());
  EXPECT_EQ("&Help", f.cmdHelp.caption());
  std::vector<std::string> days;
  for (const char* d : {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"})
    days.push_back(d);
  EXPECT_EQ(days, f.cmbWeekday.items());
  EXPECT_EQ("Sunday", f.cmbWeekday.text());

  // Ranges and defaults of the parameter fields.
  struct Field {
    ui::NumberEdit& edit;
    int min, max, value;
  };
  for (const Field& x : {Field{f.seMinutes, 1, 59, 30}, Field{f.seHours, 1, 99, 5}, Field{f.seHourMinutes, 1, 59, 30},
                         Field{f.seDays, 1, 99, 5}, Field{f.seWeeks, 1, 99, 1}, Field{f.seMonths, 1, 99, 1},
                         Field{f.seMonthDay, 1, 31, 1}}) {
    EXPECT_EQ(x.min, x.edit.minimum());
    EXPECT_EQ(x.max, x.edit.maximum());
    EXPECT_EQ(x.value, x.edit.value());
  }
  EXPECT_EQ(5, f.seHourMinutes.increment());

  // No stored kind: every 5 days, next run an hour from now.
  EXPECT_TRUE(f.optDays.checked());
  EXPECT_EQ(ScheduleKind::Days, f.SelectedKind());
  EXPECT_FALSE(f.optWinEnd.visible());  // junk: no shut-down run
  EXPECT_TRUE(f.optWinStart.visible());
  f.Close();

  // The eraser's shut-down run is offered outside Windows NT only; a stored one on NT shows optDays.
  Store(shell::schedulekey::kEraser, ScheduleKind::WinEnd, "", At(2027, 3, 15));
  world().windowsNT = false;
  EXPECT_TRUE(Open(shell::schedulekey::kEraser).optWinEnd.visible());
  EXPECT_TRUE(f_->optWinEnd.checked());
  EXPECT_FALSE(f_->dt1.enabled());
  f_->Close();
  world().windowsNT = true;
  EXPECT_FALSE(Open(shell::schedulekey::kEraser).optWinEnd.visible());
  EXPECT_EQ(ScheduleKind::Days, f_->SelectedKind());
  EXPECT_TRUE(f_->dt1.enabled());
  // The stored shut-down kind has no next run: the fields show an hour from now.
  EXPECT_EQ(At(2027, 3, 14, 18, 2), f_->dtDate.value());
}

// Each kind reads its "Params" into the fields, and an unchanged OK writes back
// the same "Params" and "NextRun" (also for a next run late in the evening).
TEST_F(SPropsWindow, EachKindRoundTripsOnAnUnchangedOk) {
  struct Case {
    ScheduleKind kind;
    const char* params;
    double nextRun;
  };
  const Case cases[] = {
      {ScheduleKind::Minutes, "45", At(2027, 3, 14, 23, 30)},
      {ScheduleKind::Hours, "12|15", At(2027, 3, 15, 5, 15)},
      {ScheduleKind::Days, "5|0.979166666666667", At(2027, 3, 19, 23, 30)},
      {ScheduleKind::Weeks, "2|3", At(2027, 3, 31)},
      {ScheduleKind::Months, "3|31", At(2027, 4, 30)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.params);
    Store(shell::schedulekey::kRegistry, c.kind, c.params, c.nextRun);
    TfrmSProps& f = Open(shell::schedulekey::kRegistry);
    EXPECT_EQ(c.kind, f.SelectedKind());
    EXPECT_EQ(c.nextRun, f.dtDate.value());
    f.cmdOK.Click();
    EXPECT_EQ(nullptr, f.handle());
    const RegKey key = Key(shell::schedulekey::kRegistry);
    EXPECT_EQ(std::uint32_t(c.kind), key.ReadDword("SchedType"));
    EXPECT_EQ(c.params, key.ReadString("Params"));
    EXPECT_EQ(c.nextRun, key.ReadDateTime("NextRun"));
  }
  // The fields showed the stored parts.
  Store(shell::schedulekey::kRegistry, ScheduleKind::Weeks, "7|5", At(2027, 4, 2));
  EXPECT_EQ(7, Open(shell::schedulekey::kRegistry).seWeeks.value());
  EXPECT_EQ("Friday", f_->cmbWeekday.text());
  f_->Close();
  Store(shell::schedulekey::kRegistry, ScheduleKind::Hours, "12|15", At(2027, 4, 2));
  EXPECT_EQ(12, Open(shell::schedulekey::kRegistry).seHours.value());
  EXPECT_EQ(15, f_->seHourMinutes.value());
}

TEST_F(SPropsWindow, ChangedFieldsAreWrittenAndNumbersClampToTheirRanges) {
  // As the opener shows it: modal, and Enter presses OK.
  f_ = std::make_unique<TfrmSProps>(shell::schedulekey::kJunk, true);
  TfrmSProps& f = *f_;
  ui::PostTask([&f] {
    f.optMinutes.Click();
    SetWindowTextW(f.seMinutes.handle(), L"0");
    f.dtDate.SetValue(At(2027, 6, 1));
    f.dt1.SetValue(At(2000, 1, 1, 6, 45));
    PostMessageW(f.seMinutes.handle(), WM_KEYDOWN, VK_RETURN, 0);
  });
  EXPECT_EQ(ui::mrOk, f.ShowModal());
  const RegKey key = Key(shell::schedulekey::kJunk);
  EXPECT_EQ("1", key.ReadString("Params"));
  EXPECT_EQ(At(2027, 6, 1, 6, 45), key.ReadDateTime("NextRun"));

  Open(shell::schedulekey::kJunk);
  SetWindowTextW(f_->seMinutes.handle(), L"75");
  f_->cmdOK.Click();
  EXPECT_EQ("59", key.ReadString("Params"));

  // Days at the time field's time of day, written with a dot.
  Open(shell::schedulekey::kJunk).optDays.Click();
  SetWindowTextW(f_->seDays.handle(), L"3");
  f_->dt1.SetValue(At(2027, 6, 1, 6, 45));
  f_->cmdOK.Click();
  EXPECT_EQ(ScheduleKind::Days, shell::ReadScheduleKind(shell::schedulekey::kJunk));
  EXPECT_EQ("3|0.28125", key.ReadString("Params"));

  Open(shell::schedulekey::kJunk).optWeeks.Click();
  f_->cmbWeekday.ChooseItem(6);
  SetWindowTextW(f_->seWeeks.handle(), L"0");
  f_->cmdOK.Click();
  EXPECT_EQ("1|6", key.ReadString("Params"));

  Open(shell::schedulekey::kJunk).optMonths.Click();
  SetWindowTextW(f_->seMonths.handle(), L"99");
  SetWindowTextW(f_->seMonthDay.handle(), L"40");
  f_->cmdOK.Click();
  EXPECT_EQ("99|31", key.ReadString("Params"));

  Open(shell::schedulekey::kJunk).optHours.Click();
  SetWindowTextW(f_->seHours.handle(), L"x");
  SetWindowTextW(f_->seHourMinutes.handle(), L"20");
  f_->cmdOK.Click();
  EXPECT_EQ("1|20", key.ReadString("Params"));

  // Cancel writes nothing.
  Open(shell::schedulekey::kJunk).optMinutes.Click();
  f_->cmdCancel.Click();
  EXPECT_EQ(nullptr, f_->handle());
  EXPECT_EQ(1u, key.ReadDword("SchedType"));
  EXPECT_EQ("1|20", key.ReadString("Params"));
}

// "Each time Windows starts" keeps the tool's Run entry, quoted, while the tool is scheduled.
TEST_F(SPropsWindow, StartUpKindKeepsTheRunEntry) {
  const char* const value = "Clean Junk Files at StartUp";
  Open(shell::schedulekey::kJunk, false).optWinStart.Click();
  EXPECT_FALSE(f_->dtDate.enabled());
  EXPECT_FALSE(f_->lblAt.enabled());
  f_->cmdOK.Click();
  EXPECT_EQ(ScheduleKind::WinStart, shell::ReadScheduleKind(shell::schedulekey::kJunk));
  EXPECT_EQ("", Key(shell::schedulekey::kJunk).ReadString("Params"));
  EXPECT_FALSE(RunValue(value));

  TfrmSProps& f = Open(shell::schedulekey::kJunk, true);
  EXPECT_TRUE(f.optWinStart.checked());
  EXPECT_EQ(world().fixedNow, f.dt1.value());  // today and now for a triggered kind
  f.cmdOK.Click();
  EXPECT_EQ("\"" + world().programFolder + "Quorvel.exe\" /CleanJunk", RunValue(value));

  Open(shell::schedulekey::kJunk, true).optDays.Click();
  EXPECT_TRUE(f_->dtDate.enabled());
  f_->cmdOK.Click();
  EXPECT_FALSE(RunValue(value));
}

TEST_F(SPropsWindow, HelpButtonAndF1OpenTheTopic) {
  CreateFolderPath(world().programFolder + "help");
  ASSERT_TRUE(WriteFileAtomically(world().programFolder + "help\\" + kSPropsTopic + ".html", "<html></html>"));
  std::vector<std::string> topics;
  ui::SetHelpHook([&](const std::string& topic) { topics.push_back(topic); });
  TfrmSProps& f = Open(shell::schedulekey::kEraser);
  f.cmdHelp.Click();
  ASSERT_EQ(1u, world().shellCalls.size());
  EXPECT_NE(std::string::npos, world().shellCalls[0].target.find("Tallowin_Enabling_tallowin_for_a_specific_action"));
  test::UserPressesKey(f.seDays.handle(), VK_F1);
  ui::SetHelpHook(nullptr);
  EXPECT_EQ(std::vector<std::string>{"Tallowin_Enabling_tallowin_for_a_specific_action"}, topics);
  // Escape is Cancel.
  f.Hide();
  ui::PostTask([&f] { PostMessageW(f.seDays.handle(), WM_KEYDOWN, VK_ESCAPE, 0); });
  EXPECT_EQ(ui::mrCancel, f.ShowModal());
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, shell::schedulekey::kEraser).ValueExists("SchedType"));
}
