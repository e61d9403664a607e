#include "shell/progress_form.h"

#include "platform/gdi.h"
#include "platform/text.h"
#include "shell/common_icons.h"
#include "shell/commontools.h"
#include "ui/image_sizes.h"

namespace velmora::shell {

namespace {

// Text drawn on the window's face colour: as a web link (blue, underlined), or
// plain black once the link has been used.
BitmapHandle LinkPicture(const std::string& text, int width, int height, HFONT baseFont, bool link = true) {
  LOGFONTW lf{};
  GetObjectW(baseFont ? baseFont : HFONT(GetStockObject(DEFAULT_GUI_FONT)), sizeof lf, &lf);
  lf.lfUnderline = link ? TRUE : FALSE;
  FontHandle font(CreateFontIndirectW(&lf));
  return PaintBitmap(width, height, GetSysColorBrush(COLOR_BTNFACE), [&](HDC dc) {
    HGDIOBJ old = SelectObject(dc, font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, link ? RGB(0, 0, 204) : RGB(0, 0, 0));
    RECT rc{0, 0, width, height};
    const std::wstring w = Widen(text);
    DrawTextW(dc, w.c_str(), int(w.size()), &rc, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old);
  });
}

// The clock of the shared small images at size x size, on the window's face colour.
BitmapHandle ScheduleIcon(int size) {
  return PaintBitmap(size, size, GetSysColorBrush(COLOR_BTNFACE), [size](HDC dc) {
    ImageList_Draw(ui::ImagesForSize(commontools().ilCommon16.get(), size), common_icon::kSchedule, dc, 0, 0,
                   ILD_TRANSPARENT);
  });
}

}  // namespace

TfrmProgress::TfrmProgress()
    : imgPicture(*this, {5, 5, 16, 16}),
      lblCaption(*this, {26, 5, 196, 15}, "Performing Scheduled Maintenance"),
      lblSchedType(*this, {26, 22, 190, 30}),
      aniFind(*this, {222, 3, 32, 30}),
      lblCancel(*this, {218, 37, 38, 15}) {
  lblCaption.SetWordWrap(false);  // one line, cut at the edge rather than wrapped out of sight
  ui::FormArgs args;
  args.className = "TfrmProgress";
  args.caption = "Scheduled Maintenance Progress";
  args.clientWidth = 258;
  args.clientHeight = 55;
  args.style = ui::FormStyle::Borderless;
  // 258 x 55 at 96 dpi, in the screen's bottom-right corner at any DPI.
  const int dpi = ui::ScreenDpi();
  args.centered = false;
  args.x = GetSystemMetrics(SM_CXSCREEN) - MulDiv(258, dpi, 96);
  args.y = GetSystemMetrics(SM_CYSCREEN) - MulDiv(82, dpi, 96);
  args.topmost = true;
  args.freeOnClose = false;
  Create(args);
  imgPicture.SetPicture(ScheduleIcon(Scale(16)));
  lblCancel.SetPicture(LinkPicture("Cancel", Scale(38), Scale(15), font()));
  lblCancel.handCursor = true;
  lblCancel.onClick = [this] { lblCancelClick(); };
  lblCancel.SetHint("Stop this run");
  aniFind.Start();
}

void TfrmProgress::lblCancelClick() {
  // One use only: the run is told once, and the link becomes a plain note.
  if (cancelled_) return;
  cancelled_ = true;
  lblCancel.SetBounds({176, 37, 80, 15});
  lblCancel.SetPicture(LinkPicture("Please Wait...", 80, 15, font(), /*link=*/false));
  lblCancel.handCursor = false;
  if (onCancel) onCancel();
}

void TfrmProgress::ShowFailure(const std::string& text) {
  lblCaption.SetCaption("Scheduled Maintenance Failed");
  lblSchedType.SetCaption(text);
  lblCancel.SetVisible(false);
  aniFind.Stop();
  aniFind.SetVisible(false);
  // The whole width for the reason: nothing runs any more beside it.
  lblSchedType.SetBounds({26, 22, 228, 30});
}

}  // namespace velmora::shell
