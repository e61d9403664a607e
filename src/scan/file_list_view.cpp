#include "scan/file_list_view.h"

#include <shellapi.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/datetime.h"
#include "platform/files.h"
#include "platform/handles.h"
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

// Sort keys of the numeric columns: the size, or the date-time in days.
double NumericKey(const std::string& text, int column, double now) {
  // A size that is not a number counts as 0; a date text that cannot be read
  // counts as the current time.
  return column == colSize ? double(SizeOf(text)) : ParseDateTime(text).value_or(now);
}

int CompareNumericKeys(double x, double y, int column) {
  // Modified: the difference in days times 100,000, truncated, so times closer
  // than 0.864 seconds are equal.
  const double d = column == colModified ? std::trunc((x - y) * 100000.0) : x - y;
  return d < 0 ? -1 : d > 0 ? 1 : 0;
}

}  // namespace

int CompareFileRows(const std::string& a, const std::string& b, int column, double now) {
  if (column == colSize || column == colModified)
    return CompareNumericKeys(NumericKey(a, column, now), NumericKey(b, column, now), column);
  return CompareNoCase(a, b);  // "Name" and the text columns
}

TFileListView::TFileListView(ui::Container& parent, ui::Bounds bounds, bool checkBoxes)
    : ui::ListView(parent, bounds, checkBoxes, /*multiSelect=*/true) {
  SetSuiteDateTimeFormats();
  // The path takes the room the others leave; they are as wide as their headers.
  AddColumn("Name", kColumnFill);
  AddColumn("Size", kColumnHeader, ui::ColumnAlign::Right);
  AddColumn("Type", kColumnHeader);
  AddColumn("Modified", kColumnHeader);
  AddColumn("Attr", kColumnHeader, ui::ColumnAlign::Right);
  AddColumn("File Ver", kColumnHeader, ui::ColumnAlign::Right);
  AddColumn("Prod Ver", kColumnHeader, ui::ColumnAlign::Right);
  onColumnClick = [this](int column) { ColumnClick(column); };
}

namespace {

// Only programs and libraries ("MZ" executables) carry a version resource;
// asking the system for one opens the file as a library, which is slow, so the
// two bytes are looked at first.
bool LooksExecutable(const std::string& path) {
  FileHandle h(CreateFileW(LongPathW(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  char magic[2] = {};
  DWORD got = 0;
  return h && ReadFile(h.get(), magic, 2, &got, nullptr) && got == 2 && magic[0] == 'M' && magic[1] == 'Z';
}

}  // namespace

const std::string* TFileListView::TypeName(const std::string& path) {
  // The shell's type name belongs to the extension, not to the file: asked once
  // per extension, since the shell takes milliseconds for each question.
  const std::string ext = UpperCase(ExtractFileExt(path));
  if (const auto it = typeNames_.find(ext); it != typeNames_.end()) return &it->second;
  // Asked by the name alone, so a path of any length gets its type.
  SHFILEINFOW info{};
  if (!SHGetFileInfoW(Widen("x" + ext).c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                      SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES))
    return nullptr;
  return &typeNames_.emplace(ext, Narrow(info.szTypeName)).first->second;
}

bool TFileListView::AddFile(const std::string& path, std::uint64_t& size) {
  const auto entry = FindEntry(path);
  if (!entry) return false;
  KnownFile file;
  file.size = entry->size;
  file.attributes = entry->attributes;
  file.written = entry->written;
  file.program = LooksExecutable(path);
  return AddFile(path, file, size);
}

bool TFileListView::AddFile(const std::string& path, const KnownFile& file, std::uint64_t& size, int image) {
  const std::string* type = TypeName(path);
  if (!type) return false;
  size = file.size;
  const std::vector<std::string> versions =
      file.program ? GetVersionStrings(path, {"FileVersion", "ProductVersion"}) : std::vector<std::string>(2);
  const int row = AddItem(LowerCase(path), image);
  SetSubItem(row, 0, std::to_string(file.size));
  SetSubItem(row, 1, *type);
  SetSubItem(row, 2, FormatDateTime(FileTimeToLocalDateTime(file.written)));
  SetSubItem(row, 3, AttributeText(file.attributes));
  SetSubItem(row, 4, versions[0]);
  SetSubItem(row, 5, versions[1]);
  auto record = std::make_unique<FileRow>();
  record->path = path;
  record->file = file;
  SetPayload(row, std::move(record));
  ++listed_[ListedKey(path)];
  return true;
}

std::string TFileListView::ListedKey(const std::string& path) {
  const std::string::size_type cut = path.find_last_of("\\:") + 1;  // 0 when there is no folder part
  return UpperCase(path.substr(0, cut)) + path.substr(cut);
}

std::string TFileListView::FilePath(int row) const {
  const FileRow* f = File(row);
  return f ? f->path : Caption(row);
}

std::uint64_t TFileListView::FileSize(int row) const {
  const FileRow* f = File(row);
  return f ? f->file.size : std::uint64_t(SizeOf(SubItem(row, 0)));
}

std::uint64_t TFileListView::TotalSize() const {
  std::uint64_t sum = 0;
  for (int row = 0; row < itemCount(); ++row) sum += FileSize(row);
  return sum;
}

bool TFileListView::Listed(const std::string& path) const { return listed_.count(ListedKey(path)) != 0; }

void TFileListView::RowRemoving(int row) {
  if (const FileRow* f = File(row)) {
    const auto it = listed_.find(ListedKey(f->path));
    if (it != listed_.end() && --it->second <= 0) listed_.erase(it);
  }
}

void TFileListView::RowsClearing() { listed_.clear(); }

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
  // Each row's key is worked out once, not at every comparison: a sort of
  // 100,000 rows makes well over a million comparisons. Sizes and times come
  // from the rows' records, exactly; only a row without one is read back
  // from its text.
  const int column = sortColumn_;
  const int sign = ascending_ ? 1 : -1;
  const int n = itemCount();
  if (column == colSize) {
    std::vector<std::uint64_t> keys(static_cast<size_t>(n));
    for (int r = 0; r < n; ++r) keys[size_t(r)] = FileSize(r);
    Sort([&](int a, int b) {
      const std::uint64_t x = keys[size_t(a)], y = keys[size_t(b)];
      return sign * (x < y ? -1 : x > y ? 1 : 0);
    });
    return;
  }
  if (column == colModified) {
    const double now = NowDateTime();
    std::vector<double> keys(static_cast<size_t>(n));
    for (int r = 0; r < n; ++r) {
      const FileRow* f = File(r);
      keys[size_t(r)] = f ? FileTimeToLocalDateTime(f->file.written) : NumericKey(Text(r, column), column, now);
    }
    Sort([&](int a, int b) { return sign * CompareNumericKeys(keys[size_t(a)], keys[size_t(b)], column); });
    return;
  }
  std::vector<std::wstring> keys(static_cast<size_t>(n));
  for (int r = 0; r < n; ++r) keys[size_t(r)] = UpperCaseW(Widen(Text(r, column)));
  Sort([&](int a, int b) {
    const int c = keys[size_t(a)].compare(keys[size_t(b)]);
    return sign * (c < 0 ? -1 : c > 0 ? 1 : 0);
  });
}

}  // namespace velmora::scan
