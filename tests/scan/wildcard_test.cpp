#include "scan/wildcard.h"

#include <gtest/gtest.h>

#include <string>

#include "scan/comma_text.h"

namespace velmora::scan {
namespace {

struct Case {
  const char* mask;
  const char* name;
  bool matches;
};

// The masks the junk cleaner works with, and the corners of the listing's rules.
const Case kCases[] = {
    // "*" and "*.*" take every name.
    {"*", "readme", true},
    {"*", "a.b.c", true},
    {"*.*", "readme", true},
    {"*.*", ".profile", true},
    {"*.*", "a.b.c", true},
    {"**", "x.y", true},
    // "*" before a dot runs to the last dot.
    {"*.bak", "x.bak", true},
    {"*.bak", "a.b.bak", true},
    {"*.bak", ".bak", true},
    {"*.bak", "report.bakery", false},  // matched on Windows through its 8.3 alias; not here
    {"*.bak", "bak", false},
    {"*.bak", "x.bak.txt", false},
    {"*.tar", "a.tar.gz", false},
    {"*.gz", "a.tar.gz", true},
    {"*.tmp", "~WRL0001.tmp", true},
    {"*.tmp", "tmpfile.dat", false},
    // Letter case is ignored both ways, beyond ASCII too.
    {"*.TMP", "x.tmp", true},
    {"*.tmp", "X.TMP", true},
    {"MSCREATE.DIR", "mscreate.dir", true},
    {"\xc3\xa4nderung.*", "\xc3\x84NDERUNG.txt", true},  // "änderung.*" / "ÄNDERUNG.txt"
    // "~*.*": a leading tilde, with or without an extension.
    {"~*.*", "~WRL0001.tmp", true},
    {"~*.*", "~lock", true},
    {"~*.*", "~", true},
    {"~*.*", "~a.b.c", true},
    {"~*.*", "a~.txt", false},
    // "*.~*": an extension that starts with a tilde.
    {"*.~*", "doc.~mp", true},
    {"*.~*", "a.b.~c", true},
    {"*.~*", "doc.~", true},
    {"*.~*", "doc~", false},
    {"*.~*", "~doc", false},
    {"*.~*", "doc.m~p", false},
    // "*.??~": "?" takes one character, and nothing only at the end or before a dot.
    {"*.??~", "doc.do~", true},
    {"*.??~", "x.y.ab~", true},
    {"*.??~", "doc.b~", false},
    {"*.??~", "doc.~", false},
    {"*.??~", "doc.abc~", false},
    {"*.??~", "doc.do~.txt", false},
    // "*.---"
    {"*.---", "x.---", true},
    {"*.---", "x.--", false},
    {"*.---", "x.----", false},
    {"*.---", "---", false},
    // "0???????.nch": up to seven characters after the zero.
    {"0???????.nch", "01234567.nch", true},
    {"0???????.nch", "0abc.NCH", true},
    {"0???????.nch", "0.nch", true},
    {"0???????.nch", "012345678.nch", false},
    {"0???????.nch", "1234567.nch", false},
    {"0???????.nch", "01234567.nch.old", false},
    // A plain name.
    {"mscreate.dir", "mscreate.dir", true},
    {"mscreate.dir", "mscreate.dir.bak", false},
    {"mscreate.dir", "xmscreate.dir", false},
    {"mscreate.dir", "mscreate.di", false},
    // "?" elsewhere.
    {"a?c", "abc", true},
    {"a?c", "ac", false},
    {"ab?", "ab", true},
    {"ab??", "abc", true},
    {"a?.txt", "a.txt", true},
    {"a?.txt", "ab.txt", true},
    {"a?.txt", "abc.txt", false},
    {"?", "a", true},
    {"?", "ab", false},
    // A dot before a wildcard also matches the end of the name.
    {"a.*", "a", true},
    {"a.*", "a.x", true},
    {"a.*", "ab", false},
    {"a.?", "a", true},
    {"a.?", "a.b", true},
    {"a.?", "a.bc", false},
    // A trailing dot asks for names without an extension.
    {"*.", "readme", true},
    {"*.", "read.me", false},
    {"a.", "a", true},
    // A star not before a dot crosses dots.
    {"a*", "a.b.c", true},
    {"*c", "a.b.c", true},
    {"a*z", "a.z", true},
    {"a*z", "a.zz.y", false},
    // Nothing matches the empty mask.
    {"", "x", false},
    {"", "", false},
};

TEST(Wildcard, MatchesTheListingRules) {
  for (const Case& c : kCases)
    EXPECT_EQ(MatchesMask(c.mask, c.name), c.matches) << "mask \"" << c.mask << "\" name \"" << c.name << "\"";
}

TEST(Wildcard, LongMasksUseTheSameRules) {
  // Masks of 64 tokens and more take the general path; the rules do not change.
  const std::string stem(70, 'k');
  EXPECT_TRUE(MatchesMask(stem + ".tmp", stem + ".TMP"));
  EXPECT_FALSE(MatchesMask(stem + ".tmp", stem + "k.tmp"));
  EXPECT_TRUE(MatchesMask(stem + "*.t?p", stem + "xyz.tmp"));
  EXPECT_TRUE(MatchesMask(stem + "???.tmp", stem + "x.tmp"));
  EXPECT_FALSE(MatchesMask(stem + "???.tmp", stem + "wxyz.tmp"));
  EXPECT_TRUE(MatchesMask("*" + stem + ".*", "a" + stem));
  EXPECT_FALSE(MatchesMask("*." + stem, "x." + stem + ".y"));
  EXPECT_TRUE(MatchesMask("*." + stem, "x.y." + stem));
}

TEST(Wildcard, MaskSetMatchesWhenAnyMaskDoes) {
  const MaskSet set({"*.tmp", "", "~*.*"});
  EXPECT_TRUE(set.Matches(L"a.TMP"));
  EXPECT_TRUE(set.Matches(L"~x"));
  EXPECT_FALSE(set.Matches(L"a.txt"));
  EXPECT_FALSE(MaskSet({""}).Matches(L"a.txt"));  // an empty mask adds nothing
  EXPECT_TRUE(MaskSet({""}).empty());
  EXPECT_TRUE(MaskSet({"x", "*.*"}).Matches(L"noext"));
  EXPECT_FALSE(MaskSet().Matches(L"a"));
}

TEST(CommaText, ReadsItemsSeparatedByCommasAndBlanks) {
  using V = std::vector<std::string>;
  EXPECT_EQ(ParseCommaText("*.tmp,*.bak"), (V{"*.tmp", "*.bak"}));
  EXPECT_EQ(ParseCommaText("*.tmp *.bak"), (V{"*.tmp", "*.bak"}));  // a blank separates like a comma
  EXPECT_EQ(ParseCommaText("  \t*.tmp ,  *.bak  "), (V{"*.tmp", "*.bak"}));
  EXPECT_EQ(ParseCommaText("My File.txt"), (V{"My", "File.txt"}));
  EXPECT_EQ(ParseCommaText("\"My File.txt\",x"), (V{"My File.txt", "x"}));
  EXPECT_EQ(ParseCommaText("\"a\"\"b\""), (V{"a\"b"}));
  EXPECT_EQ(ParseCommaText("\"a,b\""), (V{"a,b"}));
  EXPECT_EQ(ParseCommaText("a,,b"), (V{"a", "", "b"}));  // two commas give an empty item
  EXPECT_EQ(ParseCommaText("a, ,b"), (V{"a", "", "b"}));
  EXPECT_EQ(ParseCommaText("a,"), (V{"a"}));
  EXPECT_EQ(ParseCommaText(",a"), (V{"", "a"}));
  EXPECT_EQ(ParseCommaText("\"\""), (V{""}));
  EXPECT_EQ(ParseCommaText("\"open"), (V{"open"}));  // an unclosed quote runs to the end
  EXPECT_EQ(ParseCommaText("\"q\"r"), (V{"q", "r"}));
  EXPECT_EQ(ParseCommaText(""), V{});
  EXPECT_EQ(ParseCommaText("   "), V{});
}

TEST(CommaText, WritesWhatReadsBack) {
  using V = std::vector<std::string>;
  EXPECT_EQ(MakeCommaText({"*.bak", "*.tmp"}), "*.bak,*.tmp");
  EXPECT_EQ(MakeCommaText({"My File.txt"}), "\"My File.txt\"");
  EXPECT_EQ(MakeCommaText({"a\"b"}), "\"a\"\"b\"");
  EXPECT_EQ(MakeCommaText({"a,b"}), "\"a,b\"");
  EXPECT_EQ(MakeCommaText({"tab\there"}), "\"tab\there\"");
  EXPECT_EQ(MakeCommaText({""}), "\"\"");
  EXPECT_EQ(MakeCommaText({"", "x"}), ",x");
  EXPECT_EQ(MakeCommaText({}), "");
  for (const V& list : {V{"*.bak", "My File.txt", "a\"b", "a,b"}, V{""}, V{"", "x"}, V{"x", ""},
                        V{"\xc3\xa4 \xc3\xb6.tmp"}})
    EXPECT_EQ(ParseCommaText(MakeCommaText(list)), list) << MakeCommaText(list);
}

}  // namespace
}  // namespace velmora::scan
