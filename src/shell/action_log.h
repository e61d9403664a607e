// Tool action logs: the common line layouts, the logging switches and the
// running statistics. Logs are plain text files in the program's own folder,
// only ever appended to (the log viewer's Clear is the one exception).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::shell {

inline const char* const kLogsKey = "\\Software\\Dastra\\Velmora\\Logs";

// Log file names; writer and viewer use these exact spellings.
namespace logfile {
inline const char* const kManualJunk = "Manual_Junk_Log.txt";
inline const char* const kScheduledJunk = "JunkLog.txt";
inline const char* const kManualPrivacy = "Manual_Privacy_Log.txt";
inline const char* const kScheduledEraser = "EraserLog.txt";
inline const char* const kManualShortcuts = "Manual_Shortcuts_Log.txt";
inline const char* const kManualUninstallers = "Manual_Uninstallers_Log.txt";
inline const char* const kManualDupes = "Manual_Dupes_Log.txt";
inline const char* const kManualRegistry = "Manual_Registry_Log.txt";
inline const char* const kScheduledRegistry = "RegistryLog.txt";
// What an unattended run could not write to its own log goes here.
inline const char* const kScheduleLog = "ScheduleLog.txt";
}  // namespace logfile

// Manual logging switches under the Logs key (absent = on).
namespace logswitch {
inline const char* const kJunk = "DoJunk";
inline const char* const kPrivacy = "DoPriv";
inline const char* const kShortcuts = "DoShort";
inline const char* const kUninstallers = "DoUnin";
inline const char* const kDupes = "DoDupes";
inline const char* const kRegistry = "DoReg";
}  // namespace logswitch

// The schedule keys whose "LogEvents" switch turns on the scheduled logs.
namespace schedulekey {
inline const char* const kJunk = "\\Software\\Dastra\\Velmora\\Schedule\\Junk";
inline const char* const kEraser = "\\Software\\Dastra\\Velmora\\Schedule\\Eraser";
inline const char* const kRegistry = "\\Software\\Dastra\\Velmora\\Schedule\\Registry";
}  // namespace schedulekey

// Statistics values under the Logs key (32-bit integers, absent = 0).
namespace stat {
inline const char* const kJunkFiles = "JunkFiles";
inline const char* const kJunkBytes = "JunkBytes";
inline const char* const kEraserBytes = "EraserBytes";
inline const char* const kShortFixed = "ShortFixed";
inline const char* const kShortRemoved = "ShortRemoved";
inline const char* const kShortBytes = "ShortBytes";
inline const char* const kUninItems = "UninItems";
inline const char* const kDupeFiles = "DupeFiles";
inline const char* const kDupeBytes = "DupeBytes";
inline const char* const kRegRefs = "RegRefs";
}  // namespace stat

// Exactly 40 equals signs.
std::string LogSeparator();
// The general date-time text of now, as log time stamps use it.
std::string LogTimeStamp();

// "TOTAL SPACE RECOVERED: 1,234 bytes (0.00 megabytes.)"; the exact zero form
// "TOTAL SPACE RECOVERED: 0.00 bytes (0.00 megabytes.)" when nothing was recovered.
std::string SpaceRecoveredLine(std::int64_t bytes);

bool ManualLoggingOn(const char* switchName);
bool ScheduledLoggingOn(const char* scheduleKey);

// Read, add, write back a statistics value, wrapping in 32 bits as stored.
void AddStatistic(const char* name, std::int64_t amount);
std::int32_t ReadStatistic(const char* name);

}  // namespace velmora::shell
