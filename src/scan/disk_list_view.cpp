#include "scan/disk_list_view.h"

#include <shellapi.h>

#include <vector>

#include "platform/gdi.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "ui/image_sizes.h"

namespace velmora::scan {

char DriveLetterOfCaption(const std::string& caption) {
  // The last "(X:)": a drive's own name may hold brackets ("Photos (Camera) (E:)"),
  // and a share's holds its server ("share (\\\\server) (N:)").
  for (std::size_t close = caption.rfind(":)"); close != std::string::npos && close >= 2;
       close = caption.rfind(":)", close - 1)) {
    const char c = caption[close - 1];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (letter && caption[close - 2] == '(') return char(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    if (close == 0) break;
  }
  return 0;
}

TDiskListView::TDiskListView(ui::Container& parent, ui::Bounds bounds, bool checkBoxes,
                             const std::string& columnCaption)
    : ui::ListView(parent, bounds, checkBoxes, /*multiSelect=*/true) {
  AddColumn(columnCaption, kColumnFill);
  images_ = ImageList_Create(16, 16, ILC_COLOR32, 0, 8);
  SetImageList(images_);
}

TDiskListView::~TDiskListView() {
  if (images_) {
    ui::UnregisterScalableImages(images_);
    ImageList_Destroy(images_);
  }
}

namespace {

// The shell's icon drawn on the window background colour at `size`, as a
// bitmap the image list can take (no mask needed).
BitmapHandle IconBitmap(HICON icon, int size) {
  return PaintBitmap(size, size, GetSysColorBrush(COLOR_WINDOW),
                     [icon, size](HDC dc) { DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL); });
}

// A drive's icon at `size`: the small one at 16 pixels, drawn from the large
// one above, so a high DPI is not a blown-up 16-pixel picture.
IconHandle DriveIcon(const std::wstring& root, int size) {
  SHFILEINFOW info{};
  if (!SHGetFileInfoW(root.c_str(), 0, &info, sizeof info, SHGFI_ICON | (size > 16 ? SHGFI_LARGEICON : SHGFI_SMALLICON)))
    return IconHandle(nullptr);
  return IconHandle(info.hIcon);
}

}  // namespace

void TDiskListView::FillDrives() {
  BeginUpdate();
  Clear();
  // The sizes drawn for another DPI show the old drives: drawn again below.
  ui::UnregisterScalableImages(images_);
  ImageList_RemoveAll(images_);
  std::vector<std::wstring> imaged;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::wstring root = std::wstring(1, wchar_t(letter)) + L":\\";
    const UINT type = GetDriveTypeW(root.c_str());
    if (type == DRIVE_UNKNOWN || type == DRIVE_NO_ROOT_DIR) continue;
    SHFILEINFOW info{};
    if (!SHGetFileInfoW(root.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME | SHGFI_ICON | SHGFI_SMALLICON))
      continue;
    IconHandle icon(info.hIcon);
    int image = -1;
    if (icon) {
      BitmapHandle bmp = IconBitmap(icon.get(), 16);
      image = ImageList_Add(images_, bmp.get(), nullptr);
      if (image >= 0) imaged.push_back(root);
    }
    const int row = AddItem(Narrow(info.szDisplayName), image);
    if (type == DRIVE_FIXED && SelectLocalDrives) SetSelected(row, true);
  }
  ui::RegisterScalableImages(images_, [imaged](int size) {
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32, int(imaged.size()), 8);
    for (const std::wstring& root : imaged) {
      const IconHandle icon = DriveIcon(root, size);
      const BitmapHandle bmp = icon ? IconBitmap(icon.get(), size) : PaintBitmap(size, size, GetSysColorBrush(COLOR_WINDOW), [](HDC) {});
      ImageList_Add(list, bmp.get(), nullptr);  // the same index as at 16 pixels
    }
    return list;
  });
  SetImageList(images_);
  EndUpdate();
}

std::string TDiskListView::SelectedDrives() const {
  std::string out;
  for (int row : SelectedRows())
    if (const char letter = DriveLetter(row)) out += letter;
  return out;
}

}  // namespace velmora::scan
