// Small pictures drawn in code.
#pragma once

#include <windows.h>

#include <functional>

#include "platform/handles.h"

namespace velmora {

// A screen-compatible bitmap of the given size, filled with the background
// brush and then drawn by `paint` through a memory DC.
BitmapHandle PaintBitmap(int width, int height, HBRUSH background, const std::function<void(HDC)>& paint);

}  // namespace velmora
