// The help window's pictures: its black-cut outline and background, and its
// four two-state buttons.
#include <memory>

#include "shell/artwork.h"
#include "shell/artwork_draw.h"

namespace velmora::shell {

namespace {

using art::Canvas;
using art::DpiScope;
using art::Emblem;
using art::S;

constexpr RECT kBody{0, 18, kHelpBackWidth, kHelpBackHeight};
constexpr int kBodyRadius = 22;
constexpr RECT kTab{28, 0, kHelpBackWidth - 28, 46};
constexpr int kTabRadius = 16;
constexpr int kButtonLeft = 22, kButtonRight = kHelpBackWidth - 22, kButtonTop = 56, kButtonHeight = 26,
              kButtonGap = 6;
constexpr RECT kAbout{14, 182, kHelpBackWidth - 14, 202};

// Black is the transparent colour; this stands in for it inside the outline.
constexpr COLORREF kNearBlack = RGB(8, 8, 8);

constexpr COLORREF kInk = RGB(22, 44, 90);

struct HelpButtonInfo {
  const wchar_t* caption;
  Emblem emblem;
};
const HelpButtonInfo kButtons[kHelpButtonCount] = {
    {L"About", Emblem::Info},
    {L"Manual", Emblem::Book},
    {L"Support", Emblem::Lifebuoy},
    {L"Exit", Emblem::Door},
};

void PaintHelpBack(Canvas& c) {
  HDC dc = c.dc();
  art::RoundPanel(dc, S(kBody), S(kBodyRadius), RGB(236, 241, 248), RGB(204, 216, 234), RGB(34, 56, 96), S(2));
  art::RoundPanel(dc, S(kTab), S(kTabRadius), RGB(54, 110, 178), RGB(22, 58, 112), RGB(20, 40, 80), S(2));
  FontHandle title = art::UiFont(S(16), FW_BOLD);
  art::TextIn(dc, S(RECT{kTab.left, 2, kTab.right, 38}), L"Velmora Help", title.get(), RGB(255, 255, 255),
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  art::RoundPanel(dc, S(kAbout), S(6), RGB(250, 252, 255), RGB(236, 242, 250), RGB(166, 182, 208), S(1));
  FontHandle quiet = art::UiFont(S(11), FW_NORMAL, true);
  art::TextIn(dc, S(kAbout), L"Velmora maintenance suite", quiet.get(), RGB(96, 110, 134),
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

RegionHandle HelpOutline() {
  RegionHandle outline = art::RoundRegion(S(kBody), S(kBodyRadius));
  RegionHandle tab = art::RoundRegion(S(kTab), S(kTabRadius));
  CombineRgn(outline.get(), outline.get(), tab.get(), RGN_OR);
  return outline;
}

}  // namespace

HelpLayout GetHelpLayout(int dpi) {
  DpiScope scale(dpi);
  HelpLayout l{};
  for (int i = 0; i < kHelpButtonCount; ++i) {
    const int top = kButtonTop + i * (kButtonHeight + kButtonGap);
    l.buttons[i] = S(RECT{kButtonLeft, top, kButtonRight, top + kButtonHeight});
  }
  l.about = S(kAbout);
  return l;
}

SIZE HelpBackSize(int dpi) {
  DpiScope scale(dpi);
  return SIZE{S(kHelpBackWidth), S(kHelpBackHeight)};
}

BitmapHandle HelpBackPicture(int dpi) {
  DpiScope scale(dpi);
  Canvas c(S(kHelpBackWidth), S(kHelpBackHeight), kHelpBackTransparent);
  PaintHelpBack(c);
  RegionHandle outline = HelpOutline();
  art::ApplyOutline(c, outline.get(), kHelpBackTransparent, kNearBlack);
  return c.Finish();
}

BitmapHandle HelpButtonPicture(HelpButton which, ButtonState state, int dpi) {
  DpiScope scale(dpi);
  const RECT r = GetHelpLayout(dpi).button(which);
  const int w = r.right - r.left, h = r.bottom - r.top;
  const bool down = state == ButtonState::Down;

  Canvas back(S(kHelpBackWidth), S(kHelpBackHeight), kHelpBackTransparent);
  PaintHelpBack(back);
  Canvas c(w, h, kHelpBackTransparent);
  BitBlt(c.dc(), 0, 0, w, h, back.dc(), r.left, r.top, SRCCOPY);

  HDC dc = c.dc();
  if (down) {
    art::RoundPanel(dc, c.bounds(), S(8), RGB(176, 196, 226), RGB(220, 230, 246), RGB(64, 88, 132), S(1));
    art::SolidRect(dc, RECT{S(5), S(1), w - S(5), S(2)}, RGB(140, 160, 196));
  } else {
    art::RoundPanel(dc, c.bounds(), S(8), RGB(255, 255, 255), RGB(212, 224, 242), RGB(98, 122, 164), S(1));
  }
  const int d = down ? S(1) : 0;
  const HelpButtonInfo& info = kButtons[static_cast<int>(which)];
  art::DrawEmblem(dc, info.emblem, S(8) + d, (h - S(16)) / 2 + d, S(16));
  FontHandle font = art::UiFont(S(14), FW_BOLD);
  art::TextIn(dc, RECT{S(34) + d, d, w - S(6) + d, h + d}, info.caption, font.get(), kInk,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  return c.Finish();
}

}  // namespace velmora::shell
