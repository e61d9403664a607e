// Main menus, popup menus and their items; shortcut keys become an accelerator
// table of the owning form, handled by the message loops. A popup menu given to
// controls (Control::SetPopupMenu) is scoped: its shortcuts fire only while one
// of those controls has the focus, so Del on a list removes rows while Del in
// an edit box still deletes a character.
//
//   MainMenu menu{*this};
//   MenuItem& file = menu.Add("&File");
//   file.Add("Select &All", [this] { SelectAll(); }, "Ctrl+A");
//   file.AddSeparator();
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velmora::ui {

class Control;
class Form;
class Menu;

class MenuItem {
 public:
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;
  ~MenuItem();

  std::function<void()> onClick;

  // Adding to an item makes it a sub-menu. The caption may carry "&"; the
  // shortcut is text such as "Ctrl+A", "Del", "Shift+F5".
  MenuItem& Add(const std::string& caption, std::function<void()> onClick = {},
                const std::string& shortcut = {});
  MenuItem& AddSeparator();
  void Clear();

  const std::string& caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  const std::string& shortcut() const { return shortcut_; }
  bool enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool checked() const { return checked_; }
  void SetChecked(bool checked);
  bool separator() const { return separator_; }
  UINT id() const { return id_; }
  size_t count() const { return items_.size(); }
  MenuItem& item(size_t index) { return *items_.at(index); }

  // Runs onClick as a handler of the form, when enabled.
  void Click();

 private:
  friend class Menu;
  MenuItem(Menu& owner, HMENU container, std::string caption, std::string shortcut, bool separator);
  void Update();
  void EnsureSubMenu();
  MenuItem* Find(UINT id);
  void CollectAccelerators(std::vector<ACCEL>& out) const;

  Menu& owner_;
  HMENU container_;  // the menu this item sits in
  HMENU sub_ = nullptr;  // its own sub-menu (owned by the root menu's tree)
  std::string caption_, shortcut_;
  bool separator_;
  bool enabled_ = true, checked_ = false;
  UINT id_;
  std::vector<std::unique_ptr<MenuItem>> items_;
};

// Parses "Ctrl+Shift+S" style text into an accelerator (fVirt, key); throws
// std::invalid_argument for text it does not know.
ACCEL ParseShortcut(const std::string& text, WORD command);

class Menu {
 public:
  Menu(const Menu&) = delete;
  Menu& operator=(const Menu&) = delete;
  virtual ~Menu();

  MenuItem& Add(const std::string& caption, std::function<void()> onClick = {},
                const std::string& shortcut = {});
  MenuItem& AddSeparator();
  void Clear();
  size_t count() const { return root_->count(); }
  MenuItem& item(size_t index) { return root_->item(index); }
  HMENU handle() const { return menu_; }
  Form& form() const { return form_; }
  bool isMainMenu() const { return main_; }

  // Internal: used by the form and its controls.
  MenuItem* Find(UINT id) { return root_->Find(id); }
  void CollectAccelerators(std::vector<ACCEL>& out) const { root_->CollectAccelerators(out); }
  void Changed();
  bool scoped() const { return !scope_.empty(); }
  // Scopes the menu's shortcuts to this control too (a tool-bar button's
  // drop-down menu that acts on a list).
  void AddScope(const Control* control);
  void RemoveScope(const Control* control);
  // With a scoped menu: when `focus` is one of its controls, translates the
  // key message with the menu's own shortcuts; true when one fired.
  bool TranslateScoped(const Control* focus, MSG& msg);

 protected:
  Menu(Form& form, bool main);

 private:
  friend class MenuItem;
  Form& form_;
  bool main_;
  HMENU menu_;
  std::unique_ptr<MenuItem> root_;
  std::vector<const Control*> scope_;
  HACCEL scopedAccel_ = nullptr;
  bool scopedDirty_ = true;
};

// The menu bar of a form; attached when the window is created.
class MainMenu : public Menu {
 public:
  explicit MainMenu(Form& form) : Menu(form, true) {}
};

class PopupMenu : public Menu {
 public:
  explicit PopupMenu(Form& form) : Menu(form, false) {}
  // Shows the menu at a screen position; a chosen item's onClick runs from the
  // form's WM_COMMAND.
  void Popup(int screenX, int screenY);
  void PopupAtCursor();
};

}  // namespace velmora::ui
