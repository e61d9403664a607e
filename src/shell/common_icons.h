// Index tables of the shared image lists (built by shell/artwork.h).
// The list views name their row icons by these indexes, so an index never moves;
// new icons go at the end.
#pragma once

namespace velmora::shell {

// ilCommon16 (CommonImageList), 16 x 16.
namespace common_icon {
inline constexpr int kEnabled = 0;         // start-up manager state image: item enabled (green tick)
inline constexpr int kDisabled = 1;        // start-up manager state image: item disabled (red bar)
inline constexpr int kFile = 2;            // a plain document
inline constexpr int kExcludeFolder = 3;   // duplicate finder lvExclude rows: a folder left out of scans
inline constexpr int kRegistryValue = 4;   // registry cleaner: a value referring to a missing file
inline constexpr int kSharedLibrary = 5;   // registry cleaner: an orphaned shared-DLL count
inline constexpr int kShortcut = 6;        // a shortcut (arrow)
inline constexpr int kProgram = 7;         // a program (window)
inline constexpr int kDrive = 8;           // a fixed disk
inline constexpr int kFolder = 9;          // duplicate finder lvFolders rows: a folder to scan
inline constexpr int kFilePattern = 10;    // duplicate finder lvFiles rows: a file-name pattern
inline constexpr int kJunkPattern = 11;    // junk cleaner pattern rows
inline constexpr int kExcludeFile = 12;    // duplicate finder lvXFiles rows: a file pattern left out
inline constexpr int kDelete = 13;         // remove (red cross)
inline constexpr int kSearch = 14;         // find / view (magnifier)
inline constexpr int kSchedule = 15;       // clock
inline constexpr int kHelp = 16;           // question mark
inline constexpr int kCount = 17;
}  // namespace common_icon

// ilIcons (IconsImageList), 16 x 16: rows of the shortcut finder and the
// uninstall entry cleaner.
namespace row_icon {
inline constexpr int kMissingFile = 0;    // shortcut to a missing file; uninstall entry (a program)
inline constexpr int kMissingFolder = 1;  // shortcut to a missing folder (target ends in "\")
inline constexpr int kBrokenLink = 2;     // a shortcut with a broken target
inline constexpr int kUninstaller = 3;    // an installed program's package
inline constexpr int kCount = 4;
}  // namespace row_icon

// The duplicate finder's own result list (DuplicateResultImageList): its first
// images, after which file icons are appended during a scan.
namespace dupe_icon {
inline constexpr int kFile = 0;    // a file that holds no icon of its own
inline constexpr int kBlank = 1;   // the blank row between groups (fully transparent)
inline constexpr int kGroup = 2;   // "---- Duplicate File Group ----" header rows
inline constexpr int kSpare = 3;   // reserved (a folder), kept with the first three
inline constexpr int kCount = 4;
}  // namespace dupe_icon

}  // namespace velmora::shell
