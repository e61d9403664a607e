#include "ui/controls.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/datetime.h"
#include "platform/format.h"
#include "platform/files.h"
#include "platform/text.h"

namespace velmora::ui {

// ---- Button ---------------------------------------------------------------

Button::Button(Container& parent, Bounds bounds, std::string caption, ButtonRole role)
    : Control(parent, bounds), role_(role) {
  SetControlText(caption);
}

void Button::CreateHandle() {
  // Enter and Escape arrive as IDOK and IDCANCEL (IsDialogMessage), so the
  // default and cancel buttons carry those ids.
  const int id = role_ == ButtonRole::Default ? IDOK : role_ == ButtonRole::Cancel ? IDCANCEL : 0;
  if (id) id_ = id;
  hwnd_ = CreateChild(WC_BUTTONW, WS_TABSTOP | (role_ == ButtonRole::Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                      0, controlText(), id_);
  if (role_ == ButtonRole::Default) form().SetDefaultButton(hwnd_);
  if (role_ == ButtonRole::Cancel) form().SetCancelButton(hwnd_);
  if (glyph_) SendMessageW(hwnd_, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(glyph_));
}

void Button::SetGlyph(HBITMAP glyph) {
  glyph_ = glyph;
  if (hwnd_) SendMessageW(hwnd_, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(glyph_));
}

bool Button::OnCommand(WORD code, HWND) {
  if (code != BN_CLICKED) return false;
  Click();
  return true;
}

void Button::Click() {
  if (!enabled()) return;
  Fire([this] { DoClick(); });
}

void Button::DoClick() {
  if (modalResult != mrNone) form().SetModalResult(modalResult);
  if (onClick) onClick();
}

// ---- CheckBox -------------------------------------------------------------

CheckBox::CheckBox(Container& parent, Bounds bounds, std::string caption, bool checked)
    : Control(parent, bounds), checked_(checked) {
  SetControlText(caption);
}

void CheckBox::CreateHandle() {
  hwnd_ = CreateChild(WC_BUTTONW, WS_TABSTOP | BS_AUTOCHECKBOX, 0, controlText());
  SendMessageW(hwnd_, BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool CheckBox::checked() const {
  return hwnd_ ? SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED : checked_;
}

void CheckBox::SetChecked(bool checked) {
  checked_ = checked;
  if (hwnd_) SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CheckBox::Click() {
  if (!enabled()) return;
  SetChecked(!checked());
  Fire([this] {
    if (onClick) onClick();
  });
}

bool CheckBox::OnCommand(WORD code, HWND) {
  if (code != BN_CLICKED) return false;
  checked_ = checked();
  Fire([this] {
    if (onClick) onClick();
  });
  return true;
}

// ---- RadioButton ----------------------------------------------------------

RadioButton::RadioButton(Container& parent, Bounds bounds, std::string caption, bool groupStart)
    : Control(parent, bounds), groupStart_(groupStart) {
  SetControlText(caption);
}

void RadioButton::CreateHandle() {
  hwnd_ = CreateChild(WC_BUTTONW, BS_AUTORADIOBUTTON | (groupStart_ ? WS_GROUP | WS_TABSTOP : 0), 0,
                      controlText());
  SendMessageW(hwnd_, BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool RadioButton::checked() const {
  return hwnd_ ? SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED : checked_;
}

void RadioButton::SetChecked(bool checked) {
  checked_ = checked;
  if (hwnd_) SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  if (checked) UncheckOthers();
}

void RadioButton::UncheckOthers() {
  // The group: radio buttons of the same parent from the last group start up to the next.
  std::vector<RadioButton*> group;
  bool mine = false;
  for (Control* c : parent().children()) {
    auto* radio = dynamic_cast<RadioButton*>(c);
    if (!radio) continue;
    if (radio->groupStart_) {
      if (mine) break;
      group.clear();
    }
    group.push_back(radio);
    if (radio == this) mine = true;
  }
  for (RadioButton* other : group)
    if (other != this && other->checked()) other->SetChecked(false);
}

void RadioButton::Click() {
  if (!enabled()) return;
  SetChecked(true);
  Fire([this] {
    if (onClick) onClick();
  });
}

bool RadioButton::OnCommand(WORD code, HWND) {
  if (code != BN_CLICKED) return false;
  checked_ = checked();
  if (checked_) UncheckOthers();
  Fire([this] {
    if (onClick) onClick();
  });
  return true;
}

// ---- Label and GroupBox ---------------------------------------------------

Label::Label(Container& parent, Bounds bounds, std::string caption, TextAlign align)
    : Control(parent, bounds), align_(align) {
  SetControlText(caption);
}

void Label::CreateHandle() {
  DWORD style = align_ == TextAlign::Center ? SS_CENTER : align_ == TextAlign::Right ? SS_RIGHT
                : wordWrap_                   ? SS_LEFT
                                              : SS_LEFTNOWORDWRAP;
  // Only a clickable label takes the mouse: others let it through to what lies below.
  hwnd_ = CreateChild(WC_STATICW, style | (onClick ? SS_NOTIFY : 0), 0, controlText());
  ApplyFont();
}

bool Label::OnCommand(WORD code, HWND) {
  if (code != STN_CLICKED) return false;
  Click();
  return true;
}

void Label::Click() {
  if (onClick && enabled()) Fire(onClick);
}

void Label::SetCaption(const std::string& caption) {
  SetControlText(caption);
  // A see-through label leaves its old text behind unless the parent repaints under it.
  if (hwnd_ && transparent_) {
    RECT r = PixelRect();
    InvalidateRect(parent().containerHandle(), &r, TRUE);
  }
}

void Label::SetTransparent(bool transparent, COLORREF textColor) {
  transparent_ = transparent;
  textColor_ = textColor;
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

HBRUSH Label::OnColor(HDC dc) {
  if (!transparent_) return nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, textColor_);
  return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

void Label::SetFontStyle(bool bold, int extraPoints) {
  bold_ = bold;
  extraPoints_ = extraPoints;
  ApplyFont();
}

void Label::ApplyFont() {
  if (!hwnd_ || (!bold_ && extraPoints_ == 0)) return;
  LOGFONTW lf{};
  GetObjectW(form().font(), sizeof lf, &lf);
  if (bold_) lf.lfWeight = FW_BOLD;
  if (extraPoints_) {
    const int sign = lf.lfHeight < 0 ? -1 : 1;
    lf.lfHeight += sign * MulDiv(extraPoints_, form().dpi(), 72);
  }
  font_ = FontHandle(CreateFontIndirectW(&lf));
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
}

GroupBox::GroupBox(Container& parent, Bounds bounds, std::string caption) : Control(parent, bounds) {
  SetControlText(caption);
}

void GroupBox::CreateHandle() { hwnd_ = CreateChild(WC_BUTTONW, BS_GROUPBOX, 0, controlText()); }

// ---- Edit -----------------------------------------------------------------

Edit::Edit(Container& parent, Bounds bounds, std::string text) : Control(parent, bounds) { SetControlText(text); }

void Edit::CreateHandle() {
  hwnd_ = CreateChild(WC_EDITW, WS_TABSTOP | EditStyle() | (readOnly_ ? ES_READONLY : 0), WS_EX_CLIENTEDGE,
                      controlText());
}

void Edit::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  if (hwnd_) SendMessageW(hwnd_, EM_SETREADONLY, readOnly, 0);
}

void Edit::SelectAll() {
  if (hwnd_) SendMessageW(hwnd_, EM_SETSEL, 0, -1);
}

std::pair<int, int> Edit::selection() const {
  DWORD start = 0, end = 0;
  if (hwnd_) SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {int(start), int(end)};
}

bool Edit::OnCommand(WORD code, HWND) {
  if (code != EN_CHANGE) return false;
  if (onChange) Fire(onChange);
  return true;
}

// ---- EditWithBrowse -------------------------------------------------------

EditWithBrowse::EditWithBrowse(Container& parent, Bounds bounds, BrowseKind kind, std::string prompt_)
    : Edit(parent, bounds), prompt(std::move(prompt_)), kind_(kind) {}

void EditWithBrowse::CreateHandle() {
  Edit::CreateHandle();
  const RECT r = PixelRect();
  const int buttonWidth = Scale(24), gap = Scale(4);
  SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left - buttonWidth - gap, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  button_ = CreateWindowExW(WS_EX_NOPARENTNOTIFY, WC_BUTTONW, L"...",
                            WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON | (visible() ? WS_VISIBLE : 0),
                            r.right - buttonWidth, r.top, buttonWidth, r.bottom - r.top, parent().containerHandle(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextControlId())),
                            GetModuleHandleW(nullptr), nullptr);
  SendMessageW(button_, WM_SETFONT, reinterpret_cast<WPARAM>(form().font()), FALSE);
  // The button sits right after the edit in the tab order.
  SetWindowPos(button_, hwnd_, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  AdoptWindow(button_);
}

void EditWithBrowse::SetVisible(bool visible) {
  Edit::SetVisible(visible);
  if (button_) ShowWindow(button_, visible ? SW_SHOWNA : SW_HIDE);
}

void EditWithBrowse::SetEnabled(bool enabled) {
  Edit::SetEnabled(enabled);
  if (button_) EnableWindow(button_, enabled);
}

bool EditWithBrowse::OnCommand(WORD code, HWND from) {
  if (from == button_) {
    if (code == BN_CLICKED) Fire([this] { Browse(); });
    return true;
  }
  return Edit::OnCommand(code, from);
}

bool EditWithBrowse::Browse() {
  if (!enabled()) return false;
  std::optional<std::string> chosen;
  HWND owner = form().handle();
  FileDialogOptions options = fileOptions;
  if (options.title.empty()) options.title = prompt;
  switch (kind_) {
    case BrowseKind::Folder:
      chosen = dialogs().ChooseFolder(owner, prompt, text(), allowCreateFolder);
      break;
    case BrowseKind::OpenFile:
      chosen = dialogs().OpenFile(owner, options);
      break;
    case BrowseKind::SaveFile:
      chosen = dialogs().SaveFile(owner, options);
      break;
  }
  if (!chosen) return false;
  SetText(*chosen);
  if (onBrowsed) Fire(onBrowsed);
  return true;
}

// ---- Memo -----------------------------------------------------------------

namespace {

std::string ToCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

}  // namespace

Memo::Memo(Container& parent, Bounds bounds, bool readOnly, bool wordWrap) : Edit(parent, bounds), wordWrap_(wordWrap) {
  readOnly_ = readOnly;
}

DWORD Memo::EditStyle() const {
  return ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL | WS_VSCROLL |
         (wordWrap_ ? 0 : ES_AUTOHSCROLL | WS_HSCROLL);
}

void Memo::CreateHandle() {
  Edit::CreateHandle();
  // The default limit of 32K characters is far too small for a log.
  SendMessageW(hwnd_, EM_SETLIMITTEXT, 0, 0);
}

void Memo::SetText(const std::string& text) { Edit::SetText(ToCrLf(text)); }

void Memo::Append(const std::string& text) {
  if (!hwnd_) {
    SetText(controlText() + text);
    return;
  }
  const std::wstring add = Widen(ToCrLf(text));
  const int end = GetWindowTextLengthW(hwnd_);
  SendMessageW(hwnd_, EM_SETSEL, end, end);
  SendMessageW(hwnd_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(add.c_str()));
  ScrollToEnd();
}

int Memo::lineCount() const { return hwnd_ ? int(SendMessageW(hwnd_, EM_GETLINECOUNT, 0, 0)) : 0; }

void Memo::ScrollToEnd() {
  if (!hwnd_) return;
  const int end = GetWindowTextLengthW(hwnd_);
  SendMessageW(hwnd_, EM_SETSEL, end, end);
  SendMessageW(hwnd_, EM_SCROLLCARET, 0, 0);
}

// ---- ListBox --------------------------------------------------------------

ListBox::ListBox(Container& parent, Bounds bounds, bool sorted) : Control(parent, bounds), sorted_(sorted) {}

void ListBox::CreateHandle() {
  // The window gets rows at the object's positions, so it needs no sorting of its own.
  hwnd_ = CreateChild(WC_LISTBOXW, WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE);
  for (const std::string& text : items_)
    SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
  if (selected_ >= 0) SendMessageW(hwnd_, LB_SETCURSEL, WPARAM(selected_), 0);
}

int ListBox::AddItem(const std::string& text) {
  auto at = items_.end();
  if (sorted_)
    at = std::upper_bound(items_.begin(), items_.end(), text, [](const std::string& a, const std::string& b) {
      const int c = CompareNoCase(a, b);
      return c != 0 ? c < 0 : a < b;
    });
  const int index = int(at - items_.begin());
  items_.insert(at, text);
  if (selected_ >= index) ++selected_;
  if (hwnd_) SendMessageW(hwnd_, LB_INSERTSTRING, WPARAM(index), reinterpret_cast<LPARAM>(Widen(text).c_str()));
  return index;
}

void ListBox::DeleteItem(int index) {
  if (index < 0 || index >= itemCount()) return;
  items_.erase(items_.begin() + index);
  if (selected_ == index) selected_ = -1;
  else if (selected_ > index) --selected_;
  if (hwnd_) SendMessageW(hwnd_, LB_DELETESTRING, WPARAM(index), 0);
}

void ListBox::Clear() {
  items_.clear();
  selected_ = -1;
  if (hwnd_) SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
}

int ListBox::itemIndex() const {
  if (!hwnd_) return selected_;
  const LRESULT sel = SendMessageW(hwnd_, LB_GETCURSEL, 0, 0);
  return sel == LB_ERR ? -1 : int(sel);
}

void ListBox::SetItemIndex(int index) {
  selected_ = index >= 0 && index < itemCount() ? index : -1;
  if (hwnd_) SendMessageW(hwnd_, LB_SETCURSEL, WPARAM(selected_), 0);
}

bool ListBox::OnCommand(WORD code, HWND) {
  if (code != LBN_SELCHANGE) return false;
  selected_ = itemIndex();
  if (onSelectionChange) Fire(onSelectionChange);
  return true;
}

// ---- RichEdit -------------------------------------------------------------

namespace {

// The newest rich edit the system has; loaded once and kept for the process.
const wchar_t* RichEditClass() {
  static const wchar_t* const name = [] {
    if (LoadLibraryW(L"Msftedit.dll")) return MSFTEDIT_CLASS;
    if (LoadLibraryW(L"Riched20.dll")) return RICHEDIT_CLASSW;
    return L"EDIT";
  }();
  return name;
}

struct StreamSource {
  const wchar_t* data;
  size_t left;  // bytes
};

DWORD CALLBACK ReadStream(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* got) {
  auto* src = reinterpret_cast<StreamSource*>(cookie);
  const size_t n = std::min(src->left, size_t(size) & ~size_t(1));
  memcpy(buffer, src->data, n);
  src->data += n / sizeof(wchar_t);
  src->left -= n;
  *got = LONG(n);
  return 0;
}

}  // namespace

RichEdit::RichEdit(Container& parent, Bounds bounds) : Control(parent, bounds) {}

void RichEdit::CreateHandle() {
  hwnd_ = CreateChild(RichEditClass(),
                      WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL |
                          ES_AUTOHSCROLL | ES_NOHIDESEL | ES_DISABLENOSCROLL,
                      WS_EX_CLIENTEDGE);
  if (!hwnd_) return;
  // Plain text can only be chosen while the control is empty.
  SendMessageW(hwnd_, EM_SETTEXTMODE, TM_PLAINTEXT | TM_MULTILEVELUNDO | TM_MULTICODEPAGE, 0);
  SendMessageW(hwnd_, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  SendMessageW(hwnd_, EM_SETTARGETDEVICE, 0, 1);  // a line width of 1 means no wrapping
  SendMessageW(hwnd_, EM_SETUNDOLIMIT, 0, 0);
  if (!text_.empty()) StreamIn();
}

void RichEdit::SetText(const std::string& text) {
  text_ = text;
  if (hwnd_) StreamIn();
}

void RichEdit::StreamIn() {
  const std::wstring wide = Widen(text_);
  StreamSource src{wide.data(), wide.size() * sizeof(wchar_t)};
  EDITSTREAM es{};
  es.dwCookie = reinterpret_cast<DWORD_PTR>(&src);
  es.pfnCallback = ReadStream;
  SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
  SendMessageW(hwnd_, EM_STREAMIN, SF_TEXT | SF_UNICODE, reinterpret_cast<LPARAM>(&es));
  SendMessageW(hwnd_, EM_SETSEL, 0, 0);
  SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

bool RichEdit::LoadFromFile(const std::string& path) {
  std::optional<std::string> bytes = ReadTextFile(path);
  if (!bytes) return false;
  if (bytes->compare(0, 3, "\xEF\xBB\xBF") == 0) bytes->erase(0, 3);
  SetText(*bytes);
  return true;
}

bool RichEdit::blank() const { return text_.find_first_not_of(" \t\r\n") == std::string::npos; }

int RichEdit::lineCount() const { return hwnd_ ? int(SendMessageW(hwnd_, EM_GETLINECOUNT, 0, 0)) : 0; }

// ---- NumberEdit -----------------------------------------------------------

NumberEdit::NumberEdit(Container& parent, Bounds bounds, int minimum, int maximum, int value)
    : Control(parent, bounds), min_(minimum), max_(std::max(minimum, maximum)), value_(value) {
  value_ = std::clamp(value_, min_, max_);
  SetControlText(std::to_string(value_));
}

void NumberEdit::CreateHandle() {
  hwnd_ = CreateChild(WC_EDITW, WS_TABSTOP | ES_AUTOHSCROLL | (min_ >= 0 ? ES_NUMBER : 0), WS_EX_CLIENTEDGE,
                      controlText());
  spin_ = CreateWindowExW(WS_EX_NOPARENTNOTIFY, UPDOWN_CLASSW, nullptr,
                          WS_CHILD | (visible() ? WS_VISIBLE : 0) | UDS_SETBUDDYINT | UDS_ALIGNRIGHT |
                              UDS_ARROWKEYS | UDS_NOTHOUSANDS | UDS_HOTTRACK,
                          0, 0, 0, 0, parent().containerHandle(),
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextControlId())), GetModuleHandleW(nullptr),
                          nullptr);
  SendMessageW(spin_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(hwnd_), 0);
  SendMessageW(spin_, UDM_SETRANGE32, WPARAM(min_), LPARAM(max_));
  SendMessageW(spin_, UDM_SETPOS32, 0, LPARAM(value_));
  AdoptWindow(spin_);
  ApplyIncrement();
  if (maxLength_ > 0) SendMessageW(hwnd_, EM_SETLIMITTEXT, WPARAM(maxLength_), 0);
}

void NumberEdit::SetIncrement(int step) {
  step_ = std::max(1, step);
  ApplyIncrement();
}

void NumberEdit::ApplyIncrement() {
  if (!spin_) return;
  UDACCEL accel{0, UINT(step_)};
  SendMessageW(spin_, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
}

void NumberEdit::SetMaxLength(int characters) {
  maxLength_ = std::max(0, characters);
  if (hwnd_) SendMessageW(hwnd_, EM_SETLIMITTEXT, WPARAM(maxLength_), 0);
}

int NumberEdit::value() const {
  const std::string t = controlText();
  char* end = nullptr;
  const long long v = std::strtoll(t.c_str(), &end, 10);
  if (t.empty() || end == t.c_str()) return min_;
  return int(std::clamp<long long>(v, min_, max_));
}

void NumberEdit::SetValue(int value) {
  value_ = std::clamp(value, min_, max_);
  SetControlText(std::to_string(value_));
  if (spin_) SendMessageW(spin_, UDM_SETPOS32, 0, LPARAM(value_));
}

void NumberEdit::SetRange(int minimum, int maximum) {
  min_ = minimum;
  max_ = std::max(minimum, maximum);
  if (spin_) SendMessageW(spin_, UDM_SETRANGE32, WPARAM(min_), LPARAM(max_));
  SetValue(value());
}

void NumberEdit::SetVisible(bool visible) {
  Control::SetVisible(visible);
  if (spin_) ShowWindow(spin_, visible ? SW_SHOWNA : SW_HIDE);
}

void NumberEdit::SetEnabled(bool enabled) {
  Control::SetEnabled(enabled);
  if (spin_) EnableWindow(spin_, enabled);
}

bool NumberEdit::OnCommand(WORD code, HWND from) {
  if (from != hwnd_ || code != EN_CHANGE) return false;
  if (onChange) Fire(onChange);
  return true;
}

// ---- ComboBox -------------------------------------------------------------

ComboBox::ComboBox(Container& parent, Bounds bounds, std::vector<std::string> items)
    : Control(parent, bounds), items_(std::move(items)) {}

void ComboBox::CreateHandle() {
  hwnd_ = CreateChild(WC_COMBOBOXW, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST);
  FillList();
}

void ComboBox::FillList() {
  if (!hwnd_) return;
  SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : items_)
    SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
  SendMessageW(hwnd_, CB_SETCURSEL, WPARAM(index_), 0);
}

void ComboBox::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  index_ = -1;
  FillList();
}

int ComboBox::itemIndex() const {
  return hwnd_ ? int(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0)) : index_;
}

void ComboBox::SetItemIndex(int index) {
  index_ = index >= 0 && index < int(items_.size()) ? index : -1;
  if (hwnd_) SendMessageW(hwnd_, CB_SETCURSEL, WPARAM(index_), 0);
}

std::string ComboBox::text() const {
  const int i = itemIndex();
  return i >= 0 && i < int(items_.size()) ? items_[size_t(i)] : std::string();
}

void ComboBox::ChooseItem(int index) {
  if (!enabled()) return;
  SetItemIndex(index);
  Fire([this] {
    if (onChange) onChange();
  });
}

bool ComboBox::OnCommand(WORD code, HWND) {
  if (code != CBN_SELCHANGE) return false;
  index_ = itemIndex();
  Fire([this] {
    if (onChange) onChange();
  });
  return true;
}

// ---- DateTimePicker -------------------------------------------------------

DateTimePicker::DateTimePicker(Container& parent, Bounds bounds, DateTimeKind kind)
    : Control(parent, bounds), kind_(kind), value_(NowDateTime()) {}

void DateTimePicker::CreateHandle() {
  static const bool registered = [] {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_DATE_CLASSES};
    return InitCommonControlsEx(&icc) != FALSE;
  }();
  (void)registered;
  hwnd_ = CreateChild(DATETIMEPICK_CLASSW,
                      WS_TABSTOP | (kind_ == DateTimeKind::Date ? DTS_SHORTDATEFORMAT : DTS_TIMEFORMAT | DTS_UPDOWN));
  SetValue(value_);
}

double DateTimePicker::value() const {
  if (!hwnd_) return value_;
  SYSTEMTIME st{};
  if (SendMessageW(hwnd_, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)) != GDT_VALID) return value_;
  return SystemTimeToDateTime(st);
}

void DateTimePicker::SetValue(double value) {
  const SYSTEMTIME st = DateTimeToSystemTime(value);
  if (st.wYear < 1601) return;
  value_ = value;
  if (hwnd_) SendMessageW(hwnd_, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
}

bool DateTimePicker::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->code != DTN_DATETIMECHANGE) return false;
  const auto* change = reinterpret_cast<NMDATETIMECHANGE*>(header);
  if (change->dwFlags == GDT_VALID) value_ = SystemTimeToDateTime(change->st);
  result = 0;
  Fire([this] {
    if (onChange) onChange();
  });
  return true;
}

// ---- ProgressBar ----------------------------------------------------------

ProgressBar::ProgressBar(Container& parent, Bounds bounds, int minimum, int maximum)
    : Control(parent, bounds), min_(minimum), max_(std::max(minimum, maximum)), pos_(minimum) {}

void ProgressBar::CreateHandle() {
  hwnd_ = CreateChild(PROGRESS_CLASSW, 0);
  SendMessageW(hwnd_, PBM_SETRANGE32, WPARAM(min_), LPARAM(max_));
  SendMessageW(hwnd_, PBM_SETPOS, WPARAM(pos_), 0);
}

void ProgressBar::SetRange(int minimum, int maximum) {
  min_ = minimum;
  max_ = std::max(minimum, maximum);
  if (hwnd_) SendMessageW(hwnd_, PBM_SETRANGE32, WPARAM(min_), LPARAM(max_));
  SetPosition(pos_);
}

void ProgressBar::SetPosition(int position) {
  pos_ = std::clamp(position, min_, max_);
  if (hwnd_) SendMessageW(hwnd_, PBM_SETPOS, WPARAM(pos_), 0);
}

// ---- Image ----------------------------------------------------------------

namespace {
// The picture that took the mouse button. When a pressed picture hides itself
// (the launcher shows the "down" picture below it), the release may arrive at
// the picture below; it is handed back to the pressed one.
Image* g_pressedImage = nullptr;
}  // namespace

Image::Image(Container& parent, Bounds bounds, HBITMAP picture) : Control(parent, bounds), picture_(picture) {}

// Clipped by its siblings: pictures stacked on one place (the launcher's
// buttons) show the one on top, whatever order they are painted in.
void Image::CreateHandle() { hwnd_ = CreateCustom(L"VelmoraImage", WS_CLIPSIBLINGS); }

void Image::OnHandleLost() {
  if (g_pressedImage == this) g_pressedImage = nullptr;
  tracking_ = pressed_ = false;
}

void Image::SetPicture(HBITMAP picture) {
  owned_.reset();
  picture_ = picture;
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void Image::SetPicture(BitmapHandle picture) {
  picture_ = picture.get();
  owned_ = std::move(picture);
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void Image::SetStretch(bool stretch) {
  stretch_ = stretch;
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void Image::Paint(HDC dc) {
  RECT rc;
  GetClientRect(hwnd_, &rc);
  FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
  if (!picture_) return;
  BITMAP bm{};
  GetObjectW(picture_, sizeof bm, &bm);
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, picture_);
  if (stretch_) {
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
  } else {
    BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
  }
  SelectObject(mem, old);
  DeleteDC(mem);
}

void Image::MouseMove(int x, int y) {
  if (!tracking_) {
    tracking_ = true;
    if (onMouseEnter) Fire(onMouseEnter);
  }
  if (onMouseMove) Fire([&] { onMouseMove(x, y); });
}

void Image::MouseDown(int x, int y) {
  pressed_ = true;
  g_pressedImage = this;
  if (onMouseDown) Fire([&] { onMouseDown(x, y); });
}

void Image::Up(int x, int y) {
  const bool wasPressed = pressed_;
  pressed_ = false;
  if (g_pressedImage == this) g_pressedImage = nullptr;
  if (onMouseUp) Fire([&] { onMouseUp(x, y); });
  RECT rc = PixelRect();
  OffsetRect(&rc, -rc.left, -rc.top);
  if (wasPressed && x >= 0 && y >= 0 && x < rc.right && y < rc.bottom) Click();
}

void Image::MouseUp(int x, int y) { Up(x, y); }

void Image::Click() {
  if (!enabled()) return;
  if (onClick) Fire(onClick);
}

LRESULT Image::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      Paint(dc);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_NCHITTEST:
      if (transparentToMouse) return HTTRANSPARENT;
      break;
    case WM_SETCURSOR:
      if (handCursor && LOWORD(lp) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_MOUSEMOVE: {
      if (!tracking_) {
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd_, 0};
        TrackMouseEvent(&tme);
      }
      MouseMove(short(LOWORD(lp)), short(HIWORD(lp)));
      return 0;
    }
    case WM_MOUSELEAVE:
      tracking_ = false;
      if (onMouseLeave) Fire(onMouseLeave);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetCapture(hwnd_);
      MouseDown(short(LOWORD(lp)), short(HIWORD(lp)));
      return 0;
    case WM_LBUTTONUP: {
      if (GetCapture() == hwnd_) ReleaseCapture();
      const int x = short(LOWORD(lp)), y = short(HIWORD(lp));
      if (g_pressedImage && g_pressedImage != this && g_pressedImage->hwnd_) {
        POINT pt{x, y};
        MapWindowPoints(hwnd_, g_pressedImage->hwnd_, &pt, 1);
        g_pressedImage->Up(pt.x, pt.y);
      } else {
        Up(x, y);
      }
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

// ---- Animation ------------------------------------------------------------

Animation::Animation(Container& parent, Bounds bounds) : Control(parent, bounds) {}

void Animation::CreateHandle() {
  hwnd_ = CreateCustom(L"VelmoraAnimation", 0);
  if (active_) SetTimer(hwnd_, 1, 60, nullptr);
}

void Animation::Start() {
  active_ = true;
  if (hwnd_) SetTimer(hwnd_, 1, 60, nullptr);
}

void Animation::Stop() {
  active_ = false;
  if (hwnd_) {
    KillTimer(hwnd_, 1);
    frame_ = 0;
    InvalidateRect(hwnd_, nullptr, FALSE);
  }
}

void Animation::Paint(HDC dc, const RECT& rc) {
  const int w = rc.right, h = rc.bottom;
  FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
  // A sheet of paper with lines of "text".
  const int pw = w * 5 / 8, ph = h * 7 / 8;
  const int px = (w - pw) / 2, py = (h - ph) / 2;
  HPEN border = CreatePen(PS_SOLID, 1, RGB(128, 128, 128));
  HGDIOBJ oldPen = SelectObject(dc, border);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
  Rectangle(dc, px, py, px + pw, py + ph);
  HPEN line = CreatePen(PS_SOLID, std::max(1, h / 24), RGB(150, 170, 200));
  SelectObject(dc, line);
  const int lines = 6;
  for (int i = 0; i < lines; ++i) {
    const int y = py + ph * (i + 1) / (lines + 1);
    const int len = pw * (i % 3 == 2 ? 5 : 8) / 10;
    MoveToEx(dc, px + pw / 10, y, nullptr);
    LineTo(dc, px + pw / 10 + len, y);
  }
  // The magnifier moves along a figure-eight over the page.
  const double t = frame_ * 0.12;
  const int r = std::max(3, std::min(w, h) / 5);
  const int cx = px + pw / 2 + int(std::sin(t) * (pw / 2 - r / 2));
  const int cy = py + ph / 2 + int(std::sin(2 * t) * (ph / 4));
  HPEN handle = CreatePen(PS_SOLID, std::max(2, r / 2), RGB(90, 60, 30));
  SelectObject(dc, handle);
  MoveToEx(dc, cx + r * 7 / 10, cy + r * 7 / 10, nullptr);
  LineTo(dc, cx + r * 16 / 10, cy + r * 16 / 10);
  HPEN rim = CreatePen(PS_SOLID, std::max(2, r / 4), RGB(60, 60, 70));
  SelectObject(dc, rim);
  HBRUSH glass = CreateSolidBrush(RGB(210, 230, 250));
  SelectObject(dc, glass);
  Ellipse(dc, cx - r, cy - r, cx + r, cy + r);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(border);
  DeleteObject(line);
  DeleteObject(handle);
  DeleteObject(rim);
  DeleteObject(glass);
}

LRESULT Animation::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      ++frame_;
      InvalidateRect(hwnd_, nullptr, FALSE);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      RECT rc;
      GetClientRect(hwnd_, &rc);
      // Drawn off screen first so the sweep does not flicker.
      HDC mem = CreateCompatibleDC(dc);
      HBITMAP bmp = CreateCompatibleBitmap(dc, std::max(1L, rc.right), std::max(1L, rc.bottom));
      HGDIOBJ old = SelectObject(mem, bmp);
      Paint(mem, rc);
      BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
      SelectObject(mem, old);
      DeleteObject(bmp);
      DeleteDC(mem);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_DESTROY:
      KillTimer(hwnd_, 1);
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

// ---- MenuButton -----------------------------------------------------------

MenuButton::MenuButton(Container& parent, Bounds bounds, std::string caption)
    : Button(parent, bounds, std::move(caption)) {}

int MenuButton::AddItem(const std::string& caption) {
  items_.push_back(caption);
  return int(items_.size()) - 1;
}

void MenuButton::ChooseItem(int index) {
  if (index < 0 || size_t(index) >= items_.size() || !enabled()) return;
  if (onItem) Fire([&] { onItem(index); });
}

void MenuButton::DoClick() {
  if (onClick) onClick();
  if (!hwnd_ || items_.empty()) return;
  HMENU menu = CreatePopupMenu();
  for (size_t i = 0; i < items_.size(); ++i)
    AppendMenuW(menu, MF_STRING, UINT_PTR(i + 1), Widen(items_[i]).c_str());
  RECT r;
  GetWindowRect(hwnd_, &r);
  const int chosen = int(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN, r.left,
                                        r.bottom, 0, form().handle(), nullptr));
  DestroyMenu(menu);
  if (chosen > 0) ChooseItem(chosen - 1);
}

// ---- StatusBar ------------------------------------------------------------

StatusBar::StatusBar(Container& parent, bool sizeGrip) : Control(parent, Bounds{}), sizeGrip_(sizeGrip) {}

void StatusBar::CreateHandle() {
  hwnd_ = CreateChild(STATUSCLASSNAMEW, sizeGrip_ ? SBARS_SIZEGRIP : 0);
  ApplyParts();
  for (size_t i = 0; i < texts_.size(); ++i)
    SendMessageW(hwnd_, SB_SETTEXTW, WPARAM(i), reinterpret_cast<LPARAM>(Widen(texts_[i]).c_str()));
}

void StatusBar::SetPanels(const std::vector<int>& widths) {
  widths_ = widths;
  texts_.resize(widths_.size());
  ApplyParts();
}

void StatusBar::ApplyParts() {
  if (!hwnd_ || widths_.empty()) return;
  std::vector<int> edges;
  int x = 0;
  for (int w : widths_) {
    if (w < 0) {
      edges.push_back(-1);
      break;
    }
    x += Scale(w);
    edges.push_back(x);
  }
  SendMessageW(hwnd_, SB_SETPARTS, WPARAM(edges.size()), reinterpret_cast<LPARAM>(edges.data()));
  PlacePanelChildren();
}

void StatusBar::SetText(size_t panel, const std::string& text) {
  if (panel >= texts_.size()) texts_.resize(panel + 1);
  texts_[panel] = text;
  if (hwnd_) SendMessageW(hwnd_, SB_SETTEXTW, WPARAM(panel), reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

std::string StatusBar::text(size_t panel) const {
  if (!hwnd_) return panel < texts_.size() ? texts_[panel] : std::string();
  const LRESULT len = SendMessageW(hwnd_, SB_GETTEXTLENGTHW, WPARAM(panel), 0);
  std::wstring buf(size_t(LOWORD(len)) + 1, L'\0');
  SendMessageW(hwnd_, SB_GETTEXTW, WPARAM(panel), reinterpret_cast<LPARAM>(buf.data()));
  buf.resize(wcslen(buf.c_str()));
  return Narrow(buf);
}

void StatusBar::PlaceInPanel(Control& control, size_t panel) {
  placed_.emplace_back(&control, panel);
  PlacePanelChildren();
}

void StatusBar::PlacePanelChildren() {
  if (!hwnd_) return;
  for (auto& [control, panel] : placed_) {
    if (!control->handle()) continue;
    if (GetParent(control->handle()) != hwnd_) SetParent(control->handle(), hwnd_);
    RECT r{};
    SendMessageW(hwnd_, SB_GETRECT, WPARAM(panel), reinterpret_cast<LPARAM>(&r));
    InflateRect(&r, -1, -1);
    SetWindowPos(control->handle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void StatusBar::OnParentResize() {
  if (!hwnd_) return;
  SendMessageW(hwnd_, WM_SIZE, 0, 0);
  PlacePanelChildren();
}

int StatusBar::height() const {
  if (!hwnd_) return 22;
  RECT r;
  GetWindowRect(hwnd_, &r);
  return MulDiv(r.bottom - r.top, 96, form().dpi());
}

// ---- TabControl and TabPage -----------------------------------------------

TabControl::TabControl(Container& parent, Bounds bounds) : Control(parent, bounds) {}

void TabControl::CreateHandle() {
  hwnd_ = CreateChild(WC_TABCONTROLW, WS_TABSTOP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT);
}

int TabControl::activePageIndex() const {
  if (!hwnd_) return pages_.empty() ? -1 : active_;
  return PageAtTab(int(SendMessageW(hwnd_, TCM_GETCURSEL, 0, 0)));
}

int TabControl::TabIndexOf(const TabPage& page) const {
  int tab = 0;
  for (const TabPage* p : pages_) {
    if (p == &page) return tab;
    if (p->tabVisible()) ++tab;
  }
  return -1;
}

int TabControl::PageAtTab(int tab) const {
  if (tab < 0) return -1;
  for (size_t i = 0; i < pages_.size(); ++i)
    if (pages_[i]->tabVisible() && tab-- == 0) return int(i);
  return -1;
}

TabPage* TabControl::activePage() {
  const int i = activePageIndex();
  return i >= 0 && size_t(i) < pages_.size() ? pages_[size_t(i)] : nullptr;
}

void TabControl::SetActivePageIndex(int index) {
  if (index < 0 || size_t(index) >= pages_.size() || !pages_[size_t(index)]->tabVisible()) return;
  active_ = index;
  if (hwnd_) SendMessageW(hwnd_, TCM_SETCURSEL, WPARAM(TabIndexOf(*pages_[size_t(index)])), 0);
  ShowActive();
}

void TabControl::SetActivePage(TabPage& page) { SetActivePageIndex(page.index()); }

void TabControl::ShowActive() {
  const int active = activePageIndex();
  for (size_t i = 0; i < pages_.size(); ++i) pages_[i]->SetVisible(int(i) == active);
}

bool TabControl::StepPage(bool forward) {
  if (!hwnd_ || !IsWindowEnabled(hwnd_)) return false;
  const int tabs = int(SendMessageW(hwnd_, TCM_GETITEMCOUNT, 0, 0));
  if (tabs < 2) return false;
  const int current = int(SendMessageW(hwnd_, TCM_GETCURSEL, 0, 0));
  const int next = ((current < 0 ? 0 : current) + (forward ? 1 : tabs - 1)) % tabs;
  SendMessageW(hwnd_, TCM_SETCURSEL, WPARAM(next), 0);
  active_ = activePageIndex();
  ShowActive();
  if (onChange) Fire(onChange);
  return true;
}

void TabControl::FitPages() {
  if (!hwnd_) return;
  const RECT r = DisplayRect();
  for (TabPage* page : pages_)
    if (page->handle())
      SetWindowPos(page->handle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT TabControl::DisplayRect() const {
  RECT r{};
  if (!hwnd_) return r;
  GetClientRect(hwnd_, &r);
  SendMessageW(hwnd_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  return r;
}

bool TabControl::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->code == TCN_SELCHANGE) {
    active_ = activePageIndex();
    ShowActive();
    if (onChange) Fire(onChange);
    result = 0;
    return true;
  }
  return false;
}

TabPage::TabPage(TabControl& tabs, std::string caption)
    : Control(tabs.parent(), Bounds{}), tabs_(tabs), caption_(std::move(caption)) {
  tabs_.pages_.push_back(this);
}

TabPage::~TabPage() {
  auto& pages = tabs_.pages_;
  pages.erase(std::remove(pages.begin(), pages.end(), this), pages.end());
}

int TabPage::index() const {
  const auto& pages = tabs_.pages_;
  return int(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TabPage::SetTabVisible(bool visible) {
  if (visible == tabVisible_) return;
  const bool wasActive = tabs_.activePageIndex() == index();
  if (!visible && tabs_.handle()) SendMessageW(tabs_.handle(), TCM_DELETEITEM, WPARAM(tabs_.TabIndexOf(*this)), 0);
  tabVisible_ = visible;
  if (visible && tabs_.handle()) InsertTab();
  if (!visible && wasActive) {
    // The first page still shown takes over.
    tabs_.active_ = tabs_.PageAtTab(0) < 0 ? 0 : tabs_.PageAtTab(0);
  }
  if (tabs_.handle() && tabs_.PageAtTab(0) >= 0)
    SendMessageW(tabs_.handle(), TCM_SETCURSEL, WPARAM(tabs_.TabIndexOf(*tabs_.pages_[size_t(tabs_.active_)])), 0);
  tabs_.ShowActive();
}

void TabPage::InsertTab() {
  std::wstring text = Widen(caption_);
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text.data();
  SendMessageW(tabs_.handle(), TCM_INSERTITEMW, WPARAM(tabs_.TabIndexOf(*this)), reinterpret_cast<LPARAM>(&item));
}

void TabPage::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (tabs_.handle() && tabVisible_) {
    std::wstring text = Widen(caption_);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    SendMessageW(tabs_.handle(), TCM_SETITEMW, WPARAM(tabs_.TabIndexOf(*this)), reinterpret_cast<LPARAM>(&item));
  }
}

void TabPage::CreateHandle() {
  if (!tabs_.handle()) return;
  const int i = index();
  if (tabVisible_) {
    InsertTab();
    if (i == tabs_.active_) SendMessageW(tabs_.handle(), TCM_SETCURSEL, WPARAM(tabs_.TabIndexOf(*this)), 0);
  }
  SetVisible(i == tabs_.active_);
  hwnd_ = CreateCustom(L"VelmoraTabPage", WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT, nullptr, tabs_.handle());
  if (!hwnd_) return;
  const RECT r = tabs_.DisplayRect();
  SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  CreateChildren();
}

LRESULT TabPage::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  if (Reflect(msg, wp, lp, result)) return result;
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

}  // namespace velmora::ui
