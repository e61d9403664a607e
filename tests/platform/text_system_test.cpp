// The window-free conversions and case table against the system's own: what a
// native build (and its fuzzing) checks is what the programs do on Windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <random>
#include <string>
#include <vector>

#include "platform/case_table.h"
#include "platform/text.h"

using namespace velmora;

namespace {

std::wstring SystemWiden(const std::string& s) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
  std::wstring out(size_t(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), out.data(), n);
  return out;
}

std::string SystemNarrow(const std::wstring& w) {
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string Hex(const std::string& s) {
  std::string out;
  char b[4];
  for (unsigned char c : s) snprintf(b, sizeof b, "%02X ", c), out += b;
  return out;
}

TEST(CaseTable, FixedTableIsTheSystemsUpperCase) {
  const std::vector<wchar_t> fixed = FixedUpperCaseTable();
  ASSERT_EQ(fixed.size(), 0x10000u);
  std::vector<wchar_t> system(0x10000);
  for (std::size_t i = 0; i < system.size(); ++i) system[i] = wchar_t(i);
  CharUpperBuffW(system.data(), DWORD(system.size()));
  int differences = 0;
  for (unsigned i = 0; i < 0x10000; ++i) {
    wchar_t unit = wchar_t(i), mapped = unit;
    LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, &unit, 1, &mapped, 1, nullptr, nullptr, 0);
    if (fixed[i] != system[i] || fixed[i] != mapped || UpperCaseTable()[i] != system[i]) {
      if (++differences <= 10)
        ADD_FAILURE() << std::hex << "U+" << i << ": fixed " << unsigned(fixed[i]) << ", CharUpperBuffW "
                      << unsigned(system[i]) << ", LCMapStringEx " << unsigned(mapped);
    }
  }
  EXPECT_EQ(differences, 0);
  EXPECT_EQ(fixed[L'a'], L'A');
  EXPECT_EQ(fixed[0x00E9], 0x00C9);  // é
  EXPECT_EQ(fixed[0x03C9], 0x03A9);  // ω
}

// Every code unit equals its upper case by the system's ordinal rule, and the
// table orders pairs as the rule does.
TEST(CaseTable, AgreesWithCompareStringOrdinal) {
  const wchar_t* table = UpperCaseTable();
  for (unsigned i = 0; i < 0x10000; ++i) {
    const wchar_t a = wchar_t(i), b = table[i];
    ASSERT_EQ(CompareStringOrdinal(&a, 1, &b, 1, TRUE), CSTR_EQUAL) << std::hex << i;
  }
  for (unsigned i = 0; i < 0x10000; i += 13)
    for (unsigned j = 0; j < 0x10000; j += 2039) {
      const std::wstring a(1, wchar_t(i)), b(1, wchar_t(j));
      const int r = CompareStringOrdinal(a.data(), 1, b.data(), 1, TRUE);
      ASSERT_EQ(CompareNoCaseW(a, b), r == CSTR_LESS_THAN ? -1 : r == CSTR_GREATER_THAN ? 1 : 0)
          << std::hex << i << " " << j;
    }
}

int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

TEST(CompareNoCase, AgreesWithTheSystemsOrdinalRule) {
  const std::vector<std::string> words = {"",         "a",        "A",         "ab",     "aB",    "a b",
                                          "a]",       "a_",       "[A]",       "[A B]",  "[A]x=1", "SETUP",
                                          "setup.exe", "SETUP A", "Z",         "~",      "\xC3\xA9",  // é
                                          "a\xC3\xA9", "A\xC3\x89", "a\xE2\x82\xAC", "ab\xC3\xA9",
                                          "\xF0\x9F\x98\x80", "\xEF\xBD\x81", "\xC7\x85"};
  for (const std::string& a : words)
    for (const std::string& b : words) {
      const std::wstring wa = SystemWiden(a), wb = SystemWiden(b);
      const int r = CompareStringOrdinal(wa.data(), int(wa.size()), wb.data(), int(wb.size()), TRUE);
      EXPECT_EQ(CompareNoCase(a, b), Sign(r - CSTR_EQUAL)) << a << " | " << b;
    }
}

// Well-formed and ill-formed UTF-8 (cut sequences, over-long forms,
// surrogates, bytes that never occur, code points past U+10FFFF) and lone
// surrogates: the replacements fall where the system puts them.
TEST(Conversion, AgreesWithTheSystemOnEveryKindOfInput) {
  std::vector<std::string> inputs = {"",
                                     "plain",
                                     "\xC3\xA9t\xC3\xA9",
                                     "\xE2\x82\xAC",
                                     "\xF0\x9F\x98\x80",
                                     "\xE2\x82",
                                     "\xE2\x82xyz",
                                     "\xF0\x9F\x98",
                                     "\xC0\xAF",
                                     "\xE0\x80\xAF",
                                     "\xE0\x9F\xBF",
                                     "\xED\xA0\x80",
                                     "\xED\xBF\xBF",
                                     "\xF4\x90\x80\x80",
                                     "\xF5\x80\x80\x80",
                                     "\xF8\x88\x80\x80\x80",
                                     "\xFE\xFF",
                                     "\x80",
                                     "\xBF\x80",
                                     "a\xC3",
                                     "\xC3zzz",
                                     "\xC2\xC2\xA9",
                                     "\xF0\x80\x80\x80",
                                     "\xF1\x80\x80",
                                     "\xEF\xBB\xBF" "bom",
                                     std::string("nul\0inside", 10)};
  std::mt19937 random(21);
  const std::string alphabet = std::string("a\x80\xBF\xC2\xC3\xDF\xE0\xE2\xED\xEF\xF0\xF4\xF5\xFF\x9F\xA0\x90\x8F", 18);
  for (int k = 0; k < 3000; ++k) {
    std::string s;
    const int length = int(random() % 12);
    for (int i = 0; i < length; ++i) s += alphabet[random() % alphabet.size()];
    // Three plain bytes at the end: no sequence runs into the end of the text,
    // where Wine also drops the bytes after a cut sequence (see Widen).
    inputs.push_back(s + "zzz");
  }
  for (const std::string& s : inputs) {
    const std::wstring ours = Widen(s), system = SystemWiden(s);
    ASSERT_EQ(ours, system) << Hex(s);
    ASSERT_EQ(Narrow(ours), SystemNarrow(system)) << Hex(s);
  }
  std::vector<std::wstring> wides = {L"", L"x", std::wstring(1, wchar_t(0xD800)), std::wstring(1, wchar_t(0xDFFF)),
                                     std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)},
                                     std::wstring{wchar_t(0xDE00), wchar_t(0xD83D)},
                                     std::wstring{wchar_t(0xD83D), L'a', wchar_t(0xDE00)}, std::wstring(1, wchar_t(0xFFFF))};
  for (int k = 0; k < 3000; ++k) {
    std::wstring w;
    const int length = int(random() % 8);
    static const wchar_t units[] = {L'a', 0x7F, 0x80, 0x7FF, 0x800, 0xD7FF, 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFFFF};
    for (int i = 0; i < length; ++i) w += units[random() % (sizeof units / sizeof units[0])];
    wides.push_back(w);
  }
  for (const std::wstring& w : wides) ASSERT_EQ(Narrow(w), SystemNarrow(w)) << Hex(Narrow(w));
}

}  // namespace
