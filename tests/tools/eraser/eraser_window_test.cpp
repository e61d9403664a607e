// TfrmNet driven on a hidden window, its registry sandboxed and its shell
// folders pointed at the test's own folders on E:.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "shell/action_log.h"
#include "shell/cache_completion.h"
#include "shell/command_line.h"
#include "shell/hint.h"
#include "shell/settings.h"
#include "support/fakes.h"
#include "support/registry_sandbox.h"
#include "support/test_folder.h"
#include "tools/eraser/frm_net.h"
#include "ui/app.h"

using namespace velmora;
using namespace velmora::eraser;
using velmora::test::PathExists;
using velmora::test::world;

namespace {

const std::string kExplorer = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
const char* const kRunOnce = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

std::vector<std::string> Lines(const std::string& text) { return test::SplitLines(text); }

class EraserWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    shell::WriteBoolSetting(shell::kHintsKey, "All", false);
    for (const char* name : {"Recent", "Cookies", "Cache", "History"}) {
      const std::string folder = dir_.Folder(name);
      RegKey::Create(HKEY_CURRENT_USER, kShellFolders).WriteString(name, folder.substr(0, folder.size() - 1));
    }
  }
  void TearDown() override {
    if (f_) f_->Close();
  }
  TfrmNet& Open() {
    f_ = new TfrmNet();
    f_->FreeSpace = [this] { return free_; };
    f_->ExpiryWaitMs = 10;
    return *f_;
  }
  void CloseWindow() {
    f_->Close();
    f_ = nullptr;
  }
  std::string Log(const char* name) const {
    const auto t = ReadTextFile(world().programFolder + name);
    return t ? *t : std::string();
  }
  void SetAll(TfrmNet& f, bool on) {
    for (ui::CheckBox* b : {&f.cbFind, &f.cbComputer, &f.cbRun, &f.cbDocuments, &f.cbCookies, &f.cbCache,
                            &f.cbURLList, &f.cbClearHist, &f.cbAOL})
      b->SetChecked(on);
  }
  static void MakeKey(HKEY root, const std::string& key) { RegKey::Create(root, key).WriteString("a", "x"); }

  static constexpr const char* kShellFolders = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  test::RegistrySandbox reg_;
  test::TestFolder dir_{'E'};
  std::int64_t free_ = 1000000;
  TfrmNet* f_ = nullptr;
};

TEST_F(EraserWindow, DefaultsThenInternetExplorerValuesThenStoredOptions) {
  TfrmNet& f = Open();
  EXPECT_EQ(f.caption(), "The Eraser");
  EXPECT_NE(FindWindowW(L"TfrmNet", nullptr), nullptr);
  EXPECT_EQ(f.cbFind.caption(), "&Erase \"Find Files or Folders\" history");
  EXPECT_EQ(f.cbCookies.caption(), "\"&Erase Internet Cookie Files\"");
  EXPECT_EQ(f.cmdExecute.caption(), "&Erase Now");
  EXPECT_EQ(f.cmdExecute.hint(), "Performing the operation using your selected options");
  EXPECT_TRUE(f.cbCookies.checked());
  EXPECT_TRUE(f.cbPersistent.checked());
  EXPECT_EQ(f.seHistory.value(), 20);
  CloseWindow();

  // Internet Explorer's values, the 5.0 keys over the older ones; a value of
  // another type is ignored.
  const std::string settings = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\";
  RegKey::Create(HKEY_CURRENT_USER, settings + "Url History").WriteDword("DaysToKeep", 5);
  RegKey::Create(HKEY_CURRENT_USER, settings + "5.0\\Url History").WriteDword("DaysToKeep", 9);
  RegKey::Create(HKEY_CURRENT_USER, settings + "Cache").WriteDword("Persistent", 1);
  RegKey::Create(HKEY_CURRENT_USER, settings + "5.0\\Cache").WriteString("Persistent", "0");
  RegKey::DeleteTree(HKEY_CURRENT_USER, std::string("\\") + kPrivacyStorageKey);
  TfrmNet& g = Open();
  EXPECT_EQ(g.seHistory.value(), 9);
  EXPECT_FALSE(g.cbPersistent.checked());
  g.cbAOL.SetChecked(false);
  g.seHistory.SetValue(33);
  CloseWindow();
  // Once stored, the window's own options win.
  TfrmNet& h = Open();
  EXPECT_FALSE(h.cbAOL.checked());
  EXPECT_EQ(h.seHistory.value(), 33);
}

TEST_F(EraserWindow, AWindowShownToANonAdministratorCannotClearTypedAddresses) {
  world().administrator = false;
  TfrmNet& f = Open();
  f.Show();
  EXPECT_FALSE(f.cbURLList.checked());
  EXPECT_FALSE(f.cbURLList.enabled());
  const auto lines = Lines(Log(shell::logfile::kManualPrivacy));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1].rfind("OPEN SESSION: ", 0), 0u);
}

TEST_F(EraserWindow, AFullRunClearsEveryTargetInOrderAndRecordsTheFoldersForCompletion) {
  for (const char* key : {"Doc Find Spec MRU", "RunMRU", "StreamMRU", "RecentDocs", "Documents", "FindComputerMRU"})
    MakeKey(HKEY_CURRENT_USER, kExplorer + key);
  MakeKey(HKEY_USERS, "\\.DEFAULT" + kExplorer + "RunMRU");
  MakeKey(HKEY_CURRENT_USER, "\\Software\\Microsoft\\Internet Explorer\\TypedURLs");
  const std::string recent = dir_.File("Recent\\letter.lnk", "l");
  const std::string cookie = dir_.File("Cookies\\user@site.txt", "c");
  const std::string cookieIndex = dir_.File("Cookies\\index.dat", "i");
  const std::string aolCache = dir_.File("AOL\\Cache\\page.art", "a");
  RegKey::Create(HKEY_LOCAL_MACHINE, "\\SOFTWARE\\America Online\\AOL\\CurrentVersion")
      .WriteString("AppPath", dir_ / "AOL");
  TfrmNet& f = Open();
  f.cbPersistent.SetChecked(false);
  f.seHistory.SetValue(7);
  f.Show();
  f.cmdExecute.Click();
  EXPECT_TRUE(f.RunEnded);
  EXPECT_EQ(f.fsb.text(0), kErasedText);
  EXPECT_EQ(f.fsb.text(1), "Space recovered: 0.00 bytes (0.00 megabytes.)");
  EXPECT_TRUE(f.cmdExecute.enabled());
  EXPECT_FALSE(f.pg.visible());

  for (const char* key : {"Doc Find Spec MRU", "RunMRU", "StreamMRU", "RecentDocs", "Documents", "FindComputerMRU"})
    EXPECT_FALSE(RegKey::Exists(HKEY_CURRENT_USER, kExplorer + key)) << key;
  EXPECT_FALSE(RegKey::Exists(HKEY_USERS, "\\.DEFAULT" + kExplorer + "RunMRU"));
  EXPECT_FALSE(RegKey::Exists(HKEY_CURRENT_USER, "\\Software\\Microsoft\\Internet Explorer\\TypedURLs"));
  EXPECT_FALSE(PathExists(recent));
  EXPECT_FALSE(PathExists(cookie));
  EXPECT_TRUE(PathExists(cookieIndex));
  EXPECT_FALSE(PathExists(aolCache));
  const RegKey cache = RegKey::Open(HKEY_CURRENT_USER, kCacheSettingsKey);
  EXPECT_EQ(1u, cache.ReadDword("Persistent").value_or(9));
  for (const char* k : {"\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Url History",
                        "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\5.0\\Url History"})
    EXPECT_EQ(7u, RegKey::Open(HKEY_CURRENT_USER, k).ReadDword("DaysToKeep").value_or(0)) << k;

  // The folders for /COMPLETECACHE, and its RunOnce command quoted.
  const RegKey privacy = RegKey::Open(HKEY_CURRENT_USER, shell::kPrivacyKey);
  EXPECT_EQ(dir_ / "Cookies", privacy.ReadString("Cookies").value_or(""));
  EXPECT_EQ(dir_ / "Cache", privacy.ReadString("Cache").value_or(""));
  EXPECT_EQ(dir_ / "History", privacy.ReadString("History").value_or(""));
  EXPECT_EQ("\"" + world().programFolder + "Quorvel.exe\" /CompleteCache",
            RegKey::Open(HKEY_LOCAL_MACHINE, kRunOnce).ReadString("Velmora Cache Cleanup").value_or(""));

  const auto lines = Lines(Log(shell::logfile::kManualPrivacy));
  const std::vector<std::string> steps{"  Clearing Find Files or Folders Information",
                                       "  Clearing Recently Run Files Information",
                                       "  Clearing Recently Accessed Documents Information",
                                       "  Clearing Find Computer Information",
                                       "  Clearing Cookie Information",
                                       "  Clearing Cache Information",
                                       "  Clearing History Information",
                                       "  Clearing Typed URLs Information",
                                       "  Setting Internet Explorer Cache Options",
                                       "  Setting Internet Explorer History Options",
                                       "  Removing America Online cache"};
  ASSERT_GE(lines.size(), 4 + steps.size());
  EXPECT_EQ(steps, std::vector<std::string>(lines.begin() + 4, lines.begin() + 4 + long(steps.size())));
  EXPECT_TRUE(world().dialogs.asked().empty());
}

TEST_F(EraserWindow, RecoveredSpaceFeedsThePanelTheStatisticsAndTheCloseBlock) {
  shell::WriteIntegerSetting(shell::kLogsKey, shell::stat::kEraserBytes, 100);
  TfrmNet& f = Open();
  SetAll(f, false);
  f.FreeSpace = [this, calls = 0]() mutable { return ++calls == 1 ? free_ : free_ + 6000; };
  f.Show();
  f.cmdExecute.Click();
  EXPECT_EQ(f.fsb.text(1), "Space recovered: 6,000 bytes (0.01 megabytes.)");
  EXPECT_EQ(shell::ReadStatistic(shell::stat::kEraserBytes), 6100);
  CloseWindow();
  const auto lines = Lines(Log(shell::logfile::kManualPrivacy));
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[lines.size() - 3], "TOTAL SPACE RECOVERED: 6,000 bytes (0.01 megabytes.)");
  // With every box off only the two settings steps ran.
  EXPECT_EQ(lines[4], "  Setting Internet Explorer Cache Options");
  EXPECT_EQ(lines[5], "  Setting Internet Explorer History Options");
}

TEST_F(EraserWindow, AClosedWindowWithoutARunWritesTheZeroTotalAndNoStatistic) {
  TfrmNet& f = Open();
  f.Show();
  CloseWindow();
  const auto lines = Lines(Log(shell::logfile::kManualPrivacy));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3], "TOTAL SPACE RECOVERED: 0.00 bytes (0.00 megabytes.)");
  EXPECT_EQ(shell::ReadStatistic(shell::stat::kEraserBytes), 0);
}

TEST_F(EraserWindow, WithoutARecentFolderTheRunEndsEarlyButStillEndsItsWay) {
  RegKey::Create(HKEY_CURRENT_USER, kShellFolders).DeleteValue("Recent");
  MakeKey(HKEY_CURRENT_USER, kExplorer + "FindComputerMRU");
  TfrmNet& f = Open();
  world().dialogs.Answer(ui::MsgResult::Ok);
  f.cmdExecute.Click();
  ASSERT_EQ(world().dialogs.messageTexts().size(), 1u);
  EXPECT_EQ(world().dialogs.messageTexts()[0], "Error obtaining recent documents information from registry.");
  EXPECT_TRUE(f.RunEnded);
  EXPECT_EQ(f.fsb.text(0), "");  // the completion text is not set
  EXPECT_TRUE(f.cmdExecute.enabled());
  EXPECT_TRUE(RegKey::Exists(HKEY_CURRENT_USER, kExplorer + "FindComputerMRU"));  // step 4 never ran
}

// Recent names a folder that is not there: only an absent value ends the run
// early; the lists and every later step still run.
TEST_F(EraserWindow, ARecentFolderThatIsMissingStopsNothing) {
  RegKey::Create(HKEY_CURRENT_USER, kShellFolders).WriteString("Recent", dir_ / "no such folder");
  MakeKey(HKEY_CURRENT_USER, kExplorer + "RecentDocs");
  MakeKey(HKEY_CURRENT_USER, kExplorer + "FindComputerMRU");
  const std::string cookie = dir_.File("Cookies\\user@site[1].txt", "session");
  TfrmNet& f = Open();
  f.cmdExecute.Click();
  EXPECT_TRUE(world().dialogs.asked().empty()) << world().dialogs.messageTexts()[0];
  EXPECT_TRUE(f.RunEnded);
  EXPECT_FALSE(RegKey::Exists(HKEY_CURRENT_USER, kExplorer + "RecentDocs"));
  EXPECT_FALSE(RegKey::Exists(HKEY_CURRENT_USER, kExplorer + "FindComputerMRU"));
  EXPECT_FALSE(PathExists(cookie));
  EXPECT_FALSE(PathExists(dir_ / "no such folder"));
}

TEST_F(EraserWindow, AFileInUseIsReportedOnceAndTheRunGoesOn) {
  const std::string held = dir_.File("Cookies\\held.txt", "h");
  const std::string other = dir_.File("Cookies\\other.txt", "o");
  FileHandle h(CreateFileW(LongPathW(held).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(h);
  TfrmNet& f = Open();
  SetAll(f, false);
  f.cbCookies.SetChecked(true);
  f.Show();
  world().dialogs.Answer(ui::MsgResult::Ok);
  f.cmdExecute.Click();
  ASSERT_EQ(world().dialogs.messageTexts().size(), 1u);
  EXPECT_EQ(world().dialogs.messageTexts()[0].rfind("Warning:  Some files are in use and unable to be removed.\r\n\r\n", 0),
            0u);
  EXPECT_FALSE(PathExists(other));
  EXPECT_NE(Log(shell::logfile::kManualPrivacy).find("  Warning:  Some files were not able to be removed.\r\n"),
            std::string::npos);
}

TEST_F(EraserWindow, TheRunOnceEntryFallsBackToTheUserWhenTheMachineKeyIsNotForThisUser) {
  world().administrator = false;
  TfrmNet& f = Open();
  f.WriteBatch("Cookies", dir_ / "Cookies");
  EXPECT_FALSE(RegKey::Exists(HKEY_LOCAL_MACHINE, kRunOnce));
  const std::string command =
      RegKey::Open(HKEY_CURRENT_USER, kRunOnce).ReadString("Velmora Cache Cleanup").value_or("");
  EXPECT_EQ("\"" + world().programFolder + "Quorvel.exe\" /CompleteCache", command);
  // Split as the system splits a command line, the program's one argument starts the completion.
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(Widen(command).c_str(), &argc);
  ASSERT_EQ(argc, 2);
  EXPECT_EQ(Narrow(argv[0]), world().programFolder + "Quorvel.exe");
  EXPECT_EQ(shell::StartCommand::CompleteCache, shell::ParseStartCommand({Narrow(argv[1])}));
  LocalFree(argv);
  // What the next log-on runs empties exactly the recorded folder.
  const std::string cookie = dir_.File("Cookies\\late@site.txt", "c");
  const std::string canary = dir_.File("Cache\\keep.txt", "k");
  shell::CompleteCacheRemoval([](const std::string&) {});
  EXPECT_FALSE(PathExists(cookie));
  EXPECT_TRUE(PathExists(canary));
}

TEST_F(EraserWindow, AScheduledRunLogsToTheEraserLogAndAsksNothing) {
  RegKey::Create(HKEY_CURRENT_USER, kShellFolders).DeleteValue("Recent");
  for (bool logEvents : {true, false}) {
    SCOPED_TRACE(logEvents);
    DeleteFileW(Widen(world().programFolder + shell::logfile::kScheduledEraser).c_str());
    TfrmNet& f = Open();
    f.ScheduledRun = true;
    f.ScheduledLog = logEvents;
    f.cbDocuments.SetChecked(false);
    f.cmdExecuteClick();
    EXPECT_EQ(f.fsb.text(0), kErasedText);
    EXPECT_TRUE(f.RunEnded);
    CloseWindow();
    EXPECT_TRUE(world().dialogs.asked().empty());
    EXPECT_EQ(Log(shell::logfile::kManualPrivacy), "");
    const auto lines = Lines(Log(shell::logfile::kScheduledEraser));
    if (!logEvents) {
      EXPECT_TRUE(lines.empty());
      continue;
    }
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[2].rfind("OPERATION START: ", 0), 0u);
    EXPECT_EQ(lines[4], "  Clearing Find Files or Folders Information");
    EXPECT_EQ(lines[lines.size() - 3].rfind("OPERATION COMPLETE: ", 0), 0u);
    EXPECT_EQ(lines[lines.size() - 2], "TOTAL SPACE RECOVERED: 0.00 bytes (0.00 megabytes.)");
  }
  // The early end of a scheduled run goes to its log, not into a box.
  TfrmNet& g = Open();
  g.ScheduledRun = g.ScheduledLog = true;
  g.cbDocuments.SetChecked(true);
  g.cmdExecuteClick();
  EXPECT_TRUE(g.RunEnded);
  EXPECT_TRUE(world().dialogs.asked().empty());
  EXPECT_NE(Log(shell::logfile::kScheduledEraser).find("  Error obtaining recent documents information from registry."),
            std::string::npos);
}

// A key whose deletion the registry refuses: the run says so and goes on with
// the next step. (Wine grants an administrator every key whatever its
// security says, so the refusal comes through the window's deletion seam.)
TEST_F(EraserWindow, ARefusedKeyDeletionIsReportedAndTheRunGoesOn) {
  const std::string key = kExplorer + "Doc Find Spec MRU";
  MakeKey(HKEY_CURRENT_USER, key);
  MakeKey(HKEY_CURRENT_USER, kExplorer + "FindComputerMRU");
  TfrmNet& f = Open();
  f.DeleteKey = [key](HKEY root, const std::string& path) {
    return path == key ? false : RegKey::DeleteTree(root, path);
  };
  SetAll(f, false);
  f.cbFind.SetChecked(true);
  f.cbComputer.SetChecked(true);
  world().dialogs.Answer(ui::MsgResult::Ok);
  f.cmdExecute.Click();
  ASSERT_EQ(world().dialogs.messageTexts().size(), 1u);
  EXPECT_EQ(world().dialogs.messageTexts()[0],
            "Error removing \"Find Files or Folders\" history.  Make sure you have sufficient administrative rights "
            "to the registry.");
  EXPECT_TRUE(RegKey::Exists(HKEY_CURRENT_USER, key));
  EXPECT_FALSE(RegKey::Exists(HKEY_CURRENT_USER, kExplorer + "FindComputerMRU"));
  EXPECT_EQ(f.fsb.text(0), kErasedText);
}

TEST_F(EraserWindow, TheWindowDoesNotCloseWhileARunIsInProgress) {
  dir_.File("Cookies\\user@site.txt", "c");
  TfrmNet& f = Open();
  SetAll(f, false);
  f.cbCookies.SetChecked(true);
  bool refused = false;
  // A close request (title bar, Alt+F4) arriving while the run lets messages in.
  ui::PostTask([&] {
    refused = f.running();
    SendMessageW(f.handle(), WM_CLOSE, 0, 0);
  });
  f.cmdExecute.Click();
  EXPECT_TRUE(refused);
  EXPECT_NE(FindWindowW(L"TfrmNet", nullptr), nullptr);
  EXPECT_TRUE(f.RunEnded);
}

TEST_F(EraserWindow, HelpOpensTheEraserTopic) {
  CreateFolderPath(world().programFolder + "help");
  ASSERT_TRUE(WriteFileAtomically(world().programFolder + "help\\" + kEraserTopic + ".html", "<html></html>"));
  TfrmNet& f = Open();
  f.cmdHelp.Click();
  ASSERT_EQ(world().shellCalls.size(), 1u);
  EXPECT_NE(world().shellCalls[0].target.find("Ensuring_your_personal_or_company_privacy.html"), std::string::npos);
}

}  // namespace
