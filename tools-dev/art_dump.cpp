// art_dump FOLDER: writes every picture of the suite as a 24-bit .bmp into
// FOLDER, plus composites that show how the launcher and the help window will
// look (the transparent colour painted as a checker so the outline shows), and
// the image lists enlarged three times. For looking at the artwork; not shipped.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/text.h"
#include "shell/artwork.h"
#include "shell/artwork_draw.h"

using namespace velmora;
using namespace velmora::shell;

namespace {

std::wstring g_folder;
int g_written = 0;

SIZE BitmapSize(HBITMAP bmp) {
  BITMAP bm{};
  GetObjectW(bmp, sizeof bm, &bm);
  return SIZE{bm.bmWidth, bm.bmHeight};
}

// Bottom-up 24-bit BMP, rows padded to four bytes.
void WriteBmp(const std::wstring& name, HBITMAP bmp) {
  const SIZE size = BitmapSize(bmp);
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
  bmi.bmiHeader.biWidth = size.cx;
  bmi.bmiHeader.biHeight = size.cy;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 24;
  bmi.bmiHeader.biCompression = BI_RGB;
  const int stride = (size.cx * 3 + 3) & ~3;
  std::vector<char> pixels(static_cast<size_t>(stride) * size.cy);
  HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bmp, 0, size.cy, pixels.data(), &bmi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (rows != size.cy) {
    std::fprintf(stderr, "GetDIBits failed for %s\n", Narrow(name).c_str());
    return;
  }
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bmi.bmiHeader;
  fh.bfSize = fh.bfOffBits + static_cast<DWORD>(pixels.size());
  const std::wstring path = g_folder + L"\\" + name + L".bmp";
  FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD done = 0;
  if (!file || !WriteFile(file.get(), &fh, sizeof fh, &done, nullptr) ||
      !WriteFile(file.get(), &bmi.bmiHeader, sizeof bmi.bmiHeader, &done, nullptr) ||
      !WriteFile(file.get(), pixels.data(), static_cast<DWORD>(pixels.size()), &done, nullptr)) {
    std::fprintf(stderr, "cannot write %s\n", Narrow(path).c_str());
    return;
  }
  ++g_written;
}

void Blit(HDC dc, HBITMAP bmp, int x, int y) {
  const SIZE size = BitmapSize(bmp);
  HDC src = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(src, bmp);
  BitBlt(dc, x, y, size.cx, size.cy, src, 0, 0, SRCCOPY);
  SelectObject(src, old);
  DeleteDC(src);
}

// The picture with its transparent colour painted as a checker.
void Checkered(art::Canvas& c, HBITMAP picture, COLORREF transparent) {
  Blit(c.dc(), picture, 0, 0);
  for (int y = 0; y < c.height(); ++y)
    for (int x = 0; x < c.width(); ++x)
      if (c.Pixel(x, y) == transparent) c.SetPixel(x, y, ((x / 8 + y / 8) % 2) ? RGB(255, 255, 255) : RGB(255, 214, 228));
}

const wchar_t* const kToolWords[] = {L"junk",    L"eraser",  L"shortcuts", L"uninstall", L"dupes",
                                     L"reg",     L"startup", L"safe",      L"sched"};
const wchar_t* const kCommandWords[] = {L"logs", L"web", L"help", L"exit"};
const wchar_t* const kHelpWords[] = {L"about", L"manual", L"support", L"exit"};
const wchar_t* const kStateWords[] = {L"up", L"over", L"down"};

// `over`, `down` and `commandDown` are button indexes, -1 for none.
void Launcher(const std::wstring& name, int over, int down, int commandDown, ToolButton hintTool) {
  const LauncherLayout layout = GetLauncherLayout();
  art::Canvas c(kMainScreenWidth, kMainScreenHeight, RGB(255, 255, 255));
  BitmapHandle main = MainScreenPicture();
  Checkered(c, main.get(), kMainScreenTransparent);
  for (int i = 0; i < kToolButtonCount; ++i) {
    const ButtonState s = i == over ? ButtonState::Over : i == down ? ButtonState::Down : ButtonState::Up;
    BitmapHandle pic = ToolButtonPicture(static_cast<ToolButton>(i), s);
    Blit(c.dc(), pic.get(), layout.tools[i].left, layout.tools[i].top);
  }
  for (int i = 0; i < kCommandButtonCount; ++i) {
    BitmapHandle pic =
        CommandButtonPicture(static_cast<CommandButton>(i), i == commandDown ? ButtonState::Down : ButtonState::Up);
    Blit(c.dc(), pic.get(), layout.commands[i].left, layout.commands[i].top);
  }
  BitmapHandle hint = HintPicture(hintTool);
  Blit(c.dc(), hint.get(), layout.hint.left, layout.hint.top);
  BitmapHandle out = c.Finish();
  WriteBmp(name, out.get());
}

void HelpComposite() {
  const HelpLayout layout = GetHelpLayout();
  art::Canvas c(kHelpBackWidth, kHelpBackHeight, RGB(255, 255, 255));
  BitmapHandle back = HelpBackPicture();
  Checkered(c, back.get(), kHelpBackTransparent);
  for (int i = 0; i < kHelpButtonCount; ++i) {
    BitmapHandle pic = HelpButtonPicture(static_cast<HelpButton>(i), i == 1 ? ButtonState::Down : ButtonState::Up);
    Blit(c.dc(), pic.get(), layout.buttons[i].left, layout.buttons[i].top);
  }
  BitmapHandle out = c.Finish();
  WriteBmp(L"help", out.get());
}

// Every image of the list on light and on dark ground, enlarged three times.
void ImageListStrip(const std::wstring& name, HIMAGELIST list) {
  const int n = ImageList_GetImageCount(list), cell = 20;
  art::Canvas small(n * cell, 2 * cell, RGB(255, 255, 255));
  art::SolidRect(small.dc(), RECT{0, cell, n * cell, 2 * cell}, RGB(40, 40, 48));
  for (int i = 0; i < n; ++i) {
    ImageList_Draw(list, i, small.dc(), i * cell + 2, 2, ILD_NORMAL);
    ImageList_Draw(list, i, small.dc(), i * cell + 2, cell + 2, ILD_NORMAL);
  }
  art::Canvas big(n * cell * 3, 2 * cell * 3, RGB(255, 255, 255));
  StretchBlt(big.dc(), 0, 0, big.width(), big.height(), small.dc(), 0, 0, small.width(), small.height(), SRCCOPY);
  BitmapHandle out = big.Finish();
  WriteBmp(name, out.get());
}

void Enlarged(const std::wstring& name, HBITMAP pic, int factor) {
  const SIZE size = BitmapSize(pic);
  art::Canvas small(size.cx, size.cy, RGB(255, 255, 255));
  Blit(small.dc(), pic, 0, 0);
  art::Canvas big(size.cx * factor, size.cy * factor, RGB(255, 255, 255));
  StretchBlt(big.dc(), 0, 0, big.width(), big.height(), small.dc(), 0, 0, size.cx, size.cy, SRCCOPY);
  BitmapHandle out = big.Finish();
  WriteBmp(name, out.get());
}

}  // namespace

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc < 2) {
    std::fprintf(stderr, "usage: art_dump FOLDER\n");
    return 2;
  }
  g_folder = argv[1];
  LocalFree(argv);
  CreateDirectoryW(g_folder.c_str(), nullptr);

  BitmapHandle main = MainScreenPicture();
  WriteBmp(L"main_screen", main.get());
  for (int i = 0; i < kToolButtonCount; ++i) {
    for (int s = 0; s < 3; ++s) {
      BitmapHandle pic = ToolButtonPicture(static_cast<ToolButton>(i), static_cast<ButtonState>(s));
      WriteBmp(std::wstring(L"tool_") + kToolWords[i] + L"_" + kStateWords[s], pic.get());
    }
    BitmapHandle hint = HintPicture(static_cast<ToolButton>(i));
    WriteBmp(std::wstring(L"hint_") + kToolWords[i], hint.get());
  }
  for (int i = 0; i < kCommandButtonCount; ++i) {
    for (int s : {0, 2}) {
      BitmapHandle pic = CommandButtonPicture(static_cast<CommandButton>(i), static_cast<ButtonState>(s));
      WriteBmp(std::wstring(L"command_") + kCommandWords[i] + L"_" + kStateWords[s], pic.get());
    }
    BitmapHandle hint = HintPicture(static_cast<CommandButton>(i));
    WriteBmp(std::wstring(L"hint_") + kCommandWords[i], hint.get());
  }
  BitmapHandle back = HelpBackPicture();
  WriteBmp(L"help_back", back.get());
  for (int i = 0; i < kHelpButtonCount; ++i) {
    for (int s : {0, 2}) {
      BitmapHandle pic = HelpButtonPicture(static_cast<HelpButton>(i), static_cast<ButtonState>(s));
      WriteBmp(std::wstring(L"help_") + kHelpWords[i] + L"_" + kStateWords[s], pic.get());
    }
  }
  const std::pair<SmallPic, const wchar_t*> smalls[] = {
      {SmallPic::Confirm, L"small_confirm"}, {SmallPic::Delete, L"small_delete"}, {SmallPic::MoveTo, L"small_moveto"},
      {SmallPic::Recycle, L"small_recycle"}, {SmallPic::Mag, L"small_mag"},       {SmallPic::Help16, L"small_help16"}};
  for (const auto& [which, name] : smalls) {
    BitmapHandle pic = SmallPicture(which);
    WriteBmp(name, pic.get());
    Enlarged(std::wstring(name) + L"_x4", pic.get(), 4);
  }
  ImageListHandle common = CommonImageList();
  ImageListStrip(L"ilcommon16_x3", common.get());
  ImageListHandle icons = IconsImageList();
  ImageListStrip(L"ilicons_x3", icons.get());
  ImageListHandle dupes = DuplicateResultImageList();
  ImageListStrip(L"dupes_x3", dupes.get());

  Launcher(L"launcher", -1, -1, -1, ToolButton::Junk);
  Launcher(L"launcher_states", static_cast<int>(ToolButton::Eraser), static_cast<int>(ToolButton::Reg),
           static_cast<int>(CommandButton::Web), ToolButton::Eraser);
  HelpComposite();
  std::printf("art_dump: %d pictures written to %s\n", g_written, Narrow(g_folder).c_str());
  return 0;
}
