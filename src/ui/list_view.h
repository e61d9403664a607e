// A report-style list view over an in-memory row vector (a virtual list, so a
// hundred thousand rows cost nothing to show). Rows are addressed by index in
// their current order; check marks, selection, images and texts live in the
// rows, so every member works on a window that has never been shown.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/app.h"
#include "ui/form.h"

namespace velmora::ui {

enum class ColumnAlign { Left, Right, Center };

// What a tool keeps behind a row beyond its texts (a file's exact path, a
// registry value's root, key and name): a class of the tool's own derived from
// this, owned by the row and moved with it when rows are sorted. Actions use
// it rather than reading a caption back.
struct RowData {
  virtual ~RowData() = default;
};

class ListView : public Control {
 public:
  ListView(Container& parent, Bounds bounds, bool checkBoxes = false, bool multiSelect = true);

  std::function<void(int column)> onColumnClick;
  std::function<void(int row)> onDoubleClick;
  std::function<void()> onSelectionChange;
  // The user toggled a row's check mark (SetChecked from code does not call it).
  std::function<void(int row)> onCheckChange;
  // In-place editing of captions (SetEditLabels): onEditing may refuse to
  // start (false); onEdited gets the typed text and may change it, or refuse
  // it (false) so the caption stays. A cancelled edit calls neither's second.
  std::function<bool(int row)> onEditing;
  std::function<bool(int row, std::string& text)> onEdited;

  // Columns; widths in 96-dpi units, or one of the two rules: kColumnFill
  // takes the width the other columns leave (never less than its header's),
  // kColumnHeader the width of its header's text. A width the user drags a
  // column to, or one set here, stands from then on.
  static constexpr int kColumnFill = -1;
  static constexpr int kColumnHeader = -2;
  int AddColumn(const std::string& caption, int width, ColumnAlign align = ColumnAlign::Left);
  int columnCount() const { return int(columns_.size()); }
  int columnWidth(int column) const;
  void SetColumnWidth(int column, int width);
  // True when the column's width is the user's (dragged, or stored and restored).
  bool columnWidthIsUsers(int column) const;
  // Lays the ruled columns out again (the list's width changed).
  void FitColumns();
  const std::string& columnCaption(int column) const { return columns_.at(size_t(column)).caption; }

  // Adds a row at the end; returns its index.
  int AddItem(const std::string& caption, int imageIndex = -1);
  int itemCount() const { return int(rows_.size()); }
  const std::string& Caption(int row) const;
  void SetCaption(int row, const std::string& caption);
  // Sub-item 0 is the text of the second column, sub-item n of column n + 1.
  // A missing sub-item reads as empty.
  const std::string& SubItem(int row, int index) const;
  void SetSubItem(int row, int index, const std::string& text);
  int subItemCount(int row) const;
  // Column 0 is the caption.
  const std::string& Text(int row, int column) const;
  bool Checked(int row) const;
  void SetChecked(int row, bool checked);
  bool Selected(int row) const;
  void SetSelected(int row, bool selected);
  std::vector<int> SelectedRows() const;
  void SelectAll();  // in one step (one message to the control)
  void ClearSelection();
  int ImageIndex(int row) const;
  void SetImageIndex(int row, int imageIndex);
  std::intptr_t Data(int row) const;
  void SetData(int row, std::intptr_t data);
  // The row's typed record; null when none was given or it is of another type.
  RowData* Payload(int row) const;
  void SetPayload(int row, std::unique_ptr<RowData> payload);
  template <class T>
  T* PayloadAs(int row) const {
    return dynamic_cast<T*>(Payload(row));
  }
  void DeleteRow(int row);
  void Clear();
  void EnsureVisible(int row);

  // Small images of the rows (not owned: shared image lists).
  void SetImageList(HIMAGELIST images);
  // A second image per row drawn before its small image (not owned; lists
  // without check boxes only); -1 draws none.
  void SetStateImageList(HIMAGELIST images);
  int StateImage(int row) const;
  void SetStateImage(int row, int image);
  // Orders the rows; compare gets two row indices of the order before sorting
  // and returns <0, 0 or >0. Equal rows keep their order.
  void Sort(const std::function<int(int a, int b)>& compare);
  // Batches many changes: the window is updated once at EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  bool checkBoxes() const { return checkBoxes_; }

  // Captions may be edited in place (F2 or a click on the selected row's
  // caption). Set before the window is created.
  void SetEditLabels(bool on) { editLabels_ = on; }
  // Starts editing the row's caption as F2 would; the edit box, or null when
  // it could not start.
  HWND EditLabel(int row);
  // True while a caption is being edited in place.
  bool editing() const { return editing_; }

 protected:
  void CreateHandle() override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  // Told before a row leaves the list (DeleteRow) and before Clear empties it,
  // so a derived list can keep an index of its rows.
  virtual void RowRemoving(int /*row*/) {}
  virtual void RowsClearing() {}

 private:
  struct Row {
    std::vector<std::string> texts;  // caption, then the sub-items
    int image = -1;
    int stateImage = -1;
    bool checked = false;
    bool selected = false;
    std::intptr_t data = 0;
    std::unique_ptr<RowData> payload;
  };
  struct Column {
    std::string caption;
    int width;  // 96-dpi units, or a rule
    ColumnAlign align;
    bool users = false;
  };
  int HeaderWidthPx(int column) const;
  void OnResized() override;
  Row& At(int row);
  const Row& At(int row) const;
  void InsertColumn(int index);
  void UpdateCount();
  void CountRowsSoon();
  void SyncCount();
  void SyncSelection();
  void RedrawRow(int row);
  void ToggleCheck(int row);

  bool checkBoxes_, multiSelect_;
  bool editLabels_ = false;
  bool editing_ = false;
  std::vector<Row> rows_;
  std::vector<Column> columns_;
  void ApplyImages();
  void OnDpiChanged() override;
  HIMAGELIST images_ = nullptr;
  HIMAGELIST stateImages_ = nullptr;
  int updating_ = 0;
  // Rows the control has been told of. Appended rows reach it at most every
  // kCountIntervalMs (a count change makes the control rework its scroll bars,
  // a millisecond or more each time), and before any call that names a row.
  int shownCount_ = 0;
  unsigned long long countSyncedAt_ = 0;
  std::unique_ptr<Timer> countTimer_;
  bool syncing_ = false;
  int controlToggledRow_ = -1;
  bool skipControlToggle_ = false;
  std::wstring dispText_;
};

}  // namespace velmora::ui
