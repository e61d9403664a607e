// The eraser expires the browser's history by moving the system clock a year
// ahead for a moment. While it is moved nothing else may look at a clock: the
// eraser holds the run lock for the whole move (the agent judges no schedule
// and no run starts meanwhile), and writes a marker first, so that if the
// process ends while the clock is moved (a forced shut-down), the next start
// of either program sets the clock back and removes the marker.
#pragma once

namespace velmora::shell {

// Where the marker is: the shift in days, as an 8-byte double under the
// privacy key.
inline const char* const kClockMarkerValue = "ClockMovedBy";

// Before the move: the clock is about to go `shiftDays` ahead.
void WriteClockMarker(double shiftDays);
// After the clock is back.
void ClearClockMarker();
// At a program's start: when a marker is left and no run holds the run lock
// (a run that holds it may be the one that moved the clock, and it puts it
// back itself), moves the clock back by the marker's shift and removes the
// marker. True when it did.
bool RestoreClockIfMoved();

}  // namespace velmora::shell
