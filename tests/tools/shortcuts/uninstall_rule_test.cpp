// The uninstall-entry rule as a table, over a made-up file system.
#include "tools/shortcuts/uninstall_rule.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

using namespace velmora;
using namespace velmora::shortcuts;

namespace {

struct World {
  std::set<std::string> present{"C:\\WINDOWS\\UNINST.EXE", "C:\\Program Files\\App\\DeIsL1.isu",
                                "C:\\Program Files\\App\\unins000.exe", "C:\\Apps\\Setup.exe Files\\unins.exe",
                                "C:\\Program Files\\Tool.exe\\remove.exe", "C:\\Windows\\System32\\msiexec.exe"};
  std::set<std::string> unknown{"Q:\\gone\\uninst.exe"};  // a drive that does not answer
  UninstallEnv env() const {
    UninstallEnv e;
    e.exists = [this](const std::string& p) {
      if (unknown.count(p)) return PathState::Unknown;
      return present.count(p) ? PathState::Present : PathState::Missing;
    };
    e.expand = [](std::string s) {
      const std::string var = "%ProgramFiles%";
      if (const auto at = s.find(var); at != std::string::npos) s.replace(at, var.size(), "C:\\Program Files");
      return s;
    };
    e.searchPath = [](const std::string& name) -> std::optional<std::string> {
      if (name == "MsiExec.exe") return "C:\\Windows\\System32\\msiexec.exe";
      return std::nullopt;
    };
    return e;
  }
};

UninstallEntry Entry(std::optional<std::string> command, std::string name = "App") {
  UninstallEntry e;
  e.keyName = std::move(name);
  e.hasDisplayName = true;
  e.uninstallString = std::move(command);
  return e;
}

TEST(UninstallRule, ListedOnlyWhenTheUninstallerIsProvenMissing) {
  const World w;
  const UninstallEnv env = w.env();
  const std::map<std::string, bool> table{
      // The program and the file handed to it, either missing.
      {"C:\\WINDOWS\\UNINST.EXE -f\"C:\\Program Files\\App\\DeIsL1.isu\"", false},
      {"C:\\WINDOWS\\UNINST.EXE -f\"C:\\Program Files\\App\\Gone.isu\"", true},
      {"C:\\WINDOWS\\GONE.EXE -f\"C:\\Program Files\\App\\DeIsL1.isu\"", true},
      // A quoted program; a switch in the second path is not tested.
      {"\"C:\\Program Files\\App\\unins000.exe\"", false},
      {"\"C:\\Program Files\\App\\unins000.exe\" /SILENT", false},
      {"\"C:\\Program Files\\Gone\\unins000.exe\" /SILENT", true},
      {"C:\\Program Files\\Gone\\unins000.exe /log=C:\\x.log", true},
      // Live entries the first reading called invalid.
      {"MsiExec.exe /X{12345678-1234-1234-1234-123456789012}", false},
      {"%ProgramFiles%\\App\\unins000.exe", false},
      {"%ProgramFiles%\\Gone\\unins000.exe", true},
      {"C:\\Apps\\Setup.exe Files\\unins.exe", false},
      {"C:\\Program Files\\Tool.exe\\remove.exe", false},
      {"C:\\Program Files\\App\\uninstall.bat", false},  // no program to test
      {"NoSuchTool.exe /x", false},                     // not on the search path: not proven
      {"Q:\\gone\\uninst.exe", false},                  // the drive does not answer
      {"rundll32.exe C:\\gone\\setupapi.dll,Remove", false},
      {"C:\\GONE\\RUNDLL32.EXE x", false},
      {"", true},
      {"   ", true},
  };
  for (const auto& [command, listed] : table)
    EXPECT_EQ(listed, IsInvalidUninstallEntry(Entry(command), env)) << command;
  // Both paths exist: the switch after the second is not part of it.
  World both;
  both.present.insert("C:\\u.exe");
  both.present.insert("D:\\a.log");
  EXPECT_FALSE(IsInvalidUninstallEntry(Entry("C:\\u.exe D:\\a.log -q"), both.env()));
  EXPECT_TRUE(IsInvalidUninstallEntry(Entry("C:\\u.exe D:\\b.log -q"), both.env()));
  EXPECT_TRUE(IsInvalidUninstallEntry(Entry(std::nullopt), env));  // no "UninstallString" at all

  UninstallEntry e = Entry("C:\\gone\\x.exe");
  e.hasDisplayName = false;
  EXPECT_FALSE(IsInvalidUninstallEntry(e, env));
  EXPECT_FALSE(IsInvalidUninstallEntry(Entry("C:\\gone\\x.exe", "inetFind"), env));
  e = Entry("C:\\gone\\x.exe");
  e.systemComponent = true;
  EXPECT_FALSE(IsInvalidUninstallEntry(e, env));
  e = Entry("C:\\gone\\x.exe");
  e.windowsInstaller = true;
  EXPECT_FALSE(IsInvalidUninstallEntry(e, env));
}

TEST(UninstallRule, TheTwoPathsOfACommand) {
  struct Case {
    std::string command, program, second;
  };
  const Case cases[] = {
      {"C:\\WINDOWS\\UNINST.EXE -f\"C:\\Program Files\\App\\DeIsL1.isu\"", "C:\\WINDOWS\\UNINST.EXE",
       "C:\\Program Files\\App\\DeIsL1.isu"},
      {"\"C:\\A B\\u.exe\" \"D:\\data\\x.log\"", "C:\\A B\\u.exe", "D:\\data\\x.log"},
      {"C:\\u.exe /x D:\\a.log", "C:\\u.exe", "D:\\a.log"},  // the switch comes before it
      {"C:\\u.exe D:\\a.log/q", "C:\\u.exe", ""},          // it carries a switch
      // The second path ends where the next argument begins.
      {"C:\\u.exe D:\\a.log -q", "C:\\u.exe", "D:\\a.log"},
      {"C:\\u.exe D:\\my files\\a.log /q", "C:\\u.exe", "D:\\my files\\a.log"},
      {"C:\\u.exe \"D:\\my files\\a.log\" -q", "C:\\u.exe", "D:\\my files\\a.log"},
      {"C:\\u.exe", "C:\\u.exe", ""},               // the program itself
      {"C:\\u.exeX\\v.EXE", "C:\\u.exeX\\v.EXE", ""},
      {"\"C:\\never closed\\u.exe", "C:\\never closed\\u.exe", ""},
      {"no program here", "", ""},
      {"x\"\":y", "", ""},  // a quoted nothing before the colon: no second path, nothing read outside the text
  };
  for (const Case& c : cases) {
    const UninstallParts parts = SplitUninstallCommand(c.command);
    EXPECT_EQ(c.program, parts.program) << c.command;
    EXPECT_EQ(c.second, parts.second) << c.command;
  }
  const UninstallParts longer = SplitUninstallCommand("C:\\Apps\\Setup.exe Files\\unins.exe /x.exez");
  EXPECT_EQ(longer.program, "C:\\Apps\\Setup.exe");
  ASSERT_EQ(longer.longerEnds.size(), 1u);  // ".exe" before a letter ends no reading
  EXPECT_EQ(longer.LongerProgram(0), "C:\\Apps\\Setup.exe Files\\unins.exe");
}

// An unquoted command of 30,000 ".EXE": each reading is a place in the one
// command, not a copy of all before it (that took gigabytes), and readings
// past the longest path the system opens are not tried.
TEST(UninstallRule, ManyExeReadingsCostTheCommandsLengthOnly) {
  std::string command = "C:\\x";
  for (int i = 0; i < 30000; ++i) command += ".EXE ";
  const UninstallParts parts = SplitUninstallCommand(command);
  EXPECT_EQ(parts.program, "C:\\x.EXE");
  EXPECT_EQ(parts.longerEnds.size(), (kLongestPath - 4) / 5 - 1);
  for (const std::size_t end : parts.longerEnds) EXPECT_LE(end, kLongestPath);
  std::size_t tried = 0;
  UninstallEnv env;
  env.exists = [&](const std::string& p) {
    ++tried;
    EXPECT_LE(p.size(), kLongestPath);
    return PathState::Missing;
  };
  env.expand = [](const std::string& s) { return s; };
  env.searchPath = [](const std::string&) -> std::optional<std::string> { return std::nullopt; };
  EXPECT_TRUE(IsInvalidUninstallEntry(Entry(command), env));
  EXPECT_EQ(tried, parts.longerEnds.size() + 1);
}

// A 32-bit program's System32 is SysWOW64: its uninstaller is looked for there too.
TEST(UninstallRule, AThirtyTwoBitEntrysSystem32PathIsLookedForInSysWow64) {
  World w;
  w.present.insert("C:\\Windows\\SysWOW64\\uninst32.exe");
  w.present.insert("C:\\Windows\\SysWOW64\\app.log");
  UninstallEnv env = w.env();
  env.windowsFolder = "C:\\Windows";
  UninstallEntry e = Entry("C:\\WINDOWS\\system32\\uninst32.exe C:\\Windows\\System32\\app.log -x");
  EXPECT_TRUE(IsInvalidUninstallEntry(e, env));  // the 64-bit view has no such file
  e.view32 = true;
  EXPECT_FALSE(IsInvalidUninstallEntry(e, env));
  e.uninstallString = "C:\\Windows\\System32\\gone32.exe";
  EXPECT_TRUE(IsInvalidUninstallEntry(e, env));  // in neither folder
  e.uninstallString = "C:\\Windows\\System32\\uninst32.exe C:\\Windows\\System32\\gone.log -x";
  EXPECT_TRUE(IsInvalidUninstallEntry(e, env));
  // Not below System32: nothing else is looked for.
  e.uninstallString = "C:\\Windows\\uninst32.exe";
  EXPECT_TRUE(IsInvalidUninstallEntry(e, env));
}

}  // namespace
