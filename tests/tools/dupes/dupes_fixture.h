// TfrmFindDupes on a hidden window: drive E's walk starts in the test's own
// folder (A: in a second one, for the master mode), so nothing else is
// compared or removed. The skip-list and reload timer is stopped; tests run
// Timer1Timer themselves.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "shell/action_log.h"
#include "shell/hint.h"
#include "shell/settings.h"
#include "support/fakes.h"
#include "support/registry_sandbox.h"
#include "support/test_folder.h"
#include "support/user_input.h"
#include "tools/dupes/frm_dupes.h"

namespace velmora::dupes::testing {

using velmora::test::world;

class DupesWindow : public ::testing::Test {
 protected:
  void SetUp() override { shell::WriteBoolSetting(shell::kHintsKey, "All", false); }
  void TearDown() override {
    if (f_) f_->Close();
  }

  TfrmFindDupes& Open(bool show = true) {
    f_ = new TfrmFindDupes();
    f_->Timer1.Stop();
    f_->DriveRoot = [this](char letter) { return letter == 'A' ? a_.path() : letter == 'E' ? e_.path() : "Q:\\none\\"; };
    if (show) f_->Show();
    return *f_;
  }
  void CloseWindow() {
    f_->Close();
    f_ = nullptr;
  }
  // Ticks exactly these drives.
  void Tick(const std::string& letters) {
    for (int row = 0; row < f_->DiskListView1.itemCount(); ++row) {
      const char l = f_->DiskListView1.DriveLetter(row);
      f_->DiskListView1.SetChecked(row, l && letters.find(l) != std::string::npos);
    }
  }
  // The search over E: alone, with the given requirements.
  void Search(bool size = true, bool time = false, bool name = false) {
    Tick("E");
    f_->chkCheckFilesize.SetChecked(size);
    f_->chkCheckFileTimestamp.SetChecked(time);
    f_->chkCheckFilename.SetChecked(name);
    f_->btnSearch.Click();
  }
  std::vector<std::string> Rows() const {
    std::vector<std::string> out;
    for (int i = 0; i < f_->FileListView1.itemCount(); ++i) out.push_back(f_->FileListView1.Caption(i));
    return out;
  }
  int RowOf(const std::string& path) const {
    for (int i = 0; i < f_->FileListView1.itemCount(); ++i)
      if (EqualNoCase(f_->FileListView1.Caption(i), path)) return i;
    return -1;
  }
  static std::string H() { return kGroupHeader; }
  static std::string L(const std::string& path) { return LowerCase(path); }
  std::string Log() const {
    return ReadTextFile(world().programFolder + shell::logfile::kManualDupes).value_or("");
  }

  test::RegistrySandbox reg_;
  test::TestFolder e_{'E'}, a_{'A'};
  TfrmFindDupes* f_ = nullptr;
};

}  // namespace velmora::dupes::testing
