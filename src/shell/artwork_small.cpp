// The small shared pictures and the shared image lists.
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "shell/artwork.h"
#include "shell/artwork_draw.h"
#include "shell/common_icons.h"
#include "platform/files.h"

#include <shlobj.h>

namespace velmora::shell {

namespace {

using art::Canvas;
using art::Emblem;

// ---- small pictures ----

void PaintMagnifier(HDC dc, COLORREF back) {
  // A lens over a row of "text" with its handle running out to the right.
  for (int y = 8; y <= 20; y += 4) art::SolidRect(dc, RECT{6, y, 22, y + 2}, art::Mix(back, RGB(90, 110, 140), 45));
  LOGBRUSH handle{BS_SOLID, RGB(122, 82, 40), 0};
  art::PenHandle handlePen(ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND, 6, &handle, 0, nullptr));
  HGDIOBJ oldPen = SelectObject(dc, handlePen.get());
  MoveToEx(dc, 25, 19, nullptr);
  LineTo(dc, 46, 24);
  art::PenHandle rim(CreatePen(PS_INSIDEFRAME, 3, RGB(40, 48, 64)));
  SelectObject(dc, rim.get());
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Ellipse(dc, 2, 1, 28, 27);
  art::PenHandle glint(CreatePen(PS_SOLID, 2, RGB(255, 255, 255)));
  SelectObject(dc, glint.get());
  Arc(dc, 8, 7, 22, 21, 12, 7, 8, 16);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
}

// ---- image lists ----

constexpr COLORREF kKey = RGB(255, 0, 255);  // never used by an emblem

// Adds one size x size emblem with its alpha channel and a mask, so the list
// draws it cleanly with or without alpha support.
void AddEmblem(HIMAGELIST list, Emblem e, int size) {
  Canvas c(size, size, kKey);
  art::DrawEmblem(c.dc(), e, 0, 0, size);
  BitmapHandle monochrome = art::CutOutKey(c, kKey);
  BitmapHandle color = c.Release();
  if (ImageList_Add(list, color.get(), monochrome.get()) < 0) {
    throw std::runtime_error("ImageList_Add failed");
  }
}

ImageListHandle BuildList(std::initializer_list<Emblem> emblems, int size = 16) {
  ImageListHandle list(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, static_cast<int>(emblems.size()), 8));
  if (!list) throw std::runtime_error("ImageList_Create failed");
  for (Emblem e : emblems) AddEmblem(list.get(), e, size);
  return list;
}

}  // namespace

SIZE SmallPictureSize(SmallPic which) {
  switch (which) {
    case SmallPic::Mag: return SIZE{50, 27};
    case SmallPic::Help16: return SIZE{16, 15};
    case SmallPic::Confirm:
    case SmallPic::Delete:
    case SmallPic::MoveTo:
    case SmallPic::Recycle: break;
  }
  return SIZE{16, 16};
}

SIZE SmallPictureSize(SmallPic which, int dpi) {
  const SIZE base = SmallPictureSize(which);
  if (which == SmallPic::Mag) return base;
  return SIZE{MulDiv(base.cx, dpi, 96), MulDiv(base.cy, dpi, 96)};
}

BitmapHandle SmallPicture(SmallPic which, int dpi) {
  const SIZE size = SmallPictureSize(which, dpi);
  const int side = MulDiv(16, dpi, 96);
  const COLORREF back = GetSysColor(COLOR_BTNFACE);
  Canvas c(size.cx, size.cy, back);
  HDC dc = c.dc();
  switch (which) {
    case SmallPic::Confirm: art::DrawEmblem(dc, Emblem::Confirm, 0, 0, side); break;
    case SmallPic::Delete: art::DrawEmblem(dc, Emblem::DeletePage, 0, 0, side); break;
    case SmallPic::MoveTo: art::DrawEmblem(dc, Emblem::MoveTo, 0, 0, side); break;
    case SmallPic::Recycle: art::DrawEmblem(dc, Emblem::Recycle, 0, 0, side); break;
    case SmallPic::Help16: art::DrawEmblem(dc, Emblem::Question, 0, 0, size.cy); break;
    case SmallPic::Mag: PaintMagnifier(dc, back); break;
  }
  // The bottom-left pixel names the transparent colour for glyph-style controls.
  c.SetPixel(0, size.cy - 1, back);
  return c.Finish();
}

BitmapHandle SchedulePicture(int size) {
  Canvas c(size, size, GetSysColor(COLOR_BTNFACE));
  art::DrawEmblem(c.dc(), Emblem::Clock, 0, 0, size);
  return c.Finish();
}

IconHandle AgentIcon(AgentIconState state, int size) {
  Canvas c(size, size, kKey);
  art::DrawEmblem(c.dc(), state == AgentIconState::Enabled ? Emblem::Clock : Emblem::ClockOff, 0, 0, size);
  BitmapHandle mask = art::CutOutKey(c, kKey);
  BitmapHandle color = c.Release();
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmMask = mask.get();
  info.hbmColor = color.get();
  IconHandle icon(CreateIconIndirect(&info));  // copies both bitmaps
  if (!icon) throw std::runtime_error("CreateIconIndirect failed");
  return icon;
}

ImageListHandle CommonImageList(int size) {
  // In index order: see common_icon in shell/common_icons.h.
  ImageListHandle list = BuildList({
      Emblem::Tick,           // kEnabled
      Emblem::Bar,            // kDisabled
      Emblem::File,           // kFile
      Emblem::FolderExclude,  // kExcludeFolder
      Emblem::Registry,       // kRegistryValue
      Emblem::SharedLibrary,  // kSharedLibrary
      Emblem::Shortcut,       // kShortcut
      Emblem::Program,        // kProgram
      Emblem::Drive,          // kDrive
      Emblem::Folder,         // kFolder
      Emblem::FilePattern,    // kFilePattern
      Emblem::Trash,          // kJunkPattern
      Emblem::FileExclude,    // kExcludeFile
      Emblem::Cross,          // kDelete
      Emblem::Magnifier,      // kSearch
      Emblem::Clock,          // kSchedule
      Emblem::Question,       // kHelp
  }, size);
  if (ImageList_GetImageCount(list.get()) != common_icon::kCount) throw std::logic_error("ilCommon16 index table");
  return list;
}

ImageListHandle IconsImageList(int size) {
  ImageListHandle list = BuildList({
      Emblem::ProgramLink,     // kMissingFile
      Emblem::ShortcutFolder,  // kMissingFolder
      Emblem::BrokenLink,      // kBrokenLink
      Emblem::Package,         // kUninstaller
  }, size);
  if (ImageList_GetImageCount(list.get()) != row_icon::kCount) throw std::logic_error("ilIcons index table");
  return list;
}

ImageListHandle DuplicateResultImageList(int size) {
  ImageListHandle list = BuildList(
      {
          Emblem::File,       // kFile
          Emblem::Blank,      // kBlank
          Emblem::Duplicate,  // kGroup
          Emblem::Folder,     // kSpare
      },
      size);
  if (ImageList_GetImageCount(list.get()) != dupe_icon::kCount) throw std::logic_error("duplicate index table");
  return list;
}

IconHandle FileIconAt(const std::string& path, int size) {
  HICON icon = nullptr;
  if (SHDefExtractIconW(LongPathW(path).c_str(), 0, 0, &icon, nullptr, MAKELONG(size, 0)) != S_OK)
    return IconHandle(nullptr);
  return IconHandle(icon);
}

FileIconList::FileIconList(std::function<ImageListHandle(int)> fixed, int size)
    : fixed_(std::move(fixed)), size_(size), list_(fixed_(size)) {
  fixedCount_ = ImageList_GetImageCount(list_.get());
}

int FileIconList::Add(const std::string& path, int fallback) {
  const IconHandle icon = FileIconAt(path, size_);
  if (!icon) return fallback;
  const int added = ImageList_AddIcon(list_.get(), icon.get());
  if (added < 0) return fallback;
  sources_.push_back(path);
  return added;
}

void FileIconList::Clear() {
  ImageList_SetImageCount(list_.get(), UINT(fixedCount_));
  sources_.clear();
}

void FileIconList::Resize(int size) {
  if (size == size_) return;
  ImageListHandle list = fixed_(size);
  for (const std::string& path : sources_) {
    // A file gone or changed since keeps its place with a blank.
    const IconHandle icon = FileIconAt(path, size);
    if (!icon || ImageList_AddIcon(list.get(), icon.get()) < 0) {
      const IconHandle blank = IconHandle(ImageList_GetIcon(list.get(), 0, ILD_NORMAL));
      ImageList_AddIcon(list.get(), blank.get());
    }
  }
  list_ = std::move(list);
  size_ = size;
}

}  // namespace velmora::shell
