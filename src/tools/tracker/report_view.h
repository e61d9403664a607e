// The report page's view: a read-only, unwrapped, plain-text view of a report
// file of any size. It keeps an index of where each line starts (LineIndex)
// and shows the lines in sight through an owner-data list view, reading them
// from the file as they scroll into view: the report is never loaded whole.
// Lines can be selected (click, Shift, Ctrl+A) and copied (Ctrl+C), found
// (Ctrl+F, then F3), and the file opened in the text editor from its menu.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "tools/tracker/line_index.h"
#include "ui/form.h"
#include "ui/menus.h"

namespace velmora::tracker {

class ReportView : public ui::Control {
 public:
  ReportView(ui::Container& parent, ui::Bounds bounds);
  ~ReportView() override;

  // The menu's "View in Text Editor".
  std::function<void()> onViewInEditor;

  // Shows the file. Its lines are indexed a megabyte at a time with the
  // window's messages let run in between (never more than a few tens of
  // milliseconds without), the first screen as soon as it is read. False
  // (the view emptied) when the file cannot be opened or read.
  bool LoadFromFile(const std::string& path);
  void Clear();
  // Nothing but blanks and line breaks (or nothing at all) is shown.
  bool blank() const { return index_.blank(); }
  std::size_t lineCount() const { return index_.lineCount(); }
  bool loading() const { return loading_; }
  const std::string& path() const { return path_; }
  // Line i as UTF-8, without its line end, read from the file.
  std::string Line(std::size_t i) const;

  // Selection of whole lines.
  void SelectLines(std::size_t first, std::size_t count);
  void SelectAll();
  std::vector<std::size_t> SelectedLines() const;
  // The selected lines, each with CR LF; onto the clipboard with Copy.
  std::string SelectedText() const;
  void Copy();
  // The first line after the focused one (wrapping round once) that holds
  // `text`, ignoring the case of ASCII letters; it is selected, focused and
  // scrolled into view. False when no line holds it.
  bool FindNext(const std::string& text);
  // Asks for the text to find (Ctrl+F); F3 finds the same text again.
  void Find();
  void FindAgain();
  std::size_t focusedLine() const;
  std::size_t topLine() const;
  void ScrollToLine(std::size_t line);

  ui::PopupMenu pmReport;

 protected:
  void CreateHandle() override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  void OnHandleLost() override;

 private:
  std::string ReadRange(std::uint64_t offset, std::uint64_t size) const;
  void FillCache(std::size_t first, std::size_t last);
  const std::wstring& CachedLine(std::size_t line);
  void ShowCount();
  void FitColumn(int width);

  LineIndex index_;
  FileHandle file_;
  std::string path_;
  bool loading_ = false;
  unsigned generation_ = 0;
  std::size_t cacheFirst_ = 0;
  std::vector<std::wstring> cache_;
  int columnWidth_ = 0, charWidth_ = 8;
  std::string findText_;
};

}  // namespace velmora::tracker
