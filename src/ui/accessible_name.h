// Accessible names for controls that have no caption of their own (edit
// boxes, lists, combo boxes, folder boxes): a screen reader reads the text of
// the label that goes with them.
//
// The system's own accessible object of the control answers every question
// but the name, which comes from the label's text at the time it is asked
// (its "&" marks removed), or from a fixed text. Windows takes such a name
// from the label before the control in the z-order only for some classes;
// this holds for every class and for any window order.
#pragma once

#include <windows.h>

#include <string>

namespace velmora::ui {

// The control's accessible name is the text `label` shows when asked.
void NameByLabel(HWND control, HWND label);
// The control's accessible name is `name`.
void NameAs(HWND control, const std::wstring& name);

// The name as a screen reader reads it (the accessibility interface's own
// answer); empty when it has none.
std::wstring AccessibleNameOf(HWND control);

}  // namespace velmora::ui
