// The change report and the names around it: the tracker's own file names,
// the report name box's quoting, the default report name, the report's date
// form, its blocks and sections, and the filtering of the file lists.
//
// Window-free and free of Win32 headers (text goes to a ByteSink), so the
// report can be built and checked natively.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/tracker/dir_snapshot.h"
#include "tools/tracker/ini_snapshot.h"
#include "tools/tracker/reg_snapshot.h"
#include "tools/tracker/snapshot_text.h"

namespace velmora::tracker {

// Snapshot bases and the two phase extensions.
inline const char* const kDirBase = "S_INST$$";
inline const char* const kDevBase = "DEV$$$$$";
inline const char* const kRegBase = "REG$$$$$";
inline const char* const kBeforeExt = ".##1";
inline const char* const kAfterExt = ".##2";

// DOS programs (EXE, COM, batch): only files are recorded for them.
inline bool IsDosType(int exeType) { return exeType >= 1 && exeType <= 3; }

// Every snapshot file of an operation in the reports folder (ending in "\"):
// the three bases and each watched file's snapshot name, with both extensions.
std::vector<std::string> OwnSnapshotFiles(const std::string& reportsFolder, const std::vector<std::string>& watchList);
// The same with the watched files' snapshot base names as recorded.
std::vector<std::string> OwnSnapshotFilesNamed(const std::string& reportsFolder,
                                               const std::vector<std::string>& iniSnapshotNames);

// --- the report name box ---

// The box always holds the name in double quotes: one is added at the start
// and then at the end where missing (so an emptied box holds a lone quote).
std::string QuotedReportName(const std::string& text);
// The name without its enclosing quotes (the first and last characters).
std::string UnquotedReportName(const std::string& boxText);
// A browsed file name with a leading quote removed and then, when the first
// remaining quote is the last character, that one too.
std::string CleanBrowsedName(std::string name);
// reportsFolder + the description's first 10 characters (characters a file
// name cannot hold become "_") + " - " + the first number from 1, as "%.4d.TXT",
// for which `exists` says no.
std::string DefaultReportName(const std::string& reportsFolder, const std::string& description,
                              const std::function<bool(const std::string&)>& exists);

// --- the report ---

struct ReportDate {
  int year = 0, month = 1, day = 1, dayOfWeek = 0;  // dayOfWeek: 0 = Sunday
  int hour = 0, minute = 0;
};
// "dddd, mmmm d, yyyy  hh:mm AM/PM": "Wednesday, December 9, 2026  01:05 PM".
std::string FormatReportDate(const ReportDate& date);

// Lines are written with CR LF.
void WriteReportLine(ByteSink& out, std::string_view line);
// Nothing for an empty list; else title + "(n)", the entries, an empty line.
void WriteListBlock(ByteSink& out, const std::string& title, const std::vector<std::string>& list);
void WriteListBlock(ByteSink& out, const std::string& title, EntryList& list);
void WriteReportHeader(ByteSink& out, const std::string& description, const std::string& date,
                       const std::string& trackMode, const std::vector<std::string>& drives);
// The files section. In file times mode `changes.added` is the list of newer
// entries and the other two lists are not used.
void WriteFileSection(ByteSink& out, bool fileTimes, const DirChanges& changes);
void WriteFileSection(ByteSink& out, bool fileTimes, const DirChangeLists& changes);
// What became of a watched INI file between the two recordings.
enum class IniFileFate { Kept, Deleted, Created };
// P's part; a file deleted (or created) by the setup is said to be so, on a
// line "FILE DELETED: " (or "FILE CREATED: ") + P before its blocks.
void WriteIniPart(ByteSink& out, const std::string& iniPath, const IniChanges& changes,
                  IniFileFate fate = IniFileFate::Kept);
void WriteDosNote(ByteSink& out);
void WriteRegistrySection(ByteSink& out, const RegChanges& changes);
void WriteRegistrySection(ByteSink& out, const RegChangeLists& changes);

// --- the file lists ---

// Swap and registry hive files, whose changes say nothing about a setup;
// compared with the name part, ignoring case as Windows names do.
bool IsSwapOrHiveFile(std::string_view path);
// Takes the swap and hive files out of the added and changed lists, and then,
// for each of the operation's own snapshot files, the first entry naming it
// (ignoring case) out of each of them. The deleted list is left alone.
void DropUnreportedFiles(DirChanges& changes, const std::vector<std::string>& ownFiles);
// The same filter on entries as they are found: passes each on to `next`
// unless it is a swap or hive file or the first entry naming one of the own files.
class ReportedFiles : public EntryList {
 public:
  ReportedFiles(EntryList& next, std::vector<std::string> ownFiles);
  void Add(std::string entry) override;
  std::size_t size() const override { return next_.size(); }
  void WriteTo(ByteSink& out) override { next_.WriteTo(out); }

 private:
  EntryList& next_;
  std::vector<std::string> own_;
  std::vector<bool> dropped_;
};

}  // namespace velmora::tracker
