// The duplicate finder's window-free rules: stored setting texts, candidate
// keys and their order, the partition of a run into groups, the checksum, the
// folder tests of the collection, the two result list files and the status
// texts. Nothing here includes a Win32 header, so it can be built natively
// and fuzzed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::dupes {

inline const char* const kDupeListKey = "\\Software\\Dastra\\Velmora\\DupeList";
inline const char* const kFilesKey = "\\software\\Dastra\\Velmora\\dupelist\\files";
inline const char* const kFoldersKey = "\\software\\Dastra\\Velmora\\dupelist\\folders";
inline const char* const kExcludeKey = "\\software\\Dastra\\Velmora\\dupelist\\exclude";
inline const char* const kXFilesKey = "\\software\\Dastra\\Velmora\\dupelist\\XFiles";
inline const char* const kDupesStorageKey = "software\\Dastra\\Velmora\\findupes";
inline const char* const kDupesStorageSection = "dupelist";
inline const char* const kDupesTopic = "Finding_and_removing_duplicate_files";
inline const char* const kGroupHeader = "---- Duplicate File Group ----";
inline const char* const kDuplicateList = "Duplicate_Files.txt";
inline const char* const kNewDuplicateList = "New_Duplicate_Files.txt";
inline const char* const kSkipList = "Files_To_Skip.txt";

// DupeList values are strings: "1"/"0" for booleans, decimal text for
// integers. A text that is not a number (or no value) gives the default.
bool StoredBool(const std::optional<std::string>& text, bool fallback);
int StoredInt(const std::optional<std::string>& text, int fallback);

// One row of an editable list (file patterns, scan folders, exclusions).
struct ListRow {
  std::string text;
  std::string description;
  bool checked = true;
};

// The built-in file patterns, all ticked.
std::vector<ListRow> DefaultFilePatterns();

// True when two row texts would overwrite each other's registry value: the
// value names of a key compare without case.
bool SameListText(std::string_view a, std::string_view b);

// ---- Collection --------------------------------------------------------------

// One collected file, as the walk's listing gave it.
struct Candidate {
  std::uint64_t size = 0;
  std::string name;            // as the file system spells it
  std::uint32_t folder = 0;    // index in the folder table
  std::uint64_t written = 0;   // last write (FILETIME as one number)
  std::uint32_t attributes = 0;
};

// The sort key text of a candidate: size mode "%9d " (wider sizes take the
// room they need) and the name; name mode the name, a backslash, the name.
std::string KeyText(bool sizeMode, std::uint64_t size, std::string_view name);
// The key prefix (the part before the name) as the master list keeps it:
// the size in size mode, the upper-cased name in name mode.
std::string KeyPrefix(bool sizeMode, std::uint64_t size, std::string_view upperName);

// The candidates' order: by size (numerically), then name without case, in
// size mode; by name without case in name mode. `upper` holds each
// candidate's upper-cased name.
void SortCandidates(std::vector<Candidate>& candidates, std::vector<std::string>& upper, bool sizeMode);

// True when folder `inner` is `outer` or lies below it: whole folder names,
// without regard to case. Both may lack their final backslash.
bool FolderWithin(std::string_view inner, std::string_view outer);

// The excluded-file rule: the entry with its asterisks removed occurs within
// the path, letter case counting; an entry that becomes empty matches nothing.
bool ExcludedFileMatches(std::string_view entry, std::string_view path);

// Files the finder never collects ("mm256.dat", "mm2048.dat" and any name
// that occurs within that text, lower-cased).
bool NeverCollected(std::string_view lowerName);

// ---- Comparison --------------------------------------------------------------

// The partition of one run: each member is compared with the references found
// so far, in order, and joins the first it equals; a member equal to none
// becomes a reference. Groups of two or more, in the order of their
// references; each member lies in one group. `same(ref, other)` says whether
// `other` equals reference `ref`.
std::vector<std::vector<std::size_t>> PartitionRun(std::size_t count,
                                                   const std::function<bool(std::size_t, std::size_t)>& same);

// The checksum signature: the first min(size / 4, 128) little-endian 32-bit
// words of the file (as far as `available` bytes reach), added with 32-bit
// wrap-around, top bit cleared. 0 for an empty file.
std::uint32_t ChecksumSignature(const unsigned char* data, std::size_t available, std::uint64_t size);
// The bytes ChecksumSignature reads of a file of this size.
std::size_t ChecksumBytes(std::uint64_t size);

// ---- Result list files -------------------------------------------------------

// A result row: a header, a blank row, or a file row with its six detail columns.
struct ResultRow {
  std::string text;
  std::vector<std::string> details;  // empty for headers and blanks
};

// A file row's text: longer than two characters with ":" second.
bool IsFileRowText(std::string_view text);

// One line of "Duplicate_Files.txt" (no line break).
std::string FormatListLine(const ResultRow& row);
// The whole files: CR LF after every line.
std::string FormatDuplicateList(const std::vector<ResultRow>& rows);
std::string FormatNewDuplicateList(const std::vector<ResultRow>& rows);

struct ParsedList {
  std::vector<ResultRow> rows;    // whole groups only, a blank row between groups
  std::size_t droppedLines = 0;   // lines of incomplete groups or of no group
  std::int64_t duplicates = 0;    // file rows beyond the first of their group
  std::int64_t bytes = 0;         // their sizes, where the size column is a number (at most INT64_MAX)
};
// Reads "Duplicate_Files.txt": each group is a header followed by two or more
// file rows; anything else is dropped and counted.
ParsedList ParseDuplicateList(std::string_view text);

// ---- Texts -------------------------------------------------------------------

std::string FoundStatusText(std::int64_t bytes, std::int64_t files);
std::string RemovedStatusText(std::int64_t bytes, std::int64_t files);
std::string SubfolderMessage(const std::string& inner, const std::string& outer);
std::string ComparingSizeText(std::uint64_t size);

}  // namespace velmora::dupes
