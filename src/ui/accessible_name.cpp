#include "ui/accessible_name.h"

#include <commctrl.h>
#include <oleacc.h>
#include <wrl/client.h>

#include <atomic>

#include "platform/text.h"
#include "ui/form.h"

namespace velmora::ui {

namespace {

using Microsoft::WRL::ComPtr;

constexpr UINT_PTR kSubclassId = 0x56414e4d;  // one subclass per control
constexpr const wchar_t* kNamingProp = L"VelmoraAccessibleName";

// What names one control: a label's window, or a fixed text.
struct Naming {
  HWND label = nullptr;
  std::wstring fixed;

  std::wstring Now() const {
    if (!label) return fixed;
    if (!IsWindow(label)) return {};
    const int n = GetWindowTextLengthW(label);
    std::wstring text(std::size_t(n) + 1, L'\0');
    text.resize(std::size_t(GetWindowTextW(label, text.data(), n + 1)));
    return Widen(WithoutAccelerator(Narrow(text)));
  }
};

// The system's accessible object with the name answered from the Naming.
class NamedAccessible final : public IAccessible {
 public:
  NamedAccessible(ComPtr<IAccessible> inner, std::wstring name) : inner_(std::move(inner)), name_(std::move(name)) {}

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IAccessible)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    // IOleWindow, IEnumVARIANT and the rest are the system object's.
    return inner_->QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return inner_->GetTypeInfoCount(n); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID lcid, ITypeInfo** info) override {
    return inner_->GetTypeInfo(i, lcid, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT n, LCID lcid, DISPID* ids) override {
    return inner_->GetIDsOfNames(iid, names, n, lcid, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT* arg) override {
    return inner_->Invoke(id, iid, lcid, flags, params, result, info, arg);
  }

  // IAccessible: the name of the control itself is ours, all else the system's.
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!name) return E_POINTER;
    if (child.vt == VT_I4 && child.lVal == CHILDID_SELF && !name_.empty()) {
      *name = SysAllocStringLen(name_.data(), UINT(name_.size()));
      return *name ? S_OK : E_OUTOFMEMORY;
    }
    return inner_->get_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return inner_->get_accParent(parent); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* n) override { return inner_->get_accChildCount(n); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    return inner_->get_accChild(child, out);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return inner_->get_accValue(child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
    return inner_->get_accDescription(child, text);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    return inner_->get_accRole(child, role);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return inner_->get_accState(child, state);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override { return inner_->get_accHelp(child, help); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    return inner_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
    return inner_->get_accKeyboardShortcut(child, keys);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return inner_->get_accFocus(child); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
    return inner_->get_accSelection(children);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return inner_->get_accDefaultAction(child, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override { return inner_->accSelect(flags, child); }
  HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT child) override {
    return inner_->accLocation(x, y, w, h, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long dir, VARIANT start, VARIANT* end) override {
    return inner_->accNavigate(dir, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
    return inner_->accHitTest(x, y, child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override { return inner_->accDoDefaultAction(child); }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override { return inner_->put_accName(child, name); }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return inner_->put_accValue(child, value);
  }

 private:
  ~NamedAccessible() = default;
  std::atomic<ULONG> refs_{1};
  ComPtr<IAccessible> inner_;
  std::wstring name_;
};

LRESULT CALLBACK NamedProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data) {
  auto* naming = reinterpret_cast<Naming*>(data);
  if (msg == WM_GETOBJECT && DWORD(lp) == DWORD(OBJID_CLIENT)) {
    const std::wstring name = naming->Now();
    ComPtr<IAccessible> system;
    if (!name.empty() &&
        SUCCEEDED(CreateStdAccessibleObject(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                            reinterpret_cast<void**>(system.GetAddressOf())))) {
      ComPtr<IAccessible> named;
      named.Attach(new NamedAccessible(std::move(system), name));
      return LresultFromObject(__uuidof(IAccessible), wp, named.Get());
    }
  } else if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, NamedProc, id);
    RemovePropW(hwnd, kNamingProp);
    delete naming;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

void Install(HWND control, Naming naming) {
  if (!control) return;
  if (auto* existing = static_cast<Naming*>(GetPropW(control, kNamingProp))) {
    *existing = std::move(naming);
    return;
  }
  // Owned by the window: freed at its WM_NCDESTROY.
  auto* owned = new Naming(std::move(naming));
  if (!SetWindowSubclass(control, NamedProc, kSubclassId, reinterpret_cast<DWORD_PTR>(owned))) {
    delete owned;
    return;
  }
  SetPropW(control, kNamingProp, owned);
}

}  // namespace

void NameByLabel(HWND control, HWND label) { Install(control, Naming{label, {}}); }

void NameAs(HWND control, const std::wstring& name) { Install(control, Naming{nullptr, name}); }

std::wstring AccessibleNameOf(HWND control) {
  ComPtr<IAccessible> acc;
  if (FAILED(AccessibleObjectFromWindow(control, DWORD(OBJID_CLIENT), __uuidof(IAccessible),
                                        reinterpret_cast<void**>(acc.GetAddressOf()))))
    return {};
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  if (acc->get_accName(self, &name) != S_OK || !name) return {};
  std::wstring out(name, SysStringLen(name));
  SysFreeString(name);
  return out;
}

}  // namespace velmora::ui
