// The schedule model in the registry, shared by the suite and the agent: the
// keys and values of the three schedulable operations, reading a schedule and
// its next due moment, recording runs, the free-space condition, and the Run
// entries that start the agent and the "at StartUp" runs. The calendar rules
// themselves are in schedule_calendar.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "shell/action_log.h"
#include "shell/schedule_calendar.h"

namespace velmora::shell {

// The global key: scheduling switched on in the agent ("Enabled"), the agent's
// first-start note ("FR") and the free-space condition ("OnlyScan", "SpaceFree").
// The tool keys are schedulekey::kJunk, kEraser and kRegistry (action_log.h).
inline const char* const kScheduleKey = "\\Software\\Dastra\\Velmora\\Schedule";
// The current user's start-up entries.
inline const char* const kRunKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline const char* const kAgentRunValue = "Scheduled Maintenance";

// Value names of a tool key and of the global key.
namespace schedval {
inline const char* const kEnabled = "Enabled";
inline const char* const kSchedType = "SchedType";
inline const char* const kParams = "Params";
inline const char* const kNextRun = "NextRun";
inline const char* const kLastRan = "LastRan";
inline const char* const kShowProgress = "ShowProgress";
inline const char* const kLogEvents = "LogEvents";
inline const char* const kFirstRun = "FR";
inline const char* const kOnlyScan = "OnlyScan";
inline const char* const kSpaceFree = "SpaceFree";
}  // namespace schedval

// What the suite's "no schedule" and trigger results are as moments: 1 January
// 1900 (always past), and the start-up and shut-down markers.
inline constexpr double kNoScheduleMoment = 2.0;
inline constexpr double kStartUpMarker = 0.001;
inline constexpr double kShutDownMarker = 0.002;

// The three operations, numbered as the agent numbers them.
enum class ScheduledTool : int { Junk = 1, Eraser = 2, Registry = 3 };

struct ScheduledToolInfo {
  ScheduledTool tool;
  const char* key;           // the tool key
  const char* runSwitch;     // the suite's switch for an unattended run
  const char* startUpValue;  // the Run value of the "at StartUp" schedule
};

const ScheduledToolInfo& ToolInfo(ScheduledTool tool);
// The operation whose tool key this is (compared without regard to case, as
// the registry compares key names); nullptr for any other key.
const ScheduledToolInfo* FindScheduledTool(std::string_view toolKey);

// The values the next due moment depends on. The key is not created; a date of
// the wrong type or size, not finite or outside the years 1900..9999 reads as
// missing, as does a "SchedType" that is not a 32-bit integer or a "Params"
// that is not a string.
StoredSchedule ReadStoredSchedule(const std::string& toolKey);
std::optional<ScheduleKind> ReadScheduleKind(const std::string& toolKey);
std::optional<double> ReadLastRan(const std::string& toolKey);

// The next run after `base` from the key's "Params"; nullopt for kinds 5 and 6
// and when "Params" is missing or malformed.
std::optional<double> GetNextRun(ScheduleKind kind, const std::string& toolKey, double base);

// The agent's form: the next due moment with its trigger, nullopt when the key
// has no schedule kind or its next run cannot be computed (never due). Writes
// "NextRun" = now + 1 hour for a schedule never run and never given one.
std::optional<NextScan> GetNextScanForAgent(const std::string& toolKey);
// The suite's form: kNoScheduleMoment without "SchedType", kStartUpMarker or
// kShutDownMarker for kinds 5 and 6, else the moment; nullopt when the next run
// cannot be computed. Writes "NextRun" as the agent's form does.
std::optional<double> GetNextScan(const std::string& toolKey);
// The due test of the agent at the current time.
bool IsToolDue(const std::string& toolKey, bool atShutDown);

// The free-space condition of "OnlyScan" and "SpaceFree" (100 when missing or
// below 1) against drive C:, or against the free bytes given.
bool CheckFreeSpace();
bool CheckFreeSpace(std::optional<std::uint64_t> freeBytesOfC);

// The default schedule of a tool switched on for the first time: "Enabled"
// true, every 5 days at 08:00, "NextRun" the coming midnight.
void WriteDefaultSchedule(const std::string& toolKey);
// Writes "SchedType", "Params" and "NextRun" as the properties dialog sets them.
void WriteSchedule(const std::string& toolKey, ScheduleKind kind, const std::string& params, double nextRun);
// A run launched: "NextRun" = the next slot after now (deleted for a kind
// without one); "LastRan" is left for the run to write when its work is done.
void RecordLaunch(const std::string& toolKey);
// A run that failed: no "LastRan"; "NextRun" stays when still ahead, else it
// becomes the next slot after now.
void RecordFailedRun(const std::string& toolKey);
void DeleteNextRun(const std::string& toolKey);
// "LastRan" = now (an unattended run that finished).
void WriteLastRan(const std::string& toolKey);

// The command line that starts the suite with a switch, its path quoted: the
// suite is in the same folder as the agent.
std::string QuorvelCommandLine(std::string_view runSwitch);
// The Run entry of the tool's "at StartUp" schedule ("Clean Junk Files at
// StartUp" = "<folder>\Quorvel.exe" /CleanJunk); nothing for another key.
void WriteWinStart(const std::string& toolKey);
void DeleteWinStart(const std::string& toolKey);
// The agent's Run entry "Scheduled Maintenance" = "<folder>\Tallowin.exe", quoted.
void WriteAgentRunEntry();
void DeleteAgentRunEntry();

// The schedule's description in the user's short time format; nullopt when its
// "Params" are malformed.
std::optional<std::string> DescribeSchedule(ScheduleKind kind, std::string_view params);

}  // namespace velmora::shell
