#include "shell/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/text.h"

namespace velmora::shell {

StartCommand ParseStartCommand(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return StartCommand::Launcher;
  const std::string first = UpperCase(arguments.front());
  if (first == "/COMPLETECACHE") return StartCommand::CompleteCache;
  if (first == "/CLEANJUNK") return StartCommand::CleanJunk;
  if (first == "/CLEANHISTORY") return StartCommand::CleanHistory;
  if (first == "/REGISTRYCLEAN") return StartCommand::RegistryClean;
  if (first == "/SETSCHEDULE") return StartCommand::SetSchedule;
  if (first == "/RECOVERINSTALL") return StartCommand::RecoverInstall;
  return StartCommand::Unknown;
}

std::vector<std::string> ProcessArguments() {
  std::vector<std::string> out;
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return out;
  for (int i = 1; i < argc; ++i) out.push_back(Narrow(argv[i]));
  LocalFree(argv);
  return out;
}

}  // namespace velmora::shell
