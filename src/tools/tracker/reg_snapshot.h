// The registry snapshot: "00HKEY_USERS" and "00HKEY_LOCAL_MACHINE" root lines;
// under each, per key its values (a name line, level + "1" + name, then a data
// line, next level + type character + text), then its sub-keys (level + "0" +
// name), each followed by its own content; values and sub-keys each sorted by
// name. Values are short texts; long and binary data is kept as a folded
// 16-byte fingerprint.
//
// Format, reader and merge are window-free (this header and reg_snapshot.cpp
// include no Win32 header); the recording walk lives in reg_record.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/tracker/snapshot_text.h"

namespace velmora::tracker {

struct RegChanges {
  std::vector<std::string> keysAdded, keysDeleted, valuesChanged, valuesAdded, valuesDeleted;
};
struct RegChangeLists {
  EntryList &keysAdded, &keysDeleted, &valuesChanged, &valuesAdded, &valuesDeleted;
};

constexpr std::string_view kCorruptRegistryData = "Stored Registry data is corrupted";
constexpr std::string_view kOverLimitText = "Binary data over 32K - changes not tracked";
// A value whose data the registry would not give: its line in the snapshot is
// kDataErrorPrefix + the key's full path + " (" + the value's name + ")", in
// the value's sorted place, and the rest of the key is recorded as usual. The
// comparison shows kDataErrorText as such a value's text.
constexpr std::string_view kDataErrorPrefix = "ERROR GETTING DATA: ";
constexpr std::string_view kDataErrorText = "ERROR GETTING DATA";

// A value as the snapshot keeps it.
struct RegValueText {
  char typeChar = '2';
  std::string text;
};

// The stored form of one value. For REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ
// `data` is the UTF-8 form of the stored UTF-16, terminators included (so
// ASCII text keeps the sizes it has as ANSI text); other types as stored.
RegValueText MakeValueText(std::uint32_t type, std::string_view data);

// Lines with their CR LF. `level` is the level of the key or value line.
std::string RegRootLine(std::string_view rootName);
std::string RegKeyLine(unsigned level, std::string_view name);
std::string RegValueLines(unsigned level, std::string_view name, const RegValueText& value);
// The line of a value that could not be read; `keyPath` is the root name and
// the key's path ("HKEY_USERS\\A\\B"), `name` as RegValueLineName gives it.
std::string RegDataErrorLine(std::string_view keyPath, std::string_view name);
// The name a value line shows: "@" for the unnamed value, CR and LF as spaces.
std::string RegValueLineName(std::string_view name);
// Whether a key whose line has this level is recorded inside: its values' data
// lines sit two levels deeper and must still fit a level byte.
bool EntersKey(unsigned keyLevel);

// Reads a registry snapshot one record at a time; a damaged one raises
// SnapshotError naming the file and the line (a value without its data line:
// "Stored Registry data is corrupted" first).
class RegSnapshotReader {
 public:
  RegSnapshotReader(ByteSource& source, std::string fileName) : lines_(source, std::move(fileName)) {}
  bool Next();
  bool atEnd() const { return atEnd_; }
  unsigned level() const { return unsigned(parts_.size()) - 1; }  // 0 for a root
  bool isValue() const { return isValue_; }
  // A value recorded by its error line: its data is not known.
  bool unreadable() const { return unreadable_; }
  int rootRank() const { return rootRank_; }
  const std::string& name() const { return parts_.back(); }
  char typeChar() const { return typeChar_; }
  const std::string& text() const { return text_; }
  // The root and names down to the record, joined by "\"; Parent leaves out the last.
  std::string Path() const { return Join(parts_.size()); }
  std::string Parent() const { return Join(parts_.size() - 1); }

 private:
  std::string Join(std::size_t count) const;
  LineReader lines_;
  std::string line_;
  std::vector<std::string> parts_;
  void ReadDataError();
  bool atEnd_ = false, isValue_ = false, unreadable_ = false;
  int rootRank_ = 0;
  char typeChar_ = '0';
  std::string text_;
};

// Merges two snapshots into the five lists, cleared first; polls `abort` at
// every record. A value and a sub-key of one name are two records, the value
// first, and never match each other; names are ordered by NameOrder, as each
// key's listing was sorted. A value unreadable on one side only is a change
// from or to "ERROR GETTING DATA"; one unreadable on both sides is not reported.
void MergeRegSnapshots(RegSnapshotReader& before, RegSnapshotReader& after, RegChanges& changes,
                       const ProgressReceiver& progress, const AbortPoll& abort);
void MergeRegSnapshots(RegSnapshotReader& before, RegSnapshotReader& after, const RegChangeLists& changes,
                       const ProgressReceiver& progress, const AbortPoll& abort);

// --- the operations (reg_record.cpp) ---

// Records HKEY_USERS and then HKEY_LOCAL_MACHINE into base + phase extension.
// `ignoreList` holds full key paths in upper case; "HKEY_CURRENT_USER\..." ones
// are matched in the current user's hive under HKEY_USERS, named `userHive`
// (the token's SID text when empty). A failure shows "An error occurred. email
// " + the file's name and goes on to the caller.
void RecordRegSnapshot(const std::string& baseName, const std::string& phaseExt,
                       const std::vector<std::string>& ignoreList, const ProgressReceiver& progress,
                       const std::string& userHive = std::string());
void CompareRegSnapshots(const std::string& beforeFile, const std::string& afterFile, RegChanges& changes,
                         const ProgressReceiver& progress);
void CompareRegSnapshots(const std::string& beforeFile, const std::string& afterFile,
                         const RegChangeLists& changes, const ProgressReceiver& progress);
// Seam for tests (Wine has no value whose data cannot be read): the value
// enumeration the recording calls, with RegEnumValueW's parameters (the key
// as void*); null puts the system's call back.
using EnumValueCall = long (*)(void* key, unsigned long index, wchar_t* name, unsigned long* nameLength,
                               unsigned long* reserved, unsigned long* type, unsigned char* data,
                               unsigned long* dataSize);
void SetRecordEnumValueCall(EnumValueCall call);
// The current user's hive name under HKEY_USERS (its SID, "S-1-5-21-..."); empty when unknown.
std::string CurrentUserHive();

}  // namespace velmora::tracker
