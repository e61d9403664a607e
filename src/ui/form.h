// The forms layer's window and control base classes.
//
// A window is a class derived from Form. Its controls are member objects built
// with the form (or a tab page) as their parent; they are created, in
// declaration order (which is the tab order), when the form's window is created.
// Call Create() at the end of the most-derived constructor (or right after
// constructing the object); handlers (FormCreate, ...) are virtual members.
//
// Ownership: a window built with FormArgs::freeOnClose must be allocated with
// new; the object deletes itself after its window is destroyed (by Close(), the
// end of ShowModal or Destroy()). Any other form is an ordinary object whose
// window dies with it at the latest. A window is never destroyed while one of its
// own handlers is still running: Close()/Destroy() inside a handler defers the
// destruction until the outermost handler returns.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace velmora::ui {

class Form;
class Control;
class Menu;
class PopupMenu;
class FormStorage;

// Position and size in 96-dpi units (pixels for FormArgs::pixelLayout forms).
struct Bounds {
  int x = 0, y = 0, width = 0, height = 0;
};

// The DPI windows are laid out for: the screen's, unless a test chose another
// with SetDpiForTests (the layout seam the DPI tests use, since Wine reads its
// LogPixels once per process). 0 goes back to the screen's.
int ScreenDpi();
void SetDpiForTests(int dpi);

// Which edges of its parent a control keeps its distance to when the parent is
// resized. Left|Top (the default) stays put; Left|Right widens with the parent;
// Top|Bottom grows taller; Right alone or Bottom alone moves along.
enum Anchor : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
inline constexpr unsigned kAnchorAll = akLeft | akTop | akRight | akBottom;

// Modal results.
enum ModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

// F1 and the help buttons open help topics through this hook; the shell layer
// installs the real one. The default does nothing.
using HelpHook = std::function<void(const std::string& topic)>;
void SetHelpHook(HelpHook hook);
void OpenHelpTopic(const std::string& topic);

// A caption as it reads on screen: "&&" is an ampersand, a lone "&" marks the
// Alt key and is not shown.
std::string WithoutAccelerator(const std::string& caption);

// Something controls can be placed in: a form or a tab page.
class Container {
 public:
  virtual ~Container() = default;
  virtual HWND containerHandle() const = 0;
  virtual Form& form() = 0;
  // 96-dpi units to pixels for this container's window.
  int Scale(int value96) const;
  // The controls placed here, in creation (tab) order.
  const std::vector<Control*>& children() const { return children_; }

 protected:
  Container() = default;
  Container(const Container&) = delete;
  Container& operator=(const Container&) = delete;
  // Creates the registered child controls in order, then names the ones with
  // no caption of their own after their labels.
  void CreateChildren();
  void NameByLabels();
  // WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR* and WM_CONTEXTMENU from a child go
  // back to the child's wrapper.
  bool Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

 private:
  friend class Control;
  friend class Form;
  std::vector<Control*> children_;
};

// Base of every control wrapper.
class Control {
 public:
  Control(Container& parent, Bounds bounds);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  HWND handle() const { return hwnd_; }
  Form& form() const { return parent_.form(); }
  Container& parent() const { return parent_; }

  // The control's own visibility flag (WS_VISIBLE), true even on a form not yet shown.
  bool visible() const;
  virtual void SetVisible(bool visible);
  bool enabled() const;
  virtual void SetEnabled(bool enabled);
  void SetFocus();
  // In 96-dpi units relative to the parent.
  Bounds bounds() const { return bounds_; }
  void SetBounds(Bounds bounds);
  unsigned anchors() const { return anchors_; }
  void SetAnchors(unsigned anchors) { anchors_ = anchors; }

  // Tooltip shown when the mouse rests on the control.
  void SetHint(const std::string& hint);
  const std::string& hint() const { return hint_; }

  // Dropped on a right click (or the menu key) on the control; not owned. Its
  // shortcut keys work only while this control has the focus.
  void SetPopupMenu(PopupMenu* menu);
  PopupMenu* popupMenu() const { return popupMenu_; }

  // A control built after its parent's window exists (a list of options known
  // only at run time) is created by calling this once it is fully constructed.
  void CreateNow() { Create(); }

  // The name a screen reader reads for a control with no caption of its own,
  // where no label names it (ui/accessible_name.h).
  void SetAccessibleName(const std::string& name);

  // Window text as UTF-8 (caption of buttons and labels, text of edits).
  std::string controlText() const;
  void SetControlText(const std::string& text);

 protected:
  // Builds the window(s); called when the parent's window is created.
  virtual void CreateHandle() = 0;
  // Helper for CreateHandle: a child window at bounds() with the form's font.
  HWND CreateChild(const wchar_t* className, DWORD style, DWORD exStyle = 0, const std::string& text = {},
                   int id = 0);
  // Makes a window of one of the layer's own classes whose messages go to WndProc.
  HWND CreateCustom(const wchar_t* className, DWORD style, DWORD exStyle = 0, HCURSOR cursor = nullptr,
                    HWND parentOverride = nullptr);
  // Makes another window (a companion such as a spin or browse button) report
  // its notifications to this control.
  void AdoptWindow(HWND companion);
  virtual LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
  // Reflected notifications; true when handled.
  virtual bool OnCommand(WORD /*code*/, HWND /*from*/) { return false; }
  virtual bool OnNotify(NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
  virtual void OnParentResize() {}
  // The control's own size changed (SetBounds, the anchors' layout).
  virtual void OnResized() {}
  // The window's DPI changed; the control was moved and given the new font.
  virtual void OnDpiChanged() {}
  // WM_CTLCOLOR* for this control; nullptr for the default colours.
  virtual HBRUSH OnColor(HDC /*dc*/) { return nullptr; }
  // Window gone (the parent was destroyed): forget the handle.
  virtual void OnHandleLost() {}
  // Runs an event handler as a handler of the form: counted for deferred
  // destruction, exceptions reported and swallowed.
  void Fire(const std::function<void()>& call);
  int Scale(int value96) const { return parent_.Scale(value96); }
  RECT PixelRect() const;
  int nextControlId();

  HWND hwnd_ = nullptr;
  int id_ = 0;
  std::string accessibleName_;

 private:
  friend class Container;
  friend class Form;
  static LRESULT CALLBACK CustomProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void Create();
  void ApplyHint();
  Container& parent_;
  Bounds bounds_;
  PopupMenu* popupMenu_ = nullptr;
  std::string hint_;
  bool initialVisible_ = true;
  bool initialEnabled_ = true;
  std::string initialText_;
  bool textSet_ = false;
  unsigned anchors_ = akLeft | akTop;
};

enum class FormStyle {
  Dialog,      // caption, system menu, minimise box, fixed frame
  ToolWindow,  // small caption, close box only
  Borderless,  // popup without frame (shaped picture windows)
};

struct FormArgs {
  std::string className = "TVelmoraForm";  // registered window class; documented names like "TfrmJunk"
  std::string caption;
  int clientWidth = 400, clientHeight = 300;  // 96-dpi units
  FormStyle style = FormStyle::Dialog;
  bool sizeable = false;
  bool minimizeBox = true;
  HWND owner = nullptr;
  bool visible = false;  // created shown
  bool centered = true;  // on the owner's monitor work area; else at x, y (pixels, screen)
  int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
  bool keyPreview = false;   // FormKeyDown sees keys before the focused control
  std::string helpTopic;     // opened by F1
  bool freeOnClose = false;  // see the ownership note at the top
  bool dragByBackground = false;  // borderless windows: the background acts as caption
  bool pixelLayout = false;  // positions in pixels, not scaled (picture windows)
  bool topmost = false;
  // Esc closes the window (pressing its cancel button when it has one) unless
  // its work runs; the launcher, which would end the program, turns it off.
  bool escapeCloses = true;
};

// While one lives, a window created without an owner is owned by `owner`, so
// it stays above it and, shown modally, disables it: the launcher opens each
// tool, the log viewer and the help window inside one, and a modal window is
// the owner of what it opens. The innermost scope wins.
class OwnerScope {
 public:
  explicit OwnerScope(HWND owner);
  ~OwnerScope();
  OwnerScope(const OwnerScope&) = delete;
  OwnerScope& operator=(const OwnerScope&) = delete;
  // The owner a new window gets; nullptr outside every scope.
  static HWND Current();
};

class Form : public Container {
 public:
  Form();
  ~Form() override;

  // Creates the window (hidden unless args.visible), its controls, runs FormCreate.
  void Create(const FormArgs& args);
  HWND handle() const { return hwnd_; }
  HWND containerHandle() const override { return hwnd_; }
  Form& form() override { return *this; }
  // The form bound to a window of this layer, or nullptr.
  static Form* FromHandle(HWND hwnd);
  // The control wrapper of one of the layer's windows (nullptr for others).
  static Control* ControlFromHandle(HWND hwnd);

  void Show();
  void Hide();
  bool visible() const;
  // Asks FormCloseQuery, runs FormClose and saves attached storages, then destroys
  // (deferred while a handler runs; in ShowModal, ends the modal loop).
  // False when the close was refused.
  bool Close();
  // Destroys the window without asking (deferred while a handler runs).
  void Destroy();
  // Shows modally: owner disabled, nested message loop until the form closes or
  // a modal result is set; the window is destroyed afterwards (and the object
  // deleted if freeOnClose). Returns the modal result (mrCancel when closed).
  int ShowModal();
  int modalResult() const { return modalResult_; }
  void SetModalResult(int result) { modalResult_ = result; }
  bool inModalLoop() const { return inModal_; }

  std::string caption() const;
  void SetCaption(const std::string& caption);
  const std::string& helpTopic() const { return args_.helpTopic; }
  void SetHelpTopic(const std::string& topic) { args_.helpTopic = topic; }
  bool keyPreview() const { return args_.keyPreview; }
  const FormArgs& args() const { return args_; }

  // Dots per inch of the window (96 until created).
  int dpi() const { return dpi_; }
  HFONT font() const { return font_.get(); }
  // Client area size in 96-dpi units.
  int clientWidth() const;
  int clientHeight() const;

  // Cuts the window's outline from a bitmap: every pixel not of the transparent
  // colour belongs to the window. The bitmap is not kept.
  bool SetShapeFromBitmap(HBITMAP bitmap, COLORREF transparent);
  // Picture painted as the window background at 0,0 (not owned).
  void SetBackgroundPicture(HBITMAP bitmap);

  // Called by the message loops for every message meant for this form or its
  // children: key preview, F1, shortcuts, dialog keys. True when consumed.
  bool PreTranslate(MSG& msg);

 protected:
  virtual void FormCreate() {}
  virtual void FormShow() {}
  virtual void FormCloseQuery(bool& /*canClose*/) {}
  virtual void FormClose() {}
  virtual void FormDestroy() {}
  // Set key to 0 to swallow it. Only called with keyPreview.
  virtual void FormKeyDown(WORD& /*key*/) {}
  virtual void FormActivate() {}
  virtual void FormDeactivate() {}
  virtual void FormResize() {}
  // Mouse over the background (client coordinates, pixels).
  virtual void FormMouseMove(int /*x*/, int /*y*/) {}
  // The window's DPI changed (moved to another monitor): fonts and the layout
  // have followed; pictures drawn for a DPI are drawn again here.
  virtual void FormDpiChanged() {}
  // True while the window's own work (a scan, a removal) runs: Esc then does
  // not close it.
  virtual bool WorkRunning() const { return false; }
  // Anything else; return false for default handling.
  virtual bool HandleMessage(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/, LRESULT& /*result*/) { return false; }

 public:
  // Handler bookkeeping used by controls and loops (not for form code).
  void EnterHandler() { ++depth_; }
  void LeaveHandler();
  // Reports an exception that escaped a handler and swallows it.
  static void ReportException(HWND owner) noexcept;
  int NextControlId() { return nextId_++; }
  HWND tooltip();
  // Menus and storages register themselves.
  void AttachMenu(Menu* menu);
  void DetachMenu(Menu* menu);
  void AttachStorage(FormStorage* storage);
  void DetachStorage(FormStorage* storage);
  void AcceleratorsChanged() { accelDirty_ = true; }
  // Runs a call as a handler of this form (see Control::Fire).
  void RunHandler(const std::function<void()>& call);
  // Show state used by the next Show() (SW_SHOWNORMAL, SW_SHOWMAXIMIZED ...).
  void SetShowState(int showCmd) { showCmd_ = showCmd; }
  // Default and cancel buttons (for Enter/Escape).
  void SetDefaultButton(HWND button) { defaultButton_ = button; }
  void SetCancelButton(HWND button) { cancelButton_ = button; }

 private:
  static LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);
  bool RunCloseSequence();
  void ForgetControls(Container& c);
  void RebuildAccelerators();
  void Relayout(Container& c);
  // Moves and sizes anchored controls by how much their parent changed.
  void ApplyAnchors(Container& c, int dw, int dh);
  void LayoutToClient();
  // Ctrl+Tab, Ctrl+Shift+Tab: the next or previous page of the tab control
  // holding the focus (else the form's first). True when a page changed.
  bool CyclePage(bool forward);
  // The shown, enabled buttons whose caption has this Alt key, in tab order.
  std::vector<HWND> MnemonicTargets(wchar_t key) const;

  HWND hwnd_ = nullptr;
  FormArgs args_;
  int dpi_ = 96;
  FontHandle font_;
  int depth_ = 0;
  bool destroyPending_ = false;
  bool destroyed_ = false;
  bool closing_ = false;
  bool inModal_ = false;
  bool closeDone_ = false;
  int showCmd_ = SW_SHOWNORMAL;
  HWND lastFocus_ = nullptr;
  int modalResult_ = mrNone;
  int nextId_ = 100;
  HWND tooltip_ = nullptr;
  HWND defaultButton_ = nullptr, cancelButton_ = nullptr;
  HBITMAP background_ = nullptr;
  std::vector<Menu*> menus_;
  std::vector<FormStorage*> storages_;
  HACCEL accel_ = nullptr;
  bool accelDirty_ = true;
  // Client size in 96-dpi units the anchored controls were last laid out for.
  int layoutWidth_ = 0, layoutHeight_ = 0;
};

}  // namespace velmora::ui
