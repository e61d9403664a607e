// The suite's pictures, drawn with GDI at run time: the launcher's background and
// buttons, its hint pictures, the help window, the small shared pictures and the
// shared image lists. Every function returns a bitmap (a 32-bit top-down DIB
// section, fully opaque) or an image list that the caller owns.
//
// Pictures that shape a window carry their transparent colour only outside the
// outline: silver for the launcher, black for the help window. Inside the outline
// that exact colour never occurs, so a window cut from the picture has no holes.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <functional>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace velmora::shell {

struct ImageListTraits {
  using type = HIMAGELIST;
  static type invalid() { return nullptr; }
  static void close(type h) { ImageList_Destroy(h); }
};
using ImageListHandle = Handle<ImageListTraits>;

enum class ButtonState { Up, Over, Down };

// ---- Launcher ---------------------------------------------------------------

inline constexpr int kMainScreenWidth = 513;
inline constexpr int kMainScreenHeight = 442;
inline constexpr COLORREF kMainScreenTransparent = RGB(192, 192, 192);

// In launcher order, top to bottom.
enum class ToolButton { Junk, Eraser, Shortcuts, Uninstall, Dupes, Reg, StartUp, Safe, Sched };
inline constexpr int kToolButtonCount = 9;
// In launcher order, top to bottom of the right-hand column.
enum class CommandButton { Logs, Web, Help, Exit };
inline constexpr int kCommandButtonCount = 4;

// Where things sit on the main-screen picture, in picture pixels. Every launcher
// picture can be drawn for any DPI: the 96-dpi design is scaled by dpi / 96,
// lengths and fonts alike, so it stays sharp on a large-font screen.
struct LauncherLayout {
  RECT tools[kToolButtonCount];        // indexed by ToolButton
  RECT commands[kCommandButtonCount];  // indexed by CommandButton
  RECT hint;                           // every hint picture goes here

  const RECT& tool(ToolButton b) const { return tools[static_cast<int>(b)]; }
  const RECT& command(CommandButton b) const { return commands[static_cast<int>(b)]; }
};
LauncherLayout GetLauncherLayout(int dpi = 96);
// kMainScreenWidth x kMainScreenHeight at that DPI.
SIZE MainScreenSize(int dpi = 96);

// 513 x 442 at 96 dpi; silver outside the rounded outline.
BitmapHandle MainScreenPicture(int dpi = 96);
// Sized to the button's layout rect. Up is the resting face, Over is highlighted,
// Down looks pressed.
BitmapHandle ToolButtonPicture(ToolButton which, ButtonState state, int dpi = 96);
// Sized to the button's layout rect. Command buttons have two faces: Over is
// drawn as Up.
BitmapHandle CommandButtonPicture(CommandButton which, ButtonState state, int dpi = 96);
// Sized to the hint area: the button's name as a heading and what it does.
BitmapHandle HintPicture(ToolButton which, int dpi = 96);
BitmapHandle HintPicture(CommandButton which, int dpi = 96);

// ---- Help window ------------------------------------------------------------

inline constexpr int kHelpBackWidth = 189;
inline constexpr int kHelpBackHeight = 209;
inline constexpr COLORREF kHelpBackTransparent = RGB(0, 0, 0);

enum class HelpButton { About, Manual, Support, Exit };
inline constexpr int kHelpButtonCount = 4;

struct HelpLayout {
  RECT buttons[kHelpButtonCount];  // indexed by HelpButton, top to bottom
  RECT about;                      // a strip for the product name and version

  const RECT& button(HelpButton b) const { return buttons[static_cast<int>(b)]; }
};
// At any DPI, as the launcher's pictures.
HelpLayout GetHelpLayout(int dpi = 96);
SIZE HelpBackSize(int dpi = 96);

// 189 x 209; black outside the outline.
BitmapHandle HelpBackPicture(int dpi = 96);
// Sized to the button's layout rect; Up or Down (Over is drawn as Up).
BitmapHandle HelpButtonPicture(HelpButton which, ButtonState state, int dpi = 96);

// ---- Small shared pictures --------------------------------------------------

// imgConfirm, imgDelete, imgMoveTo, imgRecycle (16 x 16), imgMag (50 x 27),
// imgHelp16 (16 x 15). Drawn on the system's button-face colour, which is also
// the colour of their bottom-left pixel, for controls that take that pixel as
// the transparent one.
enum class SmallPic { Confirm, Delete, MoveTo, Recycle, Mag, Help16 };
SIZE SmallPictureSize(SmallPic which);
// Drawn for `dpi` (the magnifier keeps its 96-dpi size).
SIZE SmallPictureSize(SmallPic which, int dpi);
BitmapHandle SmallPicture(SmallPic which, int dpi = 96);

// The scheduling picture (a clock) of the scheduling window and its
// properties dialog, size x size, on the button-face colour.
BitmapHandle SchedulePicture(int size);

// ---- The tray agent's icons ------------------------------------------------

// "Enabled" (scheduling on: the clock) and "Off" (the clock with a no-entry
// badge), size x size with an alpha channel and a mask.
enum class AgentIconState { Enabled, Off };
IconHandle AgentIcon(AgentIconState state, int size);

// ---- Image lists (indexes in shell/common_icons.h) ----------------------------

// ilCommon16: 16 x 16, ILC_COLOR32 | ILC_MASK; the same images at another size
// for a window of another DPI (16 x dpi / 96).
ImageListHandle CommonImageList(int size = 16);
// ilIcons: the row images of the shortcut finder's and uninstall cleaner's lists.
ImageListHandle IconsImageList(int size = 16);
// The first images of the duplicate finder's result list, which appends file
// icons after them and cuts back to them at every scan.
ImageListHandle DuplicateResultImageList(int size = 16);
// The first icon a program, library or icon file holds, drawn at `size`
// pixels (not a 16-pixel one blown up); none when it holds none.
IconHandle FileIconAt(const std::string& path, int size);

// A result list's row pictures: fixed ones first (drawn by `fixed` at any
// size), then the icons of listed programs as they are found. Drawn at one
// size; Resize draws every picture again at another (the window moved to a
// screen of another DPI), keeping every index.
class FileIconList {
 public:
  FileIconList(std::function<ImageListHandle(int size)> fixed, int size);
  HIMAGELIST get() const { return list_.get(); }
  int size() const { return size_; }
  // The file's own icon, added; `fallback` when it holds none.
  int Add(const std::string& path, int fallback);
  // Back to the fixed pictures alone (a new scan).
  void Clear();
  void Resize(int size);

 private:
  std::function<ImageListHandle(int)> fixed_;
  int size_, fixedCount_ = 0;
  ImageListHandle list_;
  std::vector<std::string> sources_;  // the files of the added icons, in index order
};

}  // namespace velmora::shell
