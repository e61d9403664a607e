#include "ui/form.h"

#include <commctrl.h>

#include <algorithm>
#include <initializer_list>
#include <stdexcept>
#include <vector>

#include "platform/text.h"
#include "ui/accessible_name.h"
#include "ui/app.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/form_storage.h"
#include "ui/menus.h"

namespace velmora::ui {

namespace {

constexpr const wchar_t* kFormProp = L"VelmoraForm";
constexpr const wchar_t* kControlProp = L"VelmoraControl";
#ifndef WM_DPICHANGED
constexpr UINT WM_DPICHANGED = 0x02E0;
#endif

HelpHook& HelpHookRef() {
  static HelpHook hook;
  return hook;
}

int& TestDpi() {
  static int dpi = 0;
  return dpi;
}

int SystemDpi() {
  if (TestDpi() > 0) return TestDpi();
  HDC dc = GetDC(nullptr);
  const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
  if (dc) ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : 96;
}

// GetDpiForWindow exists from Windows 10 1607 on; older systems (and Wine
// versions without it) use the screen's one DPI.
int WindowDpi(HWND hwnd) {
  if (TestDpi() > 0) return TestDpi();
  using Fn = UINT(WINAPI*)(HWND);
  static const Fn fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (fn && hwnd) {
    const UINT dpi = fn(hwnd);
    if (dpi) return int(dpi);
  }
  return SystemDpi();
}

FontHandle MessageFont(int dpi) {
  using Fn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  static const Fn forDpi = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi")));
  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof ncm;
  bool ok = forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0, UINT(dpi));
  if (!ok) {
    ok = SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0) != FALSE;
    if (ok) ncm.lfMessageFont.lfHeight = MulDiv(ncm.lfMessageFont.lfHeight, dpi, SystemDpi());
  }
  if (!ok) {
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof ncm.lfMessageFont, &ncm.lfMessageFont);
  }
  return FontHandle(CreateFontIndirectW(&ncm.lfMessageFont));
}

void RegisterFormClass(const std::wstring& name, WNDPROC proc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExW(GetModuleHandleW(nullptr), name.c_str(), &wc)) return;
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  // Icon resource 1 of the program when it has one.
  wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
  if (!wc.hIcon) wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  wc.lpszClassName = name.c_str();
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw std::runtime_error("The window class " + Narrow(name) + " could not be registered: " +
                             SystemErrorText(GetLastError()));
}

}  // namespace

int ScreenDpi() { return SystemDpi(); }
void SetDpiForTests(int dpi) { TestDpi() = dpi > 0 ? dpi : 0; }

void SetHelpHook(HelpHook hook) { HelpHookRef() = std::move(hook); }

void OpenHelpTopic(const std::string& topic) {
  if (HelpHookRef()) HelpHookRef()(topic);
}

// ---- Container ------------------------------------------------------------

int Container::Scale(int value96) const {
  Form& f = const_cast<Container*>(this)->form();
  if (f.args().pixelLayout) return value96;
  return MulDiv(value96, f.dpi(), 96);
}

std::string WithoutAccelerator(const std::string& caption) {
  std::string out;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    out += caption[i];
  }
  return out;
}

void Container::CreateChildren() {
  for (size_t i = 0; i < children_.size(); ++i) children_[i]->Create();
  NameByLabels();
}

namespace {

// Classes whose window text is their content, not a caption.
bool HasNoCaption(HWND h) {
  wchar_t cls[32] = L"";
  GetClassNameW(h, cls, 32);
  for (const wchar_t* c : {L"Edit", L"ListBox", L"ComboBox", L"SysListView32", L"SysTreeView32", L"RICHEDIT50W",
                           L"RichEdit20W", L"SysDateTimePick32", L"msctls_trackbar32"})
    if (lstrcmpiW(cls, c) == 0) return true;
  return false;
}

bool Overlap(int a, int aLength, int b, int bLength) { return a < b + bLength && b < a + aLength; }

}  // namespace

// The label of a control is the nearest one on its row to its left (or a tick
// box or option just before it), else the nearest one just above it; failing both, the group box round it, then the
// page it is on. A name the code gives (SetAccessibleName) comes first.
void Container::NameByLabels() {
  const auto* page = dynamic_cast<const TabPage*>(this);
  for (Control* c : children_) {
    HWND h = c->handle();
    if (!h || !HasNoCaption(h)) continue;
    if (!c->accessibleName_.empty()) {
      NameAs(h, Widen(c->accessibleName_));
      continue;
    }
    const Bounds b = c->bounds();
    const Control* left = nullptr;
    const Control* above = nullptr;
    const Control* group = nullptr;
    int leftGap = 0, aboveGap = 0;
    for (const Control* o : children_) {
      if (o == c || !o->handle()) continue;
      const Bounds l = o->bounds();
      // A tick box or option before a box on its row names it too ("Older
      // than [30] days").
      if (dynamic_cast<const CheckBox*>(o) || dynamic_cast<const RadioButton*>(o)) {
        const int toLeft = b.x - (l.x + l.width);
        if (Overlap(l.y, l.height, b.y, b.height) && toLeft >= -4 && toLeft <= 40 && (!left || toLeft < leftGap)) {
          left = o;
          leftGap = toLeft;
        }
      } else if (dynamic_cast<const Label*>(o)) {
        const int toLeft = b.x - (l.x + l.width), toAbove = b.y - (l.y + l.height);
        if (Overlap(l.y, l.height, b.y, b.height) && toLeft >= -4 && toLeft <= 200 && (!left || toLeft < leftGap)) {
          left = o;
          leftGap = toLeft;
        } else if (Overlap(l.x, l.width, b.x, b.width) && toAbove >= -4 && toAbove <= 30 &&
                   (!above || toAbove < aboveGap)) {
          above = o;
          aboveGap = toAbove;
        }
      } else if (dynamic_cast<const GroupBox*>(o) && l.x <= b.x && l.y <= b.y && l.x + l.width >= b.x + b.width &&
                 l.y + l.height >= b.y + b.height) {
        group = o;
      }
    }
    if (const Control* label = left ? left : above ? above : group) {
      if (GetWindowTextLengthW(label->handle()) > 0) {
        NameByLabel(h, label->handle());
        continue;
      }
    }
    if (page && !page->caption().empty()) NameAs(h, Widen(WithoutAccelerator(page->caption())));
  }
}

void Control::SetAccessibleName(const std::string& name) {
  accessibleName_ = name;
  if (hwnd_ && HasNoCaption(hwnd_)) NameAs(hwnd_, Widen(name));
}

bool Container::Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  HWND child = nullptr;
  switch (msg) {
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
      child = reinterpret_cast<HWND>(lp);
      break;
    case WM_NOTIFY:
      if (lp) child = reinterpret_cast<NMHDR*>(lp)->hwndFrom;
      break;
    case WM_CONTEXTMENU:
      child = reinterpret_cast<HWND>(wp);
      break;
    default:
      return false;
  }
  if (!child) return false;
  auto* control = static_cast<Control*>(GetPropW(child, kControlProp));
  if (!control) return false;
  result = 0;
  switch (msg) {
    case WM_COMMAND:
      return control->OnCommand(HIWORD(wp), child);
    case WM_NOTIFY:
      return control->OnNotify(reinterpret_cast<NMHDR*>(lp), result);
    case WM_CONTEXTMENU: {
      if (!control->popupMenu_) return false;
      int x = short(LOWORD(lp)), y = short(HIWORD(lp));
      if (lp == -1) {  // from the keyboard: below the control's top left corner
        RECT r;
        GetWindowRect(child, &r);
        x = r.left + 8;
        y = r.top + 8;
      }
      control->popupMenu_->Popup(x, y);
      return true;
    }
    default: {
      HBRUSH brush = control->OnColor(reinterpret_cast<HDC>(wp));
      if (!brush) return false;
      result = reinterpret_cast<LRESULT>(brush);
      return true;
    }
  }
}

// ---- Control --------------------------------------------------------------

Control::Control(Container& parent, Bounds bounds) : parent_(parent), bounds_(bounds) {
  parent_.children_.push_back(this);
}

void Control::SetPopupMenu(PopupMenu* menu) {
  if (popupMenu_) popupMenu_->RemoveScope(this);
  popupMenu_ = menu;
  if (popupMenu_) popupMenu_->AddScope(this);
}

Control::~Control() {
  auto& list = parent_.children_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  if (hwnd_) {
    if (!hint_.empty() && form().handle()) {
      TTTOOLINFOW ti{};
      ti.cbSize = sizeof ti;
      ti.hwnd = parent_.containerHandle();
      ti.uId = reinterpret_cast<UINT_PTR>(hwnd_);
      SendMessageW(form().tooltip(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    RemovePropW(hwnd_, kControlProp);
    if (GetWindowLongPtrW(hwnd_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Control::CustomProc))
      SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    HWND h = hwnd_;
    hwnd_ = nullptr;
    DestroyWindow(h);
  }
}

void Control::Create() {
  if (hwnd_ || !parent_.containerHandle()) return;
  id_ = form().NextControlId();
  CreateHandle();
  if (!hwnd_) throw std::runtime_error("A control could not be created: " + SystemErrorText(GetLastError()));
  SetPropW(hwnd_, kControlProp, this);
  if (!initialEnabled_) EnableWindow(hwnd_, FALSE);
  ApplyHint();
}

RECT Control::PixelRect() const {
  return RECT{Scale(bounds_.x), Scale(bounds_.y), Scale(bounds_.x) + Scale(bounds_.width),
              Scale(bounds_.y) + Scale(bounds_.height)};
}

int Control::nextControlId() { return form().NextControlId(); }

HWND Control::CreateChild(const wchar_t* className, DWORD style, DWORD exStyle, const std::string& text, int id) {
  const RECT r = PixelRect();
  style |= WS_CHILD | (initialVisible_ ? WS_VISIBLE : 0);
  HWND h = CreateWindowExW(exStyle | WS_EX_NOPARENTNOTIFY, className, Widen(text).c_str(), style, r.left, r.top,
                           r.right - r.left, r.bottom - r.top, parent_.containerHandle(),
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id ? id : id_)), GetModuleHandleW(nullptr),
                           nullptr);
  if (h) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(form().font()), FALSE);
  return h;
}

void Control::AdoptWindow(HWND companion) {
  if (companion) SetPropW(companion, kControlProp, this);
}

HWND Control::CreateCustom(const wchar_t* className, DWORD style, DWORD exStyle, HCURSOR cursor,
                           HWND parentOverride) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(GetModuleHandleW(nullptr), className, &wc)) {
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &Control::CustomProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = cursor ? cursor : LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = className;
    RegisterClassExW(&wc);
  }
  const RECT r = PixelRect();
  style |= WS_CHILD | (initialVisible_ ? WS_VISIBLE : 0);
  HWND h = CreateWindowExW(exStyle | WS_EX_NOPARENTNOTIFY, className, L"", style, r.left, r.top,
                           r.right - r.left, r.bottom - r.top,
                           parentOverride ? parentOverride : parent_.containerHandle(),
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), GetModuleHandleW(nullptr), this);
  if (h) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(form().font()), FALSE);
  return h;
}

LRESULT CALLBACK Control::CustomProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Control* self = nullptr;
  if (msg == WM_NCCREATE) {
    self = static_cast<Control*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    if (self) self->hwnd_ = hwnd;
  } else {
    self = reinterpret_cast<Control*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    RemovePropW(hwnd, kControlProp);
    self->hwnd_ = nullptr;
    self->OnHandleLost();
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  Form& f = self->form();
  f.EnterHandler();
  LRESULT result = 0;
  try {
    result = self->WndProc(msg, wp, lp);
  } catch (...) {
    Form::ReportException(hwnd);
    result = DefWindowProcW(hwnd, msg, wp, lp);
  }
  f.LeaveHandler();  // may free the form and this control with it
  return result;
}

LRESULT Control::WndProc(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(hwnd_, msg, wp, lp); }

bool Control::visible() const {
  if (!hwnd_) return initialVisible_;
  return (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Control::SetVisible(bool visible) {
  initialVisible_ = visible;
  if (hwnd_) ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

bool Control::enabled() const { return hwnd_ ? IsWindowEnabled(hwnd_) != FALSE : initialEnabled_; }

void Control::SetEnabled(bool enabled) {
  initialEnabled_ = enabled;
  if (hwnd_) EnableWindow(hwnd_, enabled);
}

void Control::SetFocus() {
  if (hwnd_) ::SetFocus(hwnd_);
}

void Control::SetBounds(Bounds bounds) {
  const bool resized = bounds.width != bounds_.width || bounds.height != bounds_.height;
  bounds_ = bounds;
  if (hwnd_) {
    const RECT r = PixelRect();
    SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (resized) OnResized();
  }
}

void Control::SetHint(const std::string& hint) {
  hint_ = hint;
  ApplyHint();
}

void Control::ApplyHint() {
  if (!hwnd_ || hint_.empty() || !form().handle()) return;
  std::wstring text = Widen(hint_);
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = parent_.containerHandle();
  ti.uId = reinterpret_cast<UINT_PTR>(hwnd_);
  ti.lpszText = text.data();
  HWND tip = form().tooltip();
  SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

std::string Control::controlText() const {
  if (!hwnd_) return initialText_;
  const int n = GetWindowTextLengthW(hwnd_);
  std::wstring buf(size_t(n) + 1, L'\0');
  const int got = GetWindowTextW(hwnd_, buf.data(), n + 1);
  buf.resize(size_t(std::max(got, 0)));
  return Narrow(buf);
}

void Control::SetControlText(const std::string& text) {
  initialText_ = text;
  textSet_ = true;
  if (hwnd_) SetWindowTextW(hwnd_, Widen(text).c_str());
}

void Control::Fire(const std::function<void()>& call) { form().RunHandler(call); }

// ---- Form -----------------------------------------------------------------

Form::Form() = default;

Form::~Form() {
  args_.freeOnClose = false;  // already being deleted
  if (hwnd_) {
    ++depth_;
    DestroyWindow(hwnd_);
  }
}

Control* Form::ControlFromHandle(HWND hwnd) { return hwnd ? static_cast<Control*>(GetPropW(hwnd, kControlProp)) : nullptr; }

Form* Form::FromHandle(HWND hwnd) { return hwnd ? static_cast<Form*>(GetPropW(hwnd, kFormProp)) : nullptr; }

namespace {
std::vector<HWND>& OwnerStack() {
  static std::vector<HWND> stack;
  return stack;
}
}  // namespace

OwnerScope::OwnerScope(HWND owner) { OwnerStack().push_back(owner); }
OwnerScope::~OwnerScope() { OwnerStack().pop_back(); }
HWND OwnerScope::Current() {
  for (auto it = OwnerStack().rbegin(); it != OwnerStack().rend(); ++it)
    if (IsWindow(*it)) return *it;
  return nullptr;
}

void Form::Create(const FormArgs& args) {
  if (hwnd_) throw std::logic_error("Form::Create called twice");
  args_ = args;
  if (!args_.owner) args_.owner = OwnerScope::Current();
  const std::wstring cls = Widen(args_.className);
  RegisterFormClass(cls, &Form::StaticProc);

  // No WS_CLIPCHILDREN: group boxes do not paint their inside, the form must.
  DWORD style = 0, ex = WS_EX_CONTROLPARENT;
  switch (args_.style) {
    case FormStyle::Dialog:
      style |= WS_CAPTION | WS_SYSMENU | (args_.minimizeBox ? WS_MINIMIZEBOX : 0);
      if (args_.sizeable) style |= WS_THICKFRAME | WS_MAXIMIZEBOX;
      break;
    case FormStyle::ToolWindow:
      style |= WS_CAPTION | WS_SYSMENU | (args_.sizeable ? WS_THICKFRAME : 0);
      ex |= WS_EX_TOOLWINDOW;
      break;
    case FormStyle::Borderless:
      // Picture windows: the background is painted over the whole client area,
      // so it must not paint over the pictures that sit on it.
      style |= WS_POPUP | WS_CLIPCHILDREN;
      break;
  }
  if (args_.topmost) ex |= WS_EX_TOPMOST;
  HMENU menu = nullptr;
  for (Menu* m : menus_)
    if (m->isMainMenu()) menu = m->handle();

  dpi_ = SystemDpi();
  RECT r{0, 0, Scale(args_.clientWidth), Scale(args_.clientHeight)};
  AdjustWindowRectEx(&r, style, menu != nullptr, ex);
  const int w = r.right - r.left, h = r.bottom - r.top;
  int x = args_.x, y = args_.y;
  if (args_.centered || x == CW_USEDEFAULT) {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    HMONITOR mon = args_.owner ? MonitorFromWindow(args_.owner, MONITOR_DEFAULTTOPRIMARY)
                               : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    GetMonitorInfoW(mon, &mi);
    x = mi.rcWork.left + (mi.rcWork.right - mi.rcWork.left - w) / 2;
    y = mi.rcWork.top + (mi.rcWork.bottom - mi.rcWork.top - h) / 2;
  }
  HWND created = CreateWindowExW(ex, cls.c_str(), Widen(args_.caption).c_str(), style, x, y, w, h, args_.owner,
                                 menu, GetModuleHandleW(nullptr), this);
  if (!created)
    throw std::runtime_error("The window " + args_.className +
                             " could not be created: " + SystemErrorText(GetLastError()));
  if (args_.visible && hwnd_) Show();
}

LRESULT CALLBACK Form::StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Form* self = nullptr;
  if (msg == WM_NCCREATE) {
    self = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    if (self) {
      self->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      SetPropW(hwnd, kFormProp, self);
    }
  } else {
    self = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  self->EnterHandler();
  LRESULT result = 0;
  try {
    result = self->Dispatch(msg, wp, lp);
  } catch (...) {
    ReportException(hwnd);
    result = DefWindowProcW(hwnd, msg, wp, lp);
  }
  self->LeaveHandler();  // may delete self
  return result;
}

void Form::RunHandler(const std::function<void()>& call) {
  HWND owner = hwnd_;
  EnterHandler();
  try {
    if (call) call();
  } catch (...) {
    ReportException(owner);
  }
  LeaveHandler();
}

void Form::LeaveHandler() {
  if (--depth_ > 0) return;
  if (destroyPending_ && hwnd_) {
    destroyPending_ = false;
    ++depth_;
    DestroyWindow(hwnd_);
    --depth_;
  }
  if (destroyed_ && args_.freeOnClose && depth_ == 0) delete this;
}

void Form::ReportException(HWND owner) noexcept {
  std::string text;
  try {
    throw;
  } catch (const std::exception& e) {
    text = e.what();
  } catch (...) {
    text = "An unexpected error occurred.";
  }
  try {
    ReportHandlerError(owner, text);
  } catch (...) {
  }
}

void Form::Relayout(Container& c) {
  for (Control* child : c.children_) {
    // A page is sized by its tab control, not by bounds of its own.
    const bool page = dynamic_cast<TabPage*>(child) != nullptr;
    if (child->hwnd_) {
      SendMessageW(child->hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
      if (!page) child->SetBounds(child->bounds_);
      child->OnDpiChanged();
    }
    if (auto* tabs = dynamic_cast<TabControl*>(child)) tabs->FitPages();
    if (auto* inner = dynamic_cast<Container*>(child)) Relayout(*inner);
  }
}

void Form::LayoutToClient() {
  // Never laid out smaller than designed: a window the screen cuts short (a
  // large DPI on a small screen) shows part of its layout rather than a jumble.
  const int w = std::max(clientWidth(), args_.clientWidth), h = std::max(clientHeight(), args_.clientHeight);
  ApplyAnchors(*this, w - layoutWidth_, h - layoutHeight_);
  layoutWidth_ = w;
  layoutHeight_ = h;
}

void Form::ApplyAnchors(Container& c, int dw, int dh) {
  if (dw == 0 && dh == 0) return;
  for (Control* child : c.children_) {
    if (dynamic_cast<TabPage*>(child)) continue;  // follows its tab control below
    const unsigned a = child->anchors_;
    Bounds b = child->bounds_;
    if (a & akRight) {
      if (a & akLeft) b.width = std::max(0, b.width + dw);
      else b.x += dw;
    }
    if (a & akBottom) {
      if (a & akTop) b.height = std::max(0, b.height + dh);
      else b.y += dh;
    }
    const bool grew = b.width != child->bounds_.width || b.height != child->bounds_.height;
    if (b.x != child->bounds_.x || b.y != child->bounds_.y || grew) child->SetBounds(b);
    if (auto* tabs = dynamic_cast<TabControl*>(child); tabs && grew) {
      tabs->FitPages();
      for (size_t i = 0; i < tabs->pageCount(); ++i)
        ApplyAnchors(tabs->page(i), (a & akLeft) && (a & akRight) ? dw : 0, (a & akTop) && (a & akBottom) ? dh : 0);
    }
  }
}

namespace {
// The tab control the focus is in, else the first one of the container.
TabControl* FindTabs(Container& c, HWND focus) {
  TabControl* first = nullptr;
  for (Control* child : c.children()) {
    if (auto* tabs = dynamic_cast<TabControl*>(child)) {
      if (!tabs->handle() || !IsWindowVisible(tabs->handle())) continue;
      if (focus && (focus == tabs->handle() || IsChild(tabs->handle(), focus))) return tabs;
      for (size_t i = 0; i < tabs->pageCount(); ++i)
        if (TabControl* inner = FindTabs(tabs->page(i), focus); inner && focus && IsChild(inner->handle(), focus))
          return inner;
      if (!first) first = tabs;
    }
  }
  return first;
}
}  // namespace

namespace {
wchar_t LowerChar(wchar_t c) {
  wchar_t s[2] = {c, 0};
  CharLowerW(s);
  return s[0];
}
}  // namespace

std::vector<HWND> Form::MnemonicTargets(wchar_t key) const {
  struct Look {
    HWND form;
    wchar_t key;
    std::vector<HWND> found;
  } look{hwnd_, LowerChar(key), {}};
  EnumChildWindows(
      hwnd_,
      [](HWND h, LPARAM lp) -> BOOL {
        auto* l = reinterpret_cast<Look*>(lp);
        wchar_t cls[16] = L"";
        GetClassNameW(h, cls, 16);
        const LONG type = GetWindowLongW(h, GWL_STYLE) & BS_TYPEMASK;
        if (lstrcmpiW(cls, L"Button") != 0 || type == BS_GROUPBOX) return TRUE;
        if (!IsWindowVisible(h) || !IsWindowEnabled(h)) return TRUE;
        wchar_t text[256] = L"";
        GetWindowTextW(h, text, 256);
        for (const wchar_t* p = text; *p && p[1]; ++p) {
          if (*p != L'&') continue;
          if (p[1] == L'&') {
            ++p;
            continue;
          }
          if (LowerChar(p[1]) == l->key)
            l->found.push_back(h);
          break;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&look));
  return look.found;
}

bool Form::CyclePage(bool forward) {
  TabControl* tabs = FindTabs(*this, GetFocus());
  if (!tabs) return false;
  return tabs->StepPage(forward);
}

void Form::ForgetControls(Container& c) {
  for (Control* child : c.children_) {
    if (child->hwnd_) {
      child->hwnd_ = nullptr;
      child->OnHandleLost();
    }
    if (auto* inner = dynamic_cast<Container*>(child)) ForgetControls(*inner);
  }
}

LRESULT Form::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  switch (msg) {
    case WM_CREATE: {
      const int actual = WindowDpi(hwnd_);
      if (actual != dpi_) {
        dpi_ = actual;
        RECT wr;
        GetWindowRect(hwnd_, &wr);
        RECT r{0, 0, Scale(args_.clientWidth), Scale(args_.clientHeight)};
        AdjustWindowRectEx(&r, DWORD(GetWindowLongW(hwnd_, GWL_STYLE)), GetMenu(hwnd_) != nullptr,
                           DWORD(GetWindowLongW(hwnd_, GWL_EXSTYLE)));
        SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      font_ = MessageFont(dpi_);
      SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
      CreateChildren();
      // The controls are placed for the designed size; a window that came out
      // larger or smaller (a restored placement) moves its anchored ones.
      layoutWidth_ = args_.clientWidth;
      layoutHeight_ = args_.clientHeight;
      if (!args_.pixelLayout) LayoutToClient();
      for (size_t i = 0; i < storages_.size(); ++i) {
        try {
          storages_[i]->Restore();
        } catch (...) {
          ReportException(hwnd_);
        }
      }
      FormCreate();
      return 0;
    }
    case WM_SHOWWINDOW:
      if (wp) FormShow();
      break;
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
        FormDeactivate();
      } else {
        FormActivate();
        // Focus goes back to the control that had it, else the first tab stop.
        HWND target = (lastFocus_ && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_))
                          ? lastFocus_
                          : GetNextDlgTabItem(hwnd_, nullptr, FALSE);
        if (target) {
          ::SetFocus(target);
          return 0;
        }
      }
      break;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_DESTROY:
      FormDestroy();
      // The menus belong to their C++ objects, not to the window.
      if (GetMenu(hwnd_)) SetMenu(hwnd_, nullptr);
      if (tooltip_) {
        DestroyWindow(tooltip_);
        tooltip_ = nullptr;
      }
      break;
    case WM_NCDESTROY: {
      HWND h = hwnd_;
      RemovePropW(h, kFormProp);
      SetWindowLongPtrW(h, GWLP_USERDATA, 0);
      ForgetControls(*this);
      hwnd_ = nullptr;
      destroyed_ = true;
      defaultButton_ = cancelButton_ = lastFocus_ = nullptr;
      if (accel_) {
        DestroyAcceleratorTable(accel_);
        accel_ = nullptr;
        accelDirty_ = true;
      }
      return DefWindowProcW(h, msg, wp, lp);
    }
    case WM_COMMAND:
      if (lp) {
        if (Reflect(msg, wp, lp, result)) return result;
        break;
      }
      if (HIWORD(wp) <= 1) {  // menu (0) or accelerator (1)
        const UINT id = LOWORD(wp);
        if ((id == IDOK && defaultButton_) || (id == IDCANCEL && cancelButton_)) {
          HWND button = id == IDOK ? defaultButton_ : cancelButton_;
          if (IsWindowEnabled(button))
            SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                         reinterpret_cast<LPARAM>(button));
          return 0;
        }
        for (Menu* m : menus_)
          if (MenuItem* item = m->Find(id)) {
            item->Click();
            return 0;
          }
      }
      break;
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CONTEXTMENU:
      if (Reflect(msg, wp, lp, result)) return result;
      break;
    case DM_GETDEFID:
      if (defaultButton_) return MAKELRESULT(GetDlgCtrlID(defaultButton_), DC_HASDEFID);
      return 0;
    case WM_NCHITTEST:
      if (args_.dragByBackground) {
        result = DefWindowProcW(hwnd_, msg, wp, lp);
        return result == HTCLIENT ? HTCAPTION : result;
      }
      break;
    case WM_MOUSEMOVE:
      FormMouseMove(short(LOWORD(lp)), short(HIWORD(lp)));
      break;
    case WM_NCMOUSEMOVE:
      if (args_.dragByBackground && wp == HTCAPTION) {
        POINT pt{short(LOWORD(lp)), short(HIWORD(lp))};
        ScreenToClient(hwnd_, &pt);
        FormMouseMove(pt.x, pt.y);
      }
      break;
    case WM_ERASEBKGND:
      if (background_) {
        HDC dc = reinterpret_cast<HDC>(wp);
        RECT rc;
        GetClientRect(hwnd_, &rc);
        FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, background_);
        BITMAP bm{};
        GetObjectW(background_, sizeof bm, &bm);
        BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
        return 1;
      }
      break;
    case WM_SIZE: {
      if (!args_.pixelLayout && layoutWidth_ > 0 && wp != SIZE_MINIMIZED) LayoutToClient();
      for (size_t i = 0; i < children_.size(); ++i) children_[i]->OnParentResize();
      FormResize();
      break;
    }
    case WM_HELP:
      if (!args_.helpTopic.empty()) {
        OpenHelpTopic(args_.helpTopic);
        return TRUE;
      }
      break;
    case WM_GETMINMAXINFO:
      // A resizable window is never made smaller than its designed size.
      if (args_.sizeable && !args_.pixelLayout) {
        RECT r{0, 0, Scale(args_.clientWidth), Scale(args_.clientHeight)};
        AdjustWindowRectEx(&r, DWORD(GetWindowLongW(hwnd_, GWL_STYLE)), GetMenu(hwnd_) != nullptr,
                           DWORD(GetWindowLongW(hwnd_, GWL_EXSTYLE)));
        auto* info = reinterpret_cast<MINMAXINFO*>(lp);
        info->ptMinTrackSize.x = r.right - r.left;
        info->ptMinTrackSize.y = r.bottom - r.top;
        return 0;
      }
      break;
    case WM_DPICHANGED: {
      // The layout is in 96-dpi units, so the client keeps its size in those
      // units while its pixels, fonts and pictures follow the new DPI.
      // The resize to the suggested rect moves the anchored controls (once, by
      // what the new frame gives in 96-dpi units); Relayout then puts every
      // control at its place at the new scale.
      dpi_ = HIWORD(wp);
      font_ = MessageFont(dpi_);
      const RECT* suggested = reinterpret_cast<const RECT*>(lp);
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      Relayout(*this);
      if (!args_.pixelLayout) LayoutToClient();
      FormDpiChanged();
      return 0;
    }
    default:
      break;
  }
  if (HandleMessage(msg, wp, lp, result)) return result;
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

bool Form::PreTranslate(MSG& msg) {
  if (!hwnd_) return false;
  if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
    if (args_.keyPreview) {
      WORD key = WORD(msg.wParam);
      RunHandler([&] { FormKeyDown(key); });
      if (key == 0 || !hwnd_) return true;
      msg.wParam = key;
    }
    if (msg.wParam == VK_F1 && msg.message == WM_KEYDOWN && !args_.helpTopic.empty()) {
      const std::string topic = args_.helpTopic;
      RunHandler([&] { OpenHelpTopic(topic); });
      return true;
    }
  }
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && GetKeyState(VK_CONTROL) < 0 &&
      GetKeyState(VK_MENU) >= 0) {
    const bool back = GetKeyState(VK_SHIFT) < 0;
    bool changed = false;
    RunHandler([&] { changed = CyclePage(!back); });
    if (changed) return true;
  }
  if (msg.message == WM_SYSCHAR && msg.wParam > L' ') {
    // Captions fixed by their tool can share an Alt key; as on Windows, the key
    // then moves the focus from one to the next instead of pressing the first.
    const std::vector<HWND> targets = MnemonicTargets(wchar_t(msg.wParam));
    if (targets.size() > 1) {
      HWND focus = GetFocus();
      auto at = std::find(targets.begin(), targets.end(), focus);
      ::SetFocus(at == targets.end() || at + 1 == targets.end() ? targets.front() : *(at + 1));
      return true;
    }
  }
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
    // A control that takes Esc itself (a dropped list, an edit in a list) keeps it.
    const LRESULT code = SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
    wchar_t parentClass[32] = L"";
    if (HWND parent = GetParent(msg.hwnd)) GetClassNameW(parent, parentClass, 32);
    const bool controlWants = (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) != 0 ||
                              lstrcmpiW(parentClass, WC_LISTVIEWW) == 0;
    if (!controlWants && args_.escapeCloses) {
      bool busy = false;
      RunHandler([&] { busy = WorkRunning(); });
      if (!busy && hwnd_) {
        if (cancelButton_) SendMessageW(hwnd_, WM_COMMAND, IDCANCEL, 0);
        else Close();
      }
      return true;
    }
  }
  // A control's own popup menu first: its shortcuts belong to it alone.
  if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
    if (const auto* focused = static_cast<const Control*>(GetPropW(msg.hwnd, kControlProp))) {
      for (Menu* m : menus_)
        if (m->scoped() && m->TranslateScoped(focused, msg)) return true;
    }
  }
  if (accelDirty_) RebuildAccelerators();
  if (accel_ && TranslateAcceleratorW(hwnd_, accel_, &msg)) return true;
  if (!hwnd_) return true;
  // Enter presses the default button unless the focused control takes Enter
  // itself (a multi-line edit, a dropped list) or is a push button. Done here
  // rather than by IsDialogMessage: Wine looks the default id up among all
  // descendants, and a date-time picker's own spin child carries id 1 (IDOK).
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && defaultButton_) {
    const LRESULT code = SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
    if (!(code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE | DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) {
      SendMessageW(hwnd_, WM_COMMAND, IDOK, 0);
      return true;
    }
  }
  return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

void Form::RebuildAccelerators() {
  accelDirty_ = false;
  if (accel_) {
    DestroyAcceleratorTable(accel_);
    accel_ = nullptr;
  }
  std::vector<ACCEL> table;
  for (Menu* m : menus_)
    if (!m->scoped()) m->CollectAccelerators(table);
  if (!table.empty()) accel_ = CreateAcceleratorTableW(table.data(), int(table.size()));
}

void Form::Show() {
  if (!hwnd_) return;
  ShowWindow(hwnd_, showCmd_);
  showCmd_ = SW_SHOW;
  UpdateWindow(hwnd_);
}

void Form::Hide() {
  if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

bool Form::visible() const { return hwnd_ && IsWindowVisible(hwnd_); }

bool Form::RunCloseSequence() {
  closing_ = true;
  bool canClose = true;
  try {
    FormCloseQuery(canClose);
  } catch (...) {
    ReportException(hwnd_);
    canClose = false;
  }
  if (canClose) {
    try {
      FormClose();
    } catch (...) {
      ReportException(hwnd_);
    }
    for (size_t i = 0; i < storages_.size(); ++i) {
      try {
        storages_[i]->Save();
      } catch (...) {
        ReportException(hwnd_);
      }
    }
  }
  closing_ = false;
  return canClose;
}

bool Form::Close() {
  if (!hwnd_ || closing_) return false;
  EnterHandler();
  const bool closed = RunCloseSequence();
  if (closed) {
    if (inModal_) {
      if (modalResult_ == mrNone) modalResult_ = mrCancel;
      closeDone_ = true;
    } else if (hwnd_) {
      destroyPending_ = true;
      if (depth_ > 1) ShowWindow(hwnd_, SW_HIDE);  // looks closed while the handler finishes
    }
  }
  LeaveHandler();  // destroys now unless a handler of this form is still running
  return closed;
}

void Form::Destroy() {
  if (!hwnd_) return;
  EnterHandler();
  destroyPending_ = true;
  if (depth_ > 1) ShowWindow(hwnd_, SW_HIDE);
  LeaveHandler();
}

int Form::ShowModal() {
  if (!hwnd_) throw std::logic_error("ShowModal on a window that was not created");
  if (inModal_) throw std::logic_error("ShowModal on a window already modal");
  HWND owner = GetWindow(hwnd_, GW_OWNER);
  const bool reenable = owner && IsWindowEnabled(owner);
  if (reenable) EnableWindow(owner, FALSE);
  EnterHandler();  // keeps this object alive for the loop
  inModal_ = true;
  closeDone_ = false;
  modalResult_ = mrNone;
  OwnerScope owns(hwnd_);  // what this window opens is modal to it
  Show();
  for (;;) {
    if (!hwnd_) {
      if (modalResult_ == mrNone) modalResult_ = mrCancel;
      break;
    }
    if (modalResult_ != mrNone) {
      if (closeDone_) break;
      const int wanted = modalResult_;
      if (RunCloseSequence()) {
        modalResult_ = wanted;
        break;
      }
      modalResult_ = mrNone;
      continue;
    }
    MSG msg;
    const BOOL r = GetMessageW(&msg, nullptr, 0, 0);
    if (r == 0 || r == -1) {
      // The program is ending under this window: its close steps (log block,
      // statistics, saved options) still run, once.
      if (!closeDone_ && hwnd_) RunCloseSequence();
      PostQuitMessage(int(msg.wParam));  // for the outer loop
      modalResult_ = mrCancel;
      break;
    }
    DispatchOneMessage(msg);
  }
  const int result = modalResult_;
  inModal_ = false;
  closeDone_ = false;
  // Enable the owner before hiding so activation returns to it.
  if (reenable && IsWindow(owner)) EnableWindow(owner, TRUE);
  if (hwnd_) {
    ShowWindow(hwnd_, SW_HIDE);
    if (args_.freeOnClose) destroyPending_ = true;
  }
  LeaveHandler();  // may delete this
  return result;
}

std::string Form::caption() const {
  if (!hwnd_) return args_.caption;
  const int n = GetWindowTextLengthW(hwnd_);
  std::wstring buf(size_t(n) + 1, L'\0');
  buf.resize(size_t(std::max(GetWindowTextW(hwnd_, buf.data(), n + 1), 0)));
  return Narrow(buf);
}

void Form::SetCaption(const std::string& caption) {
  args_.caption = caption;
  if (hwnd_) SetWindowTextW(hwnd_, Widen(caption).c_str());
}

int Form::clientWidth() const {
  if (!hwnd_) return args_.clientWidth;
  RECT r;
  GetClientRect(hwnd_, &r);
  return args_.pixelLayout ? r.right : MulDiv(r.right, 96, dpi_);
}

int Form::clientHeight() const {
  if (!hwnd_) return args_.clientHeight;
  RECT r;
  GetClientRect(hwnd_, &r);
  return args_.pixelLayout ? r.bottom : MulDiv(r.bottom, 96, dpi_);
}

bool Form::SetShapeFromBitmap(HBITMAP bitmap, COLORREF transparent) {
  if (!hwnd_ || !bitmap) return false;
  BITMAP bm{};
  if (!GetObjectW(bitmap, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return false;
  const int w = bm.bmWidth, h = bm.bmHeight;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;  // top-down rows
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> pixels(size_t(w) * size_t(h));
  HDC dc = GetDC(nullptr);
  const int rows = GetDIBits(dc, bitmap, 0, UINT(h), pixels.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  if (rows != h) return false;
  // DIB pixels are 0x00RRGGBB.
  const DWORD key = (DWORD(GetRValue(transparent)) << 16) | (DWORD(GetGValue(transparent)) << 8) |
                    DWORD(GetBValue(transparent));
  std::vector<RECT> runs;
  for (int y = 0; y < h; ++y) {
    const DWORD* row = &pixels[size_t(y) * size_t(w)];
    int x = 0;
    while (x < w) {
      while (x < w && (row[x] & 0xFFFFFF) == key) ++x;
      const int start = x;
      while (x < w && (row[x] & 0xFFFFFF) != key) ++x;
      if (x > start) runs.push_back(RECT{start, y, x, y + 1});
    }
  }
  std::vector<char> data(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
  auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
  header->dwSize = sizeof(RGNDATAHEADER);
  header->iType = RDH_RECTANGLES;
  header->nCount = DWORD(runs.size());
  header->nRgnSize = DWORD(runs.size() * sizeof(RECT));
  header->rcBound = RECT{0, 0, w, h};
  if (!runs.empty()) std::copy(runs.begin(), runs.end(), reinterpret_cast<RECT*>(data.data() + sizeof(RGNDATAHEADER)));
  RegionHandle region(ExtCreateRegion(nullptr, DWORD(data.size()), reinterpret_cast<RGNDATA*>(data.data())));
  if (!region) return false;
  // The system owns the region once it is set.
  if (!SetWindowRgn(hwnd_, region.get(), TRUE)) return false;
  region.release();
  return true;
}

void Form::SetBackgroundPicture(HBITMAP bitmap) {
  background_ = bitmap;
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

HWND Form::tooltip() {
  if (!tooltip_ && hwnd_) {
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, Scale(400));
  }
  return tooltip_;
}

void Form::AttachMenu(Menu* menu) {
  menus_.push_back(menu);
  accelDirty_ = true;
  if (hwnd_ && menu->isMainMenu()) {
    SetMenu(hwnd_, menu->handle());
    DrawMenuBar(hwnd_);
  }
}

void Form::DetachMenu(Menu* menu) {
  menus_.erase(std::remove(menus_.begin(), menus_.end(), menu), menus_.end());
  accelDirty_ = true;
  if (hwnd_ && GetMenu(hwnd_) == menu->handle()) SetMenu(hwnd_, nullptr);
}

void Form::AttachStorage(FormStorage* storage) { storages_.push_back(storage); }

void Form::DetachStorage(FormStorage* storage) {
  storages_.erase(std::remove(storages_.begin(), storages_.end(), storage), storages_.end());
}

}  // namespace velmora::ui
