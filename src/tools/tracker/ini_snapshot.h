// The INI snapshot: "[section]" lines, each followed by its "[section]key=value"
// lines, sorted by whole line; the line-based snapshot of SYSTEM.INI's
// "[386Enh]" DEVICE= lines; the merges of both into the report's five lists;
// and the snapshot names of the watched files.
//
// Format, scanner, reader, merges and names are window-free (this header and
// ini_snapshot.cpp include no Win32 header); reading INI files through the
// system lives in ini_record.cpp.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/tracker/snapshot_text.h"

namespace velmora::tracker {

struct IniChanges {
  std::vector<std::string> sectionsAdded, sectionsDeleted, keysAdded, keysDeleted, keysChanged;
};

// One section as read: its name and its key-value pairs.
struct IniSection {
  std::string name;
  std::vector<std::pair<std::string, std::string>> keys;
};

// Writes the snapshot lines: sections by their "[name]" line, keys by their
// whole line, so the file is in the order its merge walks it. Keys with an
// empty value are left out; a repeated key name counts once (its first value).
void WriteIniSnapshot(std::vector<IniSection> sections, ByteSink& out);

// The lines of the first "[386Enh]" section whose upper-cased text holds
// "DEVICE=" (comments included), trimmed, sorted. `text` is the file as UTF-8.
std::vector<std::string> ScanDeviceLines(std::string_view text);
// The device-line snapshot of those lines.
void WriteDeviceLines(const std::vector<std::string>& lines, ByteSink& out);

// Merges two INI snapshots into the five lists, cleared first. A damaged
// snapshot (a line that is not "[section]...") raises SnapshotError.
void MergeIniSnapshots(LineReader& before, LineReader& after, IniChanges& changes);
// Replaces the key-based result for "[386Enh]" DEVICE= lines with the merge of
// the two device-line snapshots: each line only before is a deleted key, each
// line only after an added one.
void MergeDeviceLines(LineReader& before, LineReader& after, std::vector<std::string>& keysAdded,
                      std::vector<std::string>& keysDeleted, std::vector<std::string>& keysChanged);

// The snapshot base names (file name without its extension) of the watched INI
// files, in list order. Files of one name in different folders get distinct
// names ("WIN", "WIN~2"), none equal to the tracker's own snapshot bases; the
// names depend only on the list, so both phases agree. The snapshot is the
// reports folder + name + the phase extension (".##1", ".##2").
std::vector<std::string> IniSnapshotNames(const std::vector<std::string>& watchList);

// --- the operations (ini_record.cpp) ---

// Records one watched INI file (a bare name is looked for in the Windows
// folder). A missing file gives an empty snapshot, so the comparison reports
// its sections as added or deleted and goes on.
void RecordIniSnapshot(const std::string& iniPath, const std::string& snapshotFile, const ProgressReceiver& progress);
// Records the "[386Enh]" DEVICE= lines of the file (ANSI, or UTF-8 / UTF-16 with
// a byte-order mark); a missing file gives an empty snapshot.
void RecordDeviceLines(const std::string& iniPath, const std::string& snapshotFile);
void CompareIniSnapshots(const std::string& beforeFile, const std::string& afterFile, IniChanges& changes);
void CompareDeviceLines(const std::string& beforeFile, const std::string& afterFile,
                        std::vector<std::string>& keysAdded, std::vector<std::string>& keysDeleted,
                        std::vector<std::string>& keysChanged);

}  // namespace velmora::tracker
