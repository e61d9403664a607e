// TFileListView: found files with their size, type, date, attributes and
// version columns, sortable by any column through a header click.
//
// Creating the first one switches the whole process to the suite's date and
// time forms ("yyyy/mm/dd", "hh:nn"); from then on every date-time text of the
// process, log time stamps included, uses them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>

#include "ui/list_view.h"

namespace velmora::scan {

enum FileColumn { colName = 0, colSize, colType, colModified, colAttr, colFileVer, colProdVer };

// The four-character attribute text: "R", "H", "S", "A" or a blank for each.
std::string AttributeText(unsigned long attributes);

// The row comparison for one column (see the source for the rules); the result
// is negated for a descending sort by the caller.
int CompareFileRows(const std::string& a, const std::string& b, int column, double now);

// What a caller that has just listed or looked up a file knows of it.
struct KnownFile {
  std::uint64_t size = 0;
  unsigned long attributes = 0;
  FILETIME written{};
  bool program = false;  // starts with "MZ": the only files asked for versions
};

// The record behind each row: the file's exact path (the Name column shows it
// lower-cased) and what was known of it when listed. Sorting, totals, the
// "already listed" test and every action on a row use this, never the texts:
// on a folder that tells case apart "A.tmp" and "a.tmp" are two files.
struct FileRow : ui::RowData {
  std::string path;
  KnownFile file;
};

class TFileListView : public ui::ListView {
 public:
  TFileListView(ui::Container& parent, ui::Bounds bounds, bool checkBoxes = false);

  // Adds a row for the file when the shell gives its type name and a listing
  // finds it; false (no row) otherwise. size receives the file's size.
  bool AddFile(const std::string& path, std::uint64_t& size);
  // The same row from what the caller knows, without looking the file up again
  // (a scan lists thousands of files, and each look-up costs), with its image
  // (-1: none) given at once rather than set afterwards.
  bool AddFile(const std::string& path, const KnownFile& file, std::uint64_t& size, int image = -1);

  // The row's record; null for a row added with AddItem.
  const FileRow* File(int row) const { return PayloadAs<FileRow>(row); }
  // The exact path of the row's file (the caption for a row without a record).
  std::string FilePath(int row) const;
  std::uint64_t FileSize(int row) const;
  // The sum of every row's size.
  std::uint64_t TotalSize() const;
  // True when a row holds this file: the same name, letter for letter, in the
  // same folder (the folder's case aside: two passes may spell it differently).
  bool Listed(const std::string& path) const;

  int sortColumn() const { return sortColumn_; }
  bool sortAscending() const { return ascending_; }
  // As a header click: the current column reverses, another becomes the
  // column, ascending; then the rows are sorted.
  void ColumnClick(int column);
  void SortRows();

 protected:
  void RowRemoving(int row) override;
  void RowsClearing() override;

 private:
  const std::string* TypeName(const std::string& path);
  static std::string ListedKey(const std::string& path);

  std::map<std::string, std::string> typeNames_;  // by upper-case extension
  std::unordered_map<std::string, int> listed_;   // ListedKey -> rows
  int sortColumn_ = colSize;
  bool ascending_ = true;
};

}  // namespace velmora::scan
