// The directory snapshot: a line per drive ("0C:\") and per file or folder
// (level byte, 4 signature bytes, name), CR LF, in pre-order with each
// folder's entries sorted by name; the two-way merge of two snapshots into
// added, deleted and changed paths; and the walk of entries newer than a time.
//
// The format, the reader and the merge are window-free (this header and
// dir_snapshot.cpp include no Win32 header); the walks that list folders live
// in dir_walk.cpp.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/tracker/snapshot_text.h"

namespace velmora::tracker {

struct DirChanges {
  std::vector<std::string> added, deleted, changed;
};
// The three lists as a merge or a walk fills them, entry by entry.
struct DirChangeLists {
  EntryList &added, &deleted, &changed;
};

// --- the format ---

// The entry signature: the last write as an MS-DOS local date (high half) and
// time (low half) XOR the low 32 bits of the size, least significant byte
// first, each byte 0, 8, 9, 10, 13 or 26 stored as that value + 32.
std::array<char, 4> EncodeSignature(std::uint32_t dosDateTime, std::uint64_t size);
// One entry line with its CR LF; `level` is the entry's depth (1 in a drive's root).
std::string DirEntryLine(unsigned level, const std::array<char, 4>& signature, std::string_view name);
// Whether the walk goes into a folder found at `level`: not into links that
// name another place (junctions, symbolic links: they can loop), and not past
// the last level a line can hold.
bool EntersFolder(bool isFolder, bool nameSurrogate, unsigned level);

// Reads a directory snapshot one record at a time. A damaged snapshot raises
// SnapshotError naming the file and the line.
class DirSnapshotReader {
 public:
  DirSnapshotReader(ByteSource& source, std::string fileName) : lines_(source, std::move(fileName)) {}
  // The next record; false (and atEnd) at the end of the file.
  bool Next();
  bool atEnd() const { return atEnd_; }
  unsigned level() const { return unsigned(parts_.size()) - 1; }  // 0 for a drive line
  const std::string& name() const { return parts_.back(); }
  std::string_view signature() const { return signature_; }
  // The drive root plus the names down to the record, joined by "\" ("X:\" for a drive line).
  std::string Path() const;

 private:
  LineReader lines_;
  std::string line_;
  std::vector<std::string> parts_;
  std::string signature_;
  bool atEnd_ = false;
};

// The merge of two snapshots (before, after) into the three lists, cleared
// first. Polls `abort` at every record and stops with the lists as far as
// they are; reports progress for the upper levels.
// Records of one level meet under one parent and are ordered by NameOrder, the
// order their folder listing was sorted in ("A.tmp" and "a.tmp" are two).
void MergeDirSnapshots(DirSnapshotReader& before, DirSnapshotReader& after, DirChanges& changes,
                       const ProgressReceiver& progress, const AbortPoll& abort);
void MergeDirSnapshots(DirSnapshotReader& before, DirSnapshotReader& after, const DirChangeLists& changes,
                       const ProgressReceiver& progress, const AbortPoll& abort);

// --- the operations (dir_walk.cpp) ---

// Writes the snapshot of the drives ("X:\" each, in order). Raises when the
// file cannot be created or written; an abort leaves whole lines.
void RecordDirSnapshot(const std::string& snapshotFile, std::vector<std::string> drives,
                       const ProgressReceiver& progress);
// Compares two snapshot files; raises on a file that cannot be read or is damaged.
void CompareDirSnapshots(const std::string& beforeFile, const std::string& afterFile, DirChanges& changes,
                         const ProgressReceiver& progress);
void CompareDirSnapshots(const std::string& beforeFile, const std::string& afterFile,
                         const DirChangeLists& changes, const ProgressReceiver& progress);
// Lists every file and folder of the drives created or written after
// `startTime` (a UTC file time), in listing order.
void ListChangedSince(std::vector<std::string>& result, std::uint64_t startTime, std::vector<std::string> drives,
                      const ProgressReceiver& progress);
void ListChangedSince(EntryList& result, std::uint64_t startTime, std::vector<std::string> drives,
                      const ProgressReceiver& progress);

}  // namespace velmora::tracker
