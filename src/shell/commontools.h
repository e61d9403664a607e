// Tcommontools: the hidden shared form, created first at start-up and kept for
// the whole process. It holds the shared pictures, the image lists and the
// shared shell file operation component the tool windows use.
#pragma once

#include <map>
#include <string>
#include <utility>

#include "platform/handles.h"
#include "scan/shell_file_op.h"
#include "shell/artwork.h"
#include "ui/form.h"

namespace velmora::shell {

class Tcommontools : public ui::Form {
 public:
  Tcommontools();
  ~Tcommontools() override;

  BitmapHandle imgConfirm, imgDelete, imgMoveTo, imgRecycle;  // 16 x 16, beside removal options
  BitmapHandle imgMag;                                        // 50 x 27
  BitmapHandle imgHelp16;                                     // 16 x 15, on every Help button
  BitmapHandle imgHelpback;                                   // 189 x 209, the help window
  // One of the small pictures drawn for a window's DPI (the members above at
  // 96), drawn once per DPI and kept with the others.
  HBITMAP SmallAt(SmallPic which, int dpi);
  BitmapHandle imgMainScreen;                                 // 513 x 442, the launcher
  ImageListHandle ilCommon16;                                 // indexes in shell/common_icons.h
  ImageListHandle ilIcons;
  // Recycle, delete and move for the junk cleaner, the duplicate finder and
  // the shortcut finder: one path list, one operation at a time.
  scan::TShellFileOp ShellFileOp1;

 private:
  std::map<std::pair<int, int>, BitmapHandle> scaled_;
};

// How a tool removes a file: its removal option.
enum class RemovalKind { Recycle, Delete, Move };
// Removes one file, by its exact path and alone, through the shared shell file
// operation (files only, no questions, no animation, a moved file renamed on a
// collision); the operation's options are put back afterwards. True when the
// shell did it.
bool RemoveOneFile(RemovalKind kind, const std::string& path, const std::string& moveFolder = "");

// The process's shared form; made on first use when start-up has not made it.
Tcommontools& commontools();
// Made at start-up, before any other window.
void CreateCommontools();
// Destroyed last, when the program ends.
void DestroyCommontools();

}  // namespace velmora::shell
