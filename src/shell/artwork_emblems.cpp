// The emblems: small pictograms on a 16-unit grid (0..15.5 stays inside a
// 16-pixel square), scaled to whatever square they are drawn into.
#include <algorithm>
#include <cmath>
#include <vector>

#include "shell/artwork_draw.h"

namespace velmora::shell::art {

namespace {

struct Pt {
  float x, y;
};

constexpr COLORREF kInk = RGB(40, 48, 64);
constexpr COLORREF kPaper = RGB(255, 255, 255);
constexpr COLORREF kFold = RGB(206, 214, 226);
constexpr COLORREF kRule = RGB(140, 160, 190);
constexpr COLORREF kBlue = RGB(44, 104, 196);
constexpr COLORREF kDarkBlue = RGB(24, 64, 136);
constexpr COLORREF kGreen = RGB(46, 158, 72);
constexpr COLORREF kDarkGreen = RGB(24, 104, 44);
constexpr COLORREF kRed = RGB(208, 48, 44);
constexpr COLORREF kDarkRed = RGB(136, 28, 28);
constexpr COLORREF kFolderBack = RGB(226, 172, 52);
constexpr COLORREF kFolderFront = RGB(250, 208, 92);
constexpr COLORREF kFolderLine = RGB(150, 104, 24);

// Maps the 16-unit grid onto a square of pixels and draws filled and outlined
// shapes there; kNone leaves out the fill or the outline.
class Sketch {
 public:
  Sketch(HDC dc, int left, int top, int size) : dc_(dc), left_(left), top_(top), scale_(size / 16.0f) {}

  int X(float u) const { return left_ + static_cast<int>(std::lround(u * scale_)); }
  int Y(float u) const { return top_ + static_cast<int>(std::lround(u * scale_)); }
  int Width(float units) const { return std::max(1, static_cast<int>(units * scale_ + 0.25f)); }
  float scale() const { return scale_; }

  void Rect(float x0, float y0, float x1, float y1, COLORREF fill, COLORREF line = kNone) {
    RECT r{X(x0), Y(y0), X(x1), Y(y1)};
    if (fill != kNone) SolidRect(dc_, r, fill);
    if (line != kNone) {
      const int w = Width(1);
      SolidRect(dc_, RECT{r.left, r.top, r.right, r.top + w}, line);
      SolidRect(dc_, RECT{r.left, r.bottom - w, r.right, r.bottom}, line);
      SolidRect(dc_, RECT{r.left, r.top, r.left + w, r.bottom}, line);
      SolidRect(dc_, RECT{r.right - w, r.top, r.right, r.bottom}, line);
    }
  }

  void Ellipse(float x0, float y0, float x1, float y1, COLORREF fill, COLORREF line = kNone, float lineWidth = 1) {
    Tools t(*this, fill, line, lineWidth, PS_INSIDEFRAME);
    // Without a pen GDI fills one pixel short on the right and bottom.
    const int extra = line == kNone ? 1 : 0;
    ::Ellipse(dc_, X(x0), Y(y0), X(x1) + extra, Y(y1) + extra);
  }

  void Polygon(std::initializer_list<Pt> pts, COLORREF fill, COLORREF line = kNone) {
    Polygon(std::vector<Pt>(pts), fill, line);
  }
  void Polygon(const std::vector<Pt>& pts, COLORREF fill, COLORREF line = kNone) {
    std::vector<POINT> p;
    for (const Pt& q : pts) p.push_back(POINT{X(q.x), Y(q.y)});
    Tools t(*this, fill, line, 1, PS_SOLID);
    SetPolyFillMode(dc_, WINDING);
    ::Polygon(dc_, p.data(), static_cast<int>(p.size()));
  }

  void Line(std::initializer_list<Pt> pts, COLORREF color, float width = 1) {
    std::vector<POINT> p;
    for (const Pt& q : pts) p.push_back(POINT{X(q.x), Y(q.y)});
    Tools t(*this, kNone, color, width, PS_SOLID);
    ::Polyline(dc_, p.data(), static_cast<int>(p.size()));
    // A one-pixel polyline leaves out its last point.
    if (Width(width) == 1) SetPixelV(dc_, p.back().x, p.back().y, color);
  }

  // An arc of the ellipse in the box, counter-clockwise from `fromDeg` to `toDeg`
  // (degrees from three o'clock, counter-clockwise as on a clock face seen normally).
  void Arc(float x0, float y0, float x1, float y1, float fromDeg, float toDeg, COLORREF color, float width) {
    const float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    auto radial = [&](float deg) {
      const float rad = deg * 3.14159265f / 180.0f;
      return POINT{X(cx + 10 * std::cos(rad)), Y(cy - 10 * std::sin(rad))};
    };
    const POINT a = radial(fromDeg), b = radial(toDeg);
    Tools t(*this, kNone, color, width, PS_SOLID);
    SetArcDirection(dc_, AD_COUNTERCLOCKWISE);
    ::Arc(dc_, X(x0), Y(y0), X(x1), Y(y1), a.x, a.y, b.x, b.y);
  }

  // One or two characters centred in the box, bold, sized to the box height.
  void Glyph(float x0, float y0, float x1, float y1, const wchar_t* text, COLORREF color) {
    const int h = Y(y1) - Y(y0);
    FontHandle font = UiFont(std::max(6, h), FW_BOLD);
    TextIn(dc_, RECT{X(x0), Y(y0), X(x1), Y(y1)}, text, font.get(), color,
           DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }

 private:
  // Pen and brush for one shape, restored afterwards.
  class Tools {
   public:
    Tools(Sketch& s, COLORREF fill, COLORREF line, float width, int style) : dc_(s.dc_) {
      if (line != kNone) {
        const int w = s.Width(width);
        if (w > 1) {
          LOGBRUSH lb{BS_SOLID, line, 0};
          const DWORD flat = style == PS_INSIDEFRAME ? PS_INSIDEFRAME : PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND;
          pen_.reset(ExtCreatePen(PS_GEOMETRIC | flat, w, &lb, 0, nullptr));
        } else {
          pen_.reset(CreatePen(PS_SOLID, 1, line));
        }
      }
      if (fill != kNone) brush_.reset(CreateSolidBrush(fill));
      oldPen_ = SelectObject(dc_, pen_ ? static_cast<HGDIOBJ>(pen_.get()) : GetStockObject(NULL_PEN));
      oldBrush_ = SelectObject(dc_, brush_ ? static_cast<HGDIOBJ>(brush_.get()) : GetStockObject(NULL_BRUSH));
    }
    ~Tools() {
      SelectObject(dc_, oldPen_);
      SelectObject(dc_, oldBrush_);
    }
    Tools(const Tools&) = delete;
    Tools& operator=(const Tools&) = delete;

   private:
    HDC dc_;
    PenHandle pen_;
    BrushHandle brush_;
    HGDIOBJ oldPen_, oldBrush_;
  };

  HDC dc_;
  int left_, top_;
  float scale_;
};

// ---- building blocks ----

void Page(Sketch& s, float x0, float y0, float x1, float y1, bool rules) {
  const float f = 3.5f;
  s.Polygon({{x0, y0}, {x1 - f, y0}, {x1, y0 + f}, {x1, y1}, {x0, y1}}, kPaper, kInk);
  s.Polygon({{x1 - f, y0}, {x1 - f, y0 + f}, {x1, y0 + f}}, kFold, kInk);
  if (rules) {
    for (float y = y0 + 5.5f; y < y1 - 1.5f; y += 2.5f) s.Line({{x0 + 2.5f, y}, {x1 - 2.5f, y}}, kRule);
  }
}

void FolderShape(Sketch& s) {
  s.Polygon({{0.5f, 2.5f}, {6, 2.5f}, {7.5f, 4.5f}, {15, 4.5f}, {15, 14}, {0.5f, 14}}, kFolderBack, kFolderLine);
  s.Polygon({{0.5f, 14}, {2, 7}, {15.5f, 7}, {15, 14}}, kFolderFront, kFolderLine);
}

void NoEntryBadge(Sketch& s) {
  s.Ellipse(8, 8, 15.5f, 15.5f, kRed, kDarkRed);
  s.Rect(9.7f, 11, 13.9f, 12.6f, kPaper);
}

void CrossBadge(Sketch& s) {
  s.Ellipse(8, 8, 15.5f, 15.5f, kRed, kDarkRed);
  s.Line({{10.2f, 10.2f}, {13.3f, 13.3f}}, kPaper, 1.3f);
  s.Line({{13.3f, 10.2f}, {10.2f, 13.3f}}, kPaper, 1.3f);
}

void ShortcutArrow(Sketch& s, float x0, float y0, float size) {
  const float k = size / 8.0f;
  auto P = [&](float x, float y) { return Pt{x0 + x * k, y0 + y * k}; };
  s.Rect(x0, y0, x0 + size, y0 + size, kPaper, kInk);
  s.Line({P(2.4f, 6.6f), P(2.4f, 4.8f), P(3.8f, 3.6f), P(5, 3.6f)}, kBlue, 1.3f * k);
  s.Polygon({P(4.6f, 1.6f), P(7.0f, 3.6f), P(4.6f, 5.6f)}, kBlue, kDarkBlue);
}

void Cube(Sketch& s, float x, float y, float size, COLORREF c) {
  const float d = size * 0.4f;
  s.Polygon({{x, y}, {x + d, y - d}, {x + size + d, y - d}, {x + size, y}}, Mix(c, kPaper, 45), kInk);
  s.Polygon({{x + size, y}, {x + size + d, y - d}, {x + size + d, y + size - d}, {x + size, y + size}},
            Mix(c, RGB(0, 0, 0), 30), kInk);
  s.Rect(x, y, x + size + 0.5f, y + size + 0.5f, c, kInk);
}

void Bin(Sketch& s, COLORREF body) {
  s.Polygon({{3.5f, 5}, {12.5f, 5}, {11.5f, 15}, {4.5f, 15}}, body, kInk);
  const COLORREF rib = Mix(body, kPaper, 55);
  s.Line({{6.2f, 7}, {6.6f, 13}}, rib);
  s.Line({{8, 7}, {8, 13}}, rib);
  s.Line({{9.8f, 7}, {9.4f, 13}}, rib);
  s.Rect(2, 3, 14, 5.5f, Mix(body, RGB(0, 0, 0), 20), kInk);
  s.Rect(6, 1, 10, 3.5f, kNone, kInk);
}

// ---- tools ----

void Trash(Sketch& s) { Bin(s, RGB(108, 130, 158)); }

void Eraser(Sketch& s) {
  const Pt a{1, 11}, b{10, 2}, c{14.5f, 6.5f}, d{5.5f, 15.5f};
  const Pt e{a.x + 0.4f * (b.x - a.x), a.y + 0.4f * (b.y - a.y)};
  const Pt f{d.x + 0.4f * (c.x - d.x), d.y + 0.4f * (c.y - d.y)};
  s.Polygon({e, b, c, f}, kBlue, kInk);
  s.Polygon({a, e, f, d}, RGB(244, 146, 168), kInk);
  s.Line({{10, 15}, {15.5f, 15}}, RGB(150, 150, 160));
}

void Shortcut(Sketch& s) {
  Page(s, 4, 0.5f, 14.5f, 15, true);
  ShortcutArrow(s, 0.5f, 7.5f, 8);
}

void Package(Sketch& s) {
  s.Polygon({{1, 6}, {4, 3}, {14, 3}, {11, 6}}, RGB(228, 190, 130), kInk);
  s.Polygon({{11, 6}, {14, 3}, {14, 12}, {11, 15}}, RGB(168, 118, 62), kInk);
  s.Rect(1, 6, 11.5f, 15.5f, RGB(204, 154, 92), kInk);
  s.Line({{6.2f, 6}, {9, 3}}, RGB(150, 104, 50));
}

void Uninstall(Sketch& s) {
  Package(s);
  s.Ellipse(8, 8, 15.5f, 15.5f, kRed, kDarkRed);
  s.Rect(9.7f, 11, 13.9f, 12.6f, kPaper);
}

void Duplicate(Sketch& s) {
  Page(s, 0.5f, 0.5f, 10, 12, true);
  Page(s, 5.5f, 4, 15, 15.5f, false);
  s.Rect(7.5f, 8.5f, 13, 10, kBlue);
  s.Rect(7.5f, 11.5f, 13, 13, kBlue);
}

void Registry(Sketch& s) {
  Cube(s, 1, 9.5f, 5.5f, kBlue);
  Cube(s, 8, 9.5f, 5.5f, RGB(36, 156, 146));
  Cube(s, 4.5f, 3.2f, 5.5f, RGB(228, 136, 36));
}

void Power(Sketch& s) {
  s.Ellipse(0.5f, 0.5f, 15.5f, 15.5f, kGreen, kDarkGreen);
  s.Arc(3.8f, 4.3f, 12.2f, 12.7f, 125, 55, kPaper, 1.7f);
  s.Line({{8, 2.6f}, {8, 8}}, kPaper, 1.7f);
}

void Clipboard(Sketch& s) {
  s.Rect(2, 2, 14.5f, 15.5f, RGB(176, 124, 70), kInk);
  s.Rect(3.5f, 4, 13, 14, kPaper);
  s.Rect(5.5f, 1, 11, 4.5f, RGB(160, 170, 184), kInk);
  for (float y : {6.5f, 9.2f, 11.9f}) {
    s.Rect(4.5f, y - 0.8f, 6.5f, y + 1.2f, kGreen);
    s.Line({{7.5f, y}, {11.5f, y}}, kRule);
  }
}

void Clock(Sketch& s) {
  s.Ellipse(0.5f, 0.5f, 15.5f, 15.5f, kPaper, kBlue, 1.5f);
  s.Rect(7.5f, 2, 8.5f, 3.5f, kInk);
  s.Rect(7.5f, 12.5f, 8.5f, 14, kInk);
  s.Rect(2, 7.5f, 3.5f, 8.5f, kInk);
  s.Rect(12.5f, 7.5f, 14, 8.5f, kInk);
  s.Line({{8, 8}, {8, 4}}, kInk, 1.2f);
  s.Line({{8, 8}, {11.2f, 10}}, kRed, 1.2f);
}

// ---- commands and help window ----

void Notebook(Sketch& s) {
  s.Rect(2, 0.5f, 14.5f, 15.5f, kBlue, kDarkBlue);
  s.Rect(4, 1.5f, 13.5f, 14.5f, kPaper);
  for (float y : {4.5f, 7.0f, 9.5f}) s.Line({{5.5f, y}, {12, y}}, kRule);
  s.Line({{5.5f, 12}, {9.5f, 12}}, kRule);
  for (float y : {3.0f, 6.5f, 10.0f, 13.5f}) s.Rect(0.5f, y - 0.5f, 4.5f, y + 0.8f, RGB(150, 156, 168));
}

void Globe(Sketch& s) {
  const COLORREF grid = RGB(196, 224, 250);
  s.Ellipse(0.5f, 0.5f, 15.5f, 15.5f, RGB(64, 136, 214), kDarkBlue);
  s.Ellipse(4.8f, 0.8f, 11.2f, 15.2f, kNone, grid);
  s.Line({{8, 1}, {8, 15}}, grid);
  s.Line({{1, 8}, {15, 8}}, grid);
  s.Line({{2.6f, 4.5f}, {13.4f, 4.5f}}, grid);
  s.Line({{2.6f, 11.5f}, {13.4f, 11.5f}}, grid);
}

void Question(Sketch& s) {
  s.Ellipse(0.5f, 0.5f, 15.5f, 15.5f, kBlue, kDarkBlue);
  s.Glyph(0.5f, 1, 15.5f, 15, L"?", kPaper);
}

void Info(Sketch& s) {
  s.Ellipse(0.5f, 0.5f, 15.5f, 15.5f, kBlue, kDarkBlue);
  s.Rect(7, 3, 9.2f, 5.2f, kPaper);
  s.Rect(7, 6.5f, 9.2f, 12.5f, kPaper);
  s.Rect(5.8f, 11.5f, 10.4f, 12.8f, kPaper);
}

void Door(Sketch& s) {
  s.Rect(6, 0.5f, 15, 15.5f, RGB(96, 92, 104), kInk);
  s.Rect(7.5f, 2, 13.5f, 15.5f, RGB(184, 122, 64), kInk);
  s.Rect(11.4f, 8, 12.6f, 9.4f, RGB(250, 220, 90));
  s.Line({{10, 8.3f}, {3, 8.3f}}, kRed, 2.2f);
  s.Polygon({{0.5f, 8.3f}, {4.5f, 4.5f}, {4.5f, 12.1f}}, kRed, kDarkRed);
}

void Book(Sketch& s) {
  s.Polygon({{0.5f, 5}, {8, 6.5f}, {15.5f, 5}, {15.5f, 15}, {8, 15.5f}, {0.5f, 15}}, kBlue, kDarkBlue);
  s.Polygon({{1.5f, 3}, {8, 4.5f}, {8, 14.5f}, {1.5f, 13}}, kPaper, kInk);
  s.Polygon({{8, 4.5f}, {14.5f, 3}, {14.5f, 13}, {8, 14.5f}}, kPaper, kInk);
  for (float y : {7.0f, 9.5f}) {
    s.Line({{3, y}, {6.5f, y + 0.8f}}, kRule);
    s.Line({{9.5f, y + 0.8f}, {13, y}}, kRule);
  }
}

void Lifebuoy(Sketch& s) {
  s.Arc(2.6f, 2.6f, 13.4f, 13.4f, 0, 359.9f, kPaper, 4.2f);
  for (float a : {45.0f, 135.0f, 225.0f, 315.0f}) s.Arc(2.6f, 2.6f, 13.4f, 13.4f, a - 22, a + 22, kRed, 4.2f);
  s.Ellipse(0.5f, 0.5f, 15.5f, 15.5f, kNone, kDarkRed);
  s.Ellipse(4.6f, 4.6f, 11.4f, 11.4f, kNone, kDarkRed);
}

// ---- list icons and small pictures ----

void Tick(Sketch& s) {
  s.Ellipse(0.5f, 0.5f, 15.5f, 15.5f, kGreen, kDarkGreen);
  s.Line({{4, 8.2f}, {7, 11.2f}, {12, 5}}, kPaper, 2);
}

void Bar(Sketch& s) {
  s.Ellipse(0.5f, 0.5f, 15.5f, 15.5f, kRed, kDarkRed);
  s.Rect(3.5f, 6.8f, 12.5f, 9.4f, kPaper);
}

void Asterisk(Sketch& s, float cx, float cy, float r, COLORREF c) {
  s.Line({{cx, cy - r}, {cx, cy + r}}, c, 1.4f);
  s.Line({{cx - r * 0.87f, cy - r / 2}, {cx + r * 0.87f, cy + r / 2}}, c, 1.4f);
  s.Line({{cx - r * 0.87f, cy + r / 2}, {cx + r * 0.87f, cy - r / 2}}, c, 1.4f);
}

void FilePattern(Sketch& s) {
  Page(s, 2, 0.5f, 14, 15.5f, false);
  Asterisk(s, 7.8f, 9, 3.6f, kBlue);
}

void SharedLibrary(Sketch& s) {
  Page(s, 1, 0.5f, 13, 15.5f, false);
  std::vector<Pt> gear;
  const float cx = 9.5f, cy = 10.5f;
  for (int i = 0; i < 16; ++i) {
    const float r = (i % 4 < 2) ? 5.4f : 3.9f;
    const float a = (i + 0.5f) * 3.14159265f / 8;
    gear.push_back(Pt{cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  s.Polygon(gear, RGB(112, 124, 146), kInk);
  s.Ellipse(cx - 1.6f, cy - 1.6f, cx + 1.6f, cy + 1.6f, kPaper);
}

void Program(Sketch& s) {
  s.Rect(0.5f, 1.5f, 15.5f, 14.5f, kPaper, kInk);
  s.Rect(0.5f, 1.5f, 15.5f, 5, kBlue, kInk);
  s.Rect(12, 2.5f, 14, 4, kPaper);
  s.Rect(2.5f, 7, 7, 12.5f, RGB(214, 226, 244));
  s.Line({{8.5f, 8}, {13, 8}}, kRule);
  s.Line({{8.5f, 10.5f}, {12, 10.5f}}, kRule);
}

void Drive(Sketch& s) {
  s.Polygon({{2.5f, 3.5f}, {13.5f, 3.5f}, {15.5f, 7}, {0.5f, 7}}, RGB(210, 214, 222), kInk);
  s.Rect(0.5f, 7, 15.5f, 13, RGB(164, 170, 182), kInk);
  s.Rect(11.5f, 9, 13.7f, 11, RGB(60, 210, 80));
  s.Line({{2.5f, 10}, {8.5f, 10}}, RGB(110, 116, 130));
}

void Cross(Sketch& s) {
  s.Line({{3, 3}, {13, 13}}, kRed, 2.6f);
  s.Line({{13, 3}, {3, 13}}, kRed, 2.6f);
}

void Magnifier(Sketch& s) {
  s.Line({{10, 10}, {14.5f, 14.5f}}, RGB(122, 82, 40), 2.8f);
  s.Ellipse(0.5f, 0.5f, 11.5f, 11.5f, RGB(214, 234, 250), kInk, 1.5f);
  s.Arc(3, 3, 9, 9, 100, 170, kPaper, 1.2f);
}

void Recycle(Sketch& s) {
  Bin(s, RGB(60, 156, 110));
  s.Arc(5.4f, 7.2f, 10.6f, 12.4f, 60, 320, kPaper, 1.2f);
  s.Polygon({{10.6f, 6.5f}, {11.2f, 9.8f}, {8.4f, 8.3f}}, kPaper);
}

void MoveTo(Sketch& s) {
  FolderShape(s);
  s.Polygon({{2.5f, 8.8f}, {7.5f, 8.8f}, {7.5f, 6.3f}, {12.5f, 10.3f}, {7.5f, 14.3f}, {7.5f, 11.8f}, {2.5f, 11.8f}},
            kGreen, kDarkGreen);
}

void Confirm(Sketch& s) {
  const COLORREF balloon = RGB(255, 250, 208);
  s.Polygon({{3.5f, 9}, {2.5f, 15.5f}, {8.5f, 10}}, balloon, kDarkBlue);
  s.Ellipse(0.5f, 0.5f, 15.5f, 12.5f, balloon, kDarkBlue);
  s.Glyph(0.5f, 1.5f, 15.5f, 11.5f, L"?", kBlue);
}

}  // namespace

void DrawEmblem(HDC dc, Emblem e, int left, int top, int size) {
  Sketch s(dc, left, top, size);
  switch (e) {
    case Emblem::Trash: return Trash(s);
    case Emblem::Eraser: return Eraser(s);
    case Emblem::Shortcut: return Shortcut(s);
    case Emblem::Package: return Uninstall(s);
    case Emblem::Duplicate: return Duplicate(s);
    case Emblem::Registry: return Registry(s);
    case Emblem::Power: return Power(s);
    case Emblem::Clipboard: return Clipboard(s);
    case Emblem::Clock: return Clock(s);
    case Emblem::Notebook: return Notebook(s);
    case Emblem::Globe: return Globe(s);
    case Emblem::Question: return Question(s);
    case Emblem::Door: return Door(s);
    case Emblem::Info: return Info(s);
    case Emblem::Book: return Book(s);
    case Emblem::Lifebuoy: return Lifebuoy(s);
    case Emblem::Tick: return Tick(s);
    case Emblem::Bar: return Bar(s);
    case Emblem::File: return Page(s, 2, 0.5f, 14, 15.5f, true);
    case Emblem::Folder: return FolderShape(s);
    case Emblem::FolderExclude: FolderShape(s); return NoEntryBadge(s);
    case Emblem::FilePattern: return FilePattern(s);
    case Emblem::FileExclude: FilePattern(s); return NoEntryBadge(s);
    case Emblem::SharedLibrary: return SharedLibrary(s);
    case Emblem::Program: return Program(s);
    case Emblem::Drive: return Drive(s);
    case Emblem::Cross: return Cross(s);
    case Emblem::Magnifier: return Magnifier(s);
    case Emblem::ProgramLink: Program(s); return ShortcutArrow(s, 0.5f, 7.5f, 8);
    case Emblem::ShortcutFolder: FolderShape(s); return ShortcutArrow(s, 0.5f, 7.5f, 8);
    case Emblem::BrokenLink: Shortcut(s); return CrossBadge(s);
    case Emblem::Recycle: return Recycle(s);
    case Emblem::MoveTo: return MoveTo(s);
    case Emblem::Confirm: return Confirm(s);
    case Emblem::DeletePage: Page(s, 1, 0.5f, 13, 15.5f, true); return CrossBadge(s);
    case Emblem::Blank: return;
    case Emblem::ClockOff: Clock(s); return NoEntryBadge(s);
  }
}

}  // namespace velmora::shell::art
