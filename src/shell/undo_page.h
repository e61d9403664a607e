// What the log viewer's Undo page needs of the undo journal: the sessions and
// the undo of one. The journal belongs to the tools that remove (a layer above
// this one), so the program hands it over at start-up.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace velmora::shell {

// One removal session as the Undo page lists it.
struct UndoEntry {
  std::string path;  // the session file
  std::string date, tool, what;
  int count = 0;
  bool undone = false;
  bool complete = true;  // false: the tool ended before it recorded what went
  bool damaged = false;  // the file does not read back whole: it cannot be undone
};

struct UndoResult {
  bool ok = false;
  std::string text;  // what was restored, what was there, what could not be written and why
};

struct UndoJournalAccess {
  std::function<std::vector<UndoEntry>()> list;  // newest first
  std::function<UndoResult(const std::string& path)> undo;
};

void SetUndoJournalAccess(UndoJournalAccess access);
// Empty functions when the program set none.
const UndoJournalAccess& UndoJournal();

}  // namespace velmora::shell
