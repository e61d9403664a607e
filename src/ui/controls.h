// The standard controls of the forms layer. Each is a member of a form (or a
// tab page), built with its parent and its bounds in 96-dpi units; events are
// typed std::function members. Every getter and setter works on a window that
// has never been shown; Click()-style members act as the user would, from code.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "ui/dialogs.h"
#include "ui/form.h"

namespace velmora::ui {

enum class ButtonRole {
  Normal,
  Default,  // pressed by Enter
  Cancel,   // pressed by Escape
};

class Button : public Control {
 public:
  Button(Container& parent, Bounds bounds, std::string caption = {}, ButtonRole role = ButtonRole::Normal);

  std::function<void()> onClick;
  // When not mrNone, clicking sets the form's modal result (ending ShowModal).
  int modalResult = mrNone;

  std::string caption() const { return controlText(); }
  void SetCaption(const std::string& caption) { SetControlText(caption); }
  ButtonRole role() const { return role_; }
  // A picture shown with the caption (not owned).
  void SetGlyph(HBITMAP glyph);
  HBITMAP glyph() const { return glyph_; }
  // Clicks the button as the user would: nothing when disabled.
  void Click();

 protected:
  void CreateHandle() override;
  bool OnCommand(WORD code, HWND from) override;
  // What a click does; MenuButton drops its menu here.
  virtual void DoClick();

 private:
  ButtonRole role_;
  HBITMAP glyph_ = nullptr;
};

class CheckBox : public Control {
 public:
  CheckBox(Container& parent, Bounds bounds, std::string caption = {}, bool checked = false);

  std::function<void()> onClick;

  bool checked() const;
  // Sets the mark without running onClick.
  void SetChecked(bool checked);
  std::string caption() const { return controlText(); }
  void SetCaption(const std::string& caption) { SetControlText(caption); }
  // Toggles the mark and runs onClick, when enabled.
  void Click();

 protected:
  void CreateHandle() override;
  bool OnCommand(WORD code, HWND from) override;

 private:
  bool checked_;
};

// Radio buttons of one parent form a group from a button built with
// groupStart = true up to the next such button.
class RadioButton : public Control {
 public:
  RadioButton(Container& parent, Bounds bounds, std::string caption = {}, bool groupStart = false);

  std::function<void()> onClick;

  bool checked() const;
  // Checking one unchecks the others of its group; onClick does not run.
  void SetChecked(bool checked);
  std::string caption() const { return controlText(); }
  void SetCaption(const std::string& caption) { SetControlText(caption); }
  void Click();

 protected:
  void CreateHandle() override;
  bool OnCommand(WORD code, HWND from) override;

 private:
  void UncheckOthers();
  bool groupStart_;
  bool checked_ = false;
};

enum class TextAlign { Left, Center, Right };

class Label : public Control {
 public:
  Label(Container& parent, Bounds bounds, std::string caption = {}, TextAlign align = TextAlign::Left);

  // A click on the text (explanatory labels that tick their option).
  std::function<void()> onClick;
  void Click();

  std::string caption() const { return controlText(); }
  void SetCaption(const std::string& caption);
  // Drawn without a background (over a form's background picture).
  void SetTransparent(bool transparent, COLORREF textColor = RGB(0, 0, 0));
  // Bold and/or larger text (points added to the form font's size).
  void SetFontStyle(bool bold, int extraPoints = 0);
  // Long text breaks into lines (default) or is cut at the edge.
  void SetWordWrap(bool wrap) { wordWrap_ = wrap; }

 protected:
  void CreateHandle() override;
  bool OnCommand(WORD code, HWND from) override;
  HBRUSH OnColor(HDC dc) override;

 private:
  void ApplyFont();
  TextAlign align_;
  bool transparent_ = false;
  COLORREF textColor_ = RGB(0, 0, 0);
  bool wordWrap_ = true;
  bool bold_ = false;
  int extraPoints_ = 0;
  FontHandle font_;
};

class GroupBox : public Control {
 public:
  GroupBox(Container& parent, Bounds bounds, std::string caption = {});
  std::string caption() const { return controlText(); }
  void SetCaption(const std::string& caption) { SetControlText(caption); }

 protected:
  void CreateHandle() override;
};

class Edit : public Control {
 public:
  Edit(Container& parent, Bounds bounds, std::string text = {});

  // Runs whenever the text changes (typing or SetText).
  std::function<void()> onChange;

  std::string text() const { return controlText(); }
  void SetText(const std::string& text) { SetControlText(text); }
  bool readOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  void SelectAll();
  // Current selection as character positions.
  std::pair<int, int> selection() const;

 protected:
  void CreateHandle() override;
  bool OnCommand(WORD code, HWND from) override;
  virtual DWORD EditStyle() const { return ES_AUTOHSCROLL; }
  bool readOnly_ = false;
};

enum class BrowseKind { Folder, OpenFile, SaveFile };

// An edit with a "..." button that runs a chooser through dialogs().
class EditWithBrowse : public Edit {
 public:
  EditWithBrowse(Container& parent, Bounds bounds, BrowseKind kind = BrowseKind::Folder, std::string prompt = {});

  // Folder prompt or file dialog title; file filter and default extension.
  std::string prompt;
  FileDialogOptions fileOptions;
  bool allowCreateFolder = true;
  // After a choice was put into the edit.
  std::function<void()> onBrowsed;

  // Runs the chooser as the "..." button does; true when something was chosen.
  bool Browse();
  HWND browseButton() const { return button_; }
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;

 protected:
  void CreateHandle() override;
  bool OnCommand(WORD code, HWND from) override;
  void OnHandleLost() override { button_ = nullptr; }

 private:
  BrowseKind kind_;
  HWND button_ = nullptr;
};

// Multi-line edit; line breaks are "\r\n" inside the control.
class Memo : public Edit {
 public:
  Memo(Container& parent, Bounds bounds, bool readOnly = false, bool wordWrap = false);

  // Text with lone "\n" turned into "\r\n".
  void SetText(const std::string& text);
  // Adds text at the end and scrolls it into view.
  void Append(const std::string& text);
  // Adds text and a line break.
  void AppendLine(const std::string& line) { Append(line + "\r\n"); }
  void Clear() { SetText(std::string()); }
  int lineCount() const;
  // Caret to the end of the text, scrolled into view.
  void ScrollToEnd();

 protected:
  void CreateHandle() override;
  DWORD EditStyle() const override;

 private:
  bool wordWrap_;
};

// A list of texts, one selectable at a time. A sorted list keeps its rows in
// the suite's case-insensitive order (CompareNoCase), in the object and in
// the window alike, whatever order they were added in.
class ListBox : public Control {
 public:
  ListBox(Container& parent, Bounds bounds, bool sorted = false);

  // Runs when the user selects another row (not when set from code).
  std::function<void()> onSelectionChange;

  // Adds a row where the order puts it (at the end when unsorted); its index.
  int AddItem(const std::string& text);
  void DeleteItem(int index);
  void Clear();
  int itemCount() const { return int(items_.size()); }
  const std::string& item(int index) const { return items_.at(size_t(index)); }
  const std::vector<std::string>& items() const { return items_; }
  bool sorted() const { return sorted_; }
  // The selected row; -1 when none.
  int itemIndex() const;
  void SetItemIndex(int index);

 protected:
  void CreateHandle() override;
  bool OnCommand(WORD code, HWND from) override;

 private:
  bool sorted_;
  std::vector<std::string> items_;
  int selected_ = -1;
};

// A read-only rich edit showing plain text: no wrapping, both scroll bars,
// and no practical limit on the text's length (reports run to many thousand
// lines). The text is kept in the object too, so a never-shown window has it.
class RichEdit : public Control {
 public:
  RichEdit(Container& parent, Bounds bounds);

  // The text as given (UTF-8); line breaks may be CR LF, CR or LF.
  void SetText(const std::string& text);
  const std::string& text() const { return text_; }
  void Clear() { SetText(std::string()); }
  // Loads a UTF-8 text file; false (the view unchanged) when it cannot be read.
  bool LoadFromFile(const std::string& path);
  // True when the text holds nothing but blanks and line breaks.
  bool blank() const;
  // Lines the control shows (0 before its window exists).
  int lineCount() const;

 protected:
  void CreateHandle() override;

 private:
  void StreamIn();
  std::string text_;
};

// A number edit with a spin (up-down) control.
class NumberEdit : public Control {
 public:
  NumberEdit(Container& parent, Bounds bounds, int minimum = 0, int maximum = 100, int value = 0);

  std::function<void()> onChange;

  // The typed number clamped to the range (the minimum when the text is no number).
  int value() const;
  void SetValue(int value);
  int minimum() const { return min_; }
  int maximum() const { return max_; }
  void SetRange(int minimum, int maximum);
  // The spin control's step (1 unless set).
  void SetIncrement(int step);
  int increment() const { return step_; }
  // The most characters that can be typed (0: no limit).
  void SetMaxLength(int characters);
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  HWND spin() const { return spin_; }

 protected:
  void CreateHandle() override;
  bool OnCommand(WORD code, HWND from) override;
  void OnHandleLost() override { spin_ = nullptr; }

 private:
  void ApplyIncrement();
  int min_, max_, value_;
  int step_ = 1;
  int maxLength_ = 0;
  HWND spin_ = nullptr;
};

// A drop-down list to choose one of fixed items (no typing). Its bounds'
// height is that of the dropped list; the closed box takes the font's height.
class ComboBox : public Control {
 public:
  ComboBox(Container& parent, Bounds bounds, std::vector<std::string> items = {});

  // Runs when the user chooses another item (not when set from code).
  std::function<void()> onChange;

  const std::vector<std::string>& items() const { return items_; }
  void SetItems(std::vector<std::string> items);
  // -1 when nothing is chosen.
  int itemIndex() const;
  void SetItemIndex(int index);
  std::string text() const;
  // Chooses an item as the user would, running onChange.
  void ChooseItem(int index);

 protected:
  void CreateHandle() override;
  bool OnCommand(WORD code, HWND from) override;

 private:
  void FillList();
  std::vector<std::string> items_;
  int index_ = -1;
};

enum class DateTimeKind { Date, Time };

// A date or a time of day with the system's picker. The value is a whole
// date-time (days since 30 December 1899); a date picker shows its date, a
// time picker its time of day, and each keeps the other part as set.
class DateTimePicker : public Control {
 public:
  DateTimePicker(Container& parent, Bounds bounds, DateTimeKind kind);

  // Runs when the user changes the value (not when set from code).
  std::function<void()> onChange;

  DateTimeKind kind() const { return kind_; }
  double value() const;
  // Dates outside the picker's range (before 1601) are not taken.
  void SetValue(double value);

 protected:
  void CreateHandle() override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;

 private:
  DateTimeKind kind_;
  double value_;
};

class ProgressBar : public Control {
 public:
  ProgressBar(Container& parent, Bounds bounds, int minimum = 0, int maximum = 100);

  int minimum() const { return min_; }
  int maximum() const { return max_; }
  void SetRange(int minimum, int maximum);
  int position() const { return pos_; }
  void SetPosition(int position);  // clamped to the range
  void StepBy(int delta) { SetPosition(pos_ + delta); }

 protected:
  void CreateHandle() override;

 private:
  int min_, max_, pos_ = 0;
};

// A picture control. Launcher buttons are stacks of these at one place, shown
// and hidden by the mouse events.
class Image : public Control {
 public:
  Image(Container& parent, Bounds bounds, HBITMAP picture = nullptr);

  std::function<void(int x, int y)> onMouseMove;
  std::function<void()> onMouseEnter;
  std::function<void()> onMouseLeave;
  std::function<void(int x, int y)> onMouseDown;
  std::function<void(int x, int y)> onMouseUp;
  std::function<void()> onClick;

  // Not owned.
  void SetPicture(HBITMAP picture);
  // Owned by the control.
  void SetPicture(BitmapHandle picture);
  HBITMAP picture() const { return picture_; }
  // Drawn at the control's size instead of 1:1 at the top left.
  void SetStretch(bool stretch);
  bool handCursor = false;
  // Mouse messages pass through to the window below (a background picture).
  bool transparentToMouse = false;

  // Drive the mouse from code, in client pixels; MouseUp inside clicks.
  void MouseMove(int x, int y);
  void MouseDown(int x, int y);
  void MouseUp(int x, int y);
  void Click();

 protected:
  void CreateHandle() override;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnHandleLost() override;

 private:
  void Paint(HDC dc);
  void Up(int x, int y);
  HBITMAP picture_;
  BitmapHandle owned_;
  bool stretch_ = false;
  bool tracking_ = false;
  bool pressed_ = false;
};

// The search animation: a magnifier sweeping over a page, drawn with GDI and
// moved by a timer while active.
class Animation : public Control {
 public:
  Animation(Container& parent, Bounds bounds);

  void Start();
  void Stop();
  bool active() const { return active_; }
  int frame() const { return frame_; }

 protected:
  void CreateHandle() override;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnHandleLost() override { active_ = false; }

 private:
  void Paint(HDC dc, const RECT& rc);
  bool active_ = false;
  int frame_ = 0;
};

// A button that drops a menu of numbered items.
class MenuButton : public Button {
 public:
  MenuButton(Container& parent, Bounds bounds, std::string caption = {});

  std::function<void(int index)> onItem;

  // Returns the new item's index.
  int AddItem(const std::string& caption);
  size_t itemCount() const { return items_.size(); }
  const std::string& item(size_t index) const { return items_.at(index); }
  // Chooses an item as the user would from the dropped menu.
  void ChooseItem(int index);

 protected:
  void DoClick() override;

 private:
  std::vector<std::string> items_;
};

// The status bar docks at the bottom of its parent. Panels have widths in
// 96-dpi units; -1 for the last panel takes the rest.
class StatusBar : public Control {
 public:
  explicit StatusBar(Container& parent, bool sizeGrip = false);

  void SetPanels(const std::vector<int>& widths);
  size_t panelCount() const { return widths_.size(); }
  void SetText(size_t panel, const std::string& text);
  std::string text(size_t panel) const;
  // Puts a control (such as a ProgressBar) inside a panel, kept there on resize.
  void PlaceInPanel(Control& control, size_t panel);
  // Height in 96-dpi units.
  int height() const;

 protected:
  void CreateHandle() override;
  void OnParentResize() override;

 private:
  void ApplyParts();
  void PlacePanelChildren();
  bool sizeGrip_;
  std::vector<int> widths_;
  std::vector<std::string> texts_;
  std::vector<std::pair<Control*, size_t>> placed_;
};

class TabPage;

class TabControl : public Control {
 public:
  TabControl(Container& parent, Bounds bounds);

  // Runs when the user picks another tab (not when set from code).
  std::function<void()> onChange;

  size_t pageCount() const { return pages_.size(); }
  TabPage& page(size_t index) { return *pages_.at(index); }
  int activePageIndex() const;
  TabPage* activePage();
  // Shows that page and hides the others.
  void SetActivePageIndex(int index);
  void SetActivePage(TabPage& page);
  // The next (or previous) page whose tab is shown, wrapping round, as a click
  // on its tab would (onChange runs). False when there is no other page.
  bool StepPage(bool forward);
  // Sizes every page to the display area (after the control was resized).
  void FitPages();

 protected:
  void CreateHandle() override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;

 private:
  friend class TabPage;
  void ShowActive();
  // Tab positions count only the pages whose tab is shown.
  int TabIndexOf(const TabPage& page) const;
  int PageAtTab(int tab) const;
  RECT DisplayRect() const;
  std::vector<TabPage*> pages_;
  int active_ = 0;
};

// A page of a TabControl: a container for its own controls. Build pages right
// after their tab control, then the pages' controls.
class TabPage : public Control, public Container {
 public:
  TabPage(TabControl& tabs, std::string caption);
  ~TabPage() override;

  HWND containerHandle() const override { return hwnd_; }
  Form& form() override { return Control::form(); }
  const std::string& caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  int index() const;
  TabControl& tabs() const { return tabs_; }
  // Shows or removes the page's tab; a page without its tab cannot be chosen.
  void SetTabVisible(bool visible);
  bool tabVisible() const { return tabVisible_; }

 protected:
  void CreateHandle() override;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void InsertTab();
  TabControl& tabs_;
  std::string caption_;
  bool tabVisible_ = true;
};

}  // namespace velmora::ui
