// The programs Windows starts by itself, from every place they can be: the
// Run-type registry keys (the machine's 32-bit ones too), the "Run" and "Load"
// entries of Win.ini's [Windows] section, and the user's and all users'
// StartUp folders. Switching an item off parks it where Windows does not look
// (a "Disabled" sub-key, Win.ini's [SS_Disabled] section, a folder of the
// program); current Windows also switches items off in place with a
// start-up approval mark, which is read and cleared here.
//
// Every move writes the destination, checks it, and only then removes the
// source: a refused write never loses an item.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace velmora::regclean {
class UndoRecorder;
}

namespace velmora::startup {

enum class Source { Registry, WinIniRun, WinIniLoad, UserFolder, CommonFolder };

inline const char* const kUserFolderLocation = "StartUp Folder";
inline const char* const kCommonFolderLocation = "All Users StartUp Folder";
inline const char* const kWinIniRunLocation = "Win.ini: \"Run\" Section";
inline const char* const kWinIniLoadLocation = "Win.ini: \"Load\" Section";

// One Run-type key: its root, the path shown (with its leading "\") and the
// approval list that marks its items ("" for none).
struct RegistrySource {
  HKEY root;
  const char* rootName;
  const char* keyPath;
  const char* approval;
};
// The seven keys, then the machine's 32-bit Run and RunOnce.
const std::vector<RegistrySource>& RegistrySources();

struct StartupItem {
  Source source = Source::Registry;
  bool parked = false;  // in the place Windows does not read
  bool marked = false;  // in its place, but an approval mark switches it off
  int registry = -1;    // index in RegistrySources()
  std::string name;     // exact value name, or file name with its extension
  std::string token;    // Win.ini token
  std::string target;   // a shortcut's target as stored ("" for none)
  std::string programName, commandLine, location;
  bool enabled() const { return !parked && !marked; }
};

// Where the items live. The system's places come from SystemPlaces(); tests
// give their own folders, Win.ini file and INI accessors.
struct StartupPlaces {
  std::string winIni;
  std::string userFolder;    // ends in "\"; "" when unknown: that source is skipped
  std::string commonFolder;  // likewise
  std::string parkedFolder;  // the program folder's "StartUp\Disabled\"
  std::string parkedCommonFolder;
  std::function<std::string(const std::string& section, const std::string& key)> readIni;
  std::function<bool(const std::string& section, const std::string& key, const std::string& value)> writeIni;
};
StartupPlaces SystemPlaces();

class StartupItems {
 public:
  explicit StartupItems(StartupPlaces places);

  const StartupPlaces& places() const { return places_; }

  // Every item, enabled places first, each source in its order.
  std::vector<StartupItem> Read() const;

  // The outcome of a change: the message to show ("" when none) and, for a
  // folder item, the file names that moved (shortcuts to the same program go
  // along). `changed` tells whether the item itself is now in the new state.
  struct Change {
    bool changed = false;
    std::string message;
    std::vector<std::string> movedFiles;
  };
  Change SetEnabled(const StartupItem& item, bool enable);

  // Deletes the item where it is (its approval mark too). "" when it is gone;
  // otherwise the message to show, and `accessDenied` when the registry refused.
  std::string Delete(const StartupItem& item, bool* accessDenied = nullptr);

  // Writes a new item in its enabled or parked place; refuses an existing name
  // there. "" on success, else the message to show.
  struct NewItem {
    int location = 0;  // the editor's location entry
    bool enabled = true;
    std::string description, commandLine;
    // For a folder item: the old shortcut whose other fields are kept.
    std::string basedOnShortcut;
  };
  std::string Write(const NewItem& item, const StartupItem* replacing = nullptr);
  // The item the editor's entry and description would make (for the row).
  StartupItem ItemFor(const NewItem& item) const;
  // Whether an item of that name is already in that place.
  bool Exists(int location, bool enabled, const std::string& description) const;

  // The folder of a folder source's enabled or parked place ("" when unknown).
  std::string FolderOf(Source source, bool parked) const;

  // Shortcut targets of a folder, read once per batch of changes.
  void ClearCache() { targets_.clear(); }

  // The undo journal of the command under way (nullptr: none). With one,
  // every change is recorded before it is made, and a change the journal
  // cannot record is not made.
  void SetJournal(regclean::UndoRecorder* journal) { journal_ = journal; }

 private:
  const std::map<std::string, std::string>& Targets(const std::string& folder);
  Change MoveRegistry(const StartupItem& item, bool enable);
  Change MoveWinIni(const StartupItem& item, bool enable);
  Change MoveFolder(const StartupItem& item, bool enable);
  // Records the item's own value, file or token (and its approval mark)
  // as about to go; the journal item, or -1 when it cannot be recorded.
  int RecordRemoval(const StartupItem& item);
  std::string DeleteRecorded(const StartupItem& item, bool* accessDenied);
  // A new item's journal entry: nothing of its own to keep, only the approval
  // mark of its name as it is now.
  int RecordNew(const StartupItem& item);
  // After a change: records what now stands in the item's place (with
  // `markOnly`, its approval mark alone: the rest was planned before).
  void RecordAdded(int entry, const StartupItem& item, bool markOnly = false);
  bool Begin();
  void Went(int entry);
  StartupPlaces places_;
  regclean::UndoRecorder* journal_ = nullptr;
  std::map<std::string, std::map<std::string, std::string>> targets_;  // folder -> file name -> target
};

// The approval mark: bit 0 of the first byte set means switched off.
bool MarkSaysDisabled(const std::vector<std::uint8_t>& mark);
// The mark switched on again: bit 0 cleared, the time of the change (bytes 4
// to 11) zeroed, the rest kept.
std::vector<std::uint8_t> ClearedMark(std::vector<std::uint8_t> mark);

}  // namespace velmora::startup
