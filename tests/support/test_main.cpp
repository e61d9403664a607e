// Entry point of every test executable: common controls and COM as the programs
// have them, and the fake outside world, reset before each test.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>
#include <commctrl.h>

#include "support/fakes.h"
#include "support/test_folder.h"

namespace {

class ResetWorld : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { velmora::test::world().Reset(); }
  void OnTestEnd(const ::testing::TestInfo&) override {
    velmora::test::RemoveTree(velmora::test::world().programFolder);
  }
};

}  // namespace

int main(int argc, char** argv) {
  // Keep Wine/Windows from popping up error boxes for a missing floppy or CD.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new ResetWorld);
  velmora::test::InstallFakeWorld();
  const int rc = RUN_ALL_TESTS();
  CoUninitialize();
  return rc;
}
