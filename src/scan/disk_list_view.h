// TDiskListView: the machine's drives with their shell names and small icons,
// for choosing where to scan. Tools read either the selection (SelectedDrives)
// or the rows' check marks, as each tool needs.
#pragma once

#include <string>

#include "platform/handles.h"
#include "ui/list_view.h"

namespace velmora::scan {

// The drive letter named by a drive row caption: the letter of its last
// "(X:)"; 0 when it has none.
char DriveLetterOfCaption(const std::string& caption);

class TDiskListView : public ui::ListView {
 public:
  // Each tool names the one column ("Drives to scan", "Select drives to scan").
  TDiskListView(ui::Container& parent, ui::Bounds bounds, bool checkBoxes = false,
                const std::string& columnCaption = "Select drives");
  ~TDiskListView() override;

  // Fixed drives are selected by FillDrives.
  bool SelectLocalDrives = true;

  // Refills the rows: one per drive A: to Z: that exists and that the shell names.
  void FillDrives();
  // Letters of the selected rows in row order, upper case ("CD").
  std::string SelectedDrives() const;
  // Letter of one row (0 when its caption names none).
  char DriveLetter(int row) const { return DriveLetterOfCaption(Caption(row)); }

 private:
  HIMAGELIST images_ = nullptr;  // "DiskListViewImageList", owned
};

}  // namespace velmora::scan
