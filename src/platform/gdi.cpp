#include "platform/gdi.h"

namespace velmora {

BitmapHandle PaintBitmap(int width, int height, HBRUSH background, const std::function<void(HDC)>& paint) {
  HDC screen = GetDC(nullptr);
  BitmapHandle bmp(CreateCompatibleBitmap(screen, width, height));
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  if (!bmp || !dc) {
    if (dc) DeleteDC(dc);
    return bmp;
  }
  HGDIOBJ old = SelectObject(dc, bmp.get());
  RECT rc{0, 0, width, height};
  FillRect(dc, &rc, background);
  paint(dc);
  SelectObject(dc, old);
  DeleteDC(dc);
  return bmp;
}

}  // namespace velmora
