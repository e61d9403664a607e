// The undo journal on disk: the "Undo" folder of the data folder, one session
// file per removal session (undo_journal.h has the format). A tool records
// each item before it acts, writes the session before the first removal,
// marks what really went and finishes; the file is then rewritten (under a
// temporary name, then renamed) with only what went. The next scan of a tool
// replaces nothing here, so a removal stays undoable.
//
// The registry cleaner, the uninstall cleaner and the start-up manager share
// it; the log viewer lists and undoes sessions through the handler the
// program sets (shell/undo_page.h).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "shell/undo_page.h"
#include "tools/regclean/undo_journal.h"

namespace velmora::regclean {

// The data folder's "Undo\" (ends in "\").
std::string UndoFolder();

class UndoRecorder {
 public:
  // `folder` is the journal's folder (UndoFolder() unless a test gives its own).
  UndoRecorder(std::string tool, std::string what, std::string folder = UndoFolder());

  // Each Add starts one item and returns its number for Went(); -1 when it
  // cannot be recorded, and then it must not be removed.
  int AddValue(const std::u16string& rootName, const std::u16string& keyPath, const RegFileValue& value);
  // The value as it is now (-1 when it is absent or cannot be read).
  int AddCurrentValue(const std::u16string& rootName, const std::u16string& keyPath, const std::u16string& name);
  // A key with everything below it, as it is now.
  int AddKeyTree(const std::u16string& rootName, const std::u16string& keyPath);
  int AddFile(const std::string& path);
  int AddIni(const std::string& file, const std::string& section, const std::string& key, const std::string& token);
  int AddNothing();  // an item that only adds (a new start-up entry)

  // More of an item: something else it takes away, or what it puts in place
  // (removed again by an undo while it is still what was written). False when
  // it cannot be recorded.
  bool AlsoValue(int item, const std::u16string& rootName, const std::u16string& keyPath, const std::u16string& name);
  bool AlsoFile(int item, const std::string& path);
  bool AddedValue(int item, const std::u16string& rootName, const std::u16string& keyPath, const RegFileValue& value);
  bool AddedCurrentValue(int item, const std::u16string& rootName, const std::u16string& keyPath,
                         const std::u16string& name);
  bool AddedFile(int item, const std::string& path);
  // The file that will be at `path` once `source` is moved there (its bytes
  // as they are now): recorded before the move, so a session cut short
  // after the move still undoes it.
  bool AddedFileFrom(int item, const std::string& path, const std::string& source);
  bool AddedIni(int item, const std::string& file, const std::string& section, const std::string& key,
                const std::string& token);

  // Writes the session with every item as planned. False (with error()) when
  // it cannot be written: then nothing may be removed.
  bool Begin();
  void Went(int item);
  // Rewrites the session with what went, or removes it when nothing did.
  bool Finish();

  std::size_t items() const { return items_.size(); }
  const std::string& path() const { return path_; }
  unsigned long error() const { return error_; }

 private:
  struct Item {
    std::vector<RegFileKey> removed, added;
    std::vector<std::u16string> removedKeys;
    std::vector<JournalFile> removedFiles, addedFiles;
    std::vector<JournalIni> removedIni, addedIni;
    bool went = false;
  };
  JournalSession Build(bool planned) const;
  bool Save(const JournalSession& s);
  std::string tool_, what_, folder_, path_;
  std::vector<Item> items_;
  unsigned long error_ = 0;
};

struct UndoReport {
  bool damaged = false;    // the session file is refused whole: nothing was written
  std::string problem;     // why it is damaged
  int restored = 0;        // keys, values, files and tokens written back
  int alreadyThere = 0;    // left as they are
  int takenBack = 0;       // what the session had added, removed again
  int keysMade = 0;        // keys that were gone and were made again to hold what came back
  int failed = 0;
  std::vector<std::string> failures;  // what could not be written, and why
  bool ok() const { return !damaged && failed == 0; }
};

// Undoes one session: first removes what it added while that is still what
// it wrote, then writes back what it removed where that is absent now (never
// over anything, asking for write access only where it writes). A session
// undone in full is marked undone.
UndoReport UndoJournalSession(const std::string& path);

struct JournalEntry {
  std::string path;
  JournalSession index;  // the index line only
  bool damaged = false;
};
// The folder's sessions, newest first; a file that is no session is listed damaged.
std::vector<JournalEntry> ListJournal(const std::string& folder = UndoFolder());
// Removes the sessions beyond the last 30 that are older than 90 days.
void PruneJournal(const std::string& folder = UndoFolder());

// The report of an undo as the user reads it.
std::string UndoReportText(const UndoReport& report);
// The journal as the log viewer's Undo page uses it.
shell::UndoJournalAccess JournalAccess(const std::string& folder = UndoFolder());

}  // namespace velmora::regclean
