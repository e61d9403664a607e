// ui_gallery: one window with every control of the forms layer, to look at
// (scripts/shot build/ui_gallery.exe) when the layer's drawing or layout changes.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <string>

#include "ui/app.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/list_view.h"
#include "ui/menus.h"

using namespace velmora;
using namespace velmora::ui;

namespace {

BitmapHandle DrawBadge(int w, int h) {
  HDC screen = GetDC(nullptr);
  BitmapHandle bmp(CreateCompatibleBitmap(screen, w, h));
  HDC mem = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(mem, bmp.get());
  TRIVERTEX v[2] = {{0, 0, 0x2000, 0x5000, 0xB000, 0}, {w, h, 0x9000, 0xC800, 0xFF00, 0}};
  GRADIENT_RECT gr{0, 1};
  GradientFill(mem, v, 2, &gr, 1, GRADIENT_FILL_RECT_V);
  SetBkMode(mem, TRANSPARENT);
  SetTextColor(mem, RGB(255, 255, 255));
  RECT r{0, 0, w, h};
  DrawTextW(mem, L"Image", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SelectObject(mem, old);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return bmp;
}

class Gallery : public Form {
 public:
  Gallery() {
    FormArgs a;
    a.className = "TfrmGallery";
    a.caption = "Forms Layer Gallery";
    a.clientWidth = 640;
    a.clientHeight = 430;
    a.helpTopic = "Gallery";
    Create(a);
  }

  MainMenu menu{*this};
  MenuItem& mnuFile = menu.Add("&File");
  MenuItem& mnuSelectAll = mnuFile.Add("Select &All", [this] { SelectAll(); }, "Ctrl+A");
  MenuItem& mnuSep = mnuFile.AddSeparator();
  MenuItem& mnuExit = mnuFile.Add("E&xit", [this] { Close(); });
  MenuItem& mnuView = menu.Add("&View");
  MenuItem& mnuGrid = mnuView.Add("&Details", {}, "F5");

  GroupBox grpOptions{*this, {8, 8, 200, 150}, "Options"};
  CheckBox cbTemp{*this, {20, 28, 180, 20}, "&Temporary files", true};
  CheckBox cbLogs{*this, {20, 50, 180, 20}, "Old &log files"};
  RadioButton rbAll{*this, {20, 76, 180, 20}, "All &drives", true};
  RadioButton rbFixed{*this, {20, 98, 180, 20}, "&Fixed drives only"};
  Label lblDays{*this, {20, 128, 110, 20}, "Older than (days):"};
  NumberEdit neDays{*this, {132, 124, 62, 23}, 1, 365, 14};

  Label lblName{*this, {8, 168, 200, 16}, "&Name:"};
  Edit edtName{*this, {8, 186, 200, 23}, "Weekly clean-up"};
  Label lblFolder{*this, {8, 216, 200, 16}, "F&older:"};
  EditWithBrowse edtFolder{*this, {8, 234, 200, 23}, BrowseKind::Folder, "Choose a folder"};
  Image imgBadge{*this, {8, 268, 120, 48}};
  Animation aniSearch{*this, {150, 268, 56, 48}};

  TabControl pc{*this, {216, 8, 416, 318}};
  TabPage tsFiles{pc, "Files"};
  TabPage tsLog{pc, "Log"};
  ListView lvScan{tsFiles, {6, 6, 396, 276}, true};
  Memo mmoLog{tsLog, {6, 6, 396, 276}, true};

  MenuButton cmdClear{*this, {216, 336, 100, 25}, "Clear &Log"};
  Button cmdHelp{*this, {322, 336, 75, 25}, "&Help"};
  Button cmdOk{*this, {476, 336, 75, 25}, "OK", ButtonRole::Default};
  Button cmdCancel{*this, {557, 336, 75, 25}, "Cancel", ButtonRole::Cancel};

  ProgressBar pg{*this, {}, 0, 100};
  StatusBar sb{*this};

 protected:
  void FormCreate() override {
    mnuGrid.SetChecked(true);
    cmdClear.AddItem("Manual Operations");
    cmdClear.AddItem("Scheduled Operations");
    cmdOk.onClick = [this] { Close(); };
    cmdCancel.onClick = [this] { Close(); };
    imgBadge.SetPicture(DrawBadge(120, 48));
    lvScan.AddColumn("File", 220);
    lvScan.AddColumn("Size", 70, ColumnAlign::Right);
    lvScan.AddColumn("Type", 80);
    lvScan.BeginUpdate();
    for (int i = 0; i < 60; ++i) {
      const int row = lvScan.AddItem("C:\\Windows\\Temp\\~df" + std::to_string(1000 + i * 37) + ".tmp");
      lvScan.SetSubItem(row, 0, std::to_string((i * 7919) % 900 + 1) + " KB");
      lvScan.SetSubItem(row, 1, i % 4 ? "Temporary" : "Log file");
      lvScan.SetChecked(row, i % 3 != 1);
    }
    lvScan.EndUpdate();
    lvScan.SetSelected(2, true);
    for (int i = 0; i < 12; ++i) mmoLog.AppendLine("  Removed C:\\Windows\\Temp\\file" + std::to_string(i) + ".tmp");
    sb.SetPanels({260, 180, -1});
    sb.SetText(0, "Total Files Removed: 60");
    sb.SetText(2, "Scanning...");
    sb.PlaceInPanel(pg, 1);
    pg.SetPosition(62);
    aniSearch.Start();
  }
  void FormClose() override { QuitApplication(); }

 private:
  void SelectAll() {
    for (int i = 0; i < lvScan.itemCount(); ++i) lvScan.SetChecked(i, true);
  }
};

// A borderless window cut from a picture (silver is transparent), with a
// launcher-style picture button: normal on top, pressed below.
class ShapedWindow : public Form {
 public:
  explicit ShapedWindow(HWND owner) {
    background_ = DrawBackground();
    imgDown.SetPicture(DrawButton(RGB(40, 90, 40), L"Pressed"));
    imgUp.SetPicture(DrawButton(RGB(60, 150, 60), L"Go"));
    imgUp.handCursor = true;
    imgUp.onMouseDown = [this](int, int) { imgUp.SetVisible(false); };
    imgUp.onMouseUp = [this](int, int) { imgUp.SetVisible(true); };
    FormArgs a;
    a.className = "TfrmGalleryShape";
    a.style = FormStyle::Borderless;
    a.pixelLayout = true;
    a.dragByBackground = true;
    a.clientWidth = 180;
    a.clientHeight = 180;
    a.owner = owner;
    a.centered = false;
    a.x = 40;
    a.y = 40;
    Create(a);
    SetBackgroundPicture(background_.get());
    SetShapeFromBitmap(background_.get(), RGB(192, 192, 192));
  }
  Image imgDown{*this, {50, 70, 80, 32}};
  Image imgUp{*this, {50, 70, 80, 32}};

 private:
  static BitmapHandle DrawBackground() {
    HDC screen = GetDC(nullptr);
    BitmapHandle bmp(CreateCompatibleBitmap(screen, 180, 180));
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, bmp.get());
    RECT all{0, 0, 180, 180};
    HBRUSH silver = CreateSolidBrush(RGB(192, 192, 192));
    FillRect(mem, &all, silver);
    HBRUSH face = CreateSolidBrush(RGB(30, 60, 120));
    HGDIOBJ oldBrush = SelectObject(mem, face);
    SelectObject(mem, GetStockObject(NULL_PEN));
    Ellipse(mem, 0, 0, 180, 180);
    SelectObject(mem, oldBrush);
    SelectObject(mem, old);
    DeleteObject(face);
    DeleteObject(silver);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return bmp;
  }
  static BitmapHandle DrawButton(COLORREF colour, const wchar_t* text) {
    HDC screen = GetDC(nullptr);
    BitmapHandle bmp(CreateCompatibleBitmap(screen, 80, 32));
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, bmp.get());
    RECT r{0, 0, 80, 32};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(mem, &r, brush);
    DeleteObject(brush);
    SetBkMode(mem, TRANSPARENT);
    SetTextColor(mem, RGB(255, 255, 255));
    DrawTextW(mem, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return bmp;
  }
  BitmapHandle background_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int rc = 0;
  {
    Gallery gallery;
    gallery.Show();
    ShapedWindow shaped(gallery.handle());
    shaped.Show();
    rc = RunMessageLoop();
  }
  CoUninitialize();
  return rc;
}
