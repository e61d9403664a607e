// The undo journal's session file: what one removal session of a tool took
// away (registry keys and values, shortcut files, Win.ini tokens) and what it
// put in their place (a parked copy of a start-up item), exactly, so an undo
// can write back only that session's items.
//
// A session file is a registry export file ("Windows Registry Editor Version
// 5.00", UTF-16LE): its keys and values are what the session removed, so a
// double-click imports them into the registry editor. Everything else rides
// in comment lines the editor skips: the index line (date, tool, what, count,
// state), the files and tokens removed, and what the session added (as
// registry lines behind "; + ").
//
// Window-free and free of Win32 headers, so it can be built natively and
// fuzzed. A file that does not read back whole is refused whole: nothing of a
// damaged session is ever applied.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/regclean/reg_file.h"

namespace velmora::regclean {

struct JournalFile {
  std::u16string path;
  std::vector<std::uint8_t> bytes;
};

struct JournalIni {
  std::u16string file, section, key, token;
};

enum class JournalState { Planned, Done, Undone };

struct JournalSession {
  std::string date;  // "yyyy-mm-dd hh:mm:ss", local time
  std::string tool, what;
  int count = 0;  // the items the tool acted on, as its own count says
  JournalState state = JournalState::Planned;
  std::string undoneDate;  // set with Undone
  // Taken away: written back on undo where absent now (a key that is gone is
  // made again to hold its values). Keys removed whole are named in
  // removedKeys; their trees are in `removed`.
  std::vector<RegFileKey> removed;
  std::vector<std::u16string> removedKeys;
  std::vector<JournalFile> removedFiles;
  std::vector<JournalIni> removedIni;
  // Put in their place: removed on undo while they still are what was written.
  std::vector<RegFileKey> added;
  std::vector<JournalFile> addedFiles;
  std::vector<JournalIni> addedIni;
};

std::string JournalStateText(JournalState state);

// The whole file's bytes.
std::string WriteJournal(const JournalSession& session);

struct JournalParse {
  std::optional<JournalSession> session;
  std::string problem;  // why it was refused
};
JournalParse ParseJournal(std::string_view bytes);

// Reads only the index line (the first lines of a file are enough).
std::optional<JournalSession> ParseJournalIndex(std::string_view bytes);

// Session files are kept for the last `keepCount` sessions or `keepDays` days,
// whichever keeps more. Given every session's file name (names sort oldest
// first) and its age in days, the names to remove.
std::vector<std::string> SessionsToPrune(std::vector<std::pair<std::string, double>> sessions,
                                         std::size_t keepCount = 30, double keepDays = 90);

// Whether a path, key path or token can be recorded: no line break, no tab.
// What cannot be recorded must not be removed.
bool JournalCanHold(std::u16string_view text);

// UTF-8 and UTF-16 for the index texts and paths.
std::u16string FromUtf8(std::string_view text);
std::string ToUtf8(std::u16string_view text);

}  // namespace velmora::regclean
