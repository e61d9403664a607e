#include "tools/sched/frm_sprops.h"

#include <algorithm>
#include <initializer_list>

#include "platform/calendar.h"
#include "platform/format.h"
#include "platform/services.h"
#include "shell/artwork.h"
#include "shell/commontools.h"
#include "shell/help.h"

namespace velmora::sched {

using shell::ScheduleKind;

namespace {

constexpr int kClientWidth = 440;
constexpr int kClientHeight = 424;

// The date of one value at the time of day of another.
double DateAtTimeOf(double date, double time) {
  const CivilDateTime d = DecodeDateTime(date), t = DecodeDateTime(time);
  return EncodeDateTime(d.year, d.month, d.day, t.hour, t.minute, t.second, t.millisecond);
}

// The time of day as a fraction of a day (T of "Params").
double TimeOfDay(double value) { return DateAtTimeOf(EncodeDateTime(1899, 12, 30), value); }

std::vector<std::string> WeekdayNames() {
  std::vector<std::string> names;
  for (int d = 0; d < 7; ++d) names.push_back(shell::WeekdayName(d));
  return names;
}

}  // namespace

TfrmSProps::TfrmSProps(std::string toolKey, bool scheduled)
    : imgSched(*this, {12, 12, 48, 48}),
      lblInfo(*this, {72, 20, 356, 36}, "Use the options below to specify when this maintenance is to be performed."),
      gbTimed(*this, {12, 68, 416, 176}, "Timed Intervals"),
      optMinutes(*this, {24, 90, 76, 20}, "&Every...", true),
      seMinutes(*this, {104, 89, 48, 22}, 1, 59, 30),
      lblMinutes(*this, {158, 92, 200, 18}, "Minutes"),
      optHours(*this, {24, 120, 76, 20}, "Every..."),
      seHours(*this, {104, 119, 48, 22}, 1, 99, 5),
      lblHoursAt(*this, {158, 122, 56, 18}, "Hours at"),
      seHourMinutes(*this, {216, 119, 48, 22}, 1, 59, 30),
      lblAfterHour(*this, {270, 122, 150, 18}, "minutes after the hour"),
      optDays(*this, {24, 150, 76, 20}, "Every..."),
      seDays(*this, {104, 149, 48, 22}, 1, 99, 5),
      lblDaysAt(*this, {158, 152, 260, 18}, "Days at the following time:"),
      optWeeks(*this, {24, 180, 76, 20}, "Every..."),
      seWeeks(*this, {104, 179, 48, 22}, 1, 99, 1),
      lblWeeksOn(*this, {158, 182, 110, 18}, "Weeks starting on "),
      cmbWeekday(*this, {270, 179, 110, 200}, WeekdayNames()),
      optMonths(*this, {24, 210, 76, 20}, "Every..."),
      seMonths(*this, {104, 209, 48, 22}, 1, 99, 1),
      lblMonthsOn(*this, {158, 212, 140, 18}, "Months starting on day"),
      seMonthDay(*this, {300, 209, 48, 22}, 1, 31, 1),
      lblOfMonth(*this, {354, 212, 90, 18}, "of the month"),
      gbTriggered(*this, {12, 252, 416, 76}, "Externally Triggered Intervals"),
      optWinStart(*this, {24, 274, 390, 20}, "Each time Windows starts"),
      optWinEnd(*this, {24, 300, 390, 20}, "When you shut down Windows"),
      gbNextRun(*this, {12, 336, 416, 46}, "Next Run Date and Time"),
      lblOn(*this, {24, 357, 24, 18}, "On"),
      dtDate(*this, {50, 354, 150, 22}, ui::DateTimeKind::Date),
      lblAt(*this, {212, 357, 20, 18}, "at"),
      dt1(*this, {236, 354, 120, 22}, ui::DateTimeKind::Time),
      cmdOK(*this, {176, 390, 80, 26}, "OK", ui::ButtonRole::Default),
      cmdCancel(*this, {262, 390, 80, 26}, "&Cancel", ui::ButtonRole::Cancel),
      cmdHelp(*this, {348, 390, 80, 26}, "&Help"),
      key_(std::move(toolKey)),
      scheduled_(scheduled) {
  for (ui::NumberEdit* field : {&seMinutes, &seHours, &seHourMinutes, &seDays, &seWeeks, &seMonths, &seMonthDay})
    field->SetMaxLength(2);
  seHourMinutes.SetIncrement(5);
  for (ui::RadioButton* option :
       {&optMinutes, &optHours, &optDays, &optWeeks, &optMonths, &optWinStart, &optWinEnd})
    option->onClick = [this] { ToggleDT(); };
  cmdOK.onClick = [this] { cmdOKClick(); };
  cmdCancel.onClick = [this] { cmdCancelClick(); };
  cmdHelp.onClick = [this] { cmdHelpClick(); };

  ui::FormArgs args;
  args.className = "TfrmSProps";
  args.caption = "Scheduled Item Properties";
  args.clientWidth = kClientWidth;
  args.clientHeight = kClientHeight;
  args.minimizeBox = false;
  args.helpTopic = kSPropsTopic;
  Create(args);

  // The opener's part: the shut-down option is the eraser's alone.
  const shell::ScheduledToolInfo* tool = shell::FindScheduledTool(key_);
  if (!tool || tool->tool != shell::ScheduledTool::Eraser) optWinEnd.SetVisible(false);
  SelectKind(shell::ReadScheduleKind(key_).value_or(shell::kDefaultScheduleKind));
}

void TfrmSProps::FormCreate() {
  picture_ = shell::SchedulePicture(Scale(48));
  imgSched.SetPicture(picture_.get());
  cmdHelp.SetGlyph(shell::commontools().SmallAt(shell::SmallPic::Help16, dpi()));
  if (services().isWindowsNT()) optWinEnd.SetVisible(false);
}

ui::RadioButton& TfrmSProps::Option(ScheduleKind kind) {
  switch (kind) {
    case ScheduleKind::Minutes: return optMinutes;
    case ScheduleKind::Hours: return optHours;
    case ScheduleKind::Days: return optDays;
    case ScheduleKind::Weeks: return optWeeks;
    case ScheduleKind::Months: return optMonths;
    case ScheduleKind::WinStart: return optWinStart;
    case ScheduleKind::WinEnd: return optWinEnd;
  }
  return optDays;
}

void TfrmSProps::SelectKind(ScheduleKind kind) {
  ui::RadioButton& option = Option(kind);
  (option.visible() ? option : optDays).SetChecked(true);
}

ScheduleKind TfrmSProps::SelectedKind() const {
  const std::pair<const ui::RadioButton*, ScheduleKind> options[] = {
      {&optMinutes, ScheduleKind::Minutes}, {&optHours, ScheduleKind::Hours},
      {&optDays, ScheduleKind::Days},       {&optWeeks, ScheduleKind::Weeks},
      {&optMonths, ScheduleKind::Months},   {&optWinStart, ScheduleKind::WinStart},
      {&optWinEnd, ScheduleKind::WinEnd}};
  for (const auto& [option, kind] : options)
    if (option->checked() && option->visible()) return kind;
  return ScheduleKind::Days;
}

void TfrmSProps::FormShow() {
  cmbWeekday.SetItemIndex(0);
  GetOptions();
  ToggleDT();
  const double now = NowDateTime();
  const ScheduleKind kind = SelectedKind();
  if (kind == ScheduleKind::WinStart || kind == ScheduleKind::WinEnd) {
    dtDate.SetValue(now);
    dt1.SetValue(now);
    return;
  }
  // Date and time both from the next run: an unchanged OK keeps it, also after 23:00.
  std::optional<double> next;
  if (shell::ReadScheduleKind(key_)) next = shell::GetNextScan(key_);
  // No stored kind, or one whose next run cannot be computed: an hour from now.
  const double shown = next && shell::IsValidScheduleDate(*next) ? *next : now + 1.0 / 24;
  dtDate.SetValue(shown);
  dt1.SetValue(shown);
}

void TfrmSProps::GetOptions() {
  const auto kind = shell::ReadScheduleKind(key_);
  if (!kind) return;
  const auto params = shell::ParseScheduleParams(*kind, shell::ReadStoredSchedule(key_).params.value_or(""));
  if (!params) return;
  switch (*kind) {
    case ScheduleKind::Minutes:
      seMinutes.SetValue(params->count);
      break;
    case ScheduleKind::Hours:
      seHours.SetValue(params->count);
      seHourMinutes.SetValue(params->at);
      break;
    case ScheduleKind::Days:
      seDays.SetValue(params->count);
      break;
    case ScheduleKind::Weeks:
      seWeeks.SetValue(params->count);
      cmbWeekday.SetItemIndex(params->at);
      break;
    case ScheduleKind::Months:
      seMonths.SetValue(params->count);
      seMonthDay.SetValue(params->at);
      break;
    case ScheduleKind::WinStart:
    case ScheduleKind::WinEnd:
      break;
  }
}

void TfrmSProps::ToggleDT() {
  const bool timed = !optWinStart.checked() && !optWinEnd.checked();
  for (ui::Control* c : std::initializer_list<ui::Control*>{&lblOn, &dtDate, &lblAt, &dt1}) c->SetEnabled(timed);
}

void TfrmSProps::cmdOKClick() {
  const ScheduleKind kind = SelectedKind();
  shell::ScheduleParams p;
  switch (kind) {
    case ScheduleKind::Minutes:
      p.count = seMinutes.value();
      break;
    case ScheduleKind::Hours:
      p.count = seHours.value();
      p.at = seHourMinutes.value();
      break;
    case ScheduleKind::Days:
      p.count = seDays.value();
      p.timeOfDay = TimeOfDay(dt1.value());
      break;
    case ScheduleKind::Weeks:
      p.count = seWeeks.value();
      p.at = std::max(0, cmbWeekday.itemIndex());
      break;
    case ScheduleKind::Months:
      p.count = seMonths.value();
      p.at = seMonthDay.value();
      break;
    case ScheduleKind::WinStart:
    case ScheduleKind::WinEnd:
      break;
  }
  shell::WriteSchedule(key_, kind, shell::FormatScheduleParams(kind, p), DateAtTimeOf(dtDate.value(), dt1.value()));
  if (kind == ScheduleKind::WinStart) {
    if (scheduled_) shell::WriteWinStart(key_);
  } else {
    shell::DeleteWinStart(key_);
  }
  SetModalResult(ui::mrOk);
  Close();
}

void TfrmSProps::cmdCancelClick() {
  SetModalResult(ui::mrCancel);
  Close();
}

void TfrmSProps::cmdHelpClick() { shell::OpenHelpTopic(kSPropsTopic); }

}  // namespace velmora::sched
