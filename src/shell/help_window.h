// TfrmHelp: the small help window reached from the launcher, cut from the
// help-background picture (black is transparent), with About, Manual, Support
// and Exit buttons of two pictures each (Up carries the click, over Down).
#pragma once

#include "shell/artwork.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace velmora::shell {

// "Velmora" and the version of this build, for the about box.
std::string AboutText();

class TfrmHelp : public ui::Form {
 public:
  explicit TfrmHelp(bool visible = false);

  ui::Image imgAbout_Down, imgAbout_Up;
  ui::Image imgManual_Down, imgManual_Up;
  ui::Image imgSupport_Down, imgSupport_Up;
  ui::Image imgExit_Down, imgExit_Up;

  void Press(HelpButton which);
  // The button the keyboard has reached (-1: none yet).
  int keyboardButton() const { return keyButton_; }

 protected:
  void FormCreate() override;
  // The pictures take no focus: the arrows and Tab move a highlight (the
  // pressed face), Enter or Space press it, and each button's first letter
  // (About, Manual, Support, Exit) presses it at once.
  void FormKeyDown(WORD& key) override;

 private:
  int artDpi_ = ui::ScreenDpi();  // the pictures are drawn for it
  BitmapHandle back_;
  struct Stack {
    ui::Image *up, *down;
  };
  void Wire(HelpButton which, const char* hint);
  Stack buttons_[kHelpButtonCount];
  int keyButton_ = -1;
  void Highlight(int index);
};

}  // namespace velmora::shell
