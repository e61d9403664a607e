#include "shell/navigator.h"

#include <algorithm>

#include "platform/system.h"
#include "shell/commontools.h"
#include "shell/help.h"
#include "shell/help_window.h"
#include "shell/hint.h"
#include "shell/utilities.h"
#include "ui/app.h"
#include "ui/dialogs.h"

namespace velmora::shell {

namespace {

// The launcher is drawn for the screen's DPI when it is built, and again for
// a monitor of another DPI when it is moved there.
LauncherLayout Layout() { return GetLauncherLayout(ui::ScreenDpi()); }
ui::Bounds FromRect(const RECT& r) { return {int(r.left), int(r.top), int(r.right - r.left), int(r.bottom - r.top)}; }
ui::Bounds T(ToolButton b) { return FromRect(Layout().tool(b)); }
ui::Bounds C(CommandButton b) { return FromRect(Layout().command(b)); }
ui::Bounds H() { return FromRect(Layout().hint); }

const char* const kWebHint =
    "Your web browser is opening the Velmora web site.  If the page does not appear in a few moments, start your "
    "browser and go to www.velmora.example by hand.";

}  // namespace

bool CheckAdminStatus() {
  if (IsAdministrator()) return true;
  ui::ShowMessage(
      "Due to security issues under Windows NT you must be logged in as an administrator in order to access this "
      "tool.",
      "Velmora", ui::MsgIcon::Warning);
  return false;
}

void OpenWebPage(const std::string& address, const std::string& hintSubject) {
  OpenWithShell("OPEN", address);
  ShowHintOnce(hintSubject, hintSubject == "Web" ? kWebHint
                                                 : "Your web browser is opening Velmora technical support.  If the "
                                                   "page does not appear in a few moments, start your browser and "
                                                   "go to www.velmora.example/support by hand.");
}

TfrmNav::TfrmNav(LauncherActions actions, bool visible)
    : imgJunk_Down(*this, T(ToolButton::Junk)), imgJunk_Over(*this, T(ToolButton::Junk)),
      imgJunk_Up(*this, T(ToolButton::Junk)),
      imgEraser_Down(*this, T(ToolButton::Eraser)), imgEraser_Over(*this, T(ToolButton::Eraser)),
      imgEraser_Up(*this, T(ToolButton::Eraser)),
      imgShortcuts_Down(*this, T(ToolButton::Shortcuts)), imgShortcuts_Over(*this, T(ToolButton::Shortcuts)),
      imgShortCuts_Up(*this, T(ToolButton::Shortcuts)),
      imgUninstall_Down(*this, T(ToolButton::Uninstall)), imgUninstall_Over(*this, T(ToolButton::Uninstall)),
      imgUninstall_Up(*this, T(ToolButton::Uninstall)),
      imgDupes_Down(*this, T(ToolButton::Dupes)), imgDupes_Over(*this, T(ToolButton::Dupes)),
      imgDupes_Up(*this, T(ToolButton::Dupes)),
      imgReg_Down(*this, T(ToolButton::Reg)), imgReg_Over(*this, T(ToolButton::Reg)),
      imgReg_Up(*this, T(ToolButton::Reg)),
      imgStartUp_Down(*this, T(ToolButton::StartUp)), imgStartUp_Over(*this, T(ToolButton::StartUp)),
      imgStartUp_Up(*this, T(ToolButton::StartUp)),
      imgSafe_Down(*this, T(ToolButton::Safe)), imgSafe_Over(*this, T(ToolButton::Safe)),
      imgSafe_Up(*this, T(ToolButton::Safe)),
      imgSched_Down(*this, T(ToolButton::Sched)), imgSched_Over(*this, T(ToolButton::Sched)),
      imgSched_Up(*this, T(ToolButton::Sched)),
      imgLogs_Down(*this, C(CommandButton::Logs)), imgLogs_Up(*this, C(CommandButton::Logs)),
      imgWeb_Down(*this, C(CommandButton::Web)), imgWeb_Up(*this, C(CommandButton::Web)),
      imgHelp_Down(*this, C(CommandButton::Help)), imgHelp_Up(*this, C(CommandButton::Help)),
      imgExit_Down(*this, C(CommandButton::Exit)), imgExit_Up(*this, C(CommandButton::Exit)),
      imgJunk_Hint(*this, H()), imgEraser_Hint(*this, H()), imgShortcuts_Hint(*this, H()),
      imgUninstall_Hint(*this, H()), imgDupes_Hint(*this, H()), imgReg_Hint(*this, H()),
      imgStartUp_Hint(*this, H()), imgSafe_Hint(*this, H()), imgSched_Hint(*this, H()),
      imgLogs_Hint(*this, H()), imgWeb_Hint(*this, H()), imgHelp_Hint(*this, H()), imgExit_Hint(*this, H()),
      actions_(std::move(actions)),
      tools_{{&imgJunk_Up, &imgJunk_Over, &imgJunk_Down, &imgJunk_Hint},
             {&imgEraser_Up, &imgEraser_Over, &imgEraser_Down, &imgEraser_Hint},
             {&imgShortCuts_Up, &imgShortcuts_Over, &imgShortcuts_Down, &imgShortcuts_Hint},
             {&imgUninstall_Up, &imgUninstall_Over, &imgUninstall_Down, &imgUninstall_Hint},
             {&imgDupes_Up, &imgDupes_Over, &imgDupes_Down, &imgDupes_Hint},
             {&imgReg_Up, &imgReg_Over, &imgReg_Down, &imgReg_Hint},
             {&imgStartUp_Up, &imgStartUp_Over, &imgStartUp_Down, &imgStartUp_Hint},
             {&imgSafe_Up, &imgSafe_Over, &imgSafe_Down, &imgSafe_Hint},
             {&imgSched_Up, &imgSched_Over, &imgSched_Down, &imgSched_Hint}},
      commands_{{&imgLogs_Up, &imgLogs_Down, &imgLogs_Hint},
                {&imgWeb_Up, &imgWeb_Down, &imgWeb_Hint},
                {&imgHelp_Up, &imgHelp_Down, &imgHelp_Hint},
                {&imgExit_Up, &imgExit_Down, &imgExit_Hint}} {
  for (int i = 0; i < kToolButtonCount; ++i) Wire(ToolButton(i));
  for (int i = 0; i < kCommandButtonCount; ++i) Wire(CommandButton(i));
  const int dpi = ui::ScreenDpi();
  DrawArt(dpi);
  const SIZE size = MainScreenSize(dpi);

  ui::FormArgs args;
  args.className = "TfrmNav";
  args.caption = "Navigator";
  args.clientWidth = size.cx;
  args.clientHeight = size.cy;
  args.style = ui::FormStyle::Borderless;
  args.pixelLayout = true;  // the pictures are drawn at their pixel size
  args.dragByBackground = true;
  args.centered = true;
  args.keyPreview = true;
  args.escapeCloses = false;  // Exit ends the program; Esc must not
  args.helpTopic = kWelcomeTopic;
  args.visible = visible;
  Create(args);
}

void TfrmNav::Wire(ToolButton which) {
  ToolStack& s = tools_[int(which)];
  s.over->handCursor = true;
  // Over the normal picture: it steps aside for the hover picture below.
  s.up->onMouseMove = [this, &s](int, int) {
    SetShown(*s.up, false);
    AllUp(s.up);
  };
  s.over->onMouseMove = [this, &s](int, int) { ChangeHint(*s.over); };
  s.over->onMouseDown = [this, &s](int, int) { SetShown(*s.over, false); };
  s.over->onMouseUp = [this, &s](int, int) { SetShown(*s.over, true); };
  s.over->onClick = [this, which] { OpenTool(which); };
  s.hint->onMouseMove = [this](int, int) { BackgroundMove(); };
}

void TfrmNav::Wire(CommandButton which) {
  CommandStack& s = commands_[int(which)];
  s.up->handCursor = true;
  s.up->onMouseMove = [this, &s](int, int) {
    AllUp(s.up);
    ChangeHint(*s.up);
  };
  s.up->onMouseDown = [this, &s](int, int) { SetShown(*s.up, false); };
  s.up->onMouseUp = [this, &s](int, int) { SetShown(*s.up, true); };
  s.up->onClick = [this, which] { RunCommand(which); };
  s.hint->onMouseMove = [this](int, int) { BackgroundMove(); };
}

void TfrmNav::DrawArt(int dpi) {
  artDpi_ = dpi;
  const LauncherLayout layout = GetLauncherLayout(dpi);
  for (int i = 0; i < kToolButtonCount; ++i) {
    const ToolButton which = ToolButton(i);
    ToolStack& s = tools_[i];
    s.up->SetPicture(ToolButtonPicture(which, ButtonState::Up, dpi));
    s.over->SetPicture(ToolButtonPicture(which, ButtonState::Over, dpi));
    s.down->SetPicture(ToolButtonPicture(which, ButtonState::Down, dpi));
    s.hint->SetPicture(HintPicture(which, dpi));
    for (ui::Image* image : {s.up, s.over, s.down}) image->SetBounds(FromRect(layout.tool(which)));
    s.hint->SetBounds(FromRect(layout.hint));
  }
  for (int i = 0; i < kCommandButtonCount; ++i) {
    const CommandButton which = CommandButton(i);
    CommandStack& s = commands_[i];
    s.up->SetPicture(CommandButtonPicture(which, ButtonState::Up, dpi));
    s.down->SetPicture(CommandButtonPicture(which, ButtonState::Down, dpi));
    s.hint->SetPicture(HintPicture(which, dpi));
    for (ui::Image* image : {s.up, s.down}) image->SetBounds(FromRect(layout.command(which)));
    s.hint->SetBounds(FromRect(layout.hint));
  }
  mainScreen_ = MainScreenPicture(dpi);
  if (handle()) {
    const SIZE size = MainScreenSize(dpi);
    SetWindowPos(handle(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetShapeFromBitmap(mainScreen_.get(), kMainScreenTransparent);
    SetBackgroundPicture(mainScreen_.get());
  }
}

void TfrmNav::FormDpiChanged() {
  if (dpi() != artDpi_) DrawArt(dpi());
}

void TfrmNav::FormCreate() {
  VersionChange();
  AllUp(nullptr);
  // Stack order: Down at the bottom, Over above it, Up on top.
  auto raise = [](ui::Image* image) {
    SetWindowPos(image->handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  };
  for (ToolStack& s : tools_) {
    raise(s.down);
    raise(s.over);
    raise(s.up);
  }
  for (CommandStack& s : commands_) {
    raise(s.down);
    raise(s.up);
  }
  // Drawn for the window's own DPI (the main-screen picture of Tcommontools is
  // the 96-dpi one).
  if (dpi() != artDpi_) DrawArt(dpi());
  SetShapeFromBitmap(mainScreen_.get(), kMainScreenTransparent);
  SetBackgroundPicture(mainScreen_.get());
}

void TfrmNav::SetShown(ui::Image& picture, bool visible) {
  if (picture.visible() == visible) return;
  picture.SetVisible(visible);
  // The pictures of one button overlap: the ones left showing are drawn again,
  // bottom first, since the system does not always repaint a sibling that a
  // hidden picture uncovers.
  auto redraw = [](ui::Image* image) {
    if (image->visible() && image->handle())
      RedrawWindow(image->handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  };
  for (ToolStack& s : tools_)
    if (&picture == s.up || &picture == s.over || &picture == s.down) {
      redraw(s.down);
      redraw(s.over);
      redraw(s.up);
    }
  for (CommandStack& s : commands_)
    if (&picture == s.up || &picture == s.down) {
      redraw(s.down);
      redraw(s.up);
    }
}

void TfrmNav::AllUp(ui::Image* except) {
  auto show = [this, except](ui::Image* image) {
    if (image != except) SetShown(*image, true);
  };
  for (ToolStack& s : tools_) {
    show(s.up);
    show(s.over);
    show(s.down);
  }
  for (CommandStack& s : commands_) {
    show(s.up);
    show(s.down);
  }
}

void TfrmNav::ChangeHint(ui::Image& buttonPicture) {
  for (ToolStack& s : tools_)
    if (&buttonPicture == s.up || &buttonPicture == s.over || &buttonPicture == s.down) return UpdateHint(s.hint);
  for (CommandStack& s : commands_)
    if (&buttonPicture == s.up || &buttonPicture == s.down) return UpdateHint(s.hint);
}

void TfrmNav::UpdateHint(ui::Image* hint) {
  for (ToolStack& s : tools_)
    if (s.hint->visible() != (s.hint == hint)) s.hint->SetVisible(s.hint == hint);
  for (CommandStack& s : commands_)
    if (s.hint->visible() != (s.hint == hint)) s.hint->SetVisible(s.hint == hint);
}

void TfrmNav::VersionChange() { UpdateHint(nullptr); }

void TfrmNav::BackgroundMove() {
  AllUp(nullptr);
  UpdateHint(nullptr);
}

void TfrmNav::FormMouseMove(int, int) {
  keyButton_ = -1;
  BackgroundMove();
}

void TfrmNav::HighlightButton(int index) {
  constexpr int count = kToolButtonCount + kCommandButtonCount;
  keyButton_ = ((index % count) + count) % count;
  if (keyButton_ < kToolButtonCount) {
    ToolStack& s = tools_[keyButton_];
    SetShown(*s.up, false);  // the hover face shows through, as under the mouse
    AllUp(s.up);
    UpdateHint(s.hint);
  } else {
    CommandStack& s = commands_[keyButton_ - kToolButtonCount];
    AllUp(nullptr);
    UpdateHint(s.hint);
  }
}

void TfrmNav::FormKeyDown(WORD& key) {
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const int at = keyButton_;
  switch (key) {
    case VK_DOWN:
      HighlightButton(at + 1);
      break;
    case VK_UP:
      HighlightButton(at < 0 ? -1 : at - 1);
      break;
    case VK_TAB:
      HighlightButton(shift ? (at < 0 ? -1 : at - 1) : at + 1);
      break;
    case VK_RIGHT:  // to the command column, at about the same height
      HighlightButton(at >= kToolButtonCount ? at : kToolButtonCount + std::min(std::max(at, 0), 3));
      break;
    case VK_LEFT:
      HighlightButton(at >= kToolButtonCount ? at - kToolButtonCount : std::max(at, 0));
      break;
    case VK_RETURN:
    case VK_SPACE:
      if (at < 0) return;
      key = 0;
      if (at < kToolButtonCount) OpenTool(ToolButton(at));
      else RunCommand(CommandButton(at - kToolButtonCount));
      return;
    default:
      return;
  }
  key = 0;
}

void TfrmNav::OpenTool(ToolButton which) {
  const auto& open = actions_.tools[int(which)];
  if (!open) return;  // that tool is not part of this build yet
  if ((which == ToolButton::Uninstall || which == ToolButton::StartUp) && !CheckAdminStatus()) return;
  OpenOwned(open);
}

void TfrmNav::OpenOwned(const std::function<void()>& open) {
  // The window opened is owned by the launcher and modal to it: the launcher
  // is disabled, and Exit cannot end the program under it.
  ui::OwnerScope owns(handle());
  ++windowsOpen_;
  struct Closed {
    int& n;
    ~Closed() { --n; }
  } closed{windowsOpen_};
  open();
}

void TfrmNav::RunCommand(CommandButton which) {
  switch (which) {
    case CommandButton::Logs:
      if (actions_.logs) OpenOwned(actions_.logs);
      break;
    case CommandButton::Web:
      OpenWebPage(kWebSite, "Web");
      break;
    case CommandButton::Help:
      OpenOwned([] { (new TfrmHelp())->ShowModal(); });  // frees itself on close
      break;
    case CommandButton::Exit:
      if (endsApplication && windowsOpen_ == 0) ui::QuitApplication();
      break;
  }
}

void TfrmNav::FormCloseQuery(bool& canClose) {
  if (windowsOpen_ == 0) return;
  canClose = false;
  if (HWND open = GetLastActivePopup(handle()); open && open != handle()) SetForegroundWindow(open);
}

void TfrmNav::FormClose() {
  if (endsApplication) ui::QuitApplication();
}

}  // namespace velmora::shell
