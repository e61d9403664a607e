#include "scan/disk_list_view.h"

#include <shellapi.h>

#include "platform/gdi.h"
#include "platform/text.h"

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
  if (images_) ImageList_Destroy(images_);
}

namespace {

// The small shell icon drawn on the window background colour, as a bitmap the
// image list can take (no mask needed).
BitmapHandle IconBitmap(HICON icon) {
  return PaintBitmap(16, 16, GetSysColorBrush(COLOR_WINDOW),
                     [icon](HDC dc) { DrawIconEx(dc, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL); });
}

}  // namespace

void TDiskListView::FillDrives() {
  BeginUpdate();
  Clear();
  ImageList_RemoveAll(images_);
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
      BitmapHandle bmp = IconBitmap(icon.get());
      image = ImageList_Add(images_, bmp.get(), nullptr);
    }
    const int row = AddItem(Narrow(info.szDisplayName), image);
    if (type == DRIVE_FIXED && SelectLocalDrives) SetSelected(row, true);
  }
  EndUpdate();
}

std::string TDiskListView::SelectedDrives() const {
  std::string out;
  for (int row : SelectedRows())
    if (const char letter = DriveLetter(row)) out += letter;
  return out;
}

}  // namespace velmora::scan
