#include "support/layout_check.h"

#include <commctrl.h>

#include <algorithm>
#include <cwctype>
#include <map>
#include <sstream>

#include "platform/text.h"

namespace velmora::test {

namespace {

std::wstring ClassOf(HWND h) {
  wchar_t name[64] = L"";
  GetClassNameW(h, name, 64);
  return name;
}

std::wstring TextOf(HWND h) {
  const int n = GetWindowTextLengthW(h);
  std::wstring t(size_t(n) + 1, L'\0');
  t.resize(size_t(std::max(0, GetWindowTextW(h, t.data(), n + 1))));
  return t;
}

bool StyleVisible(HWND h) { return (GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE) != 0; }

enum class Kind { PushButton, Check, GroupBox, Label, Other };

Kind KindOf(HWND h) {
  const std::wstring c = ClassOf(h);
  const LONG style = GetWindowLongW(h, GWL_STYLE);
  if (lstrcmpiW(c.c_str(), L"Button") == 0) {
    const LONG type = style & BS_TYPEMASK;
    if (type == BS_GROUPBOX) return Kind::GroupBox;
    if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON ||
        type == BS_3STATE || type == BS_AUTO3STATE)
      return Kind::Check;
    return Kind::PushButton;
  }
  if (lstrcmpiW(c.c_str(), L"Static") == 0 && (style & SS_TYPEMASK) <= SS_RIGHT) return Kind::Label;
  return Kind::Other;
}

RECT RectIn(HWND h, HWND parent) {
  RECT r;
  GetWindowRect(h, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The text's extent with the control's own font; wrapped to `width` when wrap.
SIZE Extent(HWND h, const std::wstring& text, int width, bool wrap) {
  HDC dc = GetDC(h);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)));
  RECT r{0, 0, wrap ? width : 0, 0};
  DrawTextW(dc, text.c_str(), int(text.size()), &r, DT_CALCRECT | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
  SelectObject(dc, old);
  ReleaseDC(h, dc);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

void Children(HWND parent, std::vector<HWND>& out) {
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
}

wchar_t Mnemonic(const std::wstring& t) {
  for (size_t i = 0; i + 1 < t.size(); ++i) {
    if (t[i] != L'&') continue;
    if (t[i + 1] == L'&') {
      ++i;
      continue;
    }
    return wchar_t(std::towlower(t[i + 1]));
  }
  return 0;
}

bool IsPage(HWND h) { return lstrcmpiW(ClassOf(h).c_str(), L"VelmoraTabPage") == 0; }

void CheckContainer(HWND parent, std::vector<std::string>& faults, std::map<wchar_t, HWND> inherited) {
  std::vector<HWND> kids;
  Children(parent, kids);
  std::vector<HWND> shown;
  for (HWND k : kids)
    if (StyleVisible(k) && !IsPage(k)) shown.push_back(k);
  const int dpi = GetDeviceCaps(GetDC(nullptr), LOGPIXELSX);
  (void)dpi;
  // Clipping.
  for (HWND k : shown) {
    const Kind kind = KindOf(k);
    const std::wstring text = TextOf(k);
    if (text.empty() || kind == Kind::Other || kind == Kind::GroupBox) continue;
    RECT rc;
    GetClientRect(k, &rc);
    int room = rc.right;
    if (kind == Kind::Check) room -= GetSystemMetrics(SM_CXMENUCHECK) + GetSystemMetrics(SM_CXEDGE) * 2;
    if (kind == Kind::PushButton) room -= GetSystemMetrics(SM_CXEDGE) * 2 + 2;
    if (kind == Kind::PushButton && SendMessageW(k, BM_GETIMAGE, IMAGE_BITMAP, 0)) room -= 20;
    const bool wrap = kind == Kind::Label && !(GetWindowLongW(k, GWL_STYLE) & SS_LEFTNOWORDWRAP) &&
                      !(GetWindowLongW(k, GWL_STYLE) & SS_ENDELLIPSIS);
    const SIZE need = Extent(k, text, room, wrap);
    if ((!wrap && need.cx > room) || need.cy > rc.bottom)
      faults.push_back("clipped: " + Describe(k) + " needs " + std::to_string(need.cx) + "x" +
                       std::to_string(need.cy) + ", has " + std::to_string(room) + "x" + std::to_string(rc.bottom));
  }
  // Overlaps: a group box holds what is inside it; a stack of one rect is one place.
  for (size_t i = 0; i < shown.size(); ++i)
    for (size_t j = i + 1; j < shown.size(); ++j) {
      HWND a = shown[i], b = shown[j];
      if (KindOf(a) == Kind::GroupBox || KindOf(b) == Kind::GroupBox) continue;
      const RECT ra = RectIn(a, parent), rb = RectIn(b, parent);
      if (EqualRect(&ra, &rb)) continue;
      // A spin button sits on the edge of the edit it belongs to.
      auto buddy = [](HWND spin, HWND other) {
        return lstrcmpiW(ClassOf(spin).c_str(), UPDOWN_CLASSW) == 0 &&
               reinterpret_cast<HWND>(SendMessageW(spin, UDM_GETBUDDY, 0, 0)) == other;
      };
      if (buddy(a, b) || buddy(b, a)) continue;
      RECT both;
      if (IntersectRect(&both, &ra, &rb) && both.right - both.left > 1 && both.bottom - both.top > 1)
        faults.push_back("overlap: " + Describe(a) + " and " + Describe(b));
    }
  // Mnemonics: the window's own controls count on every page.
  std::map<wchar_t, HWND> keys = inherited;
  std::vector<HWND> pages;
  for (HWND k : kids) {
    if (IsPage(k)) {
      pages.push_back(k);
      continue;
    }
    if (lstrcmpiW(ClassOf(k).c_str(), WC_TABCONTROLW) == 0) Children(k, pages);
    if (!StyleVisible(k)) continue;
    const wchar_t m = Mnemonic(TextOf(k));
    if (!m) continue;
    auto [it, added] = keys.emplace(m, k);
    if (!added)
      faults.push_back(std::string("mnemonic: Alt+") + char(m) + " on " + Describe(it->second) + " and " +
                       Describe(k));
  }
  for (HWND p : pages)
    if (IsPage(p)) CheckContainer(p, faults, keys);
}

}  // namespace

std::string Describe(HWND control) {
  std::ostringstream s;
  s << Narrow(ClassOf(control)) << " \"" << Narrow(TextOf(control)) << "\" #" << GetDlgCtrlID(control);
  return s.str();
}

std::vector<std::string> LayoutFaults(HWND form) {
  std::vector<std::string> faults;
  CheckContainer(form, faults, {});
  return faults;
}

std::vector<HWND> TabWalk(HWND form) {
  std::vector<HWND> seen;
  HWND first = GetNextDlgTabItem(form, nullptr, FALSE);
  for (HWND at = first; at && seen.size() < 200;) {
    seen.push_back(at);
    at = GetNextDlgTabItem(form, at, FALSE);
    if (at == first) break;
  }
  return seen;
}

std::vector<HWND> TabStops(HWND form) {
  std::vector<HWND> out;
  struct Ctx {
    HWND form;
    std::vector<HWND>* out;
  } ctx{form, &out};
  EnumChildWindows(
      form,
      [](HWND h, LPARAM lp) -> BOOL {
        auto* c = reinterpret_cast<Ctx*>(lp);
        const LONG style = GetWindowLongW(h, GWL_STYLE);
        if (!(style & WS_TABSTOP) || !IsWindowEnabled(h)) return TRUE;
        // A control parent (a tab strip) holds tab stops; the walk goes into it.
        if (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) return TRUE;
        // Visible up to the form (a hidden page hides what is on it).
        for (HWND p = h; p && p != c->form; p = GetParent(p))
          if (!(GetWindowLongW(p, GWL_STYLE) & WS_VISIBLE)) return TRUE;
        for (HWND p = GetParent(h); p && p != c->form; p = GetParent(p))
          if (!IsWindowEnabled(p)) return TRUE;
        c->out->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&ctx));
  return out;
}

}  // namespace velmora::test
