#include "shell/help_window.h"

#include "shell/commontools.h"
#include "shell/help.h"
#include "shell/navigator.h"
#include "ui/dialogs.h"
#include "velmora_version.h"

namespace velmora::shell {

namespace {

// Drawn for the screen's DPI, as the launcher.
ui::Bounds B(HelpButton b) {
  const HelpLayout layout = GetHelpLayout(ui::ScreenDpi());
  const RECT& r = layout.button(b);
  return {int(r.left), int(r.top), int(r.right - r.left), int(r.bottom - r.top)};
}

}  // namespace

std::string AboutText() {
  return "Velmora\r\nVersion " VELMORA_VERSION
         "\r\n\r\nA maintenance suite that keeps Windows tidy: junk files, privacy traces, broken shortcuts, stale "
         "uninstall entries, duplicates, registry references and start-up programs.";
}

TfrmHelp::TfrmHelp(bool visible)
    : imgAbout_Down(*this, B(HelpButton::About)), imgAbout_Up(*this, B(HelpButton::About)),
      imgManual_Down(*this, B(HelpButton::Manual)), imgManual_Up(*this, B(HelpButton::Manual)),
      imgSupport_Down(*this, B(HelpButton::Support)), imgSupport_Up(*this, B(HelpButton::Support)),
      imgExit_Down(*this, B(HelpButton::Exit)), imgExit_Up(*this, B(HelpButton::Exit)),
      buttons_{{&imgAbout_Up, &imgAbout_Down},
               {&imgManual_Up, &imgManual_Down},
               {&imgSupport_Up, &imgSupport_Down},
               {&imgExit_Up, &imgExit_Down}} {
  Wire(HelpButton::About, "Velmora version information");
  Wire(HelpButton::Manual, "Read Velmora's documentation");
  Wire(HelpButton::Support, "Access Velmora technical support on the web");
  Wire(HelpButton::Exit, "");
  const SIZE size = HelpBackSize(artDpi_);
  back_ = HelpBackPicture(artDpi_);
  ui::FormArgs args;
  args.className = "TfrmHelp";
  args.caption = "Velmora Help";
  args.clientWidth = size.cx;
  args.clientHeight = size.cy;
  args.style = ui::FormStyle::Borderless;
  args.pixelLayout = true;
  args.dragByBackground = true;
  args.centered = true;
  args.keyPreview = true;
  args.helpTopic = kWelcomeTopic;
  args.freeOnClose = true;
  args.visible = visible;
  Create(args);
}

void TfrmHelp::Wire(HelpButton which, const char* hint) {
  Stack& s = buttons_[int(which)];
  s.up->SetPicture(HelpButtonPicture(which, ButtonState::Up, artDpi_));
  s.down->SetPicture(HelpButtonPicture(which, ButtonState::Down, artDpi_));
  s.up->handCursor = true;
  if (*hint) s.up->SetHint(hint);
  // The two pictures overlap: whichever is left showing is drawn again, since
  // the system does not always repaint a sibling that a hidden one uncovers.
  auto show = [&s](bool upVisible) {
    s.up->SetVisible(upVisible);
    ui::Image* top = upVisible ? s.up : s.down;
    if (top->handle()) RedrawWindow(top->handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  };
  s.up->onMouseDown = [show](int, int) { show(false); };
  s.up->onMouseUp = [show](int, int) { show(true); };
  s.up->onClick = [this, which] { Press(which); };
}

void TfrmHelp::FormCreate() {
  for (Stack& s : buttons_)
    SetWindowPos(s.up->handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // Its own background, drawn for its DPI (that of Tcommontools is the 96-dpi one).
  SetShapeFromBitmap(back_.get(), kHelpBackTransparent);
  SetBackgroundPicture(back_.get());
}

void TfrmHelp::Highlight(int index) {
  keyButton_ = ((index % kHelpButtonCount) + kHelpButtonCount) % kHelpButtonCount;
  for (int i = 0; i < kHelpButtonCount; ++i) {
    Stack& s = buttons_[i];
    s.up->SetVisible(i != keyButton_);
    ui::Image* top = i != keyButton_ ? s.up : s.down;
    if (top->handle()) RedrawWindow(top->handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  }
}

void TfrmHelp::FormKeyDown(WORD& key) {
  const bool back = key == VK_UP || key == VK_LEFT || (key == VK_TAB && GetKeyState(VK_SHIFT) < 0);
  switch (key) {
    case VK_DOWN:
    case VK_RIGHT:
    case VK_UP:
    case VK_LEFT:
    case VK_TAB:
      Highlight(keyButton_ < 0 ? (back ? -1 : 0) : keyButton_ + (back ? -1 : 1));
      key = 0;
      return;
    case VK_RETURN:
    case VK_SPACE:
      if (keyButton_ < 0) return;
      key = 0;
      Press(HelpButton(keyButton_));
      return;
    case 'A': key = 0; Press(HelpButton::About); return;
    case 'M': key = 0; Press(HelpButton::Manual); return;
    case 'S': key = 0; Press(HelpButton::Support); return;
    case 'E': key = 0; Press(HelpButton::Exit); return;
    default: return;
  }
}

void TfrmHelp::Press(HelpButton which) {
  switch (which) {
    case HelpButton::About:
      ui::ShowMessage(AboutText(), "About Velmora", ui::MsgIcon::Information, handle());
      break;
    case HelpButton::Manual:
      OpenHelpTopic(kWelcomeTopic);
      break;
    case HelpButton::Support:
      OpenWebPage(kSupportSite, "Support");
      break;
    case HelpButton::Exit:
      Close();
      break;
  }
}

}  // namespace velmora::shell
