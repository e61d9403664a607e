// Drawing helpers behind shell/artwork.h: a DIB canvas, rounded panels,
// gradients, text in a rect, and the emblems drawn on a 16-unit grid so the same
// drawing serves a 16-pixel list icon and a larger button emblem.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>

#include "platform/handles.h"

namespace velmora::shell::art {

using PenHandle = Handle<GdiObjectTraits<HPEN>>;

inline constexpr COLORREF kNone = CLR_INVALID;  // "no fill" / "no outline"

// A 32-bit top-down DIB section selected into a memory DC of its own.
class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  int width() const { return width_; }
  int height() const { return height_; }
  RECT bounds() const { return RECT{0, 0, width_, height_}; }

  COLORREF Pixel(int x, int y) const;
  void SetPixel(int x, int y, COLORREF c);
  // Makes every pixel opaque (GDI leaves the alpha byte at zero) and hands the
  // bitmap over; the canvas is unusable afterwards.
  BitmapHandle Finish();
  // Hands the bitmap over with its alpha bytes as they are.
  BitmapHandle Release();
  // The raw pixels, 0x00RRGGBB per pixel plus alpha in the top byte.
  std::uint32_t* bits() { return bits_; }

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  BitmapHandle bitmap_;
  HGDIOBJ old_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

// Makes a window-shaping picture exact: outside `outline` every pixel becomes
// `transparent`; inside, any pixel that happens to equal it (antialiased text,
// a gradient step) is nudged to `substitute`, so the shaped window has no holes.
void ApplyOutline(Canvas& canvas, HRGN outline, COLORREF transparent, COLORREF substitute);

// Makes every pixel of the `key` colour fully transparent and every other pixel
// opaque, and returns the matching monochrome mask (a set bit is transparent),
// so a picture drawn on a key colour serves image lists and icons alike.
BitmapHandle CutOutKey(Canvas& canvas, COLORREF key);

// ---- Scale ----
// Pictures are designed in 96-dpi units; while a DpiScope lives, S() turns a
// length into pixels at its DPI, so one drawing serves every DPI.
class DpiScope {
 public:
  explicit DpiScope(int dpi);
  ~DpiScope();
  DpiScope(const DpiScope&) = delete;
  DpiScope& operator=(const DpiScope&) = delete;

 private:
  int old_;
};
int S(int length96);
RECT S(const RECT& r96);

// ---- Colours ----
COLORREF Mix(COLORREF a, COLORREF b, int percentB);

// ---- Regions, panels, gradients ----
RegionHandle RoundRegion(const RECT& r, int radius);
void FillGradient(HDC dc, const RECT& r, COLORREF top, COLORREF bottom);
void FillGradientHorizontal(HDC dc, const RECT& r, COLORREF left, COLORREF right);
// A rounded panel filled with a vertical gradient and framed `borderWidth` pixels
// inside its edge; `border` may be kNone.
void RoundPanel(HDC dc, const RECT& r, int radius, COLORREF top, COLORREF bottom, COLORREF border,
                int borderWidth = 1);
void SolidRect(HDC dc, const RECT& r, COLORREF c);
void HorizontalLine(HDC dc, int x0, int x1, int y, COLORREF c);

// ---- Text ----
// The system's message font face at a pixel height (96 dpi pictures).
FontHandle UiFont(int pixelHeight, int weight = FW_NORMAL, bool italic = false);
// Draws text in a rect with DrawTextW; returns the height DrawTextW reports.
int TextIn(HDC dc, RECT r, const wchar_t* text, HFONT font, COLORREF color, UINT format);
// Height the text needs when wrapped to the rect's width.
int TextHeight(HDC dc, const RECT& r, const wchar_t* text, HFONT font, UINT format);
// Width of the text on one line.
int TextWidth(HDC dc, const wchar_t* text, HFONT font);

// ---- Emblems ----
enum class Emblem {
  // tools
  Trash, Eraser, Shortcut, Package, Duplicate, Registry, Power, Clipboard, Clock,
  // commands and help window
  Notebook, Globe, Question, Door, Info, Book, Lifebuoy,
  // list icons and small pictures
  Tick, Bar, File, Folder, FolderExclude, FilePattern, FileExclude, SharedLibrary, Program, Drive,
  Cross, Magnifier, ProgramLink, ShortcutFolder, BrokenLink, Recycle, MoveTo, Confirm, DeletePage, Blank,
  // the tray agent: scheduling switched off
  ClockOff,
};
// Draws the emblem into the square (left, top, size x size).
void DrawEmblem(HDC dc, Emblem e, int left, int top, int size);
// The emblem washed out over what the canvas shows (percent = its strength).
void FadedEmblem(Canvas& canvas, Emblem e, int left, int top, int size, int percent);

}  // namespace velmora::shell::art
