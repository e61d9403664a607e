#include "tools/shortcuts/frm_startmenu.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <exception>
#include <unordered_map>

#include "platform/format.h"
#include "platform/system.h"
#include "platform/text.h"
#include "scan/comma_text.h"
#include "shell/common_icons.h"
#include "shell/commontools.h"
#include "shell/help.h"
#include "shell/list_functions.h"
#include "shell/settings.h"
#include "shell/utilities.h"
#include "ui/dialogs.h"

namespace velmora::shortcuts {

namespace {

constexpr int kClientWidth = 620;
constexpr int kClientHeight = 470;
constexpr int kResultsTop = 212;
constexpr int kToolbarHeight = 38;

const char* const kGoHint = "Begin scanning for invalid shortcuts";
const char* const kStopHint = "Abort the current scan (may take a moment)";
std::string MoveLine(const std::string& path, const std::string& folder) {
  return "  Relocating " + path + " to " + folder;
}

const shell::RemovalTexts kRemovalTexts{"&Move removed shortcuts to recycle bin",
                                        "&Permanently delete removed shortcuts",
                                        "M&ove removed shortcuts to:",
                                        "&Confirm before removing shortcuts",
                                        "Choose the folder to move removed shortcuts to",
                                        178,
                                        &MoveLine,
                                        /*browseOnRefusal=*/true,
                                        /*inUseCheck=*/false};

std::string Trim(const std::string& s) {
  const std::size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

TfrmStartMenu::TfrmStartMenu()
    : mnuBrowse(pmList.Add("&Browse for missing target", [this] { mnuBrowseClick(); }, "Enter")),
      mnuFix(pmList.Add("&Fix Selected Shortcut(s)", [this] { mnuFixClick(); }, "Ctrl+F")),
      mnuClean(pmList.Add("&Remove Selected Shortcut(s)", [this] { cmdRemoveClick(); }, "Del")),
      mnuSep1(pmList.AddSeparator()),
      mnuscan(pmList.Add("&Scan drives for all moved targets", [this] { cmdFindClick(); })),
      mnuRemoveSel(pmRemove.Add("&Remove Selected Shortcuts", [this] { cmdRemoveClick(); }, "Del")),
      mnuRemoveAll(pmRemove.Add("Remove &All Broken Shortcuts", [this] { mnuRemoveAllClick(); }, "Ctrl+Shift+Del")),
      mnuFixSel(pmFix.Add("&Fix Selected Shortcuts", [this] { mnuFixClick(); })),
      mnuFixall(pmFix.Add("Fix &All Shortcuts", [this] { mnuFixallClick(); })),
      mnuSep2(pmFix.AddSeparator()),
      mnuBrowseFor(pmFix.Add("&Browse for selected shortcut target", [this] { mnuBrowseClick(); })),
      PageControl1(*this, {8, 8, 500, 196}),
      tsWhere(PageControl1, "Where to look"),
      tsRemoval(PageControl1, "Removal"),
      cbStartMenu(tsWhere, {12, 8, 220, 20}, "&Only scan Start Menu", false),
      cbCleanAfter(tsWhere, {232, 8, 256, 20}, "&Remove empty Start Menu groups after cleaning", true),
      DiskListView1(tsWhere, {12, 32, 476, 82}, /*checkBoxes=*/true, "Select drives to scan"),
      cbExclude(tsWhere, {12, 118, 476, 20},
                "&Exclude shortcuts with targets referring to CDROM or network drives", true),
      cbAutoFind(tsWhere, {12, 142, 476, 20}, "&Automatically scan for moved shortcut targets", false),
      removal(*this, tsRemoval, kRemovalTexts, log, scheduledRun_),
      optRecycle(removal.optRecycle),
      optDelete(removal.optDelete),
      optMove(removal.optMove),
      deMove(removal.deMove),
      cbConfirm(removal.cbConfirm),
      cmdGo(*this, {518, 30, 94, 26}, "&Scan", ui::ButtonRole::Default),
      cmdHelp(*this, {518, 62, 94, 26}, "&Help"),
      cmdExit(*this, {518, 94, 94, 26}, "E&xit", ui::ButtonRole::Cancel),
      aviSearch(*this, {530, 130, 70, 60}),
      tb(*this, {8, kResultsTop, 604, 0}),
      lvLinks(*this, {8, kResultsTop, 604, 220}, /*checkBoxes=*/false, /*multiSelect=*/true),
      sb(*this),
      pg(*this, {}, 0, 1),
      storage(*this, kShortcutsStorageKey, "pos"),
      session_([this](const scan::FoundFile& f) { return ProbeLink(f); },
               [this](scan::FoundFile& f, LinkProbe& p) { ListLink(f, p); },
               [this](const std::string& folder) { sb.SetText(1, "Scanning: " + folder + "..."); }) {
  DriveRoot = [](char letter) { return std::string(1, letter) + ":\\"; };
  // One link object for the probing thread, made and released on it.
  session_.SetThreadState([this]() -> std::shared_ptr<void> {
    auto reader = std::make_shared<shell::ShellLinkReader>();
    reader_ = reader.get();
    return reader;
  });
  StartMenuFolders = [] {
    std::vector<std::string> folders;
    for (int csidl : {CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU})
      if (const auto path = ShellFolderPath(csidl); path && !path->empty())
        folders.push_back(IncludeTrailingBackslash(*path));
    return folders;
  };

  storage.Add(cbCleanAfter, "cbCleanAfter.Checked");
  storage.Add(cbExclude, "cbExclude.Checked");
  storage.Add(cbStartMenu, "cbStartMenu.Checked");
  removal.StoreIn(storage);
  DiskListView1.SelectLocalDrives = false;
  lvLinks.AddColumn("Name", 130);
  lvLinks.AddColumn("Target", 170);
  lvLinks.AddColumn("Location", 170);
  lvLinks.AddColumn("Link Description", 120);
  lvLinks.SetPopupMenu(&pmList);
  lvLinks.SetAccessibleName("Invalid shortcuts found");
  storage.Add(lvLinks, "lvLinks");
  pmRemove.AddScope(&lvLinks);
  pmFix.AddScope(&lvLinks);
  cmdGo.SetHint(kGoHint);

  for (scan::TTreeScanner* s : {&ts, &tsFix}) {
    s->SetFindHiddenFiles(true);
    s->SetFindHiddenFolders(true);
    s->SetRecursive(true);
  }
  ts.SetOnDirectoryFound([this](scan::TTreeScanner& s) { session_.AtFolder(s); });
  ts.SetOnFileFound([this](scan::TTreeScanner& s) {
    if (s.ProcessMessages) s.ProcessMessages();
    if (!s.Running) return;
    // What the move-to folder holds is what this tool put there.
    if (shell::InsideMoveFolderPath(ExtractFilePath(s.FileFound()), moveFolder_)) return;
    session_.Add(s, 0);
  });
  ts.SetOnSearchDone([this](scan::TTreeScanner&) { session_.TakeAll(); });

  cmdGo.onClick = [this] { cmdGoClick(); };
  cmdHelp.onClick = [this] { cmdHelpClick(); };
  cmdExit.onClick = [this] { cmdExitClick(); };
  cbStartMenu.onClick = [this] { cbStartMenuClick(); };
  DiskListView1.onCheckChange = [this](int) { DrivesChanged(); };
  DiskListView1.onSelectionChange = [this] { DrivesChanged(); };
  lvLinks.onSelectionChange = [this] { lvLinksChange(); };
  lvLinks.onDoubleClick = [this](int) { mnuBrowseClick(); };
  lvLinks.onColumnClick = [this](int column) {
    lvLinks.Sort([this, column](int a, int b) { return shell::CompareListItems(lvLinks, a, b, column); });
  };
  removal.GuardPageChanges(PageControl1);

  ui::FormArgs args;
  args.className = "TfrmStartMenu";
  args.caption = "Find and Fix Invalid Windows Shortcuts";
  args.clientWidth = kClientWidth;
  args.clientHeight = kClientHeight;
  args.sizeable = true;  // the results list grows with the window
  for (ui::Control* c : std::initializer_list<ui::Control*>{&cmdGo, &cmdHelp, &cmdExit, &aviSearch}) c->SetAnchors(ui::akRight | ui::akTop);
  args.helpTopic = kShortcutsTopic;
  args.freeOnClose = true;
  Create(args);
}

TfrmStartMenu::~TfrmStartMenu() = default;

void TfrmStartMenu::FormCreate() {
  shell::Tcommontools& common = shell::commontools();
  cmdHelp.SetGlyph(common.SmallAt(shell::SmallPic::Help16, dpi()));
  lvLinks.SetImageList(common.ilIcons.get());
  tb.SetImageList(common.ilCommon16.get());
  tb.AddButton("Remove", shell::common_icon::kDelete, [this] { cmdRemoveClick(); }, &pmRemove);
  tb.AddButton("Fix", shell::common_icon::kShortcut, [this] { mnuFixClick(); }, &pmFix);
  tb.AddButton("Find Targets", shell::common_icon::kSearch, [this] { cmdFindClick(); });
  aviSearch.SetVisible(false);
  sb.SetPanels({160, -1});
  sb.PlaceInPanel(pg, 0);
  pg.SetVisible(false);

  ShortcutsFixed = ShortcutsRemoved = 0;
  BytesRecovered = 0;
  ManualLogging = log.ReadManualSwitch();
  removal.FormCreate();
  cbCleanAfter.SetVisible(cbStartMenu.checked());

  DiskListView1.FillDrives();
  const std::string drives =
      UpperCase(shell::ReadStringSetting(kShortcutsDrivesKey, "Drives").value_or("---"));
  for (int row = 0; row < DiskListView1.itemCount(); ++row) {
    const char letter = DiskListView1.DriveLetter(row);
    DiskListView1.SetChecked(row, letter && drives.find(letter) != std::string::npos);
  }
  DrivesChanged();
  SetToolbarHeight(0);
  UpdateCommands();
}

void TfrmStartMenu::FormShow() {
  log.OpenSession();
  shell::SelectFixedDrivesByDefault(kShortcutsStorageKey, "pos", DiskListView1);
  DrivesChanged();
}

void TfrmStartMenu::FormCloseQuery(bool& canClose) {
  ts.Running = tsFix.Running = false;
  Stopped = true;
  if (running_) {
    // The running command stops at its next step; the window closes then, so
    // its closing block and statistics count everything it did.
    closeAsked_ = true;
    canClose = false;
    return;
  }
  shell::WriteStringSetting(kShortcutsDrivesKey, "Drives", CheckedDrives());
  log.CloseSession({"NUMBER OF SHORTCUTS FIXED: " + std::to_string(ShortcutsFixed),
                    "NUMBER OF SHORTCUTS REMOVED: " + std::to_string(ShortcutsRemoved),
                    "TOTAL SPACE RECOVERED: " + FormatThousands(BytesRecovered) + " bytes (" +
                        FormatMegabytes(BytesRecovered) + " megabytes.)"});
  shell::AddStatistic(shell::stat::kShortBytes, BytesRecovered);
  shell::AddStatistic(shell::stat::kShortFixed, ShortcutsFixed);
  shell::AddStatistic(shell::stat::kShortRemoved, ShortcutsRemoved);
  ShortcutsFixed = ShortcutsRemoved = 0;  // once per window
  BytesRecovered = 0;
  canClose = true;
}

std::string TfrmStartMenu::CheckedDrives() const {
  std::string letters;
  for (int row = 0; row < DiskListView1.itemCount(); ++row)
    if (DiskListView1.Checked(row) && DiskListView1.DriveLetter(row)) letters += DiskListView1.DriveLetter(row);
  return letters;
}

void TfrmStartMenu::DrivesChanged() {
  // A ticked drive is a selected row, so the selection names the ticked drives.
  static bool syncing = false;
  if (syncing) return;
  syncing = true;
  for (int row = 0; row < DiskListView1.itemCount(); ++row)
    DiskListView1.SetSelected(row, DiskListView1.Checked(row));
  syncing = false;
}

void TfrmStartMenu::cbStartMenuClick() { cbCleanAfter.SetVisible(cbStartMenu.checked()); }

void TfrmStartMenu::cmdHelpClick() { shell::OpenHelpTopic(kShortcutsTopic); }

void TfrmStartMenu::cmdExitClick() {
  ts.Running = tsFix.Running = false;
  Stopped = true;
  Close();
}

// ---- Run state -----------------------------------------------------------------

void TfrmStartMenu::EnterRunState() {
  running_ = true;
  ts.Running = tsFix.Running = true;
  Stopped = false;
  cmdGo.SetCaption("&Stop");
  aviSearch.SetVisible(true);
  aviSearch.Start();
  SetCursor(LoadCursor(nullptr, IDC_WAIT));
  cmdExit.SetEnabled(false);
  PageControl1.SetEnabled(false);
  pg.SetVisible(true);
}

void TfrmStartMenu::LeaveRunState() {
  running_ = false;
  cmdGo.SetCaption("&Scan");
  cmdGo.SetHint(kGoHint);
  cmdExit.SetEnabled(true);
  PageControl1.SetEnabled(true);
  aviSearch.Stop();
  aviSearch.SetVisible(false);
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
  pg.SetVisible(false);
  pg.SetPosition(0);
  SetToolbarHeight(lvLinks.itemCount() > 0 ? kToolbarHeight : 0);
  const int n = lvLinks.itemCount();
  sb.SetText(1, n == 0 ? "No invalid shortcuts" : std::to_string(n) + " invalid shortcut(s)");
  UpdateCommands();
  if (closeAsked_) {
    closeAsked_ = false;
    Close();
  }
}

void TfrmStartMenu::SetToolbarHeight(int height) {
  tb.SetBounds({8, kResultsTop, clientWidth() - 16, height});
  const int top = kResultsTop + height;
  const int bottom = std::max(top + 20, clientHeight() - sb.height() - 6);
  lvLinks.SetBounds({8, top, clientWidth() - 16, bottom - top});
}

void TfrmStartMenu::UpdateCommands() {
  const int rows = lvLinks.itemCount();
  bool anyNew = false, selectedNew = false;
  const std::vector<int> sel = lvLinks.SelectedRows();
  for (int row = 0; row < rows; ++row) {
    if (NewTarget(row).empty()) continue;
    anyNew = true;
    if (lvLinks.Selected(row)) selectedNew = true;
  }
  tb.SetButtonEnabled(kTbRemove, rows > 0);
  tb.SetButtonEnabled(kTbFix, anyNew);
  tb.SetButtonEnabled(kTbFind, rows > 0 && !running_);
  mnuFix.SetEnabled(anyNew);
  mnuFixSel.SetEnabled(selectedNew);
  mnuFixall.SetEnabled(anyNew);
  mnuClean.SetEnabled(!sel.empty());
  mnuRemoveSel.SetEnabled(!sel.empty());
  mnuRemoveAll.SetEnabled(rows > 0);
  mnuBrowse.SetEnabled(!sel.empty());
  mnuBrowseFor.SetEnabled(!sel.empty());
  mnuscan.SetEnabled(rows > 0);
}

void TfrmStartMenu::lvLinksChange() { UpdateCommands(); }

void TfrmStartMenu::SelectNear(int index) {
  lvLinks.ClearSelection();
  const int n = lvLinks.itemCount();
  if (n == 0) return;
  int row = index - 1;
  if (row < 0 || row >= n) row = index;
  if (row < 0 || row >= n) row = index + 1;
  if (row < 0 || row >= n) row = n - 1;
  lvLinks.SetSelected(row, true);
  lvLinks.EnsureVisible(row);
}

// ---- Scan ------------------------------------------------------------------------

void TfrmStartMenu::cmdGoClick() {
  if (running_) {
    ts.Running = tsFix.Running = false;
    Stopped = true;
    return;
  }
  cmdGo.SetHint(kStopHint);
  log.Line("  Scan for invalid shortcuts.");
  sb.SetText(1, "Scanning For Invalid Shortcuts...Please wait.");
  EnterRunState();
  lvLinks.Clear();

  // The rules the probing thread applies, fixed before the walk starts.
  rules_ = std::make_unique<ScanRules>();
  rules_->exclude = cbExclude.checked();
  if (rules_->exclude)
    for (int i = 0; i < 26; ++i) {
      const wchar_t root[] = {wchar_t(L'A' + i), L':', L'\\', 0};
      rules_->driveTypes[std::size_t(i)] = GetDriveTypeW(root);
    }
  moveFolder_ = deMove.text();
  analyzing_.Reset();

  std::exception_ptr failure;
  {
    scan::ScanSession<LinkProbe>::Running running{session_};
    try {
      ts.SetFileMaskCommaText("");
      ts.SetFileMask("*.lnk");
      if (cbStartMenu.checked()) {
        const std::vector<std::string> folders = StartMenuFolders();
        pg.SetRange(0, int(folders.size()));
        for (const std::string& folder : folders) {
          if (!ts.Running) break;
          ts.SetInitialDirectory(folder);
          ts.Scan();
          pg.StepBy(1);
        }
      } else {
        const std::string drives = CheckedDrives();
        pg.SetRange(0, int(drives.size()));
        pg.SetPosition(0);
        for (char letter : drives) {
          if (!ts.Running) break;
          ts.SetInitialDirectory(DriveRoot(letter));
          ts.Scan();
          pg.StepBy(1);
        }
      }
      session_.TakeAll();
    } catch (...) {
      failure = std::current_exception();
    }
  }
  rules_.reset();
  reader_ = nullptr;  // gone with the probing thread
  const bool stopped = Stopped;
  log.Line("  Scan complete. " + std::to_string(lvLinks.itemCount()) + " invalid shortcut(s) found.");
  LeaveRunState();
  if (failure) std::rethrow_exception(failure);
  if (cbAutoFind.checked() && !stopped && lvLinks.itemCount() > 0) SearchMovedTargets();
  if (lvLinks.itemCount() > 0) {
    SetToolbarHeight(kToolbarHeight);
    lvLinks.ClearSelection();
    lvLinks.SetSelected(0, true);
    if (visible()) lvLinks.SetFocus();
  }
  UpdateCommands();
}

// On the probing thread: reads the shortcut and decides whether it is listed.
LinkProbe TfrmStartMenu::ProbeLink(const scan::FoundFile& found) {
  LinkProbe p;
  p.file = found.listing;
  try {
    p.info = reader_ ? reader_->Read(LongPathW(found.path)) : shell::ReadShortcut(LongPathW(found.path));
  } catch (const shell::ShellLinkError&) {
    return p;  // empty or corrupt: one bad file does not end the scan
  }
  // Installer-advertised shortcuts and those to shell objects or addresses
  // name no file to look for.
  if (p.info.Flags & SLDF_HAS_DARWINID) return p;
  const std::string target = Trim(p.info.LongPath);
  if (target.size() <= 3) return p;  // blank, or a drive root
  if (rules_ && rules_->exclude) {
    if (target.rfind("\\\\", 0) == 0) return p;  // a share
    const char letter = char(target[0] | 0x20);
    if (target[1] == ':' && letter >= 'a' && letter <= 'z') {
      const unsigned type = rules_->driveTypes[std::size_t(letter - 'a')];
      if (type == DRIVE_CDROM || type == DRIVE_REMOTE) return p;
    }
  }
  p.target = shell::ExpandEnvironment(target);
  PathProber fallback;
  PathProber& prober = rules_ ? rules_->prober : fallback;
  p.listed = prober(p.target) == PathState::Missing;
  return p;
}

// On the window's thread, in the order found.
void TfrmStartMenu::ListLink(scan::FoundFile& found, LinkProbe& probe) {
  if (!ts.Running) return;
  if (analyzing_.Due()) sb.SetText(1, "Analyzing shortcut: " + found.path);
  if (probe.listed) AddRow(found.path, probe);
}

void TfrmStartMenu::AddRow(const std::string& link, LinkProbe& probe) {
  const std::string name = ExtractFileName(link);
  const bool folder = !probe.target.empty() && probe.target.back() == '\\';
  const int row = lvLinks.AddItem(name.size() > 4 ? name.substr(0, name.size() - 4) : name,
                                  folder ? shell::row_icon::kMissingFolder : shell::row_icon::kMissingFile);
  lvLinks.SetSubItem(row, 0, probe.info.LongPath);
  lvLinks.SetSubItem(row, 1, link);
  lvLinks.SetSubItem(row, 2, probe.info.Description);
  auto record = std::make_unique<ShortcutRow>();
  record->link = link;
  record->file = probe.file;
  record->target = probe.target;
  lvLinks.SetPayload(row, std::move(record));
}

// ---- Moved targets -----------------------------------------------------------------

void TfrmStartMenu::cmdFindClick() {
  if (running_ || lvLinks.itemCount() == 0) return;
  SearchMovedTargets();
}

void TfrmStartMenu::SearchMovedTargets() {
  log.Line("  Scanning for moved targets.");
  sb.SetText(1, "Finding Moved Targets...Please Wait.");
  if (lvLinks.columnCount() < 5) lvLinks.AddColumn("Possible New Target Location", 190);
  EnterRunState();
  searching_.Reset();

  // Rows by the target's file name. A name with wildcards would match other
  // files, and a folder target has no file name: neither is looked for.
  std::unordered_map<std::wstring, std::vector<ShortcutRow*>> wanted;
  for (int row = 0; row < lvLinks.itemCount(); ++row) {
    ShortcutRow* r = lvLinks.PayloadAs<ShortcutRow>(row);
    if (!r) continue;
    r->found.clear();
    const std::string name = ExtractFileName(r->target);
    if (name.empty() || name.find_first_of("*?") != std::string::npos) continue;
    wanted[UpperCaseW(Widen(name))].push_back(r);
  }
  // One walk per drive for every row; a row matched on a drive is not looked
  // for on the later ones, and its matches keep the walk's order.
  std::vector<ShortcutRow*> matchedHere;
  tsFix.SetOnFileFound([&](scan::TTreeScanner& s) {
    const auto it = wanted.find(UpperCaseW(Widen(ExtractFileName(s.FileFound()))));
    if (it == wanted.end()) return;
    for (ShortcutRow* r : it->second) {
      if (r->found.empty()) matchedHere.push_back(r);
      r->found.push_back(s.FileFound());
    }
  });
  tsFix.SetOnDirectoryFound([this](scan::TTreeScanner& s) {
    if (searching_.Due()) sb.SetText(1, "Searching for moved targets: " + s.FileFound() + "...");
  });
  const std::string drives = CheckedDrives();
  pg.SetRange(0, int(drives.size()));
  pg.SetPosition(0);
  std::exception_ptr failure;
  try {
    for (char letter : drives) {
      if (Stopped || !tsFix.Running || wanted.empty()) break;
      std::vector<std::string> names;
      for (const auto& entry : wanted) names.push_back(ExtractFileName(entry.second.front()->target));
      tsFix.SetFileMaskCommaText(scan::MakeCommaText(names));
      tsFix.SetInitialDirectory(DriveRoot(letter));
      matchedHere.clear();
      tsFix.Scan();
      // Matched rows are done; the rest are looked for on the next drive.
      for (auto it = wanted.begin(); it != wanted.end();) {
        auto& rows = it->second;
        rows.erase(std::remove_if(rows.begin(), rows.end(), [](ShortcutRow* r) { return !r->found.empty(); }),
                   rows.end());
        it = rows.empty() ? wanted.erase(it) : std::next(it);
      }
      pg.StepBy(1);
    }
  } catch (...) {
    failure = std::current_exception();
  }
  tsFix.SetOnFileFound(nullptr);
  for (int row = 0; row < lvLinks.itemCount(); ++row) {
    const ShortcutRow* r = lvLinks.PayloadAs<ShortcutRow>(row);
    if (!r) continue;
    for (std::size_t i = 0; i < r->found.size(); ++i) lvLinks.SetSubItem(row, int(3 + i), r->found[i]);
  }
  LeaveRunState();
  if (failure) std::rethrow_exception(failure);
}

// ---- Repair ------------------------------------------------------------------------

bool TfrmStartMenu::RepairRow(int row, const std::string& newTarget) {
  const ShortcutRow* r = lvLinks.PayloadAs<ShortcutRow>(row);
  if (!r) return false;
  try {
    shell::TShellLinkInfo info = shell::ReadShortcut(LongPathW(r->link));
    info.Path = newTarget;
    shell::WriteShortcut(LongPathW(r->link), info);
  } catch (const shell::ShellLinkError&) {
    return false;  // the row stays for another try
  }
  // Logged and counted once the shortcut really points at the new target.
  log.Line("  Shortcut fixed: " + r->link);
  ++ShortcutsFixed;
  return true;
}

void TfrmStartMenu::mnuFixallClick() {
  lvLinks.SelectAll();
  mnuFixClick();
}

void TfrmStartMenu::mnuFixClick() {
  if (running_) return;
  EnterRunState();
  const std::vector<int> sel = lvLinks.SelectedRows();
  const int remembered = sel.empty() ? 0 : sel.front();
  int fixed = 0;
  for (int row = 0; row < lvLinks.itemCount() && !Stopped;) {
    const std::string target = NewTarget(row);
    if (lvLinks.Selected(row) && !target.empty() && RepairRow(row, target)) {
      lvLinks.DeleteRow(row);
      ++fixed;
      ui::ProcessMessages();
      continue;
    }
    ++row;
  }
  SelectNear(remembered);
  const bool stopped = Stopped;
  LeaveRunState();
  // Said only when something was repaired: a run where every rewrite failed
  // repaired nothing.
  if (!stopped && fixed > 0)
    ui::ShowMessage("Velmora has successfully repaired the shortcuts for which new matching targets were found.",
                    "Velmora", ui::MsgIcon::Information, handle());
}

void TfrmStartMenu::mnuBrowseClick() {
  if (running_) return;
  std::vector<int> sel = lvLinks.SelectedRows();
  if (sel.empty()) return;
  const int row = sel.front();
  lvLinks.ClearSelection();
  lvLinks.SetSelected(row, true);
  ui::FileDialogOptions o;
  o.title = "Browse for missing shortcut target";
  o.filter = "*.*|*.*";
  o.mustExist = true;
  const ShortcutRow* r = lvLinks.PayloadAs<ShortcutRow>(row);
  o.fileName = r ? ExtractFileName(r->target) : "";
  const std::optional<std::string> chosen = ui::dialogs().OpenFile(handle(), o);
  if (chosen && !chosen->empty() && RepairRow(row, *chosen)) {
    lvLinks.DeleteRow(row);
    SelectNear(row);
  }
  LeaveRunState();
}

// ---- Removal -----------------------------------------------------------------------

void TfrmStartMenu::cmdRemoveClick() {
  if (running_ || lvLinks.SelectedRows().empty()) return;
  RemoveRows(false);
}

void TfrmStartMenu::mnuRemoveAllClick() {
  if (running_ || lvLinks.itemCount() == 0) return;
  lvLinks.SelectAll();
  RemoveRows(true);
}

shell::RemovalStatus TfrmStartMenu::RemoveLink(const ShortcutRow& row) {
  // Judged again: a target that came back makes the shortcut good again.
  if (ProbePath(row.target) != PathState::Missing) {
    log.Line("  Not removed: " + row.link + ".  Its target " + row.target + " is no longer missing.");
    return shell::RemovalStatus::Changed;
  }
  return removal.Remove({row.link, row.file.size, row.file.written, std::nullopt}).status;
}

// The Start Menus themselves and their "Programs" and "Startup" folders are
// never removed as empty groups.
bool TfrmStartMenu::ProtectedGroup(const std::string& folder) const {
  const std::string f = UpperCase(IncludeTrailingBackslash(folder));
  for (const std::string& menu : StartMenuFolders()) {
    const std::string m = UpperCase(IncludeTrailingBackslash(menu));
    if (f == m || f == m + "PROGRAMS\\" || f == m + "PROGRAMS\\STARTUP\\" || f == m + "STARTUP\\") return true;
  }
  return false;
}

void TfrmStartMenu::RemoveRows(bool all) {
  if (cbConfirm.checked()) {
    const std::string question = all ? "Are you sure you wish to remove all of the displayed shortcuts?"
                                     : "Are you sure you wish to remove the selected shortcuts?";
    if (ui::dialogs().Message(handle(), question, "Please confirm", ui::MsgButtons::YesNo, ui::MsgIcon::Question) !=
        ui::MsgResult::Yes)
      return;
  }
  if (!removal.BeginCommand()) return;
  sb.SetText(1, "Removing Invalid Shortcuts...Please wait.");
  const std::vector<int> sel = lvLinks.SelectedRows();
  const int remembered = sel.empty() ? 0 : sel.front();
  EnterRunState();
  for (int row = 0; row < lvLinks.itemCount() && !Stopped;) {
    const ShortcutRow* r = lvLinks.Selected(row) ? lvLinks.PayloadAs<ShortcutRow>(row) : nullptr;
    if (!r) {
      ++row;
      continue;
    }
    const std::string path = r->link;
    const std::uint64_t size = r->file.size;
    // Counted, logged and dropped only when it really left its path.
    const shell::RemovalStatus status = RemoveLink(*r);
    if (status != shell::RemovalStatus::Removed) {
      if (status == shell::RemovalStatus::NoMoveFolder) break;  // nothing more can move
      ++row;
      continue;
    }
    ++ShortcutsRemoved;
    BytesRecovered = std::int32_t(std::uint32_t(BytesRecovered) + std::uint32_t(size));
    const std::string folder = ExtractFilePath(path);
    if (cbCleanAfter.checked() && cbStartMenu.checked() && !ProtectedGroup(folder) && shell::FolderIsEmpty(folder))
      RemoveDirectoryW(LongPathW(ExcludeTrailingBackslash(folder)).c_str());
    lvLinks.DeleteRow(row);
    ui::ProcessMessages();
  }
  SelectNear(remembered);
  LeaveRunState();
}

}  // namespace velmora::shortcuts
