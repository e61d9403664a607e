// The readers of the browsers' stored files (window-free: also built natively).
#include "tools/eraser/browser_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

using namespace velmora::eraser;

namespace {

// An index header of exactly 500 bytes holding the given names among zeros and noise.
std::string IndexHeader(const std::vector<std::string>& names) {
  std::string h = "Client UrlCache MMF Ver 5.2";
  h.append(8, '\0');
  for (const std::string& n : names) {
    h += n;
    h.append(4, '\0');
  }
  h.resize(600, '\0');
  return h;
}

TEST(BrowserFiles, IndexNamesAreExactlyEightLettersOrDigits) {
  // The window slides over the non-zero bytes joined, so neighbouring texts
  // give candidates too (each is then checked as a folder); none holds a dot,
  // a separator or a byte outside ASCII letters and digits.
  const auto names = CacheIndexNames(IndexHeader({"ABCD1234", "..\\..\\x", "Q9W8E7R6", "ABCD1234"}));
  EXPECT_NE(std::find(names.begin(), names.end(), "ABCD1234"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "Q9W8E7R6"), names.end());
  EXPECT_EQ(1, std::count(names.begin(), names.end(), "ABCD1234"));
  for (const std::string& n : names) {
    EXPECT_EQ(8u, n.size()) << n;
    for (unsigned char c : n) EXPECT_TRUE(std::isalnum(c) && c < 0x80) << n;
  }
  EXPECT_EQ((std::vector<std::string>{"12345678", "23456789"}), CacheIndexNames(std::string("123456789")));
  EXPECT_TRUE(CacheIndexNames(std::string("\0\0..\0..\\..\\\0", 12)).empty());
  EXPECT_TRUE(CacheIndexNames("ABC\xC3\xA9" "DEFG").empty());
  EXPECT_TRUE(CacheIndexNames("short").empty());
}

TEST(BrowserFiles, TypedHistoryLinesGoAndTheRestKeepsItsOrderAndLineEnds) {
  const std::string prefs =
      "// Mozilla User Preferences\r\n"
      "user_pref(\"browser.url_history.URL_1\", \"http://a.example/\");\r\n"
      "user_pref(\"browser.startup.homepage\", \"x\");\r\n"
      "user_pref(\"browser.url_history.URL_2\", \"http://b.example/\");\n"
      "user_pref(\"mail.name\", \"y\");";
  EXPECT_EQ("// Mozilla User Preferences\r\nuser_pref(\"browser.startup.homepage\", \"x\");\r\n"
            "user_pref(\"mail.name\", \"y\");",
            RemoveTypedHistory(prefs).value());
  EXPECT_EQ(std::nullopt, RemoveTypedHistory("user_pref(\"mail.name\", \"y\");\r\n"));
  EXPECT_EQ(std::nullopt, RemoveTypedHistory(""));
}

}  // namespace
