// Helpers for the report-style list views with check boxes.
#pragma once

#include <string>

#include "scan/disk_list_view.h"
#include "ui/list_view.h"

namespace velmora::shell {

// Sets the check mark of every row.
void CheckAllItems(bool checked, ui::ListView& list);

// When the tool has never stored its placement (the key has no sub-key of that
// section's name), checks every fixed drive's row; otherwise does nothing.
void SelectFixedDrivesByDefault(const std::string& key, const std::string& section, scan::TDiskListView& drives);

// The sort comparison of sortable lists: column 0 compares the captions,
// column n sub-item n - 1; byte-wise and case-sensitive; -1, 0 or 1. When a row
// lacks that sub-item the rows compare equal.
int CompareListItems(const ui::ListView& list, int row1, int row2, int column);

}  // namespace velmora::shell
