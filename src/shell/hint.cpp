#include "shell/hint.h"

#include "platform/registry.h"
#include "shell/help.h"
#include "shell/settings.h"
#include "ui/dialogs.h"

namespace velmora::shell {

namespace {

TfrmHint* g_current = nullptr;

// A value that exists and is false turns the hint off; absent means on, and so
// does a value of another type (read as absent, as every setting is: the check
// runs inside removal loops, where a raise would end the removal).
bool ValueIsOff(const RegKey& key, const std::string& name) {
  try {
    const auto v = key.ReadDword(name);
    return v && *v == 0;
  } catch (const RegistryError&) {
    return false;
  }
}

}  // namespace

bool HintWanted(const std::string& subject) {
  RegKey key = RegKey::Create(HKEY_CURRENT_USER, kHintsKey);
  return !ValueIsOff(key, subject) && !ValueIsOff(key, "All");
}

void ShowHintOnce(const std::string& subject, const std::string& text) {
  if (!HintWanted(subject)) return;
  (new TfrmHint(subject, text))->ShowModal();  // frees itself on close
}

TfrmHint::TfrmHint(const std::string& subject, const std::string& text)
    : lblHeading(*this, {12, 10, 316, 18}, "Hints and Tips..."),
      mmoHint(*this, {12, 32, 316, 110}, /*readOnly=*/true, /*wordWrap=*/true),
      cbShowHint(*this, {12, 150, 316, 18}, "&Show hints on this subject again", true),
      cbAllHints(*this, {12, 172, 316, 18}, "Show &hints", true),
      cmdOK(*this, {253, 198, 75, 25}, "&OK", ui::ButtonRole::Default),
      subject_(subject) {
  ui::FormArgs args;
  args.className = "TfrmHint";
  args.caption = "Velmora";
  args.clientWidth = 340;
  args.clientHeight = 232;
  args.helpTopic = kWelcomeTopic;
  args.freeOnClose = true;
  args.keyPreview = true;
  Create(args);
  lblHeading.SetFontStyle(true, 2);
  mmoHint.SetText(text);
  cbAllHints.onClick = [this] { cbAllHintsClick(); };
  cmdOK.onClick = [this] { Close(); };
}

TfrmHint* TfrmHint::Current() { return g_current; }

void TfrmHint::FormShow() {
  g_current = this;
  cmdOK.SetFocus();
}

void TfrmHint::cbAllHintsClick() {
  cbShowHint.SetChecked(cbAllHints.checked());
  cbShowHint.SetEnabled(cbAllHints.checked());
}

void TfrmHint::FormCloseQuery(bool& canClose) {
  canClose = true;
  if (cbAllHints.checked()) return;
  const std::string text =
      "If you are new to Velmora it is strongly recommended that you view all hints at least once.  If you do not "
      "want to see more hints pertaining to this aspect of Velmora, simply uncheck the box labeled \"Show hints on "
      "this subject again\".  Are you sure you do not want to see any more hints?";
  if (ui::ConfirmYesNo(text, "Confirm", handle())) {
    WriteBoolSetting(kHintsKey, "All", false);
  } else {
    cbAllHints.SetChecked(true);
    cbShowHint.SetChecked(true);
    cbShowHint.SetEnabled(true);
  }
}

void TfrmHint::FormClose() {
  if (!cbShowHint.checked()) WriteBoolSetting(kHintsKey, subject_, false);
}

void TfrmHint::FormDestroy() {
  if (g_current == this) g_current = nullptr;
}

}  // namespace velmora::shell
