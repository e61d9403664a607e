// Checks a window's layout as a reader of the screen would see it: a caption
// cut short by its control, two controls on top of each other, two controls of
// one page answering the same Alt key, a Tab walk that misses a control.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace velmora::test {

// Every fault found in the window's controls (visible by their own style, on
// every page), one line each: "clipped: ...", "overlap: ...", "mnemonic: ...".
// Group boxes may hold controls; controls of one stack (same rect) may share a place.
std::vector<std::string> LayoutFaults(HWND form);

// The controls Tab reaches from the first, in order, until it comes round:
// the walk IsDialogMessage makes (GetNextDlgTabItem).
std::vector<HWND> TabWalk(HWND form);

// The enabled, visible tab stops of the window (of the active page only).
std::vector<HWND> TabStops(HWND form);

std::string Describe(HWND control);

}  // namespace velmora::test
