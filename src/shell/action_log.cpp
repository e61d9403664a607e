#include "shell/action_log.h"

#include "platform/format.h"
#include "shell/settings.h"

namespace velmora::shell {

std::string LogSeparator() { return std::string(40, '='); }

std::string LogTimeStamp() { return FormatDateTime(NowDateTime()); }

std::string SpaceRecoveredLine(std::int64_t bytes) {
  if (bytes == 0) return "TOTAL SPACE RECOVERED: 0.00 bytes (0.00 megabytes.)";
  return "TOTAL SPACE RECOVERED: " + FormatThousands(bytes) + " bytes (" + FormatMegabytes(bytes) +
         " megabytes.)";
}

bool ManualLoggingOn(const char* switchName) { return ReadBoolSetting(kLogsKey, switchName); }

bool ScheduledLoggingOn(const char* scheduleKey) { return ReadBoolSetting(scheduleKey, "LogEvents"); }

void AddStatistic(const char* name, std::int64_t amount) {
  const std::uint32_t sum = std::uint32_t(ReadIntegerSetting(kLogsKey, name)) + std::uint32_t(amount);
  WriteIntegerSetting(kLogsKey, name, std::int32_t(sum));
}

std::int32_t ReadStatistic(const char* name) { return ReadIntegerSetting(kLogsKey, name); }

}  // namespace velmora::shell
