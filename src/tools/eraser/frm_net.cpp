#include "tools/eraser/frm_net.h"

#include <windows.h>

#include <cmath>
#include <exception>
#include <optional>

#include "platform/format.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "shell/cache_completion.h"
#include "shell/commontools.h"
#include "shell/help.h"
#include "shell/hint.h"
#include "shell/quiet_run.h"
#include "shell/settings.h"
#include "shell/utilities.h"
#include "ui/app.h"
#include "ui/dialogs.h"

namespace velmora::eraser {

namespace {

// True when the shell names a folder for this value, whatever its state.
bool ShellFolderRecorded(const char* value) {
  const RegKey key = RegKey::Open(HKEY_CURRENT_USER, kShellFoldersKey);
  return key && key.ValueExists(value);
}

constexpr int kClientWidth = 470;
constexpr int kClientHeight = 300;

const char* const kExplorer = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
const char* const kUrlHistory = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Url History";
const char* const kUrlHistory5 = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\5.0\\Url History";
const char* const kCache5 = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\5.0\\Cache";
const char* const kRunOnceKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char* const kCookiesHint =
    "Special note: When you erase Internet Cookies, Cache, or History files the data is physically erased from your "
    "system by Velmora, however to completely clean all traces of this information from memory you will need to "
    "restart your computer either by rebooting or shutting down to DOS mode and restarting Windows.";

// An Internet Explorer value of the current user, when it is a DWORD; the key is
// created when missing, as the browser would.
std::optional<std::uint32_t> ReadIEValue(const char* key, const char* name) {
  try {
    return RegKey::Create(HKEY_CURRENT_USER, key).ReadDword(name);
  } catch (const RegistryError&) {
    return std::nullopt;  // another type, or the key cannot be made: ignored
  }
}

std::string RecoveredText(std::int64_t bytes) {
  if (bytes <= 0) return "Space recovered: 0.00 bytes (0.00 megabytes.)";
  return "Space recovered: " + FormatThousands(bytes) + " bytes (" + FormatMegabytes(bytes) + " megabytes.)";
}


}  // namespace

TfrmNet::TfrmNet()
    : pgc(*this, {8, 8, 454, 200}),
      tsGeneral(pgc, "General"),
      tsInternet(pgc, "Internet History"),
      tsIE(pgc, "Internet Explorer Specific"),
      tsAOL(pgc, "America Online"),
      cbFind(tsGeneral, {12, 12, 420, 20}, "&Erase \"Find Files or Folders\" history", true),
      cbComputer(tsGeneral, {12, 38, 420, 20}, "E&rase \"Find Computer...\" history", true),
      cbRun(tsGeneral, {12, 64, 420, 20}, "Er&ase \"Start -> Run...\" history", true),
      cbDocuments(tsGeneral, {12, 90, 420, 20}, "Era&se \"Start -> Documents\" history", true),
      cbCookies(tsInternet, {12, 12, 420, 20}, "\"&Erase Internet Cookie Files\"", true),
      cbCache(tsInternet, {12, 38, 420, 20}, "\"Erase Internet &Cache information\"", true),
      cbURLList(tsInternet, {12, 64, 420, 20}, "\"Erase recently typed &URL list from browser\"", true),
      cbClearHist(tsInternet, {12, 90, 420, 20}, "\"Erase &history record files of visited web pages\"", true),
      lblKeep(tsIE, {12, 15, 250, 18}, "Keep records of visited web pages for"),
      seHistory(tsIE, {266, 12, 52, 22}, 0, 99, 20),
      lblDays(tsIE, {324, 15, 60, 18}, "days"),
      cbPersistent(tsIE, {12, 46, 420, 20}, "\"&Delete Internet cache files when you close Internet Explorer\"", true),
      cbAOL(tsAOL, {12, 12, 420, 20}, "\"&Erase America Online cache files\"", true),
      cmdExecute(*this, {160, 216, 96, 26}, "&Erase Now", ui::ButtonRole::Default),
      cmdHelp(*this, {262, 216, 96, 26}, "&Help"),
      cmdClose(*this, {364, 216, 96, 26}, "&Exit", ui::ButtonRole::Cancel),
      fsb(*this),
      pg(*this, {}, 0, 1),
      storage(*this, kPrivacyStorageKey, kPrivacyStorageSection) {
  FreeSpace = [] { return shell::TotalFixedDiskFree(); };
  DeleteKey = [](HKEY root, const std::string& key) { return RegKey::DeleteTree(root, key); };
  storage.Add(cbFind, "cbFind.Checked");
  storage.Add(cbComputer, "cbComputer.Checked");
  storage.Add(cbRun, "cbRun.Checked");
  storage.Add(cbDocuments, "cbDocuments.Checked");
  storage.Add(cbCookies, "cbCookies.Checked");
  storage.Add(cbCache, "cbCache.Checked");
  storage.Add(cbURLList, "cbURLList.Checked");
  storage.Add(cbClearHist, "cbClearHist.Checked");
  storage.Add(seHistory, "seHistory.Value");
  storage.Add(cbPersistent, "cbPersistent.Checked");
  storage.Add(cbAOL, "cbAOL.Checked");

  cmdExecute.SetHint("Performing the operation using your selected options");
  cmdHelp.SetHint("Get help with this tool");
  cmdClose.SetHint("Close and exit this tool");
  cmdExecute.onClick = [this] { cmdExecuteClick(); };
  cmdHelp.onClick = [this] { cmdHelpClick(); };
  cmdClose.onClick = [this] { cmdCloseClick(); };

  ui::FormArgs args;
  args.className = "TfrmNet";
  args.caption = "The Eraser";
  args.clientWidth = kClientWidth;
  args.clientHeight = kClientHeight;
  args.helpTopic = kEraserTopic;
  args.freeOnClose = true;
  Create(args);
}

void TfrmNet::FormCreate() {
  ManualLogging = log.ReadManualSwitch();
  // Internet Explorer's own settings first; the 5.0 keys override the older ones.
  const std::pair<const char*, const char*> settings[] = {{kUrlHistory, kCacheSettingsKey}, {kUrlHistory5, kCache5}};
  for (const auto& [history, cache] : settings) {
    if (const auto days = ReadIEValue(history, "DaysToKeep")) seHistory.SetValue(int(*days));
    if (const auto persistent = ReadIEValue(cache, "Persistent")) cbPersistent.SetChecked(*persistent == 0);
  }
  // The options stored with the window override them once it has been used.
  storage.Restore();
  cmdHelp.SetGlyph(shell::commontools().SmallAt(shell::SmallPic::Help16, dpi()));
  fsb.SetPanels({180, -1});
  fsb.PlaceInPanel(pg, 0);
  pg.SetVisible(false);
}

void TfrmNet::FormShow() {
  if (!shell::IsAdministrator()) {
    cbURLList.SetChecked(false);
    cbURLList.SetEnabled(false);
  }
  log.OpenSession();
}

void TfrmNet::FormCloseQuery(bool& canClose) {
  // A run in progress keeps the window (title-bar close and Alt+F4 included).
  if (running_) {
    canClose = false;
    return;
  }
  log.CloseSession({shell::SpaceRecoveredLine(SpaceRecovered > 0 ? SpaceRecovered : 0)});
  canClose = true;
}

void TfrmNet::cmdHelpClick() { shell::OpenHelpTopic(kEraserTopic); }

void TfrmNet::cmdCloseClick() { Close(); }

std::int64_t TfrmNet::Recovered() const {
  const std::int64_t r = FreeSpace() - FreeSpaceAtStart;
  return r > 0 ? r : 0;
}

void TfrmNet::Report(const std::string& text) {
  // Nobody may be there to answer a scheduled run: its log gets the text.
  // The other steps still run, but a run with a failed step is not a run.
  if (ScheduledRun) {
    log.Line("  " + text);
    shell::NoteRunFailure(text);
    return;
  }
  ui::dialogs().Message(handle(), text, "Velmora", ui::MsgButtons::Ok, ui::MsgIcon::Warning);
}

void TfrmNet::Step(const std::string& text) {
  log.Line("  " + text);
  fsb.SetText(1, text);
}

void TfrmNet::Advance() { pg.StepBy(1); }

void TfrmNet::DeleteKeyOrReport(HKEY root, const std::string& key, const std::string& message) {
  if (RegKey::Exists(root, key) && !DeleteKey(root, key)) Report(message);
}

void TfrmNet::WriteBatch(const std::string& valueName, const std::string& folder) {
  RegKey::Create(HKEY_CURRENT_USER, shell::kPrivacyKey).WriteString(valueName, folder);
  // Quoted: the program's folder may hold blanks.
  const std::string command = "\"" + services().programFolder() + "Quorvel.exe\" /CompleteCache";
  if (shell::IsAdministrator()) {
    try {
      RegKey::Create(HKEY_LOCAL_MACHINE, kRunOnceKey).WriteString("Velmora Cache Cleanup", command);
      return;
    } catch (const RegistryError&) {
      // An administrator without raised rights may not write there: the user's own list serves.
    }
  }
  RegKey::Create(HKEY_CURRENT_USER, kRunOnceKey).WriteString("Velmora Cache Cleanup", command);
}

bool TfrmNet::RunSteps(CleanContext& ctx) {
  const std::string explorer = kExplorer;
  if (cbFind.checked()) {
    Step("Clearing Find Files or Folders Information");
    DeleteKeyOrReport(HKEY_CURRENT_USER, explorer + "Doc Find Spec MRU",
                      "Error removing \"Find Files or Folders\" history.  Make sure you have sufficient administrative "
                      "rights to the registry.");
    Advance();
  }
  if (cbRun.checked()) {
    Step("Clearing Recently Run Files Information");
    const std::string message =
        "Error removing removing recently run files information.  Make sure you have sufficient administrative "
        "rights to the registry.";
    DeleteKeyOrReport(HKEY_CURRENT_USER, explorer + "RunMRU", message);
    DeleteKeyOrReport(HKEY_USERS, "\\.DEFAULT" + explorer + "RunMRU", message);
    Advance();
  }
  if (cbDocuments.checked()) {
    Step("Clearing Recently Accessed Documents Information");
    const std::string recent = ShellFolder("Recent");
    if (recent == kNotFound && !ShellFolderRecorded("Recent")) {
      // Only a value that is absent ends the run early.
      Report("Error obtaining recent documents information from registry.");
      return false;
    }
    // A recorded folder that is missing or must not be emptied holds no
    // documents of ours: the lists below and the other steps still run.
    if (recent != kNotFound && !shell::DeleteFolderContents(recent, false) &&
        !shell::FolderIsEmpty(IncludeTrailingBackslash(recent)))
      Report("Error removing recent documents information.");
    for (const char* key : {"StreamMRU", "RecentDocs", "Documents"})
      DeleteKeyOrReport(HKEY_CURRENT_USER, explorer + key, "Error removing recent documents information.");
    Advance();
  }
  if (cbComputer.checked()) {
    Step("Clearing Find Computer Information");
    DeleteKeyOrReport(HKEY_CURRENT_USER, explorer + "FindComputerMRU",
                      "Error removing \"Find Computer...\" history.  Make sure you have sufficient administrative "
                      "rights to the registry.");
    Advance();
  }
  if (cbCookies.checked()) {
    Step("Clearing Cookie Information");
    const std::string cookies = CookiesFolder();
    CleanCookies(cookies, NetscapeFolder, ctx);
    if (cookies != kNotFound) WriteBatch("Cookies", cookies);
    Advance();
  }
  if (cbCache.checked()) {
    Step("Clearing Cache Information");
    const std::string cache = CacheFolder();
    if (cache != kNotFound) CleanIECache(cache, ctx);
    CleanNetscapeCache(NetscapeFolder, ctx);
    if (cache != kNotFound) WriteBatch("Cache", cache);
    Advance();
  }
  if (cbClearHist.checked()) {
    Step("Clearing History Information");
    const std::string history = HistoryFolder();
    if (history != kNotFound) {
      CleanIEHistory(history, ctx);
      WriteBatch("History", history);
    }
    Advance();
  }
  if (cbURLList.checked()) {
    Step("Clearing Typed URLs Information");
    const std::string message =
        "Error removing recently typed URLs information.  Make sure you have sufficient administrative rights to "
        "the registry.";
    DeleteKeyOrReport(HKEY_CURRENT_USER, "\\Software\\Microsoft\\Internet Explorer\\TypedURLs", message);
    DeleteKeyOrReport(HKEY_USERS, "\\.Default\\Software\\Microsoft\\Internet Explorer\\TypedURLs", message);
    CleanNetscapeTypedHistory(NetscapeFolder, ctx);
    Advance();
  }
  Step("Setting Internet Explorer Cache Options");
  RegKey::Create(HKEY_CURRENT_USER, kCacheSettingsKey).WriteDword("Persistent", cbPersistent.checked() ? 0 : 1);
  Advance();
  Step("Setting Internet Explorer History Options");
  const std::uint32_t days = std::uint32_t(seHistory.value());
  RegKey::Create(HKEY_CURRENT_USER, kUrlHistory).WriteDword("DaysToKeep", days);
  RegKey::Create(HKEY_CURRENT_USER, kUrlHistory5).WriteDword("DaysToKeep", days);
  Advance();
  if (cbAOL.checked()) {
    const std::string aol = AolCacheFolder();
    if (!aol.empty()) {
      Step("Removing America Online cache");
      shell::DeleteFolderContents(aol, false);
    }
  }
  return true;
}

void TfrmNet::cmdExecuteClick() {
  if (running_) return;
  RunEnded = false;
  running_ = true;
  FreeSpaceAtStart = FreeSpace();
  fsb.SetText(0, "");
  fsb.SetText(1, "");
  log.StartOperation();
  NotRemovedList.clear();
  std::exception_ptr failure;
  // The recovered space, measured once at the end of the run (or of what ran).
  std::optional<std::int64_t> measured;
  {
    ui::WaitCursor wait;
    cmdExecute.SetEnabled(false);
    cmdClose.SetEnabled(false);
    cmdHelp.SetEnabled(false);
    int range = 2;
    for (const ui::CheckBox* box : {&cbFind, &cbComputer, &cbRun, &cbDocuments, &cbCookies, &cbCache, &cbClearHist,
                                    &cbURLList})
      range += box->checked() ? 1 : 0;
    pg.SetRange(0, range);
    pg.SetPosition(0);
    pg.SetVisible(true);
    NetscapeFolder = eraser::NetscapeFolder();

    CleanContext ctx;
    ctx.notRemoved = &NotRemovedList;
    ctx.pump = [this] { pump_(); };
    ctx.report = [this](const std::string& text) { Report(text); };
    ctx.expiryWaitMs = ExpiryWaitMs;
    try {
      if (RunSteps(ctx)) {
        measured = Recovered();
        SpaceRecovered = *measured;
        fsb.SetText(0, kErasedText);
        fsb.SetText(1, RecoveredText(SpaceRecovered));
        pg.SetPosition(range);
        if (!ScheduledRun && (cbCookies.checked() || cbClearHist.checked() || cbRun.checked()))
          shell::ShowHintOnce("Cookies", kCookiesHint);
        if (!NotRemovedList.empty()) {
          log.Line("  Warning:  Some files were not able to be removed.");
          if (!ScheduledRun)
            ui::dialogs().Message(handle(),
                                  "Warning:  Some files are in use and unable to be removed.\r\n\r\nIn order for the "
                                  "removal procedure to be completed properly it may be necessary to close all open "
                                  "applications, including open web browsers.",
                                  "Velmora", ui::MsgButtons::Ok, ui::MsgIcon::Warning);
        }
      }
    } catch (...) {
      failure = std::current_exception();
    }
  }
  // Always, however the steps ended.
  try {
    NotRemovedList.clear();
    cmdExecute.SetEnabled(true);
    cmdClose.SetEnabled(true);
    cmdHelp.SetEnabled(true);
    pg.SetVisible(false);
    if (!measured) SpaceRecovered = Recovered();  // an early end or an error: what ran may have freed space
    log.CompleteOperation({shell::SpaceRecoveredLine(SpaceRecovered)});
    if (SpaceRecovered > 0) shell::AddStatistic(shell::stat::kEraserBytes, SpaceRecovered);
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
  running_ = false;
  RunEnded = true;
  if (failure) std::rethrow_exception(failure);
}

}  // namespace velmora::eraser
