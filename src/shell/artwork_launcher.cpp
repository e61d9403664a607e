// The launcher's pictures: the shaped background, the tool and command buttons
// and the hint pictures. Buttons and hints start from the background under
// their rect, so their rounded corners blend into it.
#include <iterator>
#include <memory>

#include "shell/artwork.h"
#include "shell/artwork_draw.h"

namespace velmora::shell {

namespace {

using art::Canvas;
using art::Emblem;

// ---- geometry ----
// Every length below is in 96-dpi picture units; S() turns it into pixels at the
// DPI the pictures are being drawn for (set by a DpiScope for one call).
using art::DpiScope;
using art::S;

constexpr RECT kBody{0, 40, kMainScreenWidth, kMainScreenHeight};
constexpr int kBodyRadius = 36;
constexpr RECT kTitleBand{14, 0, kMainScreenWidth - 14, 86};
constexpr int kTitleRadius = 28;
constexpr RECT kToolPanel{14, 88, 260, 434};
constexpr RECT kRightPanel{268, 88, 499, 434};
constexpr RECT kBadgeArea{276, 98, 390, 244};
constexpr int kPanelRadius = 14;

constexpr int kToolLeft = 24, kToolRight = 250, kToolTop = 98, kToolHeight = 32, kToolGap = 5;
constexpr int kCommandLeft = 398, kCommandRight = 490, kCommandTop = 98, kCommandHeight = 30, kCommandGap = 8;
constexpr RECT kHintArea{276, 254, 490, 424};

// ---- colours ----

constexpr COLORREF kBodyTop = RGB(236, 241, 248), kBodyBottom = RGB(206, 217, 233), kBodyBorder = RGB(34, 56, 96);
constexpr COLORREF kTitleTop = RGB(66, 120, 190), kTitleBottom = RGB(20, 52, 102), kTitleBorder = RGB(20, 40, 80);
constexpr COLORREF kPanelTop = RGB(249, 251, 254), kPanelBottom = RGB(234, 240, 248),
                   kPanelBorder = RGB(166, 182, 208);
constexpr COLORREF kHeadingInk = RGB(22, 44, 90), kBodyInk = RGB(34, 40, 54), kQuietInk = RGB(96, 110, 134);
constexpr COLORREF kGold = RGB(250, 204, 72);

// A picture that shapes nothing never needs the exact transparent colour, but
// the main screen must not have it inside: this is what replaces it there.
constexpr COLORREF kNearSilver = RGB(193, 193, 193);

// ---- what each button is ----

struct ButtonInfo {
  const wchar_t* caption;  // on the button
  const wchar_t* heading;  // on the hint picture
  const wchar_t* text;     // what it does
  Emblem emblem;
};

const ButtonInfo kTools[kToolButtonCount] = {
    {L"Junk Files", L"Junk Files",
     L"Find and Clean Junk and Obsolete Files \u2014 temporary, backup and zero-length files, recycled, deleted or "
     L"moved.",
     Emblem::Trash},
    {L"Privacy Eraser", L"Privacy Eraser",
     L"Erase browser caches, cookies and history, and the recently-used lists of Windows.", Emblem::Eraser},
    {L"Shortcuts", L"Shortcuts",
     L"Find shortcuts whose target is gone, search the drives for moved targets, then repair or remove them.",
     Emblem::Shortcut},
    {L"Uninstallers", L"Uninstallers",
     L"Remove Add/Remove Programs entries whose uninstaller is gone. Needs administrator rights on Windows NT.",
     Emblem::Package},
    {L"Duplicates", L"Duplicates",
     L"Find duplicate files by size or by name, confirmed byte by byte, and remove the copies you choose.",
     Emblem::Duplicate},
    {L"Registry", L"Registry",
     L"Find registry values that point at missing files or folders, with a full backup and restore.",
     Emblem::Registry},
    {L"StartUp", L"StartUp",
     L"See, disable, edit and add the programs Windows starts when you log on. Needs administrator rights on "
     L"Windows NT.",
     Emblem::Power},
    {L"Vantrel", L"Vantrel",
     L"The installation tracker: records what a setup program changes in files, INI files and the registry, and "
     L"reports every difference.",
     Emblem::Clipboard},
    {L"Scheduler", L"Scheduler",
     L"Run the junk cleaner, the eraser and the registry cleaner unattended, on a schedule you set.",
     Emblem::Clock},
};

const ButtonInfo kCommands[kCommandButtonCount] = {
    {L"Logs", L"Tool Action Logs", L"View the action log of every tool and the statistics of what was cleaned.",
     Emblem::Notebook},
    {L"Web", L"Velmora Web Site", L"Visit the Velmora web site in your browser.", Emblem::Globe},
    {L"Help", L"Help and Support", L"Open the manual, version information and technical support.",
     Emblem::Question},
    {L"Exit", L"Exit", L"Close Velmora.", Emblem::Door},
};

const ButtonInfo& Info(ToolButton b) { return kTools[static_cast<int>(b)]; }
const ButtonInfo& Info(CommandButton b) { return kCommands[static_cast<int>(b)]; }

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// ---- the background ----

RegionHandle MainOutline() {
  RegionHandle outline = art::RoundRegion(S(kBody), S(kBodyRadius));
  RegionHandle title = art::RoundRegion(S(kTitleBand), S(kTitleRadius));
  CombineRgn(outline.get(), outline.get(), title.get(), RGN_OR);
  return outline;
}

// A four-pointed star.
void Sparkle(HDC dc, int cx, int cy, int r, COLORREF c) {
  const int k = r / 4 > 0 ? r / 4 : 1;
  POINT p[8] = {{cx, cy - r}, {cx + k, cy - k}, {cx + r, cy}, {cx + k, cy + k},
                {cx, cy + r}, {cx - k, cy + k}, {cx - r, cy}, {cx - k, cy - k}};
  BrushHandle brush(CreateSolidBrush(c));
  HGDIOBJ oldBrush = SelectObject(dc, brush.get());
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
  Polygon(dc, p, 8);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
}

void PaintTitle(HDC dc) {
  art::RoundPanel(dc, S(kTitleBand), S(kTitleRadius), kTitleTop, kTitleBottom, kTitleBorder, S(2));
  FontHandle name = art::UiFont(S(36), FW_BOLD);
  FontHandle tagline = art::UiFont(S(14), FW_NORMAL, true);
  art::TextIn(dc, S(RECT{47, 6, 421, 52}), L"Velmora", name.get(), RGB(12, 32, 70),
              DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  art::TextIn(dc, S(RECT{46, 4, 420, 50}), L"Velmora", name.get(), RGB(255, 255, 255),
              DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  art::TextIn(dc, S(RECT{48, 50, 480, 72}), L"Maintenance tools for a clean, quick and private PC", tagline.get(),
              RGB(214, 230, 250), DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  Sparkle(dc, S(448), S(30), S(12), kGold);
  Sparkle(dc, S(470), S(52), S(6), RGB(255, 236, 170));
  Sparkle(dc, S(424), S(56), S(5), RGB(255, 236, 170));
}

void PaintBadge(HDC dc) {
  const RECT area = S(kBadgeArea);
  const int cx = (area.left + area.right) / 2, cy = (area.top + area.bottom) / 2;
  const int r = S(50);
  RegionHandle disc(CreateEllipticRgn(cx - r, cy - r, cx + r + 1, cy + r + 1));
  SelectClipRgn(dc, disc.get());
  art::FillGradient(dc, RECT{cx - r, cy - r, cx + r + 1, cy + r + 1}, kTitleTop, kTitleBottom);
  SelectClipRgn(dc, nullptr);
  BrushHandle ring(CreateSolidBrush(kTitleBorder));
  FrameRgn(dc, disc.get(), ring.get(), S(2), S(2));
  const int in = S(6), in2 = S(5);
  RegionHandle inner(CreateEllipticRgn(cx - r + in, cy - r + in, cx + r - in2, cy + r - in2));
  BrushHandle gold(CreateSolidBrush(kGold));
  FrameRgn(dc, inner.get(), gold.get(), S(1), S(1));
  FontHandle big = art::UiFont(S(64), FW_BOLD);
  art::TextIn(dc, RECT{cx - r, cy - r + S(2), cx + r, cy + r + S(2)}, L"V", big.get(), RGB(255, 255, 255),
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  Sparkle(dc, cx + S(26), cy - S(26), S(9), kGold);
  Sparkle(dc, cx - S(28), cy + S(22), S(5), RGB(255, 236, 170));
}

// The hint area's frame, shared by the idle background and every hint picture.
void PaintHintFrame(HDC dc, const RECT& r) {
  art::RoundPanel(dc, r, S(10), RGB(255, 255, 255), RGB(236, 243, 252), RGB(122, 148, 192), S(1));
}

void PaintMainScreen(Canvas& c) {
  HDC dc = c.dc();
  art::RoundPanel(dc, S(kBody), S(kBodyRadius), kBodyTop, kBodyBottom, kBodyBorder, S(2));
  PaintTitle(dc);
  art::RoundPanel(dc, S(kToolPanel), S(kPanelRadius), kPanelTop, kPanelBottom, kPanelBorder, S(1));
  art::RoundPanel(dc, S(kRightPanel), S(kPanelRadius), kPanelTop, kPanelBottom, kPanelBorder, S(1));
  PaintBadge(dc);
  PaintHintFrame(dc, S(kHintArea));
  FontHandle quiet = art::UiFont(S(13), FW_NORMAL, true);
  // Shown while no hint is: centred, wrapped as the width needs.
  const wchar_t* idleText = L"Point at a button to see what it does.";
  RECT idle = S(kHintArea);
  InflateRect(&idle, -S(18), -S(18));
  const UINT format = DT_CENTER | DT_WORDBREAK;
  const int h = art::TextHeight(dc, idle, idleText, quiet.get(), format);
  idle.top += (Height(idle) - h) / 2;
  art::TextIn(dc, idle, idleText, quiet.get(), kQuietInk, format);
}

// A canvas the size of r holding what the main screen shows there.
std::unique_ptr<Canvas> OverMainScreen(const RECT& r) {
  Canvas screen(S(kMainScreenWidth), S(kMainScreenHeight), kMainScreenTransparent);
  PaintMainScreen(screen);
  auto c = std::make_unique<Canvas>(Width(r), Height(r), kMainScreenTransparent);
  BitBlt(c->dc(), 0, 0, Width(r), Height(r), screen.dc(), r.left, r.top, SRCCOPY);
  return c;
}

// ---- buttons ----

struct Face {
  COLORREF top, bottom, border, ink;
};

Face ToolFace(ButtonState s) {
  switch (s) {
    case ButtonState::Over: return {RGB(255, 250, 230), RGB(252, 216, 128), RGB(196, 138, 34), RGB(70, 42, 0)};
    case ButtonState::Down: return {RGB(220, 174, 80), RGB(246, 214, 140), RGB(138, 86, 8), RGB(60, 34, 0)};
    case ButtonState::Up: break;
  }
  return {RGB(255, 255, 255), RGB(222, 231, 245), RGB(128, 148, 182), kHeadingInk};
}

Face CommandFace(ButtonState s) {
  if (s == ButtonState::Down) return {RGB(176, 196, 226), RGB(220, 230, 246), RGB(64, 88, 132), kHeadingInk};
  return {RGB(246, 249, 255), RGB(206, 219, 240), RGB(98, 122, 164), kHeadingInk};
}

// The rounded face of a button over whatever the canvas already shows; returns
// the offset of the content (one pixel down and right when pressed).
int PaintFace(Canvas& c, const Face& f, ButtonState s, int radius) {
  HDC dc = c.dc();
  const RECT face = c.bounds();
  const int px = S(1);
  art::RoundPanel(dc, face, radius, f.top, f.bottom, f.border, px);
  if (s == ButtonState::Down) {
    // An inner shadow along the top and left edges reads as "pushed in".
    const COLORREF shade = art::Mix(f.top, RGB(0, 0, 0), 25);
    art::SolidRect(dc, RECT{radius / 2 + px, px, c.width() - radius / 2 - px, 2 * px}, shade);
    art::SolidRect(dc, RECT{px, radius / 2 + px, 2 * px, c.height() - radius / 2 - px}, shade);
    return px;
  }
  if (s == ButtonState::Over) {
    RECT glow = face;
    InflateRect(&glow, -px, -px);
    RegionHandle rgn = art::RoundRegion(glow, radius - px);
    BrushHandle light(CreateSolidBrush(RGB(255, 244, 200)));
    FrameRgn(dc, rgn.get(), light.get(), px, px);
  }
  return 0;
}

BitmapHandle ButtonPicture(const RECT& r, const ButtonInfo& info, const Face& face, ButtonState s, int emblemSize,
                           int fontHeight, bool arrow) {
  std::unique_ptr<Canvas> c = OverMainScreen(r);
  const int d = PaintFace(*c, face, s, S(9));
  HDC dc = c->dc();
  emblemSize = S(emblemSize);
  const int pad = (c->height() - emblemSize) / 2;
  art::DrawEmblem(dc, info.emblem, pad + S(2) + d, pad + d, emblemSize);
  FontHandle font = art::UiFont(S(fontHeight), FW_BOLD);
  const int textLeft = pad + emblemSize + S(10);
  art::TextIn(dc, RECT{textLeft + d, d, c->width() - S(8) + d, c->height() + d}, info.caption, font.get(), face.ink,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
  if (arrow && s != ButtonState::Up) {
    // A small pointer on the right says "click to open".
    const int x = c->width() - S(16) + d, y = c->height() / 2 + d, k = S(5);
    POINT tri[3] = {{x, y - k}, {x + k, y}, {x, y + k}};
    BrushHandle brush(CreateSolidBrush(face.border));
    HGDIOBJ oldBrush = SelectObject(dc, brush.get());
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    Polygon(dc, tri, 3);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
  }
  return c->Finish();
}

// ---- hints ----

BitmapHandle HintFor(const ButtonInfo& info) {
  std::unique_ptr<Canvas> c = OverMainScreen(S(kHintArea));
  HDC dc = c->dc();
  const RECT frame = c->bounds();
  PaintHintFrame(dc, frame);

  const int emblem = S(28), margin = S(12);
  art::DrawEmblem(dc, info.emblem, margin, margin, emblem);
  // The heading on one line: a smaller size rather than a cut-off name.
  const RECT headingRect{margin + emblem + S(10), margin - S(2), frame.right - margin, margin + emblem + S(2)};
  FontHandle heading;
  for (int h : {16, 15, 14, 13}) {
    heading = art::UiFont(S(h), FW_BOLD);
    if (art::TextWidth(dc, info.heading, heading.get()) <= headingRect.right - headingRect.left) break;
  }
  art::TextIn(dc, headingRect, info.heading, heading.get(), kHeadingInk,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
  const int ruleY = margin + emblem + S(8);
  art::SolidRect(dc, RECT{margin, ruleY, frame.right - margin, ruleY + S(1)}, RGB(168, 186, 214));

  // The largest legible size at which the text fits below the rule.
  const RECT body{margin, ruleY + S(8), frame.right - margin, frame.bottom - S(10)};
  const UINT format = DT_LEFT | DT_TOP | DT_WORDBREAK;
  FontHandle font;
  int textHeight = 0;
  for (int h : {14, 13, 12, 11}) {
    font = art::UiFont(S(h));
    textHeight = art::TextHeight(dc, body, info.text, font.get(), format);
    if (textHeight <= body.bottom - body.top) break;
  }
  // A washed-out emblem fills the corner when the text leaves it free.
  const int mark = S(52), markLeft = frame.right - margin - mark, markTop = frame.bottom - S(8) - mark;
  if (body.top + textHeight + S(4) <= markTop) art::FadedEmblem(*c, info.emblem, markLeft, markTop, mark, 14);
  art::TextIn(dc, body, info.text, font.get(), kBodyInk, format);
  return c->Finish();
}

}  // namespace

LauncherLayout GetLauncherLayout(int dpi) {
  DpiScope scale(dpi);
  LauncherLayout l{};
  for (int i = 0; i < kToolButtonCount; ++i) {
    const int top = kToolTop + i * (kToolHeight + kToolGap);
    l.tools[i] = S(RECT{kToolLeft, top, kToolRight, top + kToolHeight});
  }
  for (int i = 0; i < kCommandButtonCount; ++i) {
    const int top = kCommandTop + i * (kCommandHeight + kCommandGap);
    l.commands[i] = S(RECT{kCommandLeft, top, kCommandRight, top + kCommandHeight});
  }
  l.hint = S(kHintArea);
  return l;
}

SIZE MainScreenSize(int dpi) {
  DpiScope scale(dpi);
  return SIZE{S(kMainScreenWidth), S(kMainScreenHeight)};
}

BitmapHandle MainScreenPicture(int dpi) {
  DpiScope scale(dpi);
  Canvas c(S(kMainScreenWidth), S(kMainScreenHeight), kMainScreenTransparent);
  PaintMainScreen(c);
  RegionHandle outline = MainOutline();
  art::ApplyOutline(c, outline.get(), kMainScreenTransparent, kNearSilver);
  return c.Finish();
}

BitmapHandle ToolButtonPicture(ToolButton which, ButtonState state, int dpi) {
  DpiScope scale(dpi);
  return ButtonPicture(GetLauncherLayout(dpi).tool(which), Info(which), ToolFace(state), state, 24, 15, true);
}

BitmapHandle CommandButtonPicture(CommandButton which, ButtonState state, int dpi) {
  DpiScope scale(dpi);
  if (state == ButtonState::Over) state = ButtonState::Up;
  return ButtonPicture(GetLauncherLayout(dpi).command(which), Info(which), CommandFace(state), state, 18, 14, false);
}

BitmapHandle HintPicture(ToolButton which, int dpi) {
  DpiScope scale(dpi);
  return HintFor(Info(which));
}
BitmapHandle HintPicture(CommandButton which, int dpi) {
  DpiScope scale(dpi);
  return HintFor(Info(which));
}

}  // namespace velmora::shell
