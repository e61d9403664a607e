// Canvas, panels, gradients and text for the suite's pictures.
#include "shell/artwork_draw.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace velmora::shell::art {

namespace {

std::uint32_t ToPixel(COLORREF c) {
  return 0xFF000000u | (std::uint32_t{GetRValue(c)} << 16) | (std::uint32_t{GetGValue(c)} << 8) |
         GetBValue(c);
}
COLORREF FromPixel(std::uint32_t p) {
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

// Selects a GDI object for the lifetime of the guard.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  ~Selected() { SelectObject(dc_, old_); }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace

// ---- Canvas ----

Canvas::Canvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
  dc_ = CreateCompatibleDC(nullptr);
  if (!dc_) throw std::runtime_error("CreateCompatibleDC failed");
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = -height;  // top-down
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_.reset(CreateDIBSection(dc_, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap_ || !bits) {
    DeleteDC(dc_);
    throw std::runtime_error("CreateDIBSection failed");
  }
  bits_ = static_cast<std::uint32_t*>(bits);
  old_ = SelectObject(dc_, bitmap_.get());
  std::fill(bits_, bits_ + static_cast<size_t>(width) * height, ToPixel(fill));
}

Canvas::~Canvas() {
  if (dc_) {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
}

COLORREF Canvas::Pixel(int x, int y) const {
  GdiFlush();
  return FromPixel(bits_[static_cast<size_t>(y) * width_ + x]);
}

void Canvas::SetPixel(int x, int y, COLORREF c) {
  GdiFlush();
  bits_[static_cast<size_t>(y) * width_ + x] = ToPixel(c);
}

BitmapHandle Canvas::Finish() {
  GdiFlush();
  const size_t n = static_cast<size_t>(width_) * height_;
  for (size_t i = 0; i < n; ++i) bits_[i] |= 0xFF000000u;
  return Release();
}

BitmapHandle Canvas::Release() {
  GdiFlush();
  SelectObject(dc_, old_);
  DeleteDC(dc_);
  dc_ = nullptr;
  bits_ = nullptr;
  return std::move(bitmap_);
}

void ApplyOutline(Canvas& canvas, HRGN outline, COLORREF transparent, COLORREF substitute) {
  const int w = canvas.width(), h = canvas.height();
  std::vector<char> inside(static_cast<size_t>(w) * h, 0);
  const DWORD size = GetRegionData(outline, 0, nullptr);
  std::vector<char> buffer(size);
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  if (size == 0 || GetRegionData(outline, size, data) != size) {
    throw std::runtime_error("GetRegionData failed");
  }
  const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
  for (DWORD i = 0; i < data->rdh.nCount; ++i) {
    const RECT& r = rects[i];
    for (int y = std::max(0L, r.top); y < std::min<LONG>(h, r.bottom); ++y)
      for (int x = std::max(0L, r.left); x < std::min<LONG>(w, r.right); ++x)
        inside[static_cast<size_t>(y) * w + x] = 1;
  }
  GdiFlush();
  const std::uint32_t clear = ToPixel(transparent) & 0xFFFFFF, instead = ToPixel(substitute);
  std::uint32_t* px = canvas.bits();
  for (size_t i = 0; i < inside.size(); ++i) {
    if (!inside[i]) {
      px[i] = ToPixel(transparent);
    } else if ((px[i] & 0xFFFFFF) == clear) {
      px[i] = instead;
    }
  }
}

BitmapHandle CutOutKey(Canvas& canvas, COLORREF key) {
  GdiFlush();
  const int w = canvas.width(), h = canvas.height();
  const std::uint32_t keyPixel = ToPixel(key) & 0xFFFFFF;
  // Monochrome rows are padded to 16 bits.
  const int stride = (w + 15) / 16 * 2;
  std::vector<std::uint8_t> mask(static_cast<size_t>(stride) * h, 0);
  std::uint32_t* px = canvas.bits();
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint32_t& p = px[static_cast<size_t>(y) * w + x];
      if ((p & 0xFFFFFF) == keyPixel) {
        p = 0;
        mask[static_cast<size_t>(y) * stride + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      } else {
        p |= 0xFF000000u;
      }
    }
  }
  BitmapHandle monochrome(CreateBitmap(w, h, 1, 1, mask.data()));
  if (!monochrome) throw std::runtime_error("CreateBitmap failed");
  return monochrome;
}

// ---- Scale ----

namespace {
int g_dpi = 96;
}

DpiScope::DpiScope(int dpi) : old_(g_dpi) { g_dpi = dpi > 0 ? dpi : 96; }
DpiScope::~DpiScope() { g_dpi = old_; }
int S(int length96) { return MulDiv(length96, g_dpi, 96); }
RECT S(const RECT& r96) { return RECT{S(r96.left), S(r96.top), S(r96.right), S(r96.bottom)}; }

// ---- Colours ----

COLORREF Mix(COLORREF a, COLORREF b, int percentB) {
  auto mix = [percentB](int x, int y) { return (x * (100 - percentB) + y * percentB + 50) / 100; };
  return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
             mix(GetBValue(a), GetBValue(b)));
}

// ---- Regions, panels, gradients ----

RegionHandle RoundRegion(const RECT& r, int radius) {
  RegionHandle rgn(CreateRoundRectRgn(r.left, r.top, r.right + 1, r.bottom + 1, 2 * radius, 2 * radius));
  if (!rgn) throw std::runtime_error("CreateRoundRectRgn failed");
  // CreateRoundRectRgn leaves out the last row and column of its box; one pixel
  // more each way and a cut to the rect gives exactly r.
  RegionHandle box(CreateRectRgnIndirect(&r));
  CombineRgn(rgn.get(), rgn.get(), box.get(), RGN_AND);
  return rgn;
}

namespace {
void Gradient(HDC dc, const RECT& r, COLORREF a, COLORREF b, ULONG mode) {
  TRIVERTEX v[2] = {
      {r.left, r.top, static_cast<COLOR16>(GetRValue(a) << 8), static_cast<COLOR16>(GetGValue(a) << 8),
       static_cast<COLOR16>(GetBValue(a) << 8), 0},
      {r.right, r.bottom, static_cast<COLOR16>(GetRValue(b) << 8), static_cast<COLOR16>(GetGValue(b) << 8),
       static_cast<COLOR16>(GetBValue(b) << 8), 0},
  };
  GRADIENT_RECT g{0, 1};
  GradientFill(dc, v, 2, &g, 1, mode);
}
}  // namespace

void FillGradient(HDC dc, const RECT& r, COLORREF top, COLORREF bottom) {
  Gradient(dc, r, top, bottom, GRADIENT_FILL_RECT_V);
}

void FillGradientHorizontal(HDC dc, const RECT& r, COLORREF left, COLORREF right) {
  Gradient(dc, r, left, right, GRADIENT_FILL_RECT_H);
}

void RoundPanel(HDC dc, const RECT& r, int radius, COLORREF top, COLORREF bottom, COLORREF border,
                int borderWidth) {
  RegionHandle rgn = RoundRegion(r, radius);
  // The clip region is in device units; the pictures never move the origin.
  SelectClipRgn(dc, rgn.get());
  FillGradient(dc, r, top, bottom);
  SelectClipRgn(dc, nullptr);
  if (border != kNone && borderWidth > 0) {
    BrushHandle brush(CreateSolidBrush(border));
    FrameRgn(dc, rgn.get(), brush.get(), borderWidth, borderWidth);
  }
}

void SolidRect(HDC dc, const RECT& r, COLORREF c) {
  BrushHandle brush(CreateSolidBrush(c));
  FillRect(dc, &r, brush.get());
}

void HorizontalLine(HDC dc, int x0, int x1, int y, COLORREF c) {
  SolidRect(dc, RECT{x0, y, x1, y + 1}, c);
}

// ---- Text ----

FontHandle UiFont(int pixelHeight, int weight, bool italic) {
  LOGFONTW lf{};
  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof ncm;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) {
    lf = ncm.lfMessageFont;
  } else {
    lstrcpynW(lf.lfFaceName, L"Tahoma", LF_FACESIZE);
  }
  lf.lfHeight = -pixelHeight;
  lf.lfWidth = 0;
  lf.lfWeight = weight;
  lf.lfItalic = italic ? TRUE : FALSE;
  lf.lfUnderline = FALSE;
  lf.lfStrikeOut = FALSE;
  lf.lfQuality = ANTIALIASED_QUALITY;  // grey smoothing: no colour fringes on coloured panels
  FontHandle font(CreateFontIndirectW(&lf));
  if (!font) throw std::runtime_error("CreateFontIndirectW failed");
  return font;
}

int TextIn(HDC dc, RECT r, const wchar_t* text, HFONT font, COLORREF color, UINT format) {
  Selected sel(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  return DrawTextW(dc, text, -1, &r, format | DT_NOPREFIX);
}

int TextHeight(HDC dc, const RECT& r, const wchar_t* text, HFONT font, UINT format) {
  Selected sel(dc, font);
  RECT calc = r;
  DrawTextW(dc, text, -1, &calc, format | DT_NOPREFIX | DT_CALCRECT);
  return calc.bottom - calc.top;
}

int TextWidth(HDC dc, const wchar_t* text, HFONT font) {
  Selected sel(dc, font);
  RECT calc{0, 0, 0, 0};
  DrawTextW(dc, text, -1, &calc, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
  return calc.right - calc.left;
}

void FadedEmblem(Canvas& canvas, Emblem e, int left, int top, int size, int percent) {
  const COLORREF key = RGB(255, 0, 255);  // no emblem uses it
  Canvas mark(size, size, key);
  DrawEmblem(mark.dc(), e, 0, 0, size);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const COLORREF m = mark.Pixel(x, y);
      const int tx = left + x, ty = top + y;
      if (m == key || tx < 0 || ty < 0 || tx >= canvas.width() || ty >= canvas.height()) continue;
      canvas.SetPixel(tx, ty, Mix(canvas.Pixel(tx, ty), m, percent));
    }
  }
}

}  // namespace velmora::shell::art
