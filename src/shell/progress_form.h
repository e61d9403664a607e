// TfrmProgress: the small borderless window in the screen's bottom-right corner
// that shows an unattended run. Its class name and caption are what the tray
// agent looks for to know that a run is in progress.
#pragma once

#include <functional>
#include <string>

#include "ui/controls.h"
#include "ui/form.h"

namespace velmora::shell {

class TfrmProgress : public ui::Form {
 public:
  TfrmProgress();

  ui::Image imgPicture;
  ui::Label lblCaption;
  ui::Label lblSchedType;
  ui::Animation aniFind;
  // The link-style "Cancel": a drawn picture with the hand cursor.
  ui::Image lblCancel;
  // A click on "Cancel"; the run that owns the window decides what it means.
  std::function<void()> onCancel;

  void lblCancelClick();
  bool cancelled() const { return cancelled_; }
  // A run that failed says so before the window goes.
  void ShowFailure(const std::string& text);

 private:
  bool cancelled_ = false;
};

}  // namespace velmora::shell
