// The junk cleaner's window in a test: hidden, its drive pass walking the
// test's own folder on E: (the only ticked drive) and its temporary folder
// another test folder, so nothing outside them is listed or removed.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "shell/hint.h"
#include "shell/settings.h"
#include "support/fakes.h"
#include "support/registry_sandbox.h"
#include "support/test_folder.h"
#include "tools/junk/frm_junk.h"

namespace velmora::junk::test_support {

using velmora::test::world;

inline std::vector<std::string> Lines(const std::string& text) { return test::SplitLines(text); }

class JunkWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    shell::WriteBoolSetting(shell::kHintsKey, "All", false);
    RegKey::Create(HKEY_CURRENT_USER, kJunkKey).WriteString("Drives", "E");
  }
  void TearDown() override {
    if (f_) f_->Close();
  }

  // A hidden window whose drive pass walks root_ and whose temporary folder is
  // temp_, or the one the system names (GetTempPathW) with realTempFolder.
  TfrmJunk& Open(bool realTempFolder = false) {
    f_ = new TfrmJunk();
    f_->DriveRoot = [this](char letter) {
      EXPECT_EQ(letter, 'E');
      return root_.path();
    };
    if (!realTempFolder) f_->TempFolder = [this] { return temp_.path(); };
    return *f_;
  }
  void CloseWindow() {
    f_->Close();
    f_ = nullptr;
  }
  std::vector<std::string> Listed() const {
    std::vector<std::string> out;
    for (int i = 0; i < f_->lv.itemCount(); ++i) out.push_back(f_->lv.Caption(i));
    return out;
  }
  bool IsListed(const std::string& path) const {
    for (const std::string& c : Listed())
      if (CompareNoCase(c, path) == 0) return true;
    return false;
  }
  std::string Log(const char* name) const {
    const auto t = ReadTextFile(world().programFolder + name);
    return t ? *t : std::string();
  }

  test::RegistrySandbox reg_;
  test::TestFolder root_{'E'};
  test::TestFolder temp_{'E'};
  TfrmJunk* f_ = nullptr;
};

}  // namespace velmora::junk::test_support
