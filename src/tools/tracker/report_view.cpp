#include "tools/tracker/report_view.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

#include "platform/files.h"
#include "platform/text.h"
#include "ui/app.h"
#include "ui/dialogs.h"

namespace velmora::tracker {

namespace {

constexpr std::size_t kChunk = 1 << 20;      // read and indexed between two looks at the messages
constexpr std::size_t kCacheSlack = 64;      // lines read around the ones in sight
constexpr std::uint64_t kFindChunk = 1 << 20;

}  // namespace

ReportView::ReportView(ui::Container& parent, ui::Bounds bounds) : Control(parent, bounds), pmReport(parent.form()) {
  pmReport.Add("&Copy", [this] { Copy(); }, "Ctrl+C");
  pmReport.Add("Select &All", [this] { SelectAll(); }, "Ctrl+A");
  pmReport.AddSeparator();
  pmReport.Add("&Find...", [this] { Find(); }, "Ctrl+F");
  pmReport.Add("Find &Next", [this] { FindAgain(); }, "F3");
  pmReport.AddSeparator();
  pmReport.Add("&View in Text Editor", [this] {
    if (onViewInEditor) onViewInEditor();
  });
  SetPopupMenu(&pmReport);
}

ReportView::~ReportView() = default;

void ReportView::CreateHandle() {
  hwnd_ = CreateChild(WC_LISTVIEWW,
                      WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LVS_REPORT | LVS_OWNERDATA | LVS_NOCOLUMNHEADER |
                          LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                      WS_EX_CLIENTEDGE);
  if (!hwnd_) return;
  ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  RECT client{};
  GetClientRect(hwnd_, &client);
  column.cx = client.right;
  columnWidth_ = column.cx;
  ListView_InsertColumn(hwnd_, 0, &column);
  if (const HDC dc = GetDC(hwnd_)) {
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
    TEXTMETRICW tm{};
    if (GetTextMetricsW(dc, &tm)) charWidth_ = std::max<int>(1, tm.tmAveCharWidth);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
  }
  ShowCount();
}

void ReportView::OnHandleLost() { cache_.clear(); }

void ReportView::Clear() {
  ++generation_;  // a load under way stops
  loading_ = false;
  file_.reset();
  path_.clear();
  index_.Clear();
  cache_.clear();
  findText_.clear();
  ShowCount();
  FitColumn(0);
}

bool ReportView::LoadFromFile(const std::string& path) {
  Clear();
  FileHandle file(CreateFileW(LongPathW(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return false;
  const unsigned generation = ++generation_;
  loading_ = true;
  file_ = std::move(file);
  path_ = path;
  std::string buffer(kChunk, '\0');
  ui::Throttle shown(100);  // the scroll bar follows the count at most every 100 ms
  bool ok = true;
  for (;;) {
    // At an offset of its own: lines painted meanwhile are read from the same handle.
    const std::uint64_t offset = index_.bytesFed();
    OVERLAPPED at{};
    at.Offset = DWORD(offset);
    at.OffsetHigh = DWORD(offset >> 32);
    DWORD got = 0;
    if (!ReadFile(file_.get(), buffer.data(), DWORD(buffer.size()), &got, &at)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      ok = false;
      break;
    }
    if (got == 0) break;
    index_.Feed(std::string_view(buffer.data(), got));
    if (shown.Due()) ShowCount();
    // Scrolling, Abort and the close box are answered while the rest is read.
    ui::ProcessMessages();
    if (generation != generation_) return false;  // cleared or reloaded meanwhile
    if (ui::Terminated()) break;
  }
  index_.Finish();
  loading_ = false;
  if (!ok) {
    Clear();
    return false;
  }
  ShowCount();
  FitColumn(int(std::min<std::uint64_t>(index_.longestLine(), 32768)) * charWidth_ + 2 * charWidth_);
  return true;
}

void ReportView::ShowCount() {
  cache_.clear();
  if (!hwnd_) return;
  SendMessageW(hwnd_, LVM_SETITEMCOUNT, WPARAM(index_.lineCount()), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void ReportView::FitColumn(int width) {
  if (!hwnd_) return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  const int wanted = std::max<int>(width, client.right);
  if (wanted == columnWidth_ && width != 0) return;
  if (width == 0 || wanted > columnWidth_) {
    columnWidth_ = wanted;
    ListView_SetColumnWidth(hwnd_, 0, wanted);
  }
}

std::string ReportView::ReadRange(std::uint64_t offset, std::uint64_t size) const {
  std::string bytes;
  if (!file_ || size == 0) return bytes;
  bytes.resize(std::size_t(size));
  OVERLAPPED at{};
  at.Offset = DWORD(offset);
  at.OffsetHigh = DWORD(offset >> 32);
  DWORD got = 0;
  if (!ReadFile(file_.get(), bytes.data(), DWORD(bytes.size()), &got, &at)) got = 0;  // past the end: nothing
  bytes.resize(got);
  return bytes;
}

std::string ReportView::Line(std::size_t i) const {
  if (i >= index_.lineCount()) return {};
  const std::string bytes = ReadRange(index_.Offset(i), index_.RangeSize(i, 1));
  const std::vector<std::string_view> lines = LineIndex::SplitLines(bytes);
  return lines.empty() ? std::string() : std::string(lines[0]);
}

void ReportView::FillCache(std::size_t first, std::size_t last) {
  const std::size_t count = index_.lineCount();
  if (count == 0) return;
  first = first > kCacheSlack ? first - kCacheSlack : 0;
  last = std::min(count - 1, last + kCacheSlack);
  const std::string bytes = ReadRange(index_.Offset(first), index_.RangeSize(first, last - first + 1));
  cache_.clear();
  cacheFirst_ = first;
  int widest = 0;
  HDC dc = hwnd_ ? GetDC(hwnd_) : nullptr;
  const HGDIOBJ old = dc ? SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0))) : nullptr;
  for (std::string_view line : LineIndex::SplitLines(bytes)) {
    cache_.push_back(Widen(line));
    SIZE extent{};
    if (dc && GetTextExtentPoint32W(dc, cache_.back().c_str(), int(std::min<std::size_t>(cache_.back().size(), 32768)),
                                    &extent))
      widest = std::max<int>(widest, extent.cx);
  }
  if (dc) {
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
  }
  cache_.resize(last - first + 1);  // a file cut short since: the rest reads as empty
  // The estimate from the longest line may be short for wide characters.
  if (widest + 2 * charWidth_ > columnWidth_) FitColumn(widest + 2 * charWidth_);
}

const std::wstring& ReportView::CachedLine(std::size_t line) {
  if (line < cacheFirst_ || line >= cacheFirst_ + cache_.size()) FillCache(line, line);
  static const std::wstring none;
  if (line < cacheFirst_ || line >= cacheFirst_ + cache_.size()) return none;
  return cache_[line - cacheFirst_];
}

bool ReportView::OnNotify(NMHDR* header, LRESULT& result) {
  switch (header->code) {
    case LVN_GETDISPINFOW: {
      auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
      if ((info->item.mask & LVIF_TEXT) && info->item.iItem >= 0) {
        const std::wstring& text = CachedLine(std::size_t(info->item.iItem));
        // The view reads the line from our cache: no line is cut to its buffer.
        info->item.pszText = const_cast<wchar_t*>(text.c_str());
      }
      result = 0;
      return true;
    }
    case LVN_ODCACHEHINT: {
      const auto* hint = reinterpret_cast<NMLVCACHEHINT*>(header);
      if (hint->iFrom >= 0 && hint->iTo >= hint->iFrom) {
        const std::size_t from = std::size_t(hint->iFrom), to = std::size_t(hint->iTo);
        if (from < cacheFirst_ || to >= cacheFirst_ + cache_.size()) FillCache(from, to);
      }
      result = 0;
      return true;
    }
    case LVN_ODFINDITEMW:
      result = -1;  // no type-ahead search: Ctrl+F finds text
      return true;
    default:
      return false;
  }
}

void ReportView::SelectLines(std::size_t first, std::size_t count) {
  if (!hwnd_) return;
  ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (count == 0 || first >= index_.lineCount()) return;
  const std::size_t last = std::min(index_.lineCount(), first + count) - 1;
  if (last == first) {
    ListView_SetItemState(hwnd_, int(first), LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  } else {
    for (std::size_t i = first; i <= last; ++i) ListView_SetItemState(hwnd_, int(i), LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(hwnd_, int(first), LVIS_FOCUSED, LVIS_FOCUSED);
  }
  SendMessageW(hwnd_, LVM_SETSELECTIONMARK, 0, LPARAM(first));
}

void ReportView::SelectAll() {
  if (hwnd_) ListView_SetItemState(hwnd_, -1, LVIS_SELECTED, LVIS_SELECTED);
}

std::vector<std::size_t> ReportView::SelectedLines() const {
  std::vector<std::size_t> lines;
  if (!hwnd_) return lines;
  for (int i = ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(hwnd_, i, LVNI_SELECTED))
    lines.push_back(std::size_t(i));
  return lines;
}

std::string ReportView::SelectedText() const {
  const std::vector<std::size_t> lines = SelectedLines();
  std::string text;
  // Runs of neighbouring lines are read from the file in one piece.
  for (std::size_t i = 0; i < lines.size();) {
    std::size_t j = i + 1;
    while (j < lines.size() && lines[j] == lines[j - 1] + 1) ++j;
    const std::string bytes = ReadRange(index_.Offset(lines[i]), index_.RangeSize(lines[i], j - i));
    for (std::string_view line : LineIndex::SplitLines(bytes)) {
      text.append(line);
      text += "\r\n";
    }
    i = j;
  }
  return text;
}

void ReportView::Copy() {
  const std::wstring text = Widen(SelectedText());
  if (text.empty() || !OpenClipboard(hwnd_)) return;
  EmptyClipboard();
  if (HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t))) {
    if (void* p = GlobalLock(block)) {
      std::copy(text.c_str(), text.c_str() + text.size() + 1, static_cast<wchar_t*>(p));
      GlobalUnlock(block);
      if (!SetClipboardData(CF_UNICODETEXT, block)) GlobalFree(block);  // the clipboard owns it once set
    } else {
      GlobalFree(block);
    }
  }
  CloseClipboard();
}

std::size_t ReportView::focusedLine() const {
  if (!hwnd_) return 0;
  const int i = ListView_GetNextItem(hwnd_, -1, LVNI_FOCUSED);
  return i < 0 ? 0 : std::size_t(i);
}

std::size_t ReportView::topLine() const {
  return hwnd_ ? std::size_t(std::max<LRESULT>(0, SendMessageW(hwnd_, LVM_GETTOPINDEX, 0, 0))) : 0;
}

void ReportView::ScrollToLine(std::size_t line) {
  if (!hwnd_ || line >= index_.lineCount()) return;
  // Scrolled so the line is at the top, as far as the end allows.
  const int perPage = std::max<int>(1, int(SendMessageW(hwnd_, LVM_GETCOUNTPERPAGE, 0, 0)));
  ListView_EnsureVisible(hwnd_, int(std::min(index_.lineCount() - 1, line + std::size_t(perPage) - 1)), FALSE);
  ListView_EnsureVisible(hwnd_, int(line), FALSE);
}

bool ReportView::FindNext(const std::string& text) {
  findText_ = text;
  const std::size_t count = index_.lineCount();
  if (text.empty() || count == 0) return false;
  const bool anySelected = hwnd_ && ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED) >= 0;
  const std::size_t from = anySelected ? (focusedLine() + 1) % count : 0;
  const std::uint64_t end = index_.Offset(count);
  // The file from the line after the focused one to its end, then from its
  // start: a megabyte at a time, keeping a needle's length of overlap.
  for (int pass = 0; pass < 2; ++pass) {
    std::uint64_t at = pass == 0 ? index_.Offset(from) : index_.Offset(0);
    const std::uint64_t stop = pass == 0 ? end : index_.Offset(from);
    while (at < stop) {
      const std::uint64_t size = std::min<std::uint64_t>(kFindChunk + text.size(), stop - at);
      const std::string bytes = ReadRange(at, size);
      if (bytes.empty()) break;
      const std::size_t hit = FindNoCase(bytes, text);
      if (hit != std::string::npos) {
        const std::size_t line = index_.LineAt(at + hit);
        SelectLines(line, 1);
        ListView_EnsureVisible(hwnd_, int(line), FALSE);
        return true;
      }
      if (at + bytes.size() >= stop) break;
      at += bytes.size() > text.size() ? bytes.size() - text.size() + 1 : bytes.size();
      ui::ProcessMessages();
    }
  }
  return false;
}

void ReportView::Find() {
  const std::optional<std::string> text = ui::dialogs().InputQuery(form().handle(), "Find", "Find what:", findText_);
  if (!text || text->empty()) return;
  if (!FindNext(*text)) ui::ShowMessage("Cannot find \"" + *text + "\".", "Vantrel", ui::MsgIcon::Information, form().handle());
}

void ReportView::FindAgain() {
  if (findText_.empty()) {
    Find();
    return;
  }
  if (!FindNext(findText_))
    ui::ShowMessage("Cannot find \"" + findText_ + "\".", "Vantrel", ui::MsgIcon::Information, form().handle());
}

}  // namespace velmora::tracker
