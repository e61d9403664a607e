// TfrmNav ("Navigator"): the launcher. A borderless window cut from the
// main-screen picture, with nine tool buttons, four command buttons and a hint
// area. Each button is a stack of pictures at one place: a tool button has
// Up (on top), Over (hover, carries the click) and Down (pressed, at the
// bottom); a command button has Up (carries the click) over Down. Hovering,
// pressing and leaving show and hide pictures so the one below shows through.
#pragma once

#include <functional>

#include "shell/command_line.h"

#include "shell/artwork.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace velmora::shell {

inline const char* const kWebSite = "https://www.velmora.example/";
inline const char* const kSupportSite = "https://www.velmora.example/support/";

// What the buttons open. An empty entry is a tool not built yet: its button
// opens nothing.
struct LauncherActions {
  std::function<void()> tools[kToolButtonCount];  // indexed by ToolButton
  std::function<void()> logs;
  // The scheduling switches: an unattended run ("/CLEANJUNK", "/CLEANHISTORY",
  // "/REGISTRYCLEAN") or the scheduling window ("/SETSCHEDULE").
  // Gives the program's exit code: 0 when the run did its work.
  std::function<int(StartCommand)> scheduled;
};

// The administrator check guarding the Uninstall and StartUp tools: false,
// after its message, when the user may not use them.
bool CheckAdminStatus();

// Opens the maker's web page with the shell and then the hint of that subject.
void OpenWebPage(const std::string& address, const std::string& hintSubject);

class TfrmNav : public ui::Form {
 public:
  explicit TfrmNav(LauncherActions actions, bool visible = true);

  // Tool buttons, bottom of each stack first.
  ui::Image imgJunk_Down, imgJunk_Over, imgJunk_Up;
  ui::Image imgEraser_Down, imgEraser_Over, imgEraser_Up;
  ui::Image imgShortcuts_Down, imgShortcuts_Over, imgShortCuts_Up;
  ui::Image imgUninstall_Down, imgUninstall_Over, imgUninstall_Up;
  ui::Image imgDupes_Down, imgDupes_Over, imgDupes_Up;
  ui::Image imgReg_Down, imgReg_Over, imgReg_Up;
  ui::Image imgStartUp_Down, imgStartUp_Over, imgStartUp_Up;
  ui::Image imgSafe_Down, imgSafe_Over, imgSafe_Up;
  ui::Image imgSched_Down, imgSched_Over, imgSched_Up;
  // Command buttons.
  ui::Image imgLogs_Down, imgLogs_Up;
  ui::Image imgWeb_Down, imgWeb_Up;
  ui::Image imgHelp_Down, imgHelp_Up;
  ui::Image imgExit_Down, imgExit_Up;
  // Hint pictures, all at the hint area, at most one visible.
  ui::Image imgJunk_Hint, imgEraser_Hint, imgShortcuts_Hint, imgUninstall_Hint, imgDupes_Hint, imgReg_Hint,
      imgStartUp_Hint, imgSafe_Hint, imgSched_Hint, imgLogs_Hint, imgWeb_Hint, imgHelp_Hint, imgExit_Hint;

  // Shows or hides one button picture, redrawing the others of its stack.
  void SetShown(ui::Image& picture, bool visible);
  // Every button picture visible again except `except` (may be null).
  void AllUp(ui::Image* except);
  // The hint picture belonging to a button picture, shown alone.
  void ChangeHint(ui::Image& buttonPicture);
  // Shows exactly this hint picture (none when null).
  void UpdateHint(ui::Image* hint);
  // Every hint hidden, every button at rest: the launcher's first look.
  void VersionChange();

  // The real launcher ends the program when it closes; a test's does not.
  bool endsApplication = true;

  void OpenTool(ToolButton which);
  // Tool windows, the log viewer and the help window open now (each modal, so one at most).
  int windowsOpen() const { return windowsOpen_; }
  void RunCommand(CommandButton which);

 protected:
  void FormCreate() override;
  void FormMouseMove(int x, int y) override;
  // Closing the launcher (its system menu, the task bar) while a tool is open
  // ends nothing: the tool comes to the front instead.
  void FormCloseQuery(bool& canClose) override;
  void FormClose() override;
  void FormDpiChanged() override;
  // Keyboard alone: arrows and Tab move a highlight over the buttons (tools
  // 0 to 8, then Logs, Web, Help, Exit), Enter or Space presses it.
  void FormKeyDown(WORD& key) override;

 public:
  // The highlighted button (-1: none), as the arrows left it.
  int keyboardButton() const { return keyButton_; }
  void HighlightButton(int index);

 protected:

 private:
  struct ToolStack {
    ui::Image *up, *over, *down, *hint;
  };
  struct CommandStack {
    ui::Image *up, *down, *hint;
  };
  void Wire(ToolButton which);
  void Wire(CommandButton which);
  void BackgroundMove();
  // Pictures, their places and the outline for that DPI.
  void DrawArt(int dpi);

  void OpenOwned(const std::function<void()>& open);

  LauncherActions actions_;
  int windowsOpen_ = 0;
  ToolStack tools_[kToolButtonCount];
  CommandStack commands_[kCommandButtonCount];
  BitmapHandle mainScreen_;
  int artDpi_ = 0;
  int keyButton_ = -1;
};

}  // namespace velmora::shell
