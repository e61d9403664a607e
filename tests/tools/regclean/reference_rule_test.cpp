// The reference rule as a table over made-up drives and files (window-free:
// also built natively; reference_test.cpp asks the system).
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "tools/regclean/reference.h"

using namespace velmora::regclean;

namespace {

// Drives: C: and D: fixed, E: CD-ROM, N: network, R: removable; what exists is listed.
ReferenceEnv FakeEnv(std::set<std::string> present, std::set<std::string> unknown = {}) {
  ReferenceEnv env;
  env.driveType = [](char letter) {
    switch (letter) {
      case 'C':
      case 'D':
        return drivekind::kFixed;
      case 'E':
        return drivekind::kCdRom;
      case 'N':
        return drivekind::kRemote;
      case 'R':
        return 2u;
      default:
        return 1u;  // no such drive
    }
  };
  env.exists = [present, unknown](const std::string& path) {
    if (unknown.count(path)) return Existence::Unknown;
    return present.count(path) ? Existence::Present : Existence::Missing;
  };
  return env;
}

TEST(Reference, TheRuleAsATable) {
  ReferenceEnv env = FakeEnv({"C:\\Windows\\notepad.exe", "C:\\Tools", "C:\\etc\\hosts", "C:\\Windows\\SysWOW64\\old32.dll",
                              "C:\\Windows\\System32\\real64.dll"},
                             {"C:\\Locked\\secret.dat", "C:\\x\\*.tmp"});
  const struct {
    const char* text;
    bool valid;
    const char* why;
  } cases[] = {
      {"C:\\Windows\\notepad.exe", true, "present"},
      {"D:\\Gone\\tool.exe", false, "missing on a fixed disk"},
      {"d:\\gone\\tool.exe", false, "the drive letter in any case"},
      {"C:\\Program Files\\App\\app.exe /s", true, "a blank: not a path"},
      {"D:\\Old Folder", true, "a blank"},
      {"D:\\OldFolder", false, "no extension: a missing folder"},
      {"C:\\Tools", true, "an existing folder"},
      {"C:\\etc\\hosts", true, "an existing file without extension"},
      {"C:\\a.dll;D:\\b.dll", true, "a list"},
      {"C:\\a.dll,1", true, "an icon index"},
      {"A:\\setup.exe", true, "A: is never tested"},
      {"B:\\setup.exe", true, "nor B:"},
      {"C:", true, "too short"},
      {"C:x\\y.exe", true, "no backslash after the colon"},
      {"\\\\server\\share\\x.exe", true, "not a drive path"},
      {"E:\\cd\\gone.exe", true, "a CD-ROM, excluded"},
      {"N:\\share\\gone.dll", true, "a network drive, excluded"},
      {"R:\\stick\\gone.exe", true, "removable drives are never tested"},
      {"Q:\\none\\gone.exe", true, "no such drive"},
      {"C:\\Locked\\secret.dat", true, "access denied is no proof it is gone"},
      {"C:\\x\\*.tmp", true, "a wildcard is no file name"},
      {"C:\\Windows\\System32\\old32.dll", true, "a 32-bit program's System32 is SysWOW64"},
      {"C:\\Windows\\Sysnative\\real64.dll", true, "its Sysnative is System32"},
      {"C:\\Windows\\System32\\gone.dll", false, "in neither"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.valid, IsValidReference(c.text, env)) << c.text << ": " << c.why;
  env.excludeRemovable = false;
  EXPECT_TRUE(IsValidReference("E:\\cd\\gone.exe", env));  // a CD-ROM is not fixed: still not tested
  EXPECT_TRUE(IsValidReference("N:\\share\\gone.dll", env));
}

}  // namespace
