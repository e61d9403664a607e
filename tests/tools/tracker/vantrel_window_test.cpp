// TfrmVantrel on a hidden window. The tracked drive is F: (small), the
// registry is the sandbox's, the watch list the test's own INI files, and the
// reports go to the test's program folder.
#include "tools/tracker/frm_vantrel.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/datetime.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/system.h"
#include "platform/text.h"
#include "support/fakes.h"
#include "support/registry_sandbox.h"
#include "support/test_folder.h"
#include "support/user_input.h"
#include "tools/tracker/exe_type.h"
#include "tools/tracker/tracker_engine.h"
#include "ui/app.h"

using namespace velmora;
using namespace velmora::tracker;
using velmora::test::PathExists;
using velmora::test::world;

namespace {

const char* const kSelectInstall =
    "You must select a valid installation file if you are going to use this option.  Select the folder icon next "
    "to the box labeled \"Install Program\" to browse for an installation file.";

std::string Section(const std::string& name) { return std::string(kVantrelKey) + "\\" + name; }

std::string ProgramPath() {
  wchar_t buf[MAX_PATH * 2];
  return Narrow(std::wstring(buf, GetModuleFileNameW(nullptr, buf, MAX_PATH * 2)));
}

// Lets messages run until the condition holds or ten seconds pass.
template <typename Condition>
bool PumpUntil(Condition done) {
  for (int i = 0; i < 1000 && !done(); ++i) {
    ui::ProcessMessages();
    Sleep(10);
  }
  return done();
}

// A running stand-in for a setup program that ends when told.
class SetupHelper {
 public:
  SetupHelper() {
    static int serial = 0;
    name_ = "VelmoraTrackerHelper-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
    event_.reset(CreateEventW(nullptr, TRUE, FALSE, Widen(name_).c_str()));
    services().launchProcess = RealServices().launchProcess;
  }
  ~SetupHelper() {
    End();
    test::InstallFakeWorld();
  }
  std::string path() const { return RealServices().programFolder() + "tracker_setup_helper.exe"; }
  const std::string& eventName() const { return name_; }
  void End() { SetEvent(event_.get()); }

 private:
  std::string name_;
  UniqueHandle event_;
};

class VantrelWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearAbort();
    const RegKey root = RegKey::Create(HKEY_CURRENT_USER, kVantrelKey);
    root.WriteString("Drives", "F");
    root.CreateSubKey("WatchDrive").WriteDword("d0", 0);  // a stored placement: "Drives" decides
    root.CreateSubKey("Settings").WriteDword("First Time", 0);
    ini_ = cfg_.File("WATCHED.INI", "[A]\r\nk=v\r\n");
    root.CreateSubKey("INI Files To Watch").WriteString(ini_, "T");
  }
  void TearDown() override { CloseWindow(); }

  TfrmVantrel& Open() {
    f_ = new TfrmVantrel();
    return *f_;
  }
  void CloseWindow() {
    if (f_) f_->Close();
    f_ = nullptr;
  }
  std::string Reports() const { return world().programFolder + "Vantrel Reports\\"; }
  std::string Snapshot(const std::string& name) const { return Reports() + name; }

  // Description, option and pages up to "Snapshot".
  void ToSnapshotPage(TfrmVantrel& f, const std::string& description, bool manual) {
    f.EditDescript.SetText(description);
    (manual ? f.optManual : f.optInstall).Click();
    for (int i = 0; i < 4; ++i) f.cmdNext.Click();
    ASSERT_EQ(4, f.pc.activePageIndex());
  }
  void ManualSnapshot(TfrmVantrel& f, const std::string& description = "Manual test") {
    ToSnapshotPage(f, description, true);
    world().dialogs.Answer(ui::MsgResult::Ok);  // the manual snapshot's notice
    world().dialogs.Answer(ui::MsgResult::Ok);  // "stored"
    f.cmdInstall.Click();
    ASSERT_EQ(opstate::kManualStored, f.OperationState);
  }
  // Starts the helper as the setup program; true when it runs (state 2).
  bool LaunchHelper(TfrmVantrel& f, const SetupHelper& helper, const std::string& description) {
    f.EditInstallName.SetText(helper.path());
    f.EditCmdLine.SetText(helper.eventName());
    ToSnapshotPage(f, description, false);
    f.cmdInstall.Click();
    return f.OperationState == opstate::kLaunched;
  }
  std::string Survival(const std::string& name) const {
    return RegKey::Open(HKEY_CURRENT_USER, Section("Survival")).ReadString(name).value_or("<absent>");
  }

  test::RegistrySandbox reg_;
  test::TestFolder cfg_{'C'}, drive_{'F'};
  std::string ini_;
  TfrmVantrel* f_ = nullptr;
};

}  // namespace

// ---- creation and close ---------------------------------------------------------

TEST_F(VantrelWindow, FirstUseWatchesWinIniAndSystemIniAndMissingFilesAreDropped) {
  RegKey::DeleteTree(HKEY_CURRENT_USER, Section("INI Files To Watch"));
  RegKey::DeleteTree(HKEY_CURRENT_USER, Section("Settings"));
  TfrmVantrel& f = Open();
  EXPECT_EQ(FindWindowW(L"TfrmVantrel", L"Vantrel"), f.handle());
  EXPECT_TRUE(FolderExists(Reports()));
  const std::string windows = IncludeTrailingBackslash(SystemWindowsFolder().value());
  EXPECT_EQ((std::vector<std::string>{windows + "SYSTEM.INI", windows + "WIN.INI"}), f.WatchList());
  EXPECT_EQ(0, f.OperationState);
  EXPECT_EQ(0, f.ExeType);
  EXPECT_EQ("(two phase operation)", f.InstNameLabel.caption());
  EXPECT_EQ(1, f.TrackMode);
  EXPECT_TRUE(f.rBtnDiskContents.checked());
  EXPECT_FALSE(f.ts6.tabVisible());
  EXPECT_FALSE(f.cmdNext.enabled());
  EXPECT_FALSE(f.cmdBack.enabled());
  CloseWindow();

  // Not the first use: an empty list stays empty. A listed file that is gone
  // is reported and dropped; the others stay.
  const std::string kept = cfg_.File("KEPT.INI", "[x]\r\n");
  RegKey::DeleteTree(HKEY_CURRENT_USER, Section("INI Files To Watch"));
  const RegKey watch = RegKey::Create(HKEY_CURRENT_USER, Section("INI Files To Watch"));
  watch.WriteString(kept, "T");
  watch.WriteString(cfg_ / "GONE.INI", "T");
  world().dialogs.Answer(ui::MsgResult::Ok);
  TfrmVantrel& g = Open();
  EXPECT_EQ((std::vector<std::string>{"The file " + (cfg_ / "GONE.INI") +
                                      ", specified as an INI File for Vantrel to Watch, does not exist!"}),
            world().dialogs.messageTexts());
  EXPECT_EQ((std::vector<std::string>{kept}), g.WatchList());
  CloseWindow();
  RegKey::DeleteTree(HKEY_CURRENT_USER, Section("INI Files To Watch"));
  EXPECT_TRUE(Open().WatchList().empty());
}

TEST_F(VantrelWindow, ClosingStoresEveryValueByNameAndType) {
  RegKey::Create(HKEY_CURRENT_USER, Section("Pages to skip")).WriteString("ts2", "T");
  TfrmVantrel& f = Open();
  int rowF = -1, rowC = -1;
  for (int row = 0; row < f.dlv.itemCount(); ++row) {
    if (f.dlv.DriveLetter(row) == 'F') rowF = row;
    if (f.dlv.DriveLetter(row) == 'C') rowC = row;
  }
  ASSERT_GE(rowF, 0);
  ASSERT_GE(rowC, 0);
  EXPECT_TRUE(f.dlv.Checked(rowF));
  EXPECT_FALSE(f.dlv.Checked(rowC));
  EXPECT_EQ((std::vector<std::string>{"F:\\"}), f.CheckedDrives());
  f.dlv.SetChecked(rowC, true);
  EXPECT_EQ((std::vector<std::string>{"C:\\", "F:\\"}), f.CheckedDrives());  // the selection follows the ticks
  f.RBtnFileTime.Click();
  EXPECT_EQ(0, f.TrackMode);
  CloseWindow();

  const RegKey root = RegKey::Open(HKEY_CURRENT_USER, kVantrelKey);
  EXPECT_EQ("CF", root.ReadString("Drives"));
  const RegKey watchDrive = root.OpenSubKey("WatchDrive"), watchDir = root.OpenSubKey("WatchDir");
  const std::string c = "d" + std::to_string(rowC), fd = "d" + std::to_string(rowF);
  EXPECT_EQ(REG_DWORD, watchDrive.ReadValue(c)->type);
  EXPECT_EQ(1u, watchDrive.ReadDword(c));
  EXPECT_EQ(1u, watchDrive.ReadDword(fd));
  EXPECT_EQ("C:\\", watchDir.ReadString(c));
  EXPECT_EQ("F:\\", watchDir.ReadString(fd));
  for (int row = 0; row < int(watchDrive.ValueNames().size()); ++row) {
    const std::string name = "d" + std::to_string(row);
    if (name == c || name == fd) continue;
    EXPECT_EQ(0u, watchDrive.ReadDword(name)) << name;
    EXPECT_FALSE(watchDir.ValueExists(name)) << name;
  }
  const RegKey settings = root.OpenSubKey("Settings");
  EXPECT_EQ(REG_DWORD, settings.ReadValue("TrackMode")->type);
  EXPECT_EQ(0u, settings.ReadDword("TrackMode"));
  EXPECT_EQ(REG_DWORD, settings.ReadValue("First Time")->type);
  EXPECT_EQ(0u, settings.ReadDword("First Time"));
  EXPECT_EQ((std::vector<std::string>{ini_}), root.OpenSubKey("Ini Files to Watch").ValueNames());
  EXPECT_EQ("T", root.OpenSubKey("Ini Files to Watch").ReadString(ini_));
  const RegKey ignore = root.OpenSubKey("Keys To Ignore");
  EXPECT_EQ("T", ignore.ReadString("HKEY_CURRENT_USER\\SOFTWARE\\DASTRA\\VELMORA"));
  EXPECT_EQ("T", ignore.ReadString("HKEY_USERS\\.DEFAULT\\SOFTWARE\\DASTRA\\VELMORA"));
  EXPECT_FALSE(root.OpenSubKey("Pages to skip"));

  // Read back: the mode and drives as stored.
  TfrmVantrel& g = Open();
  EXPECT_TRUE(g.RBtnFileTime.checked());
  EXPECT_EQ((std::vector<std::string>{"C:\\", "F:\\"}), g.CheckedDrives());
}

TEST_F(VantrelWindow, ShowingTicksTheFixedDrivesOnlyWhenNoPlacementIsStored) {
  RegKey::DeleteTree(HKEY_CURRENT_USER, Section("WatchDrive"));
  TfrmVantrel& f = Open();
  f.Show();
  const std::vector<std::string> drives = f.CheckedDrives();
  EXPECT_EQ((std::vector<std::string>{"C:\\", "E:\\", "F:\\"}), drives);  // not A: (floppy), D: (CD), N: (network)
  CloseWindow();
  RegKey::Create(HKEY_CURRENT_USER, kVantrelKey).WriteString("Drives", "E");
  TfrmVantrel& g = Open();  // WatchDrive was written at close
  g.Show();
  EXPECT_EQ((std::vector<std::string>{"E:\\"}), g.CheckedDrives());
}

// ---- wizard ------------------------------------------------------------------------

TEST_F(VantrelWindow, WizardRefusesAnInvalidSetupProgramAndWalksThePages) {
  TfrmVantrel& f = Open();
  f.EditDescript.SetText("  ");
  EXPECT_FALSE(f.cmdNext.enabled());
  // The Action tab cannot be left while Next is off.
  test::UserPicksTab(f.pc, 1);
  EXPECT_EQ(0, f.pc.activePageIndex());
  f.EditDescript.SetText("Demo");
  EXPECT_TRUE(f.cmdNext.enabled());

  // Launch mode with an empty box, then a name with no extension: refused.
  world().dialogs.Answer(ui::MsgResult::Ok);
  f.cmdNext.Click();
  EXPECT_EQ(0, f.pc.activePageIndex());
  f.EditInstallName.SetText(cfg_.File("SETUP", "MZ"));
  EXPECT_EQ("", f.InstNameLabel.caption());
  world().dialogs.Answer(ui::MsgResult::Ok);
  f.cmdNext.Click();
  EXPECT_EQ(0, f.pc.activePageIndex());
  f.EditInstallName.SetText(cfg_ / "absent.exe");
  EXPECT_EQ("File does not exist", f.InstNameLabel.caption());
  world().dialogs.Answer(ui::MsgResult::Ok);
  test::UserPicksTab(f.pc, 2);
  EXPECT_EQ(0, f.pc.activePageIndex());
  EXPECT_EQ((std::vector<std::string>(3, kSelectInstall)), world().dialogs.messageTexts());

  // A batch file: accepted, typed, summarised.
  const std::string setup = cfg_.File("Setup Files\\INSTALL.BAT", "@echo off\r\n");
  world().dialogs.AnswerFile("\"" + setup + "\"");  // the browse dialog may give the name quoted
  ASSERT_TRUE(f.EditInstallName.Browse());
  EXPECT_EQ(setup, f.EditInstallName.text());
  EXPECT_EQ(exetype::kDosBatch, f.ExeType);
  EXPECT_EQ("DOS batch file", f.InstNameLabel.caption());
  f.cmdNext.Click();
  EXPECT_EQ(1, f.pc.activePageIndex());
  EXPECT_TRUE(f.cmdBack.enabled());
  f.cmdBack.Click();
  EXPECT_EQ(0, f.pc.activePageIndex());
  EXPECT_FALSE(f.cmdBack.enabled());
  test::UserPicksTab(f.pc, 3);
  EXPECT_EQ(3, f.pc.activePageIndex());
  EXPECT_EQ("Demo", f.fpDescriptLabel.caption());
  EXPECT_EQ("Disk contents comparison", f.fpTrackModeLabel.caption());
  EXPECT_EQ(setup, f.fpInstProgLabel.caption());
  EXPECT_EQ("DOS batch file", f.fpProgTypeLabel.caption());
  EXPECT_EQ("\"" + Reports() + "Demo - 0001.TXT\"", f.PanelReportName.text());
  EXPECT_EQ(Reports() + "Demo - 0001.TXT", f.ReportName());

  // Manual mode records everything, whatever was typed before.
  test::UserPicksTab(f.pc, 0);
  f.optManual.Click();
  EXPECT_EQ(0, f.ExeType);
  EXPECT_EQ("Manual System Snapshot", f.InstNameLabel.caption());
  EXPECT_FALSE(f.EditInstallName.enabled());
  f.lblInstallHelp.Click();  // the explanation ticks its option
  EXPECT_TRUE(f.optInstall.checked());
  EXPECT_EQ(exetype::kDosBatch, f.ExeType);
  f.lblManualHelp.Click();
  EXPECT_TRUE(f.optManual.checked());
  f.cmdNext.Click();
  f.cmdNext.Click();
  f.cmdNext.Click();
  EXPECT_EQ(3, f.pc.activePageIndex());
  EXPECT_EQ("Manual Snapshot", f.fpInstProgLabel.caption());
  EXPECT_EQ("Manual Snapshot", f.fpProgTypeLabel.caption());
  f.cmdNext.Click();
  EXPECT_EQ(4, f.pc.activePageIndex());
  EXPECT_FALSE(f.cmdNext.enabled());  // no report yet
  EXPECT_FALSE(f.ts6.tabVisible());

  // The name box keeps its quotes; emptied, the summary fills in the next free name.
  f.PanelReportName.SetText("C:\\mine.txt");
  EXPECT_EQ("\"C:\\mine.txt\"", f.PanelReportName.text());
  // Typed into an emptied box (a lone quote), the name goes on inside the quotes.
  f.PanelReportName.SetText("\"");
  for (const wchar_t c : std::wstring(L"D:\\r.txt")) {
    const int end = GetWindowTextLengthW(f.PanelReportName.handle());
    const int caret = f.PanelReportName.selection().second;
    SendMessageW(f.PanelReportName.handle(), EM_SETSEL, WPARAM(std::min(caret, end)), LPARAM(std::min(caret, end)));
    const wchar_t typed[] = {c, 0};
    SendMessageW(f.PanelReportName.handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(typed));
  }
  EXPECT_EQ("\"D:\\r.txt\"", f.PanelReportName.text());
  cfg_.File("x.txt");
  WriteFileAtomically(Reports() + "A longer d - 0001.TXT", "old report");
  f.PanelReportName.SetText("");
  f.EditDescript.SetText("A longer description");
  f.UpdateInfo();
  EXPECT_EQ(Reports() + "A longer d - 0002.TXT", f.ReportName());
}

TEST_F(VantrelWindow, WatchListAddAndRemove) {
  TfrmVantrel& f = Open();
  const std::string a = cfg_.File("A.INI", "[a]\r\n"), b = cfg_.File("B.INI", "[b]\r\n");
  world().dialogs.AnswerFile(b);
  world().dialogs.AnswerFile(a);
  world().dialogs.AnswerFile(std::nullopt);
  f.btnAddINI.Click();
  f.btnAddINI.Click();
  f.btnAddINI.Click();
  ASSERT_EQ(3u, world().dialogs.asked().size());
  EXPECT_EQ("Select INI file", world().dialogs.asked()[0].text);
  EXPECT_EQ((std::vector<std::string>{a, b, ini_}), f.WatchList());
  EXPECT_FALSE(f.btnDelINI.enabled());
  test::UserSelectsRow(f.lbIniFiles, 2);
  EXPECT_TRUE(f.btnDelINI.enabled());
  f.btnDelINI.Click();  // the last row: the selection moves to the new last row
  EXPECT_EQ((std::vector<std::string>{a, b}), f.WatchList());
  EXPECT_EQ(1, f.lbIniFiles.itemIndex());
  test::UserSelectsRow(f.lbIniFiles, 0);
  f.btnDelINI.Click();  // the selection stays at its index
  EXPECT_EQ(0, f.lbIniFiles.itemIndex());
  f.btnDelINI.Click();
  EXPECT_EQ(-1, f.lbIniFiles.itemIndex());
  EXPECT_FALSE(f.btnDelINI.enabled());
}

// ---- Start ---------------------------------------------------------------------------

TEST_F(VantrelWindow, StartRefusesAMissingSetupProgram) {
  TfrmVantrel& f = Open();
  const std::string setup = cfg_.File("setup.exe", "MZ");
  f.EditInstallName.SetText(setup);
  ToSnapshotPage(f, "Demo", false);
  DeleteFileW(Widen(setup).c_str());
  world().dialogs.Answer(ui::MsgResult::Ok);
  f.cmdInstall.Click();
  ASSERT_EQ(1u, world().dialogs.asked().size());
  EXPECT_EQ("Installation file not found", world().dialogs.asked()[0].caption);
  EXPECT_EQ(0, f.OperationState);
  EXPECT_FALSE(PathExists(Snapshot("S_INST$$.##1")));
  EXPECT_TRUE(f.cmdInstall.enabled());
}

TEST_F(VantrelWindow, ManualSnapshotStoresTheBeforeStateAndKeepsItWhenClosed) {
  TfrmVantrel& f = Open();
  FILETIME before{};
  GetSystemTimeAsFileTime(&before);
  ManualSnapshot(f, "Manual test");
  FILETIME after{};
  GetSystemTimeAsFileTime(&after);
  EXPECT_EQ("Manual System Snapshot", world().dialogs.asked()[0].caption);
  EXPECT_EQ(0u, world().dialogs.asked()[1].text.find("Vantrel has stored a snapshot of your system contents."));
  EXPECT_GE(f.StartTime, (std::uint64_t(before.dwHighDateTime) << 32) | before.dwLowDateTime);
  EXPECT_LE(f.StartTime, (std::uint64_t(after.dwHighDateTime) << 32) | after.dwLowDateTime);
  for (const char* name : {"S_INST$$.##1", "REG$$$$$.##1", "WATCHED.##1"})
    EXPECT_TRUE(PathExists(Snapshot(name))) << name;
  EXPECT_EQ("Finished", f.lblStatus.caption());
  EXPECT_TRUE(f.cmdInstallDone.visible());
  EXPECT_FALSE(f.cmdInstall.enabled());
  EXPECT_FALSE(f.btnAbort.visible());
  EXPECT_TRUE(f.optionsLocked());
  EXPECT_FALSE(f.dlv.enabled());
  EXPECT_FALSE(f.btnAddINI.enabled());

  EXPECT_EQ("TwoPhase", Survival("SurvivedRestart"));
  EXPECT_EQ("Manual test", Survival("Description"));
  EXPECT_EQ(Reports() + "Manual tes - 0001.TXT", Survival("ReportName"));
  const auto stored = RegKey::Open(HKEY_CURRENT_USER, Section("Survival")).ReadBinary("StartTime");
  ASSERT_TRUE(stored && stored->size() == 8);
  EXPECT_EQ(0, memcmp(stored->data(), &f.StartTime, 8));
  CloseWindow();
  EXPECT_TRUE(PathExists(Snapshot("S_INST$$.##1")));
  EXPECT_TRUE(PathExists(Snapshot("REG$$$$$.##1")));
}

TEST_F(VantrelWindow, LaunchFailureLeavesDoneUsableAndClosingDeletesTheSnapshots) {
  TfrmVantrel& f = Open();
  // A real program, in a folder whose name holds a space.
  const std::string setup = cfg_.Folder("Setup Files") + "setup.exe";
  ASSERT_TRUE(CopyFileW(Widen(RealServices().programFolder() + "tracker_setup_helper.exe").c_str(),
                        Widen(setup).c_str(), FALSE));
  f.EditInstallName.SetText(setup);
  ToSnapshotPage(f, "Failing", false);
  f.cmdInstall.Click();
  ASSERT_EQ(1u, world().launches.size());
  EXPECT_EQ("\"" + setup + "\"", world().launches[0].target);  // quoted: the path holds a space
  EXPECT_EQ(cfg_ / "Setup Files\\", world().launches[0].params);
  EXPECT_EQ(opstate::kLaunchFailed, f.OperationState);
  EXPECT_EQ("ERROR. ", f.lblStatus.caption());
  EXPECT_EQ(SystemErrorTextWith(ERROR_BAD_EXE_FORMAT, setup), f.lblStatus1.caption());
  EXPECT_TRUE(f.cmdInstallDone.visible());
  EXPECT_TRUE(f.cmdInstallDone.enabled());
  EXPECT_TRUE(PathExists(Snapshot("REG$$$$$.##1")));
  CloseWindow();
  for (const char* name : {"S_INST$$.##1", "REG$$$$$.##1", "WATCHED.##1"})
    EXPECT_FALSE(PathExists(Snapshot(name))) << name;
  EXPECT_FALSE(RegKey::Exists(HKEY_CURRENT_USER, Section("Survival")));
}

TEST_F(VantrelWindow, DosSetupRecordsFilesOnly) {
  TfrmVantrel& f = Open();
  f.EditInstallName.SetText(cfg_.File("INSTALL.BAT", "@echo off\r\n"));
  ToSnapshotPage(f, "Dos", false);
  f.cmdInstall.Click();
  EXPECT_EQ(opstate::kLaunchFailed, f.OperationState);  // the fake refuses every program
  EXPECT_TRUE(PathExists(Snapshot("S_INST$$.##1")));
  EXPECT_FALSE(PathExists(Snapshot("REG$$$$$.##1")));
  EXPECT_FALSE(PathExists(Snapshot("WATCHED.##1")));
}

TEST_F(VantrelWindow, LaunchedSetupIsWatchedUntilItEnds) {
  SetupHelper helper;
  TfrmVantrel& f = Open();
  ASSERT_TRUE(LaunchHelper(f, helper, "Helper")) << f.lblStatus1.caption();
  EXPECT_EQ("Installation in progress.", f.lblStatus.caption());
  EXPECT_TRUE(f.cmdInstallDone.enabled());
  EXPECT_EQ(1u, f.waitingSetups());
  helper.End();
  EXPECT_TRUE(PumpUntil([&] { return f.OperationState == opstate::kSetupEnded; }));
  EXPECT_EQ("Install may be complete.", f.lblStatus.caption());
  EXPECT_EQ(0u, f.waitingSetups());
}

TEST_F(VantrelWindow, WindowClosedWhileTheSetupRunsIsLeftAlone) {
  SetupHelper helper;
  TfrmVantrel& f = Open();
  ASSERT_TRUE(LaunchHelper(f, helper, "Helper")) << f.lblStatus1.caption();
  const HWND window = f.handle();
  CloseWindow();
  EXPECT_FALSE(IsWindow(window));
  helper.End();
  // The wait was detached: the end of the program reaches no window.
  for (int i = 0; i < 20; ++i) {
    ui::ProcessMessages();
    Sleep(10);
  }
  EXPECT_FALSE(RegKey::Exists(HKEY_CURRENT_USER, Section("Survival")));
}

TEST_F(VantrelWindow, AbortDuringStartReturnsToIdle) {
  TfrmVantrel& f = Open();
  f.EditInstallName.SetText(cfg_.File("setup.exe", "MZ"));
  ToSnapshotPage(f, "Abort", false);
  f.onStatus = [&](const std::string& caption, const std::string&) {
    if (caption == "Recording directory:" && f.btnAbort.visible()) f.btnAbort.Click();
  };
  f.cmdInstall.Click();
  EXPECT_TRUE(world().launches.empty());
  EXPECT_EQ(opstate::kRecording, f.OperationState);
  EXPECT_EQ("Procedure Aborted.", f.lblStatus.caption());
  EXPECT_TRUE(f.cmdInstall.enabled());
  EXPECT_FALSE(f.cmdInstallDone.visible());
  EXPECT_FALSE(f.btnAbort.visible());
  EXPECT_FALSE(f.optionsLocked());
  EXPECT_FALSE(PathExists(Snapshot("REG$$$$$.##1")));
}

TEST_F(VantrelWindow, CloseBoxDuringAStepAbortsAndClosesOnceItHasUnwound) {
  TfrmVantrel& f = Open();
  ToSnapshotPage(f, "Closing", true);
  world().dialogs.Answer(ui::MsgResult::Ok);
  const HWND window = f.handle();
  bool stillThere = false;
  f.onStatus = [&](const std::string& caption, const std::string&) {
    if (caption != "Recording directory:" || stillThere) return;
    SendMessageW(window, WM_CLOSE, 0, 0);  // the title bar's close box
    stillThere = IsWindow(window) && f.running();
  };
  f.cmdInstall.Click();
  f_ = nullptr;  // gone with its window
  EXPECT_TRUE(stillThere);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(RegKey::Exists(HKEY_CURRENT_USER, Section("Survival")));
  EXPECT_FALSE(PathExists(Snapshot("S_INST$$.##1")));
}

// ---- Windows ending and resuming ---------------------------------------------------

TEST_F(VantrelWindow, WindowsEndingMidOperationResumesAtTheNextOpening) {
  SetupHelper helper;
  TfrmVantrel& f = Open();
  ASSERT_TRUE(LaunchHelper(f, helper, "Restarting")) << f.lblStatus1.caption();
  const std::uint64_t start = f.StartTime;
  EXPECT_TRUE(SendMessageW(f.handle(), WM_QUERYENDSESSION, 0, 0));
  SendMessageW(f.handle(), WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ("\"" + ProgramPath() + "\" /RecoverInstall",
            RegKey::Open(HKEY_CURRENT_USER, kRunOnceKey).ReadString("Vantrel"));
  EXPECT_EQ("YES", Survival("SurvivedRestart"));
  EXPECT_EQ("Restarting", Survival("Description"));
  EXPECT_EQ(Reports() + "Restarting - 0001.TXT", Survival("ReportName"));
  EXPECT_EQ(REG_DWORD, RegKey::Open(HKEY_CURRENT_USER, Section("Survival")).ReadValue("ExeType")->type);
  EXPECT_EQ(std::uint32_t(exetype::kWindows32),
            RegKey::Open(HKEY_CURRENT_USER, Section("Survival")).ReadDword("ExeType"));
  CloseWindow();  // what Windows may still do: the before-state stays for the next logon
  EXPECT_TRUE(PathExists(Snapshot("REG$$$$$.##1")));

  for (int opening = 0; opening < 2; ++opening) {
    TfrmVantrel& g = Open();
    EXPECT_EQ(opstate::kResumed, g.OperationState);
    EXPECT_EQ("Vantrel restarted", g.lblStatus.caption());
    EXPECT_EQ("because Windows restarted.", g.lblStatus1.caption());
    EXPECT_EQ(4, g.pc.activePageIndex());
    EXPECT_TRUE(g.cmdInstallDone.visible());
    EXPECT_EQ(start, g.StartTime);
    EXPECT_EQ("Restarting", g.EditDescript.text());
    EXPECT_EQ(exetype::kWindows32, g.ExeType);
    EXPECT_EQ("32-bit Windows Executable", g.fpProgTypeLabel.caption());
    EXPECT_EQ(Reports() + "Restarting - 0001.TXT", g.ReportName());
    EXPECT_TRUE(g.optionsLocked());
    // Closed again before Done: nothing of the stored operation is lost.
    CloseWindow();
    EXPECT_EQ("YES", Survival("SurvivedRestart"));
    EXPECT_TRUE(PathExists(Snapshot("REG$$$$$.##1")));
  }
}

TEST_F(VantrelWindow, WindowsEndingBeforeStartLeavesNothingToResume) {
  TfrmVantrel& f = Open();
  SendMessageW(f.handle(), WM_ENDSESSION, TRUE, 0);
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, kRunOnceKey).ValueExists("Vantrel"));
  EXPECT_FALSE(RegKey::Exists(HKEY_CURRENT_USER, Section("Survival")));
  EXPECT_TRUE(RegKey::Open(HKEY_CURRENT_USER, kVantrelKey).ValueExists("Drives"));  // saved as on closing
  CloseWindow();
  EXPECT_EQ(0, Open().OperationState);
}

TEST_F(VantrelWindow, StoredManualSnapshotResumesInTwoPhaseMode) {
  ManualSnapshot(Open(), "Two phase");
  CloseWindow();
  world().dialogs.Answer(ui::MsgResult::Ok);
  TfrmVantrel& g = Open();
  EXPECT_EQ(opstate::kResumed, g.OperationState);
  ASSERT_EQ(3u, world().dialogs.asked().size());
  EXPECT_EQ(0u, world().dialogs.asked()[2].text.find("Vantrel has restarted in manual snapshot and comparison mode."));
  EXPECT_EQ("Vantrel restarted in manual snapshot and comparison mode.", g.lblStatus.caption());
  EXPECT_EQ("Select \"Done: Report\" for a comparison report.", g.lblStatus1.caption());
  EXPECT_EQ(0, g.ExeType);
}

TEST_F(VantrelWindow, MalformedStoredOperationEndsTheResumeWithAMessage) {
  const RegKey survival = RegKey::Create(HKEY_CURRENT_USER, Section("Survival"));
  survival.WriteString("SurvivedRestart", "YES");
  survival.WriteString("Description", "Broken");
  const std::uint32_t half = 7;
  survival.WriteBinary("StartTime", &half, sizeof half);
  world().dialogs.Answer(ui::MsgResult::Ok);
  TfrmVantrel& f = Open();
  EXPECT_EQ(1u, world().dialogs.asked().size());
  EXPECT_EQ(0, f.OperationState);
  EXPECT_FALSE(f.cmdInstallDone.visible());
  CloseWindow();
  survival.WriteDword("ExeType", 5);
  survival.WriteString("Description", "Typed wrongly");
  survival.WriteDword("ReportName", 1);
  const std::uint64_t time = 1;
  survival.WriteBinary("StartTime", &time, sizeof time);
  world().dialogs.Answer(ui::MsgResult::Ok);
  EXPECT_EQ(0, Open().OperationState);
  EXPECT_EQ(2u, world().dialogs.asked().size());
}

// ---- Done: Report ----------------------------------------------------------------------

namespace {

// The names a folder lists (without "." and "..").
std::vector<std::string> ListFolderNames(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(Widen(folder + "*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do
    if (fd.cFileName[0] != L'.') names.push_back(Narrow(fd.cFileName));
  while (FindNextFileW(h, &fd));
  FindClose(h);
  return names;
}

// What the report view shows, each line with CR LF.
std::string ViewText(const ReportView& view) {
  std::string out;
  for (std::size_t i = 0; i < view.lineCount(); ++i) out += view.Line(i) + "\r\n";
  return out;
}

// The report's expected text: each line with CR LF.
std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

std::vector<std::string> Header(const std::string& description, const std::string& mode) {
  return {"System Changes Report: " + description,
          "==========================================",
          "generated by Velmora Vantreler",
          "Wednesday, December 9, 2026  01:05 PM",
          "System modifcations tracked via: " + mode,
          "Drives Tracked: ",
          "    F:\\",
          ""};
}

}  // namespace

class VantrelReport : public VantrelWindow {
 protected:
  // Folders keep one old write time, so a folder reads as changed only where
  // a test means it to (their times are kept to two seconds in a snapshot, and
  // adding a file would otherwise change them or not by chance).
  void PinFolderTimes(const std::vector<std::string>& folders) {
    const FILETIME old = LocalDateTimeToFileTime(EncodeDateTime(2001, 5, 6, 7, 8, 10));
    for (const std::string& folder : folders) ASSERT_TRUE(WriteFileTimes(folder, nullptr, nullptr, &old)) << folder;
  }
  void SetUp() override {
    VantrelWindow::SetUp();
    world().fixedNow = EncodeDateTime(2026, 12, 9, 13, 5, 42);
  }
  std::string Done(TfrmVantrel& f) {
    f.cmdInstallDone.Click();
    EXPECT_EQ(opstate::kReportShown, f.OperationState);
    EXPECT_EQ(5, f.pc.activePageIndex());
    EXPECT_TRUE(f.ts6.tabVisible());
    EXPECT_FALSE(f.cmdNext.enabled());
    EXPECT_FALSE(f.cmdInstall.visible());
    EXPECT_FALSE(f.cmdInstallDone.visible());
    return ReadTextFile(f.ReportName()).value_or("<no report>");
  }
  // A "Done: Report" that does not complete: the before-state stays, and
  // "Done: Report" can be pressed again.
  void DoneKept(TfrmVantrel& f, int pendingState) {
    f.cmdInstallDone.Click();
    EXPECT_EQ(pendingState, f.OperationState);
    EXPECT_TRUE(f.cmdInstallDone.visible());
    EXPECT_TRUE(f.cmdInstallDone.enabled());
    EXPECT_FALSE(f.btnAbort.visible());
    EXPECT_FALSE(f.running());
  }
  // A stored manual snapshot is all there: its record and its before-state.
  void ExpectStored(const std::string& description) {
    EXPECT_EQ("TwoPhase", Survival("SurvivedRestart"));
    EXPECT_EQ(description, Survival("Description"));
    for (const char* name : {"S_INST$$.##1", "REG$$$$$.##1", "WATCHED.##1"})
      EXPECT_TRUE(PathExists(Snapshot(name))) << name;
  }
};

TEST_F(VantrelReport, ChangesOfFilesIniFilesDeviceLinesAndRegistry) {
  const std::string old = drive_.File("app\\old.txt", "first");
  drive_.File("app\\gone.txt", "bye");
  const std::string system = cfg_.File("SYSTEM.INI", "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\ndevice=a.386\r\n");
  RegKey::Create(HKEY_CURRENT_USER, Section("INI Files To Watch")).WriteString(system, "T");
  RegKey::Create(HKEY_LOCAL_MACHINE, "Software\\Maker").WriteString("Old", "1");
  const std::vector<std::string> folders{drive_.path(), drive_ / "app"};
  PinFolderTimes(folders);
  TfrmVantrel& f = Open();
  ManualSnapshot(f, "Full test");

  const std::string added = drive_.File("app\\new.dll", "added");
  WriteFileAtomically(old, "second, longer");
  DeleteFileW(Widen(drive_ / "app\\gone.txt").c_str());
  ASSERT_TRUE(WritePrivateProfileStringW(L"A", L"k", L"w", Widen(ini_).c_str()));
  WriteFileAtomically(system, "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\ndevice=a.386\r\ndevice=b.386\r\n");
  RegKey::Create(HKEY_LOCAL_MACHINE, "Software\\Maker").WriteString("New", "2");
  PinFolderTimes(folders);

  const std::string report = Done(f);
  std::vector<std::string> expected = Header("Full test", "Disk contents comparison");
  for (const std::string& line :
       std::vector<std::string>{"FILES AND DIRECTORIES ADDED: (1)", added, "", "FILES AND DIRECTORIES DELETED: (1)",
                                drive_ / "app\\gone.txt", "", "FILES CHANGED: (1)", old, ""})
    expected.push_back(line);
  for (const std::string& line : std::vector<std::string>{
           "CHANGES MADE TO " + system + "...", "KEYS ADDED TO " + system + ": (1)", "[386Enh]device=b.386", "",
           "CHANGES MADE TO " + ini_ + "...", "KEYS CHANGED IN " + ini_ + ": (1)", "[A]k=v to w", ""})
    expected.push_back(line);
  for (const std::string& line :
       std::vector<std::string>{"REGISTRY KEY VALUES ADDED: (1)", "HKEY_LOCAL_MACHINE\\Software\\Maker\\New=\"2\"", ""})
    expected.push_back(line);
  EXPECT_EQ(Lines(expected), report);
  EXPECT_EQ(report, ViewText(f.RichEdit1));
  EXPECT_EQ("Comparison Complete:", f.lblStatus.caption());
  EXPECT_EQ("Report successfully generated.", f.lblStatus1.caption());
  EXPECT_FALSE(RegKey::Exists(HKEY_CURRENT_USER, Section("Survival")));
  EXPECT_FALSE(f.optionsLocked());
  EXPECT_FALSE(PathExists(f.ReportName() + ".part~"));
  // A written report ends the operation: its snapshots go at once.
  for (const char* name : {"S_INST$$.##1", "S_INST$$.##2", "REG$$$$$.##1", "WATCHED.##1", "DEV$$$$$.##1"})
    EXPECT_FALSE(PathExists(Snapshot(name))) << name;

  f.cmdView.Click();
  ASSERT_EQ(1u, world().shellCalls.size());
  EXPECT_EQ("Open", world().shellCalls[0].verb);
  EXPECT_EQ(f.ReportName(), world().shellCalls[0].target);

  f.cmdRestart.Click();
  EXPECT_EQ(0, f.pc.activePageIndex());
  EXPECT_FALSE(f.ts6.tabVisible());
  EXPECT_EQ("", f.EditDescript.text());
  EXPECT_EQ("", f.EditInstallName.text());
  EXPECT_FALSE(f.cmdNext.enabled());
  EXPECT_TRUE(f.RichEdit1.blank());
  EXPECT_TRUE(f.cmdInstall.visible());
  EXPECT_TRUE(f.cmdInstall.enabled());
  EXPECT_EQ("", f.lblStatus.caption());
  EXPECT_EQ(0, f.ExeType);
  EXPECT_EQ("(two phase operation)", f.InstNameLabel.caption());
  EXPECT_EQ("\"", f.PanelReportName.text());
  CloseWindow();
  EXPECT_FALSE(PathExists(Snapshot("S_INST$$.##1")));
  EXPECT_TRUE(PathExists(Reports() + "Full test - 0001.TXT"));  // reports are never deleted
}

TEST_F(VantrelReport, NothingChanged) {
  PinFolderTimes({drive_.path()});
  TfrmVantrel& f = Open();
  ManualSnapshot(f, "Quiet");
  std::vector<std::string> expected = Header("Quiet", "Disk contents comparison");
  for (const std::string& line : std::vector<std::string>{"NO CHANGES IN TRACKED DRIVES", "",
                                                          "NO CHANGES MADE TO " + ini_ + "...", "",
                                                          "NO CHANGES IN REGISTRY", ""})
    expected.push_back(line);
  EXPECT_EQ(Lines(expected), Done(f));
}

TEST_F(VantrelReport, FileTimesListTheNewerEntriesTwice) {
  const std::string folder = drive_.Folder("app");
  TfrmVantrel& f = Open();
  f.RBtnFileTime.Click();
  ManualSnapshot(f, "Times");
  Sleep(20);
  const std::string added = drive_.File("app\\new.dll", "added");
  const std::string report = Done(f);
  std::vector<std::string> expected = Header("Times", "File time comparison");
  const std::vector<std::string> newer{ExcludeTrailingBackslash(folder), added};
  expected.push_back("FILES AND FOLDERS ADDED OR CHANGED: (2)");
  expected.insert(expected.end(), newer.begin(), newer.end());
  expected.push_back("");
  expected.push_back("===================================(2)");
  expected.insert(expected.end(), newer.begin(), newer.end());
  for (const std::string& line : std::vector<std::string>{"", "NO CHANGES MADE TO " + ini_ + "...", "",
                                                          "NO CHANGES IN REGISTRY", ""})
    expected.push_back(line);
  EXPECT_EQ(Lines(expected), report);
}

TEST_F(VantrelReport, DosSetupReportsFilesAndItsNote) {
  TfrmVantrel& f = Open();
  f.EditInstallName.SetText(cfg_.File("INSTALL.BAT", "@echo off\r\n"));
  PinFolderTimes({drive_.path()});
  ToSnapshotPage(f, "Dos", false);
  f.cmdInstall.Click();
  ASSERT_EQ(opstate::kLaunchFailed, f.OperationState);
  const std::string added = drive_.File("DOSAPP.EXE", "MZ");
  PinFolderTimes({drive_.path()});
  std::vector<std::string> expected = Header("Dos", "Disk contents comparison");
  for (const std::string& line : std::vector<std::string>{"FILES AND DIRECTORIES ADDED: (1)", added, "",
                                                          "DOS-Based install - INI files not tracked",
                                                          "DOS-Based install - Registry not tracked", ""})
    expected.push_back(line);
  EXPECT_EQ(Lines(expected), Done(f));
  EXPECT_FALSE(PathExists(Snapshot("REG$$$$$.##2")));
}

TEST_F(VantrelReport, SwapHiveAndOwnFilesAreNotReported) {
  // The reports folder on the tracked drive: the tracker's own files change there.
  world().programFolder = drive_.Folder("program");
  TfrmVantrel& f = Open();
  ManualSnapshot(f, "Own files");
  const std::string kept = drive_.File("app\\kept.txt");
  drive_.File("pagefile.sys");
  drive_.File("app\\USER.DAT");
  const std::string report = Done(f);
  EXPECT_NE(std::string::npos, report.find(kept + "\r\n"));
  for (const char* hidden : {"pagefile.sys", "USER.DAT", "$$.##", "WATCHED.##"})
    EXPECT_EQ(std::string::npos, report.find(hidden)) << hidden << "\n" << report;
}

TEST_F(VantrelReport, AbortDuringDoneKeepsTheStoredOperationAndANewDoneSucceedsFromIt) {
  int n = 0;
  for (const char* during :
       {"Recording directory:", "Comparing directory:", "checking INI files", "Comparing Registry keys:"}) {
    SCOPED_TRACE(during);
    const std::string description = "Aborted " + std::to_string(++n);
    TfrmVantrel& f = Open();
    ManualSnapshot(f, description);
    const std::string added = drive_.File("added " + std::to_string(n) + ".txt");
    f.onStatus = [&](const std::string& caption, const std::string&) {
      if (caption == during && f.btnAbort.visible() && f.btnAbort.enabled()) f.btnAbort.Click();
    };
    DoneKept(f, opstate::kManualStored);
    f.onStatus = nullptr;
    EXPECT_EQ("Procedure Aborted.", f.lblStatus.caption());
    EXPECT_EQ(4, f.pc.activePageIndex());
    EXPECT_FALSE(f.ts6.tabVisible());
    EXPECT_FALSE(f.cmdInstall.enabled());
    EXPECT_FALSE(PathExists(f.ReportName()));
    EXPECT_FALSE(PathExists(f.ReportName() + ".part~"));
    EXPECT_TRUE(f.RichEdit1.blank());
    EXPECT_TRUE(f.optionsLocked());
    ExpectStored(description);
    CloseWindow();  // closing keeps it as well
    ExpectStored(description);

    // The next window resumes it, and its report is made from the same before-state.
    world().dialogs.Answer(ui::MsgResult::Ok);  // "restarted in manual snapshot ... mode"
    TfrmVantrel& g = Open();
    ASSERT_EQ(opstate::kResumed, g.OperationState);
    const std::string report = Done(g);
    EXPECT_NE(std::string::npos, report.find("FILES AND DIRECTORIES ADDED: (1)\r\n" + added + "\r\n")) << report;
    EXPECT_NE(std::string::npos, report.find("System Changes Report: " + description));
    EXPECT_FALSE(RegKey::Exists(HKEY_CURRENT_USER, Section("Survival")));
    EXPECT_FALSE(PathExists(Snapshot("S_INST$$.##1")));
    CloseWindow();
    DeleteFileW(Widen(added).c_str());
  }
}

TEST_F(VantrelReport, CloseBoxDuringDoneKeepsTheStoredOperation) {
  TfrmVantrel& f = Open();
  ManualSnapshot(f, "Closed");
  const HWND window = f.handle();
  f.onStatus = [&](const std::string& caption, const std::string&) {
    if (caption == "Comparing directory:" && IsWindow(window)) SendMessageW(window, WM_CLOSE, 0, 0);
  };
  f.cmdInstallDone.Click();
  f_ = nullptr;  // gone with its window once the step unwound
  EXPECT_FALSE(IsWindow(window));
  ExpectStored("Closed");
}

TEST_F(VantrelReport, DamagedSnapshotKeepsTheOperationUntilTheUserDiscardsIt) {
  TfrmVantrel& f = Open();
  PinFolderTimes({drive_.path()});
  ManualSnapshot(f, "Damaged");
  RegKey::Create(HKEY_CURRENT_USER, kRunOnceKey).WriteString("Vantrel", "\"x\" /RecoverInstall");
  WriteFileAtomically(Snapshot("REG$$$$$.##1"), "00HKEY_USERS\r\n11value without data\r\n");
  world().dialogs.Answer(ui::MsgResult::Ok);  // the error
  DoneKept(f, opstate::kManualStored);
  ASSERT_EQ(3u, world().dialogs.asked().size());
  EXPECT_NE(std::string::npos, world().dialogs.asked()[2].text.find("Stored Registry data is corrupted"));
  EXPECT_EQ("ERROR. ", f.lblStatus.caption());
  // The part written so far is shown and kept; the operation stays.
  std::vector<std::string> expected = Header("Damaged", "Disk contents comparison");
  for (const std::string& line : std::vector<std::string>{"NO CHANGES IN TRACKED DRIVES", "",
                                                          "NO CHANGES MADE TO " + ini_ + "...", ""})
    expected.push_back(line);
  EXPECT_EQ(Lines(expected), ReadTextFile(f.ReportName()).value_or("<no report>"));
  EXPECT_EQ(Lines(expected), ViewText(f.RichEdit1));
  EXPECT_EQ(5, f.pc.activePageIndex());
  EXPECT_TRUE(f.ts6.tabVisible());
  EXPECT_FALSE(PathExists(f.ReportName() + ".part~"));
  EXPECT_TRUE(PathExists(Snapshot("S_INST$$.##1")));
  EXPECT_EQ("TwoPhase", Survival("SurvivedRestart"));

  // Restart from Beginning names what it discards and does nothing on No.
  world().dialogs.Answer(ui::MsgResult::No);
  f.cmdRestart.Click();
  ASSERT_EQ(4u, world().dialogs.asked().size());
  const std::string question = world().dialogs.asked()[3].text;
  EXPECT_NE(std::string::npos, question.find("\"Damaged\"")) << question;
  EXPECT_NE(std::string::npos, question.find("before-state snapshots in \"" + Reports() + "\"")) << question;
  EXPECT_NE(std::string::npos, question.find("restart entry")) << question;
  EXPECT_EQ(opstate::kManualStored, f.OperationState);
  EXPECT_EQ(5, f.pc.activePageIndex());
  EXPECT_EQ("TwoPhase", Survival("SurvivedRestart"));
  EXPECT_TRUE(PathExists(Snapshot("S_INST$$.##1")));
  // Yes: the record, the snapshots and the restart entry go; reports stay.
  world().dialogs.Answer(ui::MsgResult::Yes);
  f.cmdRestart.Click();
  EXPECT_EQ(0, f.pc.activePageIndex());
  EXPECT_EQ(opstate::kIdle, f.OperationState);
  EXPECT_FALSE(RegKey::Exists(HKEY_CURRENT_USER, Section("Survival")));
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, kRunOnceKey).ValueExists("Vantrel"));
  for (const char* name : {"S_INST$$.##1", "S_INST$$.##2", "REG$$$$$.##1", "WATCHED.##1"})
    EXPECT_FALSE(PathExists(Snapshot(name))) << name;
  EXPECT_TRUE(PathExists(Reports() + "Damaged - 0001.TXT"));
  EXPECT_TRUE(f.cmdInstall.enabled());
  EXPECT_FALSE(f.optionsLocked());
}

TEST_F(VantrelReport, AReportThatCannotBePutInPlaceLeavesNoWorkFileAndKeepsTheOperation) {
  TfrmVantrel& f = Open();
  ManualSnapshot(f, "Blocked");
  // A folder where the report should go: the finished report cannot replace it.
  ASSERT_TRUE(CreateDirectoryW(Widen(f.ReportName()).c_str(), nullptr));
  world().dialogs.Answer(ui::MsgResult::Ok);  // the error
  DoneKept(f, opstate::kManualStored);
  ASSERT_EQ(3u, world().dialogs.asked().size());
  EXPECT_NE(std::string::npos, world().dialogs.asked()[2].text.find("could not be written")) << world().dialogs.asked()[2].text;
  EXPECT_FALSE(PathExists(f.ReportName() + ".part~"));
  EXPECT_EQ(4, f.pc.activePageIndex());
  ExpectStored("Blocked");
  std::vector<std::string> left;
  for (const std::string& name : ListFolderNames(Reports()))
    if (name.rfind("~spool", 0) == 0) left.push_back(name);
  EXPECT_TRUE(left.empty()) << left[0];
  RemoveDirectoryW(Widen(f.ReportName()).c_str());
  // Once the way is free, the report of the same before-state is made.
  EXPECT_NE(std::string::npos, Done(f).find("System Changes Report: Blocked"));
}

TEST_F(VantrelReport, AStartOverAStoredOperationAsksFirst) {
  ManualSnapshot(Open(), "First");
  CloseWindow();
  world().dialogs.Answer(ui::MsgResult::Ok);  // resumed
  TfrmVantrel& f = Open();
  ASSERT_EQ(opstate::kResumed, f.OperationState);
  world().dialogs.Answer(ui::MsgResult::No);
  f.cmdInstall.Click();
  ASSERT_EQ(4u, world().dialogs.asked().size());  // the snapshot's two, the resume's, and this question
  EXPECT_NE(std::string::npos, world().dialogs.asked()[3].text.find("discards the recorded operation \"First\""));
  EXPECT_EQ(opstate::kResumed, f.OperationState);
  ExpectStored("First");
}

TEST_F(VantrelReport, AnIniFileTheSetupDeletedIsReportedAndSameNamedFilesKeepTheirOwnSnapshots) {
  const std::string one = cfg_.File("one\\WIN.INI", "[A]\r\nk=1\r\n");
  const std::string two = cfg_.File("two\\WIN.INI", "[B]\r\nj=2\r\n");
  RegKey::DeleteTree(HKEY_CURRENT_USER, Section("INI Files To Watch"));
  const RegKey watch = RegKey::Create(HKEY_CURRENT_USER, Section("INI Files To Watch"));
  watch.WriteString(one, "T");
  watch.WriteString(two, "T");
  PinFolderTimes({drive_.path()});
  ManualSnapshot(Open(), "Ini files");
  CloseWindow();
  // The "setup": the first is deleted, the second changed.
  ASSERT_TRUE(DeleteFileW(Widen(one).c_str()));
  WriteFileAtomically(two, "[B]\r\nj=3\r\n");

  world().dialogs.Answer(ui::MsgResult::Ok);  // resumed
  TfrmVantrel& f = Open();
  EXPECT_EQ(3u, world().dialogs.asked().size());  // the snapshot's two and the resume's: no warning of a gone file
  EXPECT_EQ((std::vector<std::string>{one, two}), f.WatchList());
  ASSERT_EQ(2u, f.recordedIni().size());
  EXPECT_EQ("WIN", f.recordedIni()[0].snapshot);
  EXPECT_EQ("WIN~2", f.recordedIni()[1].snapshot);
  const std::string report = Done(f);
  // Resumed without stepping through the pages: the option's caption names the mode.
  std::vector<std::string> expected = Header("Ini files", "Compare entire Disk contents (More Reliable)");
  for (const std::string& line : std::vector<std::string>{
           "NO CHANGES IN TRACKED DRIVES", "", "CHANGES MADE TO " + one + "...", "FILE DELETED: " + one, "",
           "SECTIONS DELETED FROM " + one + ": (1)", "[A]", "", "KEYS DELETED FROM " + one + ": (1)", "[A]k=1", "",
           "CHANGES MADE TO " + two + "...", "KEYS CHANGED IN " + two + ": (1)", "[B]j=2 to 3", "",
           "NO CHANGES IN REGISTRY", ""})
    expected.push_back(line);
  EXPECT_EQ(Lines(expected), report);
}

TEST_F(VantrelReport, NamesEqualButForCaseArePairedExactly) {
  const std::string folder = drive_.Folder("case");
  if (!test::WriteExactCaseFile(folder, "A.tmp", "upper") || !test::WriteExactCaseFile(folder, "a.tmp", "lower 2"))
    GTEST_SKIP() << "needs Wine on a host folder that tells case apart";
  std::vector<std::string> names = ListFolderNames(folder);
  if (names.size() != 2) GTEST_SKIP() << "the host folder does not keep names apart by case";
  PinFolderTimes({drive_.path(), folder});
  TfrmVantrel& f = Open();
  ManualSnapshot(f, "Case");
  ASSERT_TRUE(DeleteFileW(Widen(folder + "A.tmp").c_str()));
  names = ListFolderNames(folder);
  ASSERT_EQ(1u, names.size());
  const std::string gone = names[0] == "a.tmp" ? "A.tmp" : "a.tmp";
  PinFolderTimes({drive_.path(), folder});
  const std::string report = Done(f);
  EXPECT_NE(std::string::npos, report.find("FILES AND DIRECTORIES DELETED: (1)\r\n" + folder + gone + "\r\n\r\n"))
      << report;
  EXPECT_EQ(std::string::npos, report.find("FILES CHANGED")) << report;
  EXPECT_EQ(std::string::npos, report.find("ADDED")) << report;
}

TEST_F(VantrelWindow, AnOperationOpenInAnotherWindowIsLeftToIt) {
  ManualSnapshot(Open(), "Held");
  CloseWindow();
  // Another window holds the operation (a thread stands for its process).
  HANDLE taken = CreateEventW(nullptr, TRUE, FALSE, nullptr), release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread holder([&] {
    HANDLE lock = CreateMutexW(nullptr, FALSE, kVantrelLockName);
    WaitForSingleObject(lock, INFINITE);
    SetEvent(taken);
    WaitForSingleObject(release, INFINITE);
    ReleaseMutex(lock);
    CloseHandle(lock);
  });
  WaitForSingleObject(taken, INFINITE);
  world().dialogs.Answer(ui::MsgResult::No);
  TfrmVantrel& g = Open();
  EXPECT_TRUE(g.refused());
  ASSERT_EQ(3u, world().dialogs.asked().size());
  EXPECT_EQ(0u, world().dialogs.asked()[2].text.find("The Vantrel operation is open in another window"));
  EXPECT_EQ(ui::MsgButtons::YesNo, world().dialogs.asked()[2].buttons);
  EXPECT_EQ(opstate::kIdle, g.OperationState);
  EXPECT_FALSE(g.cmdInstall.enabled());
  EXPECT_FALSE(g.cmdInstallDone.enabled());
  CloseWindow();
  EXPECT_EQ("TwoPhase", Survival("SurvivedRestart"));
  EXPECT_TRUE(PathExists(Snapshot("S_INST$$.##1")));
  SetEvent(release);
  holder.join();
  CloseHandle(taken);
  CloseHandle(release);
  world().dialogs.Answer(ui::MsgResult::Ok);  // resumed, once the other window let go
  EXPECT_EQ(opstate::kResumed, Open().OperationState);
}

TEST_F(VantrelWindow, TheReportViewShowsSelectsCopiesAndFindsLinesOfTheFile) {
  TfrmVantrel& f = Open();
  std::string text = "\xEF\xBB\xBF";
  for (int i = 0; i < 5000; ++i) text += (i == 3000 ? "the Needle line " : "line ") + std::to_string(i) + "\r\n";
  text += std::string(3000, 'w') + "\r\nlast line without an end";
  const std::string file = cfg_.File("view.txt", text);
  ASSERT_TRUE(f.RichEdit1.LoadFromFile(file));
  ASSERT_EQ(5002u, f.RichEdit1.lineCount());
  EXPECT_FALSE(f.RichEdit1.blank());
  EXPECT_EQ("line 0", f.RichEdit1.Line(0));
  EXPECT_EQ(std::string(3000, 'w'), f.RichEdit1.Line(5000));  // no line is cut
  EXPECT_EQ("last line without an end", f.RichEdit1.Line(5001));
  f.RichEdit1.SelectLines(10, 3);
  EXPECT_EQ((std::vector<std::size_t>{10, 11, 12}), f.RichEdit1.SelectedLines());
  EXPECT_EQ("line 10\r\nline 11\r\nline 12\r\n", f.RichEdit1.SelectedText());
  f.RichEdit1.ScrollToLine(2500);
  EXPECT_EQ(2500u, f.RichEdit1.topLine());

  EXPECT_TRUE(f.RichEdit1.FindNext("NEEDLE"));
  EXPECT_EQ(3000u, f.RichEdit1.focusedLine());
  EXPECT_EQ((std::vector<std::size_t>{3000}), f.RichEdit1.SelectedLines());
  EXPECT_TRUE(f.RichEdit1.FindNext("needle"));  // round the end, back to the one line
  EXPECT_EQ(3000u, f.RichEdit1.focusedLine());
  EXPECT_TRUE(f.RichEdit1.FindNext("without"));
  EXPECT_EQ(5001u, f.RichEdit1.focusedLine());
  EXPECT_FALSE(f.RichEdit1.FindNext("absent"));
  // Ctrl+F asks; F3 goes on with the same text.
  world().dialogs.AnswerInput(std::string("line 4999"));
  f.RichEdit1.pmReport.item(3).Click();
  EXPECT_EQ(4999u, f.RichEdit1.focusedLine());
  world().dialogs.Answer(ui::MsgResult::Ok);  // not found again: only the one line holds it
  f.RichEdit1.SelectLines(0, 1);
  f.RichEdit1.pmReport.item(4).Click();
  EXPECT_EQ(4999u, f.RichEdit1.focusedLine());
  EXPECT_EQ(ui::MsgButtons::Ok, world().dialogs.asked().back().buttons);
  // Copy puts the selected lines on the clipboard.
  f.RichEdit1.SelectLines(1, 2);
  f.RichEdit1.pmReport.item(0).Click();
  if (OpenClipboard(nullptr)) {
    const HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const wchar_t* p = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
    EXPECT_EQ(L"line 1\r\nline 2\r\n", std::wstring(p ? p : L""));
    if (p) GlobalUnlock(data);
    CloseClipboard();
  }
  f.RichEdit1.pmReport.item(6).Click();  // View in Text Editor
  ASSERT_EQ(1u, world().shellCalls.size());
  EXPECT_EQ("Open", world().shellCalls[0].verb);

  f.RichEdit1.Clear();
  EXPECT_TRUE(f.RichEdit1.blank());
  EXPECT_EQ(0u, f.RichEdit1.lineCount());
  EXPECT_FALSE(f.RichEdit1.LoadFromFile(cfg_ / "missing.txt"));
}
