// The junk cleaner's window-free rules: the stored pattern table, the stored
// drives, which found files are skipped, and the texts of its status panel and logs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shell/utilities.h"

namespace velmora::junk {

inline const char* const kJunkKey = "\\Software\\Dastra\\Velmora\\Junk";
// The window's stored placement and options ("pos" below it).
inline const char* const kJunkStorageKey = "software\\Dastra\\Velmora\\junk";
inline const char* const kJunkStorageSection = "pos";
inline const char* const kJunkTopic = "Cleaning_your_system_of_junk_and_obsolete_files";

extern const char* const kDefaultScanFor;
extern const char* const kDefaultScanDesc;
inline const char* const kDefaultDrives = "---";

struct PatternRow {
  std::string pattern;
  std::string description;
  bool enabled = true;
};

// One "text,flag," pair of a stored list. Parsing stops at the end of the text
// or where a comma is missing; the incomplete field is dropped.
struct StoredField {
  std::string text;
  std::string flag;
};
std::vector<StoredField> ParseStoredList(const std::string& value);

// Rows from the two stored values: the flag of "ScanFor" alone enables a row;
// descriptions go to rows by position, extra ones are ignored.
std::vector<PatternRow> ParsePatternTable(const std::string& scanFor, const std::string& scanDesc);
// The two stored values of a table; each ends with a comma.
std::string FormatScanFor(const std::vector<PatternRow>& rows);
std::string FormatScanDesc(const std::vector<PatternRow>& rows);
// The registry table (defaults for missing values) and its writing.
std::vector<PatternRow> LoadPatternTable();
void SavePatternTable(const std::vector<PatternRow>& rows);
std::string LoadDrives();
void SaveDrives(const std::string& letters);

// The masks of the enabled rows in order, joined by commas, no trailing comma.
std::string EnabledMaskText(const std::vector<PatternRow>& rows);

using shell::InsideMoveGuard;  // shared with the shortcut finder

// The access-age rule: with N days wanted, a file last accessed at `lastAccess`
// (a local date-time) is skipped when N > today - lastAccess, today being the
// current date at midnight.
bool AccessedTooRecently(int days, double now, double lastAccess);
// The number typed in the days box (blanks trimmed); 0 when it is none.
int DaysFromText(const std::string& text);

// Texts.
std::string ScanCompleteText(std::int64_t bytes, std::int64_t files);
std::string FoundLine(std::int64_t bytes, std::int64_t files);
std::string ScannedLine(const std::string& root, bool zeroLengthPass);
std::string TotalSpaceText(std::int64_t bytes, std::int64_t files);
std::string InUseLine(const std::string& path);
std::string InUseHint(const std::string& path);
// The temporary folder left out of a scan, and why.
std::string TempSkippedText(const std::string& folder, const std::string& reason);
std::string MoveLine(const std::string& path, const std::string& folder);

}  // namespace velmora::junk
