// Hints: short tips shown once per subject until the user turns them off,
// per subject or all at once. Under "\Software\Dastra\Velmora\Hints" each
// subject has a boolean of its own and "All" turns every hint off (absent = on).
#pragma once

#include <string>

#include "ui/controls.h"
#include "ui/form.h"

namespace velmora::shell {

inline const char* const kHintsKey = "\\Software\\Dastra\\Velmora\\Hints";

// True when a hint of this subject would be shown.
bool HintWanted(const std::string& subject);

// Shows TfrmHint modally with the text unless the subject or "All" is off.
void ShowHintOnce(const std::string& subject, const std::string& text);

class TfrmHint : public ui::Form {
 public:
  TfrmHint(const std::string& subject, const std::string& text);

  // The hint window being shown, if any (tests drive it from a posted task).
  static TfrmHint* Current();

  ui::Label lblHeading;
  ui::Memo mmoHint;
  ui::CheckBox cbShowHint;
  ui::CheckBox cbAllHints;
  ui::Button cmdOK;

  void cbAllHintsClick();

 protected:
  void FormShow() override;
  void FormCloseQuery(bool& canClose) override;
  void FormClose() override;
  void FormDestroy() override;

 private:
  std::string subject_;
};

}  // namespace velmora::shell
