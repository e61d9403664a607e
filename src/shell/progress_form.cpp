#include "shell/progress_form.h"

#include "shell/commontools.h"

namespace velmora::shell {

TfrmProgress::TfrmProgress()
    : imgPicture(*this, {4, 14, 50, 27}),
      lblCaption(*this, {58, 8, 152, 16}, "Performing Scheduled Maintenance"),
      lblSchedType(*this, {58, 28, 152, 16}),
      aniFind(*this, {212, 6, 40, 28}),
      lblCancel(*this, {212, 36, 40, 15}, "Cancel", ui::TextAlign::Center) {
  ui::FormArgs args;
  args.className = "TfrmProgress";
  args.caption = "Scheduled Maintenance Progress";
  args.clientWidth = 258;
  args.clientHeight = 55;
  args.style = ui::FormStyle::Borderless;
  args.pixelLayout = true;  // a fixed 258 x 55 window placed by its pixel size
  args.centered = false;
  args.x = GetSystemMetrics(SM_CXSCREEN) - 258;
  args.y = GetSystemMetrics(SM_CYSCREEN) - 82;
  args.topmost = true;
  args.freeOnClose = false;
  Create(args);
  lblCaption.SetFontStyle(true);
  imgPicture.SetPicture(commontools().imgMag.get());
  lblCancel.SetHint("Stop this run");
  aniFind.Start();
}

void TfrmProgress::lblCancelClick() {
  if (onCancel) onCancel();
}

}  // namespace velmora::shell
