#include "shell/commontools.h"

#include <memory>

#include "ui/image_sizes.h"

namespace velmora::shell {

namespace {
std::unique_ptr<Tcommontools> g_common;
}

HBITMAP Tcommontools::SmallAt(SmallPic which, int dpi) {
  if (dpi == 96 || dpi <= 0 || which == SmallPic::Mag) {
    switch (which) {
      case SmallPic::Confirm: return imgConfirm.get();
      case SmallPic::Delete: return imgDelete.get();
      case SmallPic::MoveTo: return imgMoveTo.get();
      case SmallPic::Recycle: return imgRecycle.get();
      case SmallPic::Help16: return imgHelp16.get();
      case SmallPic::Mag: return imgMag.get();
    }
  }
  BitmapHandle& drawn = scaled_[{int(which), dpi}];
  if (!drawn) drawn = SmallPicture(which, dpi);
  return drawn.get();
}

Tcommontools::Tcommontools()
    : imgConfirm(SmallPicture(SmallPic::Confirm)),
      imgDelete(SmallPicture(SmallPic::Delete)),
      imgMoveTo(SmallPicture(SmallPic::MoveTo)),
      imgRecycle(SmallPicture(SmallPic::Recycle)),
      imgMag(SmallPicture(SmallPic::Mag)),
      imgHelp16(SmallPicture(SmallPic::Help16)),
      imgHelpback(HelpBackPicture()),
      imgMainScreen(MainScreenPicture()),
      ilCommon16(CommonImageList()),
      ilIcons(IconsImageList()) {
  // List views and tool bars of a large-font window show these drawn at its size.
  ui::RegisterScalableImages(ilCommon16.get(), [](int size) { return CommonImageList(size).release(); });
  ui::RegisterScalableImages(ilIcons.get(), [](int size) { return IconsImageList(size).release(); });
  ShellFileOp1.FilesOnly = true;
  ShellFileOp1.NoConfirmation = true;
  ShellFileOp1.AutoMakeDir = false;
  ShellFileOp1.RenameOnCollision = true;
  ShellFileOp1.Animate = false;
  ShellFileOp1.ClearOnAdd = false;
  ui::FormArgs args;
  args.className = "Tcommontools";
  args.caption = "commontools";
  args.clientWidth = 100;
  args.clientHeight = 100;
  args.visible = false;  // never shown
  Create(args);
}

Tcommontools::~Tcommontools() {
  ui::UnregisterScalableImages(ilCommon16.get());
  ui::UnregisterScalableImages(ilIcons.get());
}

void CreateCommontools() {
  if (!g_common) g_common = std::make_unique<Tcommontools>();
}

Tcommontools& commontools() {
  CreateCommontools();
  return *g_common;
}

void DestroyCommontools() { g_common.reset(); }

bool RemoveOneFile(RemovalKind kind, const std::string& path, const std::string& moveFolder) {
  scan::TShellFileOp& op = commontools().ShellFileOp1;
  // The object is shared with other tools: their options come back afterwards.
  scan::TShellFileOp::KeepOptions saved{op};
  op.FilesOnly = true;
  op.NoConfirmation = true;
  op.Animate = false;
  op.RenameOnCollision = true;
  op.ProgressTitle.clear();
  // Only this one path: nothing another window added may ride along.
  op.ClearOnAdd = true;
  op.AddSource(path);
  switch (kind) {
    case RemovalKind::Move: return op.MoveFiles(moveFolder);
    case RemovalKind::Delete: return op.DeleteFiles();
    case RemovalKind::Recycle: break;
  }
  return op.RecycleFiles();
}

}  // namespace velmora::shell
