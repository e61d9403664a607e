#include "ui/form_storage.h"

#include "platform/registry.h"
#include "ui/controls.h"
#include "ui/list_view.h"

namespace velmora::ui {

namespace {

// A stored value of the wrong type is skipped: the default stays.
std::optional<std::int64_t> ReadInt(const RegKey& k, const std::string& name) {
  try {
    if (auto v = k.ReadDword(name)) return std::int64_t(std::int32_t(*v));
  } catch (const RegistryError&) {
  }
  return std::nullopt;
}

std::optional<std::string> ReadText(const RegKey& k, const std::string& name) {
  try {
    return k.ReadString(name);
  } catch (const RegistryError&) {
    return std::nullopt;
  }
}

}  // namespace

FormStorage::FormStorage(Form& form, std::string key, std::string section, bool placement)
    : form_(form), key_(std::move(key)), section_(std::move(section)), placement_(placement) {
  form_.AttachStorage(this);
}

FormStorage::~FormStorage() { form_.DetachStorage(this); }

std::string FormStorage::path() const {
  std::string p = key_;
  while (!p.empty() && p.front() == '\\') p.erase(p.begin());
  if (!p.empty() && p.back() != '\\') p += '\\';
  return p + section_;
}

void FormStorage::Add(CheckBox& c, const std::string& name) {
  entries_.push_back(Entry{name, false, [&c] { return std::int64_t(c.checked()); },
                           [&c](std::int64_t v) { c.SetChecked(v != 0); }, {}, {}});
}

void FormStorage::Add(RadioButton& c, const std::string& name) {
  entries_.push_back(Entry{name, false, [&c] { return std::int64_t(c.checked()); },
                           [&c](std::int64_t v) {
                             if (v) c.SetChecked(true);
                           },
                           {}, {}});
}

void FormStorage::Add(Edit& c, const std::string& name) {
  entries_.push_back(Entry{name, true, {}, {}, [&c] { return c.text(); },
                           [&c](const std::string& v) { c.SetText(v); }});
}

void FormStorage::Add(NumberEdit& c, const std::string& name) {
  entries_.push_back(Entry{name, false, [&c] { return std::int64_t(c.value()); },
                           [&c](std::int64_t v) { c.SetValue(int(v)); }, {}, {}});
}

void FormStorage::Add(ListView& c, const std::string& name) { lists_.emplace_back(&c, name); }

void FormStorage::AddInt(const std::string& name, std::function<int()> get, std::function<void(int)> set) {
  entries_.push_back(Entry{name, false, [get] { return std::int64_t(get()); },
                           [set](std::int64_t v) { set(int(v)); }, {}, {}});
}

void FormStorage::AddString(const std::string& name, std::function<std::string()> get,
                            std::function<void(const std::string&)> set) {
  entries_.push_back(Entry{name, true, {}, {}, std::move(get), std::move(set)});
}

bool FormStorage::SectionExists() const { return RegKey::Exists(HKEY_CURRENT_USER, path()); }

void FormStorage::Restore() {
  RegKey k = RegKey::Open(HKEY_CURRENT_USER, path());
  if (!k) return;
  if (placement_) RestorePlacement(k);
  for (const Entry& e : entries_) {
    if (e.isString) {
      if (auto v = ReadText(k, e.name)) e.setString(*v);
    } else if (auto v = ReadInt(k, e.name)) {
      e.setInt(*v);
    }
  }
  for (auto& [list, name] : lists_)
    for (int c = 0; c < list->columnCount(); ++c)
      if (auto w = ReadInt(k, name + ".Width" + std::to_string(c)))
        if (*w > 0 && *w < 10000) list->SetColumnWidth(c, int(*w));
}

void FormStorage::Save() {
  RegKey k = RegKey::Create(HKEY_CURRENT_USER, path());
  if (placement_) SavePlacement(k);
  for (const Entry& e : entries_) {
    if (e.isString) k.WriteString(e.name, e.getString());
    else k.WriteDword(e.name, std::uint32_t(std::int32_t(e.getInt())));
  }
  // Only widths the user gave are kept: the others follow the list's rules.
  for (auto& [list, name] : lists_)
    for (int c = 0; c < list->columnCount(); ++c) {
      const std::string value = name + ".Width" + std::to_string(c);
      if (list->columnWidthIsUsers(c))
        k.WriteDword(value, std::uint32_t(list->columnWidth(c)));
      else
        k.DeleteValue(value);
    }
}

void FormStorage::SavePlacement(const RegKey& k) {
  HWND h = form_.handle();
  if (!h) return;
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  if (!GetWindowPlacement(h, &wp)) return;
  RECT r = wp.rcNormalPosition;
  // The normal position is in work-area coordinates for windows that are not tool windows.
  if (!(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (GetMonitorInfoW(MonitorFromWindow(h, MONITOR_DEFAULTTOPRIMARY), &mi))
      OffsetRect(&r, mi.rcWork.left - mi.rcMonitor.left, mi.rcWork.top - mi.rcMonitor.top);
  }
  k.WriteDword("Left", std::uint32_t(r.left));
  k.WriteDword("Top", std::uint32_t(r.top));
  k.WriteDword("Width", std::uint32_t(r.right - r.left));
  k.WriteDword("Height", std::uint32_t(r.bottom - r.top));
  k.WriteDword("State", IsZoomed(h) ? 2u : 0u);
}

void FormStorage::RestorePlacement(const RegKey& k) {
  HWND h = form_.handle();
  if (!h) return;
  RECT cur;
  GetWindowRect(h, &cur);
  const auto left = ReadInt(k, "Left"), top = ReadInt(k, "Top");
  const auto width = ReadInt(k, "Width"), height = ReadInt(k, "Height");
  RECT r = cur;
  if (left && top) OffsetRect(&r, int(*left) - cur.left, int(*top) - cur.top);
  // A fixed-size window keeps the size its layout gives it.
  if (form_.args().sizeable && width && height && *width > 0 && *height > 0) {
    r.right = r.left + int(*width);
    r.bottom = r.top + int(*height);
  }
  // Never restore a window onto a monitor that is no longer there.
  if (!MonitorFromRect(&r, MONITOR_DEFAULTTONULL)) return;
  SetWindowPos(h, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  if (auto state = ReadInt(k, "State"); state && *state == 2 && form_.args().sizeable)
    form_.SetShowState(SW_SHOWMAXIMIZED);
}

}  // namespace velmora::ui
