// TfrmSched on hidden windows over a sandboxed registry: switching operations
// on and off, the rows, Run Now, the refresh message, and the unattended runs
// with their tool windows pointed at the test's own folders.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "shell/action_log.h"
#include "shell/hint.h"
#include "shell/schedule.h"
#include "shell/settings.h"
#include "support/fakes.h"
#include "support/registry_sandbox.h"
#include "support/test_folder.h"
#include "tools/eraser/frm_net.h"
#include "tools/junk/frm_junk.h"
#include "tools/regclean/frm_regclean.h"
#include "tools/sched/frm_sched.h"
#include "ui/app.h"

using namespace velmora;
using namespace velmora::sched;
using velmora::test::world;

namespace {

class SchedWindow : public ::testing::Test {
 protected:
  void SetUp() override { shell::WriteBoolSetting(shell::kHintsKey, "All", false); }
  void TearDown() override {
    for (TfrmSched* f : open_) f->Destroy();
  }
  TfrmSched& Open() {
    open_.push_back(new TfrmSched());
    return *open_.back();
  }
  std::vector<TfrmSched*> open_;
  test::RegistrySandbox reg_;
};

TEST_F(SchedWindow, TheFirstSwitchOnSchedulesAndStartsTheAgentTheLastSwitchOffStopsIt) {
  TfrmSched& f = Open();
  EXPECT_EQ(f.caption(), "Scheduled Maintenance");
  EXPECT_FALSE(f.cbJunk.checked());
  EXPECT_TRUE(world().shellCalls.empty());  // nothing scheduled: no agent
  f.cbJunk.Click();
  ASSERT_EQ(world().shellCalls.size(), 1u);
  EXPECT_EQ(world().shellCalls[0].verb, "OPEN");
  EXPECT_EQ(world().shellCalls[0].target, world().programFolder + "Tallowin.exe");
  const auto run = shell::ReadStringSetting(shell::kRunKey, shell::kAgentRunValue);
  ASSERT_TRUE(run);
  EXPECT_EQ(*run, "\"" + world().programFolder + "Tallowin.exe\"");
  EXPECT_EQ(shell::ReadIntegerSetting(shell::schedulekey::kJunk, "Enabled"), 1);
  EXPECT_EQ(shell::ReadScheduleKind(shell::schedulekey::kJunk), shell::kDefaultScheduleKind);
  EXPECT_EQ(f.junk.lblSched.caption(), *shell::DescribeSchedule(shell::kDefaultScheduleKind, shell::kDefaultScheduleParams));
  EXPECT_EQ(f.junk.lblLast.caption(), "Never");
  EXPECT_EQ(f.junk.lblNext.caption(), FormatDate(std::floor(NowDateTime()) + 1) + " " + FormatTime(std::floor(NowDateTime()) + 1));
  EXPECT_TRUE(f.junk.cbSave.enabled());

  // A second operation switched on starts no second agent (the agent's window is
  // faked absent here, so only the Run entry tells: it is written once more).
  f.cbEraser.Click();
  EXPECT_TRUE(shell::ReadStringSetting(shell::kRunKey, shell::kAgentRunValue));
  f.cbEraser.Click();
  f.cbJunk.Click();  // the last one off
  EXPECT_FALSE(shell::ReadStringSetting(shell::kRunKey, shell::kAgentRunValue));
  EXPECT_FALSE(f.junk.cbSave.enabled());
  EXPECT_EQ(shell::ReadIntegerSetting(shell::schedulekey::kJunk, "Enabled"), 0);
}

TEST_F(SchedWindow, OverdueRunNowAndTheRefreshMessage) {
  shell::WriteDefaultSchedule(shell::schedulekey::kJunk);
  RegKey::Create(HKEY_CURRENT_USER, std::string(shell::schedulekey::kJunk).substr(1))
      .WriteDateTime("NextRun", NowDateTime() - 1);
  TfrmSched& a = Open();
  TfrmSched& b = Open();
  EXPECT_TRUE(a.cbJunk.checked());
  EXPECT_EQ(a.junk.lblNext.caption(), "Overdue");
  world().shellCalls.clear();
  a.RunNow(a.junk);
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, std::string(shell::schedulekey::kJunk).substr(1)).ValueExists("NextRun"));
  ASSERT_EQ(world().shellCalls.size(), 1u);
  EXPECT_EQ(world().shellCalls[0].target, world().programFolder + "Quorvel.exe");
  EXPECT_EQ(UpperCase(world().shellCalls[0].params), "/CLEANJUNK");

  // Another scheduling window shows a new last run without being reopened.
  shell::WriteLastRan(shell::schedulekey::kJunk);
  EXPECT_EQ(b.junk.lblLast.caption(), "Never");
  a.BroadCastRefresh();
  EXPECT_NE(b.junk.lblLast.caption(), "Never");
  EXPECT_EQ(a.caption(), "Scheduled Maintenance");
}

class SchedRun : public SchedWindow {
 protected:
  void SetUp() override {
    SchedWindow::SetUp();
    RegKey::Create(HKEY_CURRENT_USER, junk::kJunkKey).WriteString("Drives", "E");
    shell::WriteBoolSetting(shell::schedulekey::kJunk, shell::schedval::kShowProgress, false);
  }
  void PointAtTestFolders(TfrmSched& f) {
    f.PrepareJunk = [this](junk::TfrmJunk& j) {
      j.DriveRoot = [this](char) { return root_.path(); };
      j.TempFolder = [this] { return temp_.path(); };
      j.cbTemp.SetChecked(false);
      j.optDelete.SetChecked(true);
    };
  }
  std::string JunkLog() const { return ReadTextFile(world().programFolder + shell::logfile::kScheduledJunk).value_or(""); }
  test::TestFolder root_{'E'}, temp_{'E'};
};

TEST_F(SchedRun, AJunkRunRemovesWhatItFindsLogsAndRecordsTheRun) {
  const std::string junkFile = root_.File("old.tmp", "12345");
  const std::string keep = root_.File("keep.txt", "keep");
  TfrmSched& f = Open();
  PointAtTestFolders(f);
  EXPECT_TRUE(f.PerformJunk());
  EXPECT_FALSE(FileExists(junkFile));
  EXPECT_TRUE(FileExists(keep));
  EXPECT_TRUE(shell::ReadLastRan(shell::schedulekey::kJunk));
  const std::string log = JunkLog();
  EXPECT_NE(log.find(junkFile), std::string::npos);
  EXPECT_NE(log.find("OPERATION START: "), std::string::npos);
  EXPECT_TRUE(world().dialogs.asked().empty());
  EXPECT_EQ(f.caption(), "Scheduled Maintenance");
}

TEST_F(SchedRun, NothingFoundIsLoggedEvenWithLoggingOff) {
  shell::WriteBoolSetting(shell::schedulekey::kJunk, shell::schedval::kLogEvents, false);
  TfrmSched& f = Open();
  PointAtTestFolders(f);
  EXPECT_TRUE(f.PerformJunk());
  EXPECT_EQ(JunkLog(), "  Drives Already Clean: No junk files found\r\n");
}

// The scan raises inside its own click handler, where the forms layer catches
// it: the run ends there as failed, removes nothing of what it had listed,
// writes no "LastRan", and the text is in its log, not in a box.
TEST_F(SchedRun, AScanThatRaisesInsideItsClickEndsTheRunAsFailedAndRemovesNothing) {
  const std::string first = root_.File("a\\first.tmp", "1");
  const std::string second = root_.File("b\\second.tmp", "2");
  TfrmSched& f = Open();
  f.FailureShowMs = 0;
  PointAtTestFolders(f);
  const auto prepare = f.PrepareJunk;
  f.PrepareJunk = [&](junk::TfrmJunk& j) {
    prepare(j);
    const auto found = j.ts.OnFileFound();
    j.ts.SetOnFileFound([found, second](scan::TTreeScanner& t) {
      if (t.FileFound() == second) throw std::runtime_error("drive gone");
      found(t);
    });
  };
  EXPECT_FALSE(f.PerformJunk());
  EXPECT_TRUE(FileExists(first));
  EXPECT_TRUE(FileExists(second));
  EXPECT_FALSE(shell::ReadLastRan(shell::schedulekey::kJunk));
  EXPECT_NE(JunkLog().find("  Scheduled run failed: drive gone"), std::string::npos) << JunkLog();
  EXPECT_EQ(JunkLog().find("Drives Already Clean"), std::string::npos);
  EXPECT_TRUE(world().dialogs.asked().empty());
  EXPECT_EQ(f.caption(), "Scheduled Maintenance");
}

// The log is taken by another program between the scan and the removal: a
// removal that could not be recorded is not made.
TEST_F(SchedRun, ALogThatBecomesUnwritableBeforeTheRemovalRemovesNothing) {
  const std::string junkFile = root_.File("old.tmp", "1");
  TfrmSched& f = Open();
  f.FailureShowMs = 0;
  PointAtTestFolders(f);
  FileHandle held;
  const auto prepare = f.PrepareJunk;
  f.PrepareJunk = [&](junk::TfrmJunk& j) {
    prepare(j);
    const auto done = j.ts.OnSearchDone();
    j.ts.SetOnSearchDone([&, done](scan::TTreeScanner& t) {
      done(t);
      held.reset(CreateFileW(LongPathW(world().programFolder + shell::logfile::kScheduledJunk).c_str(),
                             GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    });
  };
  EXPECT_FALSE(f.PerformJunk());
  EXPECT_TRUE(held);
  held.reset();
  EXPECT_TRUE(FileExists(junkFile));
  EXPECT_FALSE(shell::ReadLastRan(shell::schedulekey::kJunk));
  const std::string log = ReadTextFile(world().programFolder + shell::logfile::kScheduleLog).value_or("");
  EXPECT_NE(log.find("  Scheduled run failed: "), std::string::npos) << log;
  EXPECT_NE(log.find(shell::logfile::kScheduledJunk), std::string::npos) << log;
  EXPECT_TRUE(world().dialogs.asked().empty());
}

// An erase that raises, and a message box a tool would raise: neither waits.
TEST_F(SchedRun, AnEraseThatRaisesFailsAndAToolsBoxIsAnsweredInTheLog) {
  shell::WriteBoolSetting(shell::schedulekey::kEraser, shell::schedval::kShowProgress, false);
  TfrmSched& f = Open();
  f.FailureShowMs = 0;
  f.PrepareEraser = [](eraser::TfrmNet& e) {
    // A question as a tool might still ask it: answered No, and logged.
    EXPECT_EQ(ui::MsgResult::No, ui::dialogs().Message(e.handle(), "Remove everything?", "Please confirm",
                                                       ui::MsgButtons::YesNo, ui::MsgIcon::Question));
    e.FreeSpace = []() -> std::int64_t { throw std::runtime_error("no free space figure"); };
  };
  EXPECT_FALSE(f.PerformErase());
  EXPECT_FALSE(shell::ReadLastRan(shell::schedulekey::kEraser));
  const std::string log = ReadTextFile(world().programFolder + shell::logfile::kScheduledEraser).value_or("");
  EXPECT_NE(log.find("  Unattended: \"Remove everything?\" (Please confirm), answered No"), std::string::npos) << log;
  EXPECT_NE(log.find("  Scheduled run failed: no free space figure"), std::string::npos) << log;
  EXPECT_TRUE(world().dialogs.asked().empty());
}

TEST_F(SchedRun, CancelStopsTheScanAndWhatWasFoundIsStillRemoved) {
  shell::WriteBoolSetting(shell::schedulekey::kJunk, shell::schedval::kShowProgress, true);
  const std::string first = root_.File("a\\first.tmp", "1");
  const std::string later = root_.File("z\\later.tmp", "2");
  TfrmSched& f = Open();
  PointAtTestFolders(f);
  const auto prepare = f.PrepareJunk;
  f.PrepareJunk = [&](junk::TfrmJunk& j) {
    prepare(j);
    const auto found = j.ts.OnFileFound();
    j.ts.SetOnFileFound([&, found](scan::TTreeScanner& t) {
      found(t);
      // The user presses Cancel on the progress window as the first file is found.
      if (t.FileFound() == first && f.progress()) f.progress()->lblCancelClick();
    });
  };
  EXPECT_TRUE(f.PerformJunk());
  EXPECT_FALSE(FileExists(first));
  EXPECT_TRUE(FileExists(later));
  EXPECT_TRUE(shell::ReadLastRan(shell::schedulekey::kJunk));
  EXPECT_EQ(f.progress(), nullptr);  // closed after the run
}

TEST_F(SchedRun, ARegistryRunRemovesAndLogsInItsOwnLog) {
  const std::string missing = root_ / "gone\\app.exe";
  RegKey::Create(HKEY_CURRENT_USER, "Software\\App").WriteString("Bad", missing);
  shell::WriteBoolSetting(shell::schedulekey::kRegistry, shell::schedval::kShowProgress, false);
  TfrmSched& f = Open();
  f.PrepareRegClean = [](regclean::TfrmRegClean& r) {
    r.BackupPauseMs = 0;
    r.cbBackup.SetChecked(false);
    for (int row = 1; row < r.lvScanFor.itemCount(); ++row) r.lvScanFor.SetChecked(row, false);
  };
  EXPECT_TRUE(f.PerformRegClean());
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, "Software\\App").ValueExists("Bad"));
  const std::string log = ReadTextFile(world().programFolder + shell::logfile::kScheduledRegistry).value_or("");
  EXPECT_NE(log.find("      VALUE: Bad"), std::string::npos);
  EXPECT_TRUE(shell::ReadLastRan(shell::schedulekey::kRegistry));
}

TEST_F(SchedRun, APrivacyRunWithoutProgressWindowErasesAndRecordsTheRun) {
  // The browser folders are the test's own, one cookie in them.
  const char* const shellFolders = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  for (const char* name : {"Recent", "Cookies", "Cache", "History"}) {
    const std::string folder = root_.Folder(name);
    RegKey::Create(HKEY_CURRENT_USER, shellFolders).WriteString(name, folder.substr(0, folder.size() - 1));
  }
  const std::string cookie = root_.File("Cookies\\user@site[1].txt", "session");
  shell::WriteBoolSetting(shell::schedulekey::kEraser, shell::schedval::kShowProgress, false);
  TfrmSched& f = Open();
  bool prepared = false;
  f.PrepareEraser = [&](eraser::TfrmNet& e) {
    prepared = true;
    e.FreeSpace = [] { return std::int64_t(1) << 30; };
    e.ExpiryWaitMs = 10;
    e.cbDocuments.SetChecked(false);
  };
  EXPECT_TRUE(f.PerformErase());
  EXPECT_TRUE(prepared);
  EXPECT_EQ(f.progress(), nullptr);
  EXPECT_FALSE(FileExists(cookie));
  EXPECT_TRUE(shell::ReadLastRan(shell::schedulekey::kEraser));
  EXPECT_NE(ReadTextFile(world().programFolder + shell::logfile::kScheduledEraser).value_or("").find("OPERATION START: "),
            std::string::npos);
  EXPECT_TRUE(world().dialogs.asked().empty());
}

TEST_F(SchedRun, CancelAfterTheScanStartsNoNewScan) {
  shell::WriteBoolSetting(shell::schedulekey::kJunk, shell::schedval::kShowProgress, true);
  const std::string one = root_.File("one.tmp", "1");
  const std::string two = root_.File("two.tmp", "2");
  TfrmSched& f = Open();
  PointAtTestFolders(f);
  const auto prepare = f.PrepareJunk;
  f.PrepareJunk = [&](junk::TfrmJunk& j) {
    prepare(j);
    const auto done = j.ts.OnSearchDone();
    j.ts.SetOnSearchDone([&, done](scan::TTreeScanner& t) {
      done(t);
      // Pressed as the scan ends: it arrives while the found files are removed.
      ui::PostTask([&] {
        if (f.progress()) f.progress()->lblCancelClick();
      });
    });
  };
  EXPECT_TRUE(f.PerformJunk());
  EXPECT_FALSE(FileExists(one));
  EXPECT_FALSE(FileExists(two));
  const std::string log = JunkLog();
  std::size_t scans = 0;
  for (std::size_t at = log.find("  Start Scan..."); at != std::string::npos; at = log.find("  Start Scan...", at + 1))
    ++scans;
  EXPECT_EQ(scans, 1u);
}

}  // namespace
