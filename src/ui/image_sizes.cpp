#include "ui/image_sizes.h"

#include <map>
#include <utility>
#include <vector>

namespace velmora::ui {

namespace {

struct Scalable {
  ImageListPainter paint;
  std::map<int, HIMAGELIST> sizes;  // owned
};

// Never destroyed: the shared form that unregisters its lists may outlive any
// static of this file at the program's end.
std::map<HIMAGELIST, Scalable>& Registry() {
  static auto* registry = new std::map<HIMAGELIST, Scalable>();
  return *registry;
}

}  // namespace

void RegisterScalableImages(HIMAGELIST base, ImageListPainter paint) {
  if (!base) return;
  UnregisterScalableImages(base);
  Registry()[base].paint = std::move(paint);
}

void UnregisterScalableImages(HIMAGELIST base) {
  auto it = Registry().find(base);
  if (it == Registry().end()) return;
  for (auto& [size, list] : it->second.sizes) ImageList_Destroy(list);
  Registry().erase(it);
}

HIMAGELIST ImagesForSize(HIMAGELIST base, int size) {
  if (!base) return nullptr;
  auto it = Registry().find(base);
  if (it == Registry().end()) return base;
  int cx = 0, cy = 0;
  if (ImageList_GetIconSize(base, &cx, &cy) && cx == size) return base;
  HIMAGELIST& drawn = it->second.sizes[size];
  if (!drawn && it->second.paint) drawn = it->second.paint(size);
  return drawn ? drawn : base;
}

}  // namespace velmora::ui
