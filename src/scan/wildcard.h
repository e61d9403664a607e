// File-name masks matched in the program, the way the system's own directory
// listing matches them, so a folder can be listed once and every mask tried on
// each long name.
//
// Matching rules (case-insensitive, by the suite's upper-case table, the
// system's own on Windows: platform/case_table.h):
//   - "*" and "*.*" match every name, with or without a dot.
//   - "*" followed by "." (as in "*.bak") runs up to the LAST dot of the name:
//     "*.bak" matches "a.b.bak" but not "report.bakery" nor "bak".
//   - Any other "*" matches any run of characters, dots included ("~*" matches "~a.b.c").
//   - "?" matches one character; at the end of the name or in front of a dot it
//     matches nothing instead, and never matches the dot itself: "0???????.nch"
//     matches "0.nch" and "01234567.nch" but not "012345678.nch"; "?.txt" matches ".txt".
//   - "." followed by "*" or "?" matches a dot, or nothing at the end of the name:
//     "~*.*" matches "~tmp" as well as "~tmp.doc"; "a.*" matches "a" and "a.x" but not "ab".
//   - A "." at the end of the mask is dropped after it has turned the "*" before it into
//     the run-to-last-dot form: "*." matches the names that have no dot.
//   - Every other character matches itself, ignoring letter case.
//   - An empty mask matches nothing.
// These are the conversions the listing functions apply to a pattern ("?" to DOS_QM,
// "*" before a dot to DOS_STAR, a dot before a wildcard to DOS_DOT, "*.*" to "*")
// before the file system's name-in-expression test.
//
// Only the long name is matched. The listing itself would also try the 8.3 alias,
// so there "*.bak" finds "report.bakery" through its alias "REPORT~1.BAK"; a user
// cleaning "*.bak" never meant that file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace velmora::scan {

// Upper-cases one UTF-16 code unit by the suite's table.
wchar_t FoldChar(wchar_t c);
// `out` := the upper-cased `name`; reuses out's storage.
void FoldName(std::wstring_view name, std::wstring& out);

class WildcardMask {
 public:
  explicit WildcardMask(std::wstring_view mask);

  // `folded` is a name passed through FoldName; `lastDot` the index of its last
  // dot or npos. The scanner folds each name once and tries every mask on it.
  bool MatchesFolded(std::wstring_view folded, std::size_t lastDot) const;
  // Folds `name` itself.
  bool Matches(std::wstring_view name) const;

  bool empty() const { return empty_; }
  bool matchesEverything() const { return all_; }

 private:
  enum class Op : std::uint8_t { Literal, Star, DosStar, DosQm, DosDot };
  struct Token {
    Op op;
    wchar_t ch;  // the folded character of a Literal
  };
  bool MatchSmall(std::wstring_view name, std::size_t lastDot) const;
  bool MatchLarge(std::wstring_view name, std::size_t lastDot) const;

  std::vector<Token> tokens_;
  bool empty_ = false;
  bool all_ = false;
  wchar_t first_ = 0;  // a Literal every match must start with, or 0
  wchar_t last_ = 0;   // a Literal every match must end with, or 0
};

// A set of masks that matches a name when any of its masks does.
class MaskSet {
 public:
  MaskSet() = default;
  explicit MaskSet(const std::vector<std::string>& utf8Masks);

  bool MatchesFolded(std::wstring_view folded, std::size_t lastDot) const;
  bool Matches(std::wstring_view name) const;
  bool empty() const { return masks_.empty() && exact_.empty(); }

 private:
  std::vector<WildcardMask> masks_;
  std::unordered_set<std::wstring> exact_;  // folded masks without wildcards
  bool all_ = false;
};

// UTF-8 convenience: does `name` match `mask` by the rules above?
bool MatchesMask(std::string_view mask, std::string_view name);

}  // namespace velmora::scan
