// The window-free text rules (also built natively; text_system_test.cpp
// compares them with the system's under Wine).
#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/case_table.h"

using namespace velmora;

namespace {

TEST(CompareNoCase, OrdersByUpperCasedCodeUnits) {
  EXPECT_EQ(CompareNoCase("SETUP", "setup.exe"), -1);  // a prefix sorts first
  EXPECT_EQ(CompareNoCase("a]", "A_"), -1);  // code units, after upper-casing letters only
  EXPECT_EQ(CompareNoCase("\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89"), 0);  // été = ÉTÉ
  EXPECT_EQ(CompareNoCase("z", "\xC3\xA9"), -1);
  EXPECT_EQ(CompareNoCase("\xF0\x9F\x98\x80", "\xEF\xBF\xBF"), -1);  // surrogates sort below U+FFFF
  EXPECT_TRUE(EqualNoCase("Program Files", "PROGRAM FILES"));
  EXPECT_FALSE(EqualNoCase("a", "a "));
  // The ASCII shortcut and the wide comparison agree.
  const std::vector<std::string> words = {"", "a", "A", "ab", "a b", "a]", "a_", "[A]x=1", "~", "\xC3\xA9", "A\xC3\x89"};
  for (const std::string& a : words)
    for (const std::string& b : words) {
      const int w = CompareNoCaseW(Widen(a), Widen(b));
      EXPECT_EQ(CompareNoCase(a, b), w < 0 ? -1 : w > 0 ? 1 : 0) << a << " | " << b;
    }
}

TEST(Conversion, RoundTripsWellFormedText) {
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";
  const std::wstring w = Widen(text);
  ASSERT_EQ(w.size(), 6u);  // UTF-16 code units, whatever the width of wchar_t
  EXPECT_EQ(unsigned(w[2]), 0x20ACu);
  EXPECT_EQ(unsigned(w[3]), 0xD83Du);
  EXPECT_EQ(unsigned(w[4]), 0xDE00u);
  EXPECT_EQ(Narrow(w), text);
}

TEST(Conversion, ReplacesEachBrokenPartOnce) {
  const std::string fffd = "\xEF\xBF\xBD";
  EXPECT_EQ(Narrow(Widen("\xE2\x82")), fffd);            // a cut sequence: one
  EXPECT_EQ(Narrow(Widen("\xE2\x82x")), fffd + "x");     // the breaking byte is read again
  EXPECT_EQ(Narrow(Widen("\xFF\xFE")), fffd + fffd);     // bytes that never occur: one each
  EXPECT_EQ(Narrow(Widen("\xC0\xAF")), fffd + fffd);     // an over-long form
  EXPECT_EQ(Narrow(Widen("\xE0\x80\xAF")), fffd + fffd);       // over-long, shown by its second byte
  EXPECT_EQ(Narrow(Widen("\xED\xA0\x80")), fffd + fffd);       // an encoded surrogate
  EXPECT_EQ(Narrow(Widen("\xF4\x90\x80\x80")), fffd + fffd + fffd);  // past U+10FFFF
  EXPECT_EQ(Narrow(Widen("ab\xE2")), "ab" + fffd);  // cut by the end
  EXPECT_EQ(Narrow(Widen("\xE2z")), fffd + "z");   // cut by the end, and what follows kept
  EXPECT_EQ(Narrow(std::wstring(1, wchar_t(0xD800))), fffd);  // a lone surrogate
  EXPECT_EQ(Narrow(std::wstring{wchar_t(0xDE00), wchar_t(0xD83D)}), fffd + fffd);
}

TEST(CaseTable, FoldsLettersOfSeveralScripts) {
  EXPECT_EQ(UpperCase("abc\xC3\xA9\xCF\x89\xD0\xB6"), "ABC\xC3\x89\xCE\xA9\xD0\x96");  // éωж
  EXPECT_EQ(UpperCase("\xEF\xBD\x81"), "\xEF\xBC\xA1");  // fullwidth a
  EXPECT_EQ(UpperCase("\xC3\x9F"), "\xC3\x9F");  // ß has no one-unit upper case
  EXPECT_EQ(UpperCase("1-_ \xE6\x97\xA5"), "1-_ \xE6\x97\xA5");
  const std::vector<wchar_t> fixed = FixedUpperCaseTable();
  for (unsigned c = 0; c < 0x80; ++c) EXPECT_EQ(unsigned(fixed[c]), c >= 'a' && c <= 'z' ? c - 32 : c);
}

}  // namespace
