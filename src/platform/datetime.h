// The suite's date-time value: a double counting days since 30 December 1899,
// the fraction being the time of day (the form stored in the registry).
#pragma once

#include <windows.h>

#include "platform/calendar.h"

namespace velmora {

double SystemTimeToDateTime(const SYSTEMTIME& st);
SYSTEMTIME DateTimeToSystemTime(double value);
// A FILETIME (UTC) as a local date-time; 0 for a zero FILETIME.
double FileTimeToLocalDateTime(const FILETIME& ft);
FILETIME LocalDateTimeToFileTime(double value);
// A FILETIME (UTC) moved to local time by the offset in force at that moment
// (not today's, as FileTimeToLocalFileTime does); false when the system cannot say.
bool FileTimeToLocalAt(const FILETIME& utc, FILETIME& local);

}  // namespace velmora
