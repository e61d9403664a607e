// The file list with 100,000 rows: adding, sorting by each kind of column and
// scrolling through it, in one process. Prints seconds per step.
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "platform/datetime.h"
#include "platform/format.h"
#include "scan/file_list_view.h"
#include "ui/app.h"
#include "ui/form.h"

using namespace velmora;

namespace {

struct Host : ui::Form {
  scan::TFileListView files{*this, {4, 4, 780, 560}};
  Host() {
    ui::FormArgs args;
    args.className = "TBenchFileList";
    args.caption = "file list bench";
    args.clientWidth = 790;
    args.clientHeight = 570;
    Create(args);
  }
};

double Seconds(const std::chrono::steady_clock::time_point& since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main() {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  Host host;
  host.Show();
  auto& list = host.files;
  const int kRows = 100000;

  auto t = std::chrono::steady_clock::now();
  list.BeginUpdate();
  for (int i = 0; i < kRows; ++i) {
    // Rows as AddFile makes them; names and sizes in a scrambled order.
    const unsigned k = unsigned(i) * 2654435761u;
    const int row = list.AddItem("c:\\data\\folder" + std::to_string(k % 997) + "\\File" + std::to_string(k) + ".tmp");
    list.SetSubItem(row, 0, std::to_string(std::uint64_t(k % 5000000) * 1000));
    list.SetSubItem(row, 1, "TMP File");
    list.SetSubItem(row, 2, FormatDateTime(EncodeDateTime(2020, 1, 1) + (k % 200000) / 137.0));
    list.SetSubItem(row, 3, "   A");
  }
  list.EndUpdate();
  std::printf("add %d rows: %.3f s\n", kRows, Seconds(t));

  for (int column : {scan::colName, scan::colSize, scan::colModified, scan::colType}) {
    t = std::chrono::steady_clock::now();
    list.ColumnClick(column);
    std::printf("sort by %-8s: %.3f s\n", list.columnCaption(column).c_str(), Seconds(t));
  }

  t = std::chrono::steady_clock::now();
  for (int row = 0; row < kRows; row += kRows / 50) {
    list.EnsureVisible(row);
    UpdateWindow(list.handle());
    ui::ProcessMessages();
  }
  std::printf("scroll through 50 screens: %.3f s\n", Seconds(t));
  return 0;
}
