// What the junk scan must know of a found file beyond its listing, gathered
// with one opening of the file: whether it is in use, when it was last read,
// and whether it starts like a program or an icon file. Opening a file is the
// dearest step of the scan, so it is done once, on the scan session's probing
// thread (scan/scan_session.h) while the walk goes on.
#pragma once

#include <cstdint>
#include <string>

#include "scan/file_list_view.h"
#include "scan/scan_session.h"

namespace velmora::junk {

struct FileProbe {
  bool exists = false;  // the file was there to look up
  // Its size, attributes and last write when looked up, and whether it starts
  // with "MZ" (may hold icons and a version): what the file list needs.
  scan::KnownFile file;
  // Opened for reading and writing with no sharing: nobody else has it open.
  // A read-only file never is (as FileIsLocked: Windows refuses it the writing).
  bool exclusive = false;
  // Last access as a local date-time, put back after the look; 0, a date long
  // past, when the file could not be opened that way (as GetFileLastAccess).
  double lastAccess = 0;
  bool iconFile = false;  // starts as an icon file
};

// Probes a file a walk found, trusting its listing for size, attributes and
// times: one opening of the file, its first bytes read only when it has some.
// Under Wine every opening is two round trips to the server and a read a
// third, so nothing is asked twice.
FileProbe ProbeFound(const scan::FoundFile& found);
// The same for a path alone: the listing entry is looked up first.
FileProbe ProbeFile(const std::string& path);

}  // namespace velmora::junk
