#include "tools/regclean/reg_scan.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "support/registry_sandbox.h"
#include "support/test_folder.h"
#include "tools/regclean/reg_backup.h"

using namespace velmora;
using namespace velmora::regclean;

namespace {

// The test prefix: C: and E: fixed, D: CD-ROM, N: network.
class RegScan : public ::testing::Test {
 protected:
  void SetUp() override {
    present_ = dir_.File("present.dll", "x");
    missing_ = dir_ / "gone\\missing.exe";
  }
  std::vector<Finding> Scan(ScanArea area, bool* stop = nullptr, int stopAfter = -1) {
    std::vector<Finding> out;
    ScanHooks hooks;
    hooks.env = SystemReferenceEnv(true);
    hooks.stop = stop;
    hooks.found = [&](Finding&& f) {
      out.push_back(std::move(f));
      if (stop && int(out.size()) == stopAfter) *stop = true;
    };
    ScanRegistryArea(area, hooks);
    return out;
  }
  static std::vector<std::string> Names(const std::vector<Finding>& fs) {
    std::vector<std::string> out;
    for (const Finding& f : fs) out.push_back(Utf8(f.keyPath) + "|" + Utf8(f.valueName));
    return out;
  }

  test::RegistrySandbox reg_;
  test::TestFolder dir_{'E'};
  std::string present_, missing_;
};

TEST_F(RegScan, StringValuesNamingMissingPathsAreFoundByNameOrData) {
  const RegKey app = RegKey::Create(HKEY_CURRENT_USER, "Software\\App");
  app.WriteString("Good", present_);
  app.WriteString("Bad", missing_);
  app.WriteExpandString("BadExpand", missing_);
  app.WriteString(missing_, "fine data");  // the name itself is the missing path
  app.WriteString("Blank", "C:\\Program Files\\App\\app.exe /s");
  app.WriteString("OnCd", "D:\\setup\\gone.exe");
  app.WriteDword("Number", 7);
  app.WriteBinary("Bytes", missing_.data(), missing_.size());
  RegKey::Create(HKEY_CURRENT_USER, "Software\\App\\Deeper\\Still").WriteString("Deep", missing_);
  const auto found = Scan(ScanArea::CurrentUser);
  EXPECT_EQ((std::vector<std::string>{"Software\\App|Bad", "Software\\App|BadExpand", "Software\\App|" + missing_,
                                      "Software\\App\\Deeper\\Still|Deep"}),
            Names(found));
  ASSERT_FALSE(found.empty());
  EXPECT_EQ(u"HKEY_CURRENT_USER", found[0].rootName);
  EXPECT_EQ(Widen(missing_), std::wstring(found[0].text.begin(), found[0].text.end()));
  EXPECT_NE(0u, found[0].lastWrite.dwHighDateTime);
}

TEST_F(RegScan, OnlyTheMachinesSoftwareBranchAndTheSharedLibraryTable) {
  RegKey::Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor").WriteString("Path", missing_);
  RegKey::Create(HKEY_LOCAL_MACHINE, "System\\Driver").WriteString("Path", missing_);
  const RegKey dlls = RegKey::Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs");
  dlls.WriteDword(present_, 1);
  dlls.WriteDword(dir_ / "gone.dll", 2);
  dlls.WriteDword("N:\\share\\gone.dll", 1);
  const auto machine = Scan(ScanArea::LocalMachine);
  // Spelled as stored, so the finding matches the backup's key names.
  EXPECT_EQ(std::vector<std::string>{"SOFTWARE\\Vendor|Path"}, Names(machine));
  const auto shared = Scan(ScanArea::SharedDlls);
  ASSERT_EQ(1u, shared.size());
  EXPECT_EQ(Widen(dir_ / "gone.dll"), std::wstring(shared[0].text.begin(), shared[0].text.end()));
  EXPECT_EQ(u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", shared[0].keyPath);
}

TEST_F(RegScan, AStopKeepsWhatWasFoundAndEndsTheArea) {
  for (int i = 0; i < 5; ++i)
    RegKey::Create(HKEY_CURRENT_USER, "Software\\K" + std::to_string(i)).WriteString("Bad", missing_);
  bool stop = false;
  const auto found = Scan(ScanArea::CurrentUser, &stop, 2);
  EXPECT_EQ(2u, found.size());
}

TEST_F(RegScan, AValueIsDeletedOnlyWhenStillAsListedStillInvalidAndInTheBackup) {
  const RegKey app = RegKey::Create(HKEY_CURRENT_USER, "Software\\App");
  app.WriteString("Changed", missing_);
  app.WriteString("Fixed", dir_ / "later.dll");
  app.WriteString("Removed", missing_);
  app.WriteString("Kept", missing_);
  app.WriteString("Also", missing_);
  const std::string backup = dir_ / "Reg_Backup.reg";
  const BackupResult b = ExportRegistry(backup);
  ASSERT_TRUE(b.ok);
  app.WriteString("NotBackedUp", missing_);
  const auto found = Scan(ScanArea::CurrentUser);
  ASSERT_EQ(6u, found.size());
  auto byName = [&](const char* name) -> const Finding& {
    for (const Finding& f : found)
      if (Utf8(f.valueName) == name) return f;
    throw std::runtime_error(name);
  };
  const ReferenceEnv env = SystemReferenceEnv(true);
  app.WriteString("Changed", dir_ / "other\\missing.exe");
  dir_.File("later.dll", "now it exists");
  app.DeleteValue("Removed");
  EXPECT_EQ(Recheck::Changed, RecheckFinding(byName("Changed"), env, &b.hashes));
  EXPECT_EQ(Recheck::NowValid, RecheckFinding(byName("Fixed"), env, &b.hashes));
  EXPECT_EQ(Recheck::Gone, RecheckFinding(byName("Removed"), env, &b.hashes));
  EXPECT_EQ(Recheck::NotInBackup, RecheckFinding(byName("NotBackedUp"), env, &b.hashes));
  EXPECT_EQ(Recheck::Delete, RecheckFinding(byName("NotBackedUp"), env, nullptr));  // no backup was asked for
  EXPECT_EQ(Recheck::Delete, RecheckFinding(byName("Kept"), env, &b.hashes));
  // Two rows of one key: both go.
  EXPECT_TRUE(DeleteFinding(byName("Kept")));
  EXPECT_TRUE(DeleteFinding(byName("Also")));
  EXPECT_FALSE(app.ValueExists("Kept"));
  EXPECT_FALSE(app.ValueExists("Also"));
  EXPECT_EQ(Recheck::Gone, RecheckFinding(byName("Kept"), env, &b.hashes));
  EXPECT_FALSE(DeleteFinding(byName("Kept")));  // already gone: not a second deletion
}

}  // namespace

namespace {

// A key whose security denies reading is skipped without a word; a key that
// may only be read is scanned all the same.
TEST_F(RegScan, ADeniedKeyIsSkippedAndAReadOnlyKeyIsScanned) {
  RegKey::Create(HKEY_CURRENT_USER, "Software\\Denied").WriteString("Bad", missing_);
  RegKey::Create(HKEY_CURRENT_USER, "Software\\ReadOnly").WriteString("Bad", missing_);
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
  auto setAcl = [&](const char* path, bool denyRead) {
    const RegKey k = RegKey::Open(HKEY_CURRENT_USER, path, READ_CONTROL | WRITE_DAC);
    ASSERT_TRUE(k);
    std::vector<BYTE> buffer(256);
    auto* acl = reinterpret_cast<PACL>(buffer.data());
    InitializeAcl(acl, DWORD(buffer.size()), ACL_REVISION);
    if (denyRead) AddAccessDeniedAce(acl, ACL_REVISION, KEY_READ, everyone);
    AddAccessAllowedAce(acl, ACL_REVISION, (denyRead ? 0 : KEY_READ) | READ_CONTROL | WRITE_DAC, everyone);
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeySecurity(k.get(), DACL_SECURITY_INFORMATION, &sd));
  };
  setAcl("Software\\Denied", true);
  setAcl("Software\\ReadOnly", false);
  HKEY probe = nullptr;
  const bool enforced = RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Denied", 0, KEY_READ, &probe) != ERROR_SUCCESS;
  if (probe) RegCloseKey(probe);
  const auto found = Scan(ScanArea::CurrentUser);
  // Open both up again, so the sandbox can be removed.
  for (const char* path : {"Software\\Denied", "Software\\ReadOnly"}) {
    const RegKey k = RegKey::Open(HKEY_CURRENT_USER, path, WRITE_DAC);
    SECURITY_DESCRIPTOR open;
    InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
    RegSetKeySecurity(k.get(), DACL_SECURITY_INFORMATION, &open);
  }
  FreeSid(everyone);
  if (!enforced) GTEST_SKIP() << "this registry does not enforce key security";
  EXPECT_EQ(std::vector<std::string>{"Software\\ReadOnly|Bad"}, Names(found));
}

}  // namespace
