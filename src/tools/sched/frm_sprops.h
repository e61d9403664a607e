// TfrmSProps: "Scheduled Item Properties", the dialog that edits one tool's
// schedule: the kind and its parts, and the next run's date and time. OK
// writes "SchedType", "Params" and "NextRun" of the tool key and keeps the
// tool's "at StartUp" Run entry in step; the opener refreshes its rows after
// the dialog closes, whichever way.
#pragma once

#include <string>

#include "platform/handles.h"
#include "shell/schedule.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace velmora::sched {

inline const char* const kSPropsTopic = "Tallowin_Enabling_tallowin_for_a_specific_action";

class TfrmSProps : public ui::Form {
 public:
  // For one tool key; `scheduled` is the tool's "&Enabled?" state. The
  // shut-down option is offered for the eraser only, and never on Windows NT.
  TfrmSProps(std::string toolKey, bool scheduled);

  ui::Image imgSched;
  ui::Label lblInfo;
  ui::GroupBox gbTimed;
  ui::RadioButton optMinutes;
  ui::NumberEdit seMinutes;
  ui::Label lblMinutes;
  ui::RadioButton optHours;
  ui::NumberEdit seHours;
  ui::Label lblHoursAt;
  ui::NumberEdit seHourMinutes;
  ui::Label lblAfterHour;
  ui::RadioButton optDays;
  ui::NumberEdit seDays;
  ui::Label lblDaysAt;
  ui::RadioButton optWeeks;
  ui::NumberEdit seWeeks;
  ui::Label lblWeeksOn;
  ui::ComboBox cmbWeekday;
  ui::RadioButton optMonths;
  ui::NumberEdit seMonths;
  ui::Label lblMonthsOn;
  ui::NumberEdit seMonthDay;
  ui::Label lblOfMonth;
  ui::GroupBox gbTriggered;
  ui::RadioButton optWinStart;
  ui::RadioButton optWinEnd;
  ui::GroupBox gbNextRun;
  ui::Label lblOn;
  ui::DateTimePicker dtDate;
  ui::Label lblAt;
  ui::DateTimePicker dt1;
  ui::Button cmdOK, cmdCancel, cmdHelp;

  const std::string& toolKey() const { return key_; }
  // The kind of the selected option.
  shell::ScheduleKind SelectedKind() const;

  void cmdOKClick();
  void cmdCancelClick();
  void cmdHelpClick();
  // Fills the parameter fields from the stored "Params" of the stored kind.
  void GetOptions();
  // The date and time fields are for timed kinds only.
  void ToggleDT();

 protected:
  void FormCreate() override;
  void FormShow() override;

 private:
  // Selects the option of a kind; a hidden option gives way to optDays.
  void SelectKind(shell::ScheduleKind kind);
  ui::RadioButton& Option(shell::ScheduleKind kind);

  std::string key_;
  bool scheduled_;
  BitmapHandle picture_;
};

}  // namespace velmora::sched
