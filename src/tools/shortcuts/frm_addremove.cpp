#include "tools/shortcuts/frm_addremove.h"

#include <memory>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "shell/common_icons.h"
#include "shell/commontools.h"
#include "shell/help.h"
#include "shell/utilities.h"
#include "tools/regclean/undo_session.h"
#include "ui/dialogs.h"

namespace velmora::shortcuts {

namespace {

constexpr int kClientWidth = 620;
constexpr int kClientHeight = 344;  // the buttons clear the status bar

// What a row keeps: the list it came from and the entry's exact key name.
struct UninstallRow : ui::RowData {
  std::size_t source = 0;
  std::string name;
};

std::optional<std::string> SearchProgram(const std::string& name) {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = SearchPathW(nullptr, Widen(name).c_str(), nullptr, DWORD(buf.size()), buf.data(), nullptr);
    if (n == 0) return std::nullopt;
    if (n < buf.size()) return Narrow(buf.substr(0, n));
    buf.assign(n, L'\0');
  }
}

// The entry's key as the journal names it: its root and its path in the
// list's own view (the 32-bit list's machine key sits below WOW6432Node).
std::pair<std::u16string, std::u16string> JournalKey(const UninstallSource& source, const std::string& name) {
  const std::u16string root = source.root == HKEY_CURRENT_USER ? u"HKEY_CURRENT_USER" : u"HKEY_LOCAL_MACHINE";
  std::string path = source.path;
  if (source.view == KEY_WOW64_32KEY && source.root == HKEY_LOCAL_MACHINE && CompareNoCase(path.substr(0, 9), "SOFTWARE\\") == 0)
    path = "SOFTWARE\\WOW6432Node\\" + path.substr(9);
  return {root, regclean::FromUtf8(path + "\\" + name)};
}

}  // namespace

std::vector<UninstallSource> DefaultUninstallSources() {
  return {{HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_64KEY, "HKLM 64-bit", true},
          {HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY, "HKLM 32-bit", false},
          {HKEY_CURRENT_USER, kUninstallKey, 0, "HKCU", false}};
}

TfrmAddRemove::TfrmAddRemove(std::vector<UninstallSource> sources)
    : mnuRemove(pmList.Add("Clean &Selected", [this] { cmdRemoveClick(); }, "Del")),
      lv(*this, {8, 8, 604, 270}, /*checkBoxes=*/false, /*multiSelect=*/false),
      cmdRemove(*this, {8, 286, 94, 26}, "&Remove"),
      cmdRefresh(*this, {110, 286, 94, 26}, "R&efresh"),
      tbHelp(*this, {518, 286, 94, 26}, "&Help"),
      sb(*this),
      storage(*this, "software\\dastra\\Velmora\\addremove", "pos"),
      sources_(std::move(sources)) {
  DeleteEntry = [](const UninstallSource& source, const std::string& name) -> long {
    long error = 0;
    const RegKey parent = RegKey::Open(source.root, source.path, KEY_READ | KEY_WRITE | source.view, &error);
    if (!parent) return error;
    // In the list's own view only: never a same-named entry of the other one.
    const std::wstring n = Widen(name);
    long rc = RegDeleteTreeW(parent.get(), n.c_str());
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegDeleteKeyExW(parent.get(), n.c_str(), source.view, 0);
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
  };
  env.expand = [](const std::string& text) { return shell::ExpandEnvironment(text); };
  env.searchPath = SearchProgram;
  env.windowsFolder = ExcludeTrailingBackslash(shell::GetWindowsFolder());

  lv.AddColumn("Program Description", 200);
  lv.AddColumn("Internal Name", 130);
  lv.AddColumn("Uninstaller", 180);
  lv.AddColumn("Location", 90);
  lv.SetPopupMenu(&pmList);
  lv.SetAccessibleName("Invalid uninstall entries found");
  storage.Add(lv, "lv");
  lv.onSelectionChange = [this] { lvChange(); };
  cmdRemove.onClick = [this] { cmdRemoveClick(); };
  cmdRefresh.onClick = [this] { cmdRefreshClick(); };
  tbHelp.onClick = [this] { tbHelpClick(); };

  ui::FormArgs args;
  args.className = "TfrmAddRemove";
  args.caption = "Remove Invalid Add/Remove Links";
  args.clientWidth = kClientWidth;
  args.clientHeight = kClientHeight;
  args.sizeable = true;  // the list grows with the window, the buttons stay below it
  lv.SetAnchors(ui::kAnchorAll);
  cmdRemove.SetAnchors(ui::akLeft | ui::akBottom);
  cmdRefresh.SetAnchors(ui::akLeft | ui::akBottom);
  tbHelp.SetAnchors(ui::akRight | ui::akBottom);
  args.helpTopic = kAddRemoveTopic;
  args.freeOnClose = true;
  Create(args);
  lv.SetImageList(shell::commontools().ilIcons.get());
  tbHelp.SetGlyph(shell::commontools().SmallAt(shell::SmallPic::Help16, dpi()));
  lvChange();
}

void TfrmAddRemove::FormShow() {
  ManualLogging = log.ReadManualSwitch();
  RemovedCount = 0;
  log.OpenSession("SESSION START: ");
  try {
    BuildList();
  } catch (const RegistryError&) {
    shell::ShowRegistryAccessError();
    Close();
    return;
  }
  log.Line("  Number of invalid uninstaller references found: " + std::to_string(lv.itemCount()));
}

void TfrmAddRemove::FormCloseQuery(bool& canClose) {
  log.CloseSession({"NUMBER OF REFERENCES REMOVED: " + std::to_string(RemovedCount)}, "SESSION CLOSE: ");
  shell::AddStatistic(shell::stat::kUninItems, RemovedCount);
  RemovedCount = 0;  // once per window
  canClose = true;
}

std::optional<UninstallEntry> TfrmAddRemove::ReadEntry(const UninstallSource& source, const std::string& name) const {
  const RegKey list = RegKey::Open(source.root, source.path, KEY_READ | source.view);
  if (!list) return std::nullopt;
  const RegKey key = list.OpenSubKey(name, KEY_READ | source.view);
  if (!key) return std::nullopt;  // unreadable: left alone
  UninstallEntry e;
  e.keyName = name;
  e.hasDisplayName = key.ValueExists("DisplayName");
  try {
    e.uninstallString = key.ReadString("UninstallString");
  } catch (const RegistryError&) {
    return std::nullopt;  // stored as something else: not ours to judge
  }
  const auto flag = [&](const char* value) {
    try {
      return key.ReadDword(value).value_or(0) == 1;
    } catch (const RegistryError&) {
      return false;
    }
  };
  e.systemComponent = flag("SystemComponent");
  e.windowsInstaller = flag("WindowsInstaller");
  e.view32 = source.view == KEY_WOW64_32KEY;
  return e;
}

UninstallEnv TfrmAddRemove::JudgingEnv(PathProber& prober) const {
  UninstallEnv now = env;
  if (!now.exists) now.exists = [&prober](const std::string& path) { return prober(path); };
  return now;
}

void TfrmAddRemove::BuildList() {
  ui::WaitCursor wait;
  lv.Clear();
  // One prober per build: each drive root is asked once.
  PathProber prober;
  const UninstallEnv now = JudgingEnv(prober);
  for (std::size_t i = 0; i < sources_.size(); ++i) {
    const UninstallSource& source = sources_[i];
    long error = 0;
    RegKey list = RegKey::Open(source.root, source.path, KEY_READ | source.view, &error);
    if (!list && error == ERROR_FILE_NOT_FOUND && source.createIfMissing) {
      try {
        RegKey::Create(source.root, source.path, KEY_READ | KEY_WRITE | source.view);
        error = 0;
      } catch (const RegistryError& e) {
        error = e.code();
      }
    }
    if (!list) {
      if (error != 0 && error != ERROR_FILE_NOT_FOUND)
        ui::ShowMessage("Error obtaining uninstall information from registry.", "Velmora", ui::MsgIcon::Error, handle());
      continue;
    }
    for (const std::string& name : list.SubKeyNames()) {
      const std::optional<UninstallEntry> entry = ReadEntry(source, name);
      if (!entry || !IsInvalidUninstallEntry(*entry, now)) continue;
      std::string caption;
      try {
        caption = list.OpenSubKey(name, KEY_READ | source.view).ReadString("DisplayName").value_or("");
      } catch (const RegistryError&) {
        continue;
      }
      const int row = lv.AddItem(caption, shell::row_icon::kMissingFile);
      lv.SetSubItem(row, 0, name);
      lv.SetSubItem(row, 1, entry->uninstallString.value_or(""));
      lv.SetSubItem(row, 2, source.location);
      auto record = std::make_unique<UninstallRow>();
      record->source = i;
      record->name = name;
      lv.SetPayload(row, std::move(record));
    }
  }
  lv.Sort([this](int a, int b) { return CompareNoCase(lv.Caption(a), lv.Caption(b)); });
  const int n = lv.itemCount();
  sb.SetText(0, n > 0 ? std::to_string(n) + " invalid Add/Remove entrie(s) found."
                      : "Velmora did not find any invalid add/remove entries on your system.");
  lvChange();
}

void TfrmAddRemove::lvChange() {
  const bool selected = !lv.SelectedRows().empty();
  cmdRemove.SetEnabled(selected);
  mnuRemove.SetEnabled(selected);
}

void TfrmAddRemove::cmdRemoveClick() {
  const std::vector<int> sel = lv.SelectedRows();
  if (sel.empty()) return;
  const UninstallRow* r = lv.PayloadAs<UninstallRow>(sel.front());
  if (!r) return;
  const UninstallSource& source = sources_[r->source];
  const std::string caption = lv.Caption(sel.front());
  // Judged again just before: an entry repaired since the list was built stays.
  PathProber prober;
  const UninstallEnv now = JudgingEnv(prober);
  const std::optional<UninstallEntry> entry = ReadEntry(source, r->name);
  if (entry && IsInvalidUninstallEntry(*entry, now)) {
    // The whole entry goes to the undo journal before its key is deleted.
    regclean::UndoRecorder journal("Uninstall Cleaner", "Removed " + caption,
                                   JournalFolder.empty() ? regclean::UndoFolder() : JournalFolder);
    const auto [root, path] = JournalKey(source, r->name);
    const int item = journal.AddKeyTree(root, path);
    if (item < 0 || !journal.Begin()) {
      ui::ShowMessage("The entry was not removed: its copy for undoing the removal cannot be written.", "Velmora",
                      ui::MsgIcon::Error, handle());
      return;
    }
    const long rc = DeleteEntry(source, r->name);
    if (rc == ERROR_SUCCESS) journal.Went(item);
    journal.Finish();
    LastSession = journal.path();
    if (rc != ERROR_SUCCESS) {
      shell::ShowRegistryAccessError();
      Close();
      return;
    }
    log.Line("  Removed: " + caption);
    ++RemovedCount;
  }
  BuildList();
}

void TfrmAddRemove::cmdRefreshClick() { BuildList(); }

void TfrmAddRemove::tbHelpClick() { shell::OpenHelpTopic(kAddRemoveTopic); }

}  // namespace velmora::shortcuts
