#include "ui/menus.h"

#include <algorithm>

#include <cctype>
#include <stdexcept>

#include "platform/text.h"
#include "ui/form.h"

namespace velmora::ui {

namespace {

std::string Upper(std::string s) {
  for (auto& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

WORD KeyFromName(const std::string& name) {
  const std::string n = Upper(name);
  if (n.size() == 1 && ((n[0] >= 'A' && n[0] <= 'Z') || (n[0] >= '0' && n[0] <= '9'))) return WORD(n[0]);
  if (n.size() >= 2 && n[0] == 'F') {
    const std::string digits = n.substr(1);
    if (digits.find_first_not_of("0123456789") == std::string::npos) {
      const int f = std::stoi(digits);
      if (f >= 1 && f <= 24) return WORD(VK_F1 + f - 1);
    }
  }
  static const struct {
    const char* name;
    WORD key;
  } names[] = {{"DEL", VK_DELETE},   {"DELETE", VK_DELETE}, {"INS", VK_INSERT},    {"INSERT", VK_INSERT},
               {"ENTER", VK_RETURN}, {"RETURN", VK_RETURN}, {"ESC", VK_ESCAPE},    {"ESCAPE", VK_ESCAPE},
               {"SPACE", VK_SPACE},  {"TAB", VK_TAB},       {"HOME", VK_HOME},     {"END", VK_END},
               {"PGUP", VK_PRIOR},   {"PGDN", VK_NEXT},     {"UP", VK_UP},         {"DOWN", VK_DOWN},
               {"LEFT", VK_LEFT},    {"RIGHT", VK_RIGHT},   {"BKSP", VK_BACK},     {"BACKSPACE", VK_BACK}};
  for (const auto& entry : names)
    if (n == entry.name) return entry.key;
  return 0;
}

}  // namespace

ACCEL ParseShortcut(const std::string& text, WORD command) {
  ACCEL a{};
  a.fVirt = FVIRTKEY;
  a.cmd = command;
  size_t start = 0;
  std::string last;
  for (;;) {
    // "Ctrl++" is not supported; a '+' always separates.
    const size_t plus = text.find('+', start);
    const std::string part = text.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
    if (plus == std::string::npos) {
      last = part;
      break;
    }
    const std::string m = Upper(part);
    if (m == "CTRL") a.fVirt |= FCONTROL;
    else if (m == "SHIFT") a.fVirt |= FSHIFT;
    else if (m == "ALT") a.fVirt |= FALT;
    else throw std::invalid_argument("unknown shortcut modifier in \"" + text + "\"");
    start = plus + 1;
  }
  a.key = KeyFromName(last);
  if (!a.key) throw std::invalid_argument("unknown shortcut key in \"" + text + "\"");
  return a;
}

MenuItem::MenuItem(Menu& owner, HMENU container, std::string caption, std::string shortcut, bool separator)
    : owner_(owner),
      container_(container),
      caption_(std::move(caption)),
      shortcut_(std::move(shortcut)),
      separator_(separator),
      id_(UINT(owner.form().NextControlId())) {
  if (!shortcut_.empty()) ParseShortcut(shortcut_, WORD(id_));  // fail early on bad text
}

MenuItem::~MenuItem() = default;

void MenuItem::EnsureSubMenu() {
  if (sub_) return;
  sub_ = CreatePopupMenu();
  if (container_) {
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_SUBMENU;
    mi.hSubMenu = sub_;
    SetMenuItemInfoW(container_, id_, FALSE, &mi);
  }
}

MenuItem& MenuItem::Add(const std::string& caption, std::function<void()> click, const std::string& shortcut) {
  EnsureSubMenu();
  auto item = std::unique_ptr<MenuItem>(new MenuItem(owner_, sub_, caption, shortcut, false));
  item->onClick = std::move(click);
  std::wstring text = Widen(caption);
  if (!shortcut.empty()) text += L"\t" + Widen(shortcut);
  AppendMenuW(sub_, MF_STRING, item->id_, text.c_str());
  items_.push_back(std::move(item));
  owner_.Changed();
  return *items_.back();
}

MenuItem& MenuItem::AddSeparator() {
  EnsureSubMenu();
  auto item = std::unique_ptr<MenuItem>(new MenuItem(owner_, sub_, "", "", true));
  AppendMenuW(sub_, MF_SEPARATOR, item->id_, nullptr);
  items_.push_back(std::move(item));
  owner_.Changed();
  return *items_.back();
}

void MenuItem::Clear() {
  if (!sub_) return;
  while (GetMenuItemCount(sub_) > 0) DeleteMenu(sub_, 0, MF_BYPOSITION);
  items_.clear();
  owner_.Changed();
}

void MenuItem::Update() {
  if (!container_) return;
  std::wstring text = Widen(caption_);
  if (!shortcut_.empty()) text += L"\t" + Widen(shortcut_);
  MENUITEMINFOW mi{};
  mi.cbSize = sizeof mi;
  mi.fMask = MIIM_STATE | (separator_ ? 0 : MIIM_STRING);
  mi.fState = (enabled_ ? MFS_ENABLED : MFS_DISABLED) | (checked_ ? MFS_CHECKED : MFS_UNCHECKED);
  mi.dwTypeData = text.data();
  SetMenuItemInfoW(container_, id_, FALSE, &mi);
  owner_.Changed();
}

void MenuItem::SetCaption(const std::string& caption) {
  caption_ = caption;
  Update();
}
void MenuItem::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Update();
}
void MenuItem::SetChecked(bool checked) {
  checked_ = checked;
  Update();
}

void MenuItem::Click() {
  if (!enabled_ || separator_ || !onClick) return;
  owner_.form().RunHandler(onClick);
}

MenuItem* MenuItem::Find(UINT id) {
  if (id_ == id) return this;
  for (auto& item : items_)
    if (MenuItem* found = item->Find(id)) return found;
  return nullptr;
}

void MenuItem::CollectAccelerators(std::vector<ACCEL>& out) const {
  if (!shortcut_.empty() && enabled_) out.push_back(ParseShortcut(shortcut_, WORD(id_)));
  for (const auto& item : items_) item->CollectAccelerators(out);
}

Menu::Menu(Form& form, bool main) : form_(form), main_(main), menu_(main ? CreateMenu() : CreatePopupMenu()) {
  root_ = std::unique_ptr<MenuItem>(new MenuItem(*this, nullptr, "", "", false));
  root_->sub_ = menu_;
  form_.AttachMenu(this);
}

Menu::~Menu() {
  if (scopedAccel_) DestroyAcceleratorTable(scopedAccel_);
  form_.DetachMenu(this);
  root_.reset();
  DestroyMenu(menu_);  // with every sub-menu in it
}

MenuItem& Menu::Add(const std::string& caption, std::function<void()> onClick, const std::string& shortcut) {
  return root_->Add(caption, std::move(onClick), shortcut);
}
MenuItem& Menu::AddSeparator() { return root_->AddSeparator(); }
void Menu::Clear() { root_->Clear(); }

void Menu::AddScope(const Control* control) {
  if (std::find(scope_.begin(), scope_.end(), control) == scope_.end()) scope_.push_back(control);
  form_.AcceleratorsChanged();  // the form's own table leaves this menu out from now on
}

void Menu::RemoveScope(const Control* control) {
  scope_.erase(std::remove(scope_.begin(), scope_.end(), control), scope_.end());
  form_.AcceleratorsChanged();
}

bool Menu::TranslateScoped(const Control* focus, MSG& msg) {
  if (!focus || std::find(scope_.begin(), scope_.end(), focus) == scope_.end() || !form_.handle()) return false;
  if (scopedDirty_) {
    scopedDirty_ = false;
    if (scopedAccel_) DestroyAcceleratorTable(scopedAccel_);
    scopedAccel_ = nullptr;
    std::vector<ACCEL> table;
    CollectAccelerators(table);
    if (!table.empty()) scopedAccel_ = CreateAcceleratorTableW(table.data(), int(table.size()));
  }
  return scopedAccel_ && TranslateAcceleratorW(form_.handle(), scopedAccel_, &msg);
}

void Menu::Changed() {
  scopedDirty_ = true;
  form_.AcceleratorsChanged();
  if (main_ && form_.handle() && GetMenu(form_.handle()) == menu_) DrawMenuBar(form_.handle());
}

void PopupMenu::Popup(int x, int y) {
  if (!form().handle()) return;
  TrackPopupMenu(handle(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, form().handle(), nullptr);
}

void PopupMenu::PopupAtCursor() {
  POINT pt;
  GetCursorPos(&pt);
  Popup(pt.x, pt.y);
}

}  // namespace velmora::ui
