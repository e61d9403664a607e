// The directory walks: the snapshot recording and the time check. Each keeps
// an explicit stack of open levels (no recursion), so a tree of any depth
// costs one sorted listing (recording) or one open listing (time check) per
// level on the path.
#include <windows.h>

#include "platform/datetime.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tools/tracker/dir_snapshot.h"
#include "tools/tracker/tracker_engine.h"

namespace velmora::tracker {

namespace {

// The listing's attribute mask 23: read-only, hidden, system and folders besides
// normal files, never a volume label (a modern listing gives none anyway).
bool Listed(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_DEVICE) == 0; }

bool NameSurrogate(const FolderListing& l) { return IsReparseTagNameSurrogate(l.reparseTag()); }

// The last write as an MS-DOS date and time in the local time of that date, so
// a change of daylight-saving time between two snapshots changes no signature.
std::uint32_t DosLocalTime(const FILETIME& written) {
  FILETIME local{};
  WORD date = 0, time = 0;
  if (!FileTimeToLocalAt(written, local) || !FileTimeToDosDateTime(&local, &date, &time)) return 0;
  return (std::uint32_t(date) << 16) | time;
}

// A drive root as the walk uses it: "C:\" becomes "C:".
std::wstring WalkRoot(const std::string& drive) {
  return Widen(drive.size() == 3 ? drive.substr(0, 2) : drive);
}

struct Entry {
  std::string name;   // UTF-8, as the line holds it (and sorted by)
  std::wstring wide;  // the name on disk, to go into a folder
  std::array<char, 4> signature;
  bool enter;
};

struct Level {
  std::wstring folder;  // without a trailing "\"
  std::vector<Entry> entries;
  std::size_t next = 0;
};

// One folder's listing, sorted; nothing for a folder that cannot be listed.
std::vector<Entry> ListSorted(const std::wstring& folder, unsigned level) {
  std::vector<Entry> out;
  FolderListing listing(LongPathW(folder + L"\\*"));
  while (listing.Next()) {
    if (!Listed(listing.attributes()) || listing.name()[0] == L'.') continue;
    Entry e;
    e.wide = std::wstring(listing.name());
    e.name = Narrow(e.wide);
    e.signature = EncodeSignature(DosLocalTime(listing.data().ftLastWriteTime),
                                  listing.isFolder() ? 0 : listing.size());
    e.enter = EntersFolder(listing.isFolder(), NameSurrogate(listing), level);
    out.push_back(std::move(e));
  }
  SortByName(out, [](const Entry& e) -> const std::string& { return e.name; });
  return out;
}

// Walks one drive into the snapshot; false when aborted.
bool RecordTree(const std::wstring& root, SnapshotWriter& out, const ProgressReceiver& progress) {
  std::vector<Level> stack;
  auto open = [&](std::wstring folder) {
    const unsigned level = unsigned(stack.size()) + 1;
    if (progress && level <= 3) progress("Recording directory:", ShortenPath(Narrow(folder)));
    if (CheckAbort()) return false;
    Level l;
    l.entries = ListSorted(folder, level);
    l.folder = std::move(folder);
    stack.push_back(std::move(l));
    return true;
  };
  if (!open(root)) return false;
  while (!stack.empty()) {
    Level& top = stack.back();
    if (top.next == top.entries.size()) {
      stack.pop_back();
      continue;
    }
    const Entry& e = top.entries[top.next++];
    out.Write(DirEntryLine(unsigned(stack.size()), e.signature, e.name));
    if (e.enter && !open(top.folder + L"\\" + e.wide)) return false;
  }
  return true;
}

bool Newer(const FILETIME& t, std::uint64_t since) {
  const std::uint64_t v = (std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  return v != 0 && v > since;
}

}  // namespace

void RecordDirSnapshot(const std::string& snapshotFile, std::vector<std::string> drives,
                       const ProgressReceiver& progress) {
  SnapshotWriter out(snapshotFile);
  for (const std::string& drive : drives) {
    if (CheckAbort()) break;
    out.Write("0" + LineSafe(drive) + "\r\n");
    if (!RecordTree(WalkRoot(drive), out, progress)) break;
  }
  out.Close();
}

void CompareDirSnapshots(const std::string& beforeFile, const std::string& afterFile, DirChanges& changes,
                         const ProgressReceiver& progress) {
  changes = DirChanges{};
  MemoryList added(changes.added), deleted(changes.deleted), changed(changes.changed);
  CompareDirSnapshots(beforeFile, afterFile, DirChangeLists{added, deleted, changed}, progress);
}

void CompareDirSnapshots(const std::string& beforeFile, const std::string& afterFile,
                         const DirChangeLists& changes, const ProgressReceiver& progress) {
  SnapshotFile beforeSource(beforeFile), afterSource(afterFile);
  DirSnapshotReader before(beforeSource, beforeFile), after(afterSource, afterFile);
  MergeDirSnapshots(before, after, changes, progress, [] { return CheckAbort(); });
}

void ListChangedSince(std::vector<std::string>& result, std::uint64_t startTime, std::vector<std::string> drives,
                      const ProgressReceiver& progress) {
  MemoryList list(result);
  ListChangedSince(list, startTime, std::move(drives), progress);
}

void ListChangedSince(EntryList& result, std::uint64_t startTime, std::vector<std::string> drives,
                      const ProgressReceiver& progress) {
  struct Open {
    std::wstring folder;
    FolderListing listing;
  };
  for (const std::string& drive : drives) {
    std::vector<Open> stack;
    // Polled at every folder, so Abort and repaints arrive within a drive too.
    auto open = [&](std::wstring folder) {
      if (progress) progress("Time-checking directory:", ShortenPath(Narrow(folder)));
      if (CheckAbort()) return false;
      FolderListing listing(LongPathW(folder + L"\\*"));
      stack.push_back(Open{std::move(folder), std::move(listing)});
      return true;
    };
    if (!open(WalkRoot(drive))) return;
    while (!stack.empty()) {
      Open& top = stack.back();
      if (!top.listing.Next()) {
        stack.pop_back();
        continue;
      }
      const FolderListing& l = top.listing;
      if (!Listed(l.attributes())) continue;
      const WIN32_FIND_DATAW& fd = l.data();
      const bool newer = Newer(fd.ftCreationTime, startTime) || Newer(fd.ftLastWriteTime, startTime);
      if (l.isFolder()) {
        if (l.name()[0] == L'.') continue;
        const std::wstring path = top.folder + L"\\" + std::wstring(l.name());
        if (newer) result.Add(Narrow(path));
        if (EntersFolder(true, NameSurrogate(l), unsigned(stack.size())) && !open(path)) return;
      } else if (newer) {
        result.Add(Narrow(top.folder + L"\\" + std::wstring(l.name())));
      }
    }
  }
}

}  // namespace velmora::tracker
