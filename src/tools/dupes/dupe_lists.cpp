#include "tools/dupes/dupe_lists.h"

#include <windows.h>

#include "platform/registry.h"

namespace velmora::dupes {

namespace {
// The settings paths begin with "\"; RegKey wants them without.
std::string_view Path(const std::string& key) {
  std::string_view p = key;
  while (!p.empty() && p.front() == '\\') p.remove_prefix(1);
  return p;
}
}  // namespace

std::optional<std::string> ReadDupeValue(const std::string& name) {
  const RegKey k = RegKey::Open(HKEY_CURRENT_USER, Path(kDupeListKey));
  if (!k) return std::nullopt;
  const auto v = k.ReadValue(name);
  if (!v || (v->type != REG_SZ && v->type != REG_EXPAND_SZ)) return std::nullopt;
  return DecodeRegString(v->data);
}

void WriteDupeValue(const std::string& name, const std::string& text) {
  RegKey::Create(HKEY_CURRENT_USER, Path(kDupeListKey)).WriteString(name, text);
}

bool ReadDupeBool(const std::string& name, bool fallback) { return StoredBool(ReadDupeValue(name), fallback); }
void WriteDupeBool(const std::string& name, bool value) { WriteDupeValue(name, value ? "1" : "0"); }

std::optional<std::vector<ListRow>> LoadList(const std::string& key) {
  const RegKey k = RegKey::Open(HKEY_CURRENT_USER, Path(key));
  if (!k) return std::nullopt;
  const RegKey desc = k.OpenSubKey("Desc");
  std::vector<ListRow> rows;
  for (const std::string& name : k.ValueNames()) {
    if (name.empty()) continue;  // the key's default value names no row
    ListRow row{name, " ", true};
    if (const auto v = k.ReadValue(name)) {
      if (v->type == REG_DWORD && v->data.size() >= 4)
        row.checked = (v->data[0] | v->data[1] | v->data[2] | v->data[3]) != 0;
      else if (v->type == REG_SZ)
        row.checked = StoredBool(DecodeRegString(v->data), true);
    }
    if (desc) {
      if (const auto v = desc.ReadValue(name); v && (v->type == REG_SZ || v->type == REG_EXPAND_SZ))
        row.description = DecodeRegString(v->data);
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

void SaveList(const std::string& key, const std::vector<ListRow>& rows) {
  RegKey::DeleteTree(HKEY_CURRENT_USER, Path(key));
  const RegKey k = RegKey::Create(HKEY_CURRENT_USER, Path(key));
  const RegKey desc = k.CreateSubKey("Desc");
  std::vector<std::string> written;
  for (const ListRow& row : rows) {
    if (row.text.empty()) continue;
    bool taken = false;
    for (const std::string& w : written) taken = taken || SameListText(w, row.text);
    if (taken) continue;
    written.push_back(row.text);
    k.WriteDword(row.text, row.checked ? 1 : 0);
    desc.WriteString(row.text, row.description.empty() ? " " : row.description);
  }
}

}  // namespace velmora::dupes
