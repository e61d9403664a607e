// The undo journal's session file: what it holds reads back exactly, a
// damaged file is refused whole, and the keeping rule.
#include "tools/regclean/undo_journal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velmora::regclean;

namespace {

std::vector<std::uint8_t> Sz(std::u16string_view s) {
  std::vector<std::uint8_t> out;
  for (char16_t c : s) {
    out.push_back(std::uint8_t(c & 0xFF));
    out.push_back(std::uint8_t(c >> 8));
  }
  out.insert(out.end(), {0, 0});
  return out;
}

RegFileValue Value(std::u16string name, std::uint32_t type, std::vector<std::uint8_t> data) {
  RegFileValue v;
  v.isDefault = name.empty();
  v.name = std::move(name);
  v.type = type;
  v.data = std::move(data);
  return v;
}

JournalSession Sample() {
  JournalSession s;
  s.date = "2026-12-09 10:11:12";
  s.tool = "Start-up Manager";
  s.what = "Disabled \xC3\xA9l\xC3\xA8ve";  // UTF-8 kept through UTF-16
  s.count = 3;
  s.state = JournalState::Done;
  s.removed = {{u"HKEY_CURRENT_USER\\Software\\A", {Value(u"Run \"me\"", regtype::kExpandSz, Sz(u"%SystemRoot%\\x.exe")),
                                                    Value(u"", regtype::kSz, Sz(u"default")),
                                                    Value(u"Bin", regtype::kBinary, std::vector<std::uint8_t>(200, 7))}},
               {u"HKEY_LOCAL_MACHINE\\Software\\Uninst\\App", {Value(u"DisplayName", regtype::kSz, Sz(u"App"))}},
               {u"HKEY_LOCAL_MACHINE\\Software\\Uninst\\App\\Sub", {}}};
  s.removedKeys = {u"HKEY_LOCAL_MACHINE\\Software\\Uninst\\App"};
  std::vector<std::uint8_t> link(300);
  for (std::size_t i = 0; i < link.size(); ++i) link[i] = std::uint8_t(i * 7);
  s.removedFiles = {{u"C:\\Start Menu\\StartUp\\Tool.lnk", link}, {u"C:\\empty.lnk", {}}};
  s.addedFiles = {{u"C:\\Parked\\Tool.lnk", link}};
  s.removedIni = {{u"C:\\windows\\win.ini", u"Windows", u"Run", u"C:\\PROGRA~1\\a.exe"}};
  s.addedIni = {{u"C:\\windows\\win.ini", u"SS_Disabled", u"Run", u"C:\\PROGRA~1\\a.exe"}};
  s.added = {{u"HKEY_CURRENT_USER\\Software\\A\\Disabled",
              {Value(u"Run \"me\"", regtype::kExpandSz, Sz(u"%SystemRoot%\\x.exe"))}}};
  return s;
}

std::string Utf16File(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += char(c & 0xFF);
    bytes += char(c >> 8);
  }
  return bytes;
}

std::u16string Text(const std::string& bytes) {
  std::u16string t;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
    t += char16_t(std::uint8_t(bytes[i]) | (std::uint8_t(bytes[i + 1]) << 8));
  return t;
}

}  // namespace

TEST(UndoJournal, ASessionReadsBackExactlyAndIsARegistryFileForItsRegistryPart) {
  const JournalSession s = Sample();
  const std::string bytes = WriteJournal(s);
  const JournalParse p = ParseJournal(bytes);
  ASSERT_TRUE(p.session) << p.problem;
  const JournalSession& r = *p.session;
  EXPECT_EQ(r.date, s.date);
  EXPECT_EQ(r.tool, s.tool);
  EXPECT_EQ(r.what, s.what);
  EXPECT_EQ(r.count, 3);
  EXPECT_EQ(r.state, JournalState::Done);
  ASSERT_EQ(r.removed.size(), 3u);
  EXPECT_EQ(r.removed[0].path, s.removed[0].path);
  ASSERT_EQ(r.removed[0].values.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(r.removed[0].values[i].name, s.removed[0].values[i].name);
    EXPECT_EQ(r.removed[0].values[i].isDefault, s.removed[0].values[i].isDefault);
    EXPECT_EQ(r.removed[0].values[i].type, s.removed[0].values[i].type);
    EXPECT_EQ(r.removed[0].values[i].data, s.removed[0].values[i].data);
  }
  EXPECT_EQ(r.removed[2].path, s.removed[2].path);
  EXPECT_EQ(r.removedKeys, s.removedKeys);
  ASSERT_EQ(r.removedFiles.size(), 2u);
  EXPECT_EQ(r.removedFiles[0].path, s.removedFiles[0].path);
  EXPECT_EQ(r.removedFiles[0].bytes, s.removedFiles[0].bytes);
  EXPECT_TRUE(r.removedFiles[1].bytes.empty());
  ASSERT_EQ(r.addedFiles.size(), 1u);
  EXPECT_EQ(r.addedFiles[0].bytes, s.addedFiles[0].bytes);
  ASSERT_EQ(r.removedIni.size(), 1u);
  EXPECT_EQ(r.removedIni[0].token, u"C:\\PROGRA~1\\a.exe");
  EXPECT_EQ(r.removedIni[0].section, u"Windows");
  ASSERT_EQ(r.addedIni.size(), 1u);
  EXPECT_EQ(r.addedIni[0].section, u"SS_Disabled");
  ASSERT_EQ(r.added.size(), 1u);
  EXPECT_EQ(r.added[0].path, s.added[0].path);
  ASSERT_EQ(r.added[0].values.size(), 1u);
  EXPECT_EQ(r.added[0].values[0].type, regtype::kExpandSz);
  EXPECT_EQ(r.added[0].values[0].data, s.added[0].values[0].data);

  // The registry editor sees only what was removed: the added value hides in comments.
  const ParseResult asReg = ParseRegFile(bytes);
  ASSERT_TRUE(asReg.file);
  EXPECT_EQ(asReg.file->keys.size(), 3u);
  EXPECT_EQ(asReg.file->valueCount, 4u);
  const std::u16string text = Text(bytes);
  EXPECT_EQ(text.rfind(u"Windows Registry Editor Version 5.00\r\n", 0), 0u);

  // The index alone, from the file's head.
  const auto index = ParseJournalIndex(bytes.substr(0, 400));
  ASSERT_TRUE(index);
  EXPECT_EQ(index->tool, "Start-up Manager");
  EXPECT_EQ(index->count, 3);
}

TEST(UndoJournal, AnUndoneSessionKeepsItsDateAndEveryStateReadsBack) {
  for (JournalState st : {JournalState::Planned, JournalState::Done, JournalState::Undone}) {
    JournalSession s = Sample();
    s.state = st;
    s.undoneDate = "2026-12-10 08:00:00";
    const JournalParse p = ParseJournal(WriteJournal(s));
    ASSERT_TRUE(p.session) << p.problem;
    EXPECT_EQ(p.session->state, st);
    EXPECT_EQ(p.session->undoneDate, st == JournalState::Undone ? s.undoneDate : "");
  }
}

TEST(UndoJournal, ADamagedFileIsRefusedWhole) {
  const std::string good = WriteJournal(Sample());
  const std::u16string text = Text(good);
  auto edited = [&text](std::u16string_view from, std::u16string_view to) {
    std::u16string t = text;
    const std::size_t at = t.find(from);
    EXPECT_NE(at, std::u16string::npos);
    t.replace(at, from.size(), to);
    return Utf16File(t);
  };
  const std::vector<std::pair<const char*, std::string>> damaged = {
      {"cut in the index", good.substr(0, 200)},
      {"cut before the end mark", Utf16File(text.substr(0, text.find(u"; End of session")))},
      {"cut in the registry part", good.substr(0, good.size() - 10)},
      {"odd byte count", good.substr(0, good.size() - 1)},
      {"no byte-order mark", good.substr(2)},
      {"not a session", Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n")},
      {"bad state", edited(u"; State: done", u"; State: maybe")},
      {"bad count", edited(u"; Count: 3", u"; Count: -3")},
      {"bad bytes", edited(u"; Bytes: 00", u"; Bytes: 0g")},
      {"bytes without a file", edited(u"; Ini-: ", u"; Bytes: 00\r\n; Ini-: ")},
      {"a Win.ini entry cut", edited(u"\tSS_Disabled\tRun\t", u"\tSS_Disabled\t")},
      {"an unknown line", edited(u"; Key-: ", u"; Kez-: ")},
      {"a removed key not held", edited(u"; Key-: HKEY_LOCAL_MACHINE\\Software\\Uninst\\App",
                                        u"; Key-: HKEY_LOCAL_MACHINE\\Software\\Other")},
      {"an added value that does not read", edited(u"; + \"Run", u"; + \"Run\"\"=")},
      {"a stray comment after the end", edited(u"[HKEY_CURRENT_USER\\Software\\A]", u"; File-: C:\\x\r\n[HKEY_CURRENT_USER\\Software\\A]")},
      {"a deletion line", edited(u"[HKEY_CURRENT_USER\\Software\\A]", u"[-HKEY_CURRENT_USER\\Software\\A]")},
      {"an index line missing", edited(u"; Tool: Start-up Manager\r\n", u"")},
      // Found by the fuzz target: text the writer could not write back.
      {"a carriage return inside a Win.ini entry", edited(u"\tSS_Disabled\tRun", u"\tSS_\rDisabled\tRun")},
      {"a tab in a file's path", edited(u"\tC:\\Parked", u"\tC:\\Par\tked")},
      {"a tab in the tool's name", edited(u"; Tool: Start-up", u"; Tool: Start-\tup")},
  };
  for (const auto& [what, bytes] : damaged) {
    const JournalParse p = ParseJournal(bytes);
    EXPECT_FALSE(p.session) << what;
    EXPECT_FALSE(p.problem.empty()) << what;
  }
  EXPECT_TRUE(ParseJournal(good).session);
}

TEST(UndoJournal, WhatCannotBeRecordedIsSaidSo) {
  EXPECT_TRUE(JournalCanHold(u"C:\\Program Files\\a b.lnk"));
  EXPECT_FALSE(JournalCanHold(u"Software\\Bad\nName"));
  EXPECT_FALSE(JournalCanHold(u"a\tb"));
  EXPECT_EQ(ToUtf8(FromUtf8("caf\xC3\xA9 \xF0\x9F\x98\x80")), "caf\xC3\xA9 \xF0\x9F\x98\x80");
  EXPECT_EQ(FromUtf8("\xF0\x9F\x98\x80").size(), 2u);
}

TEST(UndoJournal, SessionsAreKeptForTheLastThirtyOrNinetyDaysWhicheverKeepsMore) {
  // 40 sessions, one a week: the newest 30 stay whatever their age.
  std::vector<std::pair<std::string, double>> weekly;
  for (int i = 0; i < 40; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "s%03d.reg", i);
    weekly.emplace_back(name, double((39 - i) * 7));
  }
  const auto pruned = SessionsToPrune(weekly);
  ASSERT_EQ(pruned.size(), 10u);
  EXPECT_EQ(pruned.front(), "s000.reg");
  EXPECT_EQ(pruned.back(), "s009.reg");
  // 50 sessions in the last 90 days: all stay; one older goes.
  std::vector<std::pair<std::string, double>> busy;
  for (int i = 0; i < 50; ++i) busy.emplace_back("b" + std::to_string(100 + i), 89.0 - i);
  EXPECT_TRUE(SessionsToPrune(busy).empty());
  busy.emplace_back("a-old", 91.0);
  EXPECT_EQ(SessionsToPrune(busy), std::vector<std::string>{"a-old"});
}
