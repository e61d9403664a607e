#include <gtest/gtest.h>

#include "shell/command_line.h"

using velmora::shell::ParseStartCommand;
using velmora::shell::StartCommand;

TEST(StartCommand, FirstArgumentUpperCasedAsAWhole) {
  EXPECT_EQ(StartCommand::Launcher, ParseStartCommand({}));
  const struct {
    const char* arg;
    StartCommand expected;
  } table[] = {
      {"/COMPLETECACHE", StartCommand::CompleteCache}, {"/CompleteCache", StartCommand::CompleteCache},
      {"/completecache", StartCommand::CompleteCache}, {"/CLEANJUNK", StartCommand::CleanJunk},
      {"/cleanjunk", StartCommand::CleanJunk},         {"/CleanHistory", StartCommand::CleanHistory},
      {"/registryclean", StartCommand::RegistryClean}, {"/SetSchedule", StartCommand::SetSchedule},
      {"/RecoverInstall", StartCommand::RecoverInstall}, {"/RECOVERINSTALLX", StartCommand::Unknown},
      {"CLEANJUNK", StartCommand::Unknown},            {"/CLEANJUNKX", StartCommand::Unknown},
      {"/CLEAN", StartCommand::Unknown},               {"/bogus", StartCommand::Unknown},
      {"", StartCommand::Unknown},                     {" /CLEANJUNK", StartCommand::Unknown},
  };
  for (const auto& row : table) EXPECT_EQ(row.expected, ParseStartCommand({row.arg})) << row.arg;
  // Later arguments are ignored.
  EXPECT_EQ(StartCommand::CleanJunk, ParseStartCommand({"/CLEANJUNK", "/SETSCHEDULE"}));
  EXPECT_EQ(StartCommand::Unknown, ParseStartCommand({"/bogus", "/CLEANJUNK"}));
}
