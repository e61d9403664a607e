// Win.ini's program lists as whole tokens (window-free: also built natively).
#include "tools/startup/winini_tokens.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velmora::startup;

namespace {

TEST(WinIniTokens, WholeTokensOnly) {
  EXPECT_EQ((std::vector<std::string>{"a.exe", "b.exe"}), SplitTokens("  a.exe   b.exe "));
  EXPECT_TRUE(SplitTokens("   ").empty());
  bool removed = false;
  EXPECT_EQ("a.exe.bak", RemoveToken("a.exe.bak a.exe", "a.exe", &removed));
  EXPECT_TRUE(removed);
  EXPECT_EQ("a.exe.bak a.exe", RemoveToken("a.exe.bak a.exe", "b.exe", &removed));
  EXPECT_FALSE(removed);
  EXPECT_EQ("x.exe y.exe", RemoveToken("x.exe  a.exe y.exe ", "a.exe"));
  EXPECT_EQ("b.exe", AppendToken("", "b.exe"));
  EXPECT_EQ("a.exe b.exe", AppendToken("a.exe ", "b.exe"));
  EXPECT_EQ("app.exe", TokenProgramName("C:\\TOOLS\\app.exe"));
}

}  // namespace
