#include "shell/list_functions.h"


#include "platform/drives.h"
#include "platform/registry.h"

namespace velmora::shell {

void CheckAllItems(bool checked, ui::ListView& list) {
  list.BeginUpdate();
  for (int row = 0; row < list.itemCount(); ++row) list.SetChecked(row, checked);
  list.EndUpdate();
}

void SelectFixedDrivesByDefault(const std::string& key, const std::string& section, scan::TDiskListView& drives) {
  RegKey k = RegKey::Open(HKEY_CURRENT_USER, key);
  if (k && k.OpenSubKey(section)) return;  // placement stored before: the user's choice stands
  for (int row = 0; row < drives.itemCount(); ++row) {
    const char letter = drives.DriveLetter(row);
    if (letter && DriveType(letter) == DRIVE_FIXED) drives.SetChecked(row, true);
  }
}

int CompareListItems(const ui::ListView& list, int row1, int row2, int column) {
  if (column > 0 && (list.subItemCount(row1) < column || list.subItemCount(row2) < column)) return 0;
  const std::string& a = list.Text(row1, column);
  const std::string& b = list.Text(row2, column);
  const int r = a.compare(b);  // std::string compares bytes as unsigned char
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

}  // namespace velmora::shell
