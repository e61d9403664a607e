// Image lists at the size of a window's DPI. A list of 16 x 16 images
// registered with a way to draw the same images at another size is shown by
// list views and tool bars at 16 x dpi / 96, drawn once per size and kept
// until the list is unregistered. Row images keep their indexes at every size.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>

namespace velmora::ui {

// Draws the registered list's images at size x size; the caller owns the result.
using ImageListPainter = std::function<HIMAGELIST(int size)>;

void RegisterScalableImages(HIMAGELIST base, ImageListPainter paint);
// Destroys every size drawn from it; controls still showing one must be gone.
void UnregisterScalableImages(HIMAGELIST base);
// The list to show for images of `size` pixels: `base` itself when it is not
// registered or already has that size.
HIMAGELIST ImagesForSize(HIMAGELIST base, int size);

}  // namespace velmora::ui
