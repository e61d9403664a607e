#include "shell/undo_page.h"

namespace velmora::shell {

namespace {
UndoJournalAccess& Access() {
  static UndoJournalAccess access;
  return access;
}
}  // namespace

void SetUndoJournalAccess(UndoJournalAccess access) { Access() = std::move(access); }

const UndoJournalAccess& UndoJournal() { return Access(); }

}  // namespace velmora::shell
