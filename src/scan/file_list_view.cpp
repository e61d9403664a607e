#include "scan/file_list_view.h"

#include <shellapi.h>

#include <cmath>
#include <cstdlib>

#include "platform/datetime.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/text.h"
#include "platform/version_info.h"

namespace velmora::scan {

std::string AttributeText(unsigned long a) {
  std::string out = "    ";
  if (a & FILE_ATTRIBUTE_READONLY) out[0] = 'R';
  if (a & FILE_ATTRIBUTE_HIDDEN) out[1] = 'H';
  if (a & FILE_ATTRIBUTE_SYSTEM) out[2] = 'S';
  if (a & FILE_ATTRIBUTE_ARCHIVE) out[3] = 'A';
  return out;
}

namespace {

// A size text that is not a whole number counts as 0.
std::int64_t SizeOf(const std::string& text) {
  if (text.empty()) return 0;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  return end && *end == '\0' ? v : 0;
}

}  // namespace

int CompareFileRows(const std::string& a, const std::string& b, int column, double now) {
  switch (column) {
    case colSize: {
      // 64-bit sizes: the sign of the difference, never a wrapped 32-bit one.
      const std::int64_t x = SizeOf(a), y = SizeOf(b);
      return x < y ? -1 : x > y ? 1 : 0;
    }
    case colModified: {
      // Times closer than 0.864 seconds (a 100,000th of a day) are equal; a
      // text that cannot be read counts as the current time.
      const double x = ParseDateTime(a).value_or(now), y = ParseDateTime(b).value_or(now);
      const double d = std::trunc((x - y) * 100000.0);
      return d < 0 ? -1 : d > 0 ? 1 : 0;
    }
    default:  // "Name" and the text columns
      return CompareNoCase(a, b);
  }
}

TFileListView::TFileListView(ui::Container& parent, ui::Bounds bounds, bool checkBoxes)
    : ui::ListView(parent, bounds, checkBoxes, /*multiSelect=*/true) {
  SetSuiteDateTimeFormats();
  AddColumn("Name", 260);
  AddColumn("Size", 70, ui::ColumnAlign::Right);
  AddColumn("Type", 110);
  AddColumn("Modified", 110);
  AddColumn("Attr", 40, ui::ColumnAlign::Right);
  AddColumn("File Ver", 70, ui::ColumnAlign::Right);
  AddColumn("Prod Ver", 70, ui::ColumnAlign::Right);
  onColumnClick = [this](int column) { ColumnClick(column); };
}

bool TFileListView::AddFile(const std::string& path, std::uint64_t& size) {
  SHFILEINFOW info{};
  if (!SHGetFileInfoW(Widen(path).c_str(), 0, &info, sizeof info, SHGFI_TYPENAME)) return false;
  const auto entry = FindEntry(path);
  if (!entry) return false;
  size = entry->size;
  const int row = AddItem(LowerCase(path));
  SetSubItem(row, 0, std::to_string(entry->size));
  SetSubItem(row, 1, Narrow(info.szTypeName));
  SetSubItem(row, 2, FormatDateTime(FileTimeToLocalDateTime(entry->written)));
  SetSubItem(row, 3, AttributeText(entry->attributes));
  SetSubItem(row, 4, GetVersionString(path, "FileVersion"));
  SetSubItem(row, 5, GetVersionString(path, "ProductVersion"));
  return true;
}

void TFileListView::ColumnClick(int column) {
  if (column == sortColumn_) {
    ascending_ = !ascending_;
  } else {
    sortColumn_ = column;
    ascending_ = true;
  }
  SortRows();
}

void TFileListView::SortRows() {
  const double now = NowDateTime();
  const int column = sortColumn_;
  const bool ascending = ascending_;
  Sort([&](int a, int b) {
    try {
      const int r = CompareFileRows(Text(a, column), Text(b, column), column, now);
      return ascending ? r : -r;
    } catch (...) {
      return 0;  // a failure while comparing counts as equal
    }
  });
}

}  // namespace velmora::scan
