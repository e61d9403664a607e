#include "ui/toolbar.h"

#include "ui/image_sizes.h"

#include <commctrl.h>

#include "platform/text.h"
#include "ui/menus.h"

namespace velmora::ui {

namespace {
// Buttons are numbered from this command id upwards, so their ids never meet
// the form's control ids.
constexpr int kCommandBase = 0x7000;
}  // namespace

ToolBar::ToolBar(Container& parent, Bounds bounds) : Control(parent, bounds) {}

int ToolBar::AddButton(const std::string& caption, int imageIndex, std::function<void()> onClick,
                       PopupMenu* dropDown) {
  buttons_.push_back(ToolButton{caption, imageIndex, std::move(onClick), dropDown, true, {}});
  const int index = int(buttons_.size()) - 1;
  if (hwnd_) AddToWindow(index);
  return index;
}

void ToolBar::SetButtonEnabled(int index, bool enabled) {
  buttons_.at(size_t(index)).enabled = enabled;
  if (hwnd_) SendMessageW(hwnd_, TB_ENABLEBUTTON, WPARAM(kCommandBase + index), MAKELPARAM(enabled ? TRUE : FALSE, 0));
}

void ToolBar::SetImageList(HIMAGELIST images) {
  images_ = images;
  ApplyImages();
}

void ToolBar::ApplyImages() {
  if (!hwnd_ || !images_) return;
  // Button images at the window's DPI (16 pixels at 96 dpi).
  SendMessageW(hwnd_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(ImagesForSize(images_, Scale(16))));
}

void ToolBar::OnDpiChanged() {
  ApplyImages();
  SendMessageW(hwnd_, TB_AUTOSIZE, 0, 0);
}

void ToolBar::Click(int index) {
  if (index < 0 || size_t(index) >= buttons_.size()) return;
  const ToolButton& b = buttons_[size_t(index)];
  if (!b.enabled || !enabled()) return;
  if (b.onClick) Fire(b.onClick);
}

void ToolBar::CreateHandle() {
  // No automatic docking or resizing: the form places and sizes the bar (a
  // height of 0 hides it).
  hwnd_ = CreateChild(TOOLBARCLASSNAMEW,
                      TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER);
  SendMessageW(hwnd_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(hwnd_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
  ApplyImages();
  for (size_t i = 0; i < buttons_.size(); ++i) AddToWindow(int(i));
  // The bar's tool tip asks the form for its texts; they come back here.
  AdoptWindow(reinterpret_cast<HWND>(SendMessageW(hwnd_, TB_GETTOOLTIPS, 0, 0)));
}

void ToolBar::AddToWindow(int index) {
  const ToolButton& b = buttons_[size_t(index)];
  const std::wstring text = Widen(b.caption);
  // TB_ADDSTRINGW takes a double-zero terminated list.
  std::wstring list = text;
  list.push_back(L'\0');
  const LRESULT stringIndex = SendMessageW(hwnd_, TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(list.c_str()));
  TBBUTTON tb{};
  tb.iBitmap = b.image >= 0 ? b.image : I_IMAGENONE;
  tb.idCommand = kCommandBase + index;
  tb.fsState = BYTE(b.enabled ? TBSTATE_ENABLED : 0);
  tb.fsStyle = BYTE(BTNS_BUTTON | BTNS_AUTOSIZE | (b.menu ? BTNS_DROPDOWN : 0));
  tb.iString = stringIndex;
  SendMessageW(hwnd_, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&tb));
}

int ToolBar::IndexOfCommand(UINT_PTR command) const {
  const INT_PTR index = INT_PTR(command) - kCommandBase;
  return index >= 0 && size_t(index) < buttons_.size() ? int(index) : -1;
}

bool ToolBar::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->code == TBN_DROPDOWN) {
    auto* n = reinterpret_cast<NMTOOLBARW*>(header);
    const int index = IndexOfCommand(UINT_PTR(n->iItem));
    if (index < 0 || !buttons_[size_t(index)].menu) return false;
    RECT r{};
    SendMessageW(hwnd_, TB_GETRECT, WPARAM(n->iItem), reinterpret_cast<LPARAM>(&r));
    MapWindowPoints(hwnd_, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
    buttons_[size_t(index)].menu->Popup(r.left, r.bottom);
    result = TBDDRET_DEFAULT;
    return true;
  }
  if (header->code == TTN_GETDISPINFOW) {
    auto* tip = reinterpret_cast<NMTTDISPINFOW*>(header);
    const int index = IndexOfCommand(header->idFrom);
    if (index < 0 || buttons_[size_t(index)].hint.empty()) return false;
    hintText_ = Widen(buttons_[size_t(index)].hint);
    tip->lpszText = const_cast<wchar_t*>(hintText_.c_str());
    tip->hinst = nullptr;
    result = 0;
    return true;
  }
  if (header->code == NM_CLICK) {
    auto* n = reinterpret_cast<NMMOUSE*>(header);
    const int index = IndexOfCommand(n->dwItemSpec);
    if (index >= 0) Click(index);
    result = 0;
    return true;
  }
  return false;
}

}  // namespace velmora::ui
