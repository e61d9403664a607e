#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velmora;

namespace {

int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

// The ASCII shortcut must order exactly as the system's ordinal rule does,
// also where it hands over to it (a non-ASCII character after a common part).
TEST(CompareNoCase, AgreesWithTheSystemsOrdinalRule) {
  const std::vector<std::string> words = {"",         "a",        "A",         "ab",     "aB",    "a b",
                                          "a]",       "a_",       "[A]",       "[A B]",  "[A]x=1", "SETUP",
                                          "setup.exe", "SETUP A", "Z",         "~",      "\xC3\xA9",  // é
                                          "a\xC3\xA9", "A\xC3\x89", "a\xE2\x82\xAC", "ab\xC3\xA9"};
  for (const std::string& a : words)
    for (const std::string& b : words)
      EXPECT_EQ(CompareNoCase(a, b), Sign(CompareNoCaseW(Widen(a), Widen(b)))) << a << " | " << b;
  EXPECT_EQ(CompareNoCase("SETUP", "setup.exe"), -1);  // a prefix sorts first
  EXPECT_EQ(CompareNoCase("a]", "A_"), -1);  // code units, after upper-casing letters only
}

}  // namespace
