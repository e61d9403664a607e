#include "tools/tracker/dir_snapshot.h"


namespace velmora::tracker {

std::array<char, 4> EncodeSignature(std::uint32_t dosDateTime, std::uint64_t size) {
  const std::uint32_t v = dosDateTime ^ std::uint32_t(size);
  std::array<char, 4> out{};
  for (int i = 0; i < 4; ++i) {
    unsigned char b = (unsigned char)(v >> (8 * i));
    // These bytes would end or break a text line (or the file, for old readers).
    if (b == 0 || b == 8 || b == 9 || b == 10 || b == 13 || b == 26) b += 32;
    out[i] = char(b);
  }
  return out;
}

std::string DirEntryLine(unsigned level, const std::array<char, 4>& signature, std::string_view name) {
  std::string line;
  line.reserve(name.size() + 7);
  line += char(kLevelBase + level);
  line.append(signature.data(), 4);
  line += LineSafe(name);
  line += "\r\n";
  return line;
}

bool EntersFolder(bool isFolder, bool nameSurrogate, unsigned level) {
  return isFolder && !nameSurrogate && kLevelBase + level + 1 <= kMaxLevel;
}

bool DirSnapshotReader::Next() {
  if (atEnd_) return false;
  if (!lines_.Next(line_)) {
    atEnd_ = true;
    return false;
  }
  if (line_.empty()) lines_.Fail("an empty line");
  const unsigned char c = (unsigned char)line_[0];
  if (c == kLevelBase) {
    if (line_.size() < 2) lines_.Fail("a drive line without a drive");
    parts_.assign(1, line_.substr(1));
    signature_.clear();
    return true;
  }
  if (c < kLevelBase) lines_.Fail("a level below 1");
  if (parts_.empty()) lines_.Fail("an entry before any drive line");
  const unsigned level = c - kLevelBase;
  if (level > parts_.size()) lines_.Fail("an entry more than one level below the one before it");
  if (line_.size() < 6) lines_.Fail("an entry line too short to hold a signature and a name");
  parts_.resize(level);
  parts_.push_back(line_.substr(5));
  signature_.assign(line_, 1, 4);
  return true;
}

std::string DirSnapshotReader::Path() const {
  std::string path = parts_.empty() ? std::string() : parts_[0];
  for (std::size_t i = 1; i < parts_.size(); ++i) {
    if (path.empty() || path.back() != '\\') path += '\\';
    path += parts_[i];
  }
  return path;
}

void MergeDirSnapshots(DirSnapshotReader& before, DirSnapshotReader& after, DirChanges& changes,
                       const ProgressReceiver& progress, const AbortPoll& abort) {
  changes = DirChanges{};
  MemoryList added(changes.added), deleted(changes.deleted), changed(changes.changed);
  MergeDirSnapshots(before, after, DirChangeLists{added, deleted, changed}, progress, abort);
}

void MergeDirSnapshots(DirSnapshotReader& before, DirSnapshotReader& after, const DirChangeLists& changes,
                       const ProgressReceiver& progress, const AbortPoll& abort) {
  before.Next();
  after.Next();
  for (;;) {
    if (progress && !before.atEnd() && before.level() <= 2)
      progress("Comparing directory:", ShortenPath(before.Path()));
    if (abort && abort()) return;
    if (before.atEnd() && after.atEnd()) return;
    // In two pre-order files sorted alike, the deeper record comes first, and
    // records of one level meet only under the same parent: their names decide.
    // An exhausted side sorts after everything.
    int order;
    if (before.atEnd())
      order = 1;
    else if (after.atEnd())
      order = -1;
    else if (before.level() != after.level())
      order = before.level() > after.level() ? -1 : 1;
    else
      order = NameOrder(before.name(), after.name());
    if (order < 0) {
      changes.deleted.Add(before.Path());
      before.Next();
    } else if (order > 0) {
      changes.added.Add(after.Path());
      after.Next();
    } else {
      if (before.signature() != after.signature()) changes.changed.Add(before.Path());
      before.Next();
      after.Next();
    }
  }
}

}  // namespace velmora::tracker
