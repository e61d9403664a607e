#include "ui/list_view.h"

#include "ui/image_sizes.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

#include "platform/text.h"

namespace velmora::ui {

namespace {
const std::string kEmpty;
constexpr unsigned kCountIntervalMs = 100;

int ColumnFormat(ColumnAlign align) {
  switch (align) {
    case ColumnAlign::Right: return LVCFMT_RIGHT;
    case ColumnAlign::Center: return LVCFMT_CENTER;
    default: return LVCFMT_LEFT;
  }
}
}  // namespace

ListView::ListView(Container& parent, Bounds bounds, bool checkBoxes, bool multiSelect)
    : Control(parent, bounds), checkBoxes_(checkBoxes), multiSelect_(multiSelect) {}

void ListView::CreateHandle() {
  hwnd_ = CreateChild(WC_LISTVIEWW,
                      WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS |
                          (multiSelect_ ? 0 : LVS_SINGLESEL) | (editLabels_ ? LVS_EDITLABELS : 0),
                      WS_EX_CLIENTEDGE);
  if (!hwnd_) return;
  DWORD ex = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP;
  if (checkBoxes_) ex |= LVS_EX_CHECKBOXES;
  SendMessageW(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
  // A virtual list keeps no item state of its own: the check marks are drawn
  // from the rows through the state image list.
  if (checkBoxes_ || stateImages_) SendMessageW(hwnd_, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
  for (size_t i = 0; i < columns_.size(); ++i) InsertColumn(int(i));
  // Header notifications come from the header: they reach this wrapper.
  AdoptWindow(reinterpret_cast<HWND>(SendMessageW(hwnd_, LVM_GETHEADER, 0, 0)));
  FitColumns();
  ApplyImages();
  UpdateCount();
  SyncSelection();
}

void ListView::InsertColumn(int index) {
  const Column& c = columns_[size_t(index)];
  std::wstring text = Widen(c.caption);
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
  col.fmt = ColumnFormat(c.align);
  col.cx = c.width >= 0 ? Scale(c.width) : Scale(60);  // a rule is applied by FitColumns
  col.pszText = text.data();
  col.iSubItem = index;
  SendMessageW(hwnd_, LVM_INSERTCOLUMNW, WPARAM(index), reinterpret_cast<LPARAM>(&col));
}

int ListView::AddColumn(const std::string& caption, int width, ColumnAlign align) {
  columns_.push_back(Column{caption, width, align});
  const int index = int(columns_.size()) - 1;
  if (hwnd_) {
    InsertColumn(index);
    FitColumns();
  }
  return index;
}

int ListView::columnWidth(int column) const {
  if (column < 0 || size_t(column) >= columns_.size()) return 0;
  if (!hwnd_) return std::max(columns_[size_t(column)].width, 0);
  const int px = int(SendMessageW(hwnd_, LVM_GETCOLUMNWIDTH, WPARAM(column), 0));
  return form().args().pixelLayout ? px : MulDiv(px, 96, form().dpi());
}

void ListView::SetColumnWidth(int column, int width) {
  if (column < 0 || size_t(column) >= columns_.size() || width < 0) return;
  columns_[size_t(column)].width = width;
  columns_[size_t(column)].users = true;
  if (hwnd_) {
    SendMessageW(hwnd_, LVM_SETCOLUMNWIDTH, WPARAM(column), MAKELPARAM(Scale(width), 0));
    FitColumns();
  }
}

bool ListView::columnWidthIsUsers(int column) const {
  return column >= 0 && size_t(column) < columns_.size() && columns_[size_t(column)].users;
}

// The header's text in the list's font, with the padding the control draws
// round it (and the sort arrow's room).
int ListView::HeaderWidthPx(int column) const {
  const std::wstring text = Widen(columns_[size_t(column)].caption);
  const int text_px = int(SendMessageW(hwnd_, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text.c_str())));
  return text_px + Scale(column == 0 && (images_ || checkBoxes_) ? 40 : 20);
}

void ListView::FitColumns() {
  if (!hwnd_ || columns_.empty()) return;
  int fill = -1, used = 0;
  for (size_t i = 0; i < columns_.size(); ++i) {
    const Column& c = columns_[i];
    const int index = int(i);
    if (c.users || c.width >= 0) {
      used += int(SendMessageW(hwnd_, LVM_GETCOLUMNWIDTH, WPARAM(index), 0));
    } else if (c.width == kColumnHeader) {
      const int px = HeaderWidthPx(index);
      SendMessageW(hwnd_, LVM_SETCOLUMNWIDTH, WPARAM(index), MAKELPARAM(px, 0));
      used += px;
    } else if (fill < 0) {
      fill = index;
    }
  }
  if (fill < 0) return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  // Room for a vertical scroll bar, so a long list does not push a horizontal one in.
  const int room = int(client.right - client.left) - used - GetSystemMetrics(SM_CXVSCROLL);
  SendMessageW(hwnd_, LVM_SETCOLUMNWIDTH, WPARAM(fill), MAKELPARAM(std::max(room, HeaderWidthPx(fill)), 0));
}

void ListView::OnResized() { FitColumns(); }

ListView::Row& ListView::At(int row) {
  if (row < 0 || size_t(row) >= rows_.size()) throw std::out_of_range("list row " + std::to_string(row));
  return rows_[size_t(row)];
}
const ListView::Row& ListView::At(int row) const {
  if (row < 0 || size_t(row) >= rows_.size()) throw std::out_of_range("list row " + std::to_string(row));
  return rows_[size_t(row)];
}

void ListView::UpdateCount() {
  if (!hwnd_ || updating_) return;
  if (countTimer_) countTimer_->Stop();
  SendMessageW(hwnd_, LVM_SETITEMCOUNT, WPARAM(rows_.size()), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  shownCount_ = int(rows_.size());
  countSyncedAt_ = GetTickCount64();
}

void ListView::SyncCount() {
  if (hwnd_ && !updating_ && shownCount_ != int(rows_.size())) UpdateCount();
}

// A scan adds rows one at a time, thousands a second: the control learns of
// them at once when it is empty or has not been told for a while, otherwise
// when the timer runs out, so a long list still grows on screen as it is found.
void ListView::CountRowsSoon() {
  if (!hwnd_ || updating_) return;
  if (shownCount_ == 0 || GetTickCount64() - countSyncedAt_ >= kCountIntervalMs) {
    UpdateCount();
    return;
  }
  if (!countTimer_) {
    countTimer_ = std::make_unique<Timer>(nullptr, kCountIntervalMs, /*oneShot=*/true);
    countTimer_->onTimer = [this] { SyncCount(); };
  }
  if (!countTimer_->enabled()) countTimer_->Start();
}

int ListView::AddItem(const std::string& caption, int imageIndex) {
  Row r;
  r.texts.push_back(caption);
  r.image = imageIndex;
  rows_.push_back(std::move(r));
  CountRowsSoon();
  return int(rows_.size()) - 1;
}

const std::string& ListView::Caption(int row) const { return At(row).texts[0]; }

void ListView::SetCaption(int row, const std::string& caption) {
  At(row).texts[0] = caption;
  RedrawRow(row);
}

const std::string& ListView::SubItem(int row, int index) const { return Text(row, index + 1); }

void ListView::SetSubItem(int row, int index, const std::string& text) {
  if (index < 0) throw std::out_of_range("sub-item " + std::to_string(index));
  Row& r = At(row);
  if (r.texts.size() < size_t(index) + 2) r.texts.resize(size_t(index) + 2);
  r.texts[size_t(index) + 1] = text;
  RedrawRow(row);
}

int ListView::subItemCount(int row) const { return int(At(row).texts.size()) - 1; }

const std::string& ListView::Text(int row, int column) const {
  const Row& r = At(row);
  return column >= 0 && size_t(column) < r.texts.size() ? r.texts[size_t(column)] : kEmpty;
}

bool ListView::Checked(int row) const { return At(row).checked; }

void ListView::SetChecked(int row, bool checked) {
  At(row).checked = checked;
  RedrawRow(row);
}

bool ListView::Selected(int row) const { return At(row).selected; }

void ListView::SetSelected(int row, bool selected) {
  Row& r = At(row);
  if (!multiSelect_ && selected)
    for (auto& other : rows_) other.selected = false;
  r.selected = selected;
  if (!hwnd_ || updating_) return;
  SyncCount();
  if (!multiSelect_ && selected) {
    SyncSelection();
    return;
  }
  syncing_ = true;
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED;
  item.state = selected ? LVIS_SELECTED : 0;
  SendMessageW(hwnd_, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
  syncing_ = false;
}

std::vector<int> ListView::SelectedRows() const {
  std::vector<int> out;
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].selected) out.push_back(int(i));
  return out;
}

void ListView::SelectAll() {
  if (rows_.empty()) return;
  if (!multiSelect_) {
    SetSelected(itemCount() - 1, true);  // as selecting each in turn would leave it
    return;
  }
  for (auto& r : rows_) r.selected = true;
  SyncSelection();
}

void ListView::ClearSelection() {
  for (auto& r : rows_) r.selected = false;
  SyncSelection();
}

int ListView::ImageIndex(int row) const { return At(row).image; }

void ListView::SetImageIndex(int row, int imageIndex) {
  At(row).image = imageIndex;
  RedrawRow(row);
}

std::intptr_t ListView::Data(int row) const { return At(row).data; }
void ListView::SetData(int row, std::intptr_t data) { At(row).data = data; }

RowData* ListView::Payload(int row) const { return At(row).payload.get(); }
void ListView::SetPayload(int row, std::unique_ptr<RowData> payload) { At(row).payload = std::move(payload); }

void ListView::DeleteRow(int row) {
  At(row);
  RowRemoving(row);
  rows_.erase(rows_.begin() + row);
  if (!hwnd_ || updating_) return;
  UpdateCount();
  // Only the rows after the deleted one moved up a place, so only their marks
  // are set again: emptying a long list from its end sends no message per
  // remaining row. Should the control have lost marks above on the shorter
  // count, the whole selection is set again.
  syncing_ = true;
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED;
  for (std::size_t i = std::size_t(row); i < rows_.size(); ++i) {
    item.state = rows_[i].selected ? LVIS_SELECTED : 0;
    SendMessageW(hwnd_, LVM_SETITEMSTATE, WPARAM(i), reinterpret_cast<LPARAM>(&item));
  }
  syncing_ = false;
  const auto selected = std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.selected; });
  if (SendMessageW(hwnd_, LVM_GETSELECTEDCOUNT, 0, 0) != LRESULT(selected)) SyncSelection();
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void ListView::Clear() {
  RowsClearing();
  rows_.clear();
  UpdateCount();
  if (hwnd_ && !updating_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void ListView::EnsureVisible(int row) {
  At(row);
  SyncCount();
  if (hwnd_) SendMessageW(hwnd_, LVM_ENSUREVISIBLE, WPARAM(row), FALSE);
}

void ListView::SetImageList(HIMAGELIST images) {
  images_ = images;
  ApplyImages();
}

void ListView::SetStateImageList(HIMAGELIST images) {
  stateImages_ = images;
  if (!hwnd_ || checkBoxes_) return;
  SendMessageW(hwnd_, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
  ApplyImages();
}

void ListView::ApplyImages() {
  if (!hwnd_) return;
  // Row images at the window's DPI: 16 pixels at 96 dpi, 24 at 144.
  const int size = Scale(16);
  if (images_)
    SendMessageW(hwnd_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(ImagesForSize(images_, size)));
  if (stateImages_ && !checkBoxes_)
    SendMessageW(hwnd_, LVM_SETIMAGELIST, LVSIL_STATE,
                 reinterpret_cast<LPARAM>(ImagesForSize(stateImages_, size)));
}

void ListView::OnDpiChanged() {
  ApplyImages();
  for (size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i].width >= 0)
      SendMessageW(hwnd_, LVM_SETCOLUMNWIDTH, WPARAM(i), MAKELPARAM(Scale(columns_[i].width), 0));
  FitColumns();
}

int ListView::StateImage(int row) const { return At(row).stateImage; }

void ListView::SetStateImage(int row, int image) {
  At(row).stateImage = image;
  RedrawRow(row);
}

void ListView::Sort(const std::function<int(int a, int b)>& compare) {
  std::vector<int> order(rows_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(a, b) < 0; });
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  for (int i : order) sorted.push_back(std::move(rows_[size_t(i)]));
  rows_.swap(sorted);
  SyncSelection();
  if (hwnd_ && !updating_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void ListView::BeginUpdate() {
  if (updating_++ == 0 && hwnd_) SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
}

void ListView::EndUpdate() {
  if (updating_ == 0 || --updating_ > 0) return;
  if (!hwnd_) return;
  UpdateCount();
  SyncSelection();
  SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void ListView::SyncSelection() {
  if (!hwnd_ || updating_) return;
  SyncCount();
  syncing_ = true;
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED;
  // Every row at once when all are selected: one message where a row at a
  // time costs a redraw request each (seconds on a list of thousands).
  const bool all = !rows_.empty() && multiSelect_ &&
                   std::all_of(rows_.begin(), rows_.end(), [](const Row& r) { return r.selected; });
  item.state = all ? LVIS_SELECTED : 0;
  SendMessageW(hwnd_, LVM_SETITEMSTATE, WPARAM(-1), reinterpret_cast<LPARAM>(&item));
  item.state = LVIS_SELECTED;
  for (size_t i = 0; i < rows_.size() && !all; ++i)
    if (rows_[i].selected) SendMessageW(hwnd_, LVM_SETITEMSTATE, WPARAM(i), reinterpret_cast<LPARAM>(&item));
  syncing_ = false;
}

void ListView::RedrawRow(int row) {
  // A row the control does not know yet is drawn when the count reaches it.
  if (hwnd_ && !updating_ && row < shownCount_) SendMessageW(hwnd_, LVM_REDRAWITEMS, WPARAM(row), LPARAM(row));
}

void ListView::ToggleCheck(int row) {
  if (row < 0 || size_t(row) >= rows_.size()) return;
  rows_[size_t(row)].checked = !rows_[size_t(row)].checked;
  RedrawRow(row);
  if (onCheckChange) Fire([&] { onCheckChange(row); });
}

HWND ListView::EditLabel(int row) {
  if (!hwnd_ || !editLabels_ || row < 0 || row >= itemCount()) return nullptr;
  SyncCount();
  SetFocus();
  return reinterpret_cast<HWND>(SendMessageW(hwnd_, LVM_EDITLABELW, WPARAM(row), 0));
}

bool ListView::OnNotify(NMHDR* header, LRESULT& result) {
  result = 0;
  switch (header->code) {
    case HDN_ENDTRACKW:
    case HDN_ENDTRACKA:
    case HDN_DIVIDERDBLCLICKW:
    case HDN_DIVIDERDBLCLICKA: {
      // The user sized a column: that width stands (and is stored with the window).
      const auto* nm = reinterpret_cast<NMHEADERW*>(header);
      const int column = nm->iItem;
      if (column >= 0 && size_t(column) < columns_.size()) {
        Column& c = columns_[size_t(column)];
        c.users = true;
        if (nm->pitem && (nm->pitem->mask & HDI_WIDTH))
          c.width = form().args().pixelLayout ? nm->pitem->cxy : MulDiv(nm->pitem->cxy, 96, form().dpi());
        else
          c.width = std::max(c.width, 0);
      }
      return false;  // the control goes on to size it
    }
    case LVN_GETDISPINFOW: {
      LVITEMW& it = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
      if (it.iItem < 0 || size_t(it.iItem) >= rows_.size()) return true;
      const Row& r = rows_[size_t(it.iItem)];
      if ((it.mask & LVIF_TEXT) && it.pszText && it.cchTextMax > 0) {
        dispText_ = Widen(it.iSubItem >= 0 && size_t(it.iSubItem) < r.texts.size() ? r.texts[size_t(it.iSubItem)]
                                                                                    : kEmpty);
        lstrcpynW(it.pszText, dispText_.c_str(), it.cchTextMax);
      }
      if (it.mask & LVIF_IMAGE) it.iImage = r.image;
      if ((it.mask & LVIF_STATE) && checkBoxes_) {
        it.state = (it.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(r.checked ? 2 : 1);
        it.stateMask |= LVIS_STATEIMAGEMASK;
      } else if ((it.mask & LVIF_STATE) && stateImages_) {
        // State images count from 1; 0 draws none.
        it.state = (it.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(UINT(r.stateImage + 1));
        it.stateMask |= LVIS_STATEIMAGEMASK;
      }
      return true;
    }
    case LVN_ITEMCHANGED: {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(header);
      if (!(nm->uChanged & LVIF_STATE) || syncing_) return true;
      const UINT changed = nm->uNewState ^ nm->uOldState;
      if ((changed & LVIS_STATEIMAGEMASK) && checkBoxes_ && nm->iItem >= 0 && size_t(nm->iItem) < rows_.size()) {
        // Some list views toggle the mark themselves on a click or the space
        // bar and report it here; the rows stay the one record of it.
        if (skipControlToggle_) {
          skipControlToggle_ = false;
        } else {
          const bool nowChecked = ((nm->uNewState & LVIS_STATEIMAGEMASK) >> 12) == 2;
          if (rows_[size_t(nm->iItem)].checked != nowChecked) {
            controlToggledRow_ = nm->iItem;
            ToggleCheck(nm->iItem);
          }
        }
      }
      if (changed & LVIS_SELECTED) {
        const bool sel = (nm->uNewState & LVIS_SELECTED) != 0;
        if (nm->iItem < 0) {
          for (auto& r : rows_) r.selected = sel;
        } else if (size_t(nm->iItem) < rows_.size()) {
          rows_[size_t(nm->iItem)].selected = sel;
        }
        if (onSelectionChange) Fire(onSelectionChange);
      }
      return true;
    }
    case LVN_ODSTATECHANGED: {
      auto* nm = reinterpret_cast<NMLVODSTATECHANGE*>(header);
      if (syncing_) return true;
      if ((nm->uNewState ^ nm->uOldState) & LVIS_SELECTED) {
        const bool sel = (nm->uNewState & LVIS_SELECTED) != 0;
        for (int i = std::max(0, nm->iFrom); i <= nm->iTo && size_t(i) < rows_.size(); ++i)
          rows_[size_t(i)].selected = sel;
        if (onSelectionChange) Fire(onSelectionChange);
      }
      return true;
    }
    case NM_CLICK: {
      if (!checkBoxes_) return false;
      auto* nm = reinterpret_cast<NMITEMACTIVATE*>(header);
      LVHITTESTINFO hit{};
      hit.pt = nm->ptAction;
      SendMessageW(hwnd_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
      if (hit.iItem >= 0 && (hit.flags & LVHT_ONITEMSTATEICON) && hit.iSubItem == 0) {
        if (controlToggledRow_ == hit.iItem) controlToggledRow_ = -1;  // already toggled by the control
        else ToggleCheck(hit.iItem);
      }
      return true;
    }
    case LVN_KEYDOWN: {
      auto* nm = reinterpret_cast<NMLVKEYDOWN*>(header);
      if (checkBoxes_ && nm->wVKey == VK_SPACE) {
        int focused = int(SendMessageW(hwnd_, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED));
        // A row selected from code has no focus mark: Space ticks the selected one.
        if (focused < 0) focused = int(SendMessageW(hwnd_, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
        if (focused >= 0) {
          skipControlToggle_ = true;
          ToggleCheck(focused);
        }
      }
      return true;
    }
    case NM_DBLCLK: {
      auto* nm = reinterpret_cast<NMITEMACTIVATE*>(header);
      if (nm->iItem >= 0 && onDoubleClick) Fire([&] { onDoubleClick(nm->iItem); });
      return true;
    }
    case LVN_COLUMNCLICK: {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(header);
      if (onColumnClick) Fire([&] { onColumnClick(nm->iSubItem); });
      return true;
    }
    case LVN_ODFINDITEMW:
      result = -1;
      return true;
    case LVN_BEGINLABELEDITW: {
      auto* nm = reinterpret_cast<NMLVDISPINFOW*>(header);
      bool allow = editLabels_ && nm->item.iItem >= 0 && size_t(nm->item.iItem) < rows_.size();
      if (allow && onEditing) Fire([&] { allow = onEditing(nm->item.iItem); });
      editing_ = allow;
      result = allow ? FALSE : TRUE;
      return true;
    }
    case LVN_ENDLABELEDITW: {
      auto* nm = reinterpret_cast<NMLVDISPINFOW*>(header);
      editing_ = false;
      const int row = nm->item.iItem;
      // A virtual list keeps no captions: the row takes the text or nothing does.
      result = FALSE;
      if (!nm->item.pszText || row < 0 || size_t(row) >= rows_.size()) return true;
      std::string text = Narrow(nm->item.pszText);
      bool accept = true;
      if (onEdited) Fire([&] { accept = onEdited(row, text); });
      if (accept && size_t(row) < rows_.size()) SetCaption(row, text);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace velmora::ui
