#include "shell/schedule.h"

#include <cstring>

#include "platform/drives.h"
#include "platform/format.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/text.h"

namespace velmora::shell {

namespace {

const ScheduledToolInfo kTools[] = {
    {ScheduledTool::Junk, schedulekey::kJunk, "/CleanJunk", "Clean Junk Files at StartUp"},
    {ScheduledTool::Eraser, schedulekey::kEraser, "/CleanHistory", "Erase History at StartUp"},
    {ScheduledTool::Registry, schedulekey::kRegistry, "/RegistryClean", "Clean Registry at StartUp"},
};

// A typed value or nothing: a value of another type is as good as missing here.
std::optional<RegValue> ReadRaw(const RegKey& key, const char* name) {
  if (!key) return std::nullopt;
  try {
    return key.ReadValue(name);
  } catch (const RegistryError&) {
    return std::nullopt;
  }
}

std::optional<std::uint32_t> ReadDword(const RegKey& key, const char* name) {
  const auto v = ReadRaw(key, name);
  if (!v || v->type != REG_DWORD || v->data.size() != 4) return std::nullopt;
  std::uint32_t out;
  std::memcpy(&out, v->data.data(), 4);
  return out;
}

std::optional<double> ReadDate(const RegKey& key, const char* name) {
  const auto v = ReadRaw(key, name);
  if (!v || v->type != REG_BINARY || v->data.size() != sizeof(double)) return std::nullopt;
  double out;
  std::memcpy(&out, v->data.data(), sizeof out);
  if (!IsValidScheduleDate(out)) return std::nullopt;
  return out;
}

std::optional<std::string> ReadText(const RegKey& key, const char* name) {
  const auto v = ReadRaw(key, name);
  if (!v || (v->type != REG_SZ && v->type != REG_EXPAND_SZ)) return std::nullopt;
  return DecodeRegString(v->data);
}

StoredSchedule ReadStored(const RegKey& key) {
  StoredSchedule s;
  if (const auto kind = ReadDword(key, schedval::kSchedType)) s.schedType = std::int32_t(*kind);
  s.params = ReadText(key, schedval::kParams);
  s.nextRun = ReadDate(key, schedval::kNextRun);
  s.lastRan = ReadDate(key, schedval::kLastRan);
  return s;
}

// Reads the schedule and evaluates it at now, storing the first "NextRun" of
// a schedule that has none. A refused write leaves the result as computed.
std::optional<NextScan> EvaluateToolKey(const std::string& toolKey) {
  const RegKey key = RegKey::OpenBestAccess(HKEY_CURRENT_USER, toolKey);
  if (!key) return std::nullopt;
  const NextScanResult r = EvaluateNextScan(ReadStored(key), NowDateTime());
  try {
    if (r.nextRunToWrite) key.WriteDateTime(schedval::kNextRun, *r.nextRunToWrite);
    if (r.lastRanToWrite) key.WriteDateTime(schedval::kLastRan, *r.lastRanToWrite);
  } catch (const RegistryError&) {
  }
  return r.next;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

}  // namespace

const ScheduledToolInfo& ToolInfo(ScheduledTool tool) { return kTools[int(tool) - 1]; }

const ScheduledToolInfo* FindScheduledTool(std::string_view toolKey) {
  for (const auto& t : kTools)
    if (EqualNoCase(toolKey, t.key)) return &t;
  return nullptr;
}

StoredSchedule ReadStoredSchedule(const std::string& toolKey) {
  const RegKey key = RegKey::Open(HKEY_CURRENT_USER, toolKey, KEY_READ);
  return key ? ReadStored(key) : StoredSchedule{};
}

std::optional<ScheduleKind> ReadScheduleKind(const std::string& toolKey) {
  const auto type = ReadStoredSchedule(toolKey).schedType;
  return type ? ScheduleKindFromInt(*type) : std::nullopt;
}

std::optional<double> ReadLastRan(const std::string& toolKey) {
  return ReadDate(RegKey::Open(HKEY_CURRENT_USER, toolKey, KEY_READ), schedval::kLastRan);
}

std::optional<double> GetNextRun(ScheduleKind kind, const std::string& toolKey, double base) {
  const auto text = ReadStoredSchedule(toolKey).params;
  if (!text) return std::nullopt;
  const auto params = ParseScheduleParams(kind, *text);
  if (!params) return std::nullopt;
  return NextRunAfter(kind, *params, base);
}

std::optional<NextScan> GetNextScanForAgent(const std::string& toolKey) { return EvaluateToolKey(toolKey); }

std::optional<double> GetNextScan(const std::string& toolKey) {
  if (!ReadScheduleKind(toolKey)) return kNoScheduleMoment;
  const auto next = EvaluateToolKey(toolKey);
  if (!next) return std::nullopt;
  switch (next->trigger) {
    case ScanTrigger::StartUp:
      return kStartUpMarker;
    case ScanTrigger::ShutDown:
      return kShutDownMarker;
    case ScanTrigger::Timed:
      break;
  }
  return next->moment;
}

bool IsToolDue(const std::string& toolKey, bool atShutDown) {
  return IsDue(GetNextScanForAgent(toolKey), NowDateTime(), atShutDown);
}

bool CheckFreeSpace() { return CheckFreeSpace(DriveFreeBytes('C')); }

bool CheckFreeSpace(std::optional<std::uint64_t> freeBytesOfC) {
  const RegKey key = RegKey::Open(HKEY_CURRENT_USER, kScheduleKey, KEY_READ);
  const auto onlyScan = ReadDword(key, schedval::kOnlyScan);
  auto limit = ReadDword(key, schedval::kSpaceFree);
  const std::int64_t megabytes =
      limit && std::int32_t(*limit) >= 1 ? std::int32_t(*limit) : kDefaultSpaceFreeMegabytes;
  return FreeSpaceAllowsRun(onlyScan && *onlyScan != 0, megabytes, freeBytesOfC);
}

void WriteDefaultSchedule(const std::string& toolKey) {
  const RegKey key = RegKey::Create(HKEY_CURRENT_USER, toolKey);
  key.WriteDword(schedval::kEnabled, 1);
  key.WriteDword(schedval::kSchedType, std::uint32_t(kDefaultScheduleKind));
  key.WriteString(schedval::kParams, kDefaultScheduleParams);
  key.WriteDateTime(schedval::kNextRun, StartOfNextDay(NowDateTime()));
}

void WriteSchedule(const std::string& toolKey, ScheduleKind kind, const std::string& params, double nextRun) {
  const RegKey key = RegKey::Create(HKEY_CURRENT_USER, toolKey);
  key.WriteDword(schedval::kSchedType, std::uint32_t(kind));
  key.WriteString(schedval::kParams, params);
  key.WriteDateTime(schedval::kNextRun, nextRun);
}

namespace {

// "NextRun" = the schedule's next slot after now, for a timed kind whose
// "Params" read; otherwise it is deleted and the next evaluation computes it.
void WriteNextSlot(const RegKey& key) {
  const StoredSchedule stored = ReadStored(key);
  const auto kind = stored.schedType ? ScheduleKindFromInt(*stored.schedType) : std::nullopt;
  const auto params = kind && IsTimedKind(*kind) ? ParseScheduleParams(*kind, stored.params.value_or(""))
                                                 : std::nullopt;
  const auto next = params ? NextRunAfter(*kind, *params, NowDateTime()) : std::nullopt;
  if (next)
    key.WriteDateTime(schedval::kNextRun, *next);
  else
    key.DeleteValue(schedval::kNextRun);
}

}  // namespace

void RecordLaunch(const std::string& toolKey) {
  // "LastRan" is the run's own to write, once its work is done: a launch that
  // fails, or a run that fails, is not a run. The next slot is set now, so a
  // schedule is not started again at every tick meanwhile.
  WriteNextSlot(RegKey::Create(HKEY_CURRENT_USER, toolKey));
}

void RecordFailedRun(const std::string& toolKey) {
  const RegKey key = RegKey::Open(HKEY_CURRENT_USER, toolKey, KEY_READ | KEY_WRITE);
  if (!key) return;
  // A "NextRun" that is still ahead stays (the launch set it, or the user did).
  const StoredSchedule stored = ReadStored(key);
  if (stored.nextRun && *stored.nextRun > NowDateTime()) return;
  WriteNextSlot(key);
}

void DeleteNextRun(const std::string& toolKey) {
  if (const RegKey key = RegKey::Open(HKEY_CURRENT_USER, toolKey, KEY_SET_VALUE))
    key.DeleteValue(schedval::kNextRun);
}

void WriteLastRan(const std::string& toolKey) {
  RegKey::Create(HKEY_CURRENT_USER, toolKey).WriteDateTime(schedval::kLastRan, NowDateTime());
}

std::string QuorvelCommandLine(std::string_view runSwitch) {
  std::string line = Quoted(services().programFolder() + "Quorvel.exe");
  if (!runSwitch.empty()) line += " " + std::string(runSwitch);
  return line;
}

void WriteWinStart(const std::string& toolKey) {
  if (const ScheduledToolInfo* tool = FindScheduledTool(toolKey))
    RegKey::Create(HKEY_CURRENT_USER, kRunKey).WriteString(tool->startUpValue, QuorvelCommandLine(tool->runSwitch));
}

void DeleteWinStart(const std::string& toolKey) {
  if (const ScheduledToolInfo* tool = FindScheduledTool(toolKey))
    if (const RegKey key = RegKey::Open(HKEY_CURRENT_USER, kRunKey, KEY_SET_VALUE)) key.DeleteValue(tool->startUpValue);
}

void WriteAgentRunEntry() {
  RegKey::Create(HKEY_CURRENT_USER, kRunKey).WriteString(kAgentRunValue, Quoted(services().programFolder() + "Tallowin.exe"));
}

void DeleteAgentRunEntry() {
  if (const RegKey key = RegKey::Open(HKEY_CURRENT_USER, kRunKey, KEY_SET_VALUE)) key.DeleteValue(kAgentRunValue);
}

std::optional<std::string> DescribeSchedule(ScheduleKind kind, std::string_view params) {
  return DescribeSchedule(kind, params, &FormatShortTime);
}

}  // namespace velmora::shell
