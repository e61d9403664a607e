// What the screenshot hosts (junk_shot, eraser_shot, regclean_shot) share:
// the program's one argument and turning a window to the page it names.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/text.h"
#include "ui/controls.h"

namespace velmora::shot {

// The first command-line argument, or "".
inline std::string Argument() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const std::string wanted = argv && argc > 1 ? Narrow(argv[1]) : std::string();
  if (argv) LocalFree(argv);
  return wanted;
}

// Shows the page whose caption is `caption` (any case); nothing when none is.
inline void SelectPage(ui::TabControl& pages, const std::string& caption) {
  for (size_t i = 0; i < pages.pageCount(); ++i)
    if (CompareNoCase(pages.page(i).caption(), caption) == 0) pages.SetActivePageIndex(int(i));
}

}  // namespace velmora::shot
