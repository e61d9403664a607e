// What the duplicate finder's window files share: its texts, sizes, the
// shared Removal page's texts and the result rows' record.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "scan/file_list_view.h"
#include "shell/removal.h"
#include "tools/dupes/dupe_files.h"
#include "ui/list_view.h"

namespace velmora::dupes::form {

inline constexpr int kClientWidth = 620;
inline constexpr int kClientHeight = 470;
inline constexpr int kResultsTop = 212;
inline constexpr int kToolbarHeight = 38;
inline constexpr int kOptionsPage = 4;
inline constexpr int kFoldersPage = 2;

inline constexpr const char* kHintSubject = "DupeRestrict";
inline constexpr const char* kNamedHint =
    "Use this option to restrict Velmora's scan to specified files and file types.  This is helpful if you need to "
    "scan for duplicates of a specific file on your system.";
inline constexpr const char* kFolderNamesHint =
    "Use this option to restrict Velmora's scan to specified folders.  This is helpful if you suspect a folder or "
    "set of folders as containing several duplicate copies of the same file.";
inline constexpr const char* kAddFileHint =
    "You may add files and file types to be scanned for using this option.  Wildcards such as \"*\" and \"?\" are "
    "accepted.";
inline constexpr const char* kAddFolderHint =
    "You may add specific folders to be scanned using this option.  To add the folder to your scan list browse and "
    "select it from the following screen.";
inline constexpr const char* kAddExcludeHint =
    "By adding folders to be exluded from the scan you can eliminate known, but valid areas where duplicate files "
    "are stored such as backup folders, etc.  To add a folder to the exlusion list browse and select it from the "
    "following screen.";
inline constexpr const char* kAddExFileHint =
    "By adding files to be exluded from the scan you can eliminate reports of known but valid duplicate copies of "
    "files, such as those kept in backup folders.";
inline constexpr const char* kNoRequirements =
    "You have not selected any requirements for duplicate matches.  You must select at least one before scanning.";
inline constexpr const char* kNoFolders =
    "You have chosen to scan only within certain folders, however there are no folders currently selected to be "
    "scanned.  Please make sure that at least one folder exists in the list and is \"checked\" before scanning.";
inline constexpr const char* kRemoveItemQuestion =
    "Are you sure you wish to permanently remove the selected item?  This procedure cannot be reversed.\r\r"
    "If you would merely like to exclude this item you may do so by \"unchecking\" its corresponding box.";
inline constexpr const char* kGoneMessage = "The file you have selected no longer exists.";
inline constexpr const char* kReview = "Double-click a file to review";
inline constexpr const char* kStopHint = "Abort the current scan (may take a moment).";
inline constexpr const char* kStartHint = "Start scanning for duplicate files";
inline constexpr const char* kKeptMessage =
    "The following file(s) were not removed because no other identical copy of them remains in their group:";
inline constexpr const char* kScanBusy = "Please wait until the removal of the selected files has finished.";
inline constexpr const char* kStoppedRemoval = "the removal was stopped before its copy was compared";

inline std::string RelocatingLine(const std::string& path, const std::string& folder) {
  return "  Relocating: " + path + " to " + folder;
}

inline const shell::RemovalTexts kRemovalTexts{"&Move files to recycle bin",
                                               "&Permanently delete files",
                                               "M&ove files to this folder:",
                                               "&Confirm before removing files",
                                               "Choose the folder to move removed files to",
                                               170,
                                               &RelocatingLine,
                                               /*browseOnRefusal=*/false,
                                               /*inUseCheck=*/false,
                                               "When Removing Files..."};

// A result row's record: the file as listed and what its search proved of it.
struct DupeRow : scan::FileRow {
  FileKey key;
  bool haveKey = false;
  // The row whose bytes this file's were compared with, byte for byte, by the
  // search that listed both; only ever compared with, never read through.
  const scan::FileRow* provenWith = nullptr;
};

inline bool Unchanged(const DupeRow& row, const FileFacts& now) {
  const std::uint64_t written =
      (std::uint64_t(row.file.written.dwHighDateTime) << 32) | row.file.written.dwLowDateTime;
  return row.haveKey && now.key == row.key && now.size == row.file.size && now.written == written;
}

inline constexpr const char* kDroppedMessage =
    "Some lines of the list of duplicate files were incomplete or could not be read; the groups they belonged to "
    "have been left out.";

inline std::string DescriptionOf(const ui::ListView& list, int row) { return list.SubItem(row, 0); }

// "previous run on 1999-Mar-04 at 17:05:09"
inline std::string PreviousText(const char* words, const FILETIME& written) {
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  FILETIME local{};
  SYSTEMTIME st{};
  FileTimeToLocalFileTime(&written, &local);
  FileTimeToSystemTime(&local, &st);
  char text[96];
  snprintf(text, sizeof text, "%s %04u-%s-%02u at %02u:%02u:%02u", words, unsigned(st.wYear),
           kMonths[(st.wMonth + 11) % 12], unsigned(st.wDay), unsigned(st.wHour), unsigned(st.wMinute),
           unsigned(st.wSecond));
  return text;
}

}  // namespace velmora::dupes::form
