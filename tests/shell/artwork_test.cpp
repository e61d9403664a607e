// The drawn pictures: sizes, window outlines, layout and button states, read
// back pixel by pixel with GetDIBits.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <type_traits>
#include <vector>

#include "shell/artwork.h"
#include "shell/common_icons.h"

using namespace velmora;
using namespace velmora::shell;

namespace {

// A bitmap's pixels as COLORREFs, top row first.
struct Pixels {
  int width = 0, height = 0;
  std::vector<COLORREF> px;

  COLORREF at(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
  bool operator==(const Pixels& o) const { return width == o.width && height == o.height && px == o.px; }
  bool operator!=(const Pixels& o) const { return !(*this == o); }
};

Pixels Read(HBITMAP bmp) {
  Pixels p;
  BITMAP bm{};
  if (!bmp || GetObjectW(bmp, sizeof bm, &bm) == 0) return p;
  p.width = bm.bmWidth;
  p.height = bm.bmHeight;
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
  bmi.bmiHeader.biWidth = p.width;
  bmi.bmiHeader.biHeight = -p.height;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> raw(static_cast<size_t>(p.width) * p.height);
  HDC dc = GetDC(nullptr);
  const int rows = GetDIBits(dc, bmp, 0, p.height, raw.data(), &bmi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  if (rows != p.height) return Pixels{};
  for (DWORD v : raw) p.px.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
  return p;
}

Pixels Read(const BitmapHandle& bmp) { return Read(bmp.get()); }

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

bool Inside(const RECT& inner, int w, int h) {
  return inner.left >= 0 && inner.top >= 0 && inner.right <= w && inner.bottom <= h && inner.left < inner.right &&
         inner.top < inner.bottom;
}

bool Overlap(const RECT& a, const RECT& b) {
  RECT i;
  return IntersectRect(&i, &a, &b) != FALSE;
}

int Luminance(COLORREF c) { return (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100; }

// Counts pixels of the colour inside the rect.
int CountIn(const Pixels& p, const RECT& r, COLORREF c) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) n += p.at(x, y) == c;
  return n;
}

// A shaped picture: on every row the transparent colour may only form the two
// ends; in between there is no pixel of it (no hole in the window).
void ExpectSolidRows(const Pixels& p, COLORREF transparent) {
  int rowsWithShape = 0;
  for (int y = 0; y < p.height; ++y) {
    int first = -1, last = -1;
    for (int x = 0; x < p.width; ++x) {
      if (p.at(x, y) != transparent) {
        if (first < 0) first = x;
        last = x;
      }
    }
    if (first < 0) continue;
    ++rowsWithShape;
    for (int x = first; x <= last; ++x) {
      ASSERT_NE(transparent, p.at(x, y)) << "hole at " << x << "," << y;
    }
  }
  EXPECT_GT(rowsWithShape, p.height * 9 / 10);
}

// The picture is not a flat fill and has dark detail on a light ground.
void ExpectLegible(const Pixels& p, int minDarkPixels) {
  int dark = 0, light = 0;
  for (COLORREF c : p.px) {
    dark += Luminance(c) < 110;
    light += Luminance(c) > 200;
  }
  EXPECT_GE(dark, minDarkPixels);
  EXPECT_GT(light, static_cast<int>(p.px.size()) / 2);
}

// Draws one image of the list on a ground of the colour.
Pixels DrawImage(HIMAGELIST list, int index, COLORREF ground) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 16, 16);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bmp);
  HBRUSH brush = CreateSolidBrush(ground);
  RECT r{0, 0, 16, 16};
  FillRect(dc, &r, brush);
  DeleteObject(brush);
  ImageList_Draw(list, index, dc, 0, 0, ILD_NORMAL);
  SelectObject(dc, old);
  DeleteDC(dc);
  Pixels p = Read(bmp);
  DeleteObject(bmp);
  return p;
}

// Every image is 16 x 16; all but `blank` have opaque and transparent pixels;
// they are pairwise different; `blank` (if any) lets the ground through entirely.
void ExpectImageList(HIMAGELIST list, int count, int blank) {
  ASSERT_NE(nullptr, list);
  ASSERT_EQ(count, ImageList_GetImageCount(list));
  int cx = 0, cy = 0;
  ASSERT_TRUE(ImageList_GetIconSize(list, &cx, &cy));
  EXPECT_EQ(16, cx);
  EXPECT_EQ(16, cy);
  std::vector<Pixels> onWhite;
  for (int i = 0; i < count; ++i) {
    const Pixels w = DrawImage(list, i, RGB(255, 255, 255));
    const Pixels b = DrawImage(list, i, RGB(0, 0, 0));
    int opaque = 0, clear = 0;
    for (size_t k = 0; k < w.px.size(); ++k) {
      opaque += w.px[k] == b.px[k];
      clear += w.px[k] == RGB(255, 255, 255) && b.px[k] == RGB(0, 0, 0);
    }
    if (i == blank) {
      EXPECT_EQ(256, clear) << "image " << i << " should be fully transparent";
    } else {
      EXPECT_GT(opaque, 30) << "image " << i << " draws too little";
      EXPECT_GT(clear, 10) << "image " << i << " has no transparent background";
    }
    onWhite.push_back(w);
  }
  for (int i = 0; i < count; ++i)
    for (int j = i + 1; j < count; ++j) EXPECT_NE(onWhite[i], onWhite[j]) << "images " << i << " and " << j;
}

}  // namespace

static_assert(!std::is_copy_constructible_v<ImageListHandle> && std::is_move_constructible_v<ImageListHandle>,
              "image list owners are move-only");

TEST(LauncherArtwork, MainScreenIsShapedBySilverOutsideAndHasNoSilverInside) {
  const Pixels p = Read(MainScreenPicture());
  ASSERT_EQ(kMainScreenWidth, p.width);
  ASSERT_EQ(kMainScreenHeight, p.height);
  const COLORREF silver = RGB(192, 192, 192);
  EXPECT_EQ(silver, p.at(0, 0));
  EXPECT_EQ(silver, p.at(p.width - 1, 0));
  EXPECT_EQ(silver, p.at(0, p.height - 1));
  EXPECT_EQ(silver, p.at(p.width - 1, p.height - 1));
  // Not a plain rounded rectangle: the title band stands above narrower shoulders.
  EXPECT_EQ(silver, p.at(4, 20));
  EXPECT_NE(silver, p.at(p.width / 2, 2));
  ExpectSolidRows(p, silver);

  const LauncherLayout layout = GetLauncherLayout();
  for (const RECT& r : layout.tools) EXPECT_EQ(0, CountIn(p, r, silver));
  for (const RECT& r : layout.commands) EXPECT_EQ(0, CountIn(p, r, silver));
  EXPECT_EQ(0, CountIn(p, layout.hint, silver));
}

TEST(LauncherArtwork, LayoutHasNineToolsInOrderAndFourCommandsOnTheRight) {
  const LauncherLayout l = GetLauncherLayout();
  std::vector<RECT> all;
  for (int i = 0; i < kToolButtonCount; ++i) {
    const RECT& r = l.tools[i];
    EXPECT_TRUE(Inside(r, kMainScreenWidth, kMainScreenHeight)) << "tool " << i;
    EXPECT_GE(Width(r), 150) << "room for a caption";
    if (i > 0) {
      EXPECT_GE(r.top, l.tools[i - 1].bottom) << "tool " << i << " is below the one before";
    }
    all.push_back(r);
  }
  EXPECT_EQ(l.tools[0].top, l.tool(ToolButton::Junk).top);
  EXPECT_EQ(l.tools[8].top, l.tool(ToolButton::Sched).top);

  int toolsRight = 0;
  for (const RECT& r : l.tools) toolsRight = std::max<int>(toolsRight, r.right);
  for (int i = 0; i < kCommandButtonCount; ++i) {
    const RECT& r = l.commands[i];
    EXPECT_TRUE(Inside(r, kMainScreenWidth, kMainScreenHeight)) << "command " << i;
    EXPECT_GT(r.left, toolsRight) << "commands sit right of the tools";
    EXPECT_EQ(l.commands[0].left, r.left) << "one column";
    if (i > 0) {
      EXPECT_GE(r.top, l.commands[i - 1].bottom);
    }
    all.push_back(r);
  }
  EXPECT_EQ(l.commands[0].top, l.command(CommandButton::Logs).top);
  for (const RECT& r : l.commands) EXPECT_GE(r.top, l.command(CommandButton::Logs).top) << "Logs on top";

  EXPECT_TRUE(Inside(l.hint, kMainScreenWidth, kMainScreenHeight));
  EXPECT_GE(Width(l.hint), 180);
  EXPECT_GE(Height(l.hint), 100);
  all.push_back(l.hint);
  for (size_t i = 0; i < all.size(); ++i)
    for (size_t j = i + 1; j < all.size(); ++j) EXPECT_FALSE(Overlap(all[i], all[j])) << i << " and " << j;
}

TEST(LauncherArtwork, ToolButtonsFitTheirRectsBlendInAndChangeWithTheirState) {
  const LauncherLayout layout = GetLauncherLayout();
  const Pixels screen = Read(MainScreenPicture());
  std::vector<Pixels> ups;
  for (int i = 0; i < kToolButtonCount; ++i) {
    const auto b = static_cast<ToolButton>(i);
    const RECT& r = layout.tools[i];
    const Pixels up = Read(ToolButtonPicture(b, ButtonState::Up));
    const Pixels over = Read(ToolButtonPicture(b, ButtonState::Over));
    const Pixels down = Read(ToolButtonPicture(b, ButtonState::Down));
    for (const Pixels* p : {&up, &over, &down}) {
      ASSERT_EQ(Width(r), p->width) << "tool " << i;
      ASSERT_EQ(Height(r), p->height) << "tool " << i;
    }
    EXPECT_NE(up, over) << "tool " << i;
    EXPECT_NE(up, down) << "tool " << i;
    EXPECT_NE(over, down) << "tool " << i;
    // The rounded corner shows the launcher background under the button.
    EXPECT_EQ(screen.at(r.left, r.top), up.at(0, 0)) << "tool " << i;
    EXPECT_EQ(screen.at(r.right - 1, r.bottom - 1), down.at(down.width - 1, down.height - 1)) << "tool " << i;
    ExpectLegible(up, 40);
    ups.push_back(up);
  }
  for (int i = 0; i < kToolButtonCount; ++i)
    for (int j = i + 1; j < kToolButtonCount; ++j) EXPECT_NE(ups[i], ups[j]) << i << " and " << j;
}

TEST(LauncherArtwork, CommandButtonsHaveTwoFaces) {
  const LauncherLayout layout = GetLauncherLayout();
  std::vector<Pixels> ups;
  for (int i = 0; i < kCommandButtonCount; ++i) {
    const auto b = static_cast<CommandButton>(i);
    const Pixels up = Read(CommandButtonPicture(b, ButtonState::Up));
    const Pixels down = Read(CommandButtonPicture(b, ButtonState::Down));
    ASSERT_EQ(Width(layout.commands[i]), up.width);
    ASSERT_EQ(Height(layout.commands[i]), up.height);
    ASSERT_EQ(up.width, down.width);
    EXPECT_NE(up, down) << "command " << i;
    EXPECT_EQ(up, Read(CommandButtonPicture(b, ButtonState::Over))) << "no hover face";
    ExpectLegible(up, 20);
    ups.push_back(up);
  }
  for (int i = 0; i < kCommandButtonCount; ++i)
    for (int j = i + 1; j < kCommandButtonCount; ++j) EXPECT_NE(ups[i], ups[j]);
}

TEST(LauncherArtwork, ThirteenDistinctLegibleHintsSizedToTheHintArea) {
  const RECT hint = GetLauncherLayout().hint;
  std::vector<Pixels> hints;
  for (int i = 0; i < kToolButtonCount; ++i) hints.push_back(Read(HintPicture(static_cast<ToolButton>(i))));
  for (int i = 0; i < kCommandButtonCount; ++i) hints.push_back(Read(HintPicture(static_cast<CommandButton>(i))));
  ASSERT_EQ(13u, hints.size());
  for (size_t i = 0; i < hints.size(); ++i) {
    ASSERT_EQ(Width(hint), hints[i].width) << "hint " << i;
    ASSERT_EQ(Height(hint), hints[i].height) << "hint " << i;
    // Heading plus at least a line of text: a few hundred dark pixels, on light ground.
    ExpectLegible(hints[i], 150);
  }
  for (size_t i = 0; i < hints.size(); ++i)
    for (size_t j = i + 1; j < hints.size(); ++j) EXPECT_NE(hints[i], hints[j]) << i << " and " << j;
}

TEST(HelpArtwork, BackgroundIsShapedByBlackAndButtonsSitInsideIt) {
  const Pixels p = Read(HelpBackPicture());
  ASSERT_EQ(kHelpBackWidth, p.width);
  ASSERT_EQ(kHelpBackHeight, p.height);
  const COLORREF black = RGB(0, 0, 0);
  EXPECT_EQ(black, p.at(0, 0));
  EXPECT_EQ(black, p.at(p.width - 1, 0));
  EXPECT_EQ(black, p.at(0, p.height - 1));
  EXPECT_EQ(black, p.at(p.width - 1, p.height - 1));
  EXPECT_NE(black, p.at(p.width / 2, p.height / 2));
  ExpectSolidRows(p, black);

  const HelpLayout l = GetHelpLayout();
  std::vector<RECT> all;
  for (int i = 0; i < kHelpButtonCount; ++i) {
    const RECT& r = l.buttons[i];
    EXPECT_TRUE(Inside(r, kHelpBackWidth, kHelpBackHeight));
    EXPECT_EQ(0, CountIn(p, r, black));
    if (i > 0) {
      EXPECT_GE(r.top, l.buttons[i - 1].bottom) << "top to bottom";
    }
    all.push_back(r);
    const Pixels up = Read(HelpButtonPicture(static_cast<HelpButton>(i), ButtonState::Up));
    const Pixels down = Read(HelpButtonPicture(static_cast<HelpButton>(i), ButtonState::Down));
    ASSERT_EQ(Width(r), up.width);
    ASSERT_EQ(Height(r), up.height);
    ASSERT_EQ(Width(r), down.width);
    EXPECT_NE(up, down) << "help button " << i;
    EXPECT_EQ(0, CountIn(up, RECT{0, 0, up.width, up.height}, black));
    ExpectLegible(up, 20);
  }
  EXPECT_TRUE(Inside(l.about, kHelpBackWidth, kHelpBackHeight));
  EXPECT_EQ(0, CountIn(p, l.about, black));
  all.push_back(l.about);
  for (size_t i = 0; i < all.size(); ++i)
    for (size_t j = i + 1; j < all.size(); ++j) EXPECT_FALSE(Overlap(all[i], all[j]));
}

TEST(SmallArtwork, SizesAndButtonFaceGround) {
  struct Expect {
    SmallPic which;
    int w, h;
  };
  const Expect expected[] = {{SmallPic::Confirm, 16, 16}, {SmallPic::Delete, 16, 16}, {SmallPic::MoveTo, 16, 16},
                             {SmallPic::Recycle, 16, 16}, {SmallPic::Mag, 50, 27},    {SmallPic::Help16, 16, 15}};
  std::vector<Pixels> sixteens;
  for (const Expect& e : expected) {
    const Pixels p = Read(SmallPicture(e.which));
    ASSERT_EQ(e.w, p.width);
    ASSERT_EQ(e.h, p.height);
    EXPECT_EQ(e.w, SmallPictureSize(e.which).cx);
    EXPECT_EQ(e.h, SmallPictureSize(e.which).cy);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), p.at(0, p.height - 1)) << "transparent-colour pixel";
    const int ground = CountIn(p, RECT{0, 0, p.width, p.height}, GetSysColor(COLOR_BTNFACE));
    EXPECT_LT(ground, p.width * p.height * 85 / 100) << "something is drawn";
    if (e.w == 16 && e.h == 16) sixteens.push_back(p);
  }
  for (size_t i = 0; i < sixteens.size(); ++i)
    for (size_t j = i + 1; j < sixteens.size(); ++j) EXPECT_NE(sixteens[i], sixteens[j]);
}

TEST(SmallArtwork, AgentIconsAreCutOutAndTellOnFromOff) {
  for (int size : {16, 32}) {
    Pixels color[2], mask[2];
    for (AgentIconState state : {AgentIconState::Enabled, AgentIconState::Off}) {
      IconHandle icon = AgentIcon(state, size);
      ICONINFO info{};
      ASSERT_TRUE(GetIconInfo(icon.get(), &info));
      const BitmapHandle colorBits(info.hbmColor), maskBits(info.hbmMask);  // the caller's copies
      EXPECT_TRUE(info.fIcon);
      color[int(state)] = Read(colorBits);
      mask[int(state)] = Read(maskBits);
      ASSERT_EQ(size, color[int(state)].width);
      ASSERT_EQ(size, mask[int(state)].height);
      // Outside the clock's face the icon is transparent (a set mask bit reads
      // white), its middle is drawn.
      EXPECT_EQ(RGB(255, 255, 255), mask[int(state)].at(0, 0)) << size;
      EXPECT_EQ(RGB(0, 0, 0), mask[int(state)].at(size / 2, size / 2)) << size;
    }
    EXPECT_NE(color[0], color[1]) << size;
    // The "Off" badge sits in the bottom-right corner, red below its white bar.
    const COLORREF badge = color[int(AgentIconState::Off)].at(size * 3 / 4, size * 7 / 8);
    EXPECT_GT(GetRValue(badge), 150) << size;
    EXPECT_LT(GetGValue(badge), 100) << size;
  }
}

TEST(ImageLists, CountsMatchTheIndexTablesAndEveryImageIsDrawnWithAMask) {
  static_assert(common_icon::kCount >= 13, "the tools name indexes up to 12");
  static_assert(common_icon::kJunkPattern == 11 && common_icon::kFilePattern == 10 &&
                    common_icon::kExcludeFolder == 3 && common_icon::kFolder == 9 && common_icon::kExcludeFile == 12,
                "indexes the tool windows use");
  static_assert(common_icon::kEnabled == 0 && common_icon::kDisabled == 1, "start-up state images");
  {
    ImageListHandle list = CommonImageList();
    ExpectImageList(list.get(), common_icon::kCount, -1);
  }
  {
    ImageListHandle list = IconsImageList();
    ExpectImageList(list.get(), row_icon::kCount, -1);
  }
  {
    ImageListHandle list = DuplicateResultImageList();
    ExpectImageList(list.get(), dupe_icon::kCount, dupe_icon::kBlank);
  }
}

TEST(ImageLists, AListCanBeCutBackAndAppendedTo) {
  // The duplicate finder appends file icons and cuts the list back to its first
  // images at each scan; the list must allow both.
  ImageListHandle list = DuplicateResultImageList();
  HICON icon = ImageList_GetIcon(list.get(), dupe_icon::kFile, ILD_NORMAL);
  ASSERT_NE(nullptr, icon);
  EXPECT_EQ(dupe_icon::kCount, ImageList_AddIcon(list.get(), icon));
  EXPECT_EQ(dupe_icon::kCount + 1, ImageList_GetImageCount(list.get()));
  EXPECT_TRUE(ImageList_SetImageCount(list.get(), dupe_icon::kCount));
  EXPECT_EQ(dupe_icon::kCount, ImageList_GetImageCount(list.get()));
  DestroyIcon(icon);

  ImageListHandle moved = std::move(list);
  EXPECT_FALSE(list);
  EXPECT_TRUE(moved);
}
