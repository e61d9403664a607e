// TTreeScanner: the one folder-tree walker of the suite. A tool sets the starting
// folder and the file masks, attaches handlers and calls Scan; the scanner reports
// each folder it enters and each matching file in a fixed order:
//
//   folder F (OnDirectoryFound), F's matching files in sorted order (OnFileFound),
//   then each sub-folder's tree in sorted order, then OnDirectoryDone for F;
//   OnSearchDone once at the end, also after a stop.
//
// Names sort by their upper-cased UTF-16 code units (case-insensitive ordinal
// order); names equal but for case count once. Each folder is listed once and the
// masks are matched in the program on the long names (rules in scan/wildcard.h).
//
// It runs on the calling thread and lets pending window messages run at each
// folder, so a Stop command of the window arrives during the walk and clears
// `Running`; the walk tests `Running` at each folder's entry only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scan/wildcard.h"
#include "ui/app.h"

namespace velmora::scan {

// Folder listing rules, kept apart so they can be checked without a file system.
// A sub-folder is entered (or, when not recursive, reported) when this holds;
// `reparseTag` is the listing's tag of a reparse point (0 for other entries).
bool EntersFolder(unsigned long attributes, unsigned long reparseTag, bool findHiddenFolders);
// A file entry is matched against the masks when this holds.
bool ReportsFile(unsigned long attributes, bool findHiddenFiles);

// The files one walk saw that a later pass over the same tree wants (see
// TTreeScanner::SetRecording): the folders holding such files, in walk order,
// each with those files in the order the walk reports files.
struct WalkRecord {
  struct File {
    std::wstring name;
    std::uint64_t size;
    unsigned long attributes;
    std::uint64_t written;  // FILETIME as one number
    std::uint64_t accessed;
  };
  struct Folder {
    std::wstring path;  // ends in "\"
    std::vector<File> files;
  };
  std::string root;       // the recorded walk's initial directory
  bool complete = false;  // the walk ran to its end: no stop, no error
  bool recursive = true, findHiddenFiles = false, findHiddenFolders = false;
  std::vector<Folder> folders;
};

class TTreeScanner {
 public:
  using Event = std::function<void(TTreeScanner&)>;

  TTreeScanner();
  ~TTreeScanner();
  TTreeScanner(const TTreeScanner&) = delete;
  TTreeScanner& operator=(const TTreeScanner&) = delete;

  // A folder has been entered, or (when not recursive) a sub-folder has been seen.
  const Event& OnDirectoryFound() const { return onDirectoryFound_; }
  void SetOnDirectoryFound(Event e) { onDirectoryFound_ = std::move(e); }
  // All files and sub-folders of a folder have been handled.
  const Event& OnDirectoryDone() const { return onDirectoryDone_; }
  void SetOnDirectoryDone(Event e) { onDirectoryDone_ = std::move(e); }
  // The run has finished (also after a stop).
  const Event& OnSearchDone() const { return onSearchDone_; }
  void SetOnSearchDone(Event e) { onSearchDone_ = std::move(e); }
  // A matching file has been found.
  const Event& OnFileFound() const { return onFileFound_; }
  void SetOnFileFound(Event e) { onFileFound_ = std::move(e); }

  // Full path of the folder or file being reported; folders end in "\".
  const std::string& FileFound() const { return fileFound_; }
  // Size of the file being reported; 0 while a folder is reported.
  std::uint64_t FileSize() const { return fileSize_; }
  // The listing's attributes and last-write time (a FILETIME as one number) of
  // the file being reported; 0 while a folder is reported.
  unsigned long FileAttributes() const { return fileAttributes_; }
  std::uint64_t FileWritten() const { return fileWritten_; }
  // The listing's last access of the file being reported (a FILETIME as one number).
  std::uint64_t FileAccessed() const { return fileAccessed_; }
  // True from the start to the end of a run; stays true when a handler's
  // exception ended the run.
  bool SearchInProgress() const { return searchInProgress_; }

  const std::string& InitialDirectory() const { return initialDirectory_; }
  void SetInitialDirectory(std::string folder) { initialDirectory_ = std::move(folder); }

  // Read: the first mask of the sorted list, or empty. Write (ignored while a search
  // is in progress): the value becomes the only mask.
  std::string FileMask() const;
  void SetFileMask(std::string_view mask);
  // The whole mask list as comma text (scan/comma_text.h); writes ignored while a
  // search is in progress.
  std::string FileMaskCommaText() const;
  void SetFileMaskCommaText(std::string_view text);
  // The mask list: sorted case-insensitively, no two masks equal but for case.
  const std::vector<std::string>& Masks() const { return masks_; }

  bool Recursive() const { return recursive_; }
  void SetRecursive(bool on) { recursive_ = on; }
  bool FindHiddenFiles() const { return findHiddenFiles_; }
  void SetFindHiddenFiles(bool on) { findHiddenFiles_ = on; }
  bool FindHiddenFolders() const { return findHiddenFolders_; }
  void SetFindHiddenFolders(bool on) { findHiddenFolders_ = on; }

  // Set by Scan before the walk; clear it to stop. Tested at each folder's entry.
  bool Running = false;

  // Called at each folder before `Running` is tested; lets the window's pending
  // messages run. By default the forms layer's pump, at most every
  // ui::kPumpIntervalMs and always at the first folder of a run: a whole disk
  // has tens of thousands of folders, and a Stop still arrives at the next
  // folder once that time has passed. Replaceable: tests count folders with it.
  std::function<void()> ProcessMessages;

  // Runs one walk and returns when it is over; handlers run inside it and their
  // exceptions pass through. A call made from a handler of the same scanner while
  // it walks is ignored.
  void Scan();

  // While set, each run of Scan also keeps in `record` every file of its walk
  // for which `keep` holds, whatever the masks (the hidden-file rule applies).
  // One walk can so serve a second pass over the same tree. Null stops it.
  using KeepFile = std::function<bool(std::uint64_t size, unsigned long attributes)>;
  void SetRecording(WalkRecord* record, KeepFile keep);
  // True when `record` is a complete walk of what Scan would walk now: the same
  // initial directory, recursion and hidden rules.
  bool CanReplay(const WalkRecord& record) const;
  // A run like Scan over the recorded files instead of the disk: the messages
  // and the Running test at each recorded folder, the folder's report, its
  // recorded files that match the masks, OnDirectoryDone, and OnSearchDone at
  // the end. Only folders holding recorded files are reported.
  void Replay(const WalkRecord& record);

 private:
  struct Level;
  bool Enter(std::size_t depth);
  void ListFolder(Level& level);
  void Report(const Event& e);
  void SetFoundFromPath(std::size_t pathLength, std::wstring_view name);
  void SetFoundFile(std::uint64_t size, unsigned long attributes, std::uint64_t written, std::uint64_t accessed);
  void Record(const Level& level);
  void BeginRun();
  std::wstring StartFolder() const;
  void AddMask(std::string mask);

  Event onDirectoryFound_, onDirectoryDone_, onSearchDone_, onFileFound_;
  std::string fileFound_;
  std::uint64_t fileSize_ = 0;
  unsigned long fileAttributes_ = 0;
  std::uint64_t fileWritten_ = 0;
  std::uint64_t fileAccessed_ = 0;
  WalkRecord* record_ = nullptr;
  KeepFile keep_;
  bool searchInProgress_ = false;
  std::string initialDirectory_;
  std::vector<std::string> masks_;
  bool recursive_ = true;
  bool findHiddenFiles_ = false;
  bool findHiddenFolders_ = false;

  // Walk state. path_ is the folder being handled (ending in "\"); levels_[d] holds
  // the lists of the folder at depth d while it is handled, and is emptied after.
  bool walking_ = false;
  ui::MessagePump pump_;
  std::wstring path_;
  std::vector<std::unique_ptr<Level>> levels_;
  MaskSet compiled_;
  std::wstring folded_;  // scratch: the upper-cased name being matched
  std::wstring listPattern_;
  std::wstring scratch_;
};

}  // namespace velmora::scan
